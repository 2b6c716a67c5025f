#include "composer/Composer.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "analysis/AnalyserMessages.h"
#include "state/ReplyCodeTable.h"
#include "composer/CommandTables.h"
#include "menulist/MenuCatalogue.h"

namespace hrx {
namespace {

// How a row turns its message into commands.
enum class Kind : std::uint8_t {
  Ignored,      // no handler at all
  Nothing,      // a handler that sends nothing
  Text,         // the template with V and the side digit
  Toggle,       // stored 0 sends '1', 1 sends '0', anything else nothing
  Flip,         // stored 0 sends '1', anything else '0'
  PickV,        // picks[V], or dflt for a V outside the list
  PickStored,   // picks[stored value], or dflt
  ZeroOr,       // tpl when V is not 0, alt (if any) when it is
  BySide,       // tpl for the main side, alt for the sub side
  MainOnly,     // tpl for the main side, nothing for the sub side
  Custom,
};

enum class Src : std::uint8_t { None, Mirror, State };

struct Row;
using Handler = void (*)(Composer&, const Row&, const Msg&);

struct Row {
  int op;            // operation number, 0 for a control message
  MsgId msg;
  const char* name;
  Kind kind;
  const char* tpl = nullptr;
  const char* alt = nullptr;
  Src src = Src::None;
  int field = -1;    // MirrorField or IntField, by src
  const char* picks = nullptr;
  char dflt = 0;     // 0: nothing
  int lo = INT_MIN;  // V outside lo..hi sends nothing
  int hi = INT_MAX;
  int bias = 0;      // added to V before it is written
  Handler fn = nullptr;
};

constexpr Row text(int op, MsgId msg, const char* name, const char* tpl) {
  return {op, msg, name, Kind::Text, tpl};
}
constexpr Row ranged(int op, MsgId msg, const char* name, const char* tpl, int lo, int hi, int bias = 0) {
  Row r = text(op, msg, name, tpl);
  r.lo = lo;
  r.hi = hi;
  r.bias = bias;
  return r;
}
constexpr Row stored(Kind kind, int op, MsgId msg, const char* name, const char* tpl, MirrorField f) {
  Row r{op, msg, name, kind, tpl};
  r.src = Src::Mirror;
  r.field = static_cast<int>(f);
  return r;
}
constexpr Row stored(Kind kind, int op, MsgId msg, const char* name, const char* tpl, IntField f) {
  Row r{op, msg, name, kind, tpl};
  r.src = Src::State;
  r.field = static_cast<int>(f);
  return r;
}
constexpr Row pickV(int op, MsgId msg, const char* name, const char* tpl, const char* picks, char dflt) {
  Row r{op, msg, name, Kind::PickV, tpl};
  r.picks = picks;
  r.dflt = dflt;
  return r;
}
template <typename F>
constexpr Row pickStored(int op, MsgId msg, const char* name, const char* tpl, F field, const char* picks,
                         char dflt) {
  Row r = stored(Kind::PickStored, op, msg, name, tpl, field);
  r.picks = picks;
  r.dflt = dflt;
  return r;
}
constexpr Row twoWay(Kind kind, int op, MsgId msg, const char* name, const char* tpl, const char* alt) {
  return {op, msg, name, kind, tpl, alt};
}
constexpr Row custom(int op, MsgId msg, const char* name, Handler fn) {
  Row r{op, msg, name, Kind::Custom};
  r.fn = fn;
  return r;
}
constexpr Row nothing(int op, MsgId msg, const char* name) { return {op, msg, name, Kind::Nothing}; }

std::int32_t storedValue(Composer& c, const Row& r) {
  if (r.src == Src::Mirror) return c.ctx().mirror.get(static_cast<MirrorField>(r.field));
  return c.ctx().state.get(static_cast<IntField>(r.field));
}

char pickOf(const char* picks, std::int64_t index, char dflt) {
  const auto n = static_cast<std::int64_t>(std::strlen(picks));
  return index >= 0 && index < n ? picks[index] : dflt;
}

// Modes as the mode-dependent keys see them.
std::int32_t rxSideMode(const RadioState& s) {
  const std::int32_t fr = s.get_FR_Stat();
  return fr == 4 || fr == 5 ? s.get_MD_Sub() : s.get_MD_Main();
}
std::int32_t txSideMode(const RadioState& s) { return s.get_FT_Stat() == 1 ? s.get_MD_Sub() : s.get_MD_Main(); }

// ---- connection, power, polls ----

void comSwitch(Composer& c, const Row&, const Msg& m) {
  ComposerContext& x = c.ctx();
  const std::int32_t ai = x.mirror.get_AI_Stat();
  if (ai != 0 && ai != 1) return;
  // The switch toggles: a stale "AI0" answer asks for the link again while
  // the answer to "AI1;" may already have brought it on.
  if ((m.w & kComSwitchOn) != 0 && ai == 1) return;
  x.emitText(ai == 0 ? "AI1;" : "AI0;");
  x.sleepMs(20);
  x.emitText("AI;");
  if (ai == 0) return;
  // Show the link as off at once instead of waiting for the radio.
  x.sleepMs(25);
  x.self.post(kMsgSweepStop);
  if (x.mirror.get_PS_Stat() == 0) x.state.set_AiAtPowerOff(0);
  x.recvRing.Sio_RingBuff_Write(3, "AI0");
  x.analyser.post(kMsgReplyReady);
}

void powerSwitch(Composer& c, const Row&, const Msg&) {
  ComposerContext& x = c.ctx();
  if (x.mirror.get_PS_Stat() == 0) {
    x.emitText("PS1;");
    x.sleepMs(800);
    x.emitText("PS1;");
    x.sleepMs(800);
    x.mainWindow.setTimer(kTimerPsOn, 100);
  } else {
    x.emitText("PS0;");
    x.mainWindow.setTimer(kTimerPsOff, 50);
  }
}

void psQuery1(Composer& c, const Row&, const Msg&) {
  c.ctx().mainWindow.killTimer(kTimerPsOn);
  c.ctx().emitText("PS;");
}
void psQuery2(Composer& c, const Row&, const Msg&) { c.psQuery2(); }

void keepAlive(Composer& c, const Row&, const Msg&) {
  ComposerContext& x = c.ctx();
  if (x.state.get_AI_Stat() == 0) return;
  x.emitText("PS;");
  if (x.state.get_PS_Stat() != 0 && x.state.get_AI_Stat() != 0) x.mainWindow.setTimer(kTimerKeepAliveAi, 30);
}

void keepAliveAi(Composer& c, const Row&, const Msg&) {
  ComposerContext& x = c.ctx();
  x.mainWindow.killTimer(kTimerKeepAliveAi);
  if (x.state.get_PS_Stat() != 0 && x.state.get_AI_Stat() != 0) x.emitText("AI;");
}

void sendKick(Composer& c, const Row&, const Msg&) { c.ctx().sendThread.post(kMsgSend); }

void rmPoll(Composer& c, const Row&, const Msg&) { c.sendTemplate("RM#;", c.ctx().mirror.get_MS_Stat() + 3); }

void idQuery(Composer& c, const Row&, const Msg&) {
  c.ctx().emitText("ID;");
  c.ctx().sleepMs(25);
  c.ctx().emitText("ID0900;");
  c.ctx().sleepMs(25);
}

void syncStart(Composer& c, const Row&, const Msg&) { c.startSync(); }
void syncStep(Composer& c, const Row&, const Msg&) { c.syncStep(); }
void exStart(Composer& c, const Row&, const Msg&) { c.startExSweep(); }
void exStep(Composer& c, const Row&, const Msg&) { c.exStep(); }
void sweepStop(Composer& c, const Row&, const Msg&) { c.stopAll(); }
void keyerStart(Composer& c, const Row&, const Msg&) { c.ctx().mainWindow.setTimer(kTimerKmSweep, 30); }
void keyerStep(Composer& c, const Row&, const Msg&) { c.keyerStep(); }

void sendCs(Composer& c, const Row&, const Msg& m) { c.ctx().emitText(m.w == 0 ? "CS0;" : "CS1;"); }
void sendSq(Composer& c, const Row&, const Msg& m) { c.sendTemplate("SQ0###;", static_cast<std::int64_t>(m.w)); }
// A ticketed keying (l != 0) goes on as a message, so that a release asked
// for after it can still take it back; it follows this thread's commands.
void sendTx(Composer& c, const Row&, const Msg& m) {
  if (m.w == 0) c.ctx().emitText("TX0;");
  else if (m.w <= 2 && m.l != 0) c.ctx().sendThread.post(kMsgSendKey, m.w, m.l);
  else if (m.w <= 2) c.ctx().emitText(m.w == 1 ? "TX1;" : "TX2;");
}

// ---- keys whose command depends on the stored state ----

void biToggle(Composer& c, const Row&, const Msg&) {
  c.ctx().emitText(c.ctx().state.get_BI_Stat() == 1 ? "BI0;" : "BI1;");
}

void mkThree(Composer& c, const Row&, const Msg&) {
  c.ctx().emitText(c.ctx().mirror.get_MK_Flag() == 1 ? "MK4;" : "MK3;");
}

void quickSplit(Composer& c, const Row&, const Msg& m) {
  if (m.l == 0) c.ctx().emitText("FT0;");
  if (m.l == 2) c.ctx().emitText("QS;");
}

void rxClarifier(Composer& c, const Row&, const Msg&) {
  const RadioState& s = c.ctx().state;
  if (s.get_SF_Value() == 4) {
    c.ctx().emitText(s.get_FS_Flag2() == 0 ? "FS3;" : "FS2;");
  } else {
    c.ctx().emitText(s.get_RT_Stat() == 0 ? "RT1;" : "RT0;");
  }
}

void txClarifier(Composer& c, const Row&, const Msg&) {
  const RadioState& s = c.ctx().state;
  if (s.get_SF_Value() == 4) {
    c.ctx().emitText(s.get_LK_Flag2() == 0 ? "LK3;" : "LK2;");
  } else {
    c.ctx().emitText(s.get_XT_Stat() == 0 ? "XT1;" : "XT0;");
  }
}

void sfToggle(Composer& c, const Row&, const Msg&) {
  c.ctx().emitText(c.ctx().state.get_SF_Value() == 4 ? "SF5;" : "SF4;");
}

// The receive keys remember which side they asked for, so the MD reply that
// follows is filed under that side.
void vfoReceive(Composer& c, const Row& r, const Msg&) {
  const char digit = pickOf(r.picks, c.ctx().state.get_FR_Stat(), 0);
  if (digit == 0 || digit == '.') return;
  c.ctx().state.set_MdReplyTarget(digit - '0');
  c.sendTemplate("FR?;", 0, 0, digit);
}

// ---- dials and frequencies ----

void dialTurn(Composer& c, char dial, bool negate, std::int64_t v) {
  if (negate) v = -v;
  if (v == 0 || v < -99 || v > 99) return;
  c.sendTemplate(v > 0 ? "EU?##;" : "ED?##;", v > 0 ? v : -v, 0, dial);
}
void mainDial(Composer& c, const Row&, const Msg& m) { dialTurn(c, '0', true, m.l); }
void subDial(Composer& c, const Row&, const Msg& m) { dialTurn(c, '1', true, m.l); }
void selectMainDial(Composer& c, const Row&, const Msg& m) { dialTurn(c, '2', false, m.l); }
void selectSubDial(Composer& c, const Row&, const Msg& m) { dialTurn(c, '3', false, m.l); }

void vfoFrequency(Composer& c, const Row& r, const Msg& m) {
  if (m.l < 3000 || m.l > 60000000) return;
  c.sendTemplate(r.tpl, m.l);
}

// ---- knobs ----

void sendSignedShift(Composer& c, const char* prefix, std::int64_t v) {
  char tpl[] = "IS0?####;";
  tpl[2] = prefix[2];
  c.sendTemplate(tpl, v < 0 ? -v : v, 0, v < 0 ? '-' : '+');
}

void encoderStep(Composer& c, int knob, std::int64_t v, std::int64_t cur) {
  int& dir = c.knobDirection(knob);
  if (v > cur) dir = setCommandRow('E', 'U');
  if (v < cur) dir = setCommandRow('E', 'D');
  c.sendTemplate(dir == setCommandRow('E', 'D') ? "ED?01;" : "EU?01;", 0, 0, static_cast<char>('4' + knob));
}

void micSpeedKnob(Composer& c, const Row&, const Msg& m) {
  const RadioState& s = c.ctx().state;
  const std::int32_t mode = txSideMode(s);
  std::int32_t cur;
  if (mode == 3 || mode == 7) {
    cur = s.get_KS_Value();
  } else if (mode >= 1 && mode <= 13 && mode != 6 && mode != 9) {
    cur = s.get_MG_Value();
  } else {
    return;
  }
  encoderStep(c, 0, m.l, cur);
}

void procCarKnob(Composer& c, const Row&, const Msg& m) {
  const RadioState& s = c.ctx().state;
  const std::int32_t mode = txSideMode(s);
  encoderStep(c, 1, m.l, mode == 1 || mode == 2 ? s.get_PL_Value() : s.get_PC_Value());
}

void notchKnob(Composer& c, const Row&, const Msg& m) {
  const RadioState& s = c.ctx().state;
  if (s.get_BP_Main_On() == 0) return;
  encoderStep(c, 2, m.l, s.get_BP_Main_Level());
}

void contourKnob(Composer& c, const Row&, const Msg& m) {
  const RadioState& s = c.ctx().state;
  if (s.get_CO_Main_On() == 0) return;
  const std::int32_t kind = s.get_CO_Main_OnKind();
  if (kind != 1 && kind != 2) return;
  encoderStep(c, 3, m.l, kind == 1 ? s.get_CO_Main_Level1() : s.get_CO_Main_Level2());
}

void shiftKnob(Composer& c, const Row&, const Msg& m) {
  const RadioState& s = c.ctx().state;
  const std::int32_t mode = rxSideMode(s);
  if (mode == 4 || mode == 5 || mode == 11 || mode == 13) return;
  // Snap to the 20 Hz grid in the direction of the turn.
  std::int64_t v = m.l;
  const std::int64_t r = (v < 0 ? -v : v) % 20;
  if (r != 0) {
    if (v >= s.get_IS_Main()) {
      v = v > 0 ? v - r + 20 : v + r;
    } else {
      v = v > 0 ? v - r : v + r - 20;
    }
  }
  sendSignedShift(c, "IS0", v);
}

void shiftSet(Composer& c, const Row&, const Msg& m) { sendSignedShift(c, "IS0", m.l); }

std::int64_t shiftSteps(std::int64_t v) {
  if (v >= 0) return (v + 19) / 20;
  return v % 20 == 0 ? -1 : -2;
}
void shiftMainStep(Composer& c, const Row&, const Msg& m) {
  sendSignedShift(c, "IS0", c.ctx().state.get_IS_Main() + 20 * shiftSteps(m.l));
}
void shiftSubStep(Composer& c, const Row&, const Msg& m) {
  sendSignedShift(c, "IS1", c.ctx().state.get_IS_Sub() + 20 * shiftSteps(m.l));
}

void rfSqlKnob(Composer& c, const Row&, const Msg& m) {
  MenuListItem item;
  const bool squelch = c.ctx().state.get_MenuItem(36, &item) && item.value != 0;
  c.sendTemplate(squelch ? "SQ0###;" : "RG0###;", m.l);
}

void vdSd(Composer& c, const Row&, const Msg& m) {
  c.sendTemplate("VD####;", m.l);
  c.ctx().sleepMs(20);
  c.sendTemplate("SD####;", m.l);
}

// "VF" + P1 + P2 + sign + one digit of |V| + ";".
void sendVfStep(Composer& c, char p1, std::int32_t p2, std::int64_t v) {
  CommandBuilder b("VF", setCommandLength('V', 'F'));
  b.put(2, p1);
  b.digits(3, 1, p2);
  b.put(4, v < 0 ? '-' : '+');
  b.digits(5, 1, v < 0 ? -v : v);
  c.ctx().emit(b);
}
void vfStep(Composer& c, const Row&, const Msg& m) { sendVfStep(c, sideDigit(m.w), 1, m.l); }
void vfMain(Composer& c, const Row&, const Msg& m) {
  sendVfStep(c, '0', c.ctx().state.get_KC_Main_Flag5(), m.l);
}
void vfSub(Composer& c, const Row&, const Msg& m) { sendVfStep(c, '1', c.ctx().state.get_KC_Sub_Flag5(), m.l); }

// ---- mode-dependent switches ----

void contourSwitch(Composer& c, const Row&, const Msg&) {
  const RadioState& s = c.ctx().state;
  const std::int32_t mode = rxSideMode(s);
  if (mode == 3 || mode == 7) {
    const char* const kCycle[] = {"CO0001;", "CO0002;", "CO0000;"};
    const std::int32_t kind = s.get_CO_Main_OnKind();
    if (kind >= 0 && kind <= 2) c.ctx().emitText(kCycle[kind]);
    return;
  }
  const std::int32_t on = s.get_CO_Main_On();
  if (on == 0) c.ctx().emitText("CO0001;");
  if (on == 1) c.ctx().emitText("CO0000;");
}

bool threeStateMode(std::int32_t mode) { return mode == 4 || mode == 10 || mode == 11; }

void pr0Switch(Composer& c, const Row&, const Msg&) {
  const RadioState& s = c.ctx().state;
  if (threeStateMode(rxSideMode(s))) {
    const std::int32_t os = s.get_OS_Main();
    c.ctx().emitText(os == 1 ? "OS02;" : os == 2 ? "OS00;" : "OS01;");
  } else {
    c.ctx().emitText(s.get_PR_Stat() != 0 ? "PR00;" : "PR01;");
  }
}

void tftMenu4(Composer& c, const Row&, const Msg&) {
  const RadioState& s = c.ctx().state;
  if (threeStateMode(rxSideMode(s))) {
    const std::int32_t ct = s.get_CT_Main();
    c.ctx().emitText(ct == 1 ? "CT02;" : ct == 2 ? "CT00;" : "CT01;");
  } else {
    c.ctx().emitText(s.get_KR_Stat() != 0 ? "KR0;" : "KR1;");
  }
}

// ---- the menu write ----

// The value field of one EX write, by the item's value class.
void encodeMenuValue(CommandBuilder& b, const MenuListItem& item) {
  constexpr int kPos = 5;
  const int width = item.width;
  const int type = item.type;
  const std::int64_t v = IntOf(item.new_value);
  b.digits(kPos, width, 0);
  if (type == 41) {
    std::size_t n = strnlen(item.new_text, sizeof item.new_text);
    for (int i = 0; i < width; ++i) b.put(kPos + i, static_cast<std::size_t>(i) < n ? item.new_text[i] : ' ');
    return;
  }
  if (type == 4 || type == 11 || (type >= 25 && type <= 30)) {
    const std::int64_t mag = v < 0 ? -v : v;
    int digits = 1;
    for (std::int64_t t = mag; t >= 10; t /= 10) ++digits;
    if (digits > width) return;
    b.digits(kPos, width, mag);
    if (digits < width) b.put(kPos, item.new_value >= 0 ? '+' : '-');
    return;
  }
  std::int64_t out = type == 40 ? v + 2 : v;
  // The EX reply leaves a beacon time above 240 s in seconds; the radio
  // takes it as its code 241..255 (30 s a step).
  if (type == 16 && out > 255) out = (out - 240) / 30 + 240;
  if (out >= 0) b.digits(kPos, width, out);
}

void menuWrite(Composer& c, const Row&, const Msg&) {
  ComposerContext& x = c.ctx();
  const int count = x.state.get_MenuItem_Count();
  for (int i = 1; i <= count; ++i) {
    MenuListItem item;
    // Take the edit and clear its flag in one step, so an edit made while
    // the write runs is not lost.
    const bool changed = x.state.edit_MenuItem(i, [&](MenuListItem& rec) {
      if (rec.changed != 1) return false;
      rec.changed = 0;
      item = rec;
      return true;
    });
    if (!changed) continue;
    if (item.width <= 0 || item.width + 6 >= CommandBuilder::kCapacity) continue;
    CommandBuilder b("EX", item.width + 6);
    b.digits(2, 3, i);
    encodeMenuValue(b, item);
    x.emit(b);
    x.sleepMs(10);
  }
}

// ---- the tables ----

using MF = MirrorField;
using IF = IntField;

constexpr Row kOperations[] = {
    custom(1, 0x8501, "OPID_COM_SW", comSwitch),
    custom(2, 0x8502, "OPID_PS_TOGGLE", powerSwitch),
    stored(Kind::Toggle, 3, 0x8503, "OPID_DS_TOGGLE", "DS?;", MF::DS_Stat),
    stored(Kind::Toggle, 4, 0x8504, "OPID_MX_TOGGLE", "MX?;", MF::MX_Stat),
    stored(Kind::Toggle, 5, 0x8505, "OPID_VX_TOGGLE", "VX?;", MF::VX_Stat),
    text(6, 0x8506, "OPID_AC_SET", "AC00#;"),
    ranged(7, 0x8507, "OPID_AN_SET", "AN$#;", 0, 3),
    ranged(8, 0x8508, "OPID_AN_SET1", "AN$#;", 0, 3, 1),
    text(9, 0x8509, "OPID_AN_SET5", "AN$5;"),
    stored(Kind::Flip, 10, 0x850a, "OPID_ML_TOGGLE", "ML000?;", MF::ML_On),
    // The second parameter is not the operation's: '0', as every unfilled digit.
    text(11, 0x850b, "OPID_PR_SET", "PR#0;"),
    stored(Kind::Toggle, 12, 0x850c, "OPID_KR_TOGGLE", "KR?;", MF::KR_Stat),
    ranged(13, 0x850d, "OPID_RA_SET", "RA0#;", 0, 3),
    pickV(14, 0x850e, "OPID_PA_SET", "PA0?;", "120", 0),
    ranged(15, 0x850f, "OPID_RF_SET", "RF0#;", 0, 5),
    pickV(16, 0x8510, "OPID_GT_SET", "GT0?;", "04123", 0),
    twoWay(Kind::MainOnly, 17, 0x8511, "OPID_NB_SET", "NB0#;", nullptr),
    custom(18, 0x8512, "OPID_BI_TOGGLE", biToggle),
    stored(Kind::Toggle, 19, 0x8513, "OPID_CS_TOGGLE", "CS?;", MF::CS_Stat),
    text(20, 0x8514, "OPID_VS_A", "VS0;"),
    text(21, 0x8515, "OPID_VS_B", "VS1;"),
    text(22, 0x8516, "OPID_MK_0", "MK0;"),
    text(23, 0x8517, "OPID_MK_1", "MK1;"),
    text(24, 0x8518, "OPID_MK_2", "MK2;"),
    custom(25, 0x8519, "OPID_MK_3", mkThree),
    text(26, 0x851a, "OPID_MK_5", "MK5;"),
    text(27, 0x851b, "OPID_MK_6", "MK6;"),
    text(28, 0x851c, "OPID_QI", "QI;"),
    text(29, 0x851d, "OPID_QR", "QR;"),
    stored(Kind::Toggle, 30, 0x851e, "OPID_NA_TOGGLE", "NA0?;", MF::NA_Main),
    custom(31, 0x851f, "OPID_QS", quickSplit),
    text(32, 0x8520, "OPID_TS_SET", "TS#;"),
    pickStored(33, 0x8521, "OPID_FR_FLIP1", "FR?;", MF::FR_Stat, "1032", 0),
    text(34, 0x8522, "OPID_FT_0", "FT0;"),
    stored(Kind::Toggle, 35, 0x8523, "OPID_FS_TOGGLE", "FS?;", MF::FS_Flag1),
    stored(Kind::Toggle, 36, 0x8524, "OPID_LK_TOGGLE", "LK?;", MF::LK_Flag1),
    text(37, 0x8525, "OPID_AB", "AB;"),
    text(38, 0x8526, "OPID_SV", "SV;"),
    text(39, 0x8527, "OPID_VM", "VM;"),
    text(40, 0x8528, "OPID_MA", "MA;"),
    text(41, 0x8529, "OPID_AM", "AM;"),
    custom(42, 0x852a, "OPID_EX_SET", menuWrite),
    text(43, 0x852b, "OPID_BAND_10", "BS10;"),
    text(44, 0x852c, "OPID_BAND_00", "BS00;"),
    text(45, 0x852d, "OPID_BAND_01", "BS01;"),
    text(46, 0x852e, "OPID_BAND_03", "BS03;"),
    text(47, 0x852f, "OPID_BAND_04", "BS04;"),
    text(48, 0x8530, "OPID_BAND_05", "BS05;"),
    text(49, 0x8531, "OPID_BAND_06", "BS06;"),
    text(50, 0x8532, "OPID_BAND_07", "BS07;"),
    text(51, 0x8533, "OPID_BAND_08", "BS08;"),
    text(52, 0x8534, "OPID_BAND_09", "BS09;"),
    text(53, 0x8535, "OPID_BAND_11", "BS11;"),
    custom(54, 0x8536, "OPID_RT_TOGGLE", rxClarifier),
    custom(55, 0x8537, "OPID_XT_TOGGLE", txClarifier),
    text(56, 0x8538, "OPID_RC", "RC;"),
    text(57, 0x8539, "OPID_VF_RESET", "VF$#00;"),
    stored(Kind::Flip, 58, 0x853a, "OPID_BP_TOGGLE", "BP0000?;", MF::BP_Main_On),
    stored(Kind::Toggle, 59, 0x853b, "OPID_BC_TOGGLE", "BC0?;", MF::BC_Main),
    text(60, 0x853c, "OPID_CO_SET", "CO00##;"),
    stored(Kind::Toggle, 61, 0x853d, "OPID_NR_TOGGLE", "NR0?;", MF::NR_Main),
    pickStored(62, 0x853e, "OPID_FR_FLIP2", "FR?;", MF::FR_Stat, "2301", 0),
    text(63, 0x853f, "OPID_FT_1", "FT1;"),
    nothing(64, 0x8540, "OPID_NONE"),
    text(65, 0x8541, "OPID_SF_2", "SF2;"),
    text(66, 0x8542, "OPID_SF_3", "SF3;"),
    {67, 0x8543, "OPID_SF_UNUSED", Kind::Ignored},
    text(68, 0x8544, "OPID_SF_5", "SF5;"),
    text(69, 0x8545, "OPID_SF_4", "SF4;"),
    text(70, 0x8546, "OPID_FK_1", "FK1;"),
    text(71, 0x8547, "OPID_FK_2", "FK2;"),
    text(72, 0x8548, "OPID_FK_3", "FK3;"),
    text(73, 0x8549, "OPID_FK_4", "FK4;"),
    text(74, 0x854a, "OPID_FK_5", "FK5;"),
    text(75, 0x854b, "OPID_FK_6", "FK6;"),
    text(76, 0x854c, "OPID_FK_7", "FK7;"),
    text(77, 0x854d, "OPID_DP_SET", "DP#;"),
    custom(78, 0x854e, "OPID_MAIN_DIAL", mainDial),
    custom(79, 0x854f, "OPID_SUB_DIAL", subDial),
    custom(80, 0x8550, "OPID_SELECT_MAIN_SELECT_DIAL", selectMainDial),
    custom(81, 0x8551, "OPID_SELECT_SUB_DIAL", selectSubDial),
    {82, 0x8552, "OPID_MAINVFO_SET", Kind::Custom, "FA########;", nullptr, Src::None, -1, nullptr, 0, INT_MIN,
     INT_MAX, 0, vfoFrequency},
    {83, 0x8553, "OPID_SUBVFO_SET", Kind::Custom, "FB########;", nullptr, Src::None, -1, nullptr, 0, INT_MIN,
     INT_MAX, 0, vfoFrequency},
    custom(84, 0x8554, "OPID_SUB_DIAL", subDial),
    custom(85, 0x8555, "OPID_VF_STEP", vfStep),
    text(86, 0x8556, "OPID_MS_SET", "MS#;"),
    text(87, 0x8557, "OPID_ML_LEVEL", "ML1###;"),
    text(88, 0x8558, "OPID_PL_LEVEL", "PL###;"),
    text(89, 0x8559, "OPID_KS_LEVEL", "KS###;"),
    text(90, 0x855a, "OPID_KP_LEVEL", "KP##;"),
    text(91, 0x855b, "OPID_NL_MAIN", "NL0###;"),
    text(92, 0x855c, "OPID_SQ_MAIN", "SQ0###;"),
    text(93, 0x855d, "OPID_MG_LEVEL", "MG###;"),
    text(94, 0x855e, "OPID_VG_LEVEL", "VG###;"),
    custom(95, 0x855f, "OPID_VD_SD", vdSd),
    text(96, 0x8560, "OPID_SQ_SUB", "SQ1###;"),
    text(97, 0x8561, "OPID_AG_SUB", "AG1###;"),
    text(98, 0x8562, "OPID_RG_SUB", "RG1###;"),
    text(99, 0x8563, "OPID_AG_MAIN", "AG0###;"),
    text(100, 0x8564, "OPID_RG_MAIN", "RG0###;"),
    text(101, 0x8565, "OPID_BP_LEVEL", "BP01###;"),
    custom(102, 0x8566, "OPID_IS_SET", shiftSet),
    text(103, 0x8567, "OPID_SH_MAIN", "SH0##;"),
    text(104, 0x8568, "OPID_CO_LEVEL1", "CO01##;"),
    text(105, 0x8569, "OPID_RL_MAIN", "RL0##;"),
    custom(106, 0x856a, "OPID_KEEPALIVE", keepAlive),
    custom(107, 0x856b, "OPID_SEND_KICK", sendKick),
    text(108, 0x856c, "OPID_PC_LEVEL", "PC###;"),
    text(109, 0x862c, "OPID_LM_01", "LM01;"),
    text(110, 0x862d, "OPID_LM_02", "LM02;"),
    text(111, 0x862e, "OPID_LM_03", "LM03;"),
    text(112, 0x862f, "OPID_LM_04", "LM04;"),
    text(113, 0x8630, "OPID_LM_05", "LM05;"),
    text(114, 0x8631, "OPID_LM_00", "LM00;"),
    text(115, 0x8632, "OPID_PB_01", "PB01;"),
    text(116, 0x8633, "OPID_PB_02", "PB02;"),
    text(117, 0x8634, "OPID_PB_03", "PB03;"),
    text(118, 0x8635, "OPID_PB_04", "PB04;"),
    text(119, 0x8636, "OPID_PB_05", "PB05;"),
    text(120, 0x8637, "OPID_PB_00", "PB00;"),
    text(121, 0x8638, "OPID_LM_11", "LM11;"),
    text(122, 0x8639, "OPID_LM_10", "LM10;"),
    text(123, 0x863a, "OPID_PB_11", "PB11;"),
    text(124, 0x863b, "OPID_PB_10", "PB10;"),
    twoWay(Kind::ZeroOr, 125, 0x863c, "OPID_RO_1", "RO1;", "RO0;"),
    twoWay(Kind::ZeroOr, 126, 0x863d, "OPID_RO_2", "RO2;", "RO0;"),
    twoWay(Kind::ZeroOr, 127, 0x863e, "OPID_RO_3", "RO3;", nullptr),
    twoWay(Kind::ZeroOr, 128, 0x863f, "OPID_RO_4", "RO4;", nullptr),
    text(129, 0x8640, "OPID_KY_1", "KY1;"),
    text(130, 0x8641, "OPID_KY_2", "KY2;"),
    text(131, 0x8642, "OPID_KY_3", "KY3;"),
    text(132, 0x8643, "OPID_KY_4", "KY4;"),
    text(133, 0x8644, "OPID_KY_5", "KY5;"),
    text(134, 0x8645, "OPID_KY_6", "KY6;"),
    text(135, 0x8646, "OPID_KY_7", "KY7;"),
    text(136, 0x8647, "OPID_KY_8", "KY8;"),
    text(137, 0x8648, "OPID_KY_9", "KY9;"),
    text(138, 0x8649, "OPID_KY_A", "KYA;"),
    text(139, 0x864a, "OPID_CT_0", "CT$0;"),
    text(140, 0x864b, "OPID_CT_2", "CT$2;"),
    text(141, 0x864c, "OPID_CT_1", "CT$1;"),
    text(142, 0x864d, "OPID_CN_SET", "CN$##;"),
    text(143, 0x864e, "OPID_OS_0", "OS$0;"),
    text(144, 0x864f, "OPID_OS_1", "OS$1;"),
    text(145, 0x8650, "OPID_OS_2", "OS$2;"),
    twoWay(Kind::BySide, 146, 0x8651, "OPID_IF_OI_READ", "IF;", "OI;"),
    custom(147, 0x8652, "OPID_KM_READ_START", keyerStart),
    stored(Kind::Flip, 148, 0x8594, "OPID_CA_TOGGLE", "CA000?;", MF::CA_Stat),
    text(149, 0x8595, "OPID_NL_SUB", "NL1###;"),
    text(150, 0x8596, "OPID_SQ_SUB", "SQ1###;"),
    // Up and down carry no value of their own: '0' in both digits.
    text(151, 0x8597, "OPID_DN", "DN00;"),
    text(152, 0x8598, "OPID_UP", "UP00;"),
    custom(153, 0x8599, "OPID_IS_MAIN_STEP", shiftMainStep),
    text(154, 0x859a, "OPID_SH_MAIN", "SH0##;"),
    text(155, 0x859b, "OPID_CO_LEVEL1", "CO01##;"),
    text(156, 0x859c, "OPID_CO_LEVEL2", "CO02##;"),
    custom(157, 0x859d, "OPID_VF_MAIN_A", vfMain),
    custom(158, 0x859e, "OPID_VF_MAIN_B", vfMain),
    text(159, 0x859f, "OPID_BP_LEVEL", "BP01###;"),
    text(160, 0x85a0, "OPID_RL_MAIN", "RL0##;"),
    custom(161, 0x85a1, "OPID_IS_SUB_STEP", shiftSubStep),
    text(162, 0x85a2, "OPID_SH_SUB", "SH1##;"),
    nothing(163, 0x85a3, "OPID_NONE"),
    nothing(164, 0x85a4, "OPID_NONE"),
    custom(165, 0x85a5, "OPID_VF_SUB_A", vfSub),
    custom(166, 0x85a6, "OPID_VF_SUB_B", vfSub),
    nothing(167, 0x85a7, "OPID_NONE"),
    text(168, 0x85a8, "OPID_RL_SUB", "RL1##;"),
    twoWay(Kind::ZeroOr, 169, 0x85a9, "OPID_SF_3_COND", "SF3;", nullptr),
    twoWay(Kind::ZeroOr, 170, 0x85aa, "OPID_SF_2_5", "SF2;", "SF5;"),
    text(171, 0x85ab, "OPID_SUBVFOA_SW", "KC50#1;"),
    text(172, 0x85ac, "OPID_SUBVFOA_SW", "KC50#1;"),
    text(173, 0x85ad, "OPID_SUBVFOA_SW", "KC50#1;"),
    text(174, 0x85ae, "OPID_SUBVFOA_SW", "KC50#1;"),
    text(175, 0x85af, "OPID_SUBVFOA_SW", "KC50#1;"),
    text(176, 0x85b0, "OPID_SUBVFOA_SW", "KC50#1;"),
    text(177, 0x85b1, "OPID_SUBVFOA_SW", "KC50#1;"),
    text(178, 0x85b2, "OPID_SUBVFOA_SW", "KC50#1;"),
    text(179, 0x85b3, "OPID_SUBVFOB_SW", "KC51#1;"),
    text(180, 0x85b4, "OPID_SUBVFOB_SW", "KC51#1;"),
    text(181, 0x85b5, "OPID_SUBVFOB_SW", "KC51#1;"),
    text(182, 0x85b6, "OPID_SUBVFOB_SW", "KC51#1;"),
    text(183, 0x85b7, "OPID_SUBVFOB_SW", "KC51#1;"),
    text(184, 0x85b8, "OPID_SUBVFOB_SW", "KC51#1;"),
    text(185, 0x85b9, "OPID_SUBVFOB_SW", "KC51#1;"),
    text(186, 0x85ba, "OPID_SUBVFOB_SW", "KC51#1;"),
    ranged(187, 0x85bb, "OPID_AN_MAIN", "AN0#;", 0, 3),
    custom(188, 0x85bc, "OPID_CO_TOGGLE", contourSwitch),
    // FR_Stat 0..5 -> the FR digit to send ('.': nothing).
    {189, 0x85bd, "OPID_VFO_A_RX", Kind::Custom, nullptr, nullptr, Src::None, -1, "10..00", 0, INT_MIN, INT_MAX, 0,
     vfoReceive},
    pickStored(190, 0x85be, "OPID_VFO_A_TX", "FT?;", IF::FT_Stat, "32", 0),
    {191, 0x85bf, "OPID_VFO_B_RX", Kind::Custom, nullptr, nullptr, Src::None, -1, "44..54", 0, INT_MIN, INT_MAX, 0,
     vfoReceive},
    pickStored(192, 0x85c0, "OPID_VFO_B_TX", "FT?;", IF::FT_Stat, "32", 0),
    pickV(193, 0x85c1, "OPID_MODE_SW", "MD0?;", "123456789ABCD", '1'),
    custom(194, 0x85c2, "OPID_SF_TOGGLE", sfToggle),
    pickV(195, 0x85c3, "OPID_MHz_uT_SW", "SF?;", "517", '5'),
    pickV(196, 0x85c4, "OPID_SF_DIAL", "SF?;", "532", '5'),
    custom(197, 0x85c5, "OPID_Dial_MIC_SPEED", micSpeedKnob),
    custom(198, 0x85c6, "OPID_Dial_PROC_CAR", procCarKnob),
    custom(199, 0x85c7, "OPID_Dial_6", notchKnob),
    custom(200, 0x85c8, "OPID_Dial_7", contourKnob),
    custom(201, 0x85c9, "OPID_Dial_SHIFT", shiftKnob),
    text(202, 0x85ca, "OPID_SH_MAIN", "SH0##;"),
    text(203, 0x85cb, "OPID_AG_MAIN", "AG0###;"),
    custom(204, 0x85cc, "OPID_Dial_RF_SQL", rfSqlKnob),
    stored(Kind::Flip, 205, 0x85cd, "OPID_VX_TOGGLE2", "VX?;", IF::VX_Stat),
    custom(206, 0x85ce, "OPID_PR0_TOGGLE", pr0Switch),
    stored(Kind::Flip, 207, 0x85cf, "OPID_PR1_TOGGLE", "PR1?;", IF::RI_1),
    custom(208, 0x85d0, "OPID_TFT_MENU_04", tftMenu4),
    pickStored(209, 0x85d1, "OPID_MS_CYCLE", "MS?;", IF::MS_Stat, "431052", '0'),
    stored(Kind::Flip, 210, 0x85d2, "OPID_NR_TOGGLE2", "NR0?;", IF::NR_Main),
    stored(Kind::Flip, 211, 0x85d3, "OPID_BC_TOGGLE2", "BC0?;", IF::BC_Main),
    nothing(212, 0x85d4, "OPID_NONE"),
};
static_assert(std::size(kOperations) == kOperationCount);

constexpr Row kControls[] = {
    custom(0, kMsgSyncStep, "Anl_Send_SYNC", syncStep),
    custom(0, kMsgExStep, "Anl_Send_EX_Step", exStep),
    text(0, kMsgRoPoll, "Anl_Send_RO_Poll", "RO;"),
    custom(0, kMsgKmStep, "Anl_Send_KM_Step", keyerStep),
    custom(0, kMsgSyncStart, "Anl_Send_SyncStart", syncStart),
    custom(0, kMsgSweepStop, "Anl_Send_SweepStop", sweepStop),
    custom(0, kMsgExStart, "Anl_Send_ExStart", exStart),
    custom(0, kMsgPsQuery1, "Anl_Send_PS_Query1", psQuery1),
    custom(0, kMsgPsQuery2, "Anl_Send_PS_Query2", psQuery2),
    custom(0, kMsgIdQuery, "Anl_Send_ID_Query", idQuery),
    custom(0, kMsgRmPoll, "Anl_Send_RM_Poll", rmPoll),
    text(0, kMsgSmPoll, "Anl_Send_SM_Poll", "SM1;"),
    text(0, kMsgIfRead, "Anl_Send_IF_Read", "IF;"),
    text(0, kMsgOiRead, "Anl_Send_OI_Read", "OI;"),
    custom(0, kMsgSendCs, "Anl_Send_CS", sendCs),
    text(0, kMsgSendZi, "Anl_Send_ZI", "ZI;"),
    custom(0, kMsgSendSq, "Anl_Send_SQ", sendSq),
    custom(0, kMsgSendTx, "Anl_Send_TX", sendTx),
    custom(0, kMsgKeepAliveAi, "Anl_Send_KeepAlive_AI", keepAliveAi),
};

// A template's length must be its code's length in one of the command tables.
constexpr bool templateFits(const char* tpl) {
  if (tpl == nullptr) return true;
  int n = 0;
  while (tpl[n] != '\0') ++n;
  if (n < 3 || tpl[n - 1] != ';') return false;
  return n == setCommandLength(tpl[0], tpl[1]) || n == readCommandLength(tpl[0], tpl[1]);
}
constexpr bool tablesAreSound() {
  for (int i = 0; i < kOperationCount; ++i) {
    const Row& r = kOperations[i];
    if (r.op != i + 1 || !templateFits(r.tpl) || !templateFits(r.alt)) return false;
    if ((r.kind == Kind::Custom) != (r.fn != nullptr)) return false;
    if ((r.kind == Kind::PickV || r.kind == Kind::PickStored) && r.picks == nullptr) return false;
  }
  for (const Row& r : kControls) {
    if (!templateFits(r.tpl) || (r.kind == Kind::Custom) != (r.fn != nullptr)) return false;
  }
  return true;
}
static_assert(tablesAreSound());

const Row* findRow(MsgId id) {
  for (const Row& r : kOperations) {
    if (r.msg == id) return &r;
  }
  for (const Row& r : kControls) {
    if (r.msg == id) return &r;
  }
  return nullptr;
}

// The public face of the rows (no recipes).
constexpr auto infoTable(const Row (&rows)[std::size(kOperations)]) {
  struct Table {
    OperationInfo rows[std::size(kOperations)];
  } t{};
  for (std::size_t i = 0; i < std::size(kOperations); ++i) t.rows[i] = {rows[i].op, rows[i].msg, rows[i].name};
  return t;
}
constexpr auto kOperationInfo = infoTable(kOperations);

constexpr auto controlInfoTable() {
  struct Table {
    OperationInfo rows[std::size(kControls)];
  } t{};
  for (std::size_t i = 0; i < std::size(kControls); ++i) t.rows[i] = {0, kControls[i].msg, kControls[i].name};
  return t;
}
constexpr auto kControlInfo = controlInfoTable();

}  // namespace

const OperationInfo* operationInfo(int op) {
  if (op < 1 || op > kOperationCount) return nullptr;
  return &kOperationInfo.rows[op - 1];
}
int controlMessageCount() { return static_cast<int>(std::size(kControls)); }
const OperationInfo* controlMessage(int index) {
  if (index < 0 || index >= controlMessageCount()) return nullptr;
  return &kControlInfo.rows[index];
}

bool Anl_Send_Request(PostTarget& composer, int op, std::uint8_t flagA, std::uint8_t subSide, std::uint8_t flagB,
                      std::int32_t value) {
  const OperationInfo* info = operationInfo(op);
  if (info == nullptr) return false;
  const WParam w = (flagA == 1 ? kFlagA : 0) + (subSide == 1 ? kSubSide : 0) + (flagB == 1 ? kFlagB : 0);
  return composer.post(info->msg, w, value);
}

void Composer::reset() {
  syncRunning_ = false;
  exRunning_ = false;
  psQueryCount_ = 0;
}

void Composer::sendTemplate(const char* tpl, std::int64_t value, WParam w, char pick) {
  const int n = static_cast<int>(std::strlen(tpl));
  CommandBuilder b(tpl, n);
  for (int i = 2; i < n - 1; ++i) {
    switch (tpl[i]) {
      case '#': {
        int run = 1;
        while (tpl[i + run] == '#') ++run;
        b.digits(i, run, value);
        i += run - 1;
        break;
      }
      case '$': b.put(i, sideDigit(w)); break;
      case '?': b.put(i, pick); break;
      default: b.put(i, tpl[i]); break;
    }
  }
  ctx_.emit(b);
}

bool Composer::handle(const Msg& msg) {
  const Row* r = findRow(msg.id);
  if (r == nullptr) return false;
  const std::int64_t v = msg.l;
  switch (r->kind) {
    case Kind::Ignored: return false;
    case Kind::Nothing: break;
    case Kind::Text:
      if (v >= r->lo && v <= r->hi) sendTemplate(r->tpl, v + r->bias, msg.w);
      break;
    case Kind::Toggle: {
      const std::int32_t s = storedValue(*this, *r);
      if (s == 0 || s == 1) sendTemplate(r->tpl, 0, msg.w, s == 0 ? '1' : '0');
      break;
    }
    case Kind::Flip:
      sendTemplate(r->tpl, 0, msg.w, storedValue(*this, *r) == 0 ? '1' : '0');
      break;
    case Kind::PickV:
    case Kind::PickStored: {
      const std::int64_t index = r->kind == Kind::PickV ? v : storedValue(*this, *r);
      const char c = pickOf(r->picks, index, r->dflt);
      if (c != 0) sendTemplate(r->tpl, v, msg.w, c);
      break;
    }
    case Kind::ZeroOr: {
      const char* t = v != 0 ? r->tpl : r->alt;
      if (t != nullptr) sendTemplate(t, v, msg.w);
      break;
    }
    case Kind::BySide:
      sendTemplate((msg.w & kSubSide) != 0 ? r->alt : r->tpl, v, msg.w);
      break;
    case Kind::MainOnly:
      if ((msg.w & kSubSide) == 0) sendTemplate(r->tpl, v, msg.w);
      break;
    case Kind::Custom: r->fn(*this, *r, msg); break;
  }
  return true;
}

// ---- sweeps ----

void Composer::startSync() {
  if (syncRunning_) {
    syncCursor_ = 0;
    return;
  }
  syncRunning_ = true;
  syncCursor_ = 0;
  ctx_.windowFlags.busy = 1;
  ctx_.mainWindow.setTimer(kTimerSync, 30);
  ctx_.windowFlags.readOutRunning = 1;
  ctx_.windowFlags.readOutShown = 1;
}

void Composer::stopSync() {
  ctx_.mainWindow.killTimer(kTimerSync);
  syncRunning_ = false;
  ctx_.windowFlags.readOutRunning = 0;
  ctx_.windowFlags.readOutShown = 0;
}

void Composer::syncStep() {
  // A tick still queued behind a stop is not a reason to read again.
  if (!syncRunning_) return;
  const int i = syncCursor_;
  const ReadCommandRow& row = kReadCommandTable[i];
  char query[8] = {row.code[0], row.code[1], ';'};
  switch (row.kind) {
    case ReadKind::Plain:
      if (i == 57 || i == 24 || i == 31 || i == 70) break;
      if (i == 28) {
        ctx_.emitText("PR0;");
        ctx_.emitText("PR1;");
        break;
      }
      ctx_.emitText(query);
      break;
    case ReadKind::Side:
      query[2] = '0';
      query[3] = ';';
      ctx_.emitText(query);
      ctx_.sleepMs(25);
      break;
    case ReadKind::Own: {
      struct OwnQueries {
        int row;
        const char* const* texts;
        int count;
      };
      static constexpr const char* kBp[] = {"BP00;", "BP01;"};
      static constexpr const char* kCo[] = {"CO00;", "CO01;", "CO02;"};
      static constexpr const char* kRm[] = {"RM0;"};
      static constexpr const char* kKm[] = {"KM1;", "KM2;", "KM3;", "KM4;", "KM5;"};
      static constexpr const char* kRi[] = {"RI0;", "RI1;", "RI3;", "RI4;", "RI5;", "RI6;", "RI7;", "RI8;"};
      static constexpr const char* kBg[] = {"BG1;"};
      static constexpr const char* kCa[] = {"CA0;"};
      static constexpr OwnQueries kOwn[] = {
          {4, kBp, 2}, {6, kCo, 3}, {32, kRm, 1}, {60, kKm, 5}, {69, kRi, 8}, {71, kBg, 1}, {75, kCa, 1},
      };
      for (const OwnQueries& q : kOwn) {
        if (q.row != i) continue;
        for (int k = 0; k < q.count; ++k) ctx_.emitText(q.texts[k]);
      }
      if (i == 73) {
        for (char set : {'0', '2'}) {
          for (char band : {'0', '1', '2'}) {
            for (char param : {'0', '1', '2'}) {
              const char pe[] = {'P', 'E', set, band, param, ';', 0};
              ctx_.emitText(pe);
              ctx_.sleepMs(25);
            }
          }
        }
      }
      break;   // rows 0 (ID) and 74 (KC) ask nothing
    }
  }
  if (++syncCursor_ >= kReadCommandCount) {
    syncCursor_ = 0;
    stopSync();
    startExSweep();
  }
}

void Composer::startExSweep() {
  if (exRunning_) {
    exCursor_ = 1;
    return;
  }
  exRunning_ = true;
  exCursor_ = 1;
  ctx_.windowFlags.busy = 1;
  ctx_.mainWindow.setTimer(kTimerExSweep, 30);
}

void Composer::exStep() {
  if (!exRunning_) return;
  sendTemplate("EX###;", exCursor_);
  if (++exCursor_ <= ctx_.state.get_MenuItem_Count()) return;
  exCursor_ = 1;
  ctx_.mainWindow.killTimer(kTimerExSweep);
  exRunning_ = false;
  if (ctx_.windowFlags.busyShown != 0) {
    ctx_.sleepMs(100);
    ctx_.mainWindow.postMessage(kMsgBusyClose, 0, 0);
  }
  ctx_.windowFlags.busy = 0;
  ctx_.mainWindow.postMessage(kMsgReadOutDone, 0, 0);
  ctx_.mainWindow.postMessage(kMsgRedrawContour, 0, 0);
  ctx_.mainWindow.postMessage(kMsgRedrawBandPass, 0, 0);
}

void Composer::stopAll() {
  // Only a read-out's end lowered busy: one cut off left the window waiting
  // for it (a restore's link-back wait, the set-up forms) until the next.
  if (syncRunning_ || exRunning_) ctx_.windowFlags.busy = 0;
  stopSync();
  ctx_.mainWindow.killTimer(kTimerExSweep);
  exRunning_ = false;
  keyerCursor_ = 1;
  ctx_.mainWindow.killTimer(kTimerKmSweep);
}

void Composer::keyerStep() {
  if (keyerCursor_ >= 1 && keyerCursor_ <= 5) {
    sendTemplate("KM#;", keyerCursor_);
    ++keyerCursor_;
    return;
  }
  ctx_.mainWindow.killTimer(kTimerKmSweep);
  keyerCursor_ = 1;
}

void Composer::psQuery2() {
  ctx_.emitText("PS;");
  if (psQueryCount_ == 1) {
    ctx_.mainWindow.killTimer(kTimerPsOff);
    psQueryCount_ = 0;
  } else {
    ++psQueryCount_;
  }
}

bool Anl_Send_Thread::startComposer() {
  ComposerContext& x = composer_.ctx();
  x.state.set_PowerSyncTimerArmed(0);
  x.state.set_AiOnRequested(0);
  x.state.set_AiResyncNeeded(0);
  composer_.keyerCursorRef() = 1;
  if (!start()) return false;
  x.mainWindow.setTimer(kTimerKeepAlive, 1000);
  return true;
}

}  // namespace hrx
