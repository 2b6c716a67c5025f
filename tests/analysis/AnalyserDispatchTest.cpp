#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "analysis/AnalyserRig.h"
#include "menulist/MenuCatalogue.h"

namespace hrx {
namespace {

using test::AnalyserRig;
using test::event;
using test::WindowCall;

const WindowCall kKill17{WindowCall::KillTimer, 17, 0, 0};
const WindowCall kSet17{WindowCall::SetTimer, 17, 3000, 0};

// One composer message, as the analyser posts them (no parameters).
std::vector<Msg> msgs(MsgId id) { return {Msg{id, 0, 0}}; }

WindowCall post(Msg m) { return {WindowCall::Post, m.id, m.w, m.l}; }

// Every reply taken, whatever it is, kills the silence timer first and sets
// it again last; only accepted replies post an event in between.
TEST(AnalyserDispatch, EveryReplyRearmsThePowerSyncTimer) {
  const struct {
    const char* reply;
    std::vector<Msg> events;
  } kCases[] = {
      {"FA07000000;", {{0x8333, 0, 0}}}, {"MD02;", {{0x8345, 0, 67}}}, {"PB1;", {{0x8341, 0, 0}}},
      {"LM0;", {{0x834E, 0, 0}}}, {"IS0+0010;", {{0x832F, 0, 46}}}, {"SH010;", {{0x8330, 0, 47}}},
      {"PC050;", {{0x8342, 0, 65}}}, {"?;", {}}, {"ZZ123;", {}}, {"CW1;", {}}, {"DA0000;", {}},
      {"MR00000000000000000000000;", {}}, {"RT7;", {}}, {"", {}}, {"EX999000;", {}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.reply);
    AnalyserRig rig;
    rig.state.set_PowerSyncTimerArmed(0);
    rig.feed(c.reply);
    std::vector<WindowCall> want = {kKill17};
    for (const Msg& m : c.events) want.push_back(post(m));
    want.push_back(kSet17);
    EXPECT_EQ(rig.window.calls(), want);
    EXPECT_EQ(rig.state.get_PowerSyncTimerArmed(), 1);
    EXPECT_TRUE(rig.composer.msgs().empty());
  }
}

TEST(AnalyserDispatch, RowsNamedInTheProtocolCarryTheirIndex) {
  const ReplyRow carrying[] = {ReplyRow::BP, ReplyRow::CO, ReplyRow::KS, ReplyRow::MG, ReplyRow::PL, ReplyRow::IF,
                               ReplyRow::IS, ReplyRow::SH, ReplyRow::OI, ReplyRow::PC, ReplyRow::MD};
  const int indices[] = {4, 6, 34, 37, 38, 44, 46, 47, 62, 65, 67};
  for (int i = 0; i < ReplyCodeTable::kCount; ++i) {
    LParam want = 0;
    for (std::size_t k = 0; k < std::size(carrying); ++k) {
      if (static_cast<int>(carrying[k]) == i) want = indices[k];
    }
    EXPECT_EQ(eventLParam(i), want) << std::string(ReplyCodeTable::row(i).code, 2);
  }
}

TEST(AnalyserLinkState, IdReplyStartsTheReadOutOrDropsTheLink) {
  for (char variant : {'0', '1', '2', '3'}) {
    AnalyserRig rig;
    rig.feed(std::string("ID046") + variant + ";");
    EXPECT_EQ(rig.composer.msgs(), msgs(0x834B));
    EXPECT_TRUE(rig.events().empty()) << "only ID0362 passes the ID store";
    EXPECT_EQ(rig.state.get_ID_Variant(), variant - '0');
  }
  for (const char* other : {"ID0999;", "ID0464;", "ID046;", "IDx460;"}) {
    SCOPED_TRACE(other);
    AnalyserRig rig;
    rig.feed(other);
    EXPECT_EQ(rig.composer.msgs(), msgs(0x8501));
    EXPECT_EQ(rig.events(), (std::vector<Msg>{{0x8109, 1, 3}}));
    EXPECT_EQ(rig.state.get_ID_Variant(), 0);
  }
  // The store and the model check are independent of each other.
  AnalyserRig rig;
  rig.feed("ID0362;");
  EXPECT_EQ(rig.state.get_ID_Value(), 362);
  EXPECT_EQ(rig.events(), (std::vector<Msg>{{0x8109, 1, 3}, {0x8344, 0, 0}}));
}

TEST(AnalyserLinkState, AutoInformationComingOnAsksForTheId) {
  AnalyserRig rig;
  rig.feed("AI1;");
  EXPECT_EQ(rig.composer.msgs(), msgs(0x8352));
  const std::vector<WindowCall> want = {
      kKill17, {WindowCall::Send, 0x810A, 0, 0}, post(event(ReplyRow::AI)), kSet17};
  EXPECT_EQ(rig.window.calls(), want);
  EXPECT_EQ(rig.mirror.get_AI_Stat(), 1);

  // Already on: nothing to ask, unless a power cycle asked for a resync.
  rig.composer.take();
  rig.window.clear();
  rig.feed("AI1;");
  EXPECT_TRUE(rig.composer.msgs().empty());
  EXPECT_EQ(rig.events(), std::vector<Msg>{event(ReplyRow::AI)});
  rig.state.set_AiResyncNeeded(1);
  rig.window.clear();
  rig.feed("AI1;");
  EXPECT_EQ(rig.composer.msgs(), msgs(0x8352));
  EXPECT_EQ(rig.state.get_AiResyncNeeded(), 0);
  for (const WindowCall& c : rig.window.calls()) EXPECT_NE(c.kind, WindowCall::Send) << "not a fresh switch-on";
}

TEST(AnalyserLinkState, RefusedOrGarbledAutoInformation) {
  // Asked for and still refused: the connection switch goes back off.
  AnalyserRig rig;
  rig.state.set_AiOnRequested(1);
  rig.mirror.set_AI_Stat(1);
  rig.feed("AI0;");
  EXPECT_EQ(rig.composer.msgs(), msgs(0x8501));
  EXPECT_TRUE(rig.events().empty());
  EXPECT_EQ(rig.mirror.get_AI_Stat(), 0);

  AnalyserRig bad;
  bad.prime("AI1;");
  bad.feed("AI2;");
  EXPECT_EQ(bad.state.get_AI_Stat(), 1);
  EXPECT_TRUE(bad.events().empty());
  EXPECT_TRUE(bad.composer.msgs().empty());
}

TEST(AnalyserLinkState, PowerCycleRemembersAutoInformation) {
  AnalyserRig rig;
  rig.prime("AI1;");
  rig.prime("PS1;");
  rig.prime("RM0050;");
  rig.feed("PS0;");
  EXPECT_EQ(rig.state.get_AiAtPowerOff(), 1);
  EXPECT_EQ(rig.events(), (std::vector<Msg>{event(ReplyRow::RM), event(ReplyRow::SM), event(ReplyRow::PS)}));
  EXPECT_EQ(rig.composer.take(), msgs(0x834C));
  EXPECT_EQ(rig.state.get_RM_Meter1(), 0);
  EXPECT_EQ(rig.mirror.get_PS_Stat(), 0);

  rig.window.clear();
  rig.feed("PS0;");   // no change: only the event
  EXPECT_EQ(rig.events(), std::vector<Msg>{event(ReplyRow::PS)});
  EXPECT_TRUE(rig.composer.msgs().empty());

  rig.window.clear();
  rig.feed("PS1;");
  EXPECT_EQ(rig.state.get_AiResyncNeeded(), 1);
  EXPECT_EQ(rig.mirror.get_AI_Stat(), 0);
  EXPECT_EQ(rig.composer.take(), msgs(0x8501));
  EXPECT_EQ(rig.events(), std::vector<Msg>{event(ReplyRow::PS)});
  EXPECT_EQ(rig.mirror.get_PS_Stat(), 1);

  // Power on without auto-information before: nothing more; a bad digit is
  // no reply.
  AnalyserRig plain;
  plain.feed("PS1;");
  EXPECT_TRUE(plain.composer.msgs().empty());
  EXPECT_EQ(plain.state.get_AiResyncNeeded(), 0);
  plain.window.clear();
  plain.feed("PSx;");
  EXPECT_EQ(plain.state.get_PS_Stat(), 1);
  EXPECT_TRUE(plain.events().empty());
}

// "AI0", or three seconds of silence (the main window's timer 17 comes back
// as 0x810C, acting as if the radio said "AI0"): the sweeps stop and the
// meters drop to zero.
TEST(AnalyserLinkState, AutoInformationOffOrSilenceStopsTheSweepsAndZeroesTheMeters) {
  AnalyserRig off;
  off.prime("AI1;");
  off.prime("RM0123;");
  off.prime("SM1200;");
  off.feed("AI0;");
  EXPECT_EQ(off.composer.msgs(), msgs(0x834C));
  EXPECT_EQ(off.events(), (std::vector<Msg>{event(ReplyRow::RM), event(ReplyRow::SM), event(ReplyRow::AI)}));
  EXPECT_EQ(off.state.get_RM_Meter1(), 0);
  EXPECT_EQ(off.state.get_SM_Meter1(), 0);
  EXPECT_EQ(off.mirror.get_AI_Stat(), 0);

  AnalyserRig rig;
  rig.prime("AI1;");
  rig.prime("RM0200;");
  rig.prime("SM1100;");
  rig.state.set_AiOnRequested(1);
  rig.analyser.powerSyncTimeout();
  EXPECT_EQ(rig.composer.msgs(), (std::vector<Msg>{{0x834C, 0, 0}, {0x834C, 0, 0}}));
  EXPECT_EQ(rig.state.get_AiOnRequested(), 0);
  EXPECT_EQ(rig.events(), (std::vector<Msg>{event(ReplyRow::RM), event(ReplyRow::SM), event(ReplyRow::AI)}));
  EXPECT_EQ(rig.state.get_RM_Meter1(), 0);
  EXPECT_EQ(rig.state.get_SM_Meter1(), 0);
  EXPECT_EQ(rig.state.get_AI_Stat(), 0);
  // The timer belongs to the main window and keeps running.
  for (const WindowCall& c : rig.window.calls()) EXPECT_EQ(c.kind, WindowCall::Post);
}

class MenuReplies : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(loadBuiltInCatalogue(rig.state)); }
  MenuListItem item(int n) {
    MenuListItem it;
    EXPECT_TRUE(rig.state.get_MenuItem(n, &it));
    return it;
  }
  AnalyserRig rig;
};

// Each reply's value as stored and what it announces: 0x830B for a change
// (item 11 meter type and 32 ANT3 carry their number), contour and width
// items also redraw their controls.
TEST_F(MenuReplies, ValuesByTypeAndWhatTheyAnnounce) {
  const struct {
    const char* reply;
    int item;
    double value;
    std::vector<Msg> events;
  } kCases[] = {
      {"EX0060;", 6, 0, {}},   // the value held already
      {"EX0063;", 6, 3, {{0x830B, 0, 0}}}, {"EX0111;", 11, 1, {{0x830B, 11, 0}}}, {"EX0322;", 32, 2, {{0x830B, 32, 0}}},
      {"EX108-10;", 108, -10, {{0x830B, 0, 0}, {0x8307, 0, 6}}}, {"EX1072;", 107, 2, {{0x830B, 0, 0}, {0x8305, 0, 4}}},
      {"EX023250;", 23, 540, {{0x830B, 0, 0}}},   // beacon time: above 240 in 30 s steps
      {"EX023240;", 23, 240, {{0x830B, 0, 0}}},
      {"EX12805;", 128, 3, {{0x830B, 0, 0}}},     // span frequency: the reply counts from 2
      {"EX02225;", 22, 25, {{0x830B, 0, 0}}},     // CW weight, in tenths
      {"EX0 64;", 6, 4, {{0x830B, 0, 0}}},        // stray characters in the number are skipped
  };
  for (const auto& c : kCases) {
    rig.window.clear();
    rig.feed(c.reply);
    EXPECT_EQ(item(c.item).value, c.value) << c.reply;
    EXPECT_EQ(rig.events(), c.events) << c.reply;
  }
  for (const char* reply : {"EX0001;", "EX1971;", "EX9991;", "EXabc1;", "EX;"}) {
    rig.window.clear();
    rig.feed(reply);
    EXPECT_TRUE(rig.events().empty()) << reply;
  }
}

TEST_F(MenuReplies, TextItemChangesWithItsText) {
  const std::string call = "JA1XYZ      ";
  ASSERT_EQ(item(5).width, static_cast<int>(call.size()));
  rig.feed("EX005" + call + ";");
  EXPECT_EQ(std::string(item(5).text), call);
  EXPECT_EQ(rig.events(), (std::vector<Msg>{{0x830B, 0, 0}}));
  rig.window.clear();
  rig.feed("EX005" + call + ";");
  EXPECT_TRUE(rig.events().empty());
  rig.feed("EX005JA1XYZ/P    ;");
  EXPECT_EQ(std::string(item(5).text), "JA1XYZ/P    ");
  EXPECT_EQ(rig.events(), (std::vector<Msg>{{0x830B, 0, 0}}));
}

TEST(MenuTextValue, ReadsADecimalNumberAndStopsAtAnythingElse) {
  const struct {
    const char* text;
    double value;
  } kCases[] = {
      {"12.5", 12.5}, {" -3", -3}, {"+07", 7}, {"1.2.3", 1.2}, {"abc", 0}, {"", 0}, {"0045", 45}, {"4 5", 4},
  };
  for (const auto& c : kCases) {
    EXPECT_DOUBLE_EQ(menuTextValue(c.text, std::strlen(c.text)), c.value) << c.text;
  }
  EXPECT_DOUBLE_EQ(menuTextValue("1234", 2), 12) << "reads no further than its width";
}

TEST(AnlRecvThread, TakesOneRecordPerMessageInOrder) {
  AnalyserRig rig;
  Sio_RingBuff ring;
  Anl_Recv_Thread thread(rig.analyser, ring);
  ASSERT_TRUE(thread.start());
  for (const char* r : {"FA14250000", "FB07100000", "SM1050"}) {
    ASSERT_GT(ring.Sio_RingBuff_Write(static_cast<std::int16_t>(std::strlen(r)), r), 0);
  }
  thread.post(kMsgReplyReady);
  thread.post(kMsgReplyReady);
  thread.post(kMsgReplyReady);
  thread.post(kMsgReplyReady);   // nothing left: not a reply
  thread.post(kMsgPowerSyncTimeout);
  ASSERT_TRUE(thread.stopBounded());
  EXPECT_EQ(rig.state.get_VfoA_Freq(), 14250000);
  EXPECT_EQ(rig.state.get_VfoB_Freq(), 7100000);
  EXPECT_EQ(rig.events(), (std::vector<Msg>{event(ReplyRow::FA), event(ReplyRow::FB), event(ReplyRow::SM),
                                            event(ReplyRow::RM), event(ReplyRow::SM), event(ReplyRow::AI)}));
  int rearmed = 0;
  for (const WindowCall& c : rig.window.calls()) rearmed += c == kSet17;
  EXPECT_EQ(rearmed, 3);
}

}  // namespace
}  // namespace hrx
