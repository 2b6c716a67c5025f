#pragma once
// ComPort: the one serial connection to the radio. Every operation works on a
// single port state; the threads share one object (ComPort::process(); tests
// make their own). Open and Close exclude each other and every I/O call; reads
// and writes hold the port only shared, so the receive thread's read and the
// send thread's write can be in flight at once on the same descriptor, and a
// descriptor is never closed under either of them.
//
// Port numbers COM1..COM20 name device paths: by default COMn is
// /dev/ttyUSB<n-1> (the radio's USB virtual COM port, or a USB serial
// adaptor). A port map file overrides single ports, one line each:
//     COM3=/dev/ttyS0
// ('#' starts a comment line); an explicit device path, when set, is used for
// every port number and wins over both.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>

#include "platform/SerialDevice.h"

namespace hrx {

class MainWindowPort;
class PanelMirror;

struct ComPortRow {
  char name[12];
  int number;
};

// The selectable ports, in list order, ended by a row whose number is 0.
inline constexpr ComPortRow kComPortTable[] = {
    {"COM1", 1},   {"COM2", 2},   {"COM3", 3},   {"COM4", 4},   {"COM5", 5},   {"COM6", 6},   {"COM7", 7},
    {"COM8", 8},   {"COM9", 9},   {"COM10", 10}, {"COM11", 11}, {"COM12", 12}, {"COM13", 13}, {"COM14", 14},
    {"COM15", 15}, {"COM16", 16}, {"COM17", 17}, {"COM18", 18}, {"COM19", 19}, {"COM20", 20}, {"", 0},
};
inline constexpr int kComPortCount = 20;

inline constexpr int kDefaultPortNumber = 1;
inline constexpr std::uint32_t kDefaultBaudRate = 4800;
inline constexpr std::uint32_t kBaudRates[] = {4800, 9600, 19200, 38400};

// A write may take this long plus this much per byte before it is given up.
inline constexpr int kWriteTotalConstantMs = 500;
inline constexpr int kWriteTotalMultiplierMs = 10;

// The notice the port asks for when it cannot be opened.
inline constexpr int kNoticePortFailure = 0;
// A network port's failures, each with its own notice.
inline constexpr int kNoticeNetHost = 4;
inline constexpr int kNoticeNetRefused = 5;
inline constexpr int kNoticeNetSilent = 6;
inline constexpr int kNoticeNetProtocol = 7;
// A tls:// far side refused before anything is sent: why.
inline constexpr int kNoticeTlsNoCa = 8;
inline constexpr int kNoticeTlsNotSigned = 9;
inline constexpr int kNoticeTlsWrongName = 10;
inline constexpr int kNoticeTlsExpired = 11;
inline constexpr int kNoticeTlsClientRefused = 12;
inline constexpr int kNoticeTlsClientFiles = 13;
inline constexpr int kNoticeTlsHandshake = 14;

// The port map's name in the CommoFiles folder (serial/CommSetting.h).
inline constexpr const char* kPortMapFile = "ComPortMap.txt";
// The map is a handful of short lines; a longer line is skipped, a larger
// file refused, before either is held in memory.
inline constexpr std::size_t kMaxPortMapLine = 4096;
inline constexpr std::size_t kMaxPortMapBytes = 64 * 1024;

// Device paths by port number (index 0 unused); empty: not mapped.
using PortMap = std::array<std::string, kComPortCount + 1>;
// The map file's text, "COMn=PATH" lines ('#' starts a comment): every line
// that names a port of the table and a path. Lines over kMaxPortMapLine are
// skipped. The caller bounds the text.
PortMap parsePortMap(std::string_view text);

class ComPort {
 public:
  // What Open needs from the rest of the program: where to post its notice,
  // the radio's last reported auto-information state, and the main window's
  // notice guard (set while a notice box is on screen). Any may be null.
  struct Links {
    MainWindowPort* mainWindow = nullptr;
    const PanelMirror* mirror = nullptr;
    const std::atomic<bool>* noticeGuard = nullptr;
  };

  struct ReadResult {
    long bytes = 0;     // bytes read; 0 when closed or nothing waited
    bool fault = false; // the device has gone
  };

  ComPort();
  ~ComPort();
  ComPort(const ComPort&) = delete;
  ComPort& operator=(const ComPort&) = delete;

  static ComPort& process();

  // Closed, COM1, 4800 bit/s. Leaves links, map and explicit path alone.
  void Init();
  void attach(const Links& links);

  // True when this call opened the port; it then has written an owed
  // release and "AI1;" or "AI0;". False at once when already open or while
  // the notice guard is set and no release is owed; false when the owed
  // release could not be written (it stays owed).
  bool Open();
  // False when the port was not open.
  bool Close();
  bool IsOpen() const { return open_.load(std::memory_order_acquire); }
  // The descriptor of the open port, -1 when closed. For diagnostics: I/O
  // goes through the calls below, which keep it from being closed meanwhile.
  int GetHandle() const;

  int GetPortNumber() const { return portNumber_.load(std::memory_order_relaxed); }
  bool SetPortNumber(int n);
  int GetBaudRate() const { return static_cast<int>(baudRate_.load(std::memory_order_relaxed)); }
  bool SetBaudRate(int b);

  // Whether row `index` of kComPortTable can be opened and shows no fault;
  // never touches the open port. A local device is tried at once. A network
  // port's connection is made off the caller's thread: the probe starts it
  // (a failure left from before forgotten) and says Pending until
  // probeOutcome tells; a connection made is left for this port's next Open
  // to take over.
  enum class Probe { Usable, Unusable, Pending };
  Probe ProbePort(int index) const;
  Probe probeOutcome(int index) const;
  // Gives up a probe still pending: no connection is left made for nobody.
  void cancelProbe(int index) const;

  // Device paths.
  void SetDevicePath(const std::string& path);
  std::string devicePath(int number) const;
  // Reads a port map file; false when it cannot be read or is larger than
  // kMaxPortMapBytes (the map then stays as it was). Lines that name no
  // port 1..20 are skipped.
  bool LoadPortMap(const std::string& file);
  void clearPortMap();

  // I/O for the receive and send threads. Each is refused (false, 0) while
  // the port is closed.
  bool lineStatus(LineStatus& out);
  ReadResult read(void* dest, std::size_t n);
  WriteOutcome write(const void* src, std::size_t n);
  bool setRts(bool on);

  // Closes that followed a line fault (the device reported gone), as a
  // count, so a watcher notices every one; and the path that was open then.
  std::uint64_t faultCloses() const { return faultCloses_.load(std::memory_order_acquire); }
  std::string lostPath() const;
  // While set, a failed Open asks for no notice: the program already knows
  // the device is gone and waits for it, and an open notice box would keep
  // the port from opening again when it returns. A fault close sets it when
  // the fault-close rule says so; a successful Open clears it.
  void setQuietOpen(bool quiet) { quietOpen_.store(quiet, std::memory_order_release); }
  bool quietOpen() const { return quietOpen_.load(std::memory_order_acquire); }
  // The transmitter's release owed to the radio. A close while keying was
  // asked for (noteKeying) or the transmit rule says the radio transmits
  // records one; the next open then writes "TX0;" (and "MX0;" when the MOX
  // key was on) before its AI command, tells the release listener, and the
  // debt is paid.
  bool releaseOwed() const { return releaseOwed_.load(std::memory_order_acquire); }
  bool moxReleaseOwed() const { return moxReleaseOwed_.load(std::memory_order_acquire); }
  void oweRelease(bool mox = false) {
    if (mox) moxReleaseOwed_.store(true, std::memory_order_release);
    releaseOwed_.store(true, std::memory_order_release);
  }
  // Keying of the transmitter, or (mox) by the MOX key, asked for (true) or
  // released on the line (false).
  // Sequentially consistent: the end reads these after setting its own
  // flag, which the noting thread reads after writing them.
  void noteKeying(bool asked, bool mox = false) { (mox ? moxAsked_ : keyingAsked_).store(asked); }
  bool keyingAsked() const { return keyingAsked_.load(); }
  bool moxAsked() const { return moxAsked_.load(); }
  // What the radio reports as sending; asked at every close, so it must
  // only read atomics.
  struct Transmitting {
    bool tx = false;
    bool mox = false;
  };
  void setTransmitRule(std::function<Transmitting()> rule);
  // Called (from the opening thread) after an open wrote an owed release
  // (true) or could not, and stayed closed (false).
  void setReleaseListener(std::function<void(bool written)> listener);

  // Counts successful opens; a reader that watches the descriptor notices a
  // re-open by it.
  std::uint64_t generation() const { return generation_.load(std::memory_order_acquire); }
  // Runs f(fd, generation) with the port held open, or returns false when it
  // is closed.
  template <typename F>
  bool withHandle(F&& f) {
    std::shared_lock lock(stateMu_);
    if (!open_.load(std::memory_order_relaxed) || fd_ < 0) return false;
    f(fd_, generation_.load(std::memory_order_relaxed));
    return true;
  }
  // Asked (on the closing thread, with the port held) at every fault close
  // whether the program will wait for the device; true makes failed opens
  // quiet. Must only read atomics.
  void setFaultCloseRule(std::function<bool()> rule);
  // Called (from the opening thread) after every successful Open.
  void setOpenListener(std::function<void()> listener);
  // A seam for simulated line conditions (holds, errors, a full queue): runs
  // on every status the threads read, after the device has reported.
  void setLineStatusHook(std::function<void(LineStatus&)> hook);

 private:
  void postPortFailure(int notice = kNoticePortFailure);

  mutable std::shared_mutex stateMu_;
  std::atomic<bool> open_{false};
  int fd_ = -1;
  termios lineSettings_{};
  LineErrorCounts errorCounts_{};
  std::mutex countsMu_;

  std::atomic<int> portNumber_{kDefaultPortNumber};
  std::atomic<std::uint32_t> baudRate_{kDefaultBaudRate};
  std::atomic<std::uint64_t> generation_{0};
  std::atomic<bool> faultSeen_{false};
  std::atomic<bool> quietOpen_{false};
  std::atomic<std::uint64_t> faultCloses_{0};
  std::string openPath_;   // guarded by stateMu_
  std::string lostPath_;   // guarded by configMu_

  mutable std::mutex configMu_;
  Links links_;
  std::string explicitPath_;
  std::string portMap_[kComPortCount + 1];

  std::mutex listenerMu_;
  std::function<void()> openListener_;
  std::function<bool()> faultCloseRule_;   // guarded by listenerMu_
  std::function<Transmitting()> transmitRule_;  // guarded by listenerMu_
  std::function<void(bool)> releaseListener_;  // guarded by listenerMu_
  std::atomic<bool> releaseOwed_{false};
  std::atomic<bool> moxReleaseOwed_{false};
  std::atomic<bool> keyingAsked_{false};
  std::atomic<bool> moxAsked_{false};
  std::mutex hookMu_;
  std::function<void(LineStatus&)> statusHook_;
};

}  // namespace hrx
