#pragma once
// The main window's timers by id, and the resting of its polled display
// timers. Owns the QTimers (children of the window); made and used by the
// main window on the GUI thread, except stateChanged(), which any thread
// that changed the state may call.
#include <QObject>
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>

class QTimer;

namespace hrx::render {
class PanelRenderer;
}

namespace hrx::gui {

class WindowTimers {
 public:
  // `dispatch` runs a tick's rows; `changes` counts the stored state's
  // changes so far (0 without a core).
  WindowTimers(QObject& owner, const render::PanelRenderer& renderer, std::function<void(std::uint32_t)> dispatch,
               std::function<std::uint64_t()> changes);
  // (Re)starts timer `id`; nothing starts once stopAll() has run.
  void start(std::uint32_t id, std::uint32_t periodMs);
  void kill(std::uint32_t id);
  // 0 when the timer does not run.
  std::uint32_t period(std::uint32_t id) const;
  // The display timers may rest from now on (the window has started).
  void displayTimersOn() { displayTimersOn_ = true; }
  void stopAll();
  void tick(std::uint32_t id);
  void wakeDisplayTimers();
  void keepTicking() { tickBusy_ = true; }
  // The surface changed a rectangle: what a tick or a message drew.
  void damaged() { ++damages_; }
  std::uint64_t damages() const { return damages_; }
  void stateChanged();

 private:
  QObject& owner_;
  const render::PanelRenderer& renderer_;
  std::function<void(std::uint32_t)> dispatch_;
  std::function<std::uint64_t()> changes_;
  std::map<std::uint32_t, QTimer*> timers_;
  bool stopped_ = false;
  bool displayTimersOn_ = false;
  bool tickBusy_ = false;
  std::uint64_t damages_ = 0;   // changed rectangles of the surface so far
  std::array<int, 5> idleTicks_{};
  std::atomic<bool> resting_{false};   // a display timer is stopped
};

}  // namespace hrx::gui
