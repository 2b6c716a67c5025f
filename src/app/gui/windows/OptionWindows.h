#pragma once
// The main window's small windows of the File, Option and Help menus: one
// open window of each kind at most, made by its menu command and destroyed
// when it reports its end. While any is open the panel counts as busy.
#include <QPointer>
#include <array>

#include "app/gui/windows/CommandSendDlg.h"
#include "app/gui/windows/CwDlg.h"
#include "app/gui/windows/PlaybackDlg.h"
#include "app/gui/windows/RepeaterDlg.h"
#include "app/gui/windows/RotatorDlg.h"
#include "app/gui/routes/WindowRoutes.h"

namespace hrx::gui {

inline constexpr int kCmdCommandSend = 32780;
inline constexpr int kCmdPlayback = 32783;
inline constexpr int kCmdRotator = 32784;
inline constexpr int kCmdCw = 32785;
inline constexpr int kCmdRepeater = 32786;
inline constexpr int kCmdVersion = 32789;

class OptionWindows final : public WindowPart {
 public:
  explicit OptionWindows(MainWindowServices&) {}
  // The windows go before the main window they report to, so a button
  // released on the way out still finds it whole.
  ~OptionWindows() override {
    delete commandSend.data();
    delete playback.data();
    delete rotator.data();
    delete cw.data();
    delete repeater.data();
  }
  QPointer<CCommandSendDlg> commandSend;
  QPointer<CPlaybackDlg> playback;
  QPointer<CRotatorDlg> rotator;
  QPointer<CCwDlg> cw;
  QPointer<CRepeaterDlg> repeater;
};

// The eight modeless windows that sit over the panel: these five, the
// equaliser and the two port windows; null for those not open.
std::array<QWidget*, 8> windowsOverPanel(MainWindowServices& w);
// While any of them is open the panel counts as busy.
void refreshPanelBusy(MainWindowServices& w);

}  // namespace hrx::gui
