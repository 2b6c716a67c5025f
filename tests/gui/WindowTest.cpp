// The main window's frame on a fake core: caption, size, menu, timers,
// Disp_Start, the deferred redraw of the two high-rate strips, the busy
// window of the read-out, the power events, the one shutdown path and the
// message and timer calls from other threads.
#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QtTest>
#include <atomic>
#include <string_view>
#include <thread>

#include "GuiRig.h"
#include "GuiSuites.h"
#include "analysis/AnalyserMessages.h"
#include "app/gui/QtMainWindow.h"
#include "render/MeterTables.h"

using hrx::gui::BusyEnd;
using hrx::gui::QtMainWindow;
using hrx::test::FakeCore;
using hrx::test::showsMainDigit;

namespace {

// A window on a fake core; started, it has drawn the panel once and its
// start-up timers and strip paints have run out.
struct Rig {
  FakeCore core;
  QtMainWindow w;
  explicit Rig(bool start = true) {
    w.setCore(&core);
    if (!start) return;
    w.show();
    w.startUp();
  }
  ~Rig() { w.setCore(nullptr); }
  bool settle() {
    if (!QTest::qWaitForWindowExposed(&w)) return false;
    return QTest::qWaitFor([&] {
      return w.dispStartLog().size() == 97 && w.timerPeriod(13) == 0 && !w.meterPending() && !w.blockIconsPending();
    });
  }
  const QImage* img(int id) { return w.renderer().store().LoadBitmap(id); }
  bool shows(int id, int x, int y, QRgb key) { return hrx::test::showsBitmap(w.surfaceImage(), img(id), x, y, key); }
};

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void captionSizeAndMenu() {
    QtMainWindow w;
    w.show();
    QCOMPARE(w.windowTitle(), QStringLiteral("RCP for HRX900"));
    QCOMPARE(w.centralWidget(), w.panelWidget());
    QCOMPARE(w.panelWidget()->geometry(), QRect(0, w.menuBar()->height(), 1024, 335));
    QCOMPARE(w.minimumSize(), w.maximumSize());   // never scaled
    QCOMPARE(w.surfaceImage().size(), QSize(1024, 335));
    // The icon is the program's bitmap 128, its key colour transparent.
    QVERIFY(!w.windowIcon().isNull());
    QCOMPARE(w.iconImage().size(), QSize(32, 32));
    QCOMPARE(qAlpha(w.iconImage().pixel(0, 0)), 0);
    QCOMPARE(qAlpha(w.iconImage().pixel(16, 16)), 255);
    QStringList titles;
    for (QAction* a : w.menuBar()->actions()) titles << a->text().remove('&');
    QCOMPARE(titles, (QStringList{"File", "Setup", "Option", "Prmtrc", "Help"}));
    const std::pair<int, const char*> rows[] = {{32779, "File"},   {32780, "File"},   {32781, "Setup"},
                                                {32782, "Setup"},  {32783, "Option"}, {32784, "Option"},
                                                {32785, "Option"}, {32786, "Option"}, {32787, "Prmtrc"},
                                                {32788, "Prmtrc"}, {32789, "Help"},   {32790, "Option"},
                                                {32791, "Setup"},  {32792, "Setup"}};
    for (const auto& [id, menu] : rows) {
      QAction* a = w.commandAction(id);
      QVERIFY2(a != nullptr && a->data().toInt() == id && a->isEnabled(), qPrintable(QString::number(id)));
      bool inMenu = false;
      for (QAction* top : w.menuBar()->actions())
        if (top->text().remove('&') == menu && top->menu()->actions().contains(a)) inMenu = true;
      QVERIFY2(inMenu, qPrintable(QString::number(id)));
    }
    QVERIFY(w.commandAction(32778) == nullptr);
    QVERIFY(w.commandAction(32793) == nullptr);
  }

  // The start-up timers; Disp_Start runs once, 10 ms later, stops its
  // timer and asks the core for nothing; timer 15 closes the splash.
  void startUpTimersAndDispStart() {
    Rig r;
    QCOMPARE(r.core.starts, 1);
    const std::pair<std::uint32_t, std::uint32_t> timers[] = {{6, 30}, {7, 30}, {32, 30}, {33, 30},
                                                              {11, 10}, {15, 3000}, {1234, 100}};
    for (auto [id, period] : timers) QCOMPARE(r.w.timerPeriod(id), period);
    QVERIFY(r.w.splash() != nullptr && r.w.splash()->isVisible());
    QTRY_COMPARE(r.w.dispStartLog().size(), std::size_t{97});   // the sequence: gui.Restore
    QCOMPARE(r.w.timerPeriod(11), 0u);
    QVERIFY(r.core.requests.empty());
    QTest::qWait(50);
    QCOMPARE(r.w.dispStartLog().size(), std::size_t{97});
    r.w.onTimerTick(15);
    QVERIFY(r.w.splash() == nullptr || !r.w.splash()->isVisible());
    QCOMPARE(r.w.timerPeriod(15), 0u);
  }

  // Timers 6 and 7 alone bring a changed frequency to the main and VFO-B
  // displays; the FA and FB events draw at once.
  void frequencyDisplaysFollowTheState() {
    Rig r;
    QVERIFY(r.core.st.set_SF_Value(2));
    QVERIFY(r.settle());
    QVERIFY(r.core.st.set_VfoA_Freq(21074000));
    QVERIFY(r.core.st.set_VfoB_Freq(24900000));
    QTRY_VERIFY(showsMainDigit(r.w.surfaceImage(), r.img(1333), 0) && showsMainDigit(r.w.surfaceImage(), r.img(1332), 1));
    QTRY_VERIFY(r.shows(1840, 341, 127, 0xFFFF00FF));
    r.w.killTimer(6);
    r.w.killTimer(7);
    QVERIFY(r.core.st.set_VfoA_Freq(3573000));
    QVERIFY(r.core.st.set_VfoB_Freq(10100000));
    r.w.handleMessage(hrx::Msg{hrx::WM_ANL_EVT_FA, 0, 1});
    r.w.handleMessage(hrx::Msg{0x8334, 0, 1});   // FB
    const int expected[] = {1330, 1334, 1335, 1337, 1334, 1331, 1331, 1331};
    for (int i = 0; i < 8; ++i) QVERIFY(showsMainDigit(r.w.surfaceImage(), r.img(expected[i]), i));
    QVERIFY(r.shows(1836, 341, 127, 0xFFFF00FF));
    QVERIFY(r.core.requests.empty());
  }

  // Connected and quiet: the keep-alive's PS and AI reports that repeat what
  // is shown repaint nothing, and the polled display timers come to rest; a
  // changed value alone wakes them, reaches the display and lets them rest
  // again.
  void quietReportsRepaintNothingAndTimersRest() {
    struct PaintCount final : QObject {
      bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
      }
      int paints = 0;
    } count;
    const std::uint32_t displayTimers[] = {6, 7, 32, 33, 1234};
    auto resting = [&](QtMainWindow& w) {
      for (std::uint32_t id : displayTimers)
        if (w.timerPeriod(id) != 0) return false;
      return true;
    };
    Rig r;
    QVERIFY(r.core.st.set_AI_Stat(1) && r.core.st.set_PS_Stat(1));
    QVERIFY(r.settle());
    r.w.panelWidget()->installEventFilter(&count);
    // The first reports light the POWER and COM lamps.
    r.w.postMessage(hrx::WM_ANL_EVT_PS, 0, 1);
    r.w.postMessage(hrx::WM_ANL_EVT_AI, 0, 1);
    QTRY_VERIFY(count.paints > 0);
    QTRY_VERIFY(resting(r.w));
    count.paints = 0;
    for (int i = 0; i < 3; ++i) {
      r.w.postMessage(hrx::WM_ANL_EVT_PS, 0, 1);
      r.w.postMessage(hrx::WM_ANL_EVT_AI, 0, 1);
      QTest::qWait(120);
    }
    QCOMPARE(count.paints, 0);
    QVERIFY(resting(r.w));
    QVERIFY(r.core.st.set_VfoA_Freq(21074000));
    QTRY_VERIFY(showsMainDigit(r.w.surfaceImage(), r.img(1333), 0) && showsMainDigit(r.w.surfaceImage(), r.img(1332), 1));
    QTRY_VERIFY(count.paints > 0);
    QTRY_VERIFY(resting(r.w));
  }

  // Painted while minimised the window shows the icon in the middle and
  // neither restores nor touches the panel; shown again it is redrawn
  // whole 30 ms later, repairing what changed meanwhile.
  void restoredWindowIsRedrawnWhole30msLater() {
    Rig r;
    QTRY_COMPARE(r.w.dispStartLog().size(), std::size_t{97});
    QCOMPARE(r.w.restoreCount(), 0);
    r.w.renderer().LoadPanelImages();
    r.w.setWindowState(Qt::WindowMinimized);
    // The platform tells the minimise again, queued: taken now, or on a busy
    // machine it lands after the restore's timer and minimises and restores
    // the window a second time, arming the timer again.
    QCoreApplication::processEvents();
    const QImage panelBefore = r.w.surfaceImage();
    QImage shown(r.w.panelWidget()->size(), QImage::Format_RGB32);
    r.w.panelWidget()->render(&shown, QPoint(), QRegion(), QWidget::DrawWindowBackground);   // not the splash
    const QImage& icon = r.w.iconImage();
    const QPoint corner((1024 - icon.width()) / 2, (335 - icon.height()) / 2);
    QCOMPARE(shown.pixel(corner + QPoint(16, 16)) | 0xFF000000u, icon.pixel(16, 16) | 0xFF000000u);
    QVERIFY(shown.pixel(10, 10) != panelBefore.pixel(10, 10) || shown.pixel(500, 300) != panelBefore.pixel(500, 300));
    QCOMPARE(r.w.timerPeriod(13), 0u);
    QCOMPARE(r.w.surfaceImage(), panelBefore);
    QVERIFY(r.core.st.set_VfoA_Freq(28500000));
    r.w.setWindowState(Qt::WindowNoState);
    QCOMPARE(r.w.timerPeriod(13), 30u);
    QCOMPARE(r.w.restoreCount(), 0);
    r.w.killTimer(6);
    QTRY_COMPARE(r.w.restoreCount(), 1);
    QCOMPARE(r.w.timerPeriod(13), 0u);
    QVERIFY(showsMainDigit(r.w.surfaceImage(), r.img(1333), 0));
    QVERIFY(showsMainDigit(r.w.surfaceImage(), r.img(1338), 1));
    QVERIFY(r.core.requests.empty());
  }

  // Ten meter requests before one paint cost one invalidation and one
  // draw of the last value; the block icons alike; neither, nor ordinary
  // drawing, is a whole restore.
  void stripRequestsBeforeAPaintCostOneInvalidation() {
    Rig r;
    QVERIFY(r.settle());
    const int restores = r.w.restoreCount(), before = r.w.stripInvalidations();
    const int meters = r.w.meterDraws(), icons = r.w.blockIconDraws();
    for (int v = 1; v <= 10; ++v) r.w.RequestMeterRedraw(v * 10);
    QCOMPARE(r.w.stripInvalidations() - before, 1);
    QVERIFY(r.w.meterPending());
    QTRY_VERIFY(!r.w.meterPending());
    QCOMPARE(r.w.meterDraws(), meters + 1);
    QCOMPARE(r.w.lastMeterValue(), 100);
    for (int i = 0; i < 10; ++i) r.w.RequestBlockIconsRedraw(false);
    QCOMPARE(r.w.stripInvalidations() - before, 2);
    QTRY_COMPARE(r.w.blockIconDraws(), icons + 1);
    r.w.RequestMeterRedraw(7);
    QCOMPARE(r.w.stripInvalidations() - before, 3);
    QTRY_COMPARE(r.w.meterDraws(), meters + 2);
    QCOMPARE(r.w.lastMeterValue(), 7);
    for (int i = 0; i < 5; ++i) r.w.handleMessage(hrx::Msg{0x8578, static_cast<hrx::WParam>(i % 2), 0});
    QTest::qWait(100);
    QCOMPARE(r.w.restoreCount(), restores);
    QCOMPARE(r.w.timerPeriod(13), 0u);
  }

  // The replies that change a block icon each redraw the strip through the
  // paint handler, its ground with the first antenna's icon; a forced
  // request marks nothing pending, so its paint restores the whole panel.
  void blockIconStrip() {
    Rig r;
    QVERIFY(r.settle());
    for (hrx::MsgId id : {0x8310u, 0x8311u, 0x8312u, 0x8313u, 0x8314u, 0x8317u}) {
      const int draws = r.w.blockIconDraws();
      r.w.handleMessage(hrx::Msg{id, 0, 1});
      QVERIFY(r.w.blockIconsPending());
      QTRY_COMPARE(r.w.blockIconDraws(), draws + 1);
    }
    const QImage strip = r.w.surfaceImage().copy(153, 112, 168, 30);
    QCOMPARE(strip.copy(0, 0, 168, 3), r.img(1540)->copy(0, 0, 168, 3));
    QVERIFY(hrx::test::showsBitmap(strip, r.img(1552), 2, 16, hrx::render::kKeyMagenta));
    const int restores = r.w.restoreCount(), icons = r.w.blockIconDraws();
    r.w.RequestBlockIconsRedraw(true);
    QVERIFY(!r.w.blockIconsPending());
    QTRY_COMPARE(r.w.timerPeriod(13), 30u);
    QCOMPARE(r.w.blockIconDraws(), icons);
    QTRY_COMPARE(r.w.restoreCount(), restores + 1);
  }

  // Uncovering the window with a meter update pending restores the whole
  // panel; the strip is not drawn on its own.
  void uncoveredWithAPendingMeterRestoresAll() {
    Rig r;
    QVERIFY(r.settle());
    const int restores = r.w.restoreCount(), meters = r.w.meterDraws();
    r.w.RequestMeterRedraw(55);
    r.w.panelWidget()->hide();
    r.w.panelWidget()->show();
    QVERIFY(r.w.backgroundErased());
    QTRY_VERIFY(!r.w.backgroundErased());
    QVERIFY(!r.w.meterPending());
    QCOMPARE(r.w.meterDraws(), meters);
    QTRY_COMPARE(r.w.restoreCount(), restores + 1);
  }

  // The S-meter handler remembers its value and draws it on the selected
  // face; AI and PS off redraw the remembered one, AI on does not.
  void sMeterRemembersItsValue() {
    Rig r;
    QVERIFY(r.settle());
    QVERIFY(r.core.st.set_SM_Meter1(128));
    r.w.handleMessage(hrx::Msg{0x8337, 0, 1});
    QTRY_VERIFY(!r.w.meterPending());
    QCOMPARE(r.w.lastMeterValue(), 128);
    QImage face = r.img(1536)->copy();
    hrx::render::blitKeyed(face, *r.img(1455), 0, 0, hrx::render::kKeyBlack);
    QCOMPARE(r.w.surfaceImage().copy(153, 53, 168, 56), face);
    QVERIFY(r.core.st.set_SM_Meter1(0));
    const int draws = r.w.meterDraws();
    for (int i : {1, 2}) {
      r.w.handleMessage(hrx::Msg{i == 1 ? 0x833Au : 0x8347u, 0, 1});
      QTRY_COMPARE(r.w.meterDraws(), draws + i);
      QCOMPARE(r.w.lastMeterValue(), 128);
    }
    QVERIFY(r.core.st.set_AI_Stat(1));
    r.w.handleMessage(hrx::Msg{0x833A, 0, 1});
    QTest::qWait(60);
    QCOMPARE(r.w.meterDraws(), draws + 2);
  }

  // The meter shows every transmission, whoever keyed it (1: a command, as
  // a sharing client's; 2: the radio's own PTT): the TX lamp and the analog
  // face's transmit label. Receiving shows neither.
  void txLampShowsEveryTransmission() {
    Rig r;
    QVERIFY(r.settle());
    const struct {
      int txStat;
      bool lit;
    } rows[] = {{0, false}, {1, true}, {2, true}, {0, false}};
    for (const auto& row : rows) {
      QVERIFY(r.core.st.set_TxStat(row.txStat));
      const int draws = r.w.meterDraws();
      r.w.RequestMeterRedraw(40);
      QTRY_VERIFY(r.w.meterDraws() > draws && !r.w.meterPending());
      // The strip's top left is (153, 53); the lamp at (2, 2), S-meter
      // face's TX label at (4, 45).
      QVERIFY2(r.shows(1922, 155, 55, hrx::render::kKeyMagenta) == row.lit, qPrintable(QString::number(row.txStat)));
      QVERIFY2(r.shows(1926, 157, 98, hrx::render::kKeyMagenta) == row.lit, qPrintable(QString::number(row.txStat)));
    }
  }

  // Core timers go to the core, window and panel timers stay; timers set
  // from another thread tick on the GUI thread, one per id, and a busy GUI
  // thread sees at most one tick waiting.
  void timers() {
    Rig r(false);
    for (std::uint32_t id : {3u, 4u, 5u, 8u, 17u, 20u, 23u, 1u, 6u, 7u, 11u, 15u, 18u, 1234u}) r.w.onTimerTick(id);
    QCOMPARE(r.core.ticks, (std::vector<std::uint32_t>{3, 4, 5, 8, 17, 20, 23}));
    std::thread([&] {
      r.w.setTimer(8, 40);
      r.w.setTimer(9, 1000);
      r.w.killTimer(9);
    }).join();
    QTRY_COMPARE(r.w.timerPeriod(8), 40u);
    QCOMPARE(r.w.timerPeriod(9), 0u);
    QTRY_VERIFY(std::count(r.core.ticks.begin(), r.core.ticks.end(), 8u) >= 2);
    r.w.setTimer(8, 5);
    QCOMPARE(r.w.timerPeriod(8), 5u);
    QTest::qWait(20);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const std::size_t before = r.core.ticks.size();
    QCoreApplication::processEvents();
    QVERIFY(r.core.ticks.size() - before <= 1);
    r.w.killTimer(8);
    QCOMPARE(r.w.timerPeriod(8), 0u);
  }

  // A send from another thread runs on the GUI thread and returns after
  // the handler drew; posts keep their order (COM pressed, then released).
  void messagesFromAnotherThread() {
    Rig r(false);
    r.w.renderer().LoadPanelImages();
    QVERIFY(r.core.st.set_VfoA_Freq(21300000));
    std::atomic<bool> done{false};
    std::thread t([&] {
      r.w.sendMessage(hrx::WM_ANL_EVT_FA, 0, 0);
      done = true;
    });
    QTRY_VERIFY(done.load());
    t.join();
    QVERIFY(showsMainDigit(r.w.surfaceImage(), r.img(1333), 0) && showsMainDigit(r.w.surfaceImage(), r.img(1332), 1));
    std::thread([&] {
      r.w.postMessage(0x8578, 1, 0);
      r.w.postMessage(0x8578, 0, 0);
    }).join();
    QCoreApplication::processEvents();
    QVERIFY(r.shows(1962, 14, 130, 0xFF00FF00));
    QVERIFY(!r.shows(1961, 14, 130, 0xFF00FF00));
  }

  // Escape, the close box, File/Exit and the exit request each shut down
  // once (Enter ends nothing); later ways out find it done; no timer of
  // the window runs on.
  void oneShutdownForEveryWayOut() {
    for (int way = 0; way < 4; ++way) {
      Rig r;
      QVERIFY(QTest::qWaitForWindowExposed(&r.w));
      QTest::keyClick(&r.w, Qt::Key_Return);
      QTest::keyClick(&r.w, Qt::Key_Enter);
      QVERIFY(r.w.isVisible());
      QCOMPARE(r.core.shutdowns, 0);
      switch (way) {
        case 0: {
          // Escape asks, No the default and the box's own Escape; Yes ends.
          for (const char* answer : {"No", "Escape", "Yes"}) {
            QTest::keyClick(&r.w, Qt::Key_Escape);
            QMessageBox* box = nullptr;
            QTRY_VERIFY((box = r.w.findChild<QMessageBox*>(QStringLiteral("endQuestion"))) != nullptr && box->isVisible());
            QCOMPARE(box->text(), QStringLiteral("End the remote control of the HRX900?"));
            QCOMPARE(box->defaultButton(), box->button(QMessageBox::No));
            // A second Escape on the window while it asks adds no box.
            QTest::keyClick(&r.w, Qt::Key_Escape);
            QCOMPARE(r.w.findChildren<QMessageBox*>(QStringLiteral("endQuestion")).size(), 1);
            if (std::string_view(answer) == "Escape") QTest::keyClick(box, Qt::Key_Escape);
            else box->button(std::string_view(answer) == "Yes" ? QMessageBox::Yes : QMessageBox::No)->click();
            if (std::string_view(answer) != "Yes") {
              QTRY_VERIFY(r.w.findChild<QMessageBox*>(QStringLiteral("endQuestion")) == nullptr);
              QVERIFY(r.w.isVisible());
              QCOMPARE(r.core.shutdowns, 0);
            }
          }
          break;
        }
        case 1: r.w.close(); break;
        case 2: r.w.commandAction(hrx::gui::kCmdExit)->trigger(); break;
        case 3: r.w.postMessage(hrx::kMsgExitRequest, 0, 0); break;
      }
      QTRY_VERIFY(!r.w.isVisible());
      QCOMPARE(r.core.shutdowns, 1);
      QCOMPARE(r.w.shutdownCount(), 1);
      r.w.close();
      r.w.shutdown();
      QCOMPARE(r.core.shutdowns, 1);
      for (std::uint32_t id : {6u, 7u, 11u, 15u, 32u, 33u, 1234u}) QCOMPARE(r.w.timerPeriod(id), 0u);
    }
  }

  // A worker that waits for the window while the window waits for the
  // worker to stop must not hang the exit; sends after it return at once.
  void shutdownReleasesAWorkerBlockedInSend() {
    Rig r(false);
    QVERIFY(r.w.startUp());
    std::atomic<bool> sending{false};
    std::thread worker;
    r.core.onShutdown = [&] { worker.join(); };
    worker = std::thread([&] {
      sending = true;
      r.w.sendMessage(hrx::WM_ANL_EVT_FA, 0, 0);
    });
    while (!sending) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    QElapsedTimer clock;
    clock.start();
    r.w.shutdown();   // joins the worker without running the event loop
    QVERIFY(clock.elapsed() < 2000);
    QCOMPARE(r.core.shutdowns, 1);
    std::thread([&] { r.w.sendMessage(hrx::WM_ANL_EVT_FA, 0, 0); }).join();
  }

  // The busy window: no caption, one text, 10 s; no read-out closes it at
  // once, else the end of the read-out or the time-out; Enter and Escape
  // never end it; an end message with no window open is dropped.
  void busyWindow() {
    hrx::WindowFlags flags;
    hrx::gui::BusyWindow b(flags, nullptr);
    QVERIFY(b.windowFlags().testFlag(Qt::FramelessWindowHint) && b.isModal());
    const auto labels = b.findChildren<QLabel*>();
    QCOMPARE(labels.size(), 1);
    QCOMPARE(labels[0]->text(), QStringLiteral("Reading the menu setting data now."));
    QCOMPARE(b.timeoutMs(), 10000);
    struct Row {
      bool busy;
      int endAfterMs;   // < 0: no end-of-read-out message
      BusyEnd expected;
      int minMs;
    };
    const Row rows[] = {{false, -1, BusyEnd::NotBusy, 90},
                        {true, 300, BusyEnd::ReadOutEnded, 390},
                        {true, -1, BusyEnd::TimedOut, 680}};
    for (const auto& [busy, endAfterMs, expected, minMs] : rows) {
      Rig r(false);
      r.core.flags.busy = busy ? 1 : 0;
      r.w.setBusyTimeoutMs(600);
      r.w.show();
      r.w.handleMessage(hrx::Msg{hrx::kMsgBusyClose, 0, 0});   // stale: dropped
      std::thread composer;
      if (endAfterMs >= 0)   // from the composer's thread, only while the window is shown
        composer = std::thread([&] {
          std::this_thread::sleep_for(std::chrono::milliseconds(endAfterMs));
          if (r.core.flags.busyShown.load() != 0) r.w.postMessage(hrx::kMsgBusyClose, 0, 0);
          r.core.flags.busy = 0;
        });
      int keyTries = 0;
      QTimer keys;
      keys.setInterval(40);
      connect(&keys, &QTimer::timeout, &r.w, [&] {
        if (auto* bw = r.w.busyWindow()) {
          ++keyTries;
          QTest::keyClick(bw, Qt::Key_Escape);
          QTest::keyClick(bw, Qt::Key_Enter);
        }
      });
      keys.start();
      QElapsedTimer t;
      t.start();
      QCOMPARE(r.w.runBusyWindow(), expected);
      QVERIFY2(t.elapsed() >= minMs, qPrintable(QString::number(t.elapsed())));
      keys.stop();
      if (composer.joinable()) composer.join();
      QCOMPARE(r.core.flags.busyShown.load(), 0);
      QVERIFY(r.w.busyWindow() == nullptr);
      if (busy) QVERIFY(keyTries > 0);
    }
  }

  // Both equaliser entries run the busy window first and wait for the
  // read-out's end.
  void equaliserEntriesWaitForTheReadOut() {
    for (int cmd : {hrx::gui::kCmdPrmtrc, hrx::gui::kCmdPPrmtrc}) {
      Rig r(false);
      r.core.flags.busy = 1;
      r.w.show();
      bool seen = false;
      QTimer::singleShot(150, &r.w, [&] {
        seen = r.w.busyWindow() != nullptr && r.w.busyWindow()->isVisible();
        r.w.postMessage(hrx::kMsgBusyClose, 0, 0);
      });
      QElapsedTimer t;
      t.start();
      r.w.onCommand(cmd);
      QVERIFY(seen && t.elapsed() >= 240);
      QVERIFY(r.w.busyWindow() == nullptr);
      QCOMPARE(r.core.flags.busyShown.load(), 0);
    }
  }

  // The power events that close the port; none without a core.
  void powerEventsCloseThePort() {
    Rig r(false);
    const QList<int> closing{0, 2, 4, 6, 7, 9, 10, 11, 18};
    for (int pbt = -1; pbt <= 32; ++pbt) {
      const int before = r.core.portCloses;
      QCOMPARE(r.w.onPowerEvent(pbt), closing.contains(pbt));
      QCOMPARE(r.core.portCloses - before, closing.contains(pbt) ? 1 : 0);
    }
    r.w.setCore(nullptr);
    QVERIFY(!r.w.onPowerEvent(4));
  }
};

static const hrx::test::GuiSuite kSuite("Window", hrx::test::runSuite<WindowTest>);

#include "WindowTest.moc"
