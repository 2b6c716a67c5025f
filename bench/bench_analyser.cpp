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

class CountingWindow final : public MainWindowPort {
 public:
  void postMessage(MsgId, WParam, LParam) override { ++posts; }
  LParam sendMessage(MsgId, WParam, LParam) override { return 0; }
  void setTimer(std::uint32_t, std::uint32_t) override {}
  void killTimer(std::uint32_t) override {}
  long posts = 0;
};

class NullTarget final : public PostTarget {
 public:
  bool post(MsgId, WParam, LParam) override { return true; }
};

const char* const kMix[] = {
    "SM1123", "RM1045", "FA14250000", "SM1130", "RM2012", "IF00114250000+00A510C12492", "BY10", "SM1118",
    "FA14250100", "MD02", "RM5255", "FB07100000", "SM1101", "EX0063", "EX0060", "OI00007100000+0000102000",
    "RO0450100", "IS0-0250", "SH016", "KM1CQ CQ DE MARVO K", "PE011-05", "BY00",
};

void BM_DispatchReplyMix(benchmark::State& st) {
  RadioState state;
  PanelMirror mirror;
  CountingWindow window;
  NullTarget composer;
  ReplyAnalyser analyser(state, mirror, window, composer);
  loadBuiltInCatalogue(state);
  std::size_t lengths[std::size(kMix)];
  for (std::size_t i = 0; i < std::size(kMix); ++i) lengths[i] = std::strlen(kMix[i]);

  const long before = gAllocations.load();
  std::size_t replies = 0;
  for (auto _ : st) {
    for (std::size_t i = 0; i < std::size(kMix); ++i) analyser.dispatch(kMix[i], lengths[i]);
    replies += std::size(kMix);
  }
  const long allocations = gAllocations.load() - before;
  st.SetItemsProcessed(static_cast<std::int64_t>(replies));
  st.counters["allocs_per_reply"] = static_cast<double>(allocations) / static_cast<double>(replies);
  st.counters["events_per_reply"] = static_cast<double>(window.posts) / static_cast<double>(replies);
  if (allocations != 0) st.SkipWithError("the dispatch allocated");
}
BENCHMARK(BM_DispatchReplyMix);

// The same mix through the receive ring and the analyser thread's own read.
void BM_RingToAnalyser(benchmark::State& st) {
  RadioState state;
  PanelMirror mirror;
  CountingWindow window;
  NullTarget composer;
  ReplyAnalyser analyser(state, mirror, window, composer);
  loadBuiltInCatalogue(state);
  Sio_RingBuff ring;
  const long before = gAllocations.load();
  std::size_t replies = 0;
  for (auto _ : st) {
    for (const char* r : kMix) {
      ring.Sio_RingBuff_Write(static_cast<std::int16_t>(std::strlen(r)), r);
      char buffer[kReplyBufferBytes] = {};
      if (ring.Sio_RingBuff_Read(buffer) > 0) analyser.dispatchBuffer(buffer);
    }
    replies += std::size(kMix);
  }
  const long allocations = gAllocations.load() - before;
  st.SetItemsProcessed(static_cast<std::int64_t>(replies));
  st.counters["allocs_per_reply"] = static_cast<double>(allocations) / static_cast<double>(replies);
  if (allocations != 0) st.SkipWithError("the ring or the dispatch allocated");
}
BENCHMARK(BM_RingToAnalyser);

}  // namespace
