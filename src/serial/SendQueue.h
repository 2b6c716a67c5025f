#pragma once
// SendQueue: the commands the send thread holds back while the line is
// still busy with what it has already written. Used by the send thread only.
//
// - The release of the transmitter and the link's commands (kAheadCodes) go
//   ahead of every held command, in the order they came; a release takes
//   back any keying of its kind still held (it would key the radio again
//   after it).
// - Keying the transmitter passes held reads only: it waits behind every
//   held command that changes the radio, so the radio transmits on what was
//   asked for before it.
// - A new absolute setting (kAbsoluteSettings: a frequency or a knob's
//   level) replaces the held one of the same kind and side, so only the
//   newest waits.
// - A new encoder step (ED/EU) is added to the held steps of the same dial;
//   a sum beyond kMaxSteps is split, so no step is lost.
// A merge passes only plain reads, and for a setting other absolute
// settings, for steps other dials' steps: anything else between them (a
// keying among them) may depend on the older command.
#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

namespace hrx {

// The commands that are never held behind others: the transmitter's
// release and the link itself (what the connection switch and the
// keep-alive send). A prefix of a whole command: the power query goes
// ahead, switching the power keeps its turn (the radio would lose what was
// held before it).
inline constexpr const char* kAheadCodes[] = {"TX0;", "MX0;", "AI", "PS;"};
inline constexpr const char* kRelease = "TX0;";
// The MOX key keys the transmitter as well; its own release ends it.
inline constexpr const char* kMoxRelease = "MX0;";

// One absolute setting: commands that start with `prefix` (code and side)
// and are `length` bytes long set one value of the radio.
struct AbsoluteSetting {
  const char* prefix;
  int length;
};
inline constexpr AbsoluteSetting kAbsoluteSettings[] = {
    {"FA", 11},  {"FB", 11},  {"ML1", 7}, {"PL", 6},  {"KS", 6},  {"KP", 5},  {"NL0", 7},
    {"NL1", 7},  {"SQ0", 7},  {"SQ1", 7}, {"MG", 6},  {"VG", 6},  {"VD", 7},  {"SD", 7},
    {"AG0", 7},  {"AG1", 7},  {"RG0", 7}, {"RG1", 7}, {"BP01", 8}, {"IS0", 9}, {"IS1", 9},
    {"SH0", 6},  {"SH1", 6},  {"CO01", 7}, {"CO02", 7}, {"RL0", 6}, {"RL1", 6}, {"PC", 6},
};

// The commands of three bytes that act ("AB;" copies VFO A to B); every
// other "XX;" reads.
inline constexpr const char* kActionCodes[] = {"AB", "AM", "MA", "QI", "QR", "QS", "RC", "SV", "VM", "ZI"};

// Encoder steps "ED" / "EU" + dial digit + two-digit count + ';'.
inline constexpr int kStepLength = 6;
inline constexpr int kMaxSteps = 99;

// Whether `cmd` goes ahead of held commands.
bool goesAhead(std::string_view cmd);
// Whether `cmd` keys the transmitter ("TX1;", "TX2;", the MOX key's "MX1;").
bool keysTransmitter(std::string_view cmd);
// "TX0;" or "MX0;".
bool isRelease(std::string_view cmd);
// Whether a keying or release is the MOX key's rather than the transmitter's.
bool isMox(std::string_view cmd);

class SendQueue {
 public:
  // Queues one command; returns how many queued commands it was merged into
  // (0 or 1).
  int push(std::string cmd);
  // Queues a command behind those that go ahead and before all others,
  // whatever its code.
  void pushAhead(std::string cmd);
  // Puts `cmd` back before everything, to be tried again first.
  void pushFront(std::string cmd);
  bool empty() const { return q_.empty(); }
  std::size_t size() const { return q_.size(); }
  // Whether the next command is one that goes ahead (never held back).
  bool frontGoesAhead() const { return ahead_ > 0; }
  // Whether a keying of the transmitter (mox false) or of the MOX key
  // still waits here.
  bool holdsKeying(bool mox) const;
  std::string pop();
  // Oldest first, for tests and diagnostics.
  const std::deque<std::string>& commands() const { return q_; }

 private:
  void pushKeying(std::string cmd);
  void dropKeying(bool mox);
  bool mergeSetting(const std::string& cmd);
  bool mergeSteps(const std::string& cmd);

  std::deque<std::string> q_;
  std::size_t ahead_ = 0;  // the first ahead_ commands go ahead
};

}  // namespace hrx
