#include "serial/Sio_Send_Thread.h"

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
    : MsgThread("Sio_Send_Thread"), port_(port), state_(state), ring_(sendRing) {}

Sio_Send_Thread::~Sio_Send_Thread() { stopNow(); }

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
  } else {
    return;
  }
  pump();
}

void Sio_Send_Thread::onStop() {
  // What is held still goes out: a speed change told just before an exit
  // must reach the radio, since the settings then keep the new speed.
  while (!held_.empty() && state_.get_CommEnabled() != 0) writeOne(held_.pop());
}

void Sio_Send_Thread::takeOne() {
  unsigned char buf[Sio_RingBuff::kSlotBytes];
  std::memset(buf, 0, sizeof buf);
  const std::int16_t len = ring_.Sio_RingBuff_Read(buf);
  if (len <= 0) return;  // nothing queued
  taken_.fetch_add(1, std::memory_order_relaxed);
  if (held_.push(std::string(reinterpret_cast<const char*>(buf), static_cast<std::size_t>(len))) > 0)
    merged_.fetch_add(1, std::memory_order_relaxed);
}

std::chrono::steady_clock::time_point Sio_Send_Thread::dueAt() {
  if (held_.empty() || state_.get_CommEnabled() == 0) return Clock::time_point::max();
  return held_.frontGoesAhead() ? Clock::now() : lineFreeAt_ - kLineLead;
}

void Sio_Send_Thread::pump() {
  while (!held_.empty() && state_.get_CommEnabled() != 0) {
    if (!held_.frontGoesAhead() && Clock::now() < lineFreeAt_ - kLineLead) return;  // dueAt() wakes us
    writeOne(held_.pop());
  }
}

void Sio_Send_Thread::account(std::size_t bytes) {
  const int baud = port_.GetBaudRate();
  if (baud <= 0) return;
  const auto now = Clock::now();
  if (lineFreeAt_ < now) lineFreeAt_ = now;
  lineFreeAt_ += std::chrono::nanoseconds(static_cast<std::int64_t>(bytes) * kBitsPerChar * 1000000000LL / baud);
}

void Sio_Send_Thread::writeOne(const std::string& cmd) {
  // Opens a closed port (which sends its AI command first); no-op when open.
  if (port_.Open()) {
    lineFreeAt_ = Clock::now();
    account(4);
  }
  LineStatus status;
  if (!port_.lineStatus(status)) return;

  switch (sendVerdict(status)) {
    case SendVerdict::DropAndClose: port_.Close(); return;
    case SendVerdict::Drop: return;
    case SendVerdict::Write: break;
  }

  if (cmd.starts_with("AI1;")) state_.set_AiOnRequested(1);
  else if (cmd.starts_with("AI0;")) state_.set_AiOnRequested(0);

  const WriteOutcome outcome = port_.write(cmd.data(), cmd.size());
  account(cmd.size());
  if (outcome == WriteOutcome::Complete) written_.fetch_add(1, std::memory_order_relaxed);
  // A device that has gone is closed now; the next command re-opens it.
  if (outcome == WriteOutcome::Fault) port_.Close();
  state_.set_AwaitingReply(1);
}

}  // namespace hrx
