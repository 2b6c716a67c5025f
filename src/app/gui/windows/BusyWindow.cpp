#include "app/gui/windows/BusyWindow.h"

#include <QKeyEvent>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

namespace hrx::gui {

BusyWindow::BusyWindow(WindowFlags& flags, QWidget* parent, int timeoutMs)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), flags_(flags), timeout_(new QTimer(this)),
      timeoutMs_(timeoutMs) {
  setModal(true);
  auto* text = new QLabel(QString::fromUtf8(kBusyText), this);
  text->setObjectName(QStringLiteral("text1054"));
  text->setAlignment(Qt::AlignCenter);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text);
  setFixedSize(327, 132);
  timeout_->setSingleShot(true);
  timeout_->setTimerType(Qt::PreciseTimer);
  connect(timeout_, &QTimer::timeout, this, [this] { finish(BusyEnd::TimedOut); });
}

void BusyWindow::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (finishing_ || timeout_->isActive()) return;
  if (flags_.busy.load() == 0) {
    finish(BusyEnd::NotBusy);
    return;
  }
  flags_.busyShown = 1;
  timeout_->start(timeoutMs_);
}

void BusyWindow::readOutEnded() {
  if (flags_.busyShown.load() != 0) finish(BusyEnd::ReadOutEnded);
}

void BusyWindow::finish(BusyEnd how) {
  if (finishing_) return;
  finishing_ = true;
  flags_.busyShown = 0;
  timeout_->stop();
  QTimer::singleShot(kBusyCloseDelayMs, Qt::PreciseTimer, this, [this, how] { done(static_cast<int>(how)); });
}

void BusyWindow::keyPressEvent(QKeyEvent* e) {
  switch (e->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      e->accept();
      return;
    default:
      QDialog::keyPressEvent(e);
  }
}

}  // namespace hrx::gui
