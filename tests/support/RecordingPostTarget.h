#pragma once
// A fake thread that records the messages posted to it, in order.
#include <mutex>
#include <vector>

#include "platform/PostTarget.h"

namespace hrx::test {

class RecordingPostTarget : public PostTarget {
 public:
  bool post(MsgId id, WParam w = 0, LParam l = 0) override {
    std::lock_guard lock(mu_);
    msgs_.push_back(Msg{id, w, l});
    return true;
  }
  std::vector<Msg> msgs() const {
    std::lock_guard lock(mu_);
    return msgs_;
  }
  std::vector<Msg> take() {
    std::lock_guard lock(mu_);
    auto out = std::move(msgs_);
    msgs_.clear();
    return out;
  }

 private:
  mutable std::mutex mu_;
  std::vector<Msg> msgs_;
};

}  // namespace hrx::test
