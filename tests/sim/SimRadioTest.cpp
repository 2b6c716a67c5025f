// The simulated radio: start values, sets that round-trip, refusals that
// answer "?;" and leave the state alone, auto-information reports, and
// power-off.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "SimRadio.h"

namespace hrx::sim {
namespace {

std::string ask(SimRadio& radio, std::string_view bytes) {
  radio.feed(bytes);
  return radio.takeOutput();
}

bool sameState(const SimState& a, const SimState& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(SimRadioRead, InitialRepliesCarryTheStartValues) {
  struct Case {
    const char* query;
    const char* reply;
  };
  const Case cases[] = {
      {"FA;", "FA14250000;"}, {"FB;", "FB07050000;"}, {"MD0;", "MD02;"}, {"LK;", "LK4;"}, {"AC;", "AC000;"},
      {"AN0;", "AN010;"}, {"IF;", "IF00114250000+000000200000;"}, {"OI;", "OI00007050000+000000100000;"},
      {"PE001;", "PE001+05;"}, {"PE222;", "PE222001;"}, {"AI;", "AI0;"}, {"PS;", "PS1;"}, {"ID;", "ID0460;"},
      {"EX005;", "EX005MARVO       ;"},
  };
  for (const Case& c : cases) {
    SimRadio radio;
    EXPECT_EQ(ask(radio, c.query), c.reply) << c.query;
  }
  SimRadio radio;
  EXPECT_EQ(ask(radio, "KM1;"), "KM1" + std::string(50, ' ') + ";") << "keyer memories start blank";
}

struct RoundTrip {
  const char* sets;    // one or more set commands
  const char* query;
  const char* reply;
};

// Plain cells once each kind (number, signed, selector), then the cells
// with their own rules, the shared menu and equaliser store, IF and the
// actions.
const RoundTrip kRoundTrips[] = {
    {"FA07000000;", "FA;", "FA07000000;"}, {"MD1C;", "MD1;", "MD1C;"}, {"AG0123;", "AG0;", "AG0123;"},
    {"IS0-0250;", "IS0;", "IS0-0250;"}, {"BP01123;", "BP01;", "BP01123;"}, {"CO0125;", "CO01;", "CO0125;"},
    {"FT3;", "FT;", "FT1;"}, {"FT3;FT2;", "FT;", "FT0;"}, {"AN03;", "AN0;", "AN030;"}, {"AN05;", "AN0;", "AN011;"},
    {"LK1;LK3;", "LK;", "LK7;"}, {"FS3;", "FS;", "FS6;"}, {"DS1;MX1;VX1;", "VX;", "VX1;"}, {"RO1;", "RO;", "RO1000050;"},
    {"VF01+3;", "VF0;", "VF010031;"}, {"VF01+3;VF0100;", "VF0;", "VF010001;"}, {"VF10-1;", "VF1;", "VF100000;"},
    {"KC5031;", "KC503;", "KC50310;"}, {"KC5031;KC5031;", "KC503;", "KC50300;"},
    {"EX0010500;", "EX001;", "EX0010500;"}, {"EX005K1ABC       ;", "EX005;", "EX005K1ABC       ;"},
    {"EX042-07;", "EX042;", "EX042-07;"}, {"PE011-08;", "EX163;", "EX163-08;"}, {"EX160+03;", "PE001;", "PE001+03;"},
    {"EX17607;", "PE222;", "PE222007;"}, {"PE200005;", "PE200;", "PE200005;"},
    {"FA07074000;MD03;RT1;MC005;", "IF;", "IF00507074000+000010300000;"},
    {"RU0150;RD0300;", "IF;", "IF00114250000-015000200000;"}, {"RU0150;RC;", "IF;", "IF00114250000+000000200000;"},
    {"FB03573000;MD12;", "OI;", "OI00003573000+000000200000;"}, {"VM;", "IF;", "IF00114250000+000000210000;"},
    {"FA07010000;AB;", "FB;", "FB07010000;"}, {"SV;", "FA;", "FA07050000;"}, {"SV;", "MD1;", "MD12;"},
    {"BS03;", "FA;", "FA07100000;"}, {"BS03;BS05;", "FA;", "FA14250000;"}, {"BU0;", "FA;", "FA18100000;"},
    {"BD0;", "FA;", "FA10120000;"}, {"ED005;", "FA;", "FA14249950;"}, {"EU210;", "FA;", "FA14260000;"},
    {"ED101;", "FB;", "FB07049990;"}, {"EU401;", "MG;", "MG051;"}, {"MD03;EU402;", "KS;", "KS022;"},
    {"MD04;ED503;", "PC;", "PC097;"}, {"BP00001;EU610;", "BP01;", "BP01110;"}, {"CO0002;ED705;", "CO02;", "CO0220;"},
    {"QS;", "FB;", "FB14255000;"}, {"QS;", "FT;", "FT1;"}, {"AM;FA07000000;MA;", "FA;", "FA14250000;"},
    {"QI;FA07000000;QR;", "FA;", "FA14250000;"}, {"CH0;", "MC;", "MC002;"}, {"CH1;", "MC;", "MC117;"},
    {"UP05;", "FA;", "FA14250050;"}, {"DN00;", "FA;", "FA14249990;"},
};

TEST(SimRadioSet, SetThenReadRoundTrips) {
  for (const RoundTrip& c : kRoundTrips) {
    SCOPED_TRACE(c.sets);
    SimRadio radio;
    EXPECT_EQ(ask(radio, c.sets), "") << "a set is answered only in auto-information mode";
    EXPECT_EQ(ask(radio, c.query), c.reply);
  }
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

}  // namespace
}  // namespace hrx::sim
