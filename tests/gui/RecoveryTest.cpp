// The radio behind a symbolic link (as a udev rule names a USB radio)
// vanishes after the read-out and comes back at the same path: the whole
// program notices, shows the panel as not current, and switches the link on
// again by itself; a COM click while it waits ends the wait.
#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <set>

#include "GuiSuites.h"
#include "../support/StationRig.h"

using Rig = hrx::test::StationRig;

namespace {

constexpr int kOnOffX = 18, kOnOffY = 48;
constexpr int kOnOffDark = 1225, kOnOffLit = 1227;
constexpr int kMainBlank = 1330;

struct Log {
  std::mutex mu;
  std::vector<std::string> lines;
  void add(const std::string& l) {
    std::lock_guard g(mu);
    lines.push_back(l);
  }
  bool has(const std::string& part) {
    std::lock_guard g(mu);
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(part) != std::string::npos; });
  }
};

bool powerLamp(Rig& rig, int id) { return rig.shows(id, kOnOffX, kOnOffY); }

bool frequencyBlank(Rig& rig) {
  for (int i = 0; i < 8; ++i)
    if (!hrx::test::showsMainDigit(rig.w->surfaceImage(), rig.w->renderer().store().LoadBitmap(kMainBlank), i))
      return false;
  return true;
}

// A radio that comes back at the link's path.
struct Returned {
  hrx::sim::SimRadio radio;
  hrx::sim::SimPty pty{radio};
  bool plugIn(const std::string& link) { return pty.open() && pty.start() && pty.link(link); }
  ~Returned() { pty.stop(); }
};

}  // namespace

class RecoveryTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void radioVanishesAndReturnsAtTheSamePath() {
    QTemporaryDir devDir;
    QVERIFY(devDir.isValid());
    const std::string link = devDir.path().toStdString() + "/hrx900";
    Log log;
    Rig rig;
    QVERIFY(rig.open(link, [&](const std::string& l) { log.add(l); }));
    QTRY_VERIFY_WITH_TIMEOUT(rig.station().state.get_CommEnabled() != 0, 5000);
    rig.clickCom();
    QTRY_VERIFY_WITH_TIMEOUT(rig.w->readOutsDone() >= 1, 60000);
    QVERIFY(rig.lampLit());
    QVERIFY(powerLamp(rig, kOnOffLit));
    QVERIFY(!frequencyBlank(rig));

    // Unplugged: the node and its link go.
    rig.pty.drop();
    QCOMPARE(::unlink(link.c_str()), 0);
    // The watchdog's bound: 3 s after the last reply (the keep-alive's
    // replies came at most 1 s before), and a tick of slack.
    QTRY_VERIFY_WITH_TIMEOUT(rig.station().awaitingDevice(), 4500);
    QTRY_VERIFY_WITH_TIMEOUT(rig.lampDark() && powerLamp(rig, kOnOffDark) && frequencyBlank(rig), 1000);
    QVERIFY(log.has("radio gone from " + link));
    // Still so while it stays away; the stored state is kept; no notice box
    // stands in the way of the re-open.
    QTest::qWait(2000);
    QVERIFY(rig.lampDark() && powerLamp(rig, kOnOffDark) && frequencyBlank(rig));
    QVERIFY(!rig.station().port.IsOpen());
    QVERIFY(rig.station().awaitingDevice());
    QVERIFY(!rig.w->noticeGuard().load());

    // Back, power-cycled and retuned on its own front panel.
    auto back = std::make_unique<Returned>();
    QVERIFY(back->radio.applyLocal("FA14195000;"));
    QVERIFY(back->plugIn(link));
    QElapsedTimer sinceReturn;
    sinceReturn.start();
    auto heard = [&](const char* cmd) {
      const auto l = back->radio.commandLog();
      return std::find(l.begin(), l.end(), cmd) != l.end();
    };
    auto said = [&] {
      std::string all;
      for (const auto& c : back->radio.commandLog()) all += c;
      std::lock_guard g(log.mu);
      for (const auto& l : log.lines) all += "\n" + l;
      return all;
    };
    QTRY_VERIFY2_WITH_TIMEOUT(heard("ID;"), said().c_str(), 3000);
    QVERIFY2(sinceReturn.elapsed() <= 3000, qPrintable(QString::number(sinceReturn.elapsed())));
    QTRY_VERIFY_WITH_TIMEOUT(rig.showsFrequency(14195000), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(rig.lampLit() && powerLamp(rig, kOnOffLit), 2000);
    QVERIFY(!rig.station().awaitingDevice());
    QVERIFY(log.has("radio back at " + link));
    // What a COM click sends: the open's AI command, the switch, its query;
    // nothing the first connection's click did not also send.
    const std::vector<std::string> got = back->radio.commandLog();
    QVERIFY(got.size() >= 4);
    QCOMPARE(got[0], std::string("AI0;"));
    QCOMPARE(got[1], std::string("AI1;"));
    QCOMPARE(got[2], std::string("AI;"));
    const std::vector<std::string> first = rig.radio.commandLog();
    const std::set<std::string> clicked(first.begin(), first.end());
    for (const std::string& c : got) QVERIFY2(clicked.count(c) == 1, c.c_str());

    // Gone again; this time the operator clicks COM while it waits: the
    // wait ends and the returning radio hears nothing.
    back->pty.drop();
    QCOMPARE(::unlink(link.c_str()), 0);
    QTRY_VERIFY_WITH_TIMEOUT(rig.station().awaitingDevice(), 4500);
    rig.clickCom();
    QTRY_VERIFY_WITH_TIMEOUT(!rig.station().awaitingDevice(), 1000);
    QVERIFY(log.has("no longer waiting for the radio at " + link));
    Returned again;
    QVERIFY(again.plugIn(link));
    QTest::qWait(2500);
    QVERIFY(again.radio.commandLog().empty());
    QVERIFY(!rig.station().port.IsOpen());
  }
};

static const hrx::test::GuiSuite kSuite("Recovery", hrx::test::runSuite<RecoveryTest>);

#include "RecoveryTest.moc"
