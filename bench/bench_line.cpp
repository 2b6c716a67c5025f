// The program against a radio whose line runs at 4800 baud in both
// directions (the simulator paced as a serial line is):
// - the full read-out, against the bound the line sets: each step's command
//   and reply bytes at 11 bits a character, or the 30 ms step, whichever is
//   longer (goal: within 1.10 times the bound), from the sweep's start until
//   the last menu item's reply has reached the program;
// - a quick flick of 100 wheel notches over the chosen 1 kHz digit, and one
//   over the main dial: the time from the last notch until the radio is at
//   the final frequency (goal: under 50 ms), and the commands written.
// One connected program serves all three, in this order.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Recording.h"
#include "SimPty.h"
#include "SimRadio.h"
#include "app/Station.h"
#include "platform/HeadlessMainWindow.h"

namespace {

using namespace std::chrono_literals;
using namespace hrx;
using Clock = std::chrono::steady_clock;

constexpr int kBaud = 4800;
constexpr double kCharMs = 11.0 * 1000.0 / kBaud;
constexpr double kStepMs = 30.0;     // the read-out's timer
constexpr int kStateSteps = 76;      // rows of the state read-out
constexpr int kNotches = 100;
constexpr auto kNotchGap = 3ms;      // a quick flick: 100 notches in 0.3 s

struct Rig {
  Rig() {
    pty.setBaud(kBaud);
    char tpl[] = "/tmp/hrx900-line-XXXXXX";
    dir = ::mkdtemp(tpl);
    // The line's record tells when the last reply crossed it.
    recordStart = Clock::now();
    if (!recorder.open(dir + "/line.rec", "bench_line", "when the replies arrive")) return;
    pty.setRecorder(&recorder);
    if (!pty.open() || !pty.start()) return;
    ok = station.start(StationOptions{pty.slavePath(), dir});
    for (int i = 0; i < 500 && ok && (station.state.get_CommEnabled() == 0 || !station.port.IsOpen()); ++i)
      std::this_thread::sleep_for(10ms);
  }
  ~Rig() {
    station.shutdown();
    window.stop();
    pty.stop();
    recorder.close();
    if (!dir.empty()) std::filesystem::remove_all(dir);
  }
  LParam onWindow(const Msg& m) {
    if (m.id == kMsgTimer) {
      const auto id = static_cast<std::uint32_t>(m.w);
      if (id == kTimerSync && firstSyncTick.load() == Clock::time_point{}) firstSyncTick = Clock::now();
      station.onTimer(id);
    }
    if (m.id == kMsgRedrawBandPass && m.l == 0) readOutEnd = Clock::now();
    return 0;
  }
  static Rig& get() {
    static Rig rig;
    return rig;
  }

  sim::SimRadio radio;
  sim::Recorder recorder;
  Clock::time_point recordStart{};
  sim::SimPty pty{radio};
  std::string dir;
  std::atomic<Clock::time_point> firstSyncTick{};
  std::atomic<Clock::time_point> readOutEnd{};
  HeadlessMainWindow window{[this](const Msg& m) { return onWindow(m); }};
  Station station{window};
  bool ok = false;
  bool readOutDone = false;
};

double msBetween(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

// When the radio's last reply holding `text` reached the program, by the
// line's record (kept in memory until the session ends); waits up to 10 s.
bool replyTime(Rig& rig, const std::string& text, Clock::time_point* at) {
  for (int i = 0; i < 200; ++i) {
    std::istringstream in(rig.recorder.text());
    std::string line;
    long long found = -1;
    while (std::getline(in, line)) {
      const std::size_t mark = line.find(" < ");
      if (mark != std::string::npos && line.find(text, mark) != std::string::npos) found = std::atoll(line.c_str());
    }
    if (found >= 0) {
      *at = rig.recordStart + std::chrono::milliseconds(found);
      return true;
    }
    std::this_thread::sleep_for(50ms);
  }
  return false;
}

// The line's bound of a read-out that sent `log`: consecutive commands of one
// code are one step of the state read-out, each EX one step of the menu
// read-out; the link's own commands (AI, PS, ID) and the meter polls are no
// steps. Steps that sent nothing take the 30 ms of their tick. With
// `duplex` a step's commands and replies cross at once (the line has a wire
// each way), so only the longer of the two counts.
double lineBoundMs(const sim::SimRadio& radio, const std::vector<std::string>& log, int menuItems, bool duplex) {
  double bound = 0;
  int groups = 0;
  std::string code;
  double sent = 0, answered = 0;
  auto close = [&] {
    const double chars = duplex ? std::max(sent, answered) : sent + answered;
    if (!code.empty()) bound += std::max(kStepMs, chars * kCharMs), ++groups;
    code.clear();
    sent = answered = 0;
  };
  for (const std::string& c : log) {
    const std::string cc = c.substr(0, 2);
    if (cc == "AI" || cc == "PS" || cc == "ID" || (cc == "RM" && c != "RM0;") || c == "SM1;") continue;
    if (cc != code || cc == "EX") close();
    code = cc;
    sent += static_cast<double>(c.size());
    answered += static_cast<double>(radio.peek(c).size());
  }
  close();
  return bound + kStepMs * (kStateSteps + menuItems - groups);
}

void BM_ReadOutAt4800(benchmark::State& st) {
  Rig& rig = Rig::get();
  if (!rig.ok) {
    st.SkipWithError("no program on a pseudo-terminal");
    return;
  }
  for (auto _ : st) {
    rig.radio.clearCommandLog();
    rig.station.request(1);  // the COM switch
    for (int i = 0; i < 12000 && rig.readOutEnd.load() == Clock::time_point{}; ++i) std::this_thread::sleep_for(5ms);
    if (rig.readOutEnd.load() == Clock::time_point{}) {
      st.SkipWithError("the read-out did not end");
      return;
    }
    const int menuItems = rig.station.state.get_MenuItem_Count();
    char last[8];
    std::snprintf(last, sizeof last, "EX%03d", menuItems % 1000);
    Clock::time_point lastReply{};
    if (!replyTime(rig, last, &lastReply)) {
      st.SkipWithError("the last menu item's reply never came");
      return;
    }
    // The sweep starts a tick before its first step.
    const double took = msBetween(rig.firstSyncTick.load(), lastReply) + kStepMs;
    st.counters["sweep_sent_ms"] = msBetween(rig.firstSyncTick.load(), rig.readOutEnd.load()) + kStepMs;
    const std::vector<std::string> log = rig.radio.commandLog();
    const double bound = lineBoundMs(rig.radio, log, menuItems, false);
    const double duplexBound = lineBoundMs(rig.radio, log, menuItems, true);
    st.counters["readout_ms"] = took;
    st.counters["line_bound_ms"] = bound;
    st.counters["ratio"] = took / bound;
    st.counters["duplex_bound_ms"] = duplexBound;
    st.counters["duplex_ratio"] = took / duplexBound;
    st.counters["steps"] = kStateSteps + menuItems;
    rig.readOutDone = true;
  }
}
BENCHMARK(BM_ReadOutAt4800)->Iterations(1)->Unit(benchmark::kMillisecond);

// Turns the wheel `kNotches` times, then waits for the radio to reach
// `arrived`; reports the time after the last notch and the commands of
// `code` written meanwhile.
template <typename Notch, typename Arrived>
void flick(benchmark::State& st, const char* code, Notch notch, Arrived arrived) {
  Rig& rig = Rig::get();
  if (!rig.ok || !rig.readOutDone) {
    st.SkipWithError("no connected program (the read-out runs first)");
    return;
  }
  for (auto _ : st) {
    const std::int32_t start = rig.radio.cell(sim::Cell::VfoA);
    std::this_thread::sleep_for(200ms);  // the line is quiet
    rig.radio.clearCommandLog();
    for (int i = 1; i <= kNotches; ++i) {
      notch(start, i);
      if (i < kNotches) std::this_thread::sleep_for(kNotchGap);
    }
    const auto last = Clock::now();
    while (!arrived(start, rig.radio.cell(sim::Cell::VfoA)) && Clock::now() - last < 10s)
      std::this_thread::sleep_for(100us);
    const auto there = Clock::now();
    if (!arrived(start, rig.radio.cell(sim::Cell::VfoA))) {
      st.SkipWithError("the radio never reached the final frequency");
      return;
    }
    int writes = 0;
    for (const std::string& c : rig.radio.commandLog()) writes += c.compare(0, std::char_traits<char>::length(code), code) == 0;
    st.counters["after_last_notch_ms"] = msBetween(last, there);
    st.counters["writes"] = writes;
    st.counters["notches"] = kNotches;
  }
}

void BM_DigitFlickAt4800(benchmark::State& st) {
  flick(
      st, "FA", [](std::int32_t start, int i) { Rig::get().station.request(82, false, start + i * 1000); },
      [](std::int32_t start, std::int32_t now) { return now == start + kNotches * 1000; });
}
BENCHMARK(BM_DigitFlickAt4800)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_MainDialFlickAt4800(benchmark::State& st) {
  // One notch is one step of 10 Hz, whichever way the dial counts.
  flick(
      st, "E", [](std::int32_t, int) { Rig::get().station.request(78, false, 1); },
      [](std::int32_t start, std::int32_t now) { return std::abs(now - start) == kNotches * 10; });
}
BENCHMARK(BM_MainDialFlickAt4800)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
