#pragma once
// The base of the main window's modeless small windows: built over the main
// window, sized from the template's dialog units in the desktop's font, and
// ended by reporting to the main window with the window's own close
// message, which destroys it. GUI thread only.
#include <QDialog>

#include "platform/Messages.h"

class QLabel;
class QPushButton;

namespace hrx::gui {

class MainWindowServices;

// Template dialog units in pixels of `w`'s font (4 units a character's
// width, 8 its height).
QSize dialogUnits(const QWidget& w, int x, int y);
// A large read-out: 50 pixels of Arial at the desktop's 96 dpi, black on
// white.
void makeValueLabel(QLabel& label);
void setTextColour(QLabel& label, const QColor& colour);
// A control is found by its template id, as its object name.
QString controlName(int id);

class OptionDialog : public QDialog {
 public:
  OptionDialog(MainWindowServices& window, const char* caption, MsgId closeMsg, int widthDu, int heightDu);
  // Reports the end once: hides and posts the close message.
  void finish();
  bool finished() const { return finished_; }
  // An analyser event the main window forwards while the window is open.
  virtual void onEvent(MsgId) {}

 protected:
  // The close box and Escape end the window through finish().
  void reject() override;
  // A button with its template id that posts `op` for the main side.
  QPushButton* opButton(int id, const QString& text, int op);
  // Posts composer operation `op`.
  void request(int op, bool subSide = false, std::int32_t value = 0);
  MainWindowServices& w_;

 private:
  MsgId closeMsg_;
  bool finished_ = false;
};

}  // namespace hrx::gui
