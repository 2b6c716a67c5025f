#pragma once
// Repeater: the CTCSS mode, tone and shift of the side the radio operates
// on when the window opens, with buttons that set them through the
// composer; Freq picks the tone from the CTCSS Tone Frequency list.
#include "app/gui/windows/OptionDialog.h"

class QListWidget;

namespace hrx::gui {

inline constexpr MsgId kMsgRepeaterClosed = 0x85D8;

// The 50 tones with OK and CANCEL; opened window-modal over its parent.
class CToneListDlg final : public QDialog {
  Q_OBJECT

 public:
  CToneListDlg(QWidget* parent, int selected);
  QListWidget* list() const { return list_; }
  // The chosen CN value, or -1.
  int chosen() const;

 private:
  QListWidget* list_;
};

class CRepeaterDlg final : public OptionDialog {
  Q_OBJECT

 public:
  explicit CRepeaterDlg(MainWindowServices& window);
  void onEvent(MsgId id) override;
  bool subSide() const { return sub_; }
  QLabel* sideLabel() const { return side_; }
  QLabel* modeLabel() const { return mode_; }
  QLabel* toneLabel() const { return tone_; }
  QLabel* shiftLabel() const { return shift_; }
  // The tone list opened by Freq, while it is open.
  CToneListDlg* toneList() const { return toneList_; }

 private:
  void openToneList();
  bool sub_ = false;
  QLabel* side_;
  QLabel* mode_;
  QLabel* tone_;
  QLabel* shift_;
  CToneListDlg* toneList_ = nullptr;
};

}  // namespace hrx::gui
