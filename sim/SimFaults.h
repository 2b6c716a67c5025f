#pragma once
// Fault injection for the simulated radio's output: a pure, deterministic
// shaper that turns each reply into the writes that go on the line. Counters,
// not chance, pick the replies to spoil, so a test knows which one it gets.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hrx::sim {

struct FaultConfig {
  int chunkSize = 0;     // > 0: each reply goes out in writes of at most this many bytes
  int garbleEvery = 0;   // > 0: every n-th reply has one parameter byte spoilt
  int strayEvery = 0;    // > 0: every n-th reply is preceded by one stray byte
  char strayByte = '\x7f';
  bool silent = false;   // answer nothing (the commands are still obeyed)
  int dropAfter = -1;    // >= 0: after this many replies the device goes away
  int muteAfter = -1;    // >= 0: the muteFor replies after this many are not spoken
  int muteFor = 0;
};

class FaultShaper {
 public:
  void configure(const FaultConfig& config);
  const FaultConfig& config() const { return config_; }

  // Appends the writes of one reply to `out`. Counts the reply even when
  // silent, so dropAfter counts what the radio meant to say.
  void shape(std::string_view reply, std::vector<std::string>& out);

  // True once dropAfter replies have been shaped; the transport then closes.
  bool dropDue() const { return config_.dropAfter >= 0 && replies_ >= config_.dropAfter; }
  std::int64_t replies() const { return replies_; }

 private:
  FaultConfig config_{};
  std::int64_t replies_ = 0;
};

// The byte a garbled reply carries instead of `c`: never a digit, a ';' or
// the original, so the program's decoders and framing see a real fault.
char garbledByte(char c);

}  // namespace hrx::sim
