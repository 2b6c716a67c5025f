#pragma once
// The client side of a pseudo-terminal, opened and set up the way the
// program opens its serial port (raw, no controlling terminal).
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>

namespace hrx::sim {

using namespace std::chrono_literals;

class Port {
 public:
  explicit Port(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)) {
    termios tio{};
    if (fd_ >= 0 && ::tcgetattr(fd_, &tio) == 0) {
      ::cfmakeraw(&tio);
      ::tcsetattr(fd_, TCSANOW, &tio);
    }
  }
  ~Port() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool ok() const { return fd_ >= 0; }
  bool write(const std::string& s) { return ::write(fd_, s.data(), s.size()) == static_cast<ssize_t>(s.size()); }

  // Reads until `count` bytes came, the line hung up or `timeout` passed.
  std::string read(std::size_t count, std::chrono::milliseconds timeout = 2000ms) {
    std::string got;
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (got.size() < count) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
      if ((p.revents & POLLIN) == 0) {
        hungUp_ = (p.revents & (POLLHUP | POLLERR)) != 0;
        break;
      }
      char buf[256];
      const ssize_t n = ::read(fd_, buf, std::min(sizeof buf, count - got.size()));
      if (n <= 0) {
        hungUp_ = true;
        break;
      }
      got.append(buf, static_cast<std::size_t>(n));
    }
    return got;
  }
  bool hungUp() const { return hungUp_; }

 private:
  int fd_;
  bool hungUp_ = false;
};

}  // namespace hrx::sim
