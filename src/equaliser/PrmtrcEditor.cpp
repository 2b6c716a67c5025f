#include "equaliser/PrmtrcEditor.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "equaliser/PefFile.h"
#include "menulist/MenuCatalogue.h"

namespace hrx::eq {

PrmtrcEditor::PrmtrcEditor(EditorHost& host, int variant)
    : host_(host), variant_(variant == 1 ? 1 : 0), limits_(windowLimits()) {}

void PrmtrcEditor::open() {
  const Variant& var = kVariants[variant_];
  limits_ = windowLimits();
  for (int p = 0; p < kParams; ++p) {
    MenuListItem item;
    if (!host_.menuItemByType(var.types[p], &item)) continue;
    item_[static_cast<std::size_t>(p)] = item.no;
    // A level the radio's item does not accept would be refused ("?;") and
    // could not be applied from a file either.
    if (paramKind(p) == Kind::Level && (item.min != 0 || item.max != 0))
      limits_ = withLevelRange(limits_, paramBand(p), IntOf(item.min), IntOf(item.max));
  }
  online_ = host_.aiStat() == 1;
  capture_ = 1;
  poll_ = 0;
  refresh();
  showAll();
  host_.redrawGraph();
  if (online_) startPolling();
}

bool PrmtrcEditor::refresh() {
  const Variant& var = kVariants[variant_];
  bool changed = false;
  for (int p = 0; p < kParams; ++p) {
    MenuListItem item;
    if (!host_.menuItemByType(var.types[p], &item)) continue;
    const int v = IntOf(item.value);
    int& mine = cur_[static_cast<std::size_t>(p)];
    if (v != mine) {
      mine = v;
      changed = true;
    }
  }
  if (capture_ > 0) {
    base_ = cur_;
    --capture_;
  }
  if (changed && capture_ == 0) {
    showAll();
    host_.redrawGraph();
  }
  return changed;
}

void PrmtrcEditor::showAll() {
  for (int b = 0; b < kBands; ++b) host_.showBand(b);
}

std::string PrmtrcEditor::valueText(int p) const {
  const int v = value(p);
  char text[24];
  switch (paramKind(p)) {
    case Kind::Freq: {
      const int hz = bandHz(paramBand(p), v);
      if (v == 0) return "OFF";
      if (hz < 0) return "?";
      std::snprintf(text, sizeof text, "%d Hz", hz);
      break;
    }
    case Kind::Level:
      std::snprintf(text, sizeof text, "%d dB", v);
      break;
    case Kind::Width:
      std::snprintf(text, sizeof text, "%d", v);
      break;
  }
  return text;
}

void PrmtrcEditor::write(int p, int v) {
  if (!online_) return;
  const int n = menuNumber(p);
  if (n <= 0) return;
  char cmd[24];
  if (paramKind(p) == Kind::Level)
    std::snprintf(cmd, sizeof cmd, "EX%03d%c%02d;", n, v >= 0 ? '+' : '-', std::min(std::abs(v), 99));
  else
    std::snprintf(cmd, sizeof cmd, "EX%03d%02d;", n, std::clamp(v, 0, 99));
  host_.writeCommand(cmd);
  readBack(p);
}

void PrmtrcEditor::readBack(int p) {
  const int n = menuNumber(p);
  if (n <= 0) return;
  char cmd[16];
  std::snprintf(cmd, sizeof cmd, "EX%03d;", n);
  host_.writeCommand(cmd);
}

void PrmtrcEditor::startPolling() {
  if (online_ && held_ == 0) host_.startTimer(kTimerPoll, kPollMs);
}

void PrmtrcEditor::stopPolling() { host_.killTimer(kTimerPoll); }

void PrmtrcEditor::pollTick() {
  if (!online_ || held_ != 0) {
    stopPolling();
    return;
  }
  if (poll_ >= kParams) poll_ = 0;
  readBack(poll_);
  // The pause after the read is the timer's period, not a wait.
  ++poll_;
}

void PrmtrcEditor::step(int code) {
  const Arrow* a = arrowOf(code);
  if (a == nullptr || capture_ != 0) return;
  const int p = a->param;
  const Range& r = limits_[p];
  const int now = value(p);
  // A value the radio reported outside the limits comes back inside.
  const int next = std::clamp(now + a->delta, r.min, r.max);
  if (next == now) return;
  const int band = paramBand(p);
  lastBand_ = band + 1;
  if (online_) {
    // The field follows the radio's reply, not this write.
    write(p, next);
    return;
  }
  cur_[static_cast<std::size_t>(p)] = next;
  host_.showBand(band);
  host_.redrawGraph();
}

bool PrmtrcEditor::revertToBaseline(bool capture) {
  bool changed = false;
  pending_.clear();
  for (int p = 0; p < kParams; ++p) {
    const std::size_t i = static_cast<std::size_t>(p);
    if (cur_[i] == base_[i]) continue;
    if (!online_) {
      cur_[i] = base_[i];
      changed = true;
    } else {
      pending_.push_back({p, base_[i]});
      if (capture) ++capture_;
    }
  }
  if (changed) {
    showAll();
    host_.redrawGraph();
  }
  if (!pending_.empty()) host_.startTimer(kTimerWriteGap, kWriteGapMs);
  return changed;
}

void PrmtrcEditor::writeNextPending() {
  if (!pending_.empty()) {
    const Write w = pending_.front();
    pending_.pop_front();
    write(w.param, w.value);
  }
  if (!pending_.empty()) return;
  host_.killTimer(kTimerWriteGap);
  if (settleAfterWrites_) {
    settleAfterWrites_ = false;
    host_.startTimer(kTimerSettle, kSettleMs);
  }
}

void PrmtrcEditor::settleTick() {
  host_.killTimer(kTimerSettle);
  if (online_) {
    // The radio's values, as they settled, are the new baseline.
    capture_ = 1;
    refresh();
  }
  startPolling();
  cancelBusy_ = false;
}

void PrmtrcEditor::onButton(int code, bool pressed) {
  if (arrowOf(code) != nullptr) {
    if (pressed) {
      held_ = code;
      stopPolling();
      step(code);
      host_.startTimer(kTimerRepeat, kRepeatMs);
    } else {
      host_.killTimer(kTimerRepeat);
      held_ = 0;
      startPolling();
    }
    return;
  }
  if (pressed) return;   // the other buttons act on release
  switch (code) {
    case kCodeCancel:
      if (cancelBusy_ || awaitingReadOut_) return;
      revertToBaseline(true);
      cancelBusy_ = true;
      if (pending_.empty()) host_.startTimer(kTimerSettle, kSettleMs);
      else settleAfterWrites_ = true;
      return;
    case kCodeAppli:
      if (capture_ != 0) return;
      base_ = cur_;
      startPolling();
      return;
    case kCodeExit:
      host_.closeWindow();
      return;
    default:
      return;
  }
}

void PrmtrcEditor::onTimer(std::uint32_t id) {
  switch (id) {
    case kTimerPoll:
      pollTick();
      return;
    case kTimerRepeat:
      if (held_ != 0) step(held_);
      else host_.killTimer(kTimerRepeat);
      return;
    case kTimerSettle:
      settleTick();
      return;
    case kTimerWriteGap:
      writeNextPending();
      return;
    default:
      return;
  }
}

void PrmtrcEditor::onMenuReport() {
  // During the read-out the catalogue is only partly the radio's.
  if (online_ && !awaitingReadOut_) refresh();
}

void PrmtrcEditor::onAiReport() {
  const int ai = host_.aiStat();
  if (ai == 0 && online_) {
    capture_ = 0;
    awaitingReadOut_ = false;
    stopPolling();
    online_ = false;
    // Writes for a link that is gone are dropped; a CANCEL still settles.
    pending_.clear();
    host_.killTimer(kTimerWriteGap);
    if (settleAfterWrites_) {
      settleAfterWrites_ = false;
      host_.startTimer(kTimerSettle, kSettleMs);
    }
  } else if (ai == 1 && !online_) {
    // The link is on again: the editor follows the radio from now on. The
    // connection switch is a toggle, so posting it here would turn the link
    // off ("AI0;"); it is not posted. The catalogue still holds old or
    // built-in values until the radio's menu read-out has run, so the
    // baseline is taken at its end; steps, files and CANCEL wait for it.
    online_ = true;
    capture_ = 1;
    poll_ = 0;
    awaitingReadOut_ = true;
    stopPolling();
  }
}

void PrmtrcEditor::onReadOutEnded() {
  if (!awaitingReadOut_) return;
  awaitingReadOut_ = false;
  if (!online_) return;
  capture_ = 1;
  refresh();
  showAll();
  host_.redrawGraph();
  startPolling();
}

void PrmtrcEditor::close() {
  // The operator's CANCEL or FILE LOAD completes before the window goes.
  while (!pending_.empty()) {
    const Write w = pending_.front();
    pending_.pop_front();
    write(w.param, w.value);
  }
  settleAfterWrites_ = false;
  for (std::uint32_t id : {kTimerPaint, kTimerPoll, kTimerRepeat, kTimerSettle, kTimerWriteGap}) host_.killTimer(id);
  held_ = 0;
}

PrmtrcEditor::FileResult PrmtrcEditor::saveTo(const std::string& path) {
  if (capture_ != 0) return FileResult::Ignored;
  return writePefFile(path, cur_) ? FileResult::Done : FileResult::Failed;
}

PrmtrcEditor::FileResult PrmtrcEditor::loadFrom(const std::string& path) {
  if (capture_ != 0) return FileResult::Ignored;
  EqValues loaded{};
  if (!readPefFile(path, limits_, &loaded)) return FileResult::Failed;
  base_ = loaded;
  // The loaded values stay the baseline: the radio's replies while it
  // takes them are not captured over them.
  revertToBaseline(false);
  return FileResult::Done;
}

}  // namespace hrx::eq
