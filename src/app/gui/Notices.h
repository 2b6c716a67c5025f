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
    // A tls:// port refused before anything was sent to the radio.
    {true, 0, "There is no usable ca.pem in CommoFiles/tls.\nA tls:// port is used only when its certificate can be checked."},
    {true, 0, "The remote station's certificate is not signed by ca.pem."},
    {true, 0, "The remote station's certificate is not for the host name or address it was reached at."},
    {true, 0, "The remote station's certificate has expired or is not yet valid."},
    {true, 0, "The remote station refused this program's certificate.\nIt wants client.pem and client.key, signed by its CA, in CommoFiles/tls."},
    {true, 0, "client.pem or client.key in CommoFiles/tls cannot be used.\nPlease confirm that they are a certificate and its key."},
    {true, 0, "The network port does not speak TLS 1.2 or later.\nPlease confirm that it is ser2net's ssl port."},
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
