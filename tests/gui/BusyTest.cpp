// The busy-message window run from the main window, and the power events
// that close the port, against the fake core.
#include <QLabel>
#include <QtTest>

#include "GuiSuites.h"
#include <algorithm>
#include <thread>

#include "GuiRig.h"
#include "app/gui/QtMainWindow.h"
#include "composer/Composer.h"

using hrx::gui::BusyEnd;
using hrx::gui::QtMainWindow;

class BusyTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // No read-out: closed at once; the end of the read-out, or the time-out.
  // Enter and Escape never end it.
  void busyWindowEnds() {
    struct Row {
      bool busy;
      int endAfterMs;   // < 0: no end-of-read-out message
      BusyEnd expected;
      int minMs, maxMs;
    };
    const Row rows[] = {{false, -1, BusyEnd::NotBusy, 90, 2000},
                        {true, 300, BusyEnd::ReadOutEnded, 390, 2000},
                        {true, -1, BusyEnd::TimedOut, 680, 3000}};
    for (const auto& [busy, endAfterMs, expected, minMs, maxMs] : rows) {
      hrx::test::FakeCore core;
      core.flags.busy = busy ? 1 : 0;
      QtMainWindow w;
      w.setCore(&core);
      w.setBusyTimeoutMs(600);
      w.show();
      std::thread composer;
      if (endAfterMs >= 0) {
        // The composer posts the message from its own thread, and only while
        // the window is shown.
        composer = std::thread([&] {
          std::this_thread::sleep_for(std::chrono::milliseconds(endAfterMs));
          if (core.flags.busyShown.load() != 0) w.postMessage(hrx::kMsgBusyClose, 0, 0);
          core.flags.busy = 0;
        });
      }
      int keyTries = 0;
      QTimer keys;
      keys.setInterval(40);
      connect(&keys, &QTimer::timeout, &w, [&] {
        if (auto* b = w.busyWindow()) {
          ++keyTries;
          QTest::keyClick(b, Qt::Key_Escape);
          QTest::keyClick(b, Qt::Key_Enter);
        }
      });
      keys.start();
      QElapsedTimer t;
      t.start();
      const BusyEnd how = w.runBusyWindow();
      const qint64 took = t.elapsed();
      keys.stop();
      if (composer.joinable()) composer.join();
      QCOMPARE(how, expected);
      QVERIFY2(took >= minMs && took <= maxMs, qPrintable(QString::number(took)));
      QCOMPARE(core.flags.busyShown.load(), 0);
      QVERIFY(w.busyWindow() == nullptr);
      if (busy) QVERIFY(keyTries > 0);
      w.setCore(nullptr);
    }
  }

  // An end-of-read-out message with no window open is dropped, and does not
  // close a window opened later.
  void staleEndMessageDoesNotCloseALaterWindow() {
    hrx::test::FakeCore core;
    core.flags.busy = 1;
    QtMainWindow w;
    w.setCore(&core);
    w.setBusyTimeoutMs(500);
    w.handleMessage(hrx::Msg{hrx::kMsgBusyClose, 0, 0});
    QCOMPARE(w.runBusyWindow(), BusyEnd::TimedOut);
    w.setCore(nullptr);
  }

  // Both equaliser entries run the busy window first and wait for the
  // read-out's end.
  void equaliserEntriesWaitForTheReadOut() {
    for (int cmd : {hrx::gui::kCmdPrmtrc, hrx::gui::kCmdPPrmtrc}) {
      hrx::test::FakeCore core;
      core.flags.busy = 1;
      QtMainWindow w;
      w.setCore(&core);
      w.show();
      bool seen = false;
      QTimer::singleShot(150, &w, [&] {
        seen = w.busyWindow() != nullptr && w.busyWindow()->isVisible();
        w.postMessage(hrx::kMsgBusyClose, 0, 0);
      });
      QElapsedTimer t;
      t.start();
      w.onCommand(cmd);
      QVERIFY(seen);
      QVERIFY(t.elapsed() >= 240 && t.elapsed() < 5000);
      QVERIFY(w.busyWindow() == nullptr);
      QCOMPARE(core.flags.busyShown.load(), 0);
      w.setCore(nullptr);
    }
  }

  void busyWindowHasNoCaptionAndOneText() {
    hrx::WindowFlags flags;
    hrx::gui::BusyWindow b(flags, nullptr);
    QVERIFY(b.windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(b.isModal());
    const auto labels = b.findChildren<QLabel*>();
    QCOMPARE(labels.size(), 1);
    QCOMPARE(labels[0]->text(), QStringLiteral("Reading the menu setting data now."));
    QCOMPARE(b.timeoutMs(), 10000);
  }

  void powerEventsCloseThePort() {
    static constexpr int kClosing[] = {0, 2, 4, 6, 7, 9, 10, 11, 18};
    hrx::test::FakeCore core;
    QtMainWindow w;
    w.setCore(&core);
    for (int pbt = -1; pbt <= 32; ++pbt) {
      const bool closes = std::find(std::begin(kClosing), std::end(kClosing), pbt) != std::end(kClosing);
      const int before = core.portCloses;
      QCOMPARE(w.onPowerEvent(pbt), closes);
      QCOMPARE(core.portCloses - before, closes ? 1 : 0);
    }
    w.setCore(nullptr);
    QVERIFY(!w.onPowerEvent(4));
  }
};

static const hrx::test::GuiSuite kSuite("Busy", hrx::test::runSuite<BusyTest>);

#include "BusyTest.moc"
