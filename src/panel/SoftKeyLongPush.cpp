#include "panel/SoftKeyLongPush.h"

namespace hrx::panel {

void SoftKeyLongPush::press(std::int32_t mode, std::int32_t squelch) {
  squelchHeld_ = fmMode(mode);
  if (squelchHeld_) {
    savedSquelch_ = squelch;
    post_(kMsgSendSq, 0);
    return;
  }
  counter_ = 1;
}

void SoftKeyLongPush::tick(std::int32_t mode) {
  if (counter_ == 0) return;
  ++counter_;
  if (counter_ * kBlinkMs >= kLongPushMs && !fmMode(mode)) postCs(1);
}

void SoftKeyLongPush::release() {
  const int heldMs = counter_ * kBlinkMs + kBlinkMs;
  const bool counted = counter_ != 0;
  counter_ = 0;
  // The press decides: a mode changed while held neither strands the opened
  // squelch nor writes a squelch level the press never saved.
  if (squelchHeld_) {
    squelchHeld_ = false;
    post_(kMsgSendSq, static_cast<WParam>(savedSquelch_));
    return;
  }
  if (!counted) return;
  if (heldMs >= kLongPushMs) postCs(0);
  else post_(kMsgSendZi, 0);
}

void SoftKeyLongPush::postCs(WParam v) {
  if (v == lastCs_) return;
  lastCs_ = v;
  post_(kMsgSendCs, v);
}

}  // namespace hrx::panel
