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
#include "serial/ComPort.h"
#include "serial/PtyRadio.h"
#include "platform/RingBuffer.h"
#include "serial/Sio_Recv_Thread.h"
#include "serial/Sio_Send_Thread.h"
#include "state/PanelMirror.h"
#include "state/RadioState.h"
#include "support/RecordingMainWindow.h"
#include "support/RecordingPostTarget.h"

namespace hrx {
namespace {

using test::PtyRadio;
using test::waitFor;

TEST(SendVerdict, EveryRefusalRule) {
  struct Case {
    const char* label;
    LineStatus status;
    SendVerdict want;
  };
  auto with = [](auto f) {
    LineStatus s;
    f(s);
    return s;
  };
  const Case cases[] = {
      {"clean line", {}, SendVerdict::Write},
      {"output queue 5119", with([](LineStatus& s) { s.outQueue = 5119; }), SendVerdict::Write},
      {"output queue 5120", with([](LineStatus& s) { s.outQueue = 5120; }), SendVerdict::DropAndClose},
      {"device gone", with([](LineStatus& s) { s.fault = true; }), SendVerdict::DropAndClose},
      {"DSR hold", with([](LineStatus& s) { s.dsrHold = true; }), SendVerdict::Drop},
      {"XOFF received", with([](LineStatus& s) { s.xoffHold = true; }), SendVerdict::Drop},
      {"XOFF sent", with([](LineStatus& s) { s.xoffSent = true; }), SendVerdict::Drop},
      {"EOF", with([](LineStatus& s) { s.eof = true; }), SendVerdict::Drop},
      {"break", with([](LineStatus& s) { s.errors = kCeBreak; }), SendVerdict::Drop},
      {"frame", with([](LineStatus& s) { s.errors = kCeFrame; }), SendVerdict::Drop},
      {"overrun", with([](LineStatus& s) { s.errors = kCeOverrun; }), SendVerdict::Drop},
      {"mode", with([](LineStatus& s) { s.errors = kCeMode; }), SendVerdict::Drop},
      {"I/O error", with([](LineStatus& s) { s.errors = kCeIoe; }), SendVerdict::Drop},
      {"receive queue overflow", with([](LineStatus& s) { s.errors = kCeRxOver; }), SendVerdict::Drop},
      {"parity", with([](LineStatus& s) { s.errors = kCeRxParity; }), SendVerdict::Drop},
      {"transmit queue full", with([](LineStatus& s) { s.errors = kCeTxFull; }), SendVerdict::Drop},
      {"two errors together are not on the list", with([](LineStatus& s) { s.errors = kCeFrame | kCeBreak; }),
       SendVerdict::Write},
      {"an unlisted error bit", with([](LineStatus& s) { s.errors = 0x20; }), SendVerdict::Write},
      {"full queue wins over a hold", with([](LineStatus& s) { s.outQueue = 9000; s.xoffHold = true; }),
       SendVerdict::DropAndClose},
      {"hold wins over a listed error", with([](LineStatus& s) { s.errors = kCeFrame; s.eof = true; }),
       SendVerdict::Drop},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(sendVerdict(c.status), c.want);
  }
}

// The serial link as the program wires it, with the radio on a pty.
struct Link {
  explicit Link(bool selfPolling = true)
      : recvRing(std::make_unique<Sio_RingBuff>()),
        sendRing(std::make_unique<Sio_RingBuff>()),
        recv(port, state, *recvRing, analyser, selfPolling),
        send(port, state, *sendRing) {
    loadBuiltInCatalogue(state);
    port.attach({&window, &mirror, &guard});
    port.SetDevicePath(radio.slavePath());
    recv.start();
    send.start();
  }
  ~Link() {
    send.stopNow();
    recv.stopNow();
  }
  void queue(const std::string& cmd, bool notify = true) {
    ASSERT_EQ(sendRing->Sio_RingBuff_Write(static_cast<std::int16_t>(cmd.size()), cmd.data()),
              static_cast<std::int16_t>(cmd.size()));
    if (notify) send.post(kMsgSend);
  }
  bool sendIdle() {
    return waitFor([&] { return send.pending() == 0; }, 2000);
  }
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
  std::vector<Msg> notices() const { return window.posts(kMsgNotice); }

  PtyRadio radio;
  RadioState state;
  PanelMirror mirror;
  test::RecordingMainWindow window;
  test::RecordingPostTarget analyser;
  std::atomic<bool> guard{false};
  ComPort port;
  std::unique_ptr<Sio_RingBuff> recvRing;
  std::unique_ptr<Sio_RingBuff> sendRing;
  Sio_Recv_Thread recv;
  Sio_Send_Thread send;
};

TEST(SerialLink, NothingGoesOutUntilEnabledThenAiFirstAndInOrder) {
  Link link;
  ASSERT_TRUE(link.radio.ok());
  link.queue("FA14250000;");
  link.queue("FB07000000;");
  link.queue("MD01;");
  ASSERT_TRUE(link.sendIdle());
  EXPECT_EQ(link.radio.drain(100), "");
  EXPECT_FALSE(link.port.IsOpen()) << "no serial work at all while disabled";
  EXPECT_EQ(link.sendRing->unread(), 3);

  link.state.set_CommEnabled(1);
  for (int i = 0; i < 3; ++i) link.send.post(kMsgSend);
  const std::string want = "AI0;FA14250000;FB07000000;MD01;";
  EXPECT_EQ(link.radio.receive(want.size(), 2000), want);
  EXPECT_EQ(link.radio.drain(100), "");
  EXPECT_EQ(link.state.get_AwaitingReply(), 1);
  EXPECT_EQ(link.sendRing->unread(), 0);
}

TEST(SerialLink, RepliesReachTheAnalyserOnePerRecord) {
  Link link;
  ASSERT_TRUE(link.radio.ok());
  link.state.set_CommEnabled(1);
  link.queue("FA;");
  ASSERT_EQ(link.radio.receive(7, 2000), "AI0;FA;");
  EXPECT_TRUE(waitFor([&] { return link.state.get_AwaitingReply() == 1; }, 2000));

  ASSERT_TRUE(link.radio.send("FA1425"));
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(link.replyNotices(), 0u) << "half a reply is not delivered";
  ASSERT_TRUE(link.radio.send("0000;?;SM0005;ZZ12;"));
  ASSERT_TRUE(waitFor([&] { return link.replyNotices() == 3; }, 2000));
  EXPECT_EQ(link.takeReply(), "FA14250000");
  EXPECT_EQ(link.takeReply(), "SM0005");
  EXPECT_EQ(link.takeReply(), "ZZ12");
  EXPECT_EQ(link.takeReply(), "");
  EXPECT_EQ(link.state.get_AwaitingReply(), 0);

  // A reply too long for a ring slot is neither stored nor announced.
  ASSERT_TRUE(link.radio.send("ZZ" + std::string(600, 'A') + ";AI1;"));
  ASSERT_TRUE(waitFor([&] { return link.replyNotices() == 4; }, 2000));
  EXPECT_EQ(link.takeReply(), "AI1");
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(link.replyNotices(), 4u);
  EXPECT_TRUE(link.port.IsOpen()) << "a pseudo-terminal without RTS is no fault";
}

TEST(SerialLink, PollMessagesDeliverOneReplyEach) {
  Link link(false);
  ASSERT_TRUE(link.radio.ok());
  link.state.set_CommEnabled(1);
  ASSERT_TRUE(link.port.Open());
  ASSERT_EQ(link.radio.receive(4, 1000), "AI0;");
  ASSERT_TRUE(link.radio.send("FA14250000;FB07000000;"));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(link.replyNotices(), 0u) << "without self-polling only 0x8104 polls";
  for (std::size_t polls = 1; polls <= 2; ++polls) {
    link.recv.post(kMsgPoll);
    ASSERT_TRUE(waitFor([&] { return link.replyNotices() == polls; }, 1000));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(link.replyNotices(), polls) << "one reply per poll";
  }
  link.recv.post(kMsgPoll);
  ASSERT_TRUE(waitFor([&] { return link.recv.polls() == 3; }, 1000));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(link.replyNotices(), 2u);
  EXPECT_EQ(link.takeReply(), "FA14250000");
  EXPECT_EQ(link.takeReply(), "FB07000000");
}

TEST(SerialLink, ClosedPortIsReopenedWithTheCurrentAiStateFirst) {
  Link link;
  ASSERT_TRUE(link.radio.ok());
  link.state.set_CommEnabled(1);
  link.queue("ID;");
  ASSERT_EQ(link.radio.receive(7, 2000), "AI0;ID;");
  // As after a line fault: closed, and the radio has since reported AI on.
  ASSERT_TRUE(link.port.Close());
  link.mirror.set_AI_Stat(1);
  link.queue("FA;");
  EXPECT_EQ(link.radio.receive(7, 2000), "AI1;FA;");
  // The receive thread follows the re-opened port.
  ASSERT_TRUE(link.radio.send("FA14250000;"));
  ASSERT_TRUE(waitFor([&] { return link.replyNotices() == 1; }, 2000));
  EXPECT_EQ(link.takeReply(), "FA14250000");
}

TEST(SerialLink, AiCommandsSetTheRequestFlag) {
  Link link;
  ASSERT_TRUE(link.radio.ok());
  link.state.set_CommEnabled(1);
  link.queue("AI1;");
  ASSERT_EQ(link.radio.receive(8, 2000), "AI0;AI1;");
  EXPECT_EQ(link.state.get_AiOnRequested(), 1);
  link.queue("AI0;");
  ASSERT_EQ(link.radio.receive(4, 2000), "AI0;");
  EXPECT_EQ(link.state.get_AiOnRequested(), 0);
  link.queue("AI10;");
  ASSERT_EQ(link.radio.receive(5, 2000), "AI10;");
  EXPECT_EQ(link.state.get_AiOnRequested(), 0) << "only the exact four bytes count";
}

TEST(SerialLink, StuckWriteEndsAndStillCountsAsAttempt) {
  Link link;
  ASSERT_TRUE(link.radio.ok());
  link.state.set_CommEnabled(1);
  ASSERT_TRUE(link.port.Open());
  ASSERT_EQ(link.radio.receive(4, 1000), "AI0;");
  // Stop the line's output: the pty takes nothing more.
  const int slave = ::open(link.radio.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (slave < 0) GTEST_SKIP() << "cannot reach the line to stop it";
  ASSERT_EQ(::tcflow(slave, TCOOFF), 0);
  link.state.set_AwaitingReply(0);
  const auto t0 = std::chrono::steady_clock::now();
  link.queue("AI1;");
  ASSERT_TRUE(waitFor([&] { return link.state.get_AwaitingReply() == 1; }, 3000)) << "the write never ended";
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0);
  EXPECT_GE(took.count(), kWriteTotalConstantMs - 50) << "it waited for the line";
  EXPECT_EQ(link.state.get_AiOnRequested(), 1) << "set although the write failed";
  EXPECT_EQ(link.send.written(), 0u);
  ::tcflow(slave, TCOON);
  ::close(slave);
}

TEST(SerialLink, VanishedRadioClosesThePortAndTheNextCommandFails) {
  Link link;
  ASSERT_TRUE(link.radio.ok());
  link.state.set_CommEnabled(1);
  link.queue("FA;");
  ASSERT_EQ(link.radio.receive(7, 2000), "AI0;FA;");
  link.radio.unplug();
  EXPECT_TRUE(waitFor([&] { return !link.port.IsOpen(); }, 2000)) << "the receive thread closes a dead line";
  EXPECT_TRUE(link.notices().empty());
  link.queue("FA;");
  ASSERT_TRUE(link.sendIdle());
  ASSERT_TRUE(waitFor([&] { return link.notices().size() == 1; }, 2000));
  EXPECT_EQ(link.notices()[0], (Msg{kMsgNotice, 0, kNoticePortFailure}));
  EXPECT_FALSE(link.port.IsOpen());
  // While the notice box is up, later commands do not pile up notices.
  link.guard = true;
  link.queue("FA;");
  ASSERT_TRUE(link.sendIdle());
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(link.notices().size(), 1u);
}

TEST(SerialLink, LineConditionsRefuseCommands) {
  struct Case {
    const char* label;
    void (*condition)(LineStatus&);
    bool portStaysOpen;
  };
  const Case cases[] = {
      {"XOFF received", [](LineStatus& s) { s.xoffHold = true; }, true},
      {"DSR hold", [](LineStatus& s) { s.dsrHold = true; }, true},
      {"a framing error", [](LineStatus& s) { s.errors = kCeFrame; }, true},
      {"transmit queue full", [](LineStatus& s) { s.errors = kCeTxFull; }, true},
      {"output queue at 5120", [](LineStatus& s) { s.outQueue = 5120; }, false},
      {"line fault", [](LineStatus& s) { s.fault = true; }, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    Link link;
    ASSERT_TRUE(link.radio.ok());
    link.state.set_CommEnabled(1);
    link.queue("ID;");
    ASSERT_EQ(link.radio.receive(7, 2000), "AI0;ID;");
    ASSERT_TRUE(waitFor([&] { return link.state.get_AwaitingReply() == 1; }, 2000));
    link.state.set_AwaitingReply(0);

    link.port.setLineStatusHook(c.condition);
    link.queue("AI1;");
    ASSERT_TRUE(link.sendIdle());
    EXPECT_EQ(link.radio.drain(50), "") << "the command is dropped";
    EXPECT_EQ(link.port.IsOpen(), c.portStaysOpen);
    EXPECT_EQ(link.state.get_AwaitingReply(), 0) << "no write was attempted";
    EXPECT_EQ(link.state.get_AiOnRequested(), 0);

    link.port.setLineStatusHook(nullptr);
    link.queue("FA;");
    EXPECT_EQ(link.radio.receive(c.portStaysOpen ? 3 : 7, 2000), c.portStaysOpen ? "FA;" : "AI0;FA;")
        << "the next command is tried normally";
    EXPECT_TRUE(waitFor([&] { return link.state.get_AwaitingReply() == 1; }, 2000));
  }
}

TEST(SerialLink, CombinedLineErrorsDoNotRefuse) {
  Link link;
  ASSERT_TRUE(link.radio.ok());
  link.state.set_CommEnabled(1);
  link.port.setLineStatusHook([](LineStatus& s) { s.errors = kCeFrame | kCeOverrun; });
  link.queue("FA;");
  EXPECT_EQ(link.radio.receive(7, 2000), "AI0;FA;");
}

TEST(SerialLink, FloodLargerThanTheBufferIsSurvived) {
  Link link;
  ASSERT_TRUE(link.radio.ok());
  link.state.set_CommEnabled(1);
  ASSERT_TRUE(link.port.Open());
  ASSERT_EQ(link.radio.receive(4, 1000), "AI0;");
  // 5000 letters without a terminator: more than the collection buffer holds.
  ASSERT_TRUE(link.radio.send(std::string(5000, 'Q')));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_TRUE(link.radio.send(";FA14250000;"));
  ASSERT_TRUE(waitFor([&] { return link.replyNotices() >= 1; }, 3000));
  std::string last;
  for (std::string r = link.takeReply(); !r.empty(); r = link.takeReply()) last = r;
  EXPECT_EQ(last, "FA14250000");
  EXPECT_TRUE(link.port.IsOpen());
}

TEST(SerialLink, ReceiveWaitsForEnableThenTakesWhatWaited) {
  Link link;
  ASSERT_TRUE(link.radio.ok());
  ASSERT_TRUE(link.port.Open());
  ASSERT_EQ(link.radio.receive(4, 1000), "AI0;");
  ASSERT_TRUE(link.radio.send("FA14250000;"));
  link.recv.post(kMsgPoll);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(link.replyNotices(), 0u);
  EXPECT_EQ(link.recv.polls(), 0u) << "no poll runs while serial work is disabled";
  link.state.set_CommEnabled(1);
  ASSERT_TRUE(waitFor([&] { return link.replyNotices() == 1; }, 1000)) << "the waiting reply is taken once enabled";
  EXPECT_EQ(link.takeReply(), "FA14250000");
}

TEST(SerialLink, IdleLineCostsNoPolls) {
  Link link;
  ASSERT_TRUE(link.radio.ok());
  link.state.set_CommEnabled(1);
  ASSERT_TRUE(link.port.Open());
  ASSERT_EQ(link.radio.receive(4, 1000), "AI0;");
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const auto before = link.recv.polls();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_LE(link.recv.polls() - before, 2u) << "the receive thread polls an idle line";
  // A half reply is not a reason to keep polling either.
  ASSERT_TRUE(link.radio.send("FA142"));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const auto half = link.recv.polls();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_LE(link.recv.polls() - half, 2u);
  ASSERT_TRUE(link.radio.send("50000;"));
  ASSERT_TRUE(waitFor([&] { return link.replyNotices() == 1; }, 2000));
}

}  // namespace
}  // namespace hrx
