#include <gtest/gtest.h>

#include <set>
#include <string>

#include "analysis/AnalyserMessages.h"
#include "state/ReplyCodeTable.h"

namespace hrx {
namespace {

// The table as data: every row well formed, codes and events unique, so that
// the first-match search finds each row at its own index.
TEST(ReplyCodeTable, RowsAreWellFormedAndUnique) {
  std::set<std::string> codes;
  std::set<MsgId> events;
  for (int i = 0; i < ReplyCodeTable::kCount; ++i) {
    const ReplyCodeRow& r = ReplyCodeTable::row(i);
    const std::string label = "row " + std::to_string(i) + " " + std::string(r.code, 2);
    EXPECT_TRUE(r.code[0] >= 'A' && r.code[0] <= 'Z' && r.code[1] >= 'A' && r.code[1] <= 'Z') << label;
    EXPECT_EQ(r.code[2], '\0') << label;
    EXPECT_EQ(r.code[3], '\0') << label;
    EXPECT_GE(r.length, 4) << label << ": a reply has a code, a parameter and ';'";
    EXPECT_LE(r.length, 511) << label << ": must fit one ring slot";
    EXPECT_GE(r.event, 0x8302u) << label;
    EXPECT_LE(r.event, 0x8356u) << label;
    EXPECT_NE(r.event, WM_ANL_EVT_EX) << label;
    EXPECT_TRUE(codes.insert(std::string(r.code, 2)).second) << label << ": duplicate code";
    EXPECT_TRUE(events.insert(r.event).second) << label << ": duplicate event";
    EXPECT_EQ(ReplyCodeTable::find(r.code[0], r.code[1]), i) << label;
    EXPECT_EQ(ReplyCodeTable::find(r.code), i) << label;
    EXPECT_EQ(ReplyCodeTable::nominalLength(r.code[0], r.code[1]), r.length) << label;
  }
}

TEST(ReplyCodeTable, UnknownCodesAreNotFound) {
  // EX has no row, the refusal answer, lower case, one letter.
  for (const char* text : {"EX0010", "?;", "ZZ123", "fa", "F", ""}) EXPECT_EQ(ReplyCodeTable::find(text), -1) << text;
  EXPECT_EQ(ReplyCodeTable::find(nullptr), -1);
  EXPECT_EQ(ReplyCodeTable::nominalLength('E', 'X'), 0);
}

}  // namespace
}  // namespace hrx
