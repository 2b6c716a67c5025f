// Fault injection: which reply is spoilt and how, on the pure radio.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SimRadio.h"

namespace hrx::sim {
namespace {

TEST(SimFaults, ChunkedRepliesAreSplitIntoWritesOfTheGivenSize) {
  struct Case {
    int size;
    std::vector<std::string> writes;
  };
  const Case cases[] = {
      {0, {"FA14250000;"}},
      {1, {"F", "A", "1", "4", "2", "5", "0", "0", "0", "0", ";"}},
      {4, {"FA14", "2500", "00;"}},
      {11, {"FA14250000;"}},
      {50, {"FA14250000;"}},
  };
  for (const Case& c : cases) {
    SimRadio radio;
    radio.setFaults({.chunkSize = c.size});
    radio.feed("FA;");
    EXPECT_EQ(radio.takeChunks(), c.writes) << c.size;
  }
}

TEST(SimFaults, GarbledReplyKeepsItsFrameAndSpoilsOneParameterByte) {
  SimRadio radio;
  radio.setFaults({.garbleEvery = 2});
  const std::string clean = radio.peek("FA;");
  for (int i = 1; i <= 6; ++i) {
    radio.feed("FA;");
    const std::string got = radio.takeOutput();
    ASSERT_EQ(got.size(), clean.size());
    int differing = 0;
    for (std::size_t k = 0; k < got.size(); ++k) {
      if (got[k] == clean[k]) continue;
      ++differing;
      EXPECT_GE(k, 2u) << "the code stays";
      EXPECT_LT(k, got.size() - 1) << "the ';' stays";
      EXPECT_FALSE(got[k] >= '0' && got[k] <= '9') << "the spoilt byte is not a digit";
    }
    EXPECT_EQ(differing, i % 2 == 0 ? 1 : 0) << "reply " << i;
  }
}

TEST(SimFaults, GarbledByteIsNeverADigitOrTerminator) {
  for (int c = 0; c < 256; ++c) {
    const char in = static_cast<char>(c);
    const char out = garbledByte(in);
    EXPECT_NE(out, in);
    EXPECT_NE(out, ';');
    EXPECT_FALSE(out >= '0' && out <= '9');
  }
}

TEST(SimFaults, StrayByteComesBeforeEveryNthReply) {
  SimRadio radio;
  radio.setFaults({.strayEvery = 3, .strayByte = '!'});
  EXPECT_EQ((radio.feed("ID;ID;ID;ID;ID;ID;"), radio.takeOutput()), "ID0460;ID0460;!ID0460;ID0460;ID0460;!ID0460;");
}

TEST(SimFaults, SilentRadioStillObeys) {
  SimRadio radio;
  radio.setFaults({.silent = true});
  radio.feed("AI1;FA07000000;FA;ZZ;");
  EXPECT_EQ(radio.takeOutput(), "");
  EXPECT_EQ(radio.cell(Cell::VfoA), 7000000);
  radio.setFaults({});
  EXPECT_EQ((radio.feed("FA;"), radio.takeOutput()), "FA07000000;");
}

TEST(SimFaults, DropIsDueAfterTheGivenNumberOfReplies) {
  SimRadio radio;
  radio.setFaults({.dropAfter = 2});
  radio.feed("ID;");
  EXPECT_FALSE(radio.dropDue());
  radio.feed("FA;");
  EXPECT_TRUE(radio.dropDue());
  radio.feed("FB;");
  EXPECT_EQ(radio.takeOutput(), "ID0460;FA14250000;") << "nothing after the drop point";
}

TEST(SimFaults, ReconfiguringRestartsTheCount) {
  SimRadio radio;
  radio.setFaults({.strayEvery = 2, .strayByte = '#'});
  radio.feed("ID;");
  radio.setFaults({.strayEvery = 2, .strayByte = '#'});
  radio.feed("ID;ID;");
  EXPECT_EQ(radio.takeOutput(), "ID0460;ID0460;#ID0460;");
}

}  // namespace
}  // namespace hrx::sim
