// The simulator's session recording: what it writes reads back as the
// session, and a recording that cannot be written whole leaves the one
// that was there.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "Recording.h"
#include "support/SizeLimit.h"
#include "support/StationRig.h"

namespace hrx::sim {
namespace {

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST(Recorder, WritesTheSessionWholeOrLeavesTheOldOne) {
  test::TempDir dir;
  const std::string path = dir.path() + "/session.rec";
  const std::string old = "# hrx900 recording 1\n# what: w\n# when: t\n# why: y\n0 ! end\n";
  std::ofstream(path, std::ios::binary) << old;
  auto session = [&] {
    Recorder r;
    if (!r.open(path, "tuning", "a test")) return false;
    r.add(RecEvent::Kind::ToRadio, "FA;");
    r.add(RecEvent::Kind::FromRadio, "FA00007000000;");
    return r.close();
  };
  EXPECT_EQ(test::writeUnderSizeLimit(64, session), test::LimitedWrite::ReportedFailure);
  EXPECT_EQ(slurp(path), old);

  ASSERT_TRUE(session());
  Recording got;
  std::string error;
  ASSERT_TRUE(parseRecording(slurp(path), &got, &error)) << error;
  EXPECT_EQ(got.what, "tuning");
  EXPECT_EQ(got.why, "a test");
  ASSERT_EQ(got.events.size(), 3u);
  EXPECT_EQ(got.events[0].kind, RecEvent::Kind::ToRadio);
  EXPECT_EQ(got.events[0].bytes, "FA;");
  EXPECT_EQ(got.events[1].kind, RecEvent::Kind::FromRadio);
  EXPECT_EQ(got.events[1].bytes, "FA00007000000;");
  EXPECT_EQ(got.events[2].kind, RecEvent::Kind::End);
}

}  // namespace
}  // namespace hrx::sim
