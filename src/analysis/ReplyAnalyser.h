#pragma once
// The reply analyser: takes one reply at a time from the receive ring, finds
// its row in ReplyCodeTable, lets the row's decoder store it and posts the
// row's event to the main window when the decoder accepts it. Every reply,
// known or not, re-arms the main window's power-sync timer, so the timer
// fires only after 3 s of silence and comes back here as kMsgPowerSyncTimeout.
#include <cstddef>

#include "analysis/AnalyserMessages.h"
#include "analysis/ReplyDecoders.h"
#include "platform/MsgThread.h"
#include "platform/RingBuffer.h"

namespace hrx {

class ReplyAnalyser {
 public:
  ReplyAnalyser(RadioState& state, PanelMirror& mirror, MainWindowPort& window, PostTarget& composer)
      : ctx_{state, mirror, window, composer} {}

  // Dispatches one reply (without its ';'); at most 511 bytes are looked at.
  void dispatch(const char* reply, std::size_t length);
  // Dispatches the reply held in a zero-filled buffer of kReplyBufferBytes.
  void dispatchBuffer(const char* buffer);
  // The radio has been silent for 3 s: behave as if it had said "AI0".
  void powerSyncTimeout();

 private:
  AnalyserContext ctx_;
};

// Anl_Recv_Thread: kMsgReplyReady takes exactly one record from RecvRing,
// kMsgPowerSyncTimeout runs the silence path, kMsgEndThread ends it.
class Anl_Recv_Thread final : public MsgThread {
 public:
  Anl_Recv_Thread(ReplyAnalyser& analyser, Sio_RingBuff& recvRing)
      : MsgThread("Anl_Recv_Thread"), analyser_(analyser), recvRing_(recvRing) {}
  ~Anl_Recv_Thread() override { stopNow(); }

 protected:
  void onMessage(const Msg& msg) override;

 private:
  ReplyAnalyser& analyser_;
  Sio_RingBuff& recvRing_;
};

}  // namespace hrx
