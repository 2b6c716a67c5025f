// The dispatch around the decoders: the silence timer, the link-state
// replies ID, AI and PS, the silence time-out, the menu (EX) replies and
// the analyser thread.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "analysis/AnalyserRig.h"
#include "menulist/MenuCatalogue.h"

namespace hrx {
namespace {

using test::AnalyserRig;
using test::kEvAI;
using test::kEvPS;
using test::kEvRM;
using test::kEvSM;
using test::WindowCall;
using Msgs = std::vector<Msg>;

const WindowCall kKill17{WindowCall::KillTimer, 17, 0, 0};
const WindowCall kSet17{WindowCall::SetTimer, 17, 3000, 0};
const Msgs kSweepStop{{0x834C, 0, 0}}, kComSwitch{{0x8501, 0, 0}}, kIdQuery{{0x8352, 0, 0}};

// Every reply taken, whatever it is, kills the silence timer first and sets
// it again last; only accepted replies post an event in between.
TEST(AnalyserDispatch, EveryReplyRearmsThePowerSyncTimer) {
  const struct {
    const char* reply;
    Msgs events;
  } kCases[] = {
      {"FA07000000;", {test::kEvFA}}, {"MD02;", {{0x8345, 0, 67}}}, {"?;", {}}, {"ZZ123;", {}},
      {"MR00000000000000000000000;", {}}, {"RT7;", {}}, {"", {}}, {"EX999000;", {}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.reply);
    AnalyserRig rig;
    rig.feed(c.reply);
    std::vector<WindowCall> want = {kKill17};
    for (const Msg& m : c.events) want.push_back({WindowCall::Post, m.id, m.w, m.l});
    want.push_back(kSet17);
    EXPECT_EQ(rig.window.calls(), want);
    EXPECT_EQ(rig.state.get_PowerSyncTimerArmed(), 1);
    EXPECT_TRUE(rig.composer.msgs().empty());
  }
}

TEST(AnalyserLinkState, IdReplyStartsTheReadOutOrDropsTheLink) {
  for (const char* reply : {"ID0460;", "ID0463;", "ID0999;", "ID0464;", "IDx460;"}) {
    SCOPED_TRACE(reply);
    AnalyserRig rig;
    rig.feed(reply);
    const bool ours = reply[5] <= '3' && reply[2] != 'x';
    EXPECT_EQ(rig.composer.msgs(), ours ? (Msgs{{0x834B, 0, 0}}) : kComSwitch);
    EXPECT_EQ(rig.events(), ours ? Msgs{} : (Msgs{{0x8109, 1, 3}})) << "only ID0362 passes the ID store";
    EXPECT_EQ(rig.state.get_ID_Variant(), ours ? reply[5] - '0' : 0);
  }
  // The store and the model check are independent of each other.
  AnalyserRig rig;
  rig.feed("ID0362;");
  EXPECT_EQ(rig.state.get_ID_Value(), 362);
  EXPECT_EQ(rig.events(), (Msgs{{0x8109, 1, 3}, {0x8344, 0, 0}}));
  rig.composer.take();
  rig.feed("RS2;");   // RS 2 starts the menu read-out
  EXPECT_EQ(rig.composer.msgs(), (Msgs{{0x834F, 0, 0}}));
}

TEST(AnalyserLinkState, AutoInformationOnAsksForTheIdOnceOrOnResync) {
  AnalyserRig rig;
  rig.feed("AI1;");
  EXPECT_EQ(rig.composer.take(), kIdQuery);
  EXPECT_EQ(rig.window.calls(),
            (std::vector<WindowCall>{kKill17, {WindowCall::Send, 0x810A, 0, 0}, {WindowCall::Post, 0x833A, 0, 0}, kSet17}));
  EXPECT_EQ(rig.mirror.get_AI_Stat(), 1);
  rig.window.clear();
  rig.feed("AI1;");   // already on: nothing to ask
  EXPECT_TRUE(rig.composer.msgs().empty());
  EXPECT_EQ(rig.events(), Msgs{kEvAI});
  rig.state.set_AiResyncNeeded(1);   // unless a power cycle asked for it
  rig.window.clear();
  rig.feed("AI1;");
  EXPECT_EQ(rig.composer.take(), kIdQuery);
  EXPECT_EQ(rig.state.get_AiResyncNeeded(), 0);
  for (const WindowCall& c : rig.window.calls()) EXPECT_NE(c.kind, WindowCall::Send) << "not a fresh switch-on";
  rig.window.clear();
  rig.feed("AI2;");   // garbled: kept, nothing posted
  EXPECT_EQ(rig.state.get_AI_Stat(), 1);
  EXPECT_TRUE(rig.events().empty());
  EXPECT_TRUE(rig.composer.msgs().empty());

  // Asked for and still refused: the connection switch goes back off.
  AnalyserRig refused;
  refused.state.set_AiOnRequested(1);
  refused.mirror.set_AI_Stat(1);
  refused.feed("AI0;");
  EXPECT_EQ(refused.composer.msgs(), kComSwitch);
  EXPECT_TRUE(refused.events().empty());
  EXPECT_EQ(refused.mirror.get_AI_Stat(), 0);
}

TEST(AnalyserLinkState, PowerCycleRemembersAutoInformation) {
  AnalyserRig rig;
  rig.prime("AI1;");
  rig.prime("PS1;");
  rig.prime("RM0050;");
  rig.feed("PS0;");
  EXPECT_EQ(rig.state.get_AiAtPowerOff(), 1);
  EXPECT_EQ(rig.events(), (Msgs{kEvRM, kEvSM, kEvPS}));
  EXPECT_EQ(rig.composer.take(), kSweepStop);
  EXPECT_EQ(rig.state.get_RM_Meter1(), 0);
  EXPECT_EQ(rig.mirror.get_PS_Stat(), 0);
  rig.window.clear();
  rig.feed("PS0;");   // no change: only the event
  EXPECT_EQ(rig.events(), Msgs{kEvPS});
  EXPECT_TRUE(rig.composer.msgs().empty());
  rig.window.clear();
  rig.feed("PS1;");
  EXPECT_EQ(rig.state.get_AiResyncNeeded(), 1);
  EXPECT_EQ(rig.mirror.get_AI_Stat(), 0);
  EXPECT_EQ(rig.composer.take(), kComSwitch);
  EXPECT_EQ(rig.events(), Msgs{kEvPS});
  EXPECT_EQ(rig.mirror.get_PS_Stat(), 1);

  // Power on without auto-information before: nothing more; a bad digit is
  // no reply.
  AnalyserRig plain;
  plain.feed("PS1;");
  plain.feed("PSx;");
  EXPECT_TRUE(plain.composer.msgs().empty());
  EXPECT_EQ(plain.state.get_AiResyncNeeded(), 0);
  EXPECT_EQ(plain.state.get_PS_Stat(), 1);
  EXPECT_EQ(plain.events(), Msgs{kEvPS});
}

// "AI0", or three seconds of silence (timer 17 comes back as 0x810C, acting
// as if the radio said "AI0"): the sweeps stop and the meters drop to zero.
TEST(AnalyserLinkState, AutoInformationOffOrSilenceStopsTheSweepsAndZeroesTheMeters) {
  for (const bool silence : {false, true}) {
    SCOPED_TRACE(silence ? "silence" : "AI0");
    AnalyserRig rig;
    rig.prime("AI1;");
    rig.prime("RM0123;");
    rig.prime("SM1200;");
    if (silence) {
      rig.state.set_AiOnRequested(1);
      rig.analyser.powerSyncTimeout();
    } else {
      rig.feed("AI0;");
    }
    EXPECT_EQ(rig.composer.msgs(), silence ? (Msgs{kSweepStop[0], kSweepStop[0]}) : kSweepStop);
    EXPECT_EQ(rig.state.get_AiOnRequested(), 0);
    EXPECT_EQ(rig.events(), (Msgs{kEvRM, kEvSM, kEvAI}));
    EXPECT_EQ(rig.state.get_RM_Meter1(), 0);
    EXPECT_EQ(rig.state.get_SM_Meter1(), 0);
    EXPECT_EQ(rig.mirror.get_AI_Stat(), 0);
    // The timer belongs to the main window and keeps running.
    for (const WindowCall& c : rig.window.calls()) EXPECT_TRUE(!silence || c.kind == WindowCall::Post);
  }
}

// Each reply's value as stored and what it announces: 0x830B for a change
// (item 11 meter type and 32 ANT3 carry their number), contour and width
// items also redraw their controls.
TEST(MenuReplies, ValuesByTypeAndWhatTheyAnnounce) {
  AnalyserRig rig;
  ASSERT_TRUE(loadBuiltInCatalogue(rig.state));
  const Msgs ex{{0x830B, 0, 0}};
  const std::string call = "JA1XYZ      ";
  const struct {
    std::string reply;
    int item;
    double value;
    const char* text;
    Msgs events;
  } kCases[] = {
      {"EX0060;", 6, 0, "", {}},   // the value held already
      {"EX0063;", 6, 3, "", ex}, {"EX0111;", 11, 1, "", {{0x830B, 11, 0}}}, {"EX0322;", 32, 2, "", {{0x830B, 32, 0}}},
      {"EX108-10;", 108, -10, "", {ex[0], {0x8307, 0, 6}}}, {"EX1072;", 107, 2, "", {ex[0], {0x8305, 0, 4}}},
      {"EX023250;", 23, 540, "", ex},   // beacon time: above 240 in 30 s steps
      {"EX023240;", 23, 240, "", ex}, {"EX12805;", 128, 3, "", ex},   // span frequency: the reply counts from 2
      {"EX02225;", 22, 25, "", ex},     // CW weight, in tenths
      {"EX0 64;", 6, 4, "", ex},        // stray characters in the number are skipped
      {"EX005" + call + ";", 5, 0, "JA1XYZ      ", ex}, {"EX005" + call + ";", 5, 0, "JA1XYZ      ", {}},
      {"EX005JA1XYZ/P    ;", 5, 0, "JA1XYZ/P    ", ex},
      {"EX0001;", 1, 0, "", {}}, {"EX1971;", 1, 0, "", {}}, {"EX;", 1, 0, "", {}},
  };
  for (const auto& c : kCases) {
    rig.window.clear();
    rig.feed(c.reply);
    MenuListItem it;
    ASSERT_TRUE(rig.state.get_MenuItem(c.item, &it));
    EXPECT_TRUE(*c.text ? std::string(it.text) == c.text : c.item == 1 || it.value == c.value) << c.reply;
    EXPECT_EQ(rig.events(), c.events) << c.reply;
  }
  EXPECT_DOUBLE_EQ(menuTextValue("+1.25x", 6), 1.25);
  EXPECT_DOUBLE_EQ(menuTextValue("1234", 2), 12) << "reads no further than its width";
}

TEST(AnlRecvThread, TakesOneRecordPerMessageInOrder) {
  AnalyserRig rig;
  Sio_RingBuff ring;
  Anl_Recv_Thread thread(rig.analyser, ring);
  ASSERT_TRUE(thread.start());
  for (const char* r : {"FA14250000", "FB07100000"})
    ASSERT_GT(ring.Sio_RingBuff_Write(static_cast<std::int16_t>(std::strlen(r)), r), 0);
  for (int i = 0; i < 3; ++i) thread.post(kMsgReplyReady);   // the third finds nothing: not a reply
  thread.post(kMsgPowerSyncTimeout);
  ASSERT_TRUE(thread.stopBounded());
  EXPECT_EQ(rig.state.get_VfoB_Freq(), 7100000);
  EXPECT_EQ(rig.events(), (Msgs{test::kEvFA, test::kEvFB, kEvRM, kEvSM, kEvAI}));
  int rearmed = 0;
  for (const WindowCall& c : rig.window.calls()) rearmed += c == kSet17;
  EXPECT_EQ(rearmed, 2);
}

}  // namespace
}  // namespace hrx
