#pragma once
// Time as the core sees it, injectable so tests can run the read-out sweeps
// and timeouts without waiting in real time.
#include <chrono>
#include <cstdint>
#include <thread>

namespace hrx {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::int64_t nowMs() = 0;
  virtual void sleepMs(std::int64_t ms) = 0;
};

class SystemClock final : public Clock {
 public:
  std::int64_t nowMs() override {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  }
  void sleepMs(std::int64_t ms) override {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
  static SystemClock& instance() {
    static SystemClock clock;
    return clock;
  }
};

}  // namespace hrx
