#include "SimRadio.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace hrx::sim {
namespace {

using C = Cell;

const CellDef& def(Cell c) { return kCellDefs[static_cast<std::size_t>(c)]; }
bool inRange(Cell c, std::int32_t v) { return v >= def(c).lo && v <= def(c).hi; }
std::int32_t clampTo(Cell c, std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, def(c).lo, def(c).hi));
}
Cell cellAt(int index) { return static_cast<Cell>(index); }

bool isDigit(char c) { return c >= '0' && c <= '9'; }
int hexValue(char c) {
  if (isDigit(c)) return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}
// `width` digits at the front of `s`; -1 when any is not a digit.
std::int64_t digits(std::string_view s, std::size_t width) {
  if (s.size() < width) return -1;
  std::int64_t v = 0;
  for (std::size_t i = 0; i < width; ++i) {
    if (!isDigit(s[i])) return -1;
    v = v * 10 + (s[i] - '0');
  }
  return v;
}

void putDigits(std::string& out, std::int64_t v, int width) {
  char buf[24];
  for (int i = width - 1; i >= 0; --i) {
    buf[i] = static_cast<char>('0' + v % 10);
    v /= 10;
  }
  out.append(buf, static_cast<std::size_t>(width));
}

const MenuRowDef& menuRow(int no) { return kMenuRows[no - 1]; }
bool signedMenuType(int type) { return type == 4 || type == 11 || (type >= 25 && type <= 30); }
std::string_view menuText(const SimState& st, int no) {
  return {st.menu[no], static_cast<std::size_t>(menuRow(no).width)};
}

// ---- rendering ----

void renderSlot(const SimState& st, const Slot& s, std::string& out) {
  switch (s.kind) {
    case SlotKind::Num:
      putDigits(out, std::max(0, st.get(cellAt(s.ref))), s.width);
      break;
    case SlotKind::Hex:
      out.push_back("0123456789ABCDEF"[st.get(cellAt(s.ref)) & 15]);
      break;
    case SlotKind::Signed: {
      const std::int32_t v = st.get(cellAt(s.ref));
      out.push_back(v < 0 ? '-' : '+');
      putDigits(out, v < 0 ? -static_cast<std::int64_t>(v) : v, s.width);
      break;
    }
    case SlotKind::Lit:
      out.push_back(s.lit);
      break;
    case SlotKind::Indexed:
      putDigits(out, std::max(0, st.get(cellAt(s.ref + (st.get(cellAt(s.ref2)) & 1)))), s.width);
      break;
    case SlotKind::Bits:
      out.push_back(static_cast<char>('4' + (st.get(cellAt(s.ref)) & 1) + 2 * (st.get(cellAt(s.ref2)) & 1)));
      break;
    case SlotKind::Text:
      out.append(st.keyer[s.ref], kKeyerTextLen);
      break;
    case SlotKind::MenuNum:
    case SlotKind::MenuSigned: {
      std::int32_t v = 0;
      decodeMenuValue(s.ref, menuText(st, s.ref), &v);
      if (s.kind == SlotKind::MenuSigned) out.push_back(v < 0 ? '-' : '+');
      else v = std::max(v, 0);
      putDigits(out, v < 0 ? -static_cast<std::int64_t>(v) : v, s.width);
      break;
    }
  }
}

std::string render(const SimState& st, const ReplyForm& f) {
  std::string out(f.code, 2);
  out.append(f.key, static_cast<std::size_t>(f.keyLen()));
  for (int i = 0; i < f.count; ++i) renderSlot(st, f.slots[static_cast<std::size_t>(i)], out);
  out.push_back(';');
  return out;
}

std::string renderMenu(const SimState& st, int no) {
  std::string out = "EX";
  putDigits(out, no, 3);
  out.append(menuText(st, no));
  out.push_back(';');
  return out;
}

// ---- generic set: the reply's own layout ----

void setMenuText(SimState& st, int no, std::string_view text) {
  std::memset(st.menu[no], 0, kMenuTextMax);
  std::memcpy(st.menu[no], text.data(), std::min<std::size_t>(text.size(), kMenuTextMax - 1));
}

bool parseSlot(SimState& st, const Slot& s, std::string_view p) {
  switch (s.kind) {
    case SlotKind::Num: {
      const std::int64_t v = digits(p, s.width);
      if (v < 0 || !inRange(cellAt(s.ref), static_cast<std::int32_t>(v))) return false;
      st.put(cellAt(s.ref), static_cast<std::int32_t>(v));
      return true;
    }
    case SlotKind::Hex: {
      const int v = hexValue(p[0]);
      if (v < 0 || !inRange(cellAt(s.ref), v)) return false;
      st.put(cellAt(s.ref), v);
      return true;
    }
    case SlotKind::Signed: {
      if (p[0] != '+' && p[0] != '-') return false;
      std::int64_t v = digits(p.substr(1), s.width);
      if (v < 0) return false;
      if (p[0] == '-') v = -v;
      if (!inRange(cellAt(s.ref), static_cast<std::int32_t>(v))) return false;
      st.put(cellAt(s.ref), static_cast<std::int32_t>(v));
      return true;
    }
    case SlotKind::Lit:
      return p[0] == s.lit;
    case SlotKind::Text:
      for (std::size_t i = 0; i < kKeyerTextLen; ++i) {
        if (p[i] < 0x20 || p[i] > 0x7e) return false;
      }
      std::memcpy(st.keyer[s.ref], p.data(), kKeyerTextLen);
      return true;
    case SlotKind::MenuNum:
    case SlotKind::MenuSigned: {
      std::int64_t v = 0;
      if (s.kind == SlotKind::MenuSigned) {
        if (p[0] != '+' && p[0] != '-') return false;
        v = digits(p.substr(1), s.width);
        if (v < 0) return false;
        if (p[0] == '-') v = -v;
      } else {
        v = digits(p, s.width);
        if (v < 0) return false;
      }
      std::string text;
      if (!encodeMenuValue(s.ref, static_cast<std::int32_t>(v), &text) || !menuTextValid(s.ref, text)) return false;
      setMenuText(st, s.ref, text);
      return true;
    }
    case SlotKind::Indexed:
    case SlotKind::Bits:
      return false;   // these forms are set by their own handlers
  }
  return false;
}

bool parseForm(SimState& st, const ReplyForm& f, std::string_view cmd) {
  std::size_t at = 2 + static_cast<std::size_t>(f.keyLen());
  for (int i = 0; i < f.count; ++i) {
    const Slot& s = f.slots[static_cast<std::size_t>(i)];
    if (!parseSlot(st, s, cmd.substr(at))) return false;
    at += static_cast<std::size_t>(s.chars());
  }
  return true;
}

// ---- set forms with their own rules ----

// FT0/FT1 pick the transmit VFO; FT2 and FT3 are the transmit keys' A and B.
// MD0 sets the mode of the side that receives (VFO B with FR 4 and 5),
// MD1 always VFO B's.
bool setMd(SimState& st, std::string_view cmd) {
  const int v = hexValue(cmd[3]);
  if ((cmd[2] != '0' && cmd[2] != '1') || v < 0) return false;
  const std::int32_t fr = st.get(C::Fr);
  const Cell cell = cmd[2] == '1' || fr == 4 || fr == 5 ? C::ModeSub : C::ModeMain;
  if (v < def(cell).lo || v > def(cell).hi) return false;
  st.put(cell, v);
  return true;
}
bool setFt(SimState& st, std::string_view cmd) {
  constexpr std::int32_t kMap[] = {0, 1, 0, 1};
  const int d = cmd[2] - '0';
  if (d < 0 || d > 3) return false;
  st.put(C::Ft, kMap[d]);
  return true;
}

// Digits 0/1 set the first flag, 2/3 the second; the reply shows 4 + both.
bool setFlagPair(SimState& st, std::string_view cmd, Cell first, Cell second) {
  const int d = cmd[2] - '0';
  if (d < 0 || d > 3) return false;
  st.put(d < 2 ? first : second, d & 1);
  return true;
}
bool setLk(SimState& st, std::string_view cmd) { return setFlagPair(st, cmd, C::Lk1, C::Lk2); }
bool setFs(SimState& st, std::string_view cmd) { return setFlagPair(st, cmd, C::Fs1, C::Fs2); }

// AN + side + antenna 1..4, or 5 to toggle the receive antenna. One antenna
// selection serves both sides.
bool setAn(SimState& st, std::string_view cmd) {
  if (cmd[2] != '0' && cmd[2] != '1') return false;
  const int d = cmd[3] - '0';
  if (d >= 1 && d <= 4) {
    st.put(C::AnMain, d);
    return true;
  }
  if (d == 5) {
    st.put(C::AnRx, st.get(C::AnRx) ^ 1);
    return true;
  }
  return false;
}

// VF + side + value selector + ('+'|'-') + step digit, or "00" to reset the
// selected value.
bool setVf(SimState& st, std::string_view cmd) {
  const bool sub = cmd[2] == '1';
  if (cmd[2] != '0' && !sub) return false;
  const int sel = cmd[3] - '0';
  if (sel != 0 && sel != 1) return false;
  const Cell value = cellAt(static_cast<int>(sub ? C::VfSubVal0 : C::VfMainVal0) + sel);
  if (cmd[4] == '0' && cmd[5] == '0') {
    st.put(value, 0);
  } else if ((cmd[4] == '+' || cmd[4] == '-') && isDigit(cmd[5])) {
    const int step = cmd[5] - '0';
    st.put(value, clampTo(value, st.get(value) + (cmd[4] == '-' ? -step : step)));
  } else {
    return false;
  }
  st.put(sub ? C::VfSubP2 : C::VfMainP2, sel);
  st.put(sub ? C::VfSubSel : C::VfMainSel, sel);
  return true;
}

bool setRo(SimState& st, std::string_view cmd) {
  const int d = cmd[2] - '0';
  if (!inRange(C::RoMotion, d)) return false;
  st.put(C::RoMotion, d);
  return true;
}

// KC5 + side + key + "1": a key press toggles the key's flag.
bool setKc(SimState& st, std::string_view cmd) {
  if (cmd[2] != '5' || cmd[5] != '1') return false;
  if (cmd[3] != '0' && cmd[3] != '1') return false;
  const int key = cmd[4] - '0';
  if (key < 0 || key > 9) return false;
  const int sel = key <= 7 ? key : 0;
  const Cell flag = cellAt(static_cast<int>(cmd[3] == '1' ? C::KcSub0 : C::KcMain0) + sel);
  st.put(flag, st.get(flag) ^ 1);
  return true;
}

// Power off also ends auto-information: the radio comes back with it off.
bool setPs(SimState& st, std::string_view cmd) {
  if (cmd[2] == '0') {
    st.put(C::Power, 0);
    st.put(C::Ai, 0);
    return true;
  }
  if (cmd[2] == '1') {
    st.put(C::Power, 1);
    return true;
  }
  return false;
}

// ---- actions ----

int bandOf(std::int32_t freq) {
  for (int b = 0; b < kBandCount - 1; ++b) {
    if (freq >= kBands[b].lo && freq <= kBands[b].hi) return b;
  }
  return kBandCount - 1;
}
void goToBand(SimState& st, int band) {
  st.bandStack[bandOf(st.get(C::VfoA))] = st.get(C::VfoA);
  st.put(C::VfoA, st.bandStack[band]);
}

bool actAb(SimState& st, std::string_view) {
  st.put(C::VfoB, st.get(C::VfoA));
  st.put(C::ModeSub, st.get(C::ModeMain));
  return true;
}
bool actSv(SimState& st, std::string_view) {
  const std::int32_t f = st.get(C::VfoA), m = st.get(C::ModeMain);
  st.put(C::VfoA, st.get(C::VfoB));
  st.put(C::ModeMain, st.get(C::ModeSub));
  st.put(C::VfoB, f);
  st.put(C::ModeSub, m);
  return true;
}
bool actAm(SimState& st, std::string_view) {
  st.memories[st.get(C::MemCh)] = {st.get(C::VfoA), st.get(C::ModeMain)};
  return true;
}
bool recall(SimState& st, const Memory& m) {
  if (m.mode == 0) return false;   // an empty channel
  st.put(C::VfoA, m.freq);
  st.put(C::ModeMain, m.mode);
  return true;
}
bool actMa(SimState& st, std::string_view) { return recall(st, st.memories[st.get(C::MemCh)]); }
bool actVm(SimState& st, std::string_view) {
  st.put(C::VfoMem, st.get(C::VfoMem) ^ 1);
  return true;
}
bool actQi(SimState& st, std::string_view) {
  st.quick = {st.get(C::VfoA), st.get(C::ModeMain)};
  return true;
}
bool actQr(SimState& st, std::string_view) { return recall(st, st.quick); }
// Quick split: VFO B at VFO A plus the QUICK SPLIT FREQ menu item (kHz),
// transmitting on B.
bool actQs(SimState& st, std::string_view) {
  constexpr int kQuickSplitItem = 42;
  std::int32_t khz = 0;
  decodeMenuValue(kQuickSplitItem, menuText(st, kQuickSplitItem), &khz);
  st.put(C::VfoB, clampTo(C::VfoB, static_cast<std::int64_t>(st.get(C::VfoA)) + 1000LL * khz));
  st.put(C::ModeSub, st.get(C::ModeMain));
  st.put(C::Ft, 1);
  return true;
}
bool actRc(SimState& st, std::string_view) {
  st.put(C::Clar, 0);
  return true;
}
bool clarStep(SimState& st, std::string_view cmd, int sign) {
  const std::int64_t v = digits(cmd.substr(2), 4);
  if (v < 0) return false;
  st.put(C::Clar, clampTo(C::Clar, st.get(C::Clar) + sign * v));
  return true;
}
bool actRd(SimState& st, std::string_view cmd) { return clarStep(st, cmd, -1); }
bool actRu(SimState& st, std::string_view cmd) { return clarStep(st, cmd, 1); }
bool actZi(SimState&, std::string_view) { return true; }
// Band up/down walk the amateur bands; general coverage is left at either end.
bool bandStep(SimState& st, std::string_view cmd, int dir) {
  if (cmd[2] != '0' && cmd[2] != '1') return false;
  constexpr int kHamBands = kBandCount - 1;
  const int cur = bandOf(st.get(C::VfoA));
  int next = 0;
  if (cur == kHamBands) next = dir > 0 ? 0 : kHamBands - 1;
  else next = (cur + dir + kHamBands) % kHamBands;
  goToBand(st, next);
  return true;
}
bool actBd(SimState& st, std::string_view cmd) { return bandStep(st, cmd, -1); }
bool actBu(SimState& st, std::string_view cmd) { return bandStep(st, cmd, 1); }
bool actCh(SimState& st, std::string_view cmd) {
  if (cmd[2] != '0' && cmd[2] != '1') return false;
  const std::int32_t lo = def(C::MemCh).lo, hi = def(C::MemCh).hi;
  std::int32_t ch = st.get(C::MemCh) + (cmd[2] == '0' ? 1 : -1);
  if (ch > hi) ch = lo;
  if (ch < lo) ch = hi;
  st.put(C::MemCh, ch);
  return true;
}
// Microphone up/down: two digits of 10 Hz steps, 00 meaning one step.
bool micStep(SimState& st, std::string_view cmd, int sign) {
  const std::int64_t n = digits(cmd.substr(2), 2);
  if (n < 0) return false;
  st.put(C::VfoA, clampTo(C::VfoA, st.get(C::VfoA) + sign * 10 * std::max<std::int64_t>(n, 1)));
  return true;
}
bool actDn(SimState& st, std::string_view cmd) { return micStep(st, cmd, -1); }
bool actUp(SimState& st, std::string_view cmd) { return micStep(st, cmd, 1); }

// Encoder steps: what each dial digit turns and by how much per step.
using DialTarget = bool (*)(const SimState&, Cell*);
std::int32_t txMode(const SimState& st) { return st.get(C::Ft) == 1 ? st.get(C::ModeSub) : st.get(C::ModeMain); }
bool dialVfoA(const SimState&, Cell* c) { return *c = C::VfoA, true; }
bool dialVfoB(const SimState&, Cell* c) { return *c = C::VfoB, true; }
bool dialMicSpeed(const SimState& st, Cell* c) {
  const std::int32_t m = txMode(st);
  *c = (m == 3 || m == 7) ? C::Ks : C::Mg;
  return true;
}
bool dialProcCar(const SimState& st, Cell* c) {
  const std::int32_t m = txMode(st);
  *c = (m == 1 || m == 2) ? C::Pl : C::Pc;
  return true;
}
bool dialNotch(const SimState&, Cell* c) { return *c = C::BpMainLevel, true; }
bool dialContour(const SimState& st, Cell* c) {
  const std::int32_t kind = st.get(C::CoMainKind);
  if (kind == 0) return false;   // contour off: the knob turns nothing
  *c = kind == 1 ? C::CoMainLevel1 : C::CoMainLevel2;
  return true;
}
struct Dial {
  DialTarget target;
  std::int32_t step;
};
constexpr Dial kDials[] = {
    {dialVfoA, 10}, {dialVfoB, 10}, {dialVfoA, 1000}, {dialVfoB, 1000},
    {dialMicSpeed, 1}, {dialProcCar, 1}, {dialNotch, 1}, {dialContour, 1},
};
bool encoder(SimState& st, std::string_view cmd, int sign) {
  const int dial = cmd[2] - '0';
  const std::int64_t n = digits(cmd.substr(3), 2);
  if (dial < 0 || dial >= static_cast<int>(std::size(kDials)) || n < 1) return false;
  Cell target{};
  if (!kDials[dial].target(st, &target)) return true;
  st.put(target, clampTo(target, st.get(target) + sign * n * kDials[dial].step));
  return true;
}
bool actEd(SimState& st, std::string_view cmd) { return encoder(st, cmd, -1); }
bool actEu(SimState& st, std::string_view cmd) { return encoder(st, cmd, 1); }
bool actBs(SimState& st, std::string_view cmd) {
  const std::int64_t b = digits(cmd.substr(2), 2);
  if (b < 0 || b >= kBandCount) return false;
  goToBand(st, static_cast<int>(b));
  return true;
}
// Keys without a state of their own: accepted for their valid digits.
bool keyIn(std::string_view cmd, std::string_view keys) { return keys.find(cmd[2]) != std::string_view::npos; }
bool actFk(SimState&, std::string_view cmd) { return keyIn(cmd, "1234567"); }
bool actKy(SimState&, std::string_view cmd) { return keyIn(cmd, "123456789A"); }
bool actMk(SimState&, std::string_view cmd) { return keyIn(cmd, "0123456"); }

// "KM" + memory 1..5 + 1..49 characters: the radio pads a short text with
// blanks (the full-width form is an ordinary reply form).
bool setShortKeyerText(SimState& st, std::string_view cmd) {
  const std::string_view text = cmd.substr(3);
  if (cmd.size() < 4 || text.size() >= static_cast<std::size_t>(kKeyerTextLen)) return false;
  const int n = cmd[2] - '1';
  if (n < 0 || n >= kKeyerTexts) return false;
  for (char c : text)
    if (c < 0x20 || c > 0x7e) return false;
  std::memset(st.keyer[n], ' ', static_cast<std::size_t>(kKeyerTextLen));
  std::memcpy(st.keyer[n], text.data(), text.size());
  return true;
}

constexpr CommandRow kSpecialRows[] = {
    {"FT", 4, setFt}, {"LK", 4, setLk}, {"FS", 4, setFs}, {"AN", 5, setAn},
    {"VF", 7, setVf}, {"RO", 4, setRo}, {"KC", 7, setKc}, {"PS", 4, setPs},
    {"MD", 5, setMd},
};

constexpr CommandRow kActionRows[] = {
    {"AB", 3, actAb}, {"SV", 3, actSv}, {"AM", 3, actAm}, {"MA", 3, actMa}, {"VM", 3, actVm}, {"QI", 3, actQi},
    {"QR", 3, actQr}, {"QS", 3, actQs}, {"RC", 3, actRc}, {"ZI", 3, actZi}, {"RD", 7, actRd}, {"RU", 7, actRu},
    {"BD", 4, actBd}, {"BU", 4, actBu}, {"CH", 4, actCh}, {"DN", 5, actDn}, {"UP", 5, actUp}, {"ED", 6, actEd},
    {"EU", 6, actEu}, {"BS", 5, actBs}, {"FK", 4, actFk}, {"KY", 4, actKy}, {"MK", 4, actMk},
};

const CommandRow* findRow(const CommandRow* rows, int count, std::string_view code) {
  for (int i = 0; i < count; ++i) {
    if (code == std::string_view(rows[i].code, 2)) return &rows[i];
  }
  return nullptr;
}

bool sameCode(const ReplyForm& f, std::string_view cmd) { return f.code[0] == cmd[0] && f.code[1] == cmd[1]; }

}  // namespace

const CommandRow* const kSpecialSets = kSpecialRows;
const int kSpecialSetCount = static_cast<int>(std::size(kSpecialRows));
const CommandRow* const kActions = kActionRows;
const int kActionCount = static_cast<int>(std::size(kActionRows));

// ---- menu values ----

bool encodeMenuValue(int no, std::int32_t v, std::string* text) {
  if (no < 1 || no > kMenuItemCount || text == nullptr) return false;
  const MenuRowDef& row = menuRow(no);
  if (row.type == 41) return false;
  std::string out;
  if (signedMenuType(row.type)) {
    out.push_back(v < 0 ? '-' : '+');
    const std::int64_t mag = v < 0 ? -static_cast<std::int64_t>(v) : v;
    std::int64_t limit = 1;
    for (int i = 1; i < row.width; ++i) limit *= 10;
    if (mag >= limit) return false;
    putDigits(out, mag, row.width - 1);
  } else {
    const std::int64_t wire = row.type == 40 ? static_cast<std::int64_t>(v) + 2 : v;
    std::int64_t limit = 1;
    for (int i = 0; i < row.width; ++i) limit *= 10;
    if (wire < 0 || wire >= limit) return false;
    putDigits(out, wire, row.width);
  }
  *text = std::move(out);
  return true;
}

bool decodeMenuValue(int no, std::string_view text, std::int32_t* v) {
  if (no < 1 || no > kMenuItemCount || v == nullptr) return false;
  const MenuRowDef& row = menuRow(no);
  if (row.type == 41 || text.empty()) return false;
  bool negative = false;
  if (text[0] == '+' || text[0] == '-') {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  const std::int64_t n = digits(text, text.size());
  if (n < 0 || text.empty()) return false;
  std::int64_t value = negative ? -n : n;
  if (row.type == 40) value -= 2;
  *v = static_cast<std::int32_t>(value);
  return true;
}

bool menuTextValid(int no, std::string_view text) {
  if (no < 1 || no > kMenuItemCount) return false;
  const MenuRowDef& row = menuRow(no);
  if (static_cast<int>(text.size()) != row.width) return false;
  if (row.type == 41) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c <= 0x7e; });
  }
  if (signedMenuType(row.type) != (text[0] == '+' || text[0] == '-')) return false;
  std::int32_t v = 0;
  if (!decodeMenuValue(no, text, &v)) return false;
  if (menuValueClass(row.type) == MenuValueClass::Choice) {
    const int count = row.choice_set > 0 ? static_cast<int>(kMenuChoiceSets[row.choice_set].count) : 0;
    return v >= 0 && v < count;
  }
  // Plain numbers keep to their range; the other classes to their width.
  if (row.type == 0 && row.min < row.max) return v >= row.min && v <= row.max;
  return true;
}

SimState initialState() {
  SimState st;
  for (int i = 0; i < kCellCount; ++i) st.cells[static_cast<std::size_t>(i)] = kCellDefs[i].def;
  for (auto& text : st.keyer) std::memset(text, ' ', kKeyerTextLen);
  for (int no = 1; no <= kMenuItemCount; ++no) {
    const MenuRowDef& row = menuRow(no);
    std::string text;
    if (row.type == 41) {
      text.assign(static_cast<std::size_t>(row.width), ' ');
      const std::string_view initial = row.text != nullptr ? row.text : "";
      text.replace(0, std::min(initial.size(), text.size()), initial.substr(0, text.size()));
    } else if (!encodeMenuValue(no, IntOf(row.value), &text)) {
      text.assign(static_cast<std::size_t>(row.width), '0');
    }
    setMenuText(st, no, text);
  }
  for (int b = 0; b < kBandCount; ++b) st.bandStack[b] = kBands[b].start;
  return st;
}

// ---- SimRadio ----

SimRadio::SimRadio() : st_(initialState()) {}

void SimRadio::emit(std::string_view reply) {
  repliesSent_ += static_cast<std::uint64_t>(std::count(reply.begin(), reply.end(), ';'));
  shaper_.shape(reply, outbox_);
}

void SimRadio::report(const SimState& before) {
  if (std::memcmp(&before, &st_, sizeof st_) == 0) return;
  for (int i = 0; i < kReplyFormCount; ++i) {
    const ReplyForm& f = kReplyForms[i];
    if ((f.flags & kReport) == 0) continue;
    std::string now = render(st_, f);
    if (now != render(before, f)) emit(now);
  }
  // A new receive setting is followed by the mode of the side now receiving.
  if (st_.get(C::Fr) != before.get(C::Fr)) {
    const std::int32_t fr = st_.get(C::Fr);
    const std::int32_t mode = fr == 4 || fr == 5 ? st_.get(C::ModeSub) : st_.get(C::ModeMain);
    emit(std::string("MD0") + "0123456789ABCDEF"[mode & 0xf] + ";");
  }
  for (int no = 1; no <= kMenuItemCount; ++no) {
    if (std::memcmp(before.menu[no], st_.menu[no], kMenuTextMax) != 0) emit(renderMenu(st_, no));
  }
}

bool SimRadio::execute(std::string_view cmd, Origin origin) {
  if (cmd.size() < 2) return false;
  const std::string_view code = cmd.substr(0, 2);
  const std::string_view params = cmd.substr(2);
  const bool line = origin == Origin::Line;
  SimState next = st_;
  bool applied = false;

  if (code == "EX") {
    const std::int64_t no = digits(params, 3);
    if (no < 1 || no > kMenuItemCount) return false;
    if (params.size() == 3) {
      if (!line) return false;
      emit(renderMenu(st_, static_cast<int>(no)));
      return true;
    }
    if (!menuTextValid(static_cast<int>(no), params.substr(3))) return false;
    setMenuText(next, static_cast<int>(no), params.substr(3));
    applied = true;
  }
  if (code == "KM" && cmd.size() > 3 && cmd.size() - 3 < static_cast<std::size_t>(kKeyerTextLen)) {
    if (!setShortKeyerText(next, cmd)) return false;
    applied = true;
  }

  if (!applied && line) {
    for (int i = 0; i < kReplyFormCount; ++i) {
      const ReplyForm& f = kReplyForms[i];
      if ((f.flags & kRead) != 0 && sameCode(f, cmd) && params == std::string_view(f.key, static_cast<std::size_t>(f.keyLen()))) {
        emit(render(st_, f));
        return true;
      }
    }
  }

  if (!applied) {
    const CommandRow* row = findRow(kSpecialRows, kSpecialSetCount, code);
    if (row == nullptr) row = findRow(kActionRows, kActionCount, code);
    const bool fits = row != nullptr && static_cast<int>(cmd.size()) + 1 == row->length;
    // A change on the radio itself may also be given as the reply form
    // (the rotator's whole RO report, for instance).
    if (row != nullptr && (fits || line)) {
      if (!fits || !row->fn(next, cmd)) return false;
      applied = true;
    }
  }

  if (!applied) {
    for (int i = 0; i < kReplyFormCount && !applied; ++i) {
      const ReplyForm& f = kReplyForms[i];
      if (!sameCode(f, cmd) || static_cast<int>(cmd.size()) + 1 != f.length()) continue;
      if (line && (f.flags & kWrite) == 0) continue;
      if (params.substr(0, static_cast<std::size_t>(f.keyLen())) != std::string_view(f.key, static_cast<std::size_t>(f.keyLen())))
        continue;
      if (!parseForm(next, f, cmd)) return false;
      applied = true;
    }
  }
  if (!applied) return false;

  const SimState before = st_;
  st_ = next;
  if (st_.get(C::RoAzimuth) != before.get(C::RoAzimuth) || st_.get(C::RoMotion) == 0) rotatorMilliDegrees_ = -1;
  if (st_.get(C::Ai) != 0 && st_.get(C::Power) != 0) report(before);
  return true;
}

void SimRadio::feed(std::string_view bytes) {
  std::vector<std::string> heard;
  std::function<void(std::string_view)> commandListener;
  {
    std::lock_guard lock(mu_);
    commandListener = commandListener_;
    for (const char c : bytes) {
      if (c != ';') {
        if (pending_.empty() && (c == '\r' || c == '\n' || c == ' ')) continue;
        if (pending_.size() >= kMaxCommand) overflow_ = true;
        else pending_.push_back(c);
        continue;
      }
      const std::string cmd = std::move(pending_);
      pending_.clear();
      const bool overflowed = std::exchange(overflow_, false);
      if (cmd.empty() && !overflowed) continue;
      ++commands_;
      if (log_.size() >= kLogLimit) log_.pop_front();
      log_.push_back(cmd + ';');   // an over-long one is kept cut short
      if (commandListener) heard.push_back(log_.back());
      const bool powered = st_.get(C::Power) != 0;
      // While off the radio hears only its power command.
      if (!powered && (overflowed || cmd.size() < 2 || cmd.compare(0, 2, "PS") != 0)) continue;
      if (overflowed || !execute(cmd, Origin::Line)) emit("?;");
    }
  }
  for (const std::string& c : heard) commandListener(c);
  notify();
}

void SimRadio::setCommandListener(std::function<void(std::string_view)> listener) {
  std::lock_guard lock(mu_);
  commandListener_ = std::move(listener);
}

bool SimRadio::applyLocal(std::string_view command) {
  if (!command.empty() && command.back() == ';') command.remove_suffix(1);
  bool ok = false;
  {
    std::lock_guard lock(mu_);
    // Switched off, the radio's only working control is its power key.
    const bool powered = st_.get(C::Power) != 0;
    ok = command.size() >= 2 && (powered || command.substr(0, 2) == "PS") && execute(command, Origin::Local);
  }
  notify();
  return ok;
}

void SimRadio::notify() {
  std::function<void()> listener;
  {
    std::lock_guard lock(mu_);
    if (outbox_.empty() || !listener_) return;
    listener = listener_;
  }
  listener();
}

std::vector<std::string> SimRadio::takeChunks() {
  std::lock_guard lock(mu_);
  return std::exchange(outbox_, {});
}

std::string SimRadio::takeOutput() {
  std::string out;
  for (const std::string& chunk : takeChunks()) out += chunk;
  return out;
}

void SimRadio::setFaults(const FaultConfig& config) {
  std::lock_guard lock(mu_);
  shaper_.configure(config);
}

FaultConfig SimRadio::faults() const {
  std::lock_guard lock(mu_);
  return shaper_.config();
}

bool SimRadio::dropDue() const {
  std::lock_guard lock(mu_);
  return shaper_.dropDue();
}

void SimRadio::setOutputListener(std::function<void()> listener) {
  std::lock_guard lock(mu_);
  listener_ = std::move(listener);
}

SimState SimRadio::state() const {
  std::lock_guard lock(mu_);
  return st_;
}

std::int32_t SimRadio::cell(Cell c) const {
  std::lock_guard lock(mu_);
  return st_.get(c);
}

std::string SimRadio::peek(std::string_view read) const {
  if (!read.empty() && read.back() == ';') read.remove_suffix(1);
  if (read.size() < 2) return {};
  std::lock_guard lock(mu_);
  if (st_.get(C::Power) == 0 && read != "PS") return {};
  if (read.substr(0, 2) == "EX") {
    const std::int64_t no = digits(read.substr(2), 3);
    if (read.size() != 5 || no < 1 || no > kMenuItemCount) return {};
    return renderMenu(st_, static_cast<int>(no));
  }
  for (int i = 0; i < kReplyFormCount; ++i) {
    const ReplyForm& f = kReplyForms[i];
    if ((f.flags & kRead) != 0 && sameCode(f, read) &&
        read.substr(2) == std::string_view(f.key, static_cast<std::size_t>(f.keyLen())))
      return render(st_, f);
  }
  return {};
}

bool SimRadio::animating() const {
  std::lock_guard lock(mu_);
  return st_.get(C::Power) != 0 && st_.get(C::RoMotion) != 0;
}

void SimRadio::advance(std::chrono::milliseconds elapsed) {
  {
    std::lock_guard lock(mu_);
    const std::int32_t motion = st_.get(C::RoMotion);
    if (st_.get(C::Power) == 0 || motion == 0 || elapsed.count() <= 0) {
      rotatorMilliDegrees_ = -1;
      return;
    }
    // 1 and 3 turn left (down), 2 and 4 right; 3 and 4 twice as fast.
    const int direction = (motion % 2 == 1) ? -1 : 1;
    const int factor = motion >= 3 ? 2 : 1;
    const std::int64_t milliDegPerSecond = 6000LL * st_.get(C::RoSpeed) / 100 * factor;
    const std::int64_t lo = 1000LL * def(C::RoAzimuth).lo, hi = 1000LL * def(C::RoAzimuth).hi;
    if (rotatorMilliDegrees_ < 0) rotatorMilliDegrees_ = 1000LL * st_.get(C::RoAzimuth);
    rotatorMilliDegrees_ =
        std::clamp(rotatorMilliDegrees_ + direction * milliDegPerSecond * elapsed.count() / 1000, lo, hi);
    const SimState before = st_;
    st_.put(C::RoAzimuth, static_cast<std::int32_t>(rotatorMilliDegrees_ / 1000));
    if (rotatorMilliDegrees_ == lo || rotatorMilliDegrees_ == hi) {
      st_.put(C::RoMotion, 0);   // at the end stop
      rotatorMilliDegrees_ = -1;
    }
    if (st_.get(C::Ai) != 0) report(before);
  }
  notify();
}

std::int64_t SimRadio::commandCount() const {
  std::lock_guard lock(mu_);
  return commands_;
}

std::uint64_t SimRadio::repliesSent() const {
  std::lock_guard lock(mu_);
  return repliesSent_;
}

std::vector<std::string> SimRadio::commandLog() const {
  std::lock_guard lock(mu_);
  return {log_.begin(), log_.end()};
}

void SimRadio::clearCommandLog() {
  std::lock_guard lock(mu_);
  log_.clear();
}

}  // namespace hrx::sim
