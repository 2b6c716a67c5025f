#include "SimPty.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace hrx::sim {
namespace {

void setError(std::string* error, const char* what) {
  if (error != nullptr) *error = std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

SimPty::SimPty(SimRadio& radio) : radio_(radio) {}

SimPty::WakeFd::~WakeFd() {
  if (fd >= 0) ::close(fd);
}

SimPty::~SimPty() {
  stop();
  radio_.setOutputListener(nullptr);
  closeMaster();
  if (slaveHold_ >= 0) ::close(slaveHold_);
  if (!link_.empty()) {
    char target[512];
    const ssize_t n = ::readlink(link_.c_str(), target, sizeof target - 1);
    if (n >= 0 && std::string(target, static_cast<std::size_t>(n)) == slavePath_) ::unlink(link_.c_str());
  }
}

bool SimPty::open(std::string* error) {
  if (master_ >= 0) return true;
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0) return setError(error, "posix_openpt"), false;
  char name[128];
  if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0 || ::ptsname_r(master_, name, sizeof name) != 0) {
    setError(error, "grantpt/unlockpt/ptsname");
    closeMaster();
    return false;
  }
  slavePath_ = name;
  slaveHold_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slaveHold_ < 0) {
    setError(error, "open slave");
    closeMaster();
    return false;
  }
  termios tio{};
  if (::tcgetattr(slaveHold_, &tio) == 0) {
    ::cfmakeraw(&tio);
    ::tcsetattr(slaveHold_, TCSANOW, &tio);
  }
  ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
  wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wakeFd_ >= 0) wakeOwner_ = std::make_shared<WakeFd>(wakeFd_);
  if (wakeFd_ < 0) {
    setError(error, "eventfd");
    closeMaster();
    return false;
  }
  return true;
}

bool SimPty::link(const std::string& path, std::string* error) {
  if (slavePath_.empty() || path.empty()) {
    if (error != nullptr) *error = "no pseudo-terminal to link to";
    return false;
  }
  struct stat info {};
  if (::lstat(path.c_str(), &info) == 0) {
    if (!S_ISLNK(info.st_mode)) {
      if (error != nullptr) *error = path + " exists and is not a symbolic link";
      return false;
    }
    ::unlink(path.c_str());
  }
  if (::symlink(slavePath_.c_str(), path.c_str()) != 0) return setError(error, "symlink"), false;
  link_ = path;
  return true;
}

bool SimPty::start() {
  if (master_ < 0 || thread_.joinable() || dropped()) return false;
  stopRequested_ = false;
  radio_.setOutputListener([owner = wakeOwner_] {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(owner->fd, &one, sizeof one);
  });
  thread_ = std::thread([this] { run(); });
  return true;
}

void SimPty::stop() {
  if (!thread_.joinable()) return;
  stopRequested_ = true;
  wake();
  thread_.join();
}

void SimPty::drop() {
  dropRequested_ = true;
  if (thread_.joinable()) {
    wake();
    thread_.join();
  }
  if (!dropped_ && recorder_ != nullptr) recorder_->add(RecEvent::Kind::Vanish);
  closeMaster();
  dropped_ = true;
}

void SimPty::wake() {
  if (wakeFd_ < 0) return;
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = ::write(wakeFd_, &one, sizeof one);
}

void SimPty::closeMaster() {
  if (master_ >= 0) ::close(master_);
  master_ = -1;
}

bool SimPty::waitWake(int timeoutMs) {
  // A pending wake only says "output waiting": it is taken here and the wait
  // goes on, since flush() drains the radio until it is empty.
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!stopRequested_ && !dropRequested_) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd p{wakeFd_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left.count())) > 0) {
      std::uint64_t count = 0;
      [[maybe_unused]] const ssize_t n = ::read(wakeFd_, &count, sizeof count);
    }
  }
  return stopRequested_ || dropRequested_;
}

bool SimPty::writeAll(const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) return false;
    // The client is not reading: wait for room, or for a stop.
    pollfd p[2] = {{master_, POLLOUT, 0}, {wakeFd_, POLLIN, 0}};
    ::poll(p, 2, 100);
    if (stopRequested_ || dropRequested_) return false;
  }
  return true;
}

bool SimPty::flush() {
  for (std::vector<std::string> chunks = radio_.takeChunks(); !chunks.empty(); chunks = radio_.takeChunks()) {
    for (std::size_t i = 0; i < chunks.size(); ++i) {
      if (!writeAll(chunks[i])) return false;
      if (recorder_ != nullptr) recorder_->add(RecEvent::Kind::FromRadio, chunks[i]);
      const int baud = baud_.load();
      if (baud > 0) {
        const auto ms = static_cast<int>((chunks[i].size() * 11 * 1000 + static_cast<std::size_t>(baud) - 1) /
                                         static_cast<std::size_t>(baud));
        if (waitWake(ms)) return false;
      }
      const int gap = chunkGapMs_.load();
      if (i + 1 < chunks.size() && gap > 0 && waitWake(gap)) return false;
    }
  }
  if (radio_.dropDue()) {
    // The radio's last words reach the client before the line goes: a
    // closed master discards what the client has not read yet.
    drainToClient();
    dropRequested_ = true;
  }
  return true;
}

void SimPty::drainToClient() {
  int quietChecks = 0;
  for (int waited = 0; waited < 500 && quietChecks < 2 && !stopRequested_; waited += 10) {
    int queued = 0;
    if (::ioctl(slaveHold_, FIONREAD, &queued) != 0) return;
    quietChecks = queued == 0 ? quietChecks + 1 : 0;
    if (quietChecks < 2) waitWake(10);
  }
}

void SimPty::discardUnread() {
  if (slaveHold_ >= 0) ::tcflush(slaveHold_, TCIFLUSH);
}

bool SimPty::speedMatches() const {
  // CAT RATE (menu item 038): 0..3 for 4800 doubled that many times.
  static constexpr speed_t kSpeeds[] = {B4800, B9600, B19200, B38400};
  constexpr int kCatRateItem = 38;
  std::int32_t code = 0;
  if (!decodeMenuValue(kCatRateItem, radio_.state().menu[kCatRateItem], &code) || code < 0 || code > 3) return false;
  termios tio{};
  return ::tcgetattr(slaveHold_, &tio) == 0 && ::cfgetospeed(&tio) == kSpeeds[code];
}

void SimPty::run() {
  char buf[512];
  auto lastTick = std::chrono::steady_clock::now();
  while (!stopRequested_ && !dropRequested_) {
    pollfd p[2] = {{master_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    // Ticks only while something turns; otherwise sleep until spoken to.
    const bool animating = radio_.animating();
    if (::poll(p, 2, animating ? kTickMs : -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    const auto now = std::chrono::steady_clock::now();
    if (animating) radio_.advance(std::chrono::duration_cast<std::chrono::milliseconds>(now - lastTick));
    lastTick = now;
    if (((p[0].revents | p[1].revents) & POLLNVAL) != 0) break;   // a descriptor is gone: never spin
    if ((p[1].revents & POLLIN) != 0) {
      std::uint64_t count = 0;
      [[maybe_unused]] const ssize_t n = ::read(wakeFd_, &count, sizeof count);
    }
    if ((p[0].revents & POLLIN) != 0) {
      const ssize_t n = ::read(master_, buf, sizeof buf);
      if (n > 0) {
        if (recorder_ != nullptr) recorder_->add(RecEvent::Kind::ToRadio, std::string_view(buf, static_cast<std::size_t>(n)));
        if (!speedCheck_ || speedMatches()) radio_.feed(std::string_view(buf, static_cast<std::size_t>(n)));
      }
    } else if ((p[0].revents & (POLLHUP | POLLERR)) != 0 && waitWake(50)) {
      break;   // should not happen while the slave is held; never spin on it
    }
    if (!flush()) break;
  }
  if (dropRequested_) {
    if (recorder_ != nullptr) recorder_->add(RecEvent::Kind::Vanish);
    closeMaster();
    dropped_ = true;
  }
}

}  // namespace hrx::sim
