#pragma once
// Turns wheel events into notches. A plain mouse reports 120 per detent;
// high-resolution wheels and touchpads report parts of it (15, 30), or only
// pixels, so the parts are added up to whole notches.
#include <cstdint>

namespace hrx::panel {

inline constexpr int kWheelNotch = 120;
// A touchpad that reports only pixels: this many make a notch (what one
// notch scrolls a list of 20-pixel lines by three lines).
inline constexpr int kWheelPixelsPerNotch = 60;
// A part of a notch older than this is dropped, as is one of the other way.
inline constexpr std::uint64_t kWheelPauseMs = 300;

class WheelNotches {
 public:
  // One event: its angle delta (0 when it has none), its pixel delta and
  // its time. Returns the whole notches it completes, positive away from
  // the user; the rest waits for the next event.
  int add(int angleDelta, int pixelDelta, std::uint64_t timeMs);

 private:
  int part_ = 0;
  std::uint64_t lastMs_ = 0;
};

}  // namespace hrx::panel
