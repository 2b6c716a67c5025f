#include "platform/SerialDevice.h"

#include "platform/NetSerial.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace hrx {

namespace {

struct SpeedRow {
  std::uint32_t baud;
  speed_t speed;
};
constexpr SpeedRow kSpeeds[] = {{4800, B4800}, {9600, B9600}, {19200, B19200}, {38400, B38400}};

bool isGoneError(int e) { return e == EIO || e == ENXIO || e == ENODEV || e == EBADF || e == EPIPE; }

std::uint32_t newErrors(int now, int& seen, std::uint32_t bit) {
  const bool fresh = now != seen;
  seen = now;
  return fresh ? bit : 0;
}

}  // namespace

speed_t SerialDevice::speedOf(std::uint32_t baud) {
  for (const auto& row : kSpeeds)
    if (row.baud == baud) return row.speed;
  return 0;
}

int SerialDevice::openExclusive(const char* path) {
  if (path == nullptr || *path == '\0') {
    errno = ENOENT;
    return -1;
  }
  if (NetSerial::isNetworkPath(path)) return NetSerial::open(path);
  const int fd = ::open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  // The lock keeps out other programs that also lock (and ourselves); the
  // terminal's exclusive mode keeps out every further open but root's.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int e = errno;
    ::close(fd);
    errno = e == EWOULDBLOCK ? EBUSY : e;
    return -1;
  }
  if (::isatty(fd) && ::ioctl(fd, TIOCEXCL) != 0) {
    const int e = errno;
    ::close(fd);
    errno = e;
    return -1;
  }
  return fd;
}

bool SerialDevice::configure(int fd, std::uint32_t baud, termios* saved) {
  if (NetSerial::owns(fd)) return NetSerial::configure(fd, baud, saved);
  const speed_t speed = speedOf(baud);
  if (speed == 0) {
    errno = EINVAL;
    return false;
  }
  termios t{};
  if (::tcgetattr(fd, &t) != 0) return false;
  ::cfmakeraw(&t);
  t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CRTSCTS);
  // Two stop bits; RTS stays with the program (the kernel's hardware flow
  // control would drive it by itself), so output does not wait for CTS.
  t.c_cflag |= CS8 | CSTOPB | CREAD | CLOCAL;
  t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  if (::cfsetispeed(&t, speed) != 0 || ::cfsetospeed(&t, speed) != 0) return false;
  if (::tcsetattr(fd, TCSANOW, &t) != 0) return false;
  if (saved != nullptr) *saved = t;
  return true;
}

void SerialDevice::restoreAndClose(int fd, const termios& saved) {
  if (fd < 0) return;
  if (NetSerial::owns(fd)) return NetSerial::restoreAndClose(fd);
  termios t = saved;
  t.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | CRTSCTS);
  ::tcsetattr(fd, TCSANOW, &t);
  ::ioctl(fd, TIOCNXCL);
  // Another thread inside a call on the descriptor (an epoll wait reporting
  // it, say) keeps the open file alive past close(), and with it the lock:
  // an open again at once would find the port busy.
  ::flock(fd, LOCK_UN);
  ::close(fd);
}

bool SerialDevice::setRts(int fd, bool on) {
  if (NetSerial::owns(fd)) return NetSerial::setRts(fd, on);
  int bits = TIOCM_RTS;
  return ::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bits) == 0;
}

void SerialDevice::readStatus(int fd, LineErrorCounts& counts, LineStatus& out) {
  if (NetSerial::owns(fd)) return NetSerial::readStatus(fd, out);
  out = LineStatus{};
  if (fd < 0) {
    out.fault = true;
    out.errors = kCeMode;
    return;
  }
  pollfd p{fd, POLLIN, 0};
  if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) out.fault = true;
  int n = 0;
  if (::ioctl(fd, FIONREAD, &n) == 0) {
    out.inQueue = n > 0 ? static_cast<std::uint32_t>(n) : 0;
  } else if (isGoneError(errno)) {
    out.fault = true;
    out.errors |= kCeIoe;
  }
  n = 0;
  if (::ioctl(fd, TIOCOUTQ, &n) == 0) out.outQueue = n > 0 ? static_cast<std::uint32_t>(n) : 0;
  serial_icounter_struct ic{};
  if (::ioctl(fd, TIOCGICOUNT, &ic) == 0) {
    if (counts.valid) {
      out.errors |= newErrors(ic.frame, counts.frame, kCeFrame);
      out.errors |= newErrors(ic.overrun, counts.overrun, kCeOverrun);
      out.errors |= newErrors(ic.parity, counts.parity, kCeRxParity);
      out.errors |= newErrors(ic.brk, counts.brk, kCeBreak);
      out.errors |= newErrors(ic.buf_overrun, counts.bufOverrun, kCeRxOver);
    } else {
      counts = LineErrorCounts{true, ic.frame, ic.overrun, ic.parity, ic.brk, ic.buf_overrun};
    }
  }
}

long SerialDevice::readSome(int fd, void* dest, std::size_t n, bool* fault) {
  if (NetSerial::owns(fd)) return NetSerial::readSome(fd, dest, n, fault);
  if (fault) *fault = false;
  if (n == 0) return 0;
  for (;;) {
    const ssize_t r = ::read(fd, dest, n);
    if (r > 0) return static_cast<long>(r);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return 0;
    if (r == 0) {
      // A raw terminal with VMIN 0 answers 0 both when idle and after a
      // hang-up; only the hang-up shows in poll().
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) {
        if (fault) *fault = true;
        return -1;
      }
      return 0;
    }
    if (fault) *fault = isGoneError(errno);
    return -1;
  }
}

bool SerialDevice::writeOnce(int fd, const void* src, std::size_t n) {
  if (NetSerial::owns(fd)) return NetSerial::writeOnce(fd, src, n);
  const ssize_t w = ::write(fd, src, n);
  return w == static_cast<ssize_t>(n);
}

WriteOutcome SerialDevice::writeBounded(int fd, const void* src, std::size_t n, int timeoutMs) {
  if (NetSerial::owns(fd)) return NetSerial::writeBounded(fd, src, n, timeoutMs);
  using clock = std::chrono::steady_clock;
  const auto deadline = clock::now() + std::chrono::milliseconds(timeoutMs);
  const auto* p = static_cast<const unsigned char*>(src);
  std::size_t done = 0;
  bool readyButRefused = false;
  while (done < n) {
    const ssize_t w = ::write(fd, p + done, n - done);
    if (w > 0) {
      done += static_cast<std::size_t>(w);
      continue;
    }
    if (w < 0 && errno == EINTR) continue;
    if (w < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return isGoneError(errno) ? WriteOutcome::Fault : WriteOutcome::Failed;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now()).count();
    if (left <= 0) return WriteOutcome::TimedOut;
    if (readyButRefused) {
      // A stopped terminal reports room it will not take: sleep instead of
      // spinning on poll() until the deadline.
      ::usleep(1000);
    }
    pollfd pfd{fd, POLLOUT, 0};
    const int r = ::poll(&pfd, 1, static_cast<int>(left < 10 ? left : 10));
    if (r > 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL))) return WriteOutcome::Fault;
    readyButRefused = r > 0;
  }
  return WriteOutcome::Complete;
}

}  // namespace hrx
