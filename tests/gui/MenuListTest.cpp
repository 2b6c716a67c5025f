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
#include "analysis/AnalyserMessages.h"
#include "app/gui/MenuListWindow.h"
#include "app/gui/PortWindows.h"
#include "app/gui/QtMainWindow.h"
#include "menulist/MenuCatalogue.h"

using hrx::gui::CMenuListDlg;
using hrx::gui::CMenuListSettingDlg;
using hrx::gui::CMenuListTextDlg;
using hrx::gui::QtMainWindow;

namespace {

hrx::MenuListItem record(int no) { return hrx::makeMenuRecord(hrx::kMenuRows[no - 1]); }

void click(QWidget* parent, const char* name) {
  auto* b = parent->findChild<QPushButton*>(QString::fromUtf8(name));
  QVERIFY(b != nullptr);
  QTest::mouseClick(b, Qt::LeftButton);
}

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

QMessageBox* shownBox(QWidget* parent) {
  for (QMessageBox* b : parent->findChildren<QMessageBox*>())
    if (b->isVisible()) return b;
  return nullptr;
}

}  // namespace

class MenuListTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void menuKeyOpensTheListWhichKeepsItsLineAndGreysTheMenu() {
    hrx::test::FakeCore core;
    QVERIFY(hrx::loadBuiltInCatalogue(core.st));
    QtMainWindow w;
    w.setCore(&core);
    w.show();
    QVERIFY(w.commandAction(32781)->isEnabled());
    QTest::mouseClick(w.panelWidget(), Qt::LeftButton, {}, QPoint(470, 105));
    CMenuListDlg* dlg = nullptr;
    QTRY_VERIFY((dlg = w.findChild<CMenuListDlg*>()) != nullptr && dlg->isVisible());
    QVERIFY(w.panel().menuOpen());
    QCOMPARE(dlg->windowTitle(), QStringLiteral("MENU LIST"));
    QListWidget* list = dlg->list();
    QCOMPARE(list->count(), 196);
    QVERIFY(list->item(0)->text().startsWith(QStringLiteral("001")));
    QVERIFY(list->item(195)->text().startsWith(QStringLiteral("196")));
    QVERIFY(list->item(37)->text().startsWith(QStringLiteral("038  CAT RATE")));
    QVERIFY(list->item(37)->text().endsWith(QStringLiteral(" 4800bps")));
    QVERIFY(list->font().fixedPitch());
    // Every command but Exit is greyed while the list is open.
    QVERIFY(w.commandAction(32779)->isEnabled());
    for (int id = 32780; id <= 32789; ++id) QVERIFY2(!w.commandAction(id)->isEnabled(), qPrintable(QString::number(id)));

    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(3)).center());
    QCOMPARE(list->currentRow(), 3);
    QTest::keyClick(list, Qt::Key_Left);
    QTest::keyClick(list, Qt::Key_Right);
    QCOMPARE(list->currentRow(), 3);
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(list->currentRow(), 4);

    click(dlg, "cancel");
    QTRY_VERIFY(!w.panel().menuOpen());
    QVERIFY(!dlg->isVisible());
    QVERIFY(w.commandAction(32781)->isEnabled());
    QVERIFY(w.commandAction(32787)->isEnabled());

    // Opened again, the list selects the line it was left on.
    QTest::mouseClick(w.panelWidget(), Qt::LeftButton, {}, QPoint(470, 105));
    QTRY_VERIFY(dlg->isVisible());
    QCOMPARE(list->currentRow(), 4);
    QCOMPARE(list->count(), 196);

    // A menu report while the list is open: one notice at a time, the list
    // left as it is.
    const QString before = list->item(5)->text();
    w.postMessage(hrx::WM_ANL_EVT_EX, 0, 0);
    w.postMessage(hrx::WM_ANL_EVT_EX, 0, 0);
    QMessageBox* box = nullptr;
    QTRY_VERIFY((box = shownBox(dlg)) != nullptr);
    QTest::qWait(50);
    int shown = 0;
    for (QMessageBox* b : dlg->findChildren<QMessageBox*>()) shown += b->isVisible() ? 1 : 0;
    QCOMPARE(shown, 1);
    QCOMPARE(box->text(), QStringLiteral("Update the menu setting.\nPlease close and open the menu window."));
    QCOMPARE(list->item(5)->text(), before);
    box->accept();
    QTRY_VERIFY(shownBox(dlg) == nullptr);
    w.postMessage(hrx::WM_ANL_EVT_EX, 0, 0);
    QTRY_VERIFY(shownBox(dlg) != nullptr);
    shownBox(dlg)->accept();

    // Enter on a line opens its editor; its CANCEL leaves the line alone.
    list->setCurrentRow(37);
    QTest::keyClick(list, Qt::Key_Return);
    QTRY_VERIFY(dlg->editor() != nullptr);
    auto* chooser = dynamic_cast<CMenuListSettingDlg*>(dlg->editor());
    QVERIFY(chooser != nullptr);
    click(chooser, "cancel");
    QTRY_VERIFY(dlg->editor() == nullptr);
    QCOMPARE(dlg->copyOf(37).changed, 0);
    click(dlg, "cancel");
    QTRY_VERIFY(!w.panel().menuOpen());
    w.setCore(nullptr);
  }

  void chooserMarksTheCurrentEntryAndTakesOnlyAChosenOne() {
    struct Case {
      const char* how;   // "none", "click", "double"
      int row;
      int changed;
      double newValue;
    };
    const Case cases[] = {
        {"none", -1, 0, 0},     // OK with nothing selected changes nothing
        {"click", 0, 0, 0},     // the red (current) entry: no change
        {"click", 2, 1, 2},     // 19200
        {"double", 1, 1, 1},    // a double click is OK: 9600
    };
    for (const Case& c : cases) {
      hrx::MenuListItem item = record(38);
      CMenuListSettingDlg d(item, nullptr);
      d.show();
      QVERIFY(QTest::qWaitForWindowExposed(&d));
      auto* title = d.findChild<QLabel*>(QStringLiteral("title1004"));
      QCOMPARE(title->text(), QStringLiteral("038  CAT RATE  (bps)"));
      QListWidget* list = d.list();
      QCOMPARE(list->count(), 4);
      QCOMPARE(list->item(0)->text(), QStringLiteral(" 4800"));
      QCOMPARE(list->item(3)->text(), QStringLiteral(" 38400"));
      QVERIFY(list->selectedItems().isEmpty());
      QCOMPARE(d.cur(), 0);
      QVERIFY(redPixels(list, 0) > 0);
      QCOMPARE(redPixels(list, 1), 0);
      const QPoint at = c.row >= 0 ? list->visualItemRect(list->item(c.row)).center() : QPoint();
      if (std::string(c.how) == "double") {
        // A real double click starts with a click.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
      } else {
        if (c.row >= 0) QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        click(&d, "ok");
      }
      QTRY_VERIFY2(!d.isVisible(), c.how);
      QCOMPARE(d.result(), int(QDialog::Accepted));
      QCOMPARE(int(item.changed), c.changed);
      if (c.changed != 0) QCOMPARE(item.new_value, c.newValue);
      QCOMPARE(item.value, 0.0);
    }
  }

  // The auto-information wait of a port change: the call returns at once
  // (the checks are timer ticks), an AI report ends it early, and after 29
  // checks it gives up with the link left on.
  void aiOffWaitRunsOnTimerStepsAndGivesUp() {
    hrx::test::FakeCore core;
    QtMainWindow w;
    w.setCore(&core);
    hrx::gui::PortChanger& changer = w.part<hrx::gui::PortPart>().changer;
    int calls = 0;
    bool wentOff = false;
    auto done = [&](bool off) {
      ++calls;
      wentOff = off;
    };

    core.st.set_AI_Stat(0);
    changer.switchOffAndClose(done);
    QCOMPARE(calls, 1);
    QVERIFY(wentOff);
    QVERIFY(core.requests.empty());

    core.st.set_AI_Stat(1);
    changer.switchOffAndClose(done);
    QCOMPARE(calls, 1);
    QCOMPARE(core.requests, std::vector<hrx::test::Request>({{1, false, 0}}));
    core.st.set_AI_Stat(0);
    w.handleMessage(hrx::Msg{hrx::WM_ANL_EVT_AI, 0, 0});
    QCOMPARE(calls, 2);
    QVERIFY(wentOff);

    // The store says off before the mirror the switch reads does: not off yet.
    core.st.set_AI_Stat(1);
    core.mirrorCopy.set_AI_Stat(1);
    changer.switchOffAndClose(done);
    core.st.set_AI_Stat(0);
    w.handleMessage(hrx::Msg{hrx::WM_ANL_EVT_AI, 0, 0});
    QCOMPARE(calls, 2);
    core.mirrorCopy.set_AI_Stat(0);
    w.handleMessage(hrx::Msg{hrx::WM_ANL_EVT_AI, 0, 0});
    QCOMPARE(calls, 3);
    QVERIFY(wentOff);

    // Never off: after 29 checks the link is left on; switching again
    // would turn it off, so the only request is the first.
    core.requests.clear();
    core.st.set_AI_Stat(1);
    core.mirrorCopy.set_AI_Stat(1);
    QElapsedTimer t;
    t.start();
    bool ended = false;
    changer.Cat_Rate_Change(2, true, [&] { ended = true; });
    QTRY_VERIFY_WITH_TIMEOUT(ended, 6000);
    QVERIFY2(t.elapsed() >= 2800, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(core.requests, std::vector<hrx::test::Request>({{1, false, 0}}));

    // Without auto-information at opening the port is opened directly;
    // with it, the connection is switched on again.
    core.requests.clear();
    core.st.set_AI_Stat(0);
    core.mirrorCopy.set_AI_Stat(0);
    ended = false;
    changer.Cat_Rate_Change(1, false, [&] { ended = true; });
    QVERIFY(ended);
    QVERIFY(core.requests.empty());
    ended = false;
    changer.Cat_Rate_Change(3, true, [&] { ended = true; });
    QVERIFY(ended);
    QCOMPARE(core.requests, std::vector<hrx::test::Request>({{1, false, 0}}));
    w.setCore(nullptr);
  }

  // MY CALL goes out inside an EX command: only printable ASCII, and no ';'
  // (it would end the command early and send the rest as another one).
  void textEntryTakesPrintableAsciiOnly() {
    struct Case {
      QString text;
      bool typed;
      enum { Refused, Stays, Changed, Same } outcome;
    };
    const Case cases[] = {
        {QStringLiteral("JA1;XYZ"), true, Case::Refused},
        {QString::fromUtf8("JA1\xC3\x84"), false, Case::Refused},
        {QStringLiteral("JA1\tX"), false, Case::Refused},
        {QString(), false, Case::Stays},
        {QStringLiteral("JA1 XYZ/P"), true, Case::Changed},
        {QStringLiteral("MARVO"), true, Case::Same},
    };
    for (const Case& c : cases) {
      hrx::MenuListItem item = record(5);
      QCOMPARE(QString::fromLatin1(item.text), QStringLiteral("MARVO"));
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
      switch (c.outcome) {
        case Case::Refused:
          QVERIFY2(box != nullptr, qPrintable(c.text));
          QCOMPARE(box->text(), QStringLiteral("Invaliid input text."));
          QCOMPARE(box->windowTitle(), QStringLiteral("RCP-900"));
          QVERIFY(d.isVisible());
          QCOMPARE(int(item.changed), 0);
          box->accept();
          break;
        case Case::Stays:
          QVERIFY(box == nullptr);
          QVERIFY(d.isVisible());
          break;
        case Case::Changed:
          QVERIFY(box == nullptr);
          QVERIFY(!d.isVisible());
          QCOMPARE(int(item.changed), 1);
          QCOMPARE(QString::fromLatin1(item.new_text), c.text);
          break;
        case Case::Same:
          QVERIFY(!d.isVisible());
          QCOMPARE(int(item.changed), 0);
          break;
      }
    }
  }
};

static const hrx::test::GuiSuite kSuite("MenuList", hrx::test::runSuite<MenuListTest>);

#include "MenuListTest.moc"
