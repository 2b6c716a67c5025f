#include "platform/RingBuffer.h"

#include <cstring>

namespace hrx {

Sio_RingBuff::Sio_RingBuff() : slots_(new Slot[kSlots]) { reset(); }

void Sio_RingBuff::reset() {
  std::lock_guard lock(mu_);
  std::memset(slots_.get(), 0, sizeof(Slot) * kSlots);
  writeIndex_ = -1;
  readIndex_ = -1;
  unread_ = 0;
}

std::int16_t Sio_RingBuff::Sio_RingBuff_Write(std::int16_t length, const void* source) {
  if (length < 0 || length > kMaxRecord) return 0;
  if (source == nullptr && length > 0) return 0;
  std::lock_guard lock(mu_);
  if (unread_ == kSlots) return 0;
  writeIndex_ = static_cast<std::int16_t>(writeIndex_ + 1 > kSlots - 1 ? 0 : writeIndex_ + 1);
  if (readIndex_ == -1) readIndex_ = 0;
  Slot& slot = slots_[writeIndex_];
  slot.length = length;
  std::memset(slot.data, 0, kSlotBytes);
  if (length > 0) std::memcpy(slot.data, source, static_cast<std::size_t>(length));
  ++unread_;
  return length;
}

std::int16_t Sio_RingBuff::Sio_RingBuff_Read(void* dest) {
  if (dest == nullptr) return -2;
  std::lock_guard lock(mu_);
  if (unread_ == 0) return 0;
  Slot& slot = slots_[readIndex_];
  const std::int16_t n = slot.length;
  std::memcpy(dest, slot.data, static_cast<std::size_t>(n));
  std::memset(slot.data, 0, kSlotBytes);
  slot.length = 0;
  readIndex_ = static_cast<std::int16_t>(readIndex_ + 1 > kSlots - 1 ? 0 : readIndex_ + 1);
  --unread_;
  return n;
}

std::int16_t Sio_RingBuff::writeIndex() const {
  std::lock_guard lock(mu_);
  return writeIndex_;
}

std::int16_t Sio_RingBuff::readIndex() const {
  std::lock_guard lock(mu_);
  return readIndex_;
}

int Sio_RingBuff::unread() const {
  std::lock_guard lock(mu_);
  return unread_;
}

}  // namespace hrx
