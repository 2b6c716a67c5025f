#include "panel/PanelDisplay.h"

#include <algorithm>
#include <iterator>

#include "state/PanelMirror.h"
#include "state/RadioState.h"

namespace hrx::panel {

namespace {

using R = LookRule;

constexpr LookRow kLooks[] = {
    {0x8578, R::LitAi, 0},     {0x8579, R::LitPs, 0},     {0x857A, R::Plain, 0},     {0x857B, R::LitMx, 0},
    {0x857C, R::LitVx, 0},     {0x857D, R::Plain, 0},     {0x857E, R::Plain, 0},     {0x857F, R::Plain, 0},
    {0x8580, R::LitMl, 0},     {0x8581, R::Plain, 0},     {0x8582, R::Plain, 0},     {0x8583, R::Plain, 0},
    {0x8584, R::Plain, 0},     {0x8585, R::Plain, 0},     {0x8586, R::Plain, 0},     {0x8587, R::Plain, 0},
    {0x8588, R::LitBi, 0},     {0x8589, R::Plain, 0},     {0x858A, R::Plain, 0},     {0x858B, R::Plain, 0},
    {0x858C, R::Plain, 0},     {0x858D, R::Plain, 0},     {0x858E, R::Plain, 0},     {0x858F, R::Plain, 0},
    {0x8590, R::Plain, 0},     {0x8591, R::Plain, 0},     {0x8592, R::VsZero, 0},    {0x8593, R::VsOne, 0},
    {0x8594, R::ModeLamp, 0},  {0x8595, R::ModeLamp, 1},  {0x8596, R::ModeLamp, 2},  {0x8597, R::ModeLamp, 3},
    {0x8598, R::ModeLamp, 4},  {0x8599, R::ModeLamp, 5},  {0x859A, R::Plain, 0},     {0x859B, R::Plain, 0},
    {0x859C, R::Plain, 0},     {0x859D, R::Plain, 0},     {0x859E, R::Plain, 0},     {0x859F, R::Plain, 0},
    {0x85A0, R::FrA0, 0},      {0x85A1, R::FtZero, 0},    {0x85A2, R::Plain, 0},     {0x85A3, R::Plain, 0},
    {0x85A4, R::Plain, 0},     {0x85A5, R::Plain, 0},     {0x85A6, R::Plain, 0},     {0x85A7, R::Plain, 0},
    {0x85A8, R::Plain, 0},     {0x85A9, R::Plain, 0},     {0x85AA, R::Plain, 0},     {0x85AB, R::Plain, 0},
    {0x85AC, R::Plain, 0},     {0x85AD, R::Plain, 0},     {0x85AE, R::Plain, 0},     {0x85AF, R::Plain, 0},
    {0x85B0, R::Plain, 0},     {0x85B1, R::Plain, 0},     {0x85B2, R::Plain, 0},     {0x85B3, R::Plain, 0},
    {0x85B4, R::Plain, 0},     {0x85B5, R::Plain, 0},     {0x85B6, R::Plain, 0},     {0x85B7, R::Plain, 0},
    {0x85B8, R::Plain, 0},     {0x85B9, R::Plain, 0},     {0x85BA, R::LitBp, 0},     {0x85BB, R::Plain, 0},
    {0x85BC, R::Plain, 0},     {0x85BD, R::Plain, 0},     {0x85BE, R::FrBe, 0},      {0x85BF, R::FtNonZero, 0},
    {0x85C0, R::SfEquals, 0},  {0x85C1, R::SfEquals, 1},  {0x85C2, R::SfEquals, 2},  {0x85C3, R::SfEquals, 3},
    {0x85C4, R::SfEquals, 4},  {0x85C5, R::SfEquals, 5},  {0x85C6, R::SfEquals, 6},  {0x85C7, R::SfC7, 0},
    {0x85DC, R::Plain, 0},     {0x85DD, R::Plain, 0},     {0x85DE, R::Plain, 0},     {0x85DF, R::Plain, 0},
    {0x85E0, R::KcMain, 5},    {0x85E1, R::KcMain, 1},    {0x85E2, R::KcMain, 3},    {0x85E3, R::KcMain, 4},
    {0x85E4, R::KcMain, 2},    {0x85E5, R::Plain, 0},     {0x85E6, R::KcMain, 6},    {0x85E7, R::KcMain, 7},
    {0x85E8, R::KcSub, 5},     {0x85E9, R::KcSub, 1},     {0x85EA, R::KcSub, 3},     {0x85EB, R::KcSub, 4},
    {0x85EC, R::KcSub, 2},     {0x85ED, R::Plain, 0},     {0x85EE, R::KcSub, 6},     {0x85EF, R::KcSub, 7},
    {0x85F0, R::SfF0, 0},      {0x85F1, R::SfF1, 0},      {0x8602, R::Plain, 0},     {0x8603, R::LitCo, 0},
    {0x8604, R::Nothing, 0},   {0x8605, R::Nothing, 0},   {0x8606, R::Nothing, 0},   {0x8607, R::Nothing, 0},
    {0x8608, R::Plain, 0},     {0x8609, R::SfFour, 0},    {0x860A, R::MhzUt, 0},     {0x860B, R::MchGrp, 0},
};

constexpr bool lookRowsSorted() {
  for (std::size_t i = 1; i < std::size(kLooks); ++i)
    if (kLooks[i - 1].msg >= kLooks[i].msg) return false;
  return true;
}
static_assert(lookRowsSorted());

// Mode lamps 0x8594..0x8599: the modes that add 2 and those that add 4.
struct ModeLampRow {
  std::array<int, 4> plus2;
  int plus4;
};
constexpr ModeLampRow kModeLampRows[] = {
    {{1, 6, 7, 8}, 0}, {{2, 3, 9, 12}, 0}, {{3, 7, 0, 0}, 0},
    {{5, 11, 13, 0}, 4}, {{6, 9, 0, 0}, 0}, {{8, 12, 0, 0}, 10},
};

// Lamps lit per mode 1..13, as bits of lamp 1..7.
constexpr std::uint8_t kModeLampBits[14] = {
    0,
    0b0000001, 0b0000010, 0b0000110, 0b0010000, 0b0001000, 0b0100001, 0b0000101,
    0b1000001, 0b0100010, 0b1010000, 0b0010000, 0b1000010, 0b0001000,
};

int kcFlag(const RadioState& s, bool sub, int n) {
  switch (n) {
    case 1: return sub ? s.get_KC_Sub_Flag1() : s.get_KC_Main_Flag1();
    case 2: return sub ? s.get_KC_Sub_Flag2() : s.get_KC_Main_Flag2();
    case 3: return sub ? s.get_KC_Sub_Flag3() : s.get_KC_Main_Flag3();
    case 4: return sub ? s.get_KC_Sub_Flag4() : s.get_KC_Main_Flag4();
    case 5: return sub ? s.get_KC_Sub_Flag5() : s.get_KC_Main_Flag5();
    case 6: return sub ? s.get_KC_Sub_Flag6() : s.get_KC_Main_Flag6();
    case 7: return sub ? s.get_KC_Sub_Flag7() : s.get_KC_Main_Flag7();
    default: return 0;
  }
}

}  // namespace

const LookRow* lookRowsBegin() { return std::begin(kLooks); }
const LookRow* lookRowsEnd() { return std::end(kLooks); }

const LookRow* findLook(MsgId msg) {
  const LookRow* it = std::lower_bound(std::begin(kLooks), std::end(kLooks), msg,
                                       [](const LookRow& r, MsgId m) { return r.msg < m; });
  return it != std::end(kLooks) && it->msg == msg ? it : nullptr;
}

int lampMode(const RadioState& s) { return s.get_VS_Stat() != 0 ? s.get_MD_Sub() : s.get_MD_Main(); }

int lookIndex(const LookRow& row, WParam w, const RadioState& s) {
  const int p = w != 0 ? 1 : 0;
  const int sf = s.get_SF_Value();
  switch (row.rule) {
    case R::Plain: return p;
    case R::LitAi: return litIndex(w, s.get_AI_Stat() != 0);
    case R::LitPs: return litIndex(w, s.get_PS_Stat() != 0);
    case R::LitMx: return litIndex(w, s.get_MX_Stat() != 0);
    case R::LitVx: return litIndex(w, s.get_VX_Stat() != 0);
    case R::LitMl: return litIndex(w, s.get_ML_On() != 0);
    case R::LitBi: return litIndex(w, s.get_BI_Stat() != 0);
    case R::LitBp: return litIndex(w, s.get_BP_Main_On() != 0);
    case R::LitCo: return litIndex(w, s.get_CO_Main_On() != 0);
    case R::VsZero: return litIndex(w, s.get_VS_Stat() == 0);
    case R::VsOne: return litIndex(w, s.get_VS_Stat() == 1);
    case R::FtZero: return litIndex(w, s.get_FT_Stat() == 0);
    case R::FtNonZero: return litIndex(w, s.get_FT_Stat() != 0);
    case R::FrA0: {
      const int fr = s.get_FR_Stat();
      if (fr == 0 || fr == 2) return p + 2;
      if (fr == 1 || fr == 3) return p;
      return kNoDraw;
    }
    case R::FrBe: {
      const int fr = s.get_FR_Stat();
      if (fr == 2 || fr == 3) return p + 2;
      if (fr == 0 || fr == 1) return p;
      return kNoDraw;
    }
    case R::SfEquals: return litIndex(w, sf == row.arg);
    case R::SfC7:
      if (sf == 0 || sf == 2 || sf == 3 || sf == 8) return p;
      return sf == 7 ? p + 2 : kNoDraw;
    case R::SfF0:
      if (sf == 0 || sf == 3 || sf == 7) return p;
      if (sf == 8) return p + 2;
      return sf == 2 ? p + 4 : kNoDraw;
    case R::SfF1:
      if (sf == 2 || sf == 7 || sf == 8) return p;
      if (sf == 0) return p + 2;
      return sf == 3 ? p + 4 : kNoDraw;
    case R::SfFour: return litIndex(w, sf == 4);
    case R::MhzUt:
      if (sf == 1) return p + (s.get_RI_9() == 1 ? 6 : 2);
      return p + (sf == 7 || s.get_RI_9() == 1 ? 4 : 0);
    case R::MchGrp:
      if (sf == 2) return p + 4;
      return p + (sf == 3 ? 2 : 0);
    case R::KcMain: return litIndex(w, kcFlag(s, false, row.arg) != 0);
    case R::KcSub: return litIndex(w, kcFlag(s, true, row.arg) != 0);
    case R::ModeLamp: {
      const int m = lampMode(s);
      if (m < 1 || m > 13 || row.arg < 0 || row.arg >= static_cast<int>(std::size(kModeLampRows))) return kNoDraw;
      const ModeLampRow& l = kModeLampRows[row.arg];
      if (std::find(l.plus2.begin(), l.plus2.end(), m) != l.plus2.end()) return p + 2;
      return p + (l.plus4 == m ? 4 : 0);
    }
    case R::Nothing: return kNoDraw;
  }
  return kNoDraw;
}

bool modeLamps(int mode, std::array<int, 7>* lit) {
  if (mode < 1 || mode > 13) return false;
  for (int i = 0; i < 7; ++i) (*lit)[static_cast<std::size_t>(i)] = (kModeLampBits[mode] >> i) & 1;
  return true;
}

bool sfImages(const RadioState& s, std::array<int, 3>* images) {
  const bool ri9 = s.get_RI_9() == 1;
  const int x = ri9 ? 6 : 2;
  const int y = ri9 ? 4 : 0;
  switch (s.get_SF_Value()) {
    case 1: *images = {x, 0, 0}; return true;
    case 2: *images = {y, 0, 4}; return true;
    case 3: *images = {y, 0, 2}; return true;
    case 4: *images = {y, 2, 0}; return true;
    case 5: *images = {y, 0, 0}; return true;
    case 7: *images = {4, 0, 0}; return true;
    default: return false;
  }
}

std::array<int, 5> vfImages(const RadioState& s) {
  std::array<int, 5> on{};
  if (s.get_VF_Main_P2() == 1 && s.get_VF_Main_P4() == 0) on[0] = 1;
  else if (s.get_VF_Main_P2() == 1) on[2] = 1;
  else on[3] = 1;
  if (s.get_VF_Sub_P2() == 1) on[1] = 1;
  else on[4] = 1;
  return on;
}

KeyMode keyMode(int pos6, int mode, int contourKind) {
  switch (pos6) {
    case 1: return {1, 0};
    case 2: return {1, 1};
    case 3:
      if (mode == 3 || mode == 7) return {contourKind == 1 ? 2 : 3, 0};
      return {2, 0};
    case 4: case 5: case 6: case 7: return {pos6, 0};
    default: return {0, 0};
  }
}

std::array<int, 5> kcImages(const RadioState& s, bool sub) {
  std::array<int, 5> out;
  out.fill(kNoDraw);
  const int sel = sub ? s.get_KC_Sub_Sel() : s.get_KC_Main_Sel();
  if (sel == 3 || sel == 4) return out;
  for (std::size_t i = 0; i < kKcSelections.size(); ++i) {
    if (kKcSelections[i] == sel) {
      out[i] = kcFlag(s, sub, sel) != 0 ? 2 : 0;
      return out;
    }
  }
  out.fill(0);
  return out;
}

void applyKeyModes(const RadioState& s, PanelMirror& mirror) {
  const KeyMode main = keyMode(s.get_KC_Main_Pos6(), s.get_MD_Main(), s.get_CO_Main_OnKind());
  // A contour kind 0 or 2 in the CW modes gives mode 3, 1 gives mode 2.
  mirror.set_KeyMode_Main(main.mode);
  mirror.set_KeyModeFlag_Main(main.flag);
  const KeyMode sub = keyMode(s.get_KC_Sub_Pos6(), s.get_MD_Sub(), s.get_CO_Sub_OnKind());
  mirror.set_KeyMode_Sub(sub.mode);
  mirror.set_KeyModeFlag_Sub(sub.flag);
}

std::array<int, 2> vfoMemImages(int vfoMem) {
  if (vfoMem == 1) return {1, 0};
  if (vfoMem == 2 || vfoMem == 4) return {0, 1};
  return {0, 0};
}

}  // namespace hrx::panel
