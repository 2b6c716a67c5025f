// What the whole program costs while it is connected and nothing happens:
// the simulated radio on a pseudo-terminal, the connection switch, the full
// read-out, then five quiet seconds (the keep-alive still runs). Reports the
// process's CPU time in those seconds as a share of one core; the simulator
// runs in the same process, so the figure is an upper bound.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "SimPty.h"
#include "SimRadio.h"
#include "app/Station.h"
#include "platform/HeadlessMainWindow.h"

namespace {

using namespace std::chrono_literals;
using namespace hrx;

double processCpuSeconds() {
  rusage u{};
  ::getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void BM_ConnectedAndQuiet(benchmark::State& st) {
  sim::SimRadio radio;
  sim::SimPty pty(radio);
  if (!pty.open() || !pty.start()) {
    st.SkipWithError("no pseudo-terminal");
    return;
  }
  std::atomic<int> done{0};
  std::atomic<Station*> station{nullptr};
  HeadlessMainWindow window([&](const Msg& m) -> LParam {
    if (Station* p = station.load(); m.id == kMsgTimer && p != nullptr) p->onTimer(static_cast<std::uint32_t>(m.w));
    if (m.id == kMsgRedrawBandPass && m.l == 0) done = 1;
    return 0;
  });
  Station s(window);
  station = &s;
  char dir[] = "/tmp/hrx900-idle-XXXXXX";
  s.start(StationOptions{pty.slavePath(), ::mkdtemp(dir)});
  for (int i = 0; i < 500 && (s.state.get_CommEnabled() == 0 || !s.port.IsOpen()); ++i) std::this_thread::sleep_for(10ms);
  s.request(1);
  for (int i = 0; i < 6000 && done == 0; ++i) std::this_thread::sleep_for(10ms);
  if (done == 0) {
    st.SkipWithError("the read-out did not end");
  } else {
    for (auto _ : st) {
      const double cpu0 = processCpuSeconds();
      const auto t0 = std::chrono::steady_clock::now();
      std::this_thread::sleep_for(5s);
      const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
      st.counters["cpu_percent_of_a_core"] = 100.0 * (processCpuSeconds() - cpu0) / wall;
      st.counters["receive_thread_cpu_ms"] = static_cast<double>(s.receiveCpuNs()) / 1e6;
    }
  }
  s.shutdown();
  window.stop();
  station = nullptr;
}
BENCHMARK(BM_ConnectedAndQuiet)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
