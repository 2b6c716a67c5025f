// The main window's timers, and the polled display timers that rest while they find nothing to draw.
#include "app/gui/WindowTimers.h"

#include <QTimer>
#include <utility>

#include "app/gui/MainWindowServices.h"
#include "render/PanelRenderer.h"

namespace hrx::gui {

namespace {

// The polled display timers, each with its period.
constexpr std::array<std::pair<std::uint32_t, std::uint32_t>, 5> kDisplayTimers = {
    {{kTimerMainFreq, 30}, {kTimerVfoB, 30}, {kTimerPassBandMain, 30}, {kTimerPassBandSub, 30}, {kTimerBlink, 100}}};
// Ticks in a row that draw nothing before a display timer rests.
constexpr int kIdleTicksBeforeRest = 2;

int displayTimerSlot(std::uint32_t id) {
  for (std::size_t i = 0; i < kDisplayTimers.size(); ++i)
    if (kDisplayTimers[i].first == id) return static_cast<int>(i);
  return -1;
}

}  // namespace

WindowTimers::WindowTimers(QObject& owner, const render::PanelRenderer& renderer,
                           std::function<void(std::uint32_t)> dispatch, std::function<std::uint64_t()> changes)
    : owner_(owner), renderer_(renderer), dispatch_(std::move(dispatch)), changes_(std::move(changes)) {}

void WindowTimers::start(std::uint32_t id, std::uint32_t periodMs) {
  if (stopped_) return;
  QTimer*& t = timers_[id];
  if (t == nullptr) {
    // A QTimer never has more than one tick pending, so ticks cannot pile up.
    t = new QTimer(&owner_);
    t->setTimerType(Qt::PreciseTimer);
    QObject::connect(t, &QTimer::timeout, &owner_, [this, id] { tick(id); });
  }
  t->start(static_cast<int>(periodMs));
}

void WindowTimers::kill(std::uint32_t id) {
  auto it = timers_.find(id);
  if (it != timers_.end()) it->second->stop();
}

std::uint32_t WindowTimers::period(std::uint32_t id) const {
  auto it = timers_.find(id);
  if (it == timers_.end() || !it->second->isActive()) return 0;
  return static_cast<std::uint32_t>(it->second->interval());
}

void WindowTimers::stopAll() {
  stopped_ = true;
  displayTimersOn_ = false;
  for (auto& [id, t] : timers_) t->stop();
}

void WindowTimers::tick(std::uint32_t id) {
  const int slot = displayTimerSlot(id);
  if (slot < 0 || !displayTimersOn_) {
    dispatch_(id);
    return;
  }
  const std::uint64_t damages = damages_;
  const std::uint64_t changes = changes_();
  tickBusy_ = false;
  dispatch_(id);
  int& idle = idleTicks_[static_cast<std::size_t>(slot)];
  if (damages_ != damages || tickBusy_ || renderer_.countdownRunning()) {
    idle = 0;
    return;
  }
  if (++idle < kIdleTicksBeforeRest) return;
  kill(id);
  resting_ = true;
  // A change made during the tick found the timer still running and woke
  // nothing: it is this tick's to catch.
  if (changes_() != changes) wakeDisplayTimers();
}

void WindowTimers::wakeDisplayTimers() {
  if (!displayTimersOn_ || stopped_) return;
  resting_ = false;
  for (std::size_t i = 0; i < kDisplayTimers.size(); ++i) {
    idleTicks_[i] = 0;
    // A running timer keeps its phase: restarting it on every wake would
    // hold its tick off for as long as wakes come faster than it.
    const auto [id, period] = kDisplayTimers[i];
    if (this->period(id) == 0) start(id, period);
  }
}

void WindowTimers::stateChanged() {
  if (resting_.exchange(false))
    QMetaObject::invokeMethod(&owner_, [this] { wakeDisplayTimers(); }, Qt::QueuedConnection);
}

}  // namespace hrx::gui
