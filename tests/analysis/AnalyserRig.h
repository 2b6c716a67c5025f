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

inline Msg event(ReplyRow row) {
  const int i = static_cast<int>(row);
  return Msg{ReplyCodeTable::row(i).event, 0, eventLParam(i)};
}

}  // namespace hrx::test
