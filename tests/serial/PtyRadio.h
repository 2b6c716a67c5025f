#pragma once
// The radio's end of a pseudo-terminal: the code under test opens the slave
// path as its serial port; the test reads what was sent and writes replies
// on the master.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace hrx::test {

class PtyRadio {
 public:
  PtyRadio() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    char name[128];
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0 || ::ptsname_r(master_, name, sizeof name) != 0)
      return;
    // A name of our own for the line: the kernel hands a freed pty number to
    // the next pty made by any process, so after unplug() the slave's path
    // may already be someone else's line.
    static std::atomic<int> serial{0};
    const std::string link = "/tmp/hrx900-radio-" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
    ::unlink(link.c_str());
    if (::symlink(name, link.c_str()) == 0) link_ = link;
  }
  ~PtyRadio() { unplug(); }
  PtyRadio(const PtyRadio&) = delete;
  PtyRadio& operator=(const PtyRadio&) = delete;

  bool ok() const { return master_ >= 0 && !link_.empty(); }
  // The path the port opens: a link to the slave that unplug() removes.
  const std::string& slavePath() const { return link_; }

  bool send(const std::string& bytes) {
    return master_ >= 0 && ::write(master_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }
  // Collects what the port sent until `want` bytes have come or `ms` passed.
  std::string receive(std::size_t want, int ms) {
    std::string out;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (out.size() < want && std::chrono::steady_clock::now() < deadline) {
      char buf[512];
      const ssize_t n = master_ >= 0 ? ::read(master_, buf, sizeof buf) : -1;
      if (n > 0) out.append(buf, static_cast<std::size_t>(n));
      else std::this_thread::sleep_for(std::chrono::milliseconds(2));  // EAGAIN while the slave is open, EIO while closed
    }
    return out;
  }
  // Everything sent within `ms` (for "nothing more was sent").
  std::string drain(int ms) { return receive(static_cast<std::size_t>(-1), ms); }
  // As a USB adaptor pulled out: the line hangs up and its name goes.
  void unplug() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
    if (!link_.empty()) ::unlink(link_.c_str());
    link_.clear();
  }

 private:
  int master_ = -1;
  std::string link_;
};

inline bool waitFor(const std::function<bool()>& done, int ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return done();
}

}  // namespace hrx::test
