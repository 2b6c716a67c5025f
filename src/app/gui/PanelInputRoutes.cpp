// The panel's windows over the main window: the selection pop-ups and the
// VFO SET window, and the message that brings the entry's result back.
#include <QMenu>

#include "app/gui/QtMainWindow.h"
#include "app/gui/VfoSetWindow.h"

namespace hrx::gui {

QMenu* QtMainWindow::popupMenu() const { return popup_.data(); }
VfoSetWindow* QtMainWindow::vfoSetWindow() const { return vfoSet_.data(); }

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

void QtMainWindow::menuAction() {
  if (menuKeyAction_) menuKeyAction_();
}

void QtMainWindow::closeVfoSetWindow(std::int32_t hz) {
  if (vfoSet_) vfoSet_->deleteLater();
  vfoSet_ = nullptr;
  panel_.Ctrl_OnEntryClosed(hz);
}

namespace {

LParam onVfoSetDone(QtMainWindow& w, const Msg& m) {
  w.closeVfoSetWindow(static_cast<std::int32_t>(m.w));
  return 0;
}

constexpr WindowRow kMessages[] = {
    {kMsgVfoSetDone, onVfoSetDone},
};

}  // namespace

extern const WindowRoutes kPanelInputRoutes{"panel input", kMessages, {}, {}};

}  // namespace hrx::gui
