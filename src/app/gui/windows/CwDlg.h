#pragma once
// CW: the five keyer message memories and five text memories played by
// button, and the text memories written back to the radio ("KMn" + text +
// ";"). On opening the window reads the five texts through the composer
// and counts the first five KM reports as that read-out; each report fills
// the edit of the memory it names, and of any whose text it changed. A text is written only when it is 1..50 printable ASCII
// characters without ';'.
#include "app/gui/windows/OptionDialog.h"

class QLineEdit;

namespace hrx::gui {

inline constexpr MsgId kMsgCwClosed = 0x85D7;
inline constexpr int kCwChannels = 5;

class CCwDlg final : public OptionDialog {
  Q_OBJECT

 public:
  explicit CCwDlg(MainWindowServices& window);
  void onEvent(MsgId id) override;
  QLineEdit* edit(int n) const { return edits_[n - 1]; }
  QLabel* note() const { return note_; }
  int readOutCount() const { return readOut_; }
  // Ch-n WR.
  void write(int n);

 private:
  void showMemory(int n, const QString& text);

  QLineEdit* edits_[kCwChannels];
  QLabel* note_;
  int readOut_ = 0;
  // Each memory's text as last taken from the store: a reply decoded
  // before its event was taken shows as a change.
  QString taken_[kCwChannels];
};

}  // namespace hrx::gui
