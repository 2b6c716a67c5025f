// The panel surface: key colours, result codes, missing bitmaps, the
// generated resources and the main frequency display, read back as pixels.
#include <QtTest>

#include "GuiSuites.h"

#include "GuiRig.h"
#include "render/PanelRenderer.h"
#include "state/RadioState.h"

using namespace hrx::render;
using hrx::test::showsBitmap;

namespace {

constexpr QRgb kRed = 0xFFFF0000;
constexpr QRgb kBlue = 0xFF0000FF;
constexpr QRgb kGround = 0xFF123456;

// A 3 x 1 bitmap: magenta, green, black.
QImage keyStrip() {
  QImage img(3, 1, QImage::Format_RGB32);
  img.setPixel(0, 0, kKeyMagenta);
  img.setPixel(1, 0, kKeyGreen);
  img.setPixel(2, 0, kKeyBlack);
  return img;
}

void fill(PanelSurface& s, QRgb colour) { hrx::test::fillSurface(s, colour); }

}  // namespace

class RenderTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void keyColourIsLeftOut_data() {
    QTest::addColumn<uint>("key");
    QTest::addColumn<int>("keptPixel");   // the one pixel that shows the ground
    QTest::newRow("magenta") << uint(kKeyMagenta) << 0;
    QTest::newRow("green") << uint(kKeyGreen) << 1;
    QTest::newRow("black") << uint(kKeyBlack) << 2;
  }
  void keyColourIsLeftOut() {
    QFETCH(uint, key);
    QFETCH(int, keptPixel);
    PanelSurface s;
    fill(s, kGround);
    const QImage strip = keyStrip();
    QCOMPARE(s.DrawBitmap(&strip, 10, 20, key), kDrawn);
    for (int i = 0; i < 3; ++i) {
      const QRgb expected = i == keptPixel ? kGround : strip.pixel(i, 0);
      QCOMPARE(s.image().pixel(10 + i, 20), expected);
    }
  }

  void resultCodesAndClipping() {
    PanelSurface s;
    fill(s, kGround);
    const QImage before = s.image();
    QCOMPARE(s.DrawBitmap(nullptr, 0, 0, kKeyGreen), kNoBitmap);
    const QImage null;
    QCOMPARE(s.DrawBitmap(&null, 0, 0, kKeyGreen), kNoBitmap);
    QImage red(4, 4, QImage::Format_RGB32);
    red.fill(kRed);
    QCOMPARE(s.DrawBitmap(BitmapSlot{&red, 5, 5, 0, 4}), kNoBitmap);
    QCOMPARE(s.DrawBitmap(BitmapSlot{&red, 5, 5, 4, 0}), kNoBitmap);
    QCOMPARE(s.DrawBitmap(BitmapSlot{nullptr, 5, 5, 4, 4}), kNoBitmap);
    QCOMPARE(s.image(), before);
    // The slot form draws with KeyGreen and the bitmap's real size.
    QImage g(6, 2, QImage::Format_RGB32);
    g.fill(kBlue);
    g.setPixel(0, 0, kKeyGreen);
    QCOMPARE(s.DrawBitmap(BitmapSlot{&g, 30, 40, 1, 1}), kDrawn);
    QCOMPARE(s.image().pixel(30, 40), kGround);
    QCOMPARE(s.image().pixel(35, 41), kBlue);
    // Partly outside the panel: the inside part is drawn, nothing breaks.
    QCOMPARE(s.DrawBitmap(&red, kPanelWidth - 2, kPanelHeight - 2, kKeyGreen), kDrawn);
    QCOMPARE(s.image().pixel(kPanelWidth - 1, kPanelHeight - 1), kRed);
    QCOMPARE(s.DrawBitmap(&red, -2, -2, kKeyGreen), kDrawn);
    QCOMPARE(s.image().pixel(0, 0), kRed);
    QCOMPARE(s.image().pixel(2, 2), kGround);
  }

  void damageIsReported() {
    PanelSurface s;
    QList<QRect> rects;
    s.setDamageListener([&](const QRect& r) { rects << r; });
    QImage red(4, 3, QImage::Format_RGB32);
    red.fill(kRed);
    s.DrawBitmap(&red, 100, 50, kKeyGreen);
    s.DrawBitmap(nullptr, 0, 0, kKeyGreen);
    // The same drawing again changes nothing and asks for no repaint.
    s.DrawBitmap(&red, 100, 50, kKeyGreen);
    s.CopyBitmap(&red, 100, 50);
    QCOMPARE(rects, (QList<QRect>{QRect(100, 50, 4, 3)}));
    red.setPixel(3, 2, kBlue);
    s.CopyBitmap(&red, 100, 50);
    QCOMPARE(rects.size(), 2);
    // A batch reports its area once, only when it ends up changed.
    QImage blue(4, 3, QImage::Format_RGB32);
    blue.fill(kBlue);
    {
      const DamageBatch batch(s, QRect(90, 40, 30, 30));
      s.DrawBitmap(&blue, 100, 50, kKeyGreen);
      s.CopyBitmap(&red, 100, 50);
    }
    QCOMPARE(rects.size(), 2);
    {
      const DamageBatch batch(s, QRect(90, 40, 30, 30));
      s.DrawBitmap(&blue, 100, 50, kKeyGreen);
    }
    QCOMPARE(rects.size(), 3);
    QCOMPARE(rects.last(), QRect(90, 40, 30, 30));
    // The main display redrawn unchanged asks for nothing.
    BitmapStore store;
    PanelRenderer r(s, store);
    hrx::RadioState st;
    r.DrawMainFrequency(st, 14250000);
    const int afterFirst = rects.size();
    QVERIFY(afterFirst > 3);
    r.DrawMainFrequency(st, 14250000);
    QCOMPARE(rects.size(), afterFirst);
  }

  // The generated images: the panel, the dial, the glyphs at their sizes,
  // key images with the switch key colour in their corner.
  void generatedResources() {
    BitmapStore store;
    const int sizes[][3] = {{1221, 1024, 335}, {1962, 40, 29}, {1225, 32, 25}, {1330, 18, 26}, {1347, 18, 26}};
    for (const auto& [id, width, height] : sizes) {
      const QImage* img = store.LoadBitmap(id);
      QVERIFY2(img != nullptr && img->size() == QSize(width, height), qPrintable(QString::number(id)));
    }
    QCOMPARE(store.LoadBitmap(1961)->pixel(0, 0), kKeyGreen);
    QVERIFY(*store.LoadBitmap(1331) != *store.LoadBitmap(1330));
    QVERIFY(*store.LoadBitmap(1347) != *store.LoadBitmap(1335));
    QVERIFY(store.LoadBitmap(4242) == nullptr);
  }

  // Starting the panel draws the keys and lamps, not the display parts;
  // each state of a key draws its own image at its place and nowhere else.
  void switchesDrawTheirStatesAtTheirPlaces() {
    PanelSurface s;
    BitmapStore store;
    PanelRenderer r(s, store);
    r.LoadPanelImages();
    fill(s, kGround);
    r.drawAllSwitches(0);
    QVERIFY(showsBitmap(s.image(), store.LoadBitmap(1962), 14, 130, kKeyGreen));
    QVERIFY(showsBitmap(s.image(), store.LoadBitmap(1225), 18, 48, kKeyGreen));
    QCOMPARE(s.image().pixel(700, 65), kGround);   // the main display
    const int com[] = {1962, 1961, 1960, 1963};
    for (int state = 0; state < 4; ++state) {
      fill(s, kGround);
      QCOMPARE(r.drawSwitch(Switch::Com, state), kDrawn);
      QVERIFY(showsBitmap(s.image(), store.LoadBitmap(com[state]), 14, 130, kKeyGreen));
      QCOMPARE(s.image().pixel(14, 130), kGround);   // green corners leave the ground
      for (const QPoint p : {QPoint(13, 130), QPoint(54, 130), QPoint(14, 129), QPoint(14, 159)})
        QCOMPARE(s.image().pixel(p), kGround);
    }
    QCOMPARE(r.drawSwitch(Switch::Com, 4), kNoBitmap);
  }

  void backgroundShowsTheLegendsAtTheirKeys() {
    PanelSurface s;
    BitmapStore store;
    PanelRenderer r(s, store);
    QCOMPARE(r.drawBackground(), kDrawn);
    // Inside each key's hit rectangle something is printed: more than one
    // colour appears.
    const QRect keys[] = {{14, 130, 41, 30}, {18, 48, 33, 26}, {90, 59, 46, 15}, {587, 127, 54, 20},
                          {872, 43, 38, 18}, {969, 176, 37, 24}};
    for (const QRect& k : keys) {
      QSet<QRgb> colours;
      const QImage area = s.image().copy(k);
      for (int y = 0; y < area.height(); ++y)
        for (int x = 0; x < area.width(); ++x) colours.insert(area.pixel(x, y));
      QVERIFY2(colours.size() >= 3, qPrintable(QStringLiteral("%1,%2").arg(k.x()).arg(k.y())));
    }
  }

  void missingSwitchImages() {
    PanelSurface s;
    BitmapStore store;
    PanelRenderer r(s, store);
    store.forget(1240);
    store.forget(1239);
    r.LoadPanelImages();
    // Without MENU's images its place stays as it was and the other
    // elements still draw.
    fill(s, kGround);
    const QImage before = s.image();
    r.drawAllSwitches(0);
    const QRect menu(459, 99, 30, 13);
    QVERIFY(hrx::test::sameArea(s.image(), before, menu));
    QCOMPARE(r.drawSwitch(Switch::Menu, 0), kNoBitmap);
    QVERIFY(showsBitmap(s.image(), store.LoadBitmap(1225), 18, 48, kKeyGreen));
  }

  // Bitmap ids left to right, and the MHz point.
  void mainFrequency() {
    struct Row {
      int freq;
      QList<int> glyphs;
      int mhzPoint;
    };
    const Row rows[] = {
        {14250000, {1332, 1347, 1333, 1335, 1331, 1331, 1331, 1331}, 1340},
        {30000, {1330, 1330, 1330, 1334, 1331, 1331, 1331, 1331}, 1351},
        {56789999, {1335, 1336, 1337, 1338, 1339, 1339, 1339, 1339}, 1340},
    };
    for (const auto& [freq, glyphs, mhzPoint] : rows) {
      PanelSurface s;
      BitmapStore store;
      PanelRenderer r(s, store);
      hrx::RadioState st;
      r.DrawMainFrequency(st, freq);
      for (int i = 0; i < 8; ++i)
        QVERIFY2(hrx::test::showsMainDigit(s.image(), store.LoadBitmap(glyphs[i]), i),
                 qPrintable(QString::number(i)));
      QVERIFY(showsBitmap(s.image(), store.LoadBitmap(mhzPoint), 659, 75, kKeyGreen));
      QVERIFY(showsBitmap(s.image(), store.LoadBitmap(1340), 721, 75, kKeyGreen));
    }
  }

  // {mode, FT, CT, TX} -> the last glyph: d for a tone received, t sent.
  void toneMarkInTheFmModes() {
    const int rows[][5] = {{4, 0, 1, 0, 2041}, {4, 0, 1, 2, 2040}, {10, 0, 2, 0, 1330},
                           {11, 0, 2, 2, 2040}, {4, 0, 0, 2, 1330}, {2, 0, 1, 2, 1331}};
    for (const auto& [mode, ftStat, ctMain, txStat, lastGlyph] : rows) {
      PanelSurface s;
      BitmapStore store;
      PanelRenderer r(s, store);
      hrx::RadioState st;
      QVERIFY(st.set_IF_Mode(mode) && st.set_FT_Stat(ftStat) && st.set_CT_Main(ctMain) && st.set_TxStat(txStat));
      r.DrawMainFrequency(st, 7000000);
      QVERIFY(showsBitmap(s.image(), store.LoadBitmap(lastGlyph), 767, 53, kKeyGreen));
      QVERIFY(showsBitmap(s.image(), store.LoadBitmap(1337), 641, 53, kKeyGreen));
    }
  }

  void toneModeFromIfUsesTheRememberedTransmitState() {
    PanelSurface s;
    BitmapStore store;
    PanelRenderer r(s, store);
    hrx::RadioState st;
    QVERIFY(st.set_IF_Mode(4) && st.set_CT_Main(1) && st.set_TxStat(2));
    r.DrawMainFrequency(st, 7000000);   // remembers transmit
    QVERIFY(st.set_FT_Stat(1) && st.set_IF_ToneMode(1) && st.set_TxStat(0));
    r.DrawMainFrequency(st, 7000000);
    QVERIFY(showsBitmap(s.image(), store.LoadBitmap(2040), 767, 53, kKeyGreen));
  }

  void chosenDigitIsOrange() {
    PanelSurface s;
    BitmapStore store;
    PanelRenderer r(s, store);
    hrx::RadioState st;
    r.setChosenMainDigit(3);   // the 100 Hz digit
    r.DrawMainFrequency(st, 14250900);
    QVERIFY(showsBitmap(s.image(), store.LoadBitmap(1950), 727, 53, kKeyGreen));
    QVERIFY(showsBitmap(s.image(), store.LoadBitmap(1331), 747, 53, kKeyGreen));
  }

  void missingGlyphLeavesOnlyItsDigitBlank() {
    PanelSurface s;
    BitmapStore store;
    PanelRenderer r(s, store);
    hrx::RadioState st;
    fill(s, kGround);
    const QImage before = s.image();
    store.forget(1347);   // the digit 4
    r.DrawMainFrequency(st, 14250000);
    QVERIFY(hrx::test::sameArea(s.image(), before, QRect(641, 53, 18, 26)));
    QVERIFY(showsBitmap(s.image(), store.LoadBitmap(1332), 621, 53, kKeyGreen));
    QVERIFY(showsBitmap(s.image(), store.LoadBitmap(1333), 664, 53, kKeyGreen));
  }
};

static const hrx::test::GuiSuite kSuite("Render", hrx::test::runSuite<RenderTest>);

#include "RenderTest.moc"
