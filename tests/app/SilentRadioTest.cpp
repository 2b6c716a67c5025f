// A radio that falls silent with the link on, through the whole core and
// the simulated radio on a pseudo-terminal: once the watchdog has dropped
// the link the program asks "PS;" every 5 s and nothing else, switches the
// link on again by itself within 3 s of the radio's first reply, and gives
// the wish up at a COM click.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "SimPty.h"
#include "SimRadio.h"
#include "support/StationRig.h"

namespace hrx {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::waitFor;

struct Log {
  std::mutex mu;
  std::vector<std::string> lines;
  void add(const std::string& l) {
    std::lock_guard g(mu);
    lines.push_back(l);
  }
  bool has(const std::string& part) {
    std::lock_guard g(mu);
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(part) != std::string::npos; });
  }
};

// The radio's commands as they arrive, with their times.
struct Heard {
  const sim::SimRadio& radio;
  std::vector<std::pair<std::string, Clock::time_point>> got;
  std::size_t seen = 0;
  void look() {
    const std::vector<std::string> log = radio.commandLog();
    for (; seen < log.size(); ++seen) got.emplace_back(log[seen], Clock::now());
  }
  // Watches for `limit`, or until `stop` is true of a new command.
  void watch(std::chrono::milliseconds limit, const std::function<bool(const std::string&)>& stop = {}) {
    for (const auto end = Clock::now() + limit; Clock::now() < end;) {
      const std::size_t before = got.size();
      look();
      for (std::size_t i = before; stop && i < got.size(); ++i)
        if (stop(got[i].first)) return;
      std::this_thread::sleep_for(5ms);
    }
  }
};

TEST(SilentRadio, AskedEveryFiveSecondsAndSwitchedOnAgainWhenItAnswers) {
  sim::SimRadio radio;
  sim::SimPty pty(radio);
  ASSERT_TRUE(pty.open() && pty.start());
  test::TempDir dir;
  Log log;
  test::Program program(pty.slavePath(), dir.path(), [&](const std::string& l) { log.add(l); });
  ASSERT_TRUE(program.ok);
  Station& s = program.station;
  ASSERT_TRUE(waitFor([&] { return s.state.get_CommEnabled() != 0; }, 5s));
  ASSERT_TRUE(s.request(1));
  ASSERT_TRUE(waitFor([&] { return s.state.get_AI_Stat() == 1; }, 5s));

  sim::FaultConfig silent;
  silent.silent = true;
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round == 0 ? "the radio answers again" : "the operator clicks COM");
    radio.setFaults(silent);
    // The watchdog's 3 s after the last reply, and a tick of slack.
    ASSERT_TRUE(waitFor([&] { return s.state.get_AI_Stat() == 0; }, 7s));
    const auto dropped = Clock::now();
    radio.clearCommandLog();
    Heard heard{radio, {}, 0};
    // What was on its way when the link dropped may still arrive (late on a
    // loaded machine).
    const auto settled = dropped + 2s;
    auto later = [&] {
      std::vector<std::pair<std::string, Clock::time_point>> out;
      for (const auto& h : heard.got)
        if (h.second >= settled) out.push_back(h);
      return out;
    };
    if (round == 0) {
      // Two questions, 5 s apart; nothing else, nothing sooner.
      heard.watch(11s, [&](const std::string&) { return later().size() == 2; });
      auto asked = later();
      ASSERT_EQ(asked.size(), 2u);
      for (const auto& [cmd, at] : asked) EXPECT_EQ(cmd, "PS;");
      EXPECT_GE(asked[0].second - dropped, 4500ms);
      EXPECT_GE(asked[1].second - asked[0].second, 4900ms);
      EXPECT_TRUE(log.has("asking it every 5 s"));
      // Back: the next question is answered, and the link is switched on as
      // a COM click switches it.
      radio.setFaults({});
      heard.watch(6s, [](const std::string& c) { return c == "PS;"; });
      asked = later();
      ASSERT_EQ(asked.size(), 3u);
      EXPECT_EQ(asked[2].first, "PS;");
      const auto answered = asked[2].second;
      heard.watch(3s, [](const std::string& c) { return c == "AI;"; });
      asked = later();
      ASSERT_GE(asked.size(), 5u);
      EXPECT_EQ(asked[3].first, "AI1;");
      EXPECT_EQ(asked[4].first, "AI;");
      EXPECT_LE(asked[3].second - answered, 3000ms);
      EXPECT_TRUE(waitFor([&] { return s.state.get_AI_Stat() == 1; }, 3s));
      EXPECT_TRUE(log.has("switching the link on again"));
    } else {
      // A COM click while it waits: the wish is given up; the radio, which
      // answers again once what was on its way has passed, is neither asked
      // nor switched on.
      ASSERT_TRUE(s.request(1));
      EXPECT_TRUE(log.has("no longer waiting for the radio to answer"));
      heard.watch(std::chrono::duration_cast<std::chrono::milliseconds>(settled - Clock::now()));
      radio.setFaults({});
      heard.watch(6s);
      for (const auto& [cmd, at] : later()) EXPECT_TRUE(cmd != "PS;" && cmd != "AI1;") << cmd;
    }
  }
}

// Switched off at the radio while it was silent: its answer PS0 is no
// reason to switch the link on, which it cannot be, so only "PS;" goes on
// every 5 s; its power key then brings the link back at the next question.
TEST(SilentRadio, AnsweringSwitchedOffItIsOnlyAskedUntilItIsOn) {
  sim::SimRadio radio;
  sim::SimPty pty(radio);
  ASSERT_TRUE(pty.open() && pty.start());
  test::TempDir dir;
  test::Program program(pty.slavePath(), dir.path());
  ASSERT_TRUE(program.ok);
  Station& s = program.station;
  ASSERT_TRUE(waitFor([&] { return s.state.get_CommEnabled() != 0; }, 5s));
  ASSERT_TRUE(s.request(1));
  ASSERT_TRUE(waitFor([&] { return s.state.get_AI_Stat() == 1; }, 5s));
  sim::FaultConfig silent;
  silent.silent = true;
  radio.setFaults(silent);
  ASSERT_TRUE(waitFor([&] { return s.state.get_AI_Stat() == 0; }, 7s));
  ASSERT_TRUE(radio.applyLocal("PS0"));
  radio.setFaults({});
  radio.clearCommandLog();
  Heard heard{radio, {}, 0};
  heard.watch(16s);
  int asked = 0;
  for (const auto& [cmd, at] : heard.got) {
    EXPECT_NE(cmd, "AI1;") << "switched on while the radio is off";
    asked += cmd == "PS;" ? 1 : 0;
  }
  EXPECT_GE(asked, 2);
  EXPECT_LE(asked, 4);
  EXPECT_EQ(s.state.get_PS_Stat(), 0);
  ASSERT_TRUE(radio.applyLocal("PS1"));
  EXPECT_TRUE(waitFor([&] { return s.state.get_AI_Stat() == 1; }, 9s));
}

}  // namespace
}  // namespace hrx
