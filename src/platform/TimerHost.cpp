#include "platform/TimerHost.h"

#include <vector>

namespace hrx {

TimerHost::TimerHost(Tick tick) : tick_(std::move(tick)), thread_([this] { run(); }) {}

TimerHost::~TimerHost() {
  {
    std::lock_guard lock(mu_);
    quit_ = true;
  }
  cv_.notify_all();
  thread_.join();
}

void TimerHost::set(std::uint32_t id, std::uint32_t periodMs) {
  if (periodMs == 0) periodMs = 1;
  {
    std::lock_guard lock(mu_);
    timers_[id] = Timer{periodMs, std::chrono::steady_clock::now() + std::chrono::milliseconds(periodMs),
                        ++generation_};
  }
  cv_.notify_all();
}

void TimerHost::kill(std::uint32_t id) {
  std::lock_guard lock(mu_);
  timers_.erase(id);
}

bool TimerHost::active(std::uint32_t id) const {
  std::lock_guard lock(mu_);
  return timers_.count(id) != 0;
}

std::uint32_t TimerHost::period(std::uint32_t id) const {
  std::lock_guard lock(mu_);
  auto it = timers_.find(id);
  return it == timers_.end() ? 0 : it->second.periodMs;
}

void TimerHost::run() {
  std::unique_lock lock(mu_);
  std::vector<std::pair<std::uint32_t, std::uint64_t>> due;
  while (!quit_) {
    if (timers_.empty()) {
      cv_.wait(lock);
      continue;
    }
    TimePoint next = TimePoint::max();
    for (auto& [id, t] : timers_) next = std::min(next, t.due);
    if (cv_.wait_until(lock, next) == std::cv_status::no_timeout && std::chrono::steady_clock::now() < next)
      continue;  // woken early: the set changed
    const auto now = std::chrono::steady_clock::now();
    due.clear();
    for (auto& [id, t] : timers_) {
      if (t.due <= now) {
        due.emplace_back(id, t.generation);
        // A late tick is not made up for: the next one is a period from now.
        t.due = now + std::chrono::milliseconds(t.periodMs);
      }
    }
    for (auto [id, gen] : due) {
      auto it = timers_.find(id);
      if (it == timers_.end() || it->second.generation != gen) continue;  // killed or reset meanwhile
      lock.unlock();
      tick_(id);
      lock.lock();
    }
  }
}

}  // namespace hrx
