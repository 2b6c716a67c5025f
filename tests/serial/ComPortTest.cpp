// ComPort on a pseudo-terminal; on a network port through the real ser2net
// (RFC 2217) in front of the simulator's pseudo-terminal, and against far
// sides that refuse or never answer (the raw mode's whole station run is
// tests/app/NetStationTest).
#include "serial/ComPort.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "platform/NetSerial.h"
#include "serial/PtyRadio.h"
#include "state/PanelMirror.h"
#include "support/RecordingMainWindow.h"
#include "support/Ser2netRig.h"
#include "support/StationRig.h"

namespace hrx {
namespace {

using namespace std::chrono_literals;
using test::PtyRadio;
using test::Ser2net;
using test::waitFor;

// A port map file with these lines, loaded into `port` and removed again.
bool loadMap(ComPort& port, const std::string& lines) {
  const auto file = std::filesystem::temp_directory_path() / ("portmap_" + std::to_string(::getpid()) + ".txt");
  std::ofstream(file) << lines;
  const bool ok = port.LoadPortMap(file.string());
  std::filesystem::remove(file);
  return ok && !port.LoadPortMap(file.string());  // a missing map file is reported
}

TEST(ComPortSettings, PortNumberBaudRateAndDevicePaths) {
  ComPort port;
  const struct {
    int value;
    bool ok;
    int stored;
  } ports[] = {{1, true, 1}, {20, true, 20}, {0, false, 1}, {21, false, 1}},
    rates[] = {{4800, true, 4800}, {9600, true, 9600}, {19200, true, 19200}, {38400, true, 38400}, {1200, false, 4800},
               {57600, false, 4800}};
  for (const auto& c : ports) {
    port.SetPortNumber(9);
    EXPECT_EQ(port.SetPortNumber(c.value), c.ok) << c.value;
    EXPECT_EQ(port.GetPortNumber(), c.stored) << c.value;
  }
  for (const auto& c : rates) {
    port.SetBaudRate(38400);
    EXPECT_EQ(port.SetBaudRate(c.value), c.ok) << c.value;
    EXPECT_EQ(port.GetBaudRate(), c.stored) << c.value;
  }
  EXPECT_EQ(port.devicePath(20), "/dev/ttyUSB19");
  EXPECT_EQ(port.devicePath(21), "");
  ASSERT_TRUE(loadMap(port, "# adaptor on the first motherboard port\nCOM3 = /dev/ttyS0\r\nCOM21=/dev/nowhere\nCOM4=\ngarbage\n"));
  EXPECT_EQ(port.devicePath(3), "/dev/ttyS0");
  EXPECT_EQ(port.devicePath(4), "/dev/ttyUSB3");
  port.SetDevicePath("/dev/pts/77");
  EXPECT_EQ(port.devicePath(12), "/dev/pts/77");
  port.SetDevicePath("");
  port.clearPortMap();
  EXPECT_EQ(port.devicePath(3), "/dev/ttyUSB2");
}

// The map is outside input: a line past 4096 bytes is skipped (and
// reading goes on after it), a file past 64 KiB is refused whole.
TEST(ComPortSettings, PortMapLinesAndFileAreCapped) {
  ComPort port;
  ASSERT_TRUE(loadMap(port, "COM5=/dev/" + std::string(5000, 'a') + "\nCOM6=/dev/ttyACM1\n"));
  EXPECT_EQ(port.devicePath(5), "/dev/ttyUSB4");
  EXPECT_EQ(port.devicePath(6), "/dev/ttyACM1");
  port.clearPortMap();
  std::string big = "COM3=/dev/ttyACM0\n";
  while (big.size() <= 64 * 1024) big += "# a comment line that pads the file past its limit\n";
  EXPECT_FALSE(loadMap(port, big));
  EXPECT_EQ(port.devicePath(3), "/dev/ttyUSB2");
}

struct PortFixture : testing::Test {
  void SetUp() override {
    ASSERT_TRUE(radio.ok());
    port.attach({&window, &mirror, &guard});
    port.SetDevicePath(radio.slavePath());
  }
  std::vector<Msg> notices() const { return window.posts(kMsgNotice); }
  PtyRadio radio;
  test::RecordingMainWindow window;
  PanelMirror mirror;
  std::atomic<bool> guard{false};
  ComPort port;
};

// 8N2 at the set speed, raw, RTS ours; on a second open and after close
// nothing more is sent and the line is left as found.
TEST_F(PortFixture, OpenWritesTheAiCommandOfTheLastReportedStateAndSetsTheLine) {
  ASSERT_TRUE(port.SetBaudRate(19200));
  for (int ai : {0, 1}) {
    SCOPED_TRACE(ai);
    mirror.set_AI_Stat(ai);
    ASSERT_TRUE(port.Open());
    EXPECT_EQ(radio.receive(4, 1000), ai ? "AI1;" : "AI0;");
    EXPECT_FALSE(port.Open()) << "open on an open port";
    termios t{};
    ASSERT_EQ(::tcgetattr(port.GetHandle(), &t), 0);
    EXPECT_EQ(t.c_cflag & (CSIZE | CSTOPB | PARENB | CRTSCTS), static_cast<tcflag_t>(CS8 | CSTOPB));
    EXPECT_EQ(::cfgetospeed(&t), static_cast<speed_t>(B19200));
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u);
    port.setRts(true);  // a pseudo-terminal has no modem lines: refused, and no fault
    LineStatus st;
    EXPECT_TRUE(port.lineStatus(st) && !st.fault);
    EXPECT_TRUE(port.Close());
    EXPECT_FALSE(port.Close()) << "close on a closed port";
    EXPECT_EQ(radio.drain(50), "");
  }
  const int fd = ::open(radio.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0) << "the port is free again after close";
  termios t{};
  ASSERT_EQ(::tcgetattr(fd, &t), 0);
  EXPECT_EQ(t.c_cflag & CSTOPB, 0u) << "left with one stop bit";
  ::close(fd);
  EXPECT_TRUE(notices().empty());
}

// A port another holds, a missing device, something that is no terminal:
// notice 0; with the notice box up (the guard), no notice at all. The probe
// neither opens nor sends.
TEST_F(PortFixture, FailedOpensPostNoticeZeroAndTheProbeLeavesThingsAlone) {
  guard = true;
  EXPECT_FALSE(port.Open());
  EXPECT_TRUE(notices().empty());
  guard = false;
  ASSERT_TRUE(port.Open());
  ComPort other;
  other.attach({&window, nullptr, nullptr});
  for (const std::string& path : {radio.slavePath(), std::string("/dev/does-not-exist-hrx900"), std::string("/dev/null")}) {
    window.clear();
    other.SetDevicePath(path);
    EXPECT_FALSE(other.Open()) << path;
    EXPECT_EQ(notices(), (std::vector<Msg>{{kMsgNotice, 0, kNoticePortFailure}})) << path;
  }
  EXPECT_EQ(port.ProbePort(0), ComPort::Probe::Unusable) << "the probe cannot take a port in use";
  ASSERT_TRUE(port.Close());
  radio.drain(50);
  ComPort probe;
  ASSERT_TRUE(loadMap(probe, "COM5=" + radio.slavePath() + "\n"));
  EXPECT_EQ(probe.ProbePort(4), ComPort::Probe::Usable);
  EXPECT_FALSE(probe.IsOpen());
  EXPECT_EQ(radio.drain(50), "");
  EXPECT_EQ(probe.ProbePort(kComPortCount), ComPort::Probe::Unusable);
}

// A release owed at a loss is paid by the next open even while a notice is
// on screen (which holds every other open back), and adds no notice; an
// open whose release cannot be written (the line stopped) leaves the
// port closed and the release owed for the open after.
TEST_F(PortFixture, AnOwedReleaseOpensPastANoticeAndWaitsUntilItIsWritten) {
  std::vector<bool> told;  // each owed release's outcome, as the listener heard it
  port.setReleaseListener([&told](bool written) { told.push_back(written); });
  ASSERT_TRUE(port.Open());
  ASSERT_EQ(radio.receive(4, 1000), "AI0;");
  port.noteKeying(true);
  ASSERT_TRUE(port.Close());
  ASSERT_TRUE(port.releaseOwed());
  guard = true;
  ASSERT_TRUE(port.Open()) << "held back by the notice";
  EXPECT_EQ(radio.receive(8, 1000), "TX0;AI0;");
  EXPECT_FALSE(port.releaseOwed());
  EXPECT_FALSE(port.Close() && port.Open()) << "without a release owed the notice holds the open back";
  guard = false;

  // The line to the radio stopped (as by flow control): nothing goes.
  const int other = ::open(radio.slavePath().c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(other, 0);
  ASSERT_EQ(::tcflow(other, TCOOFF), 0);
  port.noteKeying(true);
  ASSERT_TRUE(port.Open() && port.Close());
  ASSERT_TRUE(port.releaseOwed());
  EXPECT_FALSE(port.Open()) << "the release could not be written";
  EXPECT_FALSE(port.IsOpen());
  EXPECT_TRUE(port.releaseOwed());
  ASSERT_EQ(::tcflow(other, TCOON), 0);
  ::close(other);
  EXPECT_EQ(radio.drain(50), "");
  ASSERT_TRUE(port.Open());
  EXPECT_EQ(radio.receive(8, 1000), "TX0;AI0;");
  EXPECT_FALSE(port.releaseOwed());
  EXPECT_TRUE(notices().empty());
  EXPECT_EQ(told, (std::vector<bool>{true, false, true}));
  port.setReleaseListener(nullptr);
}

// A vanished device is counted once per fault close with the path it had;
// its failed re-opens stay quiet exactly when the rule says so.
TEST_F(PortFixture, FaultCloseIsCountedAndQuietOnlyWhenTheRuleSaysSo) {
  for (const bool waiting : {true, false}) {
    SCOPED_TRACE(waiting);
    PtyRadio gone;
    const std::string path = gone.slavePath();
    port.SetDevicePath(path);
    port.setFaultCloseRule([&] { return waiting; });
    window.clear();
    const std::uint64_t before = port.faultCloses();
    ASSERT_TRUE(gone.ok() && port.Open());
    gone.unplug();
    char buf[16];
    ASSERT_TRUE(waitFor([&] { return port.read(buf, sizeof buf).fault; }, 1000));
    EXPECT_TRUE(port.Close());
    EXPECT_EQ(port.faultCloses(), before + 1);
    EXPECT_EQ(port.lostPath(), path);
    EXPECT_EQ(port.quietOpen(), waiting);
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(notices().size(), waiting ? 0u : 1u);
  }
  port.setFaultCloseRule(nullptr);
}

// Every open is matched by exactly one close, whoever races for the port.
TEST_F(PortFixture, OpenAndCloseFromManyThreadsStayConsistent) {
  std::atomic<bool> stop{false};
  std::atomic<int> opened{0}, closed{0};
  std::vector<std::thread> workers;
  for (int i = 0; i < 3; ++i)
    workers.emplace_back([&] {
      while (!stop) {
        opened += port.Open();
        closed += port.Close();
      }
    });
  workers.emplace_back([&] {
    char buf[64];
    LineStatus st;
    for (; !stop; radio.drain(1)) {
      port.read(buf, sizeof buf);
      port.lineStatus(st);
      port.write("X", 1);
    }
  });
  std::this_thread::sleep_for(300ms);
  stop = true;
  for (auto& t : workers) t.join();
  port.Close();
  EXPECT_GT(opened.load(), 0);
  EXPECT_EQ(opened.load(), closed.load());
  EXPECT_TRUE(notices().empty());
}

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
