#pragma once
// What the option windows show and accept, without the windows: the CTCSS
// tone list, the repeater's mode and shift texts, the rotator's read-out and
// the check of a CW text memory before it is written to the radio.
#include <cstdint>
#include <string>
#include <string_view>

namespace hrx {

inline constexpr int kToneCount = 50;
inline constexpr const char* kUnknownValue = "?????";

// "67.0 Hz" .. "254.1 Hz" by CN value; "?????" outside 0..49.
const char* toneText(std::int32_t cn);
// CT value 0..3: "OFF", "Tone Squelch", "Tone Encoder", "".
const char* ctcssModeText(std::int32_t ct);
// OS value 0..3: "Simplex", "Plus Shift", "Minus Shift", "".
const char* shiftText(std::int32_t os);

// The rotator's direction as shown: beyond 359 degrees the overlap is shown
// as the angle past north, in red.
struct RotatorDirection {
  std::int32_t degrees;
  bool overlap;
};
RotatorDirection rotatorDirection(std::int32_t value);
std::string rotatorSpeedText(std::int32_t percent);

// A CW text memory goes out as "KMn" + text + ";": a ';' in the text would
// end the command early and send the rest as a command of its own.
enum class CwTextCheck : std::uint8_t { Ok, Empty, TooLong, Semicolon, NotPrintable };
inline constexpr std::size_t kCwTextMax = 50;
CwTextCheck checkCwText(std::string_view text);
// The message shown for a refused text; empty for Ok, Empty and TooLong,
// which are refused without a word.
const char* cwTextMessage(CwTextCheck check);

}  // namespace hrx
