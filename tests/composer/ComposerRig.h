#pragma once
// A composer wired to fresh stores, real rings and recording fakes of the
// threads, the main window and the clock.
#include <string>
#include <vector>

#include "composer/Composer.h"
#include "support/RecordingMainWindow.h"
#include "support/RecordingPostTarget.h"

namespace hrx::test {

struct ComposerRig {
  // Sleeps return at once and are kept; in a transcript each wait follows
  // the commands composed before it.
  struct Clock final : hrx::Clock {
    explicit Clock(ComposerRig& r) : rig(r) {}
    std::int64_t nowMs() override { return 0; }
    void sleepMs(std::int64_t ms) override {
      sleeps.push_back(ms);
      rig.note(" +" + std::to_string(ms));
    }
    ComposerRig& rig;
    std::vector<std::int64_t> sleeps;
  };
  RadioState state;
  PanelMirror mirror;
  Sio_RingBuff sendRing;
  Sio_RingBuff recvRing;
  RecordingPostTarget sendThread;
  RecordingPostTarget analyser;
  RecordingPostTarget self;
  RecordingMainWindow window;
  WindowFlags flags;
  Clock clock{*this};
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
  // What one message has the composer send and wait, in order: "ID; +25".
  std::string transcript(MsgId id, WParam w = 0, LParam l = 0) {
    sent();
    log_.clear();
    logging_ = true;
    handle(id, w, l);
    note("");
    logging_ = false;
    return log_.substr(log_.empty() ? 0 : 1);
  }

 private:
  void note(const std::string& wait) {
    if (!logging_) return;
    for (const std::string& s : sent()) log_ += " " + s;
    log_ += wait;
  }
  bool logging_ = false;
  std::string log_;
};

}  // namespace hrx::test
