// Fault injection on the pure radio: which reply is spoilt and how. The
// writes of one feed are shown joined by '|'.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SimRadio.h"

namespace hrx::sim {
namespace {

TEST(SimFaults, EachFaultSpoilsTheRepliesAsConfigured) {
  const struct {
    FaultConfig faults;
    const char* input;
    const char* writes;
  } kCases[] = {
      {{.chunkSize = 0}, "FA;", "FA14250000;"},
      {{.chunkSize = 1}, "FA;", "F|A|1|4|2|5|0|0|0|0|;"},
      {{.chunkSize = 4}, "FA;", "FA14|2500|00;"},
      {{.chunkSize = 50}, "FA;", "FA14250000;"},
      {{.strayEvery = 3, .strayByte = '!'}, "ID;ID;ID;ID;ID;ID;", "ID0460;|ID0460;|!ID0460;|ID0460;|ID0460;|!ID0460;"},
      {{.silent = true}, "AI1;FA07000000;FA;ZZ;", ""},
      {{.dropAfter = 2}, "ID;FA;FB;", "ID0460;|FA14250000;"},
  };
  for (const auto& c : kCases) {
    SimRadio radio;
    radio.setFaults(c.faults);
    radio.feed(c.input);
    std::string got;
    for (const std::string& w : radio.takeChunks()) got += (got.empty() ? "" : "|") + w;
    EXPECT_EQ(got, c.writes) << c.input;
  }
  SimRadio silent;
  silent.setFaults({.silent = true});
  silent.feed("FA07000000;");
  silent.setFaults({});
  EXPECT_EQ((silent.feed("FA;"), silent.takeOutput()), "FA07000000;") << "a silent radio still obeys";

  SimRadio dropping;
  dropping.setFaults({.dropAfter = 2});
  dropping.feed("ID;");
  EXPECT_FALSE(dropping.dropDue());
  dropping.feed("FA;");
  EXPECT_TRUE(dropping.dropDue());

  SimRadio restarted;
  restarted.setFaults({.strayEvery = 2, .strayByte = '#'});
  restarted.feed("ID;");
  restarted.setFaults({.strayEvery = 2, .strayByte = '#'});
  EXPECT_EQ((restarted.feed("ID;ID;"), restarted.takeOutput()), "ID0460;ID0460;#ID0460;") << "setting restarts the count";
}

TEST(SimFaults, GarbledReplyKeepsItsFrameAndSpoilsOneParameterByte) {
  SimRadio radio;
  radio.setFaults({.garbleEvery = 2});
  for (int i = 1; i <= 4; ++i) {
    radio.feed("FA;");
    const std::string got = radio.takeOutput();
    ASSERT_EQ(got.size(), 11u);
    int differing = 0;
    for (std::size_t k = 0; k < got.size(); ++k) {
      if (got[k] == "FA14250000;"[k]) continue;
      ++differing;
      EXPECT_TRUE(k >= 2 && k < 10) << "the code and the ';' stay";
      EXPECT_FALSE(got[k] >= '0' && got[k] <= '9') << "the spoilt byte is not a digit";
    }
    EXPECT_EQ(differing, i % 2 == 0 ? 1 : 0) << "reply " << i;
  }
}

}  // namespace
}  // namespace hrx::sim
