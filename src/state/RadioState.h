#pragma once
// RadioState: the program's picture of the radio, the last value the radio
// reported for each parameter of each reply. Every value sits in a cell that
// carries its range; a setter refuses (never clips) a value outside it. The
// analyser thread writes reply fields; any thread may read. Values are atomic
// words; texts and catalogue records are copied whole under a lock, so a
// reader never sees half a record.
//
// Fields come from RadioFields.def: get_<name>() / set_<name>(v).
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

#include "state/MenuListItem.h"

namespace hrx {

struct IntCell {
  std::atomic<std::int32_t> value{0};
  std::int32_t max = 0;
  std::int32_t min = 0;
};

struct RealCell {
  std::atomic<double> value{0};
  double max = 0;
  double min = 0;
};

inline constexpr int kTextMaxLen = 50;       // characters a text cell holds
inline constexpr int kTextLimit = 51;        // largest length a text call may name

struct TextCell {
  char text[52] = {};
  std::int32_t limit = kTextLimit;
  std::int32_t maxLen = kTextMaxLen;
};

enum class IntField : int {
#define HRX_INT(name, def, lo, hi) name,
#include "state/RadioFields.def"
  Count
};
enum class RealField : int {
#define HRX_REAL(name, def, lo, hi) name,
#include "state/RadioFields.def"
  Count
};
enum class WordField : int {
#define HRX_WORD(name, def) name,
#include "state/RadioFields.def"
  Count
};
enum class TextField : int {
#define HRX_TEXT(name) name,
#include "state/RadioFields.def"
  Count
};

inline constexpr int kIntFieldCount = static_cast<int>(IntField::Count);
inline constexpr int kRealFieldCount = static_cast<int>(RealField::Count);
inline constexpr int kWordFieldCount = static_cast<int>(WordField::Count);
inline constexpr int kTextFieldCount = static_cast<int>(TextField::Count);

template <typename T>
struct FieldRow {
  const char* name;
  T def;
  T min;
  T max;
};

// The defaults table: one row per cell, in field order.
inline constexpr FieldRow<std::int32_t> kIntFieldRows[] = {
#define HRX_INT(name, def, lo, hi) {#name, def, lo, hi},
#include "state/RadioFields.def"
};
inline constexpr FieldRow<double> kRealFieldRows[] = {
#define HRX_REAL(name, def, lo, hi) {#name, def, lo, hi},
#include "state/RadioFields.def"
};
inline constexpr FieldRow<std::int32_t> kWordFieldRows[] = {
#define HRX_WORD(name, def) {#name, def, 0, 0},
#include "state/RadioFields.def"
};
inline constexpr const char* kTextFieldNames[] = {
#define HRX_TEXT(name) #name,
#include "state/RadioFields.def"
};

// Told after a value of the state changed, on the thread that changed it;
// must return at once. Lets a reader that polls rest while nothing changes.
class StateWatcher {
 public:
  virtual void stateChanged() = 0;

 protected:
  ~StateWatcher() = default;
};

class RadioState {
 public:
  RadioState();
  RadioState(const RadioState&) = delete;
  RadioState& operator=(const RadioState&) = delete;

  // Start-up steps of the store: clear the link memory, reset the texts,
  // load every cell from its defaults row. Leaves the catalogue alone.
  void reset();

  // The generic stores: the only place a range is tested.
  // `changed`, when given, is set when the cell's value differs afterwards.
  static bool store(IntCell& cell, std::int32_t v, bool* changed = nullptr);
  static bool store(RealCell& cell, double v, bool* changed = nullptr);

  // Access by field id, for table-driven code (decoders, tests).
  std::int32_t get(IntField f) const { return ints_[idx(f)].value.load(std::memory_order_relaxed); }
  bool set(IntField f, std::int32_t v) {
    bool differs = false;
    const bool ok = store(ints_[idx(f)], v, &differs);
    if (differs) noteChange();
    return ok;
  }
  double get(RealField f) const { return reals_[idx(f)].value.load(std::memory_order_relaxed); }
  bool set(RealField f, double v) {
    bool differs = false;
    const bool ok = store(reals_[idx(f)], v, &differs);
    if (differs) noteChange();
    return ok;
  }
  std::int32_t get(WordField f) const { return words_[idx(f)].load(std::memory_order_relaxed); }
  void set(WordField f, std::int32_t v) {
    if (words_[idx(f)].exchange(v, std::memory_order_relaxed) != v) noteChange();
  }
  const IntCell& cell(IntField f) const { return ints_[idx(f)]; }
  const RealCell& cell(RealField f) const { return reals_[idx(f)]; }

  // Text cells: refused (false) when n exceeds the limit word (51). get zeroes
  // the destination's n bytes, then copies the text, always leaving it
  // terminated; set copies at most n bytes and at most 50 characters.
  bool getText(TextField f, int n, char* dest) const;
  bool setText(TextField f, int n, const char* src);
  std::string text(TextField f) const;

#define HRX_INT(name, def, lo, hi)                                     \
  std::int32_t get_##name() const { return get(IntField::name); }      \
  bool set_##name(std::int32_t v) { return set(IntField::name, v); }
#define HRX_REAL(name, def, lo, hi)                                    \
  double get_##name() const { return get(RealField::name); }           \
  bool set_##name(double v) { return set(RealField::name, v); }
#define HRX_WORD(name, def)                                            \
  std::int32_t get_##name() const { return get(WordField::name); }     \
  void set_##name(std::int32_t v) { set(WordField::name, v); }
#define HRX_TEXT(name)                                                 \
  bool get_##name(int n, char* dest) const { return getText(TextField::name, n, dest); } \
  bool set_##name(int n, const char* src) { return setText(TextField::name, n, src); }
#include "state/RadioFields.def"

  // Link flags and words beside the cells: plain stores, no range.
#define HRX_LINK_FLAGS(X)      \
  X(CommEnabled, 0)            \
  X(AwaitingReply, 0)          \
  X(PowerSyncTimerArmed, 0)    \
  X(AiOnRequested, 0)          \
  X(AiResyncNeeded, 0)         \
  X(AiAtPowerOff, 0)           \
  X(MdReplyTarget, -1)
#define HRX_FLAG_ACCESSORS(name, start)                                                  \
  std::int32_t get_##name() const { return name##_.load(std::memory_order_acquire); }    \
  void set_##name(std::int32_t v) { name##_.store(v, std::memory_order_release); }
  HRX_LINK_FLAGS(HRX_FLAG_ACCESSORS)
#undef HRX_FLAG_ACCESSORS

  // The menu item catalogue. Record numbers run from 1 to MenuItem_Count;
  // others are refused. Records are copied whole.
  bool get_MenuItem(int number, MenuListItem* out) const;
  bool set_MenuItem(int number, const MenuListItem* record);
  bool get_MenuItemByType(int type, MenuListItem* out) const;
  // Changes record `number` in place under the catalogue lock, so that a
  // change from one thread never undoes another thread's change of the same
  // record. `edit(MenuListItem&)` returns its own result; false for a record
  // number out of range.
  template <typename Edit>
  bool edit_MenuItem(int number, Edit&& edit) {
    if (number < 1 || number > get_MenuItem_Count()) return false;
    bool result;
    {
      std::lock_guard lock(menuMu_);
      result = edit(menu_[static_cast<std::size_t>(number)]);
    }
    noteChange();
    return result;
  }
  // Length of an EX reply (';' included) for the three characters after "EX".
  bool get_MenuReplyLen(const char* three, int* length) const;
  // The radio's EX replies of item `number` so far, changed or not: a
  // read-back tells an answer from silence by this count, counted after the
  // reply's value is stored.
  void count_MenuReply(int number);
  std::uint32_t get_MenuReplyCount(int number) const;

  // One watcher of the cells, texts and catalogue (not the link flags);
  // null for none. The count of changes seen so far: a reader that compares
  // it before and after its look knows whether it may have missed one.
  void watch(StateWatcher* watcher) { watcher_.store(watcher); }
  std::uint64_t changes() const { return changes_.load(); }

 private:
  template <typename E>
  static constexpr std::size_t idx(E e) { return static_cast<std::size_t>(e); }

  std::array<IntCell, kIntFieldCount> ints_;
  std::array<RealCell, kRealFieldCount> reals_;
  std::array<std::atomic<std::int32_t>, kWordFieldCount> words_;
  mutable std::mutex textMu_;
  std::array<TextCell, kTextFieldCount> texts_;

#define HRX_FLAG_MEMBER(name, start) std::atomic<std::int32_t> name##_{start};
  HRX_LINK_FLAGS(HRX_FLAG_MEMBER)
#undef HRX_FLAG_MEMBER

  mutable std::mutex menuMu_;
  std::array<MenuListItem, kMenuItemMax + 1> menu_;  // slot 0 unused
  std::array<std::atomic<std::uint32_t>, kMenuItemMax + 1> menuReplies_{};

  void noteChange() {
    changes_.fetch_add(1);
    if (StateWatcher* w = watcher_.load()) w->stateChanged();
  }
  std::atomic<StateWatcher*> watcher_{nullptr};
  std::atomic<std::uint64_t> changes_{0};
};

}  // namespace hrx
