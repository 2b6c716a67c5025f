// The editor's state machine over the built-in catalogue, with the window's
// timers run by hand.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "equaliser/PrmtrcEditor.h"
#include "menulist/MenuCatalogue.h"
#include "state/RadioState.h"

namespace {

using hrx::eq::PrmtrcEditor;
using Strings = std::vector<std::string>;

struct Host final : hrx::eq::EditorHost {
  hrx::RadioState st;
  Strings written;
  std::map<std::uint32_t, int> timers;   // running timers and their periods
  Host() { hrx::loadBuiltInCatalogue(st); }
  bool menuItemByType(int type, hrx::MenuListItem* out) override { return st.get_MenuItemByType(type, out); }
  int aiStat() override { return st.get_AI_Stat(); }
  void writeCommand(std::string_view c) override { written.emplace_back(c); }
  void startTimer(std::uint32_t id, int ms) override { timers[id] = ms; }
  void killTimer(std::uint32_t id) override { timers.erase(id); }
  void showBand(int) override {}
  void redrawGraph() override {}
  void closeWindow() override {}
  bool running(std::uint32_t id) const { return timers.count(id) != 0; }
  // The radio's reply to a write, as the analyser stores it.
  void radioSets(int no, double v) {
    st.edit_MenuItem(no, [&](hrx::MenuListItem& i) {
      i.value = v;
      return true;
    });
  }
  Strings take() { return std::exchange(written, {}); }
};

// The catalogue's initial values of the F-PRMTRC items 159..167.
constexpr hrx::eq::EqValues kFInitial = {0, 5, 10, 0, 5, 10, 0, 5, 10};

// An editor on the host, opened with the link on or off.
struct Rig {
  explicit Rig(bool online) {
    h.st.set_AI_Stat(online ? 1 : 0);
    e.open();
  }
  void press(int code) {
    e.onButton(code, true);
    e.onButton(code, false);
  }
  Host h;
  PrmtrcEditor e{h, 0};
};

TEST(PrmtrcEditor, OfflineStepsStopAtTheLimits) {
  Rig r(false);
  auto& [h, e] = r;
  EXPECT_FALSE(e.online());
  EXPECT_EQ(e.capture(), 0);
  EXPECT_EQ(e.values(), kFInitial);
  EXPECT_EQ(e.baselineValues(), kFInitial);
  EXPECT_EQ(e.valueText(0), "OFF");
  EXPECT_EQ(e.valueText(1), "5 dB");
  EXPECT_EQ(e.valueText(2), "10");
  EXPECT_FALSE(h.running(hrx::eq::kTimerPoll));

  struct Case {
    int code, presses, param, expected;
  };
  const Case cases[] = {
      {4, 12, 0, 7},     // band 1 FREQ right: up to 700 Hz (index 7)
      {5, 12, 0, 0},     // band 1 FREQ left: down to OFF
      {6, 20, 3, 9},     // band 2 up to 1500 Hz
      {8, 30, 6, 18},    // band 3 up to 3200 Hz
      {10, 20, 1, 10},   // LEVEL left raises to +10
      {11, 40, 1, -10},  // LEVEL right lowers to the radio's -10, not -20
      {16, 20, 2, 10},   // BWTH left up to 10
      {17, 20, 2, 1},    // BWTH right down to 1
  };
  for (const Case& c : cases) {
    for (int i = 0; i < c.presses; ++i) r.press(c.code);
    EXPECT_EQ(e.value(c.param), c.expected) << c.code;
  }
  EXPECT_EQ(e.valueText(6), "3200 Hz");
  EXPECT_EQ(e.lastBand(), 1);
  // CANCEL brings every value back; APPLI makes the values the baseline.
  r.press(hrx::eq::kCodeCancel);
  EXPECT_EQ(e.values(), kFInitial);
  e.onTimer(hrx::eq::kTimerSettle);
  for (int code : {8, 8, hrx::eq::kCodeAppli, 8, hrx::eq::kCodeCancel}) r.press(code);
  EXPECT_EQ(e.value(6), 2);
  EXPECT_TRUE(h.written.empty());
}

TEST(PrmtrcEditor, OnlineStepWritesAndTheValueFollowsTheReply) {
  Rig r(true);
  auto& [h, e] = r;
  EXPECT_TRUE(e.online());
  EXPECT_EQ(h.timers[hrx::eq::kTimerPoll], 50);
  // Polling: one read-back a tick, in parameter order, then round again.
  for (int i = 0; i < 10; ++i) e.onTimer(hrx::eq::kTimerPoll);
  EXPECT_EQ(h.take(), (Strings{"EX159;", "EX160;", "EX161;", "EX162;", "EX163;", "EX164;", "EX165;", "EX166;",
                               "EX167;", "EX159;"}));

  h.radioSets(160, 3);
  e.onMenuReport();
  EXPECT_EQ(e.value(1), 3);
  e.onButton(10, true);   // band 1 LEVEL left: +3 -> +4
  EXPECT_FALSE(h.running(hrx::eq::kTimerPoll));
  EXPECT_EQ(h.take(), (Strings{"EX160+04;", "EX160;"}));
  EXPECT_EQ(e.value(1), 3);
  e.onButton(10, false);
  EXPECT_TRUE(h.running(hrx::eq::kTimerPoll));
  h.radioSets(160, 4);
  e.onMenuReport();
  EXPECT_EQ(e.value(1), 4);

  // Negative levels, frequencies and widths.
  h.radioSets(163, -3);
  e.onMenuReport();
  for (int code : {13, 4, 21}) r.press(code);
  EXPECT_EQ(h.take(), (Strings{"EX163-04;", "EX163;", "EX15901;", "EX159;", "EX16709;", "EX167;"}));
}

TEST(PrmtrcEditor, OnlineCancelWritesTheBaselineInTimerStepsAndTakesTheRadiosValues) {
  Rig r(true);
  auto& [h, e] = r;
  h.radioSets(160, 7);
  h.radioSets(167, 3);
  e.onMenuReport();
  h.take();
  e.onButton(hrx::eq::kCodeCancel, false);
  // Nothing is written at once: each write waits its 25 ms step.
  EXPECT_TRUE(h.written.empty());
  EXPECT_EQ(h.timers[hrx::eq::kTimerWriteGap], 25);
  EXPECT_EQ(e.capture(), 2);
  EXPECT_FALSE(h.running(hrx::eq::kTimerSettle));
  r.press(10);   // ignored while the capture is outstanding
  EXPECT_TRUE(h.written.empty());
  e.onTimer(hrx::eq::kTimerWriteGap);
  EXPECT_EQ(h.take(), (Strings{"EX160+05;", "EX160;"}));
  e.onTimer(hrx::eq::kTimerWriteGap);
  EXPECT_EQ(h.take(), (Strings{"EX16710;", "EX167;"}));
  EXPECT_FALSE(h.running(hrx::eq::kTimerWriteGap));
  EXPECT_EQ(h.timers[hrx::eq::kTimerSettle], 500);
  // The radio took one value and refused the other.
  h.radioSets(160, 5);
  e.onTimer(hrx::eq::kTimerSettle);
  EXPECT_EQ(e.capture(), 0);
  EXPECT_FALSE(e.cancelBusy());
  EXPECT_EQ(e.value(1), 5);
  EXPECT_EQ(e.value(8), 3);
  EXPECT_EQ(e.baseline(8), 3);
}

TEST(PrmtrcEditor, AutoInformationOffGoesOfflineAndOnComesBackWithoutTheSwitch) {
  Rig r(true);
  auto& [h, e] = r;
  h.st.set_AI_Stat(0);
  e.onAiReport();
  EXPECT_FALSE(e.online());
  EXPECT_FALSE(h.running(hrx::eq::kTimerPoll));
  h.take();
  r.press(4);
  EXPECT_EQ(e.value(0), 1);   // offline: the local copy
  EXPECT_TRUE(h.written.empty());
  // The link is back: the editor follows the radio again and the link is
  // left on (the connection switch would have sent "AI0;").
  // The radio's values are known once its menu read-out has ended.
  h.st.set_AI_Stat(1);
  e.onAiReport();
  EXPECT_TRUE(e.online());
  EXPECT_FALSE(h.running(hrx::eq::kTimerPoll));
  e.onReadOutEnded();
  EXPECT_EQ(e.value(0), 0);
  EXPECT_EQ(e.baseline(0), 0);
  EXPECT_TRUE(h.running(hrx::eq::kTimerPoll));
  e.onAiReport();
  EXPECT_TRUE(e.online());
  EXPECT_TRUE(h.written.empty());
}

TEST(PrmtrcEditor, OnlineFileLoadKeepsTheLoadedValuesAsTheBaseline) {
  Rig r(true);
  auto& [h, e] = r;
  const auto dir = std::filesystem::temp_directory_path() / ("hrx900-eq-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "x.pef").string();
  std::ofstream(path) << "300,-5,4\n0,5,10\n0,5,10\n";
  h.take();
  ASSERT_EQ(e.loadFrom(path), PrmtrcEditor::FileResult::Done);
  EXPECT_EQ(e.capture(), 0);
  EXPECT_EQ(e.baselineValues(), (hrx::eq::EqValues{3, -5, 4, 0, 5, 10, 0, 5, 10}));
  // The radio takes the first value and reports it before the rest go out.
  e.onTimer(hrx::eq::kTimerWriteGap);
  EXPECT_EQ(h.take(), (Strings{"EX15903;", "EX159;"}));
  h.radioSets(159, 3);
  e.onMenuReport();
  EXPECT_EQ(e.baselineValues(), (hrx::eq::EqValues{3, -5, 4, 0, 5, 10, 0, 5, 10}));
  e.onTimer(hrx::eq::kTimerWriteGap);
  e.onTimer(hrx::eq::kTimerWriteGap);
  EXPECT_EQ(h.take(), (Strings{"EX160-05;", "EX160;", "EX16104;", "EX161;"}));
  EXPECT_FALSE(h.running(hrx::eq::kTimerWriteGap));
  EXPECT_FALSE(h.running(hrx::eq::kTimerSettle));

  // A bad file changes nothing, a load during a capture is ignored.
  std::ofstream(path) << "350,-5,4\n0,5,10\n0,5,10\n";
  const auto base = e.baselineValues();
  EXPECT_EQ(e.loadFrom(path), PrmtrcEditor::FileResult::Failed);
  EXPECT_EQ(e.baselineValues(), base);
  EXPECT_EQ(e.pendingWrites(), 0u);
  e.onButton(hrx::eq::kCodeCancel, false);
  h.take();
  EXPECT_EQ(e.saveTo(path), PrmtrcEditor::FileResult::Ignored);
  EXPECT_EQ(e.loadFrom(path), PrmtrcEditor::FileResult::Ignored);
  // Closing sends what was still waiting.
  e.close();
  EXPECT_EQ(h.take(), (Strings{"EX160-05;", "EX160;", "EX16104;", "EX161;"}));
  EXPECT_TRUE(h.timers.empty());
  std::filesystem::remove_all(dir);
}

}  // namespace
