#pragma once
// The Version window: the product line and this program's own version,
// shown window-modal over the main window and gone when closed.
#include <QDialog>

namespace hrx::gui {

inline constexpr const char* kVersionCaption = "Version information of RCP for HRX900";
inline constexpr const char* kVersionText = "RCP-900 Version 1.01";

class CVersionDlg final : public QDialog {
  Q_OBJECT

 public:
  explicit CVersionDlg(QWidget* parent);
  // The program's version, as --version prints it.
  static QString programVersion();
};

// Opens the window over `parent` without waiting for it to close.
CVersionDlg* openVersionWindow(QWidget* parent);

}  // namespace hrx::gui
