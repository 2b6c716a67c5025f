#pragma once
// What the panel shows of the radio state, without drawing it: the state
// index of each key look, the images the reply handlers choose, the mode
// lamps. The window's display routes pass the answers to the renderer.
#include <array>
#include <cstdint>

#include "platform/Messages.h"

namespace hrx {
class RadioState;
class PanelMirror;
}  // namespace hrx

namespace hrx::panel {

inline constexpr int kNoDraw = -1;

// How a look message's state index follows from wParam and the state.
enum class LookRule : std::uint8_t {
  Plain,        // index = wParam
  LitAi, LitPs, LitMx, LitVx, LitMl, LitBi, LitBp, LitCo,
  VsZero, VsOne, FtZero, FtNonZero,
  FrA0,         // 0x85a0
  FrBe,         // 0x85be
  SfEquals,     // +2 when SF_Value == arg
  SfC7, SfF0, SfF1,
  SfFour,       // VFO-B/CLAR
  MhzUt,        // MHz/µT
  MchGrp,       // MCH/GRP
  KcMain,       // +2 when KC_Main_Flag<arg> != 0
  KcSub,
  ModeLamp,     // mode lamps 0x8594..0x8599, arg = lamp 0..5
  Nothing,      // VFO-A/B RX/TX keys: nothing is drawn
};

struct LookRow {
  MsgId msg;
  LookRule rule;
  int arg;
};

// The look rows in message order; every key-image message of 0x8578..0x85f1
// that draws, and 0x8602..0x860b.
const LookRow* findLook(MsgId msg);
const LookRow* lookRowsBegin();
const LookRow* lookRowsEnd();

// State index for a look message, or kNoDraw.
int lookIndex(const LookRow& row, WParam w, const RadioState& s);

// The mode whose lamps 0x8594..0x8599 show: MD_Sub when VS_Stat != 0.
int lampMode(const RadioState& s);

// Mode lamps of one side (seven, 0 dark / 1 lit) for mode 1..13; false for
// any other mode (the lamps stay as they are).
bool modeLamps(int mode, std::array<int, 7>* lit);

// The three sub-dial images (MHz/µT, VFO-B/CLAR, MCH/GRP) set by the SF
// event; false when SF_Value leaves them unchanged.
bool sfImages(const RadioState& s, std::array<int, 3>* images);

// The five VF indicator images, 0 off / 1 on.
std::array<int, 5> vfImages(const RadioState& s);

// Key-mode word and its companion flag from KC_*_Pos6.
struct KeyMode {
  int mode;
  int flag;
};
KeyMode keyMode(int pos6, int mode, int contourKind);

// The KC key images of one side, in the order of the selections 1, 2, 5,
// 6, 7; kNoDraw where the selection leaves an image as it is.
std::array<int, 5> kcImages(const RadioState& s, bool sub);
// The KC selections whose images kcImages gives, in its order.
inline constexpr std::array<int, 5> kKcSelections = {1, 2, 5, 6, 7};

// Applies the KC rule's key-mode words to the mirror.
void applyKeyModes(const RadioState& s, PanelMirror& mirror);

// The two VFO/memory indicators from IF_VfoMem.
std::array<int, 2> vfoMemImages(int vfoMem);

// Plain and lit looks share one rule: the lit look adds 2 when `on`.
constexpr int litIndex(WParam w, bool on) { return static_cast<int>(w != 0) + (on ? 2 : 0); }

}  // namespace hrx::panel
