// The whole core against the simulated radio over a real pseudo-terminal:
// the connection switch, the radio's ID, the state and menu read-outs, then
// the program's picture of the radio compared with the radio's own.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "app/Station.h"
#include "menulist/MenuCatalogue.h"
#include "SimPty.h"
#include "SimRadio.h"
#include "support/RecordingMainWindow.h"
#include "support/RecordingPostTarget.h"
#include "support/StationRig.h"

namespace hrx {
namespace {

using namespace std::chrono_literals;

using test::Program;
using test::TempDir;
using test::waitFor;

// What the radio's own answers to the read-out's queries (and AI, which RI
// needs) decode to: the same queries put to the simulator directly, through
// an analyser of their own.
void decodeRadioAnswers(const sim::SimRadio& radio, RadioState& out) {
  PanelMirror mirror;
  test::RecordingMainWindow window;
  test::RecordingPostTarget composer;
  ReplyAnalyser analyser(out, mirror, window, composer);
  std::string queries =
      "ID;RT;XT;SF;BP00;BP01;BC0;CO00;CO01;CO02;MS;NR0;FT;FR;LK;FS;VS;NA0;NB0;RF0;GT0;RA0;PA0;KR;TS;AN0;AC;MX;VX;BI;"
      "PR0;PR1;ML0;CS;RM0;KP;KS;SD;NL0;MG;PL;VG;VD;SQ0;AG0;RG0;IF;VF0;IS0;SH0;RL0;BY;FA;FB;RO;SC;SM0;TX;UL;AI;CN0;CT0;"
      "KM1;KM2;KM3;KM4;KM5;MC;OI;OS0;PB0;PC;RS;MD0;PS;RI0;RI1;RI3;RI4;RI5;RI6;RI7;RI8;BG1;LM0;CA0;";
  for (const char* set : {"0", "2"})
    for (const char* band : {"0", "1", "2"})
      for (const char* param : {"0;", "1;", "2;"}) queries += std::string("PE") + set + band + param;
  for (int n = 1; n <= out.get_MenuItem_Count(); ++n) {
    char q[16];
    std::snprintf(q, sizeof q, "EX%03d;", n);
    queries += q;
  }
  for (std::size_t start = 0, end; (end = queries.find(';', start)) != std::string::npos; start = end + 1) {
    const std::string replies = radio.peek(queries.substr(start, end + 1 - start));
    for (std::size_t from = 0, to; (to = replies.find(';', from)) != std::string::npos; from = to + 1)
      analyser.dispatch(replies.data() + from, to - from);
  }
}

// The simulated radio on a pseudo-terminal and the program connected to it:
// the COM lamp reads the whole radio, a typed frequency reaches it and comes
// back, and a radio gone silent is noticed by the watchdog. One read-out
// serves all three.
TEST(StationEndToEnd, ReadOutTuningAndSilence) {
  sim::SimRadio radio;
  sim::SimPty pty{radio};
  std::string error;
  ASSERT_TRUE(pty.open(&error)) << error;
  ASSERT_TRUE(pty.start());
  TempDir dir;
  // The operator has been at the radio: not the power-up state.
  for (const char* local : {"FA14250000", "FB07100000", "MD02", "SH020", "AG0123", "KS030", "PC050", "IS0-0100"}) {
    ASSERT_TRUE(radio.applyLocal(local)) << local;
  }
  Program program(pty.slavePath(), dir.path());
  ASSERT_TRUE(program.ok);
  Station& s = program.station;
  ASSERT_TRUE(waitFor([&] { return s.state.get_CommEnabled() != 0 && s.port.IsOpen(); }, 5s));
  ASSERT_TRUE(s.request(1));   // the COM lamp
  ASSERT_TRUE(waitFor([&] { return program.readOutsDone.load() > 0; }, 60s)) << "the read-out never ended";
  EXPECT_EQ(program.readOutsDone.load(), 1);
  EXPECT_EQ(s.state.get_AI_Stat(), 1);
  EXPECT_EQ(s.mirror.get_AI_Stat(), 1);
  EXPECT_EQ(s.flags.busy.load(), 0);

  // Let the last replies in, then compare with the radio's own answers.
  std::this_thread::sleep_for(300ms);
  RadioState radioSide;
  ASSERT_TRUE(loadBuiltInCatalogue(radioSide));
  decodeRadioAnswers(radio, radioSide);
  EXPECT_EQ(s.state.get_VfoA_Freq(), 14250000);
  EXPECT_EQ(s.state.get_VfoB_Freq(), 7100000);
  EXPECT_EQ(s.state.get_IS_Main(), -100);
  for (int i = 0; i < kIntFieldCount; ++i) {
    const auto f = static_cast<IntField>(i);
    EXPECT_EQ(s.state.get(f), radioSide.get(f)) << kIntFieldRows[i].name;
  }
  for (int i = 0; i < kTextFieldCount; ++i) {
    EXPECT_EQ(s.state.text(static_cast<TextField>(i)), radioSide.text(static_cast<TextField>(i))) << kTextFieldNames[i];
  }
  for (int n = 1; n <= 196; ++n) {
    MenuListItem mine, theirs;
    ASSERT_TRUE(s.state.get_MenuItem(n, &mine));
    ASSERT_TRUE(radioSide.get_MenuItem(n, &theirs));
    EXPECT_EQ(mine.value, theirs.value) << "menu item " << n;
    EXPECT_STREQ(mine.text, theirs.text) << "menu item " << n;
  }

  ASSERT_TRUE(s.request(82, false, 21074000));
  EXPECT_TRUE(waitFor([&] { return s.state.get_VfoA_Freq() == 21074000; }, 3s));
  EXPECT_EQ(radio.peek("FA;"), "FA21074000;");

  // After 3 s with a command outstanding the watchdog turns the link off.
  pty.stop();   // the radio answers nothing from now on
  EXPECT_TRUE(waitFor([&] { return s.state.get_AI_Stat() == 0; }, 10s)) << "the watchdog never fired";
  EXPECT_EQ(s.mirror.get_AI_Stat(), 0);
}

}  // namespace
}  // namespace hrx
