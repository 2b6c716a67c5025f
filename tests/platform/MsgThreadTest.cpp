// The message thread, the headless main window with its timers, and the
// message tables.
#include "platform/MsgThread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/HeadlessMainWindow.h"
#include "platform/MessageTable.h"

namespace hrx {
namespace {

using namespace std::chrono_literals;

bool eventually(const std::function<bool()>& cond) {
  const auto deadline = std::chrono::steady_clock::now() + 5s;  // a loaded machine may be slow
  while (!cond() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(1ms);
  return cond();
}

class Recorder : public MsgThread {
 public:
  Recorder() : MsgThread("Recorder") {}
  ~Recorder() override { stopNow(); }
  std::vector<Msg> seen() {
    std::lock_guard lock(mu);
    return msgs;
  }
  std::function<void(const Msg&)> onMsg;
  std::atomic<bool> stopped{false};

 protected:
  void onMessage(const Msg& m) override {
    if (onMsg) onMsg(m);
    std::lock_guard lock(mu);
    msgs.push_back(m);
  }
  void onStop() override { stopped = true; }

 private:
  std::mutex mu;
  std::vector<Msg> msgs;
};

TEST(MsgThread, HandlesMessagesInOrderUntilEnd) {
  Recorder t;
  EXPECT_FALSE(t.post(1)) << "nothing is queued before start";
  ASSERT_TRUE(t.start());
  for (int i = 0; i < 100; ++i) t.post(0x8500 + i, i, -i);
  t.post(kMsgEndThread);
  t.post(0x9999);  // after the end: never handled
  ASSERT_TRUE(eventually([&] { return !t.running(); }));
  const auto seen = t.seen();
  ASSERT_EQ(seen.size(), 100u);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(seen[i], (Msg{static_cast<MsgId>(0x8500 + i), WParam(i), LParam(-i)}));
  EXPECT_TRUE(t.stopped);
  EXPECT_FALSE(t.post(1)) << "an ended thread takes no messages";
}

TEST(MsgThread, PostUniqueKeepsOneIdenticalMessageWaiting) {
  Recorder t;
  std::mutex gate;
  std::unique_lock hold(gate);
  t.onMsg = [&](const Msg& m) {
    if (m.id == 1) std::lock_guard wait(gate);  // blocks until released
  };
  t.start();
  t.post(1);
  ASSERT_TRUE(eventually([&] { return t.pending() == 0; })) << "the blocker is being handled";
  for (int i = 0; i < 50; ++i) t.postUnique(0x8104);
  t.postUnique(0x8104, 1);  // differs in wParam: a message of its own
  EXPECT_EQ(t.pending(), 2u);
  hold.unlock();
  ASSERT_TRUE(eventually([&] { return t.seen().size() == 3; }));
  EXPECT_EQ(t.seen(), (std::vector<Msg>{{1, 0, 0}, {0x8104, 0, 0}, {0x8104, 1, 0}}));
}

TEST(HeadlessMainWindow, TimerTicksByIdDoNotPileUpAndEndWhenKilled) {
  std::atomic<int> ticks{0}, others{0};
  HeadlessMainWindow win([&](const Msg& m) -> LParam {
    if (m.id == kMsgTimer && m.w != 3) others++;
    if (m.id == kMsgTimer && m.w == 3) {
      ticks++;
      std::this_thread::sleep_for(50ms);  // 50 periods of a 1 ms timer
    }
    return 0;
  });
  win.setTimer(3, 1);
  win.setTimer(8, 1000);
  std::this_thread::sleep_for(220ms);
  win.killTimer(3);
  // Without coalescing, 200 ticks would be queued; with it, about one per
  // handler run.
  const int n = ticks.load();
  EXPECT_LE(n, 10);
  EXPECT_GE(n, 2);
  EXPECT_EQ(others.load(), 0) << "timer 8 is not due yet";
  std::this_thread::sleep_for(120ms);
  EXPECT_LE(ticks.load(), n + 1) << "a killed timer stops (one tick may have been in flight)";
}

TEST(HeadlessMainWindow, SendRunsOnTheWindowThreadAndReturnsItsResult) {
  std::atomic<std::thread::id> handlerThread{};
  HeadlessMainWindow win([&](const Msg& m) -> LParam {
    handlerThread = std::this_thread::get_id();
    return m.id == 0x810A ? static_cast<LParam>(m.w) + m.l : 0;
  });
  EXPECT_EQ(win.sendMessage(0x810A, 40, 2), 42);
  EXPECT_NE(handlerThread.load(), std::this_thread::get_id());
  win.stop();
  EXPECT_EQ(win.sendMessage(0x810A, 1, 1), 0) << "a stopped window answers 0 instead of hanging";
}

LParam first(std::string& l, const Msg& m) { return l += "a" + std::to_string(m.w), 0; }
LParam second(std::string& l, const Msg&) { return l += "b", 7; }
LParam third(std::string& l, const Msg&) { return l += "c", 9; }
constexpr MessageRow<std::string> kDisplay[] = {{0x8301, first}, {0x8302, nullptr}};
constexpr MessageRow<std::string> kWindows[] = {{0x8301, second}, {0x8303, third}, {0x8301, third}};

TEST(MessageTable, RowsOfOneIdRunInTheOrderAddedAndTheFirstAnswerCounts) {
  MessageTable<std::string> t;
  t.add(kDisplay);
  t.add(kWindows);
  std::string log;
  LParam r = -1;
  EXPECT_TRUE(t.dispatch(log, Msg{0x8301, 5, 0}, &r));
  EXPECT_EQ(log, "a5bc");
  EXPECT_EQ(r, 7);
  // A null row makes the id known without doing anything.
  log.clear();
  EXPECT_TRUE(t.dispatch(log, Msg{0x8302, 0, 0}, &r));
  EXPECT_EQ(log, "");
  EXPECT_EQ(r, 0);
  EXPECT_FALSE(t.dispatch(log, Msg{0x8304, 0, 0}, &r));
  EXPECT_FALSE(t.contains(0x8300));
  EXPECT_EQ(t.ids(), (std::vector<MsgId>{0x8301, 0x8302, 0x8303}));
}

}  // namespace
}  // namespace hrx
