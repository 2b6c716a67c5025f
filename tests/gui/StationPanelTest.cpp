// The panel worked as an operator would, through the real window, the real
// core and the simulated radio on a pseudo-terminal: pop-ups, keys, the AF
// knob, frequency digits with the wheel, and the VFO SET window.
#include <QLineEdit>
#include <QMenu>
#include <QWheelEvent>
#include <algorithm>
#include <string>

#include "GuiSuites.h"
#include "StationRig.h"
#include "app/gui/VfoSetWindow.h"

using hrx::sim::Cell;
using Rig = hrx::test::StationRig;

namespace {

struct PanelRig : Rig {
  void press(QPoint at) { mouse(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton); }
  void release(QPoint at) { mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton); }
  void click(QPoint at) {
    press(at);
    release(at);
  }
  void wheel(QPoint at, int delta) {
    QWheelEvent e(at, w->panelWidget()->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, delta), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w->panelWidget(), &e);
  }
  int count(const std::string& cmd) {
    const std::vector<std::string> log = radio.commandLog();
    return static_cast<int>(std::count(log.begin(), log.end(), cmd));
  }
  int countPrefix(const char* prefix) {
    int n = 0;
    for (const std::string& c : radio.commandLog()) n += c.rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
  }
  // Waits until the key pressed last is released again.
  bool idle() {
    return QTest::qWaitFor([&] { return w->panel().m_Op_Stats() == 0; }, 2000);
  }
  bool connect() {
    if (!open()) return false;
    if (!QTest::qWaitFor([&] { return station().state.get_CommEnabled() != 0; }, 5000)) return false;
    clickCom();
    return QTest::qWaitFor([&] { return w->readOutsDone() >= 1; }, 60000) && idle();
  }
};

struct PopupRow {
  QPoint key;
  const char* text;
  const char* command;
  Cell cell;
  int value;   // the radio's cell afterwards; -1: not compared
};

}  // namespace

class StationPanelTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void panelWorksTheRadio() {
    PanelRig rig;
    QVERIFY(rig.connect());

    // Every item of every pop-up: its exact command, and the radio follows.
    const PopupRow popups[] = {
        {{40, 100}, "TUNER OFF", "AC000;", Cell::Ac, 0},
        {{40, 100}, "TUNER ON", "AC001;", Cell::Ac, 1},
        {{40, 100}, "TUNING", "AC002;", Cell::Ac, -1},
        {{40, 100}, "TUNER OFF", "AC000;", Cell::Ac, 0},
        {{100, 65}, "ANT 1", "AN01;", Cell::AnMain, -1},
        {{100, 65}, "ANT 2", "AN02;", Cell::AnMain, -1},
        {{100, 65}, "ANT 3", "AN03;", Cell::AnMain, -1},
        {{100, 92}, "AMP1", "PA01;", Cell::PaMain, 1},
        {{100, 92}, "AMP2", "PA02;", Cell::PaMain, 2},
        {{100, 92}, "IPO", "PA00;", Cell::PaMain, 0},
        {{100, 120}, "ATT OFF", "RA00;", Cell::RaMain, 0},
        {{100, 120}, "6dB(1/2)", "RA01;", Cell::RaMain, 1},
        {{100, 120}, "12dB(1/4)", "RA02;", Cell::RaMain, 2},
        {{100, 120}, "18dB(1/8)", "RA03;", Cell::RaMain, 3},
        {{100, 145}, "AUTO", "RF00;", Cell::RfMain, 0},
        {{100, 145}, "300Hz", "RF05;", Cell::RfMain, 5},
        {{100, 145}, "600Hz", "RF04;", Cell::RfMain, 4},
        {{100, 145}, "3KHz", "RF03;", Cell::RfMain, 3},
        {{100, 145}, "6KHz", "RF02;", Cell::RfMain, 2},
        {{100, 145}, "15KHz", "RF01;", Cell::RfMain, 1},
        {{100, 170}, "NB OFF", "NB00;", Cell::NbMain, 0},
        {{100, 170}, "NB ON", "NB01;", Cell::NbMain, 1},
        {{100, 170}, "NBW ON", "NB02;", Cell::NbMain, 2},
        {{100, 198}, "AGC OFF", "GT00;", Cell::GtMain, 0},
        {{100, 198}, "AGC AUTO", "GT04;", Cell::GtMain, 4},
        {{100, 198}, "AGC FAST", "GT01;", Cell::GtMain, 1},
        {{100, 198}, "AGC MID", "GT02;", Cell::GtMain, 2},
        {{100, 198}, "AGC SLOW", "GT03;", Cell::GtMain, 3},
        {{600, 225}, "SPLIT", "FT0;", Cell::Ft, 0},
        {{600, 225}, "QUICK SPLIT", "QS;", Cell::Ft, -1},
        {{878, 250}, "LSB", "MD01;", Cell::ModeMain, 1},
        {{878, 250}, "USB", "MD02;", Cell::ModeMain, 2},
        {{878, 250}, "LSB CW", "MD07;", Cell::ModeMain, 7},
        {{878, 250}, "USB CW", "MD03;", Cell::ModeMain, 3},
        {{878, 250}, "LSB RTTY", "MD06;", Cell::ModeMain, 6},
        {{878, 250}, "USB RTTY", "MD09;", Cell::ModeMain, 9},
        {{878, 250}, "LSB DATA", "MD08;", Cell::ModeMain, 8},
        {{878, 250}, "USB DATA", "MD0C;", Cell::ModeMain, 12},
        {{878, 250}, "AM", "MD05;", Cell::ModeMain, 5},
        {{878, 250}, "FM", "MD04;", Cell::ModeMain, 4},
        {{878, 250}, "USB", "MD02;", Cell::ModeMain, 2},
        {{878, 298}, "OFF", "SF5;", Cell::Sf, 5},
        {{878, 298}, "MHz", "SF1;", Cell::Sf, 1},
        {{878, 298}, "uTUNE ON/OFF", "SF7;", Cell::Sf, 7},
        {{1000, 298}, "OFF", "SF5;", Cell::Sf, 5},
        {{1000, 298}, "MCH", "SF3;", Cell::Sf, 3},
        {{1000, 298}, "GRP", "SF2;", Cell::Sf, 2},
        {{1000, 298}, "OFF", "SF5;", Cell::Sf, 5},
    };
    for (const PopupRow& r : popups) {
      rig.radio.clearCommandLog();
      rig.click(r.key);
      QTRY_VERIFY(rig.w->popupMenu() != nullptr && rig.w->popupMenu()->isVisible());
      QMenu* menu = rig.w->popupMenu();
      QAction* item = nullptr;
      for (QAction* a : menu->actions())
        if (a->text() == QString::fromUtf8(r.text)) item = a;
      QVERIFY2(item != nullptr, r.text);
      QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
      QTRY_VERIFY2_WITH_TIMEOUT(rig.count(r.command) == 1, r.command, 3000);
      if (r.value >= 0) QTRY_COMPARE_WITH_TIMEOUT(rig.radio.cell(r.cell), r.value, 3000);
      QVERIFY(rig.idle());
      QCOMPARE(rig.countPrefix(std::string(r.command, 2).c_str()), 1);
    }

    // A dismissed pop-up sends nothing.
    rig.radio.clearCommandLog();
    rig.click({100, 120});
    QTRY_VERIFY(rig.w->popupMenu() != nullptr && rig.w->popupMenu()->isVisible());
    QTest::keyClick(rig.w->popupMenu(), Qt::Key_Escape);
    QTRY_VERIFY(!rig.w->panel().busy());
    QTest::qWait(300);
    QCOMPARE(rig.countPrefix("RA"), 0);
    QCOMPARE(rig.radio.cell(Cell::RaMain), 3);

    // Plain keys send their commands.
    const std::pair<QPoint, const char*> keys[] = {
        {{600, 135}, "QI;"}, {{600, 165}, "QR;"}, {{800, 135}, "AB;"}, {{820, 165}, "SV;"},
        {{830, 195}, "VM;"}, {{830, 225}, "MA;"}, {{820, 255}, "AM;"}, {{980, 190}, "RC;"},
    };
    for (const auto& [at, command] : keys) {
      rig.radio.clearCommandLog();
      rig.click(at);
      QTRY_VERIFY2_WITH_TIMEOUT(rig.count(command) == 1, command, 3000);
      QVERIFY(rig.idle());
    }

    // The AF knob: a click focuses it and turns it one down, a hold repeats
    // by 10, the wheel turns it by 20 a notch.
    const int af = rig.radio.cell(Cell::AgMain);
    QVERIFY(af >= 40 && af <= 200);
    rig.click({480, 285});
    QTRY_COMPARE_WITH_TIMEOUT(rig.radio.cell(Cell::AgMain), af - 1, 3000);
    QTRY_COMPARE(rig.station().state.get_AG_Main(), af - 1);
    rig.press({2, 2});
    QTest::qWait(1300);
    rig.release({2, 2});
    QTest::qWait(300);
    const int held = rig.radio.cell(Cell::AgMain);
    QVERIFY2(held < af - 1 && (af - 1 - held) % 10 == 0, qPrintable(QStringLiteral("%1 -> %2").arg(af).arg(held)));
    QTRY_COMPARE(rig.station().state.get_AG_Main(), held);
    rig.wheel({2, 2}, 120);
    QTRY_COMPARE_WITH_TIMEOUT(rig.radio.cell(Cell::AgMain), held + 20, 3000);
    rig.click({480, 285});   // focus off
    QCOMPARE(rig.w->panel().m_Op_Stats(), 0);

    // A chosen digit and one notch: exactly that digit, with its carry.
    QVERIFY(rig.station().request(82, false, 14199950));
    QTRY_COMPARE_WITH_TIMEOUT(rig.station().state.get_VfoA_Freq(), 14199950, 3000);
    rig.click({730, 60});   // 100 Hz
    rig.wheel({715, 203}, 120);
    QTRY_COMPARE_WITH_TIMEOUT(rig.radio.cell(Cell::VfoA), 14200050, 3000);
    QTRY_VERIFY_WITH_TIMEOUT(rig.showsFrequency(14200050, 5), 3000);   // the chosen digit is highlighted

    // 200 notches on the 10 Hz digit in one burst end exactly 2 kHz up.
    rig.click({760, 60});   // releases the 100 Hz digit
    rig.click({760, 60});   // chooses the 10 Hz digit
    QCOMPARE(rig.w->panel().m_vfo_set_num(), 2);
    rig.radio.clearCommandLog();
    for (int i = 0; i < 200; ++i) rig.wheel({715, 203}, 120);
    QTRY_COMPARE_WITH_TIMEOUT(rig.radio.cell(Cell::VfoA), 14202050, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(rig.showsFrequency(14202050, 6), 3000);
    QCOMPARE(rig.countPrefix("FA"), 200);
    QVERIFY(!rig.showsFrequency(14202050));   // the 10 Hz digit shows it is chosen
    rig.click({760, 60});   // digit released: drawn plain again
    QTRY_VERIFY_WITH_TIMEOUT(rig.showsFrequency(14202050), 3000);

    // ENT, 1-4-2-5-0-0-0-0 on the band keys, Enter.
    rig.radio.clearCommandLog();
    rig.click({980, 140});
    QTRY_VERIFY(rig.w->vfoSetWindow() != nullptr && rig.w->vfoSetWindow()->isVisible());
    QCOMPARE(rig.w->vfoSetWindow()->windowTitle(), QStringLiteral("VFO SET"));
    const QPoint digits[] = {{880, 50}, {880, 80}, {930, 50}, {930, 80}, {930, 140}, {930, 140}, {930, 140}, {930, 140}};
    for (QPoint p : digits) rig.click(p);
    rig.click({930, 140});   // a ninth digit is not taken
    QCOMPARE(rig.w->vfoSetWindow()->edit()->text(), QStringLiteral("14250000"));
    QTest::keyClick(rig.w->vfoSetWindow(), Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(rig.count("FA14250000;"), 1, 3000);
    QTRY_COMPARE_WITH_TIMEOUT(rig.radio.cell(Cell::VfoA), 14250000, 3000);
    QTRY_VERIFY(rig.w->vfoSetWindow() == nullptr);
    QVERIFY(!rig.w->panel().entryMode());
    QCOMPARE(rig.countPrefix("EU") + rig.countPrefix("BS"), 0);   // the band keys only typed

    // Out of range: the window says so, stays open and sends nothing.
    rig.radio.clearCommandLog();
    rig.click({980, 140});
    QTRY_VERIFY(rig.w->vfoSetWindow() != nullptr);
    hrx::gui::VfoSetWindow* dlg = rig.w->vfoSetWindow();
    dlg->edit()->setText(QStringLiteral("29999"));
    QTest::keyClick(dlg, Qt::Key_Return);
    QTRY_VERIFY(dlg->rangeNotice() != nullptr);
    QVERIFY(dlg->rangeNotice()->findChild<QObject*>() != nullptr);
    QVERIFY(rig.w->vfoSetWindow() == dlg && dlg->isVisible());
    dlg->rangeNotice()->close();
    QTRY_VERIFY(dlg->rangeNotice() == nullptr);
    dlg->reject();
    QTRY_VERIFY(rig.w->vfoSetWindow() == nullptr);
    QTest::qWait(200);
    QCOMPARE(rig.countPrefix("FA"), 0);
    QVERIFY(!rig.w->panel().entryMode());
  }
};

int runStationPanelTests(int argc, char** argv) {
  StationPanelTest t;
  return QTest::qExec(&t, argc, argv);
}

static const hrx::test::GuiSuite kSuite("StationPanel", runStationPanelTests);

#include "StationPanelTest.moc"
