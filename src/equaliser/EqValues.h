#pragma once
// The nine values of one equaliser (frequency index, level, width per band)
// and the limits each may take.
#include <array>

#include "equaliser/EqualiserTables.h"

namespace hrx::eq {

// In parameter order: band 1 FREQ, LEVEL, BWTH, band 2 ..., band 3 ...
using EqValues = std::array<int, kParams>;

struct Range {
  int min;
  int max;
  bool contains(int v) const { return v >= min && v <= max; }
};

struct EqLimits {
  std::array<Range, kParams> range;
  const Range& operator[](int p) const { return range[static_cast<std::size_t>(p)]; }
};

// The window's own limits: the band tables, -20..+10 dB, widths 1..10.
EqLimits windowLimits();
// The window's limits with each level narrowed to [lo, hi] (the range the
// radio's menu item accepts); a range that does not overlap them leaves the
// window's own.
EqLimits withLevelRange(EqLimits limits, int band, int lo, int hi);

}  // namespace hrx::eq
