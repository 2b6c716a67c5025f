// Event-loop latency of the main window while the CAT rate changes through
// the menu list (menu write, the 1000 ms pause, auto-information off and
// the port closed, the connection switched on again), against the simulated
// radio on a pseudo-terminal. A 5 ms probe timer measures the longest gap
// between its ticks; a blocking wait would show as a gap of a second.
#include <benchmark/benchmark.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>

#include "SimPty.h"
#include "SimRadio.h"
#include "app/gui/windows/MenuListWindow.h"
#include "app/gui/QtMainWindow.h"
#include "panel/PanelCtrl.h"

namespace {

QApplication& app() {
  static int argc = 1;
  static char name[] = "bench_gui_rate_change";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Never destroyed: at exit it would go after Qt's own globals and crash
  // (the benchmark's exit status is what the short run checks).
  static QApplication* a = new QApplication(argc, argv);
  return *a;
}

bool waitFor(const std::function<bool()>& done, int ms) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

void BM_EventLoopDuringCatRateChange(benchmark::State& state) {
  app();
  hrx::sim::SimRadio radio;
  hrx::sim::SimPty pty{radio};
  QTemporaryDir dir;
  if (!pty.open() || !pty.start()) {
    state.SkipWithError("no pseudo-terminal");
    return;
  }
  auto w = std::make_unique<hrx::gui::QtMainWindow>();
  hrx::gui::StationLink core(*w, hrx::StationOptions{pty.slavePath(), dir.path().toStdString()});
  w->setCore(&core);
  w->show();
  w->startUp();
  if (!waitFor([&] { return core.station().state.get_CommEnabled() != 0; }, 5000)) {
    state.SkipWithError("catalogue never loaded");
    return;
  }
  w->panel().Ctrl_OpSw(hrx::panel::kIdCom);
  w->panel().Ctrl_OpSw(hrx::panel::kIdCom);
  if (!waitFor([&] { return w->readOutsDone() >= 1; }, 60000)) {
    state.SkipWithError("no read-out");
    return;
  }

  double worstMs = 0;
  double changeMs = 0;
  int rate = 1;
  for (auto _ : state) {
    w->postMessage(hrx::panel::kMsgMenuAction, 0, 0);
    hrx::gui::CMenuListDlg* dlg = nullptr;
    if (!waitFor([&] { return (dlg = w->findChild<hrx::gui::CMenuListDlg*>()) != nullptr && dlg->isVisible(); },
                 20000)) {
      state.SkipWithError("no menu list");
      break;
    }
    dlg->list()->setCurrentRow(37);
    dlg->editSelected();
    QListWidget* entries = dlg->editor()->findChild<QListWidget*>(QStringLiteral("list1019"));
    entries->item(rate)->setSelected(true);
    dlg->editor()->findChild<QAbstractButton*>(QStringLiteral("ok"))->click();

    QElapsedTimer gap;
    gap.start();
    double worst = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
      worst = std::max(worst, gap.nsecsElapsed() / 1e6);
      gap.restart();
    });
    probe.start(5);
    QElapsedTimer whole;
    whole.start();
    dlg->apply();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (!w->panel().menuOpen()) loop.quit();
    });
    poll.start(1);
    loop.exec();
    changeMs = whole.nsecsElapsed() / 1e6;
    probe.stop();
    // The probe's own period is not a stall.
    worstMs = std::max(worstMs, worst - 5.0);
    rate = rate == 1 ? 0 : 1;
    waitFor([&] { return core.station().state.get_AI_Stat() == 1; }, 10000);
  }
  state.counters["worst_stall_ms"] = worstMs;
  state.counters["change_ms"] = changeMs;
  w->close();
  w->setCore(nullptr);
  w.reset();
  pty.stop();
}
BENCHMARK(BM_EventLoopDuringCatRateChange)->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace
