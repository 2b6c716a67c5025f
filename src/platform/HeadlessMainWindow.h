#pragma once
// A main window without a screen: window messages run one at a time on a
// thread of its own through a handler, and main-window timers tick into that
// same queue as kMsgTimer (w = timer id), never more than one tick of a timer
// waiting. The simulator-driven tests and any front end without Qt use it.
#include <functional>
#include <memory>

#include "platform/MainWindowPort.h"
#include "platform/MsgThread.h"
#include "platform/TimerHost.h"

namespace hrx {

inline constexpr MsgId kMsgTimer = 0x0113;  // the platform's timer message

class HeadlessMainWindow final : public MainWindowPort {
 public:
  using Handler = std::function<LParam(const Msg&)>;
  explicit HeadlessMainWindow(Handler handler);
  ~HeadlessMainWindow() override;

  void postMessage(MsgId id, WParam w, LParam l) override;
  LParam sendMessage(MsgId id, WParam w, LParam l) override;
  void setTimer(std::uint32_t id, std::uint32_t periodMs) override;
  void killTimer(std::uint32_t id) override;

  bool timerActive(std::uint32_t id) const { return timers_.active(id); }
  std::uint32_t timerPeriod(std::uint32_t id) const { return timers_.period(id); }
  // Stops the window thread; later posts are dropped.
  void stop();

 private:
  class Loop;
  Handler handler_;
  std::unique_ptr<Loop> loop_;
  TimerHost timers_;
};

}  // namespace hrx
