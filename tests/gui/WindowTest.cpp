// The main window's frame: caption, size, menu, timers, Disp_Start, the
// one shutdown path and the message and timer calls from other threads.
#include <QAction>
#include <QMenuBar>
#include <QtTest>

#include "GuiSuites.h"
#include <atomic>
#include <thread>

#include "GuiRig.h"
#include "analysis/AnalyserMessages.h"
#include "app/gui/QtMainWindow.h"

using hrx::gui::QtMainWindow;
using hrx::test::FakeCore;

class WindowTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void captionSizeAndPlace() {
    QtMainWindow w;
    w.show();
    QCOMPARE(w.windowTitle(), QStringLiteral("RCP for HRX900"));
    QCOMPARE(w.centralWidget(), w.panelWidget());
    QCOMPARE(w.panelWidget()->size(), QSize(1024, 335));
    QCOMPARE(w.panelWidget()->x(), 0);
    QCOMPARE(w.panelWidget()->y(), w.menuBar()->height());
    // Not resizable: the panel is never scaled.
    QCOMPARE(w.minimumSize(), w.maximumSize());
    QCOMPARE(w.surfaceImage().size(), QSize(1024, 335));
    // The icon is the program's bitmap 128, its key colour transparent.
    QVERIFY(!w.windowIcon().isNull());
    const QImage icon = w.iconImage();
    QCOMPARE(icon.size(), QSize(32, 32));
    QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(icon.pixel(16, 16)), 255);
  }

  void menuIdsAndDisabledEntries() {
    QtMainWindow w;
    QStringList titles;
    for (QAction* a : w.menuBar()->actions()) titles << a->text().remove('&');
    QCOMPARE(titles, (QStringList{"File", "Setup", "Option", "Prmtrc", "Help"}));
    struct Row {
      int id;
      const char* menu;
      bool enabled;
    };
    const Row rows[] = {{32779, "File", true},    {32780, "File", true},    {32781, "Setup", true},
                        {32782, "Setup", true},   {32783, "Option", true},  {32784, "Option", true},
                        {32785, "Option", true},  {32786, "Option", true},  {32787, "Prmtrc", true},
                        {32788, "Prmtrc", true}, {32789, "Help", true},
                        {32790, "Option", true}};
    for (const Row& r : rows) {
      QAction* a = w.commandAction(r.id);
      QVERIFY2(a != nullptr, qPrintable(QString::number(r.id)));
      QCOMPARE(a->data().toInt(), r.id);
      QCOMPARE(a->isEnabled(), r.enabled);
      bool inMenu = false;
      for (QAction* top : w.menuBar()->actions())
        if (top->text().remove('&') == r.menu && top->menu()->actions().contains(a)) inMenu = true;
      QVERIFY2(inMenu, qPrintable(QString::number(r.id)));
    }
    QVERIFY(w.commandAction(32778) == nullptr);
    QVERIFY(w.commandAction(32791) == nullptr);
  }

  void startUpTimersAndDispStart() {
    FakeCore core;
    QtMainWindow w;
    w.setCore(&core);
    w.show();
    QVERIFY(w.startUp());
    QCOMPARE(core.starts, 1);
    const std::pair<std::uint32_t, std::uint32_t> timers[] = {{6, 30},  {7, 30},     {32, 30}, {33, 30},
                                                              {11, 10}, {15, 3000}, {1234, 100}};
    for (auto [id, period] : timers) QCOMPARE(w.timerPeriod(id), period);
    QVERIFY(w.splash() != nullptr && w.splash()->isVisible());

    // Disp_Start runs once, 10 ms later, and stops its timer.
    QTRY_COMPARE(w.dispStartLog().size(), std::size_t{97});   // the sequence: gui.Restore
    QCOMPARE(w.timerPeriod(11), 0u);
    // It draws from the stored state only: no operation reaches the core.
    QVERIFY(core.requests.empty());
    QTest::qWait(50);
    QCOMPARE(w.dispStartLog().size(), std::size_t{97});

    // Timer 15 closes the splash.
    w.onTimerTick(15);
    QVERIFY(w.splash() == nullptr || !w.splash()->isVisible());
    QCOMPARE(w.timerPeriod(15), 0u);
  }

  void restoredWindowIsRedrawnWhole30msLater() {
    FakeCore core;
    QtMainWindow w;
    w.setCore(&core);
    w.show();
    QVERIFY(w.startUp());
    QTRY_COMPARE(w.dispStartLog().size(), std::size_t{97});
    QCOMPARE(w.restoreCount(), 0);
    w.renderer().LoadPanelImages();
    w.setWindowState(Qt::WindowMinimized);
    QCOMPARE(w.timerPeriod(13), 0u);
    // Painted while minimised it shows the icon in the middle, and neither
    // restores nor touches the panel.
    const QImage panelBefore = w.surfaceImage();
    QImage shown(w.panelWidget()->size(), QImage::Format_RGB32);
    w.panelWidget()->render(&shown, QPoint(), QRegion(), QWidget::DrawWindowBackground);   // not the splash
    const QImage& icon = w.iconImage();
    const QPoint corner((1024 - icon.width()) / 2, (335 - icon.height()) / 2);
    QCOMPARE(shown.pixel(corner + QPoint(16, 16)) | 0xFF000000u, icon.pixel(16, 16) | 0xFF000000u);
    QVERIFY(shown.pixel(10, 10) != panelBefore.pixel(10, 10) || shown.pixel(500, 300) != panelBefore.pixel(500, 300));
    QCOMPARE(w.timerPeriod(13), 0u);
    QCOMPARE(w.surfaceImage(), panelBefore);
    // Something drawn over the frequency display meanwhile is repaired.
    QVERIFY(core.st.set_VfoA_Freq(28500000));
    w.setWindowState(Qt::WindowNoState);
    QCOMPARE(w.timerPeriod(13), 30u);
    QCOMPARE(w.restoreCount(), 0);
    w.killTimer(6);
    QTRY_COMPARE(w.restoreCount(), 1);
    QCOMPARE(w.timerPeriod(13), 0u);
    QVERIFY(hrx::test::showsMainDigit(w.surfaceImage(), w.renderer().store().LoadBitmap(1333), 0));
    QVERIFY(hrx::test::showsMainDigit(w.surfaceImage(), w.renderer().store().LoadBitmap(1338), 1));
    QVERIFY(core.requests.empty());
  }

  void coreTimersGoToTheCore() {
    FakeCore core;
    QtMainWindow w;
    w.setCore(&core);
    for (std::uint32_t id : {3u, 4u, 5u, 8u, 17u, 20u, 23u}) w.onTimerTick(id);
    // Window and panel timers stay with the window.
    for (std::uint32_t id : {1u, 6u, 7u, 11u, 15u, 18u, 1234u}) w.onTimerTick(id);
    QCOMPARE(core.ticks, (std::vector<std::uint32_t>{3, 4, 5, 8, 17, 20, 23}));
  }

  void timersFromAnotherThread() {
    FakeCore core;
    QtMainWindow w;
    w.setCore(&core);
    std::thread([&] {
      w.setTimer(8, 40);
      w.setTimer(9, 1000);
      w.killTimer(9);
    }).join();
    QTRY_COMPARE(w.timerPeriod(8), 40u);
    QCOMPARE(w.timerPeriod(9), 0u);
    // The timer ticks on the GUI thread into the core.
    QTRY_VERIFY(std::count(core.ticks.begin(), core.ticks.end(), 8u) >= 2);
    // Setting it again restarts it with the new period; one timer per id.
    w.setTimer(8, 500);
    QCOMPARE(w.timerPeriod(8), 500u);
    w.killTimer(8);
    QCOMPARE(w.timerPeriod(8), 0u);
  }

  void ticksNeverPileUp() {
    FakeCore core;
    QtMainWindow w;
    w.setCore(&core);
    w.setTimer(8, 5);
    // A GUI thread that is busy for 200 ms sees at most one tick waiting.
    QTest::qWait(20);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const std::size_t before = core.ticks.size();
    QCoreApplication::processEvents();
    QVERIFY(core.ticks.size() - before <= 1);
    w.killTimer(8);
  }

  void sendFromAnotherThreadRunsOnGuiThreadAndWaits() {
    FakeCore core;
    QtMainWindow w;
    w.setCore(&core);
    w.renderer().LoadPanelImages();
    QVERIFY(core.st.set_VfoA_Freq(21300000));
    std::atomic<bool> done{false};
    QImage seen;
    std::thread t([&] {
      w.sendMessage(hrx::WM_ANL_EVT_FA, 0, 0);
      done = true;
    });
    QTRY_VERIFY(done.load());
    t.join();
    // The handler had drawn the digits before the sender went on.
    QVERIFY(hrx::test::showsBitmap(w.surfaceImage(), w.renderer().store().LoadBitmap(1333), 621, 53, 0xFF00FF00));
    QVERIFY(hrx::test::showsBitmap(w.surfaceImage(), w.renderer().store().LoadBitmap(1332), 641, 53, 0xFF00FF00));
  }

  void postsFromAnotherThreadKeepTheirOrder() {
    FakeCore core;
    QtMainWindow w;
    w.setCore(&core);
    w.renderer().LoadPanelImages();
    // COM pressed, then released: in any other order the lamp stays pressed.
    std::thread([&] {
      w.postMessage(0x8578, 1, 0);
      w.postMessage(0x8578, 0, 0);
    }).join();
    QCoreApplication::processEvents();
    auto& store = w.renderer().store();
    QVERIFY(hrx::test::showsBitmap(w.surfaceImage(), store.LoadBitmap(1962), 14, 130, 0xFF00FF00));
    QVERIFY(!hrx::test::showsBitmap(w.surfaceImage(), store.LoadBitmap(1961), 14, 130, 0xFF00FF00));
  }

  void oneShutdownForEveryWayOut_data() {
    QTest::addColumn<int>("way");
    QTest::newRow("Escape") << 0;
    QTest::newRow("close box") << 1;
    QTest::newRow("File/Exit") << 2;
    QTest::newRow("exit request") << 3;
  }
  void oneShutdownForEveryWayOut() {
    QFETCH(int, way);
    FakeCore core;
    QtMainWindow w;
    w.setCore(&core);
    w.show();
    QVERIFY(w.startUp());
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    // Enter first: it must not end anything.
    QTest::keyClick(&w, Qt::Key_Return);
    QTest::keyClick(&w, Qt::Key_Enter);
    QVERIFY(w.isVisible());
    QCOMPARE(core.shutdowns, 0);
    switch (way) {
      case 0: QTest::keyClick(&w, Qt::Key_Escape); break;
      case 1: w.close(); break;
      case 2: w.commandAction(hrx::gui::kCmdExit)->trigger(); break;
      case 3: w.postMessage(hrx::kMsgExitRequest, 0, 0); break;
    }
    QTRY_VERIFY(!w.isVisible());
    QCOMPARE(core.shutdowns, 1);
    QCOMPARE(w.shutdownCount(), 1);
    // Later ways out find the shutdown done.
    w.close();
    w.shutdown();
    QCOMPARE(core.shutdowns, 1);
    // No timer of the window runs on after the shutdown.
    for (std::uint32_t id : {6u, 7u, 11u, 15u, 32u, 33u, 1234u}) QCOMPARE(w.timerPeriod(id), 0u);
  }

  void shutdownReleasesAWorkerBlockedInSend() {
    // A worker that waits for the window while the window waits for the
    // worker to stop must not hang the exit.
    FakeCore core;
    QtMainWindow w;
    w.setCore(&core);
    QVERIFY(w.startUp());
    std::atomic<bool> sending{false};
    std::thread worker;
    core.onShutdown = [&] { worker.join(); };
    worker = std::thread([&] {
      sending = true;
      w.sendMessage(hrx::WM_ANL_EVT_FA, 0, 0);
    });
    while (!sending) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    QElapsedTimer clock;
    clock.start();
    w.shutdown();   // joins the worker without running the event loop
    QVERIFY(clock.elapsed() < 2000);
    QCOMPARE(core.shutdowns, 1);
    // Sends after the shutdown return at once.
    std::thread([&] { w.sendMessage(hrx::WM_ANL_EVT_FA, 0, 0); }).join();
  }
};

static const hrx::test::GuiSuite kSuite("Window", hrx::test::runSuite<WindowTest>);

#include "WindowTest.moc"
