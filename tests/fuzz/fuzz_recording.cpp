// Arbitrary text as a recorded session: a text the reader takes is in range
// (times rising within an hour, chunks of 1..4096 bytes, a return only after
// a vanish, the end last), and writing it out and reading it back gives the
// same session.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "Recording.h"

namespace {

void require(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

bool sameEvents(const hrx::sim::Recording& a, const hrx::sim::Recording& b) {
  if (a.events.size() != b.events.size()) return false;
  for (std::size_t i = 0; i < a.events.size(); ++i) {
    const auto& x = a.events[i];
    const auto& y = b.events[i];
    if (x.kind != y.kind || x.ms != y.ms || x.bytes != y.bytes) return false;
  }
  return a.what == b.what && a.when == b.when && a.why == b.why;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using hrx::sim::RecEvent;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  hrx::sim::Recording rec;
  std::string error;
  if (!hrx::sim::parseRecording(text, &rec, &error)) {
    require(!error.empty(), "a refusal says why");
    return 0;
  }
  require(!rec.events.empty() && rec.events.back().kind == RecEvent::Kind::End, "ends with the end line");
  require(rec.events.size() <= hrx::sim::kRecMaxEvents, "too many events");
  std::int64_t last = 0;
  bool gone = false;
  for (const RecEvent& e : rec.events) {
    require(e.ms >= last && e.ms <= hrx::sim::kRecMaxMs, "time out of range or running back");
    last = e.ms;
    switch (e.kind) {
      case RecEvent::Kind::ToRadio:
      case RecEvent::Kind::FromRadio:
        require(!e.bytes.empty() && e.bytes.size() <= hrx::sim::kRecMaxBytes, "chunk size");
        require(!gone, "bytes while the device is gone");
        break;
      case RecEvent::Kind::Vanish: gone = true; break;
      case RecEvent::Kind::Return:
        require(gone, "a return without a vanish");
        gone = false;
        break;
      case RecEvent::Kind::End: break;
    }
  }
  hrx::sim::Recording again;
  require(hrx::sim::parseRecording(hrx::sim::formatRecording(rec), &again, &error), "its own output is refused");
  require(sameEvents(rec, again), "written and read back differs");
  return 0;
}
