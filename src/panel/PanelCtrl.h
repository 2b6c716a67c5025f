#pragma once
// The panel controller: finds the key or dial under the mouse, turns key
// presses into composer operations and their pressed looks, watches for the
// release, and turns main-dial drags into steps. Runs on the main window's
// thread only; talks to the rest of the program through PanelHost.
#include <cstdint>

#include "platform/Messages.h"

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

// The first entry of `table` (ended by id 0) that contains the point; 0 if none.
int findHit(const HitRect* table, int x, int y);
// Index of the area (0 = A … 7 = H) that contains the point; -1 if none.
int findArea(int x, int y);
// The table of area `area`.
const HitRect* areaTable(int area);
// Cursor angle around a centre: whole degrees 0..359, counter-clockwise.
int cursorAngle(int x, int y, int cx, int cy);

enum class ValueKind : std::uint8_t { Zero, One, Popup, MainSteps, SubSteps, KnobStep, SwitchPos };
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
  // A look or knob-drawing message to the main window, handled at once.
  virtual void look(MsgId msg, WParam w) = 0;
  virtual bool vfoSelected() = 0;
  // The debounce wait of a second call for the same key.
  virtual void debounce() = 0;
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
  void Ctrl_OpSw(int id);
  void Ctrl_ReqAnlSend(int id, bool vfo);
  // Ends a key press or dial drag in progress (before a menu command).
  void Ctrl_EndInteraction();
  // Auto-information came on: the connection notice has done its work.
  void Ctrl_OnEventHandle_AI();

  int m_Op_Stats() const { return opStats_; }
  int mainSteps() const { return mainSteps_; }
  int mainAngle() const { return mainAngle_; }
  bool busy() const { return popupOpen_ || entryMode_ || menuOpen_ || messageOpen_; }
  // The windows that make the panel busy say when they open and close.
  void setPopupOpen(bool open) { popupOpen_ = open; }
  void setEntryMode(bool on) { entryMode_ = on; }
  void setMenuOpen(bool open) { menuOpen_ = open; }
  bool menuOpen() const { return menuOpen_; }
  bool entryMode() const { return entryMode_; }

 private:
  void startMainDrag(int x, int y);
  void trackMainDial();
  void endDrag();
  void watchKeyRelease();

  PanelHost& host_;
  int opStats_ = 0;
  int pressedArea_ = -1;
  bool vfoFlag_ = false;
  std::int32_t popupValue_ = 0;
  bool popupOpen_ = false;
  bool entryMode_ = false;
  bool menuOpen_ = false;
  bool messageOpen_ = false;
  int lastAngle_ = 0;
  int mainAngle_ = 0;
  int mainAccum_ = 0;
  int mainSteps_ = 0;
};

}  // namespace hrx::panel
