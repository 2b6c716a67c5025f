#pragma once
// TFT soft key 8: a squelch override while held in the FM modes, a long
// push (2 s or more) or a short push in the others. Driven by the key's
// look messages and the 100 ms blink timer; the results are composer
// control messages.
#include <cstdint>
#include <functional>

#include "platform/Messages.h"

namespace hrx::panel {

inline constexpr MsgId kMsgSendCs = 0x88EA;   // long push: CS1 while held, CS0 at its end
inline constexpr MsgId kMsgSendZi = 0x88EB;   // short push
inline constexpr MsgId kMsgSendSq = 0x88EC;   // squelch level (0 while held)
inline constexpr int kLongPushMs = 2000;
inline constexpr int kBlinkMs = 100;

class SoftKeyLongPush {
 public:
  using Post = std::function<void(MsgId, WParam)>;
  explicit SoftKeyLongPush(Post post) : post_(std::move(post)) {}

  void press(std::int32_t mode, std::int32_t squelch);
  void tick(std::int32_t mode);
  // How the push ends follows the mode at the press.
  void release();
  int counter() const { return counter_; }

 private:
  static bool fmMode(std::int32_t mode) { return mode == 4 || mode == 10 || mode == 11; }
  void postCs(WParam v);

  Post post_;
  int counter_ = 0;
  std::int32_t savedSquelch_ = 0;
  bool squelchHeld_ = false;   // pressed in an FM mode: the squelch is open
  WParam lastCs_ = 2;   // neither 0 nor 1: the first one always goes
};

}  // namespace hrx::panel
