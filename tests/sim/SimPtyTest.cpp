// The radio behind a real pseudo-terminal, driven through the slave side as
// the program drives its serial port.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <string>

#include "PtyPort.h"
#include "SimPty.h"

namespace hrx::sim {
namespace {

using namespace std::chrono_literals;

struct Rig {
  SimRadio radio;
  SimPty pty{radio};
};

TEST(SimPty, AnswersAQueryThroughTheSlave) {
  Rig rig;
  std::string error;
  ASSERT_TRUE(rig.pty.open(&error)) << error;
  ASSERT_TRUE(rig.pty.start());
  Port port(rig.pty.slavePath());
  ASSERT_TRUE(port.ok());
  ASSERT_TRUE(port.write("FA;"));
  EXPECT_EQ(port.read(11), "FA14250000;");
  ASSERT_TRUE(port.write("AI0;ID;EX005;"));
  EXPECT_EQ(port.read(7 + 18), "ID0460;EX005MARVO       ;");
  EXPECT_EQ(port.read(1, 100ms), "") << "nothing more than the answers";
}

TEST(SimPty, SplitRepliesArriveWhole) {
  Rig rig;
  ASSERT_TRUE(rig.pty.open());
  rig.radio.setFaults({.chunkSize = 3});
  rig.pty.setChunkGap(5ms);
  ASSERT_TRUE(rig.pty.start());
  Port port(rig.pty.slavePath());
  ASSERT_TRUE(port.write("F"));
  ASSERT_TRUE(port.write("A;I"));
  ASSERT_TRUE(port.write("D;"));
  EXPECT_EQ(port.read(18), "FA14250000;ID0460;");

}

TEST(SimPty, ChangesMadeOnTheRadioReachTheClientUnasked) {
  Rig rig;
  ASSERT_TRUE(rig.pty.open());
  ASSERT_TRUE(rig.pty.start());
  Port port(rig.pty.slavePath());
  ASSERT_TRUE(port.write("AI1;"));
  EXPECT_EQ(port.read(4), "AI1;");
  ASSERT_TRUE(rig.radio.applyLocal("FA07000000;"));
  EXPECT_EQ(port.read(11), "FA07000000;");
}

TEST(SimPty, DropHangsUpTheLine) {
  Rig rig;
  ASSERT_TRUE(rig.pty.open());
  ASSERT_TRUE(rig.pty.start());
  Port port(rig.pty.slavePath());
  ASSERT_TRUE(port.write("ID;"));
  EXPECT_EQ(port.read(7), "ID0460;");
  rig.pty.drop();
  EXPECT_TRUE(rig.pty.dropped());
  EXPECT_FALSE(rig.pty.running());
  EXPECT_EQ(port.read(1, 500ms), "");
  EXPECT_TRUE(port.hungUp());
}

TEST(SimPty, LinkPointsAtTheSlaveAndGoesAwayWithIt) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("hrx900-sim-test-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::filesystem::path link = dir / "radio";
  const std::filesystem::path plain = dir / "plain";
  std::FILE* f = std::fopen(plain.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  {
    Rig rig;
    ASSERT_TRUE(rig.pty.open());
    std::string error;
    ASSERT_TRUE(rig.pty.link(link.string(), &error)) << error;
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), rig.pty.slavePath());
    EXPECT_FALSE(rig.pty.link(plain.string(), &error)) << "a plain file is never replaced";
    EXPECT_TRUE(std::filesystem::is_regular_file(plain));
    ASSERT_TRUE(rig.pty.start());
    Port port(link.string());
    ASSERT_TRUE(port.write("FB;"));
    EXPECT_EQ(port.read(11), "FB07050000;");
  }
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace hrx::sim
