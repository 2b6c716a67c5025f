#pragma once
// Keyboard commands: the function and cursor keys that send lines of CAT
// commands read from RCPKSDEF.txt. The file is outside input: any content
// gives at most 46 lines of at most 255 characters, and a line is sent only
// as complete commands, each ended by ';'. Plain data and functions; the
// window owns one KeyLineSender and drives it from its timer 30.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace hrx {

inline constexpr int kKeySlotCount = 46;
inline constexpr std::size_t kKeyLineMax = 255;
// Only the file's first bytes are read: 46 full lines with their line ends
// fit with room to spare, and an endless line costs no more than this.
inline constexpr std::size_t kKeyFileMaxBytes = 16384;
inline constexpr const char* kKeyFileName = "RCPKSDEF.txt";
inline constexpr std::uint32_t kTimerKeyLine = 30;

enum class Key : std::uint8_t { F1, F2, F3, F4, F5, F6, F7, F8, F9, F10, F11, F12, PageUp, PageDown, Home, End };
enum class KeyMod : std::uint8_t { None, Shift, Ctrl, Alt };

// The slot of a key with one modifier held, or -1 when it has none (F1
// alone opens the Version window; Alt+F4 closes windows as usual).
int keySlot(Key key, KeyMod mod);

// The 46 command lines of a key file's text; lines after the 46th are
// ignored, each line is cut to 255 characters, a missing line is empty,
// and text after the first kKeyFileMaxBytes bytes is not looked at. Line
// ends are LF, CR LF or CR.
using KeyLines = std::array<std::string, kKeySlotCount>;
KeyLines parseKeyFile(std::string_view text);
// Reads the first kKeyFileMaxBytes bytes of `path` and parses them; false
// when it cannot be read.
bool readKeyFile(const std::string& path, KeyLines& lines);

// The gap before the next command of a line: 2 ms per character after the
// first, plus 2.
inline constexpr std::uint32_t keyCommandGapMs(std::size_t length) {
  return static_cast<std::uint32_t>(2 * (length - 1) + 2);
}

// Sends one line command by command. next() gives each complete command in
// turn (its characters up to and including the next ';'); what follows the
// last ';' is never given. A lone ';' is no command and is skipped.
class KeyLineSender {
 public:
  // Starts a line; false (and nothing starts) while a line is running.
  bool start(std::string_view line);
  bool busy() const { return busy_; }
  // The next command, or an empty view when the line is done (busy() is
  // then false). Valid until the next call to start().
  std::string_view next();
  void cancel() { busy_ = false; }

 private:
  std::string line_;
  std::size_t pos_ = 0;
  bool busy_ = false;
};

}  // namespace hrx
