#include "serial/SendQueue.h"

#include <algorithm>
#include <cstdlib>

namespace hrx {
namespace {

bool hasCode(std::string_view cmd, const char* code) {
  return cmd.size() >= 3 && cmd[0] == code[0] && cmd[1] == code[1];
}

int absoluteRow(std::string_view cmd) {
  for (std::size_t i = 0; i < std::size(kAbsoluteSettings); ++i) {
    const AbsoluteSetting& s = kAbsoluteSettings[i];
    if (cmd.size() == static_cast<std::size_t>(s.length) && cmd.starts_with(s.prefix)) return static_cast<int>(i);
  }
  return -1;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Signed step count of an encoder command (EU up, ED down); 0 when `cmd` is
// not one.
int stepsOf(std::string_view cmd) {
  if (cmd.size() != kStepLength || cmd[0] != 'E' || (cmd[1] != 'U' && cmd[1] != 'D') || !isDigit(cmd[2]) ||
      !isDigit(cmd[3]) || !isDigit(cmd[4]) || cmd[5] != ';')
    return 0;
  const int n = (cmd[3] - '0') * 10 + (cmd[4] - '0');
  return cmd[1] == 'U' ? n : -n;
}

std::string stepCommand(char dial, int steps) {
  const int n = std::abs(steps);
  return std::string{'E', steps > 0 ? 'U' : 'D', dial, static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10), ';'};
}

// A read changes nothing, so a merge may pass it: the plain "XX;" form and
// the meter polls, whose codes have no setting.
bool isRead(std::string_view cmd) {
  if (hasCode(cmd, "RM") || hasCode(cmd, "SM")) return true;
  if (cmd.size() != 3) return false;
  for (const char* code : kActionCodes)
    if (hasCode(cmd, code)) return false;
  return true;
}

}  // namespace

bool goesAhead(std::string_view cmd) {
  // Only the release itself: a record that goes on after it keeps its turn.
  if (cmd.starts_with(kRelease) || cmd.starts_with(kMoxRelease)) return isRelease(cmd);
  for (const char* prefix : kAheadCodes)
    if (cmd.size() >= 3 && cmd.starts_with(prefix)) return true;
  return false;
}

bool keysTransmitter(std::string_view cmd) {
  if (cmd == "MX1;") return true;
  return cmd.size() == 4 && cmd.starts_with("TX") && cmd[2] >= '1' && cmd[2] <= '9' && cmd[3] == ';';
}

bool isRelease(std::string_view cmd) { return cmd == kRelease || cmd == kMoxRelease; }

bool isMox(std::string_view cmd) { return cmd.starts_with("MX"); }

void SendQueue::pushAhead(std::string cmd) {
  if (isRelease(cmd)) dropKeying(isMox(cmd));
  q_.insert(q_.begin() + static_cast<std::ptrdiff_t>(ahead_), std::move(cmd));
  ++ahead_;
}

void SendQueue::pushFront(std::string cmd) {
  q_.push_front(std::move(cmd));
  ++ahead_;
}

void SendQueue::dropKeying(bool mox) {
  for (std::size_t i = q_.size(); i-- > ahead_;)
    if (keysTransmitter(q_[i]) && isMox(q_[i]) == mox) q_.erase(q_.begin() + static_cast<std::ptrdiff_t>(i));
}

bool SendQueue::holdsKeying(bool mox) const {
  return std::any_of(q_.begin(), q_.end(), [mox](const std::string& c) { return keysTransmitter(c) && isMox(c) == mox; });
}

void SendQueue::pushKeying(std::string cmd) {
  std::size_t at = q_.size();
  while (at > ahead_ && isRead(q_[at - 1])) --at;
  q_.insert(q_.begin() + static_cast<std::ptrdiff_t>(at), std::move(cmd));
}

int SendQueue::push(std::string cmd) {
  if (goesAhead(cmd)) {
    pushAhead(std::move(cmd));
    return 0;
  }
  if (keysTransmitter(cmd)) {
    pushKeying(std::move(cmd));
    return 0;
  }
  if (mergeSetting(cmd) || mergeSteps(cmd)) return 1;
  q_.push_back(std::move(cmd));
  return 0;
}

std::string SendQueue::pop() {
  std::string front = std::move(q_.front());
  q_.pop_front();
  if (ahead_ > 0) --ahead_;
  return front;
}

bool SendQueue::mergeSetting(const std::string& cmd) {
  const int row = absoluteRow(cmd);
  if (row < 0) return false;
  for (std::size_t i = q_.size(); i-- > ahead_;) {
    const int other = absoluteRow(q_[i]);
    if (other == row) {
      q_[i] = cmd;
      return true;
    }
    if (other < 0 && !isRead(q_[i])) return false;
  }
  return false;
}

bool SendQueue::mergeSteps(const std::string& cmd) {
  const int steps = stepsOf(cmd);
  if (steps == 0) return false;
  for (std::size_t i = q_.size(); i-- > ahead_;) {
    const int held = stepsOf(q_[i]);
    if (held != 0 && q_[i][2] == cmd[2]) {
      const int sum = held + steps;
      if (sum == 0) {
        q_.erase(q_.begin() + static_cast<std::ptrdiff_t>(i));
      } else if (std::abs(sum) <= kMaxSteps) {
        q_[i] = stepCommand(cmd[2], sum);
      } else {
        const int full = sum > 0 ? kMaxSteps : -kMaxSteps;
        q_[i] = stepCommand(cmd[2], full);
        q_.push_back(stepCommand(cmd[2], sum - full));
      }
      return true;
    }
    if (held == 0 && !isRead(q_[i])) return false;  // steps of other dials add up in any order
  }
  return false;
}

}  // namespace hrx
