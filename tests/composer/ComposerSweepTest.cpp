#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "composer/CommandTables.h"
#include "composer/ComposerRig.h"
#include "menulist/MenuCatalogue.h"

namespace hrx {
namespace {

using test::ComposerRig;
using test::WindowCall;

std::vector<std::string> split(const std::string& s) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == ';') {
      out.push_back(s.substr(start, i + 1 - start));
      start = i + 1;
    }
  }
  return out;
}

// What each of the 76 read-out steps asks, in order.
std::vector<std::vector<std::string>> expectedSyncSteps() {
  std::vector<std::vector<std::string>> steps(76);
  const char* const plain = "RT XT SF MS FT FR LK FS VS KR TS AC MX VX BI CS KP KS SD MG PL VG VD IF BY FA FB RO SC TX UL "
                            "MC OI PC RS PS";
  const int plainRows[] = {1,  2,  3,  7,  9,  10, 11, 12, 13, 20, 21, 23, 25, 26, 27, 30, 33, 34,
                           35, 37, 38, 39, 40, 44, 49, 50, 51, 52, 53, 55, 56, 61, 62, 65, 66, 68};
  for (std::size_t k = 0; k < std::size(plainRows); ++k) steps[plainRows[k]] = {std::string(plain + 3 * k, 2) + ";"};
  const int sideRows[] = {5, 8, 14, 15, 16, 17, 18, 19, 22, 29, 36, 41, 42, 43, 45, 46, 47, 48, 54, 58, 59, 63, 64, 67, 72};
  for (int r : sideRows) steps[r] = {std::string(kReadCommandTable[r].code, 2) + "0;"};
  steps[4] = {"BP00;", "BP01;"};
  steps[6] = {"CO00;", "CO01;", "CO02;"};
  steps[28] = {"PR0;", "PR1;"};
  steps[32] = {"RM0;"};
  steps[60] = split("KM1;KM2;KM3;KM4;KM5;");
  steps[69] = split("RI0;RI1;RI3;RI4;RI5;RI6;RI7;RI8;");
  steps[71] = {"BG1;"};
  steps[73] = split("PE000;PE001;PE002;PE010;PE011;PE012;PE020;PE021;PE022;PE200;PE201;PE202;PE210;PE211;PE212;"
                    "PE220;PE221;PE222;");
  steps[75] = {"CA0;"};
  return steps;   // rows 0, 24, 31, 57, 70, 74 ask nothing
}

TEST(ComposerSweeps, StateReadOutAsksEveryRowThenStartsTheMenuReadOut) {
  ComposerRig rig;
  rig.handle(kMsgSyncStart);
  EXPECT_TRUE(rig.composer.syncRunning());
  EXPECT_EQ(rig.flags.busy.load(), 1);
  EXPECT_EQ(rig.flags.readOutRunning.load(), 1);
  EXPECT_EQ(rig.window.timerPeriod(kTimerSync), 30u);

  const auto want = expectedSyncSteps();
  for (int step = 0; step < 76; ++step) {
    ASSERT_TRUE(rig.composer.syncRunning()) << step;
    EXPECT_EQ(rig.composer.syncCursor(), step);
    rig.clock.sleeps.clear();
    rig.handle(kMsgSyncStep);
    EXPECT_EQ(rig.sent(), want[step]) << "row " << step;
    const ReadKind kind = kReadCommandTable[step].kind;
    const std::size_t waits = step == 73 ? 18u : kind == ReadKind::Side ? 1u : 0u;
    EXPECT_EQ(rig.clock.sleeps.size(), waits) << "row " << step;
  }
  EXPECT_FALSE(rig.composer.syncRunning());
  EXPECT_EQ(rig.composer.syncCursor(), 0);
  EXPECT_EQ(rig.window.timerPeriod(kTimerSync), 0u);
  EXPECT_EQ(rig.flags.readOutRunning.load(), 0);
  EXPECT_TRUE(rig.composer.exRunning());
  EXPECT_EQ(rig.window.timerPeriod(kTimerExSweep), 30u);
}

TEST(ComposerSweeps, RestartRewindsWithoutRestartingTheTimer) {
  ComposerRig rig;
  rig.handle(kMsgSyncStart);
  rig.handle(kMsgSyncStep);
  rig.handle(kMsgSyncStep);
  rig.window.clear();
  rig.handle(kMsgSyncStart);
  EXPECT_EQ(rig.composer.syncCursor(), 0);
  EXPECT_TRUE(rig.window.calls().empty());
}

TEST(ComposerSweeps, MenuReadOutEndsOnceWithTheEndMessages) {
  ComposerRig rig;
  ASSERT_TRUE(loadBuiltInCatalogue(rig.state));
  rig.flags.busyShown = 1;
  rig.handle(kMsgExStart);
  std::vector<std::string> asked;
  for (int i = 0; i < 196; ++i) {
    rig.handle(kMsgExStep);
    for (auto& s : rig.sent()) asked.push_back(s);
  }
  ASSERT_EQ(asked.size(), 196u);
  EXPECT_EQ(asked.front(), "EX001;");
  EXPECT_EQ(asked[9], "EX010;");
  EXPECT_EQ(asked.back(), "EX196;");
  const std::vector<Msg> done = {{0x8803, 0, 0}, {0x834D, 0, 0}, {0x8307, 0, 0}, {0x8305, 0, 0}};
  EXPECT_EQ(rig.window.posts(), done);
  EXPECT_EQ(rig.clock.sleeps, std::vector<std::int64_t>{100});
  EXPECT_EQ(rig.flags.busy.load(), 0);
  EXPECT_FALSE(rig.composer.exRunning());
  EXPECT_EQ(rig.window.timerPeriod(kTimerExSweep), 0u);

  // A tick still queued after the end reads nothing and ends nothing again.
  rig.handle(kMsgExStep);
  EXPECT_TRUE(rig.sent().empty());
  EXPECT_EQ(rig.window.posts(), done);
}

TEST(ComposerSweeps, StopCutsEverySweep) {
  ComposerRig rig;
  rig.handle(kMsgSyncStart);
  rig.handle(kMsgExStart);
  rig.op(147);   // keyer read-out
  rig.handle(kMsgKmStep);
  rig.handle(kMsgKmStep);
  EXPECT_EQ(rig.composer.keyerCursor(), 3);
  rig.handle(kMsgSweepStop);
  EXPECT_FALSE(rig.composer.syncRunning());
  EXPECT_FALSE(rig.composer.exRunning());
  EXPECT_EQ(rig.composer.keyerCursor(), 1);
  for (std::uint32_t t : {kTimerSync, kTimerExSweep, kTimerKmSweep}) EXPECT_EQ(rig.window.timerPeriod(t), 0u) << t;
  rig.sent();
  rig.handle(kMsgSyncStep);
  EXPECT_TRUE(rig.sent().empty());
}

TEST(ComposerSweeps, KeyerMemoryReadOut) {
  ComposerRig rig;
  rig.op(147);
  EXPECT_EQ(rig.window.timerPeriod(kTimerKmSweep), 30u);
  for (int i = 0; i < 6; ++i) rig.handle(kMsgKmStep);
  EXPECT_EQ(rig.sent(), split("KM1;KM2;KM3;KM4;KM5;"));
  EXPECT_EQ(rig.window.timerPeriod(kTimerKmSweep), 0u);
  EXPECT_EQ(rig.composer.keyerCursor(), 1);
}

TEST(ComposerLink, ConnectionSwitchOffShowsTheLinkDownAtOnce) {
  ComposerRig rig;
  rig.mirror.set_AI_Stat(1);
  rig.state.set_AiAtPowerOff(1);
  rig.op(1);
  EXPECT_EQ(rig.sent(), split("AI0;AI;"));
  EXPECT_EQ(rig.clock.sleeps, (std::vector<std::int64_t>{20, 25}));
  EXPECT_EQ(rig.self.msgs(), (std::vector<Msg>{Msg{kMsgSweepStop, 0, 0}}));
  EXPECT_EQ(ComposerRig::drain(rig.recvRing), std::vector<std::string>{"AI0"});
  EXPECT_EQ(rig.analyser.msgs(), (std::vector<Msg>{Msg{kMsgReplyReady, 0, 0}}));
  EXPECT_EQ(rig.state.get_AiAtPowerOff(), 0) << "the radio is off: forget its earlier AI state";

  ComposerRig on;
  on.mirror.set_PS_Stat(1);
  on.mirror.set_AI_Stat(1);
  on.state.set_AiAtPowerOff(1);
  on.op(1);
  EXPECT_EQ(on.state.get_AiAtPowerOff(), 1);
}

TEST(ComposerLink, ConnectionSwitchOnOnlyAsks) {
  ComposerRig rig;
  rig.op(1);
  EXPECT_EQ(rig.sent(), split("AI1;AI;"));
  EXPECT_TRUE(rig.self.msgs().empty());
  EXPECT_TRUE(ComposerRig::drain(rig.recvRing).empty());
  EXPECT_TRUE(rig.analyser.msgs().empty());
}

TEST(ComposerLink, IdQuery) {
  ComposerRig rig;
  rig.handle(kMsgIdQuery);
  EXPECT_EQ(rig.sent(), split("ID;ID0900;"));
  EXPECT_EQ(rig.clock.sleeps, (std::vector<std::int64_t>{25, 25}));
}

TEST(ComposerLink, PowerSwitchQueriesAfterwards) {
  ComposerRig rig;
  rig.op(2);
  EXPECT_EQ(rig.clock.sleeps, (std::vector<std::int64_t>{800, 800}));
  EXPECT_EQ(rig.window.timerPeriod(kTimerPsOn), 100u);
  rig.sent();
  rig.handle(kMsgPsQuery1);
  EXPECT_EQ(rig.sent(), split("PS;"));
  EXPECT_EQ(rig.window.timerPeriod(kTimerPsOn), 0u);

  rig.mirror.set_PS_Stat(1);
  rig.op(2);
  EXPECT_EQ(rig.window.timerPeriod(kTimerPsOff), 50u);
  rig.sent();
  rig.handle(kMsgPsQuery2);
  EXPECT_EQ(rig.composer.psQueryCount(), 1);
  EXPECT_EQ(rig.window.timerPeriod(kTimerPsOff), 50u);
  rig.handle(kMsgPsQuery2);
  EXPECT_EQ(rig.composer.psQueryCount(), 0);
  EXPECT_EQ(rig.window.timerPeriod(kTimerPsOff), 0u);
  EXPECT_EQ(rig.sent(), split("PS;PS;"));
}

TEST(ComposerLink, PollsAndSoftKeys) {
  const struct {
    MsgId id;
    WParam w;
    int msStat;
    const char* want;
  } kCases[] = {
      {kMsgRmPoll, 0, 0, "RM3;"}, {kMsgRmPoll, 0, 5, "RM8;"}, {kMsgSmPoll, 0, 0, "SM1;"},
      {kMsgRoPoll, 0, 0, "RO;"},  {kMsgIfRead, 0, 0, "IF;"},  {kMsgOiRead, 0, 0, "OI;"},
      {kMsgSendCs, 0, 0, "CS0;"}, {kMsgSendCs, 7, 0, "CS1;"}, {kMsgSendZi, 0, 0, "ZI;"},
      {kMsgSendSq, 42, 0, "SQ0042;"}, {kMsgSendTx, 0, 0, "TX0;"}, {kMsgSendTx, 1, 0, "TX1;"},
  };
  for (const auto& c : kCases) {
    ComposerRig rig;
    rig.mirror.set_MS_Stat(c.msStat);
    EXPECT_TRUE(rig.handle(c.id, c.w, 0));
    EXPECT_EQ(rig.sent(), split(c.want)) << std::hex << c.id;
    EXPECT_EQ(rig.kicks(), 1u);
  }
  ComposerRig rig;
  EXPECT_FALSE(rig.handle(0x8999));
  EXPECT_TRUE(rig.sent().empty());
}

TEST(ComposerKnobs, EncoderRepeatsItsLastDirection) {
  ComposerRig rig;
  rig.state.set_MD_Main(2);
  rig.state.set_MG_Value(50);
  rig.op(197, 50);   // equal at start-up: up
  rig.op(197, 40);
  rig.op(197, 50);   // equal again: down, as last time
  rig.op(198, 50);   // another knob keeps its own memory
  EXPECT_EQ(rig.sent(), split("EU401;ED401;ED401;EU501;"));
}

TEST(ComposerKnobs, ContourSwitchWalksThroughItsKinds) {
  ComposerRig rig;
  rig.state.set_MD_Main(3);
  std::vector<std::string> sent;
  for (int kind : {0, 1, 2}) {
    rig.state.set_CO_Main_OnKind(kind);
    rig.op(188);
  }
  EXPECT_EQ(rig.sent(), split("CO0001;CO0002;CO0000;"));
}

TEST(ComposerKnobs, VfoReceiveKeysRememberTheSideAskedFor) {
  ComposerRig rig;
  rig.op(189);
  EXPECT_EQ(rig.state.get_MdReplyTarget(), 1);
  rig.state.set_FR_Stat(4);
  rig.op(191);
  EXPECT_EQ(rig.state.get_MdReplyTarget(), 5);
  rig.state.set_FR_Stat(3);
  rig.state.set_MdReplyTarget(-1);
  rig.op(189);
  EXPECT_EQ(rig.state.get_MdReplyTarget(), -1) << "nothing asked, nothing to remember";
}

class MenuWrite : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(loadBuiltInCatalogue(rig.state)); }
  void edit(int n, double v) {
    rig.state.edit_MenuItem(n, [v](MenuListItem& m) {
      m.changed = 1;
      m.new_value = v;
      return true;
    });
  }
  MenuListItem item(int n) {
    MenuListItem m;
    rig.state.get_MenuItem(n, &m);
    return m;
  }
  ComposerRig rig;
};

TEST_F(MenuWrite, SendsOnlyChangedRecordsAndClearsTheirFlags) {
  edit(2, 1);
  rig.op(42);
  EXPECT_EQ(rig.sent().size(), 1u);
  EXPECT_EQ(item(2).changed, 0);
  EXPECT_EQ(item(1).changed, 0);
  EXPECT_EQ(item(3).changed, 0);
  EXPECT_EQ(rig.clock.sleeps, std::vector<std::int64_t>{10});
  rig.op(42);
  EXPECT_TRUE(rig.sent().empty()) << "already sent";
}

TEST_F(MenuWrite, EncodesEachValueClass) {
  struct Case {
    int n;
    double v;
    const char* want;
  };
  std::vector<Case> cases;
  for (int n = 1; n <= 196; ++n) {
    const MenuListItem m = item(n);
    if (m.type == 11 && m.width == 3 && cases.empty()) cases.push_back({n, -7, "-07"});
  }
  ASSERT_FALSE(cases.empty());
  const int contour = cases[0].n;
  cases.push_back({contour, 15, "+15"});
  cases.push_back({contour, 123, "123"});   // all digits: no room for the sign
  cases.push_back({contour, 1234, "000"});
  cases.push_back({128, 3, "05"});          // span: two more than the index
  cases.push_back({128, -5, "00"});
  cases.push_back({6, 4, "4"});
  cases.push_back({23, -1, "000"});         // unsigned and negative
  cases.push_back({22, 25, "25"});
  for (const Case& c : cases) {
    edit(c.n, c.v);
    rig.op(42);
    char head[6];
    std::snprintf(head, sizeof head, "EX%03d", c.n);
    EXPECT_EQ(rig.sent(), std::vector<std::string>{std::string(head) + c.want + ";"}) << c.n << " = " << c.v;
  }
}

TEST_F(MenuWrite, TextItemsArePaddedWithBlanks) {
  rig.state.edit_MenuItem(5, [](MenuListItem& m) {
    m.changed = 1;
    std::strcpy(m.new_text, "AB1CD");
    return true;
  });
  rig.op(42);
  EXPECT_EQ(rig.sent(), std::vector<std::string>{"EX005AB1CD       ;"});
}

TEST(ComposerThread, StartsTheKeepAliveAndComposesInOrder) {
  ComposerRig rig;
  rig.state.set_PowerSyncTimerArmed(1);
  rig.state.set_AiOnRequested(1);
  Anl_Send_Thread thread(rig.ctx);
  ASSERT_TRUE(thread.startComposer());
  EXPECT_EQ(rig.state.get_PowerSyncTimerArmed(), 0);
  EXPECT_EQ(rig.state.get_AiOnRequested(), 0);
  EXPECT_EQ(rig.window.timerPeriod(kTimerKeepAlive), 1000u);
  for (int i = 0; i < 50; ++i) ASSERT_TRUE(Anl_Send_Request(thread, 82, 0, 0, 0, 7000000 + i));
  ASSERT_TRUE(thread.stopBounded());
  const auto sent = rig.sent();
  ASSERT_EQ(sent.size(), 50u);
  EXPECT_EQ(sent.front(), "FA07000000;");
  EXPECT_EQ(sent.back(), "FA07000049;");
}

}  // namespace
}  // namespace hrx
