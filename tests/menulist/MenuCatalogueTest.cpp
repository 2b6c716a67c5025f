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
                        {-30, -30}, {1e12, 2147483647}, {-1e12, -2147483647 - 1}};
  for (const auto& c : cases) EXPECT_EQ(IntOf(c.v), c.want) << c.v;
}

}  // namespace
}  // namespace hrx
