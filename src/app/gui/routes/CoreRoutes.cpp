// The window's own rows: notices, the way out, the busy window, the
// start-up timers.
#include "analysis/AnalyserMessages.h"
#include "app/gui/MainWindowServices.h"
#include "composer/Composer.h"

namespace hrx::gui {

namespace {

LParam onNotice(MainWindowServices& w, const Msg& m) {
  w.showNotice(static_cast<int>(m.l), m.w != 0);
  return 0;
}

LParam onExitRequest(MainWindowServices& w, const Msg&) {
  w.widget().close();
  return 0;
}

LParam onBusyClose(MainWindowServices& w, const Msg&) {
  if (BusyWindow* b = w.busyWindow()) b->readOutEnded();
  return 0;
}

LParam onAiTurnedOn(MainWindowServices& w, const Msg&) {
  w.panel().Ctrl_OnEventHandle_AI();
  return 0;
}

LParam onDispStart(MainWindowServices& w, const Msg&) {
  w.Disp_Start();
  return 0;
}

LParam onDispRestore(MainWindowServices& w, const Msg&) {
  w.Disp_Restore();
  return 0;
}

LParam onSplash(MainWindowServices& w, const Msg&) {
  w.closeSplash();
  return 0;
}

LParam onExit(MainWindowServices& w, const Msg&) {
  w.sendMessage(kMsgExitRequest, 0, 0);
  return 0;
}

constexpr WindowRow kMessages[] = {
    {kMsgNotice, onNotice},
    {kMsgExitRequest, onExitRequest},
    {kMsgBusyClose, onBusyClose},
    {kMsgAiTurnedOn, onAiTurnedOn},
};

constexpr WindowRow kTimers[] = {
    {kTimerDispStart, onDispStart},
    {kTimerDispRestore, onDispRestore},
    {kTimerSplash, onSplash},
};

constexpr WindowRow kCommands[] = {
    {kCmdExit, onExit},
};

}  // namespace

extern const WindowRoutes kCoreRoutes{"core", kMessages, kTimers, kCommands};

}  // namespace hrx::gui
