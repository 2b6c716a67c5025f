// The TFT screen's own timers: the 100 ms blink timer of the temporary value
// displays, the bar meter's peak hold and the polled pass-band pictures.
#include "app/gui/routes/DisplayPart.h"

namespace hrx::gui {

namespace {

LParam onBlink(MainWindowServices& w, const Msg&) {
  w.renderer().OnBlinkTimer(displayState(w));
  return 0;
}

LParam onPeakHold(MainWindowServices& w, const Msg&) {
  // A held peak that ran out drops to the live level; with none held the
  // timer rests until a meter draw holds one again.
  if (w.renderer().peakHoldTick()) w.RequestMeterRedraw(w.lastMeterValue());
  else if (!w.renderer().peakHeld()) w.killWindowTimer(kTimerPeakHold);
  return 0;
}

void passBand(MainWindowServices& w, int side) {
  if (displayState(w).get_AI_Stat() == 1) w.renderer().drawPassBand(side, displayState(w));
}

LParam onPassBandMain(MainWindowServices& w, const Msg&) {
  passBand(w, 0);
  return 0;
}

LParam onPassBandSub(MainWindowServices& w, const Msg&) {
  passBand(w, 1);
  return 0;
}

constexpr WindowRow kTimers[] = {
    {kTimerBlink, onBlink},
    {kTimerPeakHold, onPeakHold},
    {kTimerPassBandMain, onPassBandMain},
    {kTimerPassBandSub, onPassBandSub},
};

}  // namespace

extern const WindowRoutes kTftRoutes{"tft screen", {}, kTimers, {}};

}  // namespace hrx::gui
