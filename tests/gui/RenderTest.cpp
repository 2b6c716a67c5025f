// The panel surface: key colours, result codes, missing bitmaps, the
// generated resources and the main frequency display, read back as pixels.
#include <QtTest>

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

  void generatedResources() {
    BitmapStore store;
    const QImage* panel = store.LoadBitmap(kPanelBackgroundId);
    QVERIFY(panel != nullptr);
    QCOMPARE(panel->size(), QSize(1024, 335));
    // Every catalogue image is carried at its element's size; key and lamp
    // images have the switch key colour in their corner.
    for (const SwitchImageGroup& g : kPanelImageCatalogue) {
      QVERIFY(g.count >= 1);
      for (int i = 0; i < g.count; ++i) {
        const int id = g.ids[static_cast<std::size_t>(i)];
        const QImage* img = store.LoadBitmap(id);
        QVERIFY2(img != nullptr, qPrintable(QString::number(id)));
        QCOMPARE(img->size(), QSize(g.width, g.height));
        if (g.kind == ImageKind::Switch) QCOMPARE(img->pixel(0, 0), kKeyGreen);
      }
    }
    // The ids the drawing routines name outside the catalogue.
    struct Referenced {
      int id, width, height;
    };
    std::vector<Referenced> referenced = {{kPanelBackgroundId, 1024, 335}, {kMainDialId, 185, 185},
                                          {kMainGlyphBlank, 18, 26},       {kMainToneT, 18, 26},
                                          {kMainToneD, 18, 26},            {kMainPointLit, 4, 4},
                                          {kMainPointBlank, 4, 4}};
    for (int id : kMainGlyph) referenced.push_back({id, kMainDigitWidth, kMainDigitHeight});
    for (int id : kMainGlyphChosen) referenced.push_back({id, kMainDigitWidth, kMainDigitHeight});
    for (const Referenced& r : referenced) {
      const QImage* img = store.LoadBitmap(r.id);
      QVERIFY2(img != nullptr, qPrintable(QString::number(r.id)));
      QCOMPARE(img->size(), QSize(r.width, r.height));
    }
    // Digits differ from one another and from the blank.
    QVERIFY(*store.LoadBitmap(1331) != *store.LoadBitmap(1330));
    QVERIFY(*store.LoadBitmap(1347) != *store.LoadBitmap(1335));
    QVERIFY(store.LoadBitmap(4242) == nullptr);
  }

  // Each element's slots carry its place and size, and each state draws
  // its own image there and nowhere else.
  void catalogueDrawsEveryStateAtItsPlace() {
    PanelSurface s;
    BitmapStore store;
    PanelRenderer r(s, store);
    r.LoadPanelImages();
    int drawn = 0;
    for (int e = 0; e < static_cast<int>(Switch::Count); ++e) {
      const SwitchImageGroup& g = kPanelImageCatalogue[e];
      const auto& slots = r.slots(static_cast<Switch>(e));
      QCOMPARE(static_cast<int>(slots.size()), g.count);
      const QRect place(g.x, g.y, g.width, g.height);
      const QRect around = place.adjusted(-1, -1, 1, 1);
      for (int i = 0; i < g.count; ++i) {
        const BitmapSlot& slot = slots[static_cast<std::size_t>(i)];
        QCOMPARE(QRect(slot.x, slot.y, slot.width, slot.height), place);
        QCOMPARE(slot.reserved1, 0);
        QCOMPARE(slot.reserved2, 0);
        fill(s, kGround);
        QCOMPARE(r.drawSwitch(static_cast<Switch>(e), i), kDrawn);
        QVERIFY2(showsBitmap(s.image(), store.LoadBitmap(g.ids[static_cast<std::size_t>(i)]), g.x, g.y, kKeyGreen),
                 qPrintable(QStringLiteral("element %1 state %2").arg(e).arg(i)));
        // The ring of pixels around the element is untouched.
        for (int x = around.left(); x <= around.right(); ++x)
          for (int y : {around.top(), around.bottom()})
            if (s.image().rect().contains(x, y)) QCOMPARE(s.image().pixel(x, y), kGround);
        for (int y = around.top(); y <= around.bottom(); ++y)
          for (int x : {around.left(), around.right()})
            if (s.image().rect().contains(x, y)) QCOMPARE(s.image().pixel(x, y), kGround);
        ++drawn;
      }
      QCOMPARE(r.drawSwitch(static_cast<Switch>(e), g.count), kNoBitmap);
    }
    QVERIFY(drawn > 150);
  }

  // Starting the panel draws the keys and lamps, not the display parts.
  void allSwitchesLeaveTheDisplayToItsHandlers() {
    PanelSurface s;
    BitmapStore store;
    PanelRenderer r(s, store);
    r.LoadPanelImages();
    fill(s, kGround);
    r.drawAllSwitches(0);
    for (const SwitchImageGroup& g : kPanelImageCatalogue) {
      const QRect place(g.x, g.y, g.width, g.height);
      if (g.kind == ImageKind::Switch)
        QVERIFY(showsBitmap(s.image(), store.LoadBitmap(g.ids[0]), g.x, g.y, kKeyGreen));
      else
        QCOMPARE(s.image().pixel(place.center()), kGround);
    }
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

  void switchStatesAndMissingImages() {
    PanelSurface s;
    BitmapStore store;
    PanelRenderer r(s, store);
    store.forget(1240);
    store.forget(1239);
    r.LoadPanelImages();
    fill(s, kGround);
    const QImage before = s.image();
    for (int state = 0; state < 4; ++state) {
      QCOMPARE(r.drawSwitch(Switch::Com, state), kDrawn);
      QVERIFY(showsBitmap(s.image(), store.LoadBitmap(kPanelImageCatalogue[2].ids[state]), 14, 130, kKeyGreen));
      // Green corners leave the ground as it was.
      QCOMPARE(s.image().pixel(14, 130), kGround);
    }
    QCOMPARE(r.drawSwitch(Switch::Com, 4), kNoBitmap);
    // Without MENU's images its place stays as it was and the
    // other elements still draw.
    fill(s, kGround);
    r.drawAllSwitches(0);
    const QRect menu(459, 99, 30, 13);
    QVERIFY(hrx::test::sameArea(s.image(), before, menu));
    QCOMPARE(r.drawSwitch(Switch::Menu, 0), kNoBitmap);
    QVERIFY(showsBitmap(s.image(), store.LoadBitmap(1225), 18, 48, kKeyGreen));
  }

  void mainFrequency_data() {
    QTest::addColumn<int>("freq");
    QTest::addColumn<QList<int>>("glyphs");   // bitmap ids, left to right
    QTest::addColumn<int>("mhzPoint");
    QTest::newRow("14.250.000") << 14250000 << QList<int>{1332, 1347, 1333, 1335, 1331, 1331, 1331, 1331} << 1340;
    QTest::newRow("7.000.000") << 7000000 << QList<int>{1330, 1337, 1331, 1331, 1331, 1331, 1331, 1331} << 1340;
    QTest::newRow("30 kHz") << 30000 << QList<int>{1330, 1330, 1330, 1334, 1331, 1331, 1331, 1331} << 1351;
    QTest::newRow("56.789.999") << 56789999 << QList<int>{1335, 1336, 1337, 1338, 1339, 1339, 1339, 1339} << 1340;
  }
  void mainFrequency() {
    QFETCH(int, freq);
    QFETCH(QList<int>, glyphs);
    QFETCH(int, mhzPoint);
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

  void toneMarkInTheFmModes_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("ftStat");
    QTest::addColumn<int>("ctMain");
    QTest::addColumn<int>("txStat");
    QTest::addColumn<int>("lastGlyph");
    QTest::newRow("FM, tone 1, receive: d") << 4 << 0 << 1 << 0 << 2041;
    QTest::newRow("FM, tone 1, transmit: t") << 4 << 0 << 1 << 2 << 2040;
    QTest::newRow("FM, tone 2, receive: blank") << 10 << 0 << 2 << 0 << 1330;
    QTest::newRow("FM, tone 2, transmit: t") << 11 << 0 << 2 << 2 << 2040;
    QTest::newRow("FM, no tone: blank") << 4 << 0 << 0 << 2 << 1330;
    QTest::newRow("USB keeps the digit") << 2 << 0 << 1 << 2 << 1331;
  }
  void toneMarkInTheFmModes() {
    QFETCH(int, mode);
    QFETCH(int, ftStat);
    QFETCH(int, ctMain);
    QFETCH(int, txStat);
    QFETCH(int, lastGlyph);
    PanelSurface s;
    BitmapStore store;
    PanelRenderer r(s, store);
    hrx::RadioState st;
    QVERIFY(st.set_IF_Mode(mode) && st.set_FT_Stat(ftStat) && st.set_CT_Main(ctMain) && st.set_TxStat(txStat));
    r.DrawMainFrequency(st, 7000000);
    QVERIFY(showsBitmap(s.image(), store.LoadBitmap(lastGlyph), 767, 53, kKeyGreen));
    QVERIFY(showsBitmap(s.image(), store.LoadBitmap(1337), 641, 53, kKeyGreen));
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
    QVERIFY(showsBitmap(s.image(), store.LoadBitmap(1950), kMainDigitX[5], kMainDigitY, kKeyGreen));
    QVERIFY(showsBitmap(s.image(), store.LoadBitmap(1331), kMainDigitX[6], kMainDigitY, kKeyGreen));
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

int runRenderTests(int argc, char** argv) {
  RenderTest t;
  return QTest::qExec(&t, argc, argv);
}

#include "RenderTest.moc"
