#pragma once
// SimRadio: the HRX900 as the program sees it on the serial line, without
// any I/O. Bytes from the program go in through feed(); the radio's answers
// and its auto-information reports collect in an outbox that the transport
// drains with takeChunks() or takeOutput().
//
// Thread-safe: every public member takes one internal lock, so a transport
// thread can feed the radio while a test or the console changes it locally.
// The output listener is called after the lock is released.
//
// Behaviour:
// - Input is split at ';' whatever the chunking; leading CR, LF and blanks
//   are skipped; an empty command is ignored; a command longer than
//   kMaxCommand is refused with "?;" when its ';' arrives.
// - A read command (code + key + ";") gets its reply; "EX" + nnn + ";" gets
//   the menu item with the catalogue's width.
// - A set command is applied silently; a command the radio does not accept
//   (unknown code, wrong length, bad or out-of-range parameter) gets "?;".
// - While auto-information is on (AI1 or AI2) every reply form whose text
//   changed because of a command is sent by itself, in table order, then
//   the changed menu items.
// - While the power is off (PS0) only PS is answered; everything else is
//   dropped without a word. Power-off also switches auto-information off.
#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "SimFaults.h"
#include "SimTable.h"

namespace hrx::sim {

struct Memory {
  std::int32_t freq = 0;
  std::int32_t mode = 0;   // 0: never written
};

// Everything the radio remembers. Plain data: copied whole to find what a
// command changed.
struct SimState {
  std::array<std::int32_t, kCellCount> cells{};
  char keyer[kKeyerTexts][kKeyerTextLen] = {};
  char menu[kMenuItemCount + 1][kMenuTextMax] = {};   // wire text of each item, [0] unused
  Memory memories[118] = {};
  Memory quick{};
  std::int32_t bandStack[kBandCount] = {};

  std::int32_t get(Cell c) const { return cells[static_cast<std::size_t>(c)]; }
  void put(Cell c, std::int32_t v) { cells[static_cast<std::size_t>(c)] = v; }
};

// The state after power-up: the cell defaults, the catalogue's initial menu
// values, blank keyer memories.
SimState initialState();

// The wire text of menu item `no` for the numeric value v; false when v does
// not fit the item's width or class. Text items are not numeric.
bool encodeMenuValue(int no, std::int32_t v, std::string* text);
// The numeric value of a menu item's wire text (sign allowed); false for a
// text item or a text that is not a number.
bool decodeMenuValue(int no, std::string_view text, std::int32_t* v);
// Whether `text` is a value the radio takes for menu item `no`.
bool menuTextValid(int no, std::string_view text);

class SimRadio {
 public:
  static constexpr std::size_t kMaxCommand = 128;

  SimRadio();

  // Bytes from the program, any chunking.
  void feed(std::string_view bytes);
  // A change made on the radio itself (its own knobs), given as a set
  // command without or with ';'. Any reply form may be set this way, also
  // those the line cannot set (meters, busy, ID). Reported in
  // auto-information mode; never answered with "?;". False when refused.
  bool applyLocal(std::string_view command);

  // Drains the outbox: each element is one write on the line.
  std::vector<std::string> takeChunks();
  std::string takeOutput();

  void setFaults(const FaultConfig& config);
  FaultConfig faults() const;
  // The device should be dropped now (FaultConfig::dropAfter reached).
  bool dropDue() const;

  // Lets time pass: a turning rotator moves (6 degrees a second at full
  // speed, twice that for the fast directions) and stops at either end.
  // Changes are reported in auto-information mode like any other.
  void advance(std::chrono::milliseconds elapsed);
  // Something moves with time, so the transport should call advance().
  bool animating() const;

  // Called after output was added, outside the lock.
  void setOutputListener(std::function<void()> listener);
  // Called with each command from the line (its ';' included) as it
  // arrives, outside the lock: when a command reached the radio.
  void setCommandListener(std::function<void(std::string_view)> listener);

  SimState state() const;
  std::int32_t cell(Cell c) const;
  // The reply the radio would give to `read` (with or without ';'), or ""
  // when it would give none: does not touch the outbox or the fault counters.
  std::string peek(std::string_view read) const;

  // Commands handled so far, refused ones included.
  std::int64_t commandCount() const;
  // The commands received from the line, each with its ';', oldest first;
  // refused and unheard (power off) ones included. Keeps the newest
  // kLogLimit.
  static constexpr std::size_t kLogLimit = 4096;
  std::vector<std::string> commandLog() const;
  // Forgets the log, so a test can look at what one action sent.
  void clearCommandLog();
  // Replies and reports put out so far (each ';' one), before any shaping.
  std::uint64_t repliesSent() const;

 private:
  enum class Origin { Line, Local };
  bool execute(std::string_view cmd, Origin origin);   // false: refused
  void emit(std::string_view reply);
  void report(const SimState& before);
  void notify();

  mutable std::mutex mu_;
  std::uint64_t repliesSent_ = 0;
  SimState st_;
  std::string pending_;
  bool overflow_ = false;
  std::vector<std::string> outbox_;
  FaultShaper shaper_;
  std::function<void()> listener_;
  std::function<void(std::string_view)> commandListener_;
  std::int64_t commands_ = 0;
  std::deque<std::string> log_;
  std::int64_t rotatorMilliDegrees_ = -1;   // fine azimuth while turning; -1: take it from the state
};

}  // namespace hrx::sim
