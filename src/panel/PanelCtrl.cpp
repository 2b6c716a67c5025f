#include "panel/PanelCtrl.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace hrx::panel {

namespace {

constexpr HitRect kAreas[] = {
    {10, 26, 60, 168, 'A'},   {77, 47, 145, 216, 'B'},  {147, 47, 438, 217, 'C'}, {448, 58, 544, 210, 'D'},
    {69, 224, 567, 333, 'E'}, {586, 46, 847, 90, 'F'},  {577, 88, 853, 307, 'G'}, {863, 33, 1018, 328, 'H'},
    {0, 0, 0, 0, 0},
};

constexpr HitRect kAreaA[] = {{18, 48, 50, 73, 1}, {17, 94, 50, 117, 2}, {14, 130, 54, 159, 3}, {0, 0, 0, 0, 0}};

constexpr HitRect kAreaB[] = {{90, 59, 135, 73, 4},    {90, 85, 135, 100, 31},  {90, 112, 135, 127, 30},
                              {90, 138, 135, 153, 32}, {90, 164, 135, 179, 34}, {90, 190, 135, 206, 33},
                              {0, 0, 0, 0, 0}};

constexpr HitRect kAreaC[] = {
    {162, 168, 221, 183, 22}, {228, 168, 287, 183, 23}, {294, 168, 353, 183, 24}, {361, 168, 420, 183, 25},
    {162, 188, 221, 203, 26}, {228, 188, 287, 203, 27}, {294, 188, 353, 203, 28}, {361, 188, 420, 203, 29},
    {330, 127, 341, 142, 215}, {341, 127, 352, 142, 214}, {355, 127, 366, 142, 213}, {367, 127, 378, 142, 212},
    {378, 127, 389, 142, 211}, {392, 127, 403, 142, 210}, {404, 127, 415, 142, 209}, {415, 127, 426, 142, 208},
    {0, 0, 0, 0, 0}};

constexpr HitRect kAreaD[] = {{459, 99, 489, 112, 35}, {0, 0, 0, 0, 0}};

constexpr HitRect kAreaE[] = {{75, 279, 92, 294, 36},   {189, 279, 207, 294, 37}, {302, 279, 320, 294, 5},
                              {416, 279, 434, 294, 38}, {529, 279, 547, 294, 39}, {0, 0, 0, 0, 0}};

#define HRX_AREA_G_KEYS                                                                                    \
  {587, 104, 624, 114, 6}, {630, 104, 673, 114, 7}, {755, 104, 798, 114, 8}, {804, 104, 847, 114, 9},      \
      {587, 127, 640, 146, 40}, {587, 157, 620, 176, 41}, {586, 186, 612, 206, 42},                        \
      {586, 215, 615, 236, 43}, {586, 245, 630, 265, 44}, {787, 126, 841, 147, 46},                        \
      {807, 156, 841, 176, 47}, {815, 186, 841, 206, 48}, {812, 215, 841, 236, 49},                        \
      {798, 245, 841, 265, 50}, {769, 277, 809, 293, 51}, {808, 277, 841, 293, 52}

constexpr HitRect kAreaF[] = {{767, 53, 785, 79, 200}, {747, 53, 765, 79, 201}, {727, 53, 745, 79, 202},
                              {704, 53, 722, 79, 203}, {684, 53, 702, 79, 204}, {664, 53, 682, 79, 205},
                              {641, 53, 659, 79, 206}, {621, 53, 639, 79, 207}, HRX_AREA_G_KEYS,
                              {0, 0, 0, 0, 0}};

constexpr HitRect kAreaG[] = {HRX_AREA_G_KEYS, {0, 0, 0, 0, 0}};
#undef HRX_AREA_G_KEYS

constexpr HitRect kAreaH[] = {
    {872, 43, 909, 60, 54},    {921, 43, 957, 60, 55},    {969, 43, 1005, 60, 56},   {872, 73, 909, 90, 57},
    {920, 73, 957, 90, 58},    {969, 73, 1005, 90, 59},   {872, 104, 909, 121, 60},  {921, 104, 957, 120, 61},
    {969, 104, 1005, 120, 62}, {872, 133, 909, 150, 63},  {921, 133, 957, 150, 53},  {969, 133, 1005, 150, 64},
    {872, 176, 909, 199, 95},  {921, 176, 957, 199, 96},  {969, 176, 1005, 199, 65}, {868, 240, 889, 261, 10},
    {868, 288, 889, 309, 12},  {989, 240, 1010, 261, 11}, {989, 288, 1010, 309, 13}, {0, 0, 0, 0, 0}};

constexpr const HitRect* kAreaTables[] = {kAreaA, kAreaB, kAreaC, kAreaD, kAreaE, kAreaF, kAreaG, kAreaH};
constexpr int kAreaC_Index = 2;
constexpr int kAreaE_Index = 4;
constexpr int kAreaF_Index = 5;
constexpr int kAreaG_Index = 6;
constexpr int kAreaH_Index = 7;
constexpr HitRect kMainDialSquare = {623, 111, 807, 295, kIdMainDial};
constexpr HitRect kSubDialSquare = {895, 231, 983, 319, kIdSubDial};
constexpr int kMeterSpotX = 128;
constexpr int kMeterSpotY = 215;
constexpr int kMeterSpotRadius = 27;
constexpr std::int32_t kMeterSelMax = 5;
constexpr int kBandKeyFirst = 53;   // band keys 53..62 type 0..9 into the entry window
constexpr int kBandKeyLast = 62;

using V = ValueKind;
constexpr KeyRow kKeys[] = {
    {1, 0x8579, 2, V::Zero, false, false},      {2, 0x857D, 6, V::Popup, false, true},
    {3, 0x8578, 1, V::Zero, false, false},      {4, 0x8602, 187, V::Popup, true, true},
    {5, 0x8603, 188, V::Zero, false, false},    {6, 0x8604, 189, V::Zero, false, false},
    {7, 0x8605, 190, V::Zero, false, false},    {8, 0x8606, 191, V::Zero, false, false},
    {9, 0x8607, 192, V::Zero, false, false},    {10, 0x8608, 193, V::Popup, false, true},
    {11, 0x8609, 194, V::Zero, false, false},   {12, 0x860A, 195, V::Popup, false, true},
    {13, 0x860B, 196, V::Popup, false, true},   {22, 0x8614, 205, V::Zero, false, false},
    {23, 0x8615, 206, V::Zero, false, false},   {24, 0x8616, 207, V::Zero, false, false},
    {25, 0x8617, 208, V::Zero, false, false},   {26, 0x8618, 209, V::Zero, false, false},
    {27, 0x8619, 210, V::Zero, false, false},   {28, 0x861A, 211, V::Zero, false, false},
    {29, 0x861B, 212, V::Zero, false, false},   {30, 0x8583, 13, V::Popup, true, true},
    {31, 0x8584, 14, V::Popup, true, true},     {32, 0x8585, 15, V::Popup, true, true},
    {33, 0x8586, 16, V::Popup, true, true},     {34, 0x8587, 17, V::Popup, true, true},
    {35, 0x85A9, 42, V::Zero, false, false},    {36, 0x857B, 4, V::Zero, false, false},
    {37, 0x85BA, 58, V::Zero, false, false},    {38, 0x8588, 18, V::Zero, false, false},
    {39, 0x8580, 10, V::Zero, false, false},    {40, 0x859A, 28, V::Zero, false, false},
    {41, 0x859B, 29, V::Zero, false, false},    {42, 0x859C, 30, V::Zero, true, false},
    {43, 0x859D, 31, V::Popup, false, true},    {44, 0x859E, 32, V::One, false, false},
    {45, 0, 32, V::Zero, false, false},         {46, 0x85A4, 37, V::Zero, false, false},
    {47, 0x85A5, 38, V::Zero, false, false},    {48, 0x85A6, 39, V::Zero, false, false},
    {49, 0x85A7, 40, V::Zero, false, false},    {50, 0x85A8, 41, V::Zero, false, false},
    {51, 0x85A2, 35, V::Zero, false, false},    {52, 0x85A3, 36, V::Zero, false, false},
    {53, 0x85AA, 43, V::Zero, true, false},     {54, 0x85AB, 44, V::Zero, true, false},
    {55, 0x85AC, 45, V::Zero, true, false},     {56, 0x85AD, 46, V::Zero, true, false},
    {57, 0x85AE, 47, V::Zero, true, false},     {58, 0x85AF, 48, V::Zero, true, false},
    {59, 0x85B0, 49, V::Zero, true, false},     {60, 0x85B1, 50, V::Zero, true, false},
    {61, 0x85B2, 51, V::Zero, true, false},     {62, 0x85B3, 52, V::Zero, true, false},
    {63, 0x85B4, 53, V::Zero, true, false},     {64, 0x85B5, 0, V::Zero, false, false},
    {65, 0x85B8, 56, V::Zero, false, false},    {95, 0x85B6, 54, V::Zero, false, false},
    {96, 0x85B7, 55, V::Zero, false, false},
    // This panel names no operation for its hold keys; the up/down keys
    // stand in, so that the hold rule has something to send.
    {kIdHoldOnceA, 0, 151, V::Zero, true, false},   {kIdHoldOnceB, 0, 152, V::Zero, true, false},
    {kIdHoldRepeatA, 0, 151, V::Zero, true, false}, {kIdHoldRepeatB, 0, 152, V::Zero, true, false},
    {14, 0, 197, V::KnobStep, false, false},    {15, 0, 198, V::KnobStep, false, false},
    {16, 0, 199, V::KnobStep, false, false},    {17, 0, 200, V::KnobStep, false, false},
    {18, 0, 201, V::KnobStep, false, false},    {19, 0, 202, V::KnobStep, false, false},
    {20, 0, 203, V::KnobStep, false, false},    {21, 0, 204, V::KnobStep, false, false},
    {kIdMeterSpot, 0, 86, V::SwitchPos, false, false},
    {kIdMainDial, 0, 78, V::MainSteps, false, false},
    {kIdSubDial, 0, 79, V::SubSteps, false, false},
    {kIdThirdDial, 0, 84, V::ThirdSteps, false, false},
    {200, 0, 82, V::Frequency, false, false},   {201, 0, 82, V::Frequency, false, false},
    {202, 0, 82, V::Frequency, false, false},   {203, 0, 82, V::Frequency, false, false},
    {204, 0, 82, V::Frequency, false, false},   {205, 0, 82, V::Frequency, false, false},
    {206, 0, 82, V::Frequency, false, false},   {207, 0, 82, V::Frequency, false, false},
    {208, 0, 83, V::Frequency, false, false},   {209, 0, 83, V::Frequency, false, false},
    {210, 0, 83, V::Frequency, false, false},   {211, 0, 83, V::Frequency, false, false},
    {212, 0, 83, V::Frequency, false, false},   {213, 0, 83, V::Frequency, false, false},
    {214, 0, 83, V::Frequency, false, false},   {215, 0, 83, V::Frequency, false, false},
    {kIdEntryMain, 0, 82, V::Frequency, false, false},
    {kIdEntrySub, 0, 83, V::Frequency, false, false},
    {222, 0, 80, V::FuncSteps, false, false},   {223, 0, 80, V::FuncSteps, false, false},
    {224, 0, 80, V::FuncSteps, false, false},   {225, 0, 80, V::FuncSteps, false, false},
    {226, 0, 80, V::FuncSteps, false, false},   {227, 0, 80, V::FuncSteps, false, false},
    {228, 0, 80, V::FuncSteps, false, false},   {229, 0, 80, V::FuncSteps, false, false},
    {230, 0, 81, V::FuncSteps, false, false},   {231, 0, 81, V::FuncSteps, false, false},
    {232, 0, 81, V::FuncSteps, false, false},   {233, 0, 81, V::FuncSteps, false, false},
    {234, 0, 81, V::FuncSteps, false, false},   {235, 0, 81, V::FuncSteps, false, false},
    {236, 0, 81, V::FuncSteps, false, false},   {237, 0, 81, V::FuncSteps, false, false},
};

}  // namespace

const PanelCtrl::Dial PanelCtrl::kMainDial{kIdMainDial, kMainDialCentreX, kMainDialCentreY, kMsgMainDialAngle};
const PanelCtrl::Dial PanelCtrl::kSubDial{kIdSubDial, kSubDialCentreX, kSubDialCentreY, kMsgSubDialAngle};
const PanelCtrl::Dial PanelCtrl::kThirdDial{kIdThirdDial, kSubDialCentreX, kSubDialCentreY, kMsgThirdDialAngle};

int findHit(const HitRect* table, int x, int y) {
  for (const HitRect* r = table; r->id != 0; ++r)
    if (r->contains(x, y)) return r->id;
  return 0;
}

int findArea(int x, int y) {
  for (int i = 0; kAreas[i].id != 0; ++i)
    if (kAreas[i].contains(x, y)) return i;
  return -1;
}

const HitRect* areaTable(int area) {
  if (area < 0 || area >= static_cast<int>(std::size(kAreaTables))) return nullptr;
  return kAreaTables[area];
}

int cursorAngle(int x, int y, int cx, int cy) {
  const double dx = x - cx;
  const double dy = -(y - cy);
  int a = static_cast<int>(std::atan2(dy, dx) * 180.0 / M_PI);
  if (a < 0) a += 360;
  return a;
}

const KeyRow* findKey(int id) {
  for (const KeyRow& k : kKeys)
    if (k.id == id) return &k;
  return nullptr;
}

void PanelCtrl::OnLButtonDown(int x, int y) {
  // A key released inside its debounce time is let go before the next press.
  if (releaseDue_ && !popupOpen_ && !menuOpen_ && !messageOpen_) releaseKey(opStats_);
  if (busy()) host_.focusBusyWindow();
  vfoFlag_ = host_.vfoSelected();
  const int area = findArea(x, y);
  if (area < 0) {
    if (knobFocused()) startRepeat(true);
    return;
  }
  const int id = findHit(kAreaTables[area], x, y);
  if (id == 0) {
    if (area == kAreaG_Index) {
      if (busy()) return;
      if (kMainDialSquare.contains(x, y)) startDrag(kMainDial, x, y);
      else startFuncDrag(false, x, y);
    } else if (area == kAreaH_Index) {
      if (busy()) return;
      const RadioState* st = host_.radio();
      const int sf = st != nullptr ? st->get_SF_Value() : 0;
      // Function 5 turns the third dial, as the wheel does.
      if (kSubDialSquare.contains(x, y) && sf >= 1 && sf <= 7) startDrag(sf == 5 ? kThirdDial : kSubDial, x, y);
      else startFuncDrag(true, x, y);
    } else if (area == kAreaE_Index) {
      const int knob = busy() ? 0 : findKnob(x, y);
      if (knob != 0) knobClick(knob);
    } else if (knobFocused()) {
      startRepeat(true);
    }
    return;
  }
  bool endedKnob = false;
  bool endedDigit = false;
  if (knobFocused()) {
    unfocusKnob();
    endedKnob = true;
  } else if (digitChosen()) {
    endDigitChoice();
    endedDigit = true;
  }
  // The two digit areas swallow the click that ended something.
  if (area == kAreaC_Index && (endedDigit || (endedKnob && id >= 22 && id <= 29))) return;
  if (area == kAreaF_Index && endedDigit) return;
  if (id >= kIdFirstDigit && id <= kIdLastDigit) {
    if (busy()) return;
    vfoSetNum_ = id < kIdFirstSubDigit ? id - kIdFirstDigit + 1 : id - kIdFirstSubDigit + 1;
    digitIsSub_ = id >= kIdFirstSubDigit;
    Ctrl_OpVfoDspSetting(id);
    return;
  }
  const KeyRow* key = findKey(id);
  if (key == nullptr) return;
  if (key->popup) {
    startPopup(id, area);
    return;
  }
  pressedArea_ = area;
  Ctrl_OpSw(id);
}

void PanelCtrl::OnLButtonUp(int, int) {
  if (knobFocused()) {
    host_.killTimer(kTimerRepeat);
    if (!repeatSuppressed_) sendKnobStep(true, false, false);
    repeatSuppressed_ = false;
  } else if (isDial(opStats_)) {
    endDrag();
  } else if (digitChosen()) {
    // A chosen digit stays chosen.
  } else if (opStats_ != 0) {
    Ctrl_OpSw(opStats_);
  }
}

void PanelCtrl::OnRButtonDown(int x, int y) {
  vfoFlag_ = host_.vfoSelected();
  if (!busy() && discHit(x, y, kMeterSpotX, kMeterSpotY, kMeterSpotRadius)) {
    if (knobFocused()) unfocusKnob();
    const RadioState* st = host_.radio();
    const std::int32_t now = st != nullptr ? st->get_MS_Stat() : 0;
    std::int32_t next = now + 1;
    if (next > kMeterSelMax) next = kMeterSelMax;
    if (next < 0) next = 0;
    if (next != now) {
      switchPos_ = next;
      Ctrl_ReqAnlSend(kIdMeterSpot, vfoFlag_);
    }
    return;
  }
  if (knobFocused()) startRepeat(false);
}

void PanelCtrl::OnRButtonUp(int, int) {
  if (!knobFocused()) return;
  host_.killTimer(kTimerRepeat);
  if (!repeatSuppressed_) sendKnobStep(false, false, false);
  repeatSuppressed_ = false;
}

void PanelCtrl::startRepeat(bool left) {
  repeatLeft_ = left;
  host_.setTimer(kTimerRepeat, kRepeatFirstMs);
}

void PanelCtrl::repeatTick() {
  const bool down = repeatLeft_ ? host_.leftButtonDown() : host_.rightButtonDown();
  if (!down || !knobFocused()) {
    host_.killTimer(kTimerRepeat);
    repeatSuppressed_ = false;
    return;
  }
  sendKnobStep(repeatLeft_, true, false);
}

void PanelCtrl::startPopup(int id, int area) {
  const PopupMenu* menu = findPopup(id);
  const KeyRow* key = findKey(id);
  if (menu == nullptr || key == nullptr || busy()) return;
  popupKey_ = id;
  popupArea_ = area;
  popupValue_ = 0;
  popupOpen_ = true;
  if (key->look != 0) host_.look(key->look, 1, 0);
  host_.showPopup(*menu);
}

void PanelCtrl::Ctrl_OnPopupClosed(std::int32_t value) {
  if (!popupOpen_ || popupKey_ == 0) return;
  const int id = popupKey_;
  popupKey_ = 0;
  popupOpen_ = false;
  const KeyRow* key = findKey(id);
  if (key != nullptr && key->look != 0) host_.look(key->look, 0, 0);
  // Dismissed: the key does nothing. A choice is 1-based; the composer's
  // operations take the 0-based item of their command.
  if (value <= 0) return;
  popupValue_ = value - 1;
  pressedArea_ = popupArea_;
  Ctrl_OpSw(id);
}

void PanelCtrl::Ctrl_OpSw(int id) {
  // Refused before anything else: the release watch keeps calling while
  // the COM notice is up.
  if (popupOpen_ || menuOpen_ || messageOpen_) return;
  const KeyRow* key = findKey(id);
  if (key == nullptr) return;
  if (releaseDue_ && id != opStats_) releaseKey(opStats_);
  if (entryMode_) {
    if (id == kIdMenu) {
      host_.look(key->look, 1, 0);
      host_.menuAction();
      host_.look(key->look, 0, 0);
      return;
    }
    if (opStats_ == 0 && id >= kBandKeyFirst && id <= kBandKeyLast) host_.entryDigit(id - kBandKeyFirst);
  }
  if (id == opStats_) {
    // The debounce: a key is shown pressed for at least 100 ms; an early
    // release is finished by the release watch instead of a wait.
    if (host_.nowMs() - pressedAtMs_ < kDebounceMs) {
      releaseDue_ = true;
      return;
    }
    releaseKey(id);
    return;
  }
  if (opStats_ == 0 && id == kIdEnt && !entryMode_) {
    entryMode_ = true;
    entryVfoFlag_ = vfoFlag_;
    host_.openEntryWindow();
  }
  pressKey(id);
}

void PanelCtrl::pressKey(int id) {
  const KeyRow* key = findKey(id);
  opStats_ = id;
  releaseDue_ = false;
  pressedAtMs_ = host_.nowMs();
  if (key->look != 0) host_.look(key->look, 1, 0);
  if (isHoldKey(id)) host_.setTimer(kTimerHoldDelay, kHoldDelayMs);
  else if (!entryMode_) Ctrl_ReqAnlSend(id, vfoFlag_);
  host_.setTimer(kTimerRelease, kKeyWatchMs);
  if (id == kIdCom && !host_.connected()) {
    host_.connectionNotice(true);
    messageOpen_ = true;
    host_.setTimer(kTimerComNotice, kComNoticeMs);
  }
}

void PanelCtrl::releaseKey(int id) {
  const KeyRow* key = findKey(id);
  if (key != nullptr && key->look != 0) host_.look(key->look, 0, 0);
  host_.killTimer(kTimerRelease);
  if (id == kIdTxw) Ctrl_ReqAnlSend(kIdTxwRelease, vfoFlag_);
  if (isHoldKey(id)) {
    host_.killTimer(kTimerHoldDelay);
    host_.killTimer(kTimerHoldRepeat);
    Ctrl_ReqAnlSend(id, false);
  }
  opStats_ = 0;
  pressedArea_ = -1;
  releaseDue_ = false;
  // On the release, so the key is drawn up before the menu list opens.
  if (id == kIdMenu && !entryMode_) host_.look(kMsgMenuAction, 0, 0);
}

void PanelCtrl::Ctrl_OnEntryClosed(std::int32_t hz) {
  if (!entryMode_) return;
  entryMode_ = false;
  if (hz == 0) return;
  frequency_ = hz;
  Ctrl_ReqAnlSend(entryVfoFlag_ ? kIdEntrySub : kIdEntryMain, false);
}

void PanelCtrl::Ctrl_OnEventHandle_AI() {
  if (!messageOpen_) return;
  host_.killTimer(kTimerComNotice);
  host_.connectionNotice(false);
  messageOpen_ = false;
}

int& PanelCtrl::dialSteps(int id) {
  if (id == kIdSubDial) return subSteps_;
  if (id == kIdThirdDial) return thirdSteps_;
  if (id >= kIdFirstFunc && id <= kIdLastFunc) return funcs_[id - kIdFirstFunc].steps;
  return mainSteps_;
}

int& PanelCtrl::dialAngle(int id) {
  if (id == kIdSubDial) return subAngle_;
  if (id == kIdThirdDial) return thirdAngle_;
  if (id >= kIdFirstFunc && id <= kIdLastFunc) return funcs_[id - kIdFirstFunc].angle;
  return mainAngle_;
}

void PanelCtrl::Ctrl_ReqAnlSend(int id, bool vfo) {
  const KeyRow* key = findKey(id);
  if (key == nullptr || key->op == 0) return;
  std::int32_t value = 0;
  switch (key->value) {
    case ValueKind::Zero: value = 0; break;
    case ValueKind::One: value = 1; break;
    case ValueKind::Popup: value = popupValue_; break;
    case ValueKind::KnobStep: value = volStep_; break;
    case ValueKind::SwitchPos: value = switchPos_; break;
    case ValueKind::Frequency: value = frequency_; break;
    case ValueKind::MainSteps:
    case ValueKind::SubSteps:
    case ValueKind::ThirdSteps:
    case ValueKind::FuncSteps: {
      // Steps go out only when there are some, and only once.
      int& steps = dialSteps(id);
      if (steps == 0) return;
      value = steps;
      steps = 0;
      break;
    }
  }
  host_.requestOp(key->op, key->vfo && vfo, value);
}

void PanelCtrl::startDrag(const Dial& d, int x, int y) {
  // Only one element is active: a chosen digit or a focused knob ends with
  // its look before the dial takes over.
  if (knobFocused()) unfocusKnob();
  else if (digitChosen()) endDigitChoice();
  opStats_ = d.id;
  dragId_ = d.id;
  const bool func = d.id >= kIdFirstFunc;
  if (func) activeFunc_ = d.id;
  int& angle = dialAngle(d.id);
  lastAngle_ = angle = cursorAngle(x, y, d.cx, d.cy);
  dragAccum_ = 0;
  host_.setTimer(kTimerDialSend, func ? kFuncDialSendMs : kDialSendMs);
  host_.setTimer(kTimerRelease, kDialTrackMs);
  host_.look(d.angleMsg, static_cast<WParam>(angle), 0);
}

PanelCtrl::Dial PanelCtrl::dialOf(int id) {
  if (id == kIdSubDial) return kSubDial;
  if (id == kIdThirdDial) return kThirdDial;
  if (id >= kIdFirstFunc && id <= kIdLastFunc) return {id, kFuncDialCentreX, kFuncDialCentreY, funcAngleMsg(id)};
  return kMainDial;
}

void PanelCtrl::trackDial() {
  if (!host_.leftButtonDown()) {
    endDrag();
    return;
  }
  const Dial d = dialOf(opStats_);
  int x = 0;
  int y = 0;
  host_.cursor(x, y);
  const int a = cursorAngle(x, y, d.cx, d.cy);
  int delta = a - lastAngle_;
  if (delta > 180) delta -= 360;
  else if (delta <= -180) delta += 360;
  lastAngle_ = a;
  dragAccum_ += delta;
  int steps = dragAccum_ / kDegreesPerStep;
  if (steps != 0) {
    dragAccum_ = 0;
    if (d.id >= kIdFirstFunc) steps = std::clamp(steps, -kFuncStepLimit, kFuncStepLimit);
    dialSteps(d.id) += steps;
  }
  int& angle = dialAngle(d.id);
  if (a != angle) {
    angle = a;
    host_.look(d.angleMsg, static_cast<WParam>(a), 0);
  }
}

void PanelCtrl::endDrag() {
  const Dial d = dialOf(opStats_);
  // Steps turned since the last send tick go now, not with the next drag.
  Ctrl_ReqAnlSend(d.id, vfoFlag_);
  host_.look(d.angleMsg, kAngleAtRest, 0);
  opStats_ = 0;
  host_.killTimer(kTimerDialSend);
  host_.killTimer(kTimerRelease);
}

void PanelCtrl::watchKeyRelease() {
  if (opStats_ == 0 || knobFocused() || digitChosen()) {
    host_.killTimer(kTimerRelease);
    return;
  }
  if (releaseDue_) {
    Ctrl_OpSw(opStats_);
    return;
  }
  int x = 0;
  int y = 0;
  host_.cursor(x, y);
  // A key pressed other than by a click on its place (the hold keys) is
  // watched by the button alone.
  const HitRect* table = areaTable(pressedArea_);
  const bool onKey = table == nullptr || findHit(table, x, y) == opStats_;
  if (!onKey || !host_.leftButtonDown()) Ctrl_OpSw(opStats_);
}

bool PanelCtrl::Ctrl_OnTimer(std::uint32_t id) {
  switch (id) {
    case kTimerRelease:
      if (isDial(opStats_)) trackDial();
      else watchKeyRelease();
      return true;
    case kTimerDialSend:
      if (isDial(opStats_)) Ctrl_ReqAnlSend(opStats_, vfoFlag_);
      return true;
    case kTimerRepeat:
      repeatTick();
      return true;
    case kTimerComNotice:
      host_.killTimer(kTimerComNotice);
      if (messageOpen_) {
        host_.connectionNotice(false);
        messageOpen_ = false;
        host_.connectionFailed();
      }
      return true;
    case kTimerDialRest:
      host_.killTimer(kTimerDialRest);
      for (MsgId m : {kMsgSubDialAngle, kMsgThirdDialAngle, kMsgFourthDialAngle}) host_.look(m, kAngleAtRest, 0);
      if (activeFunc_ != 0) host_.look(funcAngleMsg(activeFunc_), kAngleAtRest, 0);
      return true;
    case kTimerFuncRestA:
    case kTimerFuncRestB: {
      host_.killTimer(id);
      const MsgId first = id == kTimerFuncRestA ? kMsgFuncAngleA : kMsgFuncAngleB;
      for (MsgId m = first; m < first + 8; ++m) host_.look(m, kAngleAtRest, 0);
      if (activeFunc_ != 0 && (activeFunc_ >= kIdFirstFuncB) == (id == kTimerFuncRestB)) activeFunc_ = 0;
      return true;
    }
    case kTimerHoldDelay:
      holdDelayTick();
      return true;
    case kTimerHoldRepeat:
      if (opStats_ == kIdHoldRepeatA || opStats_ == kIdHoldRepeatB) Ctrl_ReqAnlSend(opStats_, true);
      else host_.killTimer(kTimerHoldRepeat);
      return true;
    default:
      return false;
  }
}

void PanelCtrl::holdDelayTick() {
  host_.killTimer(kTimerHoldDelay);
  if (opStats_ == kIdHoldOnceA || opStats_ == kIdHoldOnceB) {
    Ctrl_ReqAnlSend(opStats_, true);
    releaseKey(opStats_);
  } else if (opStats_ == kIdHoldRepeatA || opStats_ == kIdHoldRepeatB) {
    host_.setTimer(kTimerHoldRepeat, kHoldRepeatMs);
  }
}

void PanelCtrl::Ctrl_EndInteraction() {
  if (isDial(opStats_)) {
    // Steps already turned are not lost when a menu command cuts the drag.
    endDrag();
  } else if (knobFocused()) {
    host_.killTimer(kTimerRepeat);
    unfocusKnob();
  } else if (digitChosen()) {
    endDigitChoice();
  } else if (opStats_ != 0) {
    releaseKey(opStats_);
  }
}

}  // namespace hrx::panel
