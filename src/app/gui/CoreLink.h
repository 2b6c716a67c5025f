#pragma once
// What the main window needs from the core: its start and shutdown, the
// ticks of the core's timers, operation requests and the stored state.
// StationLink is the real core; the GUI tests use a fake.
#include <cstdint>
#include <string>
#include <string_view>

#include "app/Station.h"

namespace hrx::gui {

class CoreLink {
 public:
  virtual ~CoreLink() = default;
  virtual bool start() = 0;
  virtual void shutdown() = 0;
  virtual bool onTimer(std::uint32_t id) = 0;
  virtual bool request(int op, bool subSide, std::int32_t value) = 0;
  virtual const RadioState& state() const = 0;
  // The flags the worker threads set for the window (busy, busy shown).
  virtual WindowFlags& windowFlags() = 0;
  // Closes the serial port; the next command sent opens it again.
  virtual void closePort() = 0;
  // For the display handlers that copy reply values (mode copies, key-mode
  // words); null without a core.
  virtual RadioState* writableState() { return nullptr; }
  virtual PanelMirror* mirror() { return nullptr; }
  // A control message straight to the composer; false without a core.
  virtual bool postComposer(MsgId, WParam = 0, LParam = 0) { return false; }
  // A raw command (or several) queued for the radio as it stands.
  virtual bool sendText(std::string_view) { return false; }
  // The port is open and the line shows no fault.
  virtual bool lineHealthy() { return false; }
  // The real core, for the port windows; null for a stand-in.
  virtual Station* stationOrNull() { return nullptr; }
  // One command (with its ';') into the send ring, for the windows that
  // write their own; the caller kicks the composer. False when refused.
  virtual bool writeCommand(std::string_view) { return false; }
  // The sharing server; a core without one refuses.
  virtual bool startShare(std::string* error) {
    if (error != nullptr) *error = "this core cannot share the radio";
    return false;
  }
  virtual void stopShare() {}
  virtual bool sharing() const { return false; }
  // Whether the command line asked for sharing, and the folder that holds
  // CommoFiles (empty: the working directory).
  virtual bool shareRequested() const { return false; }
  virtual std::string settingsDir() const { return {}; }
};

class StationLink final : public CoreLink {
 public:
  StationLink(MainWindowPort& window, StationOptions options) : station_(window), options_(std::move(options)) {}
  bool start() override { return station_.start(options_); }
  void shutdown() override { station_.shutdown(); }
  bool onTimer(std::uint32_t id) override { return station_.onTimer(id); }
  bool request(int op, bool subSide, std::int32_t value) override { return station_.request(op, subSide, value); }
  const RadioState& state() const override { return station_.state; }
  WindowFlags& windowFlags() override { return station_.flags; }
  void closePort() override { station_.port.Close(); }
  RadioState* writableState() override { return &station_.state; }
  PanelMirror* mirror() override { return &station_.mirror; }
  bool postComposer(MsgId id, WParam w = 0, LParam l = 0) override { return station_.postComposer(id, w, l); }
  bool sendText(std::string_view command) override { return station_.sendText(command); }
  bool lineHealthy() override { return station_.lineHealthy(); }
  bool writeCommand(std::string_view command) override {
    return command.size() <= static_cast<std::size_t>(Sio_RingBuff::kMaxRecord) &&
           station_.sendRing.Sio_RingBuff_Write(static_cast<std::int16_t>(command.size()), command.data()) > 0;
  }
  bool startShare(std::string* error) override { return station_.startShare(options_.share, error); }
  void stopShare() override { station_.stopShare(); }
  bool sharing() const override { return station_.sharing(); }
  bool shareRequested() const override { return options_.shareRequested; }
  std::string settingsDir() const override { return options_.settingsDir; }
  Station& station() { return station_; }
  Station* stationOrNull() override { return &station_; }

 private:
  Station station_;
  StationOptions options_;
};

}  // namespace hrx::gui
