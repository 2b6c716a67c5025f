#pragma once
// The program's command line.
#include <QString>
#include <QStringList>

#include "share/ShareServer.h"

namespace hrx::gui {

struct CommandLine {
  enum class Action { Run, Help, Version, Error };
  Action action = Action::Run;
  QString device;       // empty: the port settings decide
  bool simulate = false;
  bool instantLine = false;  // the simulated radio reads and answers at once
  QString screenshot;   // empty: no screenshot
  QString dumpState;    // empty: no state dump at the end of standard input
  bool share = false;   // --share: the sharing server from the start
  share::ShareConfig shareConfig;  // --share=ADDR:PORT, --share-allow
  // --save-setup, --compare-setup, --restore-setup FILE: connect, wait for
  // the read-out, do it without a window and exit.
  enum class Setup { None, Save, Compare, Restore };
  Setup setup = Setup::None;
  QString setupFile;
  QString message;      // help, version or error text
};

// `arguments` includes the program name first.
CommandLine parseCommandLine(const QStringList& arguments);
// Whether `path` can be opened as the serial device; the reason when not.
bool deviceUsable(const QString& path, QString* reason);

}  // namespace hrx::gui
