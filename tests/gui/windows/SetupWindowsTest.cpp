// The radio's set-up saved, compared and restored through the Setup menu,
// the file dialogs and the comparison window, over the real core and the
// simulated radio: the refusal before the read-out, the five changed items,
// the exact menu writes of a restore (CAT RATE last), and the files refused
// with their line before anything is sent.
#include <QFile>
#include <QFileDialog>
#include <QListWidget>
#include <QPointer>
#include <algorithm>
#include <fstream>
#include <memory>
#include <mutex>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>

#include "../support/StationRig.h"
#include "GuiSuites.h"
#include "app/gui/windows/PortWindows.h"
#include "app/gui/windows/SetupWindows.h"

using hrx::gui::CSetupCompareDlg;
using Rig = hrx::test::StationRig;

namespace {

QMessageBox* shownBox(QWidget* parent) {
  for (QMessageBox* b : parent->findChildren<QMessageBox*>(QStringLiteral("setupMessage")))
    if (b->isVisible()) return b;
  return nullptr;
}

// The file dialog the command opened, given `path`.
bool chooseFile(Rig& rig, const QString& path) {
  QFileDialog* d = nullptr;
  if (!QTest::qWaitFor([&] { return (d = rig.w->findChild<QFileDialog*>(QStringLiteral("setupFileDialog"))) != nullptr && d->isVisible(); }, 3000))
    return false;
  d->selectFile(path);
  static_cast<QDialog*>(d)->accept();
  return true;
}

CSetupCompareDlg* compare(Rig& rig, const QString& path) {
  rig.w->onCommand(hrx::gui::kCmdCompareSetup);
  if (!chooseFile(rig, path)) return nullptr;
  CSetupCompareDlg* dlg = nullptr;
  (void)QTest::qWaitFor([&] { return (dlg = rig.w->findChild<CSetupCompareDlg*>()) != nullptr && dlg->isVisible(); }, 3000);
  return dlg;
}

QStringList rows(CSetupCompareDlg* dlg) {
  QStringList out;
  for (int r = 0; r < dlg->table()->rowCount(); ++r) {
    QStringList cells;
    for (int c = 0; c < 4; ++c) cells << dlg->table()->item(r, c)->text();
    out << cells.join(QLatin1Char('|'));
  }
  return out;
}

// Menu writes only: a read is "EXnnn;".
QStringList menuWrites(Rig& rig) { return rig.log().filter(QRegularExpression(QStringLiteral("^EX\\d{3}[^;]"))); }

void writeFile(const QString& path, const QByteArray& text) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(text);
}

// A program on a radio that hears only its own CAT RATE, 4800 bit/s, and
// its settings file saying so; connected and read out.
bool readOutAt4800(Rig& rig) {
  rig.pty.setSpeedCheck(true);
  if (!rig.radio.applyLocal("EX0380") || !QDir(rig.dir.path()).mkpath(QStringLiteral("CommoFiles"))) return false;
  std::ofstream(rig.dir.path().toStdString() + "/CommoFiles/CommSetting.csv") << "1,4800,0\n";
  return rig.open() && rig.connectAndReadOut();
}

}  // namespace

class SetupWindowsTest : public QObject {
  Q_OBJECT

  Rig rig_;
  QString saved_;

 private Q_SLOTS:
  // Before the read-out the set-up cannot be saved: a message, no dialog.
  void initTestCase() {
    QVERIFY(rig_.open());
    rig_.w->onCommand(hrx::gui::kCmdSaveSetup);
    QTRY_VERIFY(shownBox(rig_.w.get()) != nullptr);
    QCOMPARE(shownBox(rig_.w.get())->text(), QString::fromUtf8(hrx::gui::kSetupNotReadText));
    shownBox(rig_.w.get())->accept();
    QVERIFY(rig_.w->findChild<QFileDialog*>() == nullptr);
    // The read-out's last answers are held on the line, as a slow or busy
    // line holds them after its last query has gone.
    QVERIFY(QTest::qWaitFor([&] { return rig_.station().state.get_CommEnabled() != 0; }, 5000));
    rig_.clickCom();
    QVERIFY(QTest::qWaitFor([&] { return rig_.count("EX185;") > 0; }, 60000));
    rig_.pty.stop();
    QVERIFY(QTest::qWaitFor([&] { return rig_.w->readOutsDone() >= 1; }, 10000));
    saved_ = rig_.dir.filePath(QStringLiteral("radio.hrxsetup"));
  }

  void saveChangeCompareRestore() {
    rig_.w->onCommand(hrx::gui::kCmdSaveSetup);
    QVERIFY(chooseFile(rig_, saved_));
    QInputDialog* ask = nullptr;
    QTRY_VERIFY((ask = rig_.w->findChild<QInputDialog*>(QStringLiteral("setupComment"))) != nullptr && ask->isVisible());
    ask->setTextValue(QStringLiteral("home station"));
    ask->accept();
    QVERIFY(rig_.pty.start());   // the held answers come
    QTRY_VERIFY(QFile::exists(saved_));
    QFile f(saved_);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromLatin1(f.readAll());
    QCOMPARE(text.count(QRegularExpression(QStringLiteral("(?m)^\\d{3} \\| "))), 196);
    QVERIFY2(!text.contains(QRegularExpression(QStringLiteral("\\| \\? +\\|"))), qPrintable(text.right(800)));
    for (const char* line : {"\nradio: 0460\n", "\ncomment: home station\n", "\n001 | FAST DELAY         | 300      | 300msec\n",
                             "\n005 | MY CALL            | \"MARVO\" | \"MARVO\"\n"})
      QVERIFY2(text.contains(QString::fromLatin1(line)), line);

    // Five items changed on the radio itself, reported to the program.
    for (const char* local : {"EX0010500", "EX005JA1XYZ      ", "EX01410", "EX042-10", "EX0381"}) QVERIFY(rig_.radio.applyLocal(local));
    const QStringList five = {"001|FAST DELAY|500msec|300msec", "005|MY CALL|JA1XYZ|MARVO", "014|ROTATOR OFFSET ADJ|-10|0",
                              "038|CAT RATE|9600bps|4800bps", "042|QUICK SPLIT FREQ|-10kHz|5kHz"};
    QTRY_VERIFY_WITH_TIMEOUT(rig_.station().state.get_MenuReplyCount(38) > 1, 5000);
    // The new CAT RATE has the program follow the radio's speed and read it
    // again; until then a compare is refused as not read (slow under ASan).
    QTRY_VERIFY_WITH_TIMEOUT(hrx::gui::setupNotReadReason(*rig_.w).isEmpty(), 60000);
    CSetupCompareDlg* dlg = compare(rig_, saved_);
    QVERIFY(dlg != nullptr);
    QVERIFY2(rows(dlg) == five, qPrintable(rows(dlg).join(QLatin1Char('\n'))));
    QVERIFY(menuWrites(rig_).isEmpty());   // comparing sends nothing

    rig_.radio.clearCommandLog();
    QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("restore")), Qt::LeftButton);
    QVERIFY(dlg->progressBar()->isVisible());
    QCOMPARE(dlg->progressBar()->maximum(), 5);
    QTRY_COMPARE_WITH_TIMEOUT(dlg->summaryLabel()->text(),
                              QStringLiteral("5 written and confirmed, 0 refused by the radio, 0 not confirmed."), 90000);
    QCOMPARE(dlg->progressBar()->value(), 5);
    QCOMPARE(menuWrites(rig_), QStringList({"EX0010300;", "EX005MARVO       ;", "EX01400;", "EX042+05;", "EX0380;"}));
    QCOMPARE(rig_.station().port.GetBaudRate(), 4800);
    QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("close")), Qt::LeftButton);
    QTRY_VERIFY(rig_.w->findChild<CSetupCompareDlg*>() == nullptr);

    dlg = compare(rig_, saved_);
    QVERIFY(dlg != nullptr);
    QCOMPARE(dlg->table()->rowCount(), 0);
    QCOMPARE(dlg->summaryLabel()->text(), QString::fromUtf8(hrx::gui::kSetupSameText));
    QVERIFY(!dlg->findChild<QPushButton*>(QStringLiteral("restore"))->isEnabled());
    QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("close")), Qt::LeftButton);
    QTRY_VERIFY(rig_.w->findChild<CSetupCompareDlg*>() == nullptr);
  }

  // Each refused file: its message with the line, no comparison, nothing sent.
  void badFilesAreRefused() {
    struct Row {
      const char* label;
      const char* text;
      const char* message;
    };
    const Row cases[] = {
        {"another radio model", "format: hrx900-setup 1\nradio: 0461\n001 | FAST DELAY | 300 | 300msec\n",
         "line 2: the file is from radio 0461, this radio is 0460"},
        {"unknown item", "format: hrx900-setup 1\nradio: 0460\n197 | FAST DELAY | 300 | 300msec\n",
         "line 3: unknown menu item number 197"},
        {"out of range", "format: hrx900-setup 1\nradio: 0460\n038 | CAT RATE | 7 | 7bps\n",
         "line 3: the value 7 is outside the range of 038 CAT RATE: 4800/9600/19200/38400(bps)"},
        {"malformed", "format: hrx900-setup 1\nradio: 0460\n\n001 | FAST DELAY 300 msec\n",
         "line 4: a menu item line is: number | name | raw value | value text"},
    };
    const QString path = rig_.dir.filePath(QStringLiteral("bad.hrxsetup"));
    for (const Row& r : cases) {
      writeFile(path, r.text);
      rig_.radio.clearCommandLog();
      rig_.w->onCommand(hrx::gui::kCmdCompareSetup);
      QVERIFY2(chooseFile(rig_, path), r.label);
      QTRY_VERIFY2(shownBox(rig_.w.get()) != nullptr, r.label);
      QCOMPARE(shownBox(rig_.w.get())->text(), QString::fromUtf8(r.message));
      shownBox(rig_.w.get())->accept();
      QVERIFY2(rig_.w->findChild<CSetupCompareDlg*>() == nullptr, r.label);
      QTest::qWait(100);
      QVERIFY2(menuWrites(rig_).isEmpty(), r.label);
    }
  }

  // A restore of most items on a slow line: each read back after its own
  // write went out, and given its time while the answers keep coming.
  void aLargeRestoreReadsEachItemAfterItsWrite() {
    std::vector<hrx::MenuListItem> items;
    for (int no = 1; no <= 196; ++no) {
      hrx::MenuListItem rec;
      QVERIFY(rig_.station().state.get_MenuItem(no, &rec));
      if (no >= 37 && no <= 40) continue;   // the link's own items
      if (rec.type == 1 && rec.choice_num >= 2) rec.value = rec.value == 0 ? 1 : 0;
      else if (rec.type == 0) rec.value = rec.value == rec.min ? rec.min + rec.step : rec.min;
      else continue;
      items.push_back(rec);
    }
    const QString path = rig_.dir.filePath(QStringLiteral("many.hrxsetup"));
    writeFile(path, QByteArray::fromStdString(hrx::formatSetupFile({"hrx900 0.1.0", "0460", "", ""}, items)));
    CSetupCompareDlg* dlg = compare(rig_, path);
    QVERIFY(dlg != nullptr);
    QCOMPARE(dlg->table()->rowCount(), static_cast<int>(items.size()));
    // At 4800 bit/s, as the line is: the answers take longer than the limit.
    rig_.pty.setBaud(hrx::sim::SimPty::kPortsOwnSpeed);
    QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("restore")), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(dlg->summaryLabel()->text(),
                              QStringLiteral("%1 written and confirmed, 0 refused by the radio, 0 not confirmed.").arg(items.size()),
                              60000);
    rig_.pty.setBaud(hrx::sim::SimPty::kInstantLine);
    QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("close")), Qt::LeftButton);
    QTRY_VERIFY(rig_.w->findChild<CSetupCompareDlg*>() == nullptr);
  }

  // CAT RATE restored is a port change as the menu list's: the speed told
  // is kept by an exit before the port follows, no other port change runs
  // beside the restore, and with the link gone off it is not written.
  void catRateGoesAsTheMenuListsChange() {
    enum class Meanwhile { Exit, BaudRate, LinkOff };
    struct Row {
      const char* label;
      Meanwhile what;
    };
    const Row cases[] = {{"the link switched off", Meanwhile::LinkOff},
                         {"the Baud rate window's change", Meanwhile::BaudRate},
                         {"exit once the radio is told", Meanwhile::Exit}};
    for (const Row& r : cases) {
      Rig rig;
      QVERIFY2(readOutAt4800(rig), r.label);
      const QString path = rig.dir.filePath(QStringLiteral("rate.hrxsetup"));
      writeFile(path, "format: hrx900-setup 1\nradio: 0460\n001 | FAST DELAY | 500 | 500msec\n038 | CAT RATE | 1 | 9600bps\n");
      CSetupCompareDlg* dlg = compare(rig, path);
      QVERIFY2(dlg != nullptr && dlg->table()->rowCount() == 2, r.label);
      rig.radio.clearCommandLog();
      QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("restore")), Qt::LeftButton);
      QVERIFY2(dlg->restorer().running(), r.label);
      if (r.what == Meanwhile::Exit) {
        QTRY_VERIFY2_WITH_TIMEOUT(rig.count("EX0381;") == 1, r.label, 10000);
        QCOMPARE(rig.station().port.GetBaudRate(), 4800);
        rig.end([](hrx::gui::QtMainWindow& w) { w.close(); });
        QFile f(rig.dir.path() + QStringLiteral("/CommoFiles/CommSetting.csv"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("1,9600,0\n"));
        continue;
      }
      QTRY_VERIFY2_WITH_TIMEOUT(rig.count("EX0010500;") == 1, r.label, 5000);
      if (r.what == Meanwhile::BaudRate) {
        rig.w->onCommand(hrx::gui::kCmdBaudRate);
        QPointer<hrx::gui::CBardRateSettingDlg> baud;
        QTRY_VERIFY((baud = rig.w->findChild<hrx::gui::CBardRateSettingDlg*>()) != nullptr && baud->isVisible());
        QTest::mouseClick(baud->list()->viewport(), Qt::LeftButton, {}, baud->list()->visualItemRect(baud->list()->item(2)).center());
        QTest::mouseClick(baud->findChild<QPushButton*>(QStringLiteral("ok")), Qt::LeftButton);
        QTRY_VERIFY2(!baud.isNull() && !baud->findChildren<QMessageBox*>().isEmpty(), r.label);
        QCOMPARE(baud->findChildren<QMessageBox*>().front()->text(), QString::fromUtf8(hrx::gui::kPortChangeBusyText));
      } else {
        rig.clickCom();
        QTRY_VERIFY2_WITH_TIMEOUT(rig.station().state.get_AI_Stat() == 0, r.label, 5000);
      }
      // Past the restore's own 60 s wait for the link to come back.
      QTRY_VERIFY2_WITH_TIMEOUT(!dlg->restorer().running(), r.label, 90000);
      if (r.what == Meanwhile::BaudRate) {
        QCOMPARE(dlg->summaryLabel()->text(), QStringLiteral("2 written and confirmed, 0 refused by the radio, 0 not confirmed."));
        QCOMPARE(rig.station().port.GetBaudRate(), 9600);
        QCOMPARE(rig.count("EX0382;"), 0);
      } else {
        QVERIFY2(dlg->summaryLabel()->text().contains(QRegularExpression(QStringLiteral("not confirmed \\((001, )?038\\)\\.$"))),
                 qPrintable(dlg->summaryLabel()->text()));
        QCOMPARE(rig.count("EX0381;"), 0);
        QTest::qWait(500);
        QCOMPARE(rig.station().state.get_AI_Stat(), 0);
      }
    }
  }

  // A set-up that cannot be saved is said in the log at once, as the port
  // windows' failed saves are, besides the message.
  void aFailedSaveIsLoggedAtOnce() {
    Rig rig;
    auto lines = std::make_shared<std::vector<std::string>>();
    auto mu = std::make_shared<std::mutex>();
    QVERIFY(rig.open([&](hrx::StationOptions& o) {
      o.log = [lines, mu](const std::string& l) {
        std::lock_guard lock(*mu);
        lines->push_back(l);
      };
    }) && rig.connectAndReadOut());
    const QString path = rig.dir.filePath(QStringLiteral("gone/radio.hrxsetup"));
    rig.w->onCommand(hrx::gui::kCmdSaveSetup);
    QVERIFY(chooseFile(rig, path));
    QInputDialog* ask = nullptr;
    QTRY_VERIFY((ask = rig.w->findChild<QInputDialog*>(QStringLiteral("setupComment"))) != nullptr && ask->isVisible());
    ask->accept();
    QTRY_VERIFY(shownBox(rig.w.get()) != nullptr);
    // The dialog gives the path as it resolves the folder: only its end is ours.
    const QString why = shownBox(rig.w.get())->text();
    QVERIFY2(why.startsWith(QStringLiteral("create /")) &&
                 why.endsWith(QStringLiteral("/gone/radio.hrxsetup: No such file or directory")),
             qPrintable(why));
    const std::string want = "set-up not saved: " + why.toStdString();
    std::lock_guard lock(*mu);
    QVERIFY2(std::any_of(lines->begin(), lines->end(), [&](const std::string& l) { return l.find(want) != std::string::npos; }),
             want.c_str());
  }

  // Any restore is a port change until its read-back ends: a Baud rate
  // change asked for meanwhile is refused, as beside the menu list's.
  void aRestoreHoldsThePortChangerUntilItsReadBackEnds() {
    Rig rig;
    QVERIFY(rig.open() && rig.connectAndReadOut());
    const QString path = rig.dir.filePath(QStringLiteral("plain.hrxsetup"));
    writeFile(path, "format: hrx900-setup 1\nradio: 0460\n001 | FAST DELAY | 500 | 500msec\n");
    CSetupCompareDlg* dlg = compare(rig, path);
    QVERIFY(dlg != nullptr && dlg->table()->rowCount() == 1);
    QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("restore")), Qt::LeftButton);
    QVERIFY(dlg->restorer().running());
    rig.w->onCommand(hrx::gui::kCmdBaudRate);
    QPointer<hrx::gui::CBardRateSettingDlg> baud;
    QTRY_VERIFY((baud = rig.w->findChild<hrx::gui::CBardRateSettingDlg*>()) != nullptr && baud->isVisible());
    QTest::mouseClick(baud->list()->viewport(), Qt::LeftButton, {}, baud->list()->visualItemRect(baud->list()->item(2)).center());
    QTest::mouseClick(baud->findChild<QPushButton*>(QStringLiteral("ok")), Qt::LeftButton);
    QVERIFY(dlg->restorer().running());
    QTRY_VERIFY(!baud.isNull() && !baud->findChildren<QMessageBox*>().isEmpty());
    QCOMPARE(baud->findChildren<QMessageBox*>().front()->text(), QString::fromUtf8(hrx::gui::kPortChangeBusyText));
    QTRY_VERIFY_WITH_TIMEOUT(!dlg->restorer().running(), 10000);
    QCOMPARE(dlg->summaryLabel()->text(), QStringLiteral("1 written and confirmed, 0 refused by the radio, 0 not confirmed."));
    QCOMPARE(rig.count("EX0382;"), 0);
    QCOMPARE(rig.station().port.GetBaudRate(), 4800);
  }
};

static const hrx::test::GuiSuite kSuite("SetupWindows", hrx::test::runSuite<SetupWindowsTest>);

#include "SetupWindowsTest.moc"
