#pragma once
// The port windows (COM Select, Baud rate) and the port changes they and the
// menu list share. Every wait of a port change (auto-information going off,
// the pause before the speed changes) is a timer step on the window's
// thread: the panel keeps drawing while the radio is given its time.
#include <QDialog>
#include <QObject>
#include <QPointer>
#include <functional>
#include <string>

#include "app/gui/routes/WindowRoutes.h"

#include "platform/Messages.h"

class QListWidget;

namespace hrx {
class Station;
}

namespace hrx::gui {

class MainWindowServices;

inline constexpr MsgId kMsgComSelectEnd = 0x85CD;
inline constexpr MsgId kMsgBaudRateEnd = 0x85CE;
inline constexpr int kCmdComSelect = 32781;
inline constexpr int kCmdBaudRate = 32782;
inline constexpr const char* kPortOpenFailedText = "Failed to open the port.";
inline constexpr const char* kPortChangeBusyText =
    "Another port change is still running.\nPlease try again when it has ended.";

inline constexpr int kAiOffPollMs = 100;
inline constexpr int kAiOffPolls = 29;
inline constexpr int kRateSettleMs = 1000;
// A network port's probe: the connection (3 s at most) and, for RFC 2217,
// the option's agreement (2 s) are made off the window's thread; the window
// looks at the outcome every 100 ms and gives up after 10 s (a host name
// that resolves slowly).
inline constexpr int kProbeLookMs = 100;
inline constexpr int kProbeLooks = 100;
inline constexpr int kOpComSw = 1;
inline constexpr int kOpSendKick = 107;

// Runs one port change at a time as a chain of timer steps.
class PortChanger final : public QObject {
  Q_OBJECT

 public:
  explicit PortChanger(MainWindowServices& w) : w_(w) {}

  bool running() const { return running_; }
  // Takes the changer for one change (COM Select, Baud rate, the menu
  // list's CAT RATE); while another runs, refuses with a message box over
  // `over`, whose window stays as it was. The changes below end their own;
  // end() ends one that stops short.
  bool begin(QWidget* over);
  void end();
  // COM Select's probe of port `number`: done(usable) at once for a local
  // device, for a network port once its connection is made or has failed
  // (looked at on timer steps, at most kProbeLooks).
  void probe(int number, std::function<void(bool)> done);
  // Asks the composer to switch auto-information off and checks AI_Stat
  // every 100 ms, at most 29 times; closes the port when it went off (or
  // was off). Then done(closed).
  void switchOffAndClose(std::function<void(bool)> done);
  // An AI report came: a running check looks at once instead of at its next
  // tick.
  void aiReported();
  // Follows a change of the radio's CAT RATE item (choice index 0..3): the
  // new speed stored and saved, auto-information off, the port closed, then
  // the connection switched on again (reconnect) or the port opened.
  void Cat_Rate_Change(int index, bool reconnect, std::function<void()> done);
  // The Baud rate window's change to `rate`: the radio told first (EX on
  // its CAT RATE item), then as Cat_Rate_Change with the 1000 ms pause.
  void changeBaudRate(int rate, bool reconnect, std::function<void()> done);
  // Writes the port settings file; false when there is no port or it fails
  // (a failure said in the log at once).
  bool saveSettings();
  Station* station() const;

 private:
  void checkAi();
  bool linkOff();
  void finishAiWait(bool off);
  void reconnectOrOpen(bool reconnect);
  void lookProbe();
  void stopTimer(QPointer<QObject>& timer);

  MainWindowServices& w_;
  bool running_ = false;
  int polls_ = 0;
  QPointer<QObject> pollTimer_;
  std::function<void(bool)> aiDone_;
  int probeIndex_ = -1;
  int probeLooks_ = 0;
  QPointer<QObject> probeTimer_;
  std::function<void(bool)> probeDone_;
};

// COM Select (template 599) and Baud rate (template 589): one list, OK and
// CANCEL, modeless. They report their end to the main window.
class PortListDlg : public QDialog {
  Q_OBJECT

 public:
  PortListDlg(MainWindowServices& w, const char* caption, MsgId endMsg);
  QListWidget* list() const { return list_; }
  // The value of the chosen row (0 when none).
  int chosen() const { return chosen_; }

 protected:
  virtual void apply() = 0;
  void finishWith();   // notifies the main window
  void keyPressEvent(QKeyEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  MainWindowServices& w_;
  QListWidget* list_;
  int chosen_ = 0;
  bool applying_ = false;

 private:
  MsgId endMsg_;
  bool ended_ = false;
};

class CComSelectDlg final : public PortListDlg {
  Q_OBJECT

 public:
  explicit CComSelectDlg(MainWindowServices& w);

 protected:
  void apply() override;
};

class CBardRateSettingDlg final : public PortListDlg {
  Q_OBJECT

 public:
  explicit CBardRateSettingDlg(MainWindowServices& w);

 protected:
  void apply() override;

 private:
  bool aiAtOpen_ = false;
};

// What the main window keeps of the port windows.
struct PortPart final : WindowPart {
  explicit PortPart(MainWindowServices& w) : changer(w) {}
  PortChanger changer;
  QPointer<CComSelectDlg> comSelect;
  QPointer<CBardRateSettingDlg> baudRate;
};

}  // namespace hrx::gui
