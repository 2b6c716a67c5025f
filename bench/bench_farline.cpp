// The whole core on a far-away line: the simulated radio behind the real
// ser2net (raw), reached through a proxy that holds each direction 0, 50 or
// 150 ms (± 0, 15, 40 ms jitter). Per line it prints:
//   rtt_ms         one command's round trip ("ID;")
//   readout_s      the full read-out after the COM click
//   readout_ratio  against the 0 ms line (goal at 150 ms: under 1.2)
//   flick_ms       a 50-notch flick: its last notch to the radio on that
//                  frequency and the program showing it (goal: rtt + 100 ms)
//   quiet_drops    drops in 30 s of quiet (goal 0)
//   recover_s      after a 20 s outage: its end to the read-out done
//                  (goal: under 15 s)
//   watchdog_s     a far side that stops answering: a command to the
//                  program counting the radio as silent
// HRX900_FARLINE_SHORT=1 (the short benchmark run) leaves out the read-out,
// the quiet, the outage and the watchdog but on the 150 ms line, so that the
// run shows in seconds that it works.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "support/DelayLine.h"
#include "support/Ser2netRig.h"
#include "support/StationRig.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using hrx::test::waitFor;

double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

bool shortRun() {
  const char* v = std::getenv("HRX900_FARLINE_SHORT");
  return v != nullptr && *v != '\0' && *v != '0';
}

double gLoopbackReadout = 0;

void farLine(benchmark::State& state) {
  const int delay = static_cast<int>(state.range(0));
  const int jitter = delay >= 150 ? 40 : delay >= 50 ? 15 : 0;
  if (!hrx::test::Ser2net::available()) {
    state.SkipWithError("ser2net is not installed");
    return;
  }
  const bool brief = shortRun();
  for (auto _ : state) {
    hrx::test::FarRadio far;
    std::string error;
    if (!far.start(hrx::test::Ser2net::Mode::Raw, &error)) {
      state.SkipWithError(("ser2net did not start: " + error).c_str());
      return;
    }
    hrx::test::DelayLine line(far.s2n->port(), delay, jitter);
    hrx::test::TempDir dir;
    if (!line.start()) {
      state.SkipWithError("no proxy");
      return;
    }
    hrx::test::Program program(line.url("tcp"), dir.path(), [](const std::string&) {});
    hrx::Station& s = program.station;
    if (!program.ok || !waitFor([&] { return s.port.Open() || s.port.IsOpen(); }, 10s)) {
      state.SkipWithError("the port did not open");
      return;
    }
    s.request(1);
    auto t = Clock::now();
    if (!brief) {
      if (!waitFor([&] { return program.readOutsDone.load() > 0; }, 120s)) {
        state.SkipWithError("the read-out never ended");
        return;
      }
      state.counters["readout_s"] = secondsSince(t);
      if (delay == 0) gLoopbackReadout = secondsSince(t);
      if (gLoopbackReadout > 0) state.counters["readout_ratio"] = secondsSince(t) / gLoopbackReadout;
    }

    // The round trip as the radio's own answer to a frequency set shows it.
    t = Clock::now();
    s.request(82, false, 14100000);
    waitFor([&] { return far.radio.peek("FA;") == "FA14100000;" && s.state.get_VfoA_Freq() == 14100000; }, 5s);
    const double rtt = secondsSince(t) * 1000;
    state.counters["rtt_ms"] = rtt;

    for (int n = 1; n <= 50; ++n) {
      s.request(82, false, 14000000 + 10 * n);
      std::this_thread::sleep_for(4ms);
    }
    t = Clock::now();
    const bool flicked = waitFor(
        [&] { return far.radio.peek("FA;") == "FA14000500;" && s.state.get_VfoA_Freq() == 14000500; }, 10s);
    state.counters["flick_ms"] = flicked ? secondsSince(t) * 1000 : -1;
    state.counters["flick_goal_ms"] = static_cast<double>(2 * delay) + 100;

    if (!brief) {
      const auto faults = s.port.faultCloses();
      waitFor([&] { return s.awaitingDevice() || s.awaitingRadio() || s.port.faultCloses() != faults; }, 30s);
      state.counters["quiet_drops"] = static_cast<double>(s.port.faultCloses() - faults) +
                                      (s.awaitingDevice() || s.awaitingRadio() ? 1 : 0);

      const int before = program.readOutsDone.load();
      line.cut(true);
      std::this_thread::sleep_for(20s);
      line.cut(false);
      t = Clock::now();
      const bool back = waitFor([&] { return program.readOutsDone.load() > before; }, 60s);
      state.counters["recover_s"] = back ? secondsSince(t) : -1;
    }

    if (brief && delay != 150) continue;
    line.swallowReplies(true);
    t = Clock::now();
    s.request(82, false, 7074000);
    const bool dropped = waitFor([&] { return s.awaitingRadio() || s.awaitingDevice(); }, 15s);
    state.counters["watchdog_s"] = dropped ? secondsSince(t) : -1;
  }
}

BENCHMARK(farLine)->Arg(0)->Arg(50)->Arg(150)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
