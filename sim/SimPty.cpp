#include "SimPty.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
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

namespace {

// One byte's time on a line of `baud` bit/s; zero for an instant line.
std::chrono::nanoseconds charTime(int baud) {
  return baud > 0 ? std::chrono::nanoseconds(11LL * 1000000000LL / baud) : std::chrono::nanoseconds(0);
}

int baudOf(speed_t speed) {
  static constexpr struct {
    speed_t speed;
    int baud;
  } kSpeeds[] = {{B1200, 1200},   {B2400, 2400},   {B4800, 4800},     {B9600, 9600},
                 {B19200, 19200}, {B38400, 38400}, {B57600, 57600}, {B115200, 115200}};
  for (const auto& row : kSpeeds)
    if (row.speed == speed) return row.baud;
  return 0;
}

}  // namespace

int SimPty::lineBaud() const {
  const int baud = baud_.load();
  if (baud != kPortsOwnSpeed) return baud;
  termios tio{};
  return slaveHold_ >= 0 && ::tcgetattr(slaveHold_, &tio) == 0 ? baudOf(::cfgetospeed(&tio)) : 0;
}

bool SimPty::flush(Clock::time_point now) {
  for (std::vector<std::string> chunks = radio_.takeChunks(); !chunks.empty(); chunks = radio_.takeChunks())
    for (std::size_t i = 0; i < chunks.size(); ++i) tx_.push_back({std::move(chunks[i]), i + 1 < chunks.size()});
  const int baud = lineBaud();
  while (!tx_.empty()) {
    TxChunk& c = tx_.front();
    if (!c.timed) {
      c.at = std::max(now, txFreeAt_) + charTime(baud) * static_cast<std::int64_t>(c.bytes.size());
      c.timed = true;
    }
    if (now < c.at) return true;   // still on its way
    if (!writeAll(c.bytes)) return false;
    if (recorder_ != nullptr) recorder_->add(RecEvent::Kind::FromRadio, c.bytes);
    txFreeAt_ = c.at + (c.gapAfter ? std::chrono::milliseconds(chunkGapMs_.load()) : std::chrono::milliseconds(0));
    tx_.pop_front();
  }
  if (radio_.dropDue()) {
    // The radio's last words reach the client before the line goes: a
    // closed master discards what the client has not read yet.
    drainToClient();
    dropRequested_ = true;
  }
  return true;
}

void SimPty::receive(Clock::time_point now, bool readable) {
  const int baud = lineBaud();
  std::string arrived;
  if (baud <= 0) {
    // The line turned instant while a byte was crossing: it is there now.
    if (rxHeld_) {
      arrived.push_back(rxByte_);
      rxHeld_ = false;
    }
    char buf[512];
    const ssize_t n = readable ? ::read(master_, buf, sizeof buf) : 0;
    if (n > 0) arrived.assign(buf, static_cast<std::size_t>(n));
  } else {
    // A byte waiting when the one before arrived was queued behind it; one
    // that came to an idle line starts now.
    bool queued = false;
    for (;;) {
      if (rxHeld_) {
        if (now < rxDue_) break;
        arrived.push_back(rxByte_);
        rxFreeAt_ = rxDue_;
        rxHeld_ = false;
        queued = true;
      }
      if (!readable && !queued) break;
      if (::read(master_, &rxByte_, 1) != 1) break;
      rxDue_ = (queued ? rxFreeAt_ : std::max(now, rxFreeAt_)) + charTime(baud);
      rxHeld_ = true;
      readable = false;
    }
  }
  if (arrived.empty()) return;
  if (recorder_ != nullptr) recorder_->add(RecEvent::Kind::ToRadio, arrived);
  if (!speedCheck_ || speedMatches()) radio_.feed(arrived);
}

void SimPty::run() {
  auto lastTick = Clock::now();
  while (!stopRequested_ && !dropRequested_) {
    // Sleep until spoken to, a byte arrives or a reply has crossed; tick
    // only while something turns.
    const bool animating = radio_.animating();
    Clock::time_point due = Clock::time_point::max();
    if (rxHeld_) due = rxDue_;
    if (!tx_.empty()) due = std::min(due, tx_.front().at);
    if (animating) due = std::min(due, lastTick + std::chrono::milliseconds(kTickMs));
    timespec wait{};
    if (due != Clock::time_point::max()) {
      const auto ns = std::max<std::int64_t>(
          0, std::chrono::duration_cast<std::chrono::nanoseconds>(due - Clock::now()).count());
      wait.tv_sec = static_cast<time_t>(ns / 1000000000);
      wait.tv_nsec = static_cast<long>(ns % 1000000000);
    }
    // A held byte leaves the rest in the pseudo-terminal, unread.
    pollfd p[2] = {{master_, static_cast<short>(rxHeld_ ? 0 : POLLIN), 0}, {wakeFd_, POLLIN, 0}};
    if (::ppoll(p, 2, due != Clock::time_point::max() ? &wait : nullptr, nullptr) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    const auto now = Clock::now();
    // Whole milliseconds pass; the rest is kept for the next turn.
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - lastTick);
    if (animating) radio_.advance(elapsed);
    lastTick = animating ? lastTick + elapsed : now;
    if (((p[0].revents | p[1].revents) & POLLNVAL) != 0) break;   // a descriptor is gone: never spin
    if ((p[1].revents & POLLIN) != 0) {
      std::uint64_t count = 0;
      [[maybe_unused]] const ssize_t n = ::read(wakeFd_, &count, sizeof count);
    }
    const bool readable = (p[0].revents & POLLIN) != 0;
    receive(now, readable);
    if (!readable && !rxHeld_ && (p[0].revents & (POLLHUP | POLLERR)) != 0 && waitWake(50)) {
      break;   // should not happen while the slave is held; never spin on it
    }
    if (!flush(now)) break;
  }
  if (dropRequested_) {
    if (recorder_ != nullptr) recorder_->add(RecEvent::Kind::Vanish);
    closeMaster();
    dropped_ = true;
  }
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

}  // namespace hrx::sim
