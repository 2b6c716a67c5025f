// The real network client of the rig-control protocol (rigctl, model 2)
// against the program with the simulated radio behind it over a
// pseudo-terminal: each command's answer and the exact CAT commands the
// radio received.
#include <gtest/gtest.h>

#include <algorithm>
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

// Runs the real client once; its standard output.
std::string rigctl(int port, const std::string& args) {
  const std::string cmd = "rigctl -m 2 -r 127.0.0.1:" + std::to_string(port) + " " + args + " 2>/dev/null";
  std::string out;
  FILE* p = ::popen(cmd.c_str(), "r");
  if (p == nullptr) return "(no client)";
  char buf[4096];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
  ::pclose(p);
  return out;
}

// Each row: the radio's state set at the radio itself first (nullptr
// ends), the client's command line, its output and the CAT commands the
// radio then received. The client opens every session by reading both VFOs
// (V VFOB, f, V VFOA): "FR4;" and "FR0;" lead every row.
struct ClientRow {
  const char* local[3];
  const char* args;
  const char* output;
  std::vector<std::string> cat;
};

// The program's start and read-out take seconds: one test does it all with
// one connected program, the lost link last.
TEST(ShareEndToEnd, RealClientAndTransmitterSafety) {
  sim::SimRadio radio;
  sim::SimPty pty{radio};
  test::TempDir dir;
  std::string error;
  ASSERT_TRUE(pty.open(&error) && pty.start()) << error;
  test::Program program(pty.slavePath(), dir.path());
  ASSERT_TRUE(program.ok);
  Station& s = program.station;
  ASSERT_TRUE(waitFor([&] { return s.state.get_CommEnabled() != 0 && s.port.IsOpen(); }, 5s));
  ASSERT_TRUE(s.request(1));  // the COM lamp
  ASSERT_TRUE(waitFor([&] { return program.readOutsDone.load() > 0; }, 60s)) << "the read-out never ended";
  share::ShareConfig config;
  config.port = 0;  // any free port
  ASSERT_TRUE(s.startShare(config, &error)) << error;
  const int port = s.shareServer().boundPort();
  // What the radio was asked since the log was last cleared, without the
  // program's own keep-alive.
  auto commands = [&](bool clear) {
    std::vector<std::string> out;
    for (const std::string& c : radio.commandLog())
      if (c != "PS;" && c != "AI;") out.push_back(c);
    if (clear) radio.clearCommandLog();
    return out;
  };

  const bool haveClient = std::system("command -v rigctl >/dev/null 2>&1") == 0;
  const ClientRow rows[] = {
      {{"FA07074000"}, "f", "7074000\n", {"FR4;", "FR0;"}},
      {{"FA07074000"}, "F 14074000", "", {"FR4;", "FR0;", "FA14074000;"}},
      {{"MD01", "SH010"}, "M USB 2400", "", {"FR4;", "FR0;", "MD02;", "SH014;"}},
      {{"MD02"}, "M PKTUSB -1", "", {"FR4;", "FR0;", "MD0C;"}},
      {{"FR0"}, "V VFOB", "", {"FR4;", "FR0;", "FR4;"}},
      // The client goes right after: its transmitter is released.
      {{"FR0", "TX0"}, "T 1", "", {"FR4;", "FR0;", "TX1;", "TX0;"}},
      {{"SM1000"}, "l STRENGTH", "-54\n", {"FR4;", "FR0;"}},
  };
  for (const ClientRow& row : rows) {
    if (!haveClient) break;
    SCOPED_TRACE(row.args);
    for (const char* local : row.local) {
      if (local != nullptr) {
        ASSERT_TRUE(radio.applyLocal(local)) << local;
      }
    }
    // The radio's own reports of those changes reach the store.
    ASSERT_TRUE(waitFor(
        [&] {
          using sim::Cell;
          return s.state.get_FR_Stat() == radio.cell(Cell::Fr) && s.state.get_VfoA_Freq() == radio.cell(Cell::VfoA) &&
                 s.state.get_MD_Main() == radio.cell(Cell::ModeMain) && s.state.get_SH_Main() == radio.cell(Cell::ShMain) &&
                 s.state.get_TxStat() == radio.cell(Cell::Tx) && s.state.get_SM_Meter1() == radio.cell(Cell::Sm1);
        },
        3s));
    radio.clearCommandLog();
    EXPECT_EQ(rigctl(port, row.args), row.output);
    // Releasing a transmitter on the way out may come just after the client ends.
    waitFor([&] { return commands(false).size() >= row.cat.size(); }, 2s);
    EXPECT_EQ(commands(true), row.cat);
  }

  // The radio falling silent: a keyed transmitter is released, and nobody
  // may key it while the link is down.
  test::LineClient c(port);
  std::string a;
  ASSERT_TRUE(c.ask("T 1", 1, &a));
  EXPECT_EQ(a, "RPRT 0\n");
  pty.stop();  // the radio answers nothing from now on
  ASSERT_TRUE(waitFor([&] { return s.state.get_AI_Stat() == 0; }, 10s)) << "the watchdog never fired";
  ASSERT_TRUE(c.ask("+T 1", 2, &a));
  EXPECT_EQ(a, "set_ptt: 1\nRPRT -9\n");
  // The release went out while the radio was away; it hears it on return.
  ASSERT_TRUE(pty.start());
  EXPECT_TRUE(waitFor([&] { return radio.cell(sim::Cell::Tx) == 0; }, 3s));
  const std::vector<std::string> heard = commands(true);
  EXPECT_NE(std::find(heard.begin(), heard.end(), "TX0;"), heard.end());
  EXPECT_EQ(std::count(heard.begin(), heard.end(), "TX1;"), 1);
  if (!haveClient) GTEST_SKIP() << "rigctl is not installed (tools/deps.sh): the real client's rows did not run";
}

}  // namespace
}  // namespace hrx
