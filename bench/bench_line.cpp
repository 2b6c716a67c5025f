// The program against a radio whose line runs at 4800 baud in both
// directions (the simulator paced as a serial line is):
// - the full read-out, against the bound the line and the read-out's own
//   waits set (goal: within 1.10 times the bound), from the sweep's start
//   until the last menu item's reply has reached the program; the same at
//   38400 baud, where the waits are nearly all of it. The bound is what an
//   ideal program and radio would take: each step starts on its tick (30 ms
//   apart, and not before the step before has done its own sleeps), each
//   command crosses its wire after the one before it, and each reply crosses
//   the other wire after the one before it, once its command has arrived
//   whole. Each step is printed with its own wait, its bytes' time each way
//   and what it adds to the bound;
// - a quick flick of 100 wheel notches over the chosen 1 kHz digit, and one
//   over the main dial: the time from the last notch until the radio is at
//   the final frequency (goal: under 50 ms), and the commands written.
// One connected program at 4800 baud serves the first read-out and the
// flicks, in this order.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <filesystem>
#include <iterator>
#include <memory>
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
constexpr double kStepMs = 30.0;     // the read-out's timer
constexpr int kStateSteps = 76;      // rows of the state read-out
// Rows of the state read-out that send nothing (ID, DS, DP, AI, CW, KC) or
// only a link command (PS, whose bytes the bound leaves out).
constexpr int kQuietRows[] = {0, 24, 31, 57, 68, 70, 74};
// The sleep after each command of the equaliser reads and of the reads with
// a side digit; the other steps do not sleep.
constexpr double kSleepAfterMs = 25.0;
constexpr const char* kSleepingCodes[] = {"PE", "BC", "NR", "NA", "NB", "RF", "GT", "RA", "PA", "AN", "ML", "NL", "SQ",
                                          "AG", "RG", "VF", "IS", "SH", "RL", "SM", "CN", "CT", "OS", "PB", "MD", "LM"};
constexpr int kNotches = 100;
constexpr auto kNotchGap = 3ms;      // a quick flick: 100 notches in 0.3 s

struct Rig {
  explicit Rig(int lineBaud) : baud(lineBaud) {
    pty.setBaud(baud);
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
    static Rig rig(kBaud);
    return rig;
  }

  int baud;
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
// line's record; waits up to 10 s for it.
bool replyTime(Rig& rig, const std::string& text, Clock::time_point* at) {
  for (int i = 0; i < 200; ++i) {
    std::istringstream in(rig.recorder.sofar());
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

// One step of the read-out as the bound sees it.
struct Step {
  std::string code;                    // empty: a row that sends nothing
  std::vector<std::string> commands;
  std::vector<std::string> replies;    // the radio's reply to each
  double sleepAfterMs = 0;             // after each command
  double startMs = 0, outMs = 0, inMs = 0, endMs = 0, addsMs = 0;
};

// The steps of a read-out that sent `log`: consecutive commands of one code
// are one step of the state read-out, each EX one step of the menu read-out;
// the link's own commands (AI, PS, ID) and the meter polls are no steps
// (leaving their bytes out only lowers the bound). Empty when the log does
// not hold the read-out's steps.
std::vector<Step> readOutSteps(const sim::SimRadio& radio, const std::vector<std::string>& log, int menuItems) {
  std::vector<Step> groups;
  for (const std::string& c : log) {
    const std::string cc = c.substr(0, 2);
    if (cc == "AI" || cc == "PS" || cc == "ID" || (cc == "RM" && c != "RM0;") || c == "SM1;") continue;
    if (groups.empty() || groups.back().code != cc || cc == "EX") {
      Step s;
      s.code = cc;
      for (const char* code : kSleepingCodes)
        if (cc == code) s.sleepAfterMs = kSleepAfterMs;
      groups.push_back(std::move(s));
    }
    groups.back().commands.push_back(c);
    groups.back().replies.push_back(radio.peek(c));
  }
  const std::size_t stateGroups = kStateSteps - std::size(kQuietRows);
  if (groups.size() != stateGroups + static_cast<std::size_t>(menuItems)) return {};
  std::vector<Step> steps;
  std::size_t next = 0;
  for (int row = 0; row < kStateSteps; ++row) {
    if (std::find(std::begin(kQuietRows), std::end(kQuietRows), row) != std::end(kQuietRows)) steps.emplace_back();
    else steps.push_back(std::move(groups[next++]));
  }
  while (next < groups.size()) steps.push_back(std::move(groups[next++]));
  return steps;
}

// The bound in ms, each step's part filled in; times count from the first
// tick.
double lineBoundMs(std::vector<Step>& steps, int baud) {
  const double charMs = 11.0 * 1000.0 / baud;
  double tick = 0, ready = 0, outFree = 0, inFree = 0, end = 0;
  for (std::size_t k = 0; k < steps.size(); ++k) {
    Step& s = steps[k];
    // A tick comes a period after the one before, however late its step
    // ran; the menu read-out's timer is set when the state read-out ends.
    if (k == static_cast<std::size_t>(kStateSteps)) tick = ready + kStepMs;
    s.startMs = std::max(tick, ready);
    const double before = end;
    double emit = s.startMs;
    for (std::size_t i = 0; i < s.commands.size(); ++i) {
      const double out = static_cast<double>(s.commands[i].size()) * charMs;
      const double in = static_cast<double>(s.replies[i].size()) * charMs;
      outFree = std::max(emit, outFree) + out;
      if (in > 0) inFree = std::max(outFree, inFree) + in;
      end = std::max({end, outFree, in > 0 ? inFree : 0.0});
      s.outMs += out;
      s.inMs += in;
      emit += s.sleepAfterMs;
    }
    ready = emit;
    tick += kStepMs;
    s.endMs = end;
    s.addsMs = end - before;
  }
  // The sweep starts a tick before its first step.
  return kStepMs + end;
}

void printSteps(const std::vector<Step>& steps, int baud, double took, double bound) {
  std::printf("read-out at %d baud, per step (ms): start, own wait, line out, line in, done by, adds%s\n", baud,
              "; \"line\": its bytes take longer than its wait");
  for (std::size_t k = 0; k < steps.size(); ++k) {
    const Step& s = steps[k];
    const double wait = std::max(kStepMs, s.sleepAfterMs * static_cast<double>(s.commands.size()));
    std::printf("  %3zu %-2s %7.1f %5.1f %6.1f %6.1f %7.1f %6.1f%s\n", k + 1, s.code.empty() ? "--" : s.code.c_str(),
                s.startMs, wait, s.outMs, s.inMs, s.endMs, s.addsMs, s.outMs + s.inMs > wait ? " line" : "");
  }
  const double ratio = took / bound;
  std::printf("read-out at %d baud: %.1f ms, bound %.1f ms, ratio %.3f (goal: at most 1.10, %s)\n", baud, took, bound,
              ratio, ratio <= 1.10 ? "met" : "MISSED");
  std::fflush(stdout);
}

void readOut(benchmark::State& st, Rig& rig) {
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
    std::vector<Step> steps = readOutSteps(rig.radio, rig.radio.commandLog(), menuItems);
    if (steps.empty()) {
      st.SkipWithError("the command log does not hold the read-out's steps");
      return;
    }
    const double bound = lineBoundMs(steps, rig.baud);
    printSteps(steps, rig.baud, took, bound);
    st.counters["readout_ms"] = took;
    st.counters["bound_ms"] = bound;
    st.counters["ratio"] = took / bound;
    // Beaten, it is no bound: a step's waits or bytes are counted wrong.
    if (took < bound) st.SkipWithError("the read-out beat its line-limited bound");
    st.counters["steps"] = static_cast<double>(steps.size());
    rig.readOutDone = true;
  }
}

void BM_ReadOutAt4800(benchmark::State& st) { readOut(st, Rig::get()); }
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

// A program of its own on a fast line, gone once its read-out is measured.
void BM_ReadOutAt38400(benchmark::State& st) {
  Rig rig(38400);
  readOut(st, rig);
}
BENCHMARK(BM_ReadOutAt38400)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
