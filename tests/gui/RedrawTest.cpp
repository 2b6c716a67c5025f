// The deferred redraw of the two high-rate strips through the real main
// window and its paint handler.
#include <QtTest>

#include "GuiSuites.h"

#include "GuiRig.h"
#include "app/gui/QtMainWindow.h"
#include "render/PanelRenderer.h"

using hrx::gui::QtMainWindow;

namespace {

// A shown, started window whose start-up timers have run out.
struct Shown {
  hrx::test::FakeCore core;
  QtMainWindow w;
  Shown() {
    w.setCore(&core);
    w.show();
    w.startUp();
  }
  ~Shown() { w.setCore(nullptr); }
  bool settle() {
    if (!QTest::qWaitForWindowExposed(&w)) return false;
    // Disp_Start's events ask for both strips; let those paints happen.
    return QTest::qWaitFor([&] {
      return w.dispStartLog().size() == 97 && w.timerPeriod(13) == 0 && !w.meterPending() && !w.blockIconsPending();
    });
  }
};

}  // namespace

class RedrawTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void tenMeterRequestsBeforeOnePaintCostOneInvalidation() {
    Shown s;
    QVERIFY(s.settle());
    const int restores = s.w.restoreCount();
    const int before = s.w.stripInvalidations();
    const int meters = s.w.meterDraws();
    const int icons = s.w.blockIconDraws();
    for (int v = 1; v <= 10; ++v) s.w.RequestMeterRedraw(v * 10);
    QCOMPARE(s.w.stripInvalidations() - before, 1);
    QVERIFY(s.w.meterPending());
    QTRY_VERIFY(!s.w.meterPending());
    QCOMPARE(s.w.meterDraws(), meters + 1);
    QCOMPARE(s.w.lastMeterValue(), 100);
    // A strip paint is not a whole restore.
    QTest::qWait(100);
    QCOMPARE(s.w.restoreCount(), restores);

    // The same for the block icons, and the next request costs one again.
    for (int i = 0; i < 10; ++i) s.w.RequestBlockIconsRedraw(false);
    QCOMPARE(s.w.stripInvalidations() - before, 2);
    QTRY_COMPARE(s.w.blockIconDraws(), icons + 1);
    s.w.RequestMeterRedraw(7);
    QCOMPARE(s.w.stripInvalidations() - before, 3);
    QTRY_COMPARE(s.w.meterDraws(), meters + 2);
    QCOMPARE(s.w.lastMeterValue(), 7);
  }

  // The replies that change a block icon each redraw the strip, through the
  // paint handler, with its ground at its place.
  void blockIconEventsDrawTheStrip() {
    Shown s;
    QVERIFY(s.settle());
    QTRY_VERIFY(!s.w.blockIconsPending());
    hrx::render::BitmapStore store;
    for (hrx::MsgId id : {0x8310u, 0x8311u, 0x8312u, 0x8313u, 0x8314u, 0x8317u}) {
      const int draws = s.w.blockIconDraws();
      s.w.handleMessage(hrx::Msg{id, 0, 1});
      QVERIFY(s.w.blockIconsPending());
      QTRY_COMPARE(s.w.blockIconDraws(), draws + 1);
    }
    // The ground, with the first antenna's icon (AN_Main 0) over it.
    const QImage strip = s.w.surfaceImage().copy(hrx::render::kBlockIconStrip);
    QCOMPARE(strip.copy(0, 0, 168, 3), store.LoadBitmap(hrx::render::kBlockIconBackgroundId)->copy(0, 0, 168, 3));
    QVERIFY(hrx::test::showsBitmap(strip, store.LoadBitmap(1552), 2, 16, hrx::render::kKeyMagenta));
  }

  // A forced block-icon request marks nothing pending, so its paint
  // restores the whole panel 30 ms later.
  void forcedBlockIconsRestoreTheWholePanel() {
    Shown s;
    QVERIFY(s.settle());
    const int restores = s.w.restoreCount();
    const int icons = s.w.blockIconDraws();
    s.w.RequestBlockIconsRedraw(true);
    QVERIFY(!s.w.blockIconsPending());
    QTRY_COMPARE(s.w.timerPeriod(13), 30u);
    QCOMPARE(s.w.blockIconDraws(), icons);
    QTRY_COMPARE(s.w.restoreCount(), restores + 1);
  }

  // Uncovering the window with a meter update pending restores the whole
  // panel; the strip is not drawn on its own.
  void uncoveredWithAPendingMeterRestoresAll() {
    Shown s;
    QVERIFY(s.settle());
    const int restores = s.w.restoreCount();
    const int meters = s.w.meterDraws();
    s.w.RequestMeterRedraw(55);
    s.w.panelWidget()->hide();
    s.w.panelWidget()->show();
    QVERIFY(s.w.backgroundErased());
    QTRY_VERIFY(!s.w.backgroundErased());
    QVERIFY(!s.w.meterPending());
    QCOMPARE(s.w.meterDraws(), meters);
    QTRY_COMPARE(s.w.restoreCount(), restores + 1);
  }

  // Ordinary drawing reaches the screen without a restore.
  void immediateDrawingDoesNotRestore() {
    Shown s;
    QVERIFY(s.settle());
    const int restores = s.w.restoreCount();
    for (int i = 0; i < 5; ++i) s.w.handleMessage(hrx::Msg{0x8578, static_cast<hrx::WParam>(i % 2), 0});
    QTest::qWait(150);
    QCOMPARE(s.w.restoreCount(), restores);
    QCOMPARE(s.w.timerPeriod(13), 0u);
  }
};

static const hrx::test::GuiSuite kSuite("Redraw", hrx::test::runSuite<RedrawTest>);

#include "RedrawTest.moc"
