#pragma once
// A clock whose sleeps return at once; their lengths are kept in order and
// the time moves on by them.
#include <cstdint>
#include <vector>

#include "platform/Clock.h"

namespace hrx::test {

class RecordingClock final : public Clock {
 public:
  std::int64_t nowMs() override { return now; }
  void sleepMs(std::int64_t ms) override {
    sleeps.push_back(ms);
    now += ms;
  }
  std::int64_t now = 0;
  std::vector<std::int64_t> sleeps;
};

}  // namespace hrx::test
