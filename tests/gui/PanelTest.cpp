// The panel controller alone: hit tables, key press and release, the main
// dial's drag rule.
#include <QtTest>
#include <cmath>
#include <vector>

#include "FakePanelHost.h"

using namespace hrx::panel;
using hrx::test::FakeHost;
using hrx::test::Request;

namespace {

// A point at `deg` degrees, 80 pixels from the main dial's centre.
QPoint onMainDial(double deg) {
  const double a = deg * M_PI / 180.0;
  return {kMainDialCentreX + static_cast<int>(std::lround(80 * std::cos(a))),
          kMainDialCentreY - static_cast<int>(std::lround(80 * std::sin(a)))};
}

}  // namespace

class PanelTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void hitTables_data() {
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("id");
    // Inclusive edges, gaps, first entry wins, area F also holds G's keys.
    QTest::newRow("COM top left") << 14 << 130 << 3;
    QTest::newRow("COM bottom right") << 54 << 159 << 3;
    QTest::newRow("right of COM") << 55 << 159 << 0;
    QTest::newRow("below COM") << 30 << 160 << 0;
    QTest::newRow("ON/OFF") << 18 << 73 << 1;
    QTest::newRow("TUNE") << 40 << 100 << 2;
    QTest::newRow("ATT") << 100 << 120 << 30;
    QTest::newRow("MENU") << 470 << 105 << 35;
    QTest::newRow("MONI") << 540 << 290 << 39;
    QTest::newRow("main digit 8 (10 MHz)") << 630 << 60 << 207;
    QTest::newRow("main digit 1 (1 Hz)") << 785 << 79 << 200;
    QTest::newRow("VFO-A RX in area G") << 600 << 110 << 6;
    QTest::newRow("LOCK") << 841 << 293 << 52;
    QTest::newRow("band 50") << 930 << 140 << 53;
    QTest::newRow("MCH/GRP") << 1000 << 300 << 13;
    QTest::newRow("soft key 8") << 400 << 200 << 29;
    QTest::newRow("VFO-B digit") << 420 << 130 << 208;
    QTest::newRow("dial face") << 715 << 203 << 0;
    QTest::newRow("outside every area") << 2 << 2 << 0;
  }
  void hitTables() {
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(int, id);
    const int area = findArea(x, y);
    const int hit = area < 0 ? 0 : findHit(areaTable(area), x, y);
    QCOMPARE(hit, id);
  }

  void cursorAngles() {
    QCOMPARE(cursorAngle(815, 203, 715, 203), 0);
    QCOMPARE(cursorAngle(715, 103, 715, 203), 90);
    QCOMPARE(cursorAngle(615, 203, 715, 203), 180);
    QCOMPARE(cursorAngle(715, 303, 715, 203), 270);
    // Truncated toward zero before the turn is added.
    QCOMPARE(cursorAngle(815, 204, 715, 203), 0);
    QCOMPARE(cursorAngle(815, 220, 715, 203), 351);
    for (int deg : {5, 10, 30, 355}) {
      const QPoint p = onMainDial(deg);
      QCOMPARE(cursorAngle(p.x(), p.y(), kMainDialCentreX, kMainDialCentreY), deg);
    }
  }

  void comLampPressAndRelease() {
    FakeHost h;
    PanelCtrl c(h);
    h.down = true;
    h.cx = 30;
    h.cy = 140;
    c.OnLButtonDown(30, 140);
    QCOMPARE(h.requests, (std::vector<Request>{{1, false, 0}}));
    QCOMPARE(h.looks, (std::vector<hrx::Msg>{{0x8578, 1, 0}}));
    QCOMPARE(h.timers[kTimerRelease], kKeyWatchMs);
    QCOMPARE(c.m_Op_Stats(), kIdCom);
    // Released 40 ms after the press: the key stays drawn pressed (no wait
    // on the window's thread) until the watch tick after the 100 ms.
    h.down = false;
    h.clock += 40;
    c.OnLButtonUp(30, 140);
    QCOMPARE(h.looks.size(), 1u);
    QCOMPARE(c.m_Op_Stats(), kIdCom);
    h.clock += 50;
    c.Ctrl_OnTimer(kTimerRelease);
    QCOMPARE(h.looks.size(), 1u);
    h.clock += 10;
    c.Ctrl_OnTimer(kTimerRelease);
    QCOMPARE(h.looks.back(), (hrx::Msg{0x8578, 0, 0}));
    QCOMPARE(h.requests.size(), 1u);   // keys send only on press
    QCOMPARE(c.m_Op_Stats(), 0);
    QCOMPARE(h.timers.count(kTimerRelease), 0u);
  }

  void comWhileDisconnectedShowsTheNoticeUntilAiComes_data() {
    QTest::addColumn<bool>("aiComes");
    QTest::newRow("AI reported") << true;
    QTest::newRow("time-out") << false;
  }
  void comWhileDisconnectedShowsTheNoticeUntilAiComes() {
    QFETCH(bool, aiComes);
    FakeHost h;
    h.link = false;
    PanelCtrl c(h);
    h.down = true;
    h.cx = 30;
    h.cy = 140;
    c.OnLButtonDown(30, 140);
    QCOMPARE(h.requests, (std::vector<Request>{{1, false, 0}}));
    QCOMPARE(h.notices, (std::vector<bool>{true}));
    QCOMPARE(h.timers[kTimerComNotice], kComNoticeMs);
    QVERIFY(c.busy());
    // While the notice is up the key stays down and nothing else acts,
    // and the release watch does not stall the window with debounces.
    h.down = false;
    c.OnLButtonUp(30, 140);
    for (int i = 0; i < 10; ++i) c.Ctrl_OnTimer(kTimerRelease);
    QCOMPARE(c.m_Op_Stats(), kIdCom);
    c.OnLButtonDown(600, 135);
    QCOMPARE(h.requests.size(), 1u);
    if (aiComes) c.Ctrl_OnEventHandle_AI();
    else c.Ctrl_OnTimer(kTimerComNotice);
    QCOMPARE(h.notices, (std::vector<bool>{true, false}));
    QCOMPARE(h.failures, aiComes ? 0 : 1);
    QCOMPARE(h.timers.count(kTimerComNotice), 0u);
    QVERIFY(!c.busy());
    // The next watch tick releases the key.
    h.clock += 200;
    c.Ctrl_OnTimer(kTimerRelease);
    QCOMPARE(c.m_Op_Stats(), 0);
    QCOMPARE(h.looks.back(), (hrx::Msg{0x8578, 0, 0}));
    // A late AI report or time-out changes nothing more.
    c.Ctrl_OnEventHandle_AI();
    c.Ctrl_OnTimer(kTimerComNotice);
    QCOMPARE(h.notices.size(), 2u);
    QCOMPARE(h.failures, aiComes ? 0 : 1);
  }

  void slidingOffAKeyReleasesIt() {
    FakeHost h;
    PanelCtrl c(h);
    h.down = true;
    c.OnLButtonDown(600, 135);   // STO
    QCOMPARE(h.requests, (std::vector<Request>{{28, false, 0}}));
    h.cx = 660;
    h.cy = 135;
    h.clock += kKeyWatchMs;
    c.Ctrl_OnTimer(kTimerRelease);
    QCOMPARE(h.looks.back(), (hrx::Msg{0x859A, 0, 0}));
    QCOMPARE(c.m_Op_Stats(), 0);
    QCOMPARE(h.requests.size(), 1u);
  }

  void mainDialDragRule_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<QList<int>>("ticks");   // cursor angle at each tracking tick; -1 = a send tick
    QTest::addColumn<QList<int>>("sent");    // values of the operations 78 sent
    QTest::newRow("20 ccw in one tick") << 10 << QList<int>{30, -1} << QList<int>{2};
    QTest::newRow("20 cw in one tick") << 30 << QList<int>{10, -1} << QList<int>{-2};
    QTest::newRow("6 degrees send nothing") << 10 << QList<int>{16, -1, -1} << QList<int>{};
    QTest::newRow("13 degrees: 1 step, 6 forgotten") << 10 << QList<int>{23, -1, 24, -1} << QList<int>{1};
    QTest::newRow("through 0/360") << 355 << QList<int>{5, -1} << QList<int>{1};
    QTest::newRow("back through 0/360") << 5 << QList<int>{340, -1} << QList<int>{-3};
    QTest::newRow("two ticks before one send") << 0 << QList<int>{10, 20, -1} << QList<int>{2};
    QTest::newRow("remainder dropped at each step") << 0 << QList<int>{5, 10, 15, -1} << QList<int>{1};
    QTest::newRow("one send per tick") << 0 << QList<int>{30, -1, 60, -1, -1} << QList<int>{4, 4};
    QTest::newRow("steps not yet sent go at the release") << 0 << QList<int>{30} << QList<int>{4};
  }
  void mainDialDragRule() {
    QFETCH(int, start);
    QFETCH(QList<int>, ticks);
    QFETCH(QList<int>, sent);
    FakeHost h;
    PanelCtrl c(h);
    h.down = true;
    const QPoint p0 = onMainDial(start);
    h.cx = p0.x();
    h.cy = p0.y();
    c.OnLButtonDown(p0.x(), p0.y());
    QCOMPARE(c.m_Op_Stats(), kIdMainDial);
    QCOMPARE(h.timers[kTimerRelease], kDialTrackMs);
    QCOMPARE(h.timers[kTimerDialSend], kDialSendMs);
    QCOMPARE(h.looks.front(), (hrx::Msg{kMsgMainDialAngle, static_cast<hrx::WParam>(start), 0}));
    for (int t : ticks) {
      if (t < 0) {
        c.Ctrl_OnTimer(kTimerDialSend);
        continue;
      }
      const QPoint p = onMainDial(t);
      h.cx = p.x();
      h.cy = p.y();
      c.Ctrl_OnTimer(kTimerRelease);
    }
    // Release seen at a tracking tick: dial at rest, both timers stopped.
    h.down = false;
    c.Ctrl_OnTimer(kTimerRelease);
    QCOMPARE(h.looks.back(), (hrx::Msg{kMsgMainDialAngle, kAngleAtRest, 0}));
    QCOMPARE(c.m_Op_Stats(), 0);
    QVERIFY(h.timers.empty());
    QList<int> values;
    for (const Request& r : h.requests) {
      QCOMPARE(r.op, 78);
      values << r.value;
    }
    QCOMPARE(values, sent);
  }

  void dialDragOnlyInsideTheSquare() {
    FakeHost h;
    PanelCtrl c(h);
    h.down = true;
    c.OnLButtonDown(850, 300);   // area G, outside the dial square
    QCOMPARE(c.m_Op_Stats(), 0);
    QVERIFY(h.timers.empty());
    c.OnLButtonDown(808, 203);   // one pixel right of the square
    QCOMPARE(c.m_Op_Stats(), 0);
    c.OnLButtonDown(807, 203);
    QCOMPARE(c.m_Op_Stats(), kIdMainDial);
  }

  void menuCommandEndsADragAndKeepsItsSteps() {
    FakeHost h;
    PanelCtrl c(h);
    h.down = true;
    const QPoint p0 = onMainDial(0);
    c.OnLButtonDown(p0.x(), p0.y());
    const QPoint p1 = onMainDial(30);
    h.cx = p1.x();
    h.cy = p1.y();
    c.Ctrl_OnTimer(kTimerRelease);
    c.Ctrl_EndInteraction();
    QCOMPARE(h.requests, (std::vector<Request>{{78, false, 4}}));
    QCOMPARE(c.m_Op_Stats(), 0);
    QVERIFY(h.timers.empty());
  }
};

int runPanelTests(int argc, char** argv) {
  PanelTest t;
  return QTest::qExec(&t, argc, argv);
}

#include "PanelTest.moc"
