// The TFT screen: glyph text, the temporary value displays and their gates,
// the indicator row, the bar display, the soft keys, the block icons and the
// main display's labels.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "panel/PanelDisplay.h"
#include "render/PanelRenderer.h"
#include "state/RadioState.h"

namespace hrx::render {

namespace {

constexpr bool isFm(int mode) { return mode == 4 || mode == 10 || mode == 11; }
// The mode the radio receives in: the soft keys' commands pick by it too.
std::int32_t rxSideMode(const RadioState& s) {
  const std::int32_t fr = s.get_FR_Stat();
  return fr == 4 || fr == 5 ? s.get_MD_Sub() : s.get_MD_Main();
}

struct GlyphRange {
  char first, last;
  int id;
};
constexpr GlyphRange kGlyphRanges[] = {
    {'0', '8', 1874}, {'9', '9', 1884}, {'A', 'H', 1885}, {'S', 'S', 1894}, {'I', 'P', 1895},
    {'.', '.', 1903}, {'Q', 'R', 1904}, {'T', 'W', 1907}, {'p', 'p', 1911}, {'m', 'm', 1912},
    {'w', 'w', 1913}, {'X', 'Z', 1914}, {'z', 'z', 1883}, {'%', '%', 1871}, {'-', '-', 1872},
    {'+', '+', 1873}, {127, 127, 1870},
};

constexpr std::array<int, 128> makeGlyphTable() {
  std::array<int, 128> t{};
  for (int& id : t) id = kGlyphBlankId;
  for (const GlyphRange& r : kGlyphRanges)
    for (int c = r.first; c <= r.last; ++c) t[static_cast<std::size_t>(c)] = r.id + (c - r.first);
  return t;
}
constexpr std::array<int, 128> kGlyphTable = makeGlyphTable();
static_assert(kGlyphTable['A'] == 1885 && kGlyphTable['Z'] == 1916 && kGlyphTable['9'] == 1884);

struct TempRow {
  int caption;
  const char* format;
};
// In TempDisplay order; the memory display has three formats of its own.
constexpr TempRow kTempRows[kTempDisplays] = {
    {1832, "%8dHz"}, {1828, "%8dHz"}, {1821, "%9d "}, {1825, "%9d "},  {1812, "%8d "},
    {1829, "%7dwpm"}, {1823, "%8dHz"}, {1817, "%8dHz"}, {1811, "%8dHz"}, {1918, ""},
};
constexpr int kUTuneCaption = 1807;
constexpr int kClarCaption[2][2] = {{1813, 1816}, {1814, 1815}};   // [rx][tx]

// Indicator row labels.
constexpr int kKeyer = 1630, kProc = 1633, kTuner = 1635, kVox = 1624, kMicEq = 1631, kNar = 1788;
constexpr int kPlay = 1632, kRec = 1634, kShiftPlus = 1626, kShiftMinus = 1625, kHiSwr = 1629, kDnr = 1628,
              kDnf = 1627;

// Bar display, type 1: start x and segments for v = 1..21 (11: centre only).
constexpr int kBarType1X[22] = {0,   364, 368, 372, 376, 380, 384, 386, 388, 390, 392,
                                0,   396, 396, 396, 396, 396, 396, 396, 396, 396, 396};
constexpr int kBarType1N[22] = {0, 15, 13, 11, 9, 7, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 7, 9, 11, 13, 15};
constexpr int kBarType2X[12] = {0, 364, 370, 376, 382, 388, 392, 396, 402, 408, 414, 420};

// Soft keys: images [state][pressed] per function.
struct SoftImages {
  int states;
  int released[6];
  int pressed[6];
};
constexpr SoftImages kVoxKey{2, {2033, 2030}, {2032, 2034}};
constexpr SoftImages kProcKey{2, {2012, 2014}, {2011, 2003}};
constexpr SoftImages kRpt{3, {2020, 2010, 2016}, {2019, 2035, 2015}};
constexpr SoftImages kMicEqKey{2, {2007, 2009}, {2006, 2008}};
constexpr SoftImages kKeyerKey{2, {1988, 1990}, {1987, 1989}};
constexpr SoftImages kTone{3, {2028, 2037, 2026}, {2027, 2029, 2017}};
constexpr SoftImages kMeter{6, {2000, 1992, 1997, 1999, 1995, 2005}, {1978, 1991, 1986, 1998, 1994, 2004}};
constexpr SoftImages kDnrKey{2, {1985, 2001}, {1984, 2002}};
constexpr SoftImages kDnfKey{2, {1981, 1983}, {1980, 1982}};
constexpr int kZinSpot[2] = {1993, 2023}, kSpot[2] = {2039, 2038}, kSqlOff[2] = {2022, 2021};

// Block icons.
constexpr int kIconX[6] = {2, 30, 59, 88, 116, 145};
constexpr int kRfltIcon[10] = {1576, 1571, 1570, 1569, 1575, 1574, 1573, 1577, 1572, 1541};
constexpr int kAgcIcon[7] = {1544, 1542, 1543, 1545, 1546, 1547, 1548};
constexpr int kAttIcon[4] = {1566, 1558, 1559, 1560};
constexpr int kIpoIcon[3] = {1564, 1562, 1563};
constexpr int kNbOff = 1566, kNbOn = 1567, kNbCaption = 1858, kNbwCaption = 1565;
constexpr int kNbCaptionY = 3;

int menuValue(const RadioState& s, int item) {
  MenuListItem m;
  return s.get_MenuItem(item, &m) ? static_cast<int>(m.value) : 0;
}

}  // namespace

int tftGlyph(int code) {
  if (code == 0x88) return 1893;
  if (code == 0x97) return 1869;
  if (code < 0 || code >= static_cast<int>(kGlyphTable.size())) return kGlyphBlankId;
  return kGlyphTable[static_cast<std::size_t>(code)];
}

void PanelRenderer::drawModeDisplay(const RadioState& state) {
  // Lamp order LSB, USB, CW, AM, FM, RTTY, DATA.
  static constexpr Switch kMain[7] = {Switch::LabelLsb, Switch::LabelUsb, Switch::LabelCw,  Switch::LabelAm,
                                      Switch::LabelFm,  Switch::LabelRtty, Switch::LabelData};
  static constexpr Switch kSub[7] = {Switch::SubLsb, Switch::SubUsb,  Switch::SubCw,  Switch::SubAm,
                                     Switch::SubFm,  Switch::SubRtty, Switch::SubData};
  std::array<int, 7> lit{};
  if (panel::modeLamps(state.get_MD_Main(), &lit))
    for (std::size_t i = 0; i < lit.size(); ++i) drawSwitch(kMain[i], lit[i]);
  if (panel::modeLamps(state.get_MD_Sub(), &lit))
    for (std::size_t i = 0; i < lit.size(); ++i) drawSwitch(kSub[i], lit[i]);
}

void PanelRenderer::drawMainFastLock(const RadioState& state) {
  drawSwitch(Switch::LabelFast, state.get_FS_Flag1() != 0 ? 1 : 0);
  drawSwitch(Switch::LabelLock, state.get_LK_Flag1() != 0 ? 1 : 0);
}

void PanelRenderer::DrawTFT_FuncIndicators(const RadioState& s) {
  const DamageBatch batch(surface_, QRect(kIndicatorRowX, kIndicatorRowY, 200, 8));
  auto draw = [this](int id, int x) { surface_.DrawBitmap(store_.LoadBitmap(id), x, kIndicatorRowY, kKeyMagenta); };
  draw(kIndicatorRowId, kIndicatorRowX);
  if (s.get_KR_Stat() != 0) draw(kKeyer, 205);
  else if (s.get_PR_Stat() != 0) draw(kProc, 205);
  if (s.get_AC_Stat() != 0) draw(kTuner, 154);
  if (s.get_VX_Stat() != 0) draw(kVox, 187);
  if (s.get_RI_1() != 0) draw(kMicEq, 227);
  if (s.get_NA_Main() != 0) draw(kNar, 256);
  if (s.get_RI_4() != 0) draw(kPlay, 274);
  if (s.get_RI_3() != 0) draw(kRec, 274);
  const int fr = s.get_FR_Stat();
  const int mode = fr <= 1 ? s.get_MD_Main() : (fr == 4 || fr == 5) ? s.get_MD_Sub() : 0;
  if (isFm(mode)) {
    if (s.get_OS_Main() == 1) draw(kShiftPlus, 309);
    else if (s.get_OS_Main() == 2) draw(kShiftMinus, 309);
  }
  if (s.get_RI_0() != 0) {
    draw(kHiSwr, 324);
  } else {
    if (s.get_NR_Main() != 0) draw(kDnr, 324);
    if (s.get_BC_Main() != 0) draw(kDnf, 340);
  }
}

void PanelRenderer::DrawTFT_BarDisp(const RadioState& s) {
  const DamageBatch batch(surface_, QRect(kBarScaleX, kBarScaleY, 71, 11));
  surface_.DrawBitmap(store_.LoadBitmap(kBarScaleId), kBarScaleX, kBarScaleY, kKeyMagenta);
  const QImage* seg = store_.LoadBitmap(kBarSegmentId);
  const QImage* centre = store_.LoadBitmap(kBarCentreId);
  auto segments = [&](int x, int n) {
    for (int i = 0; i < n; ++i) surface_.DrawBitmap(seg, x + 2 * i, kBarSegmentY, kKeyMagenta);
  };
  auto mark = [&] { surface_.DrawBitmap(centre, kBarCentreX, kBarSegmentY, kKeyMagenta); };
  const int type = s.get_BG_Value1();
  const int v = s.get_BG_Value2();
  switch (type) {
    case 1:
      if (v < 1 || v > 21) break;
      mark();
      segments(kBarType1X[v], kBarType1N[v]);
      break;
    case 2:
      if (v < 1 || v > 11) break;
      segments(kBarType2X[v], 3);
      if (v == 6) mark();
      break;
    case 3:
      if (v < 1 || v > 21) break;
      if (v == 11) mark();
      else segments(372 + 2 * v, 1);
      break;
    default:
      break;
  }
}

int PanelRenderer::softKeyImage(int key, const RadioState& s) const {
  if (key < 1 || key > 8) return 0;
  const std::size_t k = static_cast<std::size_t>(key - 1);
  const int state = softKeyPressed_[k];
  const bool pressed = state != 0;
  const bool fm = isFm(rxSideMode(s));
  auto pick = [pressed](const SoftImages& im, int v) {
    if (v < 0 || v >= im.states) return 0;
    return pressed ? im.pressed[v] : im.released[v];
  };
  switch (key) {
    case 1: return pick(kVoxKey, s.get_VX_Stat() != 0);
    case 2: return fm ? pick(kRpt, s.get_OS_Main()) : pick(kProcKey, s.get_PR_Stat() != 0);
    case 3: return pick(kMicEqKey, s.get_RI_1() != 0);
    case 4: return fm ? pick(kTone, s.get_CT_Main()) : pick(kKeyerKey, s.get_KR_Stat() != 0);
    case 5: return pick(kMeter, s.get_MS_Stat());
    case 6: return pick(kDnrKey, s.get_NR_Main() != 0);
    case 7: return pick(kDnfKey, s.get_BC_Main() != 0);
    case 8:
      // Soft key 8 keeps 0..3: odd states show SPOT, the upper two pressed.
      if (fm) return kSqlOff[pressed];
      return (state % 2 == 0 ? kZinSpot : kSpot)[state >= 2 || state == 1 ? 1 : 0];
    default: return 0;
  }
}

int PanelRenderer::drawSoftKey(int key, const RadioState& s) {
  const int id = softKeyImage(key, s);
  if (id == 0) return kNoBitmap;
  const std::size_t k = static_cast<std::size_t>(key - 1);
  return surface_.DrawBitmap(store_.LoadBitmap(id), kSoftKeyX[k], kSoftKeyY[k], kKeyMagenta);
}

void PanelRenderer::setSoftKey(int key, int pressed, const RadioState& s) {
  if (key < 1 || key > 8) return;
  softKeyPressed_[static_cast<std::size_t>(key - 1)] = pressed;
  drawSoftKey(key, s);
}

void PanelRenderer::DrawTFT_Menu(const RadioState& s) {
  const DamageBatch batch(surface_, QRect(kSoftKeyBarX, kSoftKeyBarY, 274, 54));
  surface_.DrawBitmap(store_.LoadBitmap(kSoftKeyBarId), kSoftKeyBarX, kSoftKeyBarY, kKeyMagenta);
  for (int key = 1; key <= 8; ++key) drawSoftKey(key, s);
}

int PanelRenderer::blockIconImage(int slot, const RadioState& s) const {
  switch (slot) {
    case 0: {
      const int ant = s.get_AN_Main();
      if (ant == 0) return 1552;
      if (ant == 1) return 1553;
      if (ant >= 2 && ant <= 4) {
        const int ant3 = menuValue(s, kAnt3Item);
        return ant3 == 1 ? 1555 : ant3 == 2 ? 1556 : 1554;
      }
      return 0;
    }
    case 1: {
      const int pa = s.get_PA_Main();
      return pa >= 0 && pa < 3 ? kIpoIcon[pa] : 0;
    }
    case 2: {
      const int att = s.get_RA_Main();
      return att >= 0 && att < 4 ? kAttIcon[att] : 0;
    }
    case 3: {
      const int rf = s.get_RF_Main();
      return rf >= 1 && rf <= 9 ? kRfltIcon[rf] : kRfltIcon[0];
    }
    case 4: return s.get_NB_Main() != 0 ? kNbOn : kNbOff;
    case 5: {
      const int agc = s.get_GT_Main();
      return agc >= 0 && agc < 7 ? kAgcIcon[agc] : 1561;
    }
    case 6: return s.get_NB_Main() == 2 ? kNbwCaption : kNbCaption;
    default: return 0;
  }
}

int PanelRenderer::DrawTFT_BlockIcon(const RadioState& s) {
  const QImage* ground = store_.LoadBitmap(kBlockIconBackgroundId);
  if (ground == nullptr) return kNoBitmap;
  QImage buffer = ground->copy();
  for (int slot = 0; slot < kBlockIconSlots; ++slot) {
    const int id = blockIconImage(slot, s);
    // The seventh image is the NB icon's caption, above the icon.
    const bool caption = slot == kBlockIconSlots - 1;
    if (id != 0) DrawBitmap(store_, id, buffer, kIconX[caption ? 4 : slot], caption ? kNbCaptionY : kBlockIconY, kKeyMagenta);
  }
  return surface_.CopyBitmap(&buffer, kBlockIconStrip.x(), kBlockIconStrip.y());
}

void PanelRenderer::drawTftText(const char* text) {
  const std::size_t n = std::strlen(text);
  for (std::size_t i = 0; i < 10; ++i) {
    const int code = i < n ? static_cast<unsigned char>(text[i]) : ' ';
    const int x = i == 0 ? 340 : 330 + 10 * static_cast<int>(i);
    surface_.DrawBitmap(store_.LoadBitmap(tftGlyph(code)), x, kTftTextY, kKeyMagenta);
  }
}

namespace {
// A plus sign before the first non-blank character of a positive value.
void markPositive(char* field, int value) {
  if (value <= 0) return;
  for (int i = 1; field[i] != '\0'; ++i)
    if (field[i] != ' ') {
      field[i - 1] = '+';
      return;
    }
}
}  // namespace

void PanelRenderer::drawVfoBBackground() {
  surface_.DrawBitmap(store_.LoadBitmap(kVfoBStripId), kVfoBStripX, kVfoBStripY, kKeyMagenta);
}

static void drawCaptionAndText(PanelRenderer& r, int& remembered, int caption, const char* field) {
  PanelSurface& surface = r.surface();
  BitmapStore& store = r.store();
  surface.DrawBitmap(store.LoadBitmap(kVfoBStripId), kVfoBStripX, kVfoBStripY, kKeyMagenta);
  if (caption != remembered) {
    surface.DrawBitmap(store.LoadBitmap(kVfoBCaptionClearId), kVfoBCaptionX, kVfoBCaptionY, kKeyMagenta);
    remembered = caption;
  }
  surface.DrawBitmap(store.LoadBitmap(caption), kVfoBCaptionX, kVfoBCaptionY, kKeyMagenta);
  r.drawTftText(field);
}

void PanelRenderer::DrawTFT_VFO_B_uTUNE(int value) {
  const DamageBatch batch(surface_, QRect(kVfoBCaptionX, kVfoBStripY, 112, 29));
  char field[24];
  std::snprintf(field, sizeof field, "%9d ", value);
  drawCaptionAndText(*this, tempCaption_, kUTuneCaption, field);
}

void PanelRenderer::DrawTFT_VFO_B_Clar(int rxClar, int txClar, int offset) {
  const DamageBatch batch(surface_, QRect(kVfoBCaptionX, kVfoBStripY, 112, 29));
  char field[24];
  std::snprintf(field, sizeof field, "%8dHz", offset);
  markPositive(field, offset);
  drawCaptionAndText(*this, tempCaption_, kClarCaption[rxClar != 0][txClar != 0], field);
}

void PanelRenderer::drawTempDisplay(TempDisplay d, const RadioState& s) {
  const DamageBatch batch(surface_, QRect(kVfoBCaptionX, kVfoBStripY, 112, 29));
  const TempRow& row = kTempRows[static_cast<std::size_t>(d)];
  char field[32];
  int value = 0;
  switch (d) {
    case TempDisplay::Width: value = widthHz(s.get_MD_Main(), s.get_SH_Main(), s.get_NA_Main() != 0); break;
    case TempDisplay::Shift: value = s.get_IS_Main(); break;
    case TempDisplay::MicGain: value = s.get_MG_Value(); break;
    case TempDisplay::ProcLevel: value = s.get_PL_Value(); break;
    case TempDisplay::CarrierLevel: value = s.get_PC_Value(); break;
    case TempDisplay::Speed: value = s.get_KS_Value(); break;
    case TempDisplay::Notch: value = s.get_BP_Main_Level(); break;
    case TempDisplay::Contour: value = s.get_CO_Main_Level1(); break;
    case TempDisplay::Apf: value = s.get_CO_Main_Level2(); break;
    case TempDisplay::Memory: value = s.get_MC_Channel(); break;
    case TempDisplay::Count: return;
  }
  if (d == TempDisplay::Memory) {
    // Channels above 99 are the PMS pairs P-1L, P-1U, ... P-9U.
    if (value >= 100) std::snprintf(field, sizeof field, value % 2 == 0 ? "     P-%dL " : "     P-%dU ", (value - 100) / 2 + 1);
    else std::snprintf(field, sizeof field, "       %02d ", value);
  } else {
    // The formats come from the table above and each takes one int.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    std::snprintf(field, sizeof field, row.format, value);
#pragma GCC diagnostic pop
  }
  if (d == TempDisplay::Width) markPositive(field, value);
  field[10] = '\0';
  drawCaptionAndText(*this, tempCaption_, row.caption, field);
}

bool PanelRenderer::countdownRunning() const {
  return std::any_of(countdown_.begin(), countdown_.end(), [](int c) { return c != 0; });
}

void PanelRenderer::startTempDisplay(TempDisplay d) {
  clearCountdowns();
  countdown_[static_cast<std::size_t>(d)] = kTempTicks;
}

void PanelRenderer::gateTempDisplay(TempDisplay d, const RadioState& s) {
  Gate& g = gates_[static_cast<std::size_t>(d)];
  if (d == TempDisplay::Contour || d == TempDisplay::Apf) {
    if (s.get_CO_Main_On() != 0) {
      if (++g.calls < 3) return;
    } else {
      g.calls = 0;
      if (s.get_SF_Value() != 2) clearCountdowns();
      return;
    }
  }
  const int fr = s.get_FR_Stat();
  if (fr != g.fr) {
    g.fr = fr;
    return;
  }
  int mode;
  if (fr == 0 || fr == 1) mode = s.get_MD_Main();
  else if (fr == 4 || fr == 5) mode = s.get_MD_Sub();
  else return;
  if (mode != g.mode) {
    g.mode = mode;
    return;
  }
  if (s.get_SF_Value() == 2) return;
  if (g.armed) startTempDisplay(d);
  else g.armed = true;
}

void PanelRenderer::OnBlinkTimer(const RadioState& s) {
  for (int i = 0; i < kTempDisplays; ++i) {
    int& c = countdown_[static_cast<std::size_t>(i)];
    if (c > 0) {
      --c;
      drawTempDisplay(static_cast<TempDisplay>(i), s);
    }
  }
}

void PanelRenderer::DrawTFT_VFO_B(const RadioState& state) {
  const int vfoMem = state.get_IF_VfoMem();
  if (vfoMem == 1) {
    if (countdownRunning()) return;
    if (vfoBMemory_ != 1) {
      drawVfoBBackground();
      vfoBMemory_ = 1;
    }
    vfoBSelection_ = -1;
    return;
  }
  vfoBMemory_ = vfoMem;
  int sel = state.get_SF_Value();
  if (sel == kSubDialClar && state.get_RI_8() == 1) sel = 4;
  if (sel != vfoBSelection_) {
    drawVfoBBackground();
    vfoBSelection_ = sel;
    clearCountdowns();
  }
  if (state.get_OI_Mode() != vfoBSubMode_) {
    vfoBSubMode_ = state.get_OI_Mode();
    clearCountdowns();
  }
  if (countdownRunning()) {
    ++vfoBSuppressed_;
    return;
  }
  if (vfoBSuppressed_ != 0) {
    drawVfoBBackground();
    vfoBSuppressed_ = 0;
  }
  if (sel >= 1 && sel <= 4) {
    if (sel != vfoBCaption_) {
      surface_.DrawBitmap(store_.LoadBitmap(kVfoBCaptionClearId), kVfoBCaptionX, kVfoBCaptionY, kKeyMagenta);
      vfoBCaption_ = sel;
    }
    DrawTFT_VFO_B_Freq(state, state.get_VfoB_Freq());
  } else if (sel == kSubDialClar) {
    vfoBCaption_ = sel;
    DrawTFT_VFO_B_Clar(state.get_RT_Stat(), state.get_XT_Stat(), static_cast<int>(state.get_IF_ClarOffset()));
  } else if (sel == 7) {
    vfoBCaption_ = sel;
    if (state.get_VF_Main_P4() == 1) DrawTFT_VFO_B_uTUNE(state.get_VF_Main_Val1());
  }
}

}  // namespace hrx::render
