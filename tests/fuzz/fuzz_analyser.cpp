// Arbitrary records into the reply analyser. Input: records separated by
// '\n' (each cut to a ring slot), a record "\x01" standing for three seconds
// of silence. Afterwards every cell must still hold a value inside its range
// (or at its start value) and no record may have caused more events than the AI0/PS0 paths post.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "analysis/ReplyAnalyser.h"
#include "menulist/MenuCatalogue.h"
#include "support/CountingMainWindow.h"

namespace {

using namespace hrx;

void require(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

void checkState(const RadioState& s) {
  for (int i = 0; i < kIntFieldCount; ++i) {
    // A few cells start outside their range (nothing reported yet); a reply
    // can only ever put them inside it.
    const auto f = static_cast<IntField>(i);
    const std::int32_t v = s.get(f);
    require((v >= s.cell(f).min && v <= s.cell(f).max) || v == kIntFieldRows[i].def, kIntFieldRows[i].name);
  }
  for (int i = 0; i < kRealFieldCount; ++i) {
    const auto f = static_cast<RealField>(i);
    require(s.get(f) >= s.cell(f).min && s.get(f) <= s.cell(f).max, kRealFieldRows[i].name);
  }
  for (int i = 0; i < kTextFieldCount; ++i) {
    require(s.text(static_cast<TextField>(i)).size() <= static_cast<std::size_t>(kTextMaxLen), kTextFieldNames[i]);
  }
  for (int n = 1; n <= s.get_MenuItem_Count(); ++n) {
    MenuListItem item;
    require(s.get_MenuItem(n, &item), "menu record");
    require(std::isfinite(item.value), "menu value");
    require(item.no == n, "menu record number");
    require(std::memchr(item.text, 0, sizeof item.text) != nullptr, "menu text terminated");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static RadioState state;
  static PanelMirror mirror;
  static test::CountingMainWindow window;
  static test::NullPostTarget composer;
  static ReplyAnalyser analyser(state, mirror, window, composer);
  static bool loaded = loadBuiltInCatalogue(state);
  require(loaded, "catalogue");

  const char* p = reinterpret_cast<const char*>(data);
  const char* end = p + size;
  while (p < end) {
    const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
    const char* stop = nl ? nl : end;
    const auto len = static_cast<std::size_t>(stop - p);
    window.posts = 0;
    if (len == 1 && *p == '\x01') {
      analyser.powerSyncTimeout();
    } else {
      analyser.dispatch(p, len < 511 ? len : 511);
    }
    require(window.posts <= 3, "events per record");
    p = stop + (nl ? 1 : 0);
  }
  checkState(state);
  return 0;
}
