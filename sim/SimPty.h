#pragma once
// SimPty: puts a SimRadio behind a pseudo-terminal, so that the program (or
// a test) opens the slave side as if it were the radio's serial port.
//
// open() creates the pair (raw mode, no echo) and keeps one slave descriptor
// of its own, so the master never sees a hang-up while no client has the
// port open and the thread never spins on it. start() runs a thread that
// waits on poll() for bytes from the client or for output the radio made by
// itself, feeds the radio and writes its output; split replies (the radio's
// chunk fault) go out as separate writes with a short gap between them.
// drop() closes the master: the device is gone and the client's reads fail.
//
// The line may be paced like a real one in both directions: the radio takes
// the client's bytes one at a time, each a character time after the last,
// so what the client wrote waits in the pseudo-terminal as it would in a
// serial driver; a reply reaches the client when its last byte would have.
//
// Members are called from one controlling thread; the radio may be used
// from any thread meanwhile (it locks itself).
#include <atomic>
#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <thread>

#include "Recording.h"
#include "SimRadio.h"

namespace hrx::sim {

class SimPty {
 public:
  explicit SimPty(SimRadio& radio);
  ~SimPty();
  SimPty(const SimPty&) = delete;
  SimPty& operator=(const SimPty&) = delete;

  // Creates the pseudo-terminal; false (with a reason) when it cannot.
  bool open(std::string* error = nullptr);
  const std::string& slavePath() const { return slavePath_; }
  // A symbolic link to the slave. An existing symbolic link at `path` is
  // replaced; any other file there is left alone and the call fails. The
  // link is removed again when the SimPty goes away.
  bool link(const std::string& path, std::string* error = nullptr);

  bool start();
  // Ends the thread; the pseudo-terminal stays open.
  void stop();
  // The device vanishes: the thread ends and the master is closed.
  void drop();
  bool dropped() const { return dropped_.load(std::memory_order_acquire); }
  bool running() const { return thread_.joinable(); }

  // Line speed to imitate, in bit/s, 11 bits a byte (8 data, start, two
  // stop bits): kInstantLine reads and sends at once; kPortsOwnSpeed paces
  // at the speed the client set on the line (instant when it set none the
  // simulator knows).
  static constexpr int kInstantLine = 0;
  static constexpr int kPortsOwnSpeed = -1;
  void setBaud(int baud) { baud_ = baud < 0 ? kPortsOwnSpeed : baud; }
  // The speed in force now, in bit/s; 0 for an instant line.
  int lineBaud() const;

  // Drops what the radio said that no client has read: on a real line it
  // is lost while no program has the port open, here it would wait.
  void discardUnread();

  // The radio hears only a line set to its CAT RATE menu item: with the
  // check on, bytes that arrive while the terminal's speed (as the client
  // set it) differs are noise to it and lost.
  void setSpeedCheck(bool on) { speedCheck_ = on; }

  // Every read and write on the line, and the drop, go to `recorder`
  // (may be null); set before start().
  void setRecorder(Recorder* recorder) { recorder_ = recorder; }

  // Gap between the writes of one split reply.
  void setChunkGap(std::chrono::milliseconds gap) { chunkGapMs_ = static_cast<int>(gap.count()); }

 private:
  using Clock = std::chrono::steady_clock;
  struct TxChunk {
    std::string bytes;
    bool gapAfter = false;   // another piece of the same reply follows
    bool timed = false;
    Clock::time_point at{};  // when its last byte has crossed the line
  };
  void run();
  // Feeds the radio the client's bytes that have crossed the line by `now`.
  void receive(Clock::time_point now, bool readable);
  bool flush(Clock::time_point now);
  bool writeAll(const std::string& bytes);
  bool waitWake(int timeoutMs);   // true when woken to stop or drop
  void wake();
  void drainToClient();
  void closeMaster();
  bool speedMatches() const;

  static constexpr int kTickMs = 100;

  SimRadio& radio_;
  Recorder* recorder_ = nullptr;
  int master_ = -1;
  int slaveHold_ = -1;
  int wakeFd_ = -1;
  // Owns the wake descriptor; the radio's listener holds a share, so a
  // listener call racing with this object's end never writes to a closed
  // or reused descriptor.
  struct WakeFd {
    explicit WakeFd(int f) : fd(f) {}
    WakeFd(const WakeFd&) = delete;
    WakeFd& operator=(const WakeFd&) = delete;
    ~WakeFd();
    int fd;
  };
  std::shared_ptr<WakeFd> wakeOwner_;
  std::string slavePath_;
  std::string link_;
  std::thread thread_;
  std::atomic<bool> stopRequested_{false};
  std::atomic<bool> dropRequested_{false};
  std::atomic<bool> dropped_{false};
  std::atomic<int> chunkGapMs_{2};
  std::atomic<int> baud_{kInstantLine};
  // The paced line, thread only: the byte read but not yet arrived, and
  // the replies still crossing.
  bool rxHeld_ = false;
  char rxByte_ = 0;
  Clock::time_point rxDue_{};
  Clock::time_point rxFreeAt_{};
  std::deque<TxChunk> tx_;
  Clock::time_point txFreeAt_{};
  std::atomic<bool> speedCheck_{false};
};

}  // namespace hrx::sim
