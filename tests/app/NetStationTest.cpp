// The whole core working the simulated radio through the real ser2net on
// loopback, raw and RFC 2217: the read-out, tuning, the connection dropped
// and restored.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "SimPty.h"
#include "SimRadio.h"
#include "app/Station.h"
#include "platform/HeadlessMainWindow.h"
#include "support/Ser2netRig.h"

namespace hrx {
namespace {

using namespace std::chrono_literals;
using test::Ser2net;

bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (done()) return true;
    std::this_thread::sleep_for(5ms);
  }
  return done();
}

struct Program {
  Program(const std::string& device, const std::string& dir) { ok = station.start(StationOptions{device, dir}); }
  ~Program() {
    station.shutdown();
    window.stop();
  }
  LParam onWindowMessage(const Msg& m) {
    if (m.id == kMsgTimer) station.onTimer(static_cast<std::uint32_t>(m.w));
    if (m.id == kMsgRedrawBandPass && m.l == 0) readOutsDone.fetch_add(1);
    return 0;
  }
  std::atomic<int> readOutsDone{0};
  HeadlessMainWindow window{[this](const Msg& m) { return onWindowMessage(m); }};
  Station station{window};
  bool ok = false;
};

class NetStation : public ::testing::TestWithParam<Ser2net::Mode> {
 protected:
  void SetUp() override {
    if (!Ser2net::available()) GTEST_SKIP() << "ser2net is not installed";
    std::string error;
    ASSERT_TRUE(pty.open(&error)) << error;
    ASSERT_TRUE(pty.start());
    s2n = std::make_unique<Ser2net>(GetParam(), pty.slavePath());
    ASSERT_TRUE(s2n->start());
    char tpl[] = "/tmp/hrx900-net-XXXXXX";
    dir = ::mkdtemp(tpl);
  }
  void TearDown() override {
    program.reset();
    if (!dir.empty()) std::filesystem::remove_all(dir);
  }
  // The connection is made off the starting thread; the port takes it over
  // on an open, as the send thread's next command does.
  bool portOpens() {
    Station& s = program->station;
    return waitFor([&] { return s.port.Open() || s.port.IsOpen(); }, 3s);
  }

  sim::SimRadio radio;
  sim::SimPty pty{radio};
  std::unique_ptr<Ser2net> s2n;
  std::string dir;
  std::unique_ptr<Program> program;
};

TEST_P(NetStation, ReadOutTuningAndReconnection) {
  ASSERT_TRUE(radio.applyLocal("FA18100000"));
  program = std::make_unique<Program>(s2n->url(), dir);
  ASSERT_TRUE(program->ok);
  Station& s = program->station;
  ASSERT_TRUE(waitFor([&] { return s.state.get_CommEnabled() != 0; }, 5s));
  ASSERT_TRUE(portOpens());
  ASSERT_TRUE(s.request(1));  // the COM lamp
  ASSERT_TRUE(waitFor([&] { return program->readOutsDone.load() > 0; }, 60s)) << "the read-out never ended";
  EXPECT_EQ(s.state.get_AI_Stat(), 1);
  EXPECT_EQ(s.state.get_VfoA_Freq(), 18100000);

  ASSERT_TRUE(s.request(82, false, 21074000));
  EXPECT_TRUE(waitFor([&] { return s.state.get_VfoA_Freq() == 21074000; }, 3s));
  EXPECT_EQ(radio.peek("FA;"), "FA21074000;");

  // The far side goes away: the receive thread sees the line fault and
  // closes the port, as for a USB device pulled out.
  s2n->stop();
  EXPECT_TRUE(waitFor([&] { return !s.port.IsOpen(); }, 2s)) << "the drop went unnoticed";
  // Back again: the port opens anew and the radio is worked as before.
  ASSERT_TRUE(s2n->start());
  ASSERT_TRUE(portOpens());
  ASSERT_TRUE(s.request(82, false, 7074000));
  EXPECT_TRUE(waitFor([&] { return radio.peek("FA;") == "FA07074000;"; }, 3s));
  EXPECT_TRUE(waitFor([&] { return s.state.get_VfoA_Freq() == 7074000; }, 3s));
}

INSTANTIATE_TEST_SUITE_P(Ser2net, NetStation, ::testing::Values(Ser2net::Mode::Raw, Ser2net::Mode::Telnet),
                         [](const auto& info) { return info.param == Ser2net::Mode::Raw ? "Raw" : "Rfc2217"; });

}  // namespace
}  // namespace hrx
