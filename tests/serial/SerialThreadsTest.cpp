#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

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

TEST(SendVerdict, EveryRefusalRule) {
  const struct {
    const char* label;
    LineStatus status;
    V want;
  } cases[] = {
      {"clean line", {}, V::Write},
      {"output queue 5119", {.outQueue = 5119}, V::Write},
      {"output queue 5120", {.outQueue = 5120}, V::DropAndClose},
      {"device gone", {.fault = true}, V::DropAndClose},
      {"DSR hold", {.dsrHold = true}, V::Drop},
      {"XOFF received", {.xoffHold = true}, V::Drop},
      {"XOFF sent", {.xoffSent = true}, V::Drop},
      {"EOF", {.eof = true}, V::Drop},
      {"break", {.errors = kCeBreak}, V::Drop},
      {"frame", {.errors = kCeFrame}, V::Drop},
      {"overrun", {.errors = kCeOverrun}, V::Drop},
      {"mode", {.errors = kCeMode}, V::Drop},
      {"I/O error", {.errors = kCeIoe}, V::Drop},
      {"receive queue overflow", {.errors = kCeRxOver}, V::Drop},
      {"parity", {.errors = kCeRxParity}, V::Drop},
      {"transmit queue full", {.errors = kCeTxFull}, V::Drop},
      {"two errors together are not on the list", {.errors = kCeFrame | kCeBreak}, V::Write},
      {"an unlisted error bit", {.errors = 0x20}, V::Write},
      {"full queue wins over a hold", {.outQueue = 9000, .xoffHold = true}, V::DropAndClose},
      {"hold wins over a listed error", {.errors = kCeFrame, .eof = true}, V::Drop},
  };
  for (const auto& c : cases) EXPECT_EQ(sendVerdict(c.status), c.want) << c.label;
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

TEST(SerialLink, RepliesReachTheAnalyserOnePerRecord) {
  Link link(false);
  ASSERT_TRUE(link.radio.ok());
  ASSERT_TRUE(link.open());
  ASSERT_TRUE(link.radio.send("FA1425"));
  link.recv.post(kMsgPoll);
  pause(50);
  EXPECT_EQ(link.recv.polls(), 0u) << "no poll runs while serial work is disabled";
  link.state.set_CommEnabled(1);
  pause(30);
  EXPECT_EQ(link.replyNotices(), 0u) << "half a reply is not delivered";
  ASSERT_TRUE(link.radio.send("0000;?;SM0005;ZZ12;"));
  ASSERT_TRUE(link.replies(3));
  for (const char* r : {"FA14250000", "SM0005", "ZZ12", ""}) EXPECT_EQ(link.takeReply(), r);
  // A reply too long for a ring slot is neither stored nor announced; 5000
  // letters without a terminator overflow the collection buffer.
  ASSERT_TRUE(link.radio.send("ZZ" + std::string(600, 'A') + ";AI1;"));
  ASSERT_TRUE(link.replies(4));
  EXPECT_EQ(link.takeReply(), "AI1");
  ASSERT_TRUE(link.radio.send(std::string(5000, 'Q')));
  pause(100);
  ASSERT_TRUE(link.radio.send(";FA14250000;"));
  ASSERT_TRUE(waitFor([&] { return link.replyNotices() >= 5; }, 3000));
  std::string last;
  for (std::string r = link.takeReply(); !r.empty(); r = link.takeReply()) last = r;
  EXPECT_EQ(last, "FA14250000");
  EXPECT_TRUE(link.port.IsOpen()) << "a pseudo-terminal without RTS is no fault";
}

TEST(SerialLink, PollMessagesDeliverOneReplyEach) {
  Link link(true, false);
  ASSERT_TRUE(link.radio.ok());
  ASSERT_TRUE(link.open());
  ASSERT_TRUE(link.radio.send("FA14250000;FB07000000;"));
  pause(20);
  EXPECT_EQ(link.replyNotices(), 0u) << "without self-polling only 0x8104 polls";
  for (std::size_t polls = 1; polls <= 3; ++polls) {
    link.recv.post(kMsgPoll);
    ASSERT_TRUE(waitFor([&] { return link.recv.polls() == polls; }, 1000));
    pause(20);
    EXPECT_EQ(link.replyNotices(), std::min<std::size_t>(polls, 2)) << "one reply per poll";
  }
  EXPECT_EQ(link.takeReply(), "FA14250000");
  EXPECT_EQ(link.takeReply(), "FB07000000");
}

TEST(SerialLink, IdleLineCostsNoPolls) {
  Link link;
  ASSERT_TRUE(link.radio.ok());
  ASSERT_TRUE(link.open());
  for (const char* half : {"", "FA142"}) {  // a half reply is no reason to keep polling
    ASSERT_TRUE(link.radio.send(half));
    pause(50);
    const auto before = link.recv.polls();
    pause(300);
    EXPECT_LE(link.recv.polls() - before, 2u) << half;
  }
  ASSERT_TRUE(link.radio.send("50000;"));
  ASSERT_TRUE(link.replies(1));
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
  // While the notice box is up, later commands do not pile up notices.
  link.guard = true;
  link.queue("FA;");
  ASSERT_TRUE(link.sendIdle());
  pause(20);
  EXPECT_EQ(link.notices().size(), 1u);
}

// A refused command is dropped without a write; a full output queue or a
// gone device also closes the port; the next command is tried normally.
TEST(SerialLink, LineConditionsRefuseCommands) {
  const struct {
    const char* label;
    void (*condition)(LineStatus&);
    bool portStaysOpen;
  } cases[] = {
      {"XOFF received", [](LineStatus& s) { s.xoffHold = true; }, true},
      {"a framing error", [](LineStatus& s) { s.errors = kCeFrame; }, true},
      {"output queue at 5120", [](LineStatus& s) { s.outQueue = 5120; }, false},
      {"line fault", [](LineStatus& s) { s.fault = true; }, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    Link link;
    ASSERT_TRUE(link.radio.ok());
    ASSERT_TRUE(link.open());
    link.port.setLineStatusHook(c.condition);
    link.queue("AI1;");
    ASSERT_TRUE(link.sendIdle());
    EXPECT_EQ(link.radio.drain(50), "") << "the command is dropped";
    EXPECT_EQ(link.port.IsOpen(), c.portStaysOpen);
    EXPECT_EQ(link.state.get_AwaitingReply(), 0) << "no write was attempted";
    EXPECT_EQ(link.state.get_AiOnRequested(), 0);
    link.port.setLineStatusHook(nullptr);
    link.queue("FA;");
    EXPECT_EQ(link.radio.receive(c.portStaysOpen ? 3 : 7, 2000), c.portStaysOpen ? "FA;" : "AI0;FA;");
  }
}

}  // namespace
}  // namespace hrx
