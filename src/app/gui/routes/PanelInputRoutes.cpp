// The panel's input on the main window: the message that brings the VFO SET
// entry's result back, soft key 8's long push, the chosen digits and the
// knob captions.
#include "app/gui/MainWindowServices.h"
#include "app/gui/windows/VfoSetWindow.h"
#include "panel/KnobPointer.h"
#include "panel/SoftKeyLongPush.h"
#include "state/MenuListItem.h"

namespace hrx::gui {

namespace {

constexpr MsgId kLookSoftKey8 = 0x861B;
constexpr std::uint32_t kTimerBlinkId = 1234;

struct LongPushPart final : WindowPart {
  explicit LongPushPart(MainWindowServices& w)
      : push([&w](MsgId id, WParam v) {
          if (w.core() != nullptr) w.core()->postComposer(id, v, 0);
        }) {}
  panel::SoftKeyLongPush push;
  bool pressed = false;
};

std::int32_t rxMode(const RadioState& st) {
  const std::int32_t fr = st.get_FR_Stat();
  return fr == 4 || fr == 5 ? st.get_MD_Sub() : st.get_MD_Main();
}

// Soft key 8's look: besides its image, its press and release time the push.
LParam onSoftKey8Look(MainWindowServices& w, const Msg& m) {
  if (w.core() == nullptr) return 0;
  LongPushPart& p = w.part<LongPushPart>();
  const RadioState& st = w.core()->state();
  const bool press = m.w == 1;
  if (press == p.pressed) return 0;   // a redraw, not a change
  p.pressed = press;
  if (press) p.push.press(rxMode(st), st.get_SQ_Main());
  else p.push.release();
  // The push is timed on the blink ticks.
  if (press) w.wakeDisplayTimers();
  return 0;
}

LParam onBlinkTick(MainWindowServices& w, const Msg&) {
  if (w.core() == nullptr) return 0;
  LongPushPart& p = w.part<LongPushPart>();
  p.push.tick(rxMode(w.core()->state()));
  if (p.pressed) w.keepTicking();
  return 0;
}

// ---- what the panel's choices look like (small, for the drawing's owner) ----

LParam onMainDigitChosen(MainWindowServices& w, const Msg& m) {
  w.renderer().setChosenMainDigit(static_cast<int>(m.w));
  if (w.core() != nullptr) w.renderer().DrawMainFrequency(w.core()->state(), w.core()->state().get_VfoA_Freq());
  return 0;
}

LParam onSubDigitChosen(MainWindowServices& w, const Msg& m) {
  w.renderer().setChosenVfoBDigit(static_cast<int>(m.w));
  if (w.core() != nullptr) w.renderer().DrawTFT_VFO_B(w.core()->state());
  return 0;
}

// Which of a control's two captions is meant now (MIC or SPEED, PROC or
// CAR, CONT or APF, RF or SQL).
int captionMeaning(int focusIndex, const RadioState& st) {
  const std::int32_t mode = st.get_VS_Stat() != 0 ? st.get_MD_Sub() : st.get_MD_Main();
  switch (focusIndex) {
    case 22: return mode == 3 || mode == 7 ? 1 : 0;
    case 23: return mode == 1 || mode == 2 ? 0 : 1;
    case 25: return st.get_CO_Main_OnKind() == 2 ? 1 : 0;
    case 29: {
      MenuListItem item;
      return st.get_MenuItem(36, &item) && item.value != 0 ? 1 : 0;
    }
    default: return 0;
  }
}

LParam onKnobFocus(MainWindowServices& w, const Msg& m) {
  const int index = static_cast<int>(m.l);
  const int which = w.core() != nullptr ? captionMeaning(index, w.core()->state()) : 0;
  const panel::Caption c = panel::captionFor(index, m.w == 1, which);
  if (c.bitmap != 0) w.renderer().surface().DrawBitmap(w.renderer().store().LoadBitmap(c.bitmap), c.x, c.y, render::kKeyMagenta);
  return 0;
}

LParam onVfoSetDone(MainWindowServices& w, const Msg& m) {
  w.closeVfoSetWindow(static_cast<std::int32_t>(m.w));
  return 0;
}

constexpr WindowRow kMessages[] = {
    {kMsgVfoSetDone, onVfoSetDone},
    {kLookSoftKey8, onSoftKey8Look},
    {panel::kMsgMainDigitSet, onMainDigitChosen},
    {panel::kMsgSubDigitSet, onSubDigitChosen},
    {panel::kMsgKnobFocus, onKnobFocus},
};

constexpr WindowRow kTimers[] = {
    {kTimerBlinkId, onBlinkTick},
};

}  // namespace

extern const WindowRoutes kPanelInputRoutes{"panel input", kMessages, kTimers, {}};

}  // namespace hrx::gui
