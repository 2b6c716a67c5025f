#include "platform/MessageTable.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Log {
  std::string calls;
};

hrx::LParam first(Log& l, const hrx::Msg& m) {
  l.calls += "a" + std::to_string(m.w);
  return 0;
}
hrx::LParam second(Log& l, const hrx::Msg&) {
  l.calls += "b";
  return 7;
}
hrx::LParam third(Log& l, const hrx::Msg&) {
  l.calls += "c";
  return 9;
}

constexpr hrx::MessageRow<Log> kDisplay[] = {{0x8301, first}, {0x8302, nullptr}};
constexpr hrx::MessageRow<Log> kWindows[] = {{0x8301, second}, {0x8303, third}, {0x8301, third}};

TEST(MessageTable, RowsOfOneIdRunInTheOrderAddedAndTheFirstAnswerCounts) {
  hrx::MessageTable<Log> t;
  t.add(kDisplay);
  t.add(kWindows);
  Log log;
  hrx::LParam r = -1;
  EXPECT_TRUE(t.dispatch(log, hrx::Msg{0x8301, 5, 0}, &r));
  EXPECT_EQ(log.calls, "a5bc");
  EXPECT_EQ(r, 7);

  // A null row makes the id known without doing anything.
  log.calls.clear();
  r = -1;
  EXPECT_TRUE(t.dispatch(log, hrx::Msg{0x8302, 0, 0}, &r));
  EXPECT_EQ(log.calls, "");
  EXPECT_EQ(r, 0);
  EXPECT_FALSE(t.dispatch(log, hrx::Msg{0x8304, 0, 0}, &r));

  EXPECT_TRUE(t.contains(0x8303));
  EXPECT_FALSE(t.contains(0x8300));
  EXPECT_EQ(t.ids(), (std::vector<hrx::MsgId>{0x8301, 0x8302, 0x8303}));
  EXPECT_EQ(t.size(), 5u);
}

}  // namespace
