#include "app/gui/windows/RepeaterDlg.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "analysis/AnalyserMessages.h"
#include "app/OptionTexts.h"
#include "app/gui/MainWindowServices.h"

namespace hrx::gui {

namespace {

constexpr int kOpCnSet = 142;
constexpr int kOpReadSide = 146;

struct ButtonRow {
  int id;
  const char* text;
  int op;   // 0: Freq
  int group;
  const char* spoken;   // what a screen reader says, where the text is a sign
};
constexpr ButtonRow kButtons[] = {
    {1026, "OFF", 139, 0, nullptr}, {1027, "ENC", 140, 0, nullptr},       {1028, "SQL", 141, 0, nullptr},
    {1029, "Freq", 0, 1, nullptr},  {1030, "S", 143, 2, "Simplex"},       {1031, "-", 145, 2, "Minus shift"},
    {1032, "+", 144, 2, "Plus shift"},
};
constexpr const char* kGroups[] = {"CTCSS MODE", "CTCSS TONE FREQUENCY", "REPEATER SHIFT DIRECTION"};

}  // namespace

CToneListDlg::CToneListDlg(QWidget* parent, int selected) : QDialog(parent) {
  setWindowTitle(QStringLiteral("CTCSS Tone Frequency (Hz)"));
  auto* layout = new QVBoxLayout(this);
  list_ = new QListWidget(this);
  list_->setObjectName(controlName(1001));
  list_->setAccessibleName(windowTitle());
  for (int cn = 0; cn < kToneCount; ++cn) list_->addItem(QString::fromUtf8(toneText(cn)));
  if (selected >= 0 && selected < kToneCount) list_->setCurrentRow(selected);
  layout->addWidget(list_);
  auto* buttons = new QHBoxLayout;
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  auto* cancel = new QPushButton(QStringLiteral("CANCEL"), this);
  ok->setDefault(true);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
}

int CToneListDlg::chosen() const {
  const int row = list_->currentRow();
  return row >= 0 && row < kToneCount ? row : -1;
}

CRepeaterDlg::CRepeaterDlg(MainWindowServices& window) : OptionDialog(window, "Repeater", kMsgRepeaterClosed, 0, 0) {
  if (w_.core() != nullptr) sub_ = w_.core()->state().get_VS_Stat() == 1;
  auto* layout = new QVBoxLayout(this);
  side_ = new QLabel(sub_ ? QStringLiteral("<VFO-B>") : QStringLiteral("<VFO-A>"), this);
  side_->setObjectName(controlName(1042));
  layout->addWidget(side_);
  QLabel** values[] = {&mode_, &tone_, &shift_};
  QHBoxLayout* rows[3];
  for (int g = 0; g < 3; ++g) {
    auto* box = new QGroupBox(QString::fromUtf8(kGroups[g]), this);
    auto* v = new QVBoxLayout(box);
    QLabel* value = *values[g] = new QLabel(this);
    value->setObjectName(controlName(1043 + g));
    makeValueLabel(*value);
    value->setMinimumWidth(dialogUnits(*this, 160, 0).width());
    v->addWidget(value);
    rows[g] = new QHBoxLayout;
    v->addLayout(rows[g]);
    layout->addWidget(box);
  }
  for (const ButtonRow& b : kButtons) {
    auto* button = new QPushButton(QString::fromUtf8(b.text), this);
    button->setObjectName(controlName(b.id));
    if (b.spoken != nullptr) button->setAccessibleName(QString::fromUtf8(b.spoken));
    button->setAutoDefault(false);
    if (b.op == 0) {
      connect(button, &QPushButton::clicked, this, &CRepeaterDlg::openToneList);
    } else {
      const int op = b.op;
      connect(button, &QPushButton::clicked, this, [this, op] { request(op, sub_); });
    }
    rows[b.group]->addWidget(button);
  }
  request(kOpReadSide, sub_);
  for (MsgId id : {WM_ANL_EVT_CT, WM_ANL_EVT_CN, WM_ANL_EVT_OS}) onEvent(id);
}

void CRepeaterDlg::openToneList() {
  if (toneList_ != nullptr || w_.core() == nullptr) return;
  const RadioState& s = w_.core()->state();
  toneList_ = new CToneListDlg(this, sub_ ? s.get_CN_1() : s.get_CN_0());
  toneList_->setAttribute(Qt::WA_DeleteOnClose);
  connect(toneList_, &QDialog::finished, this, [this](int result) {
    if (result == QDialog::Accepted && toneList_->chosen() >= 0) request(kOpCnSet, sub_, toneList_->chosen());
    toneList_ = nullptr;
  });
  toneList_->open();
}

void CRepeaterDlg::onEvent(MsgId id) {
  if (w_.core() == nullptr) return;
  const RadioState& s = w_.core()->state();
  if (id == WM_ANL_EVT_CT) mode_->setText(QString::fromUtf8(ctcssModeText(sub_ ? s.get_CT_Sub() : s.get_CT_Main())));
  if (id == WM_ANL_EVT_CN) tone_->setText(QString::fromUtf8(toneText(sub_ ? s.get_CN_1() : s.get_CN_0())));
  if (id == WM_ANL_EVT_OS) shift_->setText(QString::fromUtf8(shiftText(sub_ ? s.get_OS_Sub() : s.get_OS_Main())));
}

}  // namespace hrx::gui
