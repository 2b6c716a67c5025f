#pragma once
// The main window: the drawn panel, the main menu, the main-window timers,
// the user notices and the window messages of the worker threads. Any thread
// may post or send it messages and set or kill its timers; everything runs
// on the GUI thread.
#include <QMainWindow>
#include <QPointer>
#include <QWidget>
#include <array>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <typeindex>
#include <vector>

#include "app/gui/windows/BusyWindow.h"
#include "app/gui/CoreLink.h"
#include "app/gui/routes/WindowRoutes.h"
#include "panel/PanelCtrl.h"
#include "panel/WheelNotches.h"
#include "platform/MainWindowPort.h"
#include "render/PanelRenderer.h"

class QAction;
class QLabel;
class QMenu;
class QTimer;

namespace hrx::gui {

inline constexpr const char* kCaption = "RCP for HRX900";
inline constexpr int kIconId = 128;

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

// Power events that close the port (suspend, resume, battery and power
// status); the next command sent opens it again.
inline constexpr int kPowerEventsClosingPort[] = {0, 2, 4, 6, 7, 9, 10, 11, 18};

struct Notice {
  bool shown;
  int stringId;
  const char* text;
};
inline constexpr Notice kNoticeTable[] = {
    {true, 106, "Failed to open the port.\nPlease confirm the port connection."},
    {false, 107, "Failed to read the menu configuration file.\nExecute the control program with the default settings."},
    {true, 108, "Failed to read the COM port configuration file.\nExecute the control program with the default settings."},
    {true, 111, "Failed to connect the COM port."},
    // A network port (tcp://, rfc2217://): why it could not be opened.
    {true, 0, "Cannot find the network port's host.\nPlease confirm its name."},
    {true, 0, "The network port refused the connection.\nPlease confirm that ser2net runs there on that port."},
    {true, 0, "The network port does not answer."},
    {true, 0, "The network port does not speak RFC 2217.\nPlease confirm its telnet mode, or name it tcp://."},
    // A tls:// port refused before anything was sent to the radio.
    {true, 0, "There is no usable ca.pem in CommoFiles/tls.\nA tls:// port is used only when its certificate can be checked."},
    {true, 0, "The remote station's certificate is not signed by ca.pem."},
    {true, 0, "The remote station's certificate is not for the host name or address it was reached at."},
    {true, 0, "The remote station's certificate has expired or is not yet valid."},
    {true, 0, "The remote station refused this program's certificate.\nIt wants client.pem and client.key, signed by its CA, in CommoFiles/tls."},
    {true, 0, "client.pem or client.key in CommoFiles/tls cannot be used.\nPlease confirm that they are a certificate and its key."},
    {true, 0, "The network port does not speak TLS 1.2 or later.\nPlease confirm that it is ser2net's ssl port."},
};

class QtMainWindow;
class VfoSetWindow;

// Shows the panel surface unscaled and hands the mouse to the controller.
class PanelWidget final : public QWidget {
 public:
  PanelWidget(QtMainWindow& window, const QImage& image);
  QPoint lastPos() const { return lastPos_; }
  bool leftDown() const { return leftDown_; }
  bool rightDown() const { return rightDown_; }
  // A pop-up that takes the mouse also takes the button's release.
  void forgetButtons() { leftDown_ = rightDown_ = false; }
  // Another window took the mouse (the panel is blocked or inactive): its
  // release will not come here, so a held button is let go as now.
  void buttonsLost();

 protected:
  void paintEvent(QPaintEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;

 private:
  QtMainWindow& window_;
  const QImage& image_;
  QPoint lastPos_;
  bool leftDown_ = false;
  bool rightDown_ = false;
  panel::WheelNotches wheel_;
};

class QtMainWindow final : public QMainWindow, public MainWindowPort, private panel::PanelHost, private StateWatcher {
 public:
  explicit QtMainWindow(QWidget* parent = nullptr);
  ~QtMainWindow() override;

  // The core this window drives; set before startUp().
  void setCore(CoreLink* core);
  // The main window's initialisation: splash, panel images, display
  // timers, then the core. False when the core would not start.
  bool startUp();
  // The one way out: Escape, the close box and File / Exit all end here.
  void shutdown();
  int shutdownCount() const { return shutdownCount_; }

  // Runs the busy-message window modally; returns how it ended.
  BusyEnd runBusyWindow();
  // The open busy-message window, or null.
  BusyWindow* busyWindow() const { return busyWindow_.data(); }
  void setBusyTimeoutMs(int ms) { busyTimeoutMs_ = ms; }
  // A power event of the desktop; true when it closed the port.
  bool onPowerEvent(int pbt);
  // Read-outs the composer has reported finished.
  int readOutsDone() const { return readOutsDone_; }

  // The two high-rate strips are drawn only inside the paint handler, so
  // requests before the next paint cost one invalidation.
  void RequestMeterRedraw(int value);
  void RequestBlockIconsRedraw(bool force);
  // The background was lost (window uncovered): the next paint schedules a
  // whole restore instead of drawing the pending strips.
  void eraseBackground();
  bool meterPending() const { return meterPending_; }
  bool blockIconsPending() const { return blockIconsPending_; }
  bool backgroundErased() const { return backgroundErased_; }
  int stripInvalidations() const { return stripInvalidations_; }
  int meterDraws() const { return meterDraws_; }
  int lastMeterValue() const { return lastMeterValue_; }
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
  PanelWidget* panelWidget() const { return panelWidget_; }
  QWidget* splash() const;
  // The connection notice shown while COM waits for the radio; may be null.
  QWidget* connectionNoticeWidget() const;
  QAction* commandAction(int id) const;
  std::uint32_t timerPeriod(std::uint32_t id) const;
  const std::vector<Msg>& dispStartLog() const { return dispStartLog_; }
  int restoreCount() const { return restoreCount_; }
  const std::vector<Msg>& restoreLog() const { return restoreLog_; }
  const std::atomic<bool>& noticeGuard() const { return noticeGuard_; }
  render::PanelRenderer& renderer() { return renderer_; }
  panel::PanelCtrl& panel() { return panel_; }
  // The selection pop-up now shown, or null.
  QMenu* popupMenu() const;
  // The open VFO SET window, or null.
  VfoSetWindow* vfoSetWindow() const;
  // The VFO SET window reported back (0x85CC): it goes, and its result
  // goes to the panel.
  void closeVfoSetWindow(std::int32_t hz);

  // A tick of main-window timer `id` (the QTimers call it).
  void onTimerTick(std::uint32_t id);
  void onCommand(int id);
  // Handles one window message on the GUI thread.
  LParam handleMessage(const Msg& m);
  // The tables built from every feature's routes.
  const MessageTable<QtMainWindow>& messageRows() const { return messageRows_; }
  const MessageTable<QtMainWindow>& timerRows() const { return timerRows_; }
  const MessageTable<QtMainWindow>& commandRows() const { return commandRows_; }

  // For the feature files' handlers.
  CoreLink* core() const { return core_; }
  template <class T>
  T& part() {
    std::unique_ptr<WindowPart>& p = parts_[std::type_index(typeid(T))];
    if (!p) p = std::make_unique<T>(*this);
    return static_cast<T&>(*p);
  }
  void startWindowTimer(std::uint32_t id, std::uint32_t periodMs) { startTimerHere(id, periodMs); }
  // The polled display timers (frequency displays, pass bands, blink) rest
  // once their ticks find nothing to draw; a change of the state, a message
  // that drew or started a temporary display, or this call wakes them.
  void wakeDisplayTimers();
  // Said by a display timer's handler that needs further ticks although it
  // drew nothing this time (a key held for its long push).
  void keepTicking() { tickBusy_ = true; }
  void killWindowTimer(std::uint32_t id) { killTimerHere(id); }
  void showNotice(int index, bool force);
  void closeSplash();
  void Disp_Start();
  void Disp_Restore();

 protected:
  bool event(QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void changeEvent(QEvent* e) override;

 private:
  friend class PanelWidget;
  void buildMenu();
  void startTimerHere(std::uint32_t id, std::uint32_t periodMs);
  void killTimerHere(std::uint32_t id);
  void buildTables();
  void onPanelPaint();
  void dispatchTick(std::uint32_t id);
  // StateWatcher, on the thread that changed the state.
  void stateChanged() override;

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
  QPointer<QLabel> splash_;
  QPointer<QLabel> comNotice_;
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
  std::map<std::uint32_t, QTimer*> timers_;
  bool displayTimersOn_ = false;
  bool tickBusy_ = false;
  std::uint64_t damages_ = 0;   // changed rectangles of the surface so far
  std::array<int, 5> idleTicks_{};
  std::atomic<bool> resting_{false};   // a display timer is stopped
  std::map<int, QAction*> actions_;
  std::vector<Msg> dispStartLog_;
  std::vector<Msg> restoreLog_;
  std::atomic<bool> noticeGuard_{false};
  std::atomic<bool> closing_{false};
  bool started_ = false;
  int shutdownCount_ = 0;
  int restoreCount_ = 0;
  MessageTable<QtMainWindow> messageRows_;
  MessageTable<QtMainWindow> timerRows_;
  MessageTable<QtMainWindow> commandRows_;
  // Last, so the features' parts go before the rest of the window.
  std::map<std::type_index, std::unique_ptr<WindowPart>> parts_;
};

}  // namespace hrx::gui
