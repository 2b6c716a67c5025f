// The hrx900-sim program itself, as the recording tool and an operator use
// it: its printed slave, its console, --link and its refusals.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Reads until `count` bytes came, the line hung up or 2 s passed.
std::string readSome(int fd, std::size_t count, bool* hungUp = nullptr) {
  std::string got;
  char c = 0;
  pollfd p{fd, POLLIN, 0};
  while (got.size() < count && ::poll(&p, 1, 2000) > 0) {
    if ((p.revents & POLLIN) == 0 || ::read(fd, &c, 1) != 1) {
      if (hungUp != nullptr) *hungUp = true;
      break;
    }
    got.push_back(c);
  }
  return got;
}

// A raw client of the slave, opened as the program opens its port.
struct Client {
  explicit Client(const std::string& path) : fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)) {
    termios tio{};
    if (fd >= 0 && ::tcgetattr(fd, &tio) == 0) {
      ::cfmakeraw(&tio);
      ::tcsetattr(fd, TCSANOW, &tio);
    }
  }
  ~Client() { ::close(fd); }
  std::string ask(const std::string& s, std::size_t count, bool* hungUp = nullptr) {
    if (!s.empty() && ::write(fd, s.data(), s.size()) != static_cast<ssize_t>(s.size())) return "<write failed>";
    return readSome(fd, count, hungUp);
  }
  int fd;
};

struct Sim {
  explicit Sim(std::vector<std::string> args) {
    std::error_code ec;
    args.insert(args.begin(), (fs::read_symlink("/proc/self/exe", ec).parent_path().parent_path() / "sim" / "hrx900-sim").string());
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&fa, out[1], STDOUT_FILENO);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (::posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&fa);
    ::close(in[0]);
    ::close(out[1]);
    console = in[1];
    output = out[0];
  }
  ~Sim() {
    ::close(console);
    ::close(output);
    if (pid > 0 && exitCode(0ms) < 0) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
  }
  std::string line() {
    std::string s;
    for (std::string c; (c = readSome(output, 1)) != "" && c != "\n";) s += c;
    return s;
  }
  bool say(const std::string& s) { return ::write(console, s.data(), s.size()) == static_cast<ssize_t>(s.size()); }
  // The exit status, -1 while it runs after `within`.
  int exitCode(std::chrono::milliseconds within = 5000ms) {
    for (auto end = std::chrono::steady_clock::now() + within;; ::usleep(10000)) {
      int status = 0;
      if (::waitpid(pid, &status, WNOHANG) == pid) {
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
      }
      if (std::chrono::steady_clock::now() >= end) return -1;
    }
  }
  pid_t pid = -1;
  int console = -1, output = -1;
};

TEST(SimProgram, ConsoleDropBackLinkAndRefusals) {
  const fs::path link = fs::temp_directory_path() / ("hrx900-sim-link-" + std::to_string(::getpid()));
  Sim sim({"--link", link.string()});
  ASSERT_GT(sim.pid, 0);
  const std::string slave = sim.line();
  ASSERT_EQ(slave.rfind("/dev/pts/", 0), 0u) << slave;
  EXPECT_EQ(fs::read_symlink(link).string(), slave);
  {
    Client radio(link.string());
    EXPECT_EQ(radio.ask("FA;AI1;", 15), "FA14250000;AI1;");
    ASSERT_TRUE(sim.say("FA07000000;\n"));
    EXPECT_EQ(radio.ask("", 11), "FA07000000;") << "a change at the radio is reported";
    bool hungUp = false;
    ASSERT_TRUE(sim.say("drop\n"));
    EXPECT_EQ(radio.ask("", 1, &hungUp), "");
    EXPECT_TRUE(hungUp);
    EXPECT_EQ(sim.exitCode(500ms), -1) << "a dropped radio waits for \"back\"";
  }
  ASSERT_TRUE(sim.say("back\n"));
  EXPECT_NE(sim.line().find("/dev/pts/"), std::string::npos);
  Client back(link.string());
  EXPECT_EQ(back.ask("FA;", 11), "FA07000000;") << "the radio's state outlives a vanish";
  ASSERT_TRUE(sim.say("quit\n"));
  EXPECT_EQ(sim.exitCode(), 0);
  EXPECT_FALSE(fs::exists(fs::symlink_status(link))) << "the link goes with the program";

  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{"--bogus"}, {"--chunk", "x"}, {"--link"}, {"--drop-after", "-1"}}) {
    Sim refused(bad);
    EXPECT_EQ(refused.exitCode(), 2) << bad[0];
  }
}

}  // namespace
