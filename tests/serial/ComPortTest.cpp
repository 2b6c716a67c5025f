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
  } ports[] = {{1, true, 1}, {20, true, 20}, {7, true, 7}, {0, false, 1}, {21, false, 1}, {-3, false, 1}},
    rates[] = {{4800, true, 4800}, {9600, true, 9600}, {19200, true, 19200}, {38400, true, 38400},
               {1200, false, 4800}, {0, false, 4800}, {57600, false, 4800}, {115200, false, 4800}};
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
  port.Init();
  EXPECT_EQ(port.GetPortNumber(), 1);
  EXPECT_EQ(port.GetBaudRate(), 4800);
  EXPECT_FALSE(port.IsOpen());

  EXPECT_EQ(port.devicePath(1), "/dev/ttyUSB0");
  EXPECT_EQ(port.devicePath(20), "/dev/ttyUSB19");
  EXPECT_EQ(port.devicePath(0), "");
  EXPECT_EQ(port.devicePath(21), "");
  ASSERT_TRUE(loadMap(port, "# adaptor on the first motherboard port\nCOM3 = /dev/ttyS0\r\nCOM20=/dev/ttyACM1\n"
                            "COM21=/dev/nowhere\nCOM4=\ngarbage line\n"));
  EXPECT_EQ(port.devicePath(3), "/dev/ttyS0");
  EXPECT_EQ(port.devicePath(20), "/dev/ttyACM1");
  EXPECT_EQ(port.devicePath(4), "/dev/ttyUSB3");
  port.SetDevicePath("/dev/pts/77");
  EXPECT_EQ(port.devicePath(12), "/dev/pts/77");
  port.SetDevicePath("");
  EXPECT_EQ(port.devicePath(3), "/dev/ttyS0");
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

TEST_F(PortFixture, OpenWritesTheAiCommandOfTheLastReportedStateAndSetsTheLine) {
  ASSERT_TRUE(port.SetBaudRate(19200));
  for (int ai : {0, 1}) {
    SCOPED_TRACE(ai);
    mirror.set_AI_Stat(ai);
    ASSERT_TRUE(port.Open());
    EXPECT_GE(port.GetHandle(), 0);
    EXPECT_EQ(radio.receive(4, 1000), ai ? "AI1;" : "AI0;");
    EXPECT_FALSE(port.Open()) << "open on an open port";
    EXPECT_EQ(radio.drain(50), "") << "a refused open sends nothing";
    termios t{};
    ASSERT_EQ(::tcgetattr(port.GetHandle(), &t), 0);
    EXPECT_EQ(t.c_cflag & (CSIZE | CSTOPB | PARENB | CRTSCTS), static_cast<tcflag_t>(CS8 | CSTOPB)) << "8N2, RTS ours";
    EXPECT_EQ(::cfgetospeed(&t), static_cast<speed_t>(B19200));
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u);
    port.setRts(true);  // a pseudo-terminal has no modem lines: refused, and no fault
    LineStatus st;
    ASSERT_TRUE(port.lineStatus(st));
    EXPECT_FALSE(st.fault);
    EXPECT_TRUE(port.Close());
    EXPECT_EQ(port.GetHandle(), -1);
    EXPECT_FALSE(port.Close()) << "close on a closed port";
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
// notice 0; with the notice box up (the guard), no notice at all.
TEST_F(PortFixture, FailedOpensPostNoticeZeroAndTheProbeLeavesThingsAlone) {
  guard = true;
  EXPECT_FALSE(port.Open());
  EXPECT_TRUE(notices().empty());
  EXPECT_EQ(radio.drain(50), "");
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
  EXPECT_TRUE(port.IsOpen());
  ASSERT_TRUE(port.Close());
  radio.drain(50);
  ComPort probe;
  ASSERT_TRUE(loadMap(probe, "COM5=" + radio.slavePath() + "\n"));
  EXPECT_TRUE(probe.ProbePort(4));
  EXPECT_FALSE(probe.IsOpen());
  EXPECT_EQ(probe.GetPortNumber(), 1);
  EXPECT_EQ(radio.drain(50), "") << "a probe sends nothing";
  EXPECT_FALSE(probe.ProbePort(-1));
  EXPECT_FALSE(probe.ProbePort(kComPortCount));
}

// A vanished device is counted once per fault close with the path it had;
// whether its failed re-opens stay quiet is the rule's answer, and a
// deliberate close counts nothing.
TEST_F(PortFixture, FaultCloseIsCountedAndQuietOnlyWhenTheRuleSaysSo) {
  for (const bool waiting : {true, false}) {
    SCOPED_TRACE(waiting);
    PtyRadio gone;
    ASSERT_TRUE(gone.ok());
    const std::string path = gone.slavePath();
    port.SetDevicePath(path);
    port.setFaultCloseRule([&] { return waiting; });
    window.clear();
    const std::uint64_t before = port.faultCloses();
    ASSERT_TRUE(port.Open() && port.Close());
    EXPECT_EQ(port.faultCloses(), before) << "a deliberate close is no fault";
    ASSERT_TRUE(port.Open());
    gone.unplug();
    LineStatus st;
    ASSERT_TRUE(port.lineStatus(st));
    EXPECT_TRUE(st.fault);
    char buf[16];
    ASSERT_TRUE(test::waitFor([&] { return port.read(buf, sizeof buf).fault; }, 1000));
    EXPECT_TRUE(port.Close());
    EXPECT_EQ(port.faultCloses(), before + 1);
    EXPECT_EQ(port.lostPath(), path);
    EXPECT_EQ(port.quietOpen(), waiting);
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(notices().size(), waiting ? 0u : 1u);
  }
  port.setFaultCloseRule(nullptr);
}

TEST_F(PortFixture, OpenAndCloseFromManyThreadsStayConsistent) {
  std::atomic<bool> stop{false};
  std::atomic<int> opened{0}, closed{0};
  std::vector<std::thread> workers;
  for (int i = 0; i < 3; ++i) {
    workers.emplace_back([&] {
      while (!stop) {
        if (port.Open()) ++opened;
        if (port.Close()) ++closed;
      }
    });
  }
  workers.emplace_back([&] {
    char buf[64];
    LineStatus st;
    while (!stop) {
      port.read(buf, sizeof buf);
      port.lineStatus(st);
      port.write("X", 1);
    }
  });
  workers.emplace_back([&] {
    while (!stop) radio.drain(5);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  stop = true;
  for (auto& t : workers) t.join();
  port.Close();
  EXPECT_GT(opened.load(), 0);
  EXPECT_EQ(opened.load(), closed.load()) << "every open is matched by exactly one close";
  EXPECT_FALSE(port.IsOpen());
  EXPECT_TRUE(notices().empty());
}

}  // namespace
}  // namespace hrx
