// The Qt main window over the real core and the simulated radio on a
// pseudo-terminal, one connection for the whole suite: the start and the
// busy window of the read-out, the panel as a live picture of the radio,
// the keys, pop-ups and digits, the menu list and port windows, the
// equaliser online, sharing, and at the end the watchdog and the shutdown.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QRegularExpression>
#include <QPushButton>
#include <QTimer>
#include <fstream>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "../support/LineClient.h"
#include "../support/StationRig.h"
#include "GuiSuites.h"
#include "WidgetSteps.h"
#include "app/gui/windows/CPrmtrcDlg.h"
#include "app/gui/windows/MenuListWindow.h"
#include "app/gui/windows/PortWindows.h"

using hrx::gui::CBardRateSettingDlg;
using hrx::gui::CComSelectDlg;
using hrx::gui::CMenuListDlg;
using hrx::gui::CMenuListTextDlg;
using hrx::gui::CPrmtrcDlg;
using hrx::sim::Cell;
using Rig = hrx::test::StationRig;

namespace {

using hrx::test::click;
using hrx::test::clickRow;
using hrx::test::shownBox;

constexpr QRgb kMagenta = 0xFFFF00FF;
constexpr int kCmdShare = 32790;

// A listening socket on a free loopback port, to take that port.
struct TakenPort {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  int port = 0;
  TakenPort() {
    sockaddr_in sa{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t len = sizeof sa;
    ::bind(fd, reinterpret_cast<sockaddr*>(&sa), len);
    ::listen(fd, 1);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
    port = ntohs(sa.sin_port);
  }
  void release() {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
  ~TakenPort() { release(); }
};

QString readAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QStringLiteral("(none)");
}

// The menu settings the radio was sent (reads are "EXnnn;").
QStringList menuWrites(Rig& rig) { return rig.log().filter(QRegularExpression(QStringLiteral("^EX.{4,}"))); }

std::string simMenu(const Rig& rig, int no, int width) {
  return std::string(rig.radio.state().menu[no], static_cast<std::size_t>(width));
}

// The radio's value of menu item `no`.
int simItem(const Rig& rig, int no) {
  std::int32_t v = -999;
  hrx::sim::decodeMenuValue(no, rig.radio.state().menu[no], &v);
  return v;
}

bool linkBack(Rig& rig) { return rig.station().state.get_AI_Stat() == 1 && rig.station().port.IsOpen(); }

CMenuListDlg* openList(Rig& rig) {
  rig.click({470, 105});   // MENU
  CMenuListDlg* dlg = nullptr;
  (void)QTest::qWaitFor([&] { return (dlg = rig.w->findChild<CMenuListDlg*>()) != nullptr && dlg->isVisible(); }, 15000);
  return dlg != nullptr && dlg->isVisible() ? dlg : nullptr;
}

// Opens the editor of `row` with Enter and, for a chooser, takes entry
// `entry` with a double click.
bool chooseEntry(CMenuListDlg* dlg, int row, int entry) {
  dlg->list()->setCurrentRow(row);
  QTest::keyClick(dlg->list(), Qt::Key_Return);
  if (!QTest::qWaitFor([&] { return dlg->editor() != nullptr; }, 2000)) return false;
  auto* list = dlg->editor()->findChild<QListWidget*>(QStringLiteral("list1019"));
  if (list == nullptr) return false;
  const QPoint at = list->visualItemRect(list->item(entry)).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
  return QTest::qWaitFor([&] { return dlg->editor() == nullptr; }, 2000);
}

}  // namespace

class StationGuiTest : public QObject {
  Q_OBJECT

  TakenPort taken_;
  Rig rig_;
  QString settings_;

 private Q_SLOTS:
  // The start draws the panel from the stored state and sends only the
  // port's "AI0;"; COM starts the read-out, whose busy-message window stays
  // until the read-out's end closes it; then the lamp is lit.
  void initTestCase() {
    settings_ = rig_.dir.path() + QStringLiteral("/CommoFiles/CommSetting.csv");
    QVERIFY(rig_.radio.applyLocal("EX0064"));   // set on the radio before the program reads it
    QVERIFY(rig_.open([&](hrx::StationOptions& o) { o.share.port = taken_.port; }));
    QTRY_VERIFY_WITH_TIMEOUT(rig_.station().state.get_CommEnabled() != 0, 5000);
    QTRY_COMPARE(rig_.w->timerPeriod(8), 1000u);   // the composer's keep-alive
    QTRY_COMPARE(rig_.w->dispStartLog().size(), std::size_t{97});
    QTest::qWait(200);
    QCOMPARE(rig_.radio.commandLog(), std::vector<std::string>{"AI0;"});
    QVERIFY(rig_.lampDark());

    rig_.clickCom();
    QTRY_VERIFY_WITH_TIMEOUT(rig_.station().flags.busy.load() != 0, 10000);
    QCOMPARE(rig_.w->readOutsDone(), 0);
    bool seenOpen = false;
    QTimer::singleShot(200, rig_.w.get(), [&] {
      hrx::gui::BusyWindow* b = rig_.w->busyWindow();
      seenOpen = b != nullptr && b->isVisible() && rig_.station().flags.busyShown.load() == 1;
      if (b != nullptr) {
        // Enter and Escape do not end the wait.
        QTest::keyClick(b, Qt::Key_Escape);
        QTest::keyClick(b, Qt::Key_Return);
      }
    });
    QCOMPARE(rig_.w->runBusyWindow(), hrx::gui::BusyEnd::ReadOutEnded);
    QVERIFY(seenOpen);
    QCOMPARE(rig_.station().flags.busyShown.load(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(rig_.w->readOutsDone() >= 1, 60000);
    QTest::qWait(300);
    QCOMPARE(rig_.w->readOutsDone(), 1);   // one click, one read-out
    QVERIFY(rig_.w->busyWindow() == nullptr);
    QVERIFY(rig_.lampLit());
    QVERIFY(rig_.idle());
    // The VFO-B area shows the radio's 7.050.000: its 7 and 5.
    QTRY_VERIFY(rig_.shows(1843, 341, 127, kMagenta));
    QVERIFY(rig_.shows(1841, 367, 127, kMagenta));
    // HRX900_PANEL_PNG=FILE keeps a picture of the connected panel.
    if (const QString png = qEnvironmentVariable("HRX900_PANEL_PNG"); !png.isEmpty())
      QVERIFY(rig_.w->surfaceImage().save(png, "PNG"));
  }

  // Every item of every pop-up: its exact command, and the radio follows; a
  // dismissed pop-up sends nothing. (The keys' operations: gui.PanelControl.)
  void popupsWorkTheRadio() {
    struct PopupRow {
      QPoint key;
      const char* text;
      const char* command;
      Cell cell;
      int value;   // the radio's cell afterwards; -1: not compared
    };
    const PopupRow popups[] = {
        {{40, 100}, "TUNER ON", "AC001;", Cell::Ac, 1},      {{40, 100}, "TUNING", "AC002;", Cell::Ac, -1},
        {{40, 100}, "TUNER OFF", "AC000;", Cell::Ac, 0},     {{100, 65}, "ANT 1", "AN01;", Cell::AnMain, -1},
        {{100, 65}, "ANT 3", "AN03;", Cell::AnMain, -1},     {{100, 92}, "AMP1", "PA01;", Cell::PaMain, 1},
        {{100, 92}, "AMP2", "PA02;", Cell::PaMain, 2},       {{100, 92}, "IPO", "PA00;", Cell::PaMain, 0},
        {{100, 120}, "ATT OFF", "RA00;", Cell::RaMain, 0},   {{100, 120}, "6dB(1/2)", "RA01;", Cell::RaMain, 1},
        {{100, 120}, "12dB(1/4)", "RA02;", Cell::RaMain, 2}, {{100, 120}, "18dB(1/8)", "RA03;", Cell::RaMain, 3},
        {{100, 145}, "AUTO", "RF00;", Cell::RfMain, 0},      {{100, 145}, "300Hz", "RF05;", Cell::RfMain, 5},
        {{100, 145}, "600Hz", "RF04;", Cell::RfMain, 4},     {{100, 145}, "3KHz", "RF03;", Cell::RfMain, 3},
        {{100, 145}, "6KHz", "RF02;", Cell::RfMain, 2},      {{100, 145}, "15KHz", "RF01;", Cell::RfMain, 1},
        {{100, 170}, "NB ON", "NB01;", Cell::NbMain, 1},     {{100, 170}, "NBW ON", "NB02;", Cell::NbMain, 2},
        {{100, 170}, "NB OFF", "NB00;", Cell::NbMain, 0},    {{100, 198}, "AGC OFF", "GT00;", Cell::GtMain, 0},
        {{100, 198}, "AGC AUTO", "GT04;", Cell::GtMain, 4},  {{100, 198}, "AGC FAST", "GT01;", Cell::GtMain, 1},
        {{100, 198}, "AGC MID", "GT02;", Cell::GtMain, 2},   {{100, 198}, "AGC SLOW", "GT03;", Cell::GtMain, 3},
        {{600, 225}, "SPLIT", "FT0;", Cell::Ft, 0},          {{600, 225}, "QUICK SPLIT", "QS;", Cell::Ft, -1},
        {{878, 250}, "LSB", "MD01;", Cell::ModeMain, 1},     {{878, 250}, "LSB CW", "MD07;", Cell::ModeMain, 7},
        {{878, 250}, "USB CW", "MD03;", Cell::ModeMain, 3},  {{878, 250}, "LSB RTTY", "MD06;", Cell::ModeMain, 6},
        {{878, 250}, "USB RTTY", "MD09;", Cell::ModeMain, 9}, {{878, 250}, "LSB DATA", "MD08;", Cell::ModeMain, 8},
        {{878, 250}, "USB DATA", "MD0C;", Cell::ModeMain, 12}, {{878, 250}, "AM", "MD05;", Cell::ModeMain, 5},
        {{878, 250}, "FM", "MD04;", Cell::ModeMain, 4},      {{878, 250}, "USB", "MD02;", Cell::ModeMain, 2},
        {{878, 298}, "MHz", "SF1;", Cell::Sf, 1},            {{878, 298}, "uTUNE ON/OFF", "SF7;", Cell::Sf, 7},
        {{878, 298}, "OFF", "SF5;", Cell::Sf, 5},            {{1000, 298}, "MCH", "SF3;", Cell::Sf, 3},
        {{1000, 298}, "GRP", "SF2;", Cell::Sf, 2},           {{1000, 298}, "OFF", "SF5;", Cell::Sf, 5},
    };
    for (const PopupRow& r : popups) {
      rig_.radio.clearCommandLog();
      rig_.click(r.key);
      QTRY_VERIFY(rig_.w->popupMenu() != nullptr && rig_.w->popupMenu()->isVisible());
      QMenu* menu = rig_.w->popupMenu();
      const QList<QAction*> items = menu->actions();
      const auto item = std::find_if(items.begin(), items.end(), [&](QAction* a) { return a->text() == r.text; });
      QVERIFY2(item != items.end(), r.text);
      QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(*item).center());
      QTRY_VERIFY2_WITH_TIMEOUT(rig_.count(r.command) == 1, r.command, 3000);
      if (r.value >= 0) QTRY_COMPARE_WITH_TIMEOUT(rig_.radio.cell(r.cell), r.value, 3000);
      QVERIFY(rig_.idle());
      QCOMPARE(rig_.countPrefix(std::string(r.command, 2)), 1);
    }

    rig_.radio.clearCommandLog();
    rig_.click({100, 120});
    QTRY_VERIFY(rig_.w->popupMenu() != nullptr && rig_.w->popupMenu()->isVisible());
    QTest::keyClick(rig_.w->popupMenu(), Qt::Key_Escape);
    QTRY_VERIFY(!rig_.w->panel().busy());
    QTest::qWait(300);
    QCOMPARE(rig_.countPrefix("RA"), 0);
    QCOMPARE(rig_.radio.cell(Cell::RaMain), 3);
  }

  // 200 quick notches of the chosen 10 Hz digit end exactly 2 kHz up; the
  // frequencies waiting for the line are merged, the last one sent is the
  // final one; the chosen digit is shown until released.
  void quickDigitNotchesAreNotLost() {
    QVERIFY(rig_.station().request(82, false, 14200050));
    QTRY_COMPARE_WITH_TIMEOUT(rig_.station().state.get_VfoA_Freq(), 14200050, 3000);
    rig_.click({760, 60});   // the 10 Hz digit
    rig_.radio.clearCommandLog();
    for (int i = 0; i < 200; ++i) rig_.wheel({715, 203}, 120);
    QTRY_COMPARE_WITH_TIMEOUT(rig_.radio.cell(Cell::VfoA), 14202050, 10000);
    QVERIFY(rig_.countPrefix("FA") < 200);
    const std::vector<std::string> log = rig_.radio.commandLog();
    const auto lastFa = std::find_if(log.rbegin(), log.rend(), [](const std::string& c) { return c.starts_with("FA"); });
    QVERIFY(lastFa != log.rend());
    QCOMPARE(*lastFa, std::string("FA14202050;"));
    QVERIFY(!rig_.showsFrequency(14202050));
    rig_.click({760, 60});
    QTRY_VERIFY_WITH_TIMEOUT(rig_.showsFrequency(14202050), 3000);
  }

  // The list shows what the radio holds; two edits and one OK make one menu
  // write and the line is remembered; CANCEL sends nothing; CAT RATE through
  // the list and the Baud rate window moves the radio first, then the port,
  // and the link comes back; COM Select of a port with no device changes
  // nothing.
  void menuListAndPortWindows() {
    CMenuListDlg* dlg = openList(rig_);
    QVERIFY(dlg != nullptr);
    QCOMPARE(dlg->list()->count(), 196);
    QVERIFY(dlg->list()->item(5)->text().startsWith(QStringLiteral("006  MY CALL TIME")));
    QVERIFY(dlg->list()->item(5)->text().endsWith(QStringLiteral(" 4sec")));
    QVERIFY(chooseEntry(dlg, 5, 2));
    dlg->list()->setCurrentRow(4);
    QTest::keyClick(dlg->list(), Qt::Key_Return);
    QTRY_VERIFY(dlg->editor() != nullptr);
    auto* text = dynamic_cast<CMenuListTextDlg*>(dlg->editor());
    QVERIFY(text != nullptr);
    text->edit()->setText(QStringLiteral("JA1XYZ"));
    click(text, "ok");
    QTRY_VERIFY(dlg->editor() == nullptr);
    rig_.radio.clearCommandLog();
    click(dlg, "ok");
    QTRY_VERIFY_WITH_TIMEOUT(!rig_.w->panel().menuOpen(), 5000);
    QCOMPARE(menuWrites(rig_), QStringList({QStringLiteral("EX005JA1XYZ      ;"), QStringLiteral("EX0062;")}));
    QCOMPARE(simMenu(rig_, 5, 12), std::string("JA1XYZ      "));

    dlg = openList(rig_);
    QVERIFY(dlg != nullptr);
    QCOMPARE(dlg->list()->currentRow(), 4);
    QVERIFY(chooseEntry(dlg, 5, 5));
    rig_.radio.clearCommandLog();
    click(dlg, "cancel");
    QTRY_VERIFY(!rig_.w->panel().menuOpen());
    QTest::qWait(300);
    QCOMPARE(menuWrites(rig_), QStringList());

    // 9600 through the list: the waits of a rate change run on the window's
    // timers. 19200 through the Baud rate window: the CAT RATE item's number
    // goes on the wire, not ANT3 SETTING's. 19200 again: only the file.
    const std::string ant3 = simMenu(rig_, 32, 1);
    const std::tuple<int, const char*, int> rates[] = {{1, "EX0381;", 9600}, {2, "EX0382;", 19200}, {2, nullptr, 19200}};
    for (const auto& [entry, write, bps] : rates) {
      QPointer<QDialog> window;
      int ticksWhileApplying = 0;
      QTimer probe;
      if (write != nullptr && bps == 9600) {
        dlg = openList(rig_);
        QVERIFY(dlg != nullptr && chooseEntry(dlg, 37, entry));
        QObject::connect(&probe, &QTimer::timeout, [&] { ticksWhileApplying += dlg->applying() ? 1 : 0; });
        probe.start(10);
        rig_.radio.clearCommandLog();
        click(dlg, "ok");
        QVERIFY(dlg->applying());
        QTRY_VERIFY_WITH_TIMEOUT(!rig_.w->panel().menuOpen(), 8000);
        QVERIFY2(ticksWhileApplying > 10, qPrintable(QString::number(ticksWhileApplying)));
      } else {
        if (write == nullptr) QVERIFY(QFile::remove(settings_));
        rig_.w->onCommand(hrx::gui::kCmdBaudRate);
        CBardRateSettingDlg* baud = nullptr;
        QTRY_VERIFY((baud = rig_.w->findChild<CBardRateSettingDlg*>()) != nullptr && baud->isVisible());
        QCOMPARE(baud->list()->count(), 4);
        QCOMPARE(baud->list()->currentItem()->text(), QString::number(write != nullptr ? 9600 : 19200));
        clickRow(baud->list(), entry);
        rig_.radio.clearCommandLog();
        window = baud;
        click(baud, "ok");
        QTRY_VERIFY_WITH_TIMEOUT(window.isNull(), 8000);
      }
      if (write != nullptr) QVERIFY2(menuWrites(rig_).contains(QString::fromLatin1(write)), write);
      else QCOMPARE(menuWrites(rig_), QStringList());
      QCOMPARE(simMenu(rig_, 32, 1), ant3);
      QCOMPARE(rig_.station().port.GetBaudRate(), bps);
      QCOMPARE(readAll(settings_), QStringLiteral("1,%1,0\n").arg(bps));
      QTRY_VERIFY_WITH_TIMEOUT(linkBack(rig_), 10000);
    }

    const QString map = rig_.dir.path() + QStringLiteral("/ports.txt");
    std::ofstream(map.toStdString()) << "COM7=" << rig_.dir.path().toStdString() << "/no-such-device\n";
    rig_.station().port.SetDevicePath("");
    QVERIFY(rig_.station().port.LoadPortMap(map.toStdString()));
    rig_.w->onCommand(hrx::gui::kCmdComSelect);
    CComSelectDlg* com = nullptr;
    QTRY_VERIFY((com = rig_.w->findChild<CComSelectDlg*>()) != nullptr && com->isVisible());
    QCOMPARE(com->list()->count(), 20);
    clickRow(com->list(), 6);
    click(com, "ok");
    QTRY_VERIFY(shownBox(com) != nullptr);
    QCOMPARE(shownBox(com)->text(), QStringLiteral("Failed to open the port."));
    shownBox(com)->accept();
    QCOMPARE(rig_.station().port.GetPortNumber(), 1);
    QVERIFY(rig_.station().port.IsOpen());
    click(com, "cancel");
    rig_.station().port.clearPortMap();
    rig_.station().port.SetDevicePath(rig_.pty.slavePath());
  }

  // A step is written as an EX command and the window follows the radio's
  // reply; CANCEL and FILE LOAD bring the radio to the baseline. (The
  // commands of each step: tests/equaliser.)
  void equaliserOnline() {
    rig_.w->onCommand(hrx::gui::kCmdPrmtrc);
    CPrmtrcDlg* d = hrx::gui::openEqualiser(*rig_.w);
    QVERIFY(d != nullptr);
    QVERIFY(d->editor().online());
    QCOMPARE(d->valueField(1)->text(), QStringLiteral("5 dB"));
    rig_.radio.clearCommandLog();
    QTRY_VERIFY_WITH_TIMEOUT(rig_.log().contains("EX167;") && rig_.log().contains("EX159;"), 3000);   // the poll
    // LEVEL up: the field changes only when the radio's reply has come back.
    rig_.radio.clearCommandLog();
    QTest::mousePress(d->button(10), Qt::LeftButton);
    QCOMPARE(d->valueField(1)->text(), QStringLiteral("5 dB"));
    QTest::mouseRelease(d->button(10), Qt::LeftButton);
    QTRY_COMPARE(d->valueField(1)->text(), QStringLiteral("6 dB"));
    QCOMPARE(simItem(rig_, 160), 6);
    // The radio's report may come back before the read that follows the
    // write has crossed the line.
    QTRY_VERIFY2(rig_.log().indexOf(QStringLiteral("EX160;"), rig_.log().indexOf(QStringLiteral("EX160+06;"))) > 0,
                 qPrintable(rig_.log().join(' ')));
    QTest::mouseClick(d->button(22), Qt::LeftButton);   // CANCEL
    QTRY_COMPARE_WITH_TIMEOUT(simItem(rig_, 160), 5, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!d->editor().cancelBusy(), 3000);
    QTRY_COMPARE(d->valueField(1)->text(), QStringLiteral("5 dB"));

    // FILE LOAD online: the radio takes the file's values and the baseline
    // stays the file's.
    const QString path = rig_.dir.filePath(QStringLiteral("eq.pef"));
    std::ofstream(path.toStdString()) << "300,-5,4\n0,0,10\n2100,2,1\n";
    d->loadFrom(path);
    const hrx::eq::EqValues file = {3, -5, 4, 0, 0, 10, 7, 2, 1};
    QTRY_VERIFY_WITH_TIMEOUT(d->editor().values() == file, 5000);
    QCOMPARE(d->editor().baselineValues(), file);
    // A second of keep-alive: the editor never switches the link off.
    rig_.radio.clearCommandLog();
    QTest::qWait(1200);
    QVERIFY(!rig_.log().contains("AI0;"));
    QCOMPARE(rig_.station().state.get_AI_Stat(), 1);
    for (int p = 0; p < 9; ++p) QCOMPARE(simItem(rig_, 159 + p), d->editor().value(p));
    QPointer<CPrmtrcDlg> gone(d);
    QTest::mouseClick(d->button(24), Qt::LeftButton);   // EXIT
    QTRY_VERIFY(gone.isNull());
  }

  // Option > Share: a taken port is told in the window and nothing is
  // remembered; once free, another program's frequency reaches the panel.
  void shareMenu() {
    QAction* share = rig_.w->commandAction(kCmdShare);
    QVERIFY(share != nullptr && share->isEnabled() && share->isCheckable() && !share->isChecked());
    const QString setting = rig_.dir.path() + QStringLiteral("/CommoFiles/ShareSetting.txt");
    share->trigger();
    QMessageBox* box = rig_.w->findChild<QMessageBox*>(QStringLiteral("shareError"));
    QVERIFY(box != nullptr);
    QTRY_VERIFY(box->isVisible());
    QCOMPARE(box->text(), QStringLiteral("The radio cannot be shared: cannot listen on 127.0.0.1:%1: the port is "
                                         "already in use.")
                              .arg(taken_.port));
    QVERIFY(!share->isChecked());
    QVERIFY(!rig_.core->sharing());
    QVERIFY(!QFile::exists(setting));
    box->close();

    taken_.release();
    share->trigger();
    QVERIFY(rig_.core->sharing() && share->isChecked());
    QCOMPARE(readAll(setting), QStringLiteral("1\n"));
    hrx::test::LineClient client(taken_.port);
    std::string answer;
    QVERIFY(client.ask("F 14074000", 1, &answer));
    QCOMPARE(QString::fromStdString(answer), QStringLiteral("RPRT 0\n"));
    QTRY_VERIFY(rig_.showsFrequency(14074000));
    share->trigger();
    QVERIFY(!rig_.core->sharing() && !share->isChecked());
    QCOMPARE(readAll(setting), QStringLiteral("0\n"));
    QVERIFY(client.closedByPeer());
  }

  // A suspend closes the port; the next command opens it again.
  void suspendClosesThePort() {
    QVERIFY(rig_.station().port.IsOpen());
    QVERIFY(rig_.w->onPowerEvent(4));
    QVERIFY(!rig_.station().port.IsOpen());
    QVERIFY(rig_.station().request(82, false, 21074000));
    QTRY_VERIFY_WITH_TIMEOUT(rig_.station().port.IsOpen(), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(rig_.radio.cell(Cell::VfoA), 21074000, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(linkBack(rig_), 5000);
  }

  // The keep-alive keeps the lamp lit while replies flow; a radio that
  // stops answering with a command outstanding turns it off within the
  // watchdog's 3 to 6 s.
  void watchdogTurnsTheLampOffOnlyWhenTheRadioFallsSilent() {
    QTRY_VERIFY_WITH_TIMEOUT(rig_.lampLit(), 3000);
    const std::uint64_t repliesBefore = rig_.station().repliesDelivered();
    QElapsedTimer t;
    t.start();
    QElapsedTimer sinceReply;
    sinceReply.start();
    std::uint64_t seen = repliesBefore;
    while (t.elapsed() < 4500) {   // longer than the watchdog's period
      QTest::qWait(10);
      if (rig_.station().repliesDelivered() != seen) {
        seen = rig_.station().repliesDelivered();
        sinceReply.restart();
      }
      QVERIFY2(rig_.lampLit(), "the lamp went off while the radio answered");
      QCOMPARE(rig_.station().state.get_AI_Stat(), 1);
    }
    QVERIFY(rig_.station().repliesDelivered() > repliesBefore);

    hrx::sim::FaultConfig silent;
    silent.silent = true;
    rig_.radio.setFaults(silent);
    // Replies already on their way may still arrive; the lamp may go off
    // only once 3 s have passed since the last of them.
    t.restart();
    std::uint64_t replies = rig_.station().repliesDelivered();
    qint64 lastReplyAt = replies == seen ? -sinceReply.elapsed() : 0;
    while (!rig_.lampDark() && t.elapsed() < 10000) {
      QTest::qWait(10);
      if (rig_.station().repliesDelivered() != replies) {
        replies = rig_.station().repliesDelivered();
        lastReplyAt = t.elapsed();
      }
    }
    QVERIFY2(rig_.lampDark(), "the watchdog never fired");
    const qint64 quiet = t.elapsed() - lastReplyAt;
    QVERIFY2(quiet >= 2950, qPrintable(QString::number(quiet)));
    QCOMPARE(rig_.station().state.get_AI_Stat(), 0);
    // One time-out per silent period: the unanswered command is given up.
    QTRY_COMPARE_WITH_TIMEOUT(rig_.station().state.get_AwaitingReply(), 0, 4000);
    rig_.radio.setFaults({});
  }

  // The shutdown leaves the port closed, the settings written and every
  // thread stopped.
  void shutdownStopsEverything() {
    QFile::remove(settings_);
    QVERIFY(rig_.station().anyThreadRunning());
    rig_.w->close();
    QCOMPARE(rig_.w->shutdownCount(), 1);
    QVERIFY(!rig_.station().port.IsOpen());
    QVERIFY(!rig_.station().running());
    QVERIFY(!rig_.station().anyThreadRunning());
    QVERIFY(!readAll(settings_).isEmpty() && readAll(settings_) != QStringLiteral("(none)"));
  }

  // Sharing remembered on: the next start shares at once, unconnected.
  void rememberedShareSettingSharesAtStart() {
    Rig rig;
    QVERIFY(QDir(rig.dir.path()).mkpath(QStringLiteral("CommoFiles")));
    std::ofstream((rig.dir.path() + QStringLiteral("/CommoFiles/ShareSetting.txt")).toStdString()) << "1\n";
    QVERIFY(rig.open([](hrx::StationOptions& o) { o.share.port = 0; }));
    QTRY_VERIFY(rig.core->sharing());
    QTRY_VERIFY(rig.w->commandAction(kCmdShare)->isChecked());
    rig.w->close();
    QVERIFY(!rig.core->sharing());
  }
};

static const hrx::test::GuiSuite kSuite("StationGui", hrx::test::runSuite<StationGuiTest>);

#include "StationGuiTest.moc"
