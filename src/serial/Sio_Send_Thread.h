#pragma once
// Sio_Send_Thread: on each 0x8103 writes one command from SendRing to the
// port, re-opening the port first when it is closed. A command the line
// cannot take is dropped (see sendVerdict); every write attempt marks a reply
// as awaited. Nothing leaves the ring while serial work is disabled.
#include <atomic>
#include <cstdint>

#include "platform/MsgThread.h"
#include "platform/SerialDevice.h"

namespace hrx {

class ComPort;
class RadioState;
class Sio_RingBuff;

// The driver's output queue at which the line counts as stuck.
inline constexpr std::uint32_t kOutQueueLimit = 5120;

// Line errors that each, alone, stop a command (a combination does not).
inline constexpr std::uint32_t kSendRefusingErrors[] = {kCeBreak, kCeFrame,   kCeOverrun, kCeMode,
                                                        kCeIoe,   kCeRxOver, kCeRxParity, kCeTxFull};

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

  // Statistics: records taken from the ring, and of those written whole.
  std::uint64_t taken() const { return taken_.load(std::memory_order_relaxed); }
  std::uint64_t written() const { return written_.load(std::memory_order_relaxed); }

 protected:
  void onMessage(const Msg& msg) override;

 private:
  void sendOne();

  ComPort& port_;
  RadioState& state_;
  Sio_RingBuff& ring_;
  std::atomic<std::uint64_t> taken_{0};
  std::atomic<std::uint64_t> written_{0};
};

}  // namespace hrx
