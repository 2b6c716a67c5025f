#pragma once
// The command composer: every operation the panel asks for, every poll and
// every read-out step becomes one or more complete CAT commands in SendRing,
// each followed by a wake-up of the send thread. Composer handles one message
// synchronously on the caller's thread (tests drive it directly);
// Anl_Send_Thread runs it on a thread of its own.
#include <cstdint>

#include "composer/ComposerContext.h"
#include "platform/MsgThread.h"

namespace hrx {

// Main-window timers the composer starts and stops.
inline constexpr std::uint32_t kTimerSync = 4;        // state read-out, 30 ms
inline constexpr std::uint32_t kTimerExSweep = 5;     // menu read-out, 30 ms
inline constexpr std::uint32_t kTimerKeepAlive = 8;   // keep-alive, 1000 ms
inline constexpr std::uint32_t kTimerPsOn = 23;       // power-on query, 100 ms
inline constexpr std::uint32_t kTimerPsOff = 24;      // power-off queries, 50 ms
inline constexpr std::uint32_t kTimerKmSweep = 25;    // keyer memory read-out, 30 ms
// The keep-alive's AI query, 30 ms after its PS query, once: a timer, so
// that a keying asked for meanwhile does not wait behind the pause.
inline constexpr std::uint32_t kTimerKeepAliveAi = 43;

// Control messages posted straight to the composer.
inline constexpr MsgId kMsgSyncStep = 0x8107;
inline constexpr MsgId kMsgExStep = 0x8108;
inline constexpr MsgId kMsgRoPoll = 0x810D;
inline constexpr MsgId kMsgKmStep = 0x810F;
inline constexpr MsgId kMsgSyncStart = 0x834B;
inline constexpr MsgId kMsgSweepStop = 0x834C;
inline constexpr MsgId kMsgExStart = 0x834F;
inline constexpr MsgId kMsgPsQuery1 = 0x8350;
inline constexpr MsgId kMsgPsQuery2 = 0x8351;
inline constexpr MsgId kMsgIdQuery = 0x8352;
inline constexpr MsgId kMsgRmPoll = 0x8801;
inline constexpr MsgId kMsgSmPoll = 0x8802;
inline constexpr MsgId kMsgIfRead = 0x88E8;
inline constexpr MsgId kMsgOiRead = 0x88E9;
inline constexpr MsgId kMsgSendCs = 0x88EA;
inline constexpr MsgId kMsgSendZi = 0x88EB;
inline constexpr MsgId kMsgSendSq = 0x88EC;
// The transmitter: wParam 0 receive, 1 or 2 transmit; lParam the send
// thread's ticket for the keying (0: none).
inline constexpr MsgId kMsgSendTx = 0x88ED;
inline constexpr MsgId kMsgKeepAliveAi = 0x88EE;

// Posted to the main window at the end of the menu read-out, in this order:
// the BG, CO and BP events (lParam 0), so the window redraws what the menu
// items shape. Only the BP event's lParam 0 tells the end from a BP reply.
inline constexpr MsgId kMsgReadOutDone = 0x834D;
inline constexpr MsgId kMsgRedrawContour = 0x8307;
inline constexpr MsgId kMsgRedrawBandPass = 0x8305;
// To the main window, which hands it to the open busy-message window.
inline constexpr MsgId kMsgBusyClose = 0x8803;

// One row of the operation table: the operation number the panel names and
// the composer message it becomes.
struct OperationInfo {
  int op;
  MsgId msg;
  const char* name;
};
inline constexpr int kOperationCount = 212;
// Row `op` (1..212); nullptr outside.
const OperationInfo* operationInfo(int op);
// The composer message ids that are not operations, with their names.
int controlMessageCount();
const OperationInfo* controlMessage(int index);

// Posts operation `op` to the composer. A flag counts only when it is
// exactly 1. False when there is no such operation or the post failed.
bool Anl_Send_Request(PostTarget& composer, int op, std::uint8_t flagA, std::uint8_t subSide,
                      std::uint8_t flagB, std::int32_t value);

class Composer {
 public:
  explicit Composer(ComposerContext& ctx) : ctx_(ctx) {}

  // The thread's own start: no sweep running, no power query counted.
  void reset();
  // Runs the handler of `msg`; false when the message has none.
  bool handle(const Msg& msg);

  // For tests and the main window's read-out state.
  int psQueryCount() const { return psQueryCount_; }
  bool syncRunning() const { return syncRunning_; }
  bool exRunning() const { return exRunning_; }
  int syncCursor() const { return syncCursor_; }
  int exCursor() const { return exCursor_; }
  int keyerCursor() const { return keyerCursor_; }

  // Handler plumbing, used by the operation rows.
  ComposerContext& ctx() { return ctx_; }
  // Sends a command template: '#' runs take `value` through the digit
  // writer, '$' is the side digit of `w`, '?' the character `pick`; every
  // other character stands as it is. The length is the template's own,
  // which the table check holds to the command tables.
  void sendTemplate(const char* tpl, std::int64_t value, WParam w = 0, char pick = 0);
  void startSync();
  void syncStep();
  void stopSync();
  void startExSweep();
  void exStep();
  void stopAll();
  void keyerStep();
  void psQuery2();
  int& knobDirection(int knob) { return knobDirection_[knob]; }
  int& keyerCursorRef() { return keyerCursor_; }

 private:
  ComposerContext& ctx_;
  int psQueryCount_ = 0;
  bool syncRunning_ = false;
  bool exRunning_ = false;
  int syncCursor_ = 0;
  int exCursor_ = 1;
  int keyerCursor_ = 1;
  // SetCommandTable row of each encoder knob's last direction (67 ED, 68 EU).
  int knobDirection_[4] = {68, 68, 68, 68};
};

// Anl_Send_Thread: the composer on its own message thread.
class Anl_Send_Thread final : public MsgThread {
 public:
  explicit Anl_Send_Thread(ComposerContext& ctx) : MsgThread("Anl_Send_Thread"), composer_(ctx) {}
  ~Anl_Send_Thread() override { stopNow(); }

  // Clears the link flags, rewinds the keyer read-out, starts the thread
  // and the keep-alive timer.
  bool startComposer();

 protected:
  void onStart() override { composer_.reset(); }
  void onMessage(const Msg& msg) override { composer_.handle(msg); }

 private:
  Composer composer_;
};

}  // namespace hrx
