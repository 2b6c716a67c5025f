// ComPort on a network port: through the real ser2net (raw and RFC 2217) in
// front of the simulator's pseudo-terminal, and against far sides that
// refuse or never answer.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <termios.h>

#include <chrono>
#include <string>

#include "platform/NetSerial.h"
#include "serial/ComPort.h"
#include "support/RecordingMainWindow.h"
#include "support/Ser2netRig.h"
#include "support/StationRig.h"

namespace hrx {
namespace {

using namespace std::chrono_literals;
using test::Ser2net;
using test::waitFor;

// Opens as the send thread does before each command, until the connection
// made in the background is taken over.
bool openSoon(ComPort& port) {
  return waitFor([&] { return port.Open() || port.IsOpen(); }, 3s);
}

std::string readFor(ComPort& port, std::size_t want, std::chrono::milliseconds limit) {
  std::string got;
  waitFor(
      [&] {
        char buf[256];
        const ComPort::ReadResult r = port.read(buf, sizeof buf);
        got.append(buf, static_cast<std::size_t>(r.bytes));
        return got.size() >= want;
      },
      limit);
  return got;
}

// The far side's line as ser2net set the pseudo-terminal: its speed, and
// -1 for two stop bits (0 when it cannot be read).
long farLine(const std::string& slave) {
  const int fd = ::open(slave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  termios t{};
  const bool ok = fd >= 0 && ::tcgetattr(fd, &t) == 0;
  if (fd >= 0) ::close(fd);
  return !ok ? 0 : static_cast<long>(::cfgetospeed(&t)) * ((t.c_cflag & CSTOPB) != 0 ? -1 : 1);
}

std::vector<int> noticesPosted(const test::RecordingMainWindow& w) {
  std::vector<int> out;
  for (const test::WindowCall& c : w.calls())
    if (c.kind == test::WindowCall::Post && c.id == kMsgNotice) out.push_back(static_cast<int>(c.l));
  return out;
}

class NetPort : public ::testing::TestWithParam<Ser2net::Mode> {
 protected:
  void SetUp() override {
    if (!Ser2net::available()) GTEST_SKIP() << "ser2net is not installed";
    std::string error;
    ASSERT_TRUE(far.start(GetParam(), &error)) << error;
    port.attach(ComPort::Links{&window, nullptr, nullptr});
    port.SetDevicePath(far.s2n->url());
  }
  bool telnet() const { return GetParam() == Ser2net::Mode::Telnet; }

  test::FarRadio far;
  sim::SimRadio& radio = far.radio;
  sim::SimPty& pty = far.pty;
  test::RecordingMainWindow window;
  ComPort port;
};

TEST_P(NetPort, OpensTalksAndSetsTheFarLine) {
  // The first open starts the connection and is no failure.
  EXPECT_FALSE(port.Open());
  ASSERT_TRUE(openSoon(port));
  EXPECT_TRUE(noticesPosted(window).empty());
  // The open wrote "AI0;", as on a local port.
  ASSERT_TRUE(waitFor([&] { return !radio.commandLog().empty(); }, 2s));
  EXPECT_EQ(radio.commandLog().front(), "AI0;");
  ASSERT_EQ(port.write("ID;", 3), WriteOutcome::Complete);
  EXPECT_EQ(readFor(port, 7, 2s), "ID0460;");
  LineStatus st;
  ASSERT_TRUE(port.lineStatus(st));
  EXPECT_FALSE(st.fault);
  // Nagle's delay is off: a command goes out at once.
  int noDelay = 0;
  socklen_t len = sizeof noDelay;
  ASSERT_EQ(::getsockopt(port.GetHandle(), IPPROTO_TCP, TCP_NODELAY, &noDelay, &len), 0);
  EXPECT_EQ(noDelay, 1);
  // RTS: a telnet far side takes it; raw TCP has no modem lines.
  EXPECT_EQ(port.setRts(true), telnet());

  if (telnet()) {
    EXPECT_TRUE(waitFor([&] { return farLine(pty.slavePath()) == -long{B4800}; }, 2s)) << "4800 8N2";
  }
  // A line-speed change: closed and opened again at the new speed.
  ASSERT_TRUE(port.Close());
  ASSERT_TRUE(port.SetBaudRate(38400));
  ASSERT_TRUE(openSoon(port));
  ASSERT_EQ(port.write("FA;", 3), WriteOutcome::Complete);
  EXPECT_EQ(readFor(port, 11, 2s), "FA14250000;");
  // Raw TCP cannot tell the far side: ser2net keeps its configured speed.
  EXPECT_TRUE(waitFor([&] { return farLine(pty.slavePath()) == -long{telnet() ? B38400 : B4800}; }, 2s));
  NetSerial::FarSide far;
  if (telnet()) {
    EXPECT_TRUE(waitFor([&] { return NetSerial::farSide(port.GetHandle(), far) && far.baud == 38400; }, 2s));
  }
}

INSTANTIATE_TEST_SUITE_P(Ser2net, NetPort, ::testing::Values(Ser2net::Mode::Raw, Ser2net::Mode::Telnet),
                         [](const auto& info) { return info.param == Ser2net::Mode::Raw ? "Raw" : "Rfc2217"; });

// A loopback listener that accepts and never says a word.
class MuteFarSide {
 public:
  MuteFarSide() {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && ::listen(fd_, 4) == 0 &&
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) == 0)
      port_ = ntohs(a.sin_port);
  }
  ~MuteFarSide() { ::close(fd_); }
  int port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

TEST(NetPortFailures, RefusedSilentAndWrongProtocolAreToldApart) {
  NetSerial::setTimeouts(500, 200);
  struct Case {
    const char* scheme;
    bool listener;
    bool opens;
    int notice;
  };
  // Accepts and never answers: raw TCP cannot tell (the watchdog will);
  // RFC 2217 expects the option to be agreed.
  const Case cases[] = {{"tcp", false, false, kNoticeNetRefused}, {"rfc2217", false, false, kNoticeNetRefused},
                        {"tcp", true, true, -1}, {"rfc2217", true, false, kNoticeNetProtocol}};
  for (const Case& c : cases) {
    MuteFarSide far;
    const int p = c.listener ? far.port() : Ser2net::freePort();
    test::RecordingMainWindow window;
    ComPort port;
    port.attach(ComPort::Links{&window, nullptr, nullptr});
    port.SetDevicePath(std::string(c.scheme) + "://127.0.0.1:" + std::to_string(p));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(port.Open()) << c.scheme;
    // The open itself never waits for the network.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 100ms);
    // Opened again until it is taken over or a notice says why not.
    const bool settled = waitFor([&] { return port.Open() || port.IsOpen() || !noticesPosted(window).empty(); }, 3s);
    ASSERT_TRUE(settled) << c.scheme;
    EXPECT_EQ(port.IsOpen(), c.opens) << c.scheme << " " << c.listener;
    if (c.opens) {
      EXPECT_EQ(port.write("ID;", 3), WriteOutcome::Complete);
      EXPECT_EQ(readFor(port, 1, 200ms), "");
      LineStatus st;
      EXPECT_TRUE(port.lineStatus(st) && !st.fault);
      EXPECT_TRUE(noticesPosted(window).empty());
    } else {
      ASSERT_FALSE(noticesPosted(window).empty()) << c.scheme;
      EXPECT_EQ(noticesPosted(window).front(), c.notice) << c.scheme << " " << c.listener;
    }
  }
  NetSerial::setTimeouts(3000, 2000);
}

}  // namespace
}  // namespace hrx
