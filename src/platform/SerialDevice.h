#pragma once
// A thin layer over a POSIX terminal device: exclusive open, raw 8-bit lines
// with two stop bits, program-driven RTS, queue counts, line errors and the
// "device has gone" fault. A network name (tcp://, rfc2217://) opens a
// connection instead, whose descriptor every call hands to NetSerial. Every call works on a descriptor the caller owns;
// nothing here keeps state, so a read and a write may run at once on two
// threads.
#include <termios.h>

#include <cstddef>
#include <cstdint>

namespace hrx {

// Line error bits, numbered as the original serial API numbers them, so that
// the refusal lists read the same on every platform.
inline constexpr std::uint32_t kCeRxOver = 0x1;
inline constexpr std::uint32_t kCeOverrun = 0x2;
inline constexpr std::uint32_t kCeRxParity = 0x4;
inline constexpr std::uint32_t kCeFrame = 0x8;
inline constexpr std::uint32_t kCeBreak = 0x10;
inline constexpr std::uint32_t kCeTxFull = 0x100;
inline constexpr std::uint32_t kCeIoe = 0x400;
inline constexpr std::uint32_t kCeMode = 0x8000;

struct LineStatus {
  std::uint32_t errors = 0;    // kCe* bits seen since the previous look
  std::uint32_t inQueue = 0;   // bytes waiting to be read
  std::uint32_t outQueue = 0;  // bytes written but not yet on the wire
  bool fault = false;          // hang-up or I/O error: the device has gone
  // Handshake holds. With the settings used here (no software flow control,
  // no DSR handshake) a terminal never reports them; they stay for the
  // refusal rules, which are platform-neutral.
  bool dsrHold = false;
  bool xoffHold = false;
  bool xoffSent = false;
  bool eof = false;
};

// Driver error counters as last seen, so that each look reports only what is
// new. A device without counters (a pseudo-terminal) reports no errors.
struct LineErrorCounts {
  bool valid = false;
  int frame = 0;
  int overrun = 0;
  int parity = 0;
  int brk = 0;
  int bufOverrun = 0;
};

enum class WriteOutcome { Complete, TimedOut, Failed, Fault };

struct SerialDevice {
  // The termios speed for a bit rate, or 0 when the rate is not offered.
  static speed_t speedOf(std::uint32_t baud);

  // Opens an existing device for reading and writing, not as the controlling
  // terminal, non-blocking, and takes it for this process alone (an advisory
  // lock plus the terminal's exclusive mode). -1 with errno on failure.
  static int openExclusive(const char* path);
  // Raw 8 data bits, no parity, two stop bits, receiver on, modem lines
  // ignored for open/close, the given speed. `saved` receives the settings as
  // applied. False when the descriptor is no terminal or the speed is refused.
  static bool configure(int fd, std::uint32_t baud, termios* saved);
  // Applies `saved` with one stop bit, as the line is left for the next user,
  // and closes the descriptor.
  static void restoreAndClose(int fd, const termios& saved);
  // Raises or drops RTS. False where the device has no modem lines (a
  // pseudo-terminal), which is no fault.
  static bool setRts(int fd, bool on);
  // Queue counts, new line errors and the fault flag.
  static void readStatus(int fd, LineErrorCounts& counts, LineStatus& out);
  // Reads what is waiting, at most n bytes, without waiting. Returns the byte
  // count (0 when nothing waits) or -1 with *fault set when the device has
  // gone.
  static long readSome(int fd, void* dest, std::size_t n, bool* fault);
  // One write attempt that does not wait; the result is only whether it was
  // taken whole.
  static bool writeOnce(int fd, const void* src, std::size_t n);
  // Writes all n bytes, waiting for room at most timeoutMs in total.
  static WriteOutcome writeBounded(int fd, const void* src, std::size_t n, int timeoutMs);
};

}  // namespace hrx
