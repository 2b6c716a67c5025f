#pragma once
// Main-window and thread fakes that only count, without allocating: for
// benchmarks and fuzz targets, where a recording fake would cost more than
// the code it watches.
#include "platform/MainWindowPort.h"
#include "platform/PostTarget.h"

namespace hrx::test {

class CountingMainWindow final : public MainWindowPort {
 public:
  void postMessage(MsgId, WParam, LParam) override { ++posts; }
  LParam sendMessage(MsgId, WParam, LParam) override { return 0; }
  void setTimer(std::uint32_t, std::uint32_t) override {}
  void killTimer(std::uint32_t) override {}
  long posts = 0;
};

class NullPostTarget final : public PostTarget {
 public:
  bool post(MsgId, WParam, LParam) override { return true; }
};

}  // namespace hrx::test
