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

void Sio_Send_Thread::onMessage(const Msg& msg) {
  if (msg.id == kMsgSend) sendOne();
}

void Sio_Send_Thread::sendOne() {
  if (state_.get_CommEnabled() == 0) return;  // the record waits in the ring
  unsigned char buf[Sio_RingBuff::kSlotBytes];
  std::memset(buf, 0, sizeof buf);
  const std::int16_t len = ring_.Sio_RingBuff_Read(buf);
  if (len <= 0) return;  // nothing queued
  taken_.fetch_add(1, std::memory_order_relaxed);

  // Opens a closed port (which sends its AI command first); no-op when open.
  port_.Open();
  LineStatus status;
  if (!port_.lineStatus(status)) return;

  switch (sendVerdict(status)) {
    case SendVerdict::DropAndClose: port_.Close(); return;
    case SendVerdict::Drop: return;
    case SendVerdict::Write: break;
  }

  if (len >= 4 && std::memcmp(buf, "AI1;", 4) == 0) state_.set_AiOnRequested(1);
  else if (len >= 4 && std::memcmp(buf, "AI0;", 4) == 0) state_.set_AiOnRequested(0);

  const WriteOutcome outcome = port_.write(buf, static_cast<std::size_t>(len));
  if (outcome == WriteOutcome::Complete) written_.fetch_add(1, std::memory_order_relaxed);
  // A device that has gone is closed now; the next command re-opens it.
  if (outcome == WriteOutcome::Fault) port_.Close();
  state_.set_AwaitingReply(1);
}

}  // namespace hrx
