// The panel's input through the real main window and its widgets, on a
// stand-in core: the COM key and its connection notice, right button, every
// dial's wheel and drag, the knobs as drawn, the pop-up menus at their
// anchors, the VFO SET window's keypad and checks, soft key 8's long push,
// a key release that does not hold up the window, and the press-and-hold
// button.
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QWheelEvent>
#include <QtTest>
#include <cmath>

#include "GuiRig.h"
#include "GuiSuites.h"
#include "app/gui/KeyCommandFilter.h"
#include "app/gui/QtMainWindow.h"
#include "analysis/AnalyserMessages.h"
#include "app/gui/windows/MenuListWindow.h"
#include "app/gui/windows/CPrmtrcDlg.h"
#include "app/gui/windows/OptionWindows.h"
#include "app/gui/windows/PortWindows.h"
#include "app/gui/windows/VersionDlg.h"
#include "menulist/MenuCatalogue.h"
#include "app/gui/widgets/PushHoldButton.h"
#include "app/gui/windows/VfoSetWindow.h"

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
  void mouse(QEvent::Type type, QPoint at, Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(at), panel()->mapToGlobal(QPointF(at)), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(panel(), &e);
  }
  void wheel(QPoint at, int delta) {
    QWheelEvent e(at, panel()->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(panel(), &e);
  }
  bool shows(int id, int x, int y) {
    return hrx::test::showsBitmap(w.surfaceImage(), w.renderer().store().LoadBitmap(id), x, y, 0xFF00FF00);
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

// 40 pixels from a centre at `deg` degrees, counter-clockwise from the right.
QPoint onDial(QPoint c, double deg) {
  const double a = deg * M_PI / 180.0;
  return {c.x() + static_cast<int>(std::lround(40 * std::cos(a))), c.y() - static_cast<int>(std::lround(40 * std::sin(a)))};
}

bool redNear(const QImage& img, QPoint p) {
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx)
      if ((img.pixel(p.x() + dx, p.y() + dy) & 0xFFFFFF) == 0xFF0000) return true;
  return false;
}

}  // namespace

class PanelWindowTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // COM pressed while not connected: drawn pressed, the notice is up for
  // 5 s and holds the key down until AI comes or the time-out fails it.
  void comKeyAndTheConnectionNotice() {
    for (const bool aiComes : {true, false}) {
      Rig rig;
      rig.w.renderer().LoadPanelImages();
      rig.mouse(QEvent::MouseButtonPress, {30, 140}, Qt::LeftButton);
      QVERIFY(rig.shows(1961, 14, 130));
      rig.mouse(QEvent::MouseButtonRelease, {30, 140}, Qt::NoButton);
      QVERIFY(rig.w.connectionNoticeWidget() != nullptr && rig.w.connectionNoticeWidget()->isVisible());
      QCOMPARE(rig.w.timerPeriod(22), 5000u);
      QVERIFY(rig.shows(1961, 14, 130));
      if (aiComes) rig.w.sendMessage(hrx::kMsgAiTurnedOn, 0, 0);
      else rig.w.onTimerTick(22);
      QVERIFY(!rig.w.connectionNoticeWidget()->isVisible());
      QCOMPARE(rig.w.timerPeriod(22), 0u);
      QTRY_VERIFY(rig.shows(1962, 14, 130));
      bool failedBox = false;
      for (QMessageBox* b : rig.w.findChildren<QMessageBox*>())
        if (b->isVisible() && b->text() == QStringLiteral("Failed to connect the COM port.")) failedBox = true;
      QCOMPARE(failedBox, !aiComes);
    }
    Rig rig;
    QVERIFY(rig.core.st.set_MS_Stat(1));
    rig.click({128, 215}, Qt::RightButton);   // the meter spot
    QCOMPARE(rig.requests(), (std::vector<Request>{{86, false, 2}}));
  }

  // Each dial across 0/359 degrees: three notches cross it both ways and a
  // drag crosses it forth and back. Wheel notches go out one step each at
  // once, drag steps at the send ticks (a select dial's at most 9); the
  // CLAR/VFO-B face shows the last of its dials, and the dials that rest
  // after a notch are drawn at rest when their timer runs out.
  void dialsAcrossZero() {
    struct Row {
      const char* what;
      int sf, funcA, funcB;
      QPoint wheelAt, dragFrom, centre;
      int op;
      QList<int> wheelSteps, dragSteps;
      QPoint mark;   // the face's finger mark after the notches
      int restTimer;
    };
    const QList<int> dial{-1, 1, 1}, select{1, -1, -1};
    const Row rows[] = {
        {"main", 0, 0, 0, {715, 203}, {755, 206}, {715, 203}, 78, dial, {1, -3}, {777, 195}, 0},
        {"CLAR/VFO-B", 4, 0, 0, {939, 275}, {979, 278}, {939, 275}, 79, dial, {1, -3}, {969, 271}, 19},
        {"third", 5, 0, 0, {939, 275}, {979, 278}, {939, 275}, 84, dial, {1, -3}, {969, 271}, 19},
        {"VFO-A function 1", 0, 1, 0, {837, 270}, {840, 270}, {929, 264}, 80, select, {9, 1, -3}, {969, 279}, 38},
        {"VFO-B function 6", 0, 0, 6, {956, 270}, {979, 278}, {929, 264}, 81, select, {1, 1, -3}, {969, 279}, 39},
    };
    for (const Row& row : rows) {
      const auto& [what, sf, funcA, funcB, wheelAt, dragFrom, centre, op, wheelSteps, dragSteps, mark, restTimer] = row;
      Rig rig;
      QVERIFY(rig.core.st.set_SF_Value(sf));
      rig.core.mirrorCopy.set_DialFunc_Main(funcA);
      rig.core.mirrorCopy.set_DialFunc_Sub(funcB);
      auto sent = [&] {
        QList<int> v;
        for (const Request& r : rig.requests()) {
          if (r.op != op) return QList<int>{};
          v << r.value;
        }
        rig.clear();
        return v;
      };
      for (int delta : {120, -120, -120}) rig.wheel(wheelAt, delta);
      QVERIFY2(sent() == wheelSteps, what);
      QCOMPARE(rig.w.surfaceImage().pixel(mark), 0xFF2A2C30u);
      if (restTimer != 0) {
        QCOMPARE(rig.w.timerPeriod(restTimer), 200u);
        rig.w.onTimerTick(restTimer);
        QCOMPARE(rig.w.timerPeriod(restTimer), 0u);
        QCOMPARE(rig.w.surfaceImage().pixel(mark), 0xFF2A2C30u);   // at rest where it stopped
      }

      rig.mouse(QEvent::MouseButtonPress, dragFrom, Qt::LeftButton);
      QVERIFY(rig.w.panel().m_Op_Stats() != 0);
      for (int deg : {355, 5, 340}) {
        rig.mouse(QEvent::MouseMove, onDial(centre, deg), Qt::LeftButton);
        rig.w.onTimerTick(1);
        rig.w.onTimerTick(18);
      }
      rig.mouse(QEvent::MouseButtonRelease, onDial(centre, 340), Qt::NoButton);
      QCOMPARE(rig.w.panel().m_Op_Stats(), 0);
      QVERIFY2(sent() == dragSteps, what);
    }
  }

  // The pointer marks follow the replies: the AF mark moves with AG (the old
  // one goes), and in CW the inner MIC/SPEED knob shows the keyer speed.
  void pointerMarksFollowTheReplies() {
    Rig rig;
    QVERIFY(rig.core.st.set_RG_Main(255));
    QVERIFY(rig.core.st.set_AG_Main(0));
    rig.w.sendMessage(hrx::WM_ANL_EVT_AG, 0, 0);
    QVERIFY(redNear(rig.w.surfaceImage(), {476, 294}));   // 207 degrees, distance 11
    QVERIFY(rig.core.st.set_AG_Main(100));
    rig.w.sendMessage(hrx::WM_ANL_EVT_AG, 0, 0);
    QVERIFY(redNear(rig.w.surfaceImage(), {474, 276}));   // 325 degrees
    QVERIFY(!redNear(rig.w.surfaceImage(), {476, 294}));
    QVERIFY(rig.core.st.set_MD_Main(3));
    QVERIFY(rig.core.st.set_KS_Value(4));
    QVERIFY(rig.core.st.set_PC_Value(100));
    rig.w.sendMessage(hrx::WM_ANL_EVT_KS, 0, 0);
    QVERIFY(redNear(rig.w.surfaceImage(), {136, 294}));
  }

  // The pop-up shows at its anchor (moved in sideways near the screen's
  // edge, never down) and keeps the panel busy; Escape sends nothing.
  void popupAtItsAnchor() {
    Rig rig;
    const QPoint keys[][2] = {{{100, 120}, {90, 127}}, {{878, 250}, {868, 261}}};   // ATT, MODE
    for (const auto& [key, anchor] : keys) {
      rig.click(key);
      QTRY_VERIFY(rig.w.popupMenu() != nullptr && rig.w.popupMenu()->isVisible());
      const QPoint want = rig.panel()->mapToGlobal(anchor);
      QCOMPARE(rig.w.popupMenu()->pos().y(), want.y());
      if (key.x() < 500) QCOMPARE(rig.w.popupMenu()->pos().x(), want.x());
      QVERIFY(rig.w.panel().busy());
      QTest::keyClick(rig.w.popupMenu(), Qt::Key_Escape);
      QTRY_VERIFY(!rig.w.panel().busy());
      QTRY_COMPARE(rig.w.panel().m_Op_Stats(), 0);
    }
    QVERIFY(rig.requests().empty());
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

  // A button held on the panel when another window takes the mouse (F1
  // opens Version over it): the drag or the key ends at once as a release
  // would, so moving over the panel afterwards sends nothing.
  void heldButtonEndsWhenAWindowTakesTheMouse() {
    struct Row {
      const char* what;
      QPoint at, moveTo;
      std::vector<Request> pressed, released;
    };
    const Row rows[] = {
        {"main dial", onDial({715, 203}, 0), onDial({715, 203}, 40), {}, {}},
        {"TXW", {600, 255}, {610, 255}, {{32, false, 1}}, {{32, false, 1}, {32, false, 0}}},
    };
    for (const Row& r : rows) {
      Rig rig;
      rig.w.part<hrx::gui::KeyCommandFilter>();
      rig.mouse(QEvent::MouseButtonPress, r.at, Qt::LeftButton);
      QVERIFY2(rig.w.panel().m_Op_Stats() != 0, r.what);
      QVERIFY2(rig.requests() == r.pressed, r.what);
      QTest::keyClick(rig.panel(), Qt::Key_F1);
      auto* version = rig.w.findChild<hrx::gui::CVersionDlg*>();
      QVERIFY2(version != nullptr && version->isVisible(), r.what);
      version->accept();
      // The button came up over the Version window; the mouse now moves
      // over the panel with no button held.
      rig.mouse(QEvent::MouseMove, r.moveTo, Qt::NoButton);
      rig.w.onTimerTick(1);
      rig.w.onTimerTick(18);
      QTRY_VERIFY2(rig.w.panel().m_Op_Stats() == 0, r.what);
      QVERIFY2(rig.requests() == r.released, r.what);
    }
  }

  // A click on the panel while a window sits over it hands that window the
  // keyboard; the click itself does nothing.
  void panelClickFocusesTheWindowOverIt() {
    struct Row {
      const char* what;
      std::function<void(Rig&)> open;
      std::function<QWidget*(Rig&)> window;
    };
    const Row rows[] = {
        {"menu list", [](Rig& r) { r.click({470, 105}); },
         [](Rig& r) -> QWidget* { return r.w.findChild<hrx::gui::CMenuListDlg*>(); }},
        {"Playback", [](Rig& r) { r.w.onCommand(32783); },
         [](Rig& r) -> QWidget* { return r.w.part<hrx::gui::OptionWindows>().playback.data(); }},
        {"equaliser", [](Rig& r) { r.w.onCommand(32787); },
         [](Rig& r) -> QWidget* { return hrx::gui::openEqualiser(r.w); }},
        // The list's chooser is modal over the list: the chooser is given it.
        {"menu list's chooser",
         [](Rig& r) {
           r.click({470, 105});
           QTRY_VERIFY(r.w.findChild<hrx::gui::CMenuListDlg*>() != nullptr);
           QTest::keyClick(r.w.findChild<hrx::gui::CMenuListDlg*>()->list(), Qt::Key_Return);
         },
         [](Rig& r) -> QWidget* {
           auto* list = r.w.findChild<hrx::gui::CMenuListDlg*>();
           return list != nullptr ? list->editor() : nullptr;
         }},
        {"COM Select", [](Rig& r) { r.w.onCommand(32781); },
         [](Rig& r) -> QWidget* { return r.w.part<hrx::gui::PortPart>().comSelect.data(); }},
        {"Baud rate", [](Rig& r) { r.w.onCommand(32782); },
         [](Rig& r) -> QWidget* { return r.w.part<hrx::gui::PortPart>().baudRate.data(); }},
    };
    for (const Row& r : rows) {
      Rig rig;
      QVERIFY(hrx::loadBuiltInCatalogue(rig.core.st));
      r.open(rig);
      QTRY_VERIFY2(r.window(rig) != nullptr && r.window(rig)->isVisible(), r.what);
      QTRY_COMPARE(rig.w.panel().m_Op_Stats(), 0);
      rig.clear();
      rig.w.activateWindow();
      QTRY_VERIFY2(rig.w.isActiveWindow(), r.what);
      rig.click({600, 135});   // STO
      QTRY_VERIFY2(r.window(rig)->isActiveWindow(), r.what);
      QVERIFY2(rig.requests().empty(), r.what);
    }
  }

  // MENU while VFO SET is open goes the MENU key's way: the list opens over
  // the panel and VFO SET stays.
  void menuWhileVfoSetIsOpenOpensTheList() {
    Rig rig;
    QVERIFY(hrx::loadBuiltInCatalogue(rig.core.st));
    rig.click({980, 140});   // ENT
    QTRY_VERIFY(rig.w.vfoSetWindow() != nullptr);
    rig.click({470, 105});   // MENU
    QTRY_VERIFY(rig.w.findChild<hrx::gui::CMenuListDlg*>() != nullptr &&
                rig.w.findChild<hrx::gui::CMenuListDlg*>()->isVisible());
    QVERIFY(rig.w.panel().menuOpen());
    QVERIFY(rig.w.vfoSetWindow() != nullptr);
    QVERIFY(rig.requests().empty());
  }

  // Fine wheels and touchpads send parts of a notch: 120 of angleDelta (or
  // 60 pixels without one) make a notch, the rest waits for the next event
  // of the same direction within 300 ms. Main-dial steps sent: {what,
  // events {angle, pixels, time ms}, steps}.
  void fineWheelsTurnOneStepPerNotch() {
    struct Event {
      int angle, pixels, ms;
    };
    struct Row {
      const char* what;
      std::vector<Event> events;
      QList<int> steps;
    };
    const Row rows[] = {
        {"mouse, 120 each", {{120, 0, 0}, {120, 0, 10}, {-120, 0, 20}}, {-1, -1, 1}},
        {"15 eight times", {{15, 0, 0}, {15, 0, 1}, {15, 0, 2}, {15, 0, 3}, {15, 0, 4}, {15, 0, 5}, {15, 0, 6}, {15, 0, 7}},
         {-1}},
        {"30 three times, then the fourth", {{30, 0, 0}, {30, 0, 5}, {30, 0, 10}, {30, 0, 15}, {30, 0, 20}}, {-1}},
        {"-30 four times", {{-30, 0, 0}, {-30, 0, 5}, {-30, 0, 10}, {-30, 0, 15}}, {1}},
        {"240 at once", {{240, 0, 0}}, {-1, -1}},
        {"a turn back drops the part", {{60, 0, 0}, {-60, 0, 5}, {-60, 0, 10}}, {1}},
        {"a pause drops the part", {{90, 0, 0}, {90, 0, 400}}, {}},
        {"pixels only", {{0, 20, 0}, {0, 20, 5}, {0, 20, 10}, {0, -60, 15}}, {-1, 1}},
    };
    for (const Row& r : rows) {
      Rig rig;
      for (const Event& ev : r.events) {
        const QPoint at(715, 203);
        QWheelEvent e(at, rig.panel()->mapToGlobal(QPointF(at)), QPoint(0, ev.pixels), QPoint(0, ev.angle), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        e.setTimestamp(static_cast<quint64>(1000 + ev.ms));
        QApplication::sendEvent(rig.panel(), &e);
      }
      QList<int> steps;
      for (const Request& q : rig.requests()) {
        QCOMPARE(q.op, 78);
        steps << q.value;
      }
      QVERIFY2(steps == r.steps, r.what);
    }
  }

  // Press and release each report 0x85DA with the button's index; the
  // space key's auto-repeat is one press; Enter is a press and a release.
  void pushHoldButton() {
    QWidget parent;
    auto* b = new hrx::gui::PushHoldButton(QStringLiteral("FAST"), 3, &parent);
    std::vector<Msg> got;
    b->setReceiver([&](const Msg& m) { got.push_back(m); });
    int emitted = 0;
    QObject::connect(b, &hrx::gui::PushHoldButton::holdChanged, [&](int, bool) { ++emitted; });
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    b->setFocus();
    const Msg down{0x85DA, 3, 1}, up{0x85DA, 3, 0};
    const std::pair<std::function<void()>, std::vector<Msg>> steps[] = {
        {[&] { QTest::mousePress(b, Qt::LeftButton); }, {down}},
        {[&] { QTest::mouseRelease(b, Qt::LeftButton); }, {up}},
        {[&] { QTest::mouseClick(b, Qt::RightButton); }, {}},
        {[&] { QTest::keyPress(b, Qt::Key_Space); }, {down}},
        {[&] {
           QKeyEvent e(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QString(), true);
           QApplication::sendEvent(b, &e);
         },
         {}},
        {[&] { QTest::keyRelease(b, Qt::Key_Space); }, {up}},
        {[&] { QTest::keyClick(b, Qt::Key_Return); }, {down, up}},
        {[&] { QTest::keyPress(b, Qt::Key_Space); b->hide(); }, {down, up}},   // pressed, then hidden
        {[&] { b->show(); }, {}},
        // Held with the mouse when a notice blocks its window: the release
        // goes nowhere, so the block is the release; the real one adds none.
        {[&] {
           QTest::mousePress(b, Qt::LeftButton);
           auto* box = new QMessageBox(QMessageBox::Warning, QString(), QString(), QMessageBox::Ok, &parent);
           box->setAttribute(Qt::WA_DeleteOnClose);
           box->open();
         },
         {down, up}},
        {[&] { QTest::mouseRelease(b, Qt::LeftButton); }, {}},
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
      got.clear();
      steps[i].first();
      QVERIFY2(got == steps[i].second, qPrintable(QString::number(i)));
    }
    QCOMPARE(emitted, 10);
    QVERIFY(!b->held());
  }
};

static const hrx::test::GuiSuite kSuite("PanelWindow", hrx::test::runSuite<PanelWindowTest>);

#include "PanelWindowTest.moc"
