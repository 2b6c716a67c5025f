#include "app/Station.h"

#include "serial/CommSetting.h"

namespace hrx {

Station::Station(MainWindowPort& window, Clock& clock)
    : window_(window),
      clock_(clock),
      analyser_(state, mirror, window, composerThread_),
      analyserThread_(analyser_, recvRing),
      recvThread_(port, state, recvRing, analyserThread_),
      sendThread_(port, state, sendRing),
      composerContext_{state, mirror, sendRing, recvRing, sendThread_, analyserThread_, composerThread_, window,
                       flags, clock},
      composerThread_(composerContext_) {}

Station::~Station() { shutdown(); }

bool Station::start(const StationOptions& options) {
  if (running_) return false;
  options_ = options;
  flags.busy = 0;
  flags.busyShown = 0;
  if (!startRadioState(state, loader_, clock_)) return false;

  port.Init();
  port.attach(ComPort::Links{&window_, &mirror, options.noticeGuard});
  port.LoadPortMap(kPortMapFile);
  settingsRead_ = ReadCommSetting(port, settingsField3_, options.settingsDir);
  if (!settingsRead_) window_.requestNotice(kNoticeSettingsUnreadable, true);
  if (!options.devicePath.empty()) port.SetDevicePath(options.devicePath);
  port.Open();

  running_ = true;
  bool ok = analyserThread_.start();
  recvRing.reset();
  // The receive thread keeps its own 1 ms cadence while bytes are pending
  // and waits on the line otherwise, so there is no 1 ms window timer.
  ok = recvThread_.start() && ok;
  sendRing.reset();
  ok = sendThread_.start() && ok;
  ok = composerThread_.startComposer() && ok;
  return ok;
}

void Station::shutdown() {
  if (!running_) return;
  running_ = false;
  port.Close();
  WriteCommSetting(port, settingsField3_, options_.settingsDir);
  recvThread_.stopBounded();
  analyserThread_.stopBounded();
  composerThread_.stopBounded();
  sendThread_.stopBounded();
  loader_.stopBounded();
  // A command already queued when the port closed opens it again on its
  // way out; once nothing sends any more the port is closed for good.
  port.Close();
}

bool Station::request(int op, bool subSide, std::int32_t value) {
  return Anl_Send_Request(composerThread_, op, 0, subSide ? 1 : 0, 0, value);
}

void Station::powerSyncTick() {
  LineStatus status;
  const bool lineOk = port.IsOpen() && port.lineStatus(status) && !status.fault;
  if (state.get_AwaitingReply() != 0) {
    state.set_AwaitingReply(0);
    if (!lineOk || status.inQueue == 0) analyserThread_.postUnique(kMsgPowerSyncTimeout);
  } else if (!lineOk) {
    analyserThread_.postUnique(kMsgPowerSyncTimeout);
  }
}

bool Station::onTimer(std::uint32_t id) {
  // Main-window timers whose tick is a message to a worker thread.
  struct Route {
    std::uint32_t timer;
    MsgId msg;
  };
  static constexpr Route kComposerRoutes[] = {
      {kTimerSync, kMsgSyncStep},     {kTimerExSweep, kMsgExStep},   {kTimerKeepAlive, 0x856A},
      {kTimerRmPoll, kMsgRmPoll},     {kTimerSmPoll, kMsgSmPoll},    {kTimerPsOn, kMsgPsQuery1},
      {kTimerPsOff, kMsgPsQuery2},    {kTimerKmSweep, kMsgKmStep},
  };
  for (const Route& r : kComposerRoutes) {
    if (r.timer == id) {
      composerThread_.postUnique(r.msg);
      return true;
    }
  }
  if (id == kTimerPowerSync) {
    powerSyncTick();
    return true;
  }
  if (id == kTimerRotator) {
    LineStatus status;
    if (port.IsOpen() && port.lineStatus(status) && !status.fault) composerThread_.postUnique(kMsgRoPoll);
    return true;
  }
  return false;
}

}  // namespace hrx
