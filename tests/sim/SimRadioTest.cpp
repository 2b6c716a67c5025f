// The simulated radio's reply contract: start values, sets that round-trip,
// refusals that answer "?;" and leave the state alone, auto-information
// reports, power-off and the faults it can be told to make. Its transport
// is driven by the station tests over a pseudo-terminal and ser2net; here
// only its paced line.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "SimPty.h"
#include "SimRadio.h"

namespace hrx::sim {
namespace {

std::string ask(SimRadio& radio, std::string_view bytes) {
  radio.feed(bytes);
  return radio.takeOutput();
}

// A read (the start value), then sets of each kind of cell and the cells
// with their own rules; the reply to the last command.
TEST(SimRadio, SetsThenReadsRoundTrip) {
  const struct {
    const char* sets;
    const char* query;
    const char* reply;
  } kCases[] = {
      {"", "MD0;", "MD02;"}, {"", "OI;", "OI00007050000+000000100000;"}, {"", "EX005;", "EX005MARVO       ;"},
      {"FA07000000;", "FA;", "FA07000000;"}, {"MD1C;", "MD1;", "MD1C;"}, {"IS0-0250;", "IS0;", "IS0-0250;"},
      {"BP01123;", "BP01;", "BP01123;"}, {"FT3;FT2;", "FT;", "FT0;"}, {"AN05;", "AN0;", "AN011;"},
      {"LK1;LK3;", "LK;", "LK7;"}, {"VF01+3;VF0100;", "VF0;", "VF010001;"}, {"KC5031;KC5031;", "KC503;", "KC50300;"},
      {"EX005K1ABC       ;", "EX005;", "EX005K1ABC       ;"}, {"PE011-08;", "EX163;", "EX163-08;"},
      {"EX17607;", "PE222;", "PE222007;"}, {"FA07074000;MD03;RT1;MC005;", "IF;", "IF00507074000+000010300000;"},
      {"RU0150;RD0300;", "IF;", "IF00114250000-015000200000;"}, {"FA07010000;AB;", "FB;", "FB07010000;"},
      {"BS03;BS05;", "FA;", "FA14250000;"}, {"ED005;", "FA;", "FA14249950;"},
      {"MD03;EU402;", "KS;", "KS022;"}, {"CO0002;ED705;", "CO02;", "CO0220;"}, {"QS;", "FB;", "FB14255000;"},
      {"QI;FA07000000;QR;", "FA;", "FA14250000;"}, {"CH1;", "MC;", "MC117;"}, {"UP05;", "FA;", "FA14250050;"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.sets) + c.query);
    SimRadio radio;
    EXPECT_EQ(ask(radio, c.sets), "") << "a set is answered only in auto-information mode";
    EXPECT_EQ(ask(radio, c.query), c.reply);
  }
  SimRadio radio;
  EXPECT_EQ(ask(radio, "KM1;"), "KM1" + std::string(50, ' ') + ";") << "keyer memories start blank";
}

TEST(SimRadio, RefusedCommandsAnswerQuestionMarkAndChangeNothing) {
  for (const char* cmd : {"ZZ;", "fa;", "FA1425;", "FA0142500X;", "FA00020000;", "FA60000001;", "MD0E;", "EX000;",
                          "EX197;", "EX0011;", "EX001+500;", "ID0900;", "ED801;", "RM0100;", "AN06;", "VF02+1;",
                          "KC5032;", "IS00250;", "SH032;", "PE100005;", "OI12307074000+000010300000;"}) {
    SCOPED_TRACE(cmd);
    SimRadio radio;
    const SimState before = radio.state();
    EXPECT_EQ(ask(radio, cmd), "?;");
    const SimState after = radio.state();
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
  }
}

TEST(SimRadio, ReportsEveryChangeWhileAutoInformationIsOn) {
  SimRadio radio;
  EXPECT_EQ(ask(radio, "FA07000000;"), "") << "auto-information is off at power-up";
  EXPECT_EQ(ask(radio, "AI1;"), "AI1;");
  EXPECT_EQ(ask(radio, "FA07001000;"), "FA07001000;");
  EXPECT_EQ(ask(radio, "FA07001000;"), "") << "an unchanged value is not reported";
  EXPECT_EQ(ask(radio, "SV;"), "FA07050000;FB07001000;MD01;MD12;");
  EXPECT_EQ(ask(radio, "PE011-08;"), "PE011-08;EX163-08;");
  EXPECT_EQ(ask(radio, "LK1;"), "LK5;");
  EXPECT_EQ(ask(radio, "FA;"), "FA07050000;") << "a read is answered once";
  EXPECT_EQ(ask(radio, "AI0;"), "");
  EXPECT_EQ(ask(radio, "FA07000000;"), "");
}

TEST(SimRadio, PoweredOffAnswersOnlyPs) {
  SimRadio radio;
  ask(radio, "AI1;");
  EXPECT_EQ(ask(radio, "PS0;"), "");
  for (const char* cmd : {"FA;", "ZZ;", "FA07000000;", "AI1;", ";;", "X", ";"}) EXPECT_EQ(ask(radio, cmd), "") << cmd;
  EXPECT_EQ(ask(radio, "PS;"), "PS0;");
  EXPECT_FALSE(radio.applyLocal("FA07000000;")) << "the knobs of a radio that is off do nothing";
  EXPECT_EQ(radio.cell(Cell::VfoA), 14250000) << "commands while off change nothing";
  EXPECT_EQ(ask(radio, "PS1;"), "");
  EXPECT_EQ(ask(radio, "AI;"), "AI0;") << "power-off ended auto-information";
  EXPECT_EQ(ask(radio, "FA;"), "FA14250000;");
}

// The writes of one feed joined by '|'.
TEST(SimRadio, FaultsSpoilTheRepliesAsConfigured) {
  const struct {
    FaultConfig faults;
    const char* input;
    const char* writes;
  } kCases[] = {
      {{.chunkSize = 4}, "FA;", "FA14|2500|00;"},
      {{.strayEvery = 3, .strayByte = '!'}, "ID;ID;ID;ID;", "ID0460;|ID0460;|!ID0460;|ID0460;"},
      {{.silent = true}, "AI1;FA07000000;FA;ZZ;", ""},
      {{.dropAfter = 2}, "ID;FA;FB;", "ID0460;|FA14250000;"},
      {{.garbleEvery = 2}, "FA;FA;", "FA14250000;|FA1t250000;"},   // one parameter byte flipped
  };
  for (const auto& c : kCases) {
    SimRadio radio;
    radio.setFaults(c.faults);
    radio.feed(c.input);
    std::string got;
    for (const std::string& w : radio.takeChunks()) got += (got.empty() ? "" : "|") + w;
    EXPECT_EQ(got, c.writes) << c.input;
    EXPECT_EQ(radio.dropDue(), c.faults.dropAfter == 2) << c.input;
  }
}

// A paced line takes the client's bytes at the speed the client set: 200
// reads are 1.4 s of line at 4800 baud, so when the radio has heard the
// first it has not heard the most (they wait in the pseudo-terminal), and
// in the end it has heard all of them; switched to an instant line, at once.
TEST(SimPty, PacedLineTakesTheClientsBytesAtItsSpeed) {
  SimRadio radio;
  SimPty pty(radio);
  pty.setBaud(SimPty::kPortsOwnSpeed);
  ASSERT_TRUE(pty.open());
  const int fd = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  termios tio{};
  ASSERT_EQ(::tcgetattr(fd, &tio), 0);
  ::cfmakeraw(&tio);
  ::cfsetispeed(&tio, B4800);
  ::cfsetospeed(&tio, B4800);
  ASSERT_EQ(::tcsetattr(fd, TCSANOW, &tio), 0);
  EXPECT_EQ(pty.lineBaud(), 4800);
  ASSERT_TRUE(pty.start());
  std::string burst;
  for (int i = 0; i < 200; ++i) burst += "FA;";
  ASSERT_EQ(::write(fd, burst.data(), burst.size()), static_cast<ssize_t>(burst.size()));
  auto heard = [&](std::int64_t n) {
    for (int i = 0; i < 1000 && radio.commandCount() < n; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return radio.commandCount();
  };
  EXPECT_LT(heard(1), 100);
  for (int i = 0; i < 1000 && radio.commandCount() < 200; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(radio.commandCount(), 200);
  // A speed the simulator does not know is an instant line: the byte it was
  // pacing and those still waiting arrive at once.
  ASSERT_EQ(::write(fd, burst.data(), burst.size()), static_cast<ssize_t>(burst.size()));
  EXPECT_LT(heard(201), 300);
  ::cfsetispeed(&tio, B230400);
  ::cfsetospeed(&tio, B230400);
  ASSERT_EQ(::tcsetattr(fd, TCSANOW, &tio), 0);
  EXPECT_EQ(heard(400), 400);
  pty.stop();
  ::close(fd);
}

}  // namespace
}  // namespace hrx::sim
