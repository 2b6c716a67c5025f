// What the replayer lets differ from a recording: the reads the program
// sends on its own timers a few places either way, nothing else.
#include <gtest/gtest.h>

#include <string>

#include "ReplayMatch.h"

namespace hrx::sim {
namespace {

// A read-out's mode step as recorded: the mode read, the window's IF/OI,
// the read-out's PS row, the rows after it; a keep-alive in the menu sweep.
constexpr const char* kRecorded =
    "MD0;IF;OI;PS;RI0;RI1;RI3;RI4;RI5;RI6;RI7;RI8;BG1;LM0;PE000;PE001;PE002;"
    "EX001;EX002;EX003;EX004;EX005;EX006;PS;AI;EX007;EX008;";

TEST(ReplayMatch, TimedReadsMayMoveAndNothingElseMay) {
  struct Row {
    const char* label;
    const char* sent;
    bool ok;
  };
  const Row cases[] = {
      {"as recorded", kRecorded, true},
      {"the read-out's PS between IF and OI (the flake)",
       "MD0;IF;PS;OI;RI0;RI1;RI3;RI4;RI5;RI6;RI7;RI8;BG1;LM0;PE000;PE001;PE002;"
       "EX001;EX002;EX003;EX004;EX005;EX006;PS;AI;EX007;EX008;", true},
      {"the window's IF/OI ten rows late",
       "MD0;PS;RI0;RI1;RI3;RI4;RI5;RI6;RI7;RI8;BG1;LM0;IF;OI;PE000;PE001;PE002;"
       "EX001;EX002;EX003;EX004;EX005;EX006;PS;AI;EX007;EX008;", true},
      {"the keep-alive three steps early (seen on a loaded machine)",
       "MD0;IF;OI;PS;RI0;RI1;RI3;RI4;RI5;RI6;RI7;RI8;BG1;LM0;PE000;PE001;PE002;"
       "EX001;EX002;EX003;PS;AI;EX004;EX005;EX006;EX007;EX008;", true},
      {"the keep-alive's AI a step after the next read",
       "MD0;IF;OI;PS;RI0;RI1;RI3;RI4;RI5;RI6;RI7;RI8;BG1;LM0;PE000;PE001;PE002;"
       "EX001;EX002;EX003;EX004;EX005;EX006;PS;EX007;AI;EX008;", true},
      {"more sent after the recording ended",
       "MD0;IF;OI;PS;RI0;RI1;RI3;RI4;RI5;RI6;RI7;RI8;BG1;LM0;PE000;PE001;PE002;"
       "EX001;EX002;EX003;EX004;EX005;EX006;PS;AI;EX007;EX008;EX009;PS;AI;EX010", true},

      {"two read-out rows swapped",
       "MD0;IF;OI;PS;RI1;RI0;RI3;RI4;RI5;RI6;RI7;RI8;BG1;LM0;PE000;PE001;PE002;"
       "EX001;EX002;EX003;EX004;EX005;EX006;PS;AI;EX007;EX008;", false},
      {"a read-out row missing",
       "MD0;IF;OI;PS;RI0;RI1;RI3;RI4;RI5;RI6;RI7;RI8;BG1;LM0;PE000;PE002;"
       "EX001;EX002;EX003;EX004;EX005;EX006;PS;AI;EX007;EX008;", false},
      {"a command added",
       "MD0;IF;OI;PS;RI0;RI1;RI3;RI4;RI5;RI6;RI7;RI8;BG1;LM0;LM0;PE000;PE001;PE002;"
       "EX001;EX002;EX003;EX004;EX005;EX006;PS;AI;EX007;EX008;", false},
      {"a command changed",
       "MD1;IF;OI;PS;RI0;RI1;RI3;RI4;RI5;RI6;RI7;RI8;BG1;LM0;PE000;PE001;PE002;"
       "EX001;EX002;EX003;EX004;EX005;EX006;PS;AI;EX007;EX008;", false},
      {"the window's OI missing",
       "MD0;IF;PS;RI0;RI1;RI3;RI4;RI5;RI6;RI7;RI8;BG1;LM0;PE000;PE001;PE002;"
       "EX001;EX002;EX003;EX004;EX005;EX006;PS;AI;EX007;EX008;", false},
      {"a keep-alive fewer (the session ran quicker)",
       "MD0;IF;OI;PS;RI0;RI1;RI3;RI4;RI5;RI6;RI7;RI8;BG1;LM0;PE000;PE001;PE002;"
       "EX001;EX002;EX003;EX004;EX005;EX006;AI;EX007;EX008;", true},
      {"a keep-alive more, twenty steps away (its timer runs from the program's start)",
       "MD0;IF;OI;PS;PS;AI;RI0;RI1;RI3;RI4;RI5;RI6;RI7;RI8;BG1;LM0;PE000;PE001;PE002;"
       "EX001;EX002;EX003;EX004;EX005;EX006;PS;AI;EX007;EX008;", true},
      {"cut short",
       "MD0;IF;OI;PS;RI0;RI1;RI3;RI4;RI5;RI6;RI7;RI8;BG1;LM0;PE000;PE001;PE002;"
       "EX001;EX002;EX003;EX004;EX005;EX006;PS;AI;EX007;", false},
      {"a link switch is no timed read",
       "MD0;IF;OI;PS;RI0;RI1;RI3;RI4;RI5;RI6;RI7;RI8;BG1;LM0;PE000;PE001;PE002;"
       "EX001;EX002;EX003;EX004;EX005;EX006;PS;AI0;EX007;EX008;", false},
  };
  for (const Row& c : cases) {
    const CommandMatch m = matchCommands(kRecorded, c.sent);
    EXPECT_EQ(m.ok, c.ok) << c.label << ": " << m.why;
    EXPECT_EQ(m.why.empty(), c.ok) << c.label;
  }
}

// The device vanishes a few ms before the read-out's next tick: that read
// went out or not, before the link starts again with its ID query.
TEST(ReplayMatch, AVanishedDeviceMayCutTheReadOutAReadEarlierOrLater) {
  constexpr const char* kVanish = "EX034;EX035;AI0;AI1;AI;ID;ID0900;PS;AI;RT;XT;";
  const struct {
    const char* label;
    const char* sent;
    bool ok;
  } cases[] = {
      {"one read more (seen on a loaded machine)", "EX034;EX035;EX036;AI0;AI1;AI;ID;ID0900;PS;AI;RT;XT;", true},
      {"one read fewer", "EX034;AI0;AI1;AI;ID;ID0900;PS;AI;RT;XT;", true},
      {"three reads more", "EX034;EX035;EX036;EX037;EX038;AI0;AI1;AI;ID;ID0900;PS;AI;RT;XT;", false},
      {"a write more", "EX034;EX035;EX0361;AI0;AI1;AI;ID;ID0900;PS;AI;RT;XT;", false},
      {"a read more elsewhere", "EX034;EX035;AI0;AI1;AI;ID;ID0900;PS;AI;RT;RT;XT;", false},
  };
  for (const auto& c : cases) {
    const CommandMatch m = matchCommands(kVanish, c.sent);
    EXPECT_EQ(m.ok, c.ok) << c.label << ": " << m.why;
  }
}

// The window's IF/OI after a mode reply go as its thread runs: on a loaded
// machine (two busy loops beside a whole suite) seen 28 commands late.
TEST(ReplayMatch, TheWindowsReadsMayStrayFortyCommandsAndNoMore) {
  auto menuReads = [](int from, int to) {
    std::string out;
    for (int no = from; no <= to; ++no) out += "EX" + std::string(no < 10 ? "00" : "0") + std::to_string(no) + ";";
    return out;
  };
  const std::string recorded = "MD0;" + menuReads(1, 50) + "IF;OI;" + menuReads(51, 100);
  const struct {
    int after;   // the menu reads sent before the window's IF/OI
    bool ok;
  } cases[] = {{50, true}, {10, true}, {90, true}, {9, false}, {91, false}};
  for (const auto& c : cases) {
    const std::string sent = "MD0;" + menuReads(1, c.after) + "IF;OI;" + menuReads(c.after + 1, 100);
    EXPECT_EQ(matchCommands(recorded, sent).ok, c.ok) << c.after;
  }
}

// The switch after the radio's power report crosses the menu read-out's
// ticks; it may not go missing, come twice or stray far.
TEST(ReplayMatch, ALinkSwitchMayCrossTheReadOutByTiming) {
#define HRX_TAIL "EX039;EX040;EX041;EX042;EX043;EX044;EX045;EX046;EX047;EX048;EX049;EX050;"
  constexpr const char* kPowerBack = "PS;EX036;EX037;AI1;EX038;" HRX_TAIL;
  const struct {
    const char* label;
    const char* sent;
    bool ok;
  } cases[] = {
      {"a read later (seen on a loaded machine)", "PS;EX036;EX037;EX038;AI1;" HRX_TAIL, true},
      {"two reads earlier", "PS;AI1;EX036;EX037;EX038;" HRX_TAIL, true},
      {"missing", "PS;EX036;EX037;EX038;" HRX_TAIL, false},
      {"twice", "PS;EX036;EX037;AI1;EX038;AI1;" HRX_TAIL, false},
      {"the other way", "PS;EX036;EX037;AI0;EX038;" HRX_TAIL, false},
  };
#undef HRX_TAIL
  for (const auto& c : cases) {
    const CommandMatch m = matchCommands(kPowerBack, c.sent);
    EXPECT_EQ(m.ok, c.ok) << c.label << ": " << m.why;
    EXPECT_EQ(m.why.empty(), c.ok) << c.label;
  }
}

TEST(ReplayMatch, FrequencyWritesKeepTheirOrder) {
  // Two FA writes swapped leave the radio on the other frequency.
  const CommandMatch m = matchCommands("FA00007000000;PS;FA00007100000;", "FA00007100000;PS;FA00007000000;");
  EXPECT_FALSE(m.ok);
  EXPECT_EQ(m.why, "command 1 (not counting PS, AI, IF, OI, AI0, AI1): recorded \"FA00007000000;\", now \"FA00007100000;\"");
  EXPECT_EQ(matchCommands("FA;", "").why, "command 1 (not counting PS, AI, IF, OI, AI0, AI1): recorded \"FA;\", not sent");
}

TEST(ReplayMatch, DumpLinesLeftOutAreTheTimedFlagsOnly) {
  for (const char* key : {"AwaitingReply", "PowerSyncTimerArmed", "AiOnRequested"}) EXPECT_TRUE(isTimingDumpKey(key)) << key;
  for (const char* key : {"AI_Stat", "PS_Stat", "AiResyncNeeded", "CommEnabled", "MD_Main", "panel"})
    EXPECT_FALSE(isTimingDumpKey(key)) << key;
}

}  // namespace
}  // namespace hrx::sim
