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
  // A mode set for the VFO that does not receive, carried out in steps:
  // that VFO receives for the set alone (the mode key works on the side
  // that receives), then the receiver goes back.
  struct OtherMode {
    std::uint8_t step = 0;  // 0: none under way
    bool onB = false;       // the VFO whose mode is set
    bool failed = false;    // a step's report never came
    std::int32_t code = 0;
    std::int32_t width = 0;  // WIDTH index, 0 for none
    std::int32_t frWas = 0;  // the receiver to go back to
    std::uint8_t presses = 0;
  } otherMode;
};

// What the radio must report before a set command's answer goes out, so
// that a client reading back right after a set sees the new value and the
// next set is composed from it.
struct Await {
  enum class Kind : std::uint8_t { None, Freq, Mode, Tx, TxVfo, Receiver };
  Kind kind = Kind::None;
  // Freq: 1 for VFO B; Mode: the code; Tx: 1 transmitting; TxVfo: 1 for VFO B;
  // Receiver: the FR value
  std::int32_t a = 0;
  std::int32_t b = 0;  // Freq: Hz; Mode: the WIDTH index, 0 for any
  std::int32_t narrow = -1;  // Mode: the NA state, -1 for any
  bool onB = false;          // Mode: VFO B's
};
bool satisfied(const Await& await, const Snapshot& snapshot);

inline constexpr int kMaxActions = 4;  // in one step
// The longest request line the server takes (bytes, without its newline).
inline constexpr std::size_t kMaxLine = 512;

struct Reply {
  std::string text;  // complete answer, every record terminated
  Action actions[kMaxActions];
  int actionCount = 0;
  bool close = false;  // the client said goodbye
  Await await;
  std::string failText;  // sent instead of `text` when the radio never confirms
  // Once `await` is met (or its time is up) the set goes on with
  // continueSet(); its answer waits until that has nothing more to do.
  bool continues = false;
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

// The next step of a set in steps (Reply::continues), from the state the
// radio now reports; `late`: the last step's report never came. More: `out`
// holds the step's actions and what to wait for. Done: the answer is
// Reply::text as first made; Failed: Reply::failText.
enum class SetStep : std::uint8_t { More, Done, Failed };
SetStep continueSet(const Snapshot& snapshot, Session& session, bool late, Reply& out);

// Protocol mode names and the radio's mode codes, both ways.
// nullptr / 0 when there is no match.
const char* modeName(std::int32_t code);
std::int32_t modeCode(std::string_view name);
// Pass-band width in Hz of the WIDTH control's index in mode `code`
// (`narrow`: the NA state, which halves FM's width).
std::int32_t widthHz(std::int32_t code, std::int32_t index, bool narrow = false);
// A meter reading 0..255 on the scales the protocol answers with: the S
// meter's in dB over S9 (-54 is S0, 6 dB an S unit), the SWR meter's as a ratio.
double strengthDb(int reading);
double swrRatio(int reading);
// The mode's normal width in Hz (width 0 in a set): the first filter the
// dump_state block lists for it.
std::int32_t normalWidthHz(std::int32_t code);

// The dump_state block (protocol 1), ending in "done\n".
const std::string& dumpState();

}  // namespace hrx::share
