#include "serial/Sio_Send_Thread.h"

#include <algorithm>
#include <cstring>

#include "serial/ComPort.h"
#include "platform/RingBuffer.h"
#include "state/RadioState.h"

namespace hrx {

SendVerdict sendVerdict(const LineStatus& status) {
  if (status.outQueue >= kOutQueueLimit || status.fault) return SendVerdict::DropAndClose;
  if (status.dsrHold || status.xoffHold || status.xoffSent || status.eof) return SendVerdict::Drop;
  for (const auto code : kSendRefusingErrors)
    if (status.errors == code) return SendVerdict::Drop;
  return SendVerdict::Write;
}

Sio_Send_Thread::Sio_Send_Thread(ComPort& port, RadioState& state, Sio_RingBuff& sendRing)
    : MsgThread("Sio_Send_Thread"), port_(port), state_(state), ring_(sendRing) {
  // What the radio last reported counts at a loss as much as what was asked.
  port_.setTransmitRule([&state] { return ComPort::Transmitting{state.get_TxStat() != 0, state.get_MX_Stat() != 0}; });
}

Sio_Send_Thread::~Sio_Send_Thread() {
  stopNow();
  port_.setTransmitRule(nullptr);
}

bool Sio_Send_Thread::release() {
  releasedThrough_.store(tickets_.load(std::memory_order_acquire), std::memory_order_release);
  return sendAhead(kRelease);
}

bool Sio_Send_Thread::sendAhead(std::string_view command) {
  if (command.empty() || command.size() >= Sio_RingBuff::kSlotBytes) return false;
  {
    std::lock_guard lock(aheadMu_);
    aheadInbox_.emplace_back(command);
  }
  if (post(kMsgSendAhead)) return true;
  std::lock_guard lock(aheadMu_);
  aheadInbox_.clear();  // a stopped thread sends nothing later by surprise
  return false;
}

void Sio_Send_Thread::onMessage(const Msg& msg) {
  if (msg.id == kMsgSend) {
    if (state_.get_CommEnabled() == 0) return;  // the record waits in the ring
    takeOne();
  } else if (msg.id == kMsgSendAhead) {
    std::deque<std::string> inbox;
    {
      std::lock_guard lock(aheadMu_);
      inbox.swap(aheadInbox_);
    }
    for (auto& cmd : inbox) held_.pushAhead(std::move(cmd));
  } else if (msg.id == kMsgSendKey) {
    key(msg);
  } else {
    return;
  }
  pump();
}

void Sio_Send_Thread::onStop() {
  // What is held still goes out: a speed change told just before an exit
  // must reach the radio, since the settings then keep the new speed.
  // A keying is not: nobody would be left to release it.
  while (!held_.empty() && state_.get_CommEnabled() != 0) {
    const std::string cmd = held_.pop();
    if (keysTransmitter(cmd)) {
      takenBack_.fetch_add(1, std::memory_order_relaxed);
      continue;
    }
    if (writeOne(cmd) != Sent::Written && isRelease(cmd)) port_.oweRelease(isMox(cmd));
  }
  // At the end, a keying noted after the end looked is still released.
  if (!keyingsVoid_.load() || state_.get_CommEnabled() == 0) return;
  if (port_.keyingAsked() && writeOne(kRelease) != Sent::Written) port_.oweRelease();
  if (port_.moxAsked() && writeOne(kMoxRelease) != Sent::Written) port_.oweRelease(true);
}

bool Sio_Send_Thread::takeOne() {
  unsigned char buf[Sio_RingBuff::kSlotBytes];
  std::memset(buf, 0, sizeof buf);
  const std::int16_t len = ring_.Sio_RingBuff_Read(buf);
  if (len <= 0) return false;  // nothing queued
  taken_.fetch_add(1, std::memory_order_relaxed);
  hold(std::string(reinterpret_cast<const char*>(buf), static_cast<std::size_t>(len)));
  return true;
}

void Sio_Send_Thread::hold(std::string cmd) {
  if (keysTransmitter(cmd)) {
    // Asked for from here on: a loss of the line before its release owes
    // one. Noted before the end's flag is read, as the end sets its flag
    // before it reads this: one of the two sees the other.
    port_.noteKeying(true, isMox(cmd));
    if (keyingsVoid_.load()) {
      takenBack_.fetch_add(1, std::memory_order_relaxed);
      return;
    }
  }
  if (held_.push(std::move(cmd)) > 0) merged_.fetch_add(1, std::memory_order_relaxed);
}

void Sio_Send_Thread::key(const Msg& msg) {
  const auto ticket = static_cast<std::uint64_t>(msg.l);
  const bool voided = ticket != 0 && ticket <= releasedThrough_.load(std::memory_order_acquire);
  if (voided || state_.get_CommEnabled() == 0 || msg.w < 1 || msg.w > 9) {
    takenBack_.fetch_add(1, std::memory_order_relaxed);
    return;
  }
  // Whatever was queued before it, by whoever, is held before it.
  while (takeOne()) {
  }
  hold(std::string{'T', 'X', static_cast<char>('0' + msg.w), ';'});
}

void Sio_Send_Thread::watchWrites(std::string command) {
  std::lock_guard lock(watchMu_);
  watchedWritten_ = false;
  watching_.store(!command.empty(), std::memory_order_release);
  watched_ = std::move(command);
}

bool Sio_Send_Thread::watchedWritten() const {
  std::lock_guard lock(watchMu_);
  return watchedWritten_;
}

std::chrono::steady_clock::time_point Sio_Send_Thread::dueAt() {
  if (held_.empty() || state_.get_CommEnabled() == 0) return Clock::time_point::max();
  return std::max(lineFreeAt_ - kLineLead, retryAt_);
}

void Sio_Send_Thread::pump() {
  // Everything, the ahead lane too, waits for the line: a command in the
  // driver can no longer be overtaken or merged.
  while (!held_.empty() && state_.get_CommEnabled() != 0) {
    const auto now = Clock::now();
    if (now < lineFreeAt_ - kLineLead || now < retryAt_) return;  // dueAt() wakes us
    std::string cmd = held_.pop();
    const Sent sent = writeOne(cmd);
    if (isRelease(cmd) && retryRelease(cmd, sent)) return;
  }
}

bool Sio_Send_Thread::retryRelease(const std::string& cmd, Sent sent) {
  if (sent == Sent::Written) {
    releaseTries_ = 0;
    return false;
  }
  if (sent == Sent::Refused && releaseTries_ < kReleaseRetries) {
    ++releaseTries_;
    held_.pushFront(cmd);
    retryAt_ = Clock::now() + kReleaseRetryGap;
    return true;
  }
  // Refused for good, or the line is gone: the next open sends it first.
  releaseTries_ = 0;
  port_.oweRelease(isMox(cmd));
  port_.Close();
  return false;
}

void Sio_Send_Thread::account(std::size_t bytes) {
  const int baud = port_.GetBaudRate();
  if (baud <= 0) return;
  const auto now = Clock::now();
  if (lineFreeAt_ < now) lineFreeAt_ = now;
  lineFreeAt_ += std::chrono::nanoseconds(static_cast<std::int64_t>(bytes) * kBitsPerChar * 1000000000LL / baud);
}

Sio_Send_Thread::Sent Sio_Send_Thread::writeOne(const std::string& cmd) {
  // Opens a closed port (which sends an owed release and its AI command
  // first); no-op when open.
  const bool owed = port_.releaseOwed();
  const bool moxOwed = port_.moxReleaseOwed();
  if (port_.Open()) {
    lineFreeAt_ = Clock::now();
    account(4 + (owed && !port_.releaseOwed() ? (moxOwed ? 8 : 4) : 0));
  }
  LineStatus status;
  if (!port_.lineStatus(status)) return Sent::Lost;

  switch (sendVerdict(status)) {
    case SendVerdict::DropAndClose: port_.Close(); return Sent::Lost;
    case SendVerdict::Drop: return Sent::Refused;
    case SendVerdict::Write: break;
  }

  if (cmd.starts_with("AI1;")) state_.set_AiOnRequested(1);
  else if (cmd.starts_with("AI0;")) state_.set_AiOnRequested(0);

  // Asked for before it can reach the radio: a close during the write owes
  // a release even though the reopen's own release cleared the flag.
  if (keysTransmitter(cmd)) port_.noteKeying(true, isMox(cmd));
  const WriteOutcome outcome = port_.write(cmd.data(), cmd.size());
  account(cmd.size());
  if (outcome == WriteOutcome::Complete) {
    written_.fetch_add(1, std::memory_order_relaxed);
    if (watching_.load(std::memory_order_acquire)) {
      std::lock_guard lock(watchMu_);
      if (cmd.find(watched_) != std::string::npos) watchedWritten_ = true;
    }
  }
  // A reopen by another thread during the write paid the debt and cleared
  // the note, but this keying reached the new line.
  if (outcome == WriteOutcome::Complete && keysTransmitter(cmd)) port_.noteKeying(true, isMox(cmd));
  // A keying held behind this release is still asked for.
  if (outcome == WriteOutcome::Complete && isRelease(cmd)) port_.noteKeying(held_.holdsKeying(isMox(cmd)), isMox(cmd));
  // A device that has gone is closed now; the next command re-opens it.
  if (outcome == WriteOutcome::Fault) port_.Close();
  state_.set_AwaitingReply(1);
  return outcome == WriteOutcome::Complete ? Sent::Written : Sent::Lost;
}

}  // namespace hrx
