#pragma once
// The equaliser editor's constant data: the two variants, the band frequency
// tables, the limits, the parameter order, the window's buttons and timers.
#include <array>
#include <cstdint>
#include <span>

#include "platform/Messages.h"

namespace hrx::eq {

inline constexpr int kBands = 3;
inline constexpr int kParams = 9;

// Parameter p is band p / 3, kind p % 3 (FREQ, LEVEL, BWTH): the order used
// for writing and polling.
enum class Kind { Freq = 0, Level = 1, Width = 2 };
constexpr Kind paramKind(int p) { return static_cast<Kind>(p % 3); }
constexpr int paramBand(int p) { return p / 3; }
constexpr int paramOf(int band, Kind k) { return band * 3 + static_cast<int>(k); }

// Band frequency tables: index -> Hz; index 0 is the band switched off.
inline constexpr int kBand1Hz[] = {0, 100, 200, 300, 400, 500, 600, 700};
inline constexpr int kBand2Hz[] = {0, 700, 800, 900, 1000, 1100, 1200, 1300, 1400, 1500};
inline constexpr int kBand3Hz[] = {0,    1500, 1600, 1700, 1800, 1900, 2000, 2100, 2200, 2300,
                                   2400, 2500, 2600, 2700, 2800, 2900, 3000, 3100, 3200};
inline constexpr std::span<const int> kBandHz[kBands] = {kBand1Hz, kBand2Hz, kBand3Hz};

// The Hz of index `index` of band `band` (0-based), or -1 outside the table.
constexpr int bandHz(int band, int index) {
  if (band < 0 || band >= kBands) return -1;
  const std::span<const int> t = kBandHz[band];
  return index >= 0 && index < static_cast<int>(t.size()) ? t[static_cast<std::size_t>(index)] : -1;
}
// The index of `hz` in band `band`'s table, or -1.
constexpr int bandIndex(int band, int hz) {
  if (band < 0 || band >= kBands) return -1;
  const std::span<const int> t = kBandHz[band];
  for (std::size_t i = 0; i < t.size(); ++i)
    if (t[i] == hz) return static_cast<int>(i);
  return -1;
}

// The window's own limits; a level is further held to what the radio's menu
// item accepts (EqLimits below).
inline constexpr int kLevelMin = -20;
inline constexpr int kLevelMax = 10;
inline constexpr int kWidthMin = 1;
inline constexpr int kWidthMax = 10;

struct Variant {
  const char* title;
  const char* frames[kBands];
  int types[kParams];   // catalogue type of each parameter, in parameter order
};
inline constexpr Variant kVariants[] = {
    {"Prmtrc", {"PRMTRC EQ1", "PRMTRC EQ2", "PRMTRC EQ3"}, {31, 25, 19, 32, 26, 20, 33, 27, 21}},
    {"P-Prmtrc", {"P-PRMTRC EQ1", "P-PRMTRC EQ2", "P-PRMTRC EQ3"}, {34, 28, 22, 35, 29, 23, 36, 30, 24}},
};
inline constexpr int kVariantCount = 2;

// Control ids of the window template.
inline constexpr int kGraphControl = 1071;
inline constexpr int kFrameControls[kBands] = {1082, 1097, 1110};
inline constexpr int kValueControls[kParams] = {1076, 1077, 1081, 1089, 1090, 1094, 1102, 1103, 1107};

// The 18 arrow buttons: code sent with 0x85DA, the parameter it steps and by
// how much, its control id and whether it is the left one of its pair.
struct Arrow {
  int code;
  int param;
  int delta;
  int control;
  bool left;
};
inline constexpr Arrow kArrows[] = {
    // FREQ: left lowers the index, right raises it.
    {5, 0, -1, 1155, true},   {4, 0, +1, 1156, false},
    {7, 3, -1, 1159, true},   {6, 3, +1, 1160, false},
    {9, 6, -1, 1163, true},   {8, 6, +1, 1164, false},
    // LEVEL: left raises by 1 dB, right lowers.
    {10, 1, +1, 1157, true},  {11, 1, -1, 1158, false},
    {12, 4, +1, 1161, true},  {13, 4, -1, 1162, false},
    {14, 7, +1, 1165, true},  {15, 7, -1, 1166, false},
    // BWTH: left raises by 1, right lowers.
    {16, 2, +1, 1078, true},  {17, 2, -1, 1079, false},
    {18, 5, +1, 1091, true},  {19, 5, -1, 1092, false},
    {20, 8, +1, 1104, true},  {21, 8, -1, 1105, false},
};
constexpr const Arrow* arrowOf(int code) {
  for (const Arrow& a : kArrows)
    if (a.code == code) return &a;
  return nullptr;
}

inline constexpr int kCodeCancel = 22;
inline constexpr int kCodeAppli = 23;
inline constexpr int kCodeExit = 24;
inline constexpr int kCodeFileLoad = 25;
inline constexpr int kCodeFileSave = 26;

struct CommandButton {
  int code;
  int control;
  const char* text;
};
inline constexpr CommandButton kCommandButtons[] = {
    {kCodeExit, 1167, "EXIT"},           {kCodeCancel, 1168, "CANCEL"},         {kCodeAppli, 1114, "APPLI"},
    {kCodeFileSave, 1170, "FILE SAVE"}, {kCodeFileLoad, 1169, "FILE LOAD"},
};

// Messages: a button's press (l = 1) or release (l = 0), w = its code; the
// window's end, to the main window.
inline constexpr MsgId kMsgHoldButton = 0x85DA;
inline constexpr MsgId kMsgEditorClosed = 0x85DB;

// The composer's kick (OPID_SEND_KICK): the send thread drains the ring.
inline constexpr int kOpSendKick = 107;

// The window's timers.
inline constexpr std::uint32_t kTimerPaint = 27;    // deferred graph drawing, once
inline constexpr std::uint32_t kTimerPoll = 28;     // read-back of one parameter
inline constexpr std::uint32_t kTimerRepeat = 29;   // arrow auto-repeat
inline constexpr std::uint32_t kTimerSettle = 31;   // CANCEL settling, once
// The pause between two writes of CANCEL or FILE LOAD, run as timer steps
// rather than a wait on the window's thread.
inline constexpr std::uint32_t kTimerWriteGap = 26;
inline constexpr int kPaintDelayMs = 100;
inline constexpr int kPollMs = 50;
inline constexpr int kRepeatMs = 200;
inline constexpr int kSettleMs = 500;
inline constexpr int kWriteGapMs = 25;

// The text of string 104, shown for a file that fails any check.
inline constexpr const char* kBadFileText = "The input range is incorrect.";
inline constexpr int kBadFileStringId = 104;

// Paths of this length or more are refused.
inline constexpr std::size_t kMaxPath = 260;

// Band colours, 0xRRGGBB.
inline constexpr std::uint32_t kBandColours[kBands] = {0xFF0000, 0x0000FF, 0x00FF00};

}  // namespace hrx::eq
