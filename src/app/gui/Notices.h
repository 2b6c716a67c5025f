#pragma once
// What the operator is told over the main window: the warnings of the
// notice table, the splash at start and the connection notice over the panel.
// Owns those widgets (children of the window); made and used by the main
// window on the GUI thread. A notice not forced waits for the one shown.
#include <QPointer>
#include <atomic>

class QLabel;
class QWidget;

namespace hrx::gui {

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
};

class Notices {
 public:
  explicit Notices(QWidget& window) : window_(window) {}
  // Warning `index` of the table; a forced one shows beside any other.
  void show(int index, bool force);
  void showSplash(QWidget& panel);
  void closeSplash();
  // The notice shown while COM waits for the radio.
  void connection(bool show, QWidget& panel);
  QWidget* splash() const;
  QWidget* connectionNotice() const;
  // Set while a notice not forced is shown.
  const std::atomic<bool>& guard() const { return guard_; }

 private:
  QWidget& window_;
  QPointer<QLabel> splash_;
  QPointer<QLabel> comNotice_;
  std::atomic<bool> guard_{false};
};

}  // namespace hrx::gui
