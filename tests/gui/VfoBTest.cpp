// The VFO-B area of the TFT screen: what the sub dial's function and the
// memory state let it show, read back as pixels.
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
const QRect kArea(323, 112, 112, 29);
constexpr int kX[] = {330, 341, 355, 367, 378, 392, 404, 415};   // the digits' places
constexpr int kY = 127;

void fill(PanelSurface& s) { hrx::test::fillSurface(s, kGround); }

bool shows(const PanelSurface& s, BitmapStore& store, int id, int x, int y) {
  return showsBitmap(s.image(), store.LoadBitmap(id), x, y, kKeyMagenta);
}

// The eight characters of the frequency as bitmap ids, left to right.
bool showsDigits(const PanelSurface& s, BitmapStore& store, const QList<int>& ids) {
  for (int i = 0; i < 8; ++i)
    if (!shows(s, store, ids[i], kX[i], kY)) return false;
  return true;
}

}  // namespace

class VfoBTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void frequencyDisplay() {
    struct Row {
      int freq, mode, chosen;
      QList<int> digits;
      int label, mhzPoint, khzPoint;
    };
    const Row rows[] = {
        {14250000, 2, 0, {1837, 1840, 1838, 1841, 1836, 1836, 1836, 1836}, 1846, 1855, 1855},   // USB
        {7074000, 12, 4, {1976, 1843, 1836, 1843, 1971, 1836, 1836, 1836}, 1857, 1855, 1855},   // DATA-U, 1 kHz chosen
        {39000, 13, 4, {1976, 1976, 1976, 1839, 1966, 1836, 1836, 1836}, 1834, 1977, 1855},     // AM, its 9 chosen
    };
    for (const auto& [freq, mode, chosen, digits, label, mhzPoint, khzPoint] : rows) {
      hrx::test::RenderRig rig;
      auto& [s, store, r, st] = rig;
      QVERIFY(st.set_SF_Value(1));
      QVERIFY(st.set_VfoB_Freq(freq));
      QVERIFY(st.set_OI_Mode(mode));
      QVERIFY(st.set_FS_Flag2(1));
      r.setChosenVfoBDigit(chosen);
      fill(s);
      r.DrawTFT_VFO_B(st);
      QVERIFY(showsDigits(s, store, digits));
      QVERIFY(shows(s, store, label, 354, 115));
      QVERIFY(shows(s, store, 1835, 323, 114));
      QVERIFY(shows(s, store, 1847, 396, 116));   // FAST on
      QVERIFY(shows(s, store, 1859, 412, 116));   // LOCK off
      QVERIFY(shows(s, store, mhzPoint, 352, 127));
      QVERIFY(shows(s, store, khzPoint, 389, 127));
      // Nothing outside the area.
      QCOMPARE(s.image().pixel(kArea.left() - 1, kArea.center().y()), kGround);
      QCOMPARE(s.image().pixel(kArea.center().x(), kArea.bottom() + 2), kGround);
    }
  }

  // Sub dial functions other than 1..4 leave the area to their own
  // displays; CLAR with RI 8 counts as 4; memory recall empties the area.
  void whatTheSubDialAllows() {
    hrx::test::RenderRig rig;
    auto& [s, store, r, st] = rig;
    QVERIFY(st.set_VfoB_Freq(21000000));
    fill(s);
    r.DrawTFT_VFO_B(st);   // SF starts at 8
    QVERIFY(shows(s, store, kVfoBStripId, kVfoBStripX, kVfoBStripY));
    QVERIFY(!shows(s, store, 1837, kX[1], kY));
    QVERIFY(st.set_SF_Value(5));
    r.DrawTFT_VFO_B(st);
    QVERIFY(!shows(s, store, 1837, kX[1], kY));
    QVERIFY(st.set_RI_8(1));
    r.DrawTFT_VFO_B(st);
    QVERIFY(shows(s, store, 1837, kX[1], kY));
    QVERIFY(shows(s, store, 1838, kX[0], kY));

    // Memory recall: the ground once, then nothing, whatever changes.
    QVERIFY(st.set_IF_VfoMem(1));
    r.DrawTFT_VFO_B(st);
    QVERIFY(!shows(s, store, 1837, kX[1], kY));
    const QImage empty = s.image();
    QVERIFY(st.set_VfoB_Freq(3500000));
    fill(s);
    r.DrawTFT_VFO_B(st);
    QCOMPARE(s.image().pixel(kArea.center()), kGround);
    // Back on VFO, the frequency returns.
    QVERIFY(st.set_IF_VfoMem(0));
    r.DrawTFT_VFO_B(st);
    QVERIFY(shows(s, store, 1839, kX[1], kY));
    QVERIFY(empty != s.image());
  }

  // The FB event and timer 7 draw the area from the stored state.
  void throughTheWindow() {
    hrx::test::FakeCore core;
    hrx::gui::QtMainWindow w;
    w.setCore(&core);
    QVERIFY(core.st.set_SF_Value(2));
    QVERIFY(core.st.set_VfoB_Freq(18100000));
    w.show();
    w.startUp();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    BitmapStore& store = w.renderer().store();
    QTRY_VERIFY(showsBitmap(w.surfaceImage(), store.LoadBitmap(1844), kX[1], kY, kKeyMagenta));
    // Timer 7 alone follows a changed state.
    QCOMPARE(w.timerPeriod(7), 30u);
    QVERIFY(core.st.set_VfoB_Freq(24900000));
    QTRY_VERIFY(showsBitmap(w.surfaceImage(), store.LoadBitmap(1840), kX[1], kY, kKeyMagenta));
    w.killTimer(7);
    QVERIFY(core.st.set_VfoB_Freq(10100000));
    w.handleMessage(hrx::Msg{0x8334, 0, 1});
    QVERIFY(showsBitmap(w.surfaceImage(), store.LoadBitmap(1836), kX[1], kY, kKeyMagenta));
    QVERIFY(core.requests.empty());
    w.setCore(nullptr);
  }
};

static const hrx::test::GuiSuite kSuite("VfoB", hrx::test::runSuite<VfoBTest>);

#include "VfoBTest.moc"
