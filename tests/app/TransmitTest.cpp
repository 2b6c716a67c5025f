// What reaches the radio around "TX1;", through the whole core and the
// simulated radio paced at 4800 baud: the transmitter keys only after every
// setting asked for before it, from the panel, a key-file line, Command
// Send, a set-up restore's menu writes or a sharing client; and a release
// owed across a vanished device is the first thing the returning radio
// hears.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "SimPty.h"
#include "SimRadio.h"
#include "menulist/SetupFile.h"
#include "support/StationRig.h"

namespace hrx {
namespace {

using namespace std::chrono_literals;
using Commands = std::vector<std::string>;
using test::waitFor;

constexpr int kOpMainVfo = 82;
constexpr int kOpMode = 193;
constexpr int kOpComSwitch = 1;
constexpr int kOpMoxToggle = 4;
constexpr int kOpMenuWrite = 42;

share::Action ptt(int on) { return share::Action{share::Action::Kind::Ptt, 0, on}; }

// Where `cmd` first stands in the radio's log; the log's size when absent.
std::size_t indexOf(const Commands& log, const std::string& cmd) {
  return static_cast<std::size_t>(std::find(log.begin(), log.end(), cmd) - log.begin());
}

bool heard(const sim::SimRadio& radio, const std::string& cmd) {
  const Commands log = radio.commandLog();
  return indexOf(log, cmd) < log.size();
}

struct Paced {
  sim::SimRadio radio;
  sim::SimPty pty{radio};
  test::TempDir dir;
  std::unique_ptr<test::Program> program;
  bool start() {
    pty.setBaud(4800);
    std::string error;
    if (!pty.open(&error) || !pty.start()) return false;
    program = std::make_unique<test::Program>(pty.slavePath(), dir.path());
    return program->ok && waitFor([&] { return s().state.get_CommEnabled() != 0 && s().port.IsOpen(); }, 5s);
  }
  Station& s() { return program->station; }
  // Unkeys and waits until the radio receives again, with a clean log.
  bool release() {
    s().shareBackend().perform(ptt(0));
    const bool ok = waitFor([&] { return radio.cell(sim::Cell::Tx) == 0 && heard(radio, "TX0;"); }, 5s);
    radio.clearCommandLog();
    return ok;
  }
};

// A sharing client's settings, then its PTT, through the station's entry
// for the sharing server: the radio keys on what was asked for last.
TEST(TransmitOrder, SharedPttWaitsForTheSettingsBeforeIt) {
  Paced p;
  ASSERT_TRUE(p.start());
  const struct {
    const char* label;
    std::vector<std::pair<int, std::int32_t>> ops;
    const char* last;
  } rows[] = {
      {"two frequencies", {{kOpMainVfo, 14070000}, {kOpMainVfo, 14074000}}, "FA14074000;"},
      {"a mode", {{kOpMode, 1}}, "MD02;"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.label);
    for (int run = 0; run < 5; ++run) {
      for (const auto& [op, value] : row.ops) p.s().request(op, false, value);
      p.s().shareBackend().perform(ptt(1));
      ASSERT_TRUE(waitFor([&] { return heard(p.radio, "TX1;") && heard(p.radio, row.last); }, 5s));
      const Commands log = p.radio.commandLog();
      std::string all;
      for (const std::string& c : log) all += c;
      EXPECT_LT(indexOf(log, row.last), indexOf(log, "TX1;")) << "run " << run << ": " << all;
      const std::string code = std::string(row.last).substr(0, 2);
      EXPECT_EQ(std::count_if(log.begin() + static_cast<std::ptrdiff_t>(indexOf(log, "TX1;")), log.end(),
                              [&](const std::string& c) { return c.starts_with(code); }),
                0)
          << "nothing retunes under power";
      ASSERT_TRUE(p.release());
    }
  }
  EXPECT_EQ(p.radio.cell(sim::Cell::VfoA), 14074000);
  EXPECT_EQ(p.radio.cell(sim::Cell::ModeMain), 2);
}

// The panel's tuning then its MOX key, and a set-up restore's menu writes
// then a keying, on the slow line: the radio keys after the last of them
// and nothing of them comes after it.
TEST(TransmitOrder, PanelAndRestoreKeyAfterWhatCameBefore) {
  const struct {
    const char* label;
    std::function<void(Station&)> before;
    const char* keying;   // asked for at once after
    Commands last;        // heard before the keying, the last of each kind
  } rows[] = {
      {"five panel tunings, then MOX",
       [](Station& s) {
         for (int n = 1; n <= 5; ++n) s.request(kOpMainVfo, false, 7000000 + n * 1000);
       },
       "MX1;", {"FA07005000;"}},
      {"a restore's menu writes, then Command Send keys",
       [](Station& s) {
         ASSERT_TRUE(stageSetupItem(s.state, SetupItem{1, 0, 500, {}, true}));
         ASSERT_TRUE(stageSetupItem(s.state, SetupItem{42, 0, 5, {}, true}));
         s.request(kOpMenuWrite, false, 0);
       },
       "TX1;", {"EX0010500;", "EX042+05;"}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.label);
    Paced p;
    ASSERT_TRUE(p.start());
    p.radio.clearCommandLog();
    r.before(p.s());
    if (std::string(r.keying) == "MX1;") p.s().request(kOpMoxToggle, false, 0);
    else ASSERT_TRUE(p.s().sendText(r.keying));
    ASSERT_TRUE(waitFor([&] { return heard(p.radio, r.keying); }, 5s));
    std::this_thread::sleep_for(100ms);   // anything held behind it has crossed too
    const Commands log = p.radio.commandLog();
    std::string all;
    for (const std::string& c : log) all += c;
    const std::size_t keyed = indexOf(log, r.keying);
    for (const std::string& c : r.last) {
      EXPECT_LT(indexOf(log, c), keyed) << c << " in " << all;
      EXPECT_EQ(std::count_if(log.begin() + static_cast<std::ptrdiff_t>(keyed), log.end(),
                              [&](const std::string& h) { return h.starts_with(c.substr(0, 5)); }),
                0)
          << "after the keying: " << all;
    }
  }
}

// A "tune at 10 W" key-file line, sent command by command as fast as the
// keys allow: the radio hears it exactly in its order, every time.
TEST(TransmitOrder, KeyFileLineKeysLast) {
  Paced p;
  ASSERT_TRUE(p.start());
  const Commands line = {"FA14000000;", "BS05;", "MD03;", "PC010;", "TX1;"};
  int inOrder = 0;
  for (int run = 0; run < 20; ++run) {
    for (const std::string& c : line) ASSERT_TRUE(p.s().sendText(c));
    Commands got;
    waitFor(
        [&] {
          got.clear();
          for (const std::string& c : p.radio.commandLog())
            if (std::find(line.begin(), line.end(), c) != line.end()) got.push_back(c);
          return got.size() >= line.size();
        },
        5s);
    inOrder += got == line;
    EXPECT_EQ(got, line) << "run " << run;
    ASSERT_TRUE(p.release());
  }
  EXPECT_EQ(inOrder, 20);
}

// A Command Send record that keys at its end, held behind other commands
// on the slow line, then a release: the release takes the keying back, and
// the record's setting still goes out.
TEST(TransmitOrder, ReleaseTakesBackAKeyingInsideARecord) {
  Paced p;
  ASSERT_TRUE(p.start());
  for (const char* c : {"FB14020000;", "MD01;", "FB14030000;", "MD02;", "FB14040000;"}) ASSERT_TRUE(p.s().sendText(c));
  ASSERT_TRUE(p.s().sendText("FA14000000;MD03;TX1;"));
  ASSERT_TRUE(p.s().sendText("TX0;"));
  ASSERT_TRUE(p.s().sendText("ID;"));
  ASSERT_TRUE(waitFor([&] { return heard(p.radio, "ID;") && heard(p.radio, "MD03;"); }, 5s));
  const Commands log = p.radio.commandLog();
  std::string all;
  for (const std::string& c : log) all += c;
  EXPECT_EQ(indexOf(log, "TX1;"), log.size()) << all;
  EXPECT_LT(indexOf(log, "FA14000000;"), indexOf(log, "MD03;")) << all;
  EXPECT_EQ(p.radio.cell(sim::Cell::Tx), 0);
  EXPECT_EQ(p.radio.cell(sim::Cell::VfoA), 14000000);
}

// The program ends while the transmitter it keyed still sends, keyed from
// the program itself, the panel's MOX key or by a sharing client: the
// radio hears the release.
TEST(TransmitOrder, AnEndWhileKeyedReleases) {
  enum class From { CommandSend, Mox, MoxTyped, Client };
  const struct {
    const char* label;
    From from;
    bool keyed;   // the radio transmits before the end, else the end follows the ask at once
  } rows[] = {
      {"Command Send", From::CommandSend, true},
      {"a sharing client", From::Client, true},
      {"the MOX key", From::Mox, true},
      {"MX1; by Command Send, after a retune in the same line", From::MoxTyped, true},
      {"Command Send, the end at once", From::CommandSend, false},
      {"a sharing client, the end at once", From::Client, false},
      {"the MOX key, the end at once", From::Mox, false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.label);
    Paced p;
    ASSERT_TRUE(p.start());
    const bool mox = r.from == From::Mox || r.from == From::MoxTyped;
    const sim::Cell cell = mox ? sim::Cell::Mx : sim::Cell::Tx;
    const std::string keying = mox ? "MX1;" : "TX1;", release = mox ? "MX0;" : "TX0;";
    if (r.from == From::Client) p.s().shareBackend().perform(ptt(1));
    else if (r.from == From::Mox) p.s().request(kOpMoxToggle, false, 0);
    else if (mox) ASSERT_TRUE(p.s().sendText("FA07005000;MX1;"));
    else ASSERT_TRUE(p.s().sendText("TX1;"));
    if (r.keyed) {
      ASSERT_TRUE(waitFor([&] { return p.radio.cell(cell) == 1; }, 5s));
    }
    if (r.from == From::MoxTyped) {
      const Commands log = p.radio.commandLog();
      EXPECT_LT(indexOf(log, "FA07005000;"), indexOf(log, "MX1;"));
    }
    p.radio.clearCommandLog();
    p.program.reset();
    EXPECT_TRUE(waitFor([&] { return p.radio.cell(cell) == 0; }, 5s));
    // The release may go out on a port the end had already closed: opened
    // again for it, the port then says AI0; after it. A keying asked for
    // just before the end never goes out after the last release.
    const Commands log = p.radio.commandLog();
    if (r.keyed) {
      EXPECT_NE(std::find(log.begin(), log.end(), release), log.end());
    }
    const auto last = std::find(log.rbegin(), log.rend(), keying);
    EXPECT_TRUE(last == log.rend() || std::find(log.rbegin(), last, release) != last);
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(p.radio.cell(cell), 0) << "keyed after the end";
  }
}

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

// Keyed by a client, the radio's device vanishes and comes back at the same
// path (the radio itself still transmitting): the release is owed, and is
// the first command the returning radio hears, before the link's own.
TEST(TransmitOrder, ReleaseOwedAcrossAVanishedDevice) {
  sim::SimRadio radio;
  auto pty = std::make_unique<sim::SimPty>(radio);
  test::TempDir dir;
  const std::string link = dir.path() + "/hrx900";
  std::string error;
  ASSERT_TRUE(pty->open(&error) && pty->link(link, &error) && pty->start()) << error;
  Log log;
  test::Program program(link, dir.path(), [&](const std::string& l) { log.add(l); });
  ASSERT_TRUE(program.ok);
  Station& s = program.station;
  ASSERT_TRUE(waitFor([&] { return s.state.get_CommEnabled() != 0 && s.port.IsOpen(); }, 5s));
  s.request(kOpComSwitch);
  ASSERT_TRUE(waitFor([&] { return s.state.get_AI_Stat() == 1; }, 5s));
  s.shareBackend().perform(ptt(1));
  ASSERT_TRUE(waitFor([&] { return radio.cell(sim::Cell::Tx) == 1 && s.state.get_TxStat() == 1; }, 5s));
  EXPECT_FALSE(s.releaseOwed());

  pty->drop();
  ASSERT_EQ(::unlink(link.c_str()), 0);
  ASSERT_TRUE(waitFor([&] { return s.awaitingDevice(); }, 6s));
  EXPECT_TRUE(s.releaseOwed());
  EXPECT_EQ(radio.cell(sim::Cell::Tx), 1) << "the radio still transmits";

  radio.clearCommandLog();
  pty = std::make_unique<sim::SimPty>(radio);
  ASSERT_TRUE(pty->open(&error) && pty->link(link, &error) && pty->start()) << error;
  ASSERT_TRUE(waitFor([&] { return !radio.commandLog().empty(); }, 5s));
  ASSERT_TRUE(waitFor([&] { return radio.cell(sim::Cell::Tx) == 0; }, 5s));
  const Commands got = radio.commandLog();
  EXPECT_EQ(got.front(), "TX0;");
  EXPECT_FALSE(s.releaseOwed());
  EXPECT_TRUE(waitFor([&] { return log.has("transmitter released at " + link); }, 2s));
  EXPECT_TRUE(log.has("its release is owed"));
  pty->stop();
}

}  // namespace
}  // namespace hrx
