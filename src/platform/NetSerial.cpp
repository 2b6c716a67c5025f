#include "platform/NetSerial.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>

#include "platform/MsgThread.h"
#include "platform/Rfc2217.h"
#include "platform/SerialDevice.h"

namespace hrx {

namespace {

constexpr char kTcpScheme[] = "tcp://";
constexpr char kTelnetScheme[] = "rfc2217://";
constexpr char kTlsScheme[] = "tls://";
constexpr std::size_t kSlots = 8;
constexpr int kMaxFd = 4096;
constexpr MsgId kMsgConnect = 0x8110;

// Abandoned: still being made, but nobody wants it any more.
enum class Phase { Free, Connecting, Ready, Failed, Adopted, Abandoned };

struct Conn {
  Phase phase = Phase::Free;  // guarded by gTableMu
  std::string path;           // guarded by gTableMu
  int error = 0;              // guarded by gTableMu
  TlsRefusal refusal = TlsRefusal::None;  // guarded by gTableMu
  int fd = -1;
  std::unique_ptr<TlsLink> tls;  // tls://: fd is its pair end
  bool telnet = false;
  std::atomic<bool> peerGone{false};
  std::mutex protoMu;  // the telnet decoder: readers, status looks
  Rfc2217 proto;
  std::mutex writeMu;  // one sender at a time, so commands never interleave
};

std::mutex gTableMu;
std::array<Conn, kSlots> gConns;
std::atomic<int> gSlotOfFd[kMaxFd];  // slot + 1, 0 for none
std::atomic<int> gConnectMs{3000};
std::atomic<int> gNegotiateMs{2000};
std::mutex gFolderMu;
std::string gTlsFolder;  // guarded by gFolderMu
thread_local TlsRefusal tLastRefusal = TlsRefusal::None;

std::string tlsFolder() {
  std::lock_guard lock(gFolderMu);
  return gTlsFolder;
}

Conn* connOf(int fd) {
  if (fd < 0 || fd >= kMaxFd) return nullptr;
  const int s = gSlotOfFd[fd].load(std::memory_order_acquire);
  return s > 0 ? &gConns[static_cast<std::size_t>(s - 1)] : nullptr;
}

bool isGone(int e) { return e == EPIPE || e == ECONNRESET || e == ENOTCONN || e == ETIMEDOUT || e == EBADF; }

using Clock = std::chrono::steady_clock;
int msLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// Sends all bytes within the deadline; the caller holds the write lock.
WriteOutcome sendAll(int fd, const std::uint8_t* p, std::size_t n, Clock::time_point deadline) {
  std::size_t done = 0;
  while (done < n) {
    const ssize_t w = ::send(fd, p + done, n - done, MSG_DONTWAIT | MSG_NOSIGNAL);
    if (w > 0) {
      done += static_cast<std::size_t>(w);
      continue;
    }
    if (w < 0 && errno == EINTR) continue;
    if (w < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return isGone(errno) ? WriteOutcome::Fault : WriteOutcome::Failed;
    const int left = msLeft(deadline);
    if (left == 0) return WriteOutcome::TimedOut;
    pollfd pfd{fd, POLLOUT, 0};
    const int r = ::poll(&pfd, 1, left);
    if (r > 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL))) return WriteOutcome::Fault;
  }
  return WriteOutcome::Complete;
}

WriteOutcome sendLocked(Conn& c, const std::uint8_t* p, std::size_t n, int timeoutMs) {
  std::lock_guard lock(c.writeMu);
  return sendAll(c.fd, p, n, Clock::now() + std::chrono::milliseconds(timeoutMs));
}

// Sends the negotiation replies the decoder owes; never waits long.
void flushReplies(Conn& c) {
  std::uint8_t buf[Rfc2217::kReplyCapacity];
  std::size_t n;
  {
    std::lock_guard lock(c.protoMu);
    n = c.proto.takeReplies(buf, sizeof buf);
  }
  if (n > 0) sendLocked(c, buf, n, 100);
}

void sendCommand(Conn& c, std::uint8_t command, std::uint32_t value) {
  std::uint8_t buf[Rfc2217::kMaxCommand];
  const std::size_t n = Rfc2217::buildCommand(command, value, buf);
  sendLocked(c, buf, n, 200);
}

// TCP connect within the time limit; -1 with errno as the header names it.
int connectTo(const NetEndpoint& ep, int timeoutMs) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  if (::getaddrinfo(ep.host.c_str(), ep.port.c_str(), &hints, &list) != 0 || list == nullptr) {
    errno = EADDRNOTAVAIL;
    return -1;
  }
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  int error = ETIMEDOUT;
  int fd = -1;
  for (addrinfo* a = list; a != nullptr && fd < 0; a = a->ai_next) {
    const int s = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (s < 0) {
      error = errno;
      continue;
    }
    int rc = ::connect(s, a->ai_addr, a->ai_addrlen);
    if (rc != 0 && errno == EINPROGRESS) {
      pollfd p{s, POLLOUT, 0};
      rc = ::poll(&p, 1, msLeft(deadline));
      if (rc > 0) {
        int soError = 0;
        socklen_t len = sizeof soError;
        ::getsockopt(s, SOL_SOCKET, SO_ERROR, &soError, &len);
        rc = soError == 0 ? 0 : -1;
        errno = soError;
      } else {
        rc = -1;
        errno = ETIMEDOUT;
      }
    }
    if (rc == 0) {
      fd = s;
    } else {
      error = errno;
      ::close(s);
    }
  }
  ::freeaddrinfo(list);
  if (fd < 0) {
    errno = error == ECONNREFUSED ? ECONNREFUSED : (error == ETIMEDOUT ? ETIMEDOUT : error);
    return -1;
  }
  // Every command is a few bytes waiting for its answer: no Nagle delay.
  const int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &one, sizeof one);
  return fd;
}

// Offers the COM-port option and waits for the far side's answer.
bool negotiate(Conn& c, int timeoutMs) {
  std::uint8_t buf[64];
  const std::size_t n = Rfc2217::buildOpening(buf);
  if (sendLocked(c, buf, n, timeoutMs) != WriteOutcome::Complete) return false;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    {
      std::lock_guard lock(c.protoMu);
      if (c.proto.comPort() != Rfc2217::ComPortAnswer::Pending) break;
    }
    const int left = msLeft(deadline);
    if (left == 0) return false;
    pollfd p{c.fd, POLLIN, 0};
    if (::poll(&p, 1, left) <= 0) continue;
    std::uint8_t in[256];
    const ssize_t r = ::recv(c.fd, in, sizeof in, MSG_DONTWAIT);
    if (r == 0) return false;
    if (r < 0) {
      if (errno == EAGAIN || errno == EINTR) continue;
      return false;
    }
    std::uint8_t data[256];
    {
      std::lock_guard lock(c.protoMu);
      c.proto.feed(in, static_cast<std::size_t>(r), data);  // nothing is asked yet: no data is due
    }
    flushReplies(c);
  }
  std::lock_guard lock(c.protoMu);
  return c.proto.comPort() == Rfc2217::ComPortAnswer::Accepted;
}

void release(std::size_t slot) {
  Conn& c = gConns[slot];
  if (c.fd >= 0) {
    if (c.fd < kMaxFd) gSlotOfFd[c.fd].store(0, std::memory_order_release);
    ::close(c.fd);
  }
  c.fd = -1;
  c.tls.reset();
  c.phase = Phase::Free;
  c.path.clear();
}

// Makes the connections, one at a time, off the callers' threads.
class Connector final : public MsgThread {
 public:
  Connector() : MsgThread("NetSerial_Connect") {}
  ~Connector() override { stopNow(); }

 protected:
  void onMessage(const Msg& msg) override {
    if (msg.id != kMsgConnect) return;
    const auto slot = static_cast<std::size_t>(msg.w);
    Conn& c = gConns[slot];
    NetEndpoint ep;
    {
      std::lock_guard lock(gTableMu);
      if (c.phase == Phase::Abandoned) release(slot);
      if (c.phase != Phase::Connecting || !NetSerial::parse(c.path, ep)) return;
    }
    int fd = connectTo(ep, gConnectMs.load());
    int error = fd < 0 ? errno : 0;
    TlsRefusal refusal = TlsRefusal::None;
    std::unique_ptr<TlsLink> link;
    if (fd >= 0 && ep.tls) {
      link = TlsLink::start(fd, ep.host, tlsFolder(), gNegotiateMs.load(), refusal);
      fd = link ? link->localFd() : -1;
      if (!link) error = refusal == TlsRefusal::TimedOut ? ETIMEDOUT : EACCES;
    }
    if (fd >= 0) {
      c.tls = std::move(link);
      c.fd = fd;
      c.telnet = ep.telnet;
      c.peerGone.store(false);
      {
        std::lock_guard lock(c.protoMu);
        c.proto = Rfc2217{};
      }
      if (fd < kMaxFd) gSlotOfFd[fd].store(static_cast<int>(slot) + 1, std::memory_order_release);
      if (fd >= kMaxFd || (ep.telnet && !negotiate(c, gNegotiateMs.load()))) error = fd >= kMaxFd ? EMFILE : EPROTO;
    }
    std::lock_guard lock(gTableMu);
    if (c.phase == Phase::Abandoned) {
      release(slot);
    } else if (error != 0) {
      if (c.fd >= 0) {
        if (c.fd < kMaxFd) gSlotOfFd[c.fd].store(0, std::memory_order_release);
        ::close(c.fd);
        c.fd = -1;
      }
      c.tls.reset();
      c.error = error;
      c.refusal = refusal;
      c.phase = Phase::Failed;
    } else {
      c.phase = Phase::Ready;
    }
  }
};

Connector& connector() {
  static Connector thread;
  if (!thread.running()) thread.start();
  return thread;
}

}  // namespace

bool NetSerial::isNetworkPath(const char* path) {
  return path != nullptr && (std::strncmp(path, kTcpScheme, sizeof kTcpScheme - 1) == 0 ||
                             std::strncmp(path, kTelnetScheme, sizeof kTelnetScheme - 1) == 0 ||
                             std::strncmp(path, kTlsScheme, sizeof kTlsScheme - 1) == 0);
}

bool NetSerial::parse(const std::string& path, NetEndpoint& out) {
  std::string rest;
  out.telnet = false;
  out.tls = false;
  if (path.rfind(kTcpScheme, 0) == 0) {
    rest = path.substr(sizeof kTcpScheme - 1);
  } else if (path.rfind(kTlsScheme, 0) == 0) {
    out.tls = true;
    rest = path.substr(sizeof kTlsScheme - 1);
  } else if (path.rfind(kTelnetScheme, 0) == 0) {
    out.telnet = true;
    rest = path.substr(sizeof kTelnetScheme - 1);
  } else {
    return false;
  }
  std::size_t colon;
  if (!rest.empty() && rest[0] == '[') {
    const std::size_t close = rest.find(']');
    if (close == std::string::npos || close + 1 >= rest.size() || rest[close + 1] != ':') return false;
    out.host = rest.substr(1, close - 1);
    colon = close + 1;
  } else {
    colon = rest.find(':');
    if (colon == std::string::npos) return false;
    out.host = rest.substr(0, colon);
    if (out.host.find_first_of("/[]") != std::string::npos) return false;
  }
  out.port = rest.substr(colon + 1);
  if (out.host.empty() || out.port.empty() || out.port.size() > 5) return false;
  long port = 0;
  for (const char ch : out.port) {
    if (ch < '0' || ch > '9') return false;
    port = port * 10 + (ch - '0');
  }
  return port >= 1 && port <= 65535;
}

bool NetSerial::owns(int fd) { return connOf(fd) != nullptr; }

int NetSerial::open(const char* path) {
  NetEndpoint ep;
  if (!parse(path, ep)) {
    errno = EINVAL;
    return -1;
  }
  std::lock_guard lock(gTableMu);
  Conn* free = nullptr;
  for (std::size_t i = 0; i < kSlots; ++i) {
    Conn& c = gConns[i];
    if (c.phase == Phase::Free) {
      if (free == nullptr) free = &c;
      continue;
    }
    if (c.path != path) continue;
    switch (c.phase) {
      case Phase::Ready:
        c.phase = Phase::Adopted;
        return c.fd;
      case Phase::Abandoned:
        c.phase = Phase::Connecting;  // wanted again after all
        [[fallthrough]];
      case Phase::Connecting:
        errno = EINPROGRESS;
        return -1;
      case Phase::Failed:
        tLastRefusal = c.refusal;
        errno = c.error;
        release(i);
        return -1;
      default:
        errno = EBUSY;
        return -1;
    }
  }
  if (free == nullptr) {
    errno = EMFILE;
    return -1;
  }
  free->phase = Phase::Connecting;
  free->path = path;
  free->error = 0;
  free->refusal = TlsRefusal::None;
  if (!connector().post(kMsgConnect, static_cast<WParam>(free - gConns.data()))) {
    free->phase = Phase::Free;
    free->path.clear();
    errno = EAGAIN;
    return -1;
  }
  errno = EINPROGRESS;
  return -1;
}

NetSerial::Attempt NetSerial::attempt(const char* path) {
  std::lock_guard lock(gTableMu);
  for (const Conn& c : gConns) {
    if (c.phase == Phase::Free || c.path != path) continue;
    switch (c.phase) {
      case Phase::Connecting: return Attempt::Connecting;
      case Phase::Ready: return Attempt::Ready;
      case Phase::Failed: return Attempt::Failed;
      default: return Attempt::None;
    }
  }
  return Attempt::None;
}

void NetSerial::cancel(const char* path) {
  std::lock_guard lock(gTableMu);
  for (std::size_t i = 0; i < kSlots; ++i) {
    Conn& c = gConns[i];
    if (c.phase == Phase::Free || c.path != path) continue;
    if (c.phase == Phase::Connecting) c.phase = Phase::Abandoned;
    else if (c.phase == Phase::Ready || c.phase == Phase::Failed) release(i);
  }
}

bool NetSerial::configure(int fd, std::uint32_t baud, termios* saved) {
  Conn* c = connOf(fd);
  if (saved != nullptr) {
    // Filled even on refusal, so that the caller's close goes through
    // restoreAndClose and the connection is let go.
    *saved = termios{};
    saved->c_cflag = CS8 | CSTOPB | CREAD | CLOCAL;
  }
  if (c == nullptr || SerialDevice::speedOf(baud) == 0) {
    errno = EINVAL;
    return false;
  }
  if (c->telnet) {
    // As the local layer sets a terminal: the speed, 8 data bits, no
    // parity, two stop bits, no flow control.
    sendCommand(*c, Rfc2217::kSetBaud, baud);
    sendCommand(*c, Rfc2217::kSetDataSize, 8);
    sendCommand(*c, Rfc2217::kSetParity, 1);
    sendCommand(*c, Rfc2217::kSetStopSize, 2);
    sendCommand(*c, Rfc2217::kSetControl, Rfc2217::kControlNoFlow);
  }
  if (saved != nullptr) {
    ::cfsetispeed(saved, SerialDevice::speedOf(baud));
    ::cfsetospeed(saved, SerialDevice::speedOf(baud));
  }
  return true;
}

void NetSerial::restoreAndClose(int fd) {
  Conn* c = connOf(fd);
  if (c == nullptr) return;
  // The line is left with one stop bit, as a local port is.
  if (c->telnet && !c->peerGone.load()) sendCommand(*c, Rfc2217::kSetStopSize, 1);
  std::lock_guard lock(gTableMu);
  release(static_cast<std::size_t>(c - gConns.data()));
}

bool NetSerial::setRts(int fd, bool on) {
  Conn* c = connOf(fd);
  if (c == nullptr || !c->telnet) return false;
  sendCommand(*c, Rfc2217::kSetControl, on ? Rfc2217::kControlRtsOn : Rfc2217::kControlRtsOff);
  return true;
}

void NetSerial::readStatus(int fd, LineStatus& out) {
  out = LineStatus{};
  Conn* c = connOf(fd);
  if (c == nullptr) {
    out.fault = true;
    out.errors = kCeMode;
    return;
  }
  pollfd p{fd, POLLIN | POLLRDHUP, 0};
  if (c->peerGone.load() || (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL | POLLRDHUP))))
    out.fault = true;
  int n = 0;
  if (::ioctl(fd, FIONREAD, &n) == 0) out.inQueue = n > 0 ? static_cast<std::uint32_t>(n) : 0;
  n = 0;
  if (::ioctl(fd, TIOCOUTQ, &n) == 0) out.outQueue = n > 0 ? static_cast<std::uint32_t>(n) : 0;
  if (c->telnet) {
    std::lock_guard lock(c->protoMu);
    const std::uint8_t s = c->proto.takeLineState();
    if (s & 0x02) out.errors |= kCeOverrun;
    if (s & 0x04) out.errors |= kCeRxParity;
    if (s & 0x08) out.errors |= kCeFrame;
    if (s & 0x10) out.errors |= kCeBreak;
  }
}

long NetSerial::readSome(int fd, void* dest, std::size_t n, bool* fault) {
  if (fault) *fault = false;
  Conn* c = connOf(fd);
  if (c == nullptr) {
    if (fault) *fault = true;
    return -1;
  }
  if (n == 0) return 0;
  std::uint8_t raw[1024];
  const std::size_t want = n < sizeof raw ? n : sizeof raw;
  for (;;) {
    const ssize_t r = ::recv(fd, c->telnet ? raw : static_cast<std::uint8_t*>(dest), want, MSG_DONTWAIT);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return 0;
    if (r <= 0) {
      // The far side closed or reset the connection: the line has gone.
      c->peerGone.store(true);
      if (fault) *fault = true;
      return -1;
    }
    if (!c->telnet) return static_cast<long>(r);
    std::size_t got;
    {
      std::lock_guard lock(c->protoMu);
      got = c->proto.feed(raw, static_cast<std::size_t>(r), static_cast<std::uint8_t*>(dest));
    }
    flushReplies(*c);
    return static_cast<long>(got);
  }
}

bool NetSerial::writeOnce(int fd, const void* src, std::size_t n) {
  return writeBounded(fd, src, n, 0) == WriteOutcome::Complete;
}

WriteOutcome NetSerial::writeBounded(int fd, const void* src, std::size_t n, int timeoutMs) {
  Conn* c = connOf(fd);
  if (c == nullptr) return WriteOutcome::Fault;
  const auto* p = static_cast<const std::uint8_t*>(src);
  if (!c->telnet) return sendLocked(*c, p, n, timeoutMs);
  std::uint8_t escaped[1024];
  // Records are at most 511 bytes; a longer write goes out in pieces.
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  std::lock_guard lock(c->writeMu);
  for (std::size_t done = 0; done < n;) {
    const std::size_t piece = n - done < sizeof escaped / 2 ? n - done : sizeof escaped / 2;
    const std::size_t m = Rfc2217::escape(p + done, piece, escaped);
    const WriteOutcome o = sendAll(fd, escaped, m, deadline);
    if (o != WriteOutcome::Complete) return o;
    done += piece;
  }
  return WriteOutcome::Complete;
}

void NetSerial::setTlsFolder(const std::string& folder) {
  std::lock_guard lock(gFolderMu);
  gTlsFolder = folder;
}

TlsRefusal NetSerial::lastRefusal() { return tLastRefusal; }

void NetSerial::setTimeouts(int connectMs, int negotiateMs) {
  gConnectMs.store(connectMs);
  gNegotiateMs.store(negotiateMs);
}

bool NetSerial::farSide(int fd, FarSide& out) {
  Conn* c = connOf(fd);
  if (c == nullptr || !c->telnet) return false;
  std::lock_guard lock(c->protoMu);
  out.baud = c->proto.baudReported();
  out.dataSize = c->proto.dataSizeReported();
  out.parity = c->proto.parityReported();
  out.stopSize = c->proto.stopSizeReported();
  return true;
}

}  // namespace hrx
