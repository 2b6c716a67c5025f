// Round trip of one command ("ID;" to "ID0460;") through ComPort: a
// simulator's pseudo-terminal opened locally, and another simulator's
// through ser2net on loopback (raw, RFC 2217 and TLS). Each run reports both times and their
// ratio, so the network's cost is read off one run. Goal: the network's round
// trip under 1 ms (ser2net's chardelay off, as the README configures it).
#include <benchmark/benchmark.h>
#include <poll.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "SimPty.h"
#include "SimRadio.h"
#include "platform/NetSerial.h"
#include "serial/ComPort.h"
#include "support/Ser2netRig.h"
#include "support/StationRig.h"
#include "support/TlsFiles.h"

namespace {

using Clock = std::chrono::steady_clock;

bool openSoon(hrx::ComPort& port) {
  const auto end = Clock::now() + std::chrono::seconds(3);
  while (Clock::now() < end) {
    if (port.Open() || port.IsOpen()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return false;
}

// One command and its whole reply, read as the receive thread reads: wait
// for the descriptor, then take what is there.
double roundTripUs(hrx::ComPort& port) {
  const auto start = Clock::now();
  port.write("ID;", 3);
  std::string got;
  while (got.size() < 7 && Clock::now() - start < std::chrono::seconds(1)) {
    port.withHandle([](int fd, std::uint64_t) {
      pollfd p{fd, POLLIN, 0};
      ::poll(&p, 1, 100);
    });
    char buf[64];
    const auto r = port.read(buf, sizeof buf);
    got.append(buf, static_cast<std::size_t>(r.bytes));
  }
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

void roundTrip(benchmark::State& state, hrx::test::Ser2net::Mode mode) {
  if (!hrx::test::Ser2net::available()) {
    state.SkipWithError("ser2net is not installed");
    return;
  }
  // Two radios alike: one on a local pseudo-terminal, one behind ser2net,
  // both kept open, so that every iteration times one of each.
  hrx::sim::SimRadio radio, farRadio;
  hrx::sim::SimPty pty(radio), farPty(farRadio);
  if (!pty.open() || !pty.start() || !farPty.open() || !farPty.start()) {
    state.SkipWithError("no pseudo-terminal");
    return;
  }
  hrx::ComPort local;
  local.SetDevicePath(pty.slavePath());
  hrx::test::Ser2net s2n(mode, farPty.slavePath());
  std::unique_ptr<hrx::test::TlsFiles> tls;
  hrx::test::TempDir settings;
  if (mode == hrx::test::Ser2net::Mode::Tls) {
    tls = std::make_unique<hrx::test::TlsFiles>();
    if (!tls->ok() || !tls->install(settings.path(), "ca", false)) {
      state.SkipWithError("no certificates (openssl)");
      return;
    }
    s2n.setSslOptions(tls->accepter("server", false));
    hrx::NetSerial::setTlsFolder(settings.path() + "/CommoFiles/tls");
  }
  hrx::ComPort net;
  net.SetDevicePath(s2n.url());
  if (!local.Open() || !s2n.start() || !openSoon(net)) {
    state.SkipWithError("a port did not open");
    return;
  }
  for (int i = 0; i < 5; ++i) roundTripUs(local), roundTripUs(net);
  double localUs = 0, netUs = 0;
  for (auto _ : state) {
    localUs += roundTripUs(local);
    netUs += roundTripUs(net);
  }
  const auto n = static_cast<double>(state.iterations());
  state.counters["local_us"] = localUs / n;
  state.counters["net_us"] = netUs / n;
  state.counters["ratio"] = localUs > 0 ? netUs / localUs : 0;
  state.counters["goal_met"] = netUs / n < 1000 ? 1 : 0;
}

void BM_RoundTripRaw(benchmark::State& s) { roundTrip(s, hrx::test::Ser2net::Mode::Raw); }
void BM_RoundTripRfc2217(benchmark::State& s) { roundTrip(s, hrx::test::Ser2net::Mode::Telnet); }
void BM_RoundTripTls(benchmark::State& s) { roundTrip(s, hrx::test::Ser2net::Mode::Tls); }
BENCHMARK(BM_RoundTripRaw)->Iterations(200)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RoundTripTls)->Iterations(200)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RoundTripRfc2217)->Iterations(200)->Unit(benchmark::kMicrosecond);

}  // namespace
