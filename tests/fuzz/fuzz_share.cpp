// Arbitrary bytes as requests to the sharing server: each line gets exactly
// one newline-terminated answer (or none for a blank line, or a close), no
// answer is unbounded, every operation asked for is one the protocol uses
// with a value inside the radio's range (never a receive VFO key: choosing
// a VFO moves nothing), and neither a set nor a transmit request gets
// through while the link is down.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "share/ShareProtocol.h"

namespace {

void require(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

void check(const hrx::share::Reply& r, bool linkUp) {
  using hrx::share::Action;
  if (!r.close && !r.text.empty()) require(r.text.back() == '\n', "answer ends its line");
  require(r.text.size() < 4096, "answer is bounded");
  require(r.actionCount >= 0 && r.actionCount <= hrx::share::kMaxActions, "action count");
  for (int i = 0; i < r.actionCount; ++i) {
    const Action& a = r.actions[i];
    if (a.kind == Action::Kind::Ptt) {
      require(a.value == 0 || a.value == 1, "transmit value");
      require(a.value == 0 || linkUp, "no transmit with the link down");
      continue;
    }
    require(linkUp, "no set with the link down");
    switch (a.op) {
      case 82:
      case 83: require(a.value >= 30000 && a.value <= 60000000, "frequency in range"); break;
      case 193: require(a.value >= 0 && a.value <= 12, "mode in range"); break;
      case 103: require(a.value >= 1 && a.value <= 25, "width in range"); break;
      case 30:
      case 34:
      case 63: require(a.value == 0, "key value"); break;
      default: require(false, "only the protocol's operations");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  // The first byte shapes the radio's state; the rest are request lines.
  hrx::share::Snapshot s;
  const std::uint8_t k = data[0];
  s.vfoA = 14074000;
  s.vfoB = 7050000;
  s.modeMain = k % 15;
  s.modeSub = (k / 3) % 15;
  s.widthMain = k % 33;
  s.widthSub = (k / 5) % 33;
  s.frStat = k % 7;
  s.ftStat = (k >> 3) % 3;
  s.txStat = (k >> 4) % 3;
  s.psStat = (k >> 5) & 1;
  s.sMeter = k;
  s.swrMeter = 255 - k;
  s.powerSetting = 5 + k % 96;
  s.linkUp = (k & 0x80) != 0;
  hrx::share::Session session;
  hrx::share::Reply reply;
  const std::string_view all(reinterpret_cast<const char*>(data + 1), size - 1);
  std::size_t start = 0;
  while (start <= all.size()) {
    std::size_t nl = all.find('\n', start);
    if (nl == std::string_view::npos) nl = all.size();
    const std::string_view line = all.substr(start, nl - start);
    if (line.size() <= hrx::share::kMaxLine) {
      hrx::share::handleLine(line, s, session, reply);
      check(reply, s.linkUp);
      if (!s.linkUp) require(!session.pttHeld || reply.actionCount == 0 || reply.actions[0].kind != hrx::share::Action::Kind::Ptt ||
                                 reply.actions[0].value == 0,
                             "no transmitter held with the link down");
    }
    start = nl + 1;
  }
  return 0;
}
