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
      {"FA07000000;", {{0x8333, 0, 0}}},
      {"MD02;", {{0x8345, 0, 67}}},
      {"PB1;", {{0x8341, 0, 0}}},
      {"LM0;", {{0x834E, 0, 0}}},
      {"IS0+0010;", {{0x832F, 0, 46}}},
      {"SH010;", {{0x8330, 0, 47}}},
      {"PC050;", {{0x8342, 0, 65}}},
      {"?;", {}},
      {"ZZ123;", {}},
      {"CW1;", {}},
      {"DA0000;", {}},
      {"MR00000000000000000000000;", {}},
      {"RT7;", {}},
      {"", {}},
      {"EX999000;", {}},
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

TEST(AnalyserLinkState, AutoInformationOffStopsTheSweepsAndZeroesTheMeters) {
  AnalyserRig rig;
  rig.prime("AI1;");
  rig.prime("RM0123;");
  rig.prime("SM1200;");
  rig.feed("AI0;");
  EXPECT_EQ(rig.composer.msgs(), msgs(0x834C));
  EXPECT_EQ(rig.events(), (std::vector<Msg>{event(ReplyRow::RM), event(ReplyRow::SM), event(ReplyRow::AI)}));
  EXPECT_EQ(rig.state.get_RM_Meter1(), 0);
  EXPECT_EQ(rig.state.get_SM_Meter1(), 0);
  EXPECT_EQ(rig.state.get_AI_Stat(), 0);
  EXPECT_EQ(rig.mirror.get_AI_Stat(), 0);
}

TEST(AnalyserLinkState, RefusedAutoInformationTurnsTheConnectionSwitchOff) {
  AnalyserRig rig;
  rig.state.set_AiOnRequested(1);
  rig.mirror.set_AI_Stat(1);
  rig.feed("AI0;");
  EXPECT_EQ(rig.composer.msgs(), msgs(0x8501));
  EXPECT_TRUE(rig.events().empty());
  EXPECT_EQ(rig.mirror.get_AI_Stat(), 0);
}

TEST(AnalyserLinkState, AutoInformationReplyWithABadDigit) {
  AnalyserRig rig;
  rig.prime("AI1;");
  rig.feed("AI2;");
  EXPECT_EQ(rig.state.get_AI_Stat(), 1);
  EXPECT_TRUE(rig.events().empty());
  EXPECT_TRUE(rig.composer.msgs().empty());
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
}

TEST(AnalyserLinkState, PowerOnWithoutAutoInformationBeforeDoesNothingMore) {
  AnalyserRig rig;
  rig.feed("PS1;");
  EXPECT_TRUE(rig.composer.msgs().empty());
  EXPECT_EQ(rig.state.get_AiResyncNeeded(), 0);
  rig.window.clear();
  rig.feed("PSx;");
  EXPECT_EQ(rig.state.get_PS_Stat(), 1);
  EXPECT_TRUE(rig.events().empty());
}

// Three seconds of silence: the main window's timer 17 comes back as 0x810C.
TEST(AnalyserLinkState, SilenceActsAsIfTheRadioSaidAi0) {
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

TEST_F(MenuReplies, OnlyAChangedValueIsAnnounced) {
  ASSERT_EQ(item(6).width, 1);
  rig.feed("EX0060;");   // the value held already
  EXPECT_TRUE(rig.events().empty());
  rig.feed("EX0063;");
  EXPECT_EQ(item(6).value, 3);
  EXPECT_EQ(rig.events(), (std::vector<Msg>{{0x830B, 0, 0}}));
}

TEST_F(MenuReplies, MeterTypeAndAnt3CarryTheirNumber) {
  rig.feed("EX0111;");
  rig.feed("EX0322;");
  EXPECT_EQ(rig.events(), (std::vector<Msg>{{0x830B, 11, 0}, {0x830B, 32, 0}}));
}

TEST_F(MenuReplies, ContourAndWidthItemsAlsoRedrawTheirControls) {
  ASSERT_EQ(item(108).type, 11);
  ASSERT_EQ(item(107).type, 12);
  rig.feed("EX108-10;");
  EXPECT_EQ(item(108).value, -10);
  rig.feed("EX1072;");
  EXPECT_EQ(rig.events(), (std::vector<Msg>{{0x830B, 0, 0}, {0x8307, 0, 6}, {0x830B, 0, 0}, {0x8305, 0, 4}}));
}

TEST_F(MenuReplies, ValueEncodingsByType) {
  rig.feed("EX023250;");   // beacon time: above 240 it counts in 30 s steps
  EXPECT_EQ(item(23).value, 540);
  rig.feed("EX023240;");
  EXPECT_EQ(item(23).value, 240);
  rig.feed("EX12805;");    // span frequency: the reply counts from 2
  EXPECT_EQ(item(128).value, 3);
  rig.feed("EX02225;");    // CW weight, in tenths
  EXPECT_EQ(item(22).value, 25);
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

TEST_F(MenuReplies, NumbersOutsideTheCatalogueAreRejected) {
  for (const char* reply : {"EX0001;", "EX1971;", "EX9991;", "EXabc1;", "EX;"}) {
    rig.feed(reply);
    EXPECT_TRUE(rig.events().empty()) << reply;
  }
  rig.feed("EX0 63;");   // stray characters in the number are skipped
  EXPECT_EQ(item(6).value, 3);
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
