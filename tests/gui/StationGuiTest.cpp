// The Qt main window over the real core and the simulated radio on a
// pseudo-terminal: the watchdog, the busy-message window during the
// read-out, the main dial down to the radio and back to the digits, power
// events and the shutdown.
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "StationRig.h"

using hrx::gui::BusyEnd;
using hrx::gui::QtMainWindow;
using hrx::gui::StationLink;

using hrx::test::Rig;

class StationGuiTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // After the read-out the keep-alive keeps the lamp lit while replies
  // flow; a radio that stops answering with a command outstanding turns it
  // off within the watchdog's 3 to 6 s.
  void watchdogTurnsTheLampOffOnlyWhenTheRadioFallsSilent() {
    Rig rig;
    QVERIFY(rig.open());
    QTRY_VERIFY_WITH_TIMEOUT(rig.station().state.get_CommEnabled() != 0, 5000);
    rig.clickCom();
    QTRY_VERIFY_WITH_TIMEOUT(rig.w->readOutsDone() >= 1, 60000);
    QVERIFY(rig.lampLit());
    // The VFO-B area shows the radio's VFO-B (7.050.000: its 7 and 5).
    QCOMPARE(rig.radio.cell(hrx::sim::Cell::VfoB), 7050000);
    QTRY_VERIFY(hrx::test::showsBitmap(rig.w->surfaceImage(), rig.w->renderer().store().LoadBitmap(1843),
                                       hrx::render::kVfoBDigitX[1], hrx::render::kVfoBDigitY, hrx::render::kKeyMagenta));
    QVERIFY(hrx::test::showsBitmap(rig.w->surfaceImage(), rig.w->renderer().store().LoadBitmap(1841),
                                   hrx::render::kVfoBDigitX[3], hrx::render::kVfoBDigitY, hrx::render::kKeyMagenta));
    // HRX900_PANEL_PNG=FILE keeps a picture of the connected panel.
    if (const QString png = qEnvironmentVariable("HRX900_PANEL_PNG"); !png.isEmpty()) {
      QTest::qWait(100);
      QVERIFY(rig.w->surfaceImage().save(png, "PNG"));
    }

    // 4.5 s of keep-alive traffic: longer than the watchdog's period.
    const std::uint64_t repliesBefore = rig.station().repliesDelivered();
    QElapsedTimer t;
    t.start();
    QElapsedTimer sinceReply;
    sinceReply.start();
    std::uint64_t seen = repliesBefore;
    while (t.elapsed() < 4500) {
      QTest::qWait(10);
      if (rig.station().repliesDelivered() != seen) {
        seen = rig.station().repliesDelivered();
        sinceReply.restart();
      }
      QVERIFY2(rig.lampLit(), "the lamp went off while the radio answered");
      QCOMPARE(rig.station().state.get_AI_Stat(), 1);
    }
    QVERIFY(rig.station().repliesDelivered() > repliesBefore);

    hrx::sim::FaultConfig silent;
    silent.silent = true;
    rig.radio.setFaults(silent);
    // Replies already on their way may still arrive; the lamp may go off
    // only once 3 s have passed since the last of them.
    t.restart();
    std::uint64_t replies = rig.station().repliesDelivered();
    // Time of the last reply, counted from the start of the silence (it may
    // have come just before).
    qint64 lastReplyAt = replies == seen ? -sinceReply.elapsed() : 0;
    while (!rig.lampDark() && t.elapsed() < 10000) {
      QTest::qWait(10);
      if (rig.station().repliesDelivered() != replies) {
        replies = rig.station().repliesDelivered();
        lastReplyAt = t.elapsed();
      }
    }
    QVERIFY2(rig.lampDark(), "the watchdog never fired");
    const qint64 quiet = t.elapsed() - lastReplyAt;
    QVERIFY2(quiet >= 2950, qPrintable(QString::number(quiet)));
    QCOMPARE(rig.station().state.get_AI_Stat(), 0);
  }

  // COM starts the read-out; the busy-message window opened while it runs
  // stays until the read-out's end closes it. Then the main dial tunes the
  // radio, a suspend closes the port, and the shutdown leaves the port
  // closed, the settings written and every thread stopped.
  void busyWindowDialPowerAndShutdownOverTheRealCore() {
    Rig rig;
    QVERIFY(rig.open());
    QTRY_VERIFY_WITH_TIMEOUT(rig.station().state.get_CommEnabled() != 0, 5000);
    rig.clickCom();
    QTRY_VERIFY_WITH_TIMEOUT(rig.station().flags.busy.load() != 0, 10000);
    QCOMPARE(rig.w->readOutsDone(), 0);

    bool seenOpen = false;
    QString seenText;
    int seenTimeout = 0;
    QTimer::singleShot(200, rig.w.get(), [&] {
      hrx::gui::BusyWindow* b = rig.w->busyWindow();
      seenOpen = b != nullptr && b->isVisible() && rig.station().flags.busyShown.load() == 1;
      if (b != nullptr) {
        seenTimeout = b->timeoutMs();
        if (auto* text = b->findChild<QLabel*>()) seenText = text->text();
        // Enter and Escape do not end the wait.
        QTest::keyClick(b, Qt::Key_Escape);
        QTest::keyClick(b, Qt::Key_Return);
      }
    });
    QElapsedTimer t;
    t.start();
    const BusyEnd how = rig.w->runBusyWindow();
    QCOMPARE(how, BusyEnd::ReadOutEnded);
    QVERIFY(seenOpen);
    QCOMPARE(seenText, QStringLiteral("Reading the menu setting data now."));
    QCOMPARE(seenTimeout, 10000);
    QVERIFY(t.elapsed() < 10000);
    QCOMPARE(rig.station().flags.busy.load(), 0);
    QCOMPARE(rig.station().flags.busyShown.load(), 0);
    QTRY_VERIFY(rig.w->readOutsDone() >= 1);
    QTest::qWait(300);
    QCOMPARE(rig.w->readOutsDone(), 1);   // one click, one read-out
    QVERIFY(rig.w->busyWindow() == nullptr);
    QVERIFY(rig.lampLit());

    // Turning the main dial counter-clockwise gives positive steps, which
    // the main dial sends as "ED0nn;": the radio goes down by 10 Hz a step;
    // clockwise it goes up again. The digits follow the radio each time.
    struct Drag {
      QPointF from, to;
      int sign;
    };
    const Drag drags[] = {{{794, 189}, {784, 163}, -1}, {{784, 163}, {794, 189}, +1}};
    for (const Drag& d : drags) {
      const std::int32_t before = rig.radio.cell(hrx::sim::Cell::VfoA);
      QTRY_VERIFY(rig.showsFrequency(before));
      rig.mouse(QEvent::MouseButtonPress, d.from, Qt::LeftButton, Qt::LeftButton);
      rig.mouse(QEvent::MouseMove, d.to, Qt::NoButton, Qt::LeftButton);
      QTRY_VERIFY_WITH_TIMEOUT(rig.radio.cell(hrx::sim::Cell::VfoA) != before, 5000);
      rig.mouse(QEvent::MouseButtonRelease, d.to, Qt::LeftButton, Qt::NoButton);
      QTest::qWait(300);
      const std::int32_t after = rig.radio.cell(hrx::sim::Cell::VfoA);
      const std::int32_t moved = (after - before) * d.sign;
      QVERIFY2(moved > 0 && moved % 10 == 0, qPrintable(QStringLiteral("%1 -> %2").arg(before).arg(after)));
      QTRY_VERIFY_WITH_TIMEOUT(rig.showsFrequency(after), 5000);
      QVERIFY(!rig.showsFrequency(before));
    }

    // A suspend closes the port; the next command opens it again.
    QVERIFY(rig.station().port.IsOpen());
    QVERIFY(rig.w->onPowerEvent(4));
    QVERIFY(!rig.station().port.IsOpen());
    QVERIFY(rig.station().request(82, false, 21074000));
    QTRY_VERIFY_WITH_TIMEOUT(rig.station().port.IsOpen(), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(rig.radio.cell(hrx::sim::Cell::VfoA), 21074000, 5000);

    // The shutdown.
    const QString settings = rig.dir.path() + QStringLiteral("/CommoFiles/CommSetting.csv");
    QFile::remove(settings);
    QVERIFY(rig.station().anyThreadRunning());
    rig.w->close();
    QCOMPARE(rig.w->shutdownCount(), 1);
    QVERIFY(!rig.station().port.IsOpen());
    QVERIFY(!rig.station().running());
    QVERIFY(!rig.station().anyThreadRunning());
    QFile f(settings);
    QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(settings));
    QVERIFY(!f.readAll().isEmpty());
  }
};

int runStationGuiTests(int argc, char** argv) {
  StationGuiTest t;
  return QTest::qExec(&t, argc, argv);
}

#include "StationGuiTest.moc"
