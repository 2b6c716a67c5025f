// The equaliser editor through its real window, offline against the fake
// core: steps, files, the graph's pixels. (Online: gui.StationGui.)
#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <fstream>
#include <memory>

#include "GuiRig.h"
#include "GuiSuites.h"
#include "analysis/AnalyserMessages.h"
#include "app/gui/CPrmtrcDlg.h"
#include "app/gui/EqualiserGraph.h"
#include "app/gui/QtMainWindow.h"
#include "menulist/MenuCatalogue.h"

using hrx::gui::CPrmtrcDlg;
using hrx::gui::QtMainWindow;

namespace {

// Button codes, as the window's buttons send them.
enum Code {
  B1FreqUp = 4, B1FreqDown = 5, B2FreqUp = 6, B3FreqUp = 8,
  B1LevelUp = 10, B1LevelDown = 11, B2LevelDown = 13, B3LevelUp = 14, B3LevelDown = 15,
  B1WidthUp = 16, B1WidthDown = 17, B2WidthDown = 19, B3WidthDown = 21,
  Cancel = 22, Appli = 23, Exit = 24, FileLoad = 25, FileSave = 26,
};

QString field(CPrmtrcDlg* d, int param) { return d->valueField(param)->text(); }

QStringList fields(CPrmtrcDlg* d) {
  QStringList out;
  for (int p = 0; p < 9; ++p) out << field(d, p);
  return out;
}

void click(CPrmtrcDlg* d, int code, int times = 1) {
  for (int i = 0; i < times; ++i) QTest::mouseClick(d->button(code), Qt::LeftButton);
}

void writeFile(const QString& path, const std::string& bytes) {
  std::ofstream(path.toStdString(), std::ios::binary) << bytes;
}

QString readFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QStringLiteral("<missing>");
}

// The main window over the fake core with the built-in catalogue, offline.
struct OfflineRig {
  hrx::test::FakeCore core;
  QtMainWindow w;
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
  CPrmtrcDlg* open(int cmd = hrx::gui::kCmdPrmtrc) {
    w.onCommand(cmd);
    return hrx::gui::openEqualiser(w);
  }
  QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
};

}  // namespace

class EqualiserTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void opensFromEitherEntryAfterTheBusyWindowAndEndsOnExit() {
    struct Case {
      int cmd;
      const char* title;
      QStringList frames;
      QStringList values;   // the catalogue's initial values
    };
    const Case cases[] = {
        {hrx::gui::kCmdPrmtrc, "Prmtrc", {"PRMTRC EQ1", "PRMTRC EQ2", "PRMTRC EQ3"},
         {"OFF", "5 dB", "10", "OFF", "5 dB", "10", "OFF", "5 dB", "10"}},
        {hrx::gui::kCmdPPrmtrc, "P-Prmtrc", {"P-PRMTRC EQ1", "P-PRMTRC EQ2", "P-PRMTRC EQ3"},
         {"200 Hz", "0 dB", "2", "800 Hz", "0 dB", "1", "2100 Hz", "0 dB", "1"}},
    };
    for (const Case& c : cases) {
      OfflineRig rig;
      CPrmtrcDlg* d = rig.open(c.cmd);
      QVERIFY(d != nullptr && d->isVisible() && !d->isModal());
      QCOMPARE(d->windowTitle(), QString::fromLatin1(c.title));
      const int frameIds[] = {1082, 1097, 1110};
      for (int b = 0; b < 3; ++b) {
        auto* frame = d->findChild<QGroupBox*>(QStringLiteral("frame%1").arg(frameIds[b]));
        QVERIFY(frame != nullptr);
        QCOMPARE(frame->title(), c.frames[b]);
      }
      QCOMPARE(fields(d), c.values);
      QVERIFY(!d->editor().online());
      QVERIFY(!d->timerRunning(28));
      // Both entries are greyed while it is open; a second command opens
      // nothing more.
      QVERIFY(!rig.w.commandAction(hrx::gui::kCmdPrmtrc)->isEnabled());
      QVERIFY(!rig.w.commandAction(hrx::gui::kCmdPPrmtrc)->isEnabled());
      rig.w.onCommand(hrx::gui::kCmdPrmtrc);
      QCOMPARE(hrx::gui::openEqualiser(rig.w), d);
      QPointer<CPrmtrcDlg> gone(d);
      click(d, Exit);
      QTRY_VERIFY(gone.isNull());
      QVERIFY(hrx::gui::openEqualiser(rig.w) == nullptr);
      QVERIFY(rig.w.commandAction(hrx::gui::kCmdPrmtrc)->isEnabled());
      QVERIFY(rig.w.commandAction(hrx::gui::kCmdPPrmtrc)->isEnabled());
      // Nothing went to the radio.
      QVERIFY(rig.core.written.empty());
    }
  }

  void arrowStepsStopAtTheLimitsAndHoldingRepeats() {
    OfflineRig rig;
    CPrmtrcDlg* d = rig.open();
    click(d, B1FreqUp, 7);
    QCOMPARE(field(d, 0), QStringLiteral("700 Hz"));
    click(d, B1FreqUp);
    QCOMPARE(field(d, 0), QStringLiteral("700 Hz"));
    click(d, B1FreqDown, 7);
    QCOMPARE(field(d, 0), QStringLiteral("OFF"));
    click(d, B1FreqDown);
    QCOMPARE(field(d, 0), QStringLiteral("OFF"));
    click(d, B1WidthUp);
    QCOMPARE(field(d, 2), QStringLiteral("10"));
    click(d, B1WidthDown, 10);
    QCOMPARE(field(d, 2), QStringLiteral("1"));
    // The radio's level items take -10..+10: the window goes no further.
    click(d, B1LevelUp, 6);
    QCOMPARE(field(d, 1), QStringLiteral("10 dB"));

    // Held: one step at once, then one every 200 ms down to the limit.
    click(d, B2LevelDown, 12);
    QCOMPARE(field(d, 4), QStringLiteral("-7 dB"));
    QTest::mousePress(d->button(B2LevelDown), Qt::LeftButton);
    QCOMPARE(field(d, 4), QStringLiteral("-8 dB"));
    QVERIFY(d->timerRunning(29));
    QTRY_COMPARE(field(d, 4), QStringLiteral("-10 dB"));
    QTest::qWait(450);
    QCOMPARE(field(d, 4), QStringLiteral("-10 dB"));
    QTest::mouseRelease(d->button(B2LevelDown), Qt::LeftButton);
    QVERIFY(!d->timerRunning(29));

    // CANCEL brings every field back; APPLI makes the values the baseline.
    click(d, Cancel);
    QCOMPARE(fields(d), (QStringList{"OFF", "5 dB", "10", "OFF", "5 dB", "10", "OFF", "5 dB", "10"}));
    QTRY_VERIFY(!d->editor().cancelBusy());
    click(d, B3FreqUp, 2);
    click(d, Appli);
    click(d, B3FreqUp);
    click(d, Cancel);
    QCOMPARE(field(d, 6), QStringLiteral("1600 Hz"));
  }

  void fileSaveWritesTheThreeLines() {
    OfflineRig rig;
    CPrmtrcDlg* d = rig.open();
    // Band 1 at 300 Hz, -5 dB, width 4; band 2 off, 0 dB, width 10; band 3
    // at 2100 Hz, +2 dB, width 1.
    click(d, B1FreqUp, 3);
    click(d, B1LevelDown, 10);
    click(d, B1WidthDown, 6);
    click(d, B2LevelDown, 5);
    click(d, B3FreqUp, 7);
    click(d, B3LevelDown, 3);
    click(d, B3WidthDown, 9);
    QCOMPARE(fields(d), (QStringList{"300 Hz", "-5 dB", "4", "OFF", "0 dB", "10", "2100 Hz", "2 dB", "1"}));
    QString offered;
    bool asSave = false;
    const QString path = rig.path("saved.pef");
    d->chooser = [&](bool save, const QString& name) {
      asSave = save;
      offered = name;
      return path;
    };
    click(d, FileSave);
    QVERIFY(asSave);
    QVERIFY2(QRegularExpression(QStringLiteral("^20\\d{12}\\.pef$")).match(offered).hasMatch(), qPrintable(offered));
    QCOMPARE(readFile(path), QStringLiteral("300,-5,4\n0,0,10\n2100,2,1\n"));
    // No path chosen: nothing written.
    d->chooser = [](bool, const QString&) { return QString(); };
    QFile::remove(path);
    click(d, FileSave);
    QVERIFY(!QFile::exists(path));
  }

  void fileLoadSetsTheWindowOrRefusesTheFileWhole() {
    OfflineRig rig;
    CPrmtrcDlg* d = rig.open();
    QString chosen;
    d->chooser = [&](bool, const QString&) { return chosen; };
    chosen = rig.path("good.pef");
    writeFile(chosen, "300,-5,4\n0,0,10\n2100,2,1\n");
    click(d, FileLoad);
    const QStringList loaded{"300 Hz", "-5 dB", "4", "OFF", "0 dB", "10", "2100 Hz", "2 dB", "1"};
    QCOMPARE(fields(d), loaded);
    QVERIFY(d->badFileBox() == nullptr);
    // The loaded values are the baseline: CANCEL keeps them.
    click(d, B1FreqUp);
    click(d, Cancel);
    QCOMPARE(fields(d), loaded);

    struct Bad {
      const char* name;
      std::string bytes;
    };
    const Bad bad[] = {
        {"350 Hz", "350,-5,4\n0,0,10\n2100,2,1\n"},
        {"level beyond the radio's -10", "300,-11,4\n0,0,10\n2100,2,1\n"},
        {"width 11", "300,-5,4\n0,0,11\n2100,2,1\n"},
        {"two records", "300,-5,4\n0,0,10\n"},
        {"quoted fields", "\"300,-5\",\"4\"\n\"0,0\",\"10\"\n\"2100,2\",\"1\"\n"},
        {"empty", ""},
        {"huge", std::string(5 << 20, '1')},
    };
    for (const Bad& b : bad) {
      QTRY_VERIFY(!d->editor().cancelBusy());
      chosen = rig.path("bad.pef");
      writeFile(chosen, b.bytes);
      click(d, FileLoad);
      QMessageBox* box = d->badFileBox();
      QVERIFY2(box != nullptr && box->isVisible(), b.name);
      QCOMPARE(box->text(), QStringLiteral("The input range is incorrect."));
      QCOMPARE(fields(d), loaded);
      box->accept();
      QTRY_VERIFY(d->badFileBox() == nullptr);
    }
    QVERIFY(rig.core.written.empty());
  }

  void graphDrawsTheBandsAndTheirSum() {
    OfflineRig rig;
    CPrmtrcDlg* d = rig.open();
    // Band 2 at 1000 Hz, +10 dB, width 1; band 3 at 2000 Hz, +10 dB,
    // width 1; band 1 at 300 Hz, 0 dB, width 1, changed last.
    click(d, B2FreqUp, 4);
    click(d, B3FreqUp, 6);
    click(d, B3LevelUp, 5);
    click(d, 12, 5);   // band 2 LEVEL up
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
    constexpr QRgb kRed = 0xFFFF0000;
    // The band at level 0 lies flat on the 0 dB line, across the width.
    for (int x = 0; x < 900; ++x) QVERIFY2(img.pixel(x, 176) == kRed, qPrintable(QString::number(x)));
    int redElsewhere = 0;
    for (int y = 0; y < 352; ++y)
      for (int x = 0; x < 900; ++x) redElsewhere += y != 176 && img.pixel(x, y) == kRed ? 1 : 0;
    QCOMPARE(redElsewhere, 0);
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
