// Replies that redraw the panel: every analyser event the main window binds,
// each reading the stored state, setting key images and redrawing its part
// of the panel or of the TFT screen.
#include "analysis/AnalyserMessages.h"
#include "app/gui/routes/DisplayPart.h"
#include "composer/Composer.h"
#include "panel/PanelCtrl.h"
#include "panel/PanelDisplay.h"
#include "render/MeterTables.h"
#include "state/PanelMirror.h"

namespace hrx::gui {

namespace {

using S = render::Switch;
using render::TempDisplay;

constexpr MsgId kLookFtFirst = 0x85A1, kLookFtSecond = 0x85BF;
constexpr MsgId kLookVsFirst = 0x8592, kLookVsSecond = 0x8593;
constexpr MsgId kLookModeKey = 0x8608;
constexpr MsgId kMsgPopupClosed = 0x85D3;
constexpr MsgId kModeLampFirst = 0x8594, kModeLampLast = 0x8599;
// The KC images of selections 1, 2, 5, 6, 7, main and sub side.
constexpr MsgId kKcMain[5] = {0x85E1, 0x85E4, 0x85E0, 0x85E6, 0x85E7};
constexpr MsgId kKcSub[5] = {0x85E9, 0x85EC, 0x85E8, 0x85EE, 0x85EF};
constexpr S kKcMainElement[5] = {S::Look85E1, S::Look85E4, S::Look85E0, S::Look85E6, S::Look85E7};
constexpr S kKcSubElement[5] = {S::Look85E9, S::Look85EC, S::Look85E8, S::Look85EE, S::Look85EF};

const RadioState& st(MainWindowServices& w) { return displayState(w); }
render::PanelRenderer& r(MainWindowServices& w) { return w.renderer(); }
int lit(int field) { return field != 0 ? 2 : 0; }

LParam onFa(MainWindowServices& w, const Msg&) {
  r(w).DrawMainFrequency(st(w), st(w).get_VfoA_Freq());
  return 0;
}

LParam onVfoB(MainWindowServices& w, const Msg&) {
  r(w).DrawTFT_VFO_B(st(w));
  return 0;
}

void lampOff(MainWindowServices& w) {
  w.killWindowTimer(kTimerDeferred);
  w.RequestMeterRedraw(w.part<DisplayPart>().lastSMeter);
}

LParam onAi(MainWindowServices& w, const Msg&) {
  const bool on = st(w).get_AI_Stat() == 1;
  r(w).drawSwitch(S::Com, on ? 2 : 0);
  if (!on) lampOff(w);
  return 0;
}

LParam onPs(MainWindowServices& w, const Msg&) {
  const bool on = st(w).get_PS_Stat() == 1;
  r(w).drawSwitch(S::OnOff, on ? 2 : 0);
  if (!on) lampOff(w);
  return 0;
}

LParam onSm(MainWindowServices& w, const Msg&) {
  DisplayPart& d = w.part<DisplayPart>();
  d.lastSMeter = st(w).get_SM_Meter1();
  w.RequestMeterRedraw(d.lastSMeter);
  return 0;
}

LParam onBlockIcon(MainWindowServices& w, const Msg&) {
  w.RequestBlockIconsRedraw(false);
  return 0;
}

LParam onMeter(MainWindowServices& w, const Msg&) {
  drawMeterFromReply(w);
  return 0;
}

LParam onSf(MainWindowServices& w, const Msg&) {
  std::array<int, 3> images{};
  if (panel::sfImages(st(w), &images)) {
    r(w).drawSwitch(S::MhzLamp, images[0]);
    r(w).drawSwitch(S::VfoBLamp, images[1]);
    r(w).drawSwitch(S::MchLamp, images[2]);
  }
  r(w).DrawTFT_VFO_B(st(w));
  return 0;
}

LParam onBp(MainWindowServices& w, const Msg& m) {
  r(w).drawSwitch(S::Notch, lit(st(w).get_BP_Main_On()));
  if (fromReply(w, m)) r(w).gateTempDisplay(TempDisplay::Notch, st(w));
  return 0;
}

LParam onMenuAndIndicators(MainWindowServices& w, const Msg&) {
  r(w).DrawTFT_Menu(st(w));
  r(w).DrawTFT_FuncIndicators(st(w));
  return 0;
}

LParam onIndicators(MainWindowServices& w, const Msg&) {
  r(w).DrawTFT_FuncIndicators(st(w));
  return 0;
}

LParam onMenuStrip(MainWindowServices& w, const Msg&) {
  r(w).DrawTFT_Menu(st(w));
  return 0;
}

LParam onCo(MainWindowServices& w, const Msg& m) {
  r(w).drawSwitch(S::ContApf, lit(st(w).get_CO_Main_On()));
  if (fromReply(w, m))
    r(w).gateTempDisplay(st(w).get_CO_Main_OnKind() == 2 ? TempDisplay::Apf : TempDisplay::Contour, st(w));
  return 0;
}

LParam onFt(MainWindowServices& w, const Msg&) {
  const int ft = st(w).get_FT_Stat();
  if (ft != 0 && ft != 1) return 0;
  r(w).drawSwitch(S::Look85A1, ft == 1 ? 0 : 2);
  r(w).drawSwitch(S::Look85BF, ft == 1 ? 2 : 0);
  return 0;
}

LParam onLk(MainWindowServices& w, const Msg&) {
  r(w).drawSwitch(S::Lock, st(w).get_LK_Flag1() == 1 ? 0 : 1);
  r(w).drawMainFastLock(st(w));
  r(w).DrawTFT_VFO_B(st(w));
  return 0;
}

LParam onFs(MainWindowServices& w, const Msg&) {
  r(w).drawSwitch(S::Fast, st(w).get_FS_Flag1() == 1 ? 0 : 1);
  r(w).drawMainFastLock(st(w));
  r(w).DrawTFT_VFO_B(st(w));
  return 0;
}

LParam onVs(MainWindowServices& w, const Msg&) {
  const bool one = st(w).get_VS_Stat() == 1;
  r(w).drawSwitch(S::Look8592, one ? 0 : 2);
  r(w).drawSwitch(S::Look8593, one ? 2 : 0);
  redrawVfoDisplays(w);
  return 0;
}

LParam onMx(MainWindowServices& w, const Msg&) {
  r(w).drawSwitch(S::Mox, lit(st(w).get_MX_Stat()));
  return 0;
}

LParam onBi(MainWindowServices& w, const Msg&) {
  r(w).drawSwitch(S::BkIn, lit(st(w).get_BI_Stat()));
  return 0;
}

LParam onMl(MainWindowServices& w, const Msg&) {
  r(w).drawSwitch(S::Moni, lit(st(w).get_ML_On()));
  return 0;
}

// KS, MG, PL, PC: their temporary displays. The knob rings that show them
// belong to the knob drawing.
LParam onLevel(MainWindowServices& w, const Msg& m) {
  if (!fromReply(w, m)) return 0;
  TempDisplay d = TempDisplay::Speed;
  if (m.id == WM_ANL_EVT_MG) {
    DisplayPart& part = w.part<DisplayPart>();
    if (st(w).get_MG_Value() == part.lastMgShown) return 0;
    part.lastMgShown = st(w).get_MG_Value();
    d = TempDisplay::MicGain;
  } else if (m.id == WM_ANL_EVT_PL) {
    d = TempDisplay::ProcLevel;
  } else if (m.id == WM_ANL_EVT_PC) {
    d = TempDisplay::CarrierLevel;
  }
  r(w).gateTempDisplay(d, st(w));
  return 0;
}

LParam onIf(MainWindowServices& w, const Msg&) {
  const std::array<int, 2> mem = panel::vfoMemImages(st(w).get_IF_VfoMem());
  r(w).drawSwitch(S::VfoMem1, mem[0]);
  r(w).drawSwitch(S::VfoMem2, mem[1]);
  if (!w.part<DisplayPart>().inhibitMainMode && w.core() != nullptr) {
    if (RadioState* s = w.core()->writableState()) s->set_MD_Main(s->get_IF_Mode());
    r(w).drawModeDisplay(st(w));
  }
  r(w).DrawTFT_VFO_B(st(w));
  return 0;
}

LParam onOi(MainWindowServices& w, const Msg&) {
  if (w.part<DisplayPart>().inhibitSubMode || w.core() == nullptr) return 0;
  if (RadioState* s = w.core()->writableState()) s->set_MD_Sub(s->get_OI_Mode());
  r(w).drawModeDisplay(st(w));
  r(w).DrawTFT_VFO_B(st(w));
  return 0;
}

LParam onVf(MainWindowServices& w, const Msg&) {
  static constexpr S kVf[5] = {S::Vf1, S::Vf2, S::Vf3, S::Vf4, S::Vf5};
  const std::array<int, 5> on = panel::vfImages(st(w));
  for (std::size_t i = 0; i < on.size(); ++i) r(w).drawSwitch(kVf[i], on[i]);
  return 0;
}

LParam onShiftWidth(MainWindowServices& w, const Msg& m) {
  if (fromReply(w, m))
    r(w).gateTempDisplay(m.id == WM_ANL_EVT_IS ? TempDisplay::Shift : TempDisplay::Width, st(w));
  return 0;
}

LParam onMc(MainWindowServices& w, const Msg&) {
  // Not on a redraw: a restore would flash the channel after every uncover.
  if (!w.part<DisplayPart>().restoring) r(w).startTempDisplay(TempDisplay::Memory);
  return 0;
}

LParam onMd(MainWindowServices& w, const Msg& m) {
  redrawLook(w, kLookModeKey);
  for (MsgId id = kModeLampFirst; id <= kModeLampLast; ++id) redrawLook(w, id);
  r(w).drawModeDisplay(st(w));
  // Soft keys 2 and 4 depend on the mode.
  r(w).DrawTFT_Menu(st(w));
  if (fromReply(w, m) && w.core() != nullptr) {
    w.core()->postComposer(kMsgIfRead);
    w.core()->postComposer(kMsgOiRead);
  }
  return 0;
}

LParam onMs(MainWindowServices& w, const Msg&) {
  drawMeterFromReply(w);
  r(w).DrawTFT_Menu(st(w));
  return 0;
}

LParam onRi(MainWindowServices& w, const Msg&) {
  r(w).DrawTFT_FuncIndicators(st(w));
  r(w).drawSwitch(S::Ri5, lit(st(w).get_RI_5()));
  r(w).drawSwitch(S::Ri6, lit(st(w).get_RI_6()));
  r(w).drawSwitch(S::Ri7, lit(st(w).get_RI_7()));
  r(w).drawSwitch(S::Ri8, lit(st(w).get_RI_8()));
  return 0;
}

LParam onBg(MainWindowServices& w, const Msg&) {
  r(w).DrawTFT_BarDisp(st(w));
  return 0;
}

LParam onKc(MainWindowServices& w, const Msg&) {
  if (w.core() != nullptr)
    if (PanelMirror* mirror = w.core()->mirror()) panel::applyKeyModes(st(w), *mirror);
  for (int side = 0; side < 2; ++side) {
    const std::array<int, 5> images = panel::kcImages(st(w), side == 1);
    for (std::size_t i = 0; i < images.size(); ++i)
      if (images[i] != panel::kNoDraw) r(w).drawSwitch(side == 0 ? kKcMainElement[i] : kKcSubElement[i], images[i]);
  }
  return 0;
}

LParam onCa(MainWindowServices& w, const Msg&) {
  if (w.core() != nullptr)
    if (PanelMirror* mirror = w.core()->mirror()) mirror->set_CA_Stat(st(w).get_CA_Stat());
  return 0;
}

LParam onEx(MainWindowServices& w, const Msg& m) {
  if (m.w == static_cast<WParam>(kExMeterTypeSelect)) drawMeterFromReply(w);
  else if (m.w == static_cast<WParam>(kExAnt3Setting)) w.RequestBlockIconsRedraw(false);
  return 0;
}

// A pop-up over the TFT screen closed: its strip is drawn again.
LParam onPopupClosed(MainWindowServices& w, const Msg& m) {
  if (m.w != 0) w.RequestBlockIconsRedraw(true);
  return 0;
}

LParam onMainDialAngle(MainWindowServices& w, const Msg& m) {
  r(w).drawMainDial(static_cast<int>(m.w));
  return 0;
}

constexpr WindowRow kMessages[] = {
    {WM_ANL_EVT_RT, onVfoB},
    {WM_ANL_EVT_XT, onVfoB},
    {WM_ANL_EVT_SF, onSf},
    {WM_ANL_EVT_BP, onBp},
    {WM_ANL_EVT_BC, onMenuAndIndicators},
    {WM_ANL_EVT_CO, onCo},
    {WM_ANL_EVT_NR, onMenuAndIndicators},
    {WM_ANL_EVT_PR, onMenuAndIndicators},
    {WM_ANL_EVT_KR, onMenuAndIndicators},
    {WM_ANL_EVT_VX, onMenuAndIndicators},
    {WM_ANL_EVT_FT, onFt},
    // Soft keys 2, 4 and 8 follow the receiving side's mode.
    {WM_ANL_EVT_FR, onMenuStrip},
    {WM_ANL_EVT_LK, onLk},
    {WM_ANL_EVT_FS, onFs},
    {WM_ANL_EVT_VS, onVs},
    {WM_ANL_EVT_NA, onIndicators},
    {WM_ANL_EVT_NB, onBlockIcon},
    {WM_ANL_EVT_RF, onBlockIcon},
    {WM_ANL_EVT_GT, onBlockIcon},
    {WM_ANL_EVT_RA, onBlockIcon},
    {WM_ANL_EVT_PA, onBlockIcon},
    {WM_ANL_EVT_AN, onBlockIcon},
    {WM_ANL_EVT_AC, onIndicators},
    {WM_ANL_EVT_DS, nullptr},
    {WM_ANL_EVT_CS, nullptr},
    {WM_ANL_EVT_MX, onMx},
    {WM_ANL_EVT_BI, onBi},
    {WM_ANL_EVT_ML, onMl},
    {WM_ANL_EVT_RM, onMeter},
    {WM_ANL_EVT_ID, onMeter},
    {WM_ANL_EVT_KP, nullptr},
    {WM_ANL_EVT_KS, onLevel},
    {WM_ANL_EVT_MG, onLevel},
    {WM_ANL_EVT_PL, onLevel},
    {WM_ANL_EVT_PC, onLevel},
    {WM_ANL_EVT_VG, nullptr},
    {WM_ANL_EVT_VD, nullptr},
    {WM_ANL_EVT_RL, nullptr},
    // SQ, AG, RG redraw knob rings only, which the knob drawing owns.
    {WM_ANL_EVT_SQ, nullptr},
    {WM_ANL_EVT_AG, nullptr},
    {WM_ANL_EVT_RG, nullptr},
    {WM_ANL_EVT_IF, onIf},
    {WM_ANL_EVT_VF, onVf},
    {WM_ANL_EVT_IS, onShiftWidth},
    {WM_ANL_EVT_SH, onShiftWidth},
    {WM_ANL_EVT_BY, onMeter},
    {WM_ANL_EVT_FA, onFa},
    {WM_ANL_EVT_FB, onVfoB},
    {WM_ANL_EVT_CT, onMenuStrip},
    {WM_ANL_EVT_OS, onMenuStrip},
    {WM_ANL_EVT_SM, onSm},
    {WM_ANL_EVT_TX, onMeter},
    {WM_ANL_EVT_AI, onAi},
    {WM_ANL_EVT_MC, onMc},
    {WM_ANL_EVT_OI, onOi},
    {WM_ANL_EVT_MD, onMd},
    {WM_ANL_EVT_MS, onMs},
    {WM_ANL_EVT_PS, onPs},
    {WM_ANL_EVT_RI, onRi},
    {WM_ANL_EVT_BG, onBg},
    {WM_ANL_EVT_KC, onKc},
    {WM_ANL_EVT_CA, onCa},
    {WM_ANL_EVT_EX, onEx},
    {kMsgAiTurnedOn, onBg},
    // Replies the main window leaves alone.
    {WM_ANL_EVT_TS, nullptr},
    {WM_ANL_EVT_DP, nullptr},
    {WM_ANL_EVT_SD, nullptr},
    {WM_ANL_EVT_SC, nullptr},
    {WM_ANL_EVT_UL, nullptr},
    {WM_ANL_EVT_PB, nullptr},
    {WM_ANL_EVT_RS, nullptr},
    {WM_ANL_EVT_CW, nullptr},
    {WM_ANL_EVT_LM, nullptr},
    {WM_ANL_EVT_DA, nullptr},
    {WM_ANL_EVT_MR, nullptr},
    {WM_ANL_EVT_NL, nullptr},   // the noise-blanker level shows nowhere
    {panel::kMsgMainDialAngle, onMainDialAngle},
    {kMsgPopupClosed, onPopupClosed},
};

constexpr WindowRow kTimers[] = {
    {kTimerMainFreq, onFa},
    {kTimerVfoB, onVfoB},
};

}  // namespace

void drawMeterFromReply(MainWindowServices& w) { w.RequestMeterRedraw(st(w).get_RM_Meter1()); }

void DrawTFT_Image(MainWindowServices& w) {
  r(w).DrawTFT_Menu(st(w));
  w.RequestBlockIconsRedraw(false);
  if (st(w).get_AI_Stat() == 1) {
    r(w).forgetPassBands();
    r(w).drawPassBand(0, st(w));
    r(w).drawPassBand(1, st(w));
  }
  r(w).DrawTFT_FuncIndicators(st(w));
  r(w).DrawTFT_BarDisp(st(w));
}

void redrawVfoDisplays(MainWindowServices& w) {
  onFa(w, Msg{WM_ANL_EVT_FA, 0, 0});
  onVfoB(w, Msg{WM_ANL_EVT_FB, 0, 0});
}

extern const WindowRoutes kPanelDisplayRoutes{"panel display", kMessages, kTimers, {}};

}  // namespace hrx::gui
