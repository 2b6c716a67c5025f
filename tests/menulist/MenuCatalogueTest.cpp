#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "menulist/MenuCatalogue.h"
#include "state/RadioState.h"

namespace hrx {
namespace {

MenuListItem item(RadioState& s, int no) {
  MenuListItem r;
  EXPECT_TRUE(s.get_MenuItem(no, &r)) << "item " << no;
  return r;
}

class Catalogue : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(loadBuiltInCatalogue(state)); }
  RadioState state;
};

TEST_F(Catalogue, CountAndMyCallAfterLoad) {
  EXPECT_EQ(state.get_MenuItem_Count(), 196);
  const MenuListItem r = item(state, 5);
  EXPECT_STREQ(r.name, "MY CALL");
  EXPECT_STREQ(r.text, "MARVO");
  EXPECT_STREQ(r.new_text, "");
  EXPECT_EQ(r.width, 12);
  EXPECT_EQ(r.choice_num, 0);
  EXPECT_EQ(menuValueText(r), " MARVO");
  EXPECT_EQ(item(state, 196).no, 196);
  MenuListItem out;
  EXPECT_FALSE(state.get_MenuItem(0, &out));
  EXPECT_FALSE(state.get_MenuItem(197, &out));
}

TEST_F(Catalogue, ListLineOfItem001) {
  const std::string line = menuListLine(item(state, 1));
  // Number, name and range columns end at 121; value text up to 125; unit after.
  EXPECT_EQ(line.size(), 129u);
  EXPECT_EQ(line.substr(0, 25), "001  FAST DELAY          ");
  EXPECT_EQ(line.substr(25, 24), "  20-4000 (20msec Steps)");
  EXPECT_EQ(line.find_first_not_of(' ', 49), 122u);
  EXPECT_EQ(line.substr(121, 4), " 300");
  EXPECT_EQ(line.substr(125), "msec");
}

TEST_F(Catalogue, ListLineShowsEditAndLongFieldsAreNotCut) {
  MenuListItem r = item(state, 196);  // longest name (21 characters)
  EXPECT_EQ(menuListLine(r).substr(3, 23), "  QPSK POLARITY REVERSE");
  r = item(state, 1);
  r.changed = 1;
  r.new_value = 20;
  EXPECT_EQ(menuListLine(r).substr(121), " 20msec");
  r = item(state, 5);
  r.changed = 1;
  std::strcpy(r.new_text, "AB1CD");
  EXPECT_EQ(menuListLine(r).substr(121), " AB1CD");
}

TEST_F(Catalogue, LookupByTypeAndReplyLength) {
  MenuListItem r;
  ASSERT_TRUE(state.get_MenuItemByType(31, &r));
  EXPECT_EQ(r.no, 159);
  EXPECT_STREQ(r.name, "F-PRMTRC EQ1-FREQ");
  EXPECT_FALSE(state.get_MenuItemByType(15, &r));
  EXPECT_EQ(r.no, 0) << "output cleared on failure";

  struct Case { const char* three; bool ok; int len; };
  const Case cases[] = {{"001", true, 10}, {"005", true, 18}, {"196", true, 7}, {"129", true, 11},
                        {"197", false, 0}, {"000", false, 0}, {"0A1", false, 0}, {"00", false, 0}};
  for (const auto& c : cases) {
    int len = -1;
    EXPECT_EQ(state.get_MenuReplyLen(c.three, &len), c.ok) << c.three;
    if (c.ok) {
      EXPECT_EQ(len, c.len) << c.three;
    }
  }
}

TEST(IntOfRule, RoundsAtSixDecimalsThenTruncates) {
  struct Case { double v; int want; };
  const Case cases[] = {{0, 0}, {2.9, 2}, {-2.9, -2}, {1849.9999999, 1850}, {1849.99999, 1849},
                        {-30, -30}, {1e12, 2147483647}, {-1e12, -2147483647 - 1},
                        // Either side of where six decimals round up to the next whole number.
                        {2.9999994, 2}, {2.9999996, 3}, {-2.9999994, -2}, {-2.9999996, -3}, {-0.5, 0},
                        {0.999999, 0}, {2147483646.9999999, 2147483647}, {-2147483647.9999999, -2147483647 - 1}};
  for (const auto& c : cases) EXPECT_EQ(IntOf(c.v), c.want) << c.v;
}

MenuListItem builtIn(int no) { return makeMenuRecord(kMenuRows[no - 1]); }

// The value classes. One row per (item, stored value): the text shown, the edit list's size,
// first and last entries and where "current" sits, and one chosen entry with
// the value it stores.
struct Case {
  const char* label;
  int no;
  double value;
  const char* shown;
  int entries;
  const char* first;
  const char* last;
  int cur;
  int pick;             // index of the chosen entry
  const char* pickText;
  double stored;
};

const Case kCases[] = {
    {"plain 001", 1, 300, " 300", 200, "20", "4000", 14, 2, "60", 60},
    {"signed 042", 42, -20, " -20", 41, "-20", "20", 0, 40, "20", 20},
    {"contour 108", 108, -15, " -15", 61, "-40", "20", 25, 0, "-40", -40},
    {"eq level 160", 160, 5, " 5", 21, "-10", "10", 15, 0, "-10", -10},
    {"rotator 014 -30", 14, 30, " -30", 16, "-30", "0", 0, 1, "-28", 28},
    {"rotator 014 0", 14, 0, " 0", 16, "-30", "0", 15, 15, "0", 0},
    {"cw weight 022", 22, 30, " 3.0", 21, "2.5", "4.5", 5, 20, "4.5", 45},
    {"main fix 129", 129, 1800, " 1.800", 200, "1.800", "1.999", 0, 50, "1.850", 1850},
    {"main fix 149 high", 149, 53999, " 53.999", 4000, "50.000", "53.999", 3999, 1, "50.001", 50001},
    {"mic gain 052 fix", 52, 30, " FIX(30)", 102, "MCVR", "FIX(100)", 31, 1, "FIX(0)", 0},
    {"mic gain 052 mcvr", 52, 1000, " MCVR", 102, "MCVR", "FIX(100)", 0, 0, "MCVR", 1000},
    {"beacon 023 off", 23, 0, " OFF", 256, "OFF", "690", 0, 0, "OFF", 0},
    {"beacon 023 240", 23, 240, " 240", 256, "OFF", "690", 240, 240, "240", 240},
    {"beacon 023 241", 23, 241, " 270", 256, "OFF", "690", 241, 241, "270", 241},
    {"beacon 023 255", 23, 255, " 690", 256, "OFF", "690", 255, 255, "690", 255},
    {"choice 004", 4, 1, " SLOPE", 2, "NORMAL", "SLOPE", 1, 0, "NORMAL", 0},
    {"cat rate 038", 38, 3, " 38400", 4, "4800", "38400", 3, 1, "9600", 1},
    {"span 128", 128, 2, " 100", 6, "20", "1000", 2, 5, "1000", 5},
    {"eq freq 165", 165, 18, " 3200Hz", 19, "OFF", "3200Hz", 18, 1, "1500Hz", 1},
    {"choice beyond count", 4, 5, " ", 2, "NORMAL", "SLOPE", -1, 1, "SLOPE", 1},
    {"choice index 80", 4, 80, " ????????????", 2, "NORMAL", "SLOPE", -1, 0, "NORMAL", 0},
    {"choice negative", 4, -1, " ????????????", 2, "NORMAL", "SLOPE", -1, 0, "NORMAL", 0},
};

TEST(MenuValueClasses, TextEntriesAndChosenValue) {
  for (const auto& c : kCases) {
    MenuListItem r = builtIn(c.no);
    r.value = c.value;
    EXPECT_EQ(menuValueText(r), c.shown) << c.label;
    const MenuEditEntries e = menuEditEntries(r);
    ASSERT_EQ(static_cast<int>(e.texts.size()), c.entries) << c.label;
    EXPECT_EQ(e.texts.front(), c.first) << c.label;
    EXPECT_EQ(e.texts.back(), c.last) << c.label;
    EXPECT_EQ(e.cur, c.cur) << c.label;
    EXPECT_EQ(e.texts[static_cast<std::size_t>(c.pick)], c.pickText) << c.label;
    double v = -999;
    ASSERT_TRUE(menuValueFromEntry(r, c.pick, e.texts[static_cast<std::size_t>(c.pick)], &v)) << c.label;
    EXPECT_EQ(IntOf(v), IntOf(c.stored)) << c.label;
    // The stored value must bring the chosen entry back as current.
    r.value = v;
    EXPECT_EQ(menuEditEntries(r).cur, c.pick) << c.label;
  }
}

TEST(MenuValueClasses, EditShownInPlaceOfValueAndTextItems) {
  MenuListItem r = builtIn(22);
  r.changed = 1;
  r.new_value = 45;
  EXPECT_EQ(menuValueText(r), " 4.5");
  r = builtIn(5);
  EXPECT_TRUE(menuEditEntries(r).texts.empty());
  double v = 0;
  EXPECT_FALSE(menuValueFromEntry(r, 0, "X", &v));
  struct Bad { const char* label; int no; int index; const char* text; };
  const Bad bad[] = {{"number not numeric", 1, 0, "abc"}, {"number trailing junk", 1, 0, "20x"},
                     {"real empty", 129, 0, ""}, {"negative index", 4, -1, "NORMAL"}};
  for (const auto& b : bad) EXPECT_FALSE(menuValueFromEntry(builtIn(b.no), b.index, b.text, &v)) << b.label;
}

}  // namespace
}  // namespace hrx
