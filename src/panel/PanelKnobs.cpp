// The eight knob controls: the sampled-disc hit test, focus, and the step
// each click, repeat or wheel notch makes.
#include <array>
#include <cmath>
#include <iterator>
#include <vector>

#include "panel/PanelCtrl.h"
#include "state/MenuListItem.h"

namespace hrx::panel {

namespace {

constexpr double kDegToRad = 0.01745328888888889;
constexpr int kInnerRadius = 15;
constexpr int kOuterRadius = 27;

struct KnobHit {
  int id;
  int cx, cy;
  int r;
};
// In the order of the test: the first hit wins.
constexpr KnobHit kKnobHits[] = {
    {14, 140, 285, kInnerRadius}, {15, 140, 285, kOuterRadius}, {16, 254, 285, kInnerRadius},
    {17, 254, 285, kOuterRadius}, {18, 367, 285, kInnerRadius}, {19, 367, 285, kOuterRadius},
    {20, 480, 285, kInnerRadius}, {21, 480, 285, kOuterRadius},
};

struct FocusRow {
  int id;
  int index;
};
constexpr FocusRow kFocusTable[] = {
    {132, 0},  {133, 1},  {134, 2},  {135, 3},  {136, 4},  {137, 5},  {138, 6},  {140, 7},  {141, 8},  {148, 9},
    {147, 10}, {149, 11}, {150, 12}, {142, 13}, {143, 14}, {144, 15}, {145, 16}, {151, 17}, {152, 18}, {139, 19},
    {220, 20}, {221, 21}, {14, 22},  {15, 23},  {16, 24},  {17, 25},  {18, 26},  {19, 27},  {20, 28},  {21, 29},
    {0, 0},
};

// Where a control's value comes from.
enum class Src : std::uint8_t { None, Mic, Keyer, Proc, Carrier, Notch, Contour, Apf, Shift, Width, Af, Rf, Sql };
struct StepRow {
  Src src;
  std::int32_t min, max;
  int repeat;
  int click;
  int wheel;
};
constexpr StepRow kStepRows[] = {
    {Src::None, 0, 0, 0, 0, 0},       {Src::Mic, 0, 100, 10, 1, 20},     {Src::Keyer, 4, 60, 3, 1, 5},
    {Src::Proc, 0, 100, 10, 1, 20},   {Src::Carrier, 5, 100, 10, 1, 20}, {Src::Notch, 1, 400, 3, 1, 1},
    {Src::Contour, 1, 40, 2, 1, 5},   {Src::Apf, 0, 50, 2, 1, 5},        {Src::Shift, -1000, 1000, 5, 1, 10},
    {Src::Width, 1, 25, 1, 1, 1},     {Src::Af, 0, 255, 10, 1, 20},      {Src::Rf, 0, 255, 10, 1, 20},
    {Src::Sql, 0, 255, 10, 1, 20},
};

const StepRow& rowOf(Src s) { return kStepRows[static_cast<int>(s)]; }

// What each source is called where the knob is read out, by Src.
constexpr const char* kSourceNames[] = {"",          "MIC gain", "keyer speed", "processor level", "carrier level",
                                        "notch",     "contour",  "APF",         "IF shift",        "width",
                                        "AF gain",   "RF gain",  "squelch"};
static_assert(std::size(kSourceNames) == std::size(kStepRows));

bool micMode(std::int32_t m) {
  return m == 1 || m == 2 || m == 4 || m == 5 || m == 8 || m == 10 || m == 11 || m == 12 || m == 13;
}

// The row for control `id` in the radio's present mode and functions.
Src sourceOf(int id, const RadioState& st) {
  const std::int32_t mode = st.get_VS_Stat() != 0 ? st.get_MD_Sub() : st.get_MD_Main();
  switch (id) {
    case 14:
      if (micMode(mode)) return Src::Mic;
      if (mode == 3 || mode == 7) return Src::Keyer;
      return Src::None;
    case 15: return mode == 1 || mode == 2 ? Src::Proc : Src::Carrier;
    case 16: return Src::Notch;
    case 17:
      if (st.get_CO_Main_On() == 0) return Src::None;
      if (st.get_CO_Main_OnKind() == 1) return Src::Contour;
      if (st.get_CO_Main_OnKind() == 2) return Src::Apf;
      return Src::None;
    case 18: return Src::Shift;
    case 19: return Src::Width;
    case 20: return Src::Af;
    case 21: {
      MenuListItem item;
      return st.get_MenuItem(36, &item) && item.value != 0 ? Src::Sql : Src::Rf;
    }
    default: return Src::None;
  }
}

std::int32_t valueOf(Src s, const RadioState& st) {
  switch (s) {
    case Src::Mic: return st.get_MG_Value();
    case Src::Keyer: return st.get_KS_Value();
    case Src::Proc: return st.get_PL_Value();
    case Src::Carrier: return st.get_PC_Value();
    case Src::Notch: return st.get_BP_Main_Level();
    case Src::Contour: return st.get_CO_Main_Level1();
    case Src::Apf: return st.get_CO_Main_Level2();
    case Src::Shift: return st.get_IS_Main();
    case Src::Width: return st.get_SH_Main();
    case Src::Af: return st.get_AG_Main();
    case Src::Rf: return st.get_RG_Main();
    case Src::Sql: return st.get_SQ_Main();
    case Src::None: break;
  }
  return 0;
}

// The points a disc of radius r reaches, computed once per radius.
struct DiscMask {
  int r;
  std::vector<bool> bits;
  DiscMask(int radius) : r(radius), bits(static_cast<std::size_t>((2 * radius + 1) * (2 * radius + 1))) {
    for (int rho = radius; rho >= 0; --rho)
      for (int deg = 0; deg < 360; ++deg) {
        const double t = deg * kDegToRad;
        const int dx = static_cast<int>(rho * std::sin(t));
        const int dy = -static_cast<int>(rho * std::cos(t));
        bits[static_cast<std::size_t>((dy + r) * (2 * r + 1) + dx + r)] = true;
      }
  }
  bool has(int dx, int dy) const {
    if (dx < -r || dx > r || dy < -r || dy > r) return false;
    return bits[static_cast<std::size_t>((dy + r) * (2 * r + 1) + dx + r)];
  }
};

const DiscMask& maskOf(int r) {
  static const DiscMask k15(15), k27(27), k33(33);
  if (r == 15) return k15;
  if (r == 27) return k27;
  return k33;
}

}  // namespace

bool discHit(int x, int y, int cx, int cy, int r) {
  if (r == 15 || r == 27 || r == 33) return maskOf(r).has(x - cx, y - cy);
  const DiscMask m(r);
  return m.has(x - cx, y - cy);
}

int findKnob(int x, int y) {
  for (const KnobHit& k : kKnobHits)
    if (discHit(x, y, k.cx, k.cy, k.r)) return k.id;
  return 0;
}

bool knobSetting(int id, const RadioState& st, const char** what, std::int32_t* value) {
  const Src src = sourceOf(id, st);
  if (src == Src::None) return false;
  *what = kSourceNames[static_cast<int>(src)];
  *value = valueOf(src, st);
  return true;
}

int knobFocusIndex(int id) {
  for (const FocusRow* f = kFocusTable; f->id != 0; ++f)
    if (f->id == id) return f->index;
  return -1;
}

void PanelCtrl::knobClick(int id) {
  if (knobFocused() && opStats_ != id) {
    unfocusKnob();
    focusKnob(id);
  } else if (digitChosen()) {
    endDigitChoice();
    focusKnob(id);
  } else {
    Ctrl_OpVolumeDial(id);
  }
}

void PanelCtrl::Ctrl_OpVolumeDial(int id) {
  if (opStats_ == id) unfocusKnob();
  else if (opStats_ == 0) focusKnob(id);
}

void PanelCtrl::focusKnob(int id) {
  repeatSuppressed_ = false;
  opStats_ = id;
  Ctrl_ReqVolumeDialFocusDisp(id, true);
  startRepeat(true);
}

void PanelCtrl::unfocusKnob() {
  host_.killTimer(kTimerRepeat);
  Ctrl_ReqVolumeDialFocusDisp(opStats_, false);
  opStats_ = 0;
}

void PanelCtrl::Ctrl_ReqVolumeDialFocusDisp(int id, bool focus) {
  const int index = knobFocusIndex(id);
  if (index < 0) return;
  host_.look(kMsgKnobFocus, focus ? 1 : 0, index);
}

std::int32_t PanelCtrl::Ctrl_OpVolumeDialStep(int id, bool leftButton, bool repeat, bool wheel) {
  if (repeat && !repeatSuppressed_) {
    host_.killTimer(kTimerRepeat);
    repeatSuppressed_ = true;
    host_.setTimer(kTimerRepeat, kRepeatMs);
  }
  const RadioState* st = host_.radio();
  if (st == nullptr) return 0;
  const Src src = sourceOf(id, *st);
  if (src == Src::None) return 0;
  const StepRow& row = rowOf(src);
  const int base = wheel ? row.wheel : row.click;
  const int k = (repeat ? 1 : 0) * row.repeat;
  const int step = k != 0 ? k * base : base;
  const std::int32_t v = valueOf(src, *st);
  const std::int32_t next = leftButton ? v - step : v + step;
  if (next > row.max) return row.max;
  if (next < row.min) return row.min;
  return next;
}

void PanelCtrl::sendKnobStep(bool leftButton, bool repeat, bool wheel) {
  if (!knobFocused()) return;
  volStep_ = Ctrl_OpVolumeDialStep(opStats_, leftButton, repeat, wheel);
  Ctrl_ReqAnlSend(opStats_, vfoFlag_);
}

}  // namespace hrx::panel
