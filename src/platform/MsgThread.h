#pragma once
// A worker thread with its own message queue, standing in for a
// user-interface thread of the original windowing library. Messages are
// handled one at a time on the thread, in the order posted; kMsgEndThread ends
// it. Any thread may post. Subclasses override onMessage().
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "platform/Messages.h"
#include "platform/PostTarget.h"

namespace hrx {

class MsgThread : public PostTarget {
 public:
  explicit MsgThread(std::string name);
  virtual ~MsgThread();
  MsgThread(const MsgThread&) = delete;
  MsgThread& operator=(const MsgThread&) = delete;

  // Starts the thread; false if it is already running.
  bool start();
  // Queues a message; false when the thread is not running.
  bool post(MsgId id, WParam w = 0, LParam l = 0) override;
  // Queues a message unless an identical one is still waiting, so that timer
  // ticks never pile up behind a slow handler. True when queued or already
  // waiting.
  bool postUnique(MsgId id, WParam w = 0, LParam l = 0);
  bool running() const { return running_.load(std::memory_order_acquire); }
  const std::string& name() const { return name_; }

  // The bounded stop: post kMsgEndThread while the thread runs, waiting
  // 100 ms after each post, giving up after 52 posts. True when it ended.
  bool stopBounded();
  // Ends the thread at once and joins it. Subclasses call this from their
  // destructor, before their own members go away.
  void stopNow();
  // Number of messages waiting (for tests and diagnostics).
  std::size_t pending() const;

 protected:
  virtual void onMessage(const Msg& msg) = 0;
  // Called on the thread before the first message and after the last.
  virtual void onStart() {}
  virtual void onStop() {}
  // When it returns a file descriptor (>= 0), the thread also waits for that
  // descriptor to become readable while its queue is empty, and then calls
  // onReadable(). Lets a poller sleep on the line instead of on a timer.
  virtual int idleFd() { return -1; }
  virtual void onReadable() {}
  // onReadable() must consume what made the descriptor readable (or make
  // idleFd() return -1), or the thread would spin.
  // Wakes the thread so that it asks idleFd() again.
  void wake();
  // While the queue is empty the thread also waits for this moment, then
  // calls onDue() (asked again after every message and every onDue()).
  // time_point::max() waits for messages alone.
  virtual std::chrono::steady_clock::time_point dueAt() { return std::chrono::steady_clock::time_point::max(); }
  virtual void onDue() {}

 private:
  void run();
  bool waitForWork(Msg& out);

  const std::string name_;
  mutable std::mutex mu_;
  std::condition_variable cv_;
  std::deque<Msg> queue_;
  std::thread thread_;
  std::atomic<bool> running_{false};
  int wakeFd_ = -1;  // eventfd, written on each post
};

// Stop budget: how often and how long the bounded stop waits.
inline constexpr int kStopPosts = 52;
inline constexpr int kStopWaitMs = 100;

}  // namespace hrx
