// Frequency digits, the mouse wheel and the selection pop-ups' items.
#include <algorithm>
#include <iterator>

#include "panel/PanelCtrl.h"

namespace hrx::panel {

namespace {

constexpr HitRect kMainDialSquare = {623, 111, 807, 295, kIdMainDial};
constexpr HitRect kSubDialSquare = {895, 231, 983, 319, kIdSubDial};
constexpr int kThirdDialRadius = 33;
constexpr int kMeterSpotX = 128;
constexpr int kMeterSpotY = 215;
constexpr int kMeterSpotRadius = 27;
// Where the wheel and a drag reach the select dials' functions.
constexpr int kFuncRegionAX = 837, kFuncRegionBX = 956, kFuncRegionY = 270, kFuncRegionRadius = 33;
// The function of each select-dial function state (VFO-A side; the VFO-B
// side's ids are 8 higher); state 3 is 224 or 225 by mode and contour.
constexpr int kFuncByState[] = {0, 222, 223, 224, 228, 226, 229};
constexpr int kFuncCwContour = 225;

constexpr PopupItem kTune[] = {{"TUNER OFF", 1}, {"TUNER ON", 2}, {"TUNING", 3}, {nullptr, 0}};
constexpr PopupItem kAnt[] = {{"ANT 1", 2}, {"ANT 2", 3}, {"ANT 3", 4}, {nullptr, 0}};
constexpr PopupItem kIpo[] = {{"AMP1", 1}, {"AMP2", 2}, {"IPO", 3}, {nullptr, 0}};
constexpr PopupItem kAtt[] = {{"ATT OFF", 1}, {"6dB(1/2)", 2}, {"12dB(1/4)", 3}, {"18dB(1/8)", 4}, {nullptr, 0}};
constexpr PopupItem kRflt[] = {{"AUTO", 1},  {"300Hz", 6}, {"600Hz", 5}, {"3KHz", 4},
                               {"6KHz", 3},  {"15KHz", 2}, {nullptr, 0}};
constexpr PopupItem kNb[] = {{"NB OFF", 1}, {"NB ON", 2}, {"NBW ON", 3}, {nullptr, 0}};
constexpr PopupItem kAgc[] = {{"AGC OFF", 1}, {"AGC AUTO", 2}, {"AGC FAST", 3},
                              {"AGC MID", 4}, {"AGC SLOW", 5}, {nullptr, 0}};
constexpr PopupItem kSplit[] = {{"SPLIT", 1}, {"QUICK SPLIT", 3}, {nullptr, 0}};
constexpr PopupItem kMode[] = {{"LSB", 1},      {"USB", 2},       {"LSB CW", 7},    {"USB CW", 3},
                               {"LSB RTTY", 6}, {"USB RTTY", 9},  {"LSB DATA", 8},  {"USB DATA", 12},
                               {"AM", 5},       {"FM", 4},        {nullptr, 0}};
constexpr PopupItem kMhz[] = {{"OFF", 1}, {"MHz", 2}, {"uTUNE ON/OFF", 3}, {nullptr, 0}};
constexpr PopupItem kMch[] = {{"OFF", 1}, {"MCH", 2}, {"GRP", 3}, {nullptr, 0}};

// Where a pop-up's setting stands: the radio's value as the character its
// command carries, and the character each item sends, by the item's value
// ('-': none sends it), as the composer's operations pick them.
constexpr char digitOf(std::int32_t v) { return static_cast<char>(v < 10 ? '0' + v : 'A' + v - 10); }
char tuneNow(const RadioState& s) { return digitOf(s.get_AC_Stat()); }
// The reply's antenna is one less than its command's.
char antNow(const RadioState& s) { return digitOf(s.get_AN_Main() + 1); }
char ipoNow(const RadioState& s) { return digitOf(s.get_PA_Main()); }
char attNow(const RadioState& s) { return digitOf(s.get_RA_Main()); }
char rfltNow(const RadioState& s) { return digitOf(s.get_RF_Main()); }
char nbNow(const RadioState& s) { return digitOf(s.get_NB_Main()); }
// The radio tells the automatic AGC's speed; the menu has one AUTO.
char agcNow(const RadioState& s) { return digitOf(s.get_GT_Main() >= 4 ? 4 : s.get_GT_Main()); }
char modeNow(const RadioState& s) { return digitOf(s.get_MD_Main()); }

constexpr PopupMenu kPopups[] = {
    {2, 17, 117, kTune, tuneNow, "012"},
    {4, 90, 73, kAnt, antNow, "-123"},
    {31, 90, 100, kIpo, ipoNow, "120"},
    {30, 90, 127, kAtt, attNow, "0123"},
    // The reply numbers the filters otherwise than the command: only AUTO is both's 0.
    {32, 90, 153, kRflt, rfltNow, "0-----"},
    {34, 90, 179, kNb, nbNow, "012"},
    {33, 90, 206, kAgc, agcNow, "04123"},
    {43, 586, 236, kSplit},
    {10, 868, 261, kMode, modeNow, "123456789ABCD"},
    {12, 868, 309, kMhz},
    {13, 989, 309, kMch},
};

}  // namespace

const PopupMenu* findPopup(int id) {
  for (const PopupMenu& m : kPopups)
    if (m.key == id) return &m;
  return nullptr;
}

std::int32_t popupChoice(const PopupMenu& menu, const RadioState& st) {
  if (menu.now == nullptr) return 0;
  const char c = menu.now(st);
  for (int item = 0; menu.picks[item] != '\0'; ++item)
    if (menu.picks[item] == c) return item + 1;
  return 0;
}

int wheelAngle(int angle, bool away) {
  // Modulo 360: a fixed wrap value would turn one notch near 0 into an
  // angle change other than 7 degrees.
  const int a = angle + (away ? -kDegreesPerStep : kDegreesPerStep);
  return ((a % 360) + 360) % 360;
}

void PanelCtrl::Ctrl_OpVfoDspSetting(int id) {
  const bool sub = id >= kIdFirstSubDigit;
  if (id == opStats_) {
    host_.look(sub ? kMsgSubDigitSet : kMsgMainDigitSet, 0, 0);
    opStats_ = 0;
    return;
  }
  if (digitChosen()) {
    const bool wasSub = opStats_ >= kIdFirstSubDigit;
    if (wasSub != sub) host_.look(wasSub ? kMsgSubDigitSet : kMsgMainDigitSet, 0, 0);
  }
  host_.look(sub ? kMsgSubDigitSet : kMsgMainDigitSet, static_cast<WParam>(vfoSetNum_), 0);
  opStats_ = id;
}

void PanelCtrl::endDigitChoice() {
  host_.look(opStats_ >= kIdFirstSubDigit ? kMsgSubDigitSet : kMsgMainDigitSet, 0, 0);
  opStats_ = 0;
}

void PanelCtrl::OnMouseWheel(int delta, int x, int y) {
  if (digitChosen()) {
    Ctrl_OpVfoDspMouseWheel(delta);
  } else if (knobFocused()) {
    if (repeatSuppressed_) return;
    sendKnobStep(delta <= 0, false, true);
  } else if (opStats_ == 0) {
    wheelOverRegions(delta, x, y);
  }
}

// The frequency the next digit notch builds on: the one last asked for
// while the radio has not reported it yet, so notches faster than its
// echo are not lost; otherwise the radio's own.
std::int32_t PanelCtrl::digitBase(bool sub) {
  const RadioState* st = host_.radio();
  const std::int32_t reported = st == nullptr ? 0 : (sub ? st->get_VfoB_Freq() : st->get_VfoA_Freq());
  Pending& p = pending_[sub ? 1 : 0];
  const std::uint64_t now = host_.nowMs();
  if (!p.active) return reported;
  if (reported == p.requested) {
    p.active = false;
    return reported;
  }
  if (reported != p.lastSeen) {
    p.lastSeen = reported;
    p.seenAtMs = now;
  } else if (now - p.seenAtMs >= kEchoGiveUpMs) {
    // The radio did not take it: start again from what it shows.
    p.active = false;
    return reported;
  }
  return p.requested;
}

void PanelCtrl::noteRequested(bool sub, std::int32_t hz) {
  Pending& p = pending_[sub ? 1 : 0];
  const RadioState* st = host_.radio();
  const std::int32_t reported = st == nullptr ? 0 : (sub ? st->get_VfoB_Freq() : st->get_VfoA_Freq());
  if (!p.active || reported != p.lastSeen) {
    p.lastSeen = reported;
    p.seenAtMs = host_.nowMs();
  }
  p.requested = hz;
  p.active = true;
}

void PanelCtrl::Ctrl_OpVfoDspMouseWheel(int delta) {
  if (!digitChosen() || vfoSetNum_ < 1 || vfoSetNum_ > 8) return;
  const bool sub = opStats_ >= kIdFirstSubDigit;
  std::int32_t step = delta > 0 ? 1 : -1;
  for (int i = 1; i < vfoSetNum_; ++i) step *= 10;
  std::int64_t hz = static_cast<std::int64_t>(digitBase(sub)) + step;
  if (hz < kFreqMin) return;
  if (hz > kFreqMax) {
    if (vfoSetNum_ != 8) return;
    hz = kFreqMax;
  }
  frequency_ = static_cast<std::int32_t>(hz);
  noteRequested(sub, frequency_);
  Ctrl_ReqAnlSend(opStats_, false);
}

void PanelCtrl::dialWheelStep(const Dial& d, int& angle, int& steps, bool away) {
  const int before = angle;
  angle = wheelAngle(angle, away);
  host_.look(d.angleMsg, static_cast<WParam>(angle), 0);
  int delta = angle - before;
  if (delta > 180) delta -= 360;
  else if (delta <= -180) delta += 360;
  // One notch is one step: whatever a drag left unconverted is not added.
  steps += delta / kDegreesPerStep;
  Ctrl_ReqAnlSend(d.id, vfoFlag_);
}

void PanelCtrl::wheelOverRegions(int delta, int x, int y) {
  if (busy()) return;
  const bool away = delta > 0;
  if (kMainDialSquare.contains(x, y)) dialWheelStep(kMainDial, mainAngle_, mainSteps_, away);
  const RadioState* st = host_.radio();
  const int sf = st != nullptr ? st->get_SF_Value() : 0;
  bool subTurned = false;
  if (sf == 4 && kSubDialSquare.contains(x, y)) {
    dialWheelStep(kSubDial, subAngle_, subSteps_, away);
    subTurned = true;
  }
  if (sf == 5 && discHit(x, y, kSubDialCentreX, kSubDialCentreY, kThirdDialRadius)) {
    dialWheelStep(kThirdDial, thirdAngle_, thirdSteps_, away);
    subTurned = true;
  }
  if (subTurned) host_.setTimer(kTimerDialRest, kRestMs);
  if (discHit(x, y, kFuncRegionAX, kFuncRegionY, kFuncRegionRadius)) Ctrl_VfoADialWheelStep(delta);
  if (discHit(x, y, kFuncRegionBX, kFuncRegionY, kFuncRegionRadius)) Ctrl_VfoBDialWheelStep(delta);
  if (discHit(x, y, kMeterSpotX, kMeterSpotY, kMeterSpotRadius)) {
    const std::int32_t now = st != nullptr ? st->get_MS_Stat() : 0;
    std::int32_t next = now + (away ? 1 : -1);
    if (next < 0) next = 0;
    if (next > 5) next = 5;
    if (next != now) {
      switchPos_ = next;
      Ctrl_ReqAnlSend(kIdMeterSpot, vfoFlag_);
    }
  }
}

MsgId PanelCtrl::funcAngleMsg(int funcId) {
  return static_cast<MsgId>(kMsgFuncAngleA + (funcId - kIdFirstFunc));
}

int PanelCtrl::dialFunction(bool vfoB) {
  const PanelMirror* m = host_.mirror();
  const RadioState* st = host_.radio();
  if (m == nullptr || st == nullptr) return 0;
  const int state = vfoB ? m->get_DialFunc_Sub() : m->get_DialFunc_Main();
  if (state < 1 || state >= static_cast<int>(std::size(kFuncByState))) return 0;
  int f = kFuncByState[state];
  if (state == 3) {
    // As the key-mode word reads it: a CW mode with the contour kind 0 or 2.
    const std::int32_t mode = vfoB ? st->get_MD_Sub() : st->get_MD_Main();
    const std::int32_t kind = vfoB ? st->get_CO_Sub_OnKind() : st->get_CO_Main_OnKind();
    if ((mode == 3 || mode == 7) && (kind == 0 || kind == 2)) f = kFuncCwContour;
  }
  return vfoB ? f + (kIdFirstFuncB - kIdFirstFunc) : f;
}

void PanelCtrl::Ctrl_VfoADialWheelStep(int delta) { funcWheelStep(false, delta); }
void PanelCtrl::Ctrl_VfoBDialWheelStep(int delta) { funcWheelStep(true, delta); }

void PanelCtrl::funcWheelStep(bool vfoB, int delta) {
  const int f = dialFunction(vfoB);
  if (f == 0) return;
  FuncDial& d = funcs_[f - kIdFirstFunc];
  const int before = d.angle;
  d.angle = wheelAngle(d.angle, delta < 1);
  host_.look(funcAngleMsg(f), static_cast<WParam>(d.angle), 0);
  int change = d.angle - before;
  if (change > 180) change -= 360;
  else if (change <= -180) change += 360;
  d.accum += change;
  const int steps = std::clamp(d.accum / kDegreesPerStep, -kFuncStepLimit, kFuncStepLimit);
  if (steps != 0) d.accum = 0;
  d.steps += steps;
  activeFunc_ = f;
  Ctrl_ReqAnlSend(f, vfoFlag_);
  host_.setTimer(vfoB ? kTimerFuncRestB : kTimerFuncRestA, kRestMs);
}

bool PanelCtrl::startFuncDrag(bool vfoB, int x, int y) {
  if (!discHit(x, y, vfoB ? kFuncRegionBX : kFuncRegionAX, kFuncRegionY, kFuncRegionRadius)) return false;
  const int f = dialFunction(vfoB);
  if (f == 0) return false;
  startDrag(dialOf(f), x, y);
  return true;
}

}  // namespace hrx::panel
