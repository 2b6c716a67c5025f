#pragma once
// A button that reports being held: press (left button or space key down)
// and release (button or key up) each go to its receiver with the button's
// index, as message 0x85DA with lParam 1 or 0. Enter reports a press and a
// release at once. Owned by its dialog; GUI thread only.
#include <QPushButton>
#include <functional>

#include "platform/Messages.h"

namespace hrx::gui {

inline constexpr MsgId kMsgPushHold = 0x85DA;   // w = index, l = 1 pressed, 0 released

class PushHoldButton final : public QPushButton {
  Q_OBJECT

 public:
  // Called with kMsgPushHold, the index and the press state.
  using Receiver = std::function<void(const Msg&)>;

  PushHoldButton(const QString& text, int index, QWidget* parent = nullptr);
  int index() const { return index_; }
  bool held() const { return held_; }
  void setReceiver(Receiver r) { receiver_ = std::move(r); }

 Q_SIGNALS:
  void holdChanged(int index, bool pressed);

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void hideEvent(QHideEvent* e) override;
  bool event(QEvent* e) override;

 private:
  void report(bool pressed);

  int index_;
  bool held_ = false;
  Receiver receiver_;
};

}  // namespace hrx::gui
