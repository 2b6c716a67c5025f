#pragma once
// A recorded session on the serial line: both directions with their time,
// as a small text file (described in sim/README.md). The simulator writes
// it; the replayer reads it, so the reader takes outside input and refuses
// anything out of shape or out of range rather than guess.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace hrx::sim {

struct RecEvent {
  enum class Kind { ToRadio, FromRadio, Vanish, Return, End };
  Kind kind = Kind::End;
  std::int64_t ms = 0;   // since the recording began
  std::string bytes;     // ToRadio and FromRadio only
};

struct Recording {
  std::string what, when, why;
  std::vector<RecEvent> events;
};

inline constexpr std::int64_t kRecMaxMs = 3600 * 1000;   // an hour
inline constexpr std::size_t kRecMaxBytes = 4096;        // one line's bytes
inline constexpr std::size_t kRecMaxEvents = 100000;

// "\xNN" for every byte but the printable ones; '\' itself is "\\".
std::string escapeBytes(std::string_view bytes);
std::string formatEvent(const RecEvent& e);
std::string formatRecording(const Recording& r);
// False with the line number and reason when the text is not a recording:
// a header line missing or empty, a bad time (not a number, over kRecMaxMs,
// earlier than the line before), an unknown direction, a bad escape, a
// chunk empty or over kRecMaxBytes, more than kRecMaxEvents events, or
// anything after the end line (which must come last).
bool parseRecording(std::string_view text, Recording* out, std::string* error);

// Keeps a session in memory and writes it whole when it is closed (on
// quit, the end of the console or a signal, the simulator always closes
// it): the file of that name is then a whole recording or the one that was
// there, never a session cut off without its end line, which the replayer
// refuses anyway. Past the reader's limits (events, an hour) or
// kRecKeepBytes of text, further events are not kept. Thread-safe.
inline constexpr std::size_t kRecKeepBytes = 16u * 1024u * 1024u;

class Recorder {
 public:
  // False when the file's folder is missing or cannot be written to;
  // nothing is written yet.
  bool open(const std::string& path, const std::string& what, const std::string& why);
  bool isOpen() const { return open_.load(std::memory_order_acquire); }
  void add(RecEvent::Kind kind, std::string_view bytes = {});
  // Adds the end line and writes the file whole; false, with the old file
  // left as it was, when it cannot be written (or was never opened).
  bool close();
  ~Recorder() { close(); }
  // The session so far, as close() would write it but without the end line.
  std::string text() const;

 private:
  void keep(const RecEvent& e);

  mutable std::mutex mu_;
  std::atomic<bool> open_{false};
  std::string path_;
  std::string text_;
  std::size_t events_ = 0;
  std::chrono::steady_clock::time_point start_{};
};

}  // namespace hrx::sim
