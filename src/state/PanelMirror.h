#pragma once
// PanelMirror: the panel's working copy of the values a user changes with a
// knob, dial, wheel or switch. Ranged entries ignore a value outside their
// limits; plain entries take anything. Written by the analyser (refresh), the
// panel and the composer without coordination: the last writer wins. Every
// entry is an atomic word.
//
// Entries come from MirrorFields.def: get_<name>() / set_<name>(v).
#include <array>
#include <atomic>
#include <cstdint>

namespace hrx {

enum class MirrorField : int {
#define HRX_MIRROR_RANGED(name, start, lo, hi) name,
#define HRX_MIRROR_PLAIN(name, start) name,
#include "state/MirrorFields.def"
  Count
};
inline constexpr int kMirrorFieldCount = static_cast<int>(MirrorField::Count);

struct MirrorRow {
  const char* name;
  bool ranged;
  std::int32_t start;
  std::int32_t min;
  std::int32_t max;
};

inline constexpr MirrorRow kMirrorRows[] = {
#define HRX_MIRROR_RANGED(name, start, lo, hi) {#name, true, start, lo, hi},
#define HRX_MIRROR_PLAIN(name, start) {#name, false, start, 0, 0},
#include "state/MirrorFields.def"
};

class PanelMirror {
 public:
  PanelMirror() { init(); }
  PanelMirror(const PanelMirror&) = delete;
  PanelMirror& operator=(const PanelMirror&) = delete;

  // Limits and start values as in the mirror table.
  void init() {
    for (int i = 0; i < kMirrorFieldCount; ++i) values_[i].store(kMirrorRows[i].start, std::memory_order_relaxed);
  }

  std::int32_t get(MirrorField f) const { return values_[idx(f)].load(std::memory_order_relaxed); }
  // Ranged entries silently ignore a value outside their limits.
  void set(MirrorField f, std::int32_t v) {
    const MirrorRow& row = kMirrorRows[idx(f)];
    if (row.ranged && (v < row.min || v > row.max)) return;
    values_[idx(f)].store(v, std::memory_order_relaxed);
  }

#define HRX_MIRROR_RANGED(name, start, lo, hi)                        \
  std::int32_t get_##name() const { return get(MirrorField::name); }  \
  void set_##name(std::int32_t v) { set(MirrorField::name, v); }
#define HRX_MIRROR_PLAIN(name, start) HRX_MIRROR_RANGED(name, start, 0, 0)
#include "state/MirrorFields.def"

 private:
  static constexpr std::size_t idx(MirrorField f) { return static_cast<std::size_t>(f); }
  std::array<std::atomic<std::int32_t>, kMirrorFieldCount> values_;
};

}  // namespace hrx
