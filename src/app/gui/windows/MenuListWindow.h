#pragma once
// The menu list: every set-up menu item of the radio on one line, edited one
// at a time in a chooser or a text entry. Edits stay in the window's own
// copy of the catalogue until OK, which stores them and has the composer
// write them in one menu write.
#include <QDialog>
#include <memory>
#include <string>
#include <vector>

#include "menulist/MenuCatalogue.h"
#include "platform/Messages.h"
#include "state/MenuListItem.h"

class QLabel;
class QLineEdit;
class QListWidget;

namespace hrx::gui {

class MainWindowServices;

inline constexpr MsgId kMsgMenuListEnd = 0x85D3;   // w = 1 when OK applied a change
inline constexpr int kMenuTextMax = 12;
inline constexpr const char* kInvalidTextMessage = "Invaliid input text.";
inline constexpr const char* kInvalidTextCaption = "RCP-900";
inline constexpr const char* kMenuUpdatedText = "Update the menu setting.\nPlease close and open the menu window.";
// Drawn again after a change: the panel area that shows menu settings.
inline constexpr int kMenuAreaLeft = 153, kMenuAreaTop = 112, kMenuAreaRight = 321, kMenuAreaBottom = 142;

// "%03d  %s", with "  (%s)" and the unit when asked for and the item has one.
std::string menuTitle(const MenuListItem& item, bool withUnit);
// Text MY CALL may take: printable ASCII without ';' (a ';' would end the EX
// command early), at most 12 characters, not empty.
bool menuTextAcceptable(const QString& text);

// The chooser, "MENU LIST SETTING": the entries of the item's value class,
// the current one in red; OK or a double click takes the selected one.
class CMenuListSettingDlg final : public QDialog {
  Q_OBJECT

 public:
  CMenuListSettingDlg(MenuListItem& item, QWidget* parent);
  int cur() const { return cur_; }
  QListWidget* list() const { return list_; }

 private:
  void takeSelected();
  MenuListItem& item_;
  std::vector<std::string> entries_;
  int cur_ = -1;
  QListWidget* list_;
};

// The text entry for MY CALL.
class CMenuListTextDlg final : public QDialog {
  Q_OBJECT

 public:
  CMenuListTextDlg(MenuListItem& item, QWidget* parent);
  QLineEdit* edit() const { return edit_; }

 private:
  void takeText();
  MenuListItem& item_;
  QLineEdit* edit_;
};

// The list window, "MENU LIST". One object for the life of the main window:
// the selected line is remembered from one opening to the next.
class CMenuListDlg final : public QDialog {
  Q_OBJECT

 public:
  explicit CMenuListDlg(MainWindowServices& w);

  // Copies the catalogue, builds the lines and selects the remembered one.
  void fill();
  // Opens the editor of the selected line (double click, Enter).
  void editSelected();
  // OK: the changes stored and written, the CAT RATE follow-up, then the
  // end message. Runs as timer steps; the window is hidden meanwhile.
  void apply();
  void cancel();
  bool applying() const { return applying_; }
  int sel() const { return sel_; }
  QListWidget* list() const { return list_; }
  // The chooser or text entry now open, or null.
  QDialog* editor() const { return editor_; }
  const MenuListItem& copyOf(int row) const { return items_[static_cast<std::size_t>(row)]; }

 protected:
  bool eventFilter(QObject* o, QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void reject() override { cancel(); }

 private:
  void end(bool changed);
  MainWindowServices& w_;
  std::unique_ptr<MenuListItem[]> items_;
  int count_ = 0;
  int sel_ = 0;
  bool aiAtOpen_ = false;
  bool applying_ = false;
  QListWidget* list_;
  QDialog* editor_ = nullptr;
};

// The list window while it is open over the main window, or null.
CMenuListDlg* shownMenuList(MainWindowServices& w);

}  // namespace hrx::gui
