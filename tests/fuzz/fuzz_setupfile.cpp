// Arbitrary bytes as a radio set-up file: the reader never crashes or
// hangs, leaves its output alone when it refuses (and says which line, one
// that exists), and what it accepts is a set of distinct catalogue items
// whose values, put in a catalogue and saved, read back the same.
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

namespace {

void require(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  hrx::SetupFile file;
  file.header.comment = "sentinel";
  hrx::SetupError error;
  if (!hrx::parseSetupText(text, &file, &error)) {
    require(file.header.comment == "sentinel" && file.items.empty(), "a refused file changed the output");
    require(!error.message.empty(), "a refusal says why");
    const std::size_t lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    require(error.line >= 0 && static_cast<std::size_t>(error.line) <= lines, "the line named exists");
    return 0;
  }
  static hrx::RadioState state;
  static const bool loaded = hrx::loadBuiltInCatalogue(state);
  require(loaded, "catalogue");
  bool seen[hrx::kMenuItemCount + 1] = {};
  std::vector<hrx::MenuListItem> items;
  for (const hrx::SetupItem& it : file.items) {
    require(it.no >= 1 && it.no <= hrx::kMenuItemCount && !seen[it.no], "distinct catalogue items");
    seen[it.no] = true;
    hrx::MenuListItem rec = hrx::makeMenuRecord(hrx::kMenuRows[it.no - 1]);
    if (rec.type == 41) {
      require(hrx::menuTextAllowed(it.text), "MY CALL keeps the menu list's rules");
      std::snprintf(rec.text, sizeof rec.text, "%s", it.text.c_str());
    } else {
      rec.value = it.raw;
    }
    items.push_back(rec);
  }
  hrx::SetupFile again;
  require(hrx::parseSetupText(hrx::formatSetupFile(file.header, items), &again, &error), "saved values read back");
  require(again.items.size() == file.items.size(), "as many items");
  for (std::size_t i = 0; i < again.items.size(); ++i)
    require(again.items[i].no == file.items[i].no && again.items[i].raw == file.items[i].raw &&
                again.items[i].text == file.items[i].text,
            "the same values");
  for (const hrx::SetupItem& it : file.items) require(hrx::stageSetupItem(state, it), "staged");
  return 0;
}
