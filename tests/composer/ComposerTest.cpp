// The composer. First what the radio is asked and how long the composer
// waits between, written out literally: every step of the state read-out, the
// ID query and the keep-alive. A transcript interleaves the commands and the
// waits, so a swapped row, a shortened wait or a lost one shows. Then the
// exact bytes operations queue for representative values and stored state
// (one case or a few per kind of handler, one wake-up of the send thread per
// command), the sweeps' timers and flags, the link and power switches' side
// effects, the knobs' memory, the menu write and the thread.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "composer/Composer.h"
#include "menulist/MenuCatalogue.h"
#include "support/RecordingMainWindow.h"
#include "support/RecordingPostTarget.h"

namespace hrx {
namespace {

// A composer wired to fresh stores, real rings and recording fakes of the
// threads, the main window and the clock.
struct ComposerRig {
  // Sleeps return at once and are kept; in a transcript each wait follows
  // the commands composed before it.
  struct Clock final : hrx::Clock {
    explicit Clock(ComposerRig& r) : rig(r) {}
    std::int64_t nowMs() override { return 0; }
    void sleepMs(std::int64_t ms) override {
      sleeps.push_back(ms);
      rig.note(" +" + std::to_string(ms));
    }
    ComposerRig& rig;
    std::vector<std::int64_t> sleeps;
  };
  RadioState state;
  PanelMirror mirror;
  Sio_RingBuff sendRing;
  Sio_RingBuff recvRing;
  test::RecordingPostTarget sendThread, analyser, self;
  test::RecordingMainWindow window;
  WindowFlags flags;
  Clock clock{*this};
  ComposerContext ctx{state, mirror, sendRing, recvRing, sendThread, analyser, self, window, flags, clock};
  Composer composer{ctx};

  bool handle(MsgId id, WParam w = 0, LParam l = 0) { return composer.handle(Msg{id, w, l}); }
  bool op(int number, std::int32_t value = 0, bool subSide = false) {
    return handle(operationInfo(number)->msg, subSide ? kSubSide : 0, value);
  }
  // Every record waiting in a ring, oldest first.
  static std::vector<std::string> drain(Sio_RingBuff& ring) {
    std::vector<std::string> out;
    char buf[Sio_RingBuff::kSlotBytes];
    for (int n; (n = ring.Sio_RingBuff_Read(buf)) > 0;) out.emplace_back(buf, static_cast<std::size_t>(n));
    return out;
  }
  std::vector<std::string> sent() { return drain(sendRing); }
  // Wake-ups of the send thread since the last call.
  std::size_t kicks() { return sendThread.take().size(); }
  // What one message has the composer send and wait, in order: "ID; +25".
  std::string transcript(MsgId id, WParam w = 0, LParam l = 0) {
    sent();
    log_.clear();
    logging_ = true;
    handle(id, w, l);
    note("");
    logging_ = false;
    return log_.substr(log_.empty() ? 0 : 1);
  }

 private:
  void note(const std::string& wait) {
    if (!logging_) return;
    for (const std::string& s : sent()) log_ += " " + s;
    log_ += wait;
  }
  bool logging_ = false;
  std::string log_;
};

// The 76 steps of the state read-out, one string per step: commands and
// waits in the order they happen.
constexpr const char* kReadOutSteps[76] = {
    "",                                   // 0 ID: asked before the sweep
    "RT;", "XT;", "SF;", "BP00; BP01;", "BC0; +25", "CO00; CO01; CO02;", "MS;", "NR0; +25", "FT;",
    "FR;", "LK;", "FS;", "VS;", "NA0; +25", "NB0; +25", "RF0; +25", "GT0; +25", "RA0; +25", "PA0; +25",
    "KR;", "TS;", "AN0; +25", "AC;",
    "",                                   // 24 DS
    "MX;", "VX;", "BI;", "PR0; PR1;", "ML0; +25", "CS;",
    "",                                   // 31 DP
    "RM0;", "KP;", "KS;", "SD;", "NL0; +25", "MG;", "PL;", "VG;", "VD;",
    "SQ0; +25", "AG0; +25", "RG0; +25", "IF;", "VF0; +25", "IS0; +25", "SH0; +25", "RL0; +25", "BY;",
    "FA;", "FB;", "RO;", "SC;", "SM0; +25", "TX;", "UL;",
    "",                                   // 57 AI
    "CN0; +25", "CT0; +25", "KM1; KM2; KM3; KM4; KM5;", "MC;", "OI;", "OS0; +25", "PB0; +25",
    "PC;", "RS;", "MD0; +25", "PS;", "RI0; RI1; RI3; RI4; RI5; RI6; RI7; RI8;",
    "",                                   // 70 CW
    "BG1;", "LM0; +25",
    // One row's transcript, written on two lines.
    ("PE000; +25 PE001; +25 PE002; +25 PE010; +25 PE011; +25 PE012; +25 PE020; +25 PE021; +25 PE022; +25 "
     "PE200; +25 PE201; +25 PE202; +25 PE210; +25 PE211; +25 PE212; +25 PE220; +25 PE221; +25 PE222; +25"),
    "",                                   // 74 KC
    "CA0;",
};

TEST(ComposerTranscript, StateReadOutStepByStep) {
  ComposerRig rig;
  rig.transcript(kMsgSyncStart);
  for (int step = 0; step < 76; ++step) EXPECT_EQ(rig.transcript(kMsgSyncStep), kReadOutSteps[step]) << "step " << step;
  // The sweep is over; the menu read-out follows on its own timer.
  EXPECT_FALSE(rig.composer.syncRunning());
  EXPECT_EQ(rig.transcript(kMsgExStep), "EX001;");
}

TEST(ComposerTranscript, IdQueryKeepAliveAndConnectionSwitch) {
  const struct {
    int ai, ps;   // AI_Stat, PS_Stat of the store
    int mirrorAi;
    MsgId msg;
    WParam w;
    const char* want;
  } kCases[] = {
      {0, 0, 0, kMsgIdQuery, 0, "ID; +25 ID0900; +25"},
      {0, 0, 0, 0x856A, 0, ""},
      {0, 1, 0, 0x856A, 0, ""},
      {1, 0, 0, 0x856A, 0, "PS;"},
      {1, 1, 0, 0x856A, 0, "PS;"},
      {0, 0, 0, 0x8501, 0, "AI1; +20 AI;"},
      {0, 0, 1, 0x8501, 0, "AI0; +20 AI; +25"},
      // The analyser's press to bring the link on (a refused AI1;, the
      // radio's power back): the link that came on meanwhile stays on.
      {0, 0, 0, 0x8501, 0x100, "AI1; +20 AI;"},
      {1, 1, 1, 0x8501, 0x100, ""},
  };
  for (const auto& c : kCases) {
    ComposerRig rig;
    rig.state.set_AI_Stat(c.ai);
    rig.state.set_PS_Stat(c.ps);
    rig.mirror.set_AI_Stat(c.mirrorAi);
    EXPECT_EQ(rig.transcript(c.msg, c.w), c.want) << std::hex << c.msg << " AI " << c.ai << " PS " << c.ps << " w " << c.w;
  }
  // The keep-alive's AI query 30 ms after its PS query, on a one-shot timer:
  // the composer is not held for the pause, and a link gone meanwhile is
  // not queried.
  for (const bool linkStays : {true, false}) {
    ComposerRig rig;
    rig.state.set_AI_Stat(1);
    rig.state.set_PS_Stat(1);
    EXPECT_EQ(rig.transcript(0x856A), "PS;");
    EXPECT_EQ(rig.window.timerPeriod(kTimerKeepAliveAi), 30u);
    if (!linkStays) rig.state.set_AI_Stat(0);
    EXPECT_EQ(rig.transcript(kMsgKeepAliveAi), linkStays ? "AI;" : "") << linkStays;
    EXPECT_EQ(rig.window.timerPeriod(kTimerKeepAliveAi), 0u);
  }
}

using Strings = std::vector<std::string>;

struct OpCase {
  int op;   // an operation number, or a control message of the composer
  WParam w;
  std::int32_t value;
  const char* want;   // the commands queued, one after the other
  std::function<void(ComposerRig&)> setup = nullptr;
};

constexpr WParam S = kSubSide;
#define SET(...) [](ComposerRig& r) { __VA_ARGS__; }

const OpCase kCases[] = {
    // Fixed commands; 42 with nothing edited sends nothing, 107 only wakes
    // the send thread, 67 has no handler.
    {20, 0, 0, "VS0;"}, {53, 0, 0, "BS11;"}, {109, 0, 0, "LM01;"}, {120, 0, 0, "PB00;"}, {138, 0, 0, "KYA;"},
    {58, 0, 0, "BP00001;"}, {42, 0, 0, ""}, {107, 0, 0, ""}, {67, 0, 0, ""},
    // Toggles and flips of a stored value.
    {3, 0, 0, "DS1;"}, {3, 0, 0, "DS0;", SET(r.mirror.set_DS_Stat(1))}, {3, 0, 0, "", SET(r.mirror.set_DS_Stat(2))},
    {18, 0, 0, "BI0;", SET(r.state.set_BI_Stat(1))}, {148, 0, 0, "CA0001;"},
    // Values through the digit writer, the side digit, ranges and lists.
    {7, S, 2, "AN12;"}, {7, 0, 4, ""}, {8, 0, -1, ""}, {14, 0, 2, "PA00;"}, {16, 0, 1, "GT04;"}, {16, 0, 5, ""},
    {17, S, 2, ""}, {57, S, 1, "VF1100;"}, {149, 0, 255, "NL1255;"},
    {99, 0, 1000, "AG0000;"},   // too many digits: the field stays '0'
    {101, 0, 400, "BP01400;"}, {142, S, 12, "CN112;"}, {172, 0, 10, "KC5001;"}, {179, 0, 9, "KC5191;"},
    // Chosen by the value.
    {31, 0, 2, "QS;"}, {31, 0, 1, ""}, {126, 0, 5, "RO2;"}, {146, S, 0, "OI;"}, {193, 0, 12, "MD0D;"},
    {193, 0, 13, "MD01;"}, {195, 0, 2, "SF7;"},
    // Chosen by the stored state.
    {25, 0, 0, "MK4;", SET(r.mirror.set_MK_Flag(1))}, {33, 0, 0, "FR3;", SET(r.mirror.set_FR_Stat(2))},
    {33, 0, 0, "", SET(r.mirror.set_FR_Stat(4))}, {54, 0, 0, "RT1;"},
    {54, 0, 0, "FS2;", SET(r.state.set_SF_Value(4), r.state.set_FS_Flag2(1))},
    {208, 0, 0, "CT00;", SET(r.state.set_MD_Main(10), r.state.set_CT_Main(2))},
    // Operation 206 by the receiving side's mode: FR_Stat 4 and 5 receive on the sub side.
    {206, 0, 0, "PR01;", SET(r.state.set_FR_Stat(3), r.state.set_MD_Main(1), r.state.set_MD_Sub(10))},
    {206, 0, 0, "OS01;", SET(r.state.set_FR_Stat(4), r.state.set_MD_Main(1), r.state.set_MD_Sub(10))},
    {206, 0, 0, "OS01;", SET(r.state.set_FR_Stat(5), r.state.set_MD_Main(1), r.state.set_MD_Sub(10))},
    // The contour switch walks through its kinds; off in a mode without one.
    {188, 0, 0, "CO0002;", SET(r.state.set_MD_Main(3), r.state.set_CO_Main_OnKind(1))},
    {188, 0, 0, "CO0000;", SET(r.state.set_MD_Main(1), r.state.set_CO_Main_On(1))},
    // Dials and frequencies.
    {78, 0, -99, "EU099;"}, {78, 0, 100, ""}, {78, 0, 0, ""}, {81, 0, -3, "ED303;"}, {83, S, 7000000, "FB07000000;"},
    {82, 0, 60000000, "FA60000000;"}, {82, 0, 60000001, ""}, {82, 0, 3000, "FA00003000;"}, {82, 0, 2999, ""},
    // Steps and shifts.
    {85, 0, -3, "VF01-3;"}, {85, S, 12, "VF11+0;"}, {165, 0, 3, "VF11+3;", SET(r.state.set_KC_Sub_Flag5(1))},
    {102, 0, -250, "IS0-0250;"}, {153, 0, -20, "IS0+0080;", SET(r.state.set_IS_Main(100))},
    {201, 0, 35, "IS0+0020;", SET(r.state.set_IS_Main(100))},   // turning down
    {201, 0, 5, "", SET(r.state.set_MD_Main(4))}, {95, 0, 1500, "VD1500;SD1500;"}, {204, 0, 100, "RG0100;"},
    {204, 0, 100, "SQ0100;", [](ComposerRig& r) {
       ASSERT_TRUE(loadBuiltInCatalogue(r.state));
       r.state.edit_MenuItem(36, [](MenuListItem& m) { m.value = 1; return true; });
     }},
    // Knobs that step towards the value.
    {197, 0, 49, "", SET(r.state.set_MD_Main(6))},
    {198, 0, 40, "ED501;", SET(r.state.set_MD_Main(4), r.state.set_PC_Value(50))}, {199, 0, 90, ""},
    {200, 0, 20, "EU701;",
     SET(r.state.set_CO_Main_On(1), r.state.set_CO_Main_OnKind(2), r.state.set_CO_Main_Level2(10))},
    // The VFO receive keys.
    {189, 0, 0, "FR0;", SET(r.state.set_FR_Stat(4))}, {189, 0, 0, "", SET(r.state.set_FR_Stat(2))},
    // Polls and soft keys.
    {kMsgRmPoll, 0, 0, "RM3;"}, {kMsgRmPoll, 0, 0, "RM8;", SET(r.mirror.set_MS_Stat(5))}, {kMsgSmPoll, 0, 0, "SM1;"},
    {kMsgOiRead, 0, 0, "OI;"}, {kMsgSendCs, 7, 0, "CS1;"}, {kMsgSendSq, 42, 0, "SQ0042;"}, {kMsgSendTx, 1, 0, "TX1;"},
    // Link and power (their side effects have tests of their own).
    {1, 0, 0, "AI1;AI;"}, {1, 0, 0, "AI0;AI;", SET(r.mirror.set_AI_Stat(1))},
    {1, 0, 0, "", SET(r.mirror.set_AI_Stat(2))}, {2, 0, 0, "PS1;PS1;"}, {2, 0, 0, "PS0;", SET(r.mirror.set_PS_Stat(1))},
    {106, 0, 0, ""}, {106, 0, 0, "PS;", SET(r.state.set_AI_Stat(1), r.state.set_PS_Stat(1))},
};

TEST(ComposerOperations, OperationsQueueTheirExactCommands) {
  for (const OpCase& c : kCases) {
    const OperationInfo* info = operationInfo(c.op);
    ASSERT_TRUE(info || c.op > 0x8000) << c.op;
    SCOPED_TRACE((info ? info->name : "message") + (" " + std::to_string(c.op) + ", V " + std::to_string(c.value)));
    ComposerRig rig;
    if (c.setup) c.setup(rig);
    EXPECT_EQ(rig.handle(info ? info->msg : static_cast<MsgId>(c.op), c.w, c.value), c.op != 67);
    std::vector<std::string> want;
    for (std::string s = c.want; !s.empty(); s.erase(0, s.find(';') + 1)) want.push_back(s.substr(0, s.find(';') + 1));
    EXPECT_EQ(rig.sent(), want);
    EXPECT_EQ(rig.kicks(), c.op == 107 ? 1u : want.size());
  }
}

// Keying with a ticket is handed on as a message behind what this thread
// queued before it, never as a record: a release asked for after it must
// still be able to take it back. Without a ticket it is a record; only the
// radio's keying digits are sent.
TEST(ComposerOperations, KeyingWithATicketFollowsAsAMessage) {
  ComposerRig rig;
  rig.op(82, 14074000);
  EXPECT_TRUE(rig.handle(kMsgSendTx, 1, 7));
  EXPECT_EQ(rig.sent(), std::vector<std::string>{"FA14074000;"});
  const std::vector<Msg> posts = {{kMsgSend, 0, 0}, {kMsgSendKey, 1, 7}};
  EXPECT_EQ(rig.sendThread.take(), posts);
  rig.handle(kMsgSendTx, 2, 0);
  rig.handle(kMsgSendTx, 3, 9);
  rig.handle(kMsgSendTx, 0, 9);
  EXPECT_EQ(rig.sent(), (std::vector<std::string>{"TX2;", "TX0;"}));
  EXPECT_EQ(rig.kicks(), 2u);
}

// Operation n is thread message 0x8500 + n; no two rows share a message.
TEST(ComposerOperations, RequestsPostTheirMessageAndFlagsCountOnlyWhenExactlyOne) {
  test::RecordingPostTarget composer;
  EXPECT_TRUE(Anl_Send_Request(composer, 1, 0, 0, 0, 0));
  EXPECT_TRUE(Anl_Send_Request(composer, 148, 1, 1, 1, -5));
  EXPECT_TRUE(Anl_Send_Request(composer, 212, 2, 3, 255, 2));
  EXPECT_FALSE(Anl_Send_Request(composer, 213, 0, 0, 0, 0));
  const std::vector<Msg> want = {{0x8501, 0, 0}, {0x8594, 0x10100001, -5}, {0x85D4, 0, 2}};
  EXPECT_EQ(composer.msgs(), want);
}


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
  // A read-out cut off (the link dropped) is not running: nothing that
  // waits for the read-out to be over may wait for ever.
  EXPECT_EQ(rig.flags.busy.load(), 0);
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

// Operation 42 sends each edited item once, encoded by its value class (the
// menu window's tests write a text item).
TEST(ComposerMenuWrite, EncodesEachValueClassAndSendsOnlyChangedItems) {
  const struct {
    int n;
    double v;
    const char* want;
  } kCases[] = {
      {108, -7, "EX108-07; +10"}, {108, 123, "EX108123; +10"},   // all digits: no room for the sign
      {108, 1234, "EX108000; +10"}, {128, 3, "EX12805; +10"},    // span: two more than the index
      {23, -1, "EX023000; +10"},                                 // unsigned and negative
      // Beacon time: a code from the chooser goes as it is; seconds from the
      // radio's reply (above 240 s) go back as the code they came from.
      {23, 241, "EX023241; +10"}, {23, 270, "EX023241; +10"}, {23, 690, "EX023255; +10"},
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
    EXPECT_EQ(rig.transcript(operationInfo(42)->msg), "") << "already sent";
  }
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
