#pragma once
// What the display routes share: the window values of the reply handlers
// and the few drawing steps several of them take.
#include "app/gui/MainWindowServices.h"

namespace hrx::gui {

struct DisplayPart final : WindowPart {
  explicit DisplayPart(MainWindowServices&) {}
  int lastSMeter = 0;      // redrawn when the radio goes off or disconnects
  int lastMgShown = -1;    // MG's temporary display starts again only on change
  // Set by the panel while it shows a mode of its own; stop the IF and OI
  // handlers from copying the reply's mode.
  bool inhibitMainMode = false;
  bool inhibitSubMode = false;
  // The window is redrawing itself from the stored state (display start or
  // restore): the once-per-reply steps are left out.
  bool restoring = false;
};

// The stored state; a window without a core draws from an empty one.
const RadioState& displayState(MainWindowServices& w);
// True for a message that came from a reply rather than from a redraw.
bool fromReply(MainWindowServices& w, const Msg& m);
// Redraws one look message's element in its released state.
void redrawLook(MainWindowServices& w, MsgId look);
void drawMeterFromReply(MainWindowServices& w);
// The whole TFT screen: soft keys, block icons (asked for), pass-band
// column, indicator row, bar display.
void DrawTFT_Image(MainWindowServices& w);
void redrawVfoDisplays(MainWindowServices& w);

}  // namespace hrx::gui
