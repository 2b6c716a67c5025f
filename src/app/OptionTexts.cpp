#include "app/OptionTexts.h"

#include <cstdio>
#include <iterator>

namespace hrx {

namespace {

constexpr const char* kTones[] = {
    "67.0 Hz",  "69.3 Hz",  "71.9 Hz",  "74.4 Hz",  "77.0 Hz",  "79.7 Hz",  "82.5 Hz",  "85.4 Hz",  "88.5 Hz",
    "91.5 Hz",  "94.8 Hz",  "97.4 Hz",  "100.0 Hz", "103.5 Hz", "107.2 Hz", "110.9 Hz", "114.8 Hz", "118.8 Hz",
    "123.0 Hz", "127.3 Hz", "131.8 Hz", "136.5 Hz", "141.3 Hz", "146.2 Hz", "151.4 Hz", "156.7 Hz", "159.8 Hz",
    "162.2 Hz", "165.5 Hz", "167.9 Hz", "171.3 Hz", "173.8 Hz", "177.3 Hz", "179.9 Hz", "183.5 Hz", "186.2 Hz",
    "189.9 Hz", "192.8 Hz", "196.6 Hz", "199.5 Hz", "203.5 Hz", "206.5 Hz", "210.7 Hz", "218.1 Hz", "225.7 Hz",
    "229.1 Hz", "233.6 Hz", "241.8 Hz", "250.3 Hz", "254.1 Hz",
};
static_assert(std::size(kTones) == kToneCount);

constexpr const char* kCtcssModes[] = {"OFF", "Tone Squelch", "Tone Encoder", ""};
constexpr const char* kShifts[] = {"Simplex", "Plus Shift", "Minus Shift", ""};

template <std::size_t N>
const char* pick(const char* const (&list)[N], std::int32_t v) {
  return v >= 0 && static_cast<std::size_t>(v) < N ? list[v] : kUnknownValue;
}

}  // namespace

const char* toneText(std::int32_t cn) { return pick(kTones, cn); }
const char* ctcssModeText(std::int32_t ct) { return pick(kCtcssModes, ct); }
const char* shiftText(std::int32_t os) { return pick(kShifts, os); }

RotatorDirection rotatorDirection(std::int32_t value) {
  if (value > 359) return {value - 360, true};
  return {value, false};
}

std::string rotatorSpeedText(std::int32_t percent) {
  char text[16];
  std::snprintf(text, sizeof text, "%d%%", static_cast<int>(percent));
  return text;
}

CwTextCheck checkCwText(std::string_view text) {
  if (text.empty()) return CwTextCheck::Empty;
  if (text.size() > kCwTextMax) return CwTextCheck::TooLong;
  for (char c : text) {
    if (c == ';') return CwTextCheck::Semicolon;
    if (c < 0x20 || c > 0x7E) return CwTextCheck::NotPrintable;
  }
  return CwTextCheck::Ok;
}

const char* cwTextMessage(CwTextCheck check) {
  switch (check) {
    case CwTextCheck::Semicolon:
      return "A CW text cannot contain ';'.";
    case CwTextCheck::NotPrintable:
      return "A CW text takes printable ASCII characters only.";
    default:
      return "";
  }
}

}  // namespace hrx
