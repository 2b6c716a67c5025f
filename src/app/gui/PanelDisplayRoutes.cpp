// Replies and looks that redraw the panel: frequencies, lamps, meters.
#include "analysis/AnalyserMessages.h"
#include "app/gui/QtMainWindow.h"
#include "panel/PanelCtrl.h"

namespace hrx::gui {

namespace {

constexpr MsgId kLookCom = 0x8578;
constexpr MsgId kLookOnOff = 0x8579;

// The two lamps' looks: pressed by the panel, lit by the radio's replies.
struct LampPart final : WindowPart {
  explicit LampPart(QtMainWindow&) {}
  bool comOn = false;
  bool comPressed = false;
  bool powerOn = false;
  bool powerPressed = false;
  int lastSMeter = 0;   // redrawn when the radio goes off or disconnects
};

void drawComLamp(QtMainWindow& w) {
  const LampPart& l = w.part<LampPart>();
  w.renderer().drawSwitch(render::Switch::Com, (l.comPressed ? 1 : 0) + (l.comOn ? 2 : 0));
}

void drawOnOffKey(QtMainWindow& w) {
  const LampPart& l = w.part<LampPart>();
  w.renderer().drawSwitch(render::Switch::OnOff, (l.powerPressed ? 1 : 0) + (l.powerOn ? 2 : 0));
}

LParam onFa(QtMainWindow& w, const Msg&) {
  if (w.core() != nullptr) w.renderer().DrawMainFrequency(w.core()->state(), w.core()->state().get_VfoA_Freq());
  return 0;
}

LParam onFb(QtMainWindow& w, const Msg&) {
  if (w.core() != nullptr) w.renderer().DrawTFT_VFO_B(w.core()->state());
  return 0;
}

LParam onAi(QtMainWindow& w, const Msg&) {
  LampPart& l = w.part<LampPart>();
  l.comOn = w.core() != nullptr && w.core()->state().get_AI_Stat() == 1;
  drawComLamp(w);
  if (!l.comOn) {
    w.killWindowTimer(kTimerDeferred);
    w.RequestMeterRedraw(l.lastSMeter);
  }
  return 0;
}

LParam onPs(QtMainWindow& w, const Msg&) {
  LampPart& l = w.part<LampPart>();
  l.powerOn = w.core() != nullptr && w.core()->state().get_PS_Stat() == 1;
  drawOnOffKey(w);
  if (!l.powerOn) {
    w.killWindowTimer(kTimerDeferred);
    w.RequestMeterRedraw(l.lastSMeter);
  }
  return 0;
}

LParam onSm(QtMainWindow& w, const Msg&) {
  if (w.core() == nullptr) return 0;
  LampPart& l = w.part<LampPart>();
  l.lastSMeter = w.core()->state().get_SM_Meter1();
  w.RequestMeterRedraw(l.lastSMeter);
  return 0;
}

LParam onBlockIcon(QtMainWindow& w, const Msg&) {
  w.RequestBlockIconsRedraw(false);
  return 0;
}

LParam onLookCom(QtMainWindow& w, const Msg& m) {
  w.part<LampPart>().comPressed = m.w != 0;
  drawComLamp(w);
  return 0;
}

LParam onLookOnOff(QtMainWindow& w, const Msg& m) {
  w.part<LampPart>().powerPressed = m.w != 0;
  drawOnOffKey(w);
  return 0;
}

LParam onMainDialAngle(QtMainWindow& w, const Msg& m) {
  w.renderer().drawMainDial(static_cast<int>(m.w));
  return 0;
}

constexpr WindowRow kMessages[] = {
    {WM_ANL_EVT_FA, onFa},
    {WM_ANL_EVT_FB, onFb},
    {WM_ANL_EVT_AI, onAi},
    {WM_ANL_EVT_PS, onPs},
    {WM_ANL_EVT_SM, onSm},
    {WM_ANL_EVT_NB, onBlockIcon},
    {WM_ANL_EVT_RF, onBlockIcon},
    {WM_ANL_EVT_GT, onBlockIcon},
    {WM_ANL_EVT_RA, onBlockIcon},
    {WM_ANL_EVT_PA, onBlockIcon},
    {WM_ANL_EVT_AN, onBlockIcon},
    {kLookCom, onLookCom},
    {kLookOnOff, onLookOnOff},
    {panel::kMsgMainDialAngle, onMainDialAngle},
};

constexpr WindowRow kTimers[] = {
    {kTimerMainFreq, onFa},
    {kTimerVfoB, onFb},
    // Their displays are not drawn yet.
    {kTimerPassBandMain, nullptr},
    {kTimerPassBandSub, nullptr},
    {kTimerBlink, nullptr},
};

}  // namespace

extern const WindowRoutes kPanelDisplayRoutes{"panel display", kMessages, kTimers, {}};

}  // namespace hrx::gui
