#pragma once
// Playback: voice-memory and audio recording and playback, one composer
// operation a button; the REC and PLAY labels light while the radio
// records or plays (its RI report).
#include "app/gui/windows/OptionDialog.h"

namespace hrx::gui {

inline constexpr MsgId kMsgPlaybackClosed = 0x85D6;

class CPlaybackDlg final : public OptionDialog {
  Q_OBJECT

 public:
  explicit CPlaybackDlg(MainWindowServices& window);
  void onEvent(MsgId id) override;
  QLabel* recLabel() const { return rec_; }
  QLabel* playLabel() const { return play_; }

 private:
  void showState();
  QLabel* rec_;
  QLabel* play_;
};

}  // namespace hrx::gui
