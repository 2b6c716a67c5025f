#include "analysis/ReplyAnalyser.h"

#include <algorithm>
#include <cstring>

namespace hrx {

void ReplyAnalyser::dispatch(const char* reply, std::size_t length) {
  char buffer[kReplyBufferBytes] = {};
  if (reply != nullptr) std::memcpy(buffer, reply, std::min(length, kReplyBufferBytes - 1));
  dispatchBuffer(buffer);
}

void ReplyAnalyser::dispatchBuffer(const char* r) {
  ctx_.window.killTimer(ID_SIO_POWER_SYNC_TIMER);
  ctx_.state.set_PowerSyncTimerArmed(0);
  if (r[0] == 'E' && r[1] == 'X') {
    decodeMenuReply(ctx_, r);
  } else if (const int row = ReplyCodeTable::find(r[0], r[1]); row >= 0 && decodeReply(ctx_, row, r)) {
    postRowEvent(ctx_, row);
    if (row == static_cast<int>(ReplyRow::RI)) postRowEvent(ctx_, static_cast<int>(ReplyRow::SF));
  }
  ctx_.window.setTimer(ID_SIO_POWER_SYNC_TIMER, kPowerSyncPeriodMs);
  ctx_.state.set_PowerSyncTimerArmed(1);
}

void ReplyAnalyser::powerSyncTimeout() {
  ctx_.composer.post(kMsgAnlSendSweepStop);
  ctx_.state.set_AiOnRequested(0);
  decodeSynthetic(ctx_, ReplyRow::AI, "AI0");
  postRowEvent(ctx_, static_cast<int>(ReplyRow::AI));
}

void Anl_Recv_Thread::onMessage(const Msg& msg) {
  switch (msg.id) {
    case kMsgReplyReady: {
      char buffer[kReplyBufferBytes] = {};
      // A reply-ready message with nothing waiting is not a reply: it must
      // not count as the radio speaking.
      if (recvRing_.Sio_RingBuff_Read(buffer) > 0) analyser_.dispatchBuffer(buffer);
      break;
    }
    case kMsgPowerSyncTimeout:
      analyser_.powerSyncTimeout();
      break;
    default:
      break;
  }
}

}  // namespace hrx
