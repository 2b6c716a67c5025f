#pragma once
// The sharing server: a TCP listener on a thread of its own that lets other
// station programs work the radio through the rig-control text protocol.
// Sockets are non-blocking and waited on with epoll, so no client can hold
// up another, the composer or the window. A client that floods (a request
// line over kMaxLine), reads too slowly (its unsent answers over a bound) or
// stays silent too long is dropped. A client's transmitter is released when
// it goes, when the server stops, when the link to the radio is lost and
// when the client has said nothing for kKeyedSilenceMs. A transmit request
// goes to the radio after every set the client asked for before it (it
// does not wait for their confirmation), a run of them as the newest only,
// and nothing of a connection acts after its q or its close.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/MsgThread.h"
#include "share/ShareProtocol.h"

namespace hrx::share {

// An IPv4 network that may connect when the server listens beyond loopback.
struct Cidr {
  std::uint32_t network = 0;  // host order
  std::uint32_t mask = 0;
  bool contains(std::uint32_t addr) const { return (addr & mask) == network; }
};
// "192.168.1.0/24" or a single address; false when it is not one.
bool parseCidr(const std::string& text, Cidr* out);
// A comma-separated list of them; false on the first bad entry.
bool parseCidrList(const std::string& text, std::vector<Cidr>* out);
// Whether a peer may connect: any peer when the list is empty (the server
// then listens on loopback only), otherwise 127.0.0.1 and the list's networks.
bool peerAllowed(std::uint32_t hostOrder, const std::vector<Cidr>& allow);
// "ADDR:PORT", "ADDR" or ":PORT"; missing parts keep the defaults.
bool parseEndpoint(const std::string& text, std::string* address, int* port);

inline constexpr int kDefaultPort = 4532;
inline constexpr const char* kDefaultAddress = "127.0.0.1";

// A keyed client silent this long is released: the programs that key
// through the protocol poll at least every second while they transmit.
inline constexpr int kKeyedSilenceMs = 30000;

struct ShareConfig {
  std::string address = kDefaultAddress;
  int port = kDefaultPort;
  std::vector<Cidr> allow;          // needed for any address but loopback
  int maxClients = 16;
  int silenceLimitMs = 120000;      // a client that says nothing for this long goes
  std::size_t maxPending = 64 * 1024;  // unsent answer bytes before a client goes
  int tickMs = 250;                 // housekeeping while clients are connected
  int confirmMs = 1000;             // how long a set command waits for the radio's report
  int confirmPollMs = 2;            // how often it looks meanwhile
};

// What the server works with: the radio's state and the composer.
class ShareBackend {
 public:
  virtual ~ShareBackend() = default;
  virtual Snapshot snapshot() = 0;
  virtual void perform(const Action& action) = 0;
  // A line for the program's log (a client released, dropped).
  virtual void log(const std::string& line);
};

class ShareServer final : public MsgThread {
 public:
  explicit ShareServer(ShareBackend& backend, Clock& clock = SystemClock::instance());
  ~ShareServer() override;

  // Binds and listens, then starts the thread. False with a reason when the
  // address is refused or taken; nothing is left open then.
  bool startServer(const ShareConfig& config, std::string* error);
  // Releases every client's transmitter, closes all and ends the thread.
  void stopServer();
  bool listening() const { return running(); }
  // The port bound (useful with port 0).
  int boundPort() const { return boundPort_.load(); }

  int clientCount() const { return clients_.load(); }
  std::uint64_t rejectedCount() const { return rejected_.load(); }
  std::uint64_t droppedCount() const { return dropped_.load(); }
  std::uint64_t requestCount() const { return requests_.load(); }

 protected:
  void onMessage(const Msg&) override {}
  void onStop() override;
  int idleFd() override { return epollFd_; }
  void onReadable() override;

 private:
  struct Client;
  void accept();
  void readFrom(Client& c);
  void processLines(Client& c);
  bool unpark(Client& c, const Snapshot& s, std::int64_t now);
  // keysWait: a key waits too, behind another connection's set in steps.
  void actAhead(Client& c, bool keysWait = false);
  bool stepsUnderWay(const Client* except) const;
  // A transmit state the client asked for; handed on by flushPtt, so that
  // only the newest of a run reaches the radio.
  void askPtt(Client& c, int value);
  void flushPtt(Client& c);
  // The hold ends once the radio reports receive after a release.
  void watchHold(Client& c, const Snapshot& s, std::int64_t now);
  void releaseSilent(std::int64_t now);
  void writeTo(Client& c);
  void drop(Client& c);
  void tick();
  void checkLink(const Snapshot& snap);
  void armTimer();
  int wantedPeriodMs() const;
  void releasePtt(Client& c);
  bool peerGone(Client& c);
  void closeAll();

  ShareBackend& backend_;
  Clock& clock_;
  ShareConfig config_;
  int listenFd_ = -1;
  int epollFd_ = -1;
  int timerFd_ = -1;
  int timerPeriodMs_ = 0;  // 0: disarmed
  bool linkWasUp_ = true;
  std::vector<std::unique_ptr<Client>> clientList_;
  // Sets in steps whose clients went before the last step: the receiver
  // still goes back.
  struct Orphan {
    Session session;
    Await await;
    std::int64_t until = 0;
  };
  std::vector<Orphan> orphans_;
  void finishOrphans(const Snapshot& s, std::int64_t now);
  std::atomic<int> boundPort_{0};
  std::atomic<int> clients_{0};
  std::atomic<std::uint64_t> rejected_{0};
  std::atomic<std::uint64_t> dropped_{0};
  std::atomic<std::uint64_t> requests_{0};
};

}  // namespace hrx::share
