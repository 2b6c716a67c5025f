// bench_gui_display: the drawn panel over the real core and the simulated radio on a
// pseudo-terminal, connected and read out once:
// - report to pixels: from the radio writing a report (MOX on / off) on the
//   line to the panel surface reporting the changed rectangle, 1000 times,
//   median and 99th percentile;
// - a whole Disp_Restore.
// The program's idle cost is measured on its own process in bench_soak.
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>
#include <vector>

#include "SimPty.h"
#include "SimRadio.h"
#include "app/gui/QtMainWindow.h"

namespace {

using hrx::gui::QtMainWindow;

constexpr QRect kMoxLamp{75, 279, 17, 15};

struct Rig {
  hrx::sim::SimRadio radio;
  hrx::sim::SimPty pty{radio};
  QTemporaryDir dir;
  std::unique_ptr<QtMainWindow> w;
  std::unique_ptr<hrx::gui::StationLink> core;
  bool ready = false;
  std::int64_t lastDamageNs = 0;
  QRect lastDamage;

  Rig() {
    std::string error;
    if (!pty.open(&error) || !pty.start()) return;
    w = std::make_unique<QtMainWindow>();
    core = std::make_unique<hrx::gui::StationLink>(*w, hrx::StationOptions{pty.slavePath(), dir.path().toStdString()});
    w->setCore(core.get());
    w->show();
    if (!w->startUp()) return;
    if (!waitFor([&] { return core->station().state.get_CommEnabled() != 0; }, 5000)) return;
    core->request(1, false, 0);
    ready = waitFor([&] { return w->readOutsDone() > 0; }, 60000);
    waitFor([] { return false; }, 500);
  }
  ~Rig() {
    if (w) {
      w->close();
      w->setCore(nullptr);
    }
    pty.stop();
  }
  template <class F>
  bool waitFor(F done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
      if (t.elapsed() > ms) return false;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
  }
};

// Made on first use, gone before the application object.
std::unique_ptr<Rig> gRig;
Rig& rig() {
  if (!gRig) gRig = std::make_unique<Rig>();
  return *gRig;
}

std::int64_t nowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void BM_ReportToPixels(benchmark::State& st) {
  Rig& r = rig();
  if (!r.ready) {
    st.SkipWithError("the read-out did not end");
    return;
  }
  // The renderer's surface reports every changed rectangle; the window's
  // own listener is replaced for the run (the widget is not looked at).
  hrx::render::PanelSurface& surface = r.w->renderer().surface();
  // Lit means the lamp bar's middle pixel is not the dark lamp's.
  const QImage* dark = r.w->renderer().store().LoadBitmap(1246);
  const QRgb darkBar = dark != nullptr ? dark->pixel(8, 4) : 0;
  bool wantLit = true;
  surface.setDamageListener([&](const QRect& rect) {
    const bool lit = surface.image().pixel(kMoxLamp.x() + 8, kMoxLamp.y() + 4) != darkBar;
    if (rect.intersects(kMoxLamp) && lit == wantLit) r.lastDamageNs = nowNs();
  });
  std::vector<double> ms;
  ms.reserve(1000);
  for (auto _ : st) {
    for (int i = 0; i < 1000; ++i) {
      r.lastDamageNs = 0;
      wantLit = i % 2 == 0;
      const std::int64_t t0 = nowNs();
      r.radio.applyLocal(i % 2 == 0 ? "MX1" : "MX0");
      if (!r.waitFor([&] { return r.lastDamageNs != 0; }, 2000)) {
        st.SkipWithError("a report was not drawn");
        return;
      }
      ms.push_back(static_cast<double>(r.lastDamageNs - t0) / 1e6);
    }
  }
  std::sort(ms.begin(), ms.end());
  st.counters["p50_ms"] = ms[ms.size() / 2];
  st.counters["p99_ms"] = ms[ms.size() * 99 / 100];
  st.counters["max_ms"] = ms.back();
  surface.setDamageListener([w = r.w.get()](const QRect& rect) { w->panelWidget()->update(rect); });
}
BENCHMARK(BM_ReportToPixels)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_DispRestore(benchmark::State& st) {
  Rig& r = rig();
  if (!r.ready) {
    st.SkipWithError("the read-out did not end");
    return;
  }
  for (auto _ : st) r.w->Disp_Restore();
}
BENCHMARK(BM_DispRestore)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  gRig.reset();
  return 0;
}
