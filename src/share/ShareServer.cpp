#include "share/ShareServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace hrx::share {

namespace {

bool isLoopback(std::uint32_t hostOrder) { return (hostOrder >> 24) == 127; }

// A write that no longer moves for this long is a client that stopped reading.
constexpr std::int64_t kStallLimitMs = 5000;
constexpr std::size_t kReadChunk = 4096;
constexpr int kKeyedTickMs = 50;
// Requests a client may queue while its last set command waits for the radio.
constexpr std::size_t kMaxQueued = 4 * kMaxLine;

}  // namespace

bool parseCidr(const std::string& text, Cidr* out) {
  const std::size_t slash = text.find('/');
  const std::string addr = text.substr(0, slash);
  in_addr a{};
  if (addr.empty() || ::inet_pton(AF_INET, addr.c_str(), &a) != 1) return false;
  int bits = 32;
  if (slash != std::string::npos) {
    const std::string b = text.substr(slash + 1);
    if (b.empty() || b.size() > 2 || b.find_first_not_of("0123456789") != std::string::npos) return false;
    bits = std::stoi(b);
    if (bits > 32) return false;
  }
  const std::uint32_t mask = bits == 0 ? 0 : ~std::uint32_t{0} << (32 - bits);
  out->mask = mask;
  out->network = ntohl(a.s_addr) & mask;
  return true;
}

bool parseCidrList(const std::string& text, std::vector<Cidr>* out) {
  out->clear();
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = text.find(',', start);
    const std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    Cidr c;
    if (!parseCidr(item, &c)) return false;
    out->push_back(c);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return !out->empty();
}

bool peerAllowed(std::uint32_t addr, const std::vector<Cidr>& allow) {
  if (allow.empty() || addr == INADDR_LOOPBACK) return true;
  return std::any_of(allow.begin(), allow.end(), [addr](const Cidr& c) { return c.contains(addr); });
}

bool parseEndpoint(const std::string& text, std::string* address, int* port) {
  const std::size_t colon = text.rfind(':');
  const std::string addr = colon == std::string::npos ? text : text.substr(0, colon);
  if (!addr.empty()) {
    in_addr a{};
    if (::inet_pton(AF_INET, addr.c_str(), &a) != 1) return false;
    *address = addr;
  }
  if (colon != std::string::npos) {
    const std::string p = text.substr(colon + 1);
    if (p.empty() || p.size() > 5 || p.find_first_not_of("0123456789") != std::string::npos) return false;
    const int v = std::stoi(p);
    if (v < 1 || v > 65535) return false;
    *port = v;
  }
  return true;
}

struct ShareServer::Client {
  int fd = -1;
  std::string in;
  std::string out;
  Session session;
  std::int64_t lastHeardMs = 0;
  std::int64_t lastWriteMs = 0;
  bool wantsOut = false;
  bool dead = false;
  // A set command's answer, held until the radio reports the change.
  bool parked = false;
  Await await;
  std::string held;
  std::string failHeld;
  std::int64_t parkedUntil = 0;
  bool continues = false;  // a set in steps: more may follow the report
  // Bytes of `in` whose transmit requests were carried out (or outrun by
  // a newer one) while parked.
  std::size_t actedUpTo = 0;
  // The parked request was a transmit change a newer one has replaced.
  bool parkedSuperseded = false;
  // Transmit: the state last handed on for this client (-1: none), one
  // asked for and not handed on yet (-1: none), whether the radio reported
  // transmitting since the key went down, when the release went.
  int pttSent = -1;
  int pttWant = -1;
  bool sawKeyed = false;
  std::int64_t releasedAtMs = 0;
};

void ShareBackend::log(const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); }

ShareServer::ShareServer(ShareBackend& backend, Clock& clock)
    : MsgThread("Share_Server"), backend_(backend), clock_(clock) {}

ShareServer::~ShareServer() { stopServer(); }

bool ShareServer::startServer(const ShareConfig& config, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error != nullptr) *error = why;
    for (int* fd : {&listenFd_, &epollFd_, &timerFd_}) {
      if (*fd >= 0) ::close(*fd);
      *fd = -1;
    }
    return false;
  };
  if (running()) return fail("the sharing server is already running");
  config_ = config;
  in_addr a{};
  if (::inet_pton(AF_INET, config.address.c_str(), &a) != 1) return fail("not an IPv4 address: " + config.address);
  if (config.port < 0 || config.port > 65535) return fail("not a port: " + std::to_string(config.port));
  if (!isLoopback(ntohl(a.s_addr)) && config.allow.empty()) {
    return fail("listening on " + config.address + " needs an allow-list (--share-allow)");
  }
  listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (listenFd_ < 0) return fail(std::string("cannot make a socket: ") + std::strerror(errno));
  const int one = 1;
  ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(static_cast<std::uint16_t>(config.port));
  sa.sin_addr = a;
  if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
    const int e = errno;
    return fail("cannot listen on " + config.address + ":" + std::to_string(config.port) + ": " +
                (e == EADDRINUSE ? std::string("the port is already in use") : std::string(std::strerror(e))));
  }
  if (::listen(listenFd_, 16) != 0) return fail(std::string("cannot listen: ") + std::strerror(errno));
  socklen_t len = sizeof sa;
  ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&sa), &len);
  boundPort_.store(ntohs(sa.sin_port));

  epollFd_ = ::epoll_create1(EPOLL_CLOEXEC);
  timerFd_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
  if (epollFd_ < 0 || timerFd_ < 0) return fail(std::string("cannot wait on sockets: ") + std::strerror(errno));
  for (int fd : {listenFd_, timerFd_}) {
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.fd = fd;
    ::epoll_ctl(epollFd_, EPOLL_CTL_ADD, fd, &ev);
  }
  timerPeriodMs_ = 0;
  linkWasUp_ = backend_.snapshot().linkUp;
  if (!start()) return fail("the sharing thread would not start");
  return true;
}

void ShareServer::stopServer() {
  if (running()) stopBounded();
  stopNow();
}

void ShareServer::onStop() {
  closeAll();
  for (int* fd : {&listenFd_, &epollFd_, &timerFd_}) {
    if (*fd >= 0) ::close(*fd);
    *fd = -1;
  }
}

void ShareServer::closeAll() {
  for (auto& c : clientList_) {
    if (!c->dead) {
      releasePtt(*c);
      ::close(c->fd);
      c->dead = true;
    }
  }
  clientList_.clear();
  clients_.store(0);
}

void ShareServer::releasePtt(Client& c) {
  c.pttWant = -1;
  if (!c.session.pttHeld) return;
  c.session.pttHeld = false;
  c.pttSent = 0;
  backend_.perform(Action{Action::Kind::Ptt, 0, 0});
}

void ShareServer::askPtt(Client& c, int value) { c.pttWant = value; }

void ShareServer::flushPtt(Client& c) {
  if (c.pttWant < 0) return;
  const int v = c.pttWant;
  c.pttWant = -1;
  if (c.parked && c.await.kind == Await::Kind::Tx && (c.await.a != 0) != (v != 0)) c.parkedSuperseded = true;
  // Keyed already, and the radio says so: nothing to send. A release
  // always goes.
  if (v != 0 && c.pttSent == 1 && backend_.snapshot().txStat != 0) return;
  // Hung up already (its close not yet read): nobody would be left to
  // release it, and the drop would end it at once.
  if (v != 0 && peerGone(c)) return;
  c.pttSent = v != 0 ? 1 : 0;
  if (v != 0) {
    c.session.pttHeld = true;
    c.sawKeyed = false;
  } else {
    c.releasedAtMs = clock_.nowMs();
  }
  backend_.perform(Action{Action::Kind::Ptt, 0, c.pttSent});
}

// A release can be lost on the way: until the radio reports receive, the
// client still holds the transmitter and its close releases it again. A
// radio that never reported the key down may just not have reported yet.
void ShareServer::watchHold(Client& c, const Snapshot& s, std::int64_t now) {
  if (!c.session.pttHeld) return;
  if (c.pttSent == 1) {
    c.sawKeyed = c.sawKeyed || s.txStat != 0;
    return;
  }
  if (c.pttWant >= 0 || s.txStat != 0) return;
  if (c.sawKeyed || now - c.releasedAtMs >= config_.confirmMs) c.session.pttHeld = false;
}

// A keyed client that has gone quiet may have gone without a close.
void ShareServer::releaseSilent(std::int64_t now) {
  for (auto& c : clientList_) {
    if (c->dead || c->pttSent != 1 || now - c->lastHeardMs < kKeyedSilenceMs) continue;
    backend_.log("sharing: a keyed client said nothing for " + std::to_string(kKeyedSilenceMs / 1000) +
                 " s: its transmitter is released");
    askPtt(*c, 0);
    flushPtt(*c);
  }
}

// The peer has closed its side (or the connection failed) although its
// close has not been read yet.
bool ShareServer::peerGone(Client& c) {
  char b;
  const ssize_t n = ::recv(c.fd, &b, 1, MSG_PEEK | MSG_DONTWAIT);
  return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
}

void ShareServer::drop(Client& c) {
  if (c.dead) return;
  if (c.parked && c.continues) orphans_.push_back(Orphan{c.session, c.await, c.parkedUntil});
  releasePtt(c);
  ::epoll_ctl(epollFd_, EPOLL_CTL_DEL, c.fd, nullptr);
  ::close(c.fd);
  c.dead = true;
}

void ShareServer::onReadable() {
  epoll_event events[64];
  const int n = ::epoll_wait(epollFd_, events, 64, 0);
  for (int i = 0; i < n; ++i) {
    const int fd = events[i].data.fd;
    if (fd == listenFd_) {
      accept();
      continue;
    }
    if (fd == timerFd_) {
      std::uint64_t expirations;
      [[maybe_unused]] auto r = ::read(timerFd_, &expirations, sizeof expirations);
      tick();
      continue;
    }
    auto it = std::find_if(clientList_.begin(), clientList_.end(),
                           [fd](const auto& c) { return c->fd == fd && !c->dead; });
    if (it == clientList_.end()) continue;
    Client& c = **it;
    if (events[i].events & (EPOLLIN | EPOLLHUP | EPOLLERR)) readFrom(c);
    if (!c.dead && (events[i].events & EPOLLOUT)) writeTo(c);
  }
  const std::size_t before = clientList_.size();
  clientList_.erase(std::remove_if(clientList_.begin(), clientList_.end(), [](const auto& c) { return c->dead; }),
                    clientList_.end());
  clients_.store(static_cast<int>(clientList_.size()));
  if (clientList_.size() != before || n > 0) armTimer();
}

void ShareServer::accept() {
  for (;;) {
    sockaddr_in peer{};
    socklen_t len = sizeof peer;
    const int fd = ::accept4(listenFd_, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;  // EAGAIN: none left; anything else: try on the next wake-up
    const std::uint32_t addr = ntohl(peer.sin_addr.s_addr);
    const bool allowed = peerAllowed(addr, config_.allow);
    const int live = static_cast<int>(std::count_if(clientList_.begin(), clientList_.end(),
                                                    [](const auto& c) { return !c->dead; }));
    if (!allowed || live >= config_.maxClients) {
      rejected_.fetch_add(1);  // counted before the client can see the close
      ::close(fd);
      continue;
    }
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    // A peer gone without a close (asleep, unplugged) is noticed in about
    // 10 s: probes after 5 s idle, 3 of them 1 s apart, and as long for an
    // answer it never acknowledges (while one is out, no probe goes).
    const int idleS = 5, intervalS = 1, probes = 3, unackedMs = 10000;
    ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &one, sizeof one);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idleS, sizeof idleS);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &intervalS, sizeof intervalS);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
    ::setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &unackedMs, sizeof unackedMs);
    auto c = std::make_unique<Client>();
    c->fd = fd;
    c->lastHeardMs = c->lastWriteMs = clock_.nowMs();
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.fd = fd;
    if (::epoll_ctl(epollFd_, EPOLL_CTL_ADD, fd, &ev) != 0) {
      ::close(fd);
      continue;
    }
    clientList_.push_back(std::move(c));
  }
}

void ShareServer::readFrom(Client& c) {
  char buf[kReadChunk];
  const ssize_t n = ::read(c.fd, buf, sizeof buf);
  if (n == 0) {
    drop(c);  // the client hung up
    return;
  }
  if (n < 0) {
    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) drop(c);
    return;
  }
  const std::int64_t now = clock_.nowMs();
  c.lastHeardMs = now;
  releaseSilent(now);
  c.in.append(buf, static_cast<std::size_t>(n));
  processLines(c);
}

void ShareServer::processLines(Client& c) {
  Reply reply;
  std::size_t start = 0;
  // Another connection's set in steps has the other VFO receiving for a
  // while: a read would take it for the receiver, a set would reach it.
  const bool waiting = stepsUnderWay(&c);
  while (!c.dead && !c.parked && !waiting) {
    const std::size_t nl = c.in.find('\n', start);
    if (nl == std::string::npos) break;
    if (nl - start > kMaxLine) break;
    const std::string_view line(c.in.data() + start, nl - start);
    const bool actedEarly = nl < c.actedUpTo;
    start = nl + 1;
    requests_.fetch_add(1);
    const Snapshot snap = backend_.snapshot();
    checkLink(snap);
    // The hold follows what reaches the radio, not what was asked.
    const bool held = c.session.pttHeld;
    handleLine(line, snap, c.session, reply);
    c.session.pttHeld = held;
    if (reply.close) {
      // What it asked before goes; nothing after.
      flushPtt(c);
      writeTo(c);
      drop(c);
      return;
    }
    bool superseded = false;
    for (int k = 0; k < reply.actionCount; ++k) {
      const Action& a = reply.actions[k];
      if (a.kind != Action::Kind::Ptt) {
        flushPtt(c);  // a transmit change asked before a set goes before it
        backend_.perform(a);
      } else if (!actedEarly) {
        askPtt(c, a.value);
      } else {
        superseded = (a.value != 0 ? 1 : 0) != c.pttSent;
      }
    }
    if (reply.actionCount > 0 && !superseded && (reply.continues || !satisfied(reply.await, snap))) {
      flushPtt(c);
      c.parked = true;
      c.parkedSuperseded = false;
      c.continues = reply.continues;
      c.await = reply.await;
      c.held = reply.text;
      c.failHeld = reply.failText;
      c.parkedUntil = clock_.nowMs() + config_.confirmMs;
    } else {
      c.out += reply.text;
    }
  }
  if (!c.dead) flushPtt(c);
  c.in.erase(0, start);
  c.actedUpTo = c.actedUpTo > start ? c.actedUpTo - start : 0;
  if ((c.parked || waiting) && !c.dead) actAhead(c, waiting);
  // A line longer than any request, or more queued than any client needs
  // while it waits: a flood.
  const std::size_t nl = c.in.find('\n');
  if ((nl == std::string::npos ? c.in.size() : nl) > kMaxLine || c.in.size() > kMaxQueued) {
    dropped_.fetch_add(1);
    drop(c);
    return;
  }
  if (!c.out.empty()) writeTo(c);
}

// Transmit requests queued behind a set that waits for the radio's report
// act now, their answers keep their turn: a release at once, a key once
// every set asked before it has been handed on, nothing after a goodbye.
// A run of them comes down to the newest.
void ShareServer::actAhead(Client& c, bool keysWait) {
  Reply reply;
  Session scratch = c.session;
  const Snapshot snap = backend_.snapshot();
  // A set in steps has more to hand on: a key waits for its last step.
  bool setBefore = c.continues || keysWait;
  std::size_t actedTo = c.actedUpTo;
  for (std::size_t from = 0, nl; (nl = c.in.find('\n', from)) != std::string::npos && nl - from <= kMaxLine;
       from = nl + 1) {
    handleLine(std::string_view(c.in.data() + from, nl - from), snap, scratch, reply);
    if (reply.close) break;
    for (int k = 0; k < reply.actionCount; ++k) {
      const Action& a = reply.actions[k];
      if (a.kind != Action::Kind::Ptt) {
        setBefore = true;
      } else if (nl >= c.actedUpTo && (a.value == 0 || !setBefore)) {
        askPtt(c, a.value);
        actedTo = nl + 1;
      }
    }
  }
  c.actedUpTo = actedTo;
  flushPtt(c);
}

bool ShareServer::unpark(Client& c, const Snapshot& s, std::int64_t now) {
  bool confirmed = satisfied(c.await, s) || c.parkedSuperseded;
  if (!confirmed && now < c.parkedUntil) return false;
  if (c.continues) {
    Reply next;
    const SetStep step = continueSet(s, c.session, !confirmed, next);
    if (step == SetStep::More) {
      for (int k = 0; k < next.actionCount; ++k) backend_.perform(next.actions[k]);
      c.await = next.await;
      c.parkedUntil = now + config_.confirmMs;
      return false;
    }
    c.continues = false;
    confirmed = step == SetStep::Done;
  }
  c.parked = false;
  c.parkedSuperseded = false;
  if (peerGone(c)) {
    drop(c);  // what it queued is not carried out after its close
    return true;
  }
  c.out += confirmed ? c.held : c.failHeld;
  c.held.clear();
  c.failHeld.clear();
  processLines(c);
  if (!c.dead && !c.out.empty()) writeTo(c);
  return true;
}

void ShareServer::writeTo(Client& c) {
  while (!c.out.empty()) {
    const ssize_t n = ::send(c.fd, c.out.data(), c.out.size(), MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK) break;
      if (errno == EINTR) continue;
      drop(c);
      return;
    }
    c.out.erase(0, static_cast<std::size_t>(n));
    c.lastWriteMs = clock_.nowMs();
  }
  if (c.out.size() > config_.maxPending) {
    dropped_.fetch_add(1);  // asks faster than it reads
    drop(c);
    return;
  }
  const bool want = !c.out.empty();
  if (want != c.wantsOut) {
    c.wantsOut = want;
    if (!want) c.lastWriteMs = clock_.nowMs();
    epoll_event ev{};
    ev.events = EPOLLIN | (want ? EPOLLOUT : 0u);
    ev.data.fd = c.fd;
    ::epoll_ctl(epollFd_, EPOLL_CTL_MOD, c.fd, &ev);
  }
}

void ShareServer::tick() {
  const std::int64_t now = clock_.nowMs();
  const Snapshot snap = backend_.snapshot();
  for (auto& c : clientList_) {
    if (!c->dead) watchHold(*c, snap, now);
  }
  for (auto& c : clientList_) {
    if (!c->dead && c->parked) unpark(*c, snap, now);
  }
  finishOrphans(snap, now);
  for (auto& c : clientList_) {
    if (!c->dead && !c->parked && c->in.find('\n') != std::string::npos) processLines(*c);
  }
  releaseSilent(now);
  for (auto& c : clientList_) {
    if (c->dead) continue;
    if (c->parked) continue;
    const bool silent = now - c->lastHeardMs > config_.silenceLimitMs;
    const bool stalled = !c->out.empty() && now - c->lastWriteMs > kStallLimitMs;
    if (silent || stalled) {
      dropped_.fetch_add(1);
      drop(*c);
    }
  }
  checkLink(snap);
}

void ShareServer::finishOrphans(const Snapshot& s, std::int64_t now) {
  for (auto it = orphans_.begin(); it != orphans_.end();) {
    const bool confirmed = satisfied(it->await, s);
    if (!confirmed && now < it->until) {
      ++it;
      continue;
    }
    Reply next;
    if (continueSet(s, it->session, !confirmed, next) != SetStep::More) {
      it = orphans_.erase(it);
      continue;
    }
    for (int k = 0; k < next.actionCount; ++k) backend_.perform(next.actions[k]);
    it->await = next.await;
    it->until = now + config_.confirmMs;
    ++it;
  }
}

void ShareServer::checkLink(const Snapshot& snap) {
  if (linkWasUp_ && !snap.linkUp) {
    // The radio is gone: nobody may believe they still hold the transmitter.
    for (auto& c : clientList_) {
      if (!c->dead) releasePtt(*c);
    }
  }
  linkWasUp_ = snap.linkUp;
}

bool ShareServer::stepsUnderWay(const Client* except) const {
  if (!orphans_.empty()) return true;
  return std::any_of(clientList_.begin(), clientList_.end(), [except](const auto& c) {
    return c.get() != except && !c->dead && c->parked && c->continues;
  });
}

int ShareServer::wantedPeriodMs() const {
  if (!orphans_.empty()) return config_.confirmPollMs;
  bool any = false;
  bool keyed = false;
  for (const auto& c : clientList_) {
    if (c->dead) continue;
    if (c->parked) return config_.confirmPollMs;
    any = true;
    keyed = keyed || c->session.pttHeld;
  }
  // A keyed transmitter watches the link more closely.
  return keyed ? std::min(config_.tickMs, kKeyedTickMs) : any ? config_.tickMs : 0;
}

void ShareServer::armTimer() {
  const int period = wantedPeriodMs();
  if (period == timerPeriodMs_) return;
  itimerspec timing{};
  if (period > 0) {
    timing.it_value.tv_sec = period / 1000;
    timing.it_value.tv_nsec = static_cast<long>(period % 1000) * 1000000L;
    timing.it_interval = timing.it_value;
  }
  ::timerfd_settime(timerFd_, 0, &timing, nullptr);
  timerPeriodMs_ = period;
}

}  // namespace hrx::share
