#include "ReplayMatch.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "Recording.h"

namespace hrx::sim {
namespace {

constexpr std::array<std::string_view, 6> kFloating = {"PS;", "AI;", "IF;", "OI;", "AI0;", "AI1;"};
// How far the window's IF/OI and a link switch may stray, in the other
// commands they pass: forty read-out steps are 1.2 s; a loaded machine (a
// suite beside two busy loops) was seen to hold the window's thread for 28.
constexpr std::size_t kFloatingRoom = 40;

// How many reads a vanished device may have cut short or let through.
constexpr std::size_t kCutReads = 2;

// A read-out step's read: a menu item's ("EX036;") or a state row without
// a parameter ("RT;").
bool isSweepRead(std::string_view c) {
  auto digit = [](char ch) { return ch >= '0' && ch <= '9'; };
  if (c.size() == 6 && c.substr(0, 2) == "EX") return digit(c[2]) && digit(c[3]) && digit(c[4]) && c[5] == ';';
  return c.size() == 3 && c[0] >= 'A' && c[0] <= 'Z' && c[1] >= 'A' && c[1] <= 'Z' && c[2] == ';';
}

struct Split {
  std::vector<std::string> fixed;
  // Per floating text: how many fixed commands came before each one.
  std::array<std::vector<std::size_t>, kFloating.size()> floating;
};

Split split(std::string_view bytes) {
  Split s;
  for (std::string& c : splitCommands(bytes)) {
    const auto f = std::find(kFloating.begin(), kFloating.end(), c);
    if (f == kFloating.end()) s.fixed.push_back(std::move(c));
    else s.floating[static_cast<std::size_t>(f - kFloating.begin())].push_back(s.fixed.size());
  }
  return s;
}

std::string quoted(std::string_view c) { return "\"" + escapeBytes(c) + "\""; }

}  // namespace

std::vector<std::string> splitCommands(std::string_view bytes) {
  std::vector<std::string> out;
  // A command still being written when the session ended has no ';' yet.
  for (std::size_t end; (end = bytes.find(';')) != std::string_view::npos; bytes.remove_prefix(end + 1))
    out.emplace_back(bytes.substr(0, end + 1));
  return out;
}

bool isFloatingCommand(std::string_view text) {
  return std::find(kFloating.begin(), kFloating.end(), text) != kFloating.end();
}

CommandMatch matchCommands(std::string_view recorded, std::string_view sent) {
  const Split r = split(recorded), s = split(sent);
  // Where the link starts again (its ID query), the reads just before it
  // may be one or two more or fewer: the device that vanished took the
  // read-out's next tick with it or not, by a few ms.
  auto linkRestart = [](const std::string& c) { return c == "ID;"; };
  std::size_t i = 0, j = 0, cut = 0;
  for (; i < r.fixed.size(); ++i, ++j) {
    if (j >= s.fixed.size())
      return {false, "command " + std::to_string(i + 1) + " (not counting PS, AI, IF, OI, AI0, AI1): recorded " +
                         quoted(r.fixed[i]) + ", not sent"};
    if (r.fixed[i] == s.fixed[j]) {
      cut = 0;
      continue;
    }
    if (cut < kCutReads && linkRestart(r.fixed[i]) && isSweepRead(s.fixed[j])) {
      ++cut, --i;
      continue;
    }
    if (cut < kCutReads && linkRestart(s.fixed[j]) && isSweepRead(r.fixed[i])) {
      ++cut, --j;
      continue;
    }
    return {false, "command " + std::to_string(i + 1) + " (not counting PS, AI, IF, OI, AI0, AI1): recorded " +
                       quoted(r.fixed[i]) + ", now " + quoted(s.fixed[j])};
  }
  const std::size_t end = r.fixed.size();
  for (std::size_t k = 0; k < kFloating.size(); ++k) {
    // The keep-alive's PS and AI (and the read-out's PS row and the link's
    // AI query beside them) come as the clock says: how many fall inside the
    // session, and where, is not the program's choice.
    if (kFloating[k] == "PS;" || kFloating[k] == "AI;") continue;
    const std::vector<std::size_t>& a = r.floating[k];
    const std::vector<std::size_t>& b = s.floating[k];
    const std::string name = quoted(kFloating[k]);
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (i >= b.size())
        return {false, name + " number " + std::to_string(i + 1) + ": recorded after command " +
                           std::to_string(a[i]) + ", not sent"};
      const std::size_t off = a[i] > b[i] ? a[i] - b[i] : b[i] - a[i];
      if (off > kFloatingRoom)
        return {false, name + " number " + std::to_string(i + 1) + ": recorded after command " +
                           std::to_string(a[i]) + ", now after command " + std::to_string(b[i])};
    }
    // One more than recorded is one the recording's end cut off, unless it
    // came well inside the recorded span; a link switch only after its end.
    const bool linkSwitch = kFloating[k] == "AI0;" || kFloating[k] == "AI1;";
    const std::size_t room = linkSwitch ? 0 : kFloatingRoom;
    for (std::size_t i = a.size(); i < b.size(); ++i) {
      if (b[i] + room < end)
        return {false, name + " number " + std::to_string(i + 1) + " after command " + std::to_string(b[i]) +
                           " is not in the recording"};
    }
  }
  return {true, {}};
}

bool isTimingDumpKey(std::string_view key) {
  return key == "AwaitingReply" || key == "PowerSyncTimerArmed" || key == "AiOnRequested";
}

}  // namespace hrx::sim
