// The panel's input through the real main window and its widgets, on a
// stand-in core: right button, wheel, the pop-up menus at their anchors,
// the VFO SET window's keypad and checks, soft key 8's long push, and a
// key release that does not hold up the window.
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QWheelEvent>
#include <QtTest>

#include "GuiRig.h"
#include "GuiSuites.h"
#include "app/gui/QtMainWindow.h"
#include "app/gui/VfoSetWindow.h"

using hrx::Msg;
using hrx::gui::QtMainWindow;
using hrx::gui::VfoSetWindow;
using hrx::test::FakeCore;
using hrx::test::Request;

namespace {

struct Rig {
  FakeCore core;
  QtMainWindow w;
  Rig() {
    w.setCore(&core);
    w.show();
  }
  ~Rig() {
    w.close();
    w.setCore(nullptr);
  }
  QWidget* panel() { return w.panelWidget(); }
  void click(QPoint at, Qt::MouseButton b = Qt::LeftButton) { QTest::mouseClick(panel(), b, {}, at); }
  void wheel(QPoint at, int delta) {
    QWheelEvent e(at, panel()->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(panel(), &e);
  }
  std::vector<Request> requests() {
    std::lock_guard lock(core.mu);
    return core.requests;
  }
  void clear() {
    std::lock_guard lock(core.mu);
    core.requests.clear();
    core.posts.clear();
  }
};

}  // namespace

class PanelWindowTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void rightButtonAndWheel() {
    Rig rig;
    QVERIFY(rig.core.st.set_MS_Stat(1));
    rig.click({128, 215}, Qt::RightButton);
    rig.wheel({715, 203}, 120);
    rig.wheel({715, 203}, -120);
    QCOMPARE(rig.requests(), (std::vector<Request>{{86, false, 2}, {78, false, -1}, {78, false, 1}}));
  }

  // The pop-up shows at its anchor with its texts; the chosen item goes out
  // 0-based, Escape sends nothing, and the key is drawn released after.
  void popupAtItsAnchor() {
    Rig rig;
    rig.click({100, 120});   // ATT
    QTRY_VERIFY(rig.w.popupMenu() != nullptr && rig.w.popupMenu()->isVisible());
    QMenu* menu = rig.w.popupMenu();
    QCOMPARE(menu->pos(), rig.panel()->mapToGlobal(QPoint(90, 127)));
    QStringList texts;
    for (QAction* a : menu->actions()) texts << a->text();
    QCOMPARE(texts, (QStringList{"ATT OFF", "6dB(1/2)", "12dB(1/4)", "18dB(1/8)"}));
    QVERIFY(rig.w.panel().busy());
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(menu->actions()[2]).center());
    const std::vector<Request> att{{13, false, 2}};
    QTRY_VERIFY(rig.requests() == att);
    QTRY_COMPARE(rig.w.panel().m_Op_Stats(), 0);

    rig.clear();
    rig.click({878, 250});   // MODE
    QTRY_VERIFY(rig.w.popupMenu() != nullptr && rig.w.popupMenu()->isVisible());
    // Near the screen's edge the menu is moved in sideways, never down.
    QCOMPARE(rig.w.popupMenu()->pos().y(), rig.panel()->mapToGlobal(QPoint(868, 261)).y());
    QTest::keyClick(rig.w.popupMenu(), Qt::Key_Escape);
    QTRY_VERIFY(!rig.w.panel().busy());
    QTest::qWait(150);
    QVERIFY(rig.requests().empty());
    QCOMPARE(rig.w.panel().m_Op_Stats(), 0);
  }

  void vfoSetWindow() {
    Rig rig;
    rig.click({980, 140});   // ENT
    QTRY_VERIFY(rig.w.vfoSetWindow() != nullptr);
    VfoSetWindow* dlg = rig.w.vfoSetWindow();
    QCOMPARE(dlg->windowTitle(), QStringLiteral("VFO SET"));
    QStringList labels;
    for (QLabel* l : dlg->findChildren<QLabel*>()) labels << l->text();
    QVERIFY(labels.contains("Please enter the operating frequency."));
    QVERIFY(labels.contains("The entry range is 30000 - 56000000."));
    // Nine keypad digits: the ninth is not taken.
    for (int d = 1; d <= 9; ++d) dlg->appendDigit(d);
    QCOMPARE(dlg->edit()->text(), QStringLiteral("12345678"));
    // Accepted at the limits, refused just outside them.
    const struct {
      const char* text;
      bool accepted;
    } cases[] = {{"56000001", false}, {"29999", false}, {"abc", false}, {"30000", true}};
    for (const auto& c : cases) {
      dlg->edit()->setText(QString::fromUtf8(c.text));
      QTest::mouseClick(dlg->okButton(), Qt::LeftButton);
      if (!c.accepted) {
        QTRY_VERIFY(dlg->rangeNotice() != nullptr);
        auto* box = qobject_cast<QMessageBox*>(dlg->rangeNotice());
        QVERIFY(box != nullptr);
        QCOMPARE(box->text(), QStringLiteral("The input range is incorrect."));
        box->close();
        QTRY_VERIFY(dlg->rangeNotice() == nullptr);
        QVERIFY(rig.requests().empty());
        QVERIFY(rig.w.vfoSetWindow() == dlg);
      }
    }
    QTRY_VERIFY(rig.w.vfoSetWindow() == nullptr);
    QCOMPARE(rig.requests(), (std::vector<Request>{{82, false, 30000}}));
    QVERIFY(!rig.w.panel().entryMode());
    QCOMPARE(hrx::gui::parseEntry("56000000"), 56000000);

    // Empty and OK is a cancel; the VFO-B side gets the entry when VS was set.
    rig.clear();
    QTest::qWait(150);
    QVERIFY(rig.core.st.set_VS_Stat(1));
    rig.click({980, 140});
    QTRY_VERIFY(rig.w.vfoSetWindow() != nullptr);
    QTest::mouseClick(rig.w.vfoSetWindow()->okButton(), Qt::LeftButton);
    QTRY_VERIFY(rig.w.vfoSetWindow() == nullptr);
    QTest::qWait(150);
    rig.click({980, 140});
    QTRY_VERIFY(rig.w.vfoSetWindow() != nullptr);
    rig.w.vfoSetWindow()->edit()->setText("7100000");
    QTest::keyClick(rig.w.vfoSetWindow(), Qt::Key_Return);
    const std::vector<Request> sub{{83, false, 7100000}};
    QTRY_VERIFY(rig.requests() == sub);
  }

  void softKey8LongPushThroughTheWindow() {
    Rig rig;
    QVERIFY(rig.core.st.set_MD_Main(2));
    rig.w.sendMessage(0x861B, 1, 0);
    for (int i = 0; i < 25; ++i) rig.w.onTimerTick(1234);
    rig.w.sendMessage(0x861B, 0, 0);
    std::lock_guard lock(rig.core.mu);
    QCOMPARE(rig.core.posts, (std::vector<Msg>{{0x88EA, 1, 0}, {0x88EA, 0, 0}}));
  }

  // A click quicker than the debounce: the window is not held up; the key
  // stays drawn pressed and the release watch lets it go.
  void quickClickDoesNotWait() {
    Rig rig;
    rig.click({600, 135});   // STO
    QCOMPARE(rig.w.panel().m_Op_Stats(), 40);
    QTRY_COMPARE(rig.w.panel().m_Op_Stats(), 0);
    QCOMPARE(rig.requests(), (std::vector<Request>{{28, false, 0}}));
  }
};

int runPanelWindowTests(int argc, char** argv) {
  PanelWindowTest t;
  return QTest::qExec(&t, argc, argv);
}

static const hrx::test::GuiSuite kSuite("PanelWindow", runPanelWindowTests);

#include "PanelWindowTest.moc"
