#pragma once
// Saving the radio's set-up menu to a file, comparing the radio with a file
// and restoring the differing items. Every window here is modeless and
// every wait of a restore is a timer step on the window's thread.
#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <vector>

#include "menulist/SetupFile.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTimer;

namespace hrx::gui {

class MainWindowServices;

inline constexpr int kCmdSaveSetup = 32791;
inline constexpr int kCmdCompareSetup = 32792;
inline constexpr const char* kSetupNotReadText =
    "The radio's set-up menu has not been read yet.\nSwitch the link on (COM) and wait until the read-out has ended.";
inline constexpr const char* kSetupBusyText = "The menu list or a port change is in progress.\nPlease finish it first.";
inline constexpr const char* kSetupSameText = "The radio matches the file.";
// A read-back not answered within this is not confirmed. The link's return
// after a CAT RATE change is waited for a minute without a read-out running,
// and five minutes of read-out at most.
inline constexpr int kReadBackLimitMs = 3000;
inline constexpr int kReadBackPollMs = 50;
inline constexpr int kLinkBackLimitMs = 60000;
inline constexpr int kLinkBackReadOutLimitMs = 300000;

// Why the radio's set-up cannot be taken now (empty: it can): no read-out
// has ended, or one is running.
QString setupNotReadReason(MainWindowServices& w);
// True once every menu item has been answered at least once.
bool setupAllAnswered(const RadioState& state);
// A read-out ends when its last query is sent, not answered: `then` runs
// once every item has its answer, or after kReadBackLimitMs (an item the
// radio never answers must not stop a save), and not if `guard` is gone.
void afterSetupAnswers(MainWindowServices& w, QObject* guard, std::function<void()> then);
// The header of a file saved now.
SetupHeader setupHeaderNow(MainWindowServices& w, const QString& comment);

struct RestoreSummary {
  std::vector<int> confirmed, refused, unconfirmed;   // item numbers
  std::vector<int> skipped;   // unknown in the file: nothing written
  // "3 written and confirmed, 1 refused by the radio (038), ...", and the
  // skipped ones after a semicolon when there are any.
  QString text() const;
};

// Writes items to the radio as the menu list does: marked in the catalogue,
// one menu write by the composer (10 ms between items), the menu list's
// settling pause, then each item read back ("EXnnn;") and compared. CAT
// RATE goes last, through the menu list's port-speed change, and is read
// back once the link is back at the new speed. The port changer is held
// from the start to the end of the last read-back, so no port change and no
// menu list's OK goes out meanwhile. Items the file holds as unknown are
// skipped (RestoreSummary::skipped).
class SetupRestorer final : public QObject {
  Q_OBJECT

 public:
  explicit SetupRestorer(MainWindowServices& w, QObject* parent = nullptr);
  // False with the reason when the radio cannot take a restore now.
  bool start(std::vector<SetupItem> items, QString* reason);
  bool running() const { return running_; }
  int total() const { return total_; }
  const RestoreSummary& summary() const { return summary_; }

 Q_SIGNALS:
  void progress(int done, int total);
  void finished();

 private:
  void writeAndCheck(std::vector<SetupItem> items, std::function<void()> next);
  void readBack(std::function<void()> next);
  void awaitWrites(int waitedMs, bool taken);
  void checkReadBack(bool last);
  void catRate();
  void awaitLink(int waitedMs, int readingMs);
  void finish();
  int done() const;

  MainWindowServices& w_;
  bool running_ = false;
  bool aiAtStart_ = false;
  int total_ = 0;
  std::vector<SetupItem> plain_;
  std::vector<SetupItem> cat_;
  // The read-back in progress: items and their reply counts when asked.
  std::vector<std::pair<SetupItem, std::uint32_t>> pending_;
  std::function<void()> afterReadBack_;
  int readBackTicks_ = 0;
  int readOutsBefore_ = 0;
  bool relinking_ = false;
  bool holdsPort_ = false;   // the port changer, taken for the whole restore
  QPointer<QTimer> poll_;
  RestoreSummary summary_;
};

// The comparison: every item whose value in the file differs from the
// radio's, checked for restoring; Restore writes the checked ones.
class CSetupCompareDlg final : public QDialog {
  Q_OBJECT

 public:
  CSetupCompareDlg(MainWindowServices& w, const QString& path, const SetupFile& file);
  QTableWidget* table() const { return table_; }
  QProgressBar* progressBar() const { return progress_; }
  QLabel* summaryLabel() const { return summary_; }
  SetupRestorer& restorer() { return restorer_; }
  void restore();

 protected:
  void closeEvent(QCloseEvent* e) override;
  void reject() override;

 private:
  MainWindowServices& w_;
  std::vector<SetupDifference> diffs_;
  SetupRestorer restorer_;
  QTableWidget* table_;
  QProgressBar* progress_;
  QLabel* summary_;
  QPushButton* restoreButton_;
  QPushButton* closeButton_;
};

// The menu entries: a Qt file dialog each; saving then asks for the
// comment; comparing opens the comparison or says why the file is refused.
void saveRadioSetup(MainWindowServices& w);
void compareRadioWithFile(MainWindowServices& w);
// A file that cannot be used: read, checked against this radio, or the
// reason (with its line number) in `error`.
bool loadSetupForRadio(MainWindowServices& w, const QString& path, SetupFile* file, SetupError* error);

}  // namespace hrx::gui
