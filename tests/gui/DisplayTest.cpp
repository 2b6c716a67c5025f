// The panel display through the main window's rows, on a fake core whose
// state the tests set: every bound id has a row, the key looks, the reply
// handlers' images, the TFT screen's elements, the temporary value display
// on hand-driven blink ticks, the bar meter and its peak hold.
#include <QMessageBox>
#include <QPainter>
#include <QtTest>
#include <functional>

#include "GuiRig.h"
#include "GuiSuites.h"
#include "analysis/AnalyserMessages.h"
#include "app/gui/QtMainWindow.h"
#include "composer/Composer.h"
#include "panel/PanelCtrl.h"
#include "panel/PanelDisplay.h"
#include "render/PanelRenderer.h"

using hrx::MsgId;
using hrx::RadioState;
using hrx::gui::QtMainWindow;
using hrx::test::showsBitmap;

namespace {

constexpr QRgb kGreen = 0xFF00FF00;
constexpr QRgb kMagenta = 0xFFFF00FF;

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
  void menu(int item, double value) {
    st().set_MenuItem_Count(196);
    hrx::MenuListItem m;
    m.no = item;
    m.value = value;
    QVERIFY(st().set_MenuItem(item, &m));
  }
};

// The forwards to the option, menu-list and equaliser windows are rows of
// those windows' own files.
constexpr MsgId kHandledByTheWindows[] = {0x8335 /* RO */, 0x833B /* CN */, 0x833D /* KM */, 0x834F /* PE */};

}  // namespace

class DisplayTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
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
    for (MsgId id : ids) {
      if (std::find(std::begin(kHandledByTheWindows), std::end(kHandledByTheWindows), id) !=
          std::end(kHandledByTheWindows))
        continue;
      QVERIFY2(p.w.messageRows().contains(id), qPrintable(QString::number(id, 16)));
    }
  }

  // Look messages: {state, message, wParam} -> the image at the key's place.
  void looksDrawTheirStateImage() {
    struct Row {
      const char* what;
      std::function<void(RadioState&)> set;
      MsgId msg;
      hrx::WParam w;
      int image, x, y;
    };
    const Row rows[] = {
        {"ON/OFF released, power on", [](RadioState& s) { s.set_PS_Stat(1); }, 0x8579, 0, 1227, 18, 48},
        {"COM pressed, not connected", [](RadioState&) {}, 0x8578, 1, 1961, 14, 130},
        {"MOX lit", [](RadioState& s) { s.set_MX_Stat(1); }, 0x857B, 0, 1248, 75, 279},
        {"CONT/APF pressed", [](RadioState&) {}, 0x8603, 1, 1249, 302, 279},
        {"band 24.5 pressed", [](RadioState&) {}, 0x85B2, 1, 1280, 921, 104},
        {"VFO-B/CLAR lit at SF 4", [](RadioState& s) { s.set_SF_Value(4); }, 0x8609, 0, 1325, 989, 240},
        {"MHz/uT at SF 1 and RI_9 1", [](RadioState& s) { s.set_SF_Value(1); s.set_RI_9(1); }, 0x860A, 0, 2046, 868, 288},
        {"MCH/GRP at SF 2", [](RadioState& s) { s.set_SF_Value(2); }, 0x860B, 0, 1932, 989, 288},
    };
    for (const Row& r : rows) {
      Panel p;
      r.set(p.st());
      p.send(r.msg, r.w);
      QVERIFY2(p.shows(r.image, r.x, r.y), r.what);
    }
  }

  // The rules without a fixed key place: the state index each gives.
  void lookRulesFollowTheState() {
    using hrx::panel::findLook;
    using hrx::panel::lookIndex;
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
      const hrx::panel::LookRow* look = findLook(r.msg);
      QVERIFY2(look != nullptr, r.what);
      QVERIFY2(lookIndex(*look, r.w, s) == r.index, r.what);
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

  // Replies: {state, event, lParam} -> images at their places; other parts
  // of the panel keep their pixels.
  void repliesSetTheirImages() {
    struct Shown {
      int image, x, y;
      QRgb key;
    };
    struct Row {
      const char* what;
      std::function<void(RadioState&)> set;
      MsgId event;
      std::vector<Shown> shown;
    };
    const Row rows[] = {
        {"SF 2 with RI_9 1: 4, 0, 4", [](RadioState& s) { s.set_SF_Value(2); s.set_RI_9(1); }, 0x8304,
         {{1932, 868, 288, kGreen}, {1323, 989, 240, kGreen}, {1932, 989, 288, kGreen}}},
        {"MX on", [](RadioState& s) { s.set_MX_Stat(1); }, 0x831A, {{1248, 75, 279, kGreen}}},
        {"AI on lights COM", [](RadioState& s) { s.set_AI_Stat(1); }, 0x833A, {{1960, 14, 130, kGreen}}},
        {"MD USB: USB label lit, LSB dark", [](RadioState& s) { s.set_MD_Main(2); }, 0x8345,
         {{1341, 809, 61, kMagenta}, {2111, 809, 51, kMagenta}}},
        {"MD CW-L: LSB and CW lit", [](RadioState& s) { s.set_MD_Main(7); }, 0x8345,
         {{1345, 809, 51, kMagenta}, {1343, 816, 71, kMagenta}, {2113, 809, 61, kMagenta}}},
        {"OI copies the sub mode: FM lit on the sub row", [](RadioState& s) { s.set_OI_Mode(4); }, 0x833F,
         {{1348, 520, 50, kMagenta}}},
        {"indicator row: KEYER, not PROC", [](RadioState& s) { s.set_KR_Stat(1); s.set_PR_Stat(1); }, 0x8315,
         {{1630, 205, 144, kMagenta}}},
        {"indicator row: HI-SWR hides DNR", [](RadioState& s) { s.set_RI_0(1); s.set_NR_Main(1); }, 0x8348,
         {{1629, 324, 144, kMagenta}}},
        {"soft keys: VOX on, METER SWR", [](RadioState& s) { s.set_VX_Stat(1); s.set_MS_Stat(3); }, 0x8306,
         {{2030, 162, 168, kMagenta}, {1999, 162, 188, kMagenta}}},
        {"soft keys in FM: RPT -, TONE ENC, SQL OFF",
         [](RadioState& s) { s.set_MD_Main(4); s.set_OS_Main(2); s.set_CT_Main(2); }, 0x8306,
         {{2016, 228, 168, kMagenta}, {2026, 361, 168, kMagenta}, {2022, 361, 188, kMagenta}}},
    };
    for (const Row& r : rows) {
      Panel p;
      r.set(p.st());
      p.send(r.event, 0, 5);
      for (const Shown& s : r.shown) QVERIFY2(p.shows(s.image, s.x, s.y, s.key), r.what);
    }
  }

  // SF 6 leaves the three images as they were; KP changes nothing; NA
  // redraws only the indicator row.
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
  }

  // MD asks the composer for IF and OI only when it comes from a reply.
  void modeReplyReadsBothSidesAgain() {
    Panel p;
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
    const auto& lit = p.w.renderer().slots(hrx::render::Switch::Look85E0);
    QVERIFY(showsBitmap(p.w.surfaceImage(), lit[2].bitmap, lit[2].x, lit[2].y, kGreen));
    p.st().set_CO_Main_OnKind(2);
    p.send(hrx::WM_ANL_EVT_KC);
    QCOMPARE(p.core.mirrorCopy.get_KeyMode_Main(), 3);
  }

  // The bar display's three styles.
  void barDisplay() {
    struct Row {
      int type, value;
      std::vector<int> segments;   // x of the blue segments
      bool centre;
    };
    auto run = [](int from, int n, int step) {
      std::vector<int> xs;
      for (int i = 0; i < n; ++i) xs.push_back(from + step * i);
      return xs;
    };
    const Row rows[] = {
        {1, 11, {}, true},
        {1, 1, run(364, 15, 2), true},
        {1, 21, run(396, 15, 2), true},
        {3, 5, {382}, false},
        {2, 6, {392, 394, 396}, true},
        {2, 1, {364, 366, 368}, false},
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
      // Type 2 value 6 draws its middle segment under the centre mark.
      if (r.type == 2 && r.value == 6) seen.insert(seen.begin() + 1, 394);
      QVERIFY2(seen == r.segments, qPrintable(QStringLiteral("type %1 value %2: %3 segments")
                                                   .arg(r.type).arg(r.value).arg(seen.size())));
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
    QCOMPARE(p.w.renderer().countdown(hrx::render::TempDisplay::Shift), 30);
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
    QCOMPARE(p.w.renderer().countdown(hrx::render::TempDisplay::Shift), 0);
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
    QCOMPARE(p.w.renderer().countdown(hrx::render::TempDisplay::MicGain), 0);
    for (int v : {41, 42}) {
      p.st().set_MG_Value(v);
      p.send(hrx::WM_ANL_EVT_MG, 0, 37);
    }
    QCOMPARE(p.w.renderer().countdown(hrx::render::TempDisplay::MicGain), 30);
    p.send(hrx::WM_ANL_EVT_MG, 0, 0);   // a redraw starts nothing
    p.st().set_MC_Channel(103);
    p.w.Disp_Restore();
    QCOMPARE(p.w.renderer().countdown(hrx::render::TempDisplay::Memory), 0);
    p.send(hrx::WM_ANL_EVT_MC);
    QCOMPARE(p.w.renderer().countdown(hrx::render::TempDisplay::Memory), 30);
    QCOMPARE(p.w.renderer().countdown(hrx::render::TempDisplay::MicGain), 0);
    // Channel 103 is "     P-2U ": P at x = 380, U at x = 410.
    p.w.onTimerTick(1234);
    QVERIFY(p.shows(1902, 380, 127, kMagenta));
    QVERIFY(p.shows(1908, 410, 127, kMagenta));
  }

  // The width conversion, and the pass-band pictures drawn only on change
  // and only while connected.
  void widthAndPassBand() {
    QCOMPARE(hrx::render::widthHz(2, 20, false), 3000);   // USB index 20
    QCOMPARE(hrx::render::widthHz(3, 20, false), 0);      // CW, beyond 16
    QCOMPARE(hrx::render::widthHz(3, 10, false), 500);
    QCOMPARE(hrx::render::widthHz(11, 3, true), 9000);
    QCOMPARE(hrx::render::widthHz(13, 3, false), 0);
    Panel p;
    const QImage idle = p.w.surfaceImage().copy(hrx::render::kPassBandMain);
    p.w.onTimerTick(32);   // not connected: nothing drawn
    QCOMPARE(p.w.surfaceImage().copy(hrx::render::kPassBandMain), idle);
    p.st().set_AI_Stat(1);
    QVERIFY(p.w.renderer().drawPassBand(0, p.st()));
    QVERIFY(!p.w.renderer().drawPassBand(0, p.st()));
    const QImage drawn = p.w.surfaceImage().copy(hrx::render::kPassBandMain);
    QVERIFY(drawn != idle);
    p.st().set_IS_Main(-400);
    p.w.onTimerTick(32);
    QVERIFY(p.w.surfaceImage().copy(hrx::render::kPassBandMain) != drawn);
    QVERIFY(!p.w.renderer().drawPassBand(0, p.st()));
  }

  // The CLAR display and the glyph table's bounds.
  void clarTextAndGlyphs() {
    QCOMPARE(hrx::render::tftGlyph(0x41), 1885);
    QCOMPARE(hrx::render::tftGlyph(0xC0), 1917);
    QCOMPARE(hrx::render::tftGlyph(-3), 1917);
    QCOMPARE(hrx::render::tftGlyph(0x88), 1893);
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
    hrx::render::PanelRenderer& r = p.w.renderer();
    QCOMPARE(r.drawMeterStrip(p.st(), 40), hrx::render::kDrawn);
    const QImage face = *p.bmp(1805);
    auto strip = [&] { return p.w.surfaceImage().copy(hrx::render::kMeterStrip); };
    auto lit = [&](int x, int y) { return strip().pixel(x, y) != face.pixel(x, y); };
    QVERIFY(lit(26, 18));
    QVERIFY(lit(46, 18));
    QVERIFY(!lit(48, 18));
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
    const QRect diff = hrx::test::differingArea(first, p.w.surfaceImage());
    QVERIFY2(diff.isEmpty(), qPrintable(hrx::test::describe(diff)));
    QVERIFY(p.core.requests.empty());
    QVERIFY(p.core.composerPosts.empty());
  }
};

static const hrx::test::GuiSuite kSuite("Display", hrx::test::runSuite<DisplayTest>);

#include "DisplayTest.moc"
