// The radio behind a real pseudo-terminal, driven through the slave side as
// the program drives its serial port; and the hrx900-sim program itself.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "PtyPort.h"
#include "SimPty.h"

extern char** environ;

namespace hrx::sim {
namespace {

namespace fs = std::filesystem;

TEST(SimPty, AnswersSplitRepliesChangesAndDrop) {
  SimRadio radio;
  SimPty pty{radio};
  std::string error;
  ASSERT_TRUE(pty.open(&error)) << error;
  radio.setFaults({.chunkSize = 3});
  pty.setChunkGap(std::chrono::milliseconds(5));
  ASSERT_TRUE(pty.start());
  Port port(pty.slavePath());
  ASSERT_TRUE(port.ok());
  for (const char* piece : {"F", "A;I", "D;AI1;EX005;"}) ASSERT_TRUE(port.write(piece));
  EXPECT_EQ(port.read(40), "FA14250000;ID0460;AI1;EX005MARVO       ;") << "split replies arrive whole";
  EXPECT_EQ(port.read(1, 100ms), "") << "nothing more than the answers";
  ASSERT_TRUE(radio.applyLocal("FA07000000;"));
  EXPECT_EQ(port.read(11), "FA07000000;") << "a change made on the radio arrives unasked";
  pty.drop();
  EXPECT_TRUE(pty.dropped());
  EXPECT_FALSE(pty.running());
  EXPECT_EQ(port.read(1, 500ms), "");
  EXPECT_TRUE(port.hungUp());
}

TEST(SimPty, LinkPointsAtTheSlaveAndGoesAwayWithIt) {
  const fs::path dir = fs::temp_directory_path() / ("hrx900-sim-test-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const fs::path link = dir / "radio", plain = dir / "plain";
  std::ofstream(plain.string()) << "";
  {
    SimRadio radio;
    SimPty pty{radio};
    ASSERT_TRUE(pty.open());
    std::string error;
    ASSERT_TRUE(pty.link(link.string(), &error)) << error;
    EXPECT_EQ(fs::read_symlink(link).string(), pty.slavePath());
    EXPECT_FALSE(pty.link(plain.string(), &error)) << "a plain file is never replaced";
    EXPECT_TRUE(fs::is_regular_file(plain));
    ASSERT_TRUE(pty.start());
    Port port(link.string());
    ASSERT_TRUE(port.write("FB;"));
    EXPECT_EQ(port.read(11), "FB07050000;");
  }
  EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
  fs::remove_all(dir);
}

// The program, built beside the tests (<build>/sim/hrx900-sim), as a child
// with pipes for its standard input and output.
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
    closeInput();
    ::close(stdout_);
    if (pid_ > 0 && !reaped_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  pid_t pid() const { return pid_; }
  // The next line of standard output, without its line feed.
  std::string line() {
    std::string line;
    char c = 0;
    pollfd p{stdout_, POLLIN, 0};
    while (::poll(&p, 1, 5000) > 0 && ::read(stdout_, &c, 1) == 1 && c != '\n') line.push_back(c);
    return line;
  }
  // The next printed line as a port; it must be a pseudo-terminal.
  std::unique_ptr<Port> port() {
    const std::string path = line();
    EXPECT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
    return std::make_unique<Port>(path);
  }
  bool say(const std::string& text) { return ::write(stdin_, text.data(), text.size()) == static_cast<ssize_t>(text.size()); }
  void closeInput() {
    if (stdin_ >= 0) ::close(stdin_);
    stdin_ = -1;
  }
  // The exit status, or -1 when the process did not end within the time.
  int wait(std::chrono::milliseconds timeout = 5000ms) {
    for (const auto end = std::chrono::steady_clock::now() + timeout; std::chrono::steady_clock::now() < end; ::usleep(10000)) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        reaped_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
    }
    return -1;
  }

 private:
  pid_t pid_ = -1;
  int stdin_ = -1, stdout_ = -1;
  bool reaped_ = false;
};

class SimProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    std::error_code ec;
    path = fs::read_symlink("/proc/self/exe", ec).parent_path().parent_path() / "sim" / "hrx900-sim";
    if (!fs::exists(path)) GTEST_SKIP() << "hrx900-sim not built beside the tests: " << path;
  }
  fs::path path;
};

// It prints its slave, answers on it, takes local changes on standard input;
// the radio vanishes and comes back on a new line with its state kept; with
// the console gone a vanished radio cannot return, so the program ends.
TEST_F(SimProgram, AnswersTakesLocalChangesDropsAndComesBack) {
  Process sim({path.string()});
  ASSERT_GT(sim.pid(), 0);
  ASSERT_TRUE(sim.say("back\n"));  // refused: the radio is there
  auto port = sim.port();
  ASSERT_TRUE(port->ok());
  ASSERT_TRUE(port->write("FA;AI1;"));
  EXPECT_EQ(port->read(15), "FA14250000;AI1;");
  ASSERT_TRUE(sim.say("FA07000000;\n"));
  EXPECT_EQ(port->read(11), "FA07000000;");
  ASSERT_TRUE(sim.say("drop\n"));
  EXPECT_EQ(port->read(1, 2000ms), "");
  EXPECT_TRUE(port->hungUp());
  EXPECT_EQ(sim.wait(600ms), -1) << "a dropped radio waits for \"back\" while the console is open";
  ASSERT_TRUE(sim.say("back\n"));
  auto back = sim.port();
  ASSERT_TRUE(back->write("FA;"));
  EXPECT_EQ(back->read(11), "FA07000000;");
  ASSERT_TRUE(sim.say("drop\n"));
  EXPECT_EQ(back->read(1, 2000ms), "");
  sim.closeInput();
  EXPECT_EQ(sim.wait(), 0);
  Process quits({path.string()});
  ASSERT_TRUE(quits.port()->ok());
  ASSERT_TRUE(quits.say("quit\n"));
  EXPECT_EQ(quits.wait(), 0);
}

TEST_F(SimProgram, LinkFaultAndBadOptions) {
  const fs::path link = fs::temp_directory_path() / ("hrx900-sim-link-" + std::to_string(::getpid()));
  Process sim({path.string(), "--link", link.string(), "--chunk", "2", "--stray", "2"});
  const std::string slave = sim.line();
  EXPECT_EQ(fs::read_symlink(link).string(), slave);
  Port port(link.string());
  ASSERT_TRUE(port.write("ID;ID;"));
  EXPECT_EQ(port.read(15), "ID0460;\x7fID0460;");
  ::kill(sim.pid(), SIGTERM);
  EXPECT_EQ(sim.wait(), 0);
  EXPECT_FALSE(fs::exists(fs::symlink_status(link))) << "the link goes with the program";
  const std::vector<std::string> bads[] = {{"--bogus"}, {"--chunk", "x"}, {"--link"}, {"--drop-after", "-1"}};
  for (const std::vector<std::string>& bad : bads) {
    std::vector<std::string> argv = {path.string()};
    argv.insert(argv.end(), bad.begin(), bad.end());
    Process p(argv);
    EXPECT_EQ(p.wait(), 2) << bad[0];
  }
}

}  // namespace
}  // namespace hrx::sim
