#pragma once
// The program without its window: the state store, the rings, the port and
// the five worker threads, started and stopped in the order the main window
// needs, and the main-window timers whose ticks belong to the core. The Qt
// main window owns one; the end-to-end tests drive one with a headless
// window.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "analysis/ReplyAnalyser.h"
#include "composer/Composer.h"
#include "menulist/File_MenuListDefFile.h"
#include "platform/WindowFlags.h"
#include "serial/ComPort.h"
#include "serial/Sio_Recv_Thread.h"
#include "serial/Sio_Send_Thread.h"
#include "share/ShareServer.h"

namespace hrx {

// Notice index shown at once when the port settings file cannot be read.
inline constexpr int kNoticeSettingsUnreadable = 2;
// The watchdog's timer, armed by the analyser after every reply.
inline constexpr std::uint32_t kTimerPowerSync = ID_SIO_POWER_SYNC_TIMER;
inline constexpr std::uint32_t kTimerRmPoll = 9;
inline constexpr std::uint32_t kTimerSmPoll = 10;
inline constexpr std::uint32_t kTimerRotator = 20;
// To the composer: relay a send for records others queued in SendRing.
inline constexpr MsgId kMsgSendRelay = 0x856B;
// While the radio's device is missing: one look a second for its return.
inline constexpr std::uint32_t kTimerRecovery = 41;
inline constexpr std::uint32_t kRecoveryLookMs = 1000;
// A network port that dropped is connected again instead: the first attempt
// a look after the loss, each later one 2 s after the last failure. On a
// far-away line the read-out alone takes some 11 s, so a longer wait would
// keep the operator off the air well past 15 s after the far side is back;
// an attempt is one bounded connect off this thread, cheap even every 2 s.
// While an attempt is under way its outcome is looked at every 100 ms.
inline constexpr std::uint32_t kReconnectCapMs = 2000;
inline constexpr std::uint32_t kReconnectPollMs = 100;
// After the watchdog dropped a link the operator had switched on, the wish
// for the link is kept: one look a second for any reply, and one "PS;" every
// 5 s (the keep-alive's once-a-second questions stop with the link; a radio
// busy in its own menu or behind a USB hub's hiccup is not pressed harder).
// The first reply switches the link on again as a COM click does.
inline constexpr std::uint32_t kTimerSilence = 42;
inline constexpr std::uint32_t kSilenceLookMs = 1000;
inline constexpr int kSilenceLooksPerAsk = 5;
// To the main window when the radio's device has gone while the link was on
// and the program waits for it (w = 1), and when it no longer waits (w = 0:
// back and reconnecting, or the operator gave up with the COM switch).
inline constexpr MsgId kMsgRadioMissing = 0x8110;

// Timer 17's rule, given what the line showed: whether the radio now counts
// as gone. A command outstanding is forgotten on the first tick, so one
// silent period raises one time-out; a dead line raises one every tick.
bool powerSyncTimedOut(RadioState& state, bool lineOk, std::uint32_t inQueue);

// The command that sets CAT RATE to `rate` bit/s ("EX0381;"); empty when the
// menu list has no CAT RATE item.
std::string catRateCommand(const RadioState& st, int rate);

struct StationOptions {
  // Serial device for this run; empty: the port settings decide.
  std::string devicePath;
  // The folder whose CommoFiles holds the port settings and the port map;
  // empty: the working directory.
  std::string settingsDir;
  // The main window's notice guard (set while a notice box is on screen,
  // when the port must not try to open); may be null.
  const std::atomic<bool>* noticeGuard = nullptr;
  // The sharing server's address and allow-list, and whether the command
  // line asked for it.
  share::ShareConfig share{};
  bool shareRequested = false;
  // Where the log lines go (the device went, came back); empty: standard
  // error.
  std::function<void(const std::string&)> log = {};
};

class Station {
 public:
  Station(MainWindowPort& window, Clock& clock = SystemClock::instance());
  ~Station();
  Station(const Station&) = delete;
  Station& operator=(const Station&) = delete;

  // The core's part of the main window's start-up: store and catalogue
  // loader, port settings, port, then the analyser, receive, send and
  // composer threads. False when a thread would not start.
  bool start(const StationOptions& options);
  // Closes the port, saves the port settings and stops the threads
  // (receive, analyser, composer, send), each with the bounded stop.
  void shutdown();
  bool running() const { return running_; }
  // Whether any of the worker threads (the loader included) still runs.
  bool anyThreadRunning() const {
    return recvThread_.running() || analyserThread_.running() || composerThread_.running() ||
           sendThread_.running() || loader_.running();
  }

  // Keys the transmitter ("TX" + digit), behind every command asked for
  // before, whatever asked for it; a release asked for later takes it back.
  bool key(char digit = '1');
  // A tick of a main-window timer; false when the timer is not the core's.
  bool onTimer(std::uint32_t id);
  // Operation `op` for the composer, as the panel asks for it.
  bool request(int op, bool subSide = false, std::int32_t value = 0);
  // Queues `command` as it stands as one record in SendRing and has the
  // composer relay the send (0x856B): the raw commands the operator types
  // or keeps in files. Keying ("TX1;") goes as key() does, the release
  // ("TX0;") ahead of everything. False when it is empty, too long for a
  // record or could not be queued.
  bool sendText(std::string_view command);
  // The port is open and its line shows no fault (fRlsdHold, fTxim).
  bool lineHealthy();
  // Posts a control message straight to the composer.
  bool postComposer(MsgId id, WParam w = 0, LParam l = 0) { return composerThread_.post(id, w, l); }

  // The sharing server: other station programs through the rig-control
  // protocol. False with a reason when it cannot listen; the station runs
  // on regardless.
  bool startShare(const share::ShareConfig& config, std::string* error);
  void stopShare() { shareServer_.stopServer(); }
  bool sharing() const { return shareServer_.listening(); }
  const share::ShareServer& shareServer() const { return shareServer_; }
  // The station's side of the sharing server, as the server calls it.
  share::ShareBackend& shareBackend() { return shareLink_; }
  // A release of the transmitter is owed to the radio: the port was lost
  // while it was (or was asked to be) transmitting. The first command after
  // the port is back is then "TX0;".
  bool releaseOwed() const { return port.releaseOwed(); }
  const StationOptions& options() const { return options_; }

  RadioState state;
  PanelMirror mirror;
  Sio_RingBuff recvRing;
  Sio_RingBuff sendRing;
  WindowFlags flags;
  ComPort port;

  bool settingsRead() const { return settingsRead_; }
  int settingsField3() const { return settingsField3_; }
  // Where the port settings file lives (empty: the working directory).
  const std::string& settingsDir() const { return options_.settingsDir; }
  std::uint64_t repliesDelivered() const { return recvThread_.delivered(); }
  std::int64_t receiveCpuNs() const { return recvThread_.cpuTimeNs(); }
  // Whether the program waits for the radio's device to come back.
  bool awaitingDevice() const { return awaitingDevice_.load(std::memory_order_acquire); }
  // Whether the program waits for a silent radio to speak again.
  bool awaitingRadio() const { return awaitingRadio_.load(std::memory_order_acquire); }
  // A speed change is telling the radio to work at `bps` from now on (said
  // before its CAT RATE command is queued); 0 once the port has taken that
  // speed. On the window thread. The exit saves the speed told once its
  // command has gone out, whatever step the change reached, so that the
  // next start can talk to the radio; before that the radio keeps the old.
  void setSpeedTold(int bps);
  // One line of the log, stamped with the time (where options.log says).
  void log(const std::string& line);

 private:
  // Timer 17: only a silence with a command outstanding (or a dead line)
  // is the radio gone.
  void powerSyncTick();
  // A fault closed the port: with the link on, wait for the device.
  void noticeFaultClose();
  // Timer 41: the device is back when its path opens again; then the link
  // is switched on as a COM click does.
  void recoveryTick();
  // One step of connecting a network port again; true once it is open.
  bool reconnectStep();
  void setRecoveryPeriod(std::uint32_t ms);
  // The port settings at start: applied, or the defaults with notice 2; a
  // first start's folder made quietly.
  void readSettings();
  void stopWaiting();
  // Timer 42: a silent radio's wait (above).
  void startSilenceWait();
  void silenceTick();
  void stopSilenceWait();
  // The link is on, or the operator's wish for it stands.
  bool linkWanted() const;
  bool linkOnAsked() const;

  MainWindowPort& window_;
  Clock& clock_;
  File_MenuListDefFile loader_{state};
  ReplyAnalyser analyser_;
  Anl_Recv_Thread analyserThread_;
  Sio_Recv_Thread recvThread_;
  Sio_Send_Thread sendThread_;
  ComposerContext composerContext_;
  Anl_Send_Thread composerThread_;
  // Answers from the store; set commands become composer operations.
  class ShareLink final : public share::ShareBackend {
   public:
    explicit ShareLink(Station& s) : s_(s) {}
    share::Snapshot snapshot() override { return share::takeSnapshot(s_.state); }
    void perform(const share::Action& a) override;
    void log(const std::string& line) override { s_.log(line); }

   private:
    Station& s_;
  };
  ShareLink shareLink_{*this};
  share::ShareServer shareServer_{shareLink_};
  StationOptions options_;
  bool running_ = false;
  std::atomic<bool> awaitingDevice_{false};
  std::atomic<bool> awaitingRadio_{false};
  std::atomic<bool> releaseFailLogged_{false};  // the owed release's failure, once a streak
  // The silence wait (timer thread only): replies delivered when it began,
  // its looks so far, when it began.
  std::uint64_t repliesAtSilence_ = 0;
  int silenceLooks_ = 0;
  bool silentOffLogged_ = false;
  std::int64_t silentSinceMs_ = 0;
  int speedTold_ = 0;
  std::uint64_t faultClosesSeen_ = 0;
  std::int64_t lostAtMs_ = 0;
  std::string lostPath_;
  // The network reconnection (timer thread only): the back-off now in
  // force, whether an attempt is out, the recovery timer's period.
  std::uint32_t reconnectMs_ = kRecoveryLookMs;
  bool attemptOut_ = false;
  std::atomic<std::uint32_t> recoveryPeriodMs_{0};  // the timer thread and a COM click both set it
  bool settingsRead_ = false;
  int settingsField3_ = 0;
};

}  // namespace hrx
