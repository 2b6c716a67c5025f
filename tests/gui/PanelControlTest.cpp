// The panel controller alone, on a recording host: hit tables, key press
// and release, every key's operation, the main dial's drag rule, the knobs'
// focus and steps, the frequency digits, the wheel over the dials and the
// entry window's keypad.
#include <QtTest>
#include <cmath>
#include <vector>

#include "FakePanelHost.h"
#include "GuiSuites.h"
#include "panel/KnobPointer.h"
#include "panel/SoftKeyLongPush.h"

using namespace hrx::panel;
using hrx::Msg;
using hrx::test::FakeHost;
using hrx::test::Request;
using Requests = std::vector<Request>;
using Looks = std::vector<Msg>;

namespace {

// The left button goes down at (x, y), the host's cursor with it.
void press(FakeHost& h, PanelCtrl& c, int x, int y) {
  h.cx = x;
  h.cy = y;
  h.down = true;
  c.OnLButtonDown(x, y);
}

// A click: press, then release `heldMs` later (after the debounce unless told).
void click(FakeHost& h, PanelCtrl& c, int x, int y, int heldMs = 150) {
  press(h, c, x, y);
  h.down = false;
  h.clock += heldMs;
  c.OnLButtonUp(x, y);
}

void wheel(FakeHost& h, PanelCtrl& c, int delta, int x, int y) {
  h.cx = x;
  h.cy = y;
  c.OnMouseWheel(delta, x, y);
}

// A point at `deg` degrees, 80 pixels from the main dial's centre (715, 203).
QPoint onMainDial(double deg) {
  const double a = deg * M_PI / 180.0;
  return {715 + static_cast<int>(std::lround(80 * std::cos(a))), 203 - static_cast<int>(std::lround(80 * std::sin(a)))};
}

std::vector<int> values(const Requests& rs) {
  std::vector<int> v;
  for (const Request& r : rs) v.push_back(r.value);
  return v;
}

}  // namespace

class PanelControlTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // Inclusive edges, gaps, first entry wins, area F also holds G's keys;
  // the cursor angle is truncated toward zero before the turn is added.
  void hitTablesAndAngles() {
    const int rows[][3] = {
        {14, 130, 3},  {54, 159, 3},   {55, 159, 0},  {30, 160, 0},   {18, 73, 1},   {470, 105, 35},
        {630, 60, 207}, {785, 79, 200}, {600, 110, 6}, {841, 293, 52}, {1000, 300, 13}, {400, 200, 29},
        {420, 130, 208}, {715, 203, 0}, {2, 2, 0},
    };
    for (const auto& [x, y, id] : rows) {
      const int area = findArea(x, y);
      QVERIFY2((area < 0 ? 0 : findHit(areaTable(area), x, y)) == id, qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
    }
    const int angles[][3] = {{815, 203, 0}, {715, 103, 90}, {615, 203, 180}, {715, 303, 270}, {815, 204, 0}, {815, 220, 351}};
    for (const auto& [x, y, deg] : angles) QCOMPARE(cursorAngle(x, y, 715, 203), deg);
    for (int deg : {5, 10, 30, 355}) QCOMPARE(cursorAngle(onMainDial(deg).x(), onMainDial(deg).y(), 715, 203), deg);
    // Knobs: inner within 15, outer within 27 of the centres; the sampled
    // disc never reaches a full radius straight right of the centre.
    const int hits[][3] = {{480, 285, 20}, {494, 285, 20}, {495, 285, 21}, {480, 258, 21}, {506, 285, 21},
                           {507, 285, 0},  {140, 285, 14}, {140, 299, 14}, {140, 300, 15}, {254, 270, 16},
                           {254, 310, 17}, {367, 285, 18}, {390, 285, 19}, {200, 285, 0}};
    for (const auto& [x, y, id] : hits) QCOMPARE(findKnob(x, y), id);
    const int focus[][2] = {{14, 22}, {21, 29}, {139, 19}, {100, -1}};
    for (const auto& [id, index] : focus) QCOMPARE(knobFocusIndex(id), index);
  }

  // Released 40 ms after the press: the key stays drawn pressed (no wait on
  // the window's thread) until the watch tick at 100 ms; keys send only on
  // the press; a key the cursor slides off is released.
  void comLampPressAndRelease() {
    FakeHost h;
    PanelCtrl c(h);
    click(h, c, 30, 140, 40);
    QCOMPARE(h.requests, (Requests{{1, false, 0}}));
    QCOMPARE(h.looks, (Looks{{0x8578, 1, 0}}));
    QCOMPARE(h.timers[kTimerRelease], 100u);
    h.clock += 59;
    c.Ctrl_OnTimer(kTimerRelease);
    QCOMPARE(h.looks.size(), 1u);
    QCOMPARE(c.m_Op_Stats(), 3);
    h.clock += 1;
    c.Ctrl_OnTimer(kTimerRelease);
    QCOMPARE(h.looks.back(), (Msg{0x8578, 0, 0}));
    QCOMPARE(h.requests.size(), 1u);
    QCOMPARE(c.m_Op_Stats(), 0);
    QCOMPARE(h.timers.count(kTimerRelease), 0u);
    press(h, c, 600, 135);   // STO, and the cursor slides off it
    h.cx = 660;
    h.clock += 100;
    c.Ctrl_OnTimer(kTimerRelease);
    QCOMPARE(h.looks.back(), (Msg{0x859A, 0, 0}));
    QCOMPARE(c.m_Op_Stats(), 0);
    QCOMPARE(h.requests, (Requests{{1, false, 0}, {28, false, 0}}));
  }

  void comWhileDisconnectedShowsTheNoticeUntilAiComes() {
    for (const bool aiComes : {true, false}) {
      FakeHost h;
      h.link = false;
      PanelCtrl c(h);
      click(h, c, 30, 140, 0);
      QCOMPARE(h.requests, (Requests{{1, false, 0}}));
      QCOMPARE(h.notices, (std::vector<bool>{true}));
      QCOMPARE(h.timers[kTimerComNotice], 5000u);
      QVERIFY(c.busy());
      // While the notice is up the key stays down and nothing else acts.
      for (int i = 0; i < 10; ++i) c.Ctrl_OnTimer(kTimerRelease);
      QCOMPARE(c.m_Op_Stats(), 3);
      c.OnLButtonDown(600, 135);
      QCOMPARE(h.requests.size(), 1u);
      if (aiComes) c.Ctrl_OnEventHandle_AI();
      else c.Ctrl_OnTimer(kTimerComNotice);
      QCOMPARE(h.notices, (std::vector<bool>{true, false}));
      QCOMPARE(h.failures, aiComes ? 0 : 1);
      QCOMPARE(h.timers.count(kTimerComNotice), 0u);
      QVERIFY(!c.busy());
      h.clock += 200;
      c.Ctrl_OnTimer(kTimerRelease);   // the next watch tick releases the key
      QCOMPARE(c.m_Op_Stats(), 0);
      QCOMPARE(h.looks.back(), (Msg{0x8578, 0, 0}));
      // A late AI report or time-out changes nothing more.
      c.Ctrl_OnEventHandle_AI();
      c.Ctrl_OnTimer(kTimerComNotice);
      QCOMPARE(h.notices.size(), 2u);
      QCOMPARE(h.failures, aiComes ? 0 : 1);
    }
  }

  // Cursor angles at the tracking ticks (-1: a send tick; each point's
  // angle truncates to exactly these degrees) and the values
  // operation 78 sent; only inside the dial's square; a menu command ends
  // a drag and keeps its steps.
  void mainDialDragRule() {
    struct Row {
      const char* what;
      int start;
      QList<int> ticks;
      std::vector<int> sent;
    };
    const Row rows[] = {
        {"20 ccw in one tick", 10, {30, -1}, {2}},
        {"20 cw in one tick", 30, {10, -1}, {-2}},
        {"6 degrees send nothing", 9, {15, -1, -1}, {}},
        {"13 degrees: 1 step, 6 forgotten", 9, {22, -1, 24, -1}, {1}},
        {"4 degrees kept, 3 more make a step", 0, {4, -1, 7, -1}, {1}},
        {"back through 0/360", 5, {340, -1}, {-3}},
        {"remainder dropped at each step", 0, {5, 10, 15, -1}, {1}},
        {"one send per tick", 0, {30, -1, 60, -1, -1}, {4, 4}},
        {"steps not yet sent go at the release", 0, {30}, {4}},
    };
    for (const auto& [what, start, ticks, sent] : rows) {
      FakeHost h;
      PanelCtrl c(h);
      press(h, c, onMainDial(start).x(), onMainDial(start).y());
      QCOMPARE(c.m_Op_Stats(), 128);
      QCOMPARE(h.timers[kTimerRelease], 30u);
      QCOMPARE(h.timers[kTimerDialSend], 30u);
      QCOMPARE(h.looks.front(), (Msg{0x85C8, static_cast<hrx::WParam>(start), 0}));
      for (int t : ticks) {
        if (t >= 0) {
          h.cx = onMainDial(t).x();
          h.cy = onMainDial(t).y();
        }
        c.Ctrl_OnTimer(t < 0 ? kTimerDialSend : kTimerRelease);
      }
      // Release seen at a tracking tick: dial at rest, both timers stopped.
      h.down = false;
      c.Ctrl_OnTimer(kTimerRelease);
      QCOMPARE(h.looks.back(), (Msg{0x85C8, 360, 0}));
      QCOMPARE(c.m_Op_Stats(), 0);
      QVERIFY(h.timers.empty());
      for (const Request& r : h.requests) QCOMPARE(r.op, 78);
      QVERIFY2(values(h.requests) == sent, what);
    }
    FakeHost h;
    PanelCtrl c(h);
    press(h, c, 850, 300);   // area G, outside the dial square
    c.OnLButtonDown(808, 203);   // one pixel right of the square
    QCOMPARE(c.m_Op_Stats(), 0);
    QVERIFY(h.timers.empty());
    c.OnLButtonDown(807, 203);
    QCOMPARE(c.m_Op_Stats(), 128);
    h.cx = onMainDial(30).x();
    h.cy = onMainDial(30).y();
    c.Ctrl_OnTimer(kTimerRelease);
    c.Ctrl_EndInteraction();
    QCOMPARE(h.requests, (Requests{{78, false, 4}}));
    QCOMPARE(c.m_Op_Stats(), 0);
    QVERIFY(h.timers.empty());
  }

  // Every plain key, pressed with the VFO-select state set: {x, y,
  // operation, value, VFO flag}. Only TXW sends again on release: 0.
  void keysSendTheirOperations() {
    const int rows[][5] = {
        {30, 60, 2, 0, 0},     {30, 140, 1, 0, 0},    {310, 285, 188, 0, 0}, {600, 110, 189, 0, 0}, {650, 110, 190, 0, 0},
        {770, 110, 191, 0, 0}, {820, 110, 192, 0, 0}, {1000, 250, 194, 0, 0}, {170, 175, 205, 0, 0}, {240, 175, 206, 0, 0},
        {300, 175, 207, 0, 0}, {370, 175, 208, 0, 0}, {170, 195, 209, 0, 0}, {240, 195, 210, 0, 0}, {300, 195, 211, 0, 0},
        {370, 195, 212, 0, 0}, {470, 105, 42, 0, 0},  {80, 285, 4, 0, 0},    {195, 285, 58, 0, 0},  {420, 285, 18, 0, 0},
        {535, 285, 10, 0, 0},  {600, 135, 28, 0, 0},  {600, 165, 29, 0, 0},  {600, 195, 30, 0, 1},  {600, 255, 32, 1, 0},
        {800, 135, 37, 0, 0},  {820, 165, 38, 0, 0},  {830, 195, 39, 0, 0},  {830, 225, 40, 0, 0},  {820, 255, 41, 0, 0},
        {780, 285, 35, 0, 0},  {820, 285, 36, 0, 0},  {930, 140, 43, 0, 1},  {880, 50, 44, 0, 1},   {930, 50, 45, 0, 1},
        {980, 50, 46, 0, 1},   {880, 80, 47, 0, 1},   {930, 80, 48, 0, 1},   {980, 80, 49, 0, 1},   {880, 110, 50, 0, 1},
        {930, 110, 51, 0, 1},  {980, 110, 52, 0, 1},  {880, 140, 53, 0, 1},  {980, 190, 56, 0, 0},  {880, 190, 54, 0, 0},
        {930, 190, 55, 0, 0},
    };
    for (const auto& [x, y, op, value, vfo] : rows) {
      FakeHost h;
      h.vfo = true;
      PanelCtrl c(h);
      click(h, c, x, y);
      c.Ctrl_OnTimer(kTimerRelease);
      Requests want{{op, vfo != 0, value}};
      if (op == 32) want.push_back({32, false, 0});
      QVERIFY2(h.requests == want, qPrintable(QStringLiteral("key at %1,%2").arg(x).arg(y)));
      QCOMPARE(c.m_Op_Stats(), 0);
    }
  }

  // Each knob's step by click (0), repeat (1) and wheel (2), within its
  // range and only in the modes it works in: {knob, mode, value, how,
  // left, result, contour kind (0 = off)}.
  void knobSteps() {
    const int rows[][7] = {
        {20, 2, 100, 0, 1, 99, 0}, {20, 2, 100, 1, 1, 90, 0},  {20, 2, 250, 2, 0, 255, 0},  {20, 2, 0, 0, 1, 0, 0},
        {16, 2, 200, 1, 1, 197, 0}, {18, 2, 995, 1, 0, 1000, 0}, {18, 2, 0, 2, 1, -10, 0},  {19, 2, 25, 0, 0, 25, 0},
        {14, 1, 50, 2, 0, 70, 0},  {14, 7, 4, 0, 1, 4, 0},     {14, 3, 30, 2, 1, 25, 0},    {14, 6, 30, 0, 0, 0, 0},
        {15, 5, 10, 1, 1, 5, 0},   {17, 2, 20, 2, 0, 0, 0},    {17, 2, 38, 2, 0, 40, 1},    {17, 2, 3, 2, 1, 0, 2},
    };
    int row = 0;
    for (const auto& [id, mode, value, how, left, result, contour] : rows) {
      FakeHost h;
      PanelCtrl c(h);
      hrx::RadioState& s = h.st;
      QVERIFY(s.set_MD_Main(mode));
      s.set_CO_Main_On(contour != 0 ? 1 : 0);
      s.set_CO_Main_OnKind(contour);
      for (auto set : {&hrx::RadioState::set_CO_Main_Level1, &hrx::RadioState::set_CO_Main_Level2,
                       &hrx::RadioState::set_AG_Main, &hrx::RadioState::set_RG_Main, &hrx::RadioState::set_BP_Main_Level,
                       &hrx::RadioState::set_IS_Main, &hrx::RadioState::set_SH_Main, &hrx::RadioState::set_MG_Value,
                       &hrx::RadioState::set_KS_Value, &hrx::RadioState::set_PL_Value, &hrx::RadioState::set_PC_Value})
        (s.*set)(value);
      const QByteArray what = QByteArray::number(row++);
      QVERIFY2(c.Ctrl_OpVolumeDialStep(id, left != 0, how == 1, how == 2) == result, what);
      // The first repeat step sets the 200 ms repeat and the suppression.
      if (how == 1) QVERIFY2(h.timers[kTimerRepeat] == 200 && c.repeatSuppressed(), what);
    }
  }
  // AF: a click focuses and steps once down; a hold repeats after 1 s by 10
  // every 200 ms and the release adds nothing; the right button steps up;
  // the wheel steps by 20; a click on the focused knob removes the focus.
  void knobClickHoldRightWheelAndUnfocus() {
    FakeHost h;
    PanelCtrl c(h);
    QVERIFY(h.st.set_AG_Main(100));
    click(h, c, 480, 285);
    QCOMPARE(h.looks, (Looks{{0x85D2, 1, 28}}));
    QCOMPARE(c.m_Op_Stats(), 20);
    QCOMPARE(h.requests, (Requests{{203, false, 99}}));
    QCOMPARE(h.timers.count(kTimerRepeat), 0u);

    // Hold outside any key: after 1 s a repeat step, then every 200 ms.
    h.requests.clear();
    press(h, c, 2, 2);
    QCOMPARE(h.timers[kTimerRepeat], 1000u);
    c.Ctrl_OnTimer(kTimerRepeat);
    QCOMPARE(h.timers[kTimerRepeat], 200u);
    QVERIFY(h.st.set_AG_Main(90));
    c.Ctrl_OnTimer(kTimerRepeat);
    h.down = false;
    c.OnLButtonUp(2, 2);
    QCOMPARE(h.requests, (Requests{{203, false, 90}, {203, false, 80}}));
    QVERIFY(!c.repeatSuppressed());

    // Right button: one step up on release.
    h.requests.clear();
    QVERIFY(h.st.set_AG_Main(80));
    h.rdown = true;
    c.OnRButtonDown(2, 2);
    QCOMPARE(h.timers[kTimerRepeat], 1000u);
    h.rdown = false;
    c.OnRButtonUp(2, 2);
    QCOMPARE(h.requests, (Requests{{203, false, 81}}));
    // A repeat tick that finds the button up stops the repeat.
    c.Ctrl_OnTimer(kTimerRepeat);
    QCOMPARE(h.timers.count(kTimerRepeat), 0u);

    h.requests.clear();
    wheel(h, c, 120, 2, 2);
    wheel(h, c, -120, 2, 2);
    QCOMPARE(h.requests, (Requests{{203, false, 100}, {203, false, 60}}));

    h.requests.clear();
    click(h, c, 480, 285);
    QCOMPARE(h.looks.back(), (Msg{0x85D2, 0, 28}));
    QCOMPARE(c.m_Op_Stats(), 0);
    QVERIFY(h.requests.empty());
  }

  // Another knob takes the focus; a key ends it and acts; a soft key
  // click that ends a focus does not press the soft key.
  void keyOrOtherKnobEndsTheFocus() {
    FakeHost h;
    PanelCtrl c(h);
    click(h, c, 480, 285);   // AF
    click(h, c, 367, 285);   // SHIFT
    QCOMPARE(h.looks, (Looks{{0x85D2, 1, 28}, {0x85D2, 0, 28}, {0x85D2, 1, 26}}));
    QCOMPARE(c.m_Op_Stats(), 18);
    h.requests.clear();
    click(h, c, 600, 135);   // STO
    QCOMPARE(h.looks[3], (Msg{0x85D2, 0, 26}));
    QCOMPARE(h.requests, (Requests{{28, false, 0}}));
    click(h, c, 480, 285);
    h.requests.clear();
    click(h, c, 170, 175);
    QVERIFY(h.requests.empty());
    QCOMPARE(c.m_Op_Stats(), 0);
  }

  // Starting a drag of the main or the third dial ends a chosen digit or a
  // focused knob with its look, so the wheel that follows turns the dial
  // and nothing marks the digit: {what, click x, y, SF, drag x, y, dial,
  // the look that ends the choice}.
  void dragEndsTheDigitChoiceAndTheKnobFocus() {
    struct Row {
      const char* what;
      int cx, cy, sf, dx, dy, dial;
      Msg ended;
    };
    const Row rows[] = {
        {"main digit, main dial", 770, 60, 0, 715, 150, 128, {0x85C9, 0, 0}},
        {"VFO-B digit, main dial", 420, 130, 0, 715, 150, 128, {0x85CA, 0, 0}},
        {"AF knob, main dial", 480, 285, 0, 715, 150, 128, {0x85D2, 0, 28}},
        {"main digit, third dial", 770, 60, 5, 939, 250, 130, {0x85C9, 0, 0}},
    };
    for (const Row& r : rows) {
      FakeHost h;
      PanelCtrl c(h);
      QVERIFY(h.st.set_SF_Value(r.sf));
      click(h, c, r.cx, r.cy);
      QVERIFY2(c.digitChosen() || c.knobFocused(), r.what);
      h.looks.clear();
      press(h, c, r.dx, r.dy);
      QVERIFY2(c.m_Op_Stats() == r.dial, r.what);
      QVERIFY2(!h.looks.empty() && h.looks.front() == r.ended, r.what);
      QVERIFY2(h.timers.count(kTimerRepeat) == 0, r.what);
    }
  }

  // A digit chosen at x, one notch: the frequency sent (-1: nothing).
  void digitWheel() {
    const int rows[][5] = {
        {730, 3, 14195000, 120, 14195100},   {770, 1, 14195000, -120, 14194999}, {710, 4, 14199500, 120, 14200500},
        {630, 8, 50000000, 120, 56000000},   {650, 7, 55500000, 120, -1},        {690, 5, 35000, -120, -1},
        {690, 5, 40000, -120, 30000},
    };
    for (const auto& [x, position, start, delta, sent] : rows) {
      FakeHost h;
      PanelCtrl c(h);
      QVERIFY(h.st.set_VfoA_Freq(start));
      click(h, c, x, 60);
      QCOMPARE(h.looks, (Looks{{0x85C9, static_cast<hrx::WParam>(position), 0}}));
      QCOMPARE(c.m_vfo_set_num(), position);
      wheel(h, c, delta, 715, 203);   // anywhere: the chosen digit takes it
      QCOMPARE(h.requests, (sent < 0 ? Requests{} : Requests{{82, false, sent}}));
    }
  }

  void digitChoiceBetweenDisplays() {
    FakeHost h;
    PanelCtrl c(h);
    QVERIFY(h.st.set_VfoB_Freq(7050000));
    click(h, c, 730, 60);    // main 100 Hz
    click(h, c, 400, 130);   // a VFO-B digit: only clears the main one
    QCOMPARE(h.looks, (Looks{{0x85C9, 3, 0}, {0x85C9, 0, 0}}));
    QCOMPARE(c.m_Op_Stats(), 0);
    click(h, c, 400, 130);   // now it chooses VFO-B digit 210 (position 3)
    QCOMPARE(h.looks.back(), (Msg{0x85CA, 3, 0}));
    wheel(h, c, 120, 2, 2);
    QCOMPARE(h.requests, (Requests{{83, false, 7050100}}));
    click(h, c, 400, 130);   // the chosen digit again: cleared
    QCOMPARE(h.looks.back(), (Msg{0x85CA, 0, 0}));
    QCOMPARE(c.m_Op_Stats(), 0);
  }

  // Notches faster than the radio's echo build on the frequency already
  // asked for; an echo of an earlier notch does not pull the next one back;
  // a radio that never echoes is given up after a second.
  void digitNotchesFasterThanTheEcho() {
    FakeHost h;
    PanelCtrl c(h);
    QVERIFY(h.st.set_VfoA_Freq(14000000));
    click(h, c, 760, 60);   // 10 Hz
    for (int i = 0; i < 5; ++i) wheel(h, c, 120, 2, 2);
    QVERIFY(h.st.set_VfoA_Freq(14000020));   // the second notch's echo
    wheel(h, c, 120, 2, 2);
    QVERIFY(h.st.set_VfoA_Freq(14000060));   // the last one's
    wheel(h, c, 120, 2, 2);
    h.clock += 500;
    wheel(h, c, 120, 2, 2);   // not echoed yet: still builds on what was asked
    h.clock += 1500;
    wheel(h, c, 120, 2, 2);   // a second and more with nothing moving: from the radio again
    QCOMPARE(values(h.requests), (std::vector<int>{14000010, 14000020, 14000030, 14000040, 14000050, 14000060,
                                                   14000070, 14000080, 14000070}));
  }

  // Round the whole main dial and back: every notch is one step, the angle
  // wraps modulo 360. Outside every region a notch does nothing. The rest
  // timers, one shot each: 19 draws the CLAR/VFO-B and the two further
  // dials at rest, 38 and 39 the eight functions of their side.
  void wheelRoundTheMainDialAndRestTimers() {
    FakeHost h;
    PanelCtrl c(h);
    for (int i = 0; i < 60; ++i) wheel(h, c, 120, 715, 203);
    for (int i = 0; i < 60; ++i) wheel(h, c, -120, 715, 203);
    QCOMPARE(h.requests.size(), 120u);
    for (int i = 0; i < 120; ++i) QCOMPARE(h.requests[i].value, i < 60 ? -1 : 1);
    QCOMPARE(h.looks[0].w, 353u);
    QCOMPARE(h.looks[59].w, 300u);   // 0 - 60 * 7, modulo 360
    QCOMPARE(h.looks[119].w, 0u);
    QCOMPARE(wheelAngle(356, false), 3);
    h.requests.clear();
    wheel(h, c, 120, 2, 2);
    wheel(h, c, 120, 939, 275);   // CLAR/VFO-B function 8: no dial there
    QVERIFY(h.requests.empty());

    // {timer, first look, looks}: each at rest (360), one after the other.
    const std::uint32_t rows[][3] = {{19, 0x85CB, 1}, {38, 0x85F2, 8}, {39, 0x85FA, 8}};
    for (const auto& [timer, first, n] : rows) {
      FakeHost rest;
      PanelCtrl rc(rest);
      rest.timers[timer] = 200;
      QVERIFY(rc.Ctrl_OnTimer(timer));
      Looks want;
      for (std::uint32_t i = 0; i < n; ++i) want.push_back({first + i, 360, 0});
      if (timer == 19) want.insert(want.end(), {{0x85D4, 360, 0}, {0x85D5, 360, 0}});
      QCOMPARE(rest.looks, want);
      QCOMPARE(rest.timers.count(timer), 0u);
    }
  }

  // The hold keys: nothing on the press; let go within 1 s, one send with
  // flag 0; held, 97/98 send once with flag 1 and let go (flag 0), 218/219
  // send flag 1 every 100 ms until the release sends flag 0.
  void holdKeys() {
    struct Row {
      int id, op, repeats;   // repeats: -1 = let go before the hold
      Requests sent;
    };
    const Row rows[] = {
        {97, 151, -1, {{151, false, 0}}},
        {97, 151, 0, {{151, true, 0}, {151, false, 0}}},
        {98, 152, 0, {{152, true, 0}, {152, false, 0}}},
        {218, 151, -1, {{151, false, 0}}},
        {219, 152, 3, {{152, true, 0}, {152, true, 0}, {152, true, 0}, {152, false, 0}}},
    };
    for (const Row& r : rows) {
      FakeHost h;
      PanelCtrl c(h);
      h.down = true;
      c.Ctrl_OpSw(r.id);
      QCOMPARE(h.timers[36], 1000u);
      QVERIFY(h.requests.empty());
      c.Ctrl_OnTimer(kTimerRelease);   // button still down: still held
      QCOMPARE(c.m_Op_Stats(), r.id);
      if (r.repeats >= 0) c.Ctrl_OnTimer(36);
      if (r.id >= 218 && r.repeats >= 0) QCOMPARE(h.timers[37], 100u);
      for (int i = 0; i < r.repeats; ++i) c.Ctrl_OnTimer(37);
      h.down = false;
      h.clock += 1100;
      c.Ctrl_OnTimer(kTimerRelease);
      QCOMPARE(c.m_Op_Stats(), 0);
      QCOMPARE(h.requests, r.sent);
      QCOMPARE(h.timers.count(36) + h.timers.count(37), 0u);
    }
  }

  // The right button and the wheel over the meter spot step the meter
  // within 0..5; outside the circle nothing.
  void meterSpot() {
    FakeHost h;
    PanelCtrl c(h);
    QVERIFY(h.st.set_MS_Stat(2));
    h.rdown = true;
    c.OnRButtonDown(128, 215);
    QVERIFY(h.st.set_MS_Stat(5));
    c.OnRButtonDown(150, 215);
    c.OnRButtonDown(156, 215);
    wheel(h, c, 120, 128, 215);
    wheel(h, c, -120, 128, 215);
    QVERIFY(h.st.set_MS_Stat(0));
    wheel(h, c, -120, 128, 215);
    QCOMPARE(h.requests, (Requests{{86, false, 3}, {86, false, 4}}));
  }

  // ENT opens the entry window; band keys type 0..9 into it (even quicker
  // than the debounce) and send nothing; only MENU acts among the other
  // keys; the result goes to the VFO selected when the window opened.
  void entryWindowKeypad() {
    for (const bool vfo : {false, true}) {
      FakeHost h;
      h.vfo = vfo;
      PanelCtrl c(h);
      click(h, c, 980, 140);   // ENT
      c.Ctrl_OnTimer(kTimerRelease);
      QCOMPARE(h.entryOpens, 1);
      QVERIFY(c.entryMode());
      h.vfo = false;
      const QPoint keys[] = {{880, 50}, {880, 80}, {930, 50}, {930, 80}, {930, 140}, {930, 140}, {930, 140}, {930, 140}};
      for (QPoint p : keys) click(h, c, p.x(), p.y(), 30);
      QCOMPARE(h.entryDigits, (std::vector<int>{1, 4, 2, 5, 0, 0, 0, 0}));
      QCOMPARE(h.focusCalls, 8);   // each click hands the keyboard back to the window
      click(h, c, 600, 135);   // STO does nothing
      click(h, c, 470, 105);   // MENU runs the menu action
      QCOMPARE(h.menuActions, 1);
      QVERIFY(h.requests.empty());
      c.Ctrl_OnEntryClosed(14250000);
      QVERIFY(!c.entryMode());
      QCOMPARE(h.requests, (Requests{{vfo ? 83 : 82, false, 14250000}}));
      click(h, c, 980, 140);
      c.Ctrl_OnEntryClosed(0);   // cancelled: nothing
      QCOMPARE(h.requests.size(), 1u);
    }
  }

  // Soft key 8: under 2 s a short push, from 2 s on a long push that ends
  // at the release; in FM the squelch is opened while held. A mode that
  // changes while the key is held does not change how the push ends.
  void softKey8LongPush() {
    Looks posts;
    SoftKeyLongPush p([&](hrx::MsgId id, hrx::WParam w) { posts.push_back({id, w, 0}); });
    // The ticks see the mode `after` (the mode before the release).
    const auto hold = [&](int mode, int squelch, int ticks, int after = 0) {
      posts.clear();
      p.press(mode, squelch);
      if (after == 0) after = mode;
      for (int i = 0; i < ticks; ++i) p.tick(after);
      if (ticks == 18) QVERIFY(posts.empty());
      for (int i = 0; ticks == 18 && i < 11; ++i) p.tick(after);   // 2 s: once, not again
      p.release();
    };
    hold(2, 0, 17);   // held 1.9 s
    QCOMPARE(posts, (Looks{{0x88EB, 0, 0}}));
    hold(2, 0, 18);
    QCOMPARE(posts, (Looks{{0x88EA, 1, 0}, {0x88EA, 0, 0}}));
    hold(4, 37, 30);
    QCOMPARE(posts, (Looks{{0x88EC, 0, 0}, {0x88EC, 37, 0}}));
    hold(4, 37, 3, 2);   // FM to USB while held: the squelch comes back
    QCOMPARE(posts, (Looks{{0x88EC, 0, 0}, {0x88EC, 37, 0}}));
    hold(2, 0, 3, 4);    // USB to FM while held: a short push, the squelch untouched
    QCOMPARE(posts, (Looks{{0x88EB, 0, 0}}));
  }

  void pointerMarksAndCaptions() {
    struct Row {
      PointerScale scale;
      int value, angle;
    };
    const Row rows[] = {
        {PointerScale::Level, 0, 207},   {PointerScale::Level, 100, 325}, {PointerScale::Level, 300, 147},
        {PointerScale::Mic, 50, 359},    {PointerScale::Keyer, 60, 150},  {PointerScale::Notch, 1, 207},
        {PointerScale::Shift, -1000, 207}, {PointerScale::Shift, 0, 357}, {PointerScale::Shift, 1000, 147},
    };
    for (const Row& r : rows) QCOMPARE(pointerAngle(r.scale, r.value), r.angle);
    // Truncated: straight right the mark ends one short of 11 and 4.
    const PointerLine right = pointerLine(480, 285, true, 90);
    QCOMPARE((QList<int>{right.x0, right.y0, right.x1, right.y1}), (QList<int>{490, 285, 483, 285}));
    const int caps[][6] = {
        {22, 1, 0, 82, 232, 1935},  {22, 1, 1, 82, 232, 1937}, {22, 0, 0, 82, 232, 1938}, {25, 1, 1, 209, 233, 1939},
        {27, 0, 0, 334, 232, 1946}, {29, 1, 1, 451, 232, 1943}, {21, 1, 0, 0, 0, 0},       {30, 1, 0, 0, 0, 0},
    };
    for (const auto& [index, focused, which, x, y, bitmap] : caps) {
      const Caption c = captionFor(index, focused != 0, which);
      QCOMPARE((QList<int>{c.x, c.y, c.bitmap}), (QList<int>{x, y, bitmap}));
    }
  }

  void busyPanelIgnoresDialsAndKnobs() {
    FakeHost h;
    PanelCtrl c(h);
    c.setMenuOpen(true);
    press(h, c, 715, 150);   // main dial
    c.OnLButtonDown(480, 285);   // AF
    c.OnLButtonDown(600, 135);   // STO
    wheel(h, c, 120, 715, 203);
    QCOMPARE(c.m_Op_Stats(), 0);
    QVERIFY(h.requests.empty());
    QVERIFY(h.looks.empty());
  }
};

static const hrx::test::GuiSuite kSuite("PanelControl", hrx::test::runSuite<PanelControlTest>);

#include "PanelControlTest.moc"
