// The equaliser editor online: the real core and the simulated radio on a
// pseudo-terminal. Each step is written as an EX command and the window
// follows the radio's replies; CANCEL and FILE LOAD bring the radio to the
// baseline.
#include <QAbstractButton>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <fstream>
#include <memory>

#include "GuiRig.h"
#include "GuiSuites.h"
#include "SimPty.h"
#include "SimRadio.h"
#include "app/gui/CPrmtrcDlg.h"
#include "app/gui/QtMainWindow.h"

using hrx::gui::CPrmtrcDlg;
using hrx::gui::QtMainWindow;
using hrx::gui::StationLink;

namespace {

struct Rig {
  hrx::sim::SimRadio radio;
  hrx::sim::SimPty pty{radio};
  QTemporaryDir dir;
  std::unique_ptr<QtMainWindow> w;
  std::unique_ptr<StationLink> core;

  bool open() {
    std::string error;
    if (!pty.open(&error) || !pty.start() || !dir.isValid()) return false;
    w = std::make_unique<QtMainWindow>();
    core = std::make_unique<StationLink>(*w, hrx::StationOptions{pty.slavePath(), dir.path().toStdString()});
    w->setCore(core.get());
    w->show();
    return w->startUp();
  }
  ~Rig() {
    if (w) {
      w->close();
      w->setCore(nullptr);
      w.reset();
    }
    pty.stop();
  }
  hrx::Station& station() { return core->station(); }
  // The radio's value of menu item `no`.
  int item(int no) {
    const hrx::sim::SimState s = radio.state();
    std::int32_t v = -999;
    hrx::sim::decodeMenuValue(no, s.menu[no], &v);
    return v;
  }
  QStringList log() {
    QStringList out;
    for (const std::string& c : radio.commandLog()) out << QString::fromStdString(c);
    return out;
  }
};

void click(CPrmtrcDlg* d, int code) { QTest::mouseClick(d->button(code), Qt::LeftButton); }

// Whether `later` comes after `first` in the log.
bool inOrder(const QStringList& log, const QString& first, const QString& later) {
  const int a = log.indexOf(first);
  return a >= 0 && log.indexOf(later, a + 1) > a;
}

}  // namespace

class EqualiserOnlineTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void editsTheRadiosEqualiserOverTheLine() {
    Rig rig;
    QVERIFY(rig.open());
    QTRY_VERIFY_WITH_TIMEOUT(rig.station().state.get_CommEnabled() != 0, 5000);
    QTest::mouseClick(rig.w->panelWidget(), Qt::LeftButton, {}, QPoint(30, 140));   // COM
    QTRY_VERIFY_WITH_TIMEOUT(rig.station().flags.busy.load() != 0, 10000);
    // The entry waits for the read-out, then opens the editor online.
    rig.w->onCommand(hrx::gui::kCmdPrmtrc);
    QVERIFY(rig.w->readOutsDone() >= 1 || rig.station().flags.busy.load() == 0);
    CPrmtrcDlg* d = hrx::gui::openEqualiser(*rig.w);
    QVERIFY(d != nullptr);
    QVERIFY(d->editor().online());
    QVERIFY(d->timerRunning(28));
    QCOMPARE(d->valueField(1)->text(), QStringLiteral("5 dB"));
    QCOMPARE(d->editor().menuNumber(1), 160);
    // Polling reads the nine items back in turn.
    rig.radio.clearCommandLog();
    QTRY_VERIFY_WITH_TIMEOUT(rig.log().contains(QStringLiteral("EX167;")) && rig.log().contains(QStringLiteral("EX159;")), 3000);

    // LEVEL up: the 9-character write of item 160 and its read-back; the
    // field changes only when the radio's reply has come back.
    rig.radio.clearCommandLog();
    QTest::mousePress(d->button(10), Qt::LeftButton);
    QCOMPARE(d->valueField(1)->text(), QStringLiteral("5 dB"));
    QTest::mouseRelease(d->button(10), Qt::LeftButton);
    QTRY_COMPARE(d->valueField(1)->text(), QStringLiteral("6 dB"));
    QCOMPARE(rig.item(160), 6);
    QVERIFY2(inOrder(rig.log(), QStringLiteral("EX160+06;"), QStringLiteral("EX160;")), qPrintable(rig.log().join(' ')));
    // BWTH down and band 3 LEVEL down (a negative value).
    click(d, 17);
    QTRY_COMPARE(d->valueField(2)->text(), QStringLiteral("9"));
    for (int i = 0; i < 7; ++i) {
      const QString before = d->valueField(7)->text();
      click(d, 15);
      QTRY_VERIFY(d->valueField(7)->text() != before);
    }
    QCOMPARE(d->valueField(7)->text(), QStringLiteral("-2 dB"));
    QCOMPARE(rig.item(161), 9);
    QCOMPARE(rig.item(166), -2);
    const QStringList log = rig.log();
    QVERIFY(log.contains(QStringLiteral("EX16109;")));
    QVERIFY(log.contains(QStringLiteral("EX166-02;")));
    // Only the parameters stepped were written.
    for (const QString& c : log)
      if (c.startsWith(QStringLiteral("EX")) && c.size() > 6)
        QVERIFY2(c.startsWith(QStringLiteral("EX160")) || c.startsWith(QStringLiteral("EX161")) ||
                     c.startsWith(QStringLiteral("EX166")),
                 qPrintable(c));

    // CANCEL: the radio goes back to the baseline, and so does the window.
    click(d, 22);
    QTRY_VERIFY_WITH_TIMEOUT(rig.item(160) == 5 && rig.item(161) == 10 && rig.item(166) == 5, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!d->editor().cancelBusy(), 3000);
    QTRY_COMPARE(d->valueField(1)->text(), QStringLiteral("5 dB"));
    QCOMPARE(d->valueField(2)->text(), QStringLiteral("10"));
    QCOMPARE(d->valueField(7)->text(), QStringLiteral("5 dB"));
    QVERIFY(rig.log().contains(QStringLiteral("EX160+05;")));

    // FILE LOAD online: the radio takes the file's values and the baseline
    // stays the file's, whatever the radio reports meanwhile.
    const QString path = rig.dir.filePath(QStringLiteral("eq.pef"));
    std::ofstream(path.toStdString()) << "300,-5,4\n0,0,10\n2100,2,1\n";
    d->loadFrom(path);
    const hrx::eq::EqValues file = {3, -5, 4, 0, 0, 10, 7, 2, 1};
    QCOMPARE(d->editor().baselineValues(), file);
    QTRY_VERIFY_WITH_TIMEOUT(d->editor().values() == file, 5000);
    QCOMPARE(d->editor().baselineValues(), file);
    QCOMPARE(d->valueField(0)->text(), QStringLiteral("300 Hz"));
    QCOMPARE(d->valueField(6)->text(), QStringLiteral("2100 Hz"));

    // A second of keep-alive: the AI reports reach the editor, which never
    // switches the link off.
    rig.radio.clearCommandLog();
    QTest::qWait(1200);
    QVERIFY(!rig.log().contains(QStringLiteral("AI0;")));
    QVERIFY(d->editor().online());
    QCOMPARE(rig.station().state.get_AI_Stat(), 1);

    // The radio's nine items equal the window's values at the end.
    for (int p = 0; p < 9; ++p) QCOMPARE(rig.item(159 + p), d->editor().value(p));
    QPointer<CPrmtrcDlg> gone(d);
    click(d, 24);
    QTRY_VERIFY(gone.isNull());
  }
};

int runEqualiserOnlineTests(int argc, char** argv) {
  EqualiserOnlineTest t;
  return QTest::qExec(&t, argc, argv);
}

static const hrx::test::GuiSuite kSuite("EqualiserOnline", runEqualiserOnlineTests);

#include "EqualiserOnlineTest.moc"
