#include "serial/RecvCollector.h"

#include <cstring>

#include "state/ReplyCodeTable.h"
#include "platform/SerialDevice.h"
#include "state/RadioState.h"

namespace hrx {

namespace {

constexpr unsigned char kEmpty = 0xFF;

bool isUpper(unsigned char c) { return c >= 'A' && c <= 'Z'; }
bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// A byte that cannot stand inside a KM or ID reply.
bool badInScan(unsigned char c) { return (c == 0 || c == kEmpty || c < 0x20 || c >= 0x60) && c != '}'; }

// A byte that cannot follow a reply's two letters.
bool badAfterHead(unsigned char c) { return (c == 0 || c == kEmpty || c < 0x20 || c > 0x5F) && c != '}'; }

// Where the stream may pick up again after a framing or break error.
bool canResumeAt(unsigned char c) {
  return isUpper(c) || isDigit(c) || c == '?' || c == '+' || c == '-' || c == ';';
}

}  // namespace

RecvCollector::RecvCollector(const RadioState* menu) : menu_(menu) { reset(); }

void RecvCollector::reset() {
  clear();
  std::memset(code_, 0, sizeof code_);
  expected_ = 0;
  headFound_ = false;
  recordLength_ = 0;
}

void RecvCollector::clear() {
  std::memset(buf_, kEmpty, sizeof buf_);
  count_ = 0;
}

void RecvCollector::commit(std::size_t n) {
  count_ += n > freeSpace() ? freeSpace() : n;
}

std::size_t RecvCollector::append(const void* src, std::size_t n) {
  if (src == nullptr) return 0;
  const std::size_t take = n > freeSpace() ? freeSpace() : n;
  std::memcpy(tail(), src, take);
  commit(take);
  return take;
}

RecvCollector::Rts RecvCollector::rtsDecision(std::uint32_t lineErrors) const {
  if (count_ <= kRtsRaiseAtOrBelow && lineErrors != kCeRxOver) return Rts::Raise;
  if (lineErrors == kCeRxOver) return Rts::Drop;
  if (count_ >= kRtsDropAtOrAbove) return Rts::Drop;
  return Rts::Keep;
}

void RecvCollector::removeFront(std::size_t n) {
  if (n >= count_) {
    clear();
    return;
  }
  std::memmove(buf_, buf_ + n, count_ - n);
  std::memset(buf_ + count_ - n, kEmpty, n);
  count_ -= n;
}

int RecvCollector::firstTerminator(std::size_t within) const {
  const void* p = std::memchr(buf_, ';', within);
  return p == nullptr ? -1 : static_cast<int>(static_cast<const unsigned char*>(p) - buf_);
}

RecvCollector::Head RecvCollector::scanToTerminator(int span) {
  for (int i = 0; i < span; ++i) {
    const unsigned char c = buf_[i];
    if (c == ';') {
      expected_ = static_cast<std::size_t>(i) + 1;
      return Head::Ok;
    }
    if (badInScan(c)) return static_cast<std::size_t>(i) >= count_ ? Head::Incomplete : Head::Bad;
  }
  // No terminator where one must be: the length check then throws it away.
  expected_ = 3;
  return Head::Ok;
}

RecvCollector::Head RecvCollector::headRules() {
  if (count_ < 2) return Head::Incomplete;
  const unsigned char a = buf_[0];
  const unsigned char b = buf_[1];
  // A command the radio did not accept is answered with "?;", never delivered.
  if (a == '?' || a == 0) return Head::Bad;
  Head h;
  if (a == 'E' && b == 'X') {
    for (std::size_t i = 2; i < 5; ++i) {
      if (i >= count_) return Head::Incomplete;
      if (!isDigit(buf_[i])) return Head::Bad;
    }
    int len = 0;
    if (menu_ == nullptr || !menu_->get_MenuReplyLen(reinterpret_cast<const char*>(buf_ + 2), &len) || len < 6)
      return Head::Bad;
    expected_ = static_cast<std::size_t>(len);
    h = Head::Ok;
  } else if (a == 'K' && b == 'M') {
    h = scanToTerminator(kKmScan);
  } else if (a == 'I' && b == 'D') {
    h = scanToTerminator(kIdScan);
  } else {
    if (!isUpper(a) || !isUpper(b)) return Head::Bad;
    const int len = ReplyCodeTable::nominalLength(static_cast<char>(a), static_cast<char>(b));
    if (len > 0) {
      expected_ = static_cast<std::size_t>(len);
    } else {
      const int p = firstTerminator(kCapacity);
      if (p < 0) return Head::Incomplete;
      expected_ = static_cast<std::size_t>(p) + 1;
    }
    h = Head::Ok;
  }
  if (h == Head::Ok) {
    code_[0] = static_cast<char>(a);
    code_[1] = static_cast<char>(b);
    code_[2] = 0;
  }
  return h;
}

bool RecvCollector::dropBadHead() {
  for (std::size_t i = 0; i < count_; ++i) {
    const unsigned char c = buf_[i];
    const bool bad = (i <= 1 || count_ <= 1) ? !isUpper(c) : badAfterHead(c);
    if (bad) {
      removeFront(i + 1);
      return true;
    }
  }
  return false;
}

bool RecvCollector::dropToTerminator() {
  const int p = firstTerminator(count_);
  if (p < 0) return false;
  removeFront(static_cast<std::size_t>(p) + 1);
  return true;
}

bool RecvCollector::resync() {
  std::size_t p = 0;
  while (p < count_ && !canResumeAt(buf_[p])) ++p;
  if (p == 0) return false;
  removeFront(p);  // all of it when no byte qualifies
  return true;
}

RecvCollector::Outcome RecvCollector::step(std::uint32_t lineErrors) {
  recordLength_ = 0;
  if (count_ == 0) return Outcome::Idle;

  bool discarded = false;
  if (lineErrors == kCeFrame || lineErrors == kCeBreak) {
    if (resync()) {
      discarded = true;
      headFound_ = false;  // the head it had found may be gone
    }
    if (count_ == 0) return Outcome::Discarded;
  }

  if (!headFound_) {
    expected_ = 0;
    const Head h = headRules();
    if (h != Head::Ok) {
      bool removed = dropBadHead();
      // A head that is wrong but made of harmless bytes ("EX000;") would
      // never be removed by the rule above: throw it away through its ';'.
      if (!removed && h == Head::Bad) removed = dropToTerminator();
      // A full buffer that holds no reply would stop the line for good.
      if (!removed && count_ == kCapacity) {
        clear();
        removed = true;
      }
      headFound_ = false;
      return removed || discarded ? Outcome::Discarded : Outcome::Waiting;
    }
    headFound_ = true;
  }

  if (count_ < expected_) return discarded ? Outcome::Discarded : Outcome::Waiting;

  headFound_ = false;
  const std::size_t body = expected_ - 1;
  // The reply must end at its length and nowhere before it; a ';' inside
  // would mean two replies were taken for one.
  const bool endsRight = buf_[body] == ';' && firstTerminator(body) < 0;
  if (!endsRight) {
    if (!dropToTerminator()) clear();
    return Outcome::Discarded;
  }
  if (body > kMaxRecord) {
    removeFront(expected_);
    return Outcome::Discarded;
  }
  std::memcpy(record_, buf_, body);
  record_[body] = 0;
  recordLength_ = body;
  removeFront(expected_);
  return Outcome::Delivered;
}

}  // namespace hrx
