#pragma once
// The encrypted leg of a tls:// port (OpenSSL). The handshake runs on the
// caller's thread (NetSerial's connector) over a connected socket and checks
// the far side's certificate against ca.pem in the given folder, with the
// host name or address it was reached at; client.pem with client.key there
// is offered when present. TLS 1.2 at least.
//
// Once made, a thread of its own moves the bytes between the TLS session and
// one end of a socket pair; the other end is what the port reads, writes and
// waits on, exactly as a raw TCP connection. The far side going away closes
// that pair end (a line fault above); the port closing its end ends the
// session and the thread.
#include <memory>
#include <string>

namespace hrx {

// Why a far side was not let through. Nothing has been sent past the
// handshake in every case.
enum class TlsRefusal {
  None,
  NoCa,            // no readable ca.pem: nothing to check against
  NotSigned,       // its certificate is not signed by ca.pem
  WrongName,       // signed, but for another host name or address
  Expired,         // expired or not yet valid
  ClientRefused,   // it asks for the operator's certificate and refused ours (or none)
  ClientFiles,     // client.pem / client.key present but not usable
  Handshake,       // no TLS 1.2 or later spoken there
  TimedOut,        // no answer within the time allowed
};

class TlsLink {
 public:
  ~TlsLink();
  TlsLink(const TlsLink&) = delete;
  TlsLink& operator=(const TlsLink&) = delete;

  // Takes `sock` (connected, non-blocking) in every case: on success it
  // belongs to the link, on failure it is closed. `why` says what failed.
  static std::unique_ptr<TlsLink> start(int sock, const std::string& host, const std::string& folder, int timeoutMs,
                                        TlsRefusal& why);
  // The port's end of the pair (non-blocking); the caller closes it, after
  // which the link may be destroyed.
  int localFd() const { return local_; }

  struct Impl;

 private:
  explicit TlsLink(std::unique_ptr<Impl> impl, int local);
  std::unique_ptr<Impl> impl_;
  int local_ = -1;
};

}  // namespace hrx
