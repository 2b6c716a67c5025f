#pragma once
// A blocking TCP client on loopback that speaks in lines, for the tests and
// the benchmark of the sharing server.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>

namespace hrx::test {

class LineClient {
 public:
  explicit LineClient(int port) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<std::uint16_t>(port));
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd_ >= 0 && ::connect(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) close();
    const int one = 1;
    if (fd_ >= 0) ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  }
  ~LineClient() { close(); }
  LineClient(const LineClient&) = delete;
  LineClient& operator=(const LineClient&) = delete;

  bool ok() const { return fd_ >= 0; }
  void close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  bool send(const std::string& text) {
    for (std::size_t done = 0; fd_ >= 0 && done < text.size();) {
      const ssize_t n = ::send(fd_, text.data() + done, text.size() - done, MSG_NOSIGNAL);
      if (n <= 0) return false;
      done += static_cast<std::size_t>(n);
    }
    return fd_ >= 0;
  }
  // One line without its newline; false on time-out or when the server
  // closed the connection.
  bool readLine(std::string* line, int timeoutMs = 2000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::size_t nl;
    while ((nl = buf_.find('\n')) == std::string::npos)
      if (!receive(end)) return false;
    *line = buf_.substr(0, nl);
    buf_.erase(0, nl + 1);
    return true;
  }
  // Sends one request and reads `lines` answer lines.
  bool ask(const std::string& request, int lines, std::string* answer, int timeoutMs = 2000) {
    answer->clear();
    if (!send(request + "\n")) return false;
    for (std::string l; lines-- > 0; *answer += l + '\n')
      if (!readLine(&l, timeoutMs)) return false;
    return true;
  }
  // Whether nothing more than what was read has come, nor comes within
  // `ms` (a closed line brings nothing more either).
  bool nothingMore(int ms) {
    if (!buf_.empty()) return false;
    receive(std::chrono::steady_clock::now() + std::chrono::milliseconds(ms));
    return buf_.empty();
  }
  // Whether the server has closed its side (reads pending data away).
  bool closedByPeer(int timeoutMs = 2000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (receive(end)) buf_.clear();
    return !timedOut_;
  }

 private:
  // Appends what comes before `end`; false on time-out or a closed line.
  bool receive(std::chrono::steady_clock::time_point end) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    pollfd p{fd_, POLLIN, 0};
    timedOut_ = fd_ >= 0 && (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0);
    if (fd_ < 0 || timedOut_) return false;
    char tmp[4096];
    const ssize_t n = ::recv(fd_, tmp, sizeof tmp, 0);
    if (n > 0) buf_.append(tmp, static_cast<std::size_t>(n));
    return n > 0;
  }
  int fd_ = -1;
  bool timedOut_ = false;
  std::string buf_;
};

}  // namespace hrx::test
