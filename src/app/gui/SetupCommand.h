#pragma once
// The command line's set-up forms without a window: the link is switched on
// once the catalogue is loaded, the read-out is waited for (timer steps),
// then the file is saved, compared or restored. Results go to standard
// output, faults to standard error; `done` gets the exit status: 0 saved,
// no difference or all confirmed; 1 differences or items not confirmed;
// 2 when it could not be done (file refused, no read-out, write failed).
#include <QObject>
#include <QString>
#include <functional>

#include "app/gui/CommandLine.h"
#include "menulist/SetupFile.h"

namespace hrx::gui {

class QtMainWindow;
class SetupRestorer;

inline constexpr int kSetupReadOutLimitMs = 60000;
inline constexpr int kSetupPollMs = 100;

class SetupCommand final : public QObject {
  Q_OBJECT

 public:
  SetupCommand(QtMainWindow& w, CommandLine::Setup form, QString file, std::function<void(int)> done);
  // False (status 2 already given) when the file to compare or restore is
  // refused before anything is opened.
  bool start();

 private:
  void tick();
  void run();
  void end(int status);

  QtMainWindow& w_;
  CommandLine::Setup form_;
  QString path_;
  std::function<void(int)> done_;
  SetupFile file_;
  int waitedMs_ = 0;
  int answersWaitedMs_ = 0;
  bool comRequested_ = false;
  SetupRestorer* restorer_ = nullptr;
};

}  // namespace hrx::gui
