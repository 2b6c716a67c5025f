// The equaliser editor: the Prmtrc and P-Prmtrc menu entries (the busy
// window first, then the editor), the reports forwarded to it, and its end.
#include <QAction>
#include <QPointer>

#include "analysis/AnalyserMessages.h"
#include "app/gui/windows/CPrmtrcDlg.h"
#include "app/gui/windows/MenuListWindow.h"
#include "app/gui/windows/OptionWindows.h"
#include "app/gui/MainWindowServices.h"
#include "composer/Composer.h"
#include "equaliser/EqualiserTables.h"

namespace hrx::gui {

namespace {

struct EqualiserPart final : WindowPart {
  explicit EqualiserPart(MainWindowServices&) {}
  // Goes while the main window still has its core, before the window's
  // children are destroyed.
  ~EqualiserPart() override { delete dlg.data(); }
  bool open = false;   // the main window's flag for this window
  QPointer<CPrmtrcDlg> dlg;
  int readOutsAtAi = 0;   // the window's count of ended read-outs when AI came on
};

void greyEntries(MainWindowServices& w, bool grey) {
  // The open menu list keeps the whole menu greyed.
  if (!grey && shownMenuList(w) != nullptr) return;
  for (int id : {kCmdPrmtrc, kCmdPPrmtrc})
    if (QAction* a = w.commandAction(id)) a->setEnabled(!grey);
}

void openEditor(MainWindowServices& w, int variant) {
  EqualiserPart& part = w.part<EqualiserPart>();
  if (part.open || w.core() == nullptr) return;
  // The operator waits for a running read-out of the menu first.
  w.runBusyWindow();
  if (part.open || w.core() == nullptr) return;
  part.open = true;
  greyEntries(w, true);
  part.dlg = new CPrmtrcDlg([&w] { return w.core(); }, variant, &w.widget(), [&w] { w.postMessage(eq::kMsgEditorClosed, 0, 0); });
  refreshPanelBusy(w);
  part.dlg->show();
}

LParam onPrmtrc(MainWindowServices& w, const Msg&) {
  openEditor(w, 0);
  return 0;
}

LParam onPPrmtrc(MainWindowServices& w, const Msg&) {
  openEditor(w, 1);
  return 0;
}

LParam onClosed(MainWindowServices& w, const Msg&) {
  EqualiserPart& part = w.part<EqualiserPart>();
  part.open = false;
  greyEntries(w, false);
  if (part.dlg) part.dlg->deleteLater();
  part.dlg = nullptr;
  refreshPanelBusy(w);
  return 0;
}

LParam onMenuReport(MainWindowServices& w, const Msg&) {
  if (CPrmtrcDlg* d = w.part<EqualiserPart>().dlg) d->onMenuReport();
  return 0;
}

LParam onAiReport(MainWindowServices& w, const Msg&) {
  EqualiserPart& part = w.part<EqualiserPart>();
  part.readOutsAtAi = w.readOutsDone();
  if (CPrmtrcDlg* d = part.dlg) d->onAiReport();
  return 0;
}

// The display start sends the same id; only the composer's end of a
// read-out moves the window's count.
LParam onBandPass(MainWindowServices& w, const Msg&) {
  EqualiserPart& part = w.part<EqualiserPart>();
  if (CPrmtrcDlg* d = part.dlg; d != nullptr && w.readOutsDone() > part.readOutsAtAi) d->onReadOutEnded();
  return 0;
}

constexpr WindowRow kMessages[] = {
    {WM_ANL_EVT_EX, onMenuReport},
    {WM_ANL_EVT_PE, onMenuReport},
    {WM_ANL_EVT_AI, onAiReport},
    {kMsgRedrawBandPass, onBandPass},
    {eq::kMsgEditorClosed, onClosed},
};

constexpr WindowRow kCommands[] = {
    {kCmdPrmtrc, onPrmtrc},
    {kCmdPPrmtrc, onPPrmtrc},
};

}  // namespace

extern const WindowRoutes kEqualiserRoutes{"equaliser", kMessages, {}, kCommands};

// The open editor, for the tests; null when none.
CPrmtrcDlg* openEqualiser(MainWindowServices& w) { return w.part<EqualiserPart>().dlg; }

}  // namespace hrx::gui
