// A screen reader hears what a report changed on the panel: after every
// reply's own rows have drawn it, the panel's elements whose names, values
// or states moved raise their accessibility events. The keyboard ring is
// made with the first display. The end of the link's read-out is said.
#include "analysis/AnalyserMessages.h"
#include "app/Station.h"
#include "app/gui/MainWindowServices.h"
#include "app/gui/widgets/PanelAccess.h"
#include "composer/Composer.h"

namespace hrx::gui {

namespace {

LParam onReply(MainWindowServices& w, const Msg&) {
  w.part<PanelAccess>().tellChanges();
  return 0;
}

LParam onReadOutDone(MainWindowServices& w, const Msg&) {
  w.part<PanelAccess>().readOutDone();
  return 0;
}

LParam onDisplayStart(MainWindowServices& w, const Msg&) {
  w.part<PanelAccess>();
  return 0;
}

constexpr WindowRow kMessages[] = {
#define HRX_REPLY(code, event, length) {WM_ANL_EVT_##code, onReply},
#include "state/ReplyCodes.def"
#undef HRX_REPLY
    {WM_ANL_EVT_EX, onReply},
    // A missing radio darkens the link's lamp without a reply.
    {kMsgRadioMissing, onReply},
    {kMsgReadOutDone, onReadOutDone},
};

constexpr WindowRow kTimers[] = {
    {kTimerDispStart, onDisplayStart},
};

}  // namespace

extern const WindowRoutes kAccessRoutes{"accessibility", kMessages, kTimers, {}};

}  // namespace hrx::gui
