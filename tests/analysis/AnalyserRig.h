#pragma once
// An analyser wired to a fresh state store, mirror and recording fakes of the
// main window and the composer.
#include <ostream>
#include <string>
#include <vector>

#include "analysis/ReplyAnalyser.h"
#include "support/RecordingMainWindow.h"
#include "support/RecordingPostTarget.h"

namespace hrx {
inline void PrintTo(const Msg& m, std::ostream* os) {
  *os << std::hex << "0x" << m.id << std::dec << "(" << m.w << ", " << m.l << ")";
}
}  // namespace hrx

namespace hrx::test {

struct AnalyserRig {
  RadioState state;
  PanelMirror mirror;
  RecordingMainWindow window;
  RecordingPostTarget composer;
  ReplyAnalyser analyser{state, mirror, window, composer};

  // Feeds one reply as the receive side hands it over: without its ';'.
  void feed(std::string reply) {
    if (!reply.empty() && reply.back() == ';') reply.pop_back();
    analyser.dispatch(reply.data(), reply.size());
  }
  // Feeds a reply and forgets what it caused.
  void prime(const std::string& reply) {
    feed(reply);
    window.clear();
    composer.take();
  }
  std::vector<Msg> events() const { return window.posts(); }
};

// Analyser events by name (wParam 0, lParam 0).
inline constexpr Msg kEvFA{0x8333, 0, 0}, kEvFB{0x8334, 0, 0}, kEvRM{0x8321, 0, 0}, kEvSM{0x8337, 0, 0},
    kEvAI{0x833A, 0, 0}, kEvPS{0x8347, 0, 0}, kEvSF{0x8304, 0, 0};

}  // namespace hrx::test
