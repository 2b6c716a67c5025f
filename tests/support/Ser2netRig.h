#pragma once
// The real ser2net in front of a serial device (the simulator's
// pseudo-terminal) on loopback: the configuration written to a temporary
// folder, ser2net started as a child on a free port and ended with it.
// available() is false on a machine without ser2net, so tests can skip.
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "SimPty.h"
#include "SimRadio.h"

extern char** environ;

namespace hrx::test {

class Ser2net {
 public:
  enum class Mode { Raw, Telnet, Tls };

  static std::string program() {
    for (const char* p : {"/usr/sbin/ser2net", "/usr/bin/ser2net", "/usr/local/sbin/ser2net"})
      if (::access(p, X_OK) == 0) return p;
    return {};
  }
  static bool available() { return !program().empty(); }

  // A loopback port nobody listens on at this moment.
  static int freePort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = loopback(0);
    socklen_t len = sizeof a;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
      port = ntohs(a.sin_port);
    ::close(s);
    return port;
  }

  Ser2net(Mode mode, std::string device) : mode_(mode), device_(std::move(device)) {
    char tpl[] = "/tmp/hrx900-ser2net-XXXXXX";
    if (::mkdtemp(tpl) != nullptr) dir_ = tpl;
    port_ = freePort();
  }
  ~Ser2net() {
    stop();
    std::error_code ec;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ec);
  }

  // The name the program opens.
  std::string url() const {
    const char* scheme = mode_ == Mode::Raw ? "tcp" : mode_ == Mode::Tls ? "tls" : "rfc2217";
    return std::string(scheme) + "://127.0.0.1:" + std::to_string(port_);
  }
  int port() const { return port_; }
  // What gensio's ssl accepter is given (Mode::Tls): "key=…,cert=…" and
  // perhaps ",clientauth,CA=…".
  void setSslOptions(std::string options) { ssl_ = std::move(options); }
  // Where ssl's clientauth finds the allowed certificates.
  void setAuthDir(std::string dir) { authDir_ = std::move(dir); }

  // Starts ser2net and waits until it accepts connections.
  bool start() {
    if (pid_ > 0 || dir_.empty() || port_ == 0 || !available()) return false;
    const std::string config = dir_ + "/ser2net.yaml";
    {
      // chardelay off, as the README's configuration: ser2net's default holds
      // every reply for two characters' time (4.6 ms at 4800 baud) first.
      std::ofstream out(config);
      out << "connection: &radio\n"
          << "  accepter: " << accepterStack() << "tcp,127.0.0.1," << port_ << "\n"
          << "  connector: serialdev," << device_ << ",4800n82,local\n"
          << "  options:\n    kickolduser: true\n    chardelay: false\n";
      if (!authDir_.empty()) out << "    authdir: " << authDir_ << "\n";
    }
    const std::string prog = program();
    const std::string pidFile = dir_ + "/ser2net.pid";
    const char* argv[] = {prog.c_str(), "-n", "-c", config.c_str(), "-P", pidFile.c_str(), nullptr};
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    // Its complaints (no mDNS here) are of no interest.
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    const int rc = ::posix_spawn(&pid_, prog.c_str(), &fa, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0) {
      pid_ = -1;
      return false;
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!listening() && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!listening()) stop();
    return pid_ > 0;
  }

  // Ends ser2net at once (the connection drops as a cable pulled would).
  void stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
  }

 private:
  std::string accepterStack() const {
    if (mode_ == Mode::Telnet) return "telnet(rfc2217),";
    if (mode_ == Mode::Tls) return "ssl(" + ssl_ + "),";
    return "";
  }
  bool listening() const {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in a = loopback(port_);
    const bool ok = ::connect(s, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
    ::close(s);
    return ok;
  }
  static sockaddr_in loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    return a;
  }

  Mode mode_;
  std::string device_;
  std::string ssl_;
  std::string authDir_;
  std::string dir_;
  int port_ = 0;
  pid_t pid_ = -1;
};

// The simulated radio on its pseudo-terminal with ser2net in front of it.
struct FarRadio {
  bool start(Ser2net::Mode mode, std::string* error, const std::string& sslOptions = {},
             const std::string& authDir = {}) {
    if (!pty.open(error) || !pty.start()) return false;
    s2n = std::make_unique<Ser2net>(mode, pty.slavePath());
    s2n->setSslOptions(sslOptions);
    s2n->setAuthDir(authDir);
    return s2n->start();
  }
  sim::SimRadio radio;
  sim::SimPty pty{radio};
  std::unique_ptr<Ser2net> s2n;
};

}  // namespace hrx::test
