#pragma once
// The panel controller: finds the key or dial under the mouse, turns key
// presses into composer operations and their pressed looks, watches for the
// release, and turns main-dial drags into steps. Runs on the main window's
// thread only; talks to the rest of the program through PanelHost.
#include <cstdint>

#include "platform/Messages.h"
#include "state/PanelMirror.h"
#include "state/RadioState.h"

namespace hrx::panel {

// Inclusive on all four edges; a table ends at an entry whose id is 0.
struct HitRect {
  int left, top, right, bottom, id;
  constexpr bool contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};

inline constexpr int kIdCom = 3;
inline constexpr int kIdTxw = 44;
inline constexpr int kIdTxwRelease = 45;
inline constexpr int kIdMenu = 35;
inline constexpr int kIdMainDial = 128;

inline constexpr std::uint32_t kTimerRelease = 1;      // release watching, dial tracking
inline constexpr std::uint32_t kTimerDialSend = 18;    // sends the gathered dial steps
inline constexpr std::uint32_t kTimerComNotice = 22;   // the connection notice gives up
inline constexpr std::uint32_t kComNoticeMs = 5000;
inline constexpr std::uint32_t kKeyWatchMs = 100;
inline constexpr std::uint32_t kDialTrackMs = 30;
inline constexpr std::uint32_t kDialSendMs = 30;
inline constexpr int kDegreesPerStep = 7;
inline constexpr int kMainDialCentreX = 715;
inline constexpr int kMainDialCentreY = 203;
inline constexpr MsgId kMsgMainDialAngle = 0x85C8;
inline constexpr WParam kAngleAtRest = 360;
// The MENU key was released: the main window opens the menu list.
inline constexpr MsgId kMsgMenuAction = 0x8620;

inline constexpr int kIdEnt = 64;
inline constexpr int kIdMeterSpot = 119;
inline constexpr int kIdSubDial = 129;
inline constexpr int kIdThirdDial = 130;
inline constexpr int kIdFirstKnob = 14;
inline constexpr int kIdLastKnob = 21;
inline constexpr int kIdFirstDigit = 200;   // main display, 1 Hz digit
inline constexpr int kIdFirstSubDigit = 208;
inline constexpr int kIdLastDigit = 215;
inline constexpr int kIdEntryMain = 216;
inline constexpr int kIdEntrySub = 217;
inline constexpr int kIdFirstFunc = 222;     // dial functions, VFO-A side 222..229, VFO-B 230..237
inline constexpr int kIdFirstFuncB = 230;
inline constexpr int kIdLastFunc = 237;
// Keys that act on a hold; no hit table of this panel produces them.
inline constexpr int kIdHoldOnceA = 97, kIdHoldOnceB = 98;       // one long-hold send
inline constexpr int kIdHoldRepeatA = 218, kIdHoldRepeatB = 219; // repeated while held

inline constexpr std::uint32_t kTimerRepeat = 2;       // repeat of a focused knob
inline constexpr std::uint32_t kTimerDialRest = 19;    // CLAR/VFO-B dials back at rest
inline constexpr std::uint32_t kTimerFuncRestA = 38;
inline constexpr std::uint32_t kTimerFuncRestB = 39;
inline constexpr std::uint32_t kTimerHoldDelay = 36;
inline constexpr std::uint32_t kTimerHoldRepeat = 37;
inline constexpr std::uint32_t kHoldDelayMs = 1000;
inline constexpr std::uint32_t kHoldRepeatMs = 100;
inline constexpr std::uint32_t kFuncDialSendMs = 60;
inline constexpr int kFuncStepLimit = 9;
inline constexpr int kFuncDialCentreX = 929;
inline constexpr int kFuncDialCentreY = 264;
inline constexpr std::uint32_t kRepeatFirstMs = 1000;
inline constexpr std::uint32_t kRepeatMs = 200;
inline constexpr std::uint32_t kRestMs = 200;
inline constexpr std::uint32_t kDebounceMs = 100;
// A digit edit the radio has not echoed is given up after this long without
// any change of the radio's frequency.
inline constexpr std::uint32_t kEchoGiveUpMs = 1000;
inline constexpr int kSubDialCentreX = 939;
inline constexpr int kSubDialCentreY = 275;
inline constexpr MsgId kMsgSubDialAngle = 0x85CB;
inline constexpr MsgId kMsgThirdDialAngle = 0x85D4;
inline constexpr MsgId kMsgFourthDialAngle = 0x85D5;
inline constexpr MsgId kMsgMainDigitSet = 0x85C9;   // WM_CTRL_ID_MAINVFO_DISP_SET
inline constexpr MsgId kMsgSubDigitSet = 0x85CA;    // WM_CTRL_ID_SUBVFO_DISP_SET
inline constexpr MsgId kMsgKnobFocus = 0x85D2;      // w = focus 1/0, l = focus index
inline constexpr MsgId kMsgFuncAngleA = 0x85F2;     // .. 0x85F9; VFO-B side 0x85FA .. 0x8601
inline constexpr MsgId kMsgFuncAngleB = 0x85FA;
inline constexpr std::int32_t kFreqMin = 30000;
inline constexpr std::int32_t kFreqMax = 56000000;

// The first entry of `table` (ended by id 0) that contains the point; 0 if none.
int findHit(const HitRect* table, int x, int y);
// Index of the area (0 = A … 7 = H) that contains the point; -1 if none.
int findArea(int x, int y);
// The table of area `area`.
const HitRect* areaTable(int area);
// Cursor angle around a centre: whole degrees 0..359, counter-clockwise.
int cursorAngle(int x, int y, int cx, int cy);
// The sampled-disc test: whether (x, y) is one of the points
// (cx + trunc(r' sin t), cy - trunc(r' cos t)) for whole r' <= r, t 0..359.
bool discHit(int x, int y, int cx, int cy, int r);
// The knob control (14..21) under the point; 0 if none.
int findKnob(int x, int y);
// What knob control 14..21 sets in the radio's present mode and functions:
// its name and value; false when it sets nothing now.
bool knobSetting(int id, const RadioState& st, const char** what, std::int32_t* value);
// Focus index of a control (focus table); -1 if it has none.
int knobFocusIndex(int id);
// The angle one wheel notch turns a dial image to: 7 degrees clockwise for
// a notch away from the user, wrapped into 0..359.
int wheelAngle(int angle, bool away);

// A key's selection pop-up: items in menu order, ended by value 0.
struct PopupItem {
  const char* text;
  std::int32_t value;
};
struct PopupMenu {
  int key;
  int x, y;   // anchor, client coordinates
  const PopupItem* items;
  // Where the radio's setting stands, and the items it picks; none for a
  // menu whose setting no reply tells.
  char (*now)(const RadioState&) = nullptr;
  const char* picks = nullptr;
};
// The pop-up of key `id`; nullptr for keys without one.
const PopupMenu* findPopup(int id);
// The item of the pop-up that is the radio's setting now (its value), or 0
// when the radio's setting is none of them or unknown.
std::int32_t popupChoice(const PopupMenu& menu, const RadioState& st);

enum class ValueKind : std::uint8_t { Zero, One, Popup, MainSteps, SubSteps, ThirdSteps, FuncSteps, KnobStep, SwitchPos, Frequency };
struct KeyRow {
  int id;
  MsgId look;       // pressed-look message; 0 = none
  int op;           // composer operation; 0 = none
  ValueKind value;
  bool vfo;         // the operation carries the VFO-select flag
  bool popup;       // the key first offers a selection pop-up
};
const KeyRow* findKey(int id);

class PanelHost {
 public:
  virtual ~PanelHost() = default;
  virtual bool requestOp(int op, bool subSide, std::int32_t value) = 0;
  virtual void setTimer(std::uint32_t id, std::uint32_t periodMs) = 0;
  virtual void killTimer(std::uint32_t id) = 0;
  // The cursor in client coordinates and the left button's state now.
  virtual void cursor(int& x, int& y) = 0;
  virtual bool leftButtonDown() = 0;
  virtual bool rightButtonDown() = 0;
  // A look or knob-drawing message to the main window, handled at once.
  virtual void look(MsgId msg, WParam w, LParam l) = 0;
  virtual bool vfoSelected() = 0;
  // A steady clock in milliseconds (the key debounce reads it; nothing waits).
  virtual std::uint64_t nowMs() = 0;
  // The radio's last reported state; may be null (no core).
  virtual const RadioState* radio() = 0;
  // The panel's working copy (the select dials' functions); may be null.
  virtual const PanelMirror* mirror() { return nullptr; }
  // Shows the pop-up without waiting; the choice comes back through
  // PanelCtrl::Ctrl_OnPopupClosed (0 = dismissed).
  virtual void showPopup(const PopupMenu& menu) = 0;
  // The frequency-entry window: opened by ENT, typed into by the band keys;
  // its result comes back through PanelCtrl::Ctrl_OnEntryClosed.
  virtual void openEntryWindow() = 0;
  virtual void entryDigit(int digit) = 0;
  // MENU while the entry window is open: the main window's menu action.
  virtual void menuAction() = 0;
  // A click on the panel while one of its windows is open gives that
  // window the keyboard focus.
  virtual void focusBusyWindow() = 0;
  // The radio is in auto-information mode (the COM lamp is lit).
  virtual bool connected() = 0;
  // Shows or closes the connection notice over the panel.
  virtual void connectionNotice(bool show) = 0;
  // The connection notice ran out: "Failed to connect the COM port."
  virtual void connectionFailed() = 0;
};

class PanelCtrl {
 public:
  explicit PanelCtrl(PanelHost& host) : host_(host) {}

  void OnLButtonDown(int x, int y);
  void OnLButtonUp(int x, int y);
  // Ticks of the controller's main-window timers; false for other ids.
  bool Ctrl_OnTimer(std::uint32_t id);
  void OnRButtonDown(int x, int y);
  void OnRButtonUp(int x, int y);
  // One wheel message: one notch, away from the user when delta > 0.
  void OnMouseWheel(int delta, int x, int y);
  void Ctrl_OpSw(int id);
  void Ctrl_ReqAnlSend(int id, bool vfo);
  // The pop-up of the key being pressed closed with `value` (0 = dismissed).
  void Ctrl_OnPopupClosed(std::int32_t value);
  // The entry window closed with a frequency in Hz, or 0 (cancelled).
  void Ctrl_OnEntryClosed(std::int32_t hz);

  // Knobs.
  void Ctrl_OpVolumeDial(int id);
  void Ctrl_ReqVolumeDialFocusDisp(int id, bool focus);
  std::int32_t Ctrl_OpVolumeDialStep(int id, bool leftButton, bool repeat, bool wheel);
  // Frequency digits and the wheel.
  void Ctrl_OpVfoDspSetting(int id);
  void Ctrl_OpVfoDspMouseWheel(int delta);
  // One wheel notch on the select dial of the VFO-A / VFO-B side.
  void Ctrl_VfoADialWheelStep(int delta);
  void Ctrl_VfoBDialWheelStep(int delta);
  // The dial function (222..229, 230..237) the side's function state picks
  // now; 0 when it picks none.
  int dialFunction(bool vfoB);
  // Ends a key press or dial drag in progress (before a menu command).
  void Ctrl_EndInteraction();
  // Auto-information came on: the connection notice has done its work.
  void Ctrl_OnEventHandle_AI();

  int m_Op_Stats() const { return opStats_; }
  int mainSteps() const { return mainSteps_; }
  int mainAngle() const { return mainAngle_; }
  int subAngle() const { return subAngle_; }
  int thirdAngle() const { return thirdAngle_; }
  int funcAngle(int funcId) const { return funcs_[funcId - kIdFirstFunc].angle; }
  int m_vol_step() const { return volStep_; }
  int m_vfo_set_num() const { return vfoSetNum_; }
  bool repeatSuppressed() const { return repeatSuppressed_; }
  bool popupOpen() const { return popupOpen_; }
  bool knobFocused() const { return opStats_ >= kIdFirstKnob && opStats_ <= kIdLastKnob; }
  bool digitChosen() const { return opStats_ >= kIdFirstDigit && opStats_ <= kIdLastDigit; }
  bool busy() const { return popupOpen_ || entryMode_ || menuOpen_ || messageOpen_; }
  // The windows that make the panel busy say when they open and close.
  void setPopupOpen(bool open) { popupOpen_ = open; }
  void setEntryMode(bool on) { entryMode_ = on; }
  void setMenuOpen(bool open) { menuOpen_ = open; }
  bool menuOpen() const { return menuOpen_; }
  bool entryMode() const { return entryMode_; }

 private:
  struct Dial {
    int id;
    int cx, cy;
    MsgId angleMsg;
  };
  struct FuncDial {
    int angle = 0;
    int accum = 0;
    int steps = 0;
  };
  static const Dial kMainDial;
  static const Dial kSubDial;
  static const Dial kThirdDial;
  static Dial dialOf(int id);
  static bool isDial(int id) {
    return id == kIdMainDial || id == kIdSubDial || id == kIdThirdDial || (id >= kIdFirstFunc && id <= kIdLastFunc);
  }
  static bool isHoldKey(int id) {
    return id == kIdHoldOnceA || id == kIdHoldOnceB || id == kIdHoldRepeatA || id == kIdHoldRepeatB;
  }
  static MsgId funcAngleMsg(int funcId);
  void startDrag(const Dial& d, int x, int y);
  bool startFuncDrag(bool vfoB, int x, int y);
  void funcWheelStep(bool vfoB, int delta);
  void holdDelayTick();
  void trackDial();
  void endDrag();
  void watchKeyRelease();
  void releaseKey(int id);
  void pressKey(int id);
  void startPopup(int id, int area);
  void startRepeat(bool left);
  void knobClick(int id);
  void focusKnob(int id);
  void unfocusKnob();
  void sendKnobStep(bool leftButton, bool repeat, bool wheel);
  void endDigitChoice();
  void repeatTick();
  void wheelOverRegions(int delta, int x, int y);
  void dialWheelStep(const Dial& d, int& angle, int& steps, bool away);
  int& dialAngle(int id);
  int& dialSteps(int id);
  std::int32_t digitBase(bool sub);
  void noteRequested(bool sub, std::int32_t hz);

  PanelHost& host_;
  int opStats_ = 0;
  int pressedArea_ = -1;
  bool vfoFlag_ = false;
  std::int32_t popupValue_ = 0;
  bool popupOpen_ = false;
  bool entryMode_ = false;
  bool menuOpen_ = false;
  bool messageOpen_ = false;
  bool repeatLeft_ = false;
  bool repeatSuppressed_ = false;
  bool releaseDue_ = false;      // the release came inside the debounce time
  std::uint64_t pressedAtMs_ = 0;
  int popupKey_ = 0;
  int popupArea_ = -1;
  std::int32_t volStep_ = 0;
  std::int32_t switchPos_ = 0;
  bool entryVfoFlag_ = false;
  int dragId_ = 0;
  int lastAngle_ = 0;
  int mainAngle_ = 0;
  int subAngle_ = 0;
  int thirdAngle_ = 0;
  int dragAccum_ = 0;
  int mainSteps_ = 0;
  int subSteps_ = 0;
  int thirdSteps_ = 0;
  FuncDial funcs_[16];
  int activeFunc_ = 0;
  int vfoSetNum_ = 0;
  bool digitIsSub_ = false;
  std::int32_t frequency_ = 0;
  // Digit edits in flight: the radio has not yet reported the last
  // frequency asked for, so the next notch builds on that one.
  struct Pending {
    std::int32_t requested = 0;
    std::int32_t lastSeen = 0;      // the radio's value at the last notch
    std::uint64_t seenAtMs = 0;     // when the radio's value last moved
    bool active = false;
  };
  Pending pending_[2];
};

}  // namespace hrx::panel
