#include "app/Station.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "app/ShareSetting.h"
#include "platform/NetSerial.h"
#include "platform/WholeFile.h"
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
  port.LoadPortMap(commoFilePath(options.settingsDir, kPortMapFile));
  NetSerial::setTlsFolder(commoFilePath(options.settingsDir, "tls"));
  readSettings();
  if (!options.devicePath.empty()) port.SetDevicePath(options.devicePath);
  // A line that fails while the link is on is waited for: its failed opens
  // ask for no notice meanwhile.
  port.setFaultCloseRule([this] { return linkWanted(); });
  port.setReleaseListener([this](bool written) {
    const std::string path = port.devicePath(port.GetPortNumber());
    if (written) {
      releaseFailLogged_ = false;
      log("transmitter released at " + path + ": a release was owed since the port was lost");
    } else if (!releaseFailLogged_.exchange(true)) {  // once, not at every try
      log("the transmitter's release could not be written at " + path +
          ": the port stays closed and the next open tries again");
    }
  });
  port.Open();
  faultClosesSeen_ = port.faultCloses();
  awaitingDevice_ = false;
  awaitingRadio_ = false;
  speedTold_ = 0;

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

void Station::readSettings() {
  // What a save killed mid-write left (a crash, a size limit) is swept first.
  const std::string settings = commSettingPath(options_.settingsDir);
  if (!settings.empty())
    for (const std::string& name :
         removeWholeFileLeftovers(settings.substr(0, settings.rfind('/')), {kCommSettingFile, kShareSettingFile}))
      log("removed " + name + ", left by a save that was cut short");
  CommSettingRead how;
  settingsRead_ = ReadCommSetting(port, settingsField3_, options_.settingsDir, &how);
  using Outcome = CommSettingRead::Outcome;
  switch (how.outcome) {
    case Outcome::Read:
      return;
    case Outcome::NoFolder: {
      // A new installation has no settings yet: nothing is wrong, so no
      // notice; the folder is made at once with the defaults.
      std::string error;
      const bool made = WriteCommSetting(port, settingsField3_, options_.settingsDir, &error);
      log(made ? "first start: " + commSettingPath(options_.settingsDir) + " made with the defaults (COM1, 4800 bit/s)"
               : "first start: the settings cannot be made: " + error);
      return;
    }
    case Outcome::Unreadable:
      log(how.keptAs.empty() ? "the settings file cannot be read, nor kept (" + how.error + "): the defaults apply"
                             : "the settings file cannot be read: kept as " + how.keptAs +
                                   (how.replacedOldest ? " in place of the oldest of the nine kept before" : "") +
                                   ", the defaults apply");
      break;
    case Outcome::PathTooLong:
    case Outcome::NoFile:
      break;
  }
  window_.requestNotice(kNoticeSettingsUnreadable, true);
}

void Station::shutdown() {
  // First, while the composer still runs to release a shared transmitter.
  shareServer_.stopServer();
  if (!running_) return;
  running_ = false;
  // A transmitter this program keyed is not left sending after it: a
  // keying still on its way is taken back, and the release goes out as the
  // send thread stops.
  sendThread_.voidKeyings();
  if (port.keyingAsked() || state.get_TxStat() != 0) sendThread_.release();
  if (port.moxAsked() || state.get_MX_Stat() != 0) sendThread_.sendAhead(kMoxRelease);
  stopWaiting();
  stopSilenceWait();
  port.setFaultCloseRule(nullptr);
  port.Close();
  recvThread_.stopBounded();
  analyserThread_.stopBounded();
  composerThread_.stopBounded();
  sendThread_.stopBounded();
  loader_.stopBounded();
  // A command already queued when the port closed opens it again on its
  // way out; once nothing sends any more the port is closed for good.
  port.Close();
  // Saved last: a speed change's command to the radio has gone out by now
  // (at the old speed), so the radio works at the speed told.
  if (speedTold_ != 0 && sendThread_.watchedWritten()) port.SetBaudRate(speedTold_);
  std::string error;
  if (!WriteCommSetting(port, settingsField3_, options_.settingsDir, &error)) log("settings not saved: " + error);
}

bool Station::startShare(const share::ShareConfig& config, std::string* error) {
  if (!running_) {
    if (error != nullptr) *error = "the program is not running";
    return false;
  }
  return shareServer_.startServer(config, error);
}

void Station::ShareLink::perform(const share::Action& a) {
  if (a.kind != share::Action::Kind::Ptt) {
    s_.request(a.op, false, a.value);
  } else if (a.value != 0) {
    s_.key('1');
  } else {
    s_.sendThread_.release();
  }
}

bool Station::key(char digit) {
  // Behind the composer's work asked for before it: the radio keys on the
  // settings asked for first.
  return composerThread_.post(kMsgSendTx, static_cast<WParam>(digit - '0'),
                              static_cast<LParam>(sendThread_.keyTicket()));
}

bool Station::request(int op, bool subSide, std::int32_t value) {
  // While the program waits for the device, the connection switch is the
  // operator saying not to: it only ends the wait.
  if (op == 1 && awaitingDevice()) {
    stopWaiting();
    log("no longer waiting for the radio at " + lostPath_ + " (COM switch)");
    return true;
  }
  if (op == 1 && awaitingRadio()) {
    stopSilenceWait();
    log("no longer waiting for the radio to answer (COM switch)");
    return true;
  }
  return Anl_Send_Request(composerThread_, op, 0, subSide ? 1 : 0, 0, value);
}

bool Station::sendText(std::string_view command) {
  if (command.empty() || command.size() > static_cast<std::size_t>(Sio_RingBuff::kMaxRecord)) return false;
  // The transmitter's own ways: the release past the composer, whose
  // handlers may be waiting; keying behind what the composer still holds.
  // The MOX key's commands keep their turn through the composer.
  if (command == kRelease) return sendThread_.release();
  if (keysTransmitter(command) && !isMox(command)) return key(command[2]);
  // Keying or a release among other commands ("FA...;TX1;" typed as one):
  // each takes its own way, or a later release could not take the keying
  // back. What follows a keying in the record then goes before it.
  std::size_t from = 0;
  for (std::size_t end; (end = command.find(';', from)) != std::string_view::npos; from = end + 1) {
    const std::string_view one = command.substr(from, end + 1 - from);
    if (!keysTransmitter(one) && !isRelease(one)) continue;
    if (one.size() == command.size()) break;  // the MOX key's alone
    bool ok = from == 0 || sendText(command.substr(0, from));
    ok = sendText(one) && ok;
    return (end + 1 == command.size() || sendText(command.substr(end + 1))) && ok;
  }
  if (sendRing.Sio_RingBuff_Write(static_cast<std::int16_t>(command.size()), command.data()) <= 0) return false;
  return composerThread_.post(kMsgSendRelay);
}

std::string catRateCommand(const RadioState& st, int rate) {
  MenuListItem item;
  if (!st.get_MenuItemByType(kCatRateType, &item) || item.no < 1 || item.no > 999) return {};
  int code = 0;
  for (int i = 0; i < 4; ++i)
    if (rate == (4800 << i)) code = i;
  char text[16];
  std::snprintf(text, sizeof text, "EX%03d%d;", static_cast<int>(item.no), code);
  return text;
}

void Station::setSpeedTold(int bps) {
  speedTold_ = bps;
  sendThread_.watchWrites(bps != 0 ? catRateCommand(state, bps) : std::string());
}

bool Station::lineHealthy() {
  LineStatus status;
  return port.IsOpen() && port.lineStatus(status) && !status.fault;
}

bool powerSyncTimedOut(RadioState& state, bool lineOk, std::uint32_t inQueue) {
  if (state.get_AwaitingReply() == 0) return !lineOk;
  state.set_AwaitingReply(0);
  return !lineOk || inQueue == 0;
}

void Station::log(const std::string& line) {
  char stamp[32] = "";
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) != nullptr) std::strftime(stamp, sizeof stamp, "%H:%M:%S ", &local);
  const std::string text = stamp + line;
  if (options_.log) options_.log(text);
  else std::fprintf(stderr, "%s\n", text.c_str());
}

void Station::stopWaiting() {
  if (!awaitingDevice_.exchange(false)) return;
  window_.killTimer(kTimerRecovery);
  recoveryPeriodMs_ = 0;
  // No connection left made for nobody: a COM click later starts afresh.
  if (NetSerial::isNetworkPath(lostPath_.c_str())) NetSerial::cancel(lostPath_.c_str());
  port.setQuietOpen(false);
  window_.postMessage(kMsgRadioMissing, 0, 0);
}

void Station::noticeFaultClose() {
  const std::uint64_t closes = port.faultCloses();
  if (closes == faultClosesSeen_) return;
  faultClosesSeen_ = closes;
  // The link was on when the line failed: the radio had been switched into
  // auto-information mode, or the switch was on its way, or a silent radio
  // was waited for.
  const bool linkOn = linkWanted();
  // Opened again already (a command re-opened the returned device), or the
  // link was off: nothing to wait for.
  if (!linkOn || awaitingDevice() || port.IsOpen()) {
    if (!awaitingDevice() && !port.IsOpen()) port.setQuietOpen(false);
    return;
  }
  lostPath_ = port.lostPath();
  lostAtMs_ = clock_.nowMs();
  if (port.releaseOwed()) log("transmitting when the radio went: its release is owed and goes first when it is back");
  // The device's return is waited for instead.
  stopSilenceWait();
  awaitingDevice_ = true;
  log("radio gone from " + lostPath_ + ": waiting for it to come back");
  window_.postMessage(kMsgRadioMissing, 1, 0);
  reconnectMs_ = kRecoveryLookMs;
  attemptOut_ = false;
  setRecoveryPeriod(kRecoveryLookMs);
}

void Station::setRecoveryPeriod(std::uint32_t ms) {
  if (recoveryPeriodMs_.exchange(ms) == ms) return;
  window_.setTimer(kTimerRecovery, ms);
}

bool Station::reconnectStep() {
  const char* path = lostPath_.c_str();
  const NetSerial::Attempt a = NetSerial::attempt(path);
  if (a == NetSerial::Attempt::Connecting) {
    // Ours, or one a command started: either way, watched closely.
    attemptOut_ = true;
    setRecoveryPeriod(kReconnectPollMs);
    return false;
  }
  // Made: taken over. Failed: the open reports it (quietly) and starts
  // nothing.
  if (a != NetSerial::Attempt::None && port.Open()) return true;
  if (attemptOut_) {
    attemptOut_ = false;
    reconnectMs_ = std::min(reconnectMs_ * 2, kReconnectCapMs);
    setRecoveryPeriod(reconnectMs_);
    return false;
  }
  // The back-off has run out: the next attempt.
  if (port.Open()) return true;
  // Started (a refusal may have come back already).
  attemptOut_ = NetSerial::attempt(path) != NetSerial::Attempt::None;
  setRecoveryPeriod(attemptOut_ ? kReconnectPollMs : reconnectMs_);
  return false;
}

void Station::recoveryTick() {
  if (!awaitingDevice()) {
    window_.killTimer(kTimerRecovery);
    return;
  }
  // A dangling link or a missing node: still gone. One stat a second is
  // all the waiting costs.
  struct stat st {};
  if (!port.IsOpen()) {
    if (NetSerial::isNetworkPath(lostPath_.c_str())) {
      if (!reconnectStep()) return;
    } else {
      if (::stat(lostPath_.c_str(), &st) != 0) return;
      if (!port.Open()) return;   // there but not usable yet: the next look
    }
  }
  const std::int64_t gone = clock_.nowMs() - lostAtMs_;
  char secs[32];
  std::snprintf(secs, sizeof secs, "%.1f", static_cast<double>(gone) / 1000.0);
  log("radio back at " + lostPath_ + " after " + secs + " s: switching the link on again");
  stopWaiting();
  faultClosesSeen_ = port.faultCloses();
  if (linkOnAsked()) return;
  // The port's open wrote the AI command a closed port's first command
  // writes; the rest is the connection switch's own.
  request(1);
}

bool Station::linkOnAsked() const {
  // On again already, or being switched on (a port change's reconnect wrote
  // AI1; whose report is still to come): the connection switch toggles, and
  // pressed now it would switch the link off.
  return state.get_AI_Stat() == 1 || state.get_AiOnRequested() != 0;
}

bool Station::linkWanted() const {
  return state.get_AI_Stat() == 1 || state.get_AiOnRequested() != 0 || awaitingRadio();
}

void Station::startSilenceWait() {
  awaitingRadio_ = true;
  repliesAtSilence_ = recvThread_.delivered();
  silenceLooks_ = 0;
  silentOffLogged_ = false;
  silentSinceMs_ = clock_.nowMs();
  log("radio silent for 3 s: asking it every 5 s");
  window_.setTimer(kTimerSilence, kSilenceLookMs);
}

void Station::stopSilenceWait() {
  if (!awaitingRadio_.exchange(false)) return;
  window_.killTimer(kTimerSilence);
}

void Station::silenceTick() {
  if (!awaitingRadio()) {
    window_.killTimer(kTimerSilence);
    return;
  }
  const std::uint64_t delivered = recvThread_.delivered();
  // Switched off at the radio: it answers, but the link cannot come on
  // until its power key is pressed, so it is only asked on.
  if (delivered != repliesAtSilence_ && state.get_PS_Stat() == 0) {
    if (!silentOffLogged_) log("the radio answers switched off: asking it on until it is switched on");
    silentOffLogged_ = true;
    repliesAtSilence_ = delivered;
  }
  if (delivered == repliesAtSilence_) {
    if (++silenceLooks_ % kSilenceLooksPerAsk == 0) sendText("PS;");
    return;
  }
  char secs[32];
  std::snprintf(secs, sizeof secs, "%.1f", static_cast<double>(clock_.nowMs() - silentSinceMs_) / 1000.0);
  log(std::string("radio speaks again after ") + secs + " s: switching the link on again");
  stopSilenceWait();
  if (linkOnAsked()) return;
  request(1);
}

void Station::powerSyncTick() {
  noticeFaultClose();
  LineStatus status;
  const bool lineOk = port.IsOpen() && port.lineStatus(status) && !status.fault;
  if (!powerSyncTimedOut(state, lineOk, status.inQueue)) return;
  // The link drops (as if the radio had said AI0), but the operator's wish
  // for it stands.
  if (!awaitingDevice() && !awaitingRadio() && linkWanted()) startSilenceWait();
  analyserThread_.postUnique(kMsgPowerSyncTimeout);
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
      {kTimerPsOff, kMsgPsQuery2},    {kTimerKmSweep, kMsgKmStep},   {kTimerKeepAliveAi, kMsgKeepAliveAi},
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
  if (id == kTimerRecovery) {
    recoveryTick();
    return true;
  }
  if (id == kTimerSilence) {
    silenceTick();
    return true;
  }
  if (id == kTimerRotator) {
    if (lineHealthy()) composerThread_.postUnique(kMsgRoPoll);
    return true;
  }
  return false;
}

}  // namespace hrx
