// Ten thousand replies from the simulated radio through the real port and
// receive thread, with every reply split across writes and refusals mixed
// in (the radio's "?;", which the framing drops): each reply reaches the
// analyser's ring whole, once and in order.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "SimPty.h"
#include "SimRadio.h"
#include "serial/ComPort.h"
#include "platform/RingBuffer.h"
#include "serial/Sio_Recv_Thread.h"
#include "state/RadioState.h"

namespace hrx {
namespace {

using namespace std::chrono_literals;

// Stands in for the analyser: takes each record out of the ring as soon as
// its reply-ready message comes, on the receive thread.
class RingDrain final : public PostTarget {
 public:
  explicit RingDrain(Sio_RingBuff& ring) : ring_(ring) {}
  bool post(MsgId id, WParam, LParam) override {
    if (id != kMsgReplyReady) return true;
    char buf[Sio_RingBuff::kSlotBytes];
    const int n = ring_.Sio_RingBuff_Read(buf);
    std::lock_guard lock(mu_);
    records_.emplace_back(buf, static_cast<std::size_t>(n > 0 ? n : 0));
    return true;
  }
  std::vector<std::string> records() const {
    std::lock_guard lock(mu_);
    return records_;
  }
  std::size_t count() const {
    std::lock_guard lock(mu_);
    return records_.size();
  }

 private:
  Sio_RingBuff& ring_;
  mutable std::mutex mu_;
  std::vector<std::string> records_;
};

TEST(ReplyStream, TenThousandRepliesArriveWholeAndInOrder) {
  constexpr int kReplies = 10000;
  sim::SimRadio radio;
  sim::FaultConfig faults;
  faults.chunkSize = 3;   // every reply in pieces of three bytes
  radio.setFaults(faults);
  sim::SimPty pty(radio);
  ASSERT_TRUE(pty.open());
  pty.setChunkGap(0ms);
  ASSERT_TRUE(pty.start());

  RadioState state;
  state.set_CommEnabled(1);
  Sio_RingBuff ring;
  RingDrain drain(ring);
  ComPort port;
  port.Init();
  port.SetDevicePath(pty.slavePath());
  ASSERT_TRUE(port.Open());
  Sio_Recv_Thread recv(port, state, ring, drain);
  ASSERT_TRUE(recv.start());

  std::vector<std::string> want;
  std::size_t expected = 0;
  for (int i = 0; i < kReplies; ++i) {
    char cmd[40];
    const int freq = 1000000 + 10 * i;
    // A set (silent), a read of it, and now and then a command the radio
    // refuses, whose "?;" lands between the replies.
    const bool refused = i % 7 == 0;
    std::snprintf(cmd, sizeof cmd, "FA%08d;FA;%s", freq, refused ? "ZZ9;" : "");
    char reply[16];
    std::snprintf(reply, sizeof reply, "FA%08d", freq);
    want.emplace_back(reply);
    ++expected;   // the framing drops a refusal
    ASSERT_EQ(port.write(cmd, std::strlen(cmd)), WriteOutcome::Complete) << i;
    // Keep a few commands in flight, not the whole run: the line is slow.
    const auto stall = std::chrono::steady_clock::now() + 5s;
    while (expected - drain.count() > 20 && std::chrono::steady_clock::now() < stall) std::this_thread::sleep_for(100us);
    ASSERT_LE(expected - drain.count(), 20u) << "stalled at reply " << i << "; records: " << drain.count()
                                             << (drain.count() ? " last " + drain.records().back() : "");
  }
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  while (drain.count() < expected && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(1ms);
  recv.stopBounded();

  const std::vector<std::string> got = drain.records();
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) ASSERT_EQ(got[i], want[i]) << "reply " << i;
  EXPECT_EQ(recv.delivered(), expected);
}

}  // namespace
}  // namespace hrx
