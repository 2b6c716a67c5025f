// The receive thread over a pseudo-terminal: replies delivered per second
// (a burst, and one reply at a time as a radio answers commands), and the
// thread's CPU time per second of an idle line.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "menulist/MenuCatalogue.h"
#include "serial/ComPort.h"
#include "platform/RingBuffer.h"
#include "serial/Sio_Recv_Thread.h"
#include "state/RadioState.h"

namespace hrx {
namespace {

// Stands in for the analyser: takes each record as it is announced.
class Drain final : public PostTarget {
 public:
  explicit Drain(Sio_RingBuff& ring) : ring_(ring) {}
  bool post(MsgId, WParam, LParam) override {
    unsigned char buf[Sio_RingBuff::kSlotBytes];
    if (ring_.Sio_RingBuff_Read(buf) > 0) count.fetch_add(1, std::memory_order_release);
    return true;
  }
  std::atomic<std::uint64_t> count{0};

 private:
  Sio_RingBuff& ring_;
};

struct Bench {
  Bench() : ring(std::make_unique<Sio_RingBuff>()), drain(*ring), recv(port, state, *ring, drain) {
    master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ::grantpt(master);
    ::unlockpt(master);
    char name[128] = {};
    ::ptsname_r(master, name, sizeof name);
    loadBuiltInCatalogue(state);
    state.set_CommEnabled(1);
    port.SetDevicePath(name);
    ok = port.Open();
    char ai[4];
    if (ok) ok = ::read(master, ai, sizeof ai) == 4;
    recv.start();
    for (int i = 0; i < 1000 && recv.cpuTimeNs() < 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ~Bench() {
    recv.stopNow();
    port.Close();
    ::close(master);
  }
  bool waitDelivered(std::uint64_t n) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (drain.count.load(std::memory_order_acquire) < n) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::yield();
    }
    return true;
  }

  RadioState state;
  ComPort port;
  std::unique_ptr<Sio_RingBuff> ring;
  Drain drain;
  Sio_Recv_Thread recv;
  int master = -1;
  bool ok = false;
};

const std::string kReply = "FA14250000;";

// 100 replies written at once: the thread hands out one per 1 ms poll.
void BM_ReceiveBurst(benchmark::State& st) {
  Bench b;
  if (!b.ok) return st.SkipWithError("no pseudo-terminal");
  std::string burst;
  for (int i = 0; i < 100; ++i) burst += kReply;
  std::uint64_t want = 0;
  const std::int64_t cpu0 = b.recv.cpuTimeNs();
  for (auto _ : st) {
    want += 100;
    if (::write(b.master, burst.data(), burst.size()) != static_cast<ssize_t>(burst.size()) || !b.waitDelivered(want))
      return st.SkipWithError("replies lost");
  }
  if (cpu0 < 0) return st.SkipWithError("no thread clock");
  st.counters["thread_cpu_us_per_reply"] = static_cast<double>(b.recv.cpuTimeNs() - cpu0) / 1000.0 / static_cast<double>(want);
  st.counters["replies_per_s"] = benchmark::Counter(static_cast<double>(want), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReceiveBurst)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

// One reply at a time, the next written when the previous has arrived.
void BM_ReceiveOneByOne(benchmark::State& st) {
  Bench b;
  if (!b.ok) return st.SkipWithError("no pseudo-terminal");
  std::uint64_t want = 0;
  for (auto _ : st) {
    ++want;
    if (::write(b.master, kReply.data(), kReply.size()) != static_cast<ssize_t>(kReply.size()) || !b.waitDelivered(want))
      return st.SkipWithError("reply lost");
  }
  st.counters["replies_per_s"] = benchmark::Counter(static_cast<double>(want), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReceiveOneByOne)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(1.0);

// An open, silent line for one second per iteration.
void BM_IdleCpu(benchmark::State& st) {
  Bench b;
  if (!b.ok) return st.SkipWithError("no pseudo-terminal");
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  std::int64_t cpu = 0;
  std::uint64_t polls = 0;
  int seconds = 0;
  if (b.recv.cpuTimeNs() < 0) return st.SkipWithError("no thread clock");
  for (auto _ : st) {
    const std::int64_t c0 = b.recv.cpuTimeNs();
    const std::uint64_t p0 = b.recv.polls();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    cpu += b.recv.cpuTimeNs() - c0;
    polls += b.recv.polls() - p0;
    ++seconds;
  }
  st.counters["thread_cpu_us_per_s"] = static_cast<double>(cpu) / 1000.0 / seconds;
  st.counters["polls_per_s"] = static_cast<double>(polls) / seconds;
}
BENCHMARK(BM_IdleCpu)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
}  // namespace hrx
