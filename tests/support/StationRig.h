#pragma once
// The whole core against the simulated radio over a real pseudo-terminal:
// a program without a screen (a headless main window whose timers tick
// into the station) and the fixture pieces the end-to-end tests share.
// Needs the simulator library (hrx900simcore).
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "app/Station.h"
#include "composer/Composer.h"
#include "platform/HeadlessMainWindow.h"

namespace hrx::test {

inline bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return done();
}

class TempDir {
 public:
  TempDir() {
    char tpl[] = "/tmp/hrx900-e2e-XXXXXX";
    path_ = ::mkdtemp(tpl);
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Counts the end-of-read-out message and the notices.
struct Program {
  explicit Program(const std::string& device, const std::string& dir) {
    ok = station.start(StationOptions{device, dir});
  }
  ~Program() {
    station.shutdown();
    window.stop();
  }
  LParam onWindowMessage(const Msg& m) {
    if (m.id == kMsgTimer) station.onTimer(static_cast<std::uint32_t>(m.w));
    // The BP event without its row index is the read-out's last message.
    if (m.id == kMsgRedrawBandPass && m.l == 0) readOutsDone.fetch_add(1);
    if (m.id == kMsgNotice) notices.fetch_add(1);
    return 0;
  }

  std::atomic<int> readOutsDone{0};
  std::atomic<int> notices{0};
  HeadlessMainWindow window{[this](const Msg& m) { return onWindowMessage(m); }};
  Station station{window};
  bool ok = false;
};

}  // namespace hrx::test
