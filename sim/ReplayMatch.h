#pragma once
// How hrx900-replay holds the program's commands and state against a
// recording: both must match. What the program does on its own clock is
// matched as its rules allow, and nothing else is:
// - The keep-alive's `PS;` and the `AI;` after it run on a one-second timer
//   from the program's start, beside the read-out's 30 ms steps: where they
//   fall, and how many a session holds, follows the clock. They are not
//   held to the recording; the read-out's own PS row and the link's AI
//   query share their text.
// - The `IF;` / `OI;` the window asks for when a mode reply has been shown:
//   as many as recorded, each up to forty commands earlier or later (its
//   thread posts them while the read-out's ticks may land between). The
//   read-out's own IF and OI rows share their text and get the same room.
// - A link switch, `AI0;` or `AI1;`: as many as recorded, each with the same
//   room. The switch that follows the radio's power report, a device's
//   return or a port's reopening crosses the read-out's ticks by timing.
// - Where the link starts again (`ID;`) after the device vanished, one or
//   two of the read-out's reads just before it may be more or fewer: the
//   read-out's next tick went out before the device was gone, or not.
// - All other commands must come exactly as recorded, in order, none
//   missing and none added.
// The floating commands are all reads: where they fall changes when the
// program learns something, never what the radio or the program ends up
// with, which the state dump holds. The program may have sent more after
// the recording's last command (the session ends while it still reads):
// those are not compared.
#include <string>
#include <string_view>
#include <vector>

namespace hrx::sim {

std::vector<std::string> splitCommands(std::string_view bytes);

// True when `text` (a whole command with its ';') may fall either side of
// its neighbour by timing.
bool isFloatingCommand(std::string_view text);

struct CommandMatch {
  bool ok = false;
  std::string why;   // the first difference, when not ok
};

// `recorded`: the bytes the recording says the program sent; `sent`: what it
// sent this time.
CommandMatch matchCommands(std::string_view recorded, std::string_view sent);

// State dump lines whose value tells when a timer fired rather than what the
// program knows: whether the last command's answer had come when the dump
// was taken, whether the silence timer was running, and whether the link's
// request was still open (the power-sync timeout clears it, and in a session
// where the device vanishes for about that timer's period it may fire on
// either side of the device's return). They are not compared.
bool isTimingDumpKey(std::string_view key);

}  // namespace hrx::sim
