// The equaliser's cost on the window's thread: one graph drawing (four
// curves plotted onto the 900 x 352 canvas) and one settings file read.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "equaliser/EqResponse.h"
#include "equaliser/PefFile.h"

namespace {

void BM_GraphCurves(benchmark::State& state) {
  const hrx::eq::EqValues v = {3, -5, 4, 4, 10, 1, 7, 2, 1};
  std::vector<std::uint32_t> canvas(hrx::eq::kCanvasWidth * hrx::eq::kCanvasHeight);
  for (auto _ : state) {
    auto put = [&](int x, int y) { canvas[static_cast<std::size_t>(y * hrx::eq::kCanvasWidth + x)] = 1; };
    hrx::eq::plotCurve(hrx::eq::sumCurve(v), put);
    for (int b = 0; b < hrx::eq::kBands; ++b) hrx::eq::plotCurve(hrx::eq::bandCurve(v, b), put);
    benchmark::DoNotOptimize(canvas.data());
  }
}
BENCHMARK(BM_GraphCurves)->Unit(benchmark::kMicrosecond);

void BM_PefRead(benchmark::State& state) {
  char tpl[] = "/tmp/hrx900-bench-pef-XXXXXX";
  const int fd = ::mkstemp(tpl);
  if (fd < 0) {
    state.SkipWithError("no temporary file");
    return;
  }
  const std::string text = "300,-5,4\n0,0,10\n2100,2,1\n";
  if (::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) state.SkipWithError("write");
  ::close(fd);
  const hrx::eq::EqLimits limits = hrx::eq::windowLimits();
  for (auto _ : state) {
    hrx::eq::EqValues v{};
    benchmark::DoNotOptimize(hrx::eq::readPefFile(tpl, limits, &v));
  }
  ::unlink(tpl);
}
BENCHMARK(BM_PefRead)->Unit(benchmark::kMicrosecond);

}  // namespace
