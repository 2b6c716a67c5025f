// The hrx900-sim program itself: started as a process, it prints its slave
// path, answers on it, takes local changes on standard input and ends on
// "quit" or a signal.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "PtyPort.h"

extern char** environ;

namespace hrx::sim {
namespace {

// The program is built beside the tests: <build>/sim/hrx900-sim.
std::filesystem::path programPath() {
  std::error_code ec;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  return self.parent_path().parent_path() / "sim" / "hrx900-sim";
}

class Process {
 public:
  explicit Process(std::vector<std::string> args) {
    int in[2], out[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0) return;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&fa, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&fa, in[1]);
    posix_spawn_file_actions_addclose(&fa, out[0]);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], &fa, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&fa);
    ::close(in[0]);
    ::close(out[1]);
    stdin_ = in[1];
    stdout_ = out[0];
  }
  ~Process() {
    if (stdin_ >= 0) ::close(stdin_);
    if (stdout_ >= 0) ::close(stdout_);
    if (pid_ > 0 && !reaped_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }

  // The first line of standard output, without its line feed.
  std::string firstLine() {
    std::string line;
    char c = 0;
    pollfd p{stdout_, POLLIN, 0};
    while (::poll(&p, 1, 5000) > 0 && ::read(stdout_, &c, 1) == 1 && c != '\n') line.push_back(c);
    return line;
  }
  bool say(const std::string& text) { return ::write(stdin_, text.data(), text.size()) == static_cast<ssize_t>(text.size()); }
  void closeInput() {
    ::close(stdin_);
    stdin_ = -1;
  }

  // The exit status, or -1 when the process did not end within the time.
  int wait(std::chrono::milliseconds timeout = 5000ms) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    int status = 0;
    while (std::chrono::steady_clock::now() < end) {
      const pid_t r = ::waitpid(pid_, &status, WNOHANG);
      if (r == pid_) {
        reaped_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      ::usleep(10000);
    }
    return -1;
  }

 private:
  pid_t pid_ = -1;
  int stdin_ = -1;
  int stdout_ = -1;
  bool reaped_ = false;
};

class SimProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = programPath();
    if (!std::filesystem::exists(path_)) GTEST_SKIP() << "hrx900-sim not built beside the tests: " << path_;
  }
  std::filesystem::path path_;
};

TEST_F(SimProgram, PrintsTheSlaveAndAnswersOnIt) {
  Process sim({path_.string()});
  ASSERT_TRUE(sim.started());
  const std::string slave = sim.firstLine();
  ASSERT_EQ(slave.rfind("/dev/pts/", 0), 0u) << slave;
  Port port(slave);
  ASSERT_TRUE(port.ok());
  ASSERT_TRUE(port.write("FA;AI1;"));
  EXPECT_EQ(port.read(15), "FA14250000;AI1;");
  // A change made on the radio's own panel arrives unasked.
  ASSERT_TRUE(sim.say("FA07000000;\n"));
  EXPECT_EQ(port.read(11), "FA07000000;");
  ASSERT_TRUE(sim.say("quit\n"));
  EXPECT_EQ(sim.wait(), 0);
}

TEST_F(SimProgram, LinkAndFaultOptions) {
  const std::filesystem::path link =
      std::filesystem::temp_directory_path() / ("hrx900-sim-link-" + std::to_string(::getpid()));
  Process sim({path_.string(), "--link", link.string(), "--chunk", "2", "--stray", "2"});
  ASSERT_TRUE(sim.started());
  const std::string slave = sim.firstLine();
  ASSERT_FALSE(slave.empty());
  EXPECT_EQ(std::filesystem::read_symlink(link).string(), slave);
  Port port(link.string());
  ASSERT_TRUE(port.write("ID;ID;"));
  EXPECT_EQ(port.read(15), "ID0460;\x7fID0460;");
  ::kill(sim.pid(), SIGTERM);
  EXPECT_EQ(sim.wait(), 0);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link))) << "the link goes with the program";
}

TEST_F(SimProgram, RefusesUnknownOptions) {
  const char* const bad[][2] = {{"--bogus", nullptr}, {"--chunk", "x"}, {"--link", nullptr}, {"--drop-after", "-1"}};
  for (const auto& args : bad) {
    std::vector<std::string> argv = {path_.string(), args[0]};
    if (args[1] != nullptr) argv.emplace_back(args[1]);
    Process sim(argv);
    ASSERT_TRUE(sim.started());
    EXPECT_EQ(sim.wait(), 2) << args[0];
  }
}

// The radio vanishes and comes back on a new line with its state kept; with
// the console gone a vanished radio cannot return, so the program ends.
TEST_F(SimProgram, DropAndBackOnStandardInput) {
  Process sim({path_.string()});
  ASSERT_TRUE(sim.started());
  ASSERT_TRUE(sim.say("back\n"));  // refused: the radio is there
  Port port(sim.firstLine());
  ASSERT_TRUE(port.ok());
  ASSERT_TRUE(port.write("FA07000000;FA;"));
  ASSERT_EQ(port.read(11), "FA07000000;");
  ASSERT_TRUE(sim.say("drop\n"));
  EXPECT_EQ(port.read(1, 2000ms), "");
  EXPECT_TRUE(port.hungUp());
  EXPECT_EQ(sim.wait(600ms), -1) << "a dropped radio waits for \"back\" while the console is open";

  ASSERT_TRUE(sim.say("back\n"));
  const std::string again = sim.firstLine();
  ASSERT_EQ(again.rfind("/dev/pts/", 0), 0u) << again;
  Port back(again);
  ASSERT_TRUE(back.ok());
  ASSERT_TRUE(back.write("FA;"));
  EXPECT_EQ(back.read(11), "FA07000000;");

  ASSERT_TRUE(sim.say("drop\n"));
  EXPECT_EQ(back.read(1, 2000ms), "");
  sim.closeInput();
  EXPECT_EQ(sim.wait(), 0);
}

}  // namespace
}  // namespace hrx::sim
