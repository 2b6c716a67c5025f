#include "app/gui/widgets/PushHoldButton.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>

namespace hrx::gui {

PushHoldButton::PushHoldButton(const QString& text, int index, QWidget* parent)
    : QPushButton(text, parent), index_(index) {
  // A held button is not a default button: Enter must not click another.
  setAutoDefault(false);
}

void PushHoldButton::report(bool pressed) {
  held_ = pressed;
  if (receiver_) receiver_(Msg{kMsgPushHold, static_cast<WParam>(index_), pressed ? 1 : 0});
  Q_EMIT holdChanged(index_, pressed);
}

void PushHoldButton::mousePressEvent(QMouseEvent* e) {
  QPushButton::mousePressEvent(e);
  if (e->button() == Qt::LeftButton && !held_) report(true);
}

void PushHoldButton::mouseReleaseEvent(QMouseEvent* e) {
  QPushButton::mouseReleaseEvent(e);
  if (e->button() == Qt::LeftButton && held_) report(false);
}

void PushHoldButton::keyPressEvent(QKeyEvent* e) {
  switch (e->key()) {
    case Qt::Key_Space:
      // The key's auto-repeat is no new press: holding is one press.
      if (!e->isAutoRepeat() && !held_) report(true);
      QPushButton::keyPressEvent(e);
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (!e->isAutoRepeat()) {
        report(true);
        report(false);
      }
      e->accept();
      return;
    default:
      QPushButton::keyPressEvent(e);
  }
}

void PushHoldButton::keyReleaseEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Space && !e->isAutoRepeat() && held_) report(false);
  QPushButton::keyReleaseEvent(e);
}

// A press whose release can no longer arrive (the focus or the window went
// away while the space key was down) would leave the rotator turning.
void PushHoldButton::focusOutEvent(QFocusEvent* e) {
  if (held_ && (QGuiApplication::mouseButtons() & Qt::LeftButton) == 0) report(false);
  QPushButton::focusOutEvent(e);
}

// A notice that blocks the window takes the mouse's release with it: the
// rotator would go on turning and the equaliser on stepping.
bool PushHoldButton::event(QEvent* e) {
  if (e->type() == QEvent::WindowBlocked && held_) {
    setDown(false);
    report(false);
  }
  return QPushButton::event(e);
}

void PushHoldButton::hideEvent(QHideEvent* e) {
  if (held_) report(false);
  QPushButton::hideEvent(e);
}

}  // namespace hrx::gui
