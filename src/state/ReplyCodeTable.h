#pragma once
// ReplyCodeTable: the two-letter code, event message and nominal length (';'
// included) of every reply the analyser knows, in search order. Constant data,
// safe from any thread. The receive side frames replies with the lengths; the
// analyser finds a reply's row and posts the row's event.
//
// Rows come from ReplyCodes.def; ReplyRow names each row's index.
#include <cstdint>

#include "platform/Messages.h"

namespace hrx {

struct ReplyCodeRow {
  char code[4];          // the two letters, zero-padded to a 32-bit word
  MsgId event;           // WM_ANL_EVT_<code>
  std::int32_t length;   // nominal reply length, ';' included
};

enum class ReplyRow : int {
#define HRX_REPLY(code, event, length) code,
#include "state/ReplyCodes.def"
  Count
};

inline constexpr ReplyCodeRow kReplyCodeRows[] = {
#define HRX_REPLY(code, event, length) {{#code[0], #code[1], 0, 0}, event, length},
#include "state/ReplyCodes.def"
};

struct ReplyCodeTable {
  static constexpr int kCount = static_cast<int>(ReplyRow::Count);

  static constexpr const ReplyCodeRow& row(int index) { return kReplyCodeRows[index]; }
  static constexpr const ReplyCodeRow& row(ReplyRow r) { return kReplyCodeRows[static_cast<int>(r)]; }

  // Index of the first row whose code is (a, b), or -1. A linear search over
  // 78 keys is far quicker than the serial line.
  static constexpr int find(char a, char b) {
    for (int i = 0; i < kCount; ++i) {
      if (kReplyCodeRows[i].code[0] == a && kReplyCodeRows[i].code[1] == b) return i;
    }
    return -1;
  }
  // The first two characters of `text`; -1 for a null pointer.
  static constexpr int find(const char* text) { return text == nullptr ? -1 : find(text[0], text[0] ? text[1] : '\0'); }

  // Nominal length of the reply whose code is (a, b), or 0 when unknown
  // (EX included: its length comes from the menu catalogue).
  static constexpr int nominalLength(char a, char b) {
    const int i = find(a, b);
    return i < 0 ? 0 : kReplyCodeRows[i].length;
  }
};

static_assert(ReplyCodeTable::kCount == 78);
static_assert(sizeof(kReplyCodeRows) / sizeof(kReplyCodeRows[0]) == 78);

}  // namespace hrx
