#pragma once
// A radio state drawn from bytes, saved as a set-up file, read back and
// compared with the radio: what the program writes it must read back equal.
// Shared by the fuzz target (bytes from the fuzzer) and the unit test
// (bytes from a seeded generator).
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "menulist/MenuCatalogue.h"
#include "menulist/SetupFile.h"
#include "state/RadioState.h"

namespace hrx::test {

// Hands out the bytes in order; zeros once they have run out.
class ByteSource {
 public:
  ByteSource(const std::uint8_t* data, std::size_t size) : p_(data), n_(size) {}
  std::uint8_t next() {
    if (n_ == 0) return 0;
    --n_;
    return *p_++;
  }
  std::uint32_t next32() {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | next();
    return v;
  }

 private:
  const std::uint8_t* p_;
  std::size_t n_;
};

class SetupRoundTrip {
 public:
  SetupRoundTrip() {
    ok_ = loadBuiltInCatalogue(state_);
    for (int no = 1; no <= kMenuItemCount; ++no) {
      const MenuListItem rec = makeMenuRecord(kMenuRows[no - 1]);
      base_.push_back(rec);
      // The values the menu list offers for the item: a radio set up
      // through its own menu holds one of these.
      std::vector<double> values;
      const MenuEditEntries e = menuEditEntries(rec);
      for (std::size_t i = 0; i < e.texts.size(); ++i) {
        double v = 0;
        if (menuValueFromEntry(rec, static_cast<int>(i), e.texts[i], &v)) values.push_back(v);
      }
      offered_.push_back(std::move(values));
    }
  }

  // Empty when the state drawn from `src` saved, read back and compared
  // equal; otherwise what went wrong.
  std::string run(ByteSource& src) {
    if (!ok_) return "the catalogue did not load";
    std::vector<MenuListItem> records = base_;
    std::vector<std::uint8_t> answered(records.size(), 1);
    std::vector<std::uint8_t> offered(records.size(), 0);
    for (std::size_t i = 0; i < records.size(); ++i) {
      MenuListItem& rec = records[i];
      answered[i] = (src.next() & 7) != 0 ? 1 : 0;
      if (rec.type == 41) {
        drawCall(src, rec);
      } else {
        offered[i] = drawValue(src, rec, offered_[i]) ? 1 : 0;
      }
      if (!state_.set_MenuItem(rec.no, &rec)) return "the store refused item " + std::to_string(rec.no);
    }
    std::string comment;
    for (int k = src.next() % 24; k > 0; --k) comment.push_back(static_cast<char>(src.next()));
    const std::string text = formatSetupFile({"hrx900 0.1.0", "0460", "2026-12-09 03:00:00 UTC", comment}, records, answered);
    SetupFile file;
    SetupError error;
    if (!parseSetupText(text, &file, &error)) return "refused its own file: " + error.text() + "\n" + text;
    if (file.items.size() != records.size()) return "items lost";
    if (file.header.radio != "0460" || file.header.program != "hrx900 0.1.0") return "the header changed";
    for (std::size_t i = 0; i < records.size(); ++i) {
      const SetupItem& it = file.items[i];
      const MenuListItem& rec = records[i];
      if (it.no != rec.no) return "item " + std::to_string(rec.no) + " out of order";
      if (answered[i] == 0 && it.known) return "item " + std::to_string(rec.no) + ": not read, yet given a value";
      if (answered[i] != 0 && offered[i] != 0 && !it.known)
        return "item " + std::to_string(rec.no) + ": a value of its own menu saved as unknown";
      if (it.known && !setupItemMatches(rec, it)) return "item " + std::to_string(rec.no) + ": read back another value";
    }
    // Compare lists nothing but what the file holds as unknown.
    for (const SetupDifference& d : compareSetup(file, state_))
      if (d.item.known) return "compare found item " + std::to_string(d.item.no) + " differing";
    return {};
  }

 private:
  // MY CALL as the radio reports it: up to 12 characters padded with
  // blanks, now and then with bytes no call holds.
  static void drawCall(ByteSource& src, MenuListItem& rec) {
    std::memset(rec.text, 0, sizeof rec.text);
    const int n = src.next() % 13;
    const bool wild = src.next() % 16 == 0;
    for (int k = 0; k < n; ++k) {
      const std::uint8_t b = src.next();
      rec.text[k] = static_cast<char>(wild ? b : 0x20 + b % 95);
    }
    for (int k = n; k < 12; ++k) rec.text[k] = ' ';
  }

  // True when the value drawn is one the menu list offers.
  static bool drawValue(ByteSource& src, MenuListItem& rec, const std::vector<double>& values) {
    switch (src.next() % 5) {
      case 0:
      case 1:
        if (!values.empty()) {
          rec.value = values[src.next32() % values.size()];
          return true;
        }
        rec.value = 0;
        return false;
      case 2:   // anything at all
        rec.value = static_cast<std::int32_t>(src.next32());
        return false;
      case 3:   // near the range, with a fraction now and then
        rec.value = static_cast<int>(src.next32() % 2200) - 100 + (src.next() % 4) * 0.25;
        return false;
      default:   // BEACON TIME's seconds and the edges of a choice list
        rec.value = rec.type == 16 ? 240 + 30 * (src.next() % 17) : rec.choice_num - 1 + src.next() % 3;
        return false;
    }
  }

  bool ok_ = false;
  RadioState state_;
  std::vector<MenuListItem> base_;
  std::vector<std::vector<double>> offered_;
};

}  // namespace hrx::test
