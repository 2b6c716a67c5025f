// The rows of the small windows: their menu commands, their close
// messages, the replies forwarded to them, the rotator poll and the
// keyboard commands.
#include <algorithm>

#include "analysis/AnalyserMessages.h"
#include "app/Station.h"
#include "app/gui/KeyCommandFilter.h"
#include "app/gui/windows/CPrmtrcDlg.h"
#include "app/gui/windows/OptionWindows.h"
#include "app/gui/windows/PortWindows.h"
#include "app/gui/MainWindowServices.h"
#include "app/gui/windows/VersionDlg.h"
#include "composer/Composer.h"

namespace hrx::gui {

std::array<QWidget*, 8> windowsOverPanel(MainWindowServices& w) {
  const OptionWindows& o = w.part<OptionWindows>();
  const PortPart& p = w.part<PortPart>();
  return {o.commandSend.data(), o.playback.data(), o.rotator.data(),  o.cw.data(),
          o.repeater.data(),    openEqualiser(w),  p.comSelect.data(), p.baudRate.data()};
}

void refreshPanelBusy(MainWindowServices& w) {
  const auto open = windowsOverPanel(w);
  w.panel().setPopupOpen(std::any_of(open.begin(), open.end(), [](QWidget* x) { return x != nullptr; }));
}

namespace {

// Opens the window of kind T in `slot`, or brings the open one forward.
template <class T>
T* openWindow(MainWindowServices& w, QPointer<T>& slot) {
  if (!slot) {
    slot = new T(w);
    refreshPanelBusy(w);
  }
  slot->show();
  slot->raise();
  slot->activateWindow();
  return slot.data();
}

template <class T>
void closeWindow(MainWindowServices& w, QPointer<T>& slot) {
  if (slot) slot->deleteLater();
  slot = nullptr;
  refreshPanelBusy(w);
}

LParam onCommandSend(MainWindowServices& w, const Msg&) {
  openWindow(w, w.part<OptionWindows>().commandSend);
  return 0;
}

LParam onPlayback(MainWindowServices& w, const Msg&) {
  openWindow(w, w.part<OptionWindows>().playback);
  return 0;
}

LParam onRotator(MainWindowServices& w, const Msg&) {
  const bool wasOpen = w.part<OptionWindows>().rotator;
  openWindow(w, w.part<OptionWindows>().rotator);
  if (wasOpen) return 0;
  w.startWindowTimer(kTimerRotator, 100);
  if (w.core() != nullptr) w.core()->postComposer(kMsgRoPoll);
  return 0;
}

LParam onCw(MainWindowServices& w, const Msg&) {
  openWindow(w, w.part<OptionWindows>().cw);
  return 0;
}

LParam onRepeater(MainWindowServices& w, const Msg&) {
  openWindow(w, w.part<OptionWindows>().repeater);
  return 0;
}

LParam onVersion(MainWindowServices& w, const Msg&) {
  openVersionWindow(&w.widget());
  return 0;
}

LParam onCommandSendClosed(MainWindowServices& w, const Msg&) {
  closeWindow(w, w.part<OptionWindows>().commandSend);
  return 0;
}

LParam onPlaybackClosed(MainWindowServices& w, const Msg&) {
  closeWindow(w, w.part<OptionWindows>().playback);
  return 0;
}

LParam onRotatorClosed(MainWindowServices& w, const Msg&) {
  w.killWindowTimer(kTimerRotator);
  closeWindow(w, w.part<OptionWindows>().rotator);
  return 0;
}

LParam onCwClosed(MainWindowServices& w, const Msg&) {
  closeWindow(w, w.part<OptionWindows>().cw);
  return 0;
}

LParam onRepeaterClosed(MainWindowServices& w, const Msg&) {
  closeWindow(w, w.part<OptionWindows>().repeater);
  return 0;
}

// The reply goes on to the window that shows it, when that one is open.
template <class T, QPointer<T> OptionWindows::*slot>
LParam forward(MainWindowServices& w, const Msg& m) {
  if (T* d = (w.part<OptionWindows>().*slot).data(); d != nullptr && !d->finished()) d->onEvent(m.id);
  return 0;
}

LParam onRotatorPoll(MainWindowServices& w, const Msg&) {
  if (w.core() != nullptr) w.core()->onTimer(kTimerRotator);
  return 0;
}

LParam onKeyLine(MainWindowServices& w, const Msg&) {
  w.part<KeyCommandFilter>().sendNext();
  return 0;
}

// The keyboard commands listen from the first display on.
LParam onDisplayStart(MainWindowServices& w, const Msg&) {
  w.part<KeyCommandFilter>();
  return 0;
}

constexpr WindowRow kMessages[] = {
    {kMsgCommandSendClosed, onCommandSendClosed},
    {kMsgPlaybackClosed, onPlaybackClosed},
    {kMsgCwClosed, onCwClosed},
    {kMsgRepeaterClosed, onRepeaterClosed},
    {kMsgRotatorClosed, onRotatorClosed},
    {WM_ANL_EVT_RO, forward<CRotatorDlg, &OptionWindows::rotator>},
    {WM_ANL_EVT_CN, forward<CRepeaterDlg, &OptionWindows::repeater>},
    {WM_ANL_EVT_CT, forward<CRepeaterDlg, &OptionWindows::repeater>},
    {WM_ANL_EVT_OS, forward<CRepeaterDlg, &OptionWindows::repeater>},
    {WM_ANL_EVT_KM, forward<CCwDlg, &OptionWindows::cw>},
    {WM_ANL_EVT_RI, forward<CPlaybackDlg, &OptionWindows::playback>},
};

constexpr WindowRow kTimers[] = {
    {kTimerRotator, onRotatorPoll},
    {kTimerKeyLine, onKeyLine},
    {kTimerDispStart, onDisplayStart},
};

constexpr WindowRow kCommands[] = {
    {kCmdCommandSend, onCommandSend}, {kCmdPlayback, onPlayback}, {kCmdRotator, onRotator},
    {kCmdCw, onCw},                   {kCmdRepeater, onRepeater}, {kCmdVersion, onVersion},
};

}  // namespace

extern const WindowRoutes kOptionWindowsRoutes{"option windows", kMessages, kTimers, kCommands};

}  // namespace hrx::gui
