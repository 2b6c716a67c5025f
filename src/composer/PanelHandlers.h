#pragma once
// The composer operations whose command depends on more than their value or
// one stored flag: dials, VFO frequency and keys, clarifier, SF and KC keys,
// switches, mode and band keys, knobs and settings. Anl_Send_Thread hands
// every message its own table does not handle to handle().
#include "composer/ComposerContext.h"

namespace hrx {

class PanelHandlers {
 public:
  explicit PanelHandlers(ComposerContext& ctx) : ctx_(ctx) {}

  // True when `id` is one of these operations (handled, even if it sent
  // nothing); false leaves the message to the caller.
  bool handle(MsgId id, WParam w, LParam l);

 private:
  ComposerContext& ctx_;
};

}  // namespace hrx
