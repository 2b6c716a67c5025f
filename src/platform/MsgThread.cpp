#include "platform/MsgThread.h"

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>

namespace hrx {

MsgThread::MsgThread(std::string name) : name_(std::move(name)) {
  wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

MsgThread::~MsgThread() {
  stopNow();
  if (wakeFd_ >= 0) ::close(wakeFd_);
}

bool MsgThread::start() {
  std::lock_guard lock(mu_);
  if (running_.load()) return false;
  if (thread_.joinable()) thread_.join();
  queue_.clear();
  running_.store(true, std::memory_order_release);
  thread_ = std::thread([this] { run(); });
  return true;
}

void MsgThread::wake() {
  if (wakeFd_ >= 0) {
    std::uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(wakeFd_, &one, sizeof one);
  }
  cv_.notify_one();
}

bool MsgThread::post(MsgId id, WParam w, LParam l) {
  {
    std::lock_guard lock(mu_);
    if (!running_.load(std::memory_order_acquire)) return false;
    queue_.push_back(Msg{id, w, l});
  }
  wake();
  return true;
}

bool MsgThread::postUnique(MsgId id, WParam w, LParam l) {
  {
    std::lock_guard lock(mu_);
    if (!running_.load(std::memory_order_acquire)) return false;
    const Msg m{id, w, l};
    if (std::find(queue_.begin(), queue_.end(), m) != queue_.end()) return true;
    queue_.push_back(m);
  }
  wake();
  return true;
}

std::size_t MsgThread::pending() const {
  std::lock_guard lock(mu_);
  return queue_.size();
}

bool MsgThread::stopBounded() {
  for (int i = 0; i < kStopPosts && running(); ++i) {
    post(kMsgEndThread);
    for (int waited = 0; waited < kStopWaitMs && running(); waited += 5)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (running()) return false;
  if (thread_.joinable()) thread_.join();
  return true;
}

void MsgThread::stopNow() {
  if (running()) post(kMsgEndThread);
  if (thread_.joinable()) thread_.join();
}

bool MsgThread::waitForWork(Msg& out) {
  using Clock = std::chrono::steady_clock;
  for (;;) {
    {
      std::unique_lock lock(mu_);
      if (!queue_.empty()) {
        out = queue_.front();
        queue_.pop_front();
        return true;
      }
    }
    const Clock::time_point due = dueAt();
    const bool timed = due != Clock::time_point::max();
    if (timed && due <= Clock::now()) {
      onDue();
      continue;
    }
    const int fd = idleFd();
    if (fd < 0 || wakeFd_ < 0) {
      std::unique_lock lock(mu_);
      if (timed) cv_.wait_until(lock, due, [this] { return !queue_.empty(); });
      else cv_.wait(lock, [this] { return !queue_.empty(); });
      continue;
    }
    pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {fd, POLLIN, 0}};
    timespec wait{};
    if (timed) {
      const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(due - Clock::now()).count();
      wait.tv_sec = static_cast<time_t>(std::max<std::int64_t>(ns, 0) / 1000000000);
      wait.tv_nsec = static_cast<long>(std::max<std::int64_t>(ns, 0) % 1000000000);
    }
    const int n = ::ppoll(fds, 2, timed ? &wait : nullptr, nullptr);
    if (n < 0 && errno != EINTR) {
      // The descriptor went bad under us; fall back to the queue alone.
      std::unique_lock lock(mu_);
      cv_.wait_for(lock, std::chrono::milliseconds(10), [this] { return !queue_.empty(); });
      continue;
    }
    if (n <= 0) continue;
    if (fds[0].revents & POLLIN) {
      std::uint64_t v;
      [[maybe_unused]] auto r = ::read(wakeFd_, &v, sizeof v);
    }
    if (fds[1].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) {
      bool empty;
      {
        std::lock_guard lock(mu_);
        empty = queue_.empty();
      }
      if (empty) onReadable();
    }
  }
}

void MsgThread::run() {
  pthread_setname_np(pthread_self(), name_.substr(0, 15).c_str());
  onStart();
  Msg msg;
  while (waitForWork(msg)) {
    if (msg.id == kMsgEndThread) break;
    onMessage(msg);
  }
  onStop();
  std::lock_guard lock(mu_);
  queue_.clear();
  running_.store(false, std::memory_order_release);
}

}  // namespace hrx
