#include "panel/WheelNotches.h"

namespace hrx::panel {

int WheelNotches::add(int angleDelta, int pixelDelta, std::uint64_t timeMs) {
  const int delta = angleDelta != 0 ? angleDelta : pixelDelta * kWheelNotch / kWheelPixelsPerNotch;
  if (delta == 0) return 0;
  if (timeMs < lastMs_ || timeMs - lastMs_ > kWheelPauseMs || (part_ > 0) != (delta > 0)) part_ = 0;
  lastMs_ = timeMs;
  part_ += delta;
  const int notches = part_ / kWheelNotch;
  part_ -= notches * kWheelNotch;
  return notches;
}

}  // namespace hrx::panel
