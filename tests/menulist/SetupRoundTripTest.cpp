// Every file the program writes it reads back equal: 10,000 radio states
// from a fixed seed (the fuzz target draws them from its input instead).
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "support/SetupRoundTrip.h"

namespace hrx {
namespace {

// A sanitizer looks for memory and thread faults, which a tenth of the
// states finds as well; the full count would take it minutes.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int kStates = 1000;
#else
constexpr int kStates = 10000;
#endif

TEST(SetupRoundTrip, TenThousandRadioStatesSaveAndReadBackEqual) {
  test::SetupRoundTrip trip;
  std::mt19937 random(38);
  std::vector<std::uint8_t> bytes(2048);
  int failures = 0;
  for (int n = 0; n < kStates && failures < 3; ++n) {
    for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(random());
    test::ByteSource src(bytes.data(), bytes.size());
    const std::string why = trip.run(src);
    if (!why.empty()) {
      ++failures;
      ADD_FAILURE() << "state " << n << ": " << why;
    }
  }
  EXPECT_EQ(failures, 0);
}

}  // namespace
}  // namespace hrx
