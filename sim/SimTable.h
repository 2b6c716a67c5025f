#pragma once
// The simulated radio's command tables: constant data, safe from any thread.
//
// A reply row is one reply form: the code, the parameter characters that
// select it (the "key", e.g. "0" for the main side, "01" for the BP level),
// and its layout. A read command is code + key + ";"; the reply is code +
// key + the rendered layout + ";". A set command normally has the reply's
// own layout; the few whose set form differs have a handler in
// kSpecialSets. Action rows are commands that change state without a reply
// form of their own (AB, ED, BS ...).
#include <array>
#include <cstdint>
#include <iterator>
#include <string_view>

#include "menulist/MenuCatalogue.h"

namespace hrx::sim {

enum class Cell : std::uint16_t {
#define SIM_CELL(name, def, lo, hi) name,
#include "SimCells.def"
  Count
};
inline constexpr int kCellCount = static_cast<int>(Cell::Count);

struct CellDef {
  const char* name;
  std::int32_t def, lo, hi;
};
inline constexpr CellDef kCellDefs[] = {
#define SIM_CELL(name, def, lo, hi) {#name, def, lo, hi},
#include "SimCells.def"
};

inline constexpr int kKeyerTexts = 5;
inline constexpr int kKeyerTextLen = 50;
inline constexpr int kMenuTextMax = 16;

enum class SlotKind : std::uint8_t {
  Num,      // unsigned decimal, zero-padded to width
  Hex,      // one hexadecimal digit, upper case
  Signed,   // '+' or '-' then width digits
  Lit,      // a constant character
  Indexed,  // Num of cell (ref + value of cell ref2)
  Bits,     // one digit '4' + ref + 2 * ref2 (the LK and FS form)
  Text,     // keyer memory text ref, width characters
  MenuNum,  // menu item ref as an unsigned number of width digits
  MenuSigned,  // menu item ref as a sign and width digits
};

struct Slot {
  SlotKind kind = SlotKind::Lit;
  std::uint8_t width = 0;     // characters written, sign excluded
  std::int16_t ref = 0;       // cell, text or menu item
  std::int16_t ref2 = 0;
  char lit = 0;
  constexpr int chars() const { return kind == SlotKind::Signed || kind == SlotKind::MenuSigned ? width + 1 : width; }
};

constexpr Slot N(Cell c, int w) { return {SlotKind::Num, static_cast<std::uint8_t>(w), static_cast<std::int16_t>(c), 0, 0}; }
constexpr Slot H(Cell c) { return {SlotKind::Hex, 1, static_cast<std::int16_t>(c), 0, 0}; }
constexpr Slot S(Cell c, int w) { return {SlotKind::Signed, static_cast<std::uint8_t>(w), static_cast<std::int16_t>(c), 0, 0}; }
constexpr Slot L(char ch) { return {SlotKind::Lit, 1, 0, 0, ch}; }
constexpr Slot Pick(Cell base, Cell sel, int w) {
  return {SlotKind::Indexed, static_cast<std::uint8_t>(w), static_cast<std::int16_t>(base), static_cast<std::int16_t>(sel), 0};
}
constexpr Slot Bits(Cell low, Cell high) {
  return {SlotKind::Bits, 1, static_cast<std::int16_t>(low), static_cast<std::int16_t>(high), 0};
}
constexpr Slot T(int text) { return {SlotKind::Text, kKeyerTextLen, static_cast<std::int16_t>(text), 0, 0}; }
constexpr Slot Mn(int item, int w) { return {SlotKind::MenuNum, static_cast<std::uint8_t>(w), static_cast<std::int16_t>(item), 0, 0}; }
constexpr Slot Ms(int item, int w) { return {SlotKind::MenuSigned, static_cast<std::uint8_t>(w), static_cast<std::int16_t>(item), 0, 0}; }

// Row flags.
inline constexpr std::uint8_t kRead = 1;     // answers code + key + ";"
inline constexpr std::uint8_t kWrite = 2;    // accepts the set form from the line
inline constexpr std::uint8_t kReport = 4;   // reported by itself in auto-information mode

inline constexpr int kMaxSlots = 12;

struct ReplyForm {
  char code[3] = {};
  char key[4] = {};
  std::uint8_t flags = 0;
  std::array<Slot, kMaxSlots> slots{};
  int count = 0;

  constexpr int keyLen() const {
    int n = 0;
    while (n < 3 && key[n] != 0) ++n;
    return n;
  }
  // Length of the reply, ';' included.
  constexpr int length() const {
    int n = 2 + keyLen() + 1;
    for (int i = 0; i < count; ++i) n += slots[static_cast<std::size_t>(i)].chars();
    return n;
  }
  constexpr int readLength() const { return 2 + keyLen() + 1; }
};

template <typename... Slots>
constexpr ReplyForm R(const char (&code)[3], const char* key, std::uint8_t flags, Slots... s) {
  ReplyForm f;
  f.code[0] = code[0];
  f.code[1] = code[1];
  for (int i = 0; i < 3 && key[i] != 0; ++i) f.key[i] = key[i];
  f.flags = flags;
  const Slot list[] = {s...};
  for (const Slot& one : list) f.slots[static_cast<std::size_t>(f.count++)] = one;
  return f;
}

// The reply forms, in the order auto-information reports are sent.
extern const ReplyForm* const kReplyForms;
extern const int kReplyFormCount;

// Menu item number behind the equaliser reply "PE" + set + band + parameter.
constexpr int peMenuItem(int set, int band, int param) { return (set == 0 ? 159 : 168) + 3 * band + param; }

// Commands handled by their own function: the set forms that differ from
// their reply (kSpecialSets, tried before the generic set) and the actions
// (kActions). length is the command's length with ';', 0 for several.
struct SimState;
using CommandFn = bool (*)(SimState&, std::string_view cmd);
struct CommandRow {
  char code[3];
  int length;
  CommandFn fn;
};
extern const CommandRow* const kSpecialSets;
extern const int kSpecialSetCount;
extern const CommandRow* const kActions;
extern const int kActionCount;

// Band keys: BS + two digits; the band's limits and its first frequency.
struct Band {
  std::int32_t lo, hi, start;
};
inline constexpr Band kBands[] = {
    {1800000, 1999999, 1840000},     // 00
    {3500000, 3999999, 3700000},     // 01
    {5330000, 5410000, 5357000},     // 02
    {7000000, 7300000, 7100000},     // 03
    {10100000, 10150000, 10120000},  // 04
    {14000000, 14350000, 14200000},  // 05
    {18068000, 18168000, 18100000},  // 06
    {21000000, 21450000, 21200000},  // 07
    {24890000, 24990000, 24940000},  // 08
    {28000000, 29700000, 28500000},  // 09
    {50000000, 54000000, 50150000},  // 10
    {30000, 60000000, 10000000},     // 11 general coverage: everything else
};
inline constexpr int kBandCount = static_cast<int>(std::size(kBands));

}  // namespace hrx::sim
