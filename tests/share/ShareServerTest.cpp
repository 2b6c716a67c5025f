// The sharing server's listener with a fake radio behind it: several
// clients, the address rules, and the clients it drops.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "share/ShareServer.h"
#include "support/LineClient.h"
#include "support/StationRig.h"

namespace hrx::share {
namespace {

using namespace std::chrono_literals;
using test::waitFor;

// A radio that does at once what it is asked, or (`deaf`) nothing at all.
class FakeRadio final : public ShareBackend {
 public:
  Snapshot snapshot() override {
    std::lock_guard lock(mu_);
    return s_;
  }
  void perform(const Action& a) override {
    std::lock_guard lock(mu_);
    actions_.push_back(a);
    if (deaf_) return;
    if (a.kind == Action::Kind::Ptt) s_.txStat = a.value;
    if (a.kind == Action::Kind::Operation && a.op == 82) s_.vfoA = a.value;
  }
  void setLinkUp(bool up) {
    std::lock_guard lock(mu_);
    s_.linkUp = up;
  }
  void setDeaf(bool deaf) {
    std::lock_guard lock(mu_);
    deaf_ = deaf;
  }
  std::vector<Action> actions() {
    std::lock_guard lock(mu_);
    return actions_;
  }

 private:
  std::mutex mu_;
  Snapshot s_ = [] {
    Snapshot s;
    s.vfoA = 14074000;
    s.vfoB = 7050000;
    s.modeMain = 2;
    s.linkUp = true;
    return s;
  }();
  std::vector<Action> actions_;
  bool deaf_ = false;
};

class ShareServerTest : public ::testing::Test {
 protected:
  void start(ShareConfig c = {}) {
    c.port = 0;
    std::string error;
    ASSERT_TRUE(server.startServer(c, &error)) << error;
    port = server.boundPort();
    ASSERT_GT(port, 0);
  }
  FakeRadio radio;
  ShareServer server{radio};
  int port = 0;
};

TEST_F(ShareServerTest, SeveralClientsAreAnsweredEachInTurn) {
  start();
  std::vector<std::unique_ptr<test::LineClient>> clients;
  for (int i = 0; i < 8; ++i) clients.push_back(std::make_unique<test::LineClient>(port));
  // Each sends before any reads: none waits for another.
  for (auto& c : clients) ASSERT_TRUE(c->send("f\nm\n"));
  for (auto& c : clients) {
    std::string l;
    ASSERT_TRUE(c->readLine(&l));
    EXPECT_EQ(l, "14074000");
    ASSERT_TRUE(c->readLine(&l));
    EXPECT_EQ(l, "USB");
    ASSERT_TRUE(c->readLine(&l));
    EXPECT_EQ(l, "0");  // no width reported yet
  }
  EXPECT_EQ(server.clientCount(), 8);
  // A request split over several writes is one request.
  ASSERT_TRUE(clients[0]->send("+"));
  ASSERT_TRUE(clients[0]->send("\\get_"));
  std::string a;
  ASSERT_TRUE(clients[0]->ask("freq", 3, &a));
  EXPECT_EQ(a, "get_freq:\nFrequency: 14074000\nRPRT 0\n");
  clients.clear();
  EXPECT_TRUE(waitFor([&] { return server.clientCount() == 0; }, 2s));
}

TEST_F(ShareServerTest, SetAnswersAfterTheRadioConfirmsOrSaysItDidNot) {
  ShareConfig c;
  c.confirmMs = 100;
  start(c);
  test::LineClient client(port);
  std::string a;
  ASSERT_TRUE(client.ask("F 21074000", 1, &a));
  EXPECT_EQ(a, "RPRT 0\n");
  ASSERT_TRUE(client.ask("f", 1, &a));
  EXPECT_EQ(a, "21074000\n");
  radio.setDeaf(true);
  // Requests sent while the answer waits are answered after it, in order.
  ASSERT_TRUE(client.send("F 7074000\nf\n"));
  std::string l1, l2;
  ASSERT_TRUE(client.readLine(&l1));
  ASSERT_TRUE(client.readLine(&l2));
  EXPECT_EQ(l1, "RPRT -5");
  EXPECT_EQ(l2, "21074000");
}

TEST_F(ShareServerTest, TransmitterIsReleasedWhenItsClientGoesOrTheLinkIsLost) {
  ShareConfig c;
  c.tickMs = 10;
  start(c);
  {
    test::LineClient client(port);
    std::string a;
    ASSERT_TRUE(client.ask("T 1", 1, &a));
    EXPECT_EQ(a, "RPRT 0\n");
  }
  ASSERT_TRUE(waitFor([&] { return radio.actions().size() == 2; }, 2s));
  EXPECT_EQ(radio.actions()[1].kind, Action::Kind::Ptt);
  EXPECT_EQ(radio.actions()[1].value, 0);

  test::LineClient keyer(port), other(port);
  std::string a;
  ASSERT_TRUE(keyer.ask("T 1", 1, &a));
  ASSERT_TRUE(other.ask("f", 1, &a));
  radio.setLinkUp(false);
  ASSERT_TRUE(waitFor([&] { return radio.actions().size() == 4; }, 2s));
  EXPECT_EQ(radio.actions()[3].value, 0);
  ASSERT_TRUE(keyer.ask("T 1", 1, &a));
  EXPECT_EQ(a, "RPRT -9\n");
  // Only the one who keyed it releases it: going now sends nothing more.
  keyer.close();
  other.close();
  ASSERT_TRUE(waitFor([&] { return server.clientCount() == 0; }, 2s));
  EXPECT_EQ(radio.actions().size(), 4u);
}

TEST_F(ShareServerTest, FloodingSilentAndSlowClientsAreDropped) {
  ShareConfig c;
  c.silenceLimitMs = 150;
  c.tickMs = 10;
  c.maxPending = 4096;
  start(c);
  test::LineClient flood(port);
  ASSERT_TRUE(flood.send(std::string(kMaxLine + 1, 'f')));
  EXPECT_TRUE(flood.closedByPeer());

  test::LineClient silent(port);
  std::string a;
  ASSERT_TRUE(silent.ask("f", 1, &a));
  EXPECT_TRUE(silent.closedByPeer());

  // A client that asks and asks and never reads, with a small receive window.
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  const int small = 2048;
  ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(static_cast<std::uint16_t>(port));
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);
  const std::string burst = [] {
    std::string b;
    for (int i = 0; i < 40; ++i) b += "\\dump_state\n";
    return b;
  }();
  const auto dropsBefore = server.droppedCount();
  for (int i = 0; i < 2000 && server.droppedCount() == dropsBefore; ++i) {
    if (::send(fd, burst.data(), burst.size(), MSG_NOSIGNAL | MSG_DONTWAIT) < 0) break;
    std::this_thread::sleep_for(1ms);
  }
  EXPECT_TRUE(waitFor([&] { return server.droppedCount() == dropsBefore + 1; }, 3s));
  ::close(fd);
  EXPECT_EQ(server.droppedCount(), 3u);
  EXPECT_TRUE(waitFor([&] { return server.clientCount() == 0; }, 2s));

  // The server still answers everyone else.
  test::LineClient after(port);
  ASSERT_TRUE(after.ask("v", 1, &a));
  EXPECT_EQ(a, "VFOA\n");
}

// A client from outside the allow-list is closed at once and counted.
TEST_F(ShareServerTest, AllowListDecidesWhoMayConnect) {
  ShareConfig c;
  ASSERT_TRUE(parseCidrList("127.0.0.3/32", &c.allow));
  c.maxClients = 2;
  start(c);
  auto connectFrom = [&](const char* source) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in me{};
    me.sin_family = AF_INET;
    ::inet_pton(AF_INET, source, &me.sin_addr);
    ::bind(fd, reinterpret_cast<sockaddr*>(&me), sizeof me);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<std::uint16_t>(port));
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    const std::string q = "f\n";
    ::send(fd, q.data(), q.size(), MSG_NOSIGNAL);
    char buf[64];
    timeval tv{2, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    ::close(fd);
    return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
  };
  EXPECT_EQ(connectFrom("127.0.0.2"), "");
  EXPECT_EQ(server.rejectedCount(), 1u);
  EXPECT_EQ(connectFrom("127.0.0.3"), "14074000\n");
  EXPECT_EQ(connectFrom("127.0.0.1"), "14074000\n");
  EXPECT_EQ(server.rejectedCount(), 1u);
  // Beyond the client limit too.
  test::LineClient a1(port), a2(port);
  std::string a;
  ASSERT_TRUE(a1.ask("f", 1, &a));
  ASSERT_TRUE(a2.ask("f", 1, &a));
  test::LineClient a3(port);
  EXPECT_TRUE(a3.closedByPeer());
  EXPECT_EQ(server.rejectedCount(), 2u);
}

TEST_F(ShareServerTest, RefusedAddressesAndTakenPortsAreClearMessages) {
  start();
  ShareServer second(radio);
  ShareConfig c;
  c.port = port;
  std::string error;
  EXPECT_FALSE(second.startServer(c, &error));
  EXPECT_EQ(error, "cannot listen on 127.0.0.1:" + std::to_string(port) + ": the port is already in use");
  c.address = "0.0.0.0";
  EXPECT_FALSE(second.startServer(c, &error));
  EXPECT_EQ(error, "listening on 0.0.0.0 needs an allow-list (--share-allow)");
  c.address = "localhost";
  EXPECT_FALSE(second.startServer(c, &error));
  EXPECT_EQ(error, "not an IPv4 address: localhost");
  EXPECT_FALSE(second.listening());
  // The first one is unharmed.
  test::LineClient client(port);
  std::string a;
  ASSERT_TRUE(client.ask("f", 1, &a));
  EXPECT_EQ(a, "14074000\n");
}

TEST(ShareAddresses, EndpointsAndNetworks) {
  struct EndpointRow {
    const char* text;
    bool ok;
    const char* address;
    int port;
  };
  const EndpointRow endpoints[] = {
      {"127.0.0.1:4532", true, "127.0.0.1", 4532}, {"0.0.0.0:7000", true, "0.0.0.0", 7000},
      {":4600", true, "127.0.0.1", 4600},          {"192.168.1.5", true, "192.168.1.5", 4532},
      {"127.0.0.1:0", false, "", 0},               {"127.0.0.1:65536", false, "", 0},
      {"127.0.0.1:", false, "", 0},                {"host:4532", false, "", 0},
      {"127.0.0.1:45x", false, "", 0},
  };
  for (const EndpointRow& r : endpoints) {
    std::string address = kDefaultAddress;
    int port = kDefaultPort;
    EXPECT_EQ(parseEndpoint(r.text, &address, &port), r.ok) << r.text;
    if (r.ok) {
      EXPECT_EQ(address, r.address) << r.text;
      EXPECT_EQ(port, r.port) << r.text;
    }
  }
  struct PeerRow {
    const char* allow;
    const char* peer;
    bool allowed;
  };
  const PeerRow peers[] = {
      {"192.168.1.0/24", "192.168.1.77", true}, {"192.168.1.0/24", "192.168.2.1", false},
      {"192.168.1.0/24", "127.0.0.1", true},    {"192.168.1.0/24", "127.0.0.2", false},
      {"10.0.0.0/8,172.16.0.0/12", "172.31.255.255", true}, {"10.0.0.0/8,172.16.0.0/12", "172.32.0.0", false},
      {"0.0.0.0/0", "8.8.8.8", true},           {"10.1.2.3", "10.1.2.3", true},
      {"10.1.2.3", "10.1.2.4", false},
  };
  for (const PeerRow& r : peers) {
    std::vector<Cidr> allow;
    ASSERT_TRUE(parseCidrList(r.allow, &allow)) << r.allow;
    in_addr a{};
    ASSERT_EQ(::inet_pton(AF_INET, r.peer, &a), 1);
    EXPECT_EQ(peerAllowed(ntohl(a.s_addr), allow), r.allowed) << r.allow << " " << r.peer;
  }
  std::vector<Cidr> allow;
  for (const char* bad : {"", "10.0.0.0/33", "10.0.0/8", "10.0.0.0/", "10.0.0.0/8,", "a.b.c.d"}) {
    EXPECT_FALSE(parseCidrList(bad, &allow)) << bad;
  }
}

}  // namespace
}  // namespace hrx::share
