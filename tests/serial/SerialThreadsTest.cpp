#include <fcntl.h>
#include <pthread.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "menulist/MenuCatalogue.h"
#include "platform/RingBuffer.h"
#include "serial/ComPort.h"
#include "serial/PtyRadio.h"
#include "serial/Sio_Recv_Thread.h"
#include "serial/Sio_Send_Thread.h"
#include "state/PanelMirror.h"
#include "state/RadioState.h"
#include "support/RecordingMainWindow.h"
#include "support/RecordingPostTarget.h"

namespace hrx {
namespace {

using test::waitFor;
using V = SendVerdict;
void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// The refusal rules, the first that applies deciding: a full output queue
// or a gone device closes the port; a hold or one listed error alone drops.
TEST(SendVerdict, EveryRefusalRule) {
  const struct {
    LineStatus status;
    V want;
  } cases[] = {
      {{}, V::Write}, {{.outQueue = 5119}, V::Write}, {{.outQueue = 5120}, V::DropAndClose},
      {{.fault = true}, V::DropAndClose}, {{.dsrHold = true}, V::Drop}, {{.xoffHold = true}, V::Drop},
      {{.xoffSent = true}, V::Drop}, {{.eof = true}, V::Drop}, {{.errors = kCeBreak}, V::Drop},
      {{.errors = kCeFrame}, V::Drop}, {{.errors = kCeOverrun}, V::Drop}, {{.errors = kCeMode}, V::Drop},
      {{.errors = kCeIoe}, V::Drop}, {{.errors = kCeRxOver}, V::Drop}, {{.errors = kCeRxParity}, V::Drop},
      {{.errors = kCeTxFull}, V::Drop}, {{.errors = kCeFrame | kCeBreak}, V::Write}, {{.errors = 0x20}, V::Write},
      {{.outQueue = 9000, .xoffHold = true}, V::DropAndClose}, {{.errors = kCeFrame, .eof = true}, V::Drop},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(sendVerdict(cases[i].status), cases[i].want) << "row " << i;
}

// The serial link as the program wires it, with the radio on a pty; serial
// work enabled unless asked otherwise.
struct Link {
  explicit Link(bool enabled = true, bool selfPolling = true)
      : recv(port, state, *recvRing, analyser, selfPolling), send(port, state, *sendRing) {
    loadBuiltInCatalogue(state);
    port.attach({&window, &mirror, &guard});
    port.SetDevicePath(radio.slavePath());
    state.set_CommEnabled(enabled ? 1 : 0);
    recv.start();
    send.start();
  }
  ~Link() {
    send.stopNow();
    recv.stopNow();
  }
  // Opens the port and takes the "AI0;" it writes.
  bool open() { return port.Open() && radio.receive(4, 1000) == "AI0;"; }
  void queue(const std::string& cmd) {
    ASSERT_EQ(sendRing->Sio_RingBuff_Write(static_cast<std::int16_t>(cmd.size()), cmd.data()),
              static_cast<std::int16_t>(cmd.size()));
    send.post(kMsgSend);
  }
  bool sendIdle() { return waitFor([&] { return send.pending() == 0; }, 2000); }
  std::string takeReply() {
    char buf[Sio_RingBuff::kSlotBytes] = {};
    const auto n = recvRing->Sio_RingBuff_Read(buf);
    return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
  }
  std::size_t replyNotices() {
    std::size_t n = 0;
    for (const auto& m : analyser.msgs()) n += m.id == kMsgReplyReady;
    return n;
  }
  bool replies(std::size_t n) { return waitFor([&] { return replyNotices() == n; }, 2000); }
  // Every message posted to the receive thread so far has been handled: the
  // marker behind them leaves the queue only after the last has run.
  bool recvSettled() {
    recv.post(kMsgSend);  // not the receive thread's: it only passes
    return waitFor([&] { return recv.pending() == 0; }, 2000);
  }
  // The radio's bytes have reached the port (a pseudo-terminal hands them
  // over on a kernel worker, later on a loaded machine).
  bool arrived(std::uint32_t bytes) {
    return waitFor([&] { LineStatus s; return port.lineStatus(s) && s.inQueue >= bytes; }, 2000);
  }
  std::vector<Msg> notices() const { return window.posts(kMsgNotice); }

  test::PtyRadio radio;
  RadioState state;
  PanelMirror mirror;
  test::RecordingMainWindow window;
  test::RecordingPostTarget analyser;
  std::atomic<bool> guard{false};
  ComPort port;
  std::unique_ptr<Sio_RingBuff> recvRing = std::make_unique<Sio_RingBuff>();
  std::unique_ptr<Sio_RingBuff> sendRing = std::make_unique<Sio_RingBuff>();
  Sio_Recv_Thread recv;
  Sio_Send_Thread send;
};

// Commands wait while serial work is off; then "AI0;" first and the rest
// in order; the AI flag follows exactly "AI1;"; a re-opened port starts
// with the AI state last reported.
TEST(SerialLink, SendOrderAiFlagAndReopen) {
  Link link(false);
  ASSERT_TRUE(link.radio.ok());
  for (const char* c : {"FA14250000;", "FB07000000;", "MD01;"}) link.queue(c);
  ASSERT_TRUE(link.sendIdle());
  EXPECT_EQ(link.radio.drain(100), "");
  EXPECT_FALSE(link.port.IsOpen()) << "no serial work at all while disabled";
  EXPECT_EQ(link.sendRing->unread(), 3);
  link.state.set_CommEnabled(1);
  for (int i = 0; i < 3; ++i) link.send.post(kMsgSend);
  EXPECT_EQ(link.radio.receive(31, 2000), "AI0;FA14250000;FB07000000;MD01;");
  EXPECT_EQ(link.radio.drain(100), "");
  EXPECT_EQ(link.state.get_AwaitingReply(), 1);

  const std::pair<const char*, int> ai[] = {{"AI1;", 1}, {"AI10;", 1}, {"AI0;", 0}, {"AI10;", 0}};
  for (const auto& [cmd, flag] : ai) {  // only the exact four bytes count
    link.queue(cmd);
    EXPECT_EQ(link.radio.receive(std::strlen(cmd), 2000), cmd);
    EXPECT_EQ(link.state.get_AiOnRequested(), flag) << cmd;
  }
  // As after a line fault: closed, and the radio has since reported AI on.
  ASSERT_TRUE(link.port.Close());
  link.mirror.set_AI_Stat(1);
  link.queue("FA;");
  EXPECT_EQ(link.radio.receive(7, 2000), "AI1;FA;");
  ASSERT_TRUE(link.radio.send("FA14250000;"));
  ASSERT_TRUE(link.replies(1)) << "the receive thread follows the re-opened port";
  EXPECT_EQ(link.takeReply(), "FA14250000");
}

// Self-polling delivers each whole record with its own notice and rests
// while the line is quiet; without it only the poll message polls, one
// reply each; no poll while disabled.
TEST(SerialLink, RepliesReachTheAnalyserOnePerRecordAndPoll) {
  for (const bool selfPolling : {true, false}) {
    SCOPED_TRACE(selfPolling);
    Link link(false, selfPolling);
    ASSERT_TRUE(link.radio.ok());
    ASSERT_TRUE(link.open());
    ASSERT_TRUE(link.radio.send("FA1425"));
    link.recv.post(kMsgPoll);
    ASSERT_TRUE(link.recvSettled());
    EXPECT_EQ(link.recv.polls(), 0u) << "no poll runs while serial work is disabled";
    const std::string rest = selfPolling ? "0000;?;SM0005;" : "0000;SM0005;";
    ASSERT_TRUE(link.radio.send(rest));
    if (selfPolling) {
      link.state.set_CommEnabled(1);
      ASSERT_TRUE(link.replies(2));
      const auto read = link.recv.polls();
      ASSERT_TRUE(link.radio.send("FA142"));  // a half reply is no reason to keep polling
      ASSERT_TRUE(waitFor([&] { return link.recv.polls() > read; }, 2000)) << "the line's readiness wakes a poll";
      const auto before = link.recv.polls();
      pause(300);
      EXPECT_LE(link.recv.polls() - before, 2u) << "an idle line costs no polls";
    } else {
      ASSERT_TRUE(link.arrived(static_cast<std::uint32_t>(6 + rest.size())));
      link.state.set_CommEnabled(1);
      for (std::size_t polls = 1; polls <= 3; ++polls) {
        link.recv.post(kMsgPoll);
        ASSERT_TRUE(link.recvSettled());
        EXPECT_EQ(link.recv.polls(), polls);
        EXPECT_EQ(link.replyNotices(), std::min<std::size_t>(polls, 2)) << "one reply per poll";
      }
    }
    for (const char* r : {"FA14250000", "SM0005", ""}) EXPECT_EQ(link.takeReply(), r);
    EXPECT_TRUE(link.port.IsOpen()) << "a pseudo-terminal without RTS is no fault";
  }
}

TEST(SerialLink, StuckWriteEndsAndStillCountsAsAttempt) {
  Link link;
  ASSERT_TRUE(link.radio.ok());
  ASSERT_TRUE(link.open());
  const int slave = ::open(link.radio.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (slave < 0) GTEST_SKIP() << "cannot reach the line to stop it";
  ASSERT_EQ(::tcflow(slave, TCOOFF), 0);  // the pty takes nothing more
  const auto t0 = std::chrono::steady_clock::now();
  link.queue("AI1;");
  ASSERT_TRUE(waitFor([&] { return link.state.get_AwaitingReply() == 1; }, 3000)) << "the write never ended";
  EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(kWriteTotalConstantMs - 50));
  EXPECT_EQ(link.state.get_AiOnRequested(), 1) << "set although the write failed";
  EXPECT_EQ(link.send.written(), 0u);
  ::tcflow(slave, TCOON);
  ::close(slave);
}

TEST(SerialLink, VanishedRadioClosesThePortAndTheNextCommandFails) {
  Link link;
  ASSERT_TRUE(link.radio.ok());
  link.queue("FA;");
  ASSERT_EQ(link.radio.receive(7, 2000), "AI0;FA;");
  link.radio.unplug();
  EXPECT_TRUE(waitFor([&] { return !link.port.IsOpen(); }, 2000)) << "the receive thread closes a dead line";
  EXPECT_TRUE(link.notices().empty());
  link.queue("FA;");
  ASSERT_TRUE(waitFor([&] { return link.notices().size() == 1; }, 2000));
  EXPECT_EQ(link.notices()[0], (Msg{kMsgNotice, 0, kNoticePortFailure}));
}

// A refused command is dropped without a write; a full output queue also
// closes the port; the next command is tried normally.
TEST(SerialLink, LineConditionsRefuseCommands) {
  for (const bool full : {false, true}) {
    SCOPED_TRACE(full);
    Link link;
    ASSERT_TRUE(link.radio.ok());
    ASSERT_TRUE(link.open());
    link.port.setLineStatusHook([full](LineStatus& s) { full ? void(s.outQueue = 5120) : void(s.xoffHold = true); });
    link.queue("AI1;");
    ASSERT_TRUE(link.sendIdle());
    EXPECT_EQ(link.radio.drain(50), "") << "the command is dropped";
    EXPECT_EQ(link.port.IsOpen(), !full);
    EXPECT_EQ(link.state.get_AwaitingReply(), 0) << "no write was attempted";
    EXPECT_EQ(link.state.get_AiOnRequested(), 0);
    link.port.setLineStatusHook(nullptr);
    link.queue("FA;");
    EXPECT_EQ(link.radio.receive(full ? 7 : 3, 2000), full ? "AI0;FA;" : "FA;");
  }
}

// Whether the caller is the send thread (the receive thread reads the line
// status too).
bool onSendThread() {
  char name[16] = {};
  return pthread_getname_np(pthread_self(), name, sizeof name) == 0 && std::string(name) == "Sio_Send_Thread";
}

// A release the line refuses is tried again, 100 ms apart, three times at
// most; refused still, it is owed: the port is closed and the next open
// sends it before anything else. Any other command is dropped at once.
TEST(SerialLink, ReleaseSurvivesLineErrors) {
  const struct {
    const char* release;
    int refusals;
    bool written;
    const char* owedOpen;  // what the next open writes when it was not
  } rows[] = {{"TX0;", 1, true, ""}, {"TX0;", 3, true, ""}, {"TX0;", 4, false, "TX0;AI0;FA;"},
              {"MX0;", 1, true, ""}, {"MX0;", 4, false, "TX0;MX0;AI0;FA;"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.release) + " refused " + std::to_string(row.refusals));
    Link link;
    ASSERT_TRUE(link.radio.ok());
    ASSERT_TRUE(link.open());
    std::atomic<int> left{row.refusals};
    link.port.setLineStatusHook([&left](LineStatus& s) {
      if (onSendThread() && left.fetch_sub(1) > 0) s.errors = kCeFrame;
    });
    const auto t0 = std::chrono::steady_clock::now();
    link.queue(row.release);
    if (row.written) {
      EXPECT_EQ(link.radio.receive(4, 2000), row.release);
      EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(100 * row.refusals - 10));
      EXPECT_FALSE(link.port.releaseOwed());
    } else {
      ASSERT_TRUE(waitFor([&] { return !link.port.IsOpen(); }, 2000));
      EXPECT_EQ(link.radio.drain(50), "");
      EXPECT_TRUE(link.port.releaseOwed());
      link.port.setLineStatusHook(nullptr);
      link.queue("FA;");
      EXPECT_EQ(link.radio.receive(std::strlen(row.owedOpen), 2000), row.owedOpen);
      EXPECT_FALSE(link.port.releaseOwed());
    }
    link.port.setLineStatusHook([](LineStatus& s) {
      if (onSendThread()) s.errors = kCeFrame;
    });
    link.queue("FA;");
    ASSERT_TRUE(link.sendIdle());
    EXPECT_EQ(link.radio.drain(50), "") << "other commands are still dropped";
    link.port.setLineStatusHook(nullptr);
  }
}

// Keying asked for and not released, or the radio reporting a
// transmission: a lost line owes the release. The release goes first but
// no faster than the line carries it (4800 baud: 9.2 ms for four bytes).
TEST(SerialLink, ReleaseOwedAtALossAndPacedAhead) {
  Link link;
  ASSERT_TRUE(link.radio.ok());
  ASSERT_TRUE(link.open());
  // The MOX key keys the transmitter too: its release follows the
  // transmitter's.
  const struct {
    const char* keying;
    bool (RadioState::*report)(std::int32_t);
    const char* paid;
  } kinds[] = {{"TX1;", &RadioState::set_TxStat, "TX0;AI0;"}, {"MX1;", &RadioState::set_MX_Stat, "TX0;MX0;AI0;"}};
  for (const auto& k : kinds) {
    SCOPED_TRACE(k.keying);
    const std::size_t paid = std::strlen(k.paid);
    link.queue(k.keying);
    ASSERT_EQ(link.radio.receive(4, 2000), k.keying);
    ASSERT_TRUE(link.port.Close());
    EXPECT_TRUE(link.port.releaseOwed());
    link.queue("FA;");
    EXPECT_EQ(link.radio.receive(paid + 3, 2000), std::string(k.paid) + "FA;");
    EXPECT_FALSE(link.port.releaseOwed());
    ASSERT_TRUE(link.port.Close());
    EXPECT_FALSE(link.port.releaseOwed()) << "released at the open";

    ASSERT_TRUE(link.open());
    (link.state.*k.report)(1);
    ASSERT_TRUE(link.port.Close());
    EXPECT_TRUE(link.port.releaseOwed()) << "the radio reported a transmission";
    (link.state.*k.report)(0);
    ASSERT_TRUE(link.port.Open());
    EXPECT_EQ(link.radio.receive(paid, 2000), k.paid);
  }

  const auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(link.send.sendAhead("TX0;"));
  EXPECT_EQ(link.radio.receive(40, 3000).size(), 40u);
  EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(70));
}

// At the program's end the send thread's stop releases a keying that went
// out after the end had looked (and so sent no release of its own); an
// ordinary stop sends nothing.
TEST(SerialLink, TheEndsStopReleasesAKeyingItDidNotSee) {
  for (const bool end : {true, false}) {
    SCOPED_TRACE(end ? "the end" : "an ordinary stop");
    Link link;
    ASSERT_TRUE(link.radio.ok());
    ASSERT_TRUE(link.open());
    link.queue("MX1;");
    link.queue("TX1;");
    ASSERT_EQ(link.radio.receive(8, 2000), "MX1;TX1;");
    if (end) link.send.voidKeyings();
    link.send.stopNow();
    EXPECT_EQ(link.radio.drain(200), end ? "TX0;MX0;" : "");
  }
}

// A keying asked for after a release still waiting for the line: the
// release going out does not forget it, so a loss after the keying owes
// one again (with the link off no radio report would say so).
TEST(SerialLink, KeyingBehindAReleaseIsStillOwedAtALoss) {
  Link link;
  ASSERT_TRUE(link.radio.ok());
  ASSERT_TRUE(link.open());
  std::string record;
  for (int i = 0; i < 20; ++i) record += "FA14250000;";   // about half a second of line
  link.queue(record);
  ASSERT_TRUE(link.send.sendAhead("TX0;"));
  link.queue("TX1;");
  EXPECT_EQ(link.radio.receive(record.size() + 8, 3000), record + "TX0;TX1;");
  EXPECT_TRUE(link.port.keyingAsked());
  ASSERT_TRUE(link.port.Close());
  EXPECT_TRUE(link.port.releaseOwed());
}

}  // namespace
}  // namespace hrx
