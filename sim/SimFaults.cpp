#include "SimFaults.h"

#include <algorithm>

namespace hrx::sim {

char garbledByte(char c) {
  const char flipped = static_cast<char>(c ^ 0x40);
  if (flipped == ';' || (flipped >= '0' && flipped <= '9')) return '#';
  return flipped;
}

void FaultShaper::configure(const FaultConfig& config) {
  config_ = config;
  replies_ = 0;
}

void FaultShaper::shape(std::string_view reply, std::vector<std::string>& out) {
  ++replies_;
  if (config_.silent || reply.empty()) return;
  // The drop point itself is not spoken: the device is already gone.
  if (config_.dropAfter >= 0 && replies_ > config_.dropAfter) return;
  if (config_.muteAfter >= 0 && replies_ > config_.muteAfter && replies_ <= config_.muteAfter + config_.muteFor) return;

  std::string bytes;
  bytes.reserve(reply.size() + 1);
  if (config_.strayEvery > 0 && replies_ % config_.strayEvery == 0) bytes.push_back(config_.strayByte);
  const std::size_t start = bytes.size();
  bytes.append(reply);
  if (config_.garbleEvery > 0 && replies_ % config_.garbleEvery == 0 && reply.size() > 3) {
    // A parameter byte, never the code or the ';': the reply keeps its
    // length and its frame but carries a bad value.
    const std::size_t span = reply.size() - 3;
    const std::size_t pos = start + 2 + static_cast<std::size_t>(replies_ / config_.garbleEvery) % span;
    bytes[pos] = garbledByte(bytes[pos]);
  }

  if (config_.chunkSize <= 0) {
    out.push_back(std::move(bytes));
    return;
  }
  const auto step = static_cast<std::size_t>(config_.chunkSize);
  for (std::size_t at = 0; at < bytes.size(); at += step) out.push_back(bytes.substr(at, std::min(step, bytes.size() - at)));
}

}  // namespace hrx::sim
