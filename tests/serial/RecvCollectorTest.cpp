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

const RadioState* menu() {
  static const std::unique_ptr<RadioState> state = [] {
    auto s = std::make_unique<RadioState>();
    loadBuiltInCatalogue(*s);
    return s;
  }();
  return state.get();
}

// What each poll delivered ("" when nothing): chunk i arrives before poll i.
std::vector<std::string> run(RecvCollector& rc, const std::vector<std::string>& chunks, int polls,
                             std::uint32_t errorsAtFirstPoll = 0) {
  std::vector<std::string> out;
  for (int i = 0; i < polls; ++i) {
    if (i < static_cast<int>(chunks.size())) rc.append(chunks[i].data(), chunks[i].size());
    const bool got = rc.step(i == 0 ? errorsAtFirstPoll : 0) == RecvCollector::Outcome::Delivered;
    out.push_back(got ? std::string(reinterpret_cast<const char*>(rc.record()), rc.recordLength()) : "");
  }
  return out;
}

TEST(RecvCollector, FramingCasesPollByPoll) {
  // Menu item 1 takes four digits, the last one (196) one digit.
  const std::string fa = "FA14250000", zz511 = "ZZ" + std::string(509, 'B');
  struct Case {
    const char* label;
    std::vector<std::string> chunks;
    std::vector<std::string> perPoll;
    std::uint32_t errors = 0;
    bool catalogue = true;
  };
  const Case cases[] = {
      {"FA split in two pieces", {"FA1425", "0000;"}, {"", fa, ""}},
      {"? and ; are dropped before the FA reply", {"?;FA14250000;"}, {"", "", fa, ""}},
      {"two replies in one read go out on two polls", {"FA14250000;SM0005;"}, {fa, "SM0005", ""}},
      {"an 8-byte SM is dropped", {"FA14250000;SM00005;"}, {fa, "", ""}},
      {"unknown code goes up to its first ;", {"ZZ1", "2;"}, {"", "ZZ12", ""}},
      {"EX with the catalogue's length", {"EX0", "010000;"}, {"", "EX0010000"}},
      {"EX of the last menu item", {"EX1961;"}, {"EX1961"}},
      {"EX000 is a bad head", {"EX000;FA14250000;"}, {"", fa, ""}},
      {"EX above the item count is a bad head", {"EX197;FA14250000;"}, {"", fa, ""}},
      {"without a catalogue every EX is bad", {"EX0010000;FA14250000;"}, {"", fa}, 0, false},
      {"KM text up to its ;", {"KM1HEL", "LO WORLD};"}, {"", "KM1HELLO WORLD}"}},
      {"lower case in KM cuts there", {"KM1HELLOworld;FA14250000;"}, {"", "", "", "", "", "", fa}},
      {"lower-case head dropped", {"fa;FA14250000;"}, {"", "", "", fa}},
      {"a ; inside a fixed-length reply is two replies, not one", {"FA1;234567;"}, {"", "", "", "", "", ""}},
      {"a reply too long for a ring slot is dropped", {"ZZ" + std::string(600, 'A') + ";FA14250000;"}, {"", fa, ""}},
      {"511 bytes is the longest record", {zz511 + ";"}, {zz511}},
      {"framing error skips to the first letter", {"\x80\x01\x7f" "FA14250000;"}, {fa}, kCeFrame},
      {"break error skips to the first letter", {"\x1b\x1b" "FA14250000;"}, {fa}, kCeBreak},
      {"two errors at once are no resync cue", {"\x1b" "FA14250000;"}, {"", fa}, kCeBreak | kCeFrame},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    RecvCollector rc(c.catalogue ? menu() : nullptr);
    EXPECT_EQ(run(rc, c.chunks, static_cast<int>(c.perPoll.size()), c.errors), c.perPoll);
  }
  RecvCollector rc(menu());
  EXPECT_EQ(run(rc, {"\x80\x81\x82"}, 1, kCeBreak), std::vector<std::string>{""});
  EXPECT_EQ(rc.count(), 0u) << "nothing to resume at empties the buffer";
}

TEST(RecvCollector, RtsFollowsTheFill) {
  using R = RecvCollector::Rts;
  const struct {
    std::size_t fill;
    std::uint32_t errors;
    R want;
  } cases[] = {
      {128, 0, R::Raise}, {129, 0, R::Keep}, {255, 0, R::Keep}, {256, 0, R::Drop},
      {0, kCeRxOver, R::Drop}, {10, kCeRxOver | kCeFrame, R::Raise}, {300, kCeFrame, R::Drop},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "fill " << c.fill << " errors " << c.errors);
    RecvCollector rc(menu());
    const std::string bytes(c.fill, 'A');
    rc.append(bytes.data(), bytes.size());
    EXPECT_EQ(rc.rtsDecision(c.errors), c.want);
  }
}

// The buffer holds 2048 bytes; empty positions read 0xFF; a full buffer
// that can never become a reply is emptied rather than block the line.
TEST(RecvCollector, NeverHoldsMoreThanItsBufferAndNeverSticks) {
  RecvCollector rc(menu());
  const std::string two = "FA14250000;AI1;";
  rc.append(two.data(), two.size());
  ASSERT_EQ(rc.step(0), RecvCollector::Outcome::Delivered);
  ASSERT_EQ(rc.count(), 4u);
  for (std::size_t i = rc.count(); i < RecvCollector::kCapacity; ++i) ASSERT_EQ(rc.data()[i], 0xFF) << i;
  rc.step(0);
  const std::string letters(3000, 'Q');
  EXPECT_EQ(rc.append(letters.data(), letters.size()), 2048u);
  EXPECT_EQ(rc.freeSpace(), 0u);
  EXPECT_EQ(rc.step(0), RecvCollector::Outcome::Discarded);
  EXPECT_EQ(rc.count(), 0u);
  EXPECT_EQ(run(rc, {"FA14250000;"}, 1), std::vector<std::string>{"FA14250000"});
}

}  // namespace
}  // namespace hrx
