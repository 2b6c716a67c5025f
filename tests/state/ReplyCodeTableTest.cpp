#include <gtest/gtest.h>

#include <string>

#include "analysis/AnalyserMessages.h"
#include "state/ReplyCodeTable.h"

namespace hrx {
namespace {

// The first-match search finds each row at its own index (the rows' form is
// held by static_asserts beside the table).
TEST(ReplyCodeTable, EveryRowIsFoundAtItsIndex) {
  for (int i = 0; i < ReplyCodeTable::kCount; ++i) {
    const ReplyCodeRow& r = ReplyCodeTable::row(i);
    const std::string label = "row " + std::to_string(i) + " " + std::string(r.code, 2);
    EXPECT_EQ(ReplyCodeTable::find(r.code), i) << label;
    EXPECT_EQ(ReplyCodeTable::nominalLength(r.code[0], r.code[1]), r.length) << label;
  }
}

TEST(ReplyCodeTable, UnknownCodesAreNotFound) {
  struct Case {
    const char* label;
    const char* text;
  } cases[] = {
      {"EX has no row", "EX0010"},
      {"refusal answer", "?;"},
      {"unknown code", "ZZ123"},
      {"lower case", "fa"},
      {"one letter", "F"},
      {"empty", ""},
      {"null", nullptr},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReplyCodeTable::find(c.text), -1) << c.label;
  }
  EXPECT_EQ(ReplyCodeTable::nominalLength('E', 'X'), 0);
}

}  // namespace
}  // namespace hrx
