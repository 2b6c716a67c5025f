// The analog meter strip, composed off screen from its face, lamps, label
// and needle frame, read back as pixels; and the S-meter handler's value.
#include <QtTest>

#include "GuiSuites.h"

#include "GuiRig.h"
#include "app/gui/QtMainWindow.h"
#include "render/PanelRenderer.h"
#include "state/RadioState.h"

using namespace hrx::render;
using hrx::test::showsBitmap;

namespace {

constexpr QRgb kGround = 0xFF123456;

void fill(PanelSurface& s) { hrx::test::fillSurface(s, kGround); }

// What the strip must show: the face, with `overlays` drawn magenta-keyed
// and then the needle frame black-keyed.
struct Overlay {
  int id, x, y;
};
QImage composed(BitmapStore& store, int face, int frame, std::initializer_list<Overlay> overlays) {
  QImage strip = store.LoadBitmap(face)->copy();
  for (const Overlay& o : overlays) blitKeyed(strip, *store.LoadBitmap(o.id), o.x, o.y, kKeyMagenta);
  blitKeyed(strip, *store.LoadBitmap(frame), 0, 0, kKeyBlack);
  return strip;
}

QImage stripOf(const PanelSurface& s) { return s.image().copy(kMeterStrip); }

// Mean x of the needle's pixels in a frame.
double needleX(const QImage& frame) {
  double sum = 0;
  int n = 0;
  for (int y = 0; y < frame.height(); ++y)
    for (int x = 0; x < frame.width(); ++x)
      if ((frame.pixel(x, y) & 0xFFFFFF) != 0) sum += x, ++n;
  return n > 0 ? sum / n : -1;
}

}  // namespace

class MeterTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // The value's frame: its ends and middle, and the needle moving from
  // left to right as the value rises, though the ids do not.
  void needleFramesFollowTheValue() {
    QCOMPARE(int(kNeedleFrame[0]), 1353);
    QCOMPARE(int(kNeedleFrame[128]), 1455);
    QCOMPARE(int(kNeedleFrame[255]), 1355);
    BitmapStore store;
    double last = -1;
    for (std::size_t v = 0; v < kNeedleFrame.size(); v += 16) {
      const QImage* f = store.LoadBitmap(kNeedleFrame[v]);
      QVERIFY(f != nullptr && f->size() == QSize(168, 56) && f->pixel(0, 0) == kKeyBlack);
      const double x = needleX(*f);
      QVERIFY2(x > last, qPrintable(QStringLiteral("value %1").arg(v)));
      last = x;
    }
  }

  // {selection, value, busy} -> the face and the frame, with the BUSY lamp.
  void receiving() {
    const int rows[][5] = {{0, 0, 0, 1536, 1353}, {2, 128, 1, 1538, 1455}, {1, 255, 0, 1535, 1355}};
    for (const auto& [selection, value, busy, face, frame] : rows) {
      hrx::test::RenderRig rig;
      auto& [s, store, r, st] = rig;
      QVERIFY(st.set_MS_Stat(selection));
      QVERIFY(st.set_MainRx_Busy(busy));
      QVERIFY(st.set_RM_Meter2(200));   // not shown while receiving
      fill(s);
      QCOMPARE(r.drawMeterStrip(st, value), kDrawn);
      const QImage expected = busy ? composed(store, face, frame, {{kMeterBusyLampId, 2, 2}})
                                   : composed(store, face, frame, {});
      QCOMPARE(stripOf(s), expected);
      // Copied opaquely and only there.
      QCOMPARE(s.image().pixel(kMeterStrip.left() - 1, kMeterStrip.top()), kGround);
      QCOMPARE(s.image().pixel(kMeterStrip.right() + 1, kMeterStrip.bottom()), kGround);
    }
  }

  // While sending the needle shows RM_Meter2 with the meter's label, and
  // the TX lamp takes the BUSY lamp's place.
  void transmitting() {
    hrx::test::RenderRig rig;
    auto& [s, store, r, st] = rig;
    QVERIFY(st.set_MS_Stat(1));
    QVERIFY(st.set_TxStat(2));
    QVERIFY(st.set_MainRx_Busy(1));
    QVERIFY(st.set_RM_Meter2(128));
    QCOMPARE(r.drawMeterStrip(st, 5), kDrawn);
    QCOMPARE(stripOf(s), composed(store, 1535, 1455, {{kMeterTxLampId, 2, 2}, {1925, 4, 45}}));
    QVERIFY(stripOf(s) != composed(store, 1535, 1455, {{kMeterBusyLampId, 2, 2}, {1925, 4, 45}}));
  }

  void missingImages() {
    hrx::test::RenderRig rig;
    auto& [s, store, r, st] = rig;
    fill(s);
    const QImage before = s.image();
    store.forget(1536);   // COMP's face
    QCOMPARE(r.drawMeterStrip(st, 100), kNoBitmap);
    QCOMPARE(s.image(), before);
    // Without its needle frame the face still draws.
    QVERIFY(st.set_MS_Stat(2));
    store.forget(kNeedleFrame[100]);   // whichever frame 100 is
    QCOMPARE(r.drawMeterStrip(st, 100), kDrawn);
    QCOMPARE(stripOf(s), store.LoadBitmap(1538)->copy());
  }

  // The S-meter handler remembers its value; a power-off or disconnect
  // redraws the meter with it. A meter value always reaches the strip
  // drawn from the selected face.
  void sMeterThroughTheWindow() {
    hrx::test::FakeCore core;
    hrx::gui::QtMainWindow w;
    w.setCore(&core);
    w.show();
    w.startUp();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTRY_VERIFY(w.dispStartLog().size() == 97 && w.timerPeriod(13) == 0);
    QTRY_VERIFY(!w.meterPending());
    BitmapStore store;

    QVERIFY(core.st.set_SM_Meter1(128));
    w.handleMessage(hrx::Msg{0x8337, 0, 1});
    QTRY_VERIFY(!w.meterPending());
    QCOMPARE(w.lastMeterValue(), 128);
    QCOMPARE(w.surfaceImage().copy(kMeterStrip), composed(store, 1536, 1455, {}));

    // The stored value changes without an SM event; AI and PS off redraw
    // the remembered one.
    QVERIFY(core.st.set_SM_Meter1(0));
    const int draws = w.meterDraws();
    w.handleMessage(hrx::Msg{0x833A, 0, 1});
    QTRY_COMPARE(w.meterDraws(), draws + 1);
    QCOMPARE(w.lastMeterValue(), 128);
    w.handleMessage(hrx::Msg{0x8347, 0, 1});
    QTRY_COMPARE(w.meterDraws(), draws + 2);
    QCOMPARE(w.lastMeterValue(), 128);
    // AI on does not touch the meter.
    QVERIFY(core.st.set_AI_Stat(1));
    w.handleMessage(hrx::Msg{0x833A, 0, 1});
    QTest::qWait(60);
    QCOMPARE(w.meterDraws(), draws + 2);
    w.setCore(nullptr);
  }
};

static const hrx::test::GuiSuite kSuite("Meter", hrx::test::runSuite<MeterTest>);

#include "MeterTest.moc"
