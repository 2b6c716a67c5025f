#pragma once
// A fake main window that records everything the core asks of it, in order.
// sendMessage answers 0.
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/MainWindowPort.h"

namespace hrx::test {

struct WindowCall {
  enum Kind { Post, Send, SetTimer, KillTimer } kind;
  std::uint32_t id;   // message or timer id
  std::uintptr_t w;   // wParam, or the timer period
  std::intptr_t l;
  bool operator==(const WindowCall&) const = default;
};

std::string describe(const WindowCall& c);

class RecordingMainWindow : public MainWindowPort {
 public:
  void postMessage(MsgId id, WParam w, LParam l) override { add({WindowCall::Post, id, w, l}); }
  LParam sendMessage(MsgId id, WParam w, LParam l) override {
    add({WindowCall::Send, id, w, l});
    return 0;
  }
  void setTimer(std::uint32_t id, std::uint32_t periodMs) override {
    add({WindowCall::SetTimer, id, periodMs, 0});
    std::lock_guard lock(mu_);
    timers_[id] = periodMs;
  }
  void killTimer(std::uint32_t id) override {
    add({WindowCall::KillTimer, id, 0, 0});
    std::lock_guard lock(mu_);
    timers_.erase(id);
  }

  std::vector<WindowCall> calls() const {
    std::lock_guard lock(mu_);
    return calls_;
  }
  // Posted window messages only, in order.
  std::vector<Msg> posts() const;
  // Posted window messages with this id, in order.
  std::vector<Msg> posts(MsgId id) const {
    std::vector<Msg> out;
    for (const Msg& m : posts())
      if (m.id == id) out.push_back(m);
    return out;
  }
  void clear() {
    std::lock_guard lock(mu_);
    calls_.clear();
  }
  // Period of a timer that is set and not killed; 0 when none.
  std::uint32_t timerPeriod(std::uint32_t id) const {
    std::lock_guard lock(mu_);
    auto it = timers_.find(id);
    return it == timers_.end() ? 0 : it->second;
  }

 private:
  void add(WindowCall c) {
    std::lock_guard lock(mu_);
    calls_.push_back(c);
  }
  mutable std::mutex mu_;
  std::vector<WindowCall> calls_;
  std::map<std::uint32_t, std::uint32_t> timers_;
};

}  // namespace hrx::test
