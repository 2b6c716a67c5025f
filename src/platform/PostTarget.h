#pragma once
// Anything a thread message can be posted to: a worker thread, or a recording
// fake in tests.
#include "platform/Messages.h"

namespace hrx {

class PostTarget {
 public:
  virtual ~PostTarget() = default;
  virtual bool post(MsgId id, WParam w = 0, LParam l = 0) = 0;
};

}  // namespace hrx
