// While the radio's device is missing the panel must not look as if the
// radio were there: the power and COM lamps are dark, the main frequency
// display is blank (as the radio's own display when it is off) and the meter
// needle rests at zero. The stored state is left alone, so the panel shows
// the radio's values again as soon as the link is back on.
#include "analysis/AnalyserMessages.h"
#include "app/Station.h"
#include "app/gui/MainWindowServices.h"
#include "render/PanelSurface.h"

namespace hrx::gui {

namespace {

struct MissingPart final : WindowPart {
  explicit MissingPart(MainWindowServices&) {}
  bool notCurrent = false;
};

void drawNotCurrent(MainWindowServices& w) {
  render::PanelRenderer& r = w.renderer();
  {
    const render::DamageBatch batch(
        r.surface(), QRect(render::kMainDigitX[0], render::kMainDigitY,
                           render::kMainDigitX[7] + render::kMainDigitWidth - render::kMainDigitX[0],
                           render::kMainDigitHeight));
    for (int i = 0; i < 8; ++i) r.DrawMainDigit(render::kGlyphBlank, i, false);
    for (int x : {render::kMainMhzPointX, render::kMainKhzPointX})
      r.surface().DrawBitmap(
          render::BitmapSlot{r.store().LoadBitmap(render::kMainPointBlank), x, render::kMainPointY, 4, 4});
  }
  r.drawSwitch(render::Switch::OnOff, 0);
  r.drawSwitch(render::Switch::Com, 0);
}

LParam onRadioMissing(MainWindowServices& w, const Msg& m) {
  if (m.w == 0) return 0;   // the look stays until the link is on again
  MissingPart& p = w.part<MissingPart>();
  p.notCurrent = true;
  drawNotCurrent(w);
  w.RequestMeterRedraw(0);
  return 0;
}

LParam onAi(MainWindowServices& w, const Msg&) {
  MissingPart& p = w.part<MissingPart>();
  if (!p.notCurrent || w.core() == nullptr || w.core()->state().get_AI_Stat() != 1) return 0;
  p.notCurrent = false;
  // Everything drawn again from the stored state, which the read-out now
  // brings up to date.
  w.startWindowTimer(kTimerDispRestore, 30);
  return 0;
}

// The frequency display's own refresh and a whole restore would show the
// stored values again; while they are not current the look is laid over.
LParam onRedraw(MainWindowServices& w, const Msg&) {
  if (w.part<MissingPart>().notCurrent) drawNotCurrent(w);
  return 0;
}

LParam onRestore(MainWindowServices& w, const Msg& m) {
  if (!w.part<MissingPart>().notCurrent) return 0;
  onRedraw(w, m);
  w.RequestMeterRedraw(0);
  return 0;
}

constexpr WindowRow kMessages[] = {
    {kMsgRadioMissing, onRadioMissing},
    {WM_ANL_EVT_AI, onAi},
    {WM_ANL_EVT_FA, onRedraw},
    {WM_ANL_EVT_PS, onRedraw},
};

constexpr WindowRow kTimers[] = {
    {kTimerMainFreq, onRedraw},
    {kTimerDispRestore, onRestore},
};

}  // namespace

extern const WindowRoutes kRecoveryRoutes{"recovery", kMessages, kTimers, {}};

}  // namespace hrx::gui
