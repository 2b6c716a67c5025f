#include "serial/RecvCollector.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "menulist/MenuCatalogue.h"
#include "platform/SerialDevice.h"
#include "state/RadioState.h"

namespace hrx {
namespace {

struct Catalogue {
  Catalogue() {
    state = std::make_unique<RadioState>();
    loadBuiltInCatalogue(*state);
  }
  std::unique_ptr<RadioState> state;
};

const RadioState& menu() {
  static Catalogue c;
  return *c.state;
}

// What each poll delivered ("" when nothing): chunk i arrives before poll i.
std::vector<std::string> run(RecvCollector& rc, const std::vector<std::string>& chunks, int polls,
                             std::uint32_t errorsAtFirstPoll = 0) {
  std::vector<std::string> out;
  for (int i = 0; i < polls; ++i) {
    if (i < static_cast<int>(chunks.size())) rc.append(chunks[i].data(), chunks[i].size());
    const auto outcome = rc.step(i == 0 ? errorsAtFirstPoll : 0);
    out.push_back(outcome == RecvCollector::Outcome::Delivered
                      ? std::string(reinterpret_cast<const char*>(rc.record()), rc.recordLength())
                      : std::string());
  }
  return out;
}

std::vector<std::string> nonEmpty(const std::vector<std::string>& v) {
  std::vector<std::string> out;
  for (const auto& s : v)
    if (!s.empty()) out.push_back(s);
  return out;
}

std::string exReply(int number, char fill) {
  char three[4];
  std::snprintf(three, sizeof three, "%03d", number);
  int len = 0;
  EXPECT_TRUE(menu().get_MenuReplyLen(three, &len));
  return "EX" + std::string(three) + std::string(static_cast<std::size_t>(len - 6), fill) + ";";
}

TEST(RecvCollector, FramingCasesPollByPoll) {
  const std::string ex1 = exReply(1, '0');
  const std::string exLast = exReply(kMenuItemCount, '1');
  struct Case {
    const char* label;
    std::vector<std::string> chunks;
    int polls;
    std::vector<std::string> perPoll;
  };
  const Case cases[] = {
      {"FA split in two pieces", {"FA1425", "0000;"}, 3, {"", "FA14250000", ""}},
      {"? and ; are dropped before the FA reply", {"?;FA14250000;"}, 4, {"", "", "FA14250000", ""}},
      {"two replies in one read go out on two polls", {"FA14250000;SM00005;"}, 3, {"FA14250000", "", ""}},
      {"two replies in one read, second a 7-byte SM", {"FA14250000;SM0005;"}, 3, {"FA14250000", "SM0005", ""}},
      {"SM longer than its length is dropped through the first ;", {"SM01234567;"}, 3, {"", "", ""}},
      {"SM too long, then a good reply", {"SM01234567;FA14250000;"}, 3, {"", "FA14250000", ""}},
      {"unknown code goes up to its first ;", {"ZZ12;"}, 2, {"ZZ12", ""}},
      {"unknown code waits for its ;", {"ZZ1", "2;"}, 3, {"", "ZZ12", ""}},
      {"EX with a catalogue length", {ex1}, 2, {ex1.substr(0, ex1.size() - 1), ""}},
      {"EX of the last menu item", {exLast}, 1, {exLast.substr(0, exLast.size() - 1)}},
      {"EX000 is a bad head", {"EX000;FA14250000;"}, 3, {"", "FA14250000", ""}},
      {"EX above the item count is a bad head", {"EX197;FA14250000;"}, 3, {"", "FA14250000", ""}},
      {"EX with a letter in its number", {"EX0A1;FA14250000;"}, 3, {"", "FA14250000", ""}},
      {"EX number split over two reads", {"EX0", ex1.substr(3)}, 2, {"", ex1.substr(0, ex1.size() - 1)}},
      {"KM text up to its ;", {"KM1HELLO WORLD};"}, 1, {"KM1HELLO WORLD}"}},
      {"KM split waits", {"KM1HEL", "LO;"}, 2, {"", "KM1HELLO"}},
      {"ID reply", {"ID0460;"}, 1, {"ID0460"}},
      {"lone ? waits for nothing", {"?"}, 2, {"", ""}},
      {"one letter waits", {"F", "A14250000;"}, 2, {"", "FA14250000"}},
      {"lower-case head dropped", {"fa;FA14250000;"}, 4, {"", "", "", "FA14250000"}},
      {"a ; inside a fixed-length reply is two replies, not one", {"FA1;234567;"}, 6,
       {"", "", "", "", "", ""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    RecvCollector rc(&menu());
    EXPECT_EQ(run(rc, c.chunks, c.polls), c.perPoll);
  }
}

TEST(RecvCollector, LowerCaseInKmCutsAtThatLetter) {
  RecvCollector rc(&menu());
  const std::string in = "KM1HELLOworld;FA14250000;";
  rc.append(in.data(), in.size());
  EXPECT_EQ(rc.step(0), RecvCollector::Outcome::Discarded);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(rc.data()), rc.count()), "orld;FA14250000;");
  EXPECT_EQ(nonEmpty(run(rc, {}, 10)), std::vector<std::string>{"FA14250000"});
}

TEST(RecvCollector, EmptyPositionsStayEmpty) {
  RecvCollector rc(&menu());
  const std::string in = "FA14250000;AI1;";
  rc.append(in.data(), in.size());
  ASSERT_EQ(rc.step(0), RecvCollector::Outcome::Delivered);
  ASSERT_EQ(rc.count(), 4u);
  for (std::size_t i = rc.count(); i < RecvCollector::kCapacity; ++i) ASSERT_EQ(rc.data()[i], 0xFF) << i;
}

TEST(RecvCollector, ResynchronisesAfterFramingOrBreakErrors) {
  struct Case {
    const char* label;
    std::string in;
    std::uint32_t errors;
    std::vector<std::string> perPoll;
    std::size_t countAfter;
  };
  const Case cases[] = {
      {"framing error skips to the first letter", "\x80\x01\x7f" "FA14250000;", kCeFrame, {"FA14250000"}, 0},
      {"break error skips to the first letter", "\x1b\x1b" "FA14250000;", kCeBreak, {"FA14250000"}, 0},
      {"nothing to resume at empties the buffer", "\x80\x81\x82", kCeBreak, {""}, 0},
      {"two errors at once are no resync cue", "\x1b" "FA14250000;", kCeBreak | kCeFrame, {""}, 11},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    RecvCollector rc(&menu());
    EXPECT_EQ(run(rc, {c.in}, 1, c.errors), c.perPoll);
    EXPECT_EQ(rc.count(), c.countAfter);
  }
}

TEST(RecvCollector, RtsFollowsTheFill) {
  struct Case {
    std::size_t fill;
    std::uint32_t errors;
    RecvCollector::Rts want;
  };
  const Case cases[] = {
      {0, 0, RecvCollector::Rts::Raise},          {128, 0, RecvCollector::Rts::Raise},
      {129, 0, RecvCollector::Rts::Keep},         {255, 0, RecvCollector::Rts::Keep},
      {256, 0, RecvCollector::Rts::Drop},         {2000, 0, RecvCollector::Rts::Drop},
      {0, kCeRxOver, RecvCollector::Rts::Drop},   {200, kCeRxOver, RecvCollector::Rts::Drop},
      {10, kCeFrame, RecvCollector::Rts::Raise},  {10, kCeRxOver | kCeFrame, RecvCollector::Rts::Raise},
      {300, kCeFrame, RecvCollector::Rts::Drop},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "fill " << c.fill << " errors " << c.errors);
    RecvCollector rc(&menu());
    const std::string bytes(c.fill, 'A');
    rc.append(bytes.data(), bytes.size());
    EXPECT_EQ(rc.rtsDecision(c.errors), c.want);
  }
}

TEST(RecvCollector, NeverHoldsMoreThanItsBufferAndNeverSticks) {
  RecvCollector rc(&menu());
  const std::string letters(3000, 'Q');
  EXPECT_EQ(rc.append(letters.data(), letters.size()), RecvCollector::kCapacity);
  EXPECT_EQ(rc.freeSpace(), 0u);
  // 2048 letters without a ';' can never become a reply: the buffer must
  // empty rather than block the line.
  EXPECT_EQ(rc.step(0), RecvCollector::Outcome::Discarded);
  EXPECT_EQ(rc.count(), 0u);
  const std::string fa = "FA14250000;";
  rc.append(fa.data(), fa.size());
  EXPECT_EQ(rc.step(0), RecvCollector::Outcome::Delivered);
}

TEST(RecvCollector, ReplyTooLongForARingSlotIsDiscarded) {
  RecvCollector rc(&menu());
  const std::string longReply = "ZZ" + std::string(600, 'A') + ";FA14250000;";
  rc.append(longReply.data(), longReply.size());
  EXPECT_EQ(nonEmpty(run(rc, {}, 3)), std::vector<std::string>{"FA14250000"});
  // 511 bytes is the longest record a slot takes.
  RecvCollector rc2(&menu());
  const std::string edge = "ZZ" + std::string(509, 'B') + ";";
  rc2.append(edge.data(), edge.size());
  ASSERT_EQ(rc2.step(0), RecvCollector::Outcome::Delivered);
  EXPECT_EQ(rc2.recordLength(), 511u);
}

TEST(RecvCollector, WithoutACatalogueEveryExIsBad) {
  RecvCollector rc(nullptr);
  EXPECT_EQ(nonEmpty(run(rc, {"EX0010000;FA14250000;"}, 4)), std::vector<std::string>{"FA14250000"});
}

}  // namespace
}  // namespace hrx
