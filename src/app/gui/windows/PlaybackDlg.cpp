#include "app/gui/windows/PlaybackDlg.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "analysis/AnalyserMessages.h"
#include "app/gui/MainWindowServices.h"

namespace hrx::gui {

namespace {

struct ButtonRow {
  int id;
  const char* text;
  int op;
  int group;   // 0 voice memory, 1 audio playback
  int row;
  int column;
};

constexpr ButtonRow kButtons[] = {
    {1026, "Ch-1", 109, 0, 0, 1}, {1027, "Ch-2", 110, 0, 0, 2}, {1028, "Ch-3", 111, 0, 0, 3},
    {1029, "Ch-4", 112, 0, 0, 4}, {1030, "Ch-5", 113, 0, 0, 5}, {1031, "STOP", 114, 0, 0, 6},
    {1034, "Ch-1", 115, 0, 1, 1}, {1035, "Ch-2", 116, 0, 1, 2}, {1036, "Ch-3", 117, 0, 1, 3},
    {1037, "Ch-4", 118, 0, 1, 4}, {1038, "Ch-5", 119, 0, 1, 5}, {1039, "STOP", 120, 0, 1, 6},
    {1032, "REC", 121, 1, 0, 1},  {1033, "REC STOP", 122, 1, 0, 2}, {1040, "PLAY", 123, 1, 1, 1},
    {1041, "PLAY STOP", 124, 1, 1, 2},
};

}  // namespace

CPlaybackDlg::CPlaybackDlg(MainWindowServices& window) : OptionDialog(window, "Playback", kMsgPlaybackClosed, 0, 0) {
  auto* layout = new QGridLayout(this);
  rec_ = new QLabel(QStringLiteral("REC"), this);
  play_ = new QLabel(QStringLiteral("PLAY"), this);
  rec_->setObjectName(controlName(1024));
  play_->setObjectName(controlName(1025));
  for (QLabel* l : {rec_, play_}) {
    l->setAlignment(Qt::AlignCenter);
    l->setAutoFillBackground(true);
    l->setFrameShape(QFrame::Box);
    l->setMinimumWidth(dialogUnits(*this, 40, 0).width());
  }
  layout->addWidget(rec_, 0, 0);
  layout->addWidget(play_, 0, 1);

  QGroupBox* groups[2] = {new QGroupBox(QStringLiteral("Voice Memory"), this),
                          new QGroupBox(QStringLiteral("Audio Playback"), this)};
  QGridLayout* grids[2] = {new QGridLayout(groups[0]), new QGridLayout(groups[1])};
  for (QGridLayout* g : grids) {
    g->addWidget(new QLabel(QStringLiteral("REC"), this), 0, 0);
    g->addWidget(new QLabel(QStringLiteral("PLAY"), this), 1, 0);
  }
  for (const ButtonRow& b : kButtons)
    grids[b.group]->addWidget(opButton(b.id, QString::fromUtf8(b.text), b.op), b.row, b.column);
  layout->addWidget(groups[0], 1, 0, 1, 2);
  layout->addWidget(groups[1], 2, 0, 1, 2);
  showState();
}

void CPlaybackDlg::onEvent(MsgId id) {
  if (id == WM_ANL_EVT_RI) showState();
}

void CPlaybackDlg::showState() {
  const bool recording = w_.core() != nullptr && w_.core()->state().get_RI_3() == 1;
  const bool playing = w_.core() != nullptr && w_.core()->state().get_RI_4() == 1;
  auto paint = [](QLabel& l, bool lit, const QColor& colour) {
    QPalette p = l.palette();
    p.setColor(QPalette::Window, lit ? colour : QColor(Qt::white));
    l.setPalette(p);
  };
  paint(*rec_, recording, Qt::red);
  paint(*play_, playing, Qt::green);
  rec_->setText(QStringLiteral("REC"));
  play_->setText(QStringLiteral("PLAY"));
}

}  // namespace hrx::gui
