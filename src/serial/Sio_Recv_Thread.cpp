#include "serial/Sio_Recv_Thread.h"

#include <pthread.h>
#include <sys/epoll.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "serial/ComPort.h"
#include "platform/RingBuffer.h"
#include "state/RadioState.h"

namespace hrx {

static_assert(sizeof(pthread_t) <= sizeof(std::uint64_t));

Sio_Recv_Thread::Sio_Recv_Thread(ComPort& port, RadioState& state, Sio_RingBuff& recvRing, PostTarget& analyser,
                                 bool selfPolling)
    : MsgThread("Sio_Recv_Thread"),
      port_(port),
      state_(state),
      ring_(recvRing),
      analyser_(analyser),
      selfPolling_(selfPolling),
      collector_(&state) {
  if (selfPolling_) {
    epollFd_ = ::epoll_create1(EPOLL_CLOEXEC);
    timerFd_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (epollFd_ >= 0 && timerFd_ >= 0) {
      epoll_event ev{};
      ev.events = EPOLLIN;
      ev.data.fd = timerFd_;
      ::epoll_ctl(epollFd_, EPOLL_CTL_ADD, timerFd_, &ev);
    }
    // A re-open by another thread must reach a thread asleep on a closed line.
    port_.setOpenListener([this] { wake(); });
  }
}

Sio_Recv_Thread::~Sio_Recv_Thread() {
  if (selfPolling_) port_.setOpenListener(nullptr);
  stopNow();
  if (timerFd_ >= 0) ::close(timerFd_);
  if (epollFd_ >= 0) ::close(epollFd_);
}

std::int64_t Sio_Recv_Thread::cpuTimeNs() const {
  if (!haveThreadId_.load(std::memory_order_acquire)) return -1;
  clockid_t cid;
  const auto tid = static_cast<pthread_t>(threadId_.load(std::memory_order_relaxed));
  if (::pthread_getcpuclockid(tid, &cid) != 0) return -1;
  timespec ts{};
  if (::clock_gettime(cid, &ts) != 0) return -1;
  return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

void Sio_Recv_Thread::onStart() {
  collector_.reset();
  busy_ = false;
  threadId_.store(static_cast<std::uint64_t>(::pthread_self()), std::memory_order_relaxed);
  haveThreadId_.store(true, std::memory_order_release);
}

void Sio_Recv_Thread::onStop() {
  haveThreadId_.store(false, std::memory_order_release);
  unwatchDevice();
  armTimer(0);
}

void Sio_Recv_Thread::onMessage(const Msg& msg) {
  if (msg.id == kMsgPoll) busy_ = pollOnce();
}

int Sio_Recv_Thread::idleFd() {
  if (!selfPolling_ || epollFd_ < 0 || timerFd_ < 0) return -1;
  if (state_.get_CommEnabled() == 0) {
    // Bytes that may not be taken yet would keep the line readable forever.
    unwatchDevice();
    armTimer(kDisabledRecheckMs);
    return epollFd_;
  }
  watchDevice();
  armTimer(busy_ ? kPollPeriodMs : 0);
  return epollFd_;
}

void Sio_Recv_Thread::onReadable() {
  std::uint64_t ticks;
  [[maybe_unused]] const auto n = ::read(timerFd_, &ticks, sizeof ticks);
  busy_ = pollOnce();
}

void Sio_Recv_Thread::watchDevice() {
  if (watchedFd_ >= 0 && watchedGeneration_ == port_.generation() && port_.IsOpen()) return;
  unwatchDevice();
  port_.withHandle([this](int fd, std::uint64_t generation) {
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.fd = fd;
    if (::epoll_ctl(epollFd_, EPOLL_CTL_ADD, fd, &ev) == 0 || errno == EEXIST) {
      watchedFd_ = fd;
      watchedGeneration_ = generation;
    }
  });
}

void Sio_Recv_Thread::unwatchDevice() {
  if (watchedFd_ < 0) return;
  // Only while the port is held open with the watched descriptor: a closed
  // one has left the set by itself, and its number may already be another's.
  port_.withHandle([this](int fd, std::uint64_t generation) {
    if (fd == watchedFd_ && generation == watchedGeneration_) ::epoll_ctl(epollFd_, EPOLL_CTL_DEL, fd, nullptr);
  });
  watchedFd_ = -1;
}

void Sio_Recv_Thread::armTimer(int ms) {
  if (timerFd_ < 0 || ms == armedMs_) return;
  itimerspec period{};
  if (ms > 0) {
    period.it_value.tv_nsec = static_cast<long>(ms) * 1000000;
    period.it_interval = period.it_value;
  }
  ::timerfd_settime(timerFd_, 0, &period, nullptr);
  armedMs_ = ms;
}

bool Sio_Recv_Thread::pollOnce() {
  if (state_.get_CommEnabled() == 0) return false;
  polls_.fetch_add(1, std::memory_order_relaxed);

  LineStatus status;
  bool open = port_.lineStatus(status);
  if (open) {
    switch (collector_.rtsDecision(status.errors)) {
      case RecvCollector::Rts::Raise: port_.setRts(true); break;
      case RecvCollector::Rts::Drop: port_.setRts(false); break;
      case RecvCollector::Rts::Keep: break;
    }
  }
  if (open && status.fault) {
    collector_.loseHead();
    port_.Close();
    open = false;
  }

  std::size_t got = 0;
  if (open && collector_.freeSpace() > 0) {
    const ComPort::ReadResult r = port_.read(collector_.tail(), collector_.freeSpace());
    if (r.fault) {
      collector_.loseHead();
      port_.Close();
      open = false;
    } else if (r.bytes > 0) {
      got = static_cast<std::size_t>(r.bytes);
      collector_.commit(got);
    }
  }

  const RecvCollector::Outcome outcome = collector_.step(open ? status.errors : 0);
  if (outcome == RecvCollector::Outcome::Delivered) {
    state_.set_AwaitingReply(0);
    const auto len = static_cast<std::int16_t>(collector_.recordLength());
    // Only a stored record is announced: the analyser reads one per message.
    if (ring_.Sio_RingBuff_Write(len, collector_.record()) == len) analyser_.post(kMsgReplyReady);
    delivered_.fetch_add(1, std::memory_order_relaxed);
  }
  return got > 0 || outcome == RecvCollector::Outcome::Delivered || outcome == RecvCollector::Outcome::Discarded;
}

}  // namespace hrx
