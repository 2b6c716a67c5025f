// The sharing server under the load of several station programs: the
// program with the simulated radio behind it, connected and read out, then
// 8 clients each polling "f" and "m" every 10 ms. Reports the answers'
// median and 99th-percentile latency, the CAT commands the radio heard
// beyond the program's own keep-alive (there should be none), and the
// process's CPU share (clients and simulator included: an upper bound) and
// the server thread's own.
//
//   bench_share [--seconds=N] [benchmark flags]   (N defaults to 3)
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "SimPty.h"
#include "SimRadio.h"
#include "support/LineClient.h"
#include "support/StationRig.h"

namespace {

using namespace std::chrono_literals;
using namespace hrx;

int gSeconds = 3;
constexpr int kClients = 8;

// CPU seconds of the process's thread named `name` (from /proc), 0 if none.
double threadCpuSeconds(const char* name) {
  DIR* d = ::opendir("/proc/self/task");
  if (d == nullptr) return 0;
  double total = 0;
  while (dirent* e = ::readdir(d)) {
    if (e->d_name[0] == '.') continue;
    const std::string base = std::string("/proc/self/task/") + e->d_name;
    std::ifstream comm(base + "/comm");
    std::string c;
    std::getline(comm, c);
    if (c != name) continue;
    std::ifstream stat(base + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream rest(text.substr(text.rfind(')') + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i) {
      if (i == 14) utime = std::stoull(field);
      if (i == 15) stime = std::stoull(field);
    }
    total += static_cast<double>(utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
  }
  ::closedir(d);
  return total;
}

double processCpuSeconds() {
  rusage u{};
  ::getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void BM_EightClientsPolling(benchmark::State& st) {
  sim::SimRadio radio;
  sim::SimPty pty(radio);
  if (!pty.open() || !pty.start()) {
    st.SkipWithError("no pseudo-terminal");
    return;
  }
  test::TempDir dir;
  test::Program program(pty.slavePath(), dir.path());
  Station& s = program.station;
  if (!test::waitFor([&] { return s.state.get_CommEnabled() != 0 && s.port.IsOpen(); }, 5s) || !s.request(1) ||
      !test::waitFor([&] { return program.readOutsDone.load() > 0; }, 60s)) {
    st.SkipWithError("the program did not connect");
    return;
  }
  share::ShareConfig config;
  config.port = 0;
  std::string error;
  if (!s.startShare(config, &error)) {
    st.SkipWithError(error.c_str());
    return;
  }
  const int port = s.shareServer().boundPort();
  std::this_thread::sleep_for(300ms);  // the read-out's last replies

  for (auto _ : st) {
    radio.clearCommandLog();
    std::atomic<int> failures{0};
    std::vector<std::vector<double>> latencies(kClients);
    const double cpu0 = processCpuSeconds();
    const double server0 = threadCpuSeconds("Share_Server");
    const auto t0 = std::chrono::steady_clock::now();
    std::vector<std::thread> threads;
    for (int i = 0; i < kClients; ++i) {
      threads.emplace_back([&, i] {
        test::LineClient c(port);
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(gSeconds);
        auto next = std::chrono::steady_clock::now();
        std::string a;
        while (std::chrono::steady_clock::now() < end) {
          for (const auto& [q, n] : {std::pair<const char*, int>{"f", 1}, {"m", 2}}) {
            const auto a0 = std::chrono::steady_clock::now();
            if (!c.ask(q, n, &a)) failures.fetch_add(1);
            latencies[i].push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - a0).count());
          }
          next += 10ms;
          std::this_thread::sleep_until(next);
        }
      });
    }
    for (auto& t : threads) t.join();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double cpu = processCpuSeconds() - cpu0;
    const double server = threadCpuSeconds("Share_Server") - server0;

    std::vector<double> all;
    for (auto& v : latencies) all.insert(all.end(), v.begin(), v.end());
    std::sort(all.begin(), all.end());
    auto pct = [&](double p) { return all.empty() ? 0.0 : all[std::min(all.size() - 1, std::size_t(p * double(all.size())))]; };
    int keepAlive = 0, extra = 0;
    for (const std::string& c : radio.commandLog()) (c == "PS;" || c == "AI;") ? ++keepAlive : ++extra;
    st.counters["requests"] = static_cast<double>(all.size());
    st.counters["median_us"] = pct(0.5);
    st.counters["p99_us"] = pct(0.99);
    st.counters["max_us"] = all.empty() ? 0.0 : all.back();
    st.counters["failures"] = failures.load();
    st.counters["cat_keepalive"] = keepAlive;
    st.counters["cat_extra"] = extra;
    st.counters["cpu_share_pct"] = 100.0 * cpu / wall;
    st.counters["server_cpu_pct"] = 100.0 * server / wall;
    st.SetIterationTime(wall);
  }
}
BENCHMARK(BM_EightClientsPolling)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  // Our own flag first; the rest are the benchmark library's.
  std::vector<char*> rest;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--seconds=", 10) == 0) {
      gSeconds = std::max(1, std::atoi(argv[i] + 10));
    } else {
      rest.push_back(argv[i]);
    }
  }
  int n = static_cast<int>(rest.size());
  benchmark::Initialize(&n, rest.data());
  if (benchmark::ReportUnrecognizedArguments(n, rest.data())) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
