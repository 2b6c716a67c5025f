#include "platform/TlsLink.h"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <chrono>
#include <cstdint>
#include <string>
#include <sys/stat.h>
#include <thread>

namespace hrx {

namespace {

using Clock = std::chrono::steady_clock;

int msLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

bool fileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool isAddress(const std::string& host) {
  unsigned char buf[16];
  return ::inet_pton(AF_INET, host.c_str(), buf) == 1 || ::inet_pton(AF_INET6, host.c_str(), buf) == 1;
}

// A write to a socket the far side has reset raises SIGPIPE in the writing
// thread; OpenSSL writes with plain write(), so these threads never take it.
void blockSigpipe() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

// What the handshake showed of the far side's wishes.
struct Seen {
  bool certRequested = false;
  bool ticket = false;
};

void onMessage(int writeP, int, int contentType, const void* buf, std::size_t len, SSL*, void* arg) {
  auto* seen = static_cast<Seen*>(arg);
  if (writeP != 0 || contentType != SSL3_RT_HANDSHAKE || len == 0) return;
  const auto type = static_cast<const std::uint8_t*>(buf)[0];
  if (type == SSL3_MT_CERTIFICATE_REQUEST) seen->certRequested = true;
  if (type == SSL3_MT_NEWSESSION_TICKET) seen->ticket = true;
}

TlsRefusal refusalOfVerify(long v) {
  switch (v) {
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
    case X509_V_ERR_EMAIL_MISMATCH:
      return TlsRefusal::WrongName;
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_CERT_NOT_YET_VALID:
      return TlsRefusal::Expired;
    default:
      return TlsRefusal::NotSigned;
  }
}

// An alert from the far side about the certificate we offered (or did not).
// A TLS 1.2 far side that asked for one and got none answers with a plain
// handshake failure; it has agreed on everything else by then.
bool clientCertAlert(unsigned long e) {
  if (ERR_GET_LIB(e) != ERR_LIB_SSL) return false;
  switch (ERR_GET_REASON(e)) {
    case SSL_R_TLSV13_ALERT_CERTIFICATE_REQUIRED:
    case SSL_R_SSLV3_ALERT_HANDSHAKE_FAILURE:
    case SSL_R_SSLV3_ALERT_BAD_CERTIFICATE:
    case SSL_R_SSLV3_ALERT_CERTIFICATE_UNKNOWN:
    case SSL_R_TLSV1_ALERT_UNKNOWN_CA:
    case SSL_R_SSLV3_ALERT_CERTIFICATE_EXPIRED:
    case SSL_R_SSLV3_ALERT_CERTIFICATE_REVOKED:
    case SSL_R_TLSV1_ALERT_ACCESS_DENIED:
    case SSL_R_TLSV1_ALERT_DECRYPT_ERROR:
      return true;
    default:
      return false;
  }
}

// Waits for the socket as OpenSSL asks; false when the deadline passed.
bool waitFor(SSL* ssl, int sock, int err, Clock::time_point deadline) {
  (void)ssl;
  pollfd p{sock, static_cast<short>(err == SSL_ERROR_WANT_WRITE ? POLLOUT : POLLIN), 0};
  for (;;) {
    const int left = msLeft(deadline);
    if (left == 0) return false;
    const int r = ::poll(&p, 1, left);
    if (r > 0) return true;
    if (r < 0 && errno != EINTR) return true;   // let OpenSSL see the error
  }
}

}  // namespace

struct TlsLink::Impl {
  SSL_CTX* ctx = nullptr;
  SSL* ssl = nullptr;
  int sock = -1;
  int pairEnd = -1;
  std::string early;   // what came before the port took over
  std::thread pump;

  ~Impl() {
    if (pump.joinable()) pump.join();
    if (ssl != nullptr) SSL_free(ssl);
    if (ctx != nullptr) SSL_CTX_free(ctx);
    if (sock >= 0) ::close(sock);
    if (pairEnd >= 0) ::close(pairEnd);
  }

  void run();
};

// Moves bytes both ways until either side goes.
void TlsLink::Impl::run() {
  blockSigpipe();
  std::string toPort = std::move(early);
  std::string toFar;
  bool farWantsWrite = false;   // the pending write waits for POLLOUT
  std::uint8_t buf[16384];
  for (;;) {
    // Everything the session holds decrypted, then what the socket has.
    bool farGone = false;
    for (;;) {
      const int r = SSL_read(ssl, buf, sizeof buf);
      if (r > 0) {
        toPort.append(reinterpret_cast<const char*>(buf), static_cast<std::size_t>(r));
        continue;
      }
      const int e = SSL_get_error(ssl, r);
      if (e != SSL_ERROR_WANT_READ && e != SSL_ERROR_WANT_WRITE) farGone = true;
      break;
    }
    while (!toPort.empty()) {
      const ssize_t w = ::send(pairEnd, toPort.data(), toPort.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
      if (w > 0) {
        toPort.erase(0, static_cast<std::size_t>(w));
        continue;
      }
      if (w < 0 && errno == EINTR) continue;
      if (w < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
      return;   // the port has closed its end
    }
    if (farGone) return;
    while (!toFar.empty()) {
      const int w = SSL_write(ssl, toFar.data(), static_cast<int>(toFar.size()));
      if (w > 0) {
        toFar.erase(0, static_cast<std::size_t>(w));
        farWantsWrite = false;
        continue;
      }
      const int e = SSL_get_error(ssl, w);
      if (e == SSL_ERROR_WANT_WRITE) {
        farWantsWrite = true;
        break;
      }
      if (e == SSL_ERROR_WANT_READ) break;
      return;
    }
    pollfd p[2] = {{sock, static_cast<short>(POLLIN | (farWantsWrite ? POLLOUT : 0)), 0},
                   {pairEnd, static_cast<short>((toFar.empty() ? POLLIN : 0) | (toPort.empty() ? 0 : POLLOUT)), 0}};
    if (::poll(p, 2, -1) < 0 && errno != EINTR) return;
    if (p[1].revents & (POLLHUP | POLLERR | POLLNVAL)) return;
    if (p[1].revents & POLLIN) {
      const ssize_t r = ::recv(pairEnd, buf, sizeof buf, MSG_DONTWAIT);
      if (r == 0) return;
      if (r > 0) toFar.append(reinterpret_cast<const char*>(buf), static_cast<std::size_t>(r));
    }
  }
}

TlsLink::TlsLink(std::unique_ptr<Impl> impl, int local) : impl_(std::move(impl)), local_(local) {}

TlsLink::~TlsLink() {
  // The port has closed its end: the pump sees it and ends.
  if (impl_ && impl_->ssl != nullptr && impl_->pump.joinable()) {
    impl_->pump.join();
    SSL_shutdown(impl_->ssl);
  }
}

std::unique_ptr<TlsLink> TlsLink::start(int sock, const std::string& host, const std::string& folder, int timeoutMs,
                                        TlsRefusal& why) {
  blockSigpipe();
  auto impl = std::make_unique<Impl>();
  impl->sock = sock;
  why = TlsRefusal::None;
  const std::string ca = folder + "/ca.pem";
  const std::string clientPem = folder + "/client.pem";
  const std::string clientKey = folder + "/client.key";

  // No clean-up at exit: a connector or pump thread may still be in a
  // handshake while the process ends, and would use freed locks.
  OPENSSL_init_ssl(OPENSSL_INIT_NO_ATEXIT, nullptr);
  impl->ctx = SSL_CTX_new(TLS_client_method());
  if (impl->ctx == nullptr) {
    why = TlsRefusal::Handshake;
    return nullptr;
  }
  SSL_CTX_set_min_proto_version(impl->ctx, TLS1_2_VERSION);
  if (!fileExists(ca) || SSL_CTX_load_verify_locations(impl->ctx, ca.c_str(), nullptr) != 1) {
    why = TlsRefusal::NoCa;
    return nullptr;
  }
  SSL_CTX_set_verify(impl->ctx, SSL_VERIFY_PEER, nullptr);
  const bool hasPem = fileExists(clientPem), hasKey = fileExists(clientKey);
  if (hasPem || hasKey) {
    if (!hasPem || !hasKey || SSL_CTX_use_certificate_chain_file(impl->ctx, clientPem.c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(impl->ctx, clientKey.c_str(), SSL_FILETYPE_PEM) != 1 ||
        SSL_CTX_check_private_key(impl->ctx) != 1) {
      why = TlsRefusal::ClientFiles;
      return nullptr;
    }
  }
  impl->ssl = SSL_new(impl->ctx);
  if (impl->ssl == nullptr || SSL_set_fd(impl->ssl, sock) != 1) {
    why = TlsRefusal::Handshake;
    return nullptr;
  }
  SSL_set_mode(impl->ssl, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
  X509_VERIFY_PARAM* param = SSL_get0_param(impl->ssl);
  if (isAddress(host)) {
    X509_VERIFY_PARAM_set1_ip_asc(param, host.c_str());
  } else {
    X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    SSL_set1_host(impl->ssl, host.c_str());
    SSL_set_tlsext_host_name(impl->ssl, host.c_str());
  }
  Seen seen;
  SSL_set_msg_callback(impl->ssl, onMessage);
  SSL_set_msg_callback_arg(impl->ssl, &seen);

  const auto start = Clock::now();
  const auto deadline = start + std::chrono::milliseconds(timeoutMs);
  ERR_clear_error();
  for (;;) {
    const int r = SSL_connect(impl->ssl);
    if (r == 1) break;
    const int e = SSL_get_error(impl->ssl, r);
    if (e == SSL_ERROR_WANT_READ || e == SSL_ERROR_WANT_WRITE) {
      if (!waitFor(impl->ssl, sock, e, deadline)) {
        why = TlsRefusal::TimedOut;
        break;
      }
      continue;
    }
    const long verify = SSL_get_verify_result(impl->ssl);
    const unsigned long err = ERR_peek_error();
    if (verify != X509_V_OK) why = refusalOfVerify(verify);
    else if (seen.certRequested && clientCertAlert(err)) why = TlsRefusal::ClientRefused;
    else why = TlsRefusal::Handshake;
    break;
  }
  if (why == TlsRefusal::None && SSL_version(impl->ssl) >= TLS1_3_VERSION && seen.certRequested) {
    // With TLS 1.3 the far side judges our certificate after our side of
    // the handshake is done: a refusal comes as an alert or a close a round
    // trip later. Wait that long (twice the handshake's time, at least
    // 200 ms) before the port may send anything.
    const auto handshake = Clock::now() - start;
    auto wait = 2 * handshake;
    if (wait < std::chrono::milliseconds(200)) wait = std::chrono::milliseconds(200);
    const auto until = std::min(deadline, Clock::now() + std::chrono::duration_cast<Clock::duration>(wait));
    std::uint8_t buf[4096];
    for (;;) {
      const int r = SSL_read(impl->ssl, buf, sizeof buf);
      if (r > 0) {
        impl->early.append(reinterpret_cast<const char*>(buf), static_cast<std::size_t>(r));
        break;   // the radio's own bytes: we are let through
      }
      const int e = SSL_get_error(impl->ssl, r);
      if (e != SSL_ERROR_WANT_READ && e != SSL_ERROR_WANT_WRITE) {
        why = TlsRefusal::ClientRefused;
        break;
      }
      if (!waitFor(impl->ssl, sock, e, until)) break;
    }
  }
  // `seen` ends here; the session goes on without it.
  SSL_set_msg_callback(impl->ssl, nullptr);
  SSL_set_msg_callback_arg(impl->ssl, nullptr);
  if (why != TlsRefusal::None) return nullptr;

  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, pair) != 0) {
    why = TlsRefusal::Handshake;
    return nullptr;
  }
  impl->pairEnd = pair[1];
  Impl* raw = impl.get();
  impl->pump = std::thread([raw] {
    raw->run();
    // The port reads the end of the stream as the far side gone.
    ::shutdown(raw->pairEnd, SHUT_RDWR);
  });
  return std::unique_ptr<TlsLink>(new TlsLink(std::move(impl), pair[0]));
}

}  // namespace hrx
