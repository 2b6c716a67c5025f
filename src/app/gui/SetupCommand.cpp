#include "app/gui/SetupCommand.h"

#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "app/gui/QtMainWindow.h"
#include "app/gui/windows/SetupWindows.h"

namespace hrx::gui {

namespace {
constexpr int kOpComSwitch = 1;

void say(std::FILE* to, const QString& text) {
  std::fprintf(to, "%s\n", qPrintable(text));
  std::fflush(to);
}
}  // namespace

SetupCommand::SetupCommand(QtMainWindow& w, CommandLine::Setup form, QString file, std::function<void(int)> done)
    : QObject(&w), w_(w), form_(form), path_(std::move(file)), done_(std::move(done)) {}

bool SetupCommand::start() {
  SetupError error;
  if (form_ != CommandLine::Setup::Save && !readSetupFile(path_.toStdString(), &file_, &error)) {
    say(stderr, QStringLiteral("hrx900: %1: %2").arg(path_, QString::fromStdString(error.text())));
    end(2);
    return false;
  }
  if (!file_.note.empty()) say(stderr, QStringLiteral("hrx900: %1: %2").arg(path_, QString::fromStdString(file_.note)));
  auto* t = new QTimer(this);
  connect(t, &QTimer::timeout, this, [this, t] {
    waitedMs_ += kSetupPollMs;
    tick();
    if (done_ == nullptr) t->stop();
  });
  t->start(kSetupPollMs);
  return true;
}

void SetupCommand::tick() {
  CoreLink* core = w_.core();
  if (core == nullptr || restorer_ != nullptr) return;
  // COM is switched on once the catalogue is loaded, as a click would.
  if (!comRequested_ && core->state().get_CommEnabled() != 0) comRequested_ = core->request(kOpComSwitch, false, 0);
  if (setupNotReadReason(w_).isEmpty()) {
    // The read-out ends when its last read is sent: the last answers are
    // given their time, or they would be saved (and compared) as not read.
    if (!setupAllAnswered(core->state()) && answersWaitedMs_ < kReadBackLimitMs) {
      answersWaitedMs_ += kSetupPollMs;
      return;
    }
    run();
  } else if (waitedMs_ >= kSetupReadOutLimitMs) {
    say(stderr, QStringLiteral("hrx900: the radio's menu read-out did not end within %1 s").arg(kSetupReadOutLimitMs / 1000));
    end(2);
  }
}

void SetupCommand::run() {
  CoreLink* core = w_.core();
  SetupError error;
  if (form_ == CommandLine::Setup::Save) {
    const WholeFileResult r = writeSetupFile(path_.toStdString(), setupHeaderNow(w_, QString()), core->state());
    if (!r) say(stderr, QStringLiteral("hrx900: %1").arg(QString::fromStdString(r.error)));
    else say(stdout, QStringLiteral("Saved the radio's set-up to %1.").arg(path_));
    end(r ? 0 : 2);
    return;
  }
  if (!checkSetupRadio(file_, radioIdOf(core->state()), &error)) {
    say(stderr, QStringLiteral("hrx900: %1: %2").arg(path_, QString::fromStdString(error.text())));
    end(2);
    return;
  }
  const std::vector<SetupDifference> diffs = compareSetup(file_, core->state());
  for (const SetupDifference& d : diffs)
    say(stdout, QStringLiteral("%1 %2: radio %3, file %4")
                    .arg(d.item.no, 3, 10, QLatin1Char('0'))
                    .arg(QString::fromStdString(d.name), QString::fromStdString(d.radioText),
                         QString::fromStdString(d.fileText)));
  // An item unknown in the file is listed, but is no difference to act on.
  const bool differs = std::any_of(diffs.begin(), diffs.end(), [](const SetupDifference& d) { return d.item.known; });
  if (!differs) say(stdout, QString::fromUtf8(kSetupSameText));
  if (form_ == CommandLine::Setup::Compare || !differs) {
    end(differs ? 1 : 0);
    return;
  }
  std::vector<SetupItem> items;
  for (const SetupDifference& d : diffs) items.push_back(d.item);
  restorer_ = new SetupRestorer(w_, this);
  connect(restorer_, &SetupRestorer::finished, this, [this] {
    const RestoreSummary& s = restorer_->summary();
    say(stdout, QStringLiteral("Restore: %1").arg(s.text()));
    end(s.refused.empty() && s.unconfirmed.empty() ? 0 : 1);
  });
  QString reason;
  if (!restorer_->start(std::move(items), &reason)) {
    say(stderr, QStringLiteral("hrx900: %1").arg(reason));
    end(2);
  }
}

void SetupCommand::end(int status) {
  if (!done_) return;
  std::function<void(int)> done = std::move(done_);
  done_ = nullptr;
  done(status);
}

}  // namespace hrx::gui
