// The display start and the restore: the messages the window sends itself to draw the whole panel.
#include "app/gui/DisplayRestore.h"

#include <iterator>

#include "app/gui/MainWindowServices.h"
#include "app/gui/routes/DisplayPart.h"

namespace hrx::gui {

namespace {

struct SelfMsg {
  MsgId id;
  WParam w;
};
// Disp_Start: the whole panel drawn once from the stored state.
constexpr SelfMsg kDispStartEvents[] = {
    {0x833A, 0}, {0x8333, 0}, {0x8334, 0}, {0x831B, 0}, {0x830F, 0}, {0x8317, 0}, {0x8313, 0},   {0x8301, 0},
    {0x8311, 0}, {0x830A, 0}, {0x8312, 0}, {0x8310, 0}, {0x8327, 0}, {0x8314, 0}, {0x831E, 0},   {0x8315, 0},
    {0x831C, 0}, {0x8318, 0}, {0x8309, 0}, {0x830C, 0}, {0x830D, 0}, {0x8331, 0}, {0x8348, 0},   {0x8306, 0},
    {0x8303, 0}, {0x8302, 0}, {0x832D, 0}, {0x834A, 0}, {0x8332, 0}, {0x8304, 0}, {0x8323, 0},   {0x8322, 0},
    {0x832A, 0}, {0x8326, 0}, {0x8328, 0}, {0x832B, 0}, {0x832F, 0}, {0x8330, 0}, {0x8305, 0},   {0x8307, 0},
    {0x8346, 0}, {0x832E, 0}, {0x834D, 0}, {0x8321, 0}, {0x8355, 0}, {0x833E, 0}, {0x85C8, 0},   {0x85CB, 360},
    {0x85D4, 360}, {0x85D5, 360}, {0x857A, 0}, {0x857D, 0}, {0x857E, 0}, {0x857F, 0}, {0x8580, 0}, {0x8581, 0},
    {0x8582, 0}, {0x8583, 0}, {0x8584, 0}, {0x8585, 0}, {0x8586, 0}, {0x8587, 0}, {0x8588, 0},   {0x8589, 0},
    {0x85DE, 0}, {0x85DF, 0}, {0x858A, 0}, {0x858B, 0}, {0x858C, 0}, {0x858D, 0}, {0x858E, 0},   {0x858F, 0},
    {0x8590, 0}, {0x8591, 0}, {0x85B6, 0}, {0x85B7, 0}, {0x85B8, 0}, {0x85B9, 0}, {0x85BA, 0},   {0x85BB, 0},
    {0x85BC, 0}, {0x85BD, 0}, {0x85AB, 0}, {0x85AC, 0}, {0x85AD, 0}, {0x85AE, 0}, {0x85AF, 0},   {0x85B0, 0},
    {0x85B1, 0}, {0x85B2, 0}, {0x85B3, 0}, {0x85B4, 0}, {0x85AA, 0}, {0x85B5, 0},
};
static_assert(std::size(kDispStartEvents) == 94);
constexpr MsgId kDispStartTail[] = {0x8345, 0x830E, 0x8337};

}  // namespace

void DisplayRestore::Disp_Start() {
  w_.killWindowTimer(kTimerDispStart);
  DisplayPart& display = w_.part<DisplayPart>();
  display.restoring = true;
  startLog_.clear();
  for (const SelfMsg& m : kDispStartEvents) {
    startLog_.push_back(Msg{m.id, m.w, 0});
    w_.sendMessage(m.id, m.w, 0);
  }
  w_.renderer().drawAllSwitches(0);
  for (MsgId id : kDispStartTail) {
    startLog_.push_back(Msg{id, 0, 0});
    w_.sendMessage(id, 0, 0);
  }
  display.restoring = false;
}

void DisplayRestore::Disp_Restore() {
  w_.killWindowTimer(kTimerDispRestore);
  ++restoreCount_;
  DisplayPart& display = w_.part<DisplayPart>();
  display.restoring = true;
  restoreLog_.clear();
  for (const SelfMsg& m : kDispStartEvents) {
    restoreLog_.push_back(Msg{m.id, m.w, 0});
    w_.sendMessage(m.id, m.w, 0);
  }
  for (MsgId id : kDispStartTail) {
    restoreLog_.push_back(Msg{id, 0, 0});
    w_.sendMessage(id, 0, 0);
  }
  DrawTFT_Image(w_);
  // The two strips at once as well: a restore runs because the picture was
  // lost, and the paint that follows finds nothing pending.
  if (CoreLink* core = w_.core(); core != nullptr) {
    w_.renderer().drawMainFastLock(core->state());
    w_.renderer().DrawTFT_BlockIcon(core->state());
    w_.renderer().drawMeterStrip(core->state(), w_.lastMeterValue());
  }
  display.restoring = false;
}

}  // namespace hrx::gui
