#pragma once
// The catalogue loader thread: told once (0x8106) to fill the catalogue from
// the built-in table, then ends itself. Enables serial work (CommEnabled)
// only when it ends after a completed load. Owned by whoever starts the store.
#include <atomic>

#include "platform/Clock.h"
#include "platform/MsgThread.h"

namespace hrx {

class RadioState;

class File_MenuListDefFile final : public MsgThread {
 public:
  explicit File_MenuListDefFile(RadioState& state);
  ~File_MenuListDefFile() override;

  bool loaded() const { return loaded_.load(std::memory_order_acquire); }

 protected:
  void onMessage(const Msg& msg) override;
  void onStop() override;

 private:
  RadioState& state_;
  std::atomic<bool> loaded_{false};
};

// The store's start-up: reset the store, start the loader, wait 10 ms on the
// clock and post it the load message. False when the loader would not start
// or take the message.
bool startRadioState(RadioState& state, File_MenuListDefFile& loader, Clock& clock);

inline constexpr int kLoaderStartDelayMs = 10;

}  // namespace hrx
