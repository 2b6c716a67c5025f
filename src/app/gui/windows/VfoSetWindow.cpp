#include "app/gui/windows/VfoSetWindow.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "panel/PanelCtrl.h"

namespace hrx::gui {

std::int32_t parseEntry(const QString& text) {
  bool ok = false;
  const qlonglong n = text.trimmed().toLongLong(&ok);
  if (!ok || n < 0 || n > 99999999) return 0;
  return static_cast<std::int32_t>(n);
}

VfoSetWindow::VfoSetWindow(MainWindowPort& owner, QWidget* parent) : QDialog(parent), owner_(owner) {
  setWindowTitle(QString::fromUtf8(kVfoSetCaption));
  setModal(false);
  auto* layout = new QVBoxLayout(this);
  auto* prompt = new QLabel(QString::fromUtf8(kString102), this);
  layout->addWidget(prompt);
  layout->addWidget(new QLabel(QString::fromUtf8(kString103), this));
  edit_ = new QLineEdit(this);
  // The prompt names the field for a screen reader.
  prompt->setBuddy(edit_);
  edit_->setMaxLength(kVfoSetMaxDigits);
  layout->addWidget(edit_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  ok_->setText(QStringLiteral("OK"));
  ok_->setDefault(true);
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("CANCEL"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

void VfoSetWindow::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  edit_->setFocus();
  edit_->end(false);
}

void VfoSetWindow::appendDigit(int digit) {
  if (digit < 0 || digit > 9 || edit_->text().size() >= kVfoSetMaxDigits) return;
  edit_->setText(edit_->text() + QString::number(digit));
  edit_->end(false);
}

QWidget* VfoSetWindow::rangeNotice() const { return notice_; }

void VfoSetWindow::accept() {
  const QString text = edit_->text();
  if (text.isEmpty()) {
    finish(0);
    return;
  }
  const std::int32_t n = parseEntry(text);
  if (n < panel::kFreqMin || n > panel::kFreqMax) {
    // Shown without waiting; the window stays open for a new entry.
    if (notice_ == nullptr) {
      auto* box = new QMessageBox(QMessageBox::Warning, QString::fromUtf8(kVfoSetCaption),
                                  QString::fromUtf8(kString104), QMessageBox::Ok, this);
      box->setAttribute(Qt::WA_DeleteOnClose);
      connect(box, &QObject::destroyed, this, [this] { notice_ = nullptr; });
      notice_ = box;
      box->open();
    }
    return;
  }
  finish(n);
}

void VfoSetWindow::reject() { finish(0); }

void VfoSetWindow::finish(std::int32_t hz) {
  if (finished_) return;
  finished_ = true;
  hide();
  owner_.postMessage(kMsgVfoSetDone, static_cast<WParam>(hz), 0);
}

}  // namespace hrx::gui
