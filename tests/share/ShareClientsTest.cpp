// Real station programs' conversations with the sharing server, kept under
// tests/share/clients/ and replayed against the program with the simulated
// radio: every answer and every command on the serial line as recorded.
//
// A conversation file, line by line:
//   # ...           the program, its version and settings (kept as it is)
//   radio CMD ...   changes made at the radio itself, in turn
//   com             the COM switch pressed (the link off, or on again)
//   restart         the sharing server stopped and started on its port
//   client          a new connection (the client started again)
//   type TEXT       what the operator gave the client (used when recording)
//   > LINE          what the client sent
//   < LINE          the server's answer, one line each
//   = CMD           a command the radio received for the line above
// Recording (HRX900_RECORD_CLIENTS=1, or a part of the files' names): the
// client runs against a logging relay in front of the server and the file
// is written again from its `type` lines. Without a "# recorded with: CMD"
// line the client is rigctl, given each `type` line in turn; otherwise CMD
// is run with the relay's port and given the `type` lines on its standard
// input, but for "type sleep N", which waits while the program polls. Radio,
// COM and restart lines are then applied between one answer and the next
// line, so the conversation takes them in the same place when replayed.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "SimPty.h"
#include "SimRadio.h"
#include "share/ShareServer.h"
#include "support/LineClient.h"
#include "support/StationRig.h"

namespace hrx::share {
namespace {

using namespace std::chrono_literals;
using test::waitFor;
using test::waitForQuiet;

std::vector<std::string> readLines(const std::filesystem::path& p) {
  std::vector<std::string> out;
  std::ifstream in(p);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

bool starts(const std::string& l, const char* prefix) { return l.rfind(prefix, 0) == 0; }

std::vector<std::string> words(const std::string& text) {
  std::vector<std::string> w;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && text[i] == ' ') ++i;
    std::size_t j = i;
    while (j < text.size() && text[j] != ' ') ++j;
    if (j > i) w.push_back(text.substr(i, j - i));
    i = j;
  }
  return w;
}

// The program on the simulated radio with sharing on, and the radio's
// command log as the conversation sees it.
struct Shack {
  sim::SimRadio radio;
  sim::SimPty pty{radio};
  test::TempDir dir;
  std::unique_ptr<test::Program> program;
  int port = 0;
  std::size_t mark = 0;

  bool open() {
    std::string error;
    if (!pty.open(&error) || !pty.start()) return false;
    program = std::make_unique<test::Program>(pty.slavePath(), dir.path());
    Station& s = program->station;
    if (!program->ok || !waitFor([&] { return s.state.get_CommEnabled() != 0 && s.port.IsOpen(); }, 5s)) return false;
    if (!s.request(1) || !waitFor([&] { return program->readOutsDone.load() > 0; }, 60s)) return false;
    return settle() && startShareLow();
  }
  // A restart takes the same port again. One the kernel hands out to
  // outgoing connections (32768 and up) may meanwhile be another test's
  // local end, so the first start takes one below that range.
  bool startShareLow() {
    const int from = 20000 + static_cast<int>(::getpid() % 6000) * 2;
    for (int p = from; p < from + 200; ++p)
      if (startShare(p)) return true;
    return false;
  }
  // The read-out's last commands may follow its end message: wait until
  // the line has been quiet for a while.
  bool settle() { return waitForQuiet(radio, 700ms, 30s); }
  bool startShare(int p) {
    share::ShareConfig config;
    config.port = p;
    // A set is confirmed by the radio's report, which a loaded machine may
    // bring later than a second; the replay compares answers, not times.
    config.confirmMs = 4000;
    std::string error;
    if (!program->station.startShare(config, &error)) return false;
    port = program->station.shareServer().boundPort();
    return true;
  }
  Station& station() { return program->station; }
  // Commands since the mark, without the program's own keep-alive.
  std::vector<std::string> since() {
    const std::vector<std::string> log = radio.commandLog();
    std::vector<std::string> out;
    for (std::size_t i = std::min(mark, log.size()); i < log.size(); ++i)
      if (log[i] != "PS;" && log[i] != "AI;") out.push_back(log[i]);
    return out;
  }
  void setMark() { mark = radio.commandLog().size(); }
  bool inStep() {
    Station& s = station();
    using sim::Cell;
    return s.state.get_FR_Stat() == radio.cell(Cell::Fr) && s.state.get_FT_Stat() == radio.cell(Cell::Ft) &&
           s.state.get_VfoA_Freq() == radio.cell(Cell::VfoA) && s.state.get_VfoB_Freq() == radio.cell(Cell::VfoB) &&
           s.state.get_MD_Main() == radio.cell(Cell::ModeMain) && s.state.get_MD_Sub() == radio.cell(Cell::ModeSub) &&
           s.state.get_SH_Main() == radio.cell(Cell::ShMain) && s.state.get_SH_Sub() == radio.cell(Cell::ShSub) &&
           s.state.get_TxStat() == radio.cell(Cell::Tx);
  }
  // Whether the files' "com" lines have left the link on.
  bool linkOn_ = true;
  // A directive other than the client's own lines.
  bool act(const std::string& l) {
    if (starts(l, "radio ")) {
      const std::uint64_t sent = radio.repliesSent(), heard = station().repliesDelivered();
      for (const std::string& c : words(l.substr(6)))
        if (!radio.applyLocal(c)) return false;
      // With the link off the program hears none of it. In step is not
      // enough: "FR4 MD12 FR0" with the sub mode already 2 ends where it
      // began, and a client could hear the passing FR4 before its FR0.
      return station().state.get_AI_Stat() == 0 || waitFor([&] {
               return station().repliesDelivered() - heard >= radio.repliesSent() - sent && inStep();
             }, 3s);
    }
    if (l == "com") {
      // The switch as the file means it: the link off, or on and read out.
      // On a loaded machine the watchdog may count the radio silent, and
      // take the link down, before or after a press; a press then only ends
      // that wait, as the operator's would, and the switch is pressed again.
      linkOn_ = !linkOn_;
      for (int tries = 0; tries < 4; ++tries) {
        if (station().awaitingRadio() || station().awaitingDevice()) station().request(1);
        const bool on = station().state.get_AI_Stat() == 1;
        const int readOuts = program->readOutsDone.load();
        if (on != linkOn_) {
          if (!station().request(1)) return false;
          if (!waitFor([&] { return (station().state.get_AI_Stat() == 1) == linkOn_; }, 5s)) continue;
        }
        if (!linkOn_) return true;
        // Back on, the panel reads the radio again.
        if (on || (waitFor([&] { return program->readOutsDone.load() > readOuts && inStep(); }, 60s) && settle()))
          if (station().state.get_AI_Stat() == 1 && !station().awaitingRadio()) return true;
      }
      return false;
    }
    if (l == "restart") {
      const int p = port;
      station().stopShare();
      return startShare(p);
    }
    return true;
  }
};

// The relay the client talks to while recording: it passes every byte on
// to the server (loopback only) and notes each line, its answer and the
// radio's commands meanwhile. An answer is passed back once the line to the
// radio has been quiet a while, so each command is filed under its line.
class Relay {
 public:
  Relay(Shack& shack) : shack_(shack) {
    listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listen_, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    ::listen(listen_, 4);
    socklen_t len = sizeof sa;
    ::getsockname(listen_, reinterpret_cast<sockaddr*>(&sa), &len);
    port = ntohs(sa.sin_port);
    thread_ = std::thread([this] { run(); });
  }
  ~Relay() {
    stop_ = true;
    thread_.join();
    ::close(listen_);
  }
  // The lines recorded since the last call.
  std::vector<std::string> take() {
    std::lock_guard lock(mu_);
    finish();
    std::vector<std::string> out;
    out.swap(lines_);
    return out;
  }
  std::chrono::steady_clock::time_point lastActivity() {
    std::lock_guard lock(mu_);
    return last_;
  }
  // A radio, COM or restart line, applied once the client's last line has
  // had its answer (its next one waits meanwhile) and noted there.
  bool apply(const std::string& directive) {
    std::unique_lock lock(mu_);
    directive_ = directive;
    applied_ = false;
    cv_.wait(lock, [&] { return applied_; });
    return appliedOk_;
  }
  int port = 0;

 private:
  void finish() {
    if (!open_) {
      answer_.clear();
      return;
    }
    if (!answer_.empty() && answer_.back() != '\n') answer_ += '\n';
    for (std::size_t i = 0; i < answer_.size();) {
      const std::size_t nl = answer_.find('\n', i);
      lines_.push_back("< " + answer_.substr(i, nl - i));
      i = nl + 1;
    }
    // A line sent before the last one's answer shares the answers' commands
    // with the lines after it, up to the one answered.
    if (!answer_.empty()) {
      for (const std::string& c : shack_.since()) lines_.push_back("= " + c);
      shack_.setMark();
    }
    answer_.clear();
    open_ = false;
  }
  bool pending() {
    std::lock_guard lock(mu_);
    return !directive_.empty();
  }
  void applyPending(int& client, int& server, std::string& fromClient, std::string& toClient) {
    std::string directive;
    {
      std::lock_guard lock(mu_);
      finish();
      directive = directive_;
    }
    const bool ok = shack_.act(directive);
    shack_.setMark();
    if (directive == "restart") {
      // The server has dropped its connections; so does the relay.
      if (client >= 0) ::close(client);
      if (server >= 0) ::close(server);
      client = server = -1;
      fromClient.clear();
      toClient.clear();
    }
    std::lock_guard lock(mu_);
    lines_.push_back(directive);
    directive_.clear();
    appliedOk_ = ok;
    applied_ = true;
    cv_.notify_all();
  }
  void run() {
    int client = -1, server = -1;
    std::string fromClient, toClient;
    std::size_t logSize = 0;
    auto quietSince = std::chrono::steady_clock::now();
    auto serverSince = quietSince;
    while (!stop_) {
      const bool hold = pending();
      pollfd p[3] = {{hold ? -1 : listen_, POLLIN, 0}, {hold ? -1 : client, POLLIN, 0}, {server, POLLIN, 0}};
      ::poll(p, 3, 10);
      const auto now = std::chrono::steady_clock::now();
      const std::size_t n = shack_.radio.commandLog().size();
      if (n != logSize) {
        logSize = n;
        quietSince = now;
      }
      if (hold && toClient.empty() && now - quietSince > 150ms && now - serverSince > 100ms &&
          [&] {
            std::lock_guard lock(mu_);
            return !open_ || !answer_.empty();
          }()) {
        applyPending(client, server, fromClient, toClient);
        continue;
      }
      if (p[0].revents & POLLIN) {
        if (client >= 0) ::close(client);
        if (server >= 0) ::close(server);
        client = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
        server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(static_cast<std::uint16_t>(shack_.port));
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::connect(server, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
        std::lock_guard lock(mu_);
        finish();
        lines_.push_back("client");
        continue;
      }
      char buf[4096];
      if (client >= 0 && (p[1].revents & (POLLIN | POLLHUP))) {
        const ssize_t r = ::recv(client, buf, sizeof buf, 0);
        if (r <= 0) {
          ::close(client);
          client = -1;
        } else {
          ::send(server, buf, static_cast<std::size_t>(r), MSG_NOSIGNAL);
          std::lock_guard lock(mu_);
          last_ = now;
          fromClient.append(buf, static_cast<std::size_t>(r));
          for (std::size_t nl; (nl = fromClient.find('\n')) != std::string::npos; fromClient.erase(0, nl + 1)) {
            finish();
            std::string line = fromClient.substr(0, nl);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines_.push_back("> " + line);
            open_ = true;
          }
        }
      }
      if (server >= 0 && (p[2].revents & (POLLIN | POLLHUP))) {
        const ssize_t r = ::recv(server, buf, sizeof buf, 0);
        serverSince = now;
        if (r <= 0) {
          // The client hears of the close once the answers are passed on.
          ::close(server);
          server = -1;
        } else {
          toClient.append(buf, static_cast<std::size_t>(r));
          std::lock_guard lock(mu_);
          last_ = now;
          answer_.append(buf, static_cast<std::size_t>(r));
        }
      }
      if (!toClient.empty() && client >= 0 && now - quietSince > 150ms) {
        ::send(client, toClient.data(), toClient.size(), MSG_NOSIGNAL);
        toClient.clear();
      }
      if (server < 0 && client >= 0 && toClient.empty()) {
        ::close(client);
        client = -1;
      }
    }
    if (client >= 0) ::close(client);
    if (server >= 0) ::close(server);
  }

  Shack& shack_;
  int listen_ = -1;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::mutex mu_;
  std::condition_variable cv_;
  std::string directive_;
  bool applied_ = false, appliedOk_ = false;
  std::vector<std::string> lines_;
  std::string answer_;
  bool open_ = false;
  std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

const std::filesystem::path kDir = std::filesystem::path(HRX900_SOURCE_DIR) / "tests/share/clients";

std::vector<std::filesystem::path> conversations() {
  std::vector<std::filesystem::path> files;
  for (const auto& e : std::filesystem::directory_iterator(kDir))
    if (e.path().extension() == ".txt") files.push_back(e.path());
  std::sort(files.begin(), files.end());
  return files;
}

// One program for every conversation (its start takes seconds), in the
// files' name order as recorded: each sets up the radio values it relies on,
// what it leaves alone comes from the file before.
TEST(ShareClients, RecordedConversationsReplay) {
  Shack shack;
  ASSERT_TRUE(shack.open());
  const std::vector<std::filesystem::path> files = conversations();
  ASSERT_GE(files.size(), 6u);
  for (const auto& file : files) {
    SCOPED_TRACE(file.filename().string());
    const std::vector<std::string> l = readLines(file);
    std::unique_ptr<test::LineClient> client;
    int lines = 0;
    for (std::size_t i = 0; i < l.size(); ++i) {
      if (starts(l[i], "#") || starts(l[i], "type ") || l[i].empty()) continue;
      // A connection's last answer had no more lines than recorded.
      if (client && (l[i] == "client" || l[i] == "restart")) {
        EXPECT_TRUE(client->nothingMore(50)) << l[i];
      }
      if (l[i] == "client") {
        client = std::make_unique<test::LineClient>(shack.port);
        ASSERT_TRUE(client->ok());
        continue;
      }
      if (!starts(l[i], "> ")) {
        ASSERT_TRUE(shack.act(l[i])) << l[i];
        shack.setMark();
        continue;
      }
      ASSERT_TRUE(client) << "a line before any client";
      const std::string request = l[i].substr(2);
      SCOPED_TRACE("line " + std::to_string(i + 1) + ": " + request);
      std::string expected;
      std::vector<std::string> cat;
      for (; i + 1 < l.size() && starts(l[i + 1], "< "); ++i) expected += l[i + 1].substr(2) + '\n';
      for (; i + 1 < l.size() && starts(l[i + 1], "= "); ++i) cat.push_back(l[i + 1].substr(2));
      const int n = static_cast<int>(std::count(expected.begin(), expected.end(), '\n'));
      std::string answer;
      if (request == "q" || request == "\\quit") {
        EXPECT_TRUE(client->send(request + "\n") && client->closedByPeer());
      } else {
        EXPECT_TRUE(client->ask(request, n, &answer));
        EXPECT_EQ(answer, expected);
      }
      ++lines;
      // Sent ahead of an answer: its commands come with a later line's.
      if (n == 0 && request != "q" && request != "\\quit") continue;
      waitFor([&] { return shack.since() == cat; }, 2s);
      EXPECT_EQ(shack.since(), cat);
      shack.setMark();
    }
    if (client) {
      EXPECT_TRUE(client->nothingMore(50)) << "after the last line";
    }
    EXPECT_GT(lines, 0);
  }
}

// Not a check: writes the conversations again with the real client.
TEST(ShareClients, RecordWithTheRealClient) {
  const char* which = std::getenv("HRX900_RECORD_CLIENTS");
  if (which == nullptr) GTEST_SKIP() << "recording only with HRX900_RECORD_CLIENTS=1";
  Shack shack;
  ASSERT_TRUE(shack.open());
  Relay relay(shack);
  for (const auto& file : conversations()) {
    if (std::string(which) != "1" && file.filename().string().find(which) == std::string::npos) continue;
    const std::vector<std::string> lines = readLines(file);
    std::string driver;
    for (const std::string& l : lines)
      if (starts(l, "# recorded with: ")) driver = std::string(HRX900_SOURCE_DIR) + "/" + l.substr(17);
    if (driver.empty()) {
      ASSERT_EQ(std::system("command -v rigctl >/dev/null 2>&1"), 0);
    }
    std::vector<std::string> out;
    FILE* client = nullptr;
    auto take = [&] {
      for (std::string& x : relay.take()) out.push_back(x);
    };
    auto endClient = [&] {
      if (client == nullptr) return;
      ::pclose(client);
      client = nullptr;
      waitFor([&] { return std::chrono::steady_clock::now() - relay.lastActivity() > 500ms; }, 5s);
      take();
    };
    for (const std::string& l : lines) {
      if (starts(l, "> ") || starts(l, "< ") || starts(l, "= ") || l == "client") continue;
      if (starts(l, "#") || l.empty()) {
        out.push_back(l);
        continue;
      }
      if (!starts(l, "type ")) {
        if (!driver.empty()) {
          take();
          ASSERT_TRUE(relay.apply(l)) << l;
          continue;
        }
        if (l == "restart") endClient();
        ASSERT_TRUE(shack.act(l)) << l;
        shack.setMark();
        relay.take();
        out.push_back(l);
        continue;
      }
      if (client == nullptr) {
        const std::string port = std::to_string(relay.port);
        const std::string cmd = driver.empty() ? "rigctl -m 2 -r 127.0.0.1:" + port + " - >/dev/null 2>&1"
                                               : driver + " " + port + " >&2";
        client = ::popen(cmd.c_str(), "w");
        ASSERT_NE(client, nullptr);
      }
      if (!driver.empty()) {
        take();
        out.push_back(l);
        if (starts(l, "type sleep ")) {
          std::this_thread::sleep_for(std::chrono::milliseconds(static_cast<int>(std::atof(l.c_str() + 11) * 1000)));
        } else {
          std::fprintf(client, "%s\n", l.substr(5).c_str());
          std::fflush(client);
        }
        continue;
      }
      out.push_back(l);
      std::fprintf(client, "%s\n", l.substr(5).c_str());
      std::fflush(client);
      const auto sent = std::chrono::steady_clock::now();
      waitFor([&] { return relay.lastActivity() > sent && std::chrono::steady_clock::now() - relay.lastActivity() > 400ms; }, 5s);
      take();
    }
    endClient();
    std::ofstream o(file);
    for (const std::string& x : out) o << x << '\n';
  }
}

}  // namespace
}  // namespace hrx::share
