#pragma once
// What the windows, widgets and routes may use of the main window: the core
// (the station's state and requests), notices, the main-window timers, the
// panel and its busy state, and the window itself as the parent of the
// windows over the panel. QtMainWindow implements it. The MainWindowPort
// members may be called from any thread, the rest on the GUI thread only.
#include <QWidget>
#include <cstdint>
#include <memory>
#include <typeindex>

#include "app/gui/CoreLink.h"
#include "app/gui/routes/WindowRoutes.h"
#include "app/gui/windows/BusyWindow.h"
#include "panel/PanelCtrl.h"
#include "platform/MainWindowPort.h"
#include "render/PanelRenderer.h"

class QAction;

namespace hrx::gui {

inline constexpr const char* kCaption = "RCP for HRX900";

// Main-window timers of the window itself.
inline constexpr std::uint32_t kTimerMainFreq = 6;
inline constexpr std::uint32_t kTimerVfoB = 7;
inline constexpr std::uint32_t kTimerDispStart = 11;
inline constexpr std::uint32_t kTimerDispRestore = 13;
inline constexpr std::uint32_t kTimerDeferred = 14;
inline constexpr std::uint32_t kTimerSplash = 15;
inline constexpr std::uint32_t kTimerPeakHold = 40;
inline constexpr std::uint32_t kTimerPassBandMain = 32;
inline constexpr std::uint32_t kTimerPassBandSub = 33;
inline constexpr std::uint32_t kTimerBlink = 1234;

// Main menu command ids.
inline constexpr int kCmdExit = 32779;
inline constexpr int kCmdPrmtrc = 32787;
inline constexpr int kCmdPPrmtrc = 32788;
inline constexpr int kCmdFirst = 32779;
inline constexpr int kCmdLast = 32789;

class MainWindowServices : public MainWindowPort {
 public:
  // The core this window drives; null without one.
  virtual CoreLink* core() const = 0;
  // Read-outs the composer has reported finished.
  virtual int readOutsDone() const = 0;
  // Non-zero once the window has begun to shut down.
  virtual int shutdownCount() const = 0;

  // The window itself: the parent of the windows over the panel.
  virtual QWidget& widget() = 0;
  virtual QWidget* panelWidget() const = 0;
  virtual panel::PanelCtrl& panel() = 0;
  virtual render::PanelRenderer& renderer() = 0;
  // The two high-rate strips, drawn in the next paint.
  virtual void RequestMeterRedraw(int value) = 0;
  virtual void RequestBlockIconsRedraw(bool force) = 0;
  virtual int lastMeterValue() const = 0;
  // The whole panel drawn from the stored state: at start and after a loss.
  virtual void Disp_Start() = 0;
  virtual void Disp_Restore() = 0;
  // The VFO SET window reported back: it goes, its result to the panel.
  virtual void closeVfoSetWindow(std::int32_t hz) = 0;

  // Runs the busy-message window modally; returns how it ended.
  virtual BusyEnd runBusyWindow() = 0;
  // The open busy-message window, or null.
  virtual BusyWindow* busyWindow() const = 0;
  virtual void showNotice(int index, bool force) = 0;
  virtual void closeSplash() = 0;

  // Main-menu entries; hasCommand: some feature has a row for the id.
  virtual QAction* commandAction(int id) const = 0;
  virtual bool hasCommand(int id) const = 0;

  // Main-window timers, on the GUI thread.
  virtual void startWindowTimer(std::uint32_t id, std::uint32_t periodMs) = 0;
  virtual void killWindowTimer(std::uint32_t id) = 0;
  // The polled display timers rest once their ticks find nothing to draw;
  // a change of the state, a message that drew, or this call wakes them.
  virtual void wakeDisplayTimers() = 0;
  // Said by a display timer's handler that needs further ticks although it
  // drew nothing this time (a key held for its long push).
  virtual void keepTicking() = 0;

  // What a feature keeps for the life of the window, made on first use.
  template <class T>
  T& part() {
    std::unique_ptr<WindowPart>& p = partSlot(std::type_index(typeid(T)));
    if (!p) p = std::make_unique<T>(*this);
    return static_cast<T&>(*p);
  }

 protected:
  virtual std::unique_ptr<WindowPart>& partSlot(std::type_index type) = 0;
};

}  // namespace hrx::gui
