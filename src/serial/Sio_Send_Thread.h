#pragma once
// Sio_Send_Thread: on each 0x8103 takes one command from SendRing and
// writes it to the port, re-opening the port first when it is closed. A
// command the line cannot take is dropped (see sendVerdict); every write
// attempt marks a reply as awaited. Nothing leaves the ring while serial
// work is disabled.
//
// The thread keeps account of how long the line needs for what it has
// written (kBitsPerChar bits a byte at the port's rate). While the line is
// busy further commands wait in its own SendQueue, where a newer setting
// replaces an older one and encoder steps add up, instead of piling up in
// the driver where nothing can change them; they go out when the line is
// nearly free, the transmitter's release and the link's commands first.
//
// The release is never lost: one the line refuses is tried again
// (kReleaseRetries, kReleaseRetryGap apart); refused still, it is owed
// (ComPort) and the port closed, so the next open sends it first. Keying
// asked for through the composer carries a ticket; a release asked for
// after it takes it back, wherever it is on its way.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/MsgThread.h"
#include "platform/SerialDevice.h"
#include "serial/SendQueue.h"

namespace hrx {

class ComPort;
class RadioState;
class Sio_RingBuff;

// The driver's output queue at which the line counts as stuck.
inline constexpr std::uint32_t kOutQueueLimit = 5120;

// Line errors that each, alone, stop a command (a combination does not).
inline constexpr std::uint32_t kSendRefusingErrors[] = {kCeBreak, kCeFrame,   kCeOverrun, kCeMode,
                                                        kCeIoe,   kCeRxOver, kCeRxParity, kCeTxFull};

// A character on the line: start bit, eight data bits, two stop bits.
inline constexpr int kBitsPerChar = 11;
// A held command is written this long before the line runs dry, so the
// thread's wake-up never leaves it idle.
inline constexpr std::chrono::microseconds kLineLead{1000};
// Another thread hands the send thread a command that goes ahead (0x8111).
inline constexpr MsgId kMsgSendAhead = 0x8111;
// A release the line refuses is tried this many times more, this far apart.
inline constexpr int kReleaseRetries = 3;
inline constexpr std::chrono::milliseconds kReleaseRetryGap{100};

enum class SendVerdict {
  Write,         // go ahead
  Drop,          // lose the command, keep the port
  DropAndClose,  // lose the command and close the port
};

// What the line's state allows for the next command.
SendVerdict sendVerdict(const LineStatus& status);

class Sio_Send_Thread final : public MsgThread {
 public:
  Sio_Send_Thread(ComPort& port, RadioState& state, Sio_RingBuff& sendRing);
  ~Sio_Send_Thread() override;

  // Queues a complete command (';' included) ahead of every held one, past
  // SendRing and the composer: the transmitter of another program must not
  // wait behind the panel's traffic. Any thread; false when the thread is
  // not running or the command is empty or too long.
  bool sendAhead(std::string_view command);

  // A ticket for keying asked for now (never 0); the keying travels with it
  // (kMsgSendKey) through the composer.
  std::uint64_t keyTicket() { return tickets_.fetch_add(1, std::memory_order_acq_rel) + 1; }
  // Releases the transmitter: every keying ticketed so far is taken back
  // and "TX0;" goes ahead. Any thread.
  bool release();
  // At the end: every keying ticketed so far is taken back, none taken
  // later is sent (the MOX key's carries no ticket), and nothing is sent.
  // Any thread.
  void voidKeyings() {
    keyingsVoid_.store(true);
    releasedThrough_.store(tickets_.load(std::memory_order_acquire), std::memory_order_release);
  }

  // Watches for `command` to be written whole from now on (empty: stops).
  // Any thread; the written command is told by watchedWritten.
  void watchWrites(std::string command);
  bool watchedWritten() const;

  // Statistics: records taken from the ring, of those written whole, and
  // those merged into a held command; keying not sent since a release
  // came after it (or serial work was off).
  std::uint64_t taken() const { return taken_.load(std::memory_order_relaxed); }
  std::uint64_t written() const { return written_.load(std::memory_order_relaxed); }
  std::uint64_t merged() const { return merged_.load(std::memory_order_relaxed); }
  std::uint64_t keyingTakenBack() const { return takenBack_.load(std::memory_order_relaxed); }

 protected:
  void onMessage(const Msg& msg) override;
  void onStop() override;
  std::chrono::steady_clock::time_point dueAt() override;
  void onDue() override { pump(); }

 private:
  using Clock = std::chrono::steady_clock;
  enum class Sent { Written, Refused, Lost };
  bool takeOne();
  void hold(std::string cmd);
  void key(const Msg& msg);
  void pump();
  Sent writeOne(const std::string& cmd);
  // After a write attempt of the release: tried again, or owed.
  bool retryRelease(const std::string& cmd, Sent sent);
  // Adds `bytes` to what the line still has to send.
  void account(std::size_t bytes);

  ComPort& port_;
  RadioState& state_;
  Sio_RingBuff& ring_;
  SendQueue held_;                 // the thread's own
  Clock::time_point lineFreeAt_{};  // when the line has sent all it was given
  std::mutex aheadMu_;
  std::deque<std::string> aheadInbox_;  // guarded by aheadMu_
  std::atomic<std::uint64_t> taken_{0};
  std::atomic<std::uint64_t> written_{0};
  std::atomic<std::uint64_t> merged_{0};
  std::atomic<std::uint64_t> takenBack_{0};
  std::atomic<std::uint64_t> tickets_{0};
  std::atomic<std::uint64_t> releasedThrough_{0};  // tickets up to this are void
  std::atomic<bool> keyingsVoid_{false};
  mutable std::mutex watchMu_;
  std::string watched_;                  // guarded by watchMu_
  bool watchedWritten_ = false;          // guarded by watchMu_
  std::atomic<bool> watching_{false};
  int releaseTries_ = 0;
  Clock::time_point retryAt_{};
};

}  // namespace hrx
