// The option windows over a stand-in core: the operations each asks for
// with their side and value, the timers they run, and what they do when
// the line is bad.
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>
#include <algorithm>
#include <vector>

#include "GuiRig.h"
#include "GuiSuites.h"
#include "app/gui/OptionWindows.h"
#include "app/gui/PushHoldButton.h"
#include "app/gui/QtMainWindow.h"

using hrx::gui::OptionWindows;
using hrx::gui::QtMainWindow;
using hrx::test::FakeCore;
using hrx::test::Request;

class OptionSidesTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // With the sub side operating, the Repeater works on it: "<VFO-B>", the
  // read is OI (operation 146 for the sub side) and every button and the
  // tone list name the sub side.
  void repeaterOnTheSubSide() {
    FakeCore core;
    QVERIFY(core.st.set_VS_Stat(1));
    QVERIFY(core.st.set_CN_1(20));
    QVERIFY(core.st.set_CT_Sub(2));
    QVERIFY(core.st.set_OS_Sub(1));
    QtMainWindow w;
    w.setCore(&core);
    w.onCommand(32786);
    auto* d = w.part<OptionWindows>().repeater.data();
    QVERIFY(d != nullptr);
    QCOMPARE(d->sideLabel()->text(), QStringLiteral("<VFO-B>"));
    QCOMPARE(d->modeLabel()->text(), QStringLiteral("Tone Encoder"));
    QCOMPARE(d->toneLabel()->text(), QStringLiteral("131.8 Hz"));
    QCOMPARE(d->shiftLabel()->text(), QStringLiteral("Plus Shift"));
    QVERIFY(core.requests == (std::vector<Request>{{146, true, 0}}));

    struct Row {
      int id;
      int op;
    };
    const Row rows[] = {{1026, 139}, {1027, 140}, {1028, 141}, {1030, 143}, {1032, 144}, {1031, 145}};
    for (const Row& r : rows) {
      core.requests.clear();
      QTest::mouseClick(d->findChild<QPushButton*>(QString::number(r.id)), Qt::LeftButton);
      QVERIFY(core.requests == (std::vector<Request>{{r.op, true, 0}}));
    }
    // The list starts at the sub side's tone; CANCEL sets nothing, OK the
    // chosen tone.
    for (const char* button : {"CANCEL", "OK"}) {
      core.requests.clear();
      QTest::mouseClick(d->findChild<QPushButton*>(QStringLiteral("1029")), Qt::LeftButton);
      hrx::gui::CToneListDlg* list = d->toneList();
      QVERIFY(list != nullptr);
      QCOMPARE(list->list()->currentRow(), 20);
      list->list()->setCurrentRow(49);
      for (QPushButton* b : list->findChildren<QPushButton*>())
        if (b->text() == QString::fromUtf8(button)) QTest::mouseClick(b, Qt::LeftButton);
      QVERIFY(d->toneList() == nullptr);
      if (QString::fromUtf8(button) == QStringLiteral("OK")) QVERIFY(core.requests == (std::vector<Request>{{142, true, 49}}));
      else QVERIFY(core.requests.empty());
    }
    QTest::keyClick(d, Qt::Key_Escape);
    QTRY_VERIFY(w.part<OptionWindows>().repeater.isNull());
  }

  // Timer 20 runs from the Rotator's opening to its close and hands its
  // ticks to the core; a held FAST stops repeating once the line is bad.
  void rotatorTimersAndABadLine() {
    FakeCore core;
    QtMainWindow w;
    w.setCore(&core);
    w.onCommand(32784);
    auto* d = w.part<OptionWindows>().rotator.data();
    QVERIFY(d != nullptr);
    QCOMPARE(w.timerPeriod(20), 100u);
    QVERIFY(w.panel().busy());
    QTRY_VERIFY(std::count(core.ticks.begin(), core.ticks.end(), 20u) >= 2);

    core.requests.clear();
    auto* fast = d->findChild<hrx::gui::PushHoldButton*>(QStringLiteral("1047"));
    QTest::mousePress(fast, Qt::LeftButton);
    QVERIFY(core.requests == (std::vector<Request>{{128, false, 1}}));
    QVERIFY(d->repeating());
    // The stand-in's line is never healthy: the first repeat tick stops.
    QTRY_VERIFY(!d->repeating());
    QVERIFY(core.requests.size() == 1);
    QTest::mouseRelease(fast, Qt::LeftButton);

    QTest::keyClick(d, Qt::Key_Escape);
    QTRY_VERIFY(w.part<OptionWindows>().rotator.isNull());
    QCOMPARE(w.timerPeriod(20), 0u);
    QVERIFY(!w.panel().busy());
  }

  // One window of a kind: a second menu command brings the open one
  // forward instead of making another.
  void oneWindowOfAKind() {
    FakeCore core;
    QtMainWindow w;
    w.setCore(&core);
    w.onCommand(32783);
    auto* first = w.part<OptionWindows>().playback.data();
    w.onCommand(32783);
    QCOMPARE(w.part<OptionWindows>().playback.data(), first);
    QVERIFY(w.findChildren<hrx::gui::CPlaybackDlg*>().size() == 1);
    w.onCommand(32785);
    QVERIFY(w.part<OptionWindows>().cw);
    QVERIFY(core.requests.back() == (Request{147, false, 0}));   // the five texts are read
    QTest::keyClick(w.part<OptionWindows>().cw.data(), Qt::Key_Escape);
    QTRY_VERIFY(w.part<OptionWindows>().cw.isNull());
    QVERIFY(w.panel().busy());   // Playback is still open
  }
};

static const hrx::test::GuiSuite kSuite("OptionSides", hrx::test::runSuite<OptionSidesTest>);

#include "OptionSidesTest.moc"
