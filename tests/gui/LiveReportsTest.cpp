// The panel as a live picture of the simulated radio over a pseudo-terminal:
// after the read-out, each report the radio sends by itself in
// auto-information mode changes its element; the start of the display sends
// nothing; a restore leaves the picture as it was.
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "GuiRig.h"
#include "GuiSuites.h"
#include "SimPty.h"
#include "SimRadio.h"
#include "app/gui/QtMainWindow.h"

using hrx::gui::QtMainWindow;
using hrx::gui::StationLink;

namespace {

constexpr QRgb kGreen = 0xFF00FF00;
constexpr QRgb kMagenta = 0xFFFF00FF;

struct Live {
  hrx::sim::SimRadio radio;
  hrx::sim::SimPty pty{radio};
  QTemporaryDir dir;
  std::unique_ptr<QtMainWindow> w;
  std::unique_ptr<StationLink> core;

  bool open() {
    std::string error;
    if (!pty.open(&error) || !pty.start() || !dir.isValid()) return false;
    w = std::make_unique<QtMainWindow>();
    core = std::make_unique<StationLink>(*w, hrx::StationOptions{pty.slavePath(), dir.path().toStdString()});
    w->setCore(core.get());
    w->show();
    return w->startUp();
  }
  ~Live() {
    if (w) {
      w->close();
      w->setCore(nullptr);
      w.reset();
    }
    pty.stop();
  }
  bool shows(int id, int x, int y, QRgb key) {
    return hrx::test::showsBitmap(w->surfaceImage(), w->renderer().store().LoadBitmap(id), x, y, key);
  }
  bool keepAliveOnly(const std::vector<std::string>& log) {
    for (const std::string& c : log)
      if (c != "PS;" && c != "AI;") return false;
    return true;
  }
};

}  // namespace

class LiveReportsTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void panelFollowsTheRadio() {
    Live live;
    QVERIFY(live.open());
    QTRY_VERIFY_WITH_TIMEOUT(live.core->station().state.get_CommEnabled() != 0, 5000);
    // Disp_Start has drawn the panel from the stored state; the line has
    // carried only the port's own "AI0;".
    QTRY_COMPARE(live.w->dispStartLog().size(), std::size_t{97});
    QTest::qWait(200);
    QCOMPARE(live.radio.commandLog(), std::vector<std::string>{"AI0;"});
    QTest::mouseClick(live.w->panelWidget(), Qt::LeftButton, {}, QPoint(30, 140));
    QTRY_VERIFY_WITH_TIMEOUT(live.w->readOutsDone() >= 1, 60000);

    // {report the radio sends, image, place, key colour}
    struct Row {
      const char* report;
      int image, x, y;
      QRgb key;
    };
    const Row rows[] = {
        {"MD03", 1343, 816, 71, kGreen},            // main display: CW lit
        {"MD03", 1341, 809, 61, kGreen},            // and USB
        {"MX1", 1248, 75, 279, kGreen},             // MOX lamp lit
        {"BI1", 1244, 416, 279, kGreen},            // BK-IN lamp lit
        {"SF4", 1325, 989, 240, kGreen},            // VFO-B/CLAR lamp lit
        {"VX1", 1624, 187, 144, kMagenta},          // indicator row: VOX
        {"VX1", 2030, 162, 168, kMagenta},          // soft key 1: VOX on
        {"KR1", 1630, 205, 144, kMagenta},          // indicator row: KEYER
        {"AC001", 1635, 154, 144, kMagenta},        // indicator row: TUNER
        {"NA01", 1788, 256, 144, kMagenta},         // indicator row: NAR
        {"RI01", 1629, 324, 144, kMagenta},         // indicator row: HI-SWR
        {"MS3", 1999, 162, 188, kMagenta},          // soft key 5: METER SWR
        {"RA01", 1558, 153 + 59, 128, kMagenta},    // block icon: ATT -6 dB
        {"NB01", 1567, 153 + 116, 128, kMagenta},   // block icon: NB on
        {"GT04", 1546, 153 + 145, 128, kMagenta},   // block icon: AGC 4
    };
    for (const Row& r : rows) {
      QVERIFY2(live.radio.applyLocal(r.report), r.report);
      QTRY_VERIFY2_WITH_TIMEOUT(live.shows(r.image, r.x, r.y, r.key), r.report, 3000);
    }

    // A restore of the quiet, connected panel gives the same picture.
    QTest::qWait(200);
    const QImage before = live.w->surfaceImage().copy();
    live.radio.clearCommandLog();
    live.w->Disp_Restore();
    const QRect diff = hrx::test::differingArea(before, live.w->surfaceImage());
    QVERIFY2(diff.isEmpty(), qPrintable(hrx::test::describe(diff)));
    QTest::qWait(100);
    QVERIFY(live.keepAliveOnly(live.radio.commandLog()));
  }
};

int runLiveReportsTests(int argc, char** argv) {
  LiveReportsTest t;
  return QTest::qExec(&t, argc, argv);
}
static const hrx::test::GuiSuite kSuite("LiveReports", runLiveReportsTests);

#include "LiveReportsTest.moc"
