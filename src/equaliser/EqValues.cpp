#include "equaliser/EqValues.h"

#include <algorithm>

namespace hrx::eq {

EqLimits windowLimits() {
  EqLimits l{};
  for (int b = 0; b < kBands; ++b) {
    const int top = static_cast<int>(kBandHz[b].size()) - 1;
    l.range[static_cast<std::size_t>(paramOf(b, Kind::Freq))] = {0, top};
    l.range[static_cast<std::size_t>(paramOf(b, Kind::Level))] = {kLevelMin, kLevelMax};
    l.range[static_cast<std::size_t>(paramOf(b, Kind::Width))] = {kWidthMin, kWidthMax};
  }
  return l;
}

EqLimits withLevelRange(EqLimits limits, int band, int lo, int hi) {
  if (band < 0 || band >= kBands) return limits;
  Range& r = limits.range[static_cast<std::size_t>(paramOf(band, Kind::Level))];
  const int min = std::max(r.min, lo);
  const int max = std::min(r.max, hi);
  if (min <= max) r = {min, max};
  return limits;
}

}  // namespace hrx::eq
