// hrx900-sim: a simulated HRX900 on a pseudo-terminal. Prints the slave's
// path on the first line of standard output; the program under test opens
// that path (or the --link path) as its serial port.
//
// Lines typed on standard input act on the radio itself: a set command such
// as "FA07000000;" changes it as its own knob would (reported in
// auto-information mode), "drop" makes the device vanish, "back" brings it
// back at the same link path, "quit" ends.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>

#include "Recording.h"
#include "SimPty.h"
#include "SimRadio.h"

namespace {

void usage(const char* argv0) {
  std::fprintf(stderr,
               "usage: %s [--link PATH] [--baud N] [--chunk N] [--garble N] [--stray N] [--silent] [--drop-after N]\n"
               "          [--mute-after N --mute-for M] [--record FILE --what TEXT --why TEXT]\n"
               "  --link PATH     also make PATH a symbolic link to the slave\n"
               "  --baud N        take and send no faster than a line of N bit/s (0: at once,\n"
               "                  the default); --baud port: at the speed the program set\n"
               "  --chunk N       send every reply in writes of at most N bytes\n"
               "  --garble N      spoil one byte of every N-th reply\n"
               "  --stray N       put a stray byte before every N-th reply\n"
               "  --silent        obey commands but answer nothing\n"
               "  --drop-after N  drop the device after N replies\n"
               "  --mute-after N  say nothing for the M replies after the first N (--mute-for M)\n"
               "  --record FILE   write both directions of the session to FILE, with the\n"
               "                  header lines --what and --why\n",
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
  std::string recordPath, what, why;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    bool ok = true;
    if (arg == "--link" && hasValue) linkPath = argv[++i];
    else if (arg == "--baud" && hasValue && std::strcmp(argv[i + 1], "port") == 0) {
      baud = hrx::sim::SimPty::kPortsOwnSpeed;
      ++i;
    }
    else if (arg == "--baud" && hasValue) ok = number(argv[++i], &baud);
    else if (arg == "--chunk" && hasValue) ok = number(argv[++i], &faults.chunkSize);
    else if (arg == "--garble" && hasValue) ok = number(argv[++i], &faults.garbleEvery);
    else if (arg == "--stray" && hasValue) ok = number(argv[++i], &faults.strayEvery);
    else if (arg == "--drop-after" && hasValue) ok = number(argv[++i], &faults.dropAfter);
    else if (arg == "--mute-after" && hasValue) ok = number(argv[++i], &faults.muteAfter);
    else if (arg == "--mute-for" && hasValue) ok = number(argv[++i], &faults.muteFor);
    else if (arg == "--record" && hasValue) recordPath = argv[++i];
    else if (arg == "--what" && hasValue) what = argv[++i];
    else if (arg == "--why" && hasValue) why = argv[++i];
    else if (arg == "--silent") faults.silent = true;
    else ok = false;
    if (!ok) {
      usage(argv[0]);
      return 2;
    }
  }
  if (!recordPath.empty() && (what.empty() || why.empty())) {
    usage(argv[0]);
    return 2;
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
  hrx::sim::Recorder recorder;
  if (!recordPath.empty() && !recorder.open(recordPath, what, why)) {
    std::fprintf(stderr, "hrx900-sim: cannot write %s\n", recordPath.c_str());
    return 1;
  }
  // A new pseudo-terminal each time the device comes back, like a USB
  // radio plugged in again; the link path stays the same.
  std::unique_ptr<hrx::sim::SimPty> pty;
  auto connect = [&](bool again) {
    pty = nullptr;
    pty = std::make_unique<hrx::sim::SimPty>(radio);
    pty->setBaud(baud);
    if (recorder.isOpen()) pty->setRecorder(&recorder);
    std::string error;
    if (!pty->open(&error) || (!linkPath.empty() && !pty->link(linkPath, &error))) {
      std::fprintf(stderr, "hrx900-sim: %s\n", error.c_str());
      return false;
    }
    std::printf("%s\n", pty->slavePath().c_str());
    std::fflush(stdout);
    if (again) recorder.add(hrx::sim::RecEvent::Kind::Return);
    if (pty->start()) return true;
    std::fprintf(stderr, "hrx900-sim: cannot start\n");
    return false;
  };
  if (!connect(false)) return 1;
  // The recording is written when the session ends; one that cannot be is
  // the exit status.
  auto finish = [&] {
    pty->stop();
    if (recorder.isOpen() && !recorder.close()) {
      std::fprintf(stderr, "hrx900-sim: cannot write %s\n", recordPath.c_str());
      return 1;
    }
    return 0;
  };

  bool stdinOpen = true;
  bool reported = false;
  std::string line;
  // A drop ends the program unless standard input may still bring it back.
  while (!pty->dropped() || stdinOpen) {
    if (pty->dropped() && !reported) {
      std::fprintf(stderr, "hrx900-sim: device dropped\n");
      reported = true;
    }
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
        if (cmd == "quit") return finish();
        if (cmd == "drop") {
          pty->drop();
        } else if (cmd == "back") {
          if (!pty->dropped()) {
            std::fprintf(stderr, "refused\n");
            continue;
          }
          // The radio stays as it was; only its line comes back.
          if (!connect(true)) return 1;
          reported = false;
        } else {
          std::fprintf(stderr, "%s\n", radio.applyLocal(cmd) ? "ok" : "refused");
        }
      }
    }
  }
  if (pty->dropped() && !reported) std::fprintf(stderr, "hrx900-sim: device dropped\n");
  return finish();
}
