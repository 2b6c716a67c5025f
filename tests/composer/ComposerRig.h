#pragma once
// A composer wired to fresh stores, real rings and recording fakes of the
// threads, the main window and the clock.
#include <string>
#include <vector>

#include "composer/Composer.h"
#include "support/RecordingClock.h"
#include "support/RecordingMainWindow.h"
#include "support/RecordingPostTarget.h"

namespace hrx::test {

struct ComposerRig {
  RadioState state;
  PanelMirror mirror;
  Sio_RingBuff sendRing;
  Sio_RingBuff recvRing;
  RecordingPostTarget sendThread;
  RecordingPostTarget analyser;
  RecordingPostTarget self;
  RecordingMainWindow window;
  WindowFlags flags;
  RecordingClock clock;
  ComposerContext ctx{state, mirror, sendRing, recvRing, sendThread, analyser, self, window, flags, clock};
  Composer composer{ctx};

  bool handle(MsgId id, WParam w = 0, LParam l = 0) { return composer.handle(Msg{id, w, l}); }
  bool op(int number, std::int32_t value = 0, bool subSide = false) {
    return handle(operationInfo(number)->msg, subSide ? kSubSide : 0, value);
  }
  // Every record waiting in a ring, oldest first.
  static std::vector<std::string> drain(Sio_RingBuff& ring) {
    std::vector<std::string> out;
    char buf[Sio_RingBuff::kSlotBytes];
    for (int n; (n = ring.Sio_RingBuff_Read(buf)) > 0;) out.emplace_back(buf, static_cast<std::size_t>(n));
    return out;
  }
  std::vector<std::string> sent() { return drain(sendRing); }
  // Wake-ups of the send thread since the last call.
  std::size_t kicks() { return sendThread.take().size(); }
};

}  // namespace hrx::test
