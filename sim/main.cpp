// hrx900-sim: a simulated HRX900 on a pseudo-terminal. Prints the slave's
// path on the first line of standard output; the program under test opens
// that path (or the --link path) as its serial port.
//
// Lines typed on standard input act on the radio itself: a set command such
// as "FA07000000;" changes it as its own knob would (reported in
// auto-information mode), "drop" makes the device vanish, "quit" ends.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "SimPty.h"
#include "SimRadio.h"

namespace {

void usage(const char* argv0) {
  std::fprintf(stderr,
               "usage: %s [--link PATH] [--baud N] [--chunk N] [--garble N] [--stray N] [--silent] [--drop-after N]\n"
               "  --link PATH     also make PATH a symbolic link to the slave\n"
               "  --baud N        send no faster than a line of N bit/s\n"
               "  --chunk N       send every reply in writes of at most N bytes\n"
               "  --garble N      spoil one byte of every N-th reply\n"
               "  --stray N       put a stray byte before every N-th reply\n"
               "  --silent        obey commands but answer nothing\n"
               "  --drop-after N  drop the device after N replies\n",
               argv0);
}

bool number(const char* text, int* out) {
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (end == text || *end != 0 || v < 0 || v > 1000000) return false;
  *out = static_cast<int>(v);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string linkPath;
  int baud = 0;
  hrx::sim::FaultConfig faults;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    bool ok = true;
    if (arg == "--link" && hasValue) linkPath = argv[++i];
    else if (arg == "--baud" && hasValue) ok = number(argv[++i], &baud);
    else if (arg == "--chunk" && hasValue) ok = number(argv[++i], &faults.chunkSize);
    else if (arg == "--garble" && hasValue) ok = number(argv[++i], &faults.garbleEvery);
    else if (arg == "--stray" && hasValue) ok = number(argv[++i], &faults.strayEvery);
    else if (arg == "--drop-after" && hasValue) ok = number(argv[++i], &faults.dropAfter);
    else if (arg == "--silent") faults.silent = true;
    else ok = false;
    if (!ok) {
      usage(argv[0]);
      return 2;
    }
  }

  // Signals arrive through a descriptor so the loop below can wait on it.
  sigset_t mask;
  sigemptyset(&mask);
  sigaddset(&mask, SIGINT);
  sigaddset(&mask, SIGTERM);
  sigaddset(&mask, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &mask, nullptr);
  const int sigFd = signalfd(-1, &mask, SFD_CLOEXEC);

  hrx::sim::SimRadio radio;
  radio.setFaults(faults);
  hrx::sim::SimPty pty(radio);
  pty.setBaud(baud);
  std::string error;
  if (!pty.open(&error)) {
    std::fprintf(stderr, "hrx900-sim: %s\n", error.c_str());
    return 1;
  }
  if (!linkPath.empty() && !pty.link(linkPath, &error)) {
    std::fprintf(stderr, "hrx900-sim: %s\n", error.c_str());
    return 1;
  }
  std::printf("%s\n", pty.slavePath().c_str());
  std::fflush(stdout);
  if (!pty.start()) {
    std::fprintf(stderr, "hrx900-sim: cannot start\n");
    return 1;
  }

  bool stdinOpen = true;
  std::string line;
  while (!pty.dropped()) {
    pollfd p[2] = {{sigFd, POLLIN, 0}, {stdinOpen ? STDIN_FILENO : -1, POLLIN, 0}};
    // The timeout only notices a drop made by the fault settings.
    if (poll(p, 2, 500) < 0) continue;
    if ((p[0].revents & POLLIN) != 0) break;
    if ((p[1].revents & (POLLIN | POLLHUP)) != 0) {
      char buf[256];
      const ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
      if (n <= 0) {
        stdinOpen = false;
        continue;
      }
      line.append(buf, static_cast<std::size_t>(n));
      for (std::size_t nl; (nl = line.find('\n')) != std::string::npos; line.erase(0, nl + 1)) {
        std::string cmd = line.substr(0, nl);
        while (!cmd.empty() && (cmd.back() == '\r' || cmd.back() == ' ')) cmd.pop_back();
        if (cmd.empty()) continue;
        if (cmd == "quit") {
          pty.stop();
          return 0;
        }
        if (cmd == "drop") {
          pty.drop();
          break;
        }
        std::fprintf(stderr, "%s\n", radio.applyLocal(cmd) ? "ok" : "refused");
      }
    }
  }
  if (pty.dropped()) std::fprintf(stderr, "hrx900-sim: device dropped\n");
  pty.stop();
  return 0;
}
