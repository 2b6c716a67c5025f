// What the radio is asked and how long the composer waits between, written
// out literally: every step of the state read-out, the ID query and the
// keep-alive. A transcript interleaves the commands and the waits, so a
// swapped row, a shortened wait or a lost one shows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "composer/ComposerRig.h"

namespace hrx {
namespace {

using test::ComposerRig;

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
    const char* want;
  } kCases[] = {
      {0, 0, 0, kMsgIdQuery, "ID; +25 ID0900; +25"},
      {0, 0, 0, 0x856A, ""},
      {0, 1, 0, 0x856A, ""},
      {1, 0, 0, 0x856A, "PS;"},
      {1, 1, 0, 0x856A, "PS; +30 AI;"},
      {0, 0, 0, 0x8501, "AI1; +20 AI;"},
      {0, 0, 1, 0x8501, "AI0; +20 AI; +25"},
  };
  for (const auto& c : kCases) {
    ComposerRig rig;
    rig.state.set_AI_Stat(c.ai);
    rig.state.set_PS_Stat(c.ps);
    rig.mirror.set_AI_Stat(c.mirrorAi);
    EXPECT_EQ(rig.transcript(c.msg), c.want) << std::hex << c.msg << " AI " << c.ai << " PS " << c.ps;
  }
}

}  // namespace
}  // namespace hrx
