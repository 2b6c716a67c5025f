#pragma once
// The sharing server's protocol: the network rig-control text protocol that
// station programs (digital-mode, logging) speak to a rig daemon. One request
// line and a snapshot of the radio's state go in; the reply text and the
// composer operations that carry out a set command come out. No I/O, no
// clock: the listener (ShareServer) does the rest.
#include <cstdint>
#include <string>
#include <string_view>

namespace hrx {
class RadioState;
}

namespace hrx::share {

// What the answers are made from: the values auto-information keeps
// current, read once per request.
struct Snapshot {
  std::int32_t vfoA = 0;
  std::int32_t vfoB = 0;
  std::int32_t modeMain = 0;   // the radio's mode codes 1..13
  std::int32_t modeSub = 0;
  std::int32_t widthMain = 0;  // index of the WIDTH control
  std::int32_t widthSub = 0;
  std::int32_t naMain = 0;     // narrow: FM passes 9000 Hz instead of 16000
  std::int32_t naSub = 0;
  std::int32_t frStat = 0;     // receive VFO: 4 and 5 receive on VFO B
  std::int32_t ftStat = 0;     // transmit VFO: 1 transmits on VFO B
  std::int32_t txStat = 0;
  std::int32_t psStat = 0;
  std::int32_t sMeter = 0;     // 0..255
  std::int32_t swrMeter = 0;   // 0..255
  std::int32_t powerSetting = 0;  // PC, 5..100 W
  bool linkUp = false;         // auto-information on: the radio answers
};
Snapshot takeSnapshot(const RadioState& state);

// One thing the radio is asked to do. Operations are the panel's own
// composer operations; PTT is the composer's transmit message.
struct Action {
  enum class Kind : std::uint8_t { Operation, Ptt };
  Kind kind = Kind::Operation;
  int op = 0;
  std::int32_t value = 0;
};

// What one connection remembers between its requests.
struct Session {
  bool pttHeld = false;  // this client keyed the transmitter
  // The VFO this client's gets and sets work on. Choosing it changes
  // nothing on the radio: a client that looks at VFO B must not move the
  // receiver. Until the client chooses, it is the VFO that receives.
  enum class Target : std::uint8_t { Receiving, A, B };
  Target target = Target::Receiving;
};

// What the radio must report before a set command's answer goes out, so
// that a client reading back right after a set sees the new value and the
// next set is composed from it.
struct Await {
  enum class Kind : std::uint8_t { None, Freq, Mode, Tx, TxVfo };
  Kind kind = Kind::None;
  // Freq: 1 for VFO B; Mode: the code; Tx: 1 transmitting; TxVfo: 1 for VFO B
  std::int32_t a = 0;
  std::int32_t b = 0;  // Freq: Hz; Mode: the WIDTH index, 0 for any
  std::int32_t narrow = -1;  // Mode: the NA state, -1 for any
};
bool satisfied(const Await& await, const Snapshot& snapshot);

inline constexpr int kMaxActions = 4;
// The longest request line the server takes (bytes, without its newline).
inline constexpr std::size_t kMaxLine = 512;

struct Reply {
  std::string text;  // complete answer, every record terminated
  Action actions[kMaxActions];
  int actionCount = 0;
  bool close = false;  // the client said goodbye
  Await await;
  std::string failText;  // sent instead of `text` when the radio never confirms
  bool silent() const { return text.empty() && !close; }
};

// Reply codes of the protocol.
inline constexpr int kOk = 0;
inline constexpr int kErrInvalid = -1;
inline constexpr int kErrTimeout = -5;
inline constexpr int kErrRefused = -9;
inline constexpr int kErrUnavailable = -11;

// Handles one request line (without its newline; a trailing CR is allowed).
// An empty line gets no answer; every other line gets exactly one.
void handleLine(std::string_view line, const Snapshot& snapshot, Session& session, Reply& out);

// Protocol mode names and the radio's mode codes, both ways.
// nullptr / 0 when there is no match.
const char* modeName(std::int32_t code);
std::int32_t modeCode(std::string_view name);
// Pass-band width in Hz of the WIDTH control's index in mode `code`
// (`narrow`: the NA state, which halves FM's width).
std::int32_t widthHz(std::int32_t code, std::int32_t index, bool narrow = false);

// The dump_state block (protocol 1), ending in "done\n".
const std::string& dumpState();

}  // namespace hrx::share
