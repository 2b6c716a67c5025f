// The File, Option and Help windows and the keyboard commands through the
// real dialogs, over the real core and the simulated radio on a
// pseudo-terminal: each button's exact command as the radio received it,
// the displays that follow the radio's reports, the rotator poll while the
// window is open, the CW text checks and a key file line sent in order.
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "GuiSuites.h"
#include "../support/StationRig.h"
#include "app/gui/KeyCommandFilter.h"
#include "app/gui/OptionWindows.h"
#include "app/gui/PushHoldButton.h"
#include "app/gui/VersionDlg.h"

using hrx::gui::OptionWindows;
using Rig = hrx::test::StationRig;

namespace {

// Commands the program sends by itself while connected: polls, and the
// reads that follow a change of mode.
bool polled(const std::string& c) {
  return c == "PS;" || c == "AI;" || c == "RO;" || c == "IF;" || c == "OI;";
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
  // follows the radio; an empty edit sends nothing; CANCEL only closes.
  void commandSendSendsWhatIsTyped() {
    menu(32780);
    auto* d = windows().commandSend.data();
    QVERIFY(d != nullptr && d->isVisible());
    QCOMPARE(d->windowTitle(), QStringLiteral("Command Send"));
    QVERIFY(d->findChild<QLabel*>()->text() == QStringLiteral("Please enter the TX command."));
    QCOMPARE(d->edit()->maxLength(), 500);
    QVERIFY(rig_->w->panel().busy());
    rig_->radio.clearCommandLog();
    QTest::keyClicks(d->edit(), QStringLiteral("FA14250000;"));
    QTest::keyClick(d->edit(), Qt::Key_Return);
    QTRY_VERIFY(received("FA14250000;"));
    QTRY_VERIFY(rig_->showsFrequency(14250000));
    QCOMPARE(sent(), std::vector<std::string>{"FA14250000;"});
    QTRY_VERIFY(windows().commandSend.isNull());
    QVERIFY(!rig_->w->panel().busy());

    for (const char* button : {"OK", "CANCEL"}) {
      menu(32780);
      d = windows().commandSend.data();
      QVERIFY(d != nullptr);
      if (QString::fromUtf8(button) == QStringLiteral("CANCEL")) d->edit()->setText(QStringLiteral("MD02;"));
      rig_->radio.clearCommandLog();
      for (QPushButton* b : d->findChildren<QPushButton*>())
        if (b->text() == QString::fromUtf8(button)) QTest::mouseClick(b, Qt::LeftButton);
      QTRY_VERIFY(windows().commandSend.isNull());
      QTest::qWait(150);
      QVERIFY2(sent().empty(), button);
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
    struct Row {
      int id;
      const char* command;
    };
    const Row rows[] = {
        {1026, "LM01;"}, {1027, "LM02;"}, {1028, "LM03;"}, {1029, "LM04;"}, {1030, "LM05;"}, {1031, "LM00;"},
        {1034, "PB01;"}, {1035, "PB02;"}, {1036, "PB03;"}, {1037, "PB04;"}, {1038, "PB05;"}, {1039, "PB00;"},
        {1032, "LM11;"}, {1033, "LM10;"}, {1040, "PB11;"}, {1041, "PB10;"},
    };
    for (const Row& r : rows) {
      rig_->radio.clearCommandLog();
      QPushButton* b = control(d, r.id);
      QVERIFY2(b != nullptr, r.command);
      QTest::mouseClick(b, Qt::LeftButton);
      QTRY_VERIFY2(received(r.command), r.command);
      QVERIFY2(sent() == std::vector<std::string>{r.command}, r.command);
    }
    // REC lights red while the radio records, PLAY green while it plays.
    QCOMPARE(d->recLabel()->text(), QStringLiteral("REC"));
    QCOMPARE(d->playLabel()->text(), QStringLiteral("PLAY"));
    QVERIFY(rig_->radio.applyLocal("RI31"));
    QTRY_COMPARE(background(d->recLabel()), QColor(Qt::red));
    QCOMPARE(background(d->playLabel()), QColor(Qt::white));
    QVERIFY(rig_->radio.applyLocal("RI30"));
    QVERIFY(rig_->radio.applyLocal("RI41"));
    QTRY_COMPARE(background(d->playLabel()), QColor(Qt::green));
    QCOMPARE(background(d->recLabel()), QColor(Qt::white));
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

    struct Hold {
      int id;
      const char* press;
      const char* release;
    };
    const Hold holds[] = {{1044, "RO1;", "RO0;"}, {1045, "RO2;", "RO0;"}, {1046, "RO3;", nullptr}};
    for (const Hold& h : holds) {
      auto* b = control<hrx::gui::PushHoldButton>(d, h.id);
      QVERIFY(b != nullptr);
      rig_->radio.clearCommandLog();
      QTest::mousePress(b, Qt::LeftButton);
      QTRY_VERIFY2(received(h.press), h.press);
      QVERIFY2(!received("RO0;"), h.press);
      QTest::mouseRelease(b, Qt::LeftButton);
      if (h.release != nullptr) QTRY_VERIFY2(received(h.release), h.release);
    }
    QVERIFY(!d->repeating());

    auto* fast = control<hrx::gui::PushHoldButton>(d, 1047);
    rig_->radio.clearCommandLog();
    QTest::mousePress(fast, Qt::LeftButton);
    QTRY_VERIFY(count("RO4;") >= 3);
    QTest::mouseRelease(fast, Qt::LeftButton);
    QVERIFY(!d->repeating());
    QTest::qWait(50);
    const int held = count("RO4;");
    QTest::qWait(300);
    QCOMPARE(count("RO4;"), held);

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
    QCOMPARE(d->edit(2)->text(), QStringLiteral("HELLO"));

    struct Row {
      int id;
      const char* command;
    };
    const Row rows[] = {
        {1055, "KY1;"}, {1056, "KY2;"}, {1057, "KY3;"}, {1058, "KY4;"}, {1059, "KY5;"},
        {1060, "KY6;"}, {1061, "KY7;"}, {1062, "KY8;"}, {1063, "KY9;"}, {1064, "KYA;"},
    };
    for (const Row& r : rows) {
      rig_->radio.clearCommandLog();
      QTest::mouseClick(control(d, r.id), Qt::LeftButton);
      QTRY_VERIFY2(received(r.command), r.command);
      QVERIFY2(sent() == std::vector<std::string>{r.command}, r.command);
    }

    rig_->radio.clearCommandLog();
    d->edit(1)->setText(QStringLiteral("CQ CQ"));
    QTest::mouseClick(control(d, 1065), Qt::LeftButton);
    QTRY_VERIFY(received("KM1CQ CQ;"));
    QTRY_COMPARE(std::string(rig_->radio.state().keyer[0], 5), std::string("CQ CQ"));
    QCOMPARE(std::string(rig_->radio.state().keyer[0] + 5, 45), std::string(45, ' '));
    QVERIFY(d->note()->text().isEmpty());

    // A ';' would end the command early and send the rest on its own.
    const std::int32_t freq = rig_->radio.cell(hrx::sim::Cell::VfoA);
    struct Refused {
      QString text;
      const char* note;
    };
    const Refused refused[] = {
        {QStringLiteral("CQ;FA07000000"), "A CW text cannot contain ';'."},
        {QStringLiteral("CQ\tDE"), "A CW text takes printable ASCII characters only."},
        {QString(), ""},
        {QString(51, QLatin1Char('E')), ""},
    };
    for (const Refused& r : refused) {
      rig_->radio.clearCommandLog();
      d->edit(3)->setText(r.text);
      QTest::mouseClick(control(d, 1067), Qt::LeftButton);
      QCOMPARE(d->note()->text(), QString::fromUtf8(r.note));
      QTest::qWait(150);
      QVERIFY2(sent().empty(), r.note);
    }
    QCOMPARE(rig_->radio.cell(hrx::sim::Cell::VfoA), freq);
    QTest::keyClick(d, Qt::Key_Escape);
    QTRY_VERIFY(windows().cw.isNull());
  }

  void repeaterButtonsSetTheMainSideAndShowTheRadio() {
    rig_->radio.clearCommandLog();
    menu(32786);
    auto* d = windows().repeater.data();
    QVERIFY(d != nullptr && d->isVisible());
    QCOMPARE(d->windowTitle(), QStringLiteral("Repeater"));
    QCOMPARE(d->sideLabel()->text(), QStringLiteral("<VFO-A>"));
    QTRY_VERIFY(count("IF;") >= 1);

    struct Row {
      int id;
      const char* command;
      QLabel* label;
      const char* shows;
    };
    const Row rows[] = {
        {1027, "CT02;", d->modeLabel(), "Tone Encoder"}, {1028, "CT01;", d->modeLabel(), "Tone Squelch"},
        {1026, "CT00;", d->modeLabel(), "OFF"},          {1032, "OS01;", d->shiftLabel(), "Plus Shift"},
        {1031, "OS02;", d->shiftLabel(), "Minus Shift"}, {1030, "OS00;", d->shiftLabel(), "Simplex"},
    };
    for (const Row& r : rows) {
      rig_->radio.clearCommandLog();
      QTest::mouseClick(control(d, r.id), Qt::LeftButton);
      QTRY_VERIFY2(received(r.command), r.command);
      QVERIFY2(sent() == std::vector<std::string>{r.command}, r.command);
      QTRY_COMPARE(r.label->text(), QString::fromUtf8(r.shows));
    }

    // Freq: the list of 50 tones starts at the side's tone; OK sets the
    // chosen one.
    QVERIFY(rig_->radio.applyLocal("CN008"));
    QTRY_COMPARE(d->toneLabel()->text(), QStringLiteral("88.5 Hz"));
    QTest::mouseClick(control(d, 1029), Qt::LeftButton);
    hrx::gui::CToneListDlg* list = d->toneList();
    QVERIFY(list != nullptr && list->isVisible());
    QCOMPARE(list->windowTitle(), QStringLiteral("CTCSS Tone Frequency (Hz)"));
    QCOMPARE(list->list()->count(), 50);
    QCOMPARE(list->list()->item(0)->text(), QStringLiteral("67.0 Hz"));
    QCOMPARE(list->list()->item(49)->text(), QStringLiteral("254.1 Hz"));
    QCOMPARE(list->list()->currentRow(), 8);
    list->list()->setCurrentRow(12);
    rig_->radio.clearCommandLog();
    for (QPushButton* b : list->findChildren<QPushButton*>())
      if (b->text() == QStringLiteral("OK")) QTest::mouseClick(b, Qt::LeftButton);
    QTRY_VERIFY(received("CN012;"));
    QTRY_COMPARE(d->toneLabel()->text(), QStringLiteral("100.0 Hz"));
    QVERIFY(d->toneList() == nullptr);
    QTest::keyClick(d, Qt::Key_Escape);
    QTRY_VERIFY(windows().repeater.isNull());
  }

  // F2 sends line 0 of the key file command by command, 22 ms apart; a key
  // pressed meanwhile is ignored; without the file the keys do nothing.
  void keyFileLineIsSentInOrder() {
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("RCPKSDEF.txt")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    QByteArray text = "FA14250000;MD02;\n";
    for (int i = 1; i < 10; ++i) text += "\n";
    text += "MD01;\n";   // slot 10: Shift+F1
    f.write(text);
    f.close();
    auto& keys = rig_->w->part<hrx::gui::KeyCommandFilter>();
    keys.setKeyFile(f.fileName());

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
};

static const hrx::test::GuiSuite kSuite("OptionWindows", hrx::test::runSuite<OptionWindowsTest>);

#include "OptionWindowsTest.moc"
