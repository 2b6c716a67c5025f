// The menu list and the port windows over the real core and the simulated
// radio on a pseudo-terminal: what the list shows after the read-out, one
// menu write for two edits, CANCEL sending nothing, the text item, CAT RATE
// through the list and through the Baud rate window (port, settings file,
// the link coming back), and COM Select of a port that cannot be opened.
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "GuiSuites.h"
#include "StationRig.h"
#include "app/gui/MenuListWindow.h"
#include "app/gui/PortWindows.h"

using hrx::gui::CBardRateSettingDlg;
using hrx::gui::CComSelectDlg;
using hrx::gui::CMenuListDlg;
using hrx::gui::CMenuListTextDlg;
using Rig = hrx::test::StationRig;

namespace {

void click(QWidget* parent, const char* name) {
  auto* b = parent->findChild<QPushButton*>(QString::fromUtf8(name));
  QVERIFY(b != nullptr);
  QTest::mouseClick(b, Qt::LeftButton);
}

void clickRow(QListWidget* list, int row) {
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

QMessageBox* shownBox(QWidget* parent) {
  for (QMessageBox* b : parent->findChildren<QMessageBox*>())
    if (b->isVisible()) return b;
  return nullptr;
}

// The menu settings the radio was sent (reads are "EXnnn;").
QStringList menuWrites(const hrx::sim::SimRadio& radio) {
  QStringList out;
  for (const std::string& c : radio.commandLog())
    if (c.rfind("EX", 0) == 0 && c.size() > 6) out << QString::fromStdString(c);
  return out;
}

std::string simMenu(const hrx::sim::SimRadio& radio, int no, int width) {
  return std::string(radio.state().menu[no], static_cast<std::size_t>(width));
}

QByteArray settingsFile(const Rig& rig) {
  QFile f(rig.dir.path() + QStringLiteral("/CommoFiles/CommSetting.csv"));
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool linkBack(Rig& rig) { return rig.station().state.get_AI_Stat() == 1 && rig.station().port.IsOpen(); }

// What a failed wait for the link saw, with the radio's last commands.
QString linkState(Rig& rig) {
  QStringList last;
  for (const std::string& c : rig.radio.commandLog()) last << QString::fromStdString(c);
  while (last.size() > 12) last.removeFirst();
  return QStringLiteral("AI %1, mirror AI %2, port %3; last commands: %4")
      .arg(rig.station().state.get_AI_Stat())
      .arg(rig.station().mirror.get_AI_Stat())
      .arg(rig.station().port.IsOpen() ? "open" : "closed")
      .arg(last.join(QLatin1Char(' ')));
}

CMenuListDlg* openList(Rig& rig) {
  rig.clickMenuKey();
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

class MenuListStationTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void menuListAndPortWindowsOverTheRealCore() {
    Rig rig;
    // Set on the radio itself before the program reads it.
    QVERIFY(rig.radio.applyLocal("EX0064"));
    QVERIFY(rig.open());
    QVERIFY(rig.connectAndReadOut());

    // The list shows what the radio holds.
    CMenuListDlg* dlg = openList(rig);
    QVERIFY(dlg != nullptr);
    QCOMPARE(dlg->list()->count(), 196);
    QVERIFY(dlg->list()->item(5)->text().startsWith(QStringLiteral("006  MY CALL TIME")));
    QVERIFY(dlg->list()->item(5)->text().endsWith(QStringLiteral(" 4sec")));
    QVERIFY(dlg->list()->item(37)->text().endsWith(QStringLiteral(" 4800bps")));

    // Two edits, one OK: both items in one menu write.
    QVERIFY(chooseEntry(dlg, 5, 2));
    QVERIFY(dlg->list()->item(5)->text().endsWith(QStringLiteral(" 2sec")));
    dlg->list()->setCurrentRow(4);
    QTest::keyClick(dlg->list(), Qt::Key_Return);
    QTRY_VERIFY(dlg->editor() != nullptr);
    auto* text = dynamic_cast<CMenuListTextDlg*>(dlg->editor());
    QVERIFY(text != nullptr);
    text->edit()->clear();
    QTest::keyClicks(text->edit(), QStringLiteral("JA1;XYZ"));
    click(text, "ok");
    QTRY_VERIFY(shownBox(text) != nullptr);
    QCOMPARE(shownBox(text)->text(), QStringLiteral("Invaliid input text."));
    shownBox(text)->accept();
    text->edit()->clear();
    QTest::keyClicks(text->edit(), QStringLiteral("JA1XYZ"));
    click(text, "ok");
    QTRY_VERIFY(dlg->editor() == nullptr);
    rig.radio.clearCommandLog();
    click(dlg, "ok");
    QTRY_VERIFY_WITH_TIMEOUT(!rig.w->panel().menuOpen(), 5000);
    QCOMPARE(menuWrites(rig.radio), QStringList({QStringLiteral("EX005JA1XYZ      ;"), QStringLiteral("EX0062;")}));
    QCOMPARE(simMenu(rig.radio, 5, 12), std::string("JA1XYZ      "));
    QCOMPARE(simMenu(rig.radio, 6, 1), std::string("2"));

    // CANCEL drops the edit and sends nothing; the line is remembered.
    dlg = openList(rig);
    QVERIFY(dlg != nullptr);
    QCOMPARE(dlg->list()->currentRow(), 4);
    QVERIFY(dlg->list()->item(4)->text().contains(QStringLiteral("JA1XYZ")));
    QVERIFY(chooseEntry(dlg, 5, 5));
    rig.radio.clearCommandLog();
    click(dlg, "cancel");
    QTRY_VERIFY(!rig.w->panel().menuOpen());
    QTest::qWait(300);
    QCOMPARE(menuWrites(rig.radio), QStringList());
    hrx::MenuListItem item;
    QVERIFY(rig.station().state.get_MenuItem(6, &item));
    QCOMPARE(item.value, 2.0);

    // CAT RATE 9600 through the list: the radio first, then the port; the
    // waits run on the window's timers, so the window keeps working.
    dlg = openList(rig);
    QVERIFY(dlg != nullptr);
    QVERIFY(chooseEntry(dlg, 37, 1));
    int ticksWhileApplying = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] { ticksWhileApplying += dlg->applying() ? 1 : 0; });
    probe.start(10);
    rig.radio.clearCommandLog();
    click(dlg, "ok");
    QVERIFY(dlg->applying());
    QVERIFY(rig.w->panel().menuOpen());
    QTRY_VERIFY_WITH_TIMEOUT(!rig.w->panel().menuOpen(), 8000);
    probe.stop();
    QVERIFY2(ticksWhileApplying > 10, qPrintable(QString::number(ticksWhileApplying)));
    QCOMPARE(simMenu(rig.radio, 38, 1), std::string("1"));
    QCOMPARE(rig.station().port.GetBaudRate(), 9600);
    QCOMPARE(settingsFile(rig), QByteArray("1,9600,0\n"));
    QVERIFY(menuWrites(rig.radio).contains(QStringLiteral("EX0381;")));
    QTRY_VERIFY2_WITH_TIMEOUT(linkBack(rig), qPrintable(linkState(rig)), 10000);

    // Baud rate 19200: the CAT RATE item's number goes on the wire, not
    // ANT3 SETTING's.
    const std::string ant3 = simMenu(rig.radio, 32, 1);
    rig.w->onCommand(hrx::gui::kCmdBaudRate);
    CBardRateSettingDlg* baud = nullptr;
    QTRY_VERIFY((baud = rig.w->findChild<CBardRateSettingDlg*>()) != nullptr && baud->isVisible());
    QCOMPARE(baud->windowTitle(), QStringLiteral("Baud rate"));
    QCOMPARE(baud->list()->count(), 4);
    QCOMPARE(baud->list()->currentItem()->text(), QStringLiteral("9600"));
    clickRow(baud->list(), 2);
    rig.radio.clearCommandLog();
    QPointer<CBardRateSettingDlg> baudGuard(baud);
    click(baud, "ok");
    QTRY_VERIFY_WITH_TIMEOUT(baudGuard.isNull(), 8000);
    QVERIFY(menuWrites(rig.radio).contains(QStringLiteral("EX0382;")));
    for (const QString& c : menuWrites(rig.radio)) QVERIFY2(!c.startsWith(QStringLiteral("EX032")), qPrintable(c));
    QCOMPARE(simMenu(rig.radio, 38, 1), std::string("2"));
    QCOMPARE(simMenu(rig.radio, 32, 1), ant3);
    QCOMPARE(rig.station().port.GetBaudRate(), 19200);
    QCOMPARE(settingsFile(rig), QByteArray("1,19200,0\n"));
    QTRY_VERIFY2_WITH_TIMEOUT(linkBack(rig), qPrintable(linkState(rig)), 10000);

    // The rate already set, chosen again: only the file is written.
    QVERIFY(QFile::remove(rig.dir.path() + QStringLiteral("/CommoFiles/CommSetting.csv")));
    rig.w->onCommand(hrx::gui::kCmdBaudRate);
    QTRY_VERIFY((baud = rig.w->findChild<CBardRateSettingDlg*>()) != nullptr && baud->isVisible());
    QCOMPARE(baud->list()->currentItem()->text(), QStringLiteral("19200"));
    clickRow(baud->list(), 2);
    rig.radio.clearCommandLog();
    baudGuard = baud;
    click(baud, "ok");
    QTRY_VERIFY(baudGuard.isNull());
    QCOMPARE(settingsFile(rig), QByteArray("1,19200,0\n"));
    QCOMPARE(menuWrites(rig.radio), QStringList());
    QVERIFY(rig.station().port.IsOpen());

    // COM Select of a port with no device behind it changes nothing.
    const QString map = rig.dir.path() + QStringLiteral("/ports.txt");
    {
      QFile f(map);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(QStringLiteral("COM7=%1/no-such-device\n").arg(rig.dir.path()).toUtf8());
    }
    rig.station().port.SetDevicePath("");
    QVERIFY(rig.station().port.LoadPortMap(map.toStdString()));
    rig.w->onCommand(hrx::gui::kCmdComSelect);
    CComSelectDlg* com = nullptr;
    QTRY_VERIFY((com = rig.w->findChild<CComSelectDlg*>()) != nullptr && com->isVisible());
    QCOMPARE(com->list()->count(), 20);
    QCOMPARE(com->list()->currentItem()->text(), QStringLiteral("COM1"));
    clickRow(com->list(), 6);
    click(com, "ok");
    QTRY_VERIFY(shownBox(com) != nullptr);
    QCOMPARE(shownBox(com)->text(), QStringLiteral("Failed to open the port."));
    shownBox(com)->accept();
    QVERIFY(com->isVisible());
    QCOMPARE(rig.station().port.GetPortNumber(), 1);
    QVERIFY(rig.station().port.IsOpen());
    QCOMPARE(settingsFile(rig), QByteArray("1,19200,0\n"));
    click(com, "cancel");
    rig.station().port.clearPortMap();
    rig.station().port.SetDevicePath(rig.pty.slavePath());
  }
};

int runMenuListStationTests(int argc, char** argv) {
  MenuListStationTest t;
  return QTest::qExec(&t, argc, argv);
}
static const hrx::test::GuiSuite kSuite("MenuListStation", runMenuListStationTests);

#include "MenuListStationTest.moc"
