// The whole core against the simulated radio over a real pseudo-terminal:
// the connection switch, the radio's ID, the state and menu read-outs, then
// the program's picture of the radio compared with the radio's own.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "app/Station.h"
#include "composer/CommandTables.h"
#include "menulist/MenuCatalogue.h"
#include "platform/HeadlessMainWindow.h"
#include "SimPty.h"
#include "SimRadio.h"
#include "support/RecordingMainWindow.h"
#include "support/RecordingPostTarget.h"
#include "support/StationRig.h"

namespace hrx {
namespace {

using namespace std::chrono_literals;

using test::Program;
using test::TempDir;
using test::waitFor;

// What the radio's own answers to the read-out decode to: the same queries
// put to the simulator directly, through an analyser of their own.
void decodeRadioAnswers(const sim::SimRadio& radio, RadioState& out) {
  PanelMirror mirror;
  test::RecordingMainWindow window;
  test::RecordingPostTarget composer;
  ReplyAnalyser analyser(out, mirror, window, composer);
  auto ask = [&](const std::string& query) {
    const std::string replies = radio.peek(query);
    std::size_t start = 0;
    for (std::size_t i = 0; i < replies.size(); ++i) {
      if (replies[i] != ';') continue;
      analyser.dispatch(replies.data() + start, i - start);
      start = i + 1;
    }
  };
  for (int i = 0; i < kReadCommandCount; ++i) {
    const ReadCommandRow& row = kReadCommandTable[i];
    const std::string code(row.code, 2);
    if (code == "DS" || code == "DP" || code == "CW" || code == "KC") continue;   // the read-out skips them
    switch (row.kind) {
      case ReadKind::Plain: ask(code + ";"); break;
      case ReadKind::Side: ask(code + "0;"); break;
      case ReadKind::Own:
        if (code == "ID") ask("ID;");
        break;
    }
  }
  for (const char* q : {"PR0;", "PR1;", "BP00;", "BP01;", "CO00;", "CO01;", "CO02;", "RM0;", "KM1;", "KM2;", "KM3;",
                        "KM4;", "KM5;", "RI0;", "RI1;", "RI3;", "RI4;", "RI5;", "RI6;", "RI7;", "RI8;", "BG1;",
                        "CA0;"}) {
    ask(q);
  }
  for (char set : {'0', '2'}) {
    for (char band : {'0', '1', '2'}) {
      for (char param : {'0', '1', '2'}) ask(std::string("PE") + set + band + param + ";");
    }
  }
  for (int n = 1; n <= out.get_MenuItem_Count(); ++n) {
    char q[16];
    std::snprintf(q, sizeof q, "EX%03d;", n);
    ask(q);
  }
}

// The simulated radio on a pseudo-terminal and the program connected to it.
class StationEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(pty.open(&error)) << error;
    ASSERT_TRUE(pty.start());
  }
  // Starts the program, waits for the link, presses the COM lamp and waits
  // for the read-out to end.
  void connect() {
    program = std::make_unique<Program>(pty.slavePath(), dir.path());
    ASSERT_TRUE(program->ok);
    Station& s = program->station;
    ASSERT_TRUE(waitFor([&] { return s.state.get_CommEnabled() != 0 && s.port.IsOpen(); }, 5s));
    ASSERT_TRUE(s.request(1));   // the COM lamp
    ASSERT_TRUE(waitFor([&] { return program->readOutsDone.load() > 0; }, 60s)) << "the read-out never ended";
  }
  Station& station() { return program->station; }

  sim::SimRadio radio;
  sim::SimPty pty{radio};
  TempDir dir;
  std::unique_ptr<Program> program;
};

TEST_F(StationEndToEnd, ConnectionSwitchReadsTheWholeRadio) {
  // The operator has been at the radio: not the power-up state.
  for (const char* local : {"FA14250000", "FB07100000", "MD02", "SH020", "AG0123", "KS030", "PC050", "IS0-0100"}) {
    ASSERT_TRUE(radio.applyLocal(local)) << local;
  }
  connect();
  Station& s = station();
  EXPECT_EQ(program->readOutsDone.load(), 1);
  EXPECT_EQ(s.state.get_AI_Stat(), 1);
  EXPECT_EQ(s.mirror.get_AI_Stat(), 1);
  EXPECT_EQ(s.flags.busy.load(), 0);

  // Let the last replies in, then compare with the radio's own answers.
  std::this_thread::sleep_for(300ms);
  RadioState radioSide;
  ASSERT_TRUE(loadBuiltInCatalogue(radioSide));
  decodeRadioAnswers(radio, radioSide);
  EXPECT_EQ(s.state.get_VfoA_Freq(), 14250000);
  EXPECT_EQ(s.state.get_VfoB_Freq(), 7100000);
  EXPECT_EQ(s.state.get_IS_Main(), -100);
  for (int i = 0; i < kIntFieldCount; ++i) {
    const auto f = static_cast<IntField>(i);
    EXPECT_EQ(s.state.get(f), radioSide.get(f)) << kIntFieldRows[i].name;
  }
  for (int i = 0; i < kTextFieldCount; ++i) {
    EXPECT_EQ(s.state.text(static_cast<TextField>(i)), radioSide.text(static_cast<TextField>(i))) << kTextFieldNames[i];
  }
  for (int n = 1; n <= 196; ++n) {
    MenuListItem mine, theirs;
    ASSERT_TRUE(s.state.get_MenuItem(n, &mine));
    ASSERT_TRUE(radioSide.get_MenuItem(n, &theirs));
    EXPECT_EQ(mine.value, theirs.value) << "menu item " << n;
    EXPECT_STREQ(mine.text, theirs.text) << "menu item " << n;
  }
}

// A typed frequency reaches the radio, and the radio's own report of the
// change comes back into the store.
TEST_F(StationEndToEnd, TuningFollowsTheRadio) {
  connect();
  Station& s = station();
  const std::int32_t before = s.state.get_VfoA_Freq();
  ASSERT_TRUE(s.request(82, false, 21074000));
  EXPECT_TRUE(waitFor([&] { return s.state.get_VfoA_Freq() == 21074000; }, 3s)) << "still " << before;
  EXPECT_EQ(radio.peek("FA;"), "FA21074000;");
}

// The radio going silent: after 3 s with a command outstanding the
// watchdog turns the link off.
TEST_F(StationEndToEnd, SilentRadioIsNoticedByTheWatchdog) {
  connect();
  Station& s = station();
  ASSERT_EQ(s.state.get_AI_Stat(), 1);
  pty.stop();   // the radio answers nothing from now on
  EXPECT_TRUE(waitFor([&] { return s.state.get_AI_Stat() == 0; }, 10s)) << "the watchdog never fired";
  EXPECT_EQ(s.mirror.get_AI_Stat(), 0);
}

}  // namespace
}  // namespace hrx
