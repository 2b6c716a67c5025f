// The port changes over the real core and the simulated radio, which hears
// only a line at its own CAT RATE: an exit at any step of a speed change
// leaves the speed the radio was told in the file, so the next start
// connects; one change runs at a time; COM Select waits for a network
// port's connection.
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <algorithm>
#include <fstream>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "../support/StationRig.h"
#include "GuiSuites.h"
#include "WidgetSteps.h"
#include "app/gui/windows/MenuListWindow.h"
#include "app/gui/windows/PortWindows.h"
#include "app/gui/windows/SetupWindows.h"

using hrx::gui::CBardRateSettingDlg;
using hrx::gui::CComSelectDlg;
using hrx::gui::CMenuListDlg;
using hrx::gui::QtMainWindow;
using Rig = hrx::test::StationRig;

namespace {

using hrx::test::click;
using hrx::test::clickRow;
using hrx::test::shownBox;

const QString kBusyText = QStringLiteral("Another port change is still running.\nPlease try again when it has ended.");
constexpr int kCatRateRow = 37;   // item 038 of the list

QString readAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QStringLiteral("(none)");
}

template <class Dlg>
Dlg* openPortWindow(Rig& rig, int command) {
  rig.w->onCommand(command);
  Dlg* d = nullptr;
  (void)QTest::qWaitFor([&] { return (d = rig.w->findChild<Dlg*>()) != nullptr && d->isVisible(); }, 3000);
  return d;
}

CMenuListDlg* openList(Rig& rig) {
  rig.click({470, 105});   // MENU
  CMenuListDlg* dlg = nullptr;
  (void)QTest::qWaitFor([&] { return (dlg = rig.w->findChild<CMenuListDlg*>()) != nullptr && dlg->isVisible(); }, 5000);
  return dlg != nullptr && dlg->isVisible() ? dlg : nullptr;
}

// CAT RATE's chooser: entry `entry` (0..3: 4800 doubled) taken.
bool chooseRate(CMenuListDlg* dlg, int entry) {
  dlg->list()->setCurrentRow(kCatRateRow);
  QTest::keyClick(dlg->list(), Qt::Key_Return);
  if (!QTest::qWaitFor([&] { return dlg->editor() != nullptr; }, 2000)) return false;
  auto* list = dlg->editor()->findChild<QListWidget*>(QStringLiteral("list1019"));
  if (list == nullptr) return false;
  const QPoint at = list->visualItemRect(list->item(entry)).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
  return QTest::qWaitFor([&] { return dlg->editor() == nullptr; }, 2000);
}

// The radio's CAT RATE in bit/s.
int radioRate(const Rig& rig) {
  std::int32_t code = -1;
  hrx::sim::decodeMenuValue(38, rig.radio.state().menu[38], &code);
  return code >= 0 && code <= 3 ? 4800 << code : -1;
}

// A program on a radio at 4800 bit/s, its settings file saying so.
bool startAt4800(Rig& rig) {
  rig.pty.setSpeedCheck(true);
  if (!rig.radio.applyLocal("EX0380") || !QDir(rig.dir.path()).mkpath(QStringLiteral("CommoFiles"))) return false;
  std::ofstream(rig.dir.path().toStdString() + "/CommoFiles/CommSetting.csv") << "1,4800,0\n";
  return rig.open() && QTest::qWaitFor([&] { return rig.station().state.get_CommEnabled() != 0; }, 5000);
}

bool linkOn(Rig& rig) { return rig.station().state.get_AI_Stat() == 1 && rig.station().port.IsOpen(); }

// A listening socket on a free loopback port that never accepts: a
// connection to it is made (by the kernel) and then hears nothing.
struct Listener {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  int port = 0;
  Listener() {
    sockaddr_in sa{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t len = sizeof sa;
    ::bind(fd, reinterpret_cast<sockaddr*>(&sa), len);
    ::listen(fd, 4);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
    port = ntohs(sa.sin_port);
  }
  ~Listener() { ::close(fd); }
};

}  // namespace

class PortChangeTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // 4800 to 9600 through the Baud rate window and through the menu list's
  // CAT RATE, ended by the operator at each step: just after OK, once the
  // radio has its EX command, once the port has closed (Baud rate) or taken
  // the new speed (CAT RATE), and after the change. The file then holds the
  // radio's speed and the next start's COM click connects.
  void exitAtEachStepOfASpeedChangeKeepsTheToldSpeed() {
    using Exit = std::function<void(QtMainWindow&)>;
    const Exit closeBox = [](QtMainWindow& w) { w.close(); };
    // Escape, then Yes to its question.
    const Exit escape = [](QtMainWindow& w) {
      QTest::keyClick(&w, Qt::Key_Escape);
      if (auto* box = w.findChild<QMessageBox*>(QStringLiteral("endQuestion")); box != nullptr)
        box->button(QMessageBox::Yes)->click();
    };
    const Exit fileExit = [](QtMainWindow& w) { w.onCommand(hrx::gui::kCmdExit); };
    struct Row {
      const char* label;
      bool list;     // CAT RATE through the menu list, else the Baud rate window
      bool linkOn;   // connected before the change (the auto-information wait)
      int step;      // 0 at OK, 1 radio told, 2 port closed / new speed taken, 3 ended
      const Exit& exit;
    };
    const Row rows[] = {
        {"baud, at OK", false, true, 0, closeBox},       {"baud, radio told", false, true, 1, escape},
        {"baud, port closed", false, true, 2, fileExit}, {"baud, ended", false, true, 3, closeBox},
        {"list, at OK", true, false, 0, escape},         {"list, radio told", true, false, 1, fileExit},
        {"list, new speed", true, true, 2, closeBox},    {"list, ended", true, false, 3, escape},
    };
    const QString settings = QStringLiteral("/CommoFiles/CommSetting.csv");
    for (const Row& r : rows) {
      Rig rig;
      QVERIFY2(startAt4800(rig), r.label);
      if (r.linkOn) {
        rig.clickCom();
        QTRY_VERIFY2_WITH_TIMEOUT(linkOn(rig), r.label, 5000);
        // The menu list opens once the read-out has ended.
        if (r.list) QTRY_VERIFY2_WITH_TIMEOUT(rig.w->readOutsDone() >= 1, r.label, 60000);
      }
      rig.radio.clearCommandLog();
      QPointer<QWidget> window;
      std::function<bool()> reached;
      auto told = [&] { return rig.count("EX0381;") == 1; };
      if (r.list) {
        CMenuListDlg* dlg = openList(rig);
        QVERIFY2(dlg != nullptr && chooseRate(dlg, 1), r.label);
        window = dlg;
        click(dlg, "ok");
        const std::function<bool()> steps[] = {
            [] { return true; },
            [&] { return told() && rig.station().port.GetBaudRate() == 4800; },
            [&, dlg] { return rig.station().port.GetBaudRate() == 9600 && dlg->applying(); },
            [&] { return !rig.w->panel().menuOpen(); }};
        reached = steps[r.step];
      } else {
        auto* baud = openPortWindow<CBardRateSettingDlg>(rig, hrx::gui::kCmdBaudRate);
        QVERIFY2(baud != nullptr, r.label);
        clickRow(baud->list(), 1);
        window = baud;
        click(baud, "ok");
        const std::function<bool()> steps[] = {[] { return true; },
                                               [&] { return told() && rig.station().port.IsOpen() && !window.isNull(); },
                                               [&] { return !rig.station().port.IsOpen() && !window.isNull(); },
                                               [&] { return window.isNull(); }};
        reached = steps[r.step];
      }
      QVERIFY2(QTest::qWaitFor(reached, 10000), r.label);
      rig.end(r.exit);
      const QString saved = readAll(rig.dir.path() + settings);
      // The exit's last command may still be crossing the line: the radio
      // is given time to take the speed the file says.
      (void)QTest::qWaitFor([&] { return saved == QStringLiteral("1,%1,0\n").arg(radioRate(rig)); }, 5000);
      const int rate = radioRate(rig);
      QVERIFY2(saved == QStringLiteral("1,%1,0\n").arg(rate),
               qPrintable(QStringLiteral("%1: saved %2, the radio at %3").arg(r.label, saved.trimmed()).arg(rate)));
      QVERIFY2(rig.open(), r.label);
      QTRY_VERIFY_WITH_TIMEOUT(rig.station().state.get_CommEnabled() != 0, 5000);
      QCOMPARE(rig.station().port.GetBaudRate(), rate);
      // Heard by the radio, not only answered from what it said before.
      rig.radio.clearCommandLog();
      rig.clickCom();
      QTRY_VERIFY2_WITH_TIMEOUT(linkOn(rig) && rig.count("AI1;") == 1,
                                qPrintable(QStringLiteral("%1: no link at %2").arg(r.label).arg(rate)), 5000);
    }
  }

  // A Baud rate change is running: COM Select's OK and the menu list's
  // CAT RATE change are refused with a message, their windows stay open and
  // take their OK once it has ended; no timer of the change is left.
  void aSecondPortChangeIsRefusedUntilTheFirstHasEnded() {
    Rig rig;
    QVERIFY(startAt4800(rig));
    const QString settings = rig.dir.path() + QStringLiteral("/CommoFiles/CommSetting.csv");
    // The list first: a panel click does nothing while a port window is up.
    CMenuListDlg* dlg = openList(rig);
    QVERIFY(dlg != nullptr && chooseRate(dlg, 2));
    QPointer<CBardRateSettingDlg> baud = openPortWindow<CBardRateSettingDlg>(rig, hrx::gui::kCmdBaudRate);
    QVERIFY(baud != nullptr);
    clickRow(baud->list(), 1);
    click(baud, "ok");

    QPointer<CComSelectDlg> com = openPortWindow<CComSelectDlg>(rig, hrx::gui::kCmdComSelect);
    QVERIFY(com != nullptr);
    clickRow(com->list(), 1);
    click(com, "ok");
    QTRY_VERIFY(com.isNull() || shownBox(com) != nullptr);
    QVERIFY2(!com.isNull(), "COM Select closed without a word");
    QCOMPARE(shownBox(com)->text(), kBusyText);
    shownBox(com)->accept();
    QVERIFY(com->isVisible());

    click(dlg, "ok");
    QTRY_VERIFY(shownBox(dlg) != nullptr);
    QCOMPARE(shownBox(dlg)->text(), kBusyText);
    shownBox(dlg)->accept();
    QVERIFY(dlg->isVisible() && !dlg->applying());
    hrx::MenuListItem item;
    QVERIFY(rig.station().state.get_MenuItem(38, &item));
    QCOMPARE(item.value, 0.0);   // nothing of the refused OK was applied
    QVERIFY(!baud.isNull());

    QTRY_VERIFY_WITH_TIMEOUT(baud.isNull(), 5000);
    QCOMPARE(rig.station().port.GetBaudRate(), 9600);
    QCOMPARE(readAll(settings), QStringLiteral("1,9600,0\n"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QTimer* t : rig.w->part<hrx::gui::PortPart>().changer.findChildren<QTimer*>()) QVERIFY(!t->isActive());

    clickRow(com->list(), 0);   // the port in use: only the file
    click(com, "ok");
    QTRY_VERIFY(com.isNull());
    click(dlg, "ok");
    QTRY_VERIFY_WITH_TIMEOUT(!rig.w->panel().menuOpen(), 5000);
    QCOMPARE(rig.station().port.GetBaudRate(), 19200);
    QCOMPARE(readAll(settings), QStringLiteral("1,19200,0\n"));
  }

  // A settings file the port windows cannot save is said in the log at
  // once, not only at exit: here a folder stands in the file's place.
  void aFailedSaveIsLoggedAtOnce() {
    Rig rig;
    auto lines = std::make_shared<std::vector<std::string>>();
    auto mu = std::make_shared<std::mutex>();
    QVERIFY(rig.open([&](hrx::StationOptions& o) {
      o.log = [lines, mu](const std::string& l) {
        std::lock_guard lock(*mu);
        lines->push_back(l);
      };
    }));
    const std::string settings = rig.dir.path().toStdString() + "/CommoFiles/CommSetting.csv";
    ::unlink(settings.c_str());
    QVERIFY(QDir().mkpath(QString::fromStdString(settings)));
    auto said = [&] {
      std::lock_guard lock(*mu);
      return std::any_of(lines->begin(), lines->end(), [&](const std::string& l) {
        return l.find("settings not saved: write " + settings + ": Is a directory") != std::string::npos;
      });
    };
    QVERIFY(!said());
    QPointer<CComSelectDlg> com = openPortWindow<CComSelectDlg>(rig, hrx::gui::kCmdComSelect);
    QVERIFY(com != nullptr);
    clickRow(com->list(), 0);   // the port in use: only the file
    click(com, "ok");
    QTRY_VERIFY(com.isNull());
    QVERIFY(said());
    rig.end([](QtMainWindow& w) { w.close(); });
    QDir(QString::fromStdString(settings)).removeRecursively();
  }

  // A set-up restore that writes CAT RATE is a port change from its start:
  // the Baud rate window's OK meanwhile is refused and its window stays; an
  // exit once the radio has been told leaves the speed told in the file.
  void aRestoreOfCatRateIsAPortChange() {
    for (const bool exitMidway : {true, false}) {
      Rig rig;
      QVERIFY(startAt4800(rig));
      rig.clickCom();
      QTRY_VERIFY_WITH_TIMEOUT(linkOn(rig) && rig.w->readOutsDone() >= 1, 60000);
      const QString settings = rig.dir.path() + QStringLiteral("/CommoFiles/CommSetting.csv");
      rig.radio.clearCommandLog();
      auto* restorer = new hrx::gui::SetupRestorer(*rig.w, rig.w.get());
      hrx::SetupItem fastDelay, catRate;
      fastDelay.no = 1;
      fastDelay.raw = 500;
      catRate.no = 38;
      catRate.raw = 1;
      QString why;
      QVERIFY2(restorer->start({fastDelay, catRate}, &why), qPrintable(why));
      if (exitMidway) {
        QTRY_VERIFY_WITH_TIMEOUT(rig.count("EX0381;") == 1, 10000);
        rig.end([](QtMainWindow& w) { w.close(); });
        QCOMPARE(readAll(settings), QStringLiteral("1,9600,0\n"));
        continue;
      }
      QPointer<CBardRateSettingDlg> baud = openPortWindow<CBardRateSettingDlg>(rig, hrx::gui::kCmdBaudRate);
      QVERIFY(baud != nullptr);
      clickRow(baud->list(), 2);
      click(baud, "ok");
      QTRY_VERIFY(baud.isNull() || shownBox(baud) != nullptr);
      QVERIFY2(!baud.isNull(), "Baud rate closed during the restore");
      QCOMPARE(shownBox(baud)->text(), kBusyText);
      shownBox(baud)->accept();
      QVERIFY(baud->isVisible());
      QTRY_VERIFY_WITH_TIMEOUT(!restorer->running(), 30000);
      QCOMPARE(restorer->summary().confirmed, std::vector<int>({1, 38}));
      QCOMPARE(rig.count("EX0382;"), 0);
      QCOMPARE(rig.station().port.GetBaudRate(), 9600);
      QCOMPARE(readAll(settings), QStringLiteral("1,9600,0\n"));
    }
  }

  // The radio falls silent while the Baud rate window is open and the
  // watchdog drops the link: the change's switch back on keeps the wish for
  // the link instead of giving it up, so the radio's return at the new
  // speed brings the link back by itself.
  void aSpeedChangeDuringASilenceKeepsTheWishForTheLink() {
    Rig rig;
    QVERIFY(startAt4800(rig));
    rig.clickCom();
    QTRY_VERIFY_WITH_TIMEOUT(linkOn(rig), 5000);
    QPointer<CBardRateSettingDlg> baud = openPortWindow<CBardRateSettingDlg>(rig, hrx::gui::kCmdBaudRate);
    QVERIFY(baud != nullptr);
    hrx::sim::FaultConfig silent;
    silent.silent = true;
    rig.radio.setFaults(silent);
    QTRY_VERIFY_WITH_TIMEOUT(rig.station().awaitingRadio(), 10000);
    clickRow(baud->list(), 1);
    click(baud, "ok");
    QTRY_VERIFY_WITH_TIMEOUT(baud.isNull(), 5000);
    QCOMPARE(radioRate(rig), 9600);
    rig.radio.setFaults({});
    QTRY_VERIFY_WITH_TIMEOUT(linkOn(rig), 10000);
    QCOMPARE(rig.station().port.GetBaudRate(), 9600);
  }

  // COM Select of a network port waits for its connection with the window
  // responsive: raw TCP is taken (the next open takes the connection over);
  // RFC 2217 to a far side that never answers is refused once the option's
  // negotiation has given up.
  void comSelectWaitsForANetworkPortsConnection() {
    Rig rig;
    QVERIFY(startAt4800(rig));
    Listener raw, mute;
    const std::string map = rig.dir.path().toStdString() + "/ports.txt";
    std::ofstream(map) << "COM5=tcp://127.0.0.1:" << raw.port << "\nCOM6=rfc2217://127.0.0.1:" << mute.port << "\n";
    rig.station().port.SetDevicePath("");
    QVERIFY(rig.station().port.LoadPortMap(map));
    struct Row {
      int row;
      bool taken;
      int atLeastMs;
    };
    for (const Row& r : {Row{5, false, 1500}, Row{4, true, 0}}) {
      QPointer<CComSelectDlg> com = openPortWindow<CComSelectDlg>(rig, hrx::gui::kCmdComSelect);
      QVERIFY(com != nullptr);
      clickRow(com->list(), r.row);
      int ticks = 0;
      QTimer probe;
      QObject::connect(&probe, &QTimer::timeout, [&] { ++ticks; });
      probe.start(10);
      QElapsedTimer t;
      t.start();
      click(com, "ok");
      QTRY_VERIFY_WITH_TIMEOUT(com.isNull() || shownBox(com) != nullptr, 10000);
      QVERIFY2(t.elapsed() >= r.atLeastMs, qPrintable(QString::number(t.elapsed())));
      QVERIFY2(ticks * 10 >= r.atLeastMs / 2, qPrintable(QString::number(ticks)));
      QCOMPARE(com.isNull(), r.taken);
      if (r.taken) {
        QCOMPARE(rig.station().port.GetPortNumber(), 5);
        QCOMPARE(readAll(rig.dir.path() + QStringLiteral("/CommoFiles/CommSetting.csv")), QStringLiteral("5,4800,0\n"));
        QVERIFY(rig.station().port.Open());
      } else {
        QCOMPARE(shownBox(com)->text(), QStringLiteral("Failed to open the port."));
        shownBox(com)->accept();
        QCOMPARE(rig.station().port.GetPortNumber(), 1);
        click(com, "cancel");
        QTRY_VERIFY(com.isNull());
      }
    }
  }
};

static const hrx::test::GuiSuite kSuite("PortChange", hrx::test::runSuite<PortChangeTest>);

#include "PortChangeTest.moc"
