// The menu list and the port windows on the main window: the MENU key (the
// busy window first, then the list), the main-menu greying while the list
// is open, its end message, the radio's menu reports while it is open, and
// Setup / COM Select and Baud rate.
#include <QMessageBox>
#include <QPointer>

#include "analysis/AnalyserMessages.h"
#include "app/gui/windows/CPrmtrcDlg.h"
#include "app/gui/windows/MenuListWindow.h"
#include "app/gui/windows/OptionWindows.h"
#include "app/gui/windows/PortWindows.h"
#include "app/gui/MainWindowServices.h"
#include "panel/PanelCtrl.h"

namespace hrx::gui {

namespace {

constexpr int kCmdGreyFirst = 32780;   // Exit (32779) stays enabled

struct MenuListPart final : WindowPart {
  explicit MenuListPart(MainWindowServices&) {}
  QPointer<CMenuListDlg> dlg;
  bool opening = false;
  bool open = false;
  QPointer<QMessageBox> updatedNotice;
};

void greyMenu(MainWindowServices& w, bool grey) {
  // The open equaliser keeps its own two entries greyed.
  const bool equaliser = openEqualiser(w) != nullptr;
  for (int id = kCmdGreyFirst; id <= kCmdLast; ++id) {
    if (!grey && equaliser && (id == kCmdPrmtrc || id == kCmdPPrmtrc)) continue;
    if (QAction* a = w.commandAction(id))
      a->setEnabled(!grey && w.hasCommand(id));
  }
}

void openMenuList(MainWindowServices& w) {
  MenuListPart& p = w.part<MenuListPart>();
  // A read-out still running is waited for in the busy window.
  w.runBusyWindow();
  p.opening = false;
  if (p.open) return;
  p.open = true;
  w.panel().setMenuOpen(true);
  greyMenu(w, true);
  if (!p.dlg) p.dlg = new CMenuListDlg(w);
  p.dlg->fill();
  p.dlg->show();
  p.dlg->raise();
  p.dlg->activateWindow();
}

// Posted on from the MENU key's release, so the busy window's own event
// loop does not run inside the panel controller.
LParam onMenuKey(MainWindowServices& w, const Msg&) {
  MenuListPart& p = w.part<MenuListPart>();
  if (p.opening || p.open) return 0;
  p.opening = true;
  QPointer<QWidget> guard(&w.widget());
  QMetaObject::invokeMethod(
      guard, [guard, s = &w] { if (guard) openMenuList(*s); }, Qt::QueuedConnection);
  return 0;
}

LParam onMenuListEnd(MainWindowServices& w, const Msg& m) {
  MenuListPart& p = w.part<MenuListPart>();
  if (!p.open) return 0;
  p.open = false;
  w.panel().setMenuOpen(false);
  greyMenu(w, false);
  if (p.dlg) p.dlg->hide();
  if (m.w == 1)
    w.panelWidget()->update(QRect(QPoint(kMenuAreaLeft, kMenuAreaTop), QPoint(kMenuAreaRight, kMenuAreaBottom)));
  return 0;
}

// The list is not refreshed: it holds the operator's edits not yet applied.
// One notice at a time; none while OK is writing (the radio reports back).
LParam onMenuReport(MainWindowServices& w, const Msg&) {
  MenuListPart& p = w.part<MenuListPart>();
  if (!p.open || !p.dlg || p.dlg->applying() || p.updatedNotice) return 0;
  QWidget* over = p.dlg->editor() != nullptr ? static_cast<QWidget*>(p.dlg->editor()) : p.dlg.data();
  auto* box = new QMessageBox(QMessageBox::Information, QString::fromUtf8(kCaption),
                              QString::fromUtf8(kMenuUpdatedText), QMessageBox::Ok, over);
  box->setAttribute(Qt::WA_DeleteOnClose);
  p.updatedNotice = box;
  box->open();
  return 0;
}

// A port change waiting for auto-information to go off looks at once.
LParam onAiReport(MainWindowServices& w, const Msg&) {
  w.part<PortPart>().changer.aiReported();
  return 0;
}

template <class Dlg, QPointer<Dlg> PortPart::*slot>
LParam openPortWindow(MainWindowServices& w, const Msg&) {
  PortPart& p = w.part<PortPart>();
  if (!(p.*slot)) {
    p.*slot = new Dlg(w);
    (p.*slot)->setAttribute(Qt::WA_DeleteOnClose);
    refreshPanelBusy(w);
  }
  (p.*slot)->show();
  (p.*slot)->raise();
  return 0;
}

template <class Dlg, QPointer<Dlg> PortPart::*slot>
LParam portWindowEnded(MainWindowServices& w, const Msg&) {
  PortPart& p = w.part<PortPart>();
  if (p.*slot) (p.*slot)->deleteLater();
  p.*slot = nullptr;
  refreshPanelBusy(w);
  return 0;
}

constexpr WindowRow kMessages[] = {
    {panel::kMsgMenuAction, onMenuKey},
    {kMsgMenuListEnd, onMenuListEnd},
    {WM_ANL_EVT_EX, onMenuReport},
    {WM_ANL_EVT_AI, onAiReport},
    {kMsgComSelectEnd, portWindowEnded<CComSelectDlg, &PortPart::comSelect>},
    {kMsgBaudRateEnd, portWindowEnded<CBardRateSettingDlg, &PortPart::baudRate>},
};

constexpr WindowRow kCommands[] = {
    {kCmdComSelect, openPortWindow<CComSelectDlg, &PortPart::comSelect>},
    {kCmdBaudRate, openPortWindow<CBardRateSettingDlg, &PortPart::baudRate>},
};

}  // namespace

extern const WindowRoutes kMenuListRoutes{"menu list", kMessages, {}, kCommands};

CMenuListDlg* shownMenuList(MainWindowServices& w) {
  MenuListPart& p = w.part<MenuListPart>();
  return p.open ? p.dlg.data() : nullptr;
}

}  // namespace hrx::gui
