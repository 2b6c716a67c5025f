#include "serial/ComPort.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/MainWindowPort.h"
#include "platform/NetSerial.h"
#include "state/PanelMirror.h"

namespace hrx {

namespace {

bool isBaudRate(int b) {
  for (auto rate : kBaudRates)
    if (static_cast<int>(rate) == b) return true;
  return false;
}

std::string trim(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  const auto last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

}  // namespace

ComPort::ComPort() { Init(); }

ComPort::~ComPort() { Close(); }

ComPort& ComPort::process() {
  static ComPort port;
  return port;
}

void ComPort::Init() {
  Close();
  std::unique_lock lock(stateMu_);
  fd_ = -1;
  lineSettings_ = termios{};
  portNumber_.store(kDefaultPortNumber);
  baudRate_.store(kDefaultBaudRate);
}

void ComPort::attach(const Links& links) {
  std::lock_guard lock(configMu_);
  links_ = links;
}

void ComPort::setFaultCloseRule(std::function<bool()> rule) {
  std::lock_guard lock(listenerMu_);
  faultCloseRule_ = std::move(rule);
}

void ComPort::setOpenListener(std::function<void()> listener) {
  std::lock_guard lock(listenerMu_);
  openListener_ = std::move(listener);
}

bool ComPort::SetPortNumber(int n) {
  const bool ok = n >= 1 && n <= kComPortCount;
  portNumber_.store(ok ? n : kDefaultPortNumber);
  return ok;
}

bool ComPort::SetBaudRate(int b) {
  const bool ok = isBaudRate(b);
  baudRate_.store(ok ? static_cast<std::uint32_t>(b) : kDefaultBaudRate);
  return ok;
}

void ComPort::SetDevicePath(const std::string& path) {
  std::lock_guard lock(configMu_);
  explicitPath_ = path;
}

std::string ComPort::devicePath(int number) const {
  if (number < 1 || number > kComPortCount) return {};
  std::lock_guard lock(configMu_);
  if (!explicitPath_.empty()) return explicitPath_;
  if (!portMap_[number].empty()) return portMap_[number];
  return "/dev/ttyUSB" + std::to_string(number - 1);
}

PortMap parsePortMap(std::string_view text) {
  PortMap map;
  while (!text.empty()) {
    const auto eol = text.find('\n');
    const std::string_view raw = text.substr(0, eol);
    text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
    if (raw.size() > kMaxPortMapLine) continue;
    const std::string line = trim(std::string(raw));
    if (line.empty() || line[0] == '#') continue;
    const auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string name = trim(line.substr(0, eq));
    const std::string path = trim(line.substr(eq + 1));
    if (path.empty()) continue;
    for (int i = 0; kComPortTable[i].number != 0; ++i) {
      if (name == kComPortTable[i].name) map[static_cast<std::size_t>(kComPortTable[i].number)] = path;
    }
  }
  return map;
}

bool ComPort::LoadPortMap(const std::string& file) {
  // At most one byte past the limit is read: enough to know it is passed.
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  std::string text(kMaxPortMapBytes + 1, '\0');
  std::size_t have = 0;
  bool ok = true;
  while (have < text.size()) {
    const ssize_t n = ::read(fd, text.data() + have, text.size() - have);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    have += static_cast<std::size_t>(n);
  }
  ::close(fd);
  if (!ok || have > kMaxPortMapBytes) return false;
  text.resize(have);
  const PortMap map = parsePortMap(text);
  std::lock_guard lock(configMu_);
  for (std::size_t i = 0; i < map.size(); ++i) portMap_[i] = map[i];
  return true;
}

void ComPort::clearPortMap() {
  std::lock_guard lock(configMu_);
  for (auto& p : portMap_) p.clear();
}

int ComPort::GetHandle() const {
  std::shared_lock lock(stateMu_);
  return open_.load(std::memory_order_relaxed) ? fd_ : -1;
}

std::string ComPort::lostPath() const {
  std::lock_guard lock(configMu_);
  return lostPath_;
}

namespace {
int noticeForRefusal(TlsRefusal why) {
  switch (why) {
    case TlsRefusal::NoCa: return kNoticeTlsNoCa;
    case TlsRefusal::NotSigned: return kNoticeTlsNotSigned;
    case TlsRefusal::WrongName: return kNoticeTlsWrongName;
    case TlsRefusal::Expired: return kNoticeTlsExpired;
    case TlsRefusal::ClientRefused: return kNoticeTlsClientRefused;
    case TlsRefusal::ClientFiles: return kNoticeTlsClientFiles;
    case TlsRefusal::TimedOut: return kNoticeNetSilent;
    case TlsRefusal::Handshake:
    case TlsRefusal::None: break;
  }
  return kNoticeTlsHandshake;
}

// The notice for an open of `path` that failed with `error`.
int noticeFor(int error, const std::string& path) {
  // Only a tls:// port is refused for a certificate; a tcp:// connect
  // refused by a local rule is a plain failure to open.
  if (error == EACCES && path.rfind("tls://", 0) == 0) return noticeForRefusal(NetSerial::lastRefusal());
  switch (error) {
    case EADDRNOTAVAIL: return kNoticeNetHost;
    case ECONNREFUSED: return kNoticeNetRefused;
    case ETIMEDOUT: return kNoticeNetSilent;
    case EPROTO: return kNoticeNetProtocol;
    default: return kNoticePortFailure;
  }
}
}  // namespace

void ComPort::postPortFailure(int notice) {
  if (quietOpen()) return;
  MainWindowPort* window;
  {
    std::lock_guard lock(configMu_);
    window = links_.mainWindow;
  }
  if (window != nullptr) window->requestNotice(notice, false);
}

bool ComPort::Open() {
  bool released = false;
  Links links;
  {
    std::lock_guard lock(configMu_);
    links = links_;
  }
  {
    std::unique_lock lock(stateMu_);
    if (open_.load(std::memory_order_relaxed)) return false;
    // A notice on screen holds opens back until it is answered, but not an
    // owed release: an unattended station must not stay keyed for a click.
    // Such an open adds no notice of its own.
    const bool guarded = links.noticeGuard != nullptr && links.noticeGuard->load(std::memory_order_acquire);
    if (guarded && !releaseOwed_.load(std::memory_order_acquire)) return false;

    const std::string path = devicePath(GetPortNumber());
    const int fd = SerialDevice::openExclusive(path.c_str());
    if (fd < 0) {
      const int error = errno;
      lock.unlock();
      // A network port being connected is no failure yet: a later open
      // takes the connection or reports why there is none.
      if (error != EINPROGRESS && !guarded) postPortFailure(noticeFor(error, path));
      return false;
    }
    termios applied{};
    LineErrorCounts counts{};
    LineStatus status;
    bool usable = SerialDevice::configure(fd, baudRate_.load(), &applied);
    if (usable) {
      SerialDevice::readStatus(fd, counts, status);
      usable = !status.fault;
    }
    if (!usable) {
      if (applied.c_cflag != 0) SerialDevice::restoreAndClose(fd, applied);
      else ::close(fd);
      lock.unlock();
      if (!guarded) postPortFailure();
      return false;
    }
    // A transmitter left keyed at the loss is released before anything
    // else reaches the radio. A release that cannot be written leaves the
    // port closed, still owed: the next open tries again.
    // "TX0;" first whatever keyed it: the radio ends every transmission
    // on it, and the MOX key's own release follows.
    if (releaseOwed_.load(std::memory_order_acquire)) {
      const bool mox = moxReleaseOwed_.load(std::memory_order_acquire);
      if (!SerialDevice::writeOnce(fd, mox ? "TX0;MX0;" : "TX0;", mox ? 8 : 4)) {
        SerialDevice::restoreAndClose(fd, applied);
        lock.unlock();
        std::lock_guard l(listenerMu_);
        if (releaseListener_) releaseListener_(false);
        return false;
      }
      releaseOwed_.store(false, std::memory_order_release);
      moxReleaseOwed_.store(false, std::memory_order_release);
      keyingAsked_.store(false, std::memory_order_release);
      moxAsked_.store(false, std::memory_order_release);
      released = true;
    }
    fd_ = fd;
    openPath_ = path;
    faultSeen_.store(false, std::memory_order_relaxed);
    quietOpen_.store(false, std::memory_order_release);
    lineSettings_ = applied;
    {
      std::lock_guard c(countsMu_);
      errorCounts_ = counts;
    }
    open_.store(true, std::memory_order_release);
    generation_.fetch_add(1, std::memory_order_acq_rel);
    // Its result is of no interest: a dead line shows on the next look.
    const bool aiOn = links.mirror != nullptr && links.mirror->get_AI_Stat() != 0;
    SerialDevice::writeOnce(fd_, aiOn ? "AI1;" : "AI0;", 4);
  }
  std::lock_guard lock(listenerMu_);
  if (released && releaseListener_) releaseListener_(true);
  if (openListener_) openListener_();
  return true;
}

bool ComPort::Close() {
  std::unique_lock lock(stateMu_);
  if (!open_.load(std::memory_order_relaxed)) return false;
  {
    std::lock_guard l(listenerMu_);
    const Transmitting reported = transmitRule_ ? transmitRule_() : Transmitting{};
    const bool mox = moxAsked_.load(std::memory_order_acquire) || reported.mox;
    if (mox || keyingAsked_.load(std::memory_order_acquire) || reported.tx) oweRelease(mox);
  }
  if (fd_ >= 0) SerialDevice::restoreAndClose(fd_, lineSettings_);
  fd_ = -1;
  if (faultSeen_.exchange(false, std::memory_order_acq_rel)) {
    {
      std::lock_guard c(configMu_);
      lostPath_ = openPath_;
    }
    bool quiet = false;
    {
      std::lock_guard l(listenerMu_);
      if (faultCloseRule_) quiet = faultCloseRule_();
    }
    quietOpen_.store(quiet, std::memory_order_release);
    faultCloses_.fetch_add(1, std::memory_order_acq_rel);
  }
  open_.store(false, std::memory_order_release);
  return true;
}

ComPort::Probe ComPort::ProbePort(int index) const {
  if (index < 0 || index >= kComPortCount) return Probe::Unusable;
  const std::string path = devicePath(kComPortTable[index].number);
  if (NetSerial::isNetworkPath(path.c_str())) {
    if (NetSerial::attempt(path.c_str()) == NetSerial::Attempt::Failed) NetSerial::cancel(path.c_str());
    if (NetSerial::attempt(path.c_str()) == NetSerial::Attempt::None) {
      const int fd = NetSerial::open(path.c_str());
      if (fd >= 0) {   // made meanwhile and taken here: let go again
        NetSerial::restoreAndClose(fd);
        return Probe::Usable;
      }
      if (errno != EINPROGRESS) return Probe::Unusable;
    }
    return probeOutcome(index);
  }
  const int fd = SerialDevice::openExclusive(path.c_str());
  if (fd < 0) return Probe::Unusable;
  termios applied{};
  bool usable = SerialDevice::configure(fd, baudRate_.load(), &applied);
  if (usable) {
    LineErrorCounts counts{};
    LineStatus status;
    SerialDevice::readStatus(fd, counts, status);
    usable = !status.fault;
  }
  if (applied.c_cflag != 0) SerialDevice::restoreAndClose(fd, applied);
  else ::close(fd);
  return usable ? Probe::Usable : Probe::Unusable;
}

ComPort::Probe ComPort::probeOutcome(int index) const {
  if (index < 0 || index >= kComPortCount) return Probe::Unusable;
  const std::string path = devicePath(kComPortTable[index].number);
  if (!NetSerial::isNetworkPath(path.c_str())) return ProbePort(index);
  switch (NetSerial::attempt(path.c_str())) {
    case NetSerial::Attempt::Connecting: return Probe::Pending;
    case NetSerial::Attempt::Ready: return Probe::Usable;
    case NetSerial::Attempt::Failed:
      // Forgotten, so that the port's next open starts afresh.
      NetSerial::cancel(path.c_str());
      return Probe::Unusable;
    case NetSerial::Attempt::None: break;
  }
  return Probe::Unusable;   // taken by another, or given up
}

void ComPort::cancelProbe(int index) const {
  if (index < 0 || index >= kComPortCount) return;
  const std::string path = devicePath(kComPortTable[index].number);
  if (NetSerial::isNetworkPath(path.c_str())) NetSerial::cancel(path.c_str());
}

void ComPort::setTransmitRule(std::function<Transmitting()> rule) {
  std::lock_guard lock(listenerMu_);
  transmitRule_ = std::move(rule);
}

void ComPort::setReleaseListener(std::function<void(bool written)> listener) {
  std::lock_guard lock(listenerMu_);
  releaseListener_ = std::move(listener);
}

void ComPort::setLineStatusHook(std::function<void(LineStatus&)> hook) {
  std::lock_guard lock(hookMu_);
  statusHook_ = std::move(hook);
}

bool ComPort::lineStatus(LineStatus& out) {
  {
    std::shared_lock lock(stateMu_);
    if (!open_.load(std::memory_order_relaxed) || fd_ < 0) {
      out = LineStatus{};
      return false;
    }
    std::lock_guard c(countsMu_);
    SerialDevice::readStatus(fd_, errorCounts_, out);
    if (out.fault) faultSeen_.store(true, std::memory_order_release);
  }
  std::lock_guard lock(hookMu_);
  if (statusHook_) statusHook_(out);
  return true;
}

ComPort::ReadResult ComPort::read(void* dest, std::size_t n) {
  std::shared_lock lock(stateMu_);
  if (!open_.load(std::memory_order_relaxed) || fd_ < 0) return {};
  ReadResult r;
  const long got = SerialDevice::readSome(fd_, dest, n, &r.fault);
  if (r.fault) faultSeen_.store(true, std::memory_order_release);
  r.bytes = got > 0 ? got : 0;
  return r;
}

WriteOutcome ComPort::write(const void* src, std::size_t n) {
  std::shared_lock lock(stateMu_);
  if (!open_.load(std::memory_order_relaxed) || fd_ < 0) return WriteOutcome::Failed;
  const int bound = kWriteTotalConstantMs + kWriteTotalMultiplierMs * static_cast<int>(n);
  const WriteOutcome outcome = SerialDevice::writeBounded(fd_, src, n, bound);
  if (outcome == WriteOutcome::Fault) faultSeen_.store(true, std::memory_order_release);
  return outcome;
}

bool ComPort::setRts(bool on) {
  std::shared_lock lock(stateMu_);
  if (!open_.load(std::memory_order_relaxed) || fd_ < 0) return false;
  return SerialDevice::setRts(fd_, on);
}

}  // namespace hrx
