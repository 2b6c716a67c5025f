// What the whole program costs while it is connected and nothing happens:
// the program with its real window on an X server of its own (Xvfb), a
// simulated radio on a pseudo-terminal in this process (so excluded), the
// connection switch and the full read-out, then HRX900_IDLE_SECONDS (default
// 60; the CI's short run sets a few) of quiet in which only the keep-alive
// runs. Reports the program's CPU time in those seconds as a share of one
// core, whole and per thread (goal: 0.2 % for the whole). Without Xvfb, or
// when it does not start, the run says so in its label and measures nothing.
#include <benchmark/benchmark.h>
#include <poll.h>

#include <cstdio>
#include <map>

#include "ProgramRig.h"
#include "SimPty.h"

namespace {

using namespace hrx::bench;

constexpr double kGoalPercent = 0.2;

// An X server of our own on a display number it picks (-displayfd).
class XServer {
 public:
  ~XServer() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  // The display's name (":N"), empty when no server could be started.
  std::string start() {
    const char* program = "/usr/bin/Xvfb";
    if (::access(program, X_OK) != 0) return {};
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return {};
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, fds[1], 3);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    const char* argv[] = {program, "-displayfd", "3", "-nolisten", "tcp", "-screen", "0", "1280x1024x24", nullptr};
    const int rc = ::posix_spawn(&pid_, program, &fa, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&fa);
    ::close(fds[1]);
    if (rc != 0) pid_ = -1;
    std::string number;
    // The server writes its display number once it accepts clients.
    for (pollfd p{fds[0], POLLIN, 0}; pid_ > 0 && ::poll(&p, 1, 10000) > 0;) {
      char c;
      if (::read(fds[0], &c, 1) != 1 || c == '\n') break;
      number += c;
    }
    ::close(fds[0]);
    return number.empty() ? std::string() : ":" + number;
  }

 private:
  pid_t pid_ = -1;
};

// Each thread's time on a core so far, in ns, by its name (threads of one
// name summed; the main thread is the window's).
std::map<std::string, double> threadCpuNs(pid_t pid) {
  std::map<std::string, double> out;
  std::error_code ec;
  const fs::path task = "/proc/" + std::to_string(pid) + "/task";
  for (auto it = fs::directory_iterator(task, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::string name;
    std::getline(std::ifstream(it->path() / "comm"), name);
    double ns = 0;
    if (!(std::ifstream(it->path() / "schedstat") >> ns)) continue;
    out[it->path().filename() == std::to_string(pid) ? "gui" : name] += ns;
  }
  return out;
}

void BM_ProgramConnectedAndQuiet(benchmark::State& st) {
  const auto length = std::chrono::seconds(envNumber("HRX900_IDLE_SECONDS", 60));
  XServer x;
  const std::string display = x.start();
  if (display.empty()) {
    for (auto _ : st) {
    }
    st.SetLabel("skipped: no X server could be started (Xvfb, package xvfb)");
    std::fprintf(stderr, "bench_idle: skipped, no X server could be started (Xvfb, package xvfb)\n");
    return;
  }
  char tpl[] = "/tmp/hrx900-idle-XXXXXX";
  if (::mkdtemp(tpl) == nullptr) {
    st.SkipWithError("no temporary folder");
    return;
  }
  const std::string dir = tpl, link = dir + "/radio";
  fs::create_directories(dir + "/CommoFiles");
  ::signal(SIGPIPE, SIG_IGN);
  hrx::sim::SimRadio radio;
  hrx::sim::SimPty pty(radio);
  Program prog;
  if (pty.open() && pty.link(link) && pty.start()) prog = spawnProgram(dir, link, dir + "/state.txt", display);
  std::string error = prog.pid < 0 ? "the program did not start" : "";
  if (error.empty() && !waitForQuiet(radio, 60s)) error = "the read-out did not end";
  for (auto _ : st) {
    if (!error.empty()) break;
    const auto before = threadCpuNs(prog.pid);
    const auto w0 = Clock::now();
    std::this_thread::sleep_for(length);
    const auto after = threadCpuNs(prog.pid);
    const double wallNs = std::chrono::duration<double, std::nano>(Clock::now() - w0).count();
    if (!alive(prog.pid) || after.empty()) {
      error = "the program ended";
      break;
    }
    double whole = 0;
    for (const auto& [name, ns] : after) {
      const auto b = before.find(name);
      const double share = 100.0 * (ns - (b != before.end() ? b->second : 0)) / wallNs;
      st.counters["pct_" + name] = share;
      whole += share;
    }
    st.counters["cpu_percent_of_a_core"] = whole;
    st.counters["goal_met"] = whole <= kGoalPercent ? 1 : 0;
    st.counters["seconds"] = static_cast<double>(length.count());
    st.counters["resident_kb"] = static_cast<double>(residentKb(prog.pid));
  }
  if (prog.pid > 0) endProgram(prog);
  std::error_code ec;
  fs::remove_all(dir, ec);
  if (!error.empty()) st.SkipWithError(error.c_str());
}
BENCHMARK(BM_ProgramConnectedAndQuiet)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
