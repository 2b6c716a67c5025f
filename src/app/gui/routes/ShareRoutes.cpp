// Option > Share with other programs: the sharing server turned on and off
// from the menu, remembered in CommoFiles/ShareSetting.txt ("1" or "0").
// The command line's --share turns it on at start whatever was remembered.
#include <QAction>
#include <QMessageBox>
#include <cstdio>
#include <string>

#include "app/ShareSetting.h"
#include "app/gui/MainWindowServices.h"

namespace hrx::gui {

inline constexpr int kCmdShare = 32790;

namespace {

class SharePart final : public WindowPart {
 public:
  explicit SharePart(MainWindowServices& w) : w_(w) {
    if (QAction* a = w_.commandAction(kCmdShare)) a->setCheckable(true);
  }

  // At start: on when the command line or the last run asked for it.
  void startUp() {
    CoreLink* core = w_.core();
    if (core == nullptr || started_) return;
    started_ = true;
    if (core->shareRequested() || shareRemembered(core->settingsDir())) turnOn(*core);
    showState(*core);
  }

  void toggle() {
    CoreLink* core = w_.core();
    if (core == nullptr) return;
    started_ = true;  // the operator has decided
    if (core->sharing()) {
      core->stopShare();
      remember(*core, false);
    } else if (turnOn(*core)) {
      remember(*core, true);
    }
    showState(*core);
  }

 private:
  // A choice that cannot be saved holds for this run; the operator is told
  // it will not outlast it.
  void remember(const CoreLink& core, bool on) {
    std::string error;
    if (rememberShare(core.settingsDir(), on, &error)) return;
    std::fprintf(stderr, "hrx900: %s\n", error.c_str());
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Share with other programs"),
                                QStringLiteral("The choice cannot be remembered for the next start: %1.")
                                    .arg(QString::fromStdString(error)),
                                QMessageBox::Ok, &w_.widget());
    box->setObjectName(QStringLiteral("shareNotRemembered"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
  }

  bool turnOn(CoreLink& core) {
    std::string error;
    if (core.startShare(&error)) return true;
    // The program goes on without sharing; the operator is told why.
    std::fprintf(stderr, "hrx900: %s\n", error.c_str());
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Share with other programs"),
                                QStringLiteral("The radio cannot be shared: %1.").arg(QString::fromStdString(error)),
                                QMessageBox::Ok, &w_.widget());
    box->setObjectName(QStringLiteral("shareError"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();  // not exec(): the window keeps running
    return false;
  }

  void showState(const CoreLink& core) {
    if (QAction* a = w_.commandAction(kCmdShare)) a->setChecked(core.sharing());
  }

  MainWindowServices& w_;
  bool started_ = false;
};

LParam onDispStart(MainWindowServices& w, const Msg&) {
  w.part<SharePart>().startUp();
  return 0;
}

LParam onShare(MainWindowServices& w, const Msg&) {
  w.part<SharePart>().toggle();
  return 0;
}

constexpr WindowRow kTimers[] = {
    {kTimerDispStart, onDispStart},
};

constexpr WindowRow kCommands[] = {
    {kCmdShare, onShare},
};

}  // namespace

extern const WindowRoutes kShareRoutes{"share", {}, kTimers, kCommands};

}  // namespace hrx::gui
