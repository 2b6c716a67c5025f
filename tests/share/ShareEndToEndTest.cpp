// The real network client of the rig-control protocol (rigctl, model 2)
// against the program with the simulated radio behind it over a
// pseudo-terminal: each command's answer and the exact CAT commands the
// radio received.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "SimPty.h"
#include "SimRadio.h"
#include "support/LineClient.h"
#include "support/StationRig.h"

namespace hrx {
namespace {

using namespace std::chrono_literals;
using test::waitFor;

bool haveRigctl() { return std::system("command -v rigctl >/dev/null 2>&1") == 0; }

class ShareEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(pty.open(&error)) << error;
    ASSERT_TRUE(pty.start());
    program = std::make_unique<test::Program>(pty.slavePath(), dir.path());
    ASSERT_TRUE(program->ok);
    Station& s = program->station;
    ASSERT_TRUE(waitFor([&] { return s.state.get_CommEnabled() != 0 && s.port.IsOpen(); }, 5s));
    ASSERT_TRUE(s.request(1));  // the COM lamp
    ASSERT_TRUE(waitFor([&] { return program->readOutsDone.load() > 0; }, 60s)) << "the read-out never ended";
    share::ShareConfig config;
    config.port = 0;  // any free port
    ASSERT_TRUE(s.startShare(config, &error)) << error;
    port = s.shareServer().boundPort();
    radio.clearCommandLog();
  }
  Station& station() { return program->station; }

  // What the radio was asked since the last call, without the program's
  // own keep-alive.
  std::vector<std::string> commands() {
    std::vector<std::string> out;
    for (const std::string& c : radio.commandLog()) {
      if (c != "PS;" && c != "AI;") out.push_back(c);
    }
    radio.clearCommandLog();
    return out;
  }

  // Runs the real client once; its standard output.
  std::string rigctl(const std::string& args) {
    const std::string cmd = "rigctl -m 2 -r 127.0.0.1:" + std::to_string(port) + " " + args + " 2>/dev/null";
    std::string out;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (p == nullptr) return "(no client)";
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    ::pclose(p);
    return out;
  }

  sim::SimRadio radio;
  sim::SimPty pty{radio};
  test::TempDir dir;
  std::unique_ptr<test::Program> program;
  int port = 0;
};

TEST_F(ShareEndToEnd, Explore) {
  if (!haveRigctl()) GTEST_SKIP() << "rigctl is not installed";
  for (const char* a : {"f", "F 14074000", "m", "M USB 2400", "M PKTUSB -1", "v", "V VFOB", "t", "T 1", "T 0",
                        "'\\dump_state'", "l STRENGTH"}) {
    const std::string out = rigctl(a);
    std::string log;
    for (auto& c : commands()) log += c + " ";
    std::printf("[%s] -> [%s] CAT: %s\n", a, out.c_str(), log.c_str());
  }
}

}  // namespace
}  // namespace hrx
