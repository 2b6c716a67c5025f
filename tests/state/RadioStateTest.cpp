// The state store's ranged cells, text cells and reset, and the panel
// mirror's own ranges.
#include "state/RadioState.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <string>
#include <thread>

#include "state/PanelMirror.h"

namespace hrx {
namespace {

TEST(RadioState, StartValuesAndRangesAtBothEdges) {
  RadioState s;
  EXPECT_EQ(s.get_SF_Value(), 8);
  EXPECT_EQ(s.get_MD_Sub(), 1);
  EXPECT_EQ(s.get_MenuItem_Count(), 136);

  const struct {
    IntField field;
    std::int32_t value;
    bool accepted;
  } kCases[] = {
      {IntField::VfoA_Freq, 30000, true}, {IntField::VfoA_Freq, 29999, false}, {IntField::VfoA_Freq, 60000000, true},
      {IntField::VfoA_Freq, 60000001, false}, {IntField::IS_Main, -1000, true}, {IntField::IS_Main, -1001, false},
      {IntField::ID_Value, 362, true}, {IntField::ID_Value, 361, false}, {IntField::ID_Value, 363, false},
      {IntField::BG_Value1, -1, true}, {IntField::BG_Value1, -2, false}, {IntField::PE_2_2_Freq, 18, true},
      {IntField::PE_2_0_Freq, 8, false}, {IntField::IF_MemCh, 0, false}, {IntField::TxStat, 3, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(kIntFieldRows[static_cast<int>(c.field)].name) + " " + std::to_string(c.value));
    RadioState r;
    const std::int32_t before = r.get(c.field);
    EXPECT_EQ(r.set(c.field, c.value), c.accepted);
    EXPECT_EQ(r.get(c.field), c.accepted ? c.value : before);
  }
  EXPECT_TRUE(s.set_IF_ClarOffset(-9999.0));
  EXPECT_FALSE(s.set_IF_ClarOffset(-9999.5));
  EXPECT_FALSE(s.set_IF_ClarOffset(std::nan("")));
  EXPECT_DOUBLE_EQ(s.get_IF_ClarOffset(), -9999.0);
  s.set_CO_Main_OnKind(-77);
  EXPECT_EQ(s.get_CO_Main_OnKind(), -77) << "a plain word takes any value";

  s.set_AiAtPowerOff(1);
  s.set_AiResyncNeeded(1);
  s.set_KM_Text1(5, "CQ CQ");
  s.reset();
  EXPECT_EQ(s.get_VfoA_Freq(), 7000000);
  EXPECT_EQ(s.get_AiAtPowerOff(), 0);
  EXPECT_EQ(s.get_AiResyncNeeded(), 0);
  EXPECT_EQ(s.text(TextField::KM_Text1), "");
}

TEST(RadioState, TextCellsLimitAndCopyRules) {
  RadioState s;
  const std::string fifty(50, 'K');
  EXPECT_TRUE(s.set_KM_Text2(51, (fifty + "EXTRA").c_str())) << "length 51 is allowed";
  EXPECT_EQ(s.text(TextField::KM_Text2), fifty) << "at most 50 characters are kept";
  EXPECT_FALSE(s.set_KM_Text2(52, "X")) << "a length above 51 is refused";
  EXPECT_EQ(s.text(TextField::KM_Text2), fifty) << "a refused set leaves the text";
  EXPECT_TRUE(s.set_KM_Text3(3, "ABCDEF"));
  EXPECT_EQ(s.text(TextField::KM_Text3), "ABC") << "no more than the named length is read";

  char buf[64];
  std::memset(buf, 'Z', sizeof buf);
  EXPECT_FALSE(s.get_KM_Text2(52, buf));
  EXPECT_EQ(buf[0], 'Z') << "a refused get writes nothing";
  EXPECT_TRUE(s.get_KM_Text2(51, buf));
  EXPECT_EQ(std::string(buf), fifty);
  EXPECT_EQ(buf[51], 'Z') << "only n bytes are touched";
  EXPECT_TRUE(s.get_KM_Text2(10, buf));
  EXPECT_EQ(std::string(buf), std::string(9, 'K')) << "a short destination stays terminated";
  EXPECT_FALSE(s.set_KM_Text4(5, nullptr));

  // A reader on another thread never sees half of one text and half of another.
  const std::string a(50, 'A'), b(50, 'B');
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    for (int i = 0; i < 20000; ++i) s.set_KM_Text1(51, (i % 2 ? a : b).c_str());
    stop = true;
  });
  int torn = 0;
  while (!stop) {
    const std::string t = s.text(TextField::KM_Text1);
    torn += !t.empty() && t != a && t != b;
  }
  writer.join();
  EXPECT_EQ(torn, 0);
}

// The watcher hears of a store that changed a value and of nothing else, so
// the polled displays may rest through a keep-alive that repeats itself.
TEST(RadioState, WatcherHearsChangesOnly) {
  struct Count final : StateWatcher {
    void stateChanged() override { ++heard; }
    int heard = 0;
  };
  const struct {
    const char* what;
    void (*store)(RadioState&);
    int heard;
  } kRows[] = {
      {"the same PS again", [](RadioState& s) { s.set_PS_Stat(s.get_PS_Stat()); }, 0},
      {"a new frequency", [](RadioState& s) { s.set_VfoA_Freq(14250000); }, 1},
      {"a frequency out of range", [](RadioState& s) { s.set_VfoA_Freq(29999); }, 0},
      {"the same clarifier offset", [](RadioState& s) { s.set_IF_ClarOffset(s.get_IF_ClarOffset()); }, 0},
      {"a new clarifier offset", [](RadioState& s) { s.set_IF_ClarOffset(120.0); }, 1},
      {"a new word", [](RadioState& s) { s.set_CO_Main_OnKind(2); }, 1},
      {"a link flag", [](RadioState& s) { s.set_AwaitingReply(1); }, 0},
      {"a menu record", [](RadioState& s) {
         MenuListItem m;
         m.value = 3;
         s.set_MenuItem(5, &m);
       }, 1},
  };
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.what);
    RadioState s;
    Count c;
    s.watch(&c);
    const std::uint64_t before = s.changes();
    row.store(s);
    EXPECT_EQ(c.heard, row.heard);
    EXPECT_EQ(s.changes() - before, static_cast<std::uint64_t>(row.heard));
    s.watch(nullptr);
    s.set_VfoA_Freq(7100000);
    EXPECT_EQ(c.heard, row.heard) << "no longer watched";
  }
}

TEST(PanelMirror, RangedEntriesIgnoreOutOfRangeStores) {
  const struct {
    MirrorField f;
    std::int32_t v;
    std::int32_t expect;
  } kCases[] = {
      {MirrorField::VfoA_Freq, 30000, 30000}, {MirrorField::VfoB_Freq, 60000001, 0},
      {MirrorField::BP_Main_Level, 0, 1},   // starts at 1
      {MirrorField::CO_Main_On, 2, 2},      // though the state cell stops at 1
      {MirrorField::IS_Main, 1001, 0}, {MirrorField::AI_Stat, 7, 7},   // plain: takes anything
  };
  for (const auto& c : kCases) {
    PanelMirror m;
    m.set(c.f, c.v);
    EXPECT_EQ(m.get(c.f), c.expect) << kMirrorRows[static_cast<int>(c.f)].name << " " << c.v;
  }
  // A mirror entry refreshed from a state field holds every value the field
  // can (min 1 against 0 where 0 means off to a dial); otherwise a dial sticks.
  for (const auto& row : kMirrorRows)
    for (const auto& f : kIntFieldRows)
      if (row.ranged && std::string(f.name) == row.name) {
        EXPECT_LE(row.min, f.min + 1) << row.name;
        EXPECT_GE(row.max, f.max) << row.name;
      }
}

}  // namespace
}  // namespace hrx
