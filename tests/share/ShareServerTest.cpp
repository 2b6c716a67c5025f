// The sharing server's listener with a fake radio behind it: several
// clients, the address rules, and the clients it drops.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
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
    std::lock_guard lock(mu);
    return s;
  }
  void perform(const Action& a) override {
    std::lock_guard lock(mu);
    if (a.kind == Action::Kind::Ptt) pttAsked.push_back(a.value);
    if (deaf) return;
    if (a.kind == Action::Kind::Ptt) s.txStat = a.value;
    if (a.kind == Action::Kind::Operation && a.op == 82) s.vfoA = a.value;
  }
  // The PTT values asked for, in order.
  std::vector<int> ptt() {
    std::lock_guard lock(mu);
    return pttAsked;
  }
  std::mutex mu;
  Snapshot s{.vfoA = 14074000, .vfoB = 7050000, .modeMain = 2, .linkUp = true};
  std::vector<int> pttAsked;
  std::atomic<bool> deaf{false};
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
  ShareServer server{radio};
  int port = 0;
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

}  // namespace
}  // namespace hrx::share
