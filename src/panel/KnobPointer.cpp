#include "panel/KnobPointer.h"

#include <algorithm>
#include <cmath>

#include "state/MenuListItem.h"

namespace hrx::panel {

namespace {

constexpr double kDegToRad = 0.01745328888888889;
constexpr int kStartDeg = 207;
constexpr int kWidthMax = 31;
constexpr int kWidthSweep = 270;

struct CaptionGroup {
  int x, y;
  int plain;
  int first[2];    // the group's first control: its two meanings
  int second[2];   // the group's second control
};
// MIC/SPEED-PROC/CAR, NOTCH-CONT/APF, SHIFT-WIDTH, AF-RF/SQL.
constexpr CaptionGroup kCaptions[] = {
    {82, 232, 1938, {1935, 1937}, {1936, 1934}},
    {209, 233, 1942, {1941, 1941}, {1940, 1939}},
    {334, 232, 1946, {1944, 1944}, {1945, 1945}},
    {451, 232, 1933, {1947, 1947}, {1948, 1943}},
};
constexpr int kFirstPanelFocus = 22;

}  // namespace

int pointerAngle(PointerScale scale, std::int32_t v) {
  int f = 0;
  switch (scale) {
    case PointerScale::Mic: f = std::clamp(v, 0, 100) * (30400 / 100) / 100; break;
    case PointerScale::Keyer: f = (std::clamp(v, 4, 60) - 4) * (30400 / 56) / 100; break;
    case PointerScale::Proc: f = v * 304 / 100; break;
    case PointerScale::Carrier: f = (v - 5) * (30400 / 95) / 100; break;
    case PointerScale::Notch: f = std::clamp(v, 1, 400) * 76 / 100; break;
    case PointerScale::Contour: f = (v - 1) * (30400 / 39) / 100; break;
    case PointerScale::Apf: f = v * (30400 / 50) / 100; break;
    case PointerScale::Shift: f = (v + 1000) * 15 / 100; break;
    case PointerScale::Level: f = std::clamp(v, 0, 255) * 118 / 100; break;
    // Evenly spaced over the width indexes.
    case PointerScale::Width: f = std::clamp(v, 0, kWidthMax) * kWidthSweep / kWidthMax; break;
  }
  int a = kStartDeg + f;
  if (a > 360) a -= 360;
  return a;
}

PointerLine pointerLine(int cx, int cy, bool inner, int angleDeg) {
  const double t = angleDeg * kDegToRad;
  const int from = inner ? 11 : 20;
  const int to = inner ? 4 : 5;
  return {cx + static_cast<int>(from * std::sin(t)), cy - static_cast<int>(from * std::cos(t)),
          cx + static_cast<int>(to * std::sin(t)), cy - static_cast<int>(to * std::cos(t))};
}

int knobPointerAngle(int id, const RadioState& st) {
  const std::int32_t mode = st.get_VS_Stat() != 0 ? st.get_MD_Sub() : st.get_MD_Main();
  switch (id) {
    case 14:
      if (mode == 3 || mode == 7) return pointerAngle(PointerScale::Keyer, st.get_KS_Value());
      return pointerAngle(PointerScale::Mic, st.get_MG_Value());
    case 15:
      if (mode == 1 || mode == 2) return pointerAngle(PointerScale::Proc, st.get_PL_Value());
      return pointerAngle(PointerScale::Carrier, st.get_PC_Value());
    case 16: return pointerAngle(PointerScale::Notch, st.get_BP_Main_Level());
    case 17:
      if (st.get_CO_Main_OnKind() == 2) return pointerAngle(PointerScale::Apf, st.get_CO_Main_Level2());
      return pointerAngle(PointerScale::Contour, st.get_CO_Main_Level1());
    case 18: return pointerAngle(PointerScale::Shift, st.get_IS_Main());
    case 19: return pointerAngle(PointerScale::Width, st.get_SH_Main());
    case 20: return pointerAngle(PointerScale::Level, st.get_AG_Main());
    case 21: {
      MenuListItem item;
      const bool sql = st.get_MenuItem(36, &item) && item.value != 0;
      return pointerAngle(PointerScale::Level, sql ? st.get_SQ_Main() : st.get_RG_Main());
    }
    default: return 0;
  }
}

Caption captionFor(int focusIndex, bool focused, int which) {
  const int k = focusIndex - kFirstPanelFocus;
  if (k < 0 || k >= 8) return {0, 0, 0};
  const CaptionGroup& g = kCaptions[k / 2];
  if (!focused) return {g.x, g.y, g.plain};
  const int w = which == 1 ? 1 : 0;
  return {g.x, g.y, k % 2 == 0 ? g.first[w] : g.second[w]};
}

}  // namespace hrx::panel
