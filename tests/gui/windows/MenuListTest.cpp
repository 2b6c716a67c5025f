// The menu list windows through their widgets over a stand-in core: the
// MENU key's way to the list, the remembered line, the greyed main menu,
// the keys the list keeps, the chooser's marks and choice, the text entry's
// refusals, and the notice for a menu report while the list is open.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include "GuiRig.h"
#include "GuiSuites.h"
#include "WidgetSteps.h"
#include "analysis/AnalyserMessages.h"
#include "app/gui/KeyCommandFilter.h"
#include "app/gui/windows/CPrmtrcDlg.h"
#include "app/gui/windows/MenuListWindow.h"
#include "app/gui/windows/PortWindows.h"
#include "app/gui/QtMainWindow.h"
#include "menulist/MenuCatalogue.h"

using hrx::gui::CMenuListDlg;
using hrx::gui::CMenuListSettingDlg;
using hrx::gui::CMenuListTextDlg;
using hrx::gui::QtMainWindow;

namespace {

using hrx::test::click;
using hrx::test::shownBox;

hrx::MenuListItem record(int no) { return hrx::makeMenuRecord(hrx::kMenuRows[no - 1]); }

int redPixels(QListWidget* list, int row) {
  const QImage img = list->viewport()->grab().toImage();
  const QRect r = list->visualItemRect(list->item(row));
  int n = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) {
      const QColor c = img.pixelColor(x * img.width() / list->viewport()->width(), y * img.height() / list->viewport()->height());
      if (c.red() > 200 && c.green() < 80 && c.blue() < 80) ++n;
    }
  return n;
}

}  // namespace

class MenuListTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // While the list is open every command but Exit is greyed, Left and
  // Right leave the line alone, and a menu report shows one notice at a
  // time with the list left as it is. (Its lines, the remembered line and
  // the writes: gui.StationGui.)
  void listGreysTheMenuAndTellsOfAMenuReport() {
    hrx::test::FakeCore core;
    QVERIFY(hrx::loadBuiltInCatalogue(core.st));
    QtMainWindow w;
    w.setCore(&core);
    w.show();
    QTest::mouseClick(w.panelWidget(), Qt::LeftButton, {}, QPoint(470, 105));
    CMenuListDlg* dlg = nullptr;
    QTRY_VERIFY((dlg = w.findChild<CMenuListDlg*>()) != nullptr && dlg->isVisible());
    QVERIFY(w.panel().menuOpen());
    QCOMPARE(dlg->windowTitle(), QStringLiteral("MENU LIST"));
    QVERIFY(dlg->list()->font().fixedPitch());
    QVERIFY(w.commandAction(32779)->isEnabled());
    for (int id = 32780; id <= 32789; ++id) QVERIFY2(!w.commandAction(id)->isEnabled(), qPrintable(QString::number(id)));
    QListWidget* list = dlg->list();
    list->setCurrentRow(3);
    for (Qt::Key k : {Qt::Key_Left, Qt::Key_Right}) QTest::keyClick(list, k);
    QCOMPARE(list->currentRow(), 3);

    const QString before = list->item(5)->text();
    for (int round = 0; round < 2; ++round) {
      w.postMessage(hrx::WM_ANL_EVT_EX, 0, 0);
      w.postMessage(hrx::WM_ANL_EVT_EX, 0, 0);
      QTRY_VERIFY(shownBox(dlg) != nullptr);
      QTest::qWait(50);
      int shown = 0;
      for (QMessageBox* b : dlg->findChildren<QMessageBox*>()) shown += b->isVisible() ? 1 : 0;
      QCOMPARE(shown, 1);
      QCOMPARE(shownBox(dlg)->text(), QStringLiteral("Update the menu setting.\nPlease close and open the menu window."));
      shownBox(dlg)->accept();
      QTRY_VERIFY(shownBox(dlg) == nullptr);
    }
    QCOMPARE(list->item(5)->text(), before);
    click(dlg, "cancel");
    QTRY_VERIFY(!w.panel().menuOpen());
    QVERIFY(w.commandAction(32781)->isEnabled() && w.commandAction(32787)->isEnabled());
    w.setCore(nullptr);
  }

  // Home, End, Page Up and Page Down are keyboard commands of the main
  // window: taken there, they leave the list's line where it is.
  void keyCommandsLeaveTheLineAlone() {
    hrx::test::FakeCore core;
    QVERIFY(hrx::loadBuiltInCatalogue(core.st));
    QtMainWindow w;
    w.setCore(&core);
    w.show();
    w.part<hrx::gui::KeyCommandFilter>();
    QTest::mouseClick(w.panelWidget(), Qt::LeftButton, {}, QPoint(470, 105));
    CMenuListDlg* dlg = nullptr;
    QTRY_VERIFY((dlg = w.findChild<CMenuListDlg*>()) != nullptr && dlg->isVisible());
    for (Qt::Key k : {Qt::Key_Home, Qt::Key_End, Qt::Key_PageUp, Qt::Key_PageDown}) {
      dlg->list()->setCurrentRow(5);
      QTest::keyClick(dlg->list(), k);
      QCOMPARE(dlg->list()->currentRow(), 5);
    }
    click(dlg, "cancel");
    w.setCore(nullptr);
  }

  // The menu list gives back only what no other window keeps greyed: the
  // equaliser keeps its two entries while it is open, before and after.
  // The panel is busy under the equaliser, so the list is opened by the
  // MENU key's message itself.
  void equaliserKeepsItsEntriesGreyedAfterTheList() {
    hrx::test::FakeCore core;
    QVERIFY(hrx::loadBuiltInCatalogue(core.st));
    QtMainWindow w;
    w.setCore(&core);
    w.show();
    w.onCommand(32787);
    QVERIFY(hrx::gui::openEqualiser(w) != nullptr);
    w.sendMessage(hrx::panel::kMsgMenuAction, 0, 0);
    CMenuListDlg* dlg = nullptr;
    QTRY_VERIFY((dlg = w.findChild<CMenuListDlg*>()) != nullptr && dlg->isVisible());
    click(dlg, "cancel");
    QTRY_VERIFY(!w.panel().menuOpen());
    QVERIFY(!w.commandAction(32787)->isEnabled() && !w.commandAction(32788)->isEnabled());
    QVERIFY(w.commandAction(32780)->isEnabled() && w.commandAction(32789)->isEnabled());
    // The other way round: the equaliser ends while the list is open.
    w.sendMessage(hrx::panel::kMsgMenuAction, 0, 0);
    QTRY_VERIFY(w.panel().menuOpen());
    hrx::gui::openEqualiser(w)->close();
    QTRY_VERIFY(hrx::gui::openEqualiser(w) == nullptr);
    for (int id = 32780; id <= 32789; ++id) QVERIFY2(!w.commandAction(id)->isEnabled(), qPrintable(QString::number(id)));
    click(dlg, "cancel");
    QTRY_VERIFY(!w.panel().menuOpen());
    QVERIFY(w.commandAction(32787)->isEnabled() && w.commandAction(32788)->isEnabled());
    w.setCore(nullptr);
  }

  // The current entry in red, nothing selected: OK with nothing chosen or
  // with the current entry, and CANCEL, change nothing; another entry,
  // clicked or double-clicked, is taken.
  void chooserMarksTheCurrentEntryAndTakesOnlyAChosenOne() {
    const std::pair<const char*, int> cases[] = {{"ok", -1}, {"ok", 0}, {"cancel", 2}, {"ok", 2}, {"double", 1}};
    for (const auto& [how, row] : cases) {
      hrx::MenuListItem item = record(38);
      CMenuListSettingDlg d(item, nullptr);
      d.show();
      QVERIFY(QTest::qWaitForWindowExposed(&d));
      QCOMPARE(d.findChild<QLabel*>(QStringLiteral("title1004"))->text(), QStringLiteral("038  CAT RATE  (bps)"));
      QListWidget* list = d.list();
      QCOMPARE(list->count(), 4);
      QCOMPARE(list->item(3)->text(), QStringLiteral(" 38400"));
      QVERIFY(list->selectedItems().isEmpty());
      QVERIFY(redPixels(list, 0) > 0);
      QCOMPARE(redPixels(list, 1), 0);
      const QPoint at = row >= 0 ? list->visualItemRect(list->item(row)).center() : QPoint();
      if (row >= 0) QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);   // a double click starts so too
      if (std::string(how) == "double") QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
      else click(&d, how);
      QTRY_VERIFY(!d.isVisible());
      const bool taken = row > 0 && std::string(how) != "cancel";
      QCOMPARE(d.result(), int(std::string(how) == "cancel" ? QDialog::Rejected : QDialog::Accepted));
      QCOMPARE(int(item.changed), taken ? 1 : 0);
      if (taken) QCOMPARE(item.new_value, double(row));   // 19200 is 2, 9600 is 1
    }
  }

  // The auto-information wait of a port change: the call returns at once
  // (the checks are timer ticks), an AI report ends it once the mirror the
  // switch reads says off, and after 29 checks it gives up with the link on.
  void aiOffWaitRunsOnTimerStepsAndGivesUp() {
    hrx::test::FakeCore core;
    QtMainWindow w;
    w.setCore(&core);
    hrx::gui::PortChanger& changer = w.part<hrx::gui::PortPart>().changer;
    using Requests = std::vector<hrx::test::Request>;
    const Requests switchOff{{1, false, 0}};
    auto ai = [&](int store, int mirror) {
      core.st.set_AI_Stat(store);
      core.mirrorCopy.set_AI_Stat(mirror);
    };
    auto report = [&] { w.handleMessage(hrx::Msg{hrx::WM_ANL_EVT_AI, 0, 0}); };
    int calls = 0;
    auto done = [&](bool off) { calls += off ? 1 : 100; };

    ai(0, 0);
    changer.switchOffAndClose(done);
    QCOMPARE(calls, 1);
    QVERIFY(core.requests.empty());
    ai(1, 1);
    changer.switchOffAndClose(done);
    QCOMPARE(core.requests, switchOff);
    ai(0, 1);
    report();
    QCOMPARE(calls, 1);
    ai(0, 0);
    report();
    QCOMPARE(calls, 2);

    core.requests.clear();
    ai(1, 1);
    QElapsedTimer t;
    t.start();
    bool ended = false;
    changer.Cat_Rate_Change(2, true, [&] { ended = true; });
    QVERIFY(!ended);
    QTRY_VERIFY_WITH_TIMEOUT(ended, 6000);
    QVERIFY2(t.elapsed() >= 2800, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(core.requests, switchOff);   // switching again would turn it off

    // Without auto-information at opening the port is opened directly;
    // with it, the connection is switched on again.
    core.requests.clear();
    ai(0, 0);
    for (bool on : {false, true}) {
      ended = false;
      changer.Cat_Rate_Change(on ? 3 : 1, on, [&] { ended = true; });
      QVERIFY(ended);
      QCOMPARE(core.requests, on ? switchOff : Requests{});
    }
    w.setCore(nullptr);
  }

  // MY CALL goes out inside an EX command: only printable ASCII, and no ';'
  // (it would end the command early and send the rest as another one).
  void textEntryTakesPrintableAsciiOnly() {
    struct Case {
      QString text;
      bool typed, refused, closes;
    };
    const Case cases[] = {
        {QStringLiteral("JA1;XYZ"), true, true, false},   {QString::fromUtf8("JA1\xC3\x84"), false, true, false},
        {QStringLiteral("JA1\tX"), false, true, false},   {QString(), false, false, false},
        {QStringLiteral("JA1 XYZ/P"), true, false, true}, {QStringLiteral("MARVO"), true, false, true},
    };
    for (const Case& c : cases) {
      hrx::MenuListItem item = record(5);
      CMenuListTextDlg d(item, nullptr);
      d.show();
      QVERIFY(QTest::qWaitForWindowExposed(&d));
      QCOMPARE(d.findChild<QLabel*>(QStringLiteral("title1004"))->text(), QStringLiteral("005  MY CALL"));
      QCOMPARE(d.edit()->text(), QStringLiteral("MARVO"));
      QCOMPARE(d.edit()->maxLength(), 12);
      d.edit()->clear();
      if (c.typed) QTest::keyClicks(d.edit(), c.text);
      else d.edit()->setText(c.text);
      click(&d, "ok");
      QTest::qWait(20);
      QMessageBox* box = shownBox(&d);
      QVERIFY2((box != nullptr) == c.refused, qPrintable(c.text));
      if (box != nullptr) {
        QCOMPARE(box->text(), QStringLiteral("Invaliid input text."));
        QCOMPARE(box->windowTitle(), QStringLiteral("RCP-900"));
        box->accept();
      }
      QCOMPARE(d.isVisible(), !c.closes);
      const bool changed = c.closes && c.text != QStringLiteral("MARVO");
      QCOMPARE(int(item.changed), changed ? 1 : 0);
      if (changed) QCOMPARE(QString::fromLatin1(item.new_text), c.text);
    }
  }
};

static const hrx::test::GuiSuite kSuite("MenuList", hrx::test::runSuite<MenuListTest>);

#include "MenuListTest.moc"
