#pragma once
// A recorded session on the serial line: both directions with their time,
// as a small text file (described in sim/README.md). The simulator writes
// it; the replayer reads it, so the reader takes outside input and refuses
// anything out of shape or out of range rather than guess.
#include <chrono>
#include <cstdint>
#include <cstdio>
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

// Writes a recording as the session goes: lines are flushed one by one, so
// a session that ends badly still leaves what it saw. Thread-safe.
class Recorder {
 public:
  // False when the file cannot be written; the header goes out at once.
  bool open(const std::string& path, const std::string& what, const std::string& why);
  bool isOpen() const { return file_ != nullptr; }
  void add(RecEvent::Kind kind, std::string_view bytes = {});
  // Writes the end line and closes the file.
  void close();
  ~Recorder() { close(); }

 private:
  std::mutex mu_;
  std::FILE* file_ = nullptr;
  std::chrono::steady_clock::time_point start_{};
};

}  // namespace hrx::sim
