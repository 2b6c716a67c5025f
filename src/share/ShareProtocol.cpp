#include "share/ShareProtocol.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "state/RadioState.h"

namespace hrx::share {

Snapshot takeSnapshot(const RadioState& st) {
  Snapshot s;
  s.vfoA = st.get_VfoA_Freq();
  s.vfoB = st.get_VfoB_Freq();
  s.modeMain = st.get_MD_Main();
  s.modeSub = st.get_MD_Sub();
  s.widthMain = st.get_SH_Main();
  s.widthSub = st.get_SH_Sub();
  s.naMain = st.get_NA_Main();
  s.naSub = st.get_NA_Sub();
  s.frStat = st.get_FR_Stat();
  s.ftStat = st.get_FT_Stat();
  s.txStat = st.get_TxStat();
  s.psStat = st.get_PS_Stat();
  s.sMeter = st.get_SM_Meter1();
  s.swrMeter = st.get_RM_Meter6();  // meter selection 3 (SWR) reads RM6
  s.powerSetting = st.get_PC_Value();
  s.linkUp = st.get_AI_Stat() == 1;
  return s;
}

namespace {

// Composer operations a set command becomes.
constexpr int kOpFt0 = 34;
constexpr int kOpFt1 = 63;
constexpr int kOpMainVfoSet = 82;
constexpr int kOpSubVfoSet = 83;
constexpr int kOpShMain = 103;
constexpr int kOpModeSw = 193;
constexpr int kOpNaToggle = 30;
constexpr int kOpShSub = 162;
// The panel's receive keys: VFO A's puts FR 4 or 5 back to 0 and toggles
// 0 and 1; VFO B's puts 0 or 1 to 4 and toggles 4 and 5.
constexpr int kOpVfoARx = 189;
constexpr int kOpVfoBRx = 191;

// The radio's tuning range (the store's range of both VFO frequencies).
constexpr std::int32_t kFreqMin = 30000;
constexpr std::int32_t kFreqMax = 60000000;

struct ModeRow {
  std::int32_t code;
  const char* name;
  std::uint32_t bit;  // the protocol's mode bit, for dump_state
};
// Names for every mode code; the first row of a name is the code a set
// command asks for (FM and AM each have two codes on the radio).
constexpr ModeRow kModes[] = {
    {1, "LSB", 0x8},      {2, "USB", 0x4},      {3, "CW", 0x2},        {4, "FM", 0x20},
    {5, "AM", 0x1},       {6, "RTTY", 0x10},    {7, "CWR", 0x80},      {8, "PKTLSB", 0x400},
    {9, "RTTYR", 0x100},  {10, "PKTFM", 0x1000}, {11, "FM", 0x20},     {12, "PKTUSB", 0x800},
    {13, "AM", 0x1},
};
constexpr std::uint32_t kAllModes = 0x1 | 0x2 | 0x4 | 0x8 | 0x10 | 0x20 | 0x80 | 0x100 | 0x400 | 0x800 | 0x1000;
// What M sets (a client offers the operator these).
constexpr const char* kModeList = "USB LSB CW CWR RTTY RTTYR AM FM PKTUSB PKTLSB PKTFM";

// The filters dump_state offers, by mode bits; a mode's first is its normal
// width.
struct Filter {
  std::uint32_t modes;
  std::int32_t hz;
};
constexpr Filter kFilters[] = {
    {0xc, 2400},   {0xc, 1800},  {0xc, 3000},  // SSB
    {0xc00, 2400},                              // data
    {0x192, 500},  {0x192, 2400},               // CW and RTTY
    {0x1, 6000},                                // AM
    {0x1020, 16000},                            // FM
};

constexpr std::int32_t kSsbWidths[] = {200,  400,  600,  850,  1100, 1350, 1500, 1650, 1800, 1950, 2100, 2200, 2300,
                                       2400, 2500, 2600, 2700, 2800, 2900, 3000, 3200, 3400, 3600, 3800, 4000};
constexpr std::int32_t kNarrowWidths[] = {50, 100, 150, 200, 250, 300, 350, 400, 450, 500, 800, 1200, 1400, 1700, 2000, 2400};

constexpr std::int32_t kFmNarrowHz = 9000;
constexpr std::int32_t kFmWideHz = 16000;
constexpr std::int32_t kAmHz = 6000;

bool isSsb(std::int32_t code) { return code == 1 || code == 2; }
bool isFm(std::int32_t code) { return code == 4 || code == 11; }
bool isAm(std::int32_t code) { return code == 5 || code == 13; }

// Piecewise-linear meter scales: reading 0..255 to the protocol's unit.
struct Knot {
  int reading;
  double value;
};
constexpr Knot kStrength[] = {{0, -54}, {128, 0}, {255, 60}};   // dB over S9
constexpr Knot kSwr[] = {{0, 1.0}, {64, 1.5}, {128, 2.0}, {192, 3.0}, {255, 5.0}};

template <std::size_t N>
double onScale(const Knot (&k)[N], int reading) {
  if (reading <= k[0].reading) return k[0].value;
  for (std::size_t i = 1; i < N; ++i) {
    if (reading <= k[i].reading) {
      const double t = double(reading - k[i - 1].reading) / double(k[i].reading - k[i - 1].reading);
      return k[i - 1].value + t * (k[i].value - k[i - 1].value);
    }
  }
  return k[N - 1].value;
}

bool rxOnB(const Snapshot& s) { return s.frStat == 4 || s.frStat == 5; }
bool txOnB(const Snapshot& s) { return s.ftStat == 1; }

bool parseInt(std::string_view t, long& out) {
  if (t.empty() || t.size() > 20) return false;
  char buf[24];
  std::memcpy(buf, t.data(), t.size());
  buf[t.size()] = '\0';
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(buf, &end, 10);
  if (errno != 0 || end != buf + t.size()) return false;
  out = v;
  return true;
}

// Integer or decimal Hz ("14074000", "14074055.000000"), inside the radio's range.
bool parseFreq(std::string_view t, std::int32_t& out) {
  if (t.empty() || t.size() > 32) return false;
  char buf[40];
  std::memcpy(buf, t.data(), t.size());
  buf[t.size()] = '\0';
  for (char c : t) {
    if (!((c >= '0' && c <= '9') || c == '.' || c == '+' || c == '-' || c == 'e' || c == 'E')) return false;
  }
  char* end = nullptr;
  const double v = std::strtod(buf, &end);
  if (end != buf + t.size() || !std::isfinite(v)) return false;
  const double r = std::nearbyint(v);
  if (r < kFreqMin || r > kFreqMax) return false;
  out = static_cast<std::int32_t>(r);
  return true;
}

enum class Vfo { None, A, B, Current, Receiving, Other };
Vfo vfoToken(std::string_view t) {
  if (t == "VFOA" || t == "Main" || t == "MainA") return Vfo::A;
  if (t == "VFOB" || t == "Sub" || t == "MainB") return Vfo::B;
  if (t == "currVFO" || t == "VFO") return Vfo::Current;
  if (t == "RX") return Vfo::Receiving;
  // Names the protocol knows for VFOs this radio does not have.
  if (t == "VFOC" || t == "MEM" || t == "TX" || t == "MainC" || t == "SubA" || t == "SubB" || t == "SubC") return Vfo::Other;
  return Vfo::None;
}
const char* vfoName(bool b) { return b ? "VFOB" : "VFOA"; }

struct Call {
  Call(const Snapshot& snap, Session& sess, Reply& reply) : s(snap), session(sess), out(reply) {}
  const Snapshot& s;
  Session& session;
  Reply& out;
  std::string_view args[4];
  int argc = 0;
  struct Value {
    const char* key;
    std::string text;
  };
  Value values[3];
  int valueCount = 0;
  const std::string* raw = nullptr;  // a block sent as it stands

  void value(const char* key, std::string text) {
    if (valueCount < 3) values[valueCount++] = {key, std::move(text)};
  }
  void act(Action::Kind kind, int op, std::int32_t v) {
    if (out.actionCount < kMaxActions) out.actions[out.actionCount++] = Action{kind, op, v};
  }
  void await(Await::Kind kind, std::int32_t a, std::int32_t b = 0) { out.await = Await{kind, a, b}; }
};

std::string num(long v) { return std::to_string(v); }
std::string real(double v) {
  char b[32];
  std::snprintf(b, sizeof b, "%.6f", v);
  return b;
}

// Whether the session's gets and sets work on VFO B.
bool targetB(const Call& c) {
  switch (c.session.target) {
    case Session::Target::A: return false;
    case Session::Target::B: return true;
    case Session::Target::Receiving: break;
  }
  return rxOnB(c.s);
}

int getFreq(Call& c) {
  c.value("Frequency", num(targetB(c) ? c.s.vfoB : c.s.vfoA));
  return kOk;
}

// FA and FB set either VFO without moving the receiver.
int setFreq(Call& c) {
  std::int32_t hz;
  if (c.argc != 1 || !parseFreq(c.args[0], hz)) return kErrInvalid;
  const bool b = targetB(c);
  if (hz == (b ? c.s.vfoB : c.s.vfoA)) return kOk;
  c.act(Action::Kind::Operation, b ? kOpSubVfoSet : kOpMainVfoSet, hz);
  c.await(Await::Kind::Freq, b ? 1 : 0, hz);
  return kOk;
}

int modeAnswer(Call& c, std::int32_t code, std::int32_t width, std::int32_t narrow, const char* modeKey,
               const char* bandKey) {
  const char* name = modeName(code);
  if (name == nullptr) return kErrUnavailable;
  c.value(modeKey, name);
  c.value(bandKey, num(widthHz(code, width, narrow != 0)));
  return kOk;
}

int getMode(Call& c) {
  return targetB(c) ? modeAnswer(c, c.s.modeSub, c.s.widthSub, c.s.naSub, "Mode", "Passband")
                    : modeAnswer(c, c.s.modeMain, c.s.widthMain, c.s.naMain, "Mode", "Passband");
}

// The WIDTH index nearest to `hz` in mode `code`; 0 when the mode has no
// adjustable width.
std::int32_t nearestWidth(std::int32_t code, long hz) {
  if (isFm(code) || isAm(code)) return 0;
  std::int32_t best = 0;
  long bestGap = 0;
  const int n = isSsb(code) ? 25 : 16;
  for (int i = 1; i <= n; ++i) {
    const long gap = std::labs(widthHz(code, i) - hz);
    if (best == 0 || gap < bestGap) {
      best = i;
      bestGap = gap;
    }
  }
  return best;
}

struct Side {
  std::int32_t mode, width, na;
};
Side sideOf(const Snapshot& s, bool b) { return b ? Side{s.modeSub, s.widthSub, s.naSub} : Side{s.modeMain, s.widthMain, s.naMain}; }

// What a mode set asks of one VFO.
struct ModeSet {
  std::int32_t code = 0;
  std::int32_t width = 0;  // WIDTH index to send, 0 for none
  bool toggleNarrow = false;
  bool narrow = false;
};

// "mode [passband]": passband -1 (or none) keeps the width, 0 is the mode's
// normal width.
int parseModeSet(const Call& c, const Side& side, bool canToggle, ModeSet& m) {
  if (c.argc < 1 || c.argc > 2) return kErrInvalid;
  m.code = modeCode(c.args[0]);
  if (m.code == 0) return kErrInvalid;
  // FM and AM have two codes each: the one the radio is in is no change.
  if (modeName(side.mode) != nullptr && c.args[0] == modeName(side.mode)) m.code = side.mode;
  long passband = -1;
  if (c.argc == 2 && (!parseInt(c.args[1], passband) || passband < -1 || passband > 100000)) return kErrInvalid;
  if (passband < 0) return kOk;
  const long hz = passband == 0 ? normalWidthHz(m.code) : passband;
  m.width = nearestWidth(m.code, hz);
  // A new mode brings its own width, unknown until the radio reports it.
  if (m.code == side.mode && m.width == side.width) m.width = 0;
  // FM's two widths are the narrow state, which NA toggles; known only
  // while the radio stays in FM.
  m.narrow = hz < (kFmNarrowHz + kFmWideHz) / 2;
  m.toggleNarrow = canToggle && isFm(m.code) && m.code == side.mode && m.narrow != (side.na != 0);
  return kOk;
}

// The mode key and the WIDTH control work on the side that receives.
void modeActions(Call& c, bool b, const Side& side, const ModeSet& m) {
  if (m.code != side.mode) c.act(Action::Kind::Operation, kOpModeSw, m.code - 1);
  if (m.width != 0) c.act(Action::Kind::Operation, b ? kOpShSub : kOpShMain, m.width);
  if (m.toggleNarrow) c.act(Action::Kind::Operation, kOpNaToggle, 0);
  if (c.out.actionCount == 0) return;
  c.out.await = Await{Await::Kind::Mode, m.code, m.width, m.toggleNarrow ? (m.narrow ? 1 : 0) : -1, b};
}

// What pressing a receive key does to FR; -1 where it does nothing.
std::int32_t afterPress(bool keyB, std::int32_t fr) {
  if (keyB) return fr == 0 || fr == 1 || fr == 5 ? 4 : fr == 4 ? 5 : -1;
  return fr == 4 || fr == 5 || fr == 1 ? 0 : fr == 0 ? 1 : -1;
}

void pressReceive(Call& c, bool keyB) {
  c.act(Action::Kind::Operation, keyB ? kOpVfoBRx : kOpVfoARx, 0);
  c.out.await = Await{Await::Kind::Receiver, afterPress(keyB, c.s.frStat)};
  c.out.continues = true;
}

int setModeOf(Call& c, bool b) {
  const Side side = sideOf(c.s, b);
  const bool receives = b == rxOnB(c.s);
  ModeSet m;
  // NA toggles VFO A's narrow state only.
  if (const int e = parseModeSet(c, side, !b && receives, m); e != kOk) return e;
  if (m.code == side.mode && m.width == 0 && !m.toggleNarrow) return kOk;
  if (receives) {
    modeActions(c, b, side, m);
    return kOk;
  }
  // The other VFO receives for the set alone; the steps go on in continueSet().
  if (afterPress(b, c.s.frStat) < 0) return kErrUnavailable;
  c.session.otherMode = Session::OtherMode{1, b, false, m.code, m.width, c.s.frStat, 0};
  pressReceive(c, b);
  return kOk;
}

int setMode(Call& c) {
  if (c.argc >= 1 && c.args[0] == "?") {
    c.value("Modes", kModeList);
    return kOk;
  }
  return setModeOf(c, targetB(c));
}

int getVfo(Call& c) {
  c.value("VFO", vfoName(targetB(c)));
  return kOk;
}

// Only the session's target: the radio's receiver stays where it is.
int setVfo(Call& c) {
  if (c.argc != 1) return kErrInvalid;
  switch (vfoToken(c.args[0])) {
    case Vfo::None: return kErrInvalid;
    case Vfo::Other: return kErrUnavailable;
    case Vfo::Current: break;
    case Vfo::A: c.session.target = Session::Target::A; break;
    case Vfo::B: c.session.target = Session::Target::B; break;
    case Vfo::Receiving: c.session.target = Session::Target::Receiving; break;
  }
  return kOk;
}

int getSplit(Call& c) {
  const bool split = rxOnB(c.s) != txOnB(c.s);
  c.value("Split", split ? "1" : "0");
  c.value("TX VFO", vfoName(txOnB(c.s)));
  return kOk;
}

int setSplit(Call& c) {
  long split;
  if (c.argc < 1 || c.argc > 2 || !parseInt(c.args[0], split) || (split != 0 && split != 1)) return kErrInvalid;
  bool wantB;
  if (split == 0) {
    wantB = rxOnB(c.s);
  } else if (c.argc == 2) {
    const Vfo v = vfoToken(c.args[1]);
    if (v == Vfo::None) return kErrInvalid;
    if (v == Vfo::Other) return kErrUnavailable;
    wantB = v == Vfo::A || v == Vfo::B ? v == Vfo::B : !rxOnB(c.s);
  } else {
    wantB = !rxOnB(c.s);
  }
  if (wantB != txOnB(c.s)) {
    c.act(Action::Kind::Operation, wantB ? kOpFt1 : kOpFt0, 0);
    c.await(Await::Kind::TxVfo, wantB ? 1 : 0);
  }
  return kOk;
}

// The split commands work on the VFO that does not receive.
int getSplitFreq(Call& c) {
  c.value("TX Frequency", num(rxOnB(c.s) ? c.s.vfoA : c.s.vfoB));
  return kOk;
}

int setSplitFreq(Call& c) {
  std::int32_t hz;
  if (c.argc != 1 || !parseFreq(c.args[0], hz)) return kErrInvalid;
  const bool b = !rxOnB(c.s);
  if (hz == (b ? c.s.vfoB : c.s.vfoA)) return kOk;
  c.act(Action::Kind::Operation, b ? kOpSubVfoSet : kOpMainVfoSet, hz);
  c.await(Await::Kind::Freq, b ? 1 : 0, hz);
  return kOk;
}

int getSplitMode(Call& c) {
  return rxOnB(c.s) ? modeAnswer(c, c.s.modeMain, c.s.widthMain, c.s.naMain, "TX Mode", "TX Passband")
                    : modeAnswer(c, c.s.modeSub, c.s.widthSub, c.s.naSub, "TX Mode", "TX Passband");
}

int setSplitMode(Call& c) { return setModeOf(c, !rxOnB(c.s)); }

int getPtt(Call& c) {
  c.value("PTT", c.s.txStat != 0 ? "1" : "0");
  return kOk;
}

int setPtt(Call& c) {
  long v;
  if (c.argc != 1 || !parseInt(c.args[0], v) || v < 0 || v > 3) return kErrInvalid;
  if (v == 0) {
    // Always sent, even when the radio already receives: releasing is safe.
    c.act(Action::Kind::Ptt, 0, 0);
    c.session.pttHeld = false;
    if (c.s.linkUp) c.await(Await::Kind::Tx, 0);
    return kOk;
  }
  if (!c.s.linkUp) return kErrRefused;
  c.act(Action::Kind::Ptt, 0, 1);
  c.session.pttHeld = true;
  c.await(Await::Kind::Tx, 1);
  return kOk;
}

int getLevel(Call& c) {
  if (c.argc != 1) return kErrInvalid;
  const std::string_view name = c.args[0];
  if (name == "?") {
    c.value("Levels", "RFPOWER SWR STRENGTH");
  } else if (name == "STRENGTH") {
    c.value(nullptr, num(std::lround(onScale(kStrength, c.s.sMeter))));
  } else if (name == "SWR") {
    c.value(nullptr, real(onScale(kSwr, c.s.swrMeter)));
  } else if (name == "RFPOWER") {
    c.value(nullptr, real(c.s.powerSetting / 100.0));
  } else {
    return kErrUnavailable;
  }
  return kOk;
}

int getPowerstat(Call& c) {
  // A radio that does not answer is off as far as a client can tell.
  c.value("Power Status", c.s.psStat == 1 && c.s.linkUp ? "1" : "0");
  return kOk;
}

int getLockMode(Call& c) {
  c.value("Locked", "0");
  return kOk;
}

// The power setting's scale: 1.0 is the radio's 100 W.
constexpr double kFullPowerMw = 100000.0;

bool parseReal(std::string_view t, double lo, double hi, double& out) {
  if (t.empty() || t.size() > 32) return false;
  char buf[40];
  std::memcpy(buf, t.data(), t.size());
  buf[t.size()] = '\0';
  char* end = nullptr;
  const double v = std::strtod(buf, &end);
  if (end != buf + t.size() || !std::isfinite(v) || v < lo || v > hi) return false;
  out = v;
  return true;
}

// Power, frequency and mode; the result depends on the power alone.
int power2mW(Call& c) {
  double power;
  std::int32_t hz;
  if (c.argc != 3 || !parseReal(c.args[0], 0.0, 1.0, power) || !parseFreq(c.args[1], hz) || modeCode(c.args[2]) == 0)
    return kErrInvalid;
  c.value("Power mW", num(std::lround(power * kFullPowerMw)));
  return kOk;
}

int mW2power(Call& c) {
  double mw;
  std::int32_t hz;
  if (c.argc != 3 || !parseReal(c.args[0], 0.0, kFullPowerMw, mw) || !parseFreq(c.args[1], hz) || modeCode(c.args[2]) == 0)
    return kErrInvalid;
  c.value("Power [0.0..1.0]", real(mw / kFullPowerMw));
  return kOk;
}

// VFO arguments in every command are not offered (chk_vfo answers 0).
int setVfoOpt(Call& c) {
  long v;
  if (c.argc != 1 || !parseInt(c.args[0], v) || (v != 0 && v != 1)) return kErrInvalid;
  return v == 0 ? kOk : kErrUnavailable;
}

// Nobody locks the mode here: unlocking is the state as it is.
int setLockMode(Call& c) {
  long v;
  if (c.argc != 1 || !parseInt(c.args[0], v) || (v != 0 && v != 1)) return kErrInvalid;
  return v == 0 ? kOk : kErrUnavailable;
}

int chkVfo(Call& c) {
  static const std::string kAnswer = "0\n";
  c.raw = &kAnswer;
  return kOk;
}

int dumpStateCmd(Call& c) {
  c.raw = &dumpState();
  return kOk;
}

int quit(Call& c) {
  c.out.close = true;
  return kOk;
}

struct Command {
  char shortName;  // 0: long name only
  const char* longName;
  int (*handler)(Call&);
  // Answers from the radio's state: none while the radio is not heard.
  bool reads = false;
};

constexpr Command kCommands[] = {
    {'f', "get_freq", getFreq, true},          {'F', "set_freq", setFreq},
    {'m', "get_mode", getMode, true},          {'M', "set_mode", setMode},
    {'v', "get_vfo", getVfo, true},            {'V', "set_vfo", setVfo},
    {'s', "get_split_vfo", getSplit, true},    {'S', "set_split_vfo", setSplit},
    {'i', "get_split_freq", getSplitFreq, true}, {'I', "set_split_freq", setSplitFreq},
    {'x', "get_split_mode", getSplitMode, true}, {'X', "set_split_mode", setSplitMode},
    {'t', "get_ptt", getPtt, true},            {'T', "set_ptt", setPtt},
    {'l', "get_level", getLevel, true},        {'q', "quit", quit},
    {'Q', "quit", quit},                 {0, "get_powerstat", getPowerstat},
    {0, "chk_vfo", chkVfo},              {0, "dump_state", dumpStateCmd},
    {0, "get_lock_mode", getLockMode},    {'2', "power2mW", power2mW},
    {'4', "mW2power", mW2power},         {0, "set_vfo_opt", setVfoOpt},
    {0, "set_lock_mode", setLockMode},
};

bool isSpace(char c) { return c == ' ' || c == '\t'; }

// A separator character that asks for the extended answer.
bool extendedMark(char c) {
  return c != '\0' && c != '\\' && c != '?' && c != '_' && c != '#' && std::strchr("!\"$%&'()*+,-./:;<=>@[]^`{|}~", c) != nullptr;
}

void rprt(std::string& t, int code) {
  t += "RPRT ";
  t += std::to_string(code);
  t += '\n';
}

}  // namespace

const char* modeName(std::int32_t code) {
  for (const ModeRow& r : kModes) {
    if (r.code == code) return r.name;
  }
  return nullptr;
}

std::int32_t modeCode(std::string_view name) {
  for (const ModeRow& r : kModes) {
    if (name == r.name) return r.code;
  }
  return 0;
}

std::int32_t widthHz(std::int32_t code, std::int32_t index, bool narrow) {
  if (isSsb(code)) return index >= 1 && index <= 25 ? kSsbWidths[index - 1] : 0;
  if (isFm(code)) return narrow ? kFmNarrowHz : kFmWideHz;
  if (isAm(code)) return kAmHz;  // a fixed filter
  if (modeName(code) == nullptr) return 0;
  return index >= 1 && index <= 16 ? kNarrowWidths[index - 1] : 0;
}

double strengthDb(int reading) { return onScale(kStrength, reading); }
double swrRatio(int reading) { return onScale(kSwr, reading); }

std::int32_t normalWidthHz(std::int32_t code) {
  std::uint32_t bit = 0;
  for (const ModeRow& r : kModes) {
    if (r.code == code) bit = r.bit;
  }
  for (const Filter& f : kFilters) {
    if ((f.modes & bit) != 0) return f.hz;
  }
  return 0;
}

const std::string& dumpState() {
  static const std::string kBlock = [] {
    std::string t;
    char line[160];
    auto add = [&](const char* s) {
      t += s;
      t += '\n';
    };
    add("1");   // protocol version
    add("2");   // rig model: the network rig
    add("1");   // ITU region
    // Receive range, then the transmit bands: start, end, modes, low and
    // high power (mW), VFOs, antennas.
    std::snprintf(line, sizeof line, "%d.000000 %d.000000 0x%x -1 -1 0x3 0x1", kFreqMin, kFreqMax, kAllModes);
    add(line);
    add("0 0 0 0 0 0 0");
    static constexpr std::int32_t kTxBands[][2] = {
        {1800000, 2000000},   {3500000, 4000000},   {5250000, 5450000},   {7000000, 7300000},
        {10100000, 10150000}, {14000000, 14350000}, {18068000, 18168000}, {21000000, 21450000},
        {24890000, 24990000}, {28000000, 29700000}, {50000000, 54000000},
    };
    for (const auto& b : kTxBands) {
      std::snprintf(line, sizeof line, "%d.000000 %d.000000 0x%x 5000 100000 0x3 0x1", b[0], b[1], kAllModes);
      add(line);
    }
    add("0 0 0 0 0 0 0");
    // Tuning steps, then filters: modes, Hz.
    std::snprintf(line, sizeof line, "0x%x 1", kAllModes);
    add(line);
    std::snprintf(line, sizeof line, "0x%x 10", kAllModes);
    add(line);
    add("0 0");
    for (const Filter& f : kFilters) {
      std::snprintf(line, sizeof line, "0x%x %d", f.modes, f.hz);
      add(line);
    }
    add("0 0");
    add("9999");   // max RIT
    add("9999");   // max XIT
    add("1000");   // max IF shift
    add("0");      // announces
    add("0");      // preamps
    add("0");      // attenuators
    add("0x0");    // get func
    add("0x0");    // set func
    add("0x50001000");  // get level: RFPOWER, SWR, STRENGTH
    add("0x0");    // set level
    add("0x0");    // get parm
    add("0x0");    // set parm
    add("vfo_ops=0x0");
    add("ptt_type=0x1");
    add("targetable_vfo=0x0");
    add("has_set_vfo=1");
    add("has_get_vfo=1");
    add("has_set_freq=1");
    add("has_get_freq=1");
    add("timeout=1000");
    add("rig_model=2");
    add("done");
    return t;
  }();
  return kBlock;
}

bool satisfied(const Await& w, const Snapshot& s) {
  switch (w.kind) {
    case Await::Kind::None: return true;
    case Await::Kind::Freq: return (w.a != 0 ? s.vfoB : s.vfoA) == w.b;
    case Await::Kind::Mode: {
      const Side side = sideOf(s, w.onB);
      return side.mode == w.a && (w.b == 0 || side.width == w.b) && (w.narrow < 0 || (side.na != 0) == (w.narrow != 0));
    }
    case Await::Kind::Receiver: return s.frStat == w.a;
    case Await::Kind::Tx: return (s.txStat != 0) == (w.a != 0);
    case Await::Kind::TxVfo: return txOnB(s) == (w.a != 0);
  }
  return true;
}

SetStep continueSet(const Snapshot& snapshot, Session& session, bool late, Reply& out) {
  out.actionCount = 0;
  out.await = Await{};
  out.continues = false;
  Session::OtherMode& m = session.otherMode;
  if (m.step == 0) return SetStep::Done;
  if (late || !snapshot.linkUp) m.failed = true;
  Call c{snapshot, session, out};
  if (m.step == 1 && !m.failed) {
    // That VFO receives now: the mode key and WIDTH reach it.
    m.step = 2;
    ModeSet set;
    set.code = m.code;
    set.width = m.width;
    modeActions(c, m.onB, sideOf(snapshot, m.onB), set);
    if (out.actionCount > 0) {
      out.continues = true;
      return SetStep::More;
    }
  }
  // The receiver goes back, one key press at a time (FR 1 and 5 take two).
  m.step = 3;
  constexpr int kMaxPresses = 2;
  const bool keyB = m.frWas == 4 || m.frWas == 5;
  if (snapshot.frStat != m.frWas && snapshot.linkUp && m.presses < kMaxPresses && afterPress(keyB, snapshot.frStat) >= 0) {
    ++m.presses;
    pressReceive(c, keyB);
    return SetStep::More;
  }
  const bool failed = m.failed || snapshot.frStat != m.frWas;
  m = Session::OtherMode{};
  return failed ? SetStep::Failed : SetStep::Done;
}

void handleLine(std::string_view line, const Snapshot& snapshot, Session& session, Reply& out) {
  out.text.clear();
  out.failText.clear();
  out.actionCount = 0;
  out.close = false;
  out.await = Await{};
  out.continues = false;
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n' || isSpace(line.back()))) line.remove_suffix(1);
  while (!line.empty() && isSpace(line.front())) line.remove_prefix(1);
  if (line.empty()) return;

  char sep = 0;  // 0: the default protocol
  if (extendedMark(line.front())) {
    sep = line.front() == '+' ? '\n' : line.front();
    line.remove_prefix(1);
  }
  std::string_view name;
  const Command* cmd = nullptr;
  if (!line.empty() && line.front() == '\\') {
    std::size_t n = 1;
    while (n < line.size() && !isSpace(line[n])) ++n;
    name = line.substr(1, n - 1);
    line.remove_prefix(n);
    for (const Command& c : kCommands) {
      if (name == c.longName) cmd = &c;
    }
  } else if (!line.empty()) {
    const char ch = line.front();
    line.remove_prefix(1);
    for (const Command& c : kCommands) {
      if (c.shortName != 0 && c.shortName == ch) cmd = &c;
    }
  }
  if (cmd == nullptr) {
    rprt(out.text, kErrUnavailable);
    return;
  }

  Call call{snapshot, session, out};
  bool tooMany = false;
  while (!line.empty()) {
    while (!line.empty() && isSpace(line.front())) line.remove_prefix(1);
    if (line.empty()) break;
    std::size_t n = 0;
    while (n < line.size() && !isSpace(line[n])) ++n;
    if (call.argc < 4) {
      call.args[call.argc++] = line.substr(0, n);
    } else {
      tooMany = true;
    }
    line.remove_prefix(n);
  }
  // A held value read while the radio is not heard may be long out of
  // date: a logger would log it.
  const bool query = call.argc >= 1 && call.args[0] == "?";
  int code = tooMany              ? kErrInvalid
             : cmd->reads && !query && !snapshot.linkUp ? kErrTimeout
                                                         : cmd->handler(call);
  if (out.close) return;
  // With the link down a set would reach the radio unseen, or much later.
  const bool sets = std::any_of(out.actions, out.actions + out.actionCount,
                                [](const Action& a) { return a.kind == Action::Kind::Operation; });
  if (code == kOk && sets && !snapshot.linkUp) code = kErrRefused;
  if (code != kOk) {
    out.actionCount = 0;
    out.await = Await{};
    out.continues = false;
    session.otherMode = Session::OtherMode{};
  }

  std::string& t = out.text;
  if (sep == 0) {
    if (call.raw != nullptr) {
      t = *call.raw;
    } else if (code == kOk && call.valueCount > 0) {
      for (int i = 0; i < call.valueCount; ++i) {
        t += call.values[i].text;
        t += '\n';
      }
    } else {
      rprt(t, code);
    }
    if (out.await.kind != Await::Kind::None) rprt(out.failText, kErrTimeout);
    return;
  }
  if (call.raw != nullptr && cmd->handler == chkVfo) {
    t = *call.raw;
    return;
  }
  t += cmd->longName;
  t += ':';
  for (int i = 0; i < call.argc; ++i) {
    t += ' ';
    t += call.args[i];
  }
  t += sep;
  if (out.await.kind != Await::Kind::None) {
    out.failText = t;
    rprt(out.failText, kErrTimeout);
  }
  if (code == kOk) {
    if (call.raw != nullptr) t += *call.raw;
    for (int i = 0; i < call.valueCount; ++i) {
      if (call.values[i].key != nullptr) {
        t += call.values[i].key;
        t += ": ";
      }
      t += call.values[i].text;
      t += sep;
    }
  }
  rprt(t, code);
}

}  // namespace hrx::share
