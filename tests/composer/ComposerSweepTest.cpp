// The sweeps' timers and flags, the link and power switches' side effects,
// the knobs' memory, the menu write and the thread. The read-out's
// commands and waits are pinned by ComposerTranscriptTest.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "composer/ComposerRig.h"
#include "menulist/MenuCatalogue.h"

namespace hrx {
namespace {

using test::ComposerRig;
using Strings = std::vector<std::string>;

TEST(ComposerSweeps, StateReadOutRaisesBusyThenHandsOverToTheMenuReadOut) {
  ComposerRig rig;
  rig.handle(kMsgSyncStart);
  EXPECT_EQ(rig.flags.busy.load(), 1);
  EXPECT_EQ(rig.flags.readOutRunning.load(), 1);
  EXPECT_EQ(rig.window.timerPeriod(kTimerSync), 30u);
  rig.handle(kMsgSyncStep);
  // Started again mid-way: back to row 0, the timer left running.
  rig.window.clear();
  rig.handle(kMsgSyncStart);
  EXPECT_EQ(rig.composer.syncCursor(), 0);
  EXPECT_TRUE(rig.window.calls().empty());
  for (int step = 0; step < 76; ++step) rig.handle(kMsgSyncStep);
  EXPECT_FALSE(rig.composer.syncRunning());
  EXPECT_EQ(rig.window.timerPeriod(kTimerSync), 0u);
  EXPECT_EQ(rig.flags.readOutRunning.load(), 0);
  EXPECT_TRUE(rig.composer.exRunning());
  EXPECT_EQ(rig.window.timerPeriod(kTimerExSweep), 30u);
}

TEST(ComposerSweeps, MenuReadOutEndsOnceWithTheEndMessages) {
  ComposerRig rig;
  ASSERT_TRUE(loadBuiltInCatalogue(rig.state));
  rig.flags.busyShown = 1;
  rig.handle(kMsgExStart);
  std::string asked;
  for (int i = 0; i < 196; ++i) asked += rig.transcript(kMsgExStep);
  EXPECT_EQ(asked.size(), 196u * 6 + 5);   // the last step also waits
  EXPECT_EQ(asked.substr(54, 6), "EX010;");
  EXPECT_EQ(asked.substr(asked.size() - 11), "EX196; +100");
  const std::vector<Msg> done = {{0x8803, 0, 0}, {0x834D, 0, 0}, {0x8307, 0, 0}, {0x8305, 0, 0}};
  EXPECT_EQ(rig.window.posts(), done);
  EXPECT_EQ(rig.flags.busy.load(), 0);
  EXPECT_EQ(rig.window.timerPeriod(kTimerExSweep), 0u);
  // A tick still queued after the end reads nothing and ends nothing again.
  EXPECT_EQ(rig.transcript(kMsgExStep), "");
  EXPECT_EQ(rig.window.posts(), done);
}

TEST(ComposerSweeps, KeyerReadOutAndStopCuttingEverySweep) {
  ComposerRig keyer;
  keyer.op(147);
  EXPECT_EQ(keyer.window.timerPeriod(kTimerKmSweep), 30u);
  std::string asked;
  for (int i = 0; i < 6; ++i) asked += keyer.transcript(kMsgKmStep);
  EXPECT_EQ(asked, "KM1;KM2;KM3;KM4;KM5;");
  EXPECT_EQ(keyer.window.timerPeriod(kTimerKmSweep), 0u);

  ComposerRig rig;
  rig.handle(kMsgSyncStart);
  rig.handle(kMsgExStart);
  rig.op(147);
  rig.handle(kMsgKmStep);
  rig.handle(kMsgKmStep);
  EXPECT_EQ(rig.composer.keyerCursor(), 3);
  rig.handle(kMsgSweepStop);
  EXPECT_FALSE(rig.composer.syncRunning());
  EXPECT_FALSE(rig.composer.exRunning());
  EXPECT_EQ(rig.composer.keyerCursor(), 1);
  for (std::uint32_t t : {kTimerSync, kTimerExSweep, kTimerKmSweep}) EXPECT_EQ(rig.window.timerPeriod(t), 0u) << t;
  EXPECT_EQ(rig.transcript(kMsgSyncStep), "");
}

// Switching the link off tells the rest of the program at once, as if the
// radio had answered "AI0"; switching it on only asks.
TEST(ComposerLink, ConnectionSwitchOffShowsTheLinkDownAtOnce) {
  ComposerRig rig;
  rig.mirror.set_AI_Stat(1);
  rig.state.set_AiAtPowerOff(1);
  rig.op(1);
  EXPECT_EQ(rig.self.msgs(), (std::vector<Msg>{Msg{kMsgSweepStop, 0, 0}}));
  EXPECT_EQ(ComposerRig::drain(rig.recvRing), Strings{"AI0"});
  EXPECT_EQ(rig.analyser.msgs(), (std::vector<Msg>{Msg{kMsgReplyReady, 0, 0}}));
  EXPECT_EQ(rig.state.get_AiAtPowerOff(), 0) << "the radio is off: forget its earlier AI state";

  ComposerRig asking;
  asking.op(1);
  EXPECT_TRUE(asking.self.msgs().empty());
  EXPECT_TRUE(ComposerRig::drain(asking.recvRing).empty());
}

TEST(ComposerLink, PowerSwitchQueriesAfterwards) {
  ComposerRig rig;
  EXPECT_EQ(rig.transcript(operationInfo(2)->msg), "PS1; +800 PS1; +800");
  EXPECT_EQ(rig.window.timerPeriod(kTimerPsOn), 100u);
  EXPECT_EQ(rig.transcript(kMsgPsQuery1), "PS;");
  EXPECT_EQ(rig.window.timerPeriod(kTimerPsOn), 0u);

  rig.mirror.set_PS_Stat(1);
  rig.op(2);
  EXPECT_EQ(rig.window.timerPeriod(kTimerPsOff), 50u);
  EXPECT_EQ(rig.transcript(kMsgPsQuery2), "PS;");
  EXPECT_EQ(rig.window.timerPeriod(kTimerPsOff), 50u);
  EXPECT_EQ(rig.transcript(kMsgPsQuery2), "PS;");
  EXPECT_EQ(rig.composer.psQueryCount(), 0);
  EXPECT_EQ(rig.window.timerPeriod(kTimerPsOff), 0u);
}

TEST(ComposerKnobs, EncoderRepeatsItsLastDirectionAndVfoKeysRememberTheSide) {
  ComposerRig rig;
  rig.state.set_MD_Main(2);
  rig.state.set_MG_Value(50);
  rig.op(197, 50);   // equal at start-up: up
  rig.op(197, 40);
  rig.op(197, 50);   // equal again: down, as last time
  rig.op(198, 50);   // another knob keeps its own memory
  EXPECT_EQ(rig.sent(), (Strings{"EU401;", "ED401;", "ED401;", "EU501;"}));

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

// Operation 42 sends each edited item once, encoded by its value class.
TEST(ComposerMenuWrite, EncodesEachValueClassAndSendsOnlyChangedItems) {
  const struct {
    int n;
    double v;
    const char* want;
  } kCases[] = {
      {108, -7, "EX108-07; +10"}, {108, 123, "EX108123; +10"},   // all digits: no room for the sign
      {108, 1234, "EX108000; +10"}, {128, 3, "EX12805; +10"},    // span: two more than the index
      {23, -1, "EX023000; +10"},                                 // unsigned and negative
  };
  ComposerRig rig;
  ASSERT_TRUE(loadBuiltInCatalogue(rig.state));
  for (const auto& c : kCases) {
    rig.state.edit_MenuItem(c.n, [&](MenuListItem& m) {
      m.changed = 1;
      m.new_value = c.v;
      return true;
    });
    EXPECT_EQ(rig.transcript(operationInfo(42)->msg), c.want) << c.n << " = " << c.v;
    MenuListItem m;
    rig.state.get_MenuItem(c.n, &m);
    EXPECT_EQ(m.changed, 0) << c.n;
  }
  rig.state.edit_MenuItem(5, [](MenuListItem& m) {
    m.changed = 1;
    std::strcpy(m.new_text, "AB1CD");
    return true;
  });
  EXPECT_EQ(rig.transcript(operationInfo(42)->msg), "EX005AB1CD       ; +10") << "a text item is padded with blanks";
  EXPECT_EQ(rig.transcript(operationInfo(42)->msg), "") << "already sent";
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
  ASSERT_TRUE(Anl_Send_Request(thread, 82, 0, 0, 0, 7000000));
  ASSERT_TRUE(Anl_Send_Request(thread, 83, 0, 0, 0, 7000001));
  ASSERT_TRUE(thread.stopBounded());
  EXPECT_EQ(rig.sent(), (Strings{"FA07000000;", "FB07000001;"}));
}

}  // namespace
}  // namespace hrx
