#include "menulist/File_MenuListDefFile.h"

#include "menulist/MenuCatalogue.h"
#include "state/RadioState.h"

namespace hrx {

File_MenuListDefFile::File_MenuListDefFile(RadioState& state)
    : MsgThread("File_MenuListDefFile"), state_(state) {}

File_MenuListDefFile::~File_MenuListDefFile() { stopNow(); }

void File_MenuListDefFile::onMessage(const Msg& msg) {
  if (msg.id != kMsgLoadCatalogue) return;
  // A second load message finds the work done; the table never changes.
  if (loaded_.load(std::memory_order_acquire)) return;
  if (loadBuiltInCatalogue(state_)) loaded_.store(true, std::memory_order_release);
  post(kMsgEndThread);
}

void File_MenuListDefFile::onStop() {
  // A stop before (or without) a complete load must not open the serial side
  // on an empty catalogue.
  if (loaded_.load(std::memory_order_acquire)) state_.set_CommEnabled(1);
}

bool startRadioState(RadioState& state, File_MenuListDefFile& loader, Clock& clock) {
  state.reset();
  if (!loader.start()) return false;
  clock.sleepMs(kLoaderStartDelayMs);
  return loader.post(kMsgLoadCatalogue);
}

}  // namespace hrx
