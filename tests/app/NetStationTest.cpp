// The station's link: timer 17's rule against a line given as its two
// readings (open and healthy, bytes waiting), tick after tick; a network
// port's reconnection back-off against a fake clock; and the whole
// core working the simulated radio through the real ser2net on loopback, raw
// and RFC 2217: the read-out (the program's picture of the radio against the
// radio's own), tuning, and a dropped connection made again by the program
// itself with the full read-out, or given up with the COM switch.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "menulist/MenuCatalogue.h"
#include "platform/NetSerial.h"
#include "support/RecordingClock.h"
#include "support/RecordingMainWindow.h"
#include "support/RecordingPostTarget.h"
#include "support/Ser2netRig.h"
#include "support/StationRig.h"

namespace hrx {
namespace {

using namespace std::chrono_literals;
using test::Ser2net;
using test::waitFor;

// What the radio's own answers to every query it was asked decode to,
// through an analyser of their own.
void decodeRadioAnswers(const sim::SimRadio& radio, RadioState& out) {
  PanelMirror mirror;
  test::RecordingMainWindow window;
  test::RecordingPostTarget composer;
  ReplyAnalyser analyser(out, mirror, window, composer);
  for (const std::string& query : radio.commandLog()) {
    const std::string replies = radio.peek(query);
    for (std::size_t from = 0, to; (to = replies.find(';', from)) != std::string::npos; from = to + 1)
      analyser.dispatch(replies.data() + from, to - from);
  }
}

TEST(Watchdog, OneTimeOutPerSilentPeriod) {
  const struct {
    int awaiting;
    bool lineOk;
    std::uint32_t inQueue;
    bool ticks[3];   // time-out on the first, second and third tick
  } kCases[] = {
      {1, true, 0, {true, false, false}},    // a command unanswered: once
      {1, true, 5, {false, false, false}},   // bytes on their way: the radio spoke
      {0, true, 0, {false, false, false}},   // quiet, nothing asked
      {1, false, 0, {true, true, true}},     // a dead line: every tick
      {0, false, 7, {true, true, true}},
  };
  for (const auto& c : kCases) {
    RadioState state;
    state.set_AwaitingReply(c.awaiting);
    for (int t = 0; t < 3; ++t)
      EXPECT_EQ(powerSyncTimedOut(state, c.lineOk, c.inQueue), c.ticks[t])
          << "awaiting " << c.awaiting << " line " << c.lineOk << " queue " << c.inQueue << " tick " << t;
    EXPECT_EQ(state.get_AwaitingReply(), 0);
  }
  // A new command after the time-out starts a new silent period.
  RadioState state;
  state.set_AwaitingReply(1);
  EXPECT_TRUE(powerSyncTimedOut(state, true, 0));
  EXPECT_FALSE(powerSyncTimedOut(state, true, 0));
  state.set_AwaitingReply(1);
  EXPECT_TRUE(powerSyncTimedOut(state, true, 0));
}

// A network port's reconnection waits 1 s after the loss, then 2 s after
// each refusal: a far side back after an outage is tried within 2 s. The clock is a fake and
// the test fires the recovery timer itself: the waits are the periods the
// station asks for; only the refusals themselves are real (loopback).
TEST(NetReconnect, TriedEveryTwoSecondsAfterTheFirst) {
  const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(listener, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(::listen(listener, 1), 0);
  ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len), 0);
  const std::string path = "tcp://127.0.0.1:" + std::to_string(ntohs(addr.sin_port));

  test::RecordingMainWindow window;
  test::RecordingClock clock;
  test::TempDir dir;
  Station station(window, clock);
  ASSERT_TRUE(station.start(StationOptions{path, dir.path()}));
  pollfd p{listener, POLLIN, 0};
  ASSERT_EQ(::poll(&p, 1, 5000), 1);
  const int far = ::accept(listener, nullptr, nullptr);
  ASSERT_GE(far, 0);
  ASSERT_TRUE(waitFor([&] { return station.port.Open() || station.port.IsOpen(); }, 3s));
  ASSERT_TRUE(station.state.set_AI_Stat(1));   // the link is on
  // The far side goes, and stays gone: every attempt is refused.
  ::close(far);
  ::close(listener);
  ASSERT_TRUE(waitFor([&] { return station.port.faultCloses() > 0; }, 3s));
  ASSERT_TRUE(station.onTimer(kTimerPowerSync));
  ASSERT_TRUE(station.awaitingDevice());

  std::vector<std::uint32_t> waits;
  while (waits.size() < 5) {
    const std::uint32_t wait = window.timerPeriod(kTimerRecovery);
    waits.push_back(wait);
    clock.now += wait;
    station.onTimer(kTimerRecovery);   // the wait is over: an attempt
    ASSERT_EQ(window.timerPeriod(kTimerRecovery), kReconnectPollMs) << "attempt " << waits.size();
    ASSERT_TRUE(waitFor([&] { return NetSerial::attempt(path.c_str()) == NetSerial::Attempt::Failed; }, 3s));
    clock.now += kReconnectPollMs;
    station.onTimer(kTimerRecovery);   // its refusal seen: the next wait
  }
  EXPECT_EQ(waits, (std::vector<std::uint32_t>{1000, 2000, 2000, 2000, 2000}));
  EXPECT_TRUE(station.awaitingDevice());
  station.shutdown();
}

class NetStation : public ::testing::TestWithParam<Ser2net::Mode> {
 protected:
  void SetUp() override {
    if (!Ser2net::available()) GTEST_SKIP() << "ser2net is not installed";
    std::string error;
    ASSERT_TRUE(far.start(GetParam(), &error)) << error;
  }
  void TearDown() override { program.reset(); }
  bool heard(const char* command) const {
    const auto log = far.radio.commandLog();
    return std::find(log.begin(), log.end(), command) != log.end();
  }
  // The far side goes away (ser2net ends, as a cable pulled): within the
  // watchdog's 3 s and a tick the program waits for it.
  bool dropNoticed() {
    far.s2n->stop();
    return waitFor([&] { return program->station.awaitingDevice(); }, 4500ms);
  }

  test::FarRadio far;
  test::TempDir dir;
  std::unique_ptr<test::Program> program;
};

TEST_P(NetStation, ReadOutTuningAndRecovery) {
  // The operator has been at the radio: not the power-up state.
  for (const char* local : {"FA18100000", "FB07100000", "MD02", "SH020", "AG0123", "KS030", "PC050", "IS0-0100"})
    ASSERT_TRUE(far.radio.applyLocal(local)) << local;
  program = std::make_unique<test::Program>(far.s2n->url(), dir.path());
  ASSERT_TRUE(program->ok);
  Station& s = program->station;
  ASSERT_TRUE(waitFor([&] { return s.state.get_CommEnabled() != 0; }, 5s));
  // The connection is made in the background; the COM click's first
  // command takes it over.
  ASSERT_TRUE(waitFor([&] { return s.port.Open() || s.port.IsOpen(); }, 3s));
  ASSERT_TRUE(s.request(1));
  ASSERT_TRUE(waitFor([&] { return program->readOutsDone.load() > 0; }, 60s)) << "the read-out never ended";
  EXPECT_EQ(program->readOutsDone.load(), 1);
  EXPECT_EQ(s.mirror.get_AI_Stat(), 1);
  // The read-out ends when its last query is sent: its answers are waited for.
  EXPECT_TRUE(waitFor([&] {
    for (int no = 1; no <= s.state.get_MenuItem_Count(); ++no)
      if (s.state.get_MenuReplyCount(no) == 0) return false;
    return true;
  }, 5s));
  // The values set on the radio and every menu item were read; and all the
  // program holds is what the radio's answers to its queries decode to.
  const std::pair<IntField, std::int32_t> kLocal[] = {
      {IntField::VfoA_Freq, 18100000}, {IntField::VfoB_Freq, 7100000}, {IntField::MD_Main, 2}, {IntField::SH_Main, 20},
      {IntField::AG_Main, 123}, {IntField::KS_Value, 30}, {IntField::PC_Value, 50}, {IntField::IS_Main, -100}};
  for (const auto& [f, v] : kLocal) EXPECT_EQ(s.state.get(f), v) << kIntFieldRows[static_cast<int>(f)].name;
  EXPECT_EQ(std::ranges::count_if(far.radio.commandLog(), [](const std::string& q) { return q.rfind("EX", 0) == 0; }),
            196);
  RadioState radioSide;
  ASSERT_TRUE(loadBuiltInCatalogue(radioSide));
  decodeRadioAnswers(far.radio, radioSide);
  for (int i = 0; i < kIntFieldCount; ++i)
    EXPECT_EQ(s.state.get(static_cast<IntField>(i)), radioSide.get(static_cast<IntField>(i))) << kIntFieldRows[i].name;
  for (int n = 1; n <= 196; ++n) {
    MenuListItem mine, theirs;
    ASSERT_TRUE(s.state.get_MenuItem(n, &mine) && radioSide.get_MenuItem(n, &theirs));
    EXPECT_EQ(mine.value, theirs.value) << "menu item " << n;
    EXPECT_STREQ(mine.text, theirs.text) << "menu item " << n;
  }
  ASSERT_TRUE(s.request(82, false, 21074000));
  EXPECT_TRUE(waitFor([&] { return s.state.get_VfoA_Freq() == 21074000; }, 3s));
  EXPECT_EQ(far.radio.peek("FA;"), "FA21074000;");

  ASSERT_TRUE(dropNoticed());
  EXPECT_FALSE(s.port.IsOpen());
  std::chrono::milliseconds bound = 1000ms;
  if (GetParam() == Ser2net::Mode::Raw) {
    // Refused (a second after the loss): each next attempt waits 2 s.
    EXPECT_TRUE(waitFor([&] { return program->window.timerPeriod(kTimerRecovery) == 2000; }, 2500ms));
    bound = 2000ms;
  }
  ASSERT_TRUE(far.radio.applyLocal("FA14195000"));
  far.radio.clearCommandLog();
  ASSERT_TRUE(far.s2n->start());
  // Back within the back-off in force (and a poll of the attempt): what a
  // COM click sends, then the whole read-out once more.
  EXPECT_TRUE(waitFor([&] { return heard("ID;"); }, bound + 500ms));
  const auto log = far.radio.commandLog();
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[0], "AI0;");
  EXPECT_EQ(log[1], "AI1;");
  EXPECT_EQ(log[2], "AI;");
  // The rest is the same in both modes; raw alone keeps the suite short.
  if (GetParam() != Ser2net::Mode::Raw) return;
  ASSERT_TRUE(waitFor([&] { return program->readOutsDone.load() == 2; }, 60s));
  EXPECT_EQ(s.state.get_VfoA_Freq(), 14195000);
  EXPECT_FALSE(s.awaitingDevice());
  ASSERT_TRUE(s.request(82, false, 7074000));
  EXPECT_TRUE(waitFor([&] { return far.radio.peek("FA;") == "FA07074000;"; }, 3s));

  // Gone again, and the operator clicks COM while the program waits: the
  // wait ends, and the far side back hears nothing.
  ASSERT_TRUE(dropNoticed());
  ASSERT_TRUE(s.request(1));
  EXPECT_FALSE(s.awaitingDevice());
  far.radio.clearCommandLog();
  ASSERT_TRUE(far.s2n->start());
  EXPECT_FALSE(waitFor([&] { return s.port.IsOpen() || !far.radio.commandLog().empty(); }, 2500ms));
}

INSTANTIATE_TEST_SUITE_P(Ser2net, NetStation, ::testing::Values(Ser2net::Mode::Raw, Ser2net::Mode::Telnet),
                         [](const auto& info) { return info.param == Ser2net::Mode::Raw ? "Raw" : "Rfc2217"; });

}  // namespace
}  // namespace hrx
