#pragma once
// Command Send: the operator types any CAT text and it goes to the radio as
// typed (no ';' added, nothing checked), several commands in one line if
// wanted; an empty edit sends nothing. OK and CANCEL both end the window.
#include <string>

#include "app/gui/windows/OptionDialog.h"

class QLineEdit;

namespace hrx::gui {

inline constexpr MsgId kMsgCommandSendClosed = 0x85CF;
inline constexpr int kCommandSendMax = 500;

class CCommandSendDlg final : public OptionDialog {
  Q_OBJECT

 public:
  explicit CCommandSendDlg(MainWindowServices& window);
  QLineEdit* edit() const { return edit_; }
  const std::string& lastSent() const { return lastSent_; }
  void accept() override;

 protected:
  void showEvent(QShowEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;

 private:
  void focusEdit();
  QLineEdit* edit_;
  std::string lastSent_;   // the window's 512-byte buffer
};

}  // namespace hrx::gui
