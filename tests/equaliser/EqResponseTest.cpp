#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "equaliser/EqResponse.h"

namespace {

using hrx::eq::EqValues;

TEST(EqResponse, CurveFrequenciesAndScale) {
  ASSERT_EQ(hrx::eq::kCurveHz.size(), 201u);
  const std::pair<int, double> samples[] = {{0, 50.0}, {1, 51.2}, {2, 52.4}, {3, 53.6}, {199, 4890}, {200, 5000}};
  for (auto [k, hz] : samples) EXPECT_DOUBLE_EQ(hrx::eq::kCurveHz[static_cast<std::size_t>(k)], hz) << k;
  for (std::size_t k = 1; k < hrx::eq::kCurveHz.size(); ++k)
    EXPECT_LT(hrx::eq::kCurveHz[k - 1], hrx::eq::kCurveHz[k]) << k;
  EXPECT_DOUBLE_EQ(hrx::eq::graphX(50), 0);
  EXPECT_DOUBLE_EQ(hrx::eq::graphX(500), 450);
  EXPECT_DOUBLE_EQ(hrx::eq::graphX(5000), 900);
  EXPECT_DOUBLE_EQ(hrx::eq::graphY(0), 176);
  EXPECT_DOUBLE_EQ(hrx::eq::graphY(20), 16);
  EXPECT_DOUBLE_EQ(hrx::eq::graphY(-20), 336);
}

TEST(EqResponse, BandGain) {
  // At the centre r = 1, B = 1 and the gain is the level itself.
  EXPECT_NEAR(hrx::eq::bandGainDb(1000, 7, 3, 1000), 7, 1e-9);
  EXPECT_NEAR(hrx::eq::bandGainDb(1000, -12, 10, 1000), -12, 1e-9);
  // A cut mirrors the boost of the same size.
  EXPECT_NEAR(hrx::eq::bandGainDb(300, -6, 2, 150), -hrx::eq::bandGainDb(300, 6, 2, 150), 1e-12);
  // An octave below 1 kHz at width 1: r = 0.5, (1 - r^2)/r = 1.5,
  // B = 1 / sqrt(2.25 + 1), G = 20 log10(1 + (10^0.5 - 1) B).
  EXPECT_NEAR(hrx::eq::bandGainDb(1000, 10, 1, 500), 20 * std::log10(1 + (std::sqrt(10.0) - 1) / std::sqrt(3.25)), 1e-9);
  // Level 0 or a band that is off: no gain anywhere.
  for (double hz : {50.0, 300.0, 1000.0, 5000.0}) {
    EXPECT_EQ(hrx::eq::bandGainDb(700, 0, 5, hz), 0);
    EXPECT_EQ(hrx::eq::bandGainDb(0, 10, 1, hz), 0);
  }
}

}  // namespace
