#pragma once
// The main window: owns the drawn panel, the core link's window messages and
// the tables of every feature's routes, and its parts (the menu, the notices,
// the timers, the display restore). Windows, widgets and routes see it only
// as MainWindowServices. Any thread may post or send it messages and set or
// kill its timers; everything runs on the GUI thread.
#include <QMainWindow>
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <typeindex>
#include <vector>

#include "app/gui/DisplayRestore.h"
#include "app/gui/MainMenu.h"
#include "app/gui/MainWindowServices.h"
#include "app/gui/Notices.h"
#include "app/gui/PanelWidget.h"
#include "app/gui/WindowTimers.h"
#include "panel/PanelCtrl.h"
#include "platform/MainWindowPort.h"
#include "render/PanelRenderer.h"

class QAction;
class QMenu;

namespace hrx::gui {

inline constexpr int kIconId = 128;

// Power events that close the port (suspend, resume, battery and power
// status); the next command sent opens it again.
inline constexpr int kPowerEventsClosingPort[] = {0, 2, 4, 6, 7, 9, 10, 11, 18};

class VfoSetWindow;

class QtMainWindow final : public QMainWindow, public MainWindowServices, private panel::PanelHost, private StateWatcher {
 public:
  explicit QtMainWindow(QWidget* parent = nullptr);
  ~QtMainWindow() override;

  // The core this window drives; set before startUp().
  void setCore(CoreLink* core);
  // The main window's initialisation: splash, panel images, display
  // timers, then the core. False when the core would not start.
  bool startUp();
  // The one way out: Escape (once answered Yes), the close box and File / Exit all end here.
  void shutdown();
  int shutdownCount() const override { return shutdownCount_; }

  // Runs the busy-message window modally; returns how it ended.
  BusyEnd runBusyWindow() override;
  // The open busy-message window, or null.
  BusyWindow* busyWindow() const override { return busyWindow_.data(); }
  void setBusyTimeoutMs(int ms) { busyTimeoutMs_ = ms; }
  // A power event of the desktop; true when it closed the port.
  bool onPowerEvent(int pbt);
  // Read-outs the composer has reported finished.
  int readOutsDone() const override { return readOutsDone_; }

  // The two high-rate strips are drawn only inside the paint handler, so
  // requests before the next paint cost one invalidation.
  void RequestMeterRedraw(int value) override;
  void RequestBlockIconsRedraw(bool force) override;
  // The background was lost (window uncovered): the next paint schedules a
  // whole restore instead of drawing the pending strips.
  void eraseBackground();
  bool meterPending() const { return meterPending_; }
  bool blockIconsPending() const { return blockIconsPending_; }
  bool backgroundErased() const { return backgroundErased_; }
  int stripInvalidations() const { return stripInvalidations_; }
  int meterDraws() const { return meterDraws_; }
  int lastMeterValue() const override { return lastMeterValue_; }
  int blockIconDraws() const { return blockIconDraws_; }

  // MainWindowPort, callable from any thread.
  void postMessage(MsgId id, WParam w, LParam l) override;
  LParam sendMessage(MsgId id, WParam w, LParam l) override;
  void setTimer(std::uint32_t id, std::uint32_t periodMs) override;
  void killTimer(std::uint32_t id) override;

  // Read-outs for the tests and the screenshot.
  const QImage& surfaceImage() const { return surface_.image(); }
  // The window icon with its key colour made transparent.
  const QImage& iconImage() const { return icon_; }
  PanelWidget* panelWidget() const override { return panelWidget_; }
  QWidget* splash() const { return notices_.splash(); }
  // The connection notice shown while COM waits for the radio; may be null.
  QWidget* connectionNoticeWidget() const { return notices_.connectionNotice(); }
  QAction* commandAction(int id) const override { return menu_.action(id); }
  bool hasCommand(int id) const override { return commandRows_.contains(static_cast<MsgId>(id)); }
  std::uint32_t timerPeriod(std::uint32_t id) const { return timers_.period(id); }
  const std::vector<Msg>& dispStartLog() const { return restore_.startLog(); }
  int restoreCount() const { return restore_.restoreCount(); }
  const std::vector<Msg>& restoreLog() const { return restore_.restoreLog(); }
  const std::atomic<bool>& noticeGuard() const { return notices_.guard(); }
  render::PanelRenderer& renderer() override { return renderer_; }
  panel::PanelCtrl& panel() override { return panel_; }
  // The selection pop-up now shown, or null.
  QMenu* popupMenu() const;
  // The open VFO SET window, or null.
  VfoSetWindow* vfoSetWindow() const;
  // The VFO SET window reported back (0x85CC): it goes, and its result
  // goes to the panel.
  void closeVfoSetWindow(std::int32_t hz) override;

  // A tick of main-window timer `id` (the QTimers call it).
  void onTimerTick(std::uint32_t id) { timers_.tick(id); }
  void onCommand(int id);
  // Handles one window message on the GUI thread.
  LParam handleMessage(const Msg& m);
  // The tables built from every feature's routes.
  const MessageTable<MainWindowServices>& messageRows() const { return messageRows_; }
  const MessageTable<MainWindowServices>& timerRows() const { return timerRows_; }
  const MessageTable<MainWindowServices>& commandRows() const { return commandRows_; }

  // MainWindowServices, for the feature files' handlers.
  CoreLink* core() const override { return core_; }
  QWidget& widget() override { return *this; }
  void startWindowTimer(std::uint32_t id, std::uint32_t periodMs) override { startTimerHere(id, periodMs); }
  // The polled display timers are the frequency displays, pass bands and blink.
  void wakeDisplayTimers() override { timers_.wakeDisplayTimers(); }
  void keepTicking() override { timers_.keepTicking(); }
  void killWindowTimer(std::uint32_t id) override { killTimerHere(id); }
  void showNotice(int index, bool force) override { notices_.show(index, force); }
  void closeSplash() override;
  void Disp_Start() override { restore_.Disp_Start(); }
  void Disp_Restore() override { restore_.Disp_Restore(); }

 protected:
  bool event(QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void changeEvent(QEvent* e) override;

 private:
  friend class PanelWidget;
  std::unique_ptr<WindowPart>& partSlot(std::type_index type) override { return parts_[type]; }
  void startTimerHere(std::uint32_t id, std::uint32_t periodMs) { timers_.start(id, periodMs); }
  void killTimerHere(std::uint32_t id) { timers_.kill(id); }
  void buildTables();
  void onPanelPaint();
  void dispatchTick(std::uint32_t id);
  // StateWatcher, on the thread that changed the state.
  void stateChanged() override { timers_.stateChanged(); }

  // PanelHost.
  bool requestOp(int op, bool subSide, std::int32_t value) override;
  void cursor(int& x, int& y) override;
  bool leftButtonDown() override;
  bool rightButtonDown() override;
  void look(MsgId msg, WParam w, LParam l) override;
  bool vfoSelected() override;
  std::uint64_t nowMs() override;
  const RadioState* radio() override;
  const PanelMirror* mirror() override;
  void showPopup(const panel::PopupMenu& menu) override;
  void openEntryWindow() override;
  void entryDigit(int digit) override;
  void menuAction() override;
  void focusBusyWindow() override;
  bool connected() override;
  void connectionNotice(bool show) override;
  void connectionFailed() override;

  CoreLink* core_ = nullptr;
  render::PanelSurface surface_;
  QImage icon_;
  render::BitmapStore store_;
  render::PanelRenderer renderer_{surface_, store_};
  panel::PanelCtrl panel_{*this};
  PanelWidget* panelWidget_ = nullptr;
  QPointer<QMenu> popup_;
  QPointer<VfoSetWindow> vfoSet_;
  QPointer<BusyWindow> busyWindow_;
  int busyTimeoutMs_ = kBusyTimeoutMs;
  int readOutsDone_ = 0;
  bool meterPending_ = false;
  bool blockIconsPending_ = false;
  bool backgroundErased_ = false;
  bool forcedPaint_ = false;
  int meterValue_ = 0;
  int stripInvalidations_ = 0;
  int meterDraws_ = 0;
  int lastMeterValue_ = 0;
  int blockIconDraws_ = 0;
  MainMenu menu_;
  Notices notices_{*this};
  WindowTimers timers_{*this, renderer_, [this](std::uint32_t id) { dispatchTick(id); },
                       [this] { return core_ != nullptr ? core_->state().changes() : std::uint64_t{0}; }};
  DisplayRestore restore_{*this};
  std::atomic<bool> closing_{false};
  bool started_ = false;
  int shutdownCount_ = 0;
  MessageTable<MainWindowServices> messageRows_;
  MessageTable<MainWindowServices> timerRows_;
  MessageTable<MainWindowServices> commandRows_;
  // Last, so the features' parts go before the rest of the window.
  std::map<std::type_index, std::unique_ptr<WindowPart>> parts_;
};

}  // namespace hrx::gui
