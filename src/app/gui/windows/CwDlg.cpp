#include "app/gui/windows/CwDlg.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <string>

#include "analysis/AnalyserMessages.h"
#include "app/OptionTexts.h"
#include "app/gui/MainWindowServices.h"

namespace hrx::gui {

namespace {

constexpr int kMessagePlayId = 1055;
constexpr int kTextPlayId = 1060;
constexpr int kEditId = 1041;
constexpr int kWriteId = 1065;
constexpr int kOpMessagePlay = 128;   // + n
constexpr int kOpTextPlay = 133;      // + n
constexpr int kOpReadTexts = 147;
constexpr TextField kTexts[kCwChannels] = {TextField::KM_Text1, TextField::KM_Text2, TextField::KM_Text3,
                                           TextField::KM_Text4, TextField::KM_Text5};

QString channel(int n) { return QStringLiteral("Ch-%1").arg(n); }

}  // namespace

CCwDlg::CCwDlg(MainWindowServices& window) : OptionDialog(window, "CW", kMsgCwClosed, 0, 0) {
  auto* layout = new QGridLayout(this);
  auto* message = new QGroupBox(QStringLiteral("Message Play"), this);
  auto* text = new QGroupBox(QStringLiteral("Text Play"), this);
  auto* memories = new QGroupBox(QStringLiteral("Text"), this);
  auto* messageRow = new QHBoxLayout(message);
  auto* textRow = new QHBoxLayout(text);
  auto* memoryGrid = new QGridLayout(memories);
  for (int n = 1; n <= kCwChannels; ++n) {
    messageRow->addWidget(opButton(kMessagePlayId + n - 1, channel(n), kOpMessagePlay + n));
    textRow->addWidget(opButton(kTextPlayId + n - 1, channel(n), kOpTextPlay + n));
    memoryGrid->addWidget(new QLabel(channel(n), this), n - 1, 0);
    QLineEdit* e = edits_[n - 1] = new QLineEdit(this);
    e->setObjectName(controlName(kEditId + n - 1));
    e->setMinimumWidth(dialogUnits(*this, 200, 0).width());
    memoryGrid->addWidget(e, n - 1, 1);
    auto* wr = new QPushButton(channel(n) + QStringLiteral(" WR"), this);
    wr->setObjectName(controlName(kWriteId + n - 1));
    wr->setAutoDefault(false);
    connect(wr, &QPushButton::clicked, this, [this, n] { write(n); });
    memoryGrid->addWidget(wr, n - 1, 2);
  }
  note_ = new QLabel(this);
  setTextColour(*note_, Qt::red);
  layout->addWidget(message, 0, 0);
  layout->addWidget(text, 1, 0);
  layout->addWidget(memories, 2, 0);
  layout->addWidget(note_, 3, 0);
  if (w_.core() != nullptr)
    for (int n = 1; n <= kCwChannels; ++n) taken_[n - 1] = QString::fromStdString(w_.core()->state().text(kTexts[n - 1]));
  request(kOpReadTexts);
}

void CCwDlg::write(int n) {
  if (n < 1 || n > kCwChannels) return;
  const std::string text = edits_[n - 1]->text().toStdString();
  const CwTextCheck check = checkCwText(text);
  note_->setText(QString::fromUtf8(cwTextMessage(check)));
  if (check != CwTextCheck::Ok || w_.core() == nullptr) return;
  w_.core()->sendText("KM" + std::to_string(n) + text + ";");
}

void CCwDlg::onEvent(MsgId id) {
  if (id != WM_ANL_EVT_KM || w_.core() == nullptr) return;
  const RadioState& s = w_.core()->state();
  // Each reply names its memory, so a report that slips into the read-out
  // still lands in its own edit; the counter only tells the read-out's end.
  const int last = s.get_KM_LastNo();
  if (readOut_ < kCwChannels) ++readOut_;
  // The store names only the last reply decoded: one decoded before this
  // event was taken shows as a changed text.
  for (int n = 1; n <= kCwChannels; ++n) {
    const QString text = QString::fromStdString(s.text(kTexts[n - 1]));
    if (n != last && text == taken_[n - 1]) continue;
    taken_[n - 1] = text;
    showMemory(n, text);
  }
}

void CCwDlg::showMemory(int n, const QString& text) {
  // The radio pads a memory with blanks to its full width.
  QString shown = text;
  while (shown.endsWith(QLatin1Char(' '))) shown.chop(1);
  edits_[n - 1]->setText(shown);
}

}  // namespace hrx::gui
