// The equaliser editor through its real window, offline against the fake
// core: the two entries, a held arrow, the file buttons, the graph's pixels.
// (The steps' limits and the files' checks: tests/equaliser; online:
// gui.StationGui.)
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <fstream>

#include "GuiRig.h"
#include "GuiSuites.h"
#include "app/gui/windows/CPrmtrcDlg.h"
#include "app/gui/widgets/EqualiserGraph.h"
#include "analysis/AnalyserMessages.h"
#include "app/gui/QtMainWindow.h"
#include "composer/Composer.h"
#include "menulist/MenuCatalogue.h"

using hrx::gui::CPrmtrcDlg;
using hrx::gui::kCmdPPrmtrc;
using hrx::gui::kCmdPrmtrc;

namespace {

// Button codes, as the window's buttons send them.
enum Code { B1FreqUp = 4, Cancel = 22, B2FreqUp = 6, B3FreqUp = 8, B1LevelDown = 11, B2LevelUp = 12, B2LevelDown = 13,
            B3LevelUp = 14, B1WidthDown = 17, B2WidthDown = 19, B3WidthDown = 21, Exit = 24, FileLoad = 25,
            FileSave = 26 };

QStringList fields(CPrmtrcDlg* d) {
  QStringList out;
  for (int p = 0; p < 9; ++p) out << d->valueField(p)->text();
  return out;
}

void click(CPrmtrcDlg* d, int code, int times = 1) {
  for (int i = 0; i < times; ++i) QTest::mouseClick(d->button(code), Qt::LeftButton);
}

// The main window over the fake core with the built-in catalogue, offline.
struct OfflineRig {
  hrx::test::FakeCore core;
  hrx::gui::QtMainWindow w;
  QTemporaryDir dir;
  OfflineRig() {
    hrx::loadBuiltInCatalogue(core.st);
    w.setCore(&core);
    w.show();
  }
  ~OfflineRig() {
    w.close();
    w.setCore(nullptr);
  }
  CPrmtrcDlg* open(int cmd = kCmdPrmtrc) {
    w.onCommand(cmd);
    return hrx::gui::openEqualiser(w);
  }
};

}  // namespace

class EqualiserTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void opensFromEitherEntryAndEndsOnExit() {
    struct Case {
      int cmd;
      const char* title;
      QStringList frames, values;   // the catalogue's initial values
    };
    const Case cases[] = {
        {kCmdPrmtrc, "Prmtrc", {"PRMTRC EQ1", "PRMTRC EQ2", "PRMTRC EQ3"},
         {"OFF", "5 dB", "10", "OFF", "5 dB", "10", "OFF", "5 dB", "10"}},
        {kCmdPPrmtrc, "P-Prmtrc", {"P-PRMTRC EQ1", "P-PRMTRC EQ2", "P-PRMTRC EQ3"},
         {"200 Hz", "0 dB", "2", "800 Hz", "0 dB", "1", "2100 Hz", "0 dB", "1"}},
    };
    for (const Case& c : cases) {
      OfflineRig rig;
      CPrmtrcDlg* d = rig.open(c.cmd);
      QVERIFY(d != nullptr && d->isVisible() && !d->isModal() && !d->editor().online());
      QCOMPARE(d->windowTitle(), QString::fromLatin1(c.title));
      const int frameIds[] = {1082, 1097, 1110};
      for (int b = 0; b < 3; ++b)
        QCOMPARE(d->findChild<QGroupBox*>(QStringLiteral("frame%1").arg(frameIds[b]))->title(), c.frames[b]);
      QCOMPARE(fields(d), c.values);
      // Both entries are greyed while it is open; a second command opens
      // nothing more.
      QVERIFY(!rig.w.commandAction(kCmdPrmtrc)->isEnabled() && !rig.w.commandAction(kCmdPPrmtrc)->isEnabled());
      rig.w.onCommand(kCmdPrmtrc);
      QCOMPARE(hrx::gui::openEqualiser(rig.w), d);
      QPointer<CPrmtrcDlg> gone(d);
      click(d, Exit);
      QTRY_VERIFY(gone.isNull());
      QVERIFY(rig.w.commandAction(kCmdPrmtrc)->isEnabled() && rig.w.commandAction(kCmdPPrmtrc)->isEnabled());
      QVERIFY(rig.core.written.empty());
    }
  }

  // Held: one step at once, then one every 200 ms down to the limit.
  void holdingAnArrowRepeats() {
    OfflineRig rig;
    CPrmtrcDlg* d = rig.open();
    click(d, B2LevelDown, 12);
    QCOMPARE(d->valueField(4)->text(), QStringLiteral("-7 dB"));
    QTest::mousePress(d->button(B2LevelDown), Qt::LeftButton);
    QCOMPARE(d->valueField(4)->text(), QStringLiteral("-8 dB"));
    QVERIFY(d->timerRunning(29));
    QTRY_COMPARE(d->valueField(4)->text(), QStringLiteral("-10 dB"));
    QTest::mouseRelease(d->button(B2LevelDown), Qt::LeftButton);
    QVERIFY(!d->timerRunning(29));
  }

  // FILE LOAD takes a good file and refuses a bad one whole with the
  // window's message; FILE SAVE offers the date and time as the name and
  // writes the three lines; no path chosen, nothing is written; a save that
  // cannot be written is reported.
  void fileButtons() {
    OfflineRig rig;
    CPrmtrcDlg* d = rig.open();
    QString chosen, offered;
    bool asSave = false;
    d->chooser = [&](bool save, const QString& name) {
      asSave = save;
      offered = name;
      return chosen;
    };
    const QStringList loaded{"300 Hz", "-5 dB", "4", "OFF", "0 dB", "10", "2100 Hz", "2 dB", "1"};
    for (const char* bytes : {"300,-5,4\n0,0,10\n2100,2,1\n", "350,-5,4\n0,0,10\n2100,2,1\n"}) {
      chosen = rig.dir.filePath(QStringLiteral("in.pef"));
      std::ofstream(chosen.toStdString(), std::ios::binary) << bytes;
      click(d, FileLoad);
      QVERIFY(!asSave);
      QCOMPARE(fields(d), loaded);
    }
    QMessageBox* box = d->badFileBox();
    QVERIFY(box != nullptr && box->isVisible());
    QCOMPARE(box->text(), QStringLiteral("The input range is incorrect."));
    box->accept();
    QTRY_VERIFY(d->badFileBox() == nullptr);
    click(d, B1FreqUp);   // the loaded values are the baseline
    click(d, Cancel);
    QCOMPARE(fields(d), loaded);
    QTRY_VERIFY(!d->editor().cancelBusy());

    chosen = rig.dir.filePath(QStringLiteral("out.pef"));
    click(d, FileSave);
    QVERIFY(asSave);
    QVERIFY2(QRegularExpression(QStringLiteral("^20\\d{12}\\.pef$")).match(offered).hasMatch(), qPrintable(offered));
    QFile f(chosen);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("300,-5,4\n0,0,10\n2100,2,1\n"));
    f.close();
    QVERIFY(f.remove());
    chosen.clear();
    click(d, FileSave);
    QVERIFY(!QFile::exists(rig.dir.filePath(QStringLiteral("out.pef"))));
    QVERIFY(rig.core.written.empty());
    // A save that fails says so.
    chosen = rig.dir.filePath(QStringLiteral("gone/out.pef"));
    click(d, FileSave);
    auto* failed = d->findChild<QMessageBox*>(QStringLiteral("saveFailed"));
    QVERIFY(failed != nullptr && failed->isVisible());
    QCOMPARE(failed->text(), QStringLiteral("The file could not be saved."));
    failed->accept();
  }

  // Auto-information comes on while the editor is offline: it goes online
  // but takes its baseline only from the radio's values once the menu
  // read-out has ended, so CANCEL writes back what the radio had.
  void goingOnlineTakesTheBaselineAfterTheReadOut() {
    OfflineRig rig;
    CPrmtrcDlg* d = rig.open();
    QCOMPARE(d->valueField(1)->text(), QStringLiteral("5 dB"));   // the built-in value
    auto radioReports = [&](int level) {
      hrx::MenuListItem item;
      QVERIFY(rig.core.st.get_MenuItem(160, &item));
      item.value = level;
      QVERIFY(rig.core.st.set_MenuItem(160, &item));
      rig.w.sendMessage(hrx::WM_ANL_EVT_EX, 0, 0);
    };
    QVERIFY(rig.core.st.set_AI_Stat(1));
    rig.w.sendMessage(hrx::WM_ANL_EVT_AI, 0, 0);
    QVERIFY(d->editor().online());
    radioReports(-3);   // the read-out brings the radio's value
    rig.w.postMessage(hrx::kMsgRedrawBandPass, 0, 0);   // its end
    QTRY_COMPARE(d->editor().baseline(1), -3);
    QCOMPARE(d->valueField(1)->text(), QStringLiteral("-3 dB"));
    click(d, 10);   // band 1 LEVEL up
    auto written = [&](const char* cmd) {
      return std::find(rig.core.written.begin(), rig.core.written.end(), cmd) != rig.core.written.end();
    };
    QVERIFY(written("EX160-02;"));
    radioReports(-2);
    click(d, Cancel);
    QTRY_VERIFY(written("EX160-03;"));
    QVERIFY(!written("EX160+05;"));
  }

  void graphDrawsTheBandsAndTheirSum() {
    OfflineRig rig;
    CPrmtrcDlg* d = rig.open();
    // Band 2 at 1000 Hz, +10 dB, width 1; band 3 at 2000 Hz, +10 dB,
    // width 1; band 1 at 300 Hz, 0 dB, width 1, changed last.
    click(d, B2FreqUp, 4);
    click(d, B3FreqUp, 6);
    click(d, B3LevelUp, 5);
    click(d, B2LevelUp, 5);
    click(d, B2WidthDown, 9);
    click(d, B3WidthDown, 9);
    click(d, B1FreqUp, 3);
    click(d, B1WidthDown, 9);
    click(d, B1LevelDown, 5);
    QCOMPARE(fields(d), (QStringList{"300 Hz", "0 dB", "1", "1000 Hz", "10 dB", "1", "2000 Hz", "10 dB", "1"}));
    // Drawn 100 ms after the last change, not at once.
    const int before = d->graph()->renders();
    QTRY_VERIFY(d->graph()->renders() > before);
    const QImage img = d->graph()->canvas();
    QCOMPARE(img.size(), QSize(900, 352));
    // HRX900_EQ_PNG=FILE keeps a picture of the window.
    if (const QString png = qEnvironmentVariable("HRX900_EQ_PNG"); !png.isEmpty()) QVERIFY(d->grab().save(png, "PNG"));
    // The band at level 0 lies flat on the 0 dB line, and only there.
    constexpr QRgb kRed = 0xFFFF0000;
    int wrong = 0;
    for (int y = 0; y < 352; ++y)
      for (int x = 0; x < 900; ++x) wrong += (img.pixel(x, y) == kRed) != (y == 176) ? 1 : 0;
    QCOMPARE(wrong, 0);
    // The sum, in black, at some of the curve's own frequencies (199, 500,
    // 998, 1580, 2510 Hz), from the formula G = 20 log10(1 + (10^(L/20) - 1) B).
    const int sum[][2] = {{269, 137}, {450, 90}, {585, 41}, {674, 35}, {765, 55}};
    for (const auto& [x, y] : sum) {
      bool black = false;
      for (int dy = -2; dy <= 2; ++dy) black = black || img.pixel(x, y + dy) == hrx::gui::kGraphSum;
      QVERIFY2(black, qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
    }
    // The orange grid: the 0 dB line is 3 pixels wide under the red band.
    QCOMPARE(img.pixel(450, 175), hrx::gui::kGraphGrid);
    QCOMPARE(img.pixel(450, 177), hrx::gui::kGraphGrid);
  }
};

static const hrx::test::GuiSuite kSuite("Equaliser", hrx::test::runSuite<EqualiserTest>);

#include "EqualiserTest.moc"
