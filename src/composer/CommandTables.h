#pragma once
// The composer's two command tables: the code and length (';' included) of
// every setting command, and the codes the state read-out queries in order,
// with the kind of query and its length. A handler takes a command's length
// from these tables and nothing else. Constant data, safe from any thread.
#include <cstdint>

namespace hrx {

struct SetCommandRow {
  char code[4];
  std::int32_t reserved;
  std::int32_t length;
};

// How the read-out queries a row: 0 "XX;", 2 "XX0;", 3 a query of its own.
enum class ReadKind : std::int32_t { Plain = 0, Side = 2, Own = 3 };

struct ReadCommandRow {
  char code[4];
  ReadKind kind;
  std::int32_t length;
};

inline constexpr SetCommandRow kSetCommandTable[] = {
    {"BS", 0, 5}, {"RT", 0, 4}, {"XT", 0, 4}, {"SF", 0, 4}, {"BP", 0, 8}, {"BC", 0, 5}, {"CO", 0, 7},
    {"MS", 0, 4}, {"NR", 0, 5}, {"FT", 0, 4}, {"FR", 0, 4}, {"LK", 0, 4}, {"FS", 0, 4}, {"VS", 0, 4},
    {"NA", 0, 5}, {"NB", 0, 5}, {"RF", 0, 5}, {"GT", 0, 5}, {"RA", 0, 5}, {"PA", 0, 5}, {"KR", 0, 4},
    {"TS", 0, 4}, {"AN", 0, 5}, {"AC", 0, 6}, {"DS", 0, 4}, {"MX", 0, 4}, {"VX", 0, 4}, {"BI", 0, 4},
    {"PR", 0, 5}, {"ML", 0, 7}, {"CS", 0, 4}, {"DP", 0, 4}, {"KP", 0, 5}, {"KS", 0, 6}, {"SD", 0, 7},
    {"NL", 0, 7}, {"MG", 0, 6}, {"PL", 0, 6}, {"VG", 0, 6}, {"VD", 0, 7}, {"SQ", 0, 7}, {"AG", 0, 7},
    {"RG", 0, 7}, {"VF", 0, 7}, {"IS", 0, 9}, {"SH", 0, 6}, {"RL", 0, 6}, {"FA", 0, 11}, {"FB", 0, 11},
    {"RO", 0, 4}, {"SC", 0, 4}, {"TX", 0, 4}, {"AI", 0, 4}, {"CN", 0, 6}, {"CT", 0, 5}, {"KM", 0, 54},
    {"MC", 0, 6}, {"OS", 0, 5}, {"PB", 0, 5}, {"PC", 0, 6}, {"MD", 0, 5}, {"PS", 0, 4}, {"AB", 0, 3},
    {"AM", 0, 3}, {"BD", 0, 4}, {"BU", 0, 4}, {"CH", 0, 4}, {"ED", 0, 6}, {"EU", 0, 6}, {"FK", 0, 4},
    {"KY", 0, 4}, {"QI", 0, 3}, {"QR", 0, 3}, {"QS", 0, 3}, {"RC", 0, 3}, {"RD", 0, 7}, {"RU", 0, 7},
    {"SV", 0, 3}, {"VM", 0, 3}, {"MA", 0, 3}, {"MK", 0, 4}, {"CW", 0, 4}, {"LM", 0, 5}, {"IF", 0, 27},
    {"OI", 0, 27}, {"KC", 0, 7}, {"CA", 0, 7}, {"DN", 0, 5}, {"UP", 0, 5}, {"ZI", 0, 3},
};
static_assert(sizeof(kSetCommandTable) / sizeof(kSetCommandTable[0]) == 90);

inline constexpr ReadCommandRow kReadCommandTable[] = {
    {"ID", ReadKind::Own, 3},  // 0
    {"RT", ReadKind::Plain, 3},  // 1
    {"XT", ReadKind::Plain, 3},  // 2
    {"SF", ReadKind::Plain, 3},  // 3
    {"BP", ReadKind::Own, 5},  // 4
    {"BC", ReadKind::Side, 4},  // 5
    {"CO", ReadKind::Own, 5},  // 6
    {"MS", ReadKind::Plain, 3},  // 7
    {"NR", ReadKind::Side, 4},  // 8
    {"FT", ReadKind::Plain, 3},  // 9
    {"FR", ReadKind::Plain, 3},  // 10
    {"LK", ReadKind::Plain, 3},  // 11
    {"FS", ReadKind::Plain, 3},  // 12
    {"VS", ReadKind::Plain, 3},  // 13
    {"NA", ReadKind::Side, 4},  // 14
    {"NB", ReadKind::Side, 4},  // 15
    {"RF", ReadKind::Side, 4},  // 16
    {"GT", ReadKind::Side, 4},  // 17
    {"RA", ReadKind::Side, 4},  // 18
    {"PA", ReadKind::Side, 4},  // 19
    {"KR", ReadKind::Plain, 3},  // 20
    {"TS", ReadKind::Plain, 3},  // 21
    {"AN", ReadKind::Side, 4},  // 22
    {"AC", ReadKind::Plain, 3},  // 23
    {"DS", ReadKind::Plain, 3},  // 24
    {"MX", ReadKind::Plain, 3},  // 25
    {"VX", ReadKind::Plain, 3},  // 26
    {"BI", ReadKind::Plain, 3},  // 27
    {"PR", ReadKind::Plain, 4},  // 28
    {"ML", ReadKind::Side, 4},  // 29
    {"CS", ReadKind::Plain, 3},  // 30
    {"DP", ReadKind::Plain, 3},  // 31
    {"RM", ReadKind::Own, 4},  // 32
    {"KP", ReadKind::Plain, 3},  // 33
    {"KS", ReadKind::Plain, 3},  // 34
    {"SD", ReadKind::Plain, 3},  // 35
    {"NL", ReadKind::Side, 4},  // 36
    {"MG", ReadKind::Plain, 3},  // 37
    {"PL", ReadKind::Plain, 3},  // 38
    {"VG", ReadKind::Plain, 3},  // 39
    {"VD", ReadKind::Plain, 3},  // 40
    {"SQ", ReadKind::Side, 4},  // 41
    {"AG", ReadKind::Side, 4},  // 42
    {"RG", ReadKind::Side, 4},  // 43
    {"IF", ReadKind::Plain, 3},  // 44
    {"VF", ReadKind::Side, 4},  // 45
    {"IS", ReadKind::Side, 4},  // 46
    {"SH", ReadKind::Side, 4},  // 47
    {"RL", ReadKind::Side, 4},  // 48
    {"BY", ReadKind::Plain, 3},  // 49
    {"FA", ReadKind::Plain, 3},  // 50
    {"FB", ReadKind::Plain, 3},  // 51
    {"RO", ReadKind::Plain, 3},  // 52
    {"SC", ReadKind::Plain, 3},  // 53
    {"SM", ReadKind::Side, 4},  // 54
    {"TX", ReadKind::Plain, 3},  // 55
    {"UL", ReadKind::Plain, 3},  // 56
    {"AI", ReadKind::Plain, 3},  // 57
    {"CN", ReadKind::Side, 4},  // 58
    {"CT", ReadKind::Side, 4},  // 59
    {"KM", ReadKind::Own, 4},  // 60
    {"MC", ReadKind::Plain, 3},  // 61
    {"OI", ReadKind::Plain, 3},  // 62
    {"OS", ReadKind::Side, 4},  // 63
    {"PB", ReadKind::Side, 4},  // 64
    {"PC", ReadKind::Plain, 3},  // 65
    {"RS", ReadKind::Plain, 3},  // 66
    {"MD", ReadKind::Side, 4},  // 67
    {"PS", ReadKind::Plain, 3},  // 68
    {"RI", ReadKind::Own, 4},  // 69
    {"CW", ReadKind::Plain, 3},  // 70
    {"BG", ReadKind::Own, 4},  // 71
    {"LM", ReadKind::Side, 4},  // 72
    {"PE", ReadKind::Own, 6},  // 73
    {"KC", ReadKind::Own, 6},  // 74
    {"CA", ReadKind::Own, 4},  // 75
};
static_assert(sizeof(kReadCommandTable) / sizeof(kReadCommandTable[0]) == 76);

inline constexpr int kSetCommandCount = 90;
inline constexpr int kReadCommandCount = 76;

// Length of the setting command with code (a, b), 0 when there is none.
constexpr int setCommandLength(char a, char b) {
  for (const SetCommandRow& r : kSetCommandTable) {
    if (r.code[0] == a && r.code[1] == b) return r.length;
  }
  return 0;
}
// Row of SetCommandTable with code (a, b), -1 when there is none.
constexpr int setCommandRow(char a, char b) {
  for (int i = 0; i < kSetCommandCount; ++i) {
    if (kSetCommandTable[i].code[0] == a && kSetCommandTable[i].code[1] == b) return i;
  }
  return -1;
}
// Length of the query with code (a, b) in the read-out table, 0 when none.
constexpr int readCommandLength(char a, char b) {
  for (const ReadCommandRow& r : kReadCommandTable) {
    if (r.code[0] == a && r.code[1] == b) return r.length;
  }
  return 0;
}

// The encoder rows the knobs remember as their last direction.
static_assert(setCommandRow('E', 'D') == 67 && setCommandRow('E', 'U') == 68);

}  // namespace hrx
