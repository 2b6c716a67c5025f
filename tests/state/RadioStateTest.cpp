#include "state/RadioState.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <thread>

namespace hrx {
namespace {

// Fields the radio must report before they hold a legal value: their start
// value lies outside their range on purpose.
const std::set<std::string> kStartOutsideRange = {"ID_Value", "SD_Value", "VD_Value", "PC_Value"};

TEST(RadioFieldTable, RowsAreConsistent) {
  std::set<std::string> names;
  for (const auto& row : kIntFieldRows) {
    SCOPED_TRACE(row.name);
    EXPECT_LE(row.min, row.max);
    EXPECT_TRUE(names.insert(row.name).second) << "duplicate field";
    const bool inRange = row.def >= row.min && row.def <= row.max;
    EXPECT_EQ(inRange, kStartOutsideRange.count(row.name) == 0);
  }
  for (const auto& row : kRealFieldRows) {
    SCOPED_TRACE(row.name);
    EXPECT_LE(row.min, row.max);
    EXPECT_GE(row.def, row.min);
    EXPECT_LE(row.def, row.max);
    EXPECT_TRUE(names.insert(row.name).second);
  }
  for (const auto* name : kTextFieldNames) EXPECT_TRUE(names.insert(name).second) << name;
  EXPECT_EQ(kTextFieldCount, 5);
  EXPECT_EQ(kRealFieldCount, 2);
  EXPECT_EQ(kWordFieldCount, 2);
}

// Start values, edges of the ranges and the other kinds of cell.
TEST(RadioState, StartValuesAndRangesAtBothEdges) {
  RadioState s;
  EXPECT_EQ(s.get_SF_Value(), 8);
  EXPECT_EQ(s.get_GT_Main(), 6);
  EXPECT_EQ(s.get_VfoA_Freq(), 7000000);
  EXPECT_EQ(s.get_MD_Sub(), 1);
  EXPECT_EQ(s.get_RI_5(), 1);
  EXPECT_EQ(s.get_RI_6(), 0);
  EXPECT_EQ(s.get_PE_2_1_Level(), 5);
  EXPECT_EQ(s.get_PE_0_2_Width(), 10);
  EXPECT_EQ(s.get_MenuItem_Count(), 136);
  EXPECT_EQ(s.get_CommEnabled(), 0);

  const struct {
    const char* label;
    IntField field;
    std::int32_t value;
    bool accepted;
  } cases[] = {
      {"VfoA low edge", IntField::VfoA_Freq, 30000, true},      {"VfoA below", IntField::VfoA_Freq, 29999, false},
      {"VfoA high edge", IntField::VfoA_Freq, 60000000, true},  {"VfoA above", IntField::VfoA_Freq, 60000001, false},
      {"VfoB below", IntField::VfoB_Freq, 29999, false},        {"IS low edge", IntField::IS_Main, -1000, true},
      {"IS below", IntField::IS_Main, -1001, false},            {"IS high edge", IntField::IS_Sub, 1000, true},
      {"IS above", IntField::IS_Sub, 1001, false},              {"ID only 362", IntField::ID_Value, 362, true},
      {"ID 460 refused", IntField::ID_Value, 460, false},       {"ID 361 refused", IntField::ID_Value, 361, false},
      {"SF top", IntField::SF_Value, 8, true},                  {"SF above", IntField::SF_Value, 9, false},
      {"SF negative", IntField::SF_Value, -1, false},           {"GT above", IntField::GT_Main, 7, false},
      {"BG negative edge", IntField::BG_Value1, -1, true},      {"BG below", IntField::BG_Value1, -2, false},
      {"PE level low edge", IntField::PE_0_0_Level, -20, true}, {"PE level below", IntField::PE_0_0_Level, -21, false},
      {"PE freq band 2 top", IntField::PE_2_2_Freq, 18, true},
      {"PE freq band 0 above", IntField::PE_2_0_Freq, 8, false},
      {"memory channel 0", IntField::IF_MemCh, 0, false},       {"TX top", IntField::TxStat, 2, true},
      {"TX above", IntField::TxStat, 3, false},
      {"catalogue count top", IntField::MenuItem_Count, 500, true},
      {"catalogue count above", IntField::MenuItem_Count, 501, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    RadioState r;
    const std::int32_t before = r.get(c.field);
    EXPECT_EQ(r.set(c.field, c.value), c.accepted);
    EXPECT_EQ(r.get(c.field), c.accepted ? c.value : before);
  }

  EXPECT_TRUE(s.set_MainRx_Busy(1));
  EXPECT_EQ(s.get_SubRx_Busy(), 0) << "a named setter reaches its own cell";
  EXPECT_TRUE(s.set_IF_ClarOffset(-9999.0));
  EXPECT_FALSE(s.set_IF_ClarOffset(-9999.5));
  EXPECT_FALSE(s.set_IF_ClarOffset(std::nan("")));
  EXPECT_DOUBLE_EQ(s.get_IF_ClarOffset(), -9999.0);
  EXPECT_FALSE(s.set_OI_ClarOffset(10000.0));
  s.set_CO_Main_OnKind(-77);
  EXPECT_EQ(s.get_CO_Main_OnKind(), -77) << "a plain word takes any value";
}

TEST(RadioState, ResetRestoresDefaultsAndClearsLinkMemory) {
  RadioState s;
  s.set_VfoA_Freq(14250000);
  s.set_CommEnabled(1);
  s.set_AiAtPowerOff(1);
  s.set_AiResyncNeeded(1);
  s.set_KM_Text1(5, "CQ CQ");
  s.reset();
  EXPECT_EQ(s.get_VfoA_Freq(), 7000000);
  EXPECT_EQ(s.get_CommEnabled(), 0);
  EXPECT_EQ(s.get_AiAtPowerOff(), 0);
  EXPECT_EQ(s.get_AiResyncNeeded(), 0);
  EXPECT_EQ(s.text(TextField::KM_Text1), "");
}

TEST(TextCells, LimitAndCopyRules) {
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
  EXPECT_EQ(buf[50], '\0');
  EXPECT_EQ(buf[51], 'Z') << "only n bytes are touched";

  std::memset(buf, 'Z', sizeof buf);
  EXPECT_TRUE(s.get_KM_Text2(10, buf));
  EXPECT_EQ(std::string(buf), std::string(9, 'K')) << "a short destination stays terminated";

  EXPECT_FALSE(s.set_KM_Text4(5, nullptr));
  EXPECT_FALSE(s.get_KM_Text4(5, nullptr));
}

TEST(TextCells, ConcurrentCopiesNeverTear) {
  RadioState s;
  const std::string a(50, 'A'), b(50, 'B');
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    for (int i = 0; i < 20000; ++i) s.set_KM_Text1(51, (i % 2 ? a : b).c_str());
    stop = true;
  });
  int torn = 0;
  while (!stop) {
    const std::string t = s.text(TextField::KM_Text1);
    if (!t.empty() && t != a && t != b) ++torn;
  }
  writer.join();
  EXPECT_EQ(torn, 0);
}

}  // namespace
}  // namespace hrx
