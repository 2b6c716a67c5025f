// What the send thread holds while the line is busy: merging by the table,
// then the whole core against the simulated radio on a line paced at
// 4800 baud, where bursts really are held.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "SimPty.h"
#include "SimRadio.h"
#include "serial/SendQueue.h"
#include "support/StationRig.h"

namespace hrx {
namespace {

using namespace std::chrono_literals;
using Commands = std::vector<std::string>;

TEST(SendQueue, MergesOnlyWhatTheNewestMakesRedundant) {
  const struct {
    const char* label;
    Commands pushed, held;
  } rows[] = {
      {"the newest frequency waits", {"FA14250000;", "FA14251000;", "FA14252000;"}, {"FA14252000;"}},
      {"each VFO its own", {"FA14250000;", "FB07000000;", "FA14252000;"}, {"FA14252000;", "FB07000000;"}},
      {"each side its own level", {"AG0100;", "AG1050;", "AG0120;"}, {"AG0120;", "AG1050;"}},
      {"paired levels", {"VD0100;", "SD0100;", "VD0200;", "SD0200;"}, {"VD0200;", "SD0200;"}},
      {"steps add up", {"ED001;", "ED001;", "ED001;"}, {"ED003;"}},
      {"up and down", {"EU205;", "ED203;"}, {"EU202;"}},
      {"steps that cancel", {"EU401;", "ED401;"}, {}},
      {"at most 99 a command", {"ED090;", "ED015;"}, {"ED099;", "ED006;"}},
      {"each dial its own", {"ED001;", "ED101;", "ED001;"}, {"ED002;", "ED101;"}},
      {"reads do not part them", {"FA14250000;", "RM3;", "FA;", "FA14252000;"}, {"FA14252000;", "RM3;", "FA;"}},
      {"a setting parts steps", {"ED001;", "FA14250000;", "ED001;"}, {"ED001;", "FA14250000;", "ED001;"}},
      {"steps part settings", {"FA14250000;", "ED001;", "FA14252000;"}, {"FA14250000;", "ED001;", "FA14252000;"}},
      {"a switch parts settings", {"FA14250000;", "AB;", "FA14252000;"}, {"FA14250000;", "AB;", "FA14252000;"}},
      {"switches are never merged", {"MD01;", "MD02;", "MD01;"}, {"MD01;", "MD02;", "MD01;"}},
      {"the link goes ahead, keying waits for the settings",
       {"FA14250000;", "FB07000000;", "TX1;", "AI;", "PS;", "FA14252000;"},
       {"AI;", "PS;", "FA14250000;", "FB07000000;", "TX1;", "FA14252000;"}},
      {"keying passes reads only", {"MD02;", "FA;", "RM3;", "TX1;"}, {"MD02;", "TX1;", "FA;", "RM3;"}},
      {"every keying form waits", {"PC010;", "TX2;", "EX0381;", "TX1;"}, {"PC010;", "TX2;", "EX0381;", "TX1;"}},
      {"the release goes ahead and takes back keying held",
       {"FA14250000;", "TX1;", "MD03;", "TX0;", "TX1;"},
       {"TX0;", "FA14250000;", "MD03;", "TX1;"}},
      {"nothing merges into what goes ahead, no release is merged away",
       {"AI1;", "AI0;", "TX0;", "TX0;"},
       {"AI1;", "AI0;", "TX0;", "TX0;"}},
      {"a read of the transmitter waits its turn, as does a record after a release",
       {"MD01;", "TX;", "TX0;FA14250000;"},
       {"MD01;", "TX;", "TX0;FA14250000;"}},
      {"the MOX key waits for the settings and its release goes ahead, taking back only its own kind",
       {"FA14250000;", "MX1;", "TX1;", "MD03;", "MX0;", "MX1;"},
       {"MX0;", "FA14250000;", "TX1;", "MD03;", "MX1;"}},
      {"power switching keeps its turn", {"FA14250000;", "EX0381;", "PS0;", "PS1;"}, {"FA14250000;", "EX0381;", "PS0;", "PS1;"}},
  };
  for (const auto& row : rows) {
    SendQueue q;
    for (const std::string& c : row.pushed) q.push(c);
    EXPECT_EQ(Commands(q.commands().begin(), q.commands().end()), row.held) << row.label;
  }
}

// Each command the radio heard, in order.
Commands heard(const sim::SimRadio& radio, std::string_view start) {
  Commands out;
  for (const std::string& c : radio.commandLog())
    if (c.starts_with(start)) out.push_back(c);
  return out;
}

// Bursts at 4800 baud, as fast as a flicked wheel makes them: the radio ends
// at the last frequency asked for, the steps it is sent add up to the
// notches, keying waits for the commands still waiting for the line and
// the release overtakes them.
TEST(LinePaced, BurstsKeepOrderAndContent) {
  sim::SimRadio radio;
  sim::SimPty pty{radio};
  pty.setBaud(4800);
  test::TempDir dir;
  std::string error;
  ASSERT_TRUE(pty.open(&error) && pty.start()) << error;
  test::Program program(pty.slavePath(), dir.path());
  ASSERT_TRUE(program.ok);
  Station& s = program.station;
  ASSERT_TRUE(test::waitFor([&] { return s.state.get_CommEnabled() != 0 && s.port.IsOpen(); }, 5s));
  ASSERT_EQ(s.port.GetBaudRate(), 4800);

  for (int notch = 1; notch <= 100; ++notch) s.request(82, false, 7000000 + notch * 1000);
  ASSERT_TRUE(test::waitFor([&] { return radio.cell(sim::Cell::VfoA) == 7100000; }, 10s));
  Commands fa = heard(radio, "FA");
  ASSERT_FALSE(fa.empty());
  EXPECT_EQ(fa.back(), "FA07100000;");
  EXPECT_LT(fa.size(), 50u) << "settings waiting for the line are merged";

  radio.clearCommandLog();
  for (int notch = 0; notch < 100; ++notch) s.request(78, false, 1);
  ASSERT_TRUE(test::waitFor([&] { return radio.cell(sim::Cell::VfoA) != 7100000; }, 5s));
  ASSERT_TRUE(test::waitFor([&] { return std::abs(radio.cell(sim::Cell::VfoA) - 7100000) == 1000; }, 10s))
      << "100 steps of 10 Hz";
  int steps = 0;
  Commands dial = heard(radio, "E");
  for (const std::string& c : dial) {
    ASSERT_EQ(c.size(), 6u) << c;
    steps += (c[1] == 'U' ? 1 : -1) * std::atoi(c.substr(3, 2).c_str());
  }
  EXPECT_EQ(std::abs(steps), 100) << "no step lost or added";
  EXPECT_LT(dial.size(), 50u) << "steps waiting for the line are added up";

  // Keying waits behind every mode key held for the line; the release
  // overtakes them.
  radio.clearCommandLog();
  for (int i = 0; i < 20; ++i) s.request(193, false, (i + 1) % 2);  // mode keys: never merged
  s.postComposer(kMsgSendTx, 1);
  ASSERT_TRUE(test::waitFor([&] { return radio.cell(sim::Cell::Tx) == 1; }, 10s));
  Commands log = radio.commandLog();
  ASSERT_EQ(heard(radio, "MD").size(), 20u);
  std::size_t lastMode = 0, keyed = 0;
  for (std::size_t i = 0; i < log.size(); ++i) {
    if (log[i].starts_with("MD")) lastMode = i;
    if (log[i] == "TX1;") keyed = i;
  }
  EXPECT_GT(keyed, lastMode) << "keyed before the last mode key";
  EXPECT_EQ(radio.cell(sim::Cell::ModeMain), 1) << "the last mode key holds";

  radio.clearCommandLog();
  for (int i = 0; i < 20; ++i) s.request(193, false, i % 2);
  s.postComposer(kMsgSendTx, 0);
  ASSERT_TRUE(test::waitFor([&] { return heard(radio, "MD").size() == 20; }, 10s));
  log = radio.commandLog();
  std::size_t before = 0;
  while (before < log.size() && log[before] != "TX0;") ++before;
  ASSERT_LT(before, log.size()) << "the release never went out";
  EXPECT_LE(before, 3u) << "the release waited behind held commands";
  EXPECT_EQ(radio.cell(sim::Cell::Tx), 0);
}

}  // namespace
}  // namespace hrx
