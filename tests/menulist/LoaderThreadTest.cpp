#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "menulist/File_MenuListDefFile.h"
#include "state/RadioState.h"
#include "support/RecordingClock.h"

namespace hrx {
namespace {

bool waitUntil(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

TEST(CatalogueLoader, StartUpLoadsThenEnablesTheLinkAndEnds) {
  RadioState state;
  state.set_CommEnabled(1);  // left over from a previous run of the store
  File_MenuListDefFile loader(state);
  test::RecordingClock clock;
  ASSERT_TRUE(startRadioState(state, loader, clock));
  EXPECT_EQ(clock.sleeps, std::vector<std::int64_t>{10});   // start, wait 10 ms, post the load
  ASSERT_TRUE(waitUntil([&] { return !loader.running(); })) << "loader did not end itself";
  EXPECT_TRUE(loader.loaded());
  EXPECT_EQ(state.get_CommEnabled(), 1);
  EXPECT_EQ(state.get_MenuItem_Count(), 196);
}

TEST(CatalogueLoader, StoppedBeforeLoadingLeavesTheLinkDisabled) {
  RadioState state;
  state.reset();
  {
    File_MenuListDefFile loader(state);
    ASSERT_TRUE(loader.start());
    loader.stopBounded();
    EXPECT_FALSE(loader.loaded());
  }
  EXPECT_EQ(state.get_CommEnabled(), 0);
  MenuListItem r;
  ASSERT_TRUE(state.get_MenuItem(1, &r));
  EXPECT_EQ(r.no, 0) << "no record was stored";
}

}  // namespace
}  // namespace hrx
