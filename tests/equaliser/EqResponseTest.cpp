// The band formula at what the graph test cannot see (it draws boosts at
// width 1): a cut, and the width away from the centre.
#include <gtest/gtest.h>

#include <cmath>

#include "equaliser/EqResponse.h"

namespace {

TEST(EqResponse, BandGain) {
  using hrx::eq::bandGainDb;
  // At the centre B = 1 and the gain is the level itself.
  EXPECT_NEAR(bandGainDb(1000, -12, 10, 1000), -12, 1e-9);
  // An octave below 1 kHz: r = 0.5, (1 - r^2)/r = 1.5, B = 1 / sqrt(1.5^2 w^2 + 1),
  // G = 20 log10(1 + (10^(L/20) - 1) B); a cut mirrors the boost.
  for (int w : {1, 3}) {
    const double g = 20 * std::log10(1 + (std::sqrt(10.0) - 1) / std::sqrt(2.25 * w * w + 1));
    EXPECT_NEAR(bandGainDb(1000, 10, w, 500), g, 1e-9) << w;
    EXPECT_NEAR(bandGainDb(1000, -10, w, 500), -g, 1e-9) << w;
  }
  // Level 0 or a band that is off: no gain anywhere.
  for (double hz : {50.0, 1000.0, 5000.0}) EXPECT_EQ(bandGainDb(700, 0, 5, hz) + bandGainDb(0, 10, 1, hz), 0) << hz;
}

}  // namespace
