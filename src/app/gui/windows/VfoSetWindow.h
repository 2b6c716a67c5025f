#pragma once
// VFO SET: the modeless frequency-entry window that ENT opens. The band
// keys type digits into it; it reports back to the main window with 0x85CC
// and the frequency in Hz, or 0 when cancelled.
#include <QDialog>
#include <cstdint>

#include "platform/MainWindowPort.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace hrx::gui {

inline constexpr MsgId kMsgVfoSetDone = 0x85CC;
inline constexpr int kVfoSetMaxDigits = 8;
inline constexpr const char* kVfoSetCaption = "VFO SET";
inline constexpr const char* kString102 = "Please enter the operating frequency.";
inline constexpr const char* kString103 = "The entry range is 30000 - 56000000.";
inline constexpr const char* kString104 = "The input range is incorrect.";

// The text's frequency, or 0 when it is not a number.
std::int32_t parseEntry(const QString& text);

class VfoSetWindow final : public QDialog {
 public:
  VfoSetWindow(MainWindowPort& owner, QWidget* parent);

  // One keypad digit 0..9; ignored once the edit holds 8 characters.
  void appendDigit(int digit);
  QLineEdit* edit() const { return edit_; }
  QPushButton* okButton() const { return ok_; }
  // The message box of an out-of-range entry, while it is shown.
  QWidget* rangeNotice() const;

  void accept() override;
  void reject() override;

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  void finish(std::int32_t hz);

  MainWindowPort& owner_;
  QLineEdit* edit_ = nullptr;
  QPushButton* ok_ = nullptr;
  QWidget* notice_ = nullptr;
  bool finished_ = false;
};

}  // namespace hrx::gui
