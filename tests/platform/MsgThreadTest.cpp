#include "platform/MsgThread.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/HeadlessMainWindow.h"
#include "platform/TimerHost.h"

namespace hrx {
namespace {

using namespace std::chrono_literals;

// Waits up to five seconds for a condition; a loaded machine may be slow.
bool eventually(const std::function<bool()>& cond) {
  const auto deadline = std::chrono::steady_clock::now() + 5s;
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
  int readFd = -1;
  std::atomic<int> readable{0};
  std::atomic<bool> stopped{false};

 protected:
  void onMessage(const Msg& m) override {
    if (onMsg) onMsg(m);
    std::lock_guard lock(mu);
    msgs.push_back(m);
  }
  int idleFd() override { return readFd; }
  void onReadable() override {
    char c;
    if (::read(readFd, &c, 1) == 1) readable++;
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
  EXPECT_FALSE(t.start()) << "a running thread is not started twice";
  for (int i = 0; i < 100; ++i) t.post(0x8500 + i, i, -i);
  t.post(kMsgEndThread);
  t.post(0x9999);  // after the end: never handled
  ASSERT_TRUE(eventually([&] { return !t.running(); }));
  const auto seen = t.seen();
  ASSERT_EQ(seen.size(), 100u);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(seen[i], (Msg{static_cast<MsgId>(0x8500 + i), WParam(i), LParam(-i)}));
  EXPECT_TRUE(t.stopped);
  EXPECT_FALSE(t.post(1)) << "an ended thread takes no messages";
  Recorder u;
  u.start();
  EXPECT_TRUE(u.stopBounded());
  EXPECT_FALSE(u.running());
  EXPECT_TRUE(u.stopBounded()) << "stopping a stopped thread is a no-op";
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

TEST(MsgThread, WaitsOnItsDescriptorWhileTheQueueIsEmpty) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  Recorder t;
  t.readFd = fds[0];
  t.start();
  ASSERT_EQ(::write(fds[1], "ab", 2), 2);
  EXPECT_TRUE(eventually([&] { return t.readable == 2; }));
  t.post(7);
  EXPECT_TRUE(eventually([&] { return t.seen().size() == 1; })) << "messages still arrive";
  t.stopNow();
  ::close(fds[0]);
  ::close(fds[1]);
}

TEST(TimerHost, TicksByIdUntilKilled) {
  std::mutex mu;
  std::vector<std::uint32_t> ticks;
  TimerHost host([&](std::uint32_t id) {
    std::lock_guard lock(mu);
    ticks.push_back(id);
  });
  host.set(6, 5);
  host.set(8, 1000);
  EXPECT_EQ(host.period(6), 5u);
  EXPECT_EQ(host.period(8), 1000u);
  EXPECT_EQ(host.period(9), 0u);
  ASSERT_TRUE(eventually([&] {
    std::lock_guard lock(mu);
    return ticks.size() >= 3;
  }));
  host.kill(6);
  EXPECT_FALSE(host.active(6));
  std::this_thread::sleep_for(30ms);
  std::lock_guard lock(mu);
  const auto n = ticks.size();
  for (auto id : ticks) EXPECT_EQ(id, 6u) << "timer 8 is not due yet";
  std::this_thread::sleep_for(30ms);
  EXPECT_LE(ticks.size(), n + 1) << "a killed timer stops (one tick may have been in flight)";
}

TEST(HeadlessMainWindow, TimerTicksDoNotPileUpBehindASlowHandler) {
  std::atomic<int> ticks{0};
  std::atomic<bool> slow{true};
  HeadlessMainWindow win([&](const Msg& m) -> LParam {
    if (m.id == kMsgTimer && m.w == 3) {
      ticks++;
      if (slow) std::this_thread::sleep_for(50ms);  // 50 periods of a 1 ms timer
    }
    return 0;
  });
  win.setTimer(3, 1);
  std::this_thread::sleep_for(220ms);
  win.killTimer(3);
  // Without coalescing, 200 ticks would be queued; with it, about one per
  // handler run.
  EXPECT_LE(ticks.load(), 10);
  EXPECT_GE(ticks.load(), 2);
}

TEST(HeadlessMainWindow, SendRunsOnTheWindowThreadAndReturnsItsResult) {
  std::atomic<std::thread::id> handlerThread{};
  HeadlessMainWindow win([&](const Msg& m) -> LParam {
    handlerThread = std::this_thread::get_id();
    if (m.id == 0x810A) return static_cast<LParam>(m.w) + m.l;
    return 0;
  });
  EXPECT_EQ(win.sendMessage(0x810A, 40, 2), 42);
  EXPECT_NE(handlerThread.load(), std::this_thread::get_id());
  win.stop();
  EXPECT_EQ(win.sendMessage(0x810A, 1, 1), 0) << "a stopped window answers 0 instead of hanging";
}

}  // namespace
}  // namespace hrx
