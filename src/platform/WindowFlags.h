#pragma once
// Flags of the main window that worker threads set and the window reads:
// the busy flag (a read-out is running, so the busy-message window waits),
// the busy-message window's shown flag, and the two read-out marks the
// window shows while the state read-out runs.
#include <atomic>

namespace hrx {

struct WindowFlags {
  std::atomic<int> busy{0};
  std::atomic<int> busyShown{0};
  std::atomic<int> readOutRunning{0};
  std::atomic<int> readOutShown{0};
};

}  // namespace hrx
