// Arbitrary byte chunks into the reply framing: every delivered record must
// fit a ring slot and hold no ';', and the collection buffer must keep its
// shape (nothing beyond the count but 0xFF).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "menulist/MenuCatalogue.h"
#include "platform/SerialDevice.h"
#include "serial/RecvCollector.h"
#include "state/RadioState.h"

namespace {

const hrx::RadioState& catalogue() {
  static const auto state = [] {
    auto s = std::make_unique<hrx::RadioState>();
    hrx::loadBuiltInCatalogue(*s);
    return s;
  }();
  return *state;
}

void check(const hrx::RecvCollector& rc, hrx::RecvCollector::Outcome outcome) {
  if (rc.count() > hrx::RecvCollector::kCapacity) std::abort();
  for (std::size_t i = rc.count(); i < hrx::RecvCollector::kCapacity; ++i)
    if (rc.data()[i] != 0xFF) std::abort();
  if (outcome != hrx::RecvCollector::Outcome::Delivered) return;
  if (rc.recordLength() == 0 || rc.recordLength() > hrx::RecvCollector::kMaxRecord) std::abort();
  if (std::memchr(rc.record(), ';', rc.recordLength()) != nullptr) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static hrx::RecvCollector rc(&catalogue());
  rc.reset();
  std::size_t i = 0;
  while (i < size) {
    // A control byte: chunk length in the low six bits (0 = a poll with no
    // new bytes), a line error in the top two.
    const std::uint8_t ctl = data[i++];
    const std::size_t len = ctl & 0x3F;
    const std::uint32_t errors = (ctl >> 6) == 1 ? hrx::kCeFrame : (ctl >> 6) == 2 ? hrx::kCeBreak : 0;
    const std::size_t take = len < size - i ? len : size - i;
    rc.append(data + i, take);
    i += take;
    check(rc, rc.step(errors));
  }
  // Whatever is left must come out or wait, never loop.
  for (int n = 0; n < 4096; ++n) {
    const auto outcome = rc.step(0);
    check(rc, outcome);
    if (outcome == hrx::RecvCollector::Outcome::Idle || outcome == hrx::RecvCollector::Outcome::Waiting) break;
  }
  return 0;
}
