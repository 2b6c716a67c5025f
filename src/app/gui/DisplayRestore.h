#pragma once
// The whole panel drawn from the stored state: once at the display start,
// and again as the restore after the picture was lost. Keeps the logs of the
// last of each for the tests; made and owned by the main window, working
// only through its services, on the GUI thread.
#include <vector>

#include "platform/Messages.h"

namespace hrx::gui {

class MainWindowServices;

class DisplayRestore {
 public:
  explicit DisplayRestore(MainWindowServices& w) : w_(w) {}
  void Disp_Start();
  void Disp_Restore();
  const std::vector<Msg>& startLog() const { return startLog_; }
  const std::vector<Msg>& restoreLog() const { return restoreLog_; }
  int restoreCount() const { return restoreCount_; }

 private:
  MainWindowServices& w_;
  std::vector<Msg> startLog_;
  std::vector<Msg> restoreLog_;
  int restoreCount_ = 0;
};

}  // namespace hrx::gui
