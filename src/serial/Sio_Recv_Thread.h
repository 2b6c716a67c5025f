#pragma once
// Sio_Recv_Thread: polls the port, frames replies with a RecvCollector, stores
// each reply in RecvRing and tells the analyser (0x8102), drives RTS as
// receive flow control and closes the port on a line fault.
//
// A poll runs on every 0x8104. With self-polling on (the default) the thread
// also keeps its own cadence: a poll every 1 ms while bytes are held and the
// last poll changed something, and otherwise a wait on the line's readiness,
// so an idle line costs nothing. Before serial work is enabled it looks again
// every 20 ms without touching the line.
#include <atomic>
#include <cstdint>

#include "platform/MsgThread.h"
#include "serial/RecvCollector.h"

namespace hrx {

class ComPort;
class RadioState;
class Sio_RingBuff;

class Sio_Recv_Thread final : public MsgThread {
 public:
  static constexpr int kPollPeriodMs = 1;
  static constexpr int kDisabledRecheckMs = 20;

  Sio_Recv_Thread(ComPort& port, RadioState& state, Sio_RingBuff& recvRing, PostTarget& analyser,
                  bool selfPolling = true);
  ~Sio_Recv_Thread() override;

  // Replies delivered and polls run since start (statistics).
  std::uint64_t delivered() const { return delivered_.load(std::memory_order_relaxed); }
  std::uint64_t polls() const { return polls_.load(std::memory_order_relaxed); }
  // CPU time the thread has used, in nanoseconds; -1 when it is not running.
  std::int64_t cpuTimeNs() const;

 protected:
  void onStart() override;
  void onStop() override;
  void onMessage(const Msg& msg) override;
  int idleFd() override;
  void onReadable() override;

 private:
  // One poll; true when it changed anything (so another may follow at once).
  bool pollOnce();
  void watchDevice();
  void unwatchDevice();
  void armTimer(int ms);

  ComPort& port_;
  RadioState& state_;
  Sio_RingBuff& ring_;
  PostTarget& analyser_;
  const bool selfPolling_;
  RecvCollector collector_;

  int epollFd_ = -1;
  int timerFd_ = -1;
  int watchedFd_ = -1;
  std::uint64_t watchedGeneration_ = 0;
  int armedMs_ = -1;
  bool busy_ = false;

  std::atomic<std::uint64_t> delivered_{0};
  std::atomic<std::uint64_t> polls_{0};
  std::atomic<bool> haveThreadId_{false};
  std::atomic<std::uint64_t> threadId_{0};
};

}  // namespace hrx
