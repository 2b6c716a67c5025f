#pragma once
// The equaliser editor without its window: the nine values and their
// baseline, online (each change written to the radio and read back) or
// offline (a local copy), polling, the arrow steps, CANCEL, APPLI, the files
// and the auto-information check. Runs on the window's thread; the window
// supplies the host.
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "equaliser/EqValues.h"
#include "state/MenuListItem.h"

namespace hrx::eq {

class EditorHost {
 public:
  virtual ~EditorHost() = default;
  // The first catalogue record of `type`; false when there is none.
  virtual bool menuItemByType(int type, MenuListItem* out) = 0;
  virtual int aiStat() = 0;
  // One command into the send ring, followed by the composer's kick.
  virtual void writeCommand(std::string_view command) = 0;
  // The window's timers; a running timer started again restarts.
  virtual void startTimer(std::uint32_t id, int periodMs) = 0;
  virtual void killTimer(std::uint32_t id) = 0;
  // The value fields of band `band` (0-based) show the editor's values.
  virtual void showBand(int band) = 0;
  // The graph is to be drawn again (the window defers it on timer 27).
  virtual void redrawGraph() = 0;
  virtual void closeWindow() = 0;
};

class PrmtrcEditor {
 public:
  PrmtrcEditor(EditorHost& host, int variant);

  // Reads the catalogue and AI_Stat; starts polling when online.
  void open();
  // 0x85DA: an arrow button or CANCEL / APPLI / EXIT pressed or released.
  // FILE LOAD and FILE SAVE need a path: the window asks for one and calls
  // saveTo / loadFrom.
  void onButton(int code, bool pressed);
  void onTimer(std::uint32_t id);
  // 0x830B, 0x834F: the radio reported a menu setting.
  void onMenuReport();
  // 0x833A: the radio reported its auto-information state.
  void onAiReport();
  // The radio's menu read-out has ended (the catalogue is the radio's).
  void onReadOutEnded();
  bool awaitingReadOut() const { return awaitingReadOut_; }
  // The window goes: writes still waiting go out now.
  void close();

  // Whether the file buttons act now (no baseline capture outstanding).
  bool filesAllowed() const { return capture_ == 0; }
  // FILE SAVE / FILE LOAD with the chosen path. A load that fails any check
  // changes nothing (the window then shows string 104).
  enum class FileResult { Done, Failed, Ignored };
  FileResult saveTo(const std::string& path);
  FileResult loadFrom(const std::string& path);

  int variant() const { return variant_; }
  int value(int p) const { return cur_[static_cast<std::size_t>(p)]; }
  int baseline(int p) const { return base_[static_cast<std::size_t>(p)]; }
  const EqValues& values() const { return cur_; }
  const EqValues& baselineValues() const { return base_; }
  const EqLimits& limits() const { return limits_; }
  // The menu number of parameter p's item (0: none).
  int menuNumber(int p) const { return item_[static_cast<std::size_t>(p)]; }
  bool online() const { return online_; }
  int capture() const { return capture_; }
  int poll() const { return poll_; }
  int lastBand() const { return lastBand_; }   // 1..3, 0 before any change
  bool cancelBusy() const { return cancelBusy_; }
  int heldCode() const { return held_; }
  std::size_t pendingWrites() const { return pending_.size(); }

  // The value field's text of parameter p: "OFF" / "%d Hz", "%d dB", "%d".
  std::string valueText(int p) const;

 private:
  struct Write {
    int param;
    int value;
  };
  bool refresh();
  void step(int code);
  void write(int p, int v);
  void readBack(int p);
  void startPolling();
  void stopPolling();
  // The CANCEL routine: every value that differs from the baseline goes
  // back to it. Online, `capture` says whether each write is a baseline
  // capture to wait for; the writes are paced by timer steps.
  bool revertToBaseline(bool capture);
  void writeNextPending();
  void pollTick();
  void settleTick();
  void showAll();

  EditorHost& host_;
  int variant_;
  EqValues cur_{};
  EqValues base_{};
  std::array<int, kParams> item_{};
  EqLimits limits_;
  bool online_ = false;
  int capture_ = 0;
  int poll_ = 0;
  int lastBand_ = 0;
  bool cancelBusy_ = false;
  bool settleAfterWrites_ = false;
  bool awaitingReadOut_ = false;   // online again, baseline not yet taken
  int held_ = 0;   // the arrow held down (its code), 0 for none
  std::deque<Write> pending_;
};

}  // namespace hrx::eq
