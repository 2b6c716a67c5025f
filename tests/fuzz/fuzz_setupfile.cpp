// Radio set-up files, two ways by the first byte. Even: the rest is a radio
// state (each item read or not, any value, any MY CALL), saved, read back
// and compared: what the program writes it reads back equal. Odd: the rest
// is a file from anywhere: the reader never crashes or hangs, leaves its
// output alone when it refuses (and says which line, one that exists), and
// what it accepts is a set of distinct catalogue items whose values, put in
// a catalogue and saved, read back the same.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "menulist/MenuCatalogue.h"
#include "menulist/SetupFile.h"
#include "state/RadioState.h"
#include "support/SetupRoundTrip.h"

namespace {

void require(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

void anyFile(std::string_view text) {
  hrx::SetupFile file;
  file.header.comment = "sentinel";
  hrx::SetupError error;
  if (!hrx::parseSetupText(text, &file, &error)) {
    require(file.header.comment == "sentinel" && file.items.empty(), "a refused file changed the output");
    require(!error.message.empty(), "a refusal says why");
    const std::size_t lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    require(error.line >= 0 && static_cast<std::size_t>(error.line) <= lines, "the line named exists");
    return;
  }
  static hrx::RadioState state;
  static const bool loaded = hrx::loadBuiltInCatalogue(state);
  require(loaded, "catalogue");
  bool seen[hrx::kMenuItemCount + 1] = {};
  std::vector<hrx::MenuListItem> items;
  std::vector<std::uint8_t> answered;
  for (const hrx::SetupItem& it : file.items) {
    require(it.no >= 1 && it.no <= hrx::kMenuItemCount && !seen[it.no], "distinct catalogue items");
    seen[it.no] = true;
    hrx::MenuListItem rec = hrx::makeMenuRecord(hrx::kMenuRows[it.no - 1]);
    if (!it.known) {
      require(!hrx::stageSetupItem(state, it), "nothing of an unknown item is staged");
    } else if (rec.type == 41) {
      require(it.text.empty() || hrx::menuTextAllowed(it.text), "MY CALL keeps the menu list's rules");
      std::snprintf(rec.text, sizeof rec.text, "%s", it.text.c_str());
    } else {
      rec.value = it.raw;
    }
    items.push_back(rec);
    answered.push_back(it.known ? 1 : 0);
  }
  hrx::SetupFile again;
  require(hrx::parseSetupText(hrx::formatSetupFile(file.header, items, answered), &again, &error), "saved values read back");
  require(again.items.size() == file.items.size(), "as many items");
  for (std::size_t i = 0; i < again.items.size(); ++i) {
    const hrx::SetupItem& a = again.items[i];
    const hrx::SetupItem& b = file.items[i];
    require(a.no == b.no && a.known == b.known, "the same items");
    require(!a.known || hrx::setupItemMatches(items[i], a), "the same values");
  }
  for (const hrx::SetupItem& it : file.items)
    if (it.known) require(hrx::stageSetupItem(state, it), "staged");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  if ((data[0] & 1) != 0) {
    anyFile(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
    return 0;
  }
  static hrx::test::SetupRoundTrip trip;
  hrx::test::ByteSource src(data + 1, size - 1);
  const std::string why = trip.run(src);
  if (!why.empty()) {
    std::fprintf(stderr, "%s\n", why.c_str());
    std::abort();
  }
  return 0;
}
