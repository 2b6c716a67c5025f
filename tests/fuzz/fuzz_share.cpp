// Arbitrary bytes as requests to the sharing server: each line gets exactly
// one newline-terminated answer (or none for a blank line, or a close), no
// answer is unbounded, every operation asked for is one the protocol uses
// with a value inside the radio's range (a receive VFO key only in a mode
// set for the VFO that does not receive: choosing a VFO moves nothing),
// neither a set nor a transmit request gets through while the link is down,
// and a set in steps ends, with the receiver back where it was when the
// radio did what each step asked.
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

void check(const hrx::share::Reply& r, bool linkUp, bool inSteps) {
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
      case 103:
      case 162: require(a.value >= 1 && a.value <= 25, "width in range"); break;
      case 189:
      case 191: require(inSteps && a.value == 0, "a receive key only in a set in steps"); break;
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
      check(reply, s.linkUp, reply.continues);
      if (reply.continues) {
        // The radio does what each step waits for, but one step may be late.
        hrx::share::Snapshot r = s;
        hrx::share::Await await = reply.await;
        const int lateStep = k % 5;
        hrx::share::SetStep step = hrx::share::SetStep::More;
        int steps = 0;
        bool wasLate = false;
        while (step == hrx::share::SetStep::More) {
          require(++steps <= 6, "a set in steps ends");
          const bool late = steps == lateStep;
          wasLate = wasLate || late;
          if (!late && await.kind == hrx::share::Await::Kind::Receiver) r.frStat = await.a;
          if (!late && await.kind == hrx::share::Await::Kind::Mode) {
            (await.onB ? r.modeSub : r.modeMain) = await.a;
            if (await.b != 0) (await.onB ? r.widthSub : r.widthMain) = await.b;
          }
          hrx::share::Reply next;
          step = hrx::share::continueSet(r, session, late, next);
          check(next, r.linkUp, true);
          await = next.await;
        }
        if (!wasLate) require(step == hrx::share::SetStep::Done && r.frStat == s.frStat, "the receiver goes back");
      }
      if (!s.linkUp) require(!session.pttHeld || reply.actionCount == 0 || reply.actions[0].kind != hrx::share::Action::Kind::Ptt ||
                                 reply.actions[0].value == 0,
                             "no transmitter held with the link down");
    }
    start = nl + 1;
  }
  return 0;
}
