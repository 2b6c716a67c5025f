#pragma once
// Sio_RingBuff: 2048 slots of up to 511 bytes, one record per slot (one reply
// without its ';', or one command with it). RecvRing runs from the receive
// thread to the analyser, SendRing from the composer and the windows to the
// send thread. Any number of threads may write; records come out whole and in
// the order they went in. The slots are allocated once.
#include <cstdint>
#include <memory>
#include <mutex>

namespace hrx {

class Sio_RingBuff {
 public:
  static constexpr int kSlots = 2048;
  static constexpr int kSlotBytes = 512;
  static constexpr int kMaxRecord = kSlotBytes - 1;

  Sio_RingBuff();
  Sio_RingBuff(const Sio_RingBuff&) = delete;
  Sio_RingBuff& operator=(const Sio_RingBuff&) = delete;

  // Stores one record; returns its length, or 0 when refused (512 bytes or
  // more, a negative length, no source, or every slot still unread: a full
  // ring keeps what it holds rather than overwrite it).
  std::int16_t Sio_RingBuff_Write(std::int16_t length, const void* source);
  // Copies the next record into `dest` (at least 512 bytes) without
  // terminating it; returns its length, 0 when nothing is waiting (it never
  // waits), -2 without a destination.
  std::int16_t Sio_RingBuff_Read(void* dest);
  // Empties the ring: both indices -1, every slot zeroed.
  void reset();

  std::int16_t writeIndex() const;
  std::int16_t readIndex() const;
  int unread() const;

 private:
  struct Slot {
    std::int16_t length;
    unsigned char data[kSlotBytes];
  };
  mutable std::mutex mu_;
  std::unique_ptr<Slot[]> slots_;
  std::int16_t writeIndex_ = -1;  // slot last written
  std::int16_t readIndex_ = -1;   // slot to be read next
  int unread_ = 0;
};

}  // namespace hrx
