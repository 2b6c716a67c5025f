// The simulated radio against the program's own tables: every query the
// program sends gets one reply of the reply table's length, sets round-trip,
// auto-information reports changes, refusals answer "?;" and leave the state
// alone, power-off silences the radio, and input may come in any chunking.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "SimRadio.h"
#include "state/ReplyCodeTable.h"
#include "menulist/MenuCatalogue.h"
#include "state/RadioState.h"

namespace hrx::sim {
namespace {

std::string ask(SimRadio& radio, std::string_view bytes) {
  radio.feed(bytes);
  return radio.takeOutput();
}

int countOf(const std::string& s, char c) { return static_cast<int>(std::count(s.begin(), s.end(), c)); }

bool sameState(const SimState& a, const SimState& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Every query of the program's state read-out (its read table expanded the
// way the sweep sends it), the meter polls and the rows the sweep skips.
const char* const kProgramQueries[] = {
    "ID;",   "RT;",   "XT;",   "SF;",   "BP00;", "BP01;", "BC0;",  "CO00;", "CO01;", "CO02;", "MS;",   "NR0;",
    "FT;",   "FR;",   "LK;",   "FS;",   "VS;",   "NA0;",  "NB0;",  "RF0;",  "GT0;",  "RA0;",  "PA0;",  "KR;",
    "TS;",   "AN0;",  "AC;",   "DS;",   "MX;",   "VX;",   "BI;",   "PR0;",  "PR1;",  "ML0;",  "CS;",   "DP;",
    "RM0;",  "RM3;",  "RM4;",  "RM5;",  "RM6;",  "RM7;",  "RM8;",  "KP;",   "KS;",   "SD;",   "NL0;",  "MG;",
    "PL;",   "VG;",   "VD;",   "SQ0;",  "SQ1;",  "AG0;",  "RG0;",  "IF;",   "VF0;",  "IS0;",  "SH0;",  "RL0;",
    "BY;",   "FA;",   "FB;",   "RO;",   "SC;",   "SM0;",  "SM1;",  "TX;",   "UL;",   "AI;",   "CN0;",  "CT0;",
    "KM1;",  "KM2;",  "KM3;",  "KM4;",  "KM5;",  "MC;",   "OI;",   "OS0;",  "PB0;",  "PC;",   "RS;",   "MD0;",
    "PS;",   "RI0;",  "RI1;",  "RI3;",  "RI4;",  "RI5;",  "RI6;",  "RI7;",  "RI8;",  "CW;",   "BG1;",  "LM0;",
    "PE000;", "PE001;", "PE002;", "PE010;", "PE011;", "PE012;", "PE020;", "PE021;", "PE022;",
    "PE200;", "PE201;", "PE202;", "PE210;", "PE211;", "PE212;", "PE220;", "PE221;", "PE222;",
    "CA0;",  "KC505;", "IS1;",  "SH1;",  "RL1;",  "VF1;",  "NL1;",  "AG1;",  "RG1;",  "MD1;",  "BC1;",  "NR1;",
};

TEST(SimRadioRead, EveryProgramQueryGetsOneReplyOfTheTableLength) {
  for (const char* query : kProgramQueries) {
    SCOPED_TRACE(query);
    SimRadio radio;
    const std::string reply = ask(radio, query);
    ASSERT_GE(reply.size(), 3u);
    EXPECT_EQ(reply.substr(0, 2), std::string(query, 2));
    EXPECT_EQ(reply.back(), ';');
    EXPECT_EQ(countOf(reply, ';'), 1);
    EXPECT_EQ(static_cast<int>(reply.size()), ReplyCodeTable::nominalLength(query[0], query[1]));
    // The reply keeps the query's selector characters.
    const std::string key(query + 2, std::strlen(query) - 3);
    EXPECT_EQ(reply.substr(2, key.size()), key);
  }
}

TEST(SimRadioRead, EveryReplyFormHasTheReplyTableLength) {
  for (int i = 0; i < kReplyFormCount; ++i) {
    const ReplyForm& f = kReplyForms[i];
    if ((f.flags & kRead) == 0) continue;
    const std::string query = std::string(f.code, 2) + f.key + ";";
    SCOPED_TRACE(query);
    SimRadio radio;
    const std::string reply = ask(radio, query);
    EXPECT_EQ(static_cast<int>(reply.size()), ReplyCodeTable::nominalLength(f.code[0], f.code[1]));
    EXPECT_EQ(countOf(reply, ';'), 1);
  }
}

TEST(SimRadioRead, IdNamesTheModel) {
  SimRadio radio;
  EXPECT_EQ(ask(radio, "ID;"), "ID0460;");
}

TEST(SimRadioRead, InitialRepliesCarryTheStartValues) {
  struct Case {
    const char* query;
    const char* reply;
  };
  const Case cases[] = {
      {"FA;", "FA14250000;"},
      {"FB;", "FB07050000;"},
      {"MD0;", "MD02;"},
      {"LK;", "LK4;"},
      {"AC;", "AC000;"},
      {"AN0;", "AN010;"},
      {"IF;", "IF00114250000+000000200000;"},
      {"OI;", "OI00007050000+000000100000;"},
      {"PE001;", "PE001+05;"},
      {"PE222;", "PE222001;"},
      {"AI;", "AI0;"},
      {"PS;", "PS1;"},
  };
  for (const Case& c : cases) {
    SimRadio radio;
    EXPECT_EQ(ask(radio, c.query), c.reply) << c.query;
  }
  SimRadio radio;
  EXPECT_EQ(ask(radio, "KM1;"), "KM1" + std::string(50, ' ') + ";") << "keyer memories start blank";
}

// The analyser's reading of an EX value: BEACON TIME above 240 counts in
// 30 s steps, SPAN FREQ items carry 2 more than their value.
double analyserValue(const MenuRowDef& row, const std::string& text) {
  double v = std::stod(text);
  if (row.type == 16 && v > 240) v = (v - 240) * 30 + 240;
  if (row.type == 40) v -= 2;
  return v;
}

TEST(SimRadioMenu, EveryItemAnswersWithTheCatalogueWidthAndItsInitialValue) {
  RadioState state;
  ASSERT_TRUE(loadBuiltInCatalogue(state));
  SimRadio radio;
  for (int no = 1; no <= kMenuItemCount; ++no) {
    char query[8];
    std::snprintf(query, sizeof query, "EX%03d;", no);
    SCOPED_TRACE(query);
    const std::string reply = ask(radio, query);
    int expected = 0;
    ASSERT_TRUE(state.get_MenuReplyLen(query + 2, &expected));
    ASSERT_EQ(static_cast<int>(reply.size()), expected);
    EXPECT_EQ(reply.substr(0, 5), std::string(query, 5));
    const MenuRowDef& row = kMenuRows[no - 1];
    const std::string value = reply.substr(5, static_cast<std::size_t>(row.width));
    // The radio takes its own value back: the program may write an item
    // unchanged.
    EXPECT_TRUE(menuTextValid(no, value)) << value;
    if (row.type == 41) {
      EXPECT_EQ(value.substr(0, std::strlen(row.text)), row.text);
    } else {
      EXPECT_EQ(IntOf(analyserValue(row, value)), IntOf(row.value));
    }
  }
}

struct RoundTrip {
  const char* sets;    // one or more set commands
  const char* query;
  const char* reply;
};

const RoundTrip kRoundTrips[] = {
    {"FA07000000;", "FA;", "FA07000000;"},
    {"FB21074000;", "FB;", "FB21074000;"},
    {"MD03;", "MD0;", "MD03;"},
    {"MD1C;", "MD1;", "MD1C;"},
    {"FR4;", "FR;", "FR4;"},
    {"FT3;", "FT;", "FT1;"},
    {"FT3;FT2;", "FT;", "FT0;"},
    {"VS1;", "VS;", "VS1;"},
    {"AG0123;", "AG0;", "AG0123;"},
    {"SQ1045;", "SQ1;", "SQ1045;"},
    {"RG0200;", "RG0;", "RG0200;"},
    {"NL1007;", "NL1;", "NL1007;"},
    {"PC050;", "PC;", "PC050;"},
    {"KP12;", "KP;", "KP12;"},
    {"KS030;", "KS;", "KS030;"},
    {"SD1000;", "SD;", "SD1000;"},
    {"VD0700;", "VD;", "VD0700;"},
    {"MG080;", "MG;", "MG080;"},
    {"IS0-0250;", "IS0;", "IS0-0250;"},
    {"SH005;", "SH0;", "SH005;"},
    {"RL112;", "RL1;", "RL112;"},
    {"BP00001;", "BP00;", "BP00001;"},
    {"BP01123;", "BP01;", "BP01123;"},
    {"CO0002;", "CO00;", "CO0002;"},
    {"CO0125;", "CO01;", "CO0125;"},
    {"NB02;", "NB0;", "NB02;"},
    {"NR01;", "NR0;", "NR01;"},
    {"BC01;", "BC0;", "BC01;"},
    {"NA01;", "NA0;", "NA01;"},
    {"RF05;", "RF0;", "RF05;"},
    {"GT03;", "GT0;", "GT03;"},
    {"RA02;", "RA0;", "RA02;"},
    {"PA01;", "PA0;", "PA01;"},
    {"AN03;", "AN0;", "AN030;"},
    {"AN05;", "AN0;", "AN011;"},
    {"AC002;", "AC;", "AC002;"},
    {"ML0001;", "ML0;", "ML0001;"},
    {"ML1080;", "ML1;", "ML1080;"},
    {"PR01;", "PR0;", "PR01;"},
    {"LK1;LK3;", "LK;", "LK7;"},
    {"FS3;", "FS;", "FS6;"},
    {"SF4;", "SF;", "SF4;"},
    {"RT1;", "RT;", "RT1;"},
    {"XT1;", "XT;", "XT1;"},
    {"MS5;", "MS;", "MS5;"},
    {"DS1;MX1;VX1;", "VX;", "VX1;"},
    {"BI1;", "BI;", "BI1;"},
    {"CS1;", "CS;", "CS1;"},
    {"DP3;", "DP;", "DP3;"},
    {"KR1;", "KR;", "KR1;"},
    {"TS1;", "TS;", "TS1;"},
    {"SC2;", "SC;", "SC2;"},
    {"TX1;", "TX;", "TX1;"},
    {"CW1;", "CW;", "CW1;"},
    {"MC042;", "MC;", "MC042;"},
    {"CN012;", "CN0;", "CN012;"},
    {"CT12;", "CT1;", "CT12;"},
    {"OS12;", "OS1;", "OS12;"},
    {"PB03;", "PB0;", "PB03;"},
    {"LM11;", "LM1;", "LM11;"},
    {"CA0001;", "CA0;", "CA0001;"},
    {"RO1;", "RO;", "RO1000050;"},
    {"VF01+3;", "VF0;", "VF010031;"},
    {"VF01+3;VF0100;", "VF0;", "VF010001;"},
    {"VF10-1;", "VF1;", "VF100000;"},
    {"KC5031;", "KC503;", "KC50310;"},
    {"KC5031;KC5031;", "KC503;", "KC50300;"},
    {"EX0010500;", "EX001;", "EX0010500;"},
    {"EX005K1ABC       ;", "EX005;", "EX005K1ABC       ;"},
    {"EX042-07;", "EX042;", "EX042-07;"},
    {"EX0381;", "EX038;", "EX0381;"},
    // The equaliser replies and the menu items are one store.
    {"PE011-08;", "EX163;", "EX163-08;"},
    {"EX160+03;", "PE001;", "PE001+03;"},
    {"EX17607;", "PE222;", "PE222007;"},
    {"PE200005;", "PE200;", "PE200005;"},
    // IF shows the main side together.
    {"FA07074000;MD03;RT1;MC005;", "IF;", "IF00507074000+000010300000;"},
    {"RU0150;RD0300;", "IF;", "IF00114250000-015000200000;"},
    {"RU0150;RC;", "IF;", "IF00114250000+000000200000;"},
    {"FB03573000;MD12;", "OI;", "OI00003573000+000000200000;"},
    // Actions.
    {"FA07010000;AB;", "FB;", "FB07010000;"},
    {"SV;", "FA;", "FA07050000;"},
    {"SV;", "MD1;", "MD12;"},
    {"BS03;", "FA;", "FA07100000;"},
    {"BS03;BS05;", "FA;", "FA14250000;"},
    {"BU0;", "FA;", "FA18100000;"},
    {"BD0;", "FA;", "FA10120000;"},
    {"ED005;", "FA;", "FA14249950;"},
    {"EU099;", "FA;", "FA14250990;"},
    {"EU210;", "FA;", "FA14260000;"},
    {"ED101;", "FB;", "FB07049990;"},
    {"EU401;", "MG;", "MG051;"},
    {"MD03;EU402;", "KS;", "KS022;"},
    {"EU501;", "PL;", "PL051;"},
    {"MD04;ED503;", "PC;", "PC097;"},
    {"BP00001;EU610;", "BP01;", "BP01110;"},
    {"CO0001;EU703;", "CO01;", "CO0113;"},
    {"CO0002;ED705;", "CO02;", "CO0220;"},
    {"QS;", "FB;", "FB14255000;"},
    {"QS;", "FT;", "FT1;"},
    {"AM;FA07000000;MA;", "FA;", "FA14250000;"},
    {"QI;FA07000000;QR;", "FA;", "FA14250000;"},
    {"CH0;", "MC;", "MC002;"},
    {"CH1;", "MC;", "MC117;"},
    {"UP05;", "FA;", "FA14250050;"},
    {"DN00;", "FA;", "FA14249990;"},
    {"VM;", "IF;", "IF00114250000+000000210000;"},
};

TEST(SimRadioSet, SetThenReadRoundTrips) {
  for (const RoundTrip& c : kRoundTrips) {
    SCOPED_TRACE(c.sets);
    SimRadio radio;
    EXPECT_EQ(ask(radio, c.sets), "") << "a set is answered only in auto-information mode";
    EXPECT_EQ(ask(radio, c.query), c.reply);
  }
}

TEST(SimRadioSet, KeyerTextsRoundTrip) {
  SimRadio radio;
  std::string text = "CQ CQ DE MARVO";
  text.resize(50, ' ');
  EXPECT_EQ(ask(radio, "KM3" + text + ";"), "");
  EXPECT_EQ(ask(radio, "KM3;"), "KM3" + text + ";");
  EXPECT_EQ(ask(radio, "KM6" + text + ";"), "?;");
  // The rotator's whole report can be set on the radio, not from the line.
  EXPECT_TRUE(radio.applyLocal("RO0400050"));
  EXPECT_EQ(ask(radio, "RO;"), "RO0400050;");
  EXPECT_EQ(ask(radio, "RO0180100;"), "?;");
  EXPECT_FALSE(radio.applyLocal("RO9"));
  // A shorter text is padded with blanks; an empty one, a control
  // character or a memory outside 1..5 is refused.
  EXPECT_EQ(ask(radio, "KM1CQ CQ;"), "");
  EXPECT_EQ(ask(radio, "KM1;"), "KM1CQ CQ" + std::string(45, ' ') + ";");
  EXPECT_EQ(ask(radio, "KM2" + std::string(49, 'E') + ";"), "");
  EXPECT_EQ(ask(radio, "KM2;"), "KM2" + std::string(49, 'E') + " ;");
  EXPECT_EQ(ask(radio, "KM1A\x01" "B;"), "?;");
  EXPECT_EQ(ask(radio, "KM0CQ;"), "?;");
  EXPECT_EQ(ask(radio, "KM6CQ;"), "?;");
  EXPECT_EQ(ask(radio, "KM1;"), "KM1CQ CQ" + std::string(45, ' ') + ";");
}

TEST(SimRadioSet, FrequencyAndLevelStepsStopAtTheirLimits) {
  SimRadio radio;
  ask(radio, "FA00030005;ED099;");
  EXPECT_EQ(ask(radio, "FA;"), "FA00030000;");
  ask(radio, "AG0254;");
  ask(radio, "FA59999990;EU099;");
  EXPECT_EQ(ask(radio, "FA;"), "FA60000000;");
  ask(radio, "PC099;EU599;");   // mode 2: PROC/CAR turns PL
  ask(radio, "MD04;EU599;");
  EXPECT_EQ(ask(radio, "PC;"), "PC100;");
}

// A set the radio does not take: "?;" and nothing changes.
const char* const kRefused[] = {
    "ZZ;",           "fa;",           "F;",            "FA1425;",      "FA0142500X;",  "FA00020000;",
    "FA60000001;",   "MD0E;",         "MD2;",          "MD03X;",       "EX000;",       "EX197;",
    "EX0011;",       "EX0045;",       "EX00X;",        "EX001+500;",   "EX0425000;",   "EX0015000;",
    "ID0900;",       "BS12;",         "ED000;",        "ED801;",       "EU7X1;",       "RM0100;",
    "SM0100;",       "BY11;",         "AN06;",         "AN23;",        "KY0;",         "FK8;",
    "MK7;",          "FT4;",          "LK4;",          "VF02+1;",      "VF00*1;",      "KC6031;",
    "KC5032;",       "RO5;",          "PS2;",          "AI3;",         "IS0+1001;",    "IS00250;",
    "SH032;",        "RL000;",        "KS003;",        "PE100005;",    "PE011*05;",    "PE000010;",
    "MA;",           "QR;",           "RD01X0;",       "CH2;",         "AC102;",       "OI12307074000+000010300000;",
};

TEST(SimRadioSet, RefusedCommandsAnswerQuestionMarkAndChangeNothing) {
  for (const char* cmd : kRefused) {
    SCOPED_TRACE(cmd);
    SimRadio radio;
    const SimState before = radio.state();
    EXPECT_EQ(ask(radio, cmd), "?;");
    EXPECT_TRUE(sameState(before, radio.state()));
  }
}

TEST(SimRadioSet, ZeroBytesInAParameterAreRefused) {
  SimRadio radio;
  const std::string cmd("PR1\0;", 5);   // a parameter position left unwritten
  EXPECT_EQ(ask(radio, cmd), "?;");
}

TEST(SimRadioSet, EveryProgramSetCommandLengthIsAccepted) {
  // One command of every code of the program's set table, at that table's
  // length.
  const std::string commands[] = {
      "BS10;", "RT1;", "XT1;", "SF3;", "BP00001;", "BC01;", "CO0001;", "MS4;", "NR01;", "FT1;", "FR1;", "LK1;",
      "FS1;", "VS1;", "NA01;", "NB01;", "RF03;", "GT04;", "RA01;", "PA02;", "KR1;", "TS1;", "AN02;", "AC001;",
      "DS1;", "MX1;", "VX1;", "BI1;", "PR01;", "ML0001;", "CS1;", "DP2;", "KP20;", "KS025;", "SD0500;",
      "NL0010;", "MG060;", "PL040;", "VG030;", "VD0600;", "SQ0010;", "AG0150;", "RG0100;", "VF01+1;",
      "IS0+0100;", "SH010;", "RL005;", "FA07000000;", "FB07100000;", "RO2;", "SC1;", "TX0;", "AI0;", "CN003;",
      "CT01;", "KM1" + std::string(50, 'x') + ";", "MC010;", "OS01;", "PB01;", "PC050;",
      "MD05;", "PS1;", "AB;", "AM;", "MA;", "BD0;", "BU0;", "CH0;", "ED001;", "EU001;", "FK1;", "KY1;", "QI;", "QR;",
      "QS;", "RC;", "RD0010;", "RU0010;", "SV;", "VM;", "MK3;", "CW1;", "LM01;",
      "IF00107000000+000000200000;", "OI00007100000+000000100000;", "KC5051;", "CA0001;", "DN01;", "UP01;",
      "ZI;",
  };
  SimRadio radio;
  for (const std::string& cmd : commands) {
    radio.feed(cmd);
    EXPECT_EQ(radio.takeOutput(), "") << cmd;
  }
  EXPECT_EQ(radio.commandCount(), static_cast<std::int64_t>(std::size(commands)));
}

TEST(SimRadio, LogsEveryCommandFromTheLineInOrder) {
  SimRadio radio;
  radio.feed("FA142");
  radio.feed("50000;\r\nZZ9;PS0;FA07000000;");   // refused, then heard only by the power key
  radio.applyLocal("FA07100000;");                 // the radio's own knob is not a command
  radio.feed(std::string(SimRadio::kMaxCommand + 10, 'K') + ";");
  const std::vector<std::string> log = radio.commandLog();
  ASSERT_EQ(log.size(), 5u);
  EXPECT_EQ(log[0], "FA14250000;");
  EXPECT_EQ(log[1], "ZZ9;");
  EXPECT_EQ(log[2], "PS0;");
  EXPECT_EQ(log[3], "FA07000000;");
  EXPECT_EQ(log[4], std::string(SimRadio::kMaxCommand, 'K') + ";");
  radio.clearCommandLog();
  radio.feed("ID;");
  EXPECT_EQ(radio.commandLog(), std::vector<std::string>{"ID;"});
  for (std::size_t i = 0; i < SimRadio::kLogLimit + 3; ++i) radio.feed("FA;");
  EXPECT_EQ(radio.commandLog().size(), SimRadio::kLogLimit);
}

TEST(SimRadioAi, ReportsEveryChangeWhileOn) {
  SimRadio radio;
  EXPECT_EQ(ask(radio, "FA07000000;"), "") << "auto-information is off at power-up";
  EXPECT_EQ(ask(radio, "AI1;"), "AI1;");
  EXPECT_EQ(ask(radio, "FA07001000;"), "FA07001000;");
  EXPECT_EQ(ask(radio, "FA07001000;"), "") << "an unchanged value is not reported";
  EXPECT_EQ(ask(radio, "SV;"), "FA07050000;FB07001000;MD01;MD12;");
  EXPECT_EQ(ask(radio, "PE011-08;"), "PE011-08;EX163-08;");
  EXPECT_EQ(ask(radio, "EX0010500;"), "EX0010500;");
  EXPECT_EQ(ask(radio, "LK1;"), "LK5;");
  EXPECT_EQ(ask(radio, "FA;"), "FA07050000;") << "a read is answered once";
  EXPECT_EQ(ask(radio, "AI2;"), "AI2;");
  EXPECT_EQ(ask(radio, "ED010;"), "FA07049900;");
  EXPECT_EQ(ask(radio, "AI0;"), "");
  EXPECT_EQ(ask(radio, "FA07000000;"), "");
}

TEST(SimRadioAi, LocalChangesAreReportedOnlyWhileOn) {
  SimRadio radio;
  EXPECT_TRUE(radio.applyLocal("SM0120;"));
  EXPECT_EQ(radio.takeOutput(), "");
  EXPECT_EQ(radio.peek("SM0;"), "SM0120;");
  ask(radio, "AI1;");
  EXPECT_TRUE(radio.applyLocal("BY10"));
  EXPECT_EQ(radio.takeOutput(), "BY10;");
  EXPECT_TRUE(radio.applyLocal("FA03573000;"));
  EXPECT_EQ(radio.takeOutput(), "FA03573000;");
  EXPECT_FALSE(radio.applyLocal("FA1;"));
  EXPECT_EQ(radio.takeOutput(), "") << "a refused local change says nothing on the line";
  EXPECT_TRUE(radio.applyLocal("ID0999;"));
  EXPECT_EQ(ask(radio, "ID;"), "ID0999;");
}

TEST(SimRadioTime, RotatorTurnsWhileAskedAndStopsAtTheEnds) {
  using namespace std::chrono_literals;
  struct Case {
    const char* start;     // commands before time passes
    int ms;                // time passed, in steps of 100 ms
    const char* reply;     // RO afterwards
  };
  const Case cases[] = {
      {"RO2;", 1000, "RO2003050;"},          // half speed: 3 degrees a second
      {"RO4;", 1000, "RO4006050;"},          // fast: twice that
      {"RO2;", 100, "RO2000050;"},           // part of a degree is kept...
      {"RO2;", 400, "RO2001050;"},           // ...and adds up
      {"RO1;", 1000, "RO0000050;"},          // turning left from 0 stops at once
      {"RO2;", 200000, "RO0450050;"},        // the right end stops it
      {"RO2;", 1000, "RO2003050;"},
      {"", 1000, "RO0000050;"},              // not asked to turn
  };
  for (const Case& c : cases) {
    SimRadio radio;
    ask(radio, c.start);
    for (int t = 0; t < c.ms; t += 100) radio.advance(100ms);
    EXPECT_EQ(ask(radio, "RO;"), c.reply) << c.start << " " << c.ms;
  }
  SimRadio radio;
  ask(radio, "RO2;");
  EXPECT_TRUE(radio.animating());
  radio.advance(1000ms);
  ask(radio, "RO0;");
  EXPECT_FALSE(radio.animating());
  radio.advance(1000ms);
  EXPECT_EQ(ask(radio, "RO;"), "RO0003050;") << "stopped where it was";
  ask(radio, "AI1;RO2;");
  radio.advance(1000ms);
  EXPECT_EQ(radio.takeOutput(), "RO2006050;") << "the movement is reported";
}

TEST(SimRadioPower, OffAnswersOnlyPs) {
  SimRadio radio;
  ask(radio, "AI1;");
  EXPECT_EQ(ask(radio, "PS0;"), "");
  const char* const ignored[] = {"FA;", "ID;", "ZZ;", "FA07000000;", "EX001;", "AI1;", ";;", "X"};
  for (const char* cmd : ignored) EXPECT_EQ(ask(radio, cmd), "") << cmd;
  EXPECT_EQ(ask(radio, ";"), "") << "also the leftover of an unterminated command";
  EXPECT_EQ(ask(radio, "PS;"), "PS0;");
  EXPECT_FALSE(radio.applyLocal("FA07000000;")) << "the knobs of a radio that is off do nothing";
  EXPECT_EQ(radio.cell(Cell::VfoA), 14250000) << "commands while off change nothing";
  EXPECT_EQ(ask(radio, "PS1;"), "");
  EXPECT_EQ(ask(radio, "PS;"), "PS1;");
  EXPECT_EQ(ask(radio, "AI;"), "AI0;") << "power-off ended auto-information";
  EXPECT_EQ(ask(radio, "FA;"), "FA14250000;");
}

TEST(SimRadioInput, AnySplitOfTheInputGivesTheSameAnswers) {
  const std::string input = "FA;ID;FB07000000;FB;EX001;";
  const std::string expected = "FA14250000;ID0460;FB07000000;EX0010300;";
  for (std::size_t split = 0; split <= input.size(); ++split) {
    SimRadio radio;
    radio.feed(input.substr(0, split));
    radio.feed(input.substr(split));
    EXPECT_EQ(radio.takeOutput(), expected) << "split at " << split;
  }
  SimRadio bytewise;
  for (const char c : input) bytewise.feed(std::string_view(&c, 1));
  EXPECT_EQ(bytewise.takeOutput(), expected);
}

TEST(SimRadioInput, LineBreaksAndEmptyCommandsAreSkipped) {
  SimRadio radio;
  EXPECT_EQ(ask(radio, "\r\nFA;\n;;  ID;"), "FA14250000;ID0460;");
}

TEST(SimRadioInput, AnOverlongCommandGetsOneRefusal) {
  SimRadio radio;
  const std::string junk(SimRadio::kMaxCommand * 3, 'A');
  EXPECT_EQ(ask(radio, junk + ";FA;"), "?;FA14250000;");
}

TEST(SimRadioMenu, ValueChecksFollowTheItemClass) {
  struct Case {
    int no;
    const char* text;
    bool valid;
  };
  const Case cases[] = {
      {1, "0020", true},   {1, "4000", true},   {1, "4020", false},  {1, "0010", false},  // plain, ranged
      {4, "1", true},      {4, "2", false},                                              // choice of two
      {42, "+20", true},   {42, "-07", true},   {42, "020", false},                      // signed
      {5, "HELLO WORLD!", true}, {5, "SHORT", false},                                    // text, exact width
      {14, "30", true},    {14, "3X", false},
  };
  for (const Case& c : cases) EXPECT_EQ(menuTextValid(c.no, c.text), c.valid) << c.no << " " << c.text;
}

}  // namespace
}  // namespace hrx::sim

namespace hrx::sim {
namespace {

// Random commands built from the known codes and digit-like characters: the
// radio must keep every value in its range and say only whole replies of
// the table's lengths, whatever it is sent.
TEST(SimRadioRobustness, RandomCommandsKeepStateInRangeAndRepliesWhole) {
  std::vector<std::string> codes;
  for (int i = 0; i < kReplyFormCount; ++i) codes.emplace_back(kReplyForms[i].code, 2);
  for (int i = 0; i < kActionCount; ++i) codes.emplace_back(kActions[i].code, 2);
  codes.emplace_back("EX");
  codes.emplace_back("ZZ");
  const std::string alphabet = "0000111222345678999+-AF x;";
  std::uint32_t seed = 12345;
  auto next = [&seed](std::uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % n;
  };
  RadioState catalogue;
  ASSERT_TRUE(loadBuiltInCatalogue(catalogue));

  SimRadio radio;
  radio.feed("AI1;");
  int replies = 0, answers = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string cmd = codes[next(static_cast<std::uint32_t>(codes.size()))];
    const std::uint32_t len = next(10);
    for (std::uint32_t k = 0; k < len; ++k) cmd.push_back(alphabet[next(static_cast<std::uint32_t>(alphabet.size()))]);
    cmd.push_back(';');
    if (next(50) == 0) cmd = next(2) ? "PS1;" : "AI1;";
    radio.feed(cmd);
    if (next(100) == 0) radio.advance(std::chrono::milliseconds(next(2000)));

    const std::string out = radio.takeOutput();
    ASSERT_TRUE(out.empty() || out.back() == ';') << cmd << " -> " << out;
    std::size_t at = 0;
    while (at < out.size()) {
      const std::size_t end = out.find(';', at);
      const std::string reply = out.substr(at, end + 1 - at);
      at = end + 1;
      ++replies;
      if (reply == "?;") continue;
      ++answers;
      int expected = ReplyCodeTable::nominalLength(reply[0], reply[1]);
      if (reply.compare(0, 2, "EX") == 0) {
        ASSERT_TRUE(catalogue.get_MenuReplyLen(reply.c_str() + 2, &expected)) << reply;
      }
      ASSERT_EQ(static_cast<int>(reply.size()), expected) << cmd << " -> " << reply;
    }
    const SimState st = radio.state();
    for (int c = 0; c < kCellCount; ++c) {
      const std::int32_t v = st.cells[static_cast<std::size_t>(c)];
      ASSERT_TRUE(v >= kCellDefs[c].lo && v <= kCellDefs[c].hi) << kCellDefs[c].name << " = " << v << " after " << cmd;
    }
  }
  EXPECT_GT(replies, 1000) << "the random input reached the radio";
  EXPECT_GT(answers, 500) << "and much of it was taken: answered or reported";
}

}  // namespace
}  // namespace hrx::sim
