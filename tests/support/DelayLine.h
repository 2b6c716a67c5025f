#pragma once
// A far-away line in user space: a TCP proxy on loopback in front of another
// port (ser2net's) that holds what passes each way for a set time with
// jitter, keeping the order of the bytes, as a link to another continent
// does. It can also swallow what comes back (a far side that never answers)
// and cut the line (an outage: connections dropped, new ones refused).
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace hrx::test {

class DelayLine {
 public:
  using Clock = std::chrono::steady_clock;

  DelayLine(int targetPort, int delayMs, int jitterMs) : target_(targetPort), delayMs_(delayMs), jitterMs_(jitterMs) {}
  ~DelayLine() {
    stop_.store(true);
    if (thread_.joinable()) thread_.join();
    for (auto& p : pairs_) closePair(p);
    if (listener_ >= 0) ::close(listener_);
  }

  bool start() {
    if (!listen()) return false;
    thread_ = std::thread([this] { run(); });
    return true;
  }
  int port() const { return port_; }
  std::string url(const char* scheme) const { return std::string(scheme) + "://127.0.0.1:" + std::to_string(port_); }
  // What the far side sends no longer comes back.
  void swallowReplies(bool on) { swallow_.store(on); }
  // The line goes (connections dropped, new ones refused) or comes back.
  void cut(bool on) { cut_.store(on); }
  int connections() const { return accepted_.load(); }

 private:
  struct Chunk {
    Clock::time_point due;
    std::string bytes;
  };
  struct Leg {
    std::deque<Chunk> queue;
    Clock::time_point last{};
  };
  struct Pair {
    int near = -1, far = -1;
    Leg up, down;   // up: program to far side; down: back
  };

  static void closePair(Pair& p) {
    if (p.near >= 0) ::close(p.near);
    if (p.far >= 0) ::close(p.far);
    p.near = p.far = -1;
  }
  static sockaddr_in loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    return a;
  }
  bool listen() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const int one = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a = loopback(port_);
    socklen_t len = sizeof a;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(listener_, 4) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
      ::close(listener_);
      listener_ = -1;
      return false;
    }
    port_ = ntohs(a.sin_port);
    return true;
  }
  Clock::time_point dueFor(Leg& leg) {
    std::uniform_int_distribution<int> j(-jitterMs_, jitterMs_);
    auto due = Clock::now() + std::chrono::milliseconds(delayMs_ + (jitterMs_ > 0 ? j(rng_) : 0));
    if (due < leg.last) due = leg.last;   // jitter never reorders the stream
    leg.last = due;
    return due;
  }
  // Reads what `from` has into the leg; false when it closed.
  bool take(int from, Leg& leg, bool drop) {
    char buf[4096];
    const ssize_t r = ::recv(from, buf, sizeof buf, MSG_DONTWAIT);
    if (r == 0) return false;
    if (r < 0) return errno == EAGAIN || errno == EINTR;
    if (!drop) leg.queue.push_back({dueFor(leg), std::string(buf, static_cast<std::size_t>(r))});
    return true;
  }
  bool release(int to, Leg& leg, Clock::time_point now) {
    while (!leg.queue.empty() && leg.queue.front().due <= now) {
      const std::string& b = leg.queue.front().bytes;
      if (::send(to, b.data(), b.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(b.size())) return false;
      leg.queue.pop_front();
    }
    return true;
  }

  void run() {
    while (!stop_.load()) {
      if (cut_.load()) {
        for (auto& p : pairs_) closePair(p);
        pairs_.clear();
        if (listener_ >= 0) ::close(listener_);
        listener_ = -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        continue;
      }
      if (listener_ < 0 && !listen()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        continue;
      }
      std::vector<pollfd> fds{{listener_, POLLIN, 0}};
      for (auto& p : pairs_) {
        fds.push_back({p.near, POLLIN, 0});
        fds.push_back({p.far, POLLIN, 0});
      }
      int wait = 5;
      const auto now = Clock::now();
      for (auto& p : pairs_)
        for (Leg* leg : {&p.up, &p.down})
          if (!leg->queue.empty()) {
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(leg->queue.front().due - now).count();
            wait = std::min<int>(wait, ms > 0 ? static_cast<int>(ms) : 0);
          }
      ::poll(fds.data(), fds.size(), wait);
      if (fds[0].revents & POLLIN) accept();
      const auto t = Clock::now();
      const std::size_t polled = (fds.size() - 1) / 2;   // one just accepted was not
      for (std::size_t i = 0; i < pairs_.size(); ++i) {
        Pair& p = pairs_[i];
        bool ok = true;
        if (i < polled) {
          if (fds[1 + 2 * i].revents & (POLLIN | POLLHUP | POLLERR)) ok = take(p.near, p.up, false) && ok;
          if (fds[2 + 2 * i].revents & (POLLIN | POLLHUP | POLLERR)) ok = take(p.far, p.down, swallow_.load()) && ok;
        }
        ok = release(p.far, p.up, t) && release(p.near, p.down, t) && ok;
        if (!ok) closePair(p);
      }
      std::erase_if(pairs_, [](const Pair& p) { return p.near < 0; });
    }
  }
  void accept() {
    const int near = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (near < 0) return;
    const int far = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in a = loopback(target_);
    if (::connect(far, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
      ::close(near);
      ::close(far);
      return;
    }
    const int one = 1;
    ::setsockopt(near, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    ::setsockopt(far, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    pairs_.push_back(Pair{near, far, {}, {}});
    accepted_.fetch_add(1);
  }

  int target_;
  int delayMs_, jitterMs_;
  int listener_ = -1;
  int port_ = 0;
  std::mt19937 rng_{37};
  std::vector<Pair> pairs_;   // the proxy thread's own
  std::atomic<bool> stop_{false}, swallow_{false}, cut_{false};
  std::atomic<int> accepted_{0};
  std::thread thread_;
};

}  // namespace hrx::test
