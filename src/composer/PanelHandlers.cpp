#include "composer/PanelHandlers.h"

namespace hrx {

bool PanelHandlers::handle(MsgId, WParam, LParam) { return false; }

}  // namespace hrx
