#include "state/PanelMirror.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "state/RadioState.h"

namespace hrx {
namespace {

TEST(MirrorTable, RowsAreConsistent) {
  std::set<std::string> names;
  for (const auto& row : kMirrorRows) {
    SCOPED_TRACE(row.name);
    EXPECT_TRUE(names.insert(row.name).second) << "duplicate entry";
    if (row.ranged) {
      EXPECT_LE(row.min, row.max);
    }
  }
}

TEST(MirrorTable, EveryMirrorEntryNamedLikeAStateFieldHoldsItsValues) {
  // A mirror entry refreshed from a state field must be able to hold every
  // value the field can; otherwise a dial would stick.
  for (const auto& row : kMirrorRows) {
    if (!row.ranged) continue;
    for (const auto& f : kIntFieldRows) {
      if (std::string(f.name) != row.name) continue;
      SCOPED_TRACE(row.name);
      // Mirror limits may be narrower only where a state value is meaningless
      // to a dial (0 = off), which shows as min 1 vs 0.
      EXPECT_LE(row.min, f.min + 1);
      EXPECT_GE(row.max, f.max) << "mirror cannot hold the radio's top value";
    }
  }
}

TEST(PanelMirror, StartValuesAndRangedEntriesIgnoringOutOfRangeStores) {
  struct Case {
    const char* label;
    MirrorField f;
    std::int32_t v;
    std::int32_t expect;
  };
  const Case cases[] = {
      {"VfoA below its limit is ignored", MirrorField::VfoA_Freq, 0, 0},
      {"VfoA inside is stored", MirrorField::VfoA_Freq, 30000, 30000},
      {"VfoB above is ignored", MirrorField::VfoB_Freq, 60000001, 0},
      {"BP level 0 is ignored (mirror starts at 1)", MirrorField::BP_Main_Level, 0, 1},
      {"CO on takes 2 though the state cell stops at 1", MirrorField::CO_Main_On, 2, 2},
      {"IS negative edge", MirrorField::IS_Sub, -1000, -1000},
      {"IS beyond", MirrorField::IS_Main, 1001, 0},
      {"plain AI takes anything", MirrorField::AI_Stat, 7, 7},
      {"plain MK flag", MirrorField::MK_Flag, -1, -1},
      {"SD starts below its limits until the radio reports", MirrorField::SD_Value, 0, 0},
      {"RL starts at 1", MirrorField::RL_Main, 0, 1},
      {"KS starts at 4", MirrorField::KS_Value, 0, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    PanelMirror m;
    m.set(c.f, c.v);
    EXPECT_EQ(m.get(c.f), c.expect);
  }
  // Refreshed from an untouched store: the store's start value.
  RadioState s;
  PanelMirror m;
  m.set_VfoA_Freq(s.get_VfoA_Freq());
  EXPECT_EQ(m.get_VfoA_Freq(), 7000000);
}

}  // namespace
}  // namespace hrx
