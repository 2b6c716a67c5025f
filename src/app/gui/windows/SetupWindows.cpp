#include "app/gui/windows/SetupWindows.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <memory>

#include "app/gui/MainWindowServices.h"
#include "app/gui/windows/PortWindows.h"
#include "menulist/MenuCatalogue.h"

namespace hrx::gui {

namespace {

constexpr int kOpExSet = 42;   // the composer's menu write
constexpr const char* kSetupFilter = "Radio set-up (*.hrxsetup);;All files (*)";

QString numbers(const std::vector<int>& items) {
  QStringList out;
  for (int no : items) out << QStringLiteral("%1").arg(no, 3, 10, QLatin1Char('0'));
  return out.join(QStringLiteral(", "));
}

void warn(QWidget* over, const QString& title, const QString& text) {
  auto* box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok, over);
  box->setObjectName(QStringLiteral("setupMessage"));
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
}

QFileDialog* fileDialog(MainWindowServices& w, const QString& title, QFileDialog::AcceptMode mode) {
  auto* d = new QFileDialog(&w.widget(), title, QString(), QString::fromUtf8(kSetupFilter));
  d->setObjectName(QStringLiteral("setupFileDialog"));
  d->setOption(QFileDialog::DontUseNativeDialog);
  d->setAcceptMode(mode);
  d->setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (mode == QFileDialog::AcceptSave) d->setDefaultSuffix(QStringLiteral("hrxsetup"));
  d->setAttribute(Qt::WA_DeleteOnClose);
  return d;
}

// The menu list or a port change must not run beside a restore.
bool portOrListBusy(MainWindowServices& w) { return w.panel().menuOpen() || w.part<PortPart>().changer.running(); }

}  // namespace

QString setupNotReadReason(MainWindowServices& w) {
  if (w.core() == nullptr || w.readOutsDone() == 0 || w.core()->windowFlags().busy.load() != 0)
    return QString::fromUtf8(kSetupNotReadText);
  return {};
}

bool setupAllAnswered(const RadioState& state) {
  for (int no = 1; no <= state.get_MenuItem_Count(); ++no)
    if (state.get_MenuReplyCount(no) == 0) return false;
  return true;
}

void afterSetupAnswers(MainWindowServices& w, QObject* guard, std::function<void()> then) {
  auto answered = [&w] { return w.core() == nullptr || setupAllAnswered(w.core()->state()); };
  if (answered()) {
    then();
    return;
  }
  auto* t = new QTimer(guard);
  auto waited = std::make_shared<int>(0);
  QObject::connect(t, &QTimer::timeout, guard, [t, waited, answered, then = std::move(then)] {
    *waited += kReadBackPollMs;
    if (!answered() && *waited < kReadBackLimitMs) return;
    t->stop();
    t->deleteLater();
    then();
  });
  t->start(kReadBackPollMs);
}

SetupHeader setupHeaderNow(MainWindowServices& w, const QString& comment) {
  SetupHeader h;
  h.program = "hrx900 " + QCoreApplication::applicationVersion().toStdString();
  h.radio = w.core() != nullptr ? radioIdOf(w.core()->state()) : std::string();
  h.date = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss 'UTC'")).toStdString();
  h.comment = comment.toStdString();
  return h;
}

QString RestoreSummary::text() const {
  QString t = QStringLiteral("%1 written and confirmed").arg(confirmed.size());
  t += QStringLiteral(", %1 refused by the radio").arg(refused.size());
  if (!refused.empty()) t += QStringLiteral(" (%1)").arg(numbers(refused));
  t += QStringLiteral(", %1 not confirmed").arg(unconfirmed.size());
  if (!unconfirmed.empty()) t += QStringLiteral(" (%1)").arg(numbers(unconfirmed));
  if (!skipped.empty())
    t += QStringLiteral("; %1 unknown in the file, skipped (%2)").arg(skipped.size()).arg(numbers(skipped));
  return t + QStringLiteral(".");
}

// ---- the restore ----

SetupRestorer::SetupRestorer(MainWindowServices& w, QObject* parent) : QObject(parent), w_(w) {}

int SetupRestorer::done() const {
  return static_cast<int>(summary_.confirmed.size() + summary_.refused.size() + summary_.unconfirmed.size());
}

bool SetupRestorer::start(std::vector<SetupItem> items, QString* reason) {
  QString why;
  if (running_) why = QStringLiteral("A restore is already running.");
  else if (QString r = setupNotReadReason(w_); !r.isEmpty()) why = r;
  else if (w_.core()->state().get_AI_Stat() == 0 || w_.core()->writableState() == nullptr)
    why = QString::fromUtf8(kSetupNotReadText);
  else if (portOrListBusy(w_)) why = QString::fromUtf8(kSetupBusyText);
  else if (std::none_of(items.begin(), items.end(), [](const SetupItem& it) { return it.known; }))
    why = QStringLiteral("Nothing to restore.");
  if (!why.isEmpty()) {
    if (reason != nullptr) *reason = why;
    return false;
  }
  running_ = true;
  aiAtStart_ = true;
  summary_ = {};
  plain_.clear();
  cat_.clear();
  const RadioState& st = w_.core()->state();
  for (SetupItem& it : items) {
    if (!it.known) {
      summary_.skipped.push_back(it.no);
      continue;
    }
    MenuListItem rec;
    // The port follows CAT RATE: it goes after everything else.
    const bool cat = st.get_MenuItem(it.no, &rec) && rec.type == kCatRateType;
    (cat ? cat_ : plain_).push_back(std::move(it));
  }
  total_ = static_cast<int>(plain_.size() + cat_.size());
  // Held from here to the last read-back: a port change (or the menu
  // list's OK) meanwhile would move the line under the writes and reads,
  // and with CAT RATE the port must follow before anything else may.
  holdsPort_ = w_.part<PortPart>().changer.begin(&w_.widget());
  Q_EMIT progress(0, total_);
  writeAndCheck(std::move(plain_), [this] { catRate(); });
  return true;
}

void SetupRestorer::writeAndCheck(std::vector<SetupItem> items, std::function<void()> next) {
  if (items.empty()) {
    next();
    return;
  }
  RadioState* st = w_.core()->writableState();
  pending_.clear();
  for (SetupItem& it : items) {
    stageSetupItem(*st, it);
    pending_.emplace_back(std::move(it), 0);
  }
  w_.core()->request(kOpExSet, false, 0);
  QTimer::singleShot(kRateSettleMs, Qt::PreciseTimer, this,
                     [this, next = std::move(next)]() mutable { readBack(std::move(next)); });
}

void SetupRestorer::readBack(std::function<void()> next) {
  afterReadBack_ = std::move(next);
  awaitWrites(0, false);
}

// A read sent before its item's write would read the old value: the reads
// follow once the composer has taken every staged item (the tick after it
// was seen, as it queues each write just after taking it).
void SetupRestorer::awaitWrites(int waitedMs, bool taken) {
  const RadioState& st = w_.core()->state();
  if (!taken && waitedMs < kReadBackLimitMs) {
    const bool all = std::all_of(pending_.begin(), pending_.end(), [&](const auto& p) {
      MenuListItem rec;
      return !st.get_MenuItem(p.first.no, &rec) || rec.changed == 0;
    });
    QTimer::singleShot(kReadBackPollMs, Qt::PreciseTimer, this,
                       [this, waitedMs, all] { awaitWrites(waitedMs + kReadBackPollMs, all); });
    return;
  }
  for (auto& [item, count] : pending_) {
    count = st.get_MenuReplyCount(item.no);
    char read[8];
    std::snprintf(read, sizeof read, "EX%03d;", item.no);
    w_.core()->sendText(read);
  }
  readBackTicks_ = 0;
  if (poll_) poll_->deleteLater();
  auto* t = new QTimer(this);
  t->setTimerType(Qt::PreciseTimer);
  // The limit runs from the last answer: a long restore on a slow line
  // answers for longer than the limit, but never falls silent that long.
  connect(t, &QTimer::timeout, this, [this] {
    ++readBackTicks_;
    checkReadBack(readBackTicks_ * kReadBackPollMs >= kReadBackLimitMs);
  });
  t->start(kReadBackPollMs);
  poll_ = t;
}

void SetupRestorer::checkReadBack(bool last) {
  const RadioState& st = w_.core()->state();
  for (auto it = pending_.begin(); it != pending_.end();) {
    const bool answered = st.get_MenuReplyCount(it->first.no) != it->second;
    if (!answered && !last) {
      ++it;
      continue;
    }
    if (answered) readBackTicks_ = 0;
    MenuListItem rec;
    const bool same = answered && st.get_MenuItem(it->first.no, &rec) && setupItemMatches(rec, it->first);
    (!answered ? summary_.unconfirmed : same ? summary_.confirmed : summary_.refused).push_back(it->first.no);
    it = pending_.erase(it);
  }
  Q_EMIT progress(done(), total_);
  if (!pending_.empty()) return;
  if (poll_) poll_->deleteLater();
  poll_ = nullptr;
  std::function<void()> next = std::move(afterReadBack_);
  afterReadBack_ = nullptr;
  if (next) next();
}

void SetupRestorer::catRate() {
  if (cat_.empty() || w_.shutdownCount() > 0) {
    finish();
    return;
  }
  const SetupItem item = cat_.front();
  // The link went off meanwhile (switched off, the radio gone): the radio
  // is not moved to a speed the program would have to switch the link on
  // again to follow.
  if (w_.core()->state().get_AI_Stat() == 0) {
    summary_.unconfirmed.push_back(item.no);
    finish();
    return;
  }
  RadioState* st = w_.core()->writableState();
  stageSetupItem(*st, item);
  // From here an exit saves the speed the radio is being told, once the
  // command has gone out.
  if (Station* station = w_.core()->stationOrNull()) station->setSpeedTold(4800 << std::clamp(item.raw, 0, 3));
  w_.core()->request(kOpExSet, false, 0);
  pending_.assign(1, {item, 0});
  // As the menu list's OK: the settling pause, then the port follows.
  QTimer::singleShot(kRateSettleMs, Qt::PreciseTimer, this, [this, item] {
    QPointer<SetupRestorer> self(this);
    readOutsBefore_ = w_.readOutsDone();
    w_.part<PortPart>().changer.Cat_Rate_Change(item.raw, aiAtStart_, [self] {
      if (!self) return;
      // Ended by the change: taken again until the read-back is done.
      self->w_.part<PortPart>().changer.begin(&self->w_.widget());
      // Off now: the link is being switched on again, and the radio's
      // answer counts only after that read-out (auto-information comes on
      // before the read-out starts).
      self->relinking_ = self->w_.core() != nullptr && self->w_.core()->state().get_AI_Stat() == 0;
      self->awaitLink(0, 0);
    });
  });
}

void SetupRestorer::awaitLink(int waitedMs, int readingMs) {
  CoreLink* core = w_.core();
  const bool linked = core != nullptr && core->state().get_AI_Stat() != 0;
  const bool readingOut = linked && core->windowFlags().busy.load() != 0;
  const bool back = linked && !readingOut && (!relinking_ || w_.readOutsDone() > readOutsBefore_);
  // A read-out that runs is the link coming back, however slow the machine
  // or the line: only the time without one counts against the limit.
  const bool outOfTime = waitedMs >= kLinkBackLimitMs || readingMs >= kLinkBackReadOutLimitMs;
  if (back || outOfTime || w_.shutdownCount() > 0) {
    if (!back) {
      for (auto& p : pending_) summary_.unconfirmed.push_back(p.first.no);
      pending_.clear();
      finish();
      return;
    }
    readBack([this] { finish(); });
    return;
  }
  constexpr int kStep = kReadBackPollMs * 2;
  QTimer::singleShot(kStep, Qt::PreciseTimer, this, [this, waitedMs, readingMs, readingOut] {
    awaitLink(readingOut ? waitedMs : waitedMs + kStep, readingOut ? readingMs + kStep : readingMs);
  });
}

void SetupRestorer::finish() {
  if (holdsPort_) w_.part<PortPart>().changer.end();
  holdsPort_ = false;
  running_ = false;
  Q_EMIT progress(done(), total_);
  Q_EMIT finished();
}

// ---- the comparison window ----

CSetupCompareDlg::CSetupCompareDlg(MainWindowServices& w, const QString& path, const SetupFile& file)
    : QDialog(&w.widget()),
      w_(w),
      diffs_(compareSetup(file, w.core()->state())),
      restorer_(w, this),
      table_(new QTableWidget(static_cast<int>(diffs_.size()), 4, this)),
      progress_(new QProgressBar(this)),
      summary_(new QLabel(this)),
      restoreButton_(new QPushButton(QStringLiteral("Restore"), this)),
      closeButton_(new QPushButton(QStringLiteral("Close"), this)) {
  setWindowTitle(QStringLiteral("Compare radio with %1").arg(path));
  setModal(false);
  table_->setObjectName(QStringLiteral("differences"));
  table_->setAccessibleName(QStringLiteral("Items that differ; checked ones are restored"));
  progress_->setAccessibleName(QStringLiteral("Restore progress"));
  table_->setHorizontalHeaderLabels({QStringLiteral("No"), QStringLiteral("Name"), QStringLiteral("Radio"),
                                     QStringLiteral("File")});
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->setVisible(false);
  table_->horizontalHeader()->setStretchLastSection(true);
  for (int r = 0; r < static_cast<int>(diffs_.size()); ++r) {
    const SetupDifference& d = diffs_[static_cast<std::size_t>(r)];
    auto* no = new QTableWidgetItem(QStringLiteral("%1").arg(d.item.no, 3, 10, QLatin1Char('0')));
    // Checked rows are restored; the operator may leave some out. An item
    // unknown in the file has nothing to restore and no check box.
    if (d.item.known) {
      no->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
      no->setCheckState(Qt::Checked);
    } else {
      no->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    }
    table_->setItem(r, 0, no);
    table_->setItem(r, 1, new QTableWidgetItem(QString::fromStdString(d.name)));
    table_->setItem(r, 2, new QTableWidgetItem(QString::fromStdString(d.radioText)));
    table_->setItem(r, 3, new QTableWidgetItem(QString::fromStdString(d.fileText)));
  }
  table_->resizeColumnsToContents();
  summary_->setObjectName(QStringLiteral("summary"));
  const auto unknown = std::count_if(diffs_.begin(), diffs_.end(), [](const SetupDifference& d) { return !d.item.known; });
  QString said = diffs_.empty() ? QString::fromUtf8(kSetupSameText)
                                : QStringLiteral("%1 items differ from the file.").arg(diffs_.size() - unknown);
  if (unknown > 0) said += QStringLiteral(" %1 unknown in the file: a restore leaves them as they are.").arg(unknown);
  if (!file.note.empty()) said += QStringLiteral("\nThe file was %1.").arg(QString::fromStdString(file.note));
  summary_->setText(said);
  progress_->setObjectName(QStringLiteral("progress"));
  progress_->setVisible(false);
  restoreButton_->setObjectName(QStringLiteral("restore"));
  restoreButton_->setEnabled(unknown < static_cast<std::ptrdiff_t>(diffs_.size()));
  closeButton_->setObjectName(QStringLiteral("close"));
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(progress_, 1);
  buttons->addWidget(restoreButton_);
  buttons->addWidget(closeButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(table_);
  layout->addWidget(summary_);
  layout->addLayout(buttons);
  resize(640, 420);
  connect(restoreButton_, &QPushButton::clicked, this, &CSetupCompareDlg::restore);
  connect(closeButton_, &QPushButton::clicked, this, &CSetupCompareDlg::reject);
  connect(&restorer_, &SetupRestorer::progress, this, [this](int done, int total) {
    progress_->setRange(0, std::max(total, 1));
    progress_->setValue(done);
  });
  connect(&restorer_, &SetupRestorer::finished, this, [this] {
    summary_->setText(restorer_.summary().text());
    closeButton_->setEnabled(true);
  });
}

void CSetupCompareDlg::restore() {
  std::vector<SetupItem> chosen;
  for (int r = 0; r < table_->rowCount(); ++r) {
    const SetupItem& it = diffs_[static_cast<std::size_t>(r)].item;
    // The unknown ones go along to be named as skipped in the summary.
    if (!it.known || table_->item(r, 0)->checkState() == Qt::Checked) chosen.push_back(it);
  }
  QString reason;
  if (!restorer_.start(std::move(chosen), &reason)) {
    warn(this, QStringLiteral("Restore"), reason);
    return;
  }
  restoreButton_->setEnabled(false);
  closeButton_->setEnabled(false);
  table_->setEnabled(false);
  progress_->setVisible(true);
}

void CSetupCompareDlg::reject() {
  if (restorer_.running()) return;
  hide();
  deleteLater();
}

void CSetupCompareDlg::closeEvent(QCloseEvent* e) {
  e->ignore();
  reject();
}

// ---- the menu entries ----

bool loadSetupForRadio(MainWindowServices& w, const QString& path, SetupFile* file, SetupError* error) {
  return readSetupFile(path.toStdString(), file, error) && w.core() != nullptr &&
         checkSetupRadio(*file, radioIdOf(w.core()->state()), error);
}

void saveRadioSetup(MainWindowServices& w) {
  if (const QString why = setupNotReadReason(w); !why.isEmpty()) {
    warn(&w.widget(), QStringLiteral("Save radio set-up"), why);
    return;
  }
  QFileDialog* d = fileDialog(w, QStringLiteral("Save radio set-up"), QFileDialog::AcceptSave);
  QPointer<QWidget> guard(&w.widget());
  MainWindowServices* services = &w;
  QObject::connect(d, &QFileDialog::fileSelected, guard, [guard, services](const QString& path) {
    if (!guard) return;
    auto* ask = new QInputDialog(guard);
    ask->setObjectName(QStringLiteral("setupComment"));
    ask->setWindowTitle(QStringLiteral("Save radio set-up"));
    ask->setLabelText(QStringLiteral("A comment for the file (station, contest, antenna):"));
    ask->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(ask, &QInputDialog::textValueSelected, guard, [guard, services, path](const QString& comment) {
      afterSetupAnswers(*services, guard, [guard, services, path, comment] {
        // The read-out may have started again meanwhile.
        if (const QString why = setupNotReadReason(*services); !why.isEmpty()) {
          warn(guard, QStringLiteral("Save radio set-up"), why);
          return;
        }
        const WholeFileResult r =
            writeSetupFile(path.toStdString(), setupHeaderNow(*services, comment), services->core()->state());
        if (r) return;
        // In the log too: the message goes with its window, the log stays.
        if (Station* st = services->core()->stationOrNull()) st->log("set-up not saved: " + r.error);
        warn(guard, QStringLiteral("Save radio set-up"), QString::fromStdString(r.error));
      });
    });
    ask->open();
  });
  d->open();
}

void compareRadioWithFile(MainWindowServices& w) {
  if (const QString why = setupNotReadReason(w); !why.isEmpty()) {
    warn(&w.widget(), QStringLiteral("Compare radio with file"), why);
    return;
  }
  QFileDialog* d = fileDialog(w, QStringLiteral("Compare radio with file"), QFileDialog::AcceptOpen);
  QPointer<QWidget> guard(&w.widget());
  MainWindowServices* services = &w;
  QObject::connect(d, &QFileDialog::fileSelected, guard, [guard, services](const QString& path) {
    if (!guard) return;
    afterSetupAnswers(*services, guard, [guard, services, path] {
      SetupFile file;
      SetupError error;
      if (!loadSetupForRadio(*services, path, &file, &error)) {
        warn(guard, QStringLiteral("Compare radio with file"), QString::fromStdString(error.text()));
        return;
      }
      if (const QString why = setupNotReadReason(*services); !why.isEmpty()) {
        warn(guard, QStringLiteral("Compare radio with file"), why);
        return;
      }
      auto* dlg = new CSetupCompareDlg(*services, path, file);
      dlg->setObjectName(QStringLiteral("setupCompare"));
      dlg->show();
    });
  });
  d->open();
}

}  // namespace hrx::gui
