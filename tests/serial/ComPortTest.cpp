#include "serial/ComPort.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "serial/PtyRadio.h"
#include "state/PanelMirror.h"
#include "support/RecordingMainWindow.h"

namespace hrx {
namespace {

using test::PtyRadio;

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
  EXPECT_FALSE(port.ProbePort(0)) << "the probe cannot take a port in use";
  ASSERT_TRUE(port.Close());
  radio.drain(50);
  ComPort probe;
  ASSERT_TRUE(loadMap(probe, "COM5=" + radio.slavePath() + "\n"));
  EXPECT_TRUE(probe.ProbePort(4));
  EXPECT_FALSE(probe.IsOpen());
  EXPECT_EQ(radio.drain(50), "");
  EXPECT_FALSE(probe.ProbePort(kComPortCount));
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
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  stop = true;
  for (auto& t : workers) t.join();
  port.Close();
  EXPECT_GT(opened.load(), 0);
  EXPECT_EQ(opened.load(), closed.load());
  EXPECT_TRUE(notices().empty());
}

}  // namespace
}  // namespace hrx
