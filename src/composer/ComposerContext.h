#pragma once
// What every composer handler works with: the stores it reads, the rings and
// threads it hands commands to, the main window whose timers it drives, and
// the clock it waits on. One context per composer thread; handlers run on
// that thread only, one message at a time.
#include <cstdint>
#include <cstring>

#include "platform/Clock.h"
#include "platform/MainWindowPort.h"
#include "platform/Messages.h"
#include "platform/PostTarget.h"
#include "platform/WindowFlags.h"
#include "platform/RingBuffer.h"
#include "state/PanelMirror.h"
#include "state/RadioState.h"

namespace hrx {

// One command under construction: a zeroed buffer with the two letters at
// positions 0 and 1 and ';' at length-1. Numeric fields go through the digit
// writer: right-aligned, zero-padded, all '0' when the value has more digits
// than the field.
class CommandBuilder {
 public:
  static constexpr int kCapacity = 512;

  CommandBuilder(const char code[2], int length) : length_(length) {
    std::memset(buf_, 0, sizeof buf_);
    if (length_ < 3 || length_ >= kCapacity) length_ = 0;  // refused: emit sends nothing
    buf_[0] = code[0];
    buf_[1] = code[1];
  }

  // Writes `value` into the field of `width` characters at `pos`.
  CommandBuilder& digits(int pos, int width, std::int64_t value) {
    if (pos < 2 || width <= 0 || pos + width > kCapacity - 1) return *this;
    std::memset(buf_ + pos, '0', static_cast<std::size_t>(width));
    char tmp[24];
    const bool negative = value < 0;
    std::uint64_t mag = negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    int n = 0;
    do {
      tmp[n++] = static_cast<char>('0' + mag % 10);
      mag /= 10;
    } while (mag != 0);
    if (negative) tmp[n++] = '-';
    if (n > width) return *this;  // does not fit: the field stays '0'
    for (int i = 0; i < n; ++i) buf_[pos + width - 1 - i] = tmp[i];
    return *this;
  }

  CommandBuilder& put(int pos, char c) {
    if (pos >= 2 && pos < kCapacity - 1) buf_[pos] = c;
    return *this;
  }

  // The finished command: ';' at length-1. Zero length means refused.
  const char* text() {
    if (length_ > 0) buf_[length_ - 1] = ';';
    return buf_;
  }
  int length() const { return length_; }

 private:
  char buf_[kCapacity];
  int length_;
};

struct ComposerContext {
  RadioState& state;
  PanelMirror& mirror;
  Sio_RingBuff& sendRing;
  Sio_RingBuff& recvRing;
  PostTarget& sendThread;  // Sio_Send_Thread: 0x8103 after each command
  PostTarget& analyser;    // Anl_Recv_Thread: 0x8102 after a local reply
  PostTarget& self;        // the composer's own queue
  MainWindowPort& mainWindow;
  WindowFlags& windowFlags;
  Clock& clock;

  // Queues one finished command and wakes the send thread. A refused ring
  // write loses the command; the wake-up is posted all the same.
  void emit(CommandBuilder& cmd) {
    if (cmd.length() > 0) {
      sendRing.Sio_RingBuff_Write(static_cast<std::int16_t>(cmd.length()), cmd.text());
    }
    sendThread.post(kMsgSend, 0, 0);
  }
  // A complete literal command such as "FT0;".
  void emitText(const char* command) {
    const std::size_t n = std::strlen(command);
    if (n >= 3 && n < static_cast<std::size_t>(CommandBuilder::kCapacity) && command[n - 1] == ';') {
      sendRing.Sio_RingBuff_Write(static_cast<std::int16_t>(n), command);
    }
    sendThread.post(kMsgSend, 0, 0);
  }
  void sleepMs(int ms) { clock.sleepMs(ms); }
};

// Side digit of an operation: '1' when SubSide (bit 0 of wParam) is set.
inline constexpr WParam kSubSide = 0x00000001;
inline constexpr WParam kFlagB = 0x00100000;
inline constexpr WParam kFlagA = 0x10000000;
inline constexpr char sideDigit(WParam w) { return (w & kSubSide) != 0 ? '1' : '0'; }

}  // namespace hrx
