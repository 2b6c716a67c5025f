// Timer 17's rule against a line given as its two readings (open and
// healthy, bytes waiting), tick after tick.
#include <gtest/gtest.h>

#include "app/Station.h"

namespace hrx {
namespace {

TEST(Watchdog, OneTimeOutPerSilentPeriod) {
  const struct {
    int awaiting;
    bool lineOk;
    std::uint32_t inQueue;
    bool ticks[3];   // time-out on the first, second and third tick
  } kCases[] = {
      {1, true, 0, {true, false, false}},    // a command unanswered: once
      {1, true, 5, {false, false, false}},   // bytes on their way: the radio spoke
      {0, true, 0, {false, false, false}},   // quiet, nothing asked
      {1, false, 0, {true, true, true}},     // a dead line: every tick
      {0, false, 7, {true, true, true}},
  };
  for (const auto& c : kCases) {
    RadioState state;
    state.set_AwaitingReply(c.awaiting);
    for (int t = 0; t < 3; ++t)
      EXPECT_EQ(powerSyncTimedOut(state, c.lineOk, c.inQueue), c.ticks[t])
          << "awaiting " << c.awaiting << " line " << c.lineOk << " queue " << c.inQueue << " tick " << t;
    EXPECT_EQ(state.get_AwaitingReply(), 0);
  }
  // A new command after the time-out starts a new silent period.
  RadioState state;
  state.set_AwaitingReply(1);
  EXPECT_TRUE(powerSyncTimedOut(state, true, 0));
  EXPECT_FALSE(powerSyncTimedOut(state, true, 0));
  state.set_AwaitingReply(1);
  EXPECT_TRUE(powerSyncTimedOut(state, true, 0));
}

}  // namespace
}  // namespace hrx
