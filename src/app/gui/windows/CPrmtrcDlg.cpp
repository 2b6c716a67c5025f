#include "app/gui/windows/CPrmtrcDlg.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <ctime>

#include "app/gui/widgets/EqualiserButtons.h"
#include "app/gui/widgets/EqualiserGraph.h"
#include "equaliser/EqResponse.h"
#include "equaliser/PefFile.h"

namespace hrx::gui {

namespace {

// The template's 675 x 365 dialog units in pixels, and where its parts sit.
constexpr int kWidth = 1012;
constexpr int kHeight = 640;
constexpr int kGraphX = 70;
constexpr int kGraphY = 12;
constexpr int kFrameY = 400;
constexpr int kFrameW = 310;
constexpr int kFrameH = 170;
constexpr int kFrameX[eq::kBands] = {20, 351, 682};
constexpr int kRowY[3] = {30, 78, 126};
constexpr const char* kRowCaption[3] = {"FREQ", "LEVEL", "BWTH"};

constexpr int kDbLabels[] = {20, 15, 10, 5, 0, -5, -10, -15, -20};
constexpr int kHzLabels[] = {50, 100, 200, 300, 500, 1000, 2000, 3000, 5000};

QString rgbText(std::uint32_t rgb) {
  return QStringLiteral("rgb(%1,%2,%3)").arg((rgb >> 16) & 0xFF).arg((rgb >> 8) & 0xFF).arg(rgb & 0xFF);
}

}  // namespace

CPrmtrcDlg::CPrmtrcDlg(CoreSource core, int variant, QWidget* parent, std::function<void()> closed)
    : QDialog(parent), core_(std::move(core)), editor_(*this, variant), closed_(std::move(closed)) {
  setModal(false);
  setWindowTitle(QString::fromUtf8(eq::kVariants[editor_.variant()].title));
  build();
  editor_.open();
}

CPrmtrcDlg::~CPrmtrcDlg() {
  // A window destroyed without closing still sends what was waiting.
  if (!ended_) editor_.close();
  for (auto& [id, t] : timers_) t->stop();
}

void CPrmtrcDlg::build() {
  setFixedSize(kWidth, kHeight);
  graph_ = new EqGraphWidget(this);
  graph_->setObjectName(QStringLiteral("graph%1").arg(eq::kGraphControl));
  graph_->move(kGraphX, kGraphY);

  for (int db : kDbLabels) {
    auto* l = new QLabel(db > 0 ? QStringLiteral("+%1").arg(db) : QString::number(db), this);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setGeometry(kGraphX - 48, kGraphY + static_cast<int>(eq::graphY(db)) - 8, 40, 16);
  }
  for (int hz : kHzLabels) {
    auto* l = new QLabel(QString::number(hz), this);
    l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    l->setGeometry(kGraphX + static_cast<int>(eq::graphX(hz)) - 25, kGraphY + eq::kCanvasHeight + 4, 50, 16);
  }

  const auto sink = [this](int code, bool pressed) { onHoldButton(code, pressed); };
  QFont arrowFont(QStringLiteral("Arial"));
  arrowFont.setPixelSize(50);
  const eq::Variant& var = eq::kVariants[editor_.variant()];
  for (int b = 0; b < eq::kBands; ++b) {
    auto* frame = new QGroupBox(QString::fromUtf8(var.frames[b]), this);
    frame->setObjectName(QStringLiteral("frame%1").arg(eq::kFrameControls[b]));
    frame->setGeometry(kFrameX[b], kFrameY, kFrameW, kFrameH);
    const QString colour = rgbText(eq::kBandColours[b]);
    frame->setStyleSheet(QStringLiteral("QGroupBox{color:%1;font-weight:bold;} QLabel{color:%1;}").arg(colour));
    for (int row = 0; row < 3; ++row) {
      const int p = b * 3 + row;
      auto* caption = new QLabel(QString::fromUtf8(kRowCaption[row]), frame);
      caption->setGeometry(10, kRowY[row], 56, 40);
      auto* field = new QLineEdit(frame);
      field->setObjectName(QStringLiteral("value%1").arg(eq::kValueControls[p]));
      field->setReadOnly(true);
      field->setFocusPolicy(Qt::NoFocus);
      field->setAlignment(Qt::AlignCenter);
      field->setStyleSheet(QStringLiteral("QLineEdit{background:white;color:black;}"));
      field->setGeometry(124, kRowY[row] + 4, 110, 32);
      field->setAccessibleName(frame->title() + QLatin1Char(' ') + caption->text());
      fields_[p] = field;
    }
  }
  for (const eq::Arrow& a : eq::kArrows) {
    const int b = eq::paramBand(a.param);
    const int row = static_cast<int>(eq::paramKind(a.param));
    QWidget* frame = findChild<QGroupBox*>(QStringLiteral("frame%1").arg(eq::kFrameControls[b]));
    QAbstractButton* btn = makeHoldButton(frame, a.code, a.left ? QStringLiteral("\u25C2") : QStringLiteral("\u25B8"), sink);
    btn->setObjectName(QStringLiteral("button%1").arg(a.control));
    // The arrows said in words: the band, the value and the way.
    btn->setAccessibleName(QStringLiteral("%1 %2 %3").arg(static_cast<QGroupBox*>(frame)->title(),
                                                          QString::fromUtf8(kRowCaption[row]),
                                                          a.left ? QStringLiteral("down") : QStringLiteral("up")));
    btn->setFont(arrowFont);
    btn->setGeometry(a.left ? 68 : 240, kRowY[row], 52, 40);
    buttons_[a.code] = btn;
  }
  int x = 120;
  for (const eq::CommandButton& c : eq::kCommandButtons) {
    QAbstractButton* btn = makeHoldButton(this, c.code, QString::fromUtf8(c.text), sink);
    btn->setObjectName(QStringLiteral("button%1").arg(c.control));
    btn->setGeometry(x, kFrameY + kFrameH + 20, 130, 36);
    buttons_[c.code] = btn;
    x += 160;
  }
}

QAbstractButton* CPrmtrcDlg::button(int code) const {
  auto it = buttons_.find(code);
  return it == buttons_.end() ? nullptr : it->second;
}

QLineEdit* CPrmtrcDlg::valueField(int param) const {
  return param >= 0 && param < eq::kParams ? fields_[param] : nullptr;
}

void CPrmtrcDlg::onHoldButton(int code, bool pressed) {
  if (!pressed && code == eq::kCodeFileSave) {
    fileSave();
    return;
  }
  if (!pressed && code == eq::kCodeFileLoad) {
    fileLoad();
    return;
  }
  editor_.onButton(code, pressed);
}

void CPrmtrcDlg::fileSave() {
  if (!editor_.filesAllowed()) return;
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const QString name = QString::fromStdString(eq::defaultPefName(local));
  QString path;
  if (chooser) {
    path = chooser(true, name);
  } else {
    QFileDialog dlg(this, QStringLiteral("File Save"), QDir::currentPath(),
                    QString::fromUtf8(kPefFilter));
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setDefaultSuffix(QStringLiteral("pef"));
    dlg.selectFile(name);
    if (dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty()) path = dlg.selectedFiles().first();
  }
  if (!path.isEmpty()) saveTo(path);
}

void CPrmtrcDlg::fileLoad() {
  if (!editor_.filesAllowed()) return;
  QString path;
  if (chooser) {
    path = chooser(false, QString());
  } else {
    QFileDialog dlg(this, QStringLiteral("File Load"), QDir::currentPath(),
                    QString::fromUtf8(kPefFilter));
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    if (dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty()) path = dlg.selectedFiles().first();
  }
  if (!path.isEmpty()) loadFrom(path);
}

void CPrmtrcDlg::saveTo(const QString& path) {
  if (editor_.saveTo(QFile::encodeName(path).toStdString()) != eq::PrmtrcEditor::FileResult::Failed) return;
  // The file that was there (if any) is as it was.
  std::fprintf(stderr, "hrx900: equaliser file not saved: %s\n", QFile::encodeName(path).constData());
  auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(), QStringLiteral("The file could not be saved."),
                              QMessageBox::Ok, this);
  box->setObjectName(QStringLiteral("saveFailed"));
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
}

void CPrmtrcDlg::loadFrom(const QString& path) {
  if (editor_.loadFrom(QFile::encodeName(path).toStdString()) != eq::PrmtrcEditor::FileResult::Failed) return;
  if (badFile_) return;
  auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(), QString::fromUtf8(eq::kBadFileText), QMessageBox::Ok,
                              this);
  box->setAttribute(Qt::WA_DeleteOnClose);
  badFile_ = box;
  box->open();
}

bool CPrmtrcDlg::menuItemByType(int type, MenuListItem* out) {
  CoreLink* core = core_();
  return core != nullptr && core->state().get_MenuItemByType(type, out);
}

int CPrmtrcDlg::aiStat() {
  CoreLink* core = core_();
  return core == nullptr ? 0 : core->state().get_AI_Stat();
}

void CPrmtrcDlg::writeCommand(std::string_view command) {
  CoreLink* core = core_();
  if (core == nullptr || !core->writeCommand(command)) return;
  core->request(eq::kOpSendKick, false, 0);
}

void CPrmtrcDlg::startTimer(std::uint32_t id, int periodMs) {
  QTimer*& t = timers_[id];
  if (t == nullptr) {
    // A QTimer never has more than one tick pending.
    t = new QTimer(this);
    t->setTimerType(Qt::PreciseTimer);
    connect(t, &QTimer::timeout, this, [this, id] {
      if (id == eq::kTimerPaint) drawGraph();
      else editor_.onTimer(id);
    });
  }
  t->start(periodMs);
}

void CPrmtrcDlg::killTimer(std::uint32_t id) {
  auto it = timers_.find(id);
  if (it != timers_.end()) it->second->stop();
}

QMessageBox* CPrmtrcDlg::badFileBox() const { return badFile_.data(); }

bool CPrmtrcDlg::timerRunning(std::uint32_t id) const {
  auto it = timers_.find(id);
  return it != timers_.end() && it->second->isActive();
}

void CPrmtrcDlg::showBand(int band) {
  for (int row = 0; row < 3; ++row) {
    const int p = band * 3 + row;
    if (QLineEdit* f = valueField(p)) f->setText(QString::fromStdString(editor_.valueText(p)));
  }
}

void CPrmtrcDlg::redrawGraph() {
  // One drawing at a time: a request while one is pending joins it.
  if (!timerRunning(eq::kTimerPaint)) startTimer(eq::kTimerPaint, eq::kPaintDelayMs);
}

void CPrmtrcDlg::drawGraph() {
  killTimer(eq::kTimerPaint);
  graph_->render(editor_.values(), editor_.lastBand());
}

void CPrmtrcDlg::closeEvent(QCloseEvent* e) {
  if (!ended_) {
    ended_ = true;
    editor_.close();
    if (closed_) closed_();
  }
  e->accept();
}

void CPrmtrcDlg::keyPressEvent(QKeyEvent* e) {
  // Enter does not close the window; Escape does, as the close box.
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    e->accept();
    return;
  }
  QDialog::keyPressEvent(e);
}

}  // namespace hrx::gui
