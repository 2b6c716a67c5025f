#pragma once
// The whole program as its own process for the benchmarks that need it: its
// start against a simulated radio's link, its end, its resources, and the
// wait for a connected and quiet link.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "SimRadio.h"

extern char** environ;

namespace hrx::bench {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

inline int envNumber(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v != nullptr && std::atoi(v) > 0 ? std::atoi(v) : fallback;
}

struct Program {
  pid_t pid = -1;
  int input = -1;
};

// The program in `dir` on the radio at `link`, its state dump to `dump`;
// `display` is the X server's name, or empty for the offscreen platform;
// `log` is where its standard error goes (empty: ours).
inline Program spawnProgram(const std::string& dir, const std::string& link, const std::string& dump,
                            const std::string& display = {}, const std::string& log = {}) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return {};
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_adddup2(&fa, fds[0], STDIN_FILENO);
  if (!log.empty()) posix_spawn_file_actions_addopen(&fa, STDERR_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_addchdir_np(&fa, dir.c_str());
  std::vector<std::string> env = {display.empty() ? "QT_QPA_PLATFORM=offscreen" : "QT_QPA_PLATFORM=xcb", "HOME=" + dir,
                                  "XDG_CONFIG_HOME=" + dir + "/config"};
  if (!display.empty()) env.push_back("DISPLAY=" + display);
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string s = *e;
    if (!s.starts_with("QT_QPA_PLATFORM=") && !s.starts_with("HOME=") && !s.starts_with("XDG_CONFIG_HOME=") &&
        !s.starts_with("DISPLAY="))
      env.push_back(s);
  }
  std::vector<char*> envp;
  for (std::string& s : env) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::string program = HRX900_PROGRAM;
  std::string a1 = "--device", a3 = "--dump-state";
  std::string a2 = link, a4 = dump;
  char* argv[] = {program.data(), a1.data(), a2.data(), a3.data(), a4.data(), nullptr};
  pid_t pid = -1;
  const int rc = ::posix_spawn(&pid, program.c_str(), &fa, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&fa);
  ::close(fds[0]);
  if (rc != 0) {
    ::close(fds[1]);
    return {};
  }
  return {pid, fds[1]};
}

inline bool alive(pid_t pid) { return ::waitpid(pid, nullptr, WNOHANG) == 0; }

// The end of its input ends the program (it writes its state dump first);
// false when it had to be killed after 15 s.
inline bool endProgram(const Program& prog) {
  ::close(prog.input);
  for (int i = 0; i < 1500; ++i) {
    if (!alive(prog.pid)) return true;
    std::this_thread::sleep_for(10ms);
  }
  ::kill(prog.pid, SIGKILL);
  ::waitpid(prog.pid, nullptr, 0);
  return false;
}

inline long residentKb(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(in, line);)
    if (line.starts_with("VmRSS:")) return std::atol(line.c_str() + 6);
  return -1;
}

inline int openDescriptors(pid_t pid) {
  std::error_code ec;
  int n = 0;
  for (auto it = fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec); !ec && it != fs::directory_iterator();
       it.increment(ec))
    ++n;
  return n;
}

inline bool sent(const sim::SimRadio& radio, const std::string& command) {
  const std::vector<std::string> log = radio.commandLog();
  return std::find(log.begin(), log.end(), command) != log.end();
}

// Quiet means the link was switched on (AI1; went out) and since then only
// the keep-alive's PS; and AI; went out for two seconds, at least one PS;
// among them (a link that is off is silent, not quiet). False when that did
// not happen within `limit`.
inline bool waitForQuiet(const sim::SimRadio& radio, std::chrono::seconds limit) {
  std::size_t seen = radio.commandLog().size();
  int quietPolls = 0;
  bool keptAlive = false;
  for (const auto end = Clock::now() + limit; Clock::now() < end;) {
    std::this_thread::sleep_for(500ms);
    const std::vector<std::string> log = radio.commandLog();
    bool onlyKeepAlive = log.size() >= seen;
    for (std::size_t k = seen; onlyKeepAlive && k < log.size(); ++k) {
      onlyKeepAlive = log[k] == "PS;" || log[k] == "AI;";
      keptAlive = keptAlive || log[k] == "PS;";
    }
    seen = log.size();
    quietPolls = onlyKeepAlive ? quietPolls + 1 : 0;
    if (!onlyKeepAlive) keptAlive = false;
    if (quietPolls >= 4 && keptAlive && sent(radio, "AI1;")) return true;
  }
  return false;
}

}  // namespace hrx::bench
