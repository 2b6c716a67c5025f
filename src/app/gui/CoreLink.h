#pragma once
// What the main window needs from the core: its start and shutdown, the
// ticks of the core's timers, operation requests and the stored state.
// StationLink is the real core; the GUI tests use a fake.
#include <cstdint>
#include <string>

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
  bool startShare(std::string* error) override { return station_.startShare(options_.share, error); }
  void stopShare() override { station_.stopShare(); }
  bool sharing() const override { return station_.sharing(); }
  bool shareRequested() const override { return options_.shareRequested; }
  std::string settingsDir() const override { return options_.settingsDir; }
  Station& station() { return station_; }

 private:
  Station station_;
  StationOptions options_;
};

}  // namespace hrx::gui
