#pragma once
// RecvCollector: cuts the byte stream from the radio into single CAT replies.
// Bytes are appended at the end of a 2048-byte buffer (never beyond it); each
// step() applies the framing rules once and hands out at most one reply, from
// its two-letter code up to but without its ';'. Every position at or beyond
// count() holds 0xFF, which the rules read as "nothing here yet". Pure: no
// device, no threads; one collector per receive thread.
#include <cstddef>
#include <cstdint>

namespace hrx {

class RadioState;

class RecvCollector {
 public:
  static constexpr std::size_t kCapacity = 2048;
  static constexpr std::size_t kMaxRecord = 511;  // what a ring slot holds
  static constexpr std::size_t kRtsRaiseAtOrBelow = 128;
  static constexpr std::size_t kRtsDropAtOrAbove = 256;
  static constexpr int kKmScan = 54;
  static constexpr int kIdScan = 10;

  enum class Rts { Keep, Raise, Drop };

  enum class Outcome {
    Idle,       // nothing held
    Waiting,    // a reply has begun and is not complete; nothing changed
    Delivered,  // record() holds one reply
    Discarded,  // bytes were thrown away (bad head, wrong length, resync)
  };

  // `menu` answers the EX reply lengths; without it every EX head is bad.
  explicit RecvCollector(const RadioState* menu = nullptr);

  void reset();

  std::size_t count() const { return count_; }
  std::size_t freeSpace() const { return kCapacity - count_; }
  bool headFound() const { return headFound_; }
  std::size_t expected() const { return expected_; }
  const char* code() const { return code_; }
  const unsigned char* data() const { return buf_; }

  // Where a read may put up to freeSpace() bytes; commit() then counts them.
  unsigned char* tail() { return buf_ + count_; }
  void commit(std::size_t n);
  // Copies as much of [src, src+n) as fits; returns the bytes taken.
  std::size_t append(const void* src, std::size_t n);

  // Receive flow control on the fill before this poll's read: raise RTS at
  // 128 bytes or fewer unless the driver's queue overflowed, drop it on that
  // overflow or at 256 bytes or more.
  Rts rtsDecision(std::uint32_t lineErrors) const;

  // A line fault: whatever head was found is forgotten.
  void loseHead() { headFound_ = false; }

  // One framing step. `lineErrors` are the line's error bits of this poll
  // (framing and break errors resynchronise the stream).
  Outcome step(std::uint32_t lineErrors);

  // The reply of the last Delivered step (not terminated; valid until the
  // next step).
  const unsigned char* record() const { return record_; }
  std::size_t recordLength() const { return recordLength_; }

 private:
  enum class Head { Ok, Incomplete, Bad };
  Head headRules();
  Head scanToTerminator(int span);
  bool dropBadHead();
  bool dropToTerminator();
  bool resync();
  void removeFront(std::size_t n);
  void clear();
  int firstTerminator(std::size_t within) const;

  const RadioState* menu_;
  unsigned char buf_[kCapacity];
  std::size_t count_ = 0;
  char code_[3] = {};
  std::size_t expected_ = 0;
  bool headFound_ = false;
  unsigned char record_[kMaxRecord + 1];
  std::size_t recordLength_ = 0;
};

}  // namespace hrx
