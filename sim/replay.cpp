// hrx900-replay: plays the radio's side of a recorded session to the whole
// hrx900 program through a pseudo-terminal, then compares the program's
// state dump (with its panel checksum) with the golden file beside the
// recording. See sim/README.md for the format and the pairing rule, and
// ReplayMatch.h for what may differ from the recording without a fault.
//
//   hrx900-replay --program PATH [--rebuild] RECORDING.rec
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "Recording.h"
#include "ReplayMatch.h"
#include "platform/WholeFile.h"

namespace {

using Clock = std::chrono::steady_clock;
using hrx::sim::RecEvent;

// How long the program may take to send the commands the next event waits
// for, and to write its dump and exit: generous, for sanitizer builds.
constexpr auto kCommandLimit = std::chrono::seconds(20);
constexpr auto kExitLimit = std::chrono::seconds(20);

// The keep-alive's reads: how many the program sends, and when, follows its
// clock, so the radio's steps are not counted from them. 0 for PS, 1 for AI,
// -1 for any other command.
int keepKind(std::string_view c) { return c == "PS;" ? 0 : c == "AI;" ? 1 : -1; }

// Where the program stands: the other commands it has sent, and the
// keep-alive reads of each kind since the last of them, with their times.
struct Progress {
  std::vector<Clock::time_point> fixedAt{Clock::now()};  // [0] the start
  std::array<std::vector<Clock::time_point>, 2> since;   // PS;, AI;
  Clock::time_point lastAt = Clock::now();               // of any command
  std::string partial;

  void add(char c, Clock::time_point now) {
    partial.push_back(c);
    if (c != ';') return;
    if (const int k = keepKind(partial); k >= 0) {
      since[static_cast<std::size_t>(k)].push_back(now);
    } else {
      fixedAt.push_back(now);
      since[0].clear();
      since[1].clear();
    }
    lastAt = now;
    partial.clear();
  }
};

// One thing the radio does, due once the program has sent the `needFixed`
// other commands the recording has before it and, when the recording's last
// command before it was a keep-alive read, `needKeep` of that kind since;
// then `gapMs` after the later of that command and the radio's previous
// action, as in the recording. A program that has already moved past the
// keep-alive read the step answered gets it at once.
struct Step {
  const RecEvent* event;
  std::size_t needFixed;
  int keepKind;           // -1: the step follows another command
  std::size_t needKeep;
  std::int64_t gapMs;
};

std::vector<Step> schedule(const hrx::sim::Recording& r, std::string* expected) {
  std::vector<Step> steps;
  std::size_t fixed = 0;
  std::array<std::size_t, 2> since{0, 0};
  int lastKind = -1;
  std::int64_t lastCommand = 0, lastAction = 0;
  std::string partial;
  for (const RecEvent& e : r.events) {
    if (e.kind == RecEvent::Kind::ToRadio) {
      *expected += e.bytes;
      for (const char c : e.bytes) {
        partial.push_back(c);
        if (c != ';') continue;
        lastKind = keepKind(partial);
        if (lastKind >= 0) {
          ++since[static_cast<std::size_t>(lastKind)];
        } else {
          ++fixed;
          since = {0, 0};
        }
        lastCommand = e.ms;
        partial.clear();
      }
      continue;
    }
    const std::size_t keep = lastKind < 0 ? 0 : since[static_cast<std::size_t>(lastKind)];
    steps.push_back({&e, fixed, lastKind, keep, std::max<std::int64_t>(0, e.ms - std::max(lastCommand, lastAction))});
    lastAction = e.ms;
  }
  return steps;
}

// When `s` may be played by what the program has sent: the time to count
// its gap from, or nothing yet.
std::optional<Clock::time_point> anchorOf(const Step& s, const Progress& p, Clock::time_point lastAction) {
  const std::size_t sent = p.fixedAt.size() - 1;
  if (sent < s.needFixed) return std::nullopt;
  if (s.keepKind < 0) return std::max(p.fixedAt[s.needFixed], lastAction);
  if (sent > s.needFixed) return lastAction;
  const auto& keep = p.since[static_cast<std::size_t>(s.keepKind)];
  if (keep.size() < s.needKeep) return std::nullopt;
  return std::max(keep[s.needKeep - 1], lastAction);
}

class Line {
 public:
  ~Line() { close(); }
  bool open(const std::string& link) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128];
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
        ::ptsname_r(master_, name, sizeof name) != 0)
      return false;
    // Held so that the master never sees a hang-up while the program has
    // the port closed.
    hold_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    if (hold_ < 0 || ::tcgetattr(hold_, &tio) != 0) return false;
    ::cfmakeraw(&tio);
    ::tcsetattr(hold_, TCSANOW, &tio);
    ::unlink(link.c_str());
    return ::symlink(name, link.c_str()) == 0;
  }
  // The device vanishes: its node goes with the master, the link with it.
  void close(const std::string& link = {}) {
    if (!link.empty()) ::unlink(link.c_str());
    if (hold_ >= 0) ::close(hold_);
    if (master_ >= 0) ::close(master_);
    hold_ = master_ = -1;
  }
  int fd() const { return master_; }
  // Bytes given to the program that it has not read yet.
  int unread() const {
    int n = 0;
    return hold_ >= 0 && ::ioctl(hold_, FIONREAD, &n) == 0 ? n : 0;
  }

 private:
  int master_ = -1;
  int hold_ = -1;
};

bool writeAll(int fd, const std::string& bytes) {
  for (std::size_t done = 0; done < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

// Prints the golden lines that differ; true when none do. The lines that
// tell when a timer fired are shown when they differ but not held against
// the program.
bool compareDump(const std::string& golden, const std::string& got) {
  const auto g = lines(golden), d = lines(got);
  int shown = 0;
  for (std::size_t i = 0; i < std::max(g.size(), d.size()); ++i) {
    const std::string a = i < g.size() ? g[i] : "(none)", b = i < d.size() ? d[i] : "(none)";
    if (a == b) continue;
    const std::size_t eq = a.find('=');
    if (eq != std::string::npos && b.compare(0, eq + 1, a, 0, eq + 1) == 0 && hrx::sim::isTimingDumpKey(a.substr(0, eq))) {
      std::fprintf(stderr, "hrx900-replay: note: %s is %s now (timing, not compared)\n", a.substr(0, eq).c_str(),
                   b.substr(eq + 1).c_str());
      continue;
    }
    if (++shown <= 20) std::fprintf(stderr, "  golden %s\n  now    %s\n", a.c_str(), b.c_str());
  }
  if (shown > 20) std::fprintf(stderr, "  ... %d lines differ in all\n", shown);
  return shown == 0;
}

struct Child {
  pid_t pid = -1;
  int input = -1;   // the program's standard input; closed to end the session
};

Child spawn(const std::string& program, const std::string& dir, const std::string& link, const std::string& dump) {
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) return {};
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(pipeFds[0], STDIN_FILENO);
    if (::chdir(dir.c_str()) != 0) ::_exit(127);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("HOME", dir.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (dir + "/config").c_str(), 1);
    ::execl(program.c_str(), program.c_str(), "--device", link.c_str(), "--dump-state", dump.c_str(),
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(pipeFds[0]);
  if (pid < 0) {
    ::close(pipeFds[1]);
    return {};
  }
  return {pid, pipeFds[1]};
}

int fail(const char* what) {
  std::fprintf(stderr, "hrx900-replay: %s\n", what);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string program, recordingPath;
  bool rebuild = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--program" && i + 1 < argc) program = argv[++i];
    else if (a == "--rebuild") rebuild = true;
    else if (recordingPath.empty() && !a.starts_with("--")) recordingPath = a;
    else recordingPath.clear(), program.clear(), i = argc;
  }
  if (program.empty() || recordingPath.empty()) {
    std::fprintf(stderr, "usage: %s --program PATH [--rebuild] RECORDING.rec\n", argv[0]);
    return 2;
  }
  program = std::filesystem::absolute(program).string();   // the program runs in its own folder
  hrx::sim::Recording rec;
  std::string error;
  if (!hrx::sim::parseRecording(readFile(recordingPath), &rec, &error)) {
    std::fprintf(stderr, "hrx900-replay: %s: %s\n", recordingPath.c_str(), error.c_str());
    return 1;
  }
  std::string expected;
  const std::vector<Step> steps = schedule(rec, &expected);
  const std::string goldenPath = std::filesystem::path(recordingPath).replace_extension(".golden").string();

  char tpl[] = "/tmp/hrx900-replay-XXXXXX";
  if (::mkdtemp(tpl) == nullptr) return fail("no temporary folder");
  const std::string dir = tpl, link = dir + "/radio", dump = dir + "/state.txt";
  std::filesystem::create_directories(dir + "/CommoFiles");
  ::signal(SIGPIPE, SIG_IGN);

  Line line;
  if (!line.open(link)) return fail("no pseudo-terminal");
  const Child child = spawn(program, dir, link, dump);
  if (child.pid < 0) return fail("cannot start the program");

  // Plays the steps in order; the program's bytes are kept to compare.
  std::string received;
  Progress progress;
  Clock::time_point lastAction = Clock::now();
  const char* problem = nullptr;
  for (std::size_t next = 0; next < steps.size() && problem == nullptr;) {
    const Step& s = steps[next];
    int waitMs = 100;
    if (const auto anchor = anchorOf(s, progress, lastAction)) {
      const auto due = *anchor + std::chrono::milliseconds(s.gapMs);
      waitMs = static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(due - Clock::now()).count());
      if (waitMs <= 0) {
        waitMs = 0;
        const RecEvent& e = *s.event;
        if (e.kind == RecEvent::Kind::FromRadio && !writeAll(line.fd(), e.bytes)) problem = "cannot write to the program";
        if (e.kind == RecEvent::Kind::Vanish) line.close(link);
        if (e.kind == RecEvent::Kind::Return && !line.open(link)) problem = "no pseudo-terminal";
        lastAction = Clock::now();
        ++next;
      }
    } else if (Clock::now() - std::max(progress.lastAt, lastAction) > kCommandLimit) {
      std::fprintf(stderr,
                   "hrx900-replay: the program sent %zu commands besides PS and AI; the recording has %zu before its "
                   "next step\n",
                   progress.fixedAt.size() - 1, s.needFixed);
      problem = "the program stopped short of the recording";
    }
    pollfd p{line.fd(), POLLIN, 0};
    if (::poll(&p, 1, std::min(waitMs, 100)) > 0 && (p.revents & POLLIN) != 0) {
      char buf[512];
      const ssize_t n = ::read(line.fd(), buf, sizeof buf);
      for (ssize_t i = 0; i < n; ++i) {
        received.push_back(buf[i]);
        progress.add(buf[i], Clock::now());
      }
    }
    if (::waitpid(child.pid, nullptr, WNOHANG) == child.pid) problem = "the program ended during the session";
  }

  // The session is over once the program has read what it was given (on a
  // busy machine the recording's last gap may pass first); then it writes
  // its dump and exits.
  for (const auto until = Clock::now() + kExitLimit; problem == nullptr && line.unread() > 0 && Clock::now() < until;)
    ::poll(nullptr, 0, 10);
  ::close(child.input);
  int status = -1;
  const auto stopAt = Clock::now() + kExitLimit;
  while (problem == nullptr && ::waitpid(child.pid, &status, WNOHANG) == 0) {
    if (Clock::now() > stopAt) {
      ::kill(child.pid, SIGKILL);
      ::waitpid(child.pid, &status, 0);
      problem = "the program did not exit";
      break;
    }
    char buf[512];
    pollfd p{line.fd(), POLLIN, 0};
    if (::poll(&p, 1, 50) > 0 && (p.revents & POLLIN) != 0 && ::read(line.fd(), buf, sizeof buf) < 0) break;
  }
  if (problem == nullptr && !(WIFEXITED(status) && WEXITSTATUS(status) == 0)) problem = "the program failed";
  const std::string got = readFile(dump);
  std::filesystem::remove_all(dir);
  if (problem != nullptr) return fail(problem);

  bool ok = true;
  if (received.compare(0, expected.size(), expected) != 0) {
    std::size_t at = 0;
    while (at < expected.size() && at < received.size() && expected[at] == received[at]) ++at;
    const std::size_t from = at < 40 ? 0 : at - 40;
    const hrx::sim::CommandMatch m = hrx::sim::matchCommands(expected, received);
    std::fprintf(stderr, "hrx900-replay: note: the program's commands differ from the recording at byte %zu:\n"
                 "  recorded %s\n  now      %s\n", at,
                 hrx::sim::escapeBytes(expected.substr(from, 80)).c_str(),
                 hrx::sim::escapeBytes(received.substr(from, 80)).c_str());
    if (m.ok) std::fprintf(stderr, "hrx900-replay: note: only the reads sent on the program's own timers moved\n");
    else std::fprintf(stderr, "hrx900-replay: note: more than the timed reads differ: %s\n", m.why.c_str());
    if (!m.ok) ok = false;
  }
  // Nor is a golden made from such a session.
  if (!ok) return fail(rebuild ? "not rebuilt: the session went otherwise than recorded"
                               : "the program's commands went otherwise than recorded");
  if (rebuild) {
    if (const hrx::WholeFileResult r = hrx::writeWholeFile(goldenPath, got); !r) {
      std::fprintf(stderr, "hrx900-replay: %s\n", r.error.c_str());
      return 1;
    }
    std::fprintf(stderr, "hrx900-replay: wrote %s\n", goldenPath.c_str());
    return 0;
  }
  if (!compareDump(readFile(goldenPath), got)) {
    std::fprintf(stderr, "hrx900-replay: the state after %s differs from %s\n", recordingPath.c_str(), goldenPath.c_str());
    ok = false;
  }
  return ok ? 0 : 1;
}
