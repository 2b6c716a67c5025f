// Setup / Save radio set-up and Compare radio with file: the menu entries
// of the set-up files (the windows: windows/SetupWindows).
#include "app/gui/MainWindowServices.h"
#include "app/gui/windows/SetupWindows.h"

namespace hrx::gui {

namespace {

LParam onSaveSetup(MainWindowServices& w, const Msg&) {
  saveRadioSetup(w);
  return 0;
}

LParam onCompareSetup(MainWindowServices& w, const Msg&) {
  compareRadioWithFile(w);
  return 0;
}

constexpr WindowRow kCommands[] = {
    {kCmdSaveSetup, onSaveSetup},
    {kCmdCompareSetup, onCompareSetup},
};

}  // namespace

extern const WindowRoutes kSetupRoutes{"set-up files", {}, {}, kCommands};

}  // namespace hrx::gui
