// The File, Option and Help windows and the keyboard commands through the
// real dialogs, over the real core and the simulated radio on a
// pseudo-terminal: each button's exact command as the radio received it on
// either side, the displays that follow the radio's reports, the rotator
// poll while the window is open, the CW text checks and a key file line
// sent in order; a bad line, over a stand-in core.
#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>
#include <fstream>
#include <memory>
#include <tuple>
#include <string>
#include <vector>

#include "../support/StationRig.h"
#include "GuiRig.h"
#include "GuiSuites.h"
#include "app/gui/KeyCommandFilter.h"
#include "app/gui/windows/OptionWindows.h"
#include "app/gui/widgets/PushHoldButton.h"
#include "app/gui/windows/VersionDlg.h"

using hrx::gui::OptionWindows;
using Rig = hrx::test::StationRig;

namespace {

// Commands the program sends by itself while connected: polls, and the
// reads that follow a change of mode.
bool polled(const std::string& c) {
  return c == "PS;" || c == "AI;" || c == "RO;" || c == "IF;" || c == "OI;";
}

std::string joined(const std::vector<std::string>& commands) {
  std::string out;
  for (const std::string& c : commands) out += c + ' ';
  return out;
}

}  // namespace

class OptionWindowsTest : public QObject {
  Q_OBJECT

  std::unique_ptr<Rig> rig_;

  OptionWindows& windows() { return rig_->w->part<OptionWindows>(); }
  // What the radio received since the log was cleared, without the polls.
  std::vector<std::string> sent() {
    std::vector<std::string> out;
    for (const std::string& c : rig_->radio.commandLog())
      if (!polled(c)) out.push_back(c);
    return out;
  }
  int count(const std::string& cmd) { return rig_->count(cmd); }
  bool received(const std::string& cmd) { return count(cmd) > 0; }
  void menu(int id) {
    QAction* a = rig_->w->commandAction(id);
    QVERIFY(a != nullptr && a->isEnabled());
    a->trigger();
  }
  template <class T = QPushButton>
  T* control(QWidget* w, int id) {
    return w->findChild<T*>(QString::number(id));
  }
  // Each button sends exactly its command.
  void clicksSend(QWidget* d, std::initializer_list<std::pair<int, const char*>> rows) {
    for (const auto& [id, command] : rows) {
      rig_->radio.clearCommandLog();
      QTest::mouseClick(control(d, id), Qt::LeftButton);
      QTRY_VERIFY2(received(command), command);
      QVERIFY2(sent() == std::vector<std::string>{command}, command);
    }
  }
  QColor background(QLabel* l) { return l->palette().color(QPalette::Window); }
  QColor foreground(QLabel* l) { return l->palette().color(QPalette::WindowText); }

 private Q_SLOTS:
  void initTestCase() {
    rig_ = std::make_unique<Rig>();
    QVERIFY(rig_->open());
    QVERIFY(rig_->connectAndReadOut());
  }
  void cleanupTestCase() { rig_.reset(); }

  // Command Send: the typed text goes out as it stands and the main display
  // follows the radio; OK on an empty edit and CANCEL send nothing.
  void commandSendSendsWhatIsTyped() {
    for (const char* button : {"", "OK", "CANCEL"}) {
      menu(32780);
      auto* d = windows().commandSend.data();
      QVERIFY(d != nullptr && d->isVisible());
      QCOMPARE(d->windowTitle(), QStringLiteral("Command Send"));
      QCOMPARE(d->findChild<QLabel*>()->text(), QStringLiteral("Please enter the TX command."));
      QCOMPARE(d->edit()->maxLength(), 500);
      QVERIFY(rig_->w->panel().busy());
      rig_->radio.clearCommandLog();
      if (*button == '\0') {
        QTest::keyClicks(d->edit(), QStringLiteral("FA14250000;"));
        QTest::keyClick(d->edit(), Qt::Key_Return);
        QTRY_VERIFY(rig_->showsFrequency(14250000));
      } else {
        if (button[0] == 'C') d->edit()->setText(QStringLiteral("MD02;"));
        for (QPushButton* b : d->findChildren<QPushButton*>())
          if (b->text() == QString::fromUtf8(button)) QTest::mouseClick(b, Qt::LeftButton);
      }
      QTRY_VERIFY(windows().commandSend.isNull());
      // What is sent may cross a loaded machine late: waited for. Nothing
      // sent is seen after a pause.
      if (*button == '\0') {
        QTRY_VERIFY2(sent() == std::vector<std::string>{"FA14250000;"}, joined(sent()).c_str());
      } else {
        QTest::qWait(150);
        QVERIFY2(sent().empty(), joined(sent()).c_str());
      }
      QVERIFY(!rig_->w->panel().busy());
    }
  }

  // Version from the Help menu and from F1.
  void versionShowsTheProductAndTheProgram() {
    for (int how = 0; how < 2; ++how) {
      if (how == 0) menu(32789);
      else QTest::keyClick(rig_->w->panelWidget(), Qt::Key_F1);
      auto* v = rig_->w->findChild<hrx::gui::CVersionDlg*>();
      QVERIFY(v != nullptr && v->isVisible());
      QCOMPARE(v->windowTitle(), QStringLiteral("Version information of RCP for HRX900"));
      QCOMPARE(v->findChild<QLabel*>(QStringLiteral("product"))->text(), QStringLiteral("RCP-900 Version 1.01"));
      QVERIFY(v->findChild<QLabel*>(QStringLiteral("program"))->text().startsWith(QStringLiteral("hrx900")));
      QTest::mouseClick(v->findChild<QPushButton*>(), Qt::LeftButton);
      QTRY_VERIFY(rig_->w->findChild<hrx::gui::CVersionDlg*>() == nullptr);
    }
  }

  void playbackButtonsSendTheirCommands() {
    menu(32783);
    auto* d = windows().playback.data();
    QVERIFY(d != nullptr && d->isVisible());
    QCOMPARE(d->windowTitle(), QStringLiteral("Playback"));
    menu(32783);   // one window of a kind: the open one comes forward
    QCOMPARE(windows().playback.data(), d);
    QCOMPARE(rig_->w->findChildren<hrx::gui::CPlaybackDlg*>().size(), 1);
    clicksSend(d, {{1026, "LM01;"}, {1027, "LM02;"}, {1028, "LM03;"}, {1029, "LM04;"}, {1030, "LM05;"}, {1031, "LM00;"},
                   {1034, "PB01;"}, {1035, "PB02;"}, {1036, "PB03;"}, {1037, "PB04;"}, {1038, "PB05;"}, {1039, "PB00;"},
                   {1032, "LM11;"}, {1033, "LM10;"}, {1040, "PB11;"}, {1041, "PB10;"}});
    // REC lights red while the radio records, PLAY green while it plays.
    QCOMPARE(d->recLabel()->text(), QStringLiteral("REC"));
    QCOMPARE(d->playLabel()->text(), QStringLiteral("PLAY"));
    const std::tuple<const char*, QColor, QColor> lamps[] = {
        {"RI31", Qt::red, Qt::white}, {"RI30", Qt::white, Qt::white}, {"RI41", Qt::white, Qt::green}};
    for (const auto& [report, rec, play] : lamps) {
      QVERIFY(rig_->radio.applyLocal(report));
      QTRY_COMPARE(background(d->recLabel()), rec);
      QTRY_COMPARE(background(d->playLabel()), play);
    }
    QVERIFY(rig_->radio.applyLocal("RI40"));
    QTest::keyClick(d, Qt::Key_Escape);
    QTRY_VERIFY(windows().playback.isNull());
  }

  // The poll runs every 100 ms only while the window is open; CCW and CW
  // turn while held; FAST repeats while held; the read-out follows RO.
  void rotatorPollsWhileOpenAndHoldsItsButtons() {
    menu(32784);
    auto* d = windows().rotator.data();
    QVERIFY(d != nullptr && d->isVisible());
    QCOMPARE(rig_->w->timerPeriod(20), 100u);
    rig_->radio.clearCommandLog();
    QTRY_VERIFY(count("RO;") >= 3);

    const std::tuple<int, const char*, const char*> holds[] = {{1044, "RO1;", "RO0;"}, {1045, "RO2;", "RO0;"},
                                                                {1046, "RO3;", nullptr}};
    for (const auto& [id, press, release] : holds) {
      auto* b = control<hrx::gui::PushHoldButton>(d, id);
      rig_->radio.clearCommandLog();
      QTest::mousePress(b, Qt::LeftButton);
      QTRY_VERIFY2(received(press), press);
      QVERIFY2(!received("RO0;"), press);
      QTest::mouseRelease(b, Qt::LeftButton);
      if (release != nullptr) QTRY_VERIFY2(received(release), release);
    }
    QVERIFY(!d->repeating());

    auto* fast = control<hrx::gui::PushHoldButton>(d, 1047);
    rig_->radio.clearCommandLog();
    QTest::mousePress(fast, Qt::LeftButton);
    QTRY_VERIFY(count("RO4;") >= 3);
    const int atRelease = count("RO4;");
    QTest::mouseRelease(fast, Qt::LeftButton);
    QVERIFY(!d->repeating());
    // The repeats stop: the count stands still for 300 ms (a repeat comes
    // every 100 ms), after at most the one already on its way.
    int held = count("RO4;");
    QElapsedTimer still;
    still.start();
    QVERIFY(QTest::qWaitFor([&] {
      if (const int n = count("RO4;"); n != held) {
        held = n;
        still.restart();
      }
      return still.elapsed() >= 300;
    }, 5000));
    QVERIFY2(held <= atRelease + 1, qPrintable(QStringLiteral("%1 after %2").arg(held).arg(atRelease)));

    // 400 degrees: 40 past north, in red; the speed in orange.
    QVERIFY(rig_->radio.applyLocal("RO0400050"));
    QTRY_COMPARE(d->directionLabel()->text(), QStringLiteral("40"));
    QCOMPARE(foreground(d->directionLabel()), QColor(Qt::red));
    QCOMPARE(d->speedLabel()->text(), QStringLiteral("50%"));
    QCOMPARE(foreground(d->speedLabel()), QColor(255, 128, 0));
    QVERIFY(rig_->radio.applyLocal("RO0180100"));
    QTRY_COMPARE(d->directionLabel()->text(), QStringLiteral("180"));
    QCOMPARE(foreground(d->directionLabel()), QColor(255, 128, 0));
    QCOMPARE(d->speedLabel()->text(), QStringLiteral("100%"));

    QTest::keyClick(d, Qt::Key_Escape);
    QTRY_VERIFY(windows().rotator.isNull());
    QCOMPARE(rig_->w->timerPeriod(20), 0u);
    QTest::qWait(100);
    rig_->radio.clearCommandLog();
    QTest::qWait(350);
    QCOMPARE(count("RO;"), 0);
  }

  void cwPlaysWritesAndRefusesASemicolon() {
    QVERIFY(rig_->radio.applyLocal("KM2HELLO" + std::string(45, ' ')));
    QTest::qWait(100);
    menu(32785);
    auto* d = windows().cw.data();
    QVERIFY(d != nullptr && d->isVisible());
    QCOMPARE(d->windowTitle(), QStringLiteral("CW"));
    // The window reads the five memories: the second shows the radio's.
    QTRY_COMPARE(d->readOutCount(), 5);
    QTRY_COMPARE(d->edit(2)->text(), QStringLiteral("HELLO"));
    // Two replies decoded before the window takes the first one's event:
    // the store already names the second, and both memories are shown.
    hrx::RadioState* st = rig_->core->writableState();
    QVERIFY(st != nullptr);
    QVERIFY(st->set_KM_Text4(50, "CQ TEST") && st->set_KM_Text5(50, "DE MARVO") && st->set_KM_LastNo(5));
    d->onEvent(hrx::WM_ANL_EVT_KM);
    d->onEvent(hrx::WM_ANL_EVT_KM);
    QCOMPARE(d->edit(4)->text(), QStringLiteral("CQ TEST"));
    QCOMPARE(d->edit(5)->text(), QStringLiteral("DE MARVO"));

    clicksSend(d, {{1055, "KY1;"}, {1056, "KY2;"}, {1057, "KY3;"}, {1058, "KY4;"}, {1059, "KY5;"},
                   {1060, "KY6;"}, {1061, "KY7;"}, {1062, "KY8;"}, {1063, "KY9;"}, {1064, "KYA;"}});

    rig_->radio.clearCommandLog();
    d->edit(1)->setText(QStringLiteral("CQ CQ"));
    QTest::mouseClick(control(d, 1065), Qt::LeftButton);
    QTRY_VERIFY(received("KM1CQ CQ;"));
    QTRY_COMPARE(std::string(rig_->radio.state().keyer[0], 5), std::string("CQ CQ"));
    QCOMPARE(std::string(rig_->radio.state().keyer[0] + 5, 45), std::string(45, ' '));
    QVERIFY(d->note()->text().isEmpty());

    // A ';' would end the command early and send the rest on its own.
    const std::int32_t freq = rig_->radio.cell(hrx::sim::Cell::VfoA);
    const std::pair<QString, const char*> refused[] = {
        {QStringLiteral("CQ;FA07000000"), "A CW text cannot contain ';'."},
        {QStringLiteral("CQ\tDE"), "A CW text takes printable ASCII characters only."},
        {QString(51, QLatin1Char('E')), ""},   // the other checks: tests/app
    };
    rig_->radio.clearCommandLog();
    for (const auto& [text, note] : refused) {
      d->edit(3)->setText(text);
      QTest::mouseClick(control(d, 1067), Qt::LeftButton);
      QCOMPARE(d->note()->text(), QString::fromUtf8(note));
    }
    QTest::qWait(150);
    QCOMPARE(sent(), std::vector<std::string>{});
    QCOMPARE(rig_->radio.cell(hrx::sim::Cell::VfoA), freq);
    QTest::keyClick(d, Qt::Key_Escape);
    QTRY_VERIFY(windows().cw.isNull());
  }

  // The Repeater works on the operating side: its label, its read (IF or
  // OI), each button's command and the tone list name that side; the
  // labels follow the radio; the tone list's CANCEL sets nothing.
  void repeaterWorksTheOperatingSide() {
    struct Side {
      const char* vs, *label, *read, *tone;
      int toneRow;
      const char* toneShown;
      int chosen;
      const char* set, *setShown;
    };
    const Side sides[] = {{"VS0", "<VFO-A>", "IF;", "CN008", 8, "88.5 Hz", 12, "CN012;", "100.0 Hz"},
                          {"VS1", "<VFO-B>", "OI;", "CN120", 20, "131.8 Hz", 49, "CN149;", "254.1 Hz"}};
    for (const Side& side : sides) {
      QVERIFY(rig_->radio.applyLocal(side.vs));
      QTRY_COMPARE(rig_->station().state.get_VS_Stat(), side.vs[2] - '0');
      rig_->radio.clearCommandLog();
      menu(32786);
      auto* d = windows().repeater.data();
      QVERIFY(d != nullptr && d->isVisible());
      QCOMPARE(d->windowTitle(), QStringLiteral("Repeater"));
      QCOMPARE(d->sideLabel()->text(), QString::fromUtf8(side.label));
      QTRY_VERIFY(received(side.read));
      struct Row {
        int id;
        const char* command;   // '?': the side
        QLabel* label;
        const char* shows;
      };
      const Row rows[] = {
          {1027, "CT?2;", d->modeLabel(), "Tone Encoder"}, {1028, "CT?1;", d->modeLabel(), "Tone Squelch"},
          {1026, "CT?0;", d->modeLabel(), "OFF"},          {1032, "OS?1;", d->shiftLabel(), "Plus Shift"},
          {1031, "OS?2;", d->shiftLabel(), "Minus Shift"}, {1030, "OS?0;", d->shiftLabel(), "Simplex"},
      };
      for (const Row& r : rows) {
        std::string command = r.command;
        command[2] = side.vs[2];
        rig_->radio.clearCommandLog();
        QTest::mouseClick(control(d, r.id), Qt::LeftButton);
        QTRY_VERIFY2(received(command), r.command);
        QVERIFY2(sent() == std::vector<std::string>{command}, r.command);
        QTRY_COMPARE(r.label->text(), QString::fromUtf8(r.shows));
      }

      // Freq: the list of 50 tones starts at the side's tone.
      QVERIFY(rig_->radio.applyLocal(side.tone));
      QTRY_COMPARE(d->toneLabel()->text(), QString::fromUtf8(side.toneShown));
      rig_->radio.clearCommandLog();
      for (const char* button : {"CANCEL", "OK"}) {
        QTest::mouseClick(control(d, 1029), Qt::LeftButton);
        hrx::gui::CToneListDlg* list = d->toneList();
        QVERIFY(list != nullptr && list->isVisible());
        QCOMPARE(list->windowTitle(), QStringLiteral("CTCSS Tone Frequency (Hz)"));
        QCOMPARE(list->list()->count(), 50);
        QCOMPARE(list->list()->item(0)->text(), QStringLiteral("67.0 Hz"));
        QCOMPARE(list->list()->item(49)->text(), QStringLiteral("254.1 Hz"));
        QCOMPARE(list->list()->currentRow(), side.toneRow);
        list->list()->setCurrentRow(side.chosen);
        for (QPushButton* b : list->findChildren<QPushButton*>())
          if (b->text() == QString::fromUtf8(button)) QTest::mouseClick(b, Qt::LeftButton);
        QVERIFY(d->toneList() == nullptr);
      }
      QTRY_VERIFY(received(side.set));
      QCOMPARE(sent(), std::vector<std::string>{side.set});
      QTRY_COMPARE(d->toneLabel()->text(), QString::fromUtf8(side.setShown));
      QTest::keyClick(d, Qt::Key_Escape);
      QTRY_VERIFY(windows().repeater.isNull());
    }
    QVERIFY(rig_->radio.applyLocal("VS0"));
    QTRY_COMPARE(rig_->station().state.get_VS_Stat(), 0);
  }

  // F2 sends line 0 of the key file command by command, 22 ms apart; a key
  // pressed meanwhile is ignored; without the file the keys do nothing.
  void keyFileLineIsSentInOrder() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("RCPKSDEF.txt"));
    std::ofstream(file.toStdString()) << "FA14250000;MD02;\n" << std::string(9, '\n') << "MD01;\n";   // 10: Shift+F1
    auto& keys = rig_->w->part<hrx::gui::KeyCommandFilter>();
    keys.setKeyFile(file);

    rig_->radio.clearCommandLog();
    QTest::keyClick(rig_->w->panelWidget(), Qt::Key_F2);
    QCOMPARE(rig_->w->timerPeriod(30), 22u);
    QTest::keyClick(rig_->w->panelWidget(), Qt::Key_F2);
    QTRY_VERIFY(received("MD02;"));
    QTRY_VERIFY(!keys.sending());
    QTest::qWait(100);
    QCOMPARE(sent(), (std::vector<std::string>{"FA14250000;", "MD02;"}));

    rig_->radio.clearCommandLog();
    QTest::keyClick(rig_->w->panelWidget(), Qt::Key_F1, Qt::ShiftModifier);
    QTRY_VERIFY(received("MD01;"));
    QVERIFY(rig_->w->findChild<hrx::gui::CVersionDlg*>() == nullptr);

    keys.setKeyFile(dir.filePath(QStringLiteral("missing.txt")));
    rig_->radio.clearCommandLog();
    QTest::keyClick(rig_->w->panelWidget(), Qt::Key_F2);
    QTest::qWait(100);
    QVERIFY(sent().empty());
    QVERIFY(!keys.sending());
  }

  // The key file is read from the settings folder, beside CommSetting.csv.
  void keyFileLivesInTheSettingsFolder() {
    const QString folder = rig_->dir.filePath(QStringLiteral("CommoFiles"));
    QVERIFY(QDir().mkpath(folder));
    std::ofstream((folder + QStringLiteral("/RCPKSDEF.txt")).toStdString()) << "MD03;\n";
    hrx::gui::KeyCommandFilter keys(*rig_->w);
    rig_->radio.clearCommandLog();
    QTest::keyClick(rig_->w->panelWidget(), Qt::Key_F2);
    QTRY_VERIFY(received("MD03;"));
  }

  // Over a stand-in core, whose line is never healthy: a held FAST stops
  // repeating at the first repeat tick; timer 20 runs only while the
  // Rotator is open; the panel stays busy while any option window is.
  void rotatorRepeatStopsOnABadLine() {
    hrx::test::FakeCore core;
    hrx::gui::QtMainWindow w;
    w.setCore(&core);
    w.onCommand(32783);
    w.onCommand(32784);
    auto* d = w.part<OptionWindows>().rotator.data();
    QVERIFY(d != nullptr);
    QCOMPARE(w.timerPeriod(20), 100u);
    auto* fast = control<hrx::gui::PushHoldButton>(d, 1047);
    QTest::mousePress(fast, Qt::LeftButton);
    QVERIFY(core.requests == (std::vector<hrx::test::Request>{{128, false, 1}}));
    QVERIFY(d->repeating());
    QTRY_VERIFY(!d->repeating());
    QCOMPARE(core.requests.size(), std::size_t{1});
    QTest::mouseRelease(fast, Qt::LeftButton);
    QTest::keyClick(d, Qt::Key_Escape);
    QTRY_VERIFY(w.part<OptionWindows>().rotator.isNull());
    QCOMPARE(w.timerPeriod(20), 0u);
    QVERIFY(w.panel().busy());   // Playback is still open
    QTest::keyClick(w.part<OptionWindows>().playback.data(), Qt::Key_Escape);
    QTRY_VERIFY(!w.panel().busy());
    w.setCore(nullptr);
  }
};

static const hrx::test::GuiSuite kSuite("OptionWindows", hrx::test::runSuite<OptionWindowsTest>);

#include "OptionWindowsTest.moc"
