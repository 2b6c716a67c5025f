#pragma once
// Rotator: CCW and CW turn while held, SLOW and FAST change the speed once
// and again every 100 ms while held (the window's timer 21, which stops by
// itself when the line goes bad); the direction and speed follow the
// radio's RO report. The main window polls RO with its timer 20 while the
// window is open.
#include "app/gui/windows/OptionDialog.h"

class QTimer;

namespace hrx::gui {

class PushHoldButton;

inline constexpr MsgId kMsgRotatorClosed = 0x85D9;
inline constexpr std::uint32_t kTimerRotatorRepeat = 21;
inline constexpr int kRotatorRepeatMs = 100;

class CRotatorDlg final : public OptionDialog {
  Q_OBJECT

 public:
  explicit CRotatorDlg(MainWindowServices& window);
  void onEvent(MsgId id) override;
  // A press-and-hold report (0x85DA) of one of the four buttons.
  void onPushHold(const Msg& m);
  PushHoldButton* button(int index) const { return buttons_[index]; }
  QLabel* directionLabel() const { return direction_; }
  QLabel* speedLabel() const { return speed_; }
  bool repeating() const;

 private:
  enum class Repeat { Slow, Fast };
  void repeatTick();
  PushHoldButton* buttons_[4];
  QLabel* direction_;
  QLabel* speed_;
  QTimer* repeat_;
  Repeat repeatDirection_ = Repeat::Slow;
};

}  // namespace hrx::gui
