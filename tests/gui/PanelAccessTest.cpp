// The panel through Qt's accessibility, as a screen reader reads it, and
// from the keyboard, against the simulated radio: every hit area is a named
// element with its role; reports are told with their events; Tab, Space,
// the arrows and Page Up/Down put the panel's own commands on the wire.
#include <QAccessible>
#include <QAccessibleInterface>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <functional>
#include <set>

#include "../support/StationRig.h"
#include "GuiSuites.h"
#include "app/gui/KeyCommandFilter.h"
#include "app/gui/widgets/PanelAccess.h"
#include "app/gui/windows/CPrmtrcDlg.h"
#include "app/gui/windows/MenuListWindow.h"
#include "app/gui/windows/SetupWindows.h"
#include "app/gui/windows/VfoSetWindow.h"
#include "panel/PanelCtrl.h"

using Rig = hrx::test::StationRig;

namespace {

struct Told {
  QAccessible::Event type;
  QString name;
};
std::vector<Told> g_told;

void record(QAccessibleEvent* e) {
  QAccessibleInterface* i = e->accessibleInterface();
  g_told.push_back({e->type(), i != nullptr ? i->text(QAccessible::Name) : QString()});
}

// What the panel announced, in order.
QStringList announced() {
  QStringList said;
  for (const Told& t : g_told)
    if (t.type == QAccessible::ObjectShow) said << t.name;
  return said;
}

bool told(QAccessible::Event type, const QString& name) {
  return std::any_of(g_told.begin(), g_told.end(), [&](const Told& t) {
    return t.type == type && (t.name == name || t.name.startsWith(name + QStringLiteral(", ")));
  });
}

}  // namespace

class PanelAccessTest : public QObject {
  Q_OBJECT

  Rig rig_;
  QAccessibleInterface* panel_ = nullptr;

  // The child of the panel named `name`, or null.
  // A display's name goes on with its value: "VFO A frequency, 14.250 megahertz".
  QAccessibleInterface* named(const QString& name) {
    for (int i = 0; i < panel_->childCount(); ++i) {
      const QString n = panel_->child(i)->text(QAccessible::Name);
      if (n == name || n.startsWith(name + QStringLiteral(", "))) return panel_->child(i);
    }
    return nullptr;
  }
  QString value(const QString& name) {
    QAccessibleInterface* c = named(name);
    return c != nullptr ? c->text(QAccessible::Value) : QStringLiteral("(no %1)").arg(name);
  }
  QWidget* panelWidget() { return rig_.w->panelWidget(); }
  // What the radio received, without the keep-alive's polls.
  QStringList sent() {
    QStringList log = rig_.log();
    log.removeAll(QStringLiteral("PS;"));
    log.removeAll(QStringLiteral("AI;"));
    return log;
  }
  // The menu list's editor of item row `row`.
  void openMenuItem(int row) {
    rig_.click({470, 105});   // MENU
    hrx::gui::CMenuListDlg* list = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((list = rig_.w->findChild<hrx::gui::CMenuListDlg*>()) != nullptr && list->isVisible(), 15000);
    list->list()->setCurrentRow(row);
    QTest::keyClick(list->list(), Qt::Key_Return);
    QTRY_VERIFY(list->editor() != nullptr);
  }
  // Tab until the ring is on `name`; false when a whole round misses it.
  bool tabTo(const QString& name) {
    for (int i = 0; i <= panel_->childCount() + 1; ++i) {
      QAccessibleInterface* f = panel_->focusChild();
      if (f != nullptr && (f->text(QAccessible::Name) == name || f->text(QAccessible::Name).startsWith(name + u','))) return true;
      QTest::keyClick(panelWidget(), Qt::Key_Tab);
    }
    return false;
  }

  bool focusPanel() {
    rig_.w->activateWindow();
    panelWidget()->setFocus();
    return QTest::qWaitFor([&] { return panelWidget()->hasFocus(); }, 5000);
  }
  // The radio back in CW-U, as the tests after a case start; its
  // announcement let pass and the ring taken away.
  bool backInCwU() {
    if (!rig_.radio.applyLocal("MD03;") || !QTest::qWaitFor([&] { return value(QStringLiteral("Mode")) == QStringLiteral("CW-U"); }, 5000))
      return false;
    QTest::qWait(500);
    QTest::keyClick(panelWidget(), Qt::Key_Escape);
    return true;
  }

 private Q_SLOTS:
  void initTestCase() {
    QVERIFY(rig_.open());
    QTRY_COMPARE(rig_.w->dispStartLog().size(), std::size_t{97});
    QVERIFY(rig_.connectAndReadOut());
    QVERIFY(focusPanel());
    panel_ = QAccessible::queryAccessibleInterface(panelWidget());
    QVERIFY(panel_ != nullptr);
    rig_.w->part<hrx::gui::PanelAccess>().setProbe(record);
  }

  // Every key and digit of the hit-area table is one element at its
  // rectangle, named, with the role it works by; the knobs, dials, displays
  // and the meter are there with their names and values.
  void everyHitAreaIsANamedElement() {
    std::set<int> ids;
    int count = 0;
    for (int area = 0; area < 8; ++area)
      for (const hrx::panel::HitRect* h = hrx::panel::areaTable(area); h->id != 0; ++h) {
        if (!ids.insert(h->id).second) continue;
        const QRect want(panelWidget()->mapToGlobal(QPoint(h->left, h->top)), QPoint(0, 0));
        QAccessibleInterface* c = nullptr;
        for (int i = 0; i < panel_->childCount() && c == nullptr; ++i)
          if (panel_->child(i)->rect().topLeft() == want.topLeft() &&
              (panel_->child(i)->role() == QAccessible::Button || panel_->child(i)->role() == QAccessible::CheckBox ||
               panel_->child(i)->role() == QAccessible::Dial))
            c = panel_->child(i);
        QVERIFY2(c != nullptr, qPrintable(QString::number(h->id)));
        QVERIFY2(!c->text(QAccessible::Name).isEmpty(), qPrintable(QString::number(h->id)));
        QVERIFY(panel_->rect().contains(c->rect()));
        QCOMPARE(c->parent(), panel_);
        ++count;
      }
    QCOMPARE(count, 74);
    qInfo("named panel elements: %d of %d hit areas; %d elements in all", count, static_cast<int>(ids.size()),
          panel_->childCount());

    struct Row {
      const char* name;
      QAccessible::Role role;
      QPoint inside;   // a panel point of the element
    };
    const Row rows[] = {
        // A key with a lamp is a check box: a screen reader says its state.
        {"ATT", QAccessible::CheckBox, {100, 120}},       {"MODE", QAccessible::CheckBox, {878, 250}},
        {"FAST", QAccessible::CheckBox, {789, 285}},      {"LOCK", QAccessible::CheckBox, {824, 285}},
        {"MOX", QAccessible::CheckBox, {83, 286}},
        {"BK-IN", QAccessible::CheckBox, {425, 285}},       {"A to B", QAccessible::Button, {810, 135}},
        {"A swap B", QAccessible::Button, {820, 165}},    {"14 megahertz", QAccessible::Button, {930, 80}},
        {"COM", QAccessible::CheckBox, {30, 140}},          {"VFO A 1 kilohertz digit", QAccessible::Dial, {710, 60}},
        {"VFO B 10 megahertz digit", QAccessible::Dial, {335, 135}},
        {"AF knob", QAccessible::Dial, {480, 285}},       {"RF or SQL ring", QAccessible::Dial, {503, 285}},
        {"SHIFT knob", QAccessible::Dial, {367, 285}},    {"Main tuning", QAccessible::Dial, {715, 203}},
        {"CLAR or VFO B", QAccessible::Dial, {939, 275}},
        {"VFO A frequency", QAccessible::StaticText, {700, 60}},
        {"VFO B frequency", QAccessible::StaticText, {360, 130}},
        {"Mode", QAccessible::StaticText, {800, 60}},     {"Meter", QAccessible::ProgressBar, {200, 80}},
    };
    for (const Row& r : rows) {
      QAccessibleInterface* c = named(QString::fromUtf8(r.name));
      QVERIFY2(c != nullptr, r.name);
      QVERIFY2(c->role() == r.role, r.name);
      QVERIFY2(c->rect().contains(panelWidget()->mapToGlobal(r.inside)), r.name);
    }
    // The soft keys by what they show now.
    QVERIFY(named(QStringLiteral("VOX")) != nullptr);
    QVERIFY(named(QStringLiteral("DNR")) != nullptr);
    // Legends with a slash in words (a screen reader says "slash").
    for (const char* name : {"VFO or memory", "VFO B or CLAR", "28 or 29 megahertz", "MIC or SPEED knob", "PROC or CAR ring"})
      QVERIFY2(named(QString::fromUtf8(name)) != nullptr, name);
    // A display is related to what works it: a screen reader then reads it
    // with that element, not as a loose label of the whole panel.
    const std::pair<const char*, const char*> workedBy[] = {
        {"VFO A frequency", "Main tuning"}, {"VFO B frequency", "CLAR or VFO B"}, {"Mode", "MODE"}, {"Receiver settings", "ATT"}};
    for (const auto& [display, by] : workedBy) {
      const auto related = named(QString::fromUtf8(display))->relations(QAccessible::Controller);
      QVERIFY2(related.size() == 1 && related[0].first->text(QAccessible::Name) == QString::fromUtf8(by), display);
    }
    // A notice shown over the panel is read after the elements, and only while shown.
    const int elements = panel_->childCount();
    QLabel notice(QStringLiteral("Connecting to the radio..."), panelWidget());
    notice.show();
    QCOMPARE(panel_->childCount(), elements + 1);
    QCOMPARE(panel_->child(elements)->text(QAccessible::Name), notice.text());
    QCOMPARE(panel_->indexOfChild(panel_->child(elements)), elements);
    notice.hide();
    QCOMPARE(panel_->childCount(), elements);
  }

  // FA, MD and RA reports: the displays and the ATT key read the new
  // values, and the value and state events were raised for them.
  void reportsAreToldWithTheirEvents() {
    struct Row {
      const char* report;
      const char* element;
      const char* value;
      QAccessible::Event event;
    };
    const Row rows[] = {
        // The events Qt's AT-SPI bridge carries: a text's change, a number
        // value's change, and a description's for an element without a
        // number value.
        {"FA00475000;", "VFO A frequency", "475.000 kHz", QAccessible::TextUpdated},   // not 475 MHz
        {"FA14195000;", "VFO A frequency", "14.195.000 MHz", QAccessible::TextUpdated},
        {"FA14200000;", "Main tuning", "VFO A 14.200 megahertz", QAccessible::ValueChanged},
        {"MD03;", "Mode", "CW-U", QAccessible::TextUpdated},
        {"AG0150;", "AF knob", "AF gain 150", QAccessible::ValueChanged},
        {"RA01;", "ATT", "ATT minus 6 dB", QAccessible::StateChanged},
        {"RA00;", "ATT", "ATT OFF", QAccessible::StateChanged},
    };
    for (const Row& r : rows) {
      g_told.clear();
      QVERIFY(rig_.radio.applyLocal(r.report));
      QTRY_COMPARE_WITH_TIMEOUT(value(QString::fromUtf8(r.element)), QString::fromUtf8(r.value), 3000);
      QTRY_VERIFY2(told(r.event, QString::fromUtf8(r.element)), r.element);
    }
    QVERIFY(told(QAccessible::DescriptionChanged, QStringLiteral("ATT")));
    // What a screen reader says: a display's value in its name, units in
    // words, as few places as say the frequency whole.
    struct Said {
      const char* report;
      const char* element;
      const char* name;
      const char* value;
    };
    const Said said[] = {
        {"FA14250010;", "VFO A frequency", "VFO A frequency, 14.25001 megahertz", "14.250.010 MHz"},
        {"FA00475500;", "VFO A frequency", "VFO A frequency, 475.5 kilohertz", "475.500 kHz"},
        {"FA14250000;", "VFO A frequency", "VFO A frequency, 14.250 megahertz", "14.250.000 MHz"},
        {"FA14250000;", "Main tuning", "Main tuning", "VFO A 14.250 megahertz"},
        {"FA14250000;", "VFO A 10 megahertz digit", "VFO A 10 megahertz digit", "1"},
        {"MD02;", "Mode", "Mode, USB", "USB"},
        {"MD02;", "ZIN/SPOT", "(none)", "(none)"},
        {"MD02;", "ZIN or SPOT", "ZIN or SPOT", nullptr},   // a soft key
        {"MD02;", "MHz", "(none)", "(none)"},
        {"MD02;", "megahertz", "megahertz", nullptr},
        // The width as the TFT shows it, not the radio's index.
        {"SH014;", "WIDTH ring", "WIDTH ring", "WIDTH 2400 hertz"},
        {"MD03;", "Mode", "Mode, CW-U", "CW-U"},
        {"SH010;", "WIDTH ring", "WIDTH ring", "WIDTH 500 hertz"},
        {"MD03;", "R.FLT", "(none)", "(none)"},
        {"MD03;", "roofing filter", "roofing filter", nullptr},
        {"MD03;", "TXW", "(none)", "(none)"},
        {"MD03;", "TX watch", "TX watch", nullptr},
        // IPO is the preamplifier off, as the TFT's icon shows it.
        {"PA01;", "IPO", "IPO", "IPO, preamplifier 1"},
        {"PA02;", "IPO", "IPO", "IPO, preamplifier 2"},
        {"PA00;", "IPO", "IPO", "IPO, preamplifier off"},
        // The TFT's setting icons in words.
        {"RA01;", "ATT", "ATT", "ATT minus 6 dB"},
        {"RA03;", "ATT", "ATT", "ATT minus 18 dB"},
        {"RA00;", "ATT", "ATT", "ATT OFF"},
        {"RF01;", "roofing filter", "roofing filter", "roofing filter 3 kilohertz"},
        {"RF04;", "roofing filter", "roofing filter", "roofing filter 300 hertz"},
        {"RF06;", "roofing filter", "roofing filter", "roofing filter 1.2 kilohertz"},
        {"RF00;", "roofing filter", "roofing filter", "roofing filter auto"},   // the menu's AUTO
        {"GT04;", "AGC", "AGC", "AGC auto fast"},
        {"GT06;", "AGC", "AGC", "AGC auto slow"},
        {"NB00;", "Receiver settings", "Receiver settings, ANT 1, preamplifier off, ATT OFF, roofing filter auto, NB OFF, AGC auto slow", nullptr},
        {"GT05;", "AGC", "AGC", "AGC auto mid"},
    };
    for (const Said& r : said) {
      QVERIFY(rig_.radio.applyLocal(r.report));
      QAccessibleInterface* c = nullptr;
      if (std::string_view(r.name) == "(none)") {
        QVERIFY2(named(QString::fromUtf8(r.element)) == nullptr, r.element);
        continue;
      }
      QTRY_VERIFY2_WITH_TIMEOUT((c = named(QString::fromUtf8(r.element))) != nullptr &&
                                    c->text(QAccessible::Name) == QString::fromUtf8(r.name) &&
                                    (r.value == nullptr || c->text(QAccessible::Value) == QString::fromUtf8(r.value)),
                                qPrintable(c != nullptr ? c->text(QAccessible::Name) + u'|' + c->text(QAccessible::Value)
                                                        : QString::fromUtf8(r.element)),
                                3000);
    }
    QCOMPARE(named(QStringLiteral("VFO A 10 megahertz digit"))->valueInterface()->currentValue().toDouble(), 1.0);
    // A digit's figure is its value only: Orca says a description beside it.
    QCOMPARE(named(QStringLiteral("VFO A 10 megahertz digit"))->text(QAccessible::Description), QString());
    QVERIFY(named(QStringLiteral("Receiver settings"))->text(QAccessible::Name).contains(QStringLiteral("roofing filter")));
    QVERIFY(named(QStringLiteral("Receiver settings"))->text(QAccessible::Name).contains(QStringLiteral(", preamplifier off, ")));
    // FAST and LOCK are checked as the radio's flags say (VFO A's bit).
    struct Lamp {
      const char* report;
      const char* element;
      bool checked;
    };
    const Lamp lamps[] = {{"FS1;", "FAST", true}, {"FS0;", "FAST", false}, {"FS3;", "FAST", false},
                          {"LK1;", "LOCK", true}, {"LK0;", "LOCK", false}};
    for (const Lamp& l : lamps) {
      QVERIFY(rig_.radio.applyLocal(l.report));
      // A report that changes nothing for the lamp is read first.
      QTest::qWait(200);
      QTRY_COMPARE_WITH_TIMEOUT(named(QString::fromUtf8(l.element))->state().checked, l.checked, 3000);
      QVERIFY2(!named(QString::fromUtf8(l.element))->state().pressed, l.report);
    }
    // A knob's and a dial's value is the number a screen reader says on a
    // value event: MHz with the places the frequency needs.
    struct Number {
      const char* report;
      const char* element;
      double value, step;
    };
    const Number numbers[] = {
        {"AG0150;", "AF knob", 150, 1},
        {"FA14200000;", "Main tuning", 14.2, 0.001},
        {"FA07012340;", "Main tuning", 7.01234, 0.00001},
        {"FA07000001;", "Main tuning", 7.000001, 0.000001},
        // Not in use, the dial keeps its number value (a screen reader
        // read garbage from one that went away).
        {"SF0;", "CLAR or VFO B", 0, 1},
    };
    for (const Number& n : numbers) {
      QVERIFY(rig_.radio.applyLocal(n.report));
      QAccessibleValueInterface* v = nullptr;
      QTRY_VERIFY2((v = named(QString::fromUtf8(n.element))->valueInterface()) != nullptr &&
                       qAbs(v->currentValue().toDouble() - n.value) < 1e-9,
                   n.report);
      QCOMPARE(v->minimumStepSize().toDouble(), n.step);
    }
    // The frequency is told once it stands still: ten steps 50 ms apart are
    // one event, 300 ms after the last, with the last value.
    // A loaded machine may hold a step back past the 300 ms: such a run
    // proves nothing and is made again.
    QElapsedTimer clock;
    qint64 lastStep = 0;
    for (int run = 0; run < 3; ++run) {
      QTest::qWait(400);
      g_told.clear();
      clock.start();
      lastStep = 0;
      qint64 longestGap = 0;
      for (int i = 1; i <= 10; ++i) {
        QVERIFY(rig_.radio.applyLocal(QStringLiteral("FA0700%1;").arg(i * 100, 4, 10, QLatin1Char('0')).toLatin1().constData()));
        longestGap = std::max(longestGap, clock.elapsed() - lastStep);
        lastStep = clock.elapsed();
        QTest::qWait(50);
      }
      lastStep = clock.elapsed();
      QTRY_VERIFY(told(QAccessible::ValueChanged, QStringLiteral("Main tuning")));
      if (longestGap < 200) break;
    }
    QVERIFY2(clock.elapsed() - lastStep >= 250, qPrintable(QString::number(clock.elapsed() - lastStep)));
    QTest::qWait(400);
    QCOMPARE(std::count_if(g_told.begin(), g_told.end(),
                           [](const Told& t) { return t.type == QAccessible::ValueChanged && t.name == QStringLiteral("Main tuning"); }),
             1);
    QCOMPARE(named(QStringLiteral("Main tuning"))->valueInterface()->currentValue().toDouble(), 7.001);
    QVERIFY(!named(QStringLiteral("ATT"))->state().checked);
    QVERIFY(rig_.radio.applyLocal("RA02;"));
    QTRY_VERIFY(named(QStringLiteral("ATT"))->state().checked);
    // The meter says its reading, receiving in S units (6 dB each, S9 at
    // half scale), but does not tell each new one: meter replies come
    // several times a second.
    g_told.clear();
    const std::pair<int, const char*> readings[] = {
        {0, " selected, S0"}, {100, " selected, S7"}, {128, " selected, S9"},
        {170, " selected, S9 plus 20 dB"}, {255, " selected, S9 plus 60 dB"}};
    for (const auto& [reading, said] : readings) {
      rig_.w->RequestMeterRedraw(reading);
      QTRY_VERIFY2(value(QStringLiteral("Meter")).endsWith(QLatin1String(said)), qPrintable(value(QStringLiteral("Meter"))));
    }
    QVERIFY(!told(QAccessible::DescriptionChanged, QStringLiteral("Meter")));
    // Whether the radio sends is said first, and told as it changes.
    for (const auto& [report, state] : {std::pair{"TX1;", "transmitting, "}, {"TX0;", "receiving, "}}) {
      g_told.clear();
      QVERIFY(rig_.radio.applyLocal(report));
      QTRY_VERIFY2(value(QStringLiteral("Meter")).startsWith(QLatin1String(state)), qPrintable(value(QStringLiteral("Meter"))));
      QTRY_VERIFY2(told(QAccessible::DescriptionChanged, QStringLiteral("Meter")), report);
    }
  }

  // A retune and a mode change the radio reports are one announcement once
  // they stand, wherever the ring is but on the frequency; the transmit
  // state at once.
  void changesAreAnnouncedWhereverTheRingIs() {
    g_told.clear();
    QVERIFY(rig_.radio.applyLocal("MD01;"));
    QTRY_VERIFY_WITH_TIMEOUT(!announced().isEmpty() && announced().constLast().endsWith(QLatin1String("LSB")), 5000);
    // Ends in CW-U, as the tests after it start.
    struct Row {
      const char* ringOn;   // nullptr: no ring
      std::vector<const char*> reports;
      QStringList said;
    };
    const Row rows[] = {
        {nullptr, {"FA14074000;", "MD03;"}, {"VFO A 14.074 megahertz, CW-U"}},
        {"ATT", {"FA07074000;"}, {"VFO A 7.074 megahertz"}},
        {"Main tuning", {"FA07075000;"}, {}},   // the tuning says its own value
        {"Main tuning", {"MD01;"}, {"LSB"}},
        {"Main tuning", {"MD03;"}, {"CW-U"}},
        {"ATT", {"FB07074000;"}, {"VFO B 7.074 megahertz"}},
        {"VFO A frequency", {"FA07077000;"}, {"VFO A 7.077 megahertz"}},   // a label says nothing itself
        {"ATT", {"RA01;"}, {"ATT minus 6 dB"}},   // the ringed key's own setting
        {"ATT", {"RA00;"}, {"ATT OFF"}},
        // A digit says its figure; the frequency is said once it stands.
        {"VFO A 1 kilohertz digit", {"FA07076000;"}, {"VFO A 7.076 megahertz"}},
        // Tuning VFO B, the CLAR/VFO-B dial says its own.
        {"CLAR or VFO B", {"SF4;", "FB07075000;"}, {}},
        {"ATT", {"TX1;"}, {"transmitting"}},
        {"ATT", {"TX0;"}, {"receiving"}},
    };
    for (const Row& r : rows) {
      rig_.w->activateWindow();
      panelWidget()->setFocus();
      QTRY_VERIFY(panelWidget()->hasFocus());
      if (r.ringOn != nullptr) QVERIFY2(tabTo(QString::fromUtf8(r.ringOn)), r.ringOn);
      else if (panel_->focusChild() != nullptr) QTest::keyClick(panelWidget(), Qt::Key_Escape);
      g_told.clear();
      for (const char* report : r.reports) QVERIFY(rig_.radio.applyLocal(report));
      // Nothing to say: the ringed element's own value event comes first.
      if (r.said.isEmpty()) QTRY_VERIFY_WITH_TIMEOUT(told(QAccessible::ValueChanged, QString::fromUtf8(r.ringOn)), 5000);
      QTRY_VERIFY2_WITH_TIMEOUT(announced() == r.said, qPrintable(announced().join(u'|')), 5000);
      // And nothing more.
      QTest::qWait(400);
      QVERIFY2(announced() == r.said, qPrintable(announced().join(u'|')));
    }
    // A frequency that never stands (a scan) is still said, now and then.
    QVERIFY(tabTo(QStringLiteral("ATT")));
    g_told.clear();
    QElapsedTimer clock;
    clock.start();
    for (int hz = 7000000; clock.elapsed() < 3000 && announced().isEmpty(); hz += 100) {
      QVERIFY(rig_.radio.applyLocal(QStringLiteral("FA%1;").arg(hz, 8, 10, QLatin1Char('0')).toLatin1().constData()));
      QTest::qWait(100);
    }
    QVERIFY2(!announced().isEmpty() && announced().constFirst().startsWith(QLatin1String("VFO A 7.00")),
             qPrintable(announced().join(u'|')));
    QTest::keyClick(panelWidget(), Qt::Key_Escape);
  }

  // The other windows: every control that takes the keyboard, and every
  // field, has a name a screen reader can say.
  void otherWindowsNameEveryControl() {
    struct Row {
      const char* what;
      std::function<void()> open;
    };
    const Row rows[] = {
        {"Command Send", [&] { rig_.w->onCommand(32780); }},
        {"COM Select", [&] { rig_.w->onCommand(32781); }},
        {"Baud rate", [&] { rig_.w->onCommand(32782); }},
        {"Playback", [&] { rig_.w->onCommand(32783); }},
        {"Rotator", [&] { rig_.w->onCommand(32784); }},
        {"CW", [&] { rig_.w->onCommand(32785); }},
        {"Repeater", [&] { rig_.w->onCommand(32786); }},
        {"Prmtrc", [&] { rig_.w->onCommand(32787); }},
        {"P-Prmtrc", [&] { rig_.w->onCommand(32788); }},
        {"Version", [&] { rig_.w->onCommand(32789); }},
        {"menu list", [&] { rig_.click({470, 105}); }},
        {"VFO SET", [&] { rig_.click({985, 140}); }},
        {"menu item chooser", [&] { openMenuItem(5); }},
        {"menu item text", [&] { openMenuItem(4); }},
        {"set-up comparison",
         [&] {
           hrx::SetupFile file;
           file.items.push_back({5, 1, 99, {}});
           auto* d = new hrx::gui::CSetupCompareDlg(*rig_.w, QStringLiteral("station.txt"), file);
           d->setAttribute(Qt::WA_DeleteOnClose);
           d->show();
         }},
    };
    QStringList problems;
    for (const Row& r : rows) {
      const QWidgetList before = QApplication::topLevelWidgets();
      r.open();
      QWidget* window = nullptr;
      QTRY_VERIFY2_WITH_TIMEOUT(
          [&] {
            for (QWidget* t : QApplication::topLevelWidgets())
              if (t->isVisible() && t != rig_.w.get() && !before.contains(t) && qobject_cast<QMenu*>(t) == nullptr)
                window = t;
            for (QWidget* c : rig_.w->findChildren<QDialog*>())
              if (c->isVisible() && c->isWindow()) window = c;
            return window != nullptr;
          }(),
          r.what, 5000);
      QStringList unnamed;
      for (QWidget* c : window->findChildren<QWidget*>()) {
        const bool field = qobject_cast<QLineEdit*>(c) != nullptr;
        if (!c->isVisible() || (c->focusPolicy() == Qt::NoFocus && !field) || c->focusProxy() != nullptr) continue;
        QAccessibleInterface* i = QAccessible::queryAccessibleInterface(c);
        // A name says something: an arrow sign alone does not.
        if (i == nullptr || !i->text(QAccessible::Name).contains(QRegularExpression(QStringLiteral("[A-Za-z0-9]"))))
          unnamed << QStringLiteral("%1 %2 '%3'").arg(QString::fromUtf8(c->metaObject()->className()), c->objectName(),
                                                     i != nullptr ? i->text(QAccessible::Name) : QString());
      }
      if (!unnamed.isEmpty()) problems << QString::fromUtf8(r.what) + QStringLiteral(": ") + unnamed.join(u',');
      window->close();
      QTRY_VERIFY(!window->isVisible());
      // The equaliser tells the main window it closed by a posted message.
      QTRY_VERIFY(hrx::gui::openEqualiser(*rig_.w) == nullptr);
      // The menu list under its editor.
      if (auto* list = rig_.w->findChild<hrx::gui::CMenuListDlg*>(); list != nullptr && list->isVisible()) list->close();
      QTRY_VERIFY(!rig_.w->panel().busy());
      QVERIFY(rig_.idle());
    }
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral("; "))));
  }

  // While VFO SET or the menu list is open the panel is busy: a knob, dial
  // or digit turned from the keyboard does nothing, as the mouse's wheel
  // and clicks do nothing.
  void turnsWaitWhileAWindowIsOpen() {
    QVERIFY(rig_.radio.applyLocal("AG0100;"));
    QTRY_COMPARE(value(QStringLiteral("AF knob")), QStringLiteral("AF gain 100"));
    const QPoint opens[] = {{985, 140} /* ENT */, {470, 105} /* MENU */};
    for (const QPoint at : opens) {
      rig_.click(at);
      QTRY_VERIFY_WITH_TIMEOUT(rig_.w->panel().busy(), 15000);
      for (const char* element : {"AF knob", "Main tuning", "VFO A 1 kilohertz digit"}) {
        rig_.w->activateWindow();
        panelWidget()->setFocus();
        QTRY_VERIFY(panelWidget()->hasFocus());
        QVERIFY2(tabTo(QString::fromUtf8(element)), element);
        rig_.radio.clearCommandLog();
        QTest::keyClick(panelWidget(), Qt::Key_Up);
        QTest::qWait(300);
        QVERIFY2(sent().isEmpty(), qPrintable(QString::fromUtf8(element) + u' ' + sent().join(u' ')));
        QVERIFY(!rig_.w->panel().knobFocused() && !rig_.w->panel().digitChosen());
      }
      QTest::keyClick(panelWidget(), Qt::Key_Escape);
      if (rig_.w->vfoSetWindow() != nullptr) rig_.w->vfoSetWindow()->close();
      if (auto* list = rig_.w->findChild<hrx::gui::CMenuListDlg*>(); list != nullptr) list->close();
      QTRY_VERIFY(!rig_.w->panel().busy());
    }
  }

  // Space on ON/OFF, MOX or TUNE asks first, No the default and Escape's
  // answer: nothing reaches the radio until Yes. A release goes at once.
  void guardedKeysAskFirst() {
    auto question = []() -> QMessageBox* {
      for (QWidget* t : QApplication::topLevelWidgets())
        if (auto* b = qobject_cast<QMessageBox*>(t); b != nullptr && b->isVisible()) return b;
      return nullptr;
    };
    struct Row {
      const char* key;
      const char* question;
      const char* answer;   // "No", "Yes" or "Escape"
      QStringList sent;
      bool byAction = false;   // the press action a screen reader or voice control does, not Space
    };
    const Row rows[] = {
        {"MOX", "Key the transmitter?", "No", {}},
        {"MOX", "Key the transmitter?", "Escape", {}},
        {"MOX", "Key the transmitter?", "Yes", {"MX1;"}},
        {"MOX", nullptr, nullptr, {"MX0;"}},   // lit: the release asks nothing
        {"TUNE", "Press TUNE? The radio may transmit to tune.", "No", {}},
        {"ON/OFF", "Switch the radio off?", "No", {}},
        {"ON/OFF", "Switch the radio off?", "Escape", {}},
        {"MOX", "Key the transmitter?", "No", {}, true},
        {"MOX", "Key the transmitter?", "Yes", {"MX1;"}, true},
        {"MOX", nullptr, nullptr, {"MX0;"}, true},
        {"TUNE", "Press TUNE? The radio may transmit to tune.", "No", {}, true},
        {"ON/OFF", "Switch the radio off?", "No", {}, true},
    };
    for (const Row& r : rows) {
      rig_.w->activateWindow();
      panelWidget()->setFocus();
      QTRY_VERIFY(panelWidget()->hasFocus());
      QVERIFY2(tabTo(QString::fromUtf8(r.key)), r.key);
      QTRY_VERIFY(rig_.idle());
      QTest::qWait(200);
      rig_.radio.clearCommandLog();
      if (r.byAction)
        named(QString::fromUtf8(r.key))->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
      else
        QTest::keyClick(panelWidget(), Qt::Key_Space);
      if (r.question != nullptr) {
        QMessageBox* box = nullptr;
        QTRY_VERIFY2((box = question()) != nullptr, r.key);
        QCOMPARE(box->text(), QString::fromUtf8(r.question));
        QCOMPARE(box->defaultButton(), box->button(QMessageBox::No));
        QTest::qWait(300);
        QVERIFY2(sent().isEmpty(), qPrintable(sent().join(u' ')));
        const std::string_view answer(r.answer);
        if (answer == "Escape") QTest::keyClick(box, Qt::Key_Escape);
        else box->button(answer == "Yes" ? QMessageBox::Yes : QMessageBox::No)->click();
        QTRY_VERIFY(question() == nullptr);
      } else {
        QTest::qWait(100);
        QVERIFY(question() == nullptr);
      }
      if (!r.sent.isEmpty()) QTRY_VERIFY2_WITH_TIMEOUT(sent().size() >= r.sent.size(), r.key, 3000);
      QTest::qWait(300);
      QVERIFY2(sent() == r.sent, qPrintable(QString::fromUtf8(r.key) + u' ' + sent().join(u' ')));
    }
    QVERIFY(question() == nullptr);
    QTest::keyClick(panelWidget(), Qt::Key_Escape);   // the ring off
  }

  // Ctrl+Tab rings the first element of the next section, Ctrl+Shift+Tab
  // of the one before, round and round; each told as the ring's move.
  void ctrlTabJumpsBetweenSections() {
    QVERIFY(focusPanel());
    QVERIFY(panel_->focusChild() == nullptr);
    const char* forward[] = {"ON/OFF",  "Meter",       "MOX",          "VFO A frequency", "A RX",
                             "Main tuning", "1.8 megahertz", "CLAR or VFO B", "ON/OFF"};
    for (const char* name : forward) {
      g_told.clear();
      QTest::keyClick(panelWidget(), Qt::Key_Tab, Qt::ControlModifier);
      QVERIFY2(panel_->focusChild() != nullptr && panel_->focusChild() == named(QString::fromUtf8(name)), name);
      QVERIFY2(told(QAccessible::Focus, QString::fromUtf8(name)), name);
    }
    const char* back[] = {"CLAR or VFO B", "1.8 megahertz"};
    for (const char* name : back) {
      QTest::keyClick(panelWidget(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
      QVERIFY2(panel_->focusChild() == named(QString::fromUtf8(name)), name);
    }
    // From the middle of a section, forward is the next section's start.
    QTest::keyClick(panelWidget(), Qt::Key_Tab);
    QTest::keyClick(panelWidget(), Qt::Key_Tab, Qt::ControlModifier);
    QVERIFY(panel_->focusChild() == named(QStringLiteral("CLAR or VFO B")));
    QTest::keyClick(panelWidget(), Qt::Key_Escape);   // the ring off
  }

  // F, M and S say the frequency, the mode and the meter wherever the ring
  // is; E opens VFO SET with its field taking the keyboard.
  void lettersReadAloudAndEnterAFrequency() {
    QVERIFY(focusPanel());
    QVERIFY(rig_.radio.applyLocal("FA14250000;"));
    QVERIFY(rig_.radio.applyLocal("MD02;"));
    QTRY_COMPARE(value(QStringLiteral("Mode")), QStringLiteral("USB"));
    QTest::qWait(500);
    struct Row {
      const char* ringOn;   // nullptr: no ring
      Qt::Key key;
      int meter;
      const char* said;
    };
    const Row rows[] = {
        {nullptr, Qt::Key_F, 0, "VFO A 14.250 megahertz"}, {nullptr, Qt::Key_M, 0, "mode USB"},
        {nullptr, Qt::Key_S, 100, "S7"},                   {"AF knob", Qt::Key_F, 0, "VFO A 14.250 megahertz"},
        {"AF knob", Qt::Key_S, 170, "S9 plus 20 dB"},      {"ATT", Qt::Key_M, 0, "mode USB"},
    };
    for (const Row& r : rows) {
      if (r.ringOn != nullptr) QVERIFY2(tabTo(QString::fromUtf8(r.ringOn)), r.ringOn);
      else if (panel_->focusChild() != nullptr) QTest::keyClick(panelWidget(), Qt::Key_Escape);
      g_told.clear();
      if (r.key == Qt::Key_S) {
        rig_.w->RequestMeterRedraw(r.meter);
        QTRY_VERIFY(value(QStringLiteral("Meter")).endsWith(QLatin1String(r.said)));
      }
      QTest::keyClick(panelWidget(), r.key);
      QVERIFY2(announced() == QStringList{QString::fromUtf8(r.said)}, qPrintable(announced().join(u'|')));
    }
    // With the ring on a knob: E, a frequency typed, Enter.
    QVERIFY(tabTo(QStringLiteral("AF knob")));
    rig_.radio.clearCommandLog();
    QTest::keyClick(panelWidget(), Qt::Key_E);
    hrx::gui::VfoSetWindow* entry = nullptr;
    QTRY_VERIFY((entry = rig_.w->vfoSetWindow()) != nullptr && entry->isVisible());
    QTRY_COMPARE(entry->focusWidget(), static_cast<QWidget*>(entry->edit()));
    QTest::keyClicks(entry->edit(), QStringLiteral("7074000"));
    QTest::keyClick(entry->edit(), Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(sent().contains(QStringLiteral("FA07074000;")), 3000);
    QTRY_VERIFY(!rig_.w->panel().busy());
    QTRY_COMPARE(value(QStringLiteral("VFO A frequency")), QStringLiteral("7.074.000 MHz"));
    QVERIFY(backInCwU());
  }

  // Space held holds the ringed key down, its repeats ignored: soft key 8
  // held 2 s is its long push (CS1 while held, CS0 on the release), a short
  // press its push (ZI).
  void spaceHoldsAKey() {
    QVERIFY(focusPanel());
    QVERIFY(rig_.radio.applyLocal("MD02;"));
    QTRY_VERIFY(named(QStringLiteral("ZIN or SPOT")) != nullptr);
    struct Row {
      int heldMs;
      QStringList sent;
      bool entry = false;   // E (VFO SET) while the key is held
      bool marked = true;   // the repeats marked as such (not every X server does)
    };
    const Row rows[] = {{0, {"ZI;"}},
                        {2600, {"CS1;", "CS0;"}},
                        {300, {"ZI;"}},
                        {2600, {"CS1;", "CS0;"}, true},
                        {2600, {"CS1;", "CS0;"}, false, false},
                        {300, {"ZI;"}, false, false}};
    for (const Row& r : rows) {
      rig_.w->activateWindow();
      panelWidget()->setFocus();
      QTRY_VERIFY(panelWidget()->hasFocus());
      QVERIFY(tabTo(QStringLiteral("ZIN or SPOT")));
      QTest::qWait(300);
      rig_.radio.clearCommandLog();
      QTest::keyPress(panelWidget(), Qt::Key_Space);
      // The keyboard's repeats while the key is held: a release and a press each.
      for (int t = 0; t < r.heldMs; t += 100) {
        QTest::qWait(100);
        QKeyEvent up(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), r.marked);
        QApplication::sendEvent(panelWidget(), &up);
        QKeyEvent down(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), r.marked);
        QApplication::sendEvent(panelWidget(), &down);
      }
      if (r.entry) QTest::keyClick(panelWidget(), Qt::Key_E);
      QTest::keyRelease(panelWidget(), Qt::Key_Space);
      QTRY_VERIFY_WITH_TIMEOUT(sent().size() >= r.sent.size(), 3000);
      QTest::qWait(300);
      QVERIFY2(sent() == r.sent, qPrintable(QString::number(r.heldMs) + u' ' + sent().join(u' ')));
      if (r.entry) {
        hrx::gui::VfoSetWindow* entry = nullptr;
        QTRY_VERIFY((entry = rig_.w->vfoSetWindow()) != nullptr);
        entry->close();
        QTRY_VERIFY(rig_.w->vfoSetWindow() == nullptr);
        QTRY_VERIFY(!rig_.w->panel().busy());
      }
      QVERIFY(rig_.idle());
    }
    QVERIFY(backInCwU());
  }

  // Escape out of a menu of the menu bar, the MENU LIST or VFO SET gives
  // the keyboard back to the panel, the ring where it was, and says so.
  void focusComesBackToTheRing() {
    const auto space = [&] { QTest::keyClick(panelWidget(), Qt::Key_Space); };
    struct Row {
      const char* ringOn;
      std::function<void()> open;
      std::function<QWidget*()> opened;
    };
    const Row rows[] = {
        {"ATT", [&] { QTest::keyClick(rig_.w.get(), Qt::Key_O, Qt::AltModifier); },
         []() -> QWidget* { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }},
        {"MENU", space, [&]() -> QWidget* { return rig_.w->findChild<hrx::gui::CMenuListDlg*>(); }},
        {"ENT", space, [&]() -> QWidget* { return rig_.w->vfoSetWindow(); }},
    };
    for (const Row& r : rows) {
      QVERIFY(focusPanel());
      QVERIFY2(tabTo(QString::fromUtf8(r.ringOn)), r.ringOn);
      r.open();
      QWidget* open = nullptr;
      QTRY_VERIFY2_WITH_TIMEOUT((open = r.opened()) != nullptr && open->isVisible(), r.ringOn, 15000);
      g_told.clear();
      QWidget* keys = open->focusWidget() != nullptr ? open->focusWidget() : open;
      QTest::keyClick(keys, Qt::Key_Escape);
      QTRY_VERIFY2(!open->isVisible() && QApplication::activePopupWidget() == nullptr, r.ringOn);
      QTRY_VERIFY(!rig_.w->panel().busy());
      // The window's keyboard is the panel's (offscreen, the window is not
      // made active again after a menu).
      QTRY_COMPARE(rig_.w->focusWidget(), panelWidget());
      rig_.w->activateWindow();
      QTRY_VERIFY(panelWidget()->hasFocus());
      QCOMPARE(panel_->focusChild(), named(QString::fromUtf8(r.ringOn)));
      QTRY_VERIFY2(told(QAccessible::Focus, QString::fromUtf8(r.ringOn)), r.ringOn);
      QTest::keyClick(panelWidget(), Qt::Key_Escape);
    }
  }

  // The link going off and on is said wherever the ring is; its read-out
  // is said once, at its end, with where the radio stands (the retune and
  // the mode change it brings are not said on their own).
  void linkStateIsAnnounced() {
    QVERIFY(focusPanel());
    QVERIFY(tabTo(QStringLiteral("ATT")));
    // What an earlier case left to say is said first.
    QTest::qWait(500);
    g_told.clear();
    rig_.clickCom();
    QTRY_VERIFY_WITH_TIMEOUT(rig_.lampDark(), 5000);
    QTest::qWait(300);
    QVERIFY2(announced() == QStringList{QStringLiteral("link off")}, qPrintable(announced().join(u'|')));
    // Tuned while the link is off: the read-out finds it.
    QVERIFY(rig_.radio.applyLocal("FA14250000;"));
    QVERIFY(rig_.radio.applyLocal("MD02;"));
    const int before = rig_.w->readOutsDone();
    g_told.clear();
    rig_.clickCom();
    QTRY_VERIFY_WITH_TIMEOUT(rig_.w->readOutsDone() > before, 60000);
    QVERIFY(hrx::test::waitForQuiet(rig_.radio, std::chrono::milliseconds(500), std::chrono::milliseconds(5000)));
    QTest::qWait(400);
    QCOMPARE(announced(), (QStringList{QStringLiteral("link on, reading the radio"),
                                       QStringLiteral("ready, 14.250 megahertz USB")}));
    // Back in CW-U, as the tests after it start.
    QVERIFY(backInCwU());
  }

  // Tab rings the elements in reading order, Space clicks, the arrows and
  // Page Up/Down turn by one notch: each puts its command on the wire.
  void keyboardDrivesThePanel() {
    QVERIFY(focusPanel());
    QTest::keyClick(panelWidget(), Qt::Key_Tab);
    QVERIFY(panel_->focusChild() != nullptr);
    QCOMPARE(panel_->focusChild()->text(QAccessible::Name), QStringLiteral("ON/OFF"));
    QVERIFY(panel_->focusChild()->state().focused);
    QVERIFY(told(QAccessible::Focus, QStringLiteral("ON/OFF")));
    QTest::keyClick(panelWidget(), Qt::Key_Backtab);
    QVERIFY(panel_->focusChild() == nullptr);
    QTest::keyClick(panelWidget(), Qt::Key_Backtab);
    QVERIFY(panel_->focusChild() != nullptr);
    QCOMPARE(panel_->focusChild()->text(QAccessible::Name), QStringLiteral("VFO B select"));
    QTest::keyClick(panelWidget(), Qt::Key_Tab);
    QVERIFY(panel_->focusChild() == nullptr);

    struct Row {
      const char* element;
      Qt::Key key;
      QStringList sent;
    };
    const Row rows[] = {
        {"14 megahertz", Qt::Key_Space, {"BS05;"}},
        {"A to B", Qt::Key_Space, {"AB;", "IF;", "OI;"}},   // and the read-back
        {"Main tuning", Qt::Key_Up, {"EU001;"}},
        {"Main tuning", Qt::Key_Down, {"ED001;"}},
        {"Main tuning", Qt::Key_PageUp, {"EU001;"}},
        {"Main tuning", Qt::Key_PageDown, {"ED001;"}},
        {"CLAR or VFO B", Qt::Key_Up, {"EU101;"}},
        {"Meter", Qt::Key_Up, {"MS1;"}},
        {"AF knob", Qt::Key_Up, {"AG0120;"}},
        {"AF knob", Qt::Key_Left, {"AG0100;"}},
        {"VFO A 1 kilohertz digit", Qt::Key_Right, {"FA14196000;"}},
        {"VFO A 1 kilohertz digit", Qt::Key_PageDown, {"FA14195000;"}},
    };
    QVERIFY(rig_.radio.applyLocal("AG0100;"));
    QVERIFY(rig_.radio.applyLocal("FA14195000;"));
    QVERIFY(rig_.radio.applyLocal("SF4;"));
    QVERIFY(rig_.radio.applyLocal("MS0;"));
    QTRY_COMPARE(value(QStringLiteral("AF knob")), QStringLiteral("AF gain 100"));
    QTRY_COMPARE(value(QStringLiteral("VFO A frequency")), QStringLiteral("14.195.000 MHz"));
    for (const Row& r : rows) {
      QVERIFY2(tabTo(QString::fromUtf8(r.element)), r.element);
      QVERIFY(rig_.idle() || rig_.w->panel().knobFocused() || rig_.w->panel().digitChosen());
      rig_.radio.clearCommandLog();
      g_told.clear();
      QTest::keyClick(panelWidget(), r.key);
      QTRY_VERIFY2_WITH_TIMEOUT(sent().size() >= r.sent.size(), r.element, 3000);
      QTest::qWait(100);
      QVERIFY2(sent() == r.sent, qPrintable(QString::fromUtf8(r.element) + u' ' + sent().join(u' ')));
      // Choosing the digit that turns is no state change a screen reader says.
      if (QString::fromUtf8(r.element).endsWith(QLatin1String(" digit")))
        QVERIFY2(!told(QAccessible::StateChanged, QString::fromUtf8(r.element)), r.element);
    }
    // Page Up bound by the key file sends its line, ringed knob or not.
    QTemporaryDir keyDir;
    QFile keyFile(keyDir.filePath(QStringLiteral("RCPKSDEF.txt")));
    QVERIFY(keyFile.open(QIODevice::WriteOnly));
    keyFile.write(QByteArray(42, '\n') + "FA21000000;\n");
    keyFile.close();
    rig_.w->part<hrx::gui::KeyCommandFilter>().setKeyFile(keyFile.fileName());
    for (const char* element : {"AF knob", "ATT"}) {
      QVERIFY2(tabTo(QString::fromUtf8(element)), element);
      rig_.radio.clearCommandLog();
      QTest::keyClick(panelWidget(), Qt::Key_PageUp);
      QTRY_VERIFY2_WITH_TIMEOUT(!sent().isEmpty(), element, 3000);
      QTest::qWait(100);
      QVERIFY2(sent() == QStringList{QStringLiteral("FA21000000;")}, qPrintable(QString::fromUtf8(element) + u' ' + sent().join(u' ')));
    }
    rig_.w->part<hrx::gui::KeyCommandFilter>().setKeyFile(QString());
    QVERIFY(rig_.radio.applyLocal("FA14195000;"));
    // A key with a choice opens its menu on the radio's setting (a screen
    // reader says that item), worked with the arrows and Enter.
    struct Menu {
      const char* report;
      const char* key;
      const char* active;   // nullptr: no item is the setting
    };
    const Menu menus[] = {
        {"RA02;", "ATT", "12dB(1/4)"}, {"PA00;", "IPO", "IPO"},    {"PA02;", "IPO", "AMP2"},
        {"GT05;", "AGC", "AGC AUTO"},  {"GT03;", "AGC", "AGC SLOW"}, {"NB02;", "NB", "NBW ON"},
        {"RF00;", "roofing filter", "AUTO"}, {"RF04;", "roofing filter", nullptr},
        {"RA00;", "ATT", "ATT OFF"},
    };
    for (const Menu& m : menus) {
      QVERIFY(rig_.radio.applyLocal(m.report));
      QTest::qWait(200);
      QVERIFY2(tabTo(QString::fromUtf8(m.key)), m.key);
      QTest::keyClick(panelWidget(), Qt::Key_Space);
      QTRY_VERIFY(rig_.w->popupMenu() != nullptr && rig_.w->popupMenu()->isVisible());
      QAction* active = rig_.w->popupMenu()->activeAction();
      QVERIFY2(m.active == nullptr ? active == nullptr : active != nullptr && active->text() == QString::fromUtf8(m.active),
               m.report);
      if (&m != &menus[std::size(menus) - 1]) {   // the last is worked below
        QTest::keyClick(rig_.w->popupMenu(), Qt::Key_Escape);
        QTRY_VERIFY(!rig_.w->panel().busy());
        rig_.w->activateWindow();
        QTRY_VERIFY(panelWidget()->hasFocus());
      }
    }
    rig_.radio.clearCommandLog();
    QTest::keyClick(rig_.w->popupMenu(), Qt::Key_Down);
    g_told.clear();
    QTest::keyClick(rig_.w->popupMenu(), Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(sent(), QStringList{QStringLiteral("RA01;")}, 3000);
    QTRY_VERIFY(!rig_.w->panel().busy());
    // The panel keeps the window's focus for when the window is active
    // again; the key's return says its new setting, once.
    QTRY_VERIFY(rig_.w->panel().busy() == false && value(QStringLiteral("ATT")) == QStringLiteral("ATT minus 6 dB"));
    QCOMPARE(rig_.w->focusWidget(), panelWidget());
    rig_.w->activateWindow();
    QTRY_VERIFY(panelWidget()->hasFocus());
    QCOMPARE(panel_->focusChild()->text(QAccessible::Name), QStringLiteral("ATT"));
    QTRY_VERIFY(told(QAccessible::Focus, QStringLiteral("ATT")));
    QCOMPARE(announced(), QStringList());
    QVERIFY(tabTo(QStringLiteral("VFO A 1 kilohertz digit")));
    QTest::keyClick(panelWidget(), Qt::Key_Space);
    // The digit chosen from the keyboard is chosen on the panel, until the ring leaves.
    QCOMPARE(rig_.w->panel().m_Op_Stats(), 203);
    QTest::keyClick(panelWidget(), Qt::Key_Tab);
    QCOMPARE(rig_.w->panel().m_Op_Stats(), 0);
    // Back to the mouse: the ring goes, and the click works as on a panel
    // where the mouse chose the digit (a click on another digit only
    // releases the chosen one).
    QVERIFY(tabTo(QStringLiteral("VFO A 1 kilohertz digit")));
    QTest::keyClick(panelWidget(), Qt::Key_Space);
    QCOMPARE(rig_.w->panel().m_Op_Stats(), 203);
    rig_.click({693, 66});   // the 10 kHz digit
    QVERIFY(panel_->focusChild() == nullptr);
    QCOMPARE(rig_.w->panel().m_Op_Stats(), 0);
    QTest::keyClick(panelWidget(), Qt::Key_Tab);

    // Escape first takes the ring away, then ends the program; with no
    // ring Page Up is the key file's (none here) and turns nothing.
    QTest::keyClick(panelWidget(), Qt::Key_Escape);
    QVERIFY(panel_->focusChild() == nullptr);
    QVERIFY(rig_.w->isVisible());
    rig_.radio.clearCommandLog();
    QTest::keyClick(panelWidget(), Qt::Key_PageUp);
    QTest::keyClick(panelWidget(), Qt::Key_Return);
    QTest::keyClick(panelWidget(), Qt::Key_Space);
    QTest::qWait(300);
    QCOMPARE(sent(), QStringList());
    QTest::keyClick(panelWidget(), Qt::Key_Escape);
    QMessageBox* end = nullptr;
    QTRY_VERIFY((end = rig_.w->findChild<QMessageBox*>(QStringLiteral("endQuestion"))) != nullptr);
    end->button(QMessageBox::Yes)->click();
    QTRY_VERIFY(!rig_.w->isVisible());
    QCOMPARE(rig_.w->shutdownCount(), 1);
  }
};

static const hrx::test::GuiSuite kSuite("PanelAccess", hrx::test::runSuite<PanelAccessTest>);

#include "PanelAccessTest.moc"
