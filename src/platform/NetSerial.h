#pragma once
// A serial line on another machine, reached over TCP: "tcp://HOST:PORT"
// (raw bytes, ser2net's raw mode), "rfc2217://HOST:PORT" (telnet with the
// COM-port option, ser2net's telnet mode, so that speed, data bits, parity
// and stop bits are set on the far side) or "tls://HOST:PORT" (raw bytes
// inside TLS, ser2net's ssl accepter, the far side's certificate checked
// before the port may send anything: TlsLink). SerialDevice hands every call on a
// descriptor of such a connection to this layer, so the port above sees the
// same interface as for a local device: non-blocking reads on a descriptor
// it can wait on, bounded writes, and a dropped connection as the fault a
// vanished USB device gives.
//
// Connecting never blocks the caller: the first open of a name starts the
// connection on a worker thread and fails with EINPROGRESS; an open once it
// is made takes it over. A failed attempt is reported by the next open
// (EADDRNOTAVAIL: the name did not resolve, ECONNREFUSED, ETIMEDOUT: no
// answer, EPROTO: the far side does not speak RFC 2217, EACCES: a tls:// far
// side refused, lastRefusal() says why), which then starts afresh on the one
// after.
//
// What has no meaning over the network: with raw TCP there are no modem
// lines, so RTS cannot be set (reported as on a pseudo-terminal: false, no
// fault) and no line errors are seen; the queue counts are the socket's
// (bytes received and not read, bytes sent and not yet acknowledged). With
// RFC 2217, RTS is sent as SET-CONTROL and the line state the far side
// notifies comes back as line errors.
#include <termios.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/TlsLink.h"

namespace hrx {

struct LineErrorCounts;
struct LineStatus;
enum class WriteOutcome;

struct NetEndpoint {
  bool telnet = false;  // rfc2217://
  bool tls = false;     // tls://
  std::string host;
  std::string port;
};

struct NetSerial {
  // Whether `path` names a network port at all (by its scheme).
  static bool isNetworkPath(const char* path);
  // Splits a network name; false when it is malformed (no host, a port not
  // in 1..65535, anything after the port).
  static bool parse(const std::string& path, NetEndpoint& out);
  // Whether `fd` is a connection made here.
  static bool owns(int fd);

  static int open(const char* path);
  // What the connection attempt for `path` has come to, without taking it
  // over or reporting it: None when there is none (or it has been taken).
  enum class Attempt { None, Connecting, Ready, Failed };
  static Attempt attempt(const char* path);
  // Gives up the attempt for `path`, so that no connection is left made and
  // never taken: one made is closed now, one being made when it is made, and
  // a failure is forgotten. A connection already taken over is left alone.
  static void cancel(const char* path);
  static bool configure(int fd, std::uint32_t baud, termios* saved);
  static void restoreAndClose(int fd);
  static bool setRts(int fd, bool on);
  static void readStatus(int fd, LineStatus& out);
  static long readSome(int fd, void* dest, std::size_t n, bool* fault);
  static bool writeOnce(int fd, const void* src, std::size_t n);
  static WriteOutcome writeBounded(int fd, const void* src, std::size_t n, int timeoutMs);

  // Limits of one connection attempt: the TCP connect, then (RFC 2217) the
  // far side's agreement to the COM-port option.
  static void setTimeouts(int connectMs, int negotiateMs);
  // The folder holding ca.pem (and perhaps client.pem, client.key) for
  // tls:// ports; attempts started after the call use it.
  static void setTlsFolder(const std::string& folder);
  // Why the last open on this thread that failed with EACCES was refused.
  static TlsRefusal lastRefusal();
  // The far side's view of the line as it last reported it (RFC 2217); false
  // when `fd` is not such a connection.
  struct FarSide {
    std::uint32_t baud = 0;
    std::uint8_t dataSize = 0, parity = 0, stopSize = 0;
  };
  static bool farSide(int fd, FarSide& out);
};

}  // namespace hrx
