// The panel display: the surface and its key colours, the generated
// bitmaps, the main and VFO-B frequency displays, the meter strip, and the
// main window's display rows on a fake core whose state the tests set (the
// key looks, the reply handlers' images, the TFT screen's temporary value
// displays on hand-driven blink ticks, the bar meter and its peak hold).
#include <QMessageBox>
#include <QPainter>
#include <QtTest>
#include <functional>

#include "GuiRig.h"
#include "GuiSuites.h"
#include "analysis/AnalyserMessages.h"
#include "app/gui/QtMainWindow.h"
#include "panel/PanelCtrl.h"
#include "panel/PanelDisplay.h"
#include "render/MeterTables.h"
#include "render/PanelRenderer.h"

using namespace hrx::render;
using hrx::MsgId;
using hrx::RadioState;
using hrx::gui::QtMainWindow;
using hrx::test::RenderRig;
using hrx::test::showsBitmap;

namespace {

constexpr QRgb kGreen = 0xFF00FF00;
constexpr QRgb kMagenta = 0xFFFF00FF;
constexpr QRgb kGround = 0xFF123456;
constexpr QRgb kRed = 0xFFFF0000;
constexpr QRgb kBlue = 0xFF0000FF;

// A window that is not started: no timer runs, so every tick is the test's.
struct Panel {
  hrx::test::FakeCore core;
  QtMainWindow w;
  Panel() {
    w.setCore(&core);
    w.renderer().LoadPanelImages();
  }
  ~Panel() { w.setCore(nullptr); }
  RadioState& st() { return core.st; }
  void send(MsgId id, hrx::WParam wp = 0, hrx::LParam lp = 0) { w.handleMessage(hrx::Msg{id, wp, lp}); }
  const QImage* bmp(int id) { return w.renderer().store().LoadBitmap(id); }
  bool shows(int id, int x, int y, QRgb key = kGreen) { return showsBitmap(w.surfaceImage(), bmp(id), x, y, key); }
  int countdown(TempDisplay d) { return w.renderer().countdown(d); }
  void menu(int item, double value) {
    st().set_MenuItem_Count(196);
    hrx::MenuListItem m;
    m.no = item;
    m.value = value;
    QVERIFY(st().set_MenuItem(item, &m));
  }
};

bool shows(RenderRig& rig, int id, int x, int y, QRgb key = kGreen) {
  return showsBitmap(rig.s.image(), rig.store.LoadBitmap(id), x, y, key);
}

// What the meter strip must show: the face, with `overlays` drawn
// magenta-keyed and then the needle frame black-keyed.
struct Overlay {
  int id, x, y;
};
QImage composed(BitmapStore& store, int face, int frame, std::initializer_list<Overlay> overlays) {
  QImage strip = store.LoadBitmap(face)->copy();
  for (const Overlay& o : overlays) blitKeyed(strip, *store.LoadBitmap(o.id), o.x, o.y, kKeyMagenta);
  blitKeyed(strip, *store.LoadBitmap(frame), 0, 0, kKeyBlack);
  return strip;
}

// The forwards to the option, menu-list and equaliser windows are rows of
// those windows' own files.
constexpr MsgId kHandledByTheWindows[] = {0x8335 /* RO */, 0x833B /* CN */, 0x833D /* KM */, 0x834F /* PE */};

}  // namespace

class DisplayTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // Each key colour leaves the ground showing; a missing or empty bitmap
  // draws nothing; the slot form keys green at the bitmap's real size; a
  // bitmap partly outside the panel draws its inside part.
  void surfaceKeysAndClips() {
    QImage strip(3, 1, QImage::Format_RGB32);
    const QRgb keys[] = {kMagenta, kGreen, 0xFF000000};
    for (int i = 0; i < 3; ++i) strip.setPixel(i, 0, keys[i]);
    for (int k = 0; k < 3; ++k) {
      PanelSurface s;
      hrx::test::fillSurface(s, kGround);
      QCOMPARE(s.DrawBitmap(&strip, 10, 20, keys[k]), kDrawn);
      for (int i = 0; i < 3; ++i) QCOMPARE(s.image().pixel(10 + i, 20), i == k ? kGround : keys[i]);
    }
    PanelSurface s;
    hrx::test::fillSurface(s, kGround);
    const QImage before = s.image();
    const QImage null;
    QImage red(4, 4, QImage::Format_RGB32);
    red.fill(kRed);
    QCOMPARE(s.DrawBitmap(nullptr, 0, 0, kKeyGreen), kNoBitmap);
    QCOMPARE(s.DrawBitmap(&null, 0, 0, kKeyGreen), kNoBitmap);
    QCOMPARE(s.DrawBitmap(BitmapSlot{&red, 5, 5, 0, 4}), kNoBitmap);
    QCOMPARE(s.DrawBitmap(BitmapSlot{&red, 5, 5, 4, 0}), kNoBitmap);
    QCOMPARE(s.DrawBitmap(BitmapSlot{nullptr, 5, 5, 4, 4}), kNoBitmap);
    QCOMPARE(s.image(), before);
    QImage g(6, 2, QImage::Format_RGB32);
    g.fill(kBlue);
    g.setPixel(0, 0, kKeyGreen);
    QCOMPARE(s.DrawBitmap(BitmapSlot{&g, 30, 40, 1, 1}), kDrawn);
    QCOMPARE(s.image().pixel(30, 40), kGround);
    QCOMPARE(s.image().pixel(35, 41), kBlue);
    QCOMPARE(s.DrawBitmap(&red, 1022, 333, kKeyGreen), kDrawn);
    QCOMPARE(s.image().pixel(1023, 334), kRed);
    QCOMPARE(s.DrawBitmap(&red, -2, -2, kKeyGreen), kDrawn);
    QCOMPARE(s.image().pixel(0, 0), kRed);
    QCOMPARE(s.image().pixel(2, 2), kGround);
  }

  // Only a change asks for a repaint; a batch reports its area once, only
  // when it ends up changed; the main display redrawn unchanged asks for
  // nothing.
  void damageIsReported() {
    RenderRig rig;
    QList<QRect> rects;
    rig.s.setDamageListener([&](const QRect& r) { rects << r; });
    QImage red(4, 3, QImage::Format_RGB32), blue(4, 3, QImage::Format_RGB32);
    red.fill(kRed);
    blue.fill(kBlue);
    rig.s.DrawBitmap(&red, 100, 50, kKeyGreen);
    rig.s.DrawBitmap(nullptr, 0, 0, kKeyGreen);
    rig.s.DrawBitmap(&red, 100, 50, kKeyGreen);
    rig.s.CopyBitmap(&red, 100, 50);
    QCOMPARE(rects, (QList<QRect>{QRect(100, 50, 4, 3)}));
    red.setPixel(3, 2, kBlue);
    rig.s.CopyBitmap(&red, 100, 50);
    QCOMPARE(rects.size(), 2);
    {
      const DamageBatch batch(rig.s, QRect(90, 40, 30, 30));
      rig.s.DrawBitmap(&blue, 100, 50, kKeyGreen);
      rig.s.CopyBitmap(&red, 100, 50);
    }
    QCOMPARE(rects.size(), 2);
    {
      const DamageBatch batch(rig.s, QRect(90, 40, 30, 30));
      rig.s.DrawBitmap(&blue, 100, 50, kKeyGreen);
    }
    QCOMPARE(rects, (QList<QRect>{QRect(100, 50, 4, 3), QRect(100, 50, 4, 3), QRect(90, 40, 30, 30)}));
    rig.r.DrawMainFrequency(rig.st, 14250000);
    const int afterFirst = rects.size();
    QVERIFY(afterFirst > 3);
    rig.r.DrawMainFrequency(rig.st, 14250000);
    QCOMPARE(rects.size(), afterFirst);
  }

  // The generated images at their sizes; starting the panel draws the keys
  // and lamps, not the display parts; each COM state draws its own image
  // at its place and nowhere else; without MENU's images its place stays;
  // the background draws.
  void generatedImagesAndSwitches() {
    RenderRig rig;
    const int sizes[][3] = {{1221, 1024, 335}, {1962, 40, 29}, {1225, 32, 25}, {1330, 18, 26}, {1347, 18, 26}};
    for (const auto& [id, width, height] : sizes) {
      const QImage* img = rig.store.LoadBitmap(id);
      QVERIFY2(img != nullptr && img->size() == QSize(width, height), qPrintable(QString::number(id)));
    }
    QCOMPARE(rig.store.LoadBitmap(1961)->pixel(0, 0), kGreen);
    QVERIFY(*rig.store.LoadBitmap(1331) != *rig.store.LoadBitmap(1330));
    QVERIFY(rig.store.LoadBitmap(4242) == nullptr);
    rig.store.forget(1240);
    rig.store.forget(1239);
    rig.r.LoadPanelImages();
    hrx::test::fillSurface(rig.s, kGround);
    rig.r.drawAllSwitches(0);
    QVERIFY(shows(rig, 1962, 14, 130));
    QVERIFY(shows(rig, 1225, 18, 48));
    QCOMPARE(rig.s.image().pixel(700, 65), kGround);   // the main display
    QCOMPARE(rig.s.image().pixel(470, 105), kGround);   // MENU
    QCOMPARE(rig.r.drawSwitch(Switch::Menu, 0), kNoBitmap);
    const int com[] = {1962, 1961, 1960, 1963};
    for (int state = 0; state < 4; ++state) {
      hrx::test::fillSurface(rig.s, kGround);
      QCOMPARE(rig.r.drawSwitch(Switch::Com, state), kDrawn);
      QVERIFY(shows(rig, com[state], 14, 130));
      for (const QPoint p : {QPoint(14, 130), QPoint(13, 130), QPoint(54, 130), QPoint(14, 129), QPoint(14, 159)})
        QCOMPARE(rig.s.image().pixel(p), kGround);
    }
    QCOMPARE(rig.r.drawSwitch(Switch::Com, 4), kNoBitmap);
    QCOMPARE(rig.r.drawBackground(), kDrawn);
  }

  // {frequency, chosen digit, mode, FT, CT, TX} -> the glyphs left to right
  // (1950: the chosen 100 Hz digit, a 9, in orange; 2040/2041: the FM tone
  // mark, t sent, d received) and the MHz point.
  void mainFrequency() {
    struct Row {
      int freq, chosen, mode, ft, ct, tx;
      QList<int> glyphs;
      int mhzPoint;
    };
    const Row rows[] = {
        {14250000, 0, 2, 0, 0, 0, {1332, 1347, 1333, 1335, 1331, 1331, 1331, 1331}, 1340},
        {30000, 0, 2, 0, 0, 0, {1330, 1330, 1330, 1334, 1331, 1331, 1331, 1331}, 1351},
        {56789999, 0, 2, 0, 0, 0, {1335, 1336, 1337, 1338, 1339, 1339, 1339, 1339}, 1340},
        {14250900, 3, 2, 0, 1, 2, {1332, 1347, 1333, 1335, 1331, 1950, 1331, 1331}, 1340},
        {7000000, 0, 4, 0, 1, 0, {1330, 1337, 1331, 1331, 1331, 1331, 1331, 2041}, 1340},
        {7000000, 0, 4, 0, 1, 2, {1330, 1337, 1331, 1331, 1331, 1331, 1331, 2040}, 1340},
        {7000000, 0, 10, 0, 2, 0, {1330, 1337, 1331, 1331, 1331, 1331, 1331, 1330}, 1340},
        {7000000, 0, 11, 0, 2, 2, {1330, 1337, 1331, 1331, 1331, 1331, 1331, 2040}, 1340},
        {7000000, 0, 4, 0, 0, 2, {1330, 1337, 1331, 1331, 1331, 1331, 1331, 1330}, 1340},
    };
    for (const auto& [freq, chosen, mode, ft, ct, tx, glyphs, mhzPoint] : rows) {
      RenderRig rig;
      QVERIFY(rig.st.set_IF_Mode(mode) && rig.st.set_FT_Stat(ft) && rig.st.set_CT_Main(ct) && rig.st.set_TxStat(tx));
      rig.r.setChosenMainDigit(chosen);
      rig.r.DrawMainFrequency(rig.st, freq);
      for (int i = 0; i < 8; ++i)
        QVERIFY2(hrx::test::showsMainDigit(rig.s.image(), rig.store.LoadBitmap(glyphs[i]), i),
                 qPrintable(QStringLiteral("%1 at %2").arg(freq).arg(i)));
      QVERIFY(shows(rig, mhzPoint, 659, 75));
      QVERIFY(shows(rig, 1340, 721, 75));
    }
    // From IF the tone mode goes with the transmit state remembered last.
    RenderRig rig;
    QVERIFY(rig.st.set_IF_Mode(4) && rig.st.set_CT_Main(1) && rig.st.set_TxStat(2));
    rig.r.DrawMainFrequency(rig.st, 7000000);
    QVERIFY(rig.st.set_FT_Stat(1) && rig.st.set_IF_ToneMode(1) && rig.st.set_TxStat(0));
    rig.r.DrawMainFrequency(rig.st, 7000000);
    QVERIFY(shows(rig, 2040, 767, 53));
    // A missing glyph leaves only its digit as it was.
    hrx::test::fillSurface(rig.s, kGround);
    const QImage before = rig.s.image();
    rig.store.forget(1347);   // the digit 4
    rig.r.DrawMainFrequency(rig.st, 14250000);
    QCOMPARE(rig.s.image().copy(641, 53, 18, 26), before.copy(641, 53, 18, 26));
    QVERIFY(shows(rig, 1332, 621, 53));
    QVERIFY(shows(rig, 1333, 664, 53));
  }

  // The VFO-B area: {frequency, sub mode, chosen digit} -> its digits, mode
  // label and points; only the area is touched.
  void vfoBFrequency() {
    constexpr int kX[] = {330, 341, 355, 367, 378, 392, 404, 415};
    struct Row {
      int freq, mode, chosen;
      QList<int> digits;
      int label, mhzPoint;
    };
    const Row rows[] = {
        {14250000, 2, 0, {1837, 1840, 1838, 1841, 1836, 1836, 1836, 1836}, 1846, 1855},   // USB
        {7074000, 12, 4, {1976, 1843, 1836, 1843, 1971, 1836, 1836, 1836}, 1857, 1855},   // DATA-U, 1 kHz chosen
        {39000, 13, 4, {1976, 1976, 1976, 1839, 1966, 1836, 1836, 1836}, 1834, 1977},     // AM, its 9 chosen
    };
    for (const auto& [freq, mode, chosen, digits, label, mhzPoint] : rows) {
      RenderRig rig;
      QVERIFY(rig.st.set_SF_Value(1) && rig.st.set_VfoB_Freq(freq) && rig.st.set_OI_Mode(mode) &&
              rig.st.set_FS_Flag2(1));
      rig.r.setChosenVfoBDigit(chosen);
      hrx::test::fillSurface(rig.s, kGround);
      rig.r.DrawTFT_VFO_B(rig.st);
      for (int i = 0; i < 8; ++i) QVERIFY(shows(rig, digits[i], kX[i], 127, kMagenta));
      QVERIFY(shows(rig, label, 354, 115, kMagenta));
      QVERIFY(shows(rig, 1835, 323, 114, kMagenta));
      QVERIFY(shows(rig, 1847, 396, 116, kMagenta));   // FAST on
      QVERIFY(shows(rig, 1859, 412, 116, kMagenta));   // LOCK off
      QVERIFY(shows(rig, mhzPoint, 352, 127, kMagenta));
      QVERIFY(shows(rig, 1855, 389, 127, kMagenta));
      QCOMPARE(rig.s.image().pixel(322, 126), kGround);
      QCOMPARE(rig.s.image().pixel(379, 142), kGround);
    }
  }

  // Sub dial functions other than 1..4 leave the area to their own
  // displays; CLAR with RI 8 counts as 4; memory recall empties the area
  // once and then leaves it alone until the VFO is back.
  void whatTheSubDialAllows() {
    RenderRig rig;
    auto& [s, store, r, st] = rig;
    QVERIFY(st.set_VfoB_Freq(21000000));
    hrx::test::fillSurface(s, kGround);
    r.DrawTFT_VFO_B(st);   // SF starts at 8
    QVERIFY(shows(rig, 1918, 324, 112, kMagenta));
    QVERIFY(!shows(rig, 1837, 341, 127, kMagenta));
    QVERIFY(st.set_SF_Value(5));
    r.DrawTFT_VFO_B(st);
    QVERIFY(!shows(rig, 1837, 341, 127, kMagenta));
    QVERIFY(st.set_RI_8(1));
    r.DrawTFT_VFO_B(st);
    QVERIFY(shows(rig, 1837, 341, 127, kMagenta));
    QVERIFY(shows(rig, 1838, 330, 127, kMagenta));
    QVERIFY(st.set_IF_VfoMem(1));
    r.DrawTFT_VFO_B(st);
    QVERIFY(!shows(rig, 1837, 341, 127, kMagenta));
    QVERIFY(st.set_VfoB_Freq(3500000));
    hrx::test::fillSurface(s, kGround);
    r.DrawTFT_VFO_B(st);
    QCOMPARE(s.image().pixel(379, 126), kGround);
    QVERIFY(st.set_IF_VfoMem(0));
    r.DrawTFT_VFO_B(st);
    QVERIFY(shows(rig, 1839, 341, 127, kMagenta));
  }

  // The needle frames at the ends and middle; {selection, value, busy} ->
  // face, frame and BUSY lamp;
  // while sending the needle shows RM_Meter2 with the meter's label and
  // the TX lamp; a missing face draws nothing, a missing frame the face.
  void analogMeterStrip() {
    QCOMPARE((QList<int>{kNeedleFrame[0], kNeedleFrame[128], kNeedleFrame[255]}), (QList<int>{1353, 1455, 1355}));
    const int rows[][5] = {{0, 0, 0, 1536, 1353}, {2, 128, 1, 1538, 1455}, {1, 255, 0, 1535, 1355}};
    for (const auto& [selection, value, busy, face, frame] : rows) {
      RenderRig rig;
      QVERIFY(rig.st.set_MS_Stat(selection) && rig.st.set_MainRx_Busy(busy) && rig.st.set_RM_Meter2(200));
      hrx::test::fillSurface(rig.s, kGround);
      QCOMPARE(rig.r.drawMeterStrip(rig.st, value), kDrawn);
      QCOMPARE(rig.s.image().copy(153, 53, 168, 56),
               busy ? composed(rig.store, face, frame, {{1924, 2, 2}}) : composed(rig.store, face, frame, {}));
      QCOMPARE(rig.s.image().pixel(152, 53), kGround);
      QCOMPARE(rig.s.image().pixel(321, 108), kGround);
    }
    RenderRig rig;
    QVERIFY(rig.st.set_MS_Stat(1) && rig.st.set_TxStat(2) && rig.st.set_MainRx_Busy(1) && rig.st.set_RM_Meter2(128));
    QCOMPARE(rig.r.drawMeterStrip(rig.st, 5), kDrawn);
    QCOMPARE(rig.s.image().copy(153, 53, 168, 56), composed(rig.store, 1535, 1455, {{1922, 2, 2}, {1925, 4, 45}}));
    hrx::test::fillSurface(rig.s, kGround);
    const QImage before = rig.s.image();
    QVERIFY(rig.st.set_MS_Stat(0) && rig.st.set_TxStat(0) && rig.st.set_MainRx_Busy(0));
    rig.store.forget(1536);   // COMP's face
    QCOMPARE(rig.r.drawMeterStrip(rig.st, 100), kNoBitmap);
    QCOMPARE(rig.s.image(), before);
    QVERIFY(rig.st.set_MS_Stat(2));
    rig.store.forget(kNeedleFrame[100]);
    QCOMPARE(rig.r.drawMeterStrip(rig.st, 100), kDrawn);
    QCOMPARE(rig.s.image().copy(153, 53, 168, 56), rig.store.LoadBitmap(1538)->copy());
  }

  // Every analyser event and every look message of the key table has a
  // row (a null row where it is deliberately left alone).
  void everyEventAndLookHasARow() {
    Panel p;
    std::vector<MsgId> ids = {
#define HRX_REPLY(code, event, length) event,
#include "state/ReplyCodes.def"
#undef HRX_REPLY
        hrx::WM_ANL_EVT_EX, 0x810A};
    for (int key = 1; key <= 200; ++key)
      if (const hrx::panel::KeyRow* k = hrx::panel::findKey(key); k != nullptr && k->look != 0) ids.push_back(k->look);
    QVERIFY(ids.size() > 120);
    for (MsgId id : ids)
      if (std::find(std::begin(kHandledByTheWindows), std::end(kHandledByTheWindows), id) == std::end(kHandledByTheWindows))
        QVERIFY2(p.w.messageRows().contains(id), qPrintable(QString::number(id, 16)));
  }

  // Looks {state, message, wParam} and replies {state, event} -> images at
  // their places.
  void looksAndRepliesDrawTheirImages() {
    struct Shown {
      int image, x, y;
      QRgb key;
    };
    struct Row {
      const char* what;
      std::function<void(RadioState&)> set;
      MsgId msg;
      hrx::WParam w;
      std::vector<Shown> shown;
    };
    const Row rows[] = {
        {"ON/OFF released, power on", [](RadioState& s) { s.set_PS_Stat(1); }, 0x8579, 0, {{1227, 18, 48, kGreen}}},
        {"COM pressed, not connected", [](RadioState&) {}, 0x8578, 1, {{1961, 14, 130, kGreen}}},
        {"COM pressed, connected", [](RadioState& s) { s.set_AI_Stat(1); }, 0x8578, 1, {{1963, 14, 130, kGreen}}},
        {"MOX lit", [](RadioState& s) { s.set_MX_Stat(1); }, 0x857B, 0, {{1248, 75, 279, kGreen}}},
        {"CONT/APF pressed", [](RadioState&) {}, 0x8603, 1, {{1249, 302, 279, kGreen}}},
        {"band 24.5 pressed", [](RadioState&) {}, 0x85B2, 1, {{1280, 921, 104, kGreen}}},
        {"VFO-B/CLAR lit at SF 4", [](RadioState& s) { s.set_SF_Value(4); }, 0x8609, 0, {{1325, 989, 240, kGreen}}},
        {"MHz/uT at SF 1 and RI_9 1", [](RadioState& s) { s.set_SF_Value(1); s.set_RI_9(1); }, 0x860A, 0,
         {{2046, 868, 288, kGreen}}},
        {"MCH/GRP at SF 2", [](RadioState& s) { s.set_SF_Value(2); }, 0x860B, 0, {{1932, 989, 288, kGreen}}},
        {"SF 2 with RI_9 1: 4, 0, 4", [](RadioState& s) { s.set_SF_Value(2); s.set_RI_9(1); }, 0x8304, 0,
         {{1932, 868, 288, kGreen}, {1323, 989, 240, kGreen}, {1932, 989, 288, kGreen}}},
        {"MX on", [](RadioState& s) { s.set_MX_Stat(1); }, 0x831A, 0, {{1248, 75, 279, kGreen}}},
        {"AI on lights COM", [](RadioState& s) { s.set_AI_Stat(1); }, 0x833A, 0, {{1960, 14, 130, kGreen}}},
        {"AI off darkens COM", [](RadioState& s) { s.set_AI_Stat(0); }, hrx::WM_ANL_EVT_AI, 0, {{1962, 14, 130, kGreen}}},
        {"PS off", [](RadioState& s) { s.set_PS_Stat(0); }, hrx::WM_ANL_EVT_PS, 0, {{1225, 18, 48, kGreen}}},
        {"PS on", [](RadioState& s) { s.set_PS_Stat(1); }, hrx::WM_ANL_EVT_PS, 0, {{1227, 18, 48, kGreen}}},
        {"MD USB: USB label lit, LSB dark", [](RadioState& s) { s.set_MD_Main(2); }, 0x8345, 0,
         {{1341, 809, 61, kMagenta}, {2111, 809, 51, kMagenta}}},
        {"MD CW-L: LSB and CW lit", [](RadioState& s) { s.set_MD_Main(7); }, 0x8345, 0,
         {{1345, 809, 51, kMagenta}, {1343, 816, 71, kMagenta}, {2113, 809, 61, kMagenta}}},
        {"OI copies the sub mode: FM lit on the sub row", [](RadioState& s) { s.set_OI_Mode(4); }, 0x833F, 0,
         {{1348, 520, 50, kMagenta}}},
        {"indicator row: KEYER, not PROC", [](RadioState& s) { s.set_KR_Stat(1); s.set_PR_Stat(1); }, 0x8315, 0,
         {{1630, 205, 144, kMagenta}}},
        {"indicator row: HI-SWR hides DNR", [](RadioState& s) { s.set_RI_0(1); s.set_NR_Main(1); }, 0x8348, 0,
         {{1629, 324, 144, kMagenta}}},
        {"soft keys: VOX on, METER SWR", [](RadioState& s) { s.set_VX_Stat(1); s.set_MS_Stat(3); }, 0x8306, 0,
         {{2030, 162, 168, kMagenta}, {1999, 162, 188, kMagenta}}},
        {"soft keys in FM: RPT -, TONE ENC, SQL OFF",
         [](RadioState& s) { s.set_MD_Main(4); s.set_OS_Main(2); s.set_CT_Main(2); }, 0x8306, 0,
         {{2016, 228, 168, kMagenta}, {2026, 361, 168, kMagenta}, {2022, 361, 188, kMagenta}}},
        // Soft keys 2, 4 and 8 follow the receive side, as their commands do.
        {"soft keys, receiving on VFO-B in FM: RPT, TONE, SQL OFF",
         [](RadioState& s) { s.set_FR_Stat(4); s.set_MD_Sub(4); s.set_MD_Main(2); }, 0x8306, 0,
         {{2020, 228, 168, kMagenta}, {2028, 361, 168, kMagenta}, {2022, 361, 188, kMagenta}}},
        {"soft keys, the FR report alone moves reception to VFO-B in FM",
         [](RadioState& s) { s.set_FR_Stat(4); s.set_MD_Sub(4); s.set_MD_Main(2); }, hrx::WM_ANL_EVT_FR, 0,
         {{2020, 228, 168, kMagenta}, {2028, 361, 168, kMagenta}, {2022, 361, 188, kMagenta}}},
    };
    for (const Row& r : rows) {
      Panel p;
      // The COM and ON/OFF lamps drawn in the other state first, so the AI
      // and PS events have something to change.
      RadioState want;
      r.set(want);
      p.st().set_AI_Stat(1 - want.get_AI_Stat());
      p.st().set_PS_Stat(1 - want.get_PS_Stat());
      p.send(hrx::WM_ANL_EVT_AI, 0, 5);
      p.send(hrx::WM_ANL_EVT_PS, 0, 5);
      p.st().set_AI_Stat(want.get_AI_Stat());
      p.st().set_PS_Stat(want.get_PS_Stat());
      r.set(p.st());
      p.send(r.msg, r.w, 5);
      for (const Shown& s : r.shown) QVERIFY2(p.shows(s.image, s.x, s.y, s.key), r.what);
    }
  }

  // The rules without a fixed key place: the state index each gives.
  void lookRulesFollowTheState() {
    struct Row {
      const char* what;
      std::function<void(RadioState&)> set;
      MsgId msg;
      hrx::WParam w;
      int index;
    };
    const Row rows[] = {
        {"FR 4 draws nothing on 0x85a0", [](RadioState& s) { s.set_FR_Stat(4); }, 0x85A0, 0, -1},
        {"FR 2 lights 0x85a0", [](RadioState& s) { s.set_FR_Stat(2); }, 0x85A0, 1, 3},
        {"mode lamp follows MD_Sub with VS 1",
         [](RadioState& s) { s.set_VS_Stat(1); s.set_MD_Main(2); s.set_MD_Sub(1); }, 0x8594, 0, 2},
        {"FM lights 0x8597 +4", [](RadioState& s) { s.set_MD_Main(4); }, 0x8597, 1, 5},
        {"mode 0 draws no lamp", [](RadioState& s) { s.set_MD_Main(0); }, 0x8599, 0, -1},
        {"0x85f0 at SF 2", [](RadioState& s) { s.set_SF_Value(2); }, 0x85F0, 0, 4},
        {"0x85c7 at SF 7", [](RadioState& s) { s.set_SF_Value(7); }, 0x85C7, 0, 2},
        {"keypad A side flag 5", [](RadioState& s) { s.set_KC_Main_Flag5(1); }, 0x85E0, 0, 2},
        {"VFO-A RX draws nothing", [](RadioState&) {}, 0x8604, 1, -1},
    };
    for (const Row& r : rows) {
      RadioState s;
      r.set(s);
      const hrx::panel::LookRow* look = hrx::panel::findLook(r.msg);
      QVERIFY2(look != nullptr && hrx::panel::lookIndex(*look, r.w, s) == r.index, r.what);
    }
  }

  // A failing draw of the IPO key tells the operator; of ATT it is silent.
  void failedKeyDrawsNameTheirSetter() {
    Panel p;
    p.w.renderer().store().forget(1237);
    p.w.renderer().store().forget(1235);
    p.w.renderer().LoadPanelImages();
    p.send(0x8583, 1);   // ATT pressed
    QVERIFY(p.w.findChildren<QMessageBox*>().isEmpty());
    p.send(0x8584, 1);   // IPO pressed
    const auto boxes = p.w.findChildren<QMessageBox*>();
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.front()->text(), QStringLiteral("DispBMP failed. in SetIpoSwitch"));
  }

  // SF 6 leaves the three images as they were; KP changes nothing; NA
  // redraws only the indicator row. MD asks the composer for IF and OI
  // only when it comes from a reply.
  void repliesThatLeaveThePanelAlone() {
    Panel p;
    p.st().set_SF_Value(3);
    p.send(0x8304);
    const QImage lamps = p.w.surfaceImage().copy(868, 240, 150, 70);
    p.st().set_SF_Value(6);
    p.send(0x8304);
    QCOMPARE(p.w.surfaceImage().copy(868, 240, 150, 70), lamps);
    const QImage before = p.w.surfaceImage().copy();
    p.send(0x8322);   // KP
    QCOMPARE(p.w.surfaceImage(), before);
    p.st().set_NA_Main(1);
    p.send(0x830F);   // NA
    QImage after = p.w.surfaceImage().copy();
    QVERIFY(p.shows(1788, 256, 144, kMagenta));
    QPainter(&after).drawImage(154, 144, before.copy(154, 144, 200, 8));
    QCOMPARE(after, before);
    p.send(hrx::WM_ANL_EVT_MD, 0, 0);
    QVERIFY(p.core.composerPosts.empty());
    p.send(hrx::WM_ANL_EVT_MD, 0, 67);
    QCOMPARE(p.core.composerPosts, (std::vector<MsgId>{0x88E8, 0x88E9}));
  }

  // KC: the key-mode words and the keypad images of both sides.
  void keyModeReply() {
    Panel p;
    p.st().set_KC_Main_Pos6(3);
    p.st().set_MD_Main(3);
    p.st().set_CO_Main_OnKind(1);
    p.st().set_KC_Sub_Pos6(2);
    p.st().set_KC_Main_Sel(5);
    p.st().set_KC_Main_Flag5(1);
    p.st().set_KC_Sub_Sel(0);
    p.send(hrx::WM_ANL_EVT_KC);
    QCOMPARE(p.core.mirrorCopy.get_KeyMode_Main(), 2);
    QCOMPARE(p.core.mirrorCopy.get_KeyMode_Sub(), 1);
    QCOMPARE(p.core.mirrorCopy.get_KeyModeFlag_Sub(), 1);
    const auto& lit = p.w.renderer().slots(Switch::Look85E0);
    QVERIFY(showsBitmap(p.w.surfaceImage(), lit[2].bitmap, lit[2].x, lit[2].y, kGreen));
    p.st().set_CO_Main_OnKind(2);
    p.send(hrx::WM_ANL_EVT_KC);
    QCOMPARE(p.core.mirrorCopy.get_KeyMode_Main(), 3);
  }

  // The bar display's three styles: {type, value} -> the x of the blue
  // segments and whether the red centre mark shows.
  void barDisplay() {
    struct Row {
      int type, value;
      std::vector<int> segments;
      bool centre;
    };
    const auto run = [](int from) {
      std::vector<int> xs;
      for (int i = 0; i < 15; ++i) xs.push_back(from + 2 * i);
      return xs;
    };
    const Row rows[] = {
        {1, 11, {}, true}, {1, 1, run(364), true}, {1, 21, run(396), true},
        {3, 5, {382}, false}, {2, 6, {392, 396}, true}, {2, 1, {364, 366, 368}, false},
    };
    for (const Row& r : rows) {
      Panel p;
      p.st().set_BG_Value1(r.type);
      p.st().set_BG_Value2(r.value);
      p.send(0x834D);
      const QImage& img = p.w.surfaceImage();
      const QRgb blue = p.bmp(1921)->pixel(0, 0), red = p.bmp(1920)->pixel(0, 0);
      std::vector<int> seen;
      for (int x = 359; x < 430; ++x)
        if (img.pixel(x, 150) == blue) seen.push_back(x);
      QVERIFY2(seen == r.segments, qPrintable(QStringLiteral("type %1 value %2").arg(r.type).arg(r.value)));
      QCOMPARE(img.pixel(394, 150) == red, r.centre);
    }
  }

  // The IS display: started by the third report (the first two record the
  // receive side and mode), counted down on blink ticks, and the VFO-B
  // frequency back on the first VFO-B tick after 3 s.
  void shiftDisplayCountsDown() {
    Panel p;
    p.st().set_SF_Value(1);
    p.st().set_MD_Main(2);
    p.st().set_IS_Main(120);
    p.w.onTimerTick(7);
    QVERIFY(p.shows(1835, 323, 114, kMagenta));
    for (int i = 0; i < 3; ++i) p.send(hrx::WM_ANL_EVT_IS, 0, 54);
    QCOMPARE(p.countdown(TempDisplay::Shift), 30);
    p.w.onTimerTick(1234);
    // "     120Hz": SHIFT caption, 1 at the sixth place (x = 380).
    QVERIFY(p.shows(1828, 323, 114, kMagenta));
    QVERIFY(p.shows(1875, 380, 127, kMagenta));
    for (int tick = 2; tick <= 29; ++tick) {
      p.w.onTimerTick(1234);
      p.w.onTimerTick(7);
      QVERIFY2(p.shows(1828, 323, 114, kMagenta), qPrintable(QString::number(tick)));
    }
    p.w.onTimerTick(1234);   // the 30th: the countdown runs out
    QCOMPARE(p.countdown(TempDisplay::Shift), 0);
    p.w.onTimerTick(7);
    QVERIFY(p.shows(1835, 323, 114, kMagenta));
    QVERIFY(p.shows(1837, 330, 127, kMagenta) || p.shows(1976, 330, 127, kMagenta));
  }

  // MG starts its display only for a value it has not started with; MC
  // starts the memory display at once, but not on a restore.
  void micGainAndMemoryStarts() {
    Panel p;
    p.st().set_MG_Value(40);
    for (int i = 0; i < 3; ++i) p.send(hrx::WM_ANL_EVT_MG, 0, 37);
    // The same value three times: one gate call, which only arms.
    QCOMPARE(p.countdown(TempDisplay::MicGain), 0);
    for (int v : {41, 42}) {
      p.st().set_MG_Value(v);
      p.send(hrx::WM_ANL_EVT_MG, 0, 37);
    }
    QCOMPARE(p.countdown(TempDisplay::MicGain), 30);
    p.send(hrx::WM_ANL_EVT_MG, 0, 0);   // a redraw starts nothing
    p.st().set_MC_Channel(103);
    p.w.Disp_Restore();
    QCOMPARE(p.countdown(TempDisplay::Memory), 0);
    p.send(hrx::WM_ANL_EVT_MC);
    QCOMPARE(p.countdown(TempDisplay::Memory), 30);
    QCOMPARE(p.countdown(TempDisplay::MicGain), 0);
    // Channel 103 is "     P-2U ": P at x = 380, U at x = 410.
    p.w.onTimerTick(1234);
    QVERIFY(p.shows(1902, 380, 127, kMagenta));
    QVERIFY(p.shows(1908, 410, 127, kMagenta));
  }

  // The width conversion, and the pass-band pictures drawn only on change
  // and only while connected.
  void widthAndPassBand() {
    const int widths[][4] = {{2, 20, 0, 3000}, {3, 20, 0, 0}, {3, 10, 0, 500}, {11, 3, 1, 9000}, {13, 3, 0, 0}};
    for (const auto& [mode, index, wide, hz] : widths) QCOMPARE(widthHz(mode, index, wide != 0), hz);
    Panel p;
    const QImage idle = p.w.surfaceImage().copy(324, 53, 101, 27);
    p.w.onTimerTick(32);   // not connected: nothing drawn
    QCOMPARE(p.w.surfaceImage().copy(324, 53, 101, 27), idle);
    p.st().set_AI_Stat(1);
    QVERIFY(p.w.renderer().drawPassBand(0, p.st()));
    QVERIFY(!p.w.renderer().drawPassBand(0, p.st()));
    const QImage drawn = p.w.surfaceImage().copy(324, 53, 101, 27);
    QVERIFY(drawn != idle);
    p.st().set_IS_Main(-400);
    p.w.onTimerTick(32);
    QVERIFY(p.w.surfaceImage().copy(324, 53, 101, 27) != drawn);
    QVERIFY(!p.w.renderer().drawPassBand(0, p.st()));
  }

  // The CLAR display and the glyph table's bounds.
  void clarTextAndGlyphs() {
    const int glyphs[][2] = {{0x41, 1885}, {0xC0, 1917}, {-3, 1917}, {0x88, 1893}};
    for (const auto& [c, id] : glyphs) QCOMPARE(tftGlyph(c), id);
    Panel p;
    p.st().set_SF_Value(5);
    p.st().set_IF_ClarOffset(-120.7);
    p.st().set_RT_Stat(1);
    p.w.onTimerTick(7);
    // "    -120Hz": CLAR RX caption, the minus at x = 370.
    QVERIFY(p.shows(1814, 323, 114, kMagenta));
    QVERIFY(p.shows(1872, 370, 127, kMagenta));
    p.st().set_IF_ClarOffset(120);
    p.w.onTimerTick(7);
    QVERIFY(p.shows(1873, 370, 127, kMagenta));
  }

  // Item 11 selects the bar face; value 40 gives 11 segments, the last at
  // x = 46; with item 12 at 2 a falling level leaves the peak for 25 ticks.
  void barMeterAndPeakHold() {
    Panel p;
    p.menu(11, 1);
    p.menu(12, 2);
    p.st().set_MS_Stat(3);
    PanelRenderer& r = p.w.renderer();
    QCOMPARE(r.drawMeterStrip(p.st(), 40), kDrawn);
    const QImage face = *p.bmp(1805);
    auto strip = [&] { return p.w.surfaceImage().copy(153, 53, 168, 56); };
    auto lit = [&](int x, int y) { return strip().pixel(x, y) != face.pixel(x, y); };
    QVERIFY(lit(26, 18) && lit(46, 18) && !lit(48, 18));
    QVERIFY(r.peakHoldOn());
    QCOMPARE(r.heldPeak(0), 11);
    r.drawMeterStrip(p.st(), 0);   // the level falls to one segment
    QVERIFY(lit(46, 18));          // the peak mark stays
    for (int t = 1; t < 25; ++t) QVERIFY(!r.peakHoldTick());
    QVERIFY(r.peakHoldTick());
    r.drawMeterStrip(p.st(), 0);
    QVERIFY(!lit(46, 18));
    QCOMPARE(r.heldPeak(0), 1);
    // Selection 2 (PO): one bar at y 25..30; the peaks start again.
    p.st().set_MS_Stat(2);
    r.drawMeterStrip(p.st(), 40);
    const QImage po = *p.bmp(1804);
    QVERIFY(strip().pixel(46, 27) != po.pixel(46, 27));
    QCOMPARE(strip().pixel(46, 18), po.pixel(46, 18));
    // Item 11 at 0: the analog face again, and no peak hold.
    p.menu(11, 0);
    r.drawMeterStrip(p.st(), 0);
    QVERIFY(!r.peakHoldOn());
  }

  // Disp_Start asks the core for nothing, and a restore of a drawn panel
  // gives the same picture.
  void displayStartSendsNothingAndRestoreIsIdentical() {
    Panel p;
    p.st().set_MD_Main(9);
    p.st().set_VX_Stat(1);
    p.st().set_AI_Stat(1);
    p.st().set_BG_Value1(1);
    p.st().set_BG_Value2(4);
    p.w.Disp_Start();
    QVERIFY(p.core.requests.empty());
    QVERIFY(p.core.composerPosts.empty());
    // The read-out: each event once more, now as a reply.
    for (const hrx::Msg& m : p.w.dispStartLog()) p.send(m.id, m.w, m.id == hrx::WM_ANL_EVT_MD ? 0 : 9);
    // The two strips wait for the paint handler.
    p.w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&p.w));
    QTRY_VERIFY(!p.w.meterPending() && !p.w.blockIconsPending() && p.w.meterDraws() > 0);
    p.w.onTimerTick(32);
    p.w.onTimerTick(33);
    const QImage first = p.w.surfaceImage().copy();
    p.w.Disp_Restore();
    QCOMPARE(p.w.surfaceImage(), first);
    QVERIFY(p.core.requests.empty());
    QVERIFY(p.core.composerPosts.empty());
  }
};

static const hrx::test::GuiSuite kSuite("Display", hrx::test::runSuite<DisplayTest>);

#include "DisplayTest.moc"
