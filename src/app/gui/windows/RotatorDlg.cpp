#include "app/gui/windows/RotatorDlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QTimer>

#include "analysis/AnalyserMessages.h"
#include "app/OptionTexts.h"
#include "app/gui/widgets/PushHoldButton.h"
#include "app/gui/MainWindowServices.h"

namespace hrx::gui {

namespace {

constexpr int kOpCcw = 125;
constexpr int kOpCw = 126;
constexpr int kOpSlow = 127;
constexpr int kOpFast = 128;
const QColor kOrange(255, 128, 0);

struct HoldRow {
  int id;
  const char* text;
};
constexpr HoldRow kHold[] = {{1044, "CCW"}, {1045, "CW"}, {1046, "SLOW"}, {1047, "FAST"}};

}  // namespace

CRotatorDlg::CRotatorDlg(MainWindowServices& window) : OptionDialog(window, "Rotator", kMsgRotatorClosed, 0, 0) {
  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("DIRECTION"), this), 0, 0, 1, 2, Qt::AlignCenter);
  layout->addWidget(new QLabel(QStringLiteral("SPEED"), this), 0, 2, 1, 2, Qt::AlignCenter);
  direction_ = new QLabel(this);
  speed_ = new QLabel(this);
  direction_->setObjectName(controlName(1027));
  speed_->setObjectName(controlName(1028));
  for (QLabel* l : {direction_, speed_}) {
    makeValueLabel(*l);
    l->setMinimumWidth(dialogUnits(*this, 90, 0).width());
  }
  layout->addWidget(direction_, 1, 0, 1, 2);
  layout->addWidget(speed_, 1, 2, 1, 2);
  for (int i = 0; i < 4; ++i) {
    buttons_[i] = new PushHoldButton(QString::fromUtf8(kHold[i].text), i, this);
    buttons_[i]->setObjectName(controlName(kHold[i].id));
    buttons_[i]->setReceiver([this](const Msg& m) { onPushHold(m); });
    layout->addWidget(buttons_[i], 2, i);
  }
  repeat_ = new QTimer(this);
  repeat_->setInterval(kRotatorRepeatMs);
  connect(repeat_, &QTimer::timeout, this, &CRotatorDlg::repeatTick);
  onEvent(WM_ANL_EVT_RO);
}

bool CRotatorDlg::repeating() const { return repeat_->isActive(); }

void CRotatorDlg::onPushHold(const Msg& m) {
  const bool pressed = m.l != 0;
  switch (m.w) {
    case 0:
      request(kOpCcw, false, pressed ? 1 : 0);
      break;
    case 1:
      request(kOpCw, false, pressed ? 1 : 0);
      break;
    case 2:
    case 3:
      if (!pressed) {
        repeat_->stop();
        break;
      }
      repeatDirection_ = m.w == 3 ? Repeat::Fast : Repeat::Slow;
      request(m.w == 3 ? kOpFast : kOpSlow, false, 1);
      repeat_->start();
      break;
    default:
      break;
  }
}

void CRotatorDlg::repeatTick() {
  if (w_.core() == nullptr || !w_.core()->lineHealthy()) {
    repeat_->stop();
    return;
  }
  request(repeatDirection_ == Repeat::Fast ? kOpFast : kOpSlow, false, 1);
}

void CRotatorDlg::onEvent(MsgId id) {
  if (id != WM_ANL_EVT_RO || w_.core() == nullptr) return;
  const RadioState& s = w_.core()->state();
  const RotatorDirection d = rotatorDirection(s.get_RO_Value1());
  direction_->setText(QString::number(d.degrees));
  setTextColour(*direction_, d.overlap ? QColor(Qt::red) : kOrange);
  speed_->setText(QString::fromStdString(rotatorSpeedText(s.get_RO_Value2())));
  setTextColour(*speed_, kOrange);
}

}  // namespace hrx::gui
