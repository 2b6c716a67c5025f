// The station on a far-away line: the real ser2net in front of the
// simulated radio, reached through a proxy that holds each direction
// 150 ms ± 40 ms (a 300 ms round trip). What the operator must be able to
// rely on there: the read-out ends with the radio's values, a fast flick of
// the dial ends on the frequency of its last notch, a quiet line is no lost
// line, and a far side that stops answering is still dropped by the
// watchdog. How long each takes is bench_netserial's business.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "support/DelayLine.h"
#include "support/Ser2netRig.h"
#include "support/StationRig.h"

namespace hrx {
namespace {

using namespace std::chrono_literals;
using test::Ser2net;
using test::waitFor;

TEST(FarLine, ReadOutFlickQuietAndSilentFarSide) {
  if (!Ser2net::available()) GTEST_SKIP() << "ser2net is not installed";
  test::FarRadio far;
  std::string error;
  ASSERT_TRUE(far.start(Ser2net::Mode::Raw, &error)) << error;
  ASSERT_TRUE(far.radio.applyLocal("FA18100000"));
  test::DelayLine line(far.s2n->port(), 150, 40);
  ASSERT_TRUE(line.start());
  test::TempDir dir;
  test::Program program(line.url("tcp"), dir.path());
  ASSERT_TRUE(program.ok);
  Station& s = program.station;
  ASSERT_TRUE(waitFor([&] { return s.state.get_CommEnabled() != 0; }, 5s));
  ASSERT_TRUE(waitFor([&] { return s.port.Open() || s.port.IsOpen(); }, 5s));
  ASSERT_TRUE(s.request(1));
  ASSERT_TRUE(waitFor([&] { return program.readOutsDone.load() > 0; }, 90s)) << "the read-out never ended";
  EXPECT_EQ(s.state.get_VfoA_Freq(), 18100000);

  // Fifty notches of 10 Hz, faster than the line answers: the radio and the
  // program both end on the last one.
  for (int n = 1; n <= 50; ++n) {
    ASSERT_TRUE(s.request(82, false, 14000000 + 10 * n));
    std::this_thread::sleep_for(4ms);   // the wheel's own pace
  }
  EXPECT_TRUE(waitFor([&] { return far.radio.peek("FA;") == "FA14000500;"; }, 5s)) << far.radio.peek("FA;");
  EXPECT_TRUE(waitFor([&] { return s.state.get_VfoA_Freq() == 14000500; }, 5s)) << s.state.get_VfoA_Freq();

  // Two watchdog periods of quiet: the link stays.
  const auto faults = s.port.faultCloses();
  EXPECT_FALSE(waitFor([&] { return s.awaitingDevice() || s.port.faultCloses() != faults; }, 7s));
  EXPECT_TRUE(s.port.IsOpen());
  EXPECT_EQ(line.connections(), 1);

  // The far side goes on taking commands and never answers: counted as a
  // silent radio within the watchdog's 3 s and a tick or two.
  line.swallowReplies(true);
  ASSERT_TRUE(s.request(82, false, 7074000));
  EXPECT_TRUE(waitFor([&] { return s.awaitingRadio() || s.awaitingDevice(); }, 8s));
}

}  // namespace
}  // namespace hrx
