#pragma once
// Periodic timers keyed by id, run on one thread of their own. A tick calls
// the timer's callback on that thread, outside any lock; callbacks should only
// post (MsgThread::postUnique keeps ticks from piling up).
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace hrx {

class TimerHost {
 public:
  using Tick = std::function<void(std::uint32_t id)>;
  explicit TimerHost(Tick tick);
  ~TimerHost();
  TimerHost(const TimerHost&) = delete;
  TimerHost& operator=(const TimerHost&) = delete;

  void set(std::uint32_t id, std::uint32_t periodMs);
  void kill(std::uint32_t id);
  bool active(std::uint32_t id) const;
  // Period of a running timer, 0 when it is not running.
  std::uint32_t period(std::uint32_t id) const;

 private:
  using TimePoint = std::chrono::steady_clock::time_point;
  struct Timer {
    std::uint32_t periodMs;
    TimePoint due;
    std::uint64_t generation;
  };
  void run();

  Tick tick_;
  mutable std::mutex mu_;
  std::condition_variable cv_;
  std::map<std::uint32_t, Timer> timers_;
  std::uint64_t generation_ = 0;
  bool quit_ = false;
  std::thread thread_;
};

}  // namespace hrx
