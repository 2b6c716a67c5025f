#pragma once
// The main window's keyboard commands: while the main window is active, a
// function or cursor key in the slot table sends its line of RCPKSDEF.txt
// (read again at each press) command by command, spaced by main-window
// timer 30; F1 opens the Version window. Other keys go their usual way. A
// missing file makes the keys do nothing. GUI thread only.
#include <QObject>
#include <QString>

#include "app/KeyCommands.h"
#include "app/gui/routes/WindowRoutes.h"

namespace hrx::gui {

class MainWindowServices;

class KeyCommandFilter final : public QObject, public WindowPart {
 public:
  explicit KeyCommandFilter(MainWindowServices& window);
  ~KeyCommandFilter() override;
  // The key file: RCPKSDEF.txt in the settings folder's CommoFiles, beside
  // CommSetting.csv, unless set (empty: that one again).
  void setKeyFile(const QString& path) { path_ = path; }
  QString keyFile() const;
  bool sending() const { return sender_.busy(); }
  // Timer 30: the next command of the line.
  void sendNext();

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  // True when the key was a keyboard command (handled); with
  // `onlyIfBound`, only when the key file has a line for it.
  bool onKey(int qtKey, Qt::KeyboardModifiers mods, bool onlyIfBound = false);

  MainWindowServices& w_;
  QString path_;
  KeyLineSender sender_;
};

}  // namespace hrx::gui
