// ComPort on a network port: through the real ser2net (RFC 2217) in front of
// the simulator's pseudo-terminal, and against far sides that refuse or never
// answer. The raw mode's whole station run is tests/app/NetStationTest.
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

std::string readFor(ComPort& port, std::size_t want, std::chrono::milliseconds limit) {
  std::string got;
  waitFor(
      [&] {
        char buf[256];
        got.append(buf, static_cast<std::size_t>(port.read(buf, sizeof buf).bytes));
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

TEST(NetPort, Rfc2217TalksAndSetsTheFarLine) {
  if (!Ser2net::available()) GTEST_SKIP() << "ser2net is not installed";
  test::FarRadio far;
  std::string error;
  ASSERT_TRUE(far.start(Ser2net::Mode::Telnet, &error)) << error;
  test::RecordingMainWindow window;
  ComPort port;
  port.attach(ComPort::Links{&window, nullptr, nullptr});
  port.SetDevicePath(far.s2n->url());
  // Opened as the send thread does before each command, until the
  // connection made in the background is taken over.
  ASSERT_TRUE(waitFor([&] { return port.Open() || port.IsOpen(); }, 3s));
  ASSERT_EQ(port.write("ID;", 3), WriteOutcome::Complete);
  EXPECT_EQ(readFor(port, 7, 2s), "ID0460;");
  int noDelay = 0;
  socklen_t len = sizeof noDelay;
  ASSERT_EQ(::getsockopt(port.GetHandle(), IPPROTO_TCP, TCP_NODELAY, &noDelay, &len), 0);
  EXPECT_EQ(noDelay, 1) << "Nagle's delay is off: a command goes out at once";
  EXPECT_TRUE(port.setRts(true));
  EXPECT_TRUE(waitFor([&] { return farLine(far.pty.slavePath()) == -long{B4800}; }, 2s)) << "4800 8N2";
  // A line-speed change: closed and opened again at the new speed.
  ASSERT_TRUE(port.Close());
  ASSERT_TRUE(port.SetBaudRate(38400));
  ASSERT_TRUE(waitFor([&] { return port.Open() || port.IsOpen(); }, 3s));
  ASSERT_EQ(port.write("FA;", 3), WriteOutcome::Complete);
  EXPECT_EQ(readFor(port, 11, 2s), "FA14250000;");
  EXPECT_TRUE(waitFor([&] { return farLine(far.pty.slavePath()) == -long{B38400}; }, 2s));
  NetSerial::FarSide side;
  EXPECT_TRUE(waitFor([&] { return NetSerial::farSide(port.GetHandle(), side) && side.baud == 38400; }, 2s));
  EXPECT_TRUE(window.posts(kMsgNotice).empty());
}

// Nobody listening; a listener that accepts and never answers: raw TCP
// cannot tell (the watchdog will), RFC 2217 expects the option agreed.
TEST(NetPort, RefusedSilentAndWrongProtocolAreToldApart) {
  NetSerial::setTimeouts(500, 200);
  const int mute = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  ASSERT_TRUE(::bind(mute, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && ::listen(mute, 4) == 0 &&
              ::getsockname(mute, reinterpret_cast<sockaddr*>(&a), &len) == 0);
  const struct {
    const char* scheme;
    int port;
    int notice;  // -1: opens
  } cases[] = {{"tcp", Ser2net::freePort(), kNoticeNetRefused}, {"rfc2217", Ser2net::freePort(), kNoticeNetRefused},
               {"tcp", ntohs(a.sin_port), -1}, {"rfc2217", ntohs(a.sin_port), kNoticeNetProtocol}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.scheme) + " " + std::to_string(c.notice));
    test::RecordingMainWindow window;
    ComPort port;
    port.attach(ComPort::Links{&window, nullptr, nullptr});
    port.SetDevicePath(std::string(c.scheme) + "://127.0.0.1:" + std::to_string(c.port));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(port.Open());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 100ms) << "the open itself never waits for the network";
    ASSERT_TRUE(waitFor([&] { return port.Open() || port.IsOpen() || !window.posts(kMsgNotice).empty(); }, 3s));
    EXPECT_EQ(port.IsOpen(), c.notice < 0);
    if (c.notice < 0) {
      EXPECT_EQ(port.write("ID;", 3), WriteOutcome::Complete);
      LineStatus st;
      EXPECT_TRUE(port.lineStatus(st) && !st.fault);
      EXPECT_TRUE(window.posts(kMsgNotice).empty());
    } else {
      ASSERT_FALSE(window.posts(kMsgNotice).empty());
      EXPECT_EQ(window.posts(kMsgNotice).front().l, c.notice);
    }
  }
  ::close(mute);
  NetSerial::setTimeouts(3000, 2000);
}

}  // namespace
}  // namespace hrx
