// The panel's windows over the main window: the selection pop-ups, the VFO SET window and the busy focus.
#include <QDialog>
#include <QLineEdit>
#include <QMenu>

#include "app/gui/QtMainWindow.h"
#include "app/gui/windows/MenuListWindow.h"
#include "app/gui/windows/OptionWindows.h"
#include "app/gui/windows/VfoSetWindow.h"

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
  // The keyboard starts on the radio's setting, so a screen reader says it.
  const std::int32_t now = core_ != nullptr ? panel::popupChoice(menu, core_->state()) : 0;
  for (QAction* a : m->actions())
    if (now != 0 && a->data().toInt() == now) m->setActiveAction(a);
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

}  // namespace hrx::gui
