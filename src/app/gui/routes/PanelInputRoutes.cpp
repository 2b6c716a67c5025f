// The panel's windows over the main window: the selection pop-ups and the
// VFO SET window, and the message that brings the entry's result back.
#include <QDialog>
#include <QLineEdit>
#include <QMenu>

#include "app/gui/QtMainWindow.h"
#include "app/gui/windows/MenuListWindow.h"
#include "app/gui/windows/OptionWindows.h"
#include "app/gui/windows/VfoSetWindow.h"
#include "panel/KnobPointer.h"
#include "panel/SoftKeyLongPush.h"
#include "state/MenuListItem.h"

namespace hrx::gui {

QMenu* QtMainWindow::popupMenu() const { return popup_.data(); }
VfoSetWindow* QtMainWindow::vfoSetWindow() const { return vfoSet_.data(); }
const PanelMirror* QtMainWindow::mirror() { return core_ != nullptr ? core_->mirror() : nullptr; }

void QtMainWindow::showPopup(const panel::PopupMenu& menu) {
  if (popup_) popup_->deleteLater();
  auto* m = new QMenu(this);
  m->setAttribute(Qt::WA_DeleteOnClose);
  for (const panel::PopupItem* it = menu.items; it->value != 0; ++it) {
    QAction* a = m->addAction(QString::fromUtf8(it->text));
    a->setData(it->value);
  }
  // The menu closes before it reports the item, so the result is handed
  // over once both have happened.
  auto chosen = std::make_shared<std::int32_t>(0);
  connect(m, &QMenu::triggered, this, [chosen](QAction* a) { *chosen = a->data().toInt(); });
  connect(m, &QMenu::aboutToHide, this, [this, chosen] {
    QMetaObject::invokeMethod(this, [this, chosen] { panel_.Ctrl_OnPopupClosed(*chosen); }, Qt::QueuedConnection);
  });
  popup_ = m;
  panelWidget_->forgetButtons();
  m->popup(panelWidget_->mapToGlobal(QPoint(menu.x, menu.y)));
}

void QtMainWindow::openEntryWindow() {
  if (vfoSet_) return;
  auto* dlg = new VfoSetWindow(*this, this);
  vfoSet_ = dlg;
  dlg->show();
  dlg->raise();
  dlg->activateWindow();
}

void QtMainWindow::entryDigit(int digit) {
  if (vfoSet_) vfoSet_->appendDigit(digit);
}

// MENU while VFO SET is open: the MENU key's own way (the busy window
// while a read-out runs, then the list).
void QtMainWindow::menuAction() { sendMessage(panel::kMsgMenuAction, 0, 0); }

void QtMainWindow::focusBusyWindow() {
  if (vfoSet_) {
    vfoSet_->activateWindow();
    vfoSet_->edit()->setFocus();
    return;
  }
  if (popup_) {
    popup_->activateWindow();
    return;
  }
  auto raise = [](QWidget* open) {
    if (open == nullptr || !open->isVisible()) return false;
    // A dialog modal over the window (the list's chooser, a notice) holds
    // its keyboard: that one is given it, the deepest when they nest.
    for (QDialog* d : open->findChildren<QDialog*>())
      if (d->isVisible() && d->isModal()) open = d;
    open->raise();
    open->activateWindow();
    return true;
  };
  if (raise(shownMenuList(*this))) return;
  for (QWidget* open : windowsOverPanel(*this))
    if (raise(open)) return;
}

void QtMainWindow::closeVfoSetWindow(std::int32_t hz) {
  if (vfoSet_) vfoSet_->deleteLater();
  vfoSet_ = nullptr;
  panel_.Ctrl_OnEntryClosed(hz);
}

namespace {

constexpr MsgId kLookSoftKey8 = 0x861B;
constexpr std::uint32_t kTimerBlinkId = 1234;

struct LongPushPart final : WindowPart {
  explicit LongPushPart(QtMainWindow& w)
      : push([&w](MsgId id, WParam v) {
          if (w.core() != nullptr) w.core()->postComposer(id, v, 0);
        }) {}
  panel::SoftKeyLongPush push;
  bool pressed = false;
};

std::int32_t rxMode(const RadioState& st) {
  const std::int32_t fr = st.get_FR_Stat();
  return fr == 4 || fr == 5 ? st.get_MD_Sub() : st.get_MD_Main();
}

// Soft key 8's look: besides its image, its press and release time the push.
LParam onSoftKey8Look(QtMainWindow& w, const Msg& m) {
  if (w.core() == nullptr) return 0;
  LongPushPart& p = w.part<LongPushPart>();
  const RadioState& st = w.core()->state();
  const bool press = m.w == 1;
  if (press == p.pressed) return 0;   // a redraw, not a change
  p.pressed = press;
  if (press) p.push.press(rxMode(st), st.get_SQ_Main());
  else p.push.release();
  // The push is timed on the blink ticks.
  if (press) w.wakeDisplayTimers();
  return 0;
}

LParam onBlinkTick(QtMainWindow& w, const Msg&) {
  if (w.core() == nullptr) return 0;
  LongPushPart& p = w.part<LongPushPart>();
  p.push.tick(rxMode(w.core()->state()));
  if (p.pressed) w.keepTicking();
  return 0;
}

// ---- what the panel's choices look like (small, for the drawing's owner) ----

LParam onMainDigitChosen(QtMainWindow& w, const Msg& m) {
  w.renderer().setChosenMainDigit(static_cast<int>(m.w));
  if (w.core() != nullptr) w.renderer().DrawMainFrequency(w.core()->state(), w.core()->state().get_VfoA_Freq());
  return 0;
}

LParam onSubDigitChosen(QtMainWindow& w, const Msg& m) {
  w.renderer().setChosenVfoBDigit(static_cast<int>(m.w));
  if (w.core() != nullptr) w.renderer().DrawTFT_VFO_B(w.core()->state());
  return 0;
}

// Which of a control's two captions is meant now (MIC or SPEED, PROC or
// CAR, CONT or APF, RF or SQL).
int captionMeaning(int focusIndex, const RadioState& st) {
  const std::int32_t mode = st.get_VS_Stat() != 0 ? st.get_MD_Sub() : st.get_MD_Main();
  switch (focusIndex) {
    case 22: return mode == 3 || mode == 7 ? 1 : 0;
    case 23: return mode == 1 || mode == 2 ? 0 : 1;
    case 25: return st.get_CO_Main_OnKind() == 2 ? 1 : 0;
    case 29: {
      MenuListItem item;
      return st.get_MenuItem(36, &item) && item.value != 0 ? 1 : 0;
    }
    default: return 0;
  }
}

LParam onKnobFocus(QtMainWindow& w, const Msg& m) {
  const int index = static_cast<int>(m.l);
  const int which = w.core() != nullptr ? captionMeaning(index, w.core()->state()) : 0;
  const panel::Caption c = panel::captionFor(index, m.w == 1, which);
  if (c.bitmap != 0) w.renderer().surface().DrawBitmap(w.renderer().store().LoadBitmap(c.bitmap), c.x, c.y, render::kKeyMagenta);
  return 0;
}

LParam onVfoSetDone(QtMainWindow& w, const Msg& m) {
  w.closeVfoSetWindow(static_cast<std::int32_t>(m.w));
  return 0;
}

constexpr WindowRow kMessages[] = {
    {kMsgVfoSetDone, onVfoSetDone},
    {kLookSoftKey8, onSoftKey8Look},
    {panel::kMsgMainDigitSet, onMainDigitChosen},
    {panel::kMsgSubDigitSet, onSubDigitChosen},
    {panel::kMsgKnobFocus, onKnobFocus},
};

constexpr WindowRow kTimers[] = {
    {kTimerBlinkId, onBlinkTick},
};

}  // namespace

extern const WindowRoutes kPanelInputRoutes{"panel input", kMessages, kTimers, {}};

}  // namespace hrx::gui
