// Dispatch of a realistic reply mix, as a connected radio streams it while
// the operator tunes: meters, frequencies, information replies, busy flags,
// menu items. Reports replies per second and heap allocations per reply.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "analysis/ReplyAnalyser.h"
#include "menulist/MenuCatalogue.h"
#include "support/CountingMainWindow.h"

// GCC pairs the replaced operators with its built-in ones and warns; the
// pair below is consistent (malloc/free).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

namespace {

std::atomic<long> gAllocations{0};

}  // namespace

void* operator new(std::size_t n) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using namespace hrx;

const char* const kMix[] = {
    "SM1123", "RM1045", "FA14250000", "SM1130", "RM2012", "IF00114250000+00A510C12492", "BY10", "SM1118",
    "FA14250100", "MD02", "RM5255", "FB07100000", "SM1101", "EX0063", "EX0060", "OI00007100000+0000102000",
    "RO0450100", "IS0-0250", "SH016", "KM1CQ CQ DE MARVO K", "PE011-05", "BY00",
};

// An analyser with its stores and counting fakes, the catalogue loaded.
struct Rig {
  Rig() { loadBuiltInCatalogue(state); }
  RadioState state;
  PanelMirror mirror;
  test::CountingMainWindow window;
  test::NullPostTarget composer;
  ReplyAnalyser analyser{state, mirror, window, composer};
};

// Runs `dispatchAll` (one pass over the mix) as the timed loop and reports
// replies per second and heap allocations per reply.
template <typename Pass>
void runMix(benchmark::State& st, Rig& rig, Pass&& dispatchAll) {
  const long before = gAllocations.load();
  std::size_t replies = 0;
  for (auto _ : st) {
    dispatchAll();
    replies += std::size(kMix);
  }
  const long allocations = gAllocations.load() - before;
  st.SetItemsProcessed(static_cast<std::int64_t>(replies));
  st.counters["allocs_per_reply"] = static_cast<double>(allocations) / static_cast<double>(replies);
  st.counters["events_per_reply"] = static_cast<double>(rig.window.posts) / static_cast<double>(replies);
  if (allocations != 0) st.SkipWithError("a reply allocated");
}

void BM_DispatchReplyMix(benchmark::State& st) {
  Rig rig;
  std::size_t lengths[std::size(kMix)];
  for (std::size_t i = 0; i < std::size(kMix); ++i) lengths[i] = std::strlen(kMix[i]);
  runMix(st, rig, [&] {
    for (std::size_t i = 0; i < std::size(kMix); ++i) rig.analyser.dispatch(kMix[i], lengths[i]);
  });
}
BENCHMARK(BM_DispatchReplyMix);

// The same mix through the receive ring and the analyser thread's own read.
void BM_RingToAnalyser(benchmark::State& st) {
  Rig rig;
  Sio_RingBuff ring;
  runMix(st, rig, [&] {
    for (const char* r : kMix) {
      ring.Sio_RingBuff_Write(static_cast<std::int16_t>(std::strlen(r)), r);
      char buffer[kReplyBufferBytes] = {};
      if (ring.Sio_RingBuff_Read(buffer) > 0) rig.analyser.dispatchBuffer(buffer);
    }
  });
}
BENCHMARK(BM_RingToAnalyser);

}  // namespace
