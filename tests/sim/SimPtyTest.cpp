// The radio behind a real pseudo-terminal, driven through the slave side as
// the program drives its serial port.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "SimPty.h"

namespace hrx::sim {
namespace {

// Reads until `count` bytes came or the line went quiet or hung up.
std::string readPort(int fd, std::size_t count, int timeoutMs, bool* hungUp = nullptr) {
  std::string got;
  pollfd p{fd, POLLIN, 0};
  while (got.size() < count && ::poll(&p, 1, timeoutMs) > 0) {
    char buf[64];
    const ssize_t n = (p.revents & POLLIN) ? ::read(fd, buf, std::min(sizeof buf, count - got.size())) : 0;
    if (n <= 0) {
      if (hungUp) *hungUp = true;
      break;
    }
    got.append(buf, static_cast<std::size_t>(n));
  }
  return got;
}

TEST(SimPty, AnswersSplitRepliesChangesAndDrop) {
  SimRadio radio;
  SimPty pty{radio};
  std::string error;
  ASSERT_TRUE(pty.open(&error)) << error;
  radio.setFaults({.chunkSize = 3});
  pty.setChunkGap(std::chrono::milliseconds(5));
  ASSERT_TRUE(pty.start());
  const int fd = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  termios tio{};
  ASSERT_EQ(::tcgetattr(fd, &tio), 0);
  ::cfmakeraw(&tio);
  ::tcsetattr(fd, TCSANOW, &tio);
  for (const std::string piece : {"F", "A;I", "D;AI1;EX005;"}) ASSERT_EQ(::write(fd, piece.data(), piece.size()), static_cast<ssize_t>(piece.size()));
  EXPECT_EQ(readPort(fd, 40, 2000), "FA14250000;ID0460;AI1;EX005MARVO       ;") << "split replies arrive whole";
  EXPECT_EQ(readPort(fd, 1, 100), "") << "nothing more than the answers";
  ASSERT_TRUE(radio.applyLocal("FA07000000;"));
  EXPECT_EQ(readPort(fd, 11, 2000), "FA07000000;") << "a change made on the radio arrives unasked";
  pty.drop();
  EXPECT_TRUE(pty.dropped());
  EXPECT_FALSE(pty.running());
  bool hungUp = false;
  EXPECT_EQ(readPort(fd, 1, 500, &hungUp), "");
  EXPECT_TRUE(hungUp);
  ::close(fd);
}

}  // namespace
}  // namespace hrx::sim
