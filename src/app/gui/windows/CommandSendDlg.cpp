#include "app/gui/windows/CommandSendDlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/gui/MainWindowServices.h"

namespace hrx::gui {

CCommandSendDlg::CCommandSendDlg(MainWindowServices& window)
    : OptionDialog(window, "Command Send", kMsgCommandSendClosed, 218, 77) {
  auto* layout = new QVBoxLayout(this);
  auto* prompt = new QLabel(QStringLiteral("Please enter the TX command."), this);
  layout->addWidget(prompt);
  edit_ = new QLineEdit(this);
  // The prompt names the field for a screen reader.
  prompt->setBuddy(edit_);
  edit_->setMaxLength(kCommandSendMax);
  layout->addWidget(edit_);
  auto* buttons = new QHBoxLayout;
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  auto* cancel = new QPushButton(QStringLiteral("CANCEL"), this);
  ok->setDefault(true);
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, &CCommandSendDlg::accept);
  connect(cancel, &QPushButton::clicked, this, &CCommandSendDlg::reject);
}

void CCommandSendDlg::accept() {
  const QString text = edit_->text();
  if (text.size() <= kCommandSendMax) {
    lastSent_ = text.toStdString();
    if (!lastSent_.empty() && w_.core() != nullptr) w_.core()->sendText(lastSent_);
  }
  finish();
}

void CCommandSendDlg::focusEdit() {
  edit_->setFocus();
  edit_->end(false);
}

void CCommandSendDlg::showEvent(QShowEvent* e) {
  OptionDialog::showEvent(e);
  focusEdit();
}

void CCommandSendDlg::focusInEvent(QFocusEvent* e) {
  OptionDialog::focusInEvent(e);
  focusEdit();
}

}  // namespace hrx::gui
