// The sharing server's listener with a fake radio behind it (several
// clients, the address rules, the clients it drops), then the real network
// client of the protocol (rigctl, model 2) against the program with the
// simulated radio behind it over a pseudo-terminal: each command's answer and
// the exact CAT commands the radio received.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "SimPty.h"
#include "SimRadio.h"
#include "platform/Clock.h"
#include "share/ShareServer.h"
#include "support/LineClient.h"
#include "support/StationRig.h"

namespace hrx::share {
namespace {

using namespace std::chrono_literals;
using test::waitFor;
using test::waitForQuiet;

// A radio that does at once what it is asked, or (`deaf`) nothing at all;
// `setsUnheard`: it ignores sets, `releaseUnheard`: it ignores a release.
class FakeRadio final : public ShareBackend {
 public:
  Snapshot snapshot() override {
    std::lock_guard lock(mu);
    return s;
  }
  void perform(const Action& a) override {
    std::lock_guard lock(mu);
    asked.push_back(a);
    if (deaf) return;
    if (a.kind == Action::Kind::Ptt && !(a.value == 0 && releaseUnheard)) s.txStat = a.value;
    if (a.kind != Action::Kind::Operation || setsUnheard) return;
    if (a.op == 82) s.vfoA = a.value;
    if (a.op == 189) s.frStat = 0;  // the receive keys from FR 0 and 4
    if (a.op == 191) s.frStat = 4;
    if (a.op == 193) (s.frStat == 4 ? s.modeSub : s.modeMain) = a.value + 1;
  }
  void log(const std::string& line) override {
    std::lock_guard lock(mu);
    logged.push_back(line);
  }
  // Operations and PTT (-1 release, -2 key) in the order asked.
  std::vector<int> order() {
    std::lock_guard lock(mu);
    std::vector<int> out;
    for (const Action& a : asked) out.push_back(a.kind == Action::Kind::Ptt ? -a.value - 1 : a.op);
    return out;
  }
  // The PTT values asked for, in order.
  std::vector<int> ptt() {
    std::lock_guard lock(mu);
    std::vector<int> out;
    for (const Action& a : asked)
      if (a.kind == Action::Kind::Ptt) out.push_back(a.value);
    return out;
  }
  // Everything asked for, in order: "F14070000" for a frequency, "op193=3"
  // for another operation, "T1" for PTT.
  std::vector<std::string> actions() {
    std::lock_guard lock(mu);
    std::vector<std::string> out;
    for (const Action& a : asked) {
      if (a.kind == Action::Kind::Ptt) out.push_back("T" + std::to_string(a.value));
      else if (a.op == 82) out.push_back("F" + std::to_string(a.value));
      else out.push_back("op" + std::to_string(a.op) + "=" + std::to_string(a.value));
    }
    return out;
  }
  std::vector<std::string> logLines() {
    std::lock_guard lock(mu);
    return logged;
  }
  std::mutex mu;
  Snapshot s{.vfoA = 14074000, .vfoB = 7050000, .modeMain = 2, .linkUp = true};
  std::vector<Action> asked;
  std::vector<std::string> logged;
  std::atomic<bool> deaf{false};
  std::atomic<bool> setsUnheard{false};
  std::atomic<bool> releaseUnheard{false};
};

// Time that moves only when the test moves it.
class ManualClock final : public Clock {
 public:
  std::int64_t nowMs() override { return now.load(); }
  void sleepMs(std::int64_t ms) override { now.fetch_add(ms); }
  std::atomic<std::int64_t> now{1000000};
};

// A raw loopback connection, from `source` and with a small receive window
// when asked.
int rawConnect(int port, const char* source = nullptr, int rcvbuf = 0) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (rcvbuf > 0) ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &rcvbuf, sizeof rcvbuf);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  if (source != nullptr) {
    ::inet_pton(AF_INET, source, &sa.sin_addr);
    ::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
  }
  sa.sin_port = htons(static_cast<std::uint16_t>(port));
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
  return fd;
}

class ShareServerTest : public ::testing::Test {
 protected:
  void start(const std::function<void(ShareConfig&)>& change = {}) {
    ShareConfig c;
    if (change) change(c);
    c.port = 0;
    std::string error;
    ASSERT_TRUE(server.startServer(c, &error)) << error;
    port = server.boundPort();
    ASSERT_GT(port, 0);
  }
  FakeRadio radio;
  ManualClock clock;
  ShareServer server{radio};
  int port = 0;
};

// The same with time in the test's hand.
class ShareServerClockTest : public ShareServerTest {
 protected:
  ShareServer timed{radio, clock};
  void startTimed() {
    ShareConfig c;
    c.port = 0;
    c.tickMs = 10;
    std::string error;
    ASSERT_TRUE(timed.startServer(c, &error)) << error;
    port = timed.boundPort();
  }
};

// Several clients at once; a set's answer waits for the radio's report, and
// what was asked meanwhile is answered after it, in order.
TEST_F(ShareServerTest, ClientsAreAnsweredInTurnAndSetsAfterTheRadioConfirms) {
  start([](ShareConfig& c) { c.confirmMs = 100; });
  std::vector<std::unique_ptr<test::LineClient>> clients;
  for (int i = 0; i < 8; ++i) clients.push_back(std::make_unique<test::LineClient>(port));
  for (auto& c : clients) ASSERT_TRUE(c->send("f\nm\n"));  // all send before any reads
  for (auto& c : clients) {
    std::string a;
    for (const char* want : {"14074000", "USB", "0"}) {
      ASSERT_TRUE(c->readLine(&a));
      EXPECT_EQ(a, want);
    }
  }
  EXPECT_EQ(server.clientCount(), 8);
  // A request split over several writes is one request.
  test::LineClient& one = *clients[0];
  std::string a;
  ASSERT_TRUE(one.send("+") && one.send("\\get_"));
  ASSERT_TRUE(one.ask("freq", 3, &a));
  EXPECT_EQ(a, "get_freq:\nFrequency: 14074000\nRPRT 0\n");
  ASSERT_TRUE(one.ask("F 21074000", 1, &a));
  EXPECT_EQ(a, "RPRT 0\n");
  ASSERT_TRUE(one.ask("f", 1, &a));
  EXPECT_EQ(a, "21074000\n");
  radio.deaf = true;
  ASSERT_TRUE(one.ask("F 7074000\nf", 2, &a));
  EXPECT_EQ(a, "RPRT -5\n21074000\n");
  clients.clear();
  EXPECT_TRUE(waitFor([&] { return server.clientCount() == 0; }, 2s));
}

TEST_F(ShareServerTest, TransmitterIsReleasedWhenItsClientGoesOrTheLinkIsLost) {
  start([](ShareConfig& c) { c.tickMs = 10; });
  std::string a;
  {
    test::LineClient client(port);
    ASSERT_TRUE(client.ask("T 1", 1, &a));
    EXPECT_EQ(a, "RPRT 0\n");
  }
  ASSERT_TRUE(waitFor([&] { return radio.ptt().size() == 2; }, 2s));
  EXPECT_EQ(radio.ptt(), (std::vector<int>{1, 0}));

  test::LineClient keyer(port), other(port);
  ASSERT_TRUE(keyer.ask("T 1", 1, &a));
  ASSERT_TRUE(other.ask("f", 1, &a));
  {
    std::lock_guard lock(radio.mu);
    radio.s.linkUp = false;
  }
  ASSERT_TRUE(waitFor([&] { return radio.ptt().size() == 4; }, 2s));
  EXPECT_EQ(radio.ptt(), (std::vector<int>{1, 0, 1, 0}));
  ASSERT_TRUE(keyer.ask("T 1", 1, &a));
  EXPECT_EQ(a, "RPRT -9\n");
  // Only the one who keyed it releases it, and only once.
  keyer.close();
  other.close();
  ASSERT_TRUE(waitFor([&] { return server.clientCount() == 0; }, 2s));
  EXPECT_EQ(radio.ptt().size(), 4u);
  // The server stopping releases it too.
  {
    std::lock_guard lock(radio.mu);
    radio.s.linkUp = true;
  }
  test::LineClient last(port);
  ASSERT_TRUE(last.ask("T 1", 1, &a));
  server.stopServer();
  EXPECT_EQ(radio.ptt(), (std::vector<int>{1, 0, 1, 0, 1, 0}));
}

// Each row: one client's write, the answers it reads, whether the server
// closes it, and everything the radio was asked until the client is gone.
// The radio never confirms a set (each answers -5 after 50 ms), so every
// later line waits behind one: a transmit request goes to the radio only
// after the sets the client asked for before it, nothing after q or Q.
TEST_F(ShareServerTest, ClientsRequestsActInTheirOrderAndNothingAfterQuit) {
  start([](ShareConfig& c) { c.confirmMs = 50, c.tickMs = 10; });
  radio.setsUnheard = true;
  const struct {
    const char* write;
    const char* answers;
    bool closedByServer;
    std::vector<std::string> actions;
  } rows[] = {
      {"F 14070000\nF 14076000\nT 1\n", "RPRT -5\nRPRT -5\nRPRT 0\n", false, {"F14070000", "F14076000", "T1", "T0"}},
      {"F 14070000\nM CW\nT 1\n", "RPRT -5\nRPRT -5\nRPRT 0\n", false, {"F14070000", "op193=2", "T1", "T0"}},
      {"F 14070000\nT 2\n", "RPRT -5\nRPRT 0\n", false, {"F14070000", "T1", "T0"}},
      {"F 14070000\nT 3\n", "RPRT -5\nRPRT 0\n", false, {"F14070000", "T1", "T0"}},
      // Keyed, retuned and released in one write: only the release is left.
      {"F 14070000\nT 1\nF 14076000\nT 0\n", "RPRT -5\nRPRT 0\nRPRT -5\nRPRT 0\n", false,
       {"F14070000", "T0", "F14076000"}},
      {"F 14080000\nq\nT 1\n", "RPRT -5\n", true, {"F14080000"}},
      {"F 14080000\nQ\nT 1\n", "RPRT -5\n", true, {"F14080000"}},
      {"F 14080000\n+\\quit\nT 1\nF 7000000\n", "RPRT -5\n", true, {"F14080000"}},
      {"T 1\nF 14080000\nq\nT 0\nT 1\n", "RPRT 0\nRPRT -5\n", true, {"T1", "F14080000", "T0"}},
      // A set in steps (the receive key never heard): the key after its end.
      {"X PKTUSB -1\nT 1\n", "RPRT -5\nRPRT 0\n", false, {"op191=0", "T1", "T0"}},
      {"X PKTUSB -1\nq\nT 1\n", "RPRT -5\n", true, {"op191=0"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.write);
    {
      std::lock_guard lock(radio.mu);
      radio.asked.clear();
      radio.s.txStat = 0;
    }
    test::LineClient client(port);
    ASSERT_TRUE(client.send(row.write));
    std::string answers;
    for (std::string line; answers.size() < std::strlen(row.answers) && client.readLine(&line);) answers += line + '\n';
    EXPECT_EQ(answers, row.answers);
    if (row.closedByServer) {
      EXPECT_TRUE(client.closedByPeer());
    }
    client.close();
    ASSERT_TRUE(waitFor([&] { return server.clientCount() == 0; }, 2s));
    EXPECT_EQ(radio.actions(), row.actions);
  }
}

// A client that writes and hangs up at once (as `nc -q0` does): its
// keying is not sent, since no one is left
// to release it and the hang-up would only end a short transmission. The
// server is held inside its first request until the close has arrived.
TEST_F(ShareServerTest, AKeyingFromAClientThatHasHungUpIsNotSent) {
  start([](ShareConfig& c) { c.confirmMs = 50, c.tickMs = 10; });
  radio.setsUnheard = true;
  const struct {
    const char* write;
    std::vector<std::string> actions;
  } rows[] = {
      {"T 1\n", {}},
      {"f\nT 1\n", {}},
      {"T 1\nT 0\n", {"T0"}},  // a release always goes
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.write);
    const std::uint64_t before = server.requestCount();
    {
      std::unique_lock lock(radio.mu);
      radio.asked.clear();
      radio.s.txStat = 0;
      test::LineClient client(port);
      ASSERT_TRUE(client.send(row.write));
      client.close();
    }
    ASSERT_TRUE(waitFor([&] { return server.requestCount() > before && server.clientCount() == 0; }, 2s));
    EXPECT_EQ(radio.actions(), row.actions);
  }
}

// A client's pending transmit changes come down to its newest: no relay
// chatter. Each row: one write, the PTT values the radio is asked for while
// the client is connected (at most), the last of them; every line is
// answered, in order.
TEST_F(ShareServerTest, TransmitChangesComeDownToTheNewest) {
  start([](ShareConfig& c) { c.tickMs = 10; });
  std::string toggles, reversed;
  for (int i = 0; i < 250; ++i) toggles += "T 1\nT 0\n", reversed += "T 0\nT 1\n";
  const struct {
    std::string write;
    std::size_t atMost;
    int last;
  } rows[] = {{toggles, 3, 0}, {reversed, 3, 1}, {"T 1\nT 1\nT 1\n", 1, 1}, {"T 0\nT 0\nT 0\n", 1, 0}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.write.substr(0, 16));
    {
      std::lock_guard lock(radio.mu);
      radio.asked.clear();
      radio.s.txStat = 0;
    }
    test::LineClient client(port);
    ASSERT_TRUE(client.send(row.write));
    std::string line;
    int answered = 0;
    const int lines = static_cast<int>(std::count(row.write.begin(), row.write.end(), '\n'));
    while (answered < lines && client.readLine(&line) && line == "RPRT 0") ++answered;
    EXPECT_EQ(answered, lines) << "then: " << line;
    const std::vector<int> asked = radio.ptt();
    EXPECT_LE(asked.size(), row.atMost);
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.back(), row.last);
    client.close();
    ASSERT_TRUE(waitFor([&] { return server.clientCount() == 0; }, 2s));
  }
}

// A client's hold on the transmitter ends only when the radio reports that
// it receives: a release the radio did not hear is sent again when the
// client goes.
TEST_F(ShareServerTest, HoldEndsOnlyWhenTheRadioReportsReceive) {
  start([](ShareConfig& c) { c.confirmMs = 50, c.tickMs = 10; });
  const struct {
    bool releaseHeard;
    const char* releaseAnswer;
    std::vector<int> ptt;
  } rows[] = {{true, "RPRT 0\n", {1, 0}}, {false, "RPRT -5\n", {1, 0, 0}}};
  for (const auto& row : rows) {
    {
      std::lock_guard lock(radio.mu);
      radio.asked.clear();
      radio.s.txStat = 0;
    }
    radio.releaseUnheard = !row.releaseHeard;
    test::LineClient client(port);
    std::string a;
    ASSERT_TRUE(client.ask("T 1", 1, &a));
    EXPECT_EQ(a, "RPRT 0\n");
    ASSERT_TRUE(client.ask("T 0", 1, &a));
    EXPECT_EQ(a, row.releaseAnswer);
    client.close();
    ASSERT_TRUE(waitFor([&] { return server.clientCount() == 0; }, 2s));
    EXPECT_EQ(radio.ptt(), row.ptt) << "release heard: " << row.releaseHeard;
  }
}

// A keyed client that says nothing for 30 s is released once, and logged;
// a program that polls while it transmits is not. Each step: the time since
// the key went down, who asks something then (the keyer or another
// client), the PTT values asked for by then.
TEST_F(ShareServerClockTest, KeyedClientSilentFor30SecondsIsReleased) {
  startTimed();
  test::LineClient keyer(port), other(port);
  std::string a;
  ASSERT_TRUE(keyer.ask("T 1", 1, &a));
  EXPECT_EQ(a, "RPRT 0\n");
  const std::int64_t keyedAt = clock.now.load();
  const struct {
    std::int64_t at;
    bool keyerAsks;
    std::vector<int> ptt;
  } steps[] = {{29999, false, {1}},    {29999, true, {1}},     {59998, false, {1}},
               {59999, false, {1, 0}}, {90000, false, {1, 0}}};
  for (const auto& step : steps) {
    SCOPED_TRACE(step.at);
    clock.now.store(keyedAt + step.at);
    ASSERT_TRUE((step.keyerAsks ? keyer : other).ask("t", 1, &a));
    EXPECT_EQ(radio.ptt(), step.ptt);
  }
  const std::vector<std::string> logged = radio.logLines();
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_NE(logged[0].find("30 s"), std::string::npos) << logged[0];
  EXPECT_EQ(timed.clientCount(), 2) << "released, not dropped";
}

// The server's end of a sharing connection, found among this process's
// descriptors by the client's address.
int acceptedSocket(int serverPort, int clientFd) {
  sockaddr_in mine{};
  socklen_t len = sizeof mine;
  ::getsockname(clientFd, reinterpret_cast<sockaddr*>(&mine), &len);
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    const int fd = std::stoi(entry.path().filename().string());
    sockaddr_in local{}, peer{};
    socklen_t l1 = sizeof local, l2 = sizeof peer;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &l1) != 0 ||
        ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &l2) != 0 || local.sin_family != AF_INET)
      continue;
    if (ntohs(local.sin_port) == serverPort && peer.sin_port == mine.sin_port) return fd;
  }
  return -1;
}

// A peer that vanishes without closing (a laptop asleep) is noticed within
// about 10 s: probes after 5 s idle, 3 of them 1 s apart; an answer it
// never acknowledges counts the same 10 s.
TEST_F(ShareServerTest, ConnectionsProbeForADeadPeer) {
  start();
  const int client = rawConnect(port);
  char buf[64];
  ASSERT_EQ(::send(client, "f\n", 2, MSG_NOSIGNAL), 2);
  ASSERT_GT(::recv(client, buf, sizeof buf, 0), 0);
  const int fd = acceptedSocket(port, client);
  ASSERT_GE(fd, 0);
  const struct {
    int level, option, value;
    const char* name;
  } rows[] = {{SOL_SOCKET, SO_KEEPALIVE, 1, "SO_KEEPALIVE"},
              {IPPROTO_TCP, TCP_KEEPIDLE, 5, "TCP_KEEPIDLE"},
              {IPPROTO_TCP, TCP_KEEPINTVL, 1, "TCP_KEEPINTVL"},
              {IPPROTO_TCP, TCP_KEEPCNT, 3, "TCP_KEEPCNT"},
              {IPPROTO_TCP, TCP_USER_TIMEOUT, 10000, "TCP_USER_TIMEOUT"}};
  for (const auto& row : rows) {
    int v = -1;
    socklen_t len = sizeof v;
    ASSERT_EQ(::getsockopt(fd, row.level, row.option, &v, &len), 0) << row.name;
    EXPECT_EQ(v, row.value) << row.name;
  }
  ::close(client);
}

// A mode set for the VFO that does not receive goes out a step at a time;
// a key request behind it waits for its last step, a release never does.
TEST_F(ShareServerTest, SetInStepsGoesOutStepByStepBeforeTheKey) {
  start([](ShareConfig& c) { c.confirmMs = 200; });
  test::LineClient client(port);
  std::string a;
  ASSERT_TRUE(client.send("X PKTUSB -1\nT 1\n"));
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(client.readLine(&a));
    EXPECT_EQ(a, "RPRT 0");
  }
  ASSERT_TRUE(client.ask("T 0", 1, &a));
  EXPECT_EQ(radio.order(), (std::vector<int>{191, 193, 189, -2, -1}));
  // The radio reports the receive key, then nothing more: the receive key
  // back is pressed (twice at most) and the answer says the set failed.
  ASSERT_TRUE(client.ask("X USB -1", 1, &a));
  EXPECT_EQ(a, "RPRT 0\n");
  {
    std::lock_guard lock(radio.mu);
    radio.asked.clear();
  }
  radio.deaf = true;
  ASSERT_TRUE(client.send("X CW -1\nT 0\n"));
  ASSERT_TRUE(waitFor([&] { return radio.order().size() == 2; }, 2s));
  {
    std::lock_guard lock(radio.mu);
    radio.s.frStat = 4;
  }
  ASSERT_TRUE(client.readLine(&a, 3000));
  EXPECT_EQ(a, "RPRT -5");
  EXPECT_EQ(radio.order(), (std::vector<int>{191, -1, 193, 189, 189}));
}

// A client that goes while its set is under way: the receiver still goes back.
TEST_F(ShareServerTest, ReceiverGoesBackAfterTheClientHasGone) {
  start([](ShareConfig& c) { c.confirmMs = 5000; });
  radio.deaf = true;  // nothing reported until the client has gone
  {
    test::LineClient client(port);
    ASSERT_TRUE(client.send("X PKTUSB -1\nq\n"));
    ASSERT_TRUE(waitFor([&] { return radio.order().size() == 1; }, 2s));
  }
  ASSERT_TRUE(waitFor([&] { return server.clientCount() == 0; }, 2s));
  radio.deaf = false;
  {
    std::lock_guard lock(radio.mu);
    radio.s.frStat = 4;  // the receive key's report
  }
  EXPECT_TRUE(waitFor([&] { return radio.order().size() == 3; }, 3s));
  EXPECT_EQ(radio.order(), (std::vector<int>{191, 193, 189}));
  EXPECT_EQ(radio.snapshot().frStat, 0);
}

// While one client's set in steps has VFO B receiving, another client's
// lines wait for it to end (its release goes at once): read then, `f` would
// answer VFO B's frequency and `M CW` would set VFO B's mode.
TEST_F(ShareServerTest, OtherClientsWaitForASetInSteps) {
  start([](ShareConfig& c) { c.confirmMs = 5000; });
  radio.deaf = true;
  test::LineClient first(port), second(port);
  ASSERT_TRUE(first.send("X PKTUSB -1\n"));
  ASSERT_TRUE(waitFor([&] { return radio.order().size() == 1; }, 2s));
  {
    std::lock_guard lock(radio.mu);
    radio.s.frStat = 4;  // the receive key's report
  }
  ASSERT_TRUE(waitFor([&] { return radio.order().size() == 2; }, 2s));
  ASSERT_TRUE(second.send("f\nM CW\nT 0\n"));
  ASSERT_TRUE(waitFor([&] { return radio.order().back() == -1; }, 2s));
  EXPECT_EQ(radio.order(), (std::vector<int>{191, 193, -1}));
  radio.deaf = false;
  {
    std::lock_guard lock(radio.mu);
    radio.s.modeSub = 12;  // the mode's report
  }
  std::string a;
  ASSERT_TRUE(first.readLine(&a, 3000));
  EXPECT_EQ(a, "RPRT 0");
  for (const char* expected : {"14074000", "RPRT 0", "RPRT 0"}) {
    ASSERT_TRUE(second.readLine(&a, 3000));
    EXPECT_EQ(a, expected);
  }
  EXPECT_EQ(radio.order(), (std::vector<int>{191, 193, -1, 189, 193}));
  const Snapshot s = radio.snapshot();
  EXPECT_EQ(s.frStat, 0);
  EXPECT_EQ(s.modeMain, 3);
  EXPECT_EQ(s.modeSub, 12);
}

TEST_F(ShareServerTest, FloodingSilentAndSlowClientsAreDropped) {
  start([](ShareConfig& c) { c.silenceLimitMs = 150, c.maxPending = 4096, c.tickMs = 10; });
  test::LineClient flood(port);
  ASSERT_TRUE(flood.send(std::string(kMaxLine + 1, 'f')));
  EXPECT_TRUE(flood.closedByPeer());

  test::LineClient silent(port);
  std::string a;
  ASSERT_TRUE(silent.ask("f", 1, &a));
  EXPECT_TRUE(silent.closedByPeer());

  // A client that asks and asks and never reads, with a small receive window.
  const int fd = rawConnect(port, nullptr, 2048);
  std::string burst;
  for (int i = 0; i < 40; ++i) burst += "\\dump_state\n";
  const auto before = server.droppedCount();
  for (int i = 0; i < 2000 && server.droppedCount() == before; ++i) {
    if (::send(fd, burst.data(), burst.size(), MSG_NOSIGNAL | MSG_DONTWAIT) < 0) break;
    std::this_thread::sleep_for(1ms);
  }
  EXPECT_TRUE(waitFor([&] { return server.droppedCount() == before + 1; }, 3s));
  ::close(fd);
  EXPECT_EQ(server.droppedCount(), 3u);
  EXPECT_TRUE(waitFor([&] { return server.clientCount() == 0; }, 2s));
  test::LineClient after(port);
  ASSERT_TRUE(after.ask("v", 1, &a));
  EXPECT_EQ(a, "VFOA\n") << "the server still answers everyone else";
}

// A client from outside the allow-list, or beyond the client limit, is
// closed at once and counted; loopback is always allowed.
TEST_F(ShareServerTest, AllowListAndClientLimitDecideWhoMayConnect) {
  start([](ShareConfig& c) {
    c.maxClients = 2;
    parseCidrList("127.0.0.3/32", &c.allow);
  });
  auto firstAnswer = [&](const char* source) {
    const int fd = rawConnect(port, source);
    ::send(fd, "f\n", 2, MSG_NOSIGNAL);
    char buf[64];
    timeval tv{2, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    ::close(fd);
    return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
  };
  EXPECT_EQ(firstAnswer("127.0.0.2"), "");
  EXPECT_EQ(firstAnswer("127.0.0.3"), "14074000\n");
  EXPECT_EQ(firstAnswer("127.0.0.1"), "14074000\n");
  EXPECT_EQ(server.rejectedCount(), 1u);
  test::LineClient a1(port), a2(port);
  std::string a;
  ASSERT_TRUE(a1.ask("f", 1, &a) && a2.ask("f", 1, &a));
  test::LineClient a3(port);
  EXPECT_TRUE(a3.closedByPeer());
  EXPECT_EQ(server.rejectedCount(), 2u);
}

// The port in use is told through the window (gui.StationGui).
TEST_F(ShareServerTest, RefusedAddressesAreClearMessages) {
  const std::pair<const char*, const char*> cases[] = {
      {"0.0.0.0", "listening on 0.0.0.0 needs an allow-list (--share-allow)"},
      {"localhost", "not an IPv4 address: localhost"},
  };
  for (const auto& [address, message] : cases) {
    std::string error;
    ShareConfig c;
    c.address = address;
    EXPECT_FALSE(server.startServer(c, &error));
    EXPECT_EQ(error, message);
  }
  EXPECT_FALSE(server.listening());
}

TEST(ShareAddresses, EndpointsAndNetworks) {
  const struct {
    const char* text;
    const char* endpoint;  // nullptr: refused
  } endpoints[] = {{"0.0.0.0:7000", "0.0.0.0:7000"}, {":4600", "127.0.0.1:4600"}, {"192.168.1.5", "192.168.1.5:4532"},
                   {"127.0.0.1:65536", nullptr},   {"127.0.0.1:", nullptr},      {"host:4532", nullptr}};
  for (const auto& r : endpoints) {
    std::string address = kDefaultAddress;
    int port = kDefaultPort;
    ASSERT_EQ(parseEndpoint(r.text, &address, &port), r.endpoint != nullptr) << r.text;
    if (r.endpoint != nullptr) {
      EXPECT_EQ(address + ":" + std::to_string(port), r.endpoint);
    }
  }
  const struct {
    const char* allow;
    const char* peer;
    bool allowed;
  } peers[] = {
      {"192.168.1.0/24", "192.168.1.77", true}, {"192.168.1.0/24", "192.168.2.1", false},
      {"10.0.0.0/8,172.16.0.0/12", "172.31.255.255", true}, {"10.0.0.0/8,172.16.0.0/12", "172.32.0.0", false},
      {"0.0.0.0/0", "8.8.8.8", true}, {"10.1.2.3", "10.1.2.4", false},
  };
  for (const auto& r : peers) {
    std::vector<Cidr> allow;
    ASSERT_TRUE(parseCidrList(r.allow, &allow)) << r.allow;
    in_addr a{};
    ASSERT_EQ(::inet_pton(AF_INET, r.peer, &a), 1);
    EXPECT_EQ(peerAllowed(ntohl(a.s_addr), allow), r.allowed) << r.allow << " " << r.peer;
  }
  std::vector<Cidr> allow;
  for (const char* bad : {"", "10.0.0.0/33", "10.0.0/8", "10.0.0.0/8,"}) EXPECT_FALSE(parseCidrList(bad, &allow)) << bad;
}

// Runs the real client once; its standard output.
std::string rigctl(int port, const std::string& args) {
  const std::string cmd = "rigctl -m 2 -r 127.0.0.1:" + std::to_string(port) + " " + args + " 2>/dev/null";
  std::string out;
  FILE* p = ::popen(cmd.c_str(), "r");
  if (p == nullptr) return "(no client)";
  char buf[4096];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
  ::pclose(p);
  return out;
}

// Each row: the radio's state set at the radio itself first (nullptr
// ends), the client's request, its output and the CAT commands the radio
// then received. The client reads both VFOs at every start (V VFOB, f,
// V VFOA): nothing of that reaches the radio.
struct ClientRow {
  std::vector<const char*> local;
  const char* args;
  const char* output;
  std::vector<std::string> cat;
};

// The program's start and read-out take seconds: one test does it all with
// one connected program, the lost link last.
TEST(ShareEndToEnd, RealClientAndTransmitterSafety) {
  sim::SimRadio radio;
  sim::SimPty pty{radio};
  test::TempDir dir;
  std::string error;
  ASSERT_TRUE(pty.open(&error) && pty.start()) << error;
  test::Program program(pty.slavePath(), dir.path());
  ASSERT_TRUE(program.ok);
  Station& s = program.station;
  ASSERT_TRUE(waitFor([&] { return s.state.get_CommEnabled() != 0 && s.port.IsOpen(); }, 5s));
  ASSERT_TRUE(s.request(1));  // the COM lamp
  ASSERT_TRUE(waitFor([&] { return program.readOutsDone.load() > 0; }, 60s)) << "the read-out never ended";
  // The end is told once the last menu read is queued; on a loaded machine
  // it reaches the radio later, into a row's commands.
  ASSERT_TRUE(waitFor(
      [&] {
        const std::vector<std::string> log = radio.commandLog();
        return std::find(log.begin(), log.end(), "EX196;") != log.end();
      },
      5s));
  share::ShareConfig config;
  config.port = 0;  // any free port
  ASSERT_TRUE(s.startShare(config, &error)) << error;
  const int port = s.shareServer().boundPort();
  // What the radio was asked since the log was last cleared, without the
  // program's own keep-alive.
  auto commands = [&](bool clear) {
    std::vector<std::string> out;
    for (const std::string& c : radio.commandLog())
      if (c != "PS;" && c != "AI;") out.push_back(c);
    if (clear) radio.clearCommandLog();
    return out;
  };
  // The radio's own reports of changes made at the radio reach the store.
  auto apply = [&](const std::vector<const char*>& local) {
    for (const char* l : local) {
      if (l != nullptr && !radio.applyLocal(l)) return false;
    }
    return waitFor(
        [&] {
          using sim::Cell;
          return s.state.get_FR_Stat() == radio.cell(Cell::Fr) && s.state.get_VfoA_Freq() == radio.cell(Cell::VfoA) &&
                 s.state.get_VfoB_Freq() == radio.cell(Cell::VfoB) && s.state.get_MD_Sub() == radio.cell(Cell::ModeSub) &&
                 s.state.get_SH_Sub() == radio.cell(Cell::ShSub) &&
                 s.state.get_MD_Main() == radio.cell(Cell::ModeMain) && s.state.get_SH_Main() == radio.cell(Cell::ShMain) &&
                 s.state.get_TxStat() == radio.cell(Cell::Tx) && s.state.get_SM_Meter1() == radio.cell(Cell::Sm1);
        },
        3s);
  };

  // The pass-band a client asks for, as the WIDTH index the radio gets.
  struct WidthRow {
    std::vector<const char*> local;
    const char* request;
    std::vector<std::string> cat;
    const char* mode;  // then "m" answers this
  };
  const WidthRow widths[] = {
      {{"MD02", "SH014"}, "M USB 1800", {"SH009;"}, "USB\n1800\n"},
      {{"MD02", "SH014"}, "M USB 2400", {}, "USB\n2400\n"},
      {{"MD02", "SH014"}, "M USB 2420", {}, "USB\n2400\n"},
      {{"MD02", "SH014"}, "M USB 0", {}, "USB\n2400\n"},
      {{"MD01", "SH014"}, "M USB 2400", {"MD02;", "SH014;"}, "USB\n2400\n"},
      {{"MD02", "SH014"}, "M PKTUSB 2400", {"MD0C;", "SH016;"}, "PKTUSB\n2400\n"},
      {{}, "M USB 2400", {"MD02;", "SH014;"}, "USB\n2400\n"},  // from PKTUSB 2400
      {{"MD02"}, "M CW 500", {"MD03;", "SH010;"}, "CW\n500\n"},
      {{"MD02"}, "M RTTY 300", {"MD06;", "SH006;"}, "RTTY\n300\n"},
      {{"MD02"}, "M USB 9000", {"SH025;"}, "USB\n4000\n"},
      {{"MD02"}, "M FM 12000", {"MD04;"}, "FM\n16000\n"},
      {{"MD0B"}, "M FM 15000", {}, "FM\n16000\n"},  // FM already, in its other code
      {{"MD04", "NA00"}, "M FM 9000", {"NA01;"}, "FM\n9000\n"},
      // Width 0 is the mode's normal width; AM reads its one filter.
      {{"MD02", "SH001"}, "M CW 0", {"MD03;", "SH010;"}, "CW\n500\n"},
      {{"MD02", "SH001"}, "M USB 0", {"SH014;"}, "USB\n2400\n"},
      {{"MD02", "SH001"}, "M USB -1", {}, "USB\n200\n"},
      {{"MD02"}, "M AM 6000", {"MD05;"}, "AM\n6000\n"},
  };
  test::LineClient lc(port);
  for (const WidthRow& row : widths) {
    SCOPED_TRACE(row.request);
    ASSERT_TRUE(apply(row.local));
    radio.clearCommandLog();
    std::string a;
    ASSERT_TRUE(lc.ask(row.request, 1, &a));
    EXPECT_EQ(a, "RPRT 0\n");
    // The answer may come before a width the sender still holds for the line.
    waitFor([&] { return commands(false) == row.cat; }, 1s);
    EXPECT_EQ(commands(true), row.cat);
    ASSERT_TRUE(lc.ask("m", 2, &a));
    EXPECT_EQ(a, row.mode);
  }

  // A digital-mode program's split start (Split Operation = Rig): the mode
  // of VFO B, which does not receive, is set with B receiving for the set
  // alone.
  ASSERT_TRUE(apply({"FR0", "FT0", "MD02", "FR4", "MD12", "FR0", "FB07050000"}));
  radio.clearCommandLog();
  for (const char* line : {"S 1 VFOB", "V VFOB", "F 14250000", "V VFOA", "X PKTUSB -1"}) {
    SCOPED_TRACE(line);
    std::string a;
    ASSERT_TRUE(lc.ask(line, 1, &a));
    EXPECT_EQ(a, "RPRT 0\n");
  }
  EXPECT_EQ(commands(true), (std::vector<std::string>{"FT1;", "FB14250000;", "FR4;", "MD0C;", "FR0;"}));
  EXPECT_EQ(radio.cell(sim::Cell::ModeSub), 12);
  EXPECT_EQ(radio.cell(sim::Cell::ModeMain), 2);
  EXPECT_EQ(radio.cell(sim::Cell::Fr), 0);
  {
    std::string a;
    ASSERT_TRUE(lc.ask("x", 2, &a));
    EXPECT_EQ(a.rfind("PKTUSB\n", 0), 0u) << a;
    ASSERT_TRUE(lc.ask("X PKTUSB -1", 1, &a));  // as it is: nothing sent
    EXPECT_EQ(a, "RPRT 0\n");
    ASSERT_TRUE(lc.ask("S 0 VFOA", 1, &a));
    EXPECT_EQ(commands(true), (std::vector<std::string>{"FT0;"}));
  }
  lc.close();

  const bool haveClient = std::system("command -v rigctl >/dev/null 2>&1") == 0;
  const ClientRow rows[] = {
      // VFO B's mode is reported while it receives.
      {{"FA07074000", "FB07050000", "FR4", "MD11", "SH118", "FR0"}, "V VFOB f m V VFOA f", "7050000\nLSB\n2800\n7074000\n", {}},
      {{"FR0"}, "V VFOB F 7074000 f", "7074000\n", {"FB07074000;"}},
      {{"FR4", "FB07050000"}, "V VFOA F 14074000 V VFOB f", "7050000\n", {"FA14074000;"}},
      {{"FR0", "MD01", "SH010"}, "M USB 2400", "", {"MD02;", "SH014;"}},
      {{"MD02"}, "M PKTUSB -1", "", {"MD0C;"}},
      // The client goes right after: its transmitter is released.
      {{"FR0", "TX0"}, "T 1", "", {"TX1;", "TX0;"}},
      {{"SM1000"}, "l STRENGTH", "-54\n", {}},
  };
  for (const ClientRow& row : rows) {
    if (!haveClient) break;
    SCOPED_TRACE(row.args);
    ASSERT_TRUE(apply(row.local));
    const std::int32_t receiver = radio.cell(sim::Cell::Fr);
    radio.clearCommandLog();
    EXPECT_EQ(rigctl(port, row.args), row.output);
    // Releasing a transmitter on the way out may come just after the client ends.
    waitFor([&] { return commands(false).size() >= row.cat.size(); }, 2s);
    EXPECT_EQ(commands(true), row.cat);
    EXPECT_EQ(radio.cell(sim::Cell::Fr), receiver) << "the receiver moved";
  }

  // The radio falling silent: a keyed transmitter is released, and nobody
  // may key it while the link is down.
  test::LineClient c(port);
  std::string a;
  ASSERT_TRUE(c.ask("T 1", 1, &a));
  EXPECT_EQ(a, "RPRT 0\n");
  pty.stop();  // the radio answers nothing from now on
  ASSERT_TRUE(waitFor([&] { return s.state.get_AI_Stat() == 0; }, 10s)) << "the watchdog never fired";
  ASSERT_TRUE(c.ask("+T 1", 2, &a));
  EXPECT_EQ(a, "set_ptt: 1\nRPRT -9\n");
  // No read answers from what the radio said before it went.
  ASSERT_TRUE(c.ask("f", 1, &a));
  EXPECT_EQ(a, "RPRT -5\n");
  ASSERT_TRUE(c.ask("\\get_powerstat", 1, &a));
  EXPECT_EQ(a, "0\n");
  // The release went out while the radio was away; it hears it on return.
  ASSERT_TRUE(pty.start());
  EXPECT_TRUE(waitFor([&] { return radio.cell(sim::Cell::Tx) == 0; }, 3s));
  const std::vector<std::string> heard = commands(true);
  EXPECT_NE(std::find(heard.begin(), heard.end(), "TX0;"), heard.end());
  EXPECT_EQ(std::count(heard.begin(), heard.end(), "TX1;"), 1);
  if (!haveClient) GTEST_SKIP() << "rigctl is not installed (tools/deps.sh): the real client's rows did not run";
}


// The program on a line paced at 4800 baud, as the radio's own: what
// reaches the radio, and when, for requests that key the transmitter.
TEST(ShareEndToEnd, PacedLineQuitAndTransmitBursts) {
  sim::SimRadio radio;
  sim::SimPty pty{radio};
  test::TempDir dir;
  std::string error;
  ASSERT_TRUE(pty.open(&error) && pty.start()) << error;
  test::Program program(pty.slavePath(), dir.path());
  ASSERT_TRUE(program.ok);
  Station& s = program.station;
  ASSERT_TRUE(waitFor([&] { return s.state.get_CommEnabled() != 0 && s.port.IsOpen(); }, 5s));
  ASSERT_TRUE(s.request(1));
  ASSERT_TRUE(waitFor([&] { return program.readOutsDone.load() > 0; }, 60s)) << "the read-out never ended";
  share::ShareConfig config;
  config.port = 0;
  ASSERT_TRUE(s.startShare(config, &error)) << error;
  const int port = s.shareServer().boundPort();
  pty.setBaud(4800);
  // Each transmit command the radio hears and when.
  std::mutex mu;
  std::condition_variable heardCv;
  std::vector<std::pair<std::string, std::chrono::steady_clock::time_point>> tx;
  radio.setCommandListener([&](std::string_view c) {
    if (c != "TX0;" && c != "TX1;") return;
    std::lock_guard lock(mu);
    tx.emplace_back(std::string(c), std::chrono::steady_clock::now());
    heardCv.notify_all();
  });
  auto commands = [&] {
    std::vector<std::string> out;
    for (const std::string& c : radio.commandLog())
      if (c != "PS;" && c != "AI;") out.push_back(c);
    return out;
  };
  auto settle = [&] {
    EXPECT_TRUE(waitFor([&] { return s.shareServer().clientCount() == 0 && s.state.get_TxStat() == 0; }, 5s));
    radio.clearCommandLog();
    std::lock_guard lock(mu);
    tx.clear();
  };

  // Each row: writes, each answered before the next (the last one may be
  // closed by the server), the commands the radio then hears (once the
  // client is gone and the radio receives).
  const struct {
    std::vector<const char*> writes;
    bool closedByServer;
    std::vector<std::string> cat;
  } rows[] = {
      {{"F 14080000\nq\nT 1\n"}, true, {"FA14080000;"}},
      {{"F 14090000\nQ\nT 1\n"}, true, {"FA14090000;"}},
      {{"T 2\n", "T 0\n"}, false, {"TX1;", "TX0;"}},
      {{"T 3\n", "T 0\n"}, false, {"TX1;", "TX0;"}},
  };
  // The read-out's last commands may follow its end message (under ASan
  // well after it).
  waitForQuiet(radio, 500ms, 10s);
  settle();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.writes.front());
    test::LineClient c(port);
    std::string line;
    for (const char* w : row.writes) {
      ASSERT_TRUE(c.send(w));
      if (!row.closedByServer) {
        ASSERT_TRUE(c.readLine(&line, 5000));
      }
    }
    if (row.closedByServer) {
      EXPECT_TRUE(c.closedByPeer(5000));
    }
    c.close();
    waitFor([&] { return commands().size() >= row.cat.size(); }, 3s);
    EXPECT_TRUE(waitFor([&] { return s.shareServer().clientCount() == 0 && s.state.get_TxStat() == 0; }, 5s));
    EXPECT_EQ(commands(), row.cat);
    settle();
  }

  // One client toggles 250 times in one write; another releases just after.
  std::string toggles;
  for (int i = 0; i < 250; ++i) toggles += "T 1\nT 0\n";
  test::LineClient chatter(port), other(port);
  ASSERT_TRUE(chatter.send(toggles));
  const auto released = std::chrono::steady_clock::now();
  ASSERT_TRUE(other.send("T 0\n"));
  std::string line;
  ASSERT_TRUE(other.readLine(&line, 10000));
  for (int i = 0; i < 500; ++i) ASSERT_TRUE(chatter.readLine(&line, 10000)) << i;
  {
    std::unique_lock lock(mu);
    ASSERT_TRUE(heardCv.wait_for(lock, 10s, [&] { return !tx.empty() && tx.back().first == "TX0;"; }));
  }
  EXPECT_TRUE(waitFor([&] { return s.state.get_TxStat() == 0; }, 5s));
  std::lock_guard lock(mu);
  std::vector<std::string> heard;
  for (const auto& [c, at] : tx) heard.push_back(c);
  EXPECT_LE(heard.size(), 5u) << ::testing::PrintToString(heard);
  const auto last = std::chrono::duration_cast<std::chrono::milliseconds>(tx.back().second - released);
  EXPECT_LT(last.count(), 100) << "the last release reached the radio " << last.count() << " ms after the second client's";
  ::testing::Test::RecordProperty("tx_commands", static_cast<int>(heard.size()));
  ::testing::Test::RecordProperty("last_release_ms", static_cast<int>(last.count()));
  radio.setCommandListener({});
}

}  // namespace
}  // namespace hrx::share
