#pragma once
// How the core threads reach the main window: post a window message, send one
// synchronously, set or kill a main-window timer, ask for a user notice. The
// Qt main window implements it; tests use a recording fake. Every member may
// be called from any thread.
#include <cstdint>

#include "platform/Messages.h"

namespace hrx {

class MainWindowPort {
 public:
  virtual ~MainWindowPort() = default;
  virtual void postMessage(MsgId id, WParam w, LParam l) = 0;
  // Runs the message on the main window's thread and waits for its result.
  virtual LParam sendMessage(MsgId id, WParam w, LParam l) = 0;
  // (Re)starts timer `id` with a period in milliseconds; ticks never queue up.
  virtual void setTimer(std::uint32_t id, std::uint32_t periodMs) = 0;
  virtual void killTimer(std::uint32_t id) = 0;
  // A notice request is the window message kMsgNotice (w = force, l = index).
  void requestNotice(int index, bool force) {
    postMessage(kMsgNotice, force ? 1 : 0, index);
  }
};

}  // namespace hrx
