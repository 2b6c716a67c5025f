#include "app/gui/windows/PortWindows.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>

#include "app/gui/MainWindowServices.h"
#include "serial/CommSetting.h"

namespace hrx::gui {

Station* PortChanger::station() const { return w_.core() != nullptr ? w_.core()->stationOrNull() : nullptr; }

bool PortChanger::begin(QWidget* over) {
  if (!running_) {
    running_ = true;
    return true;
  }
  auto* box = new QMessageBox(QMessageBox::Warning, QString::fromUtf8(kCaption), QString::fromUtf8(kPortChangeBusyText),
                              QMessageBox::Ok, over);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
  return false;
}

void PortChanger::stopTimer(QPointer<QObject>& timer) {
  if (auto* t = qobject_cast<QTimer*>(timer.data())) {
    t->stop();
    t->deleteLater();
  }
  timer = nullptr;
}

void PortChanger::end() {
  stopTimer(pollTimer_);
  stopTimer(probeTimer_);
  aiDone_ = nullptr;
  probeDone_ = nullptr;
  running_ = false;
}

void PortChanger::probe(int number, std::function<void(bool)> done) {
  Station* st = station();
  const ComPort::Probe p = st != nullptr ? st->port.ProbePort(number - 1) : ComPort::Probe::Unusable;
  if (p != ComPort::Probe::Pending) {
    done(p == ComPort::Probe::Usable);
    return;
  }
  probeDone_ = std::move(done);
  probeIndex_ = number - 1;
  probeLooks_ = 0;
  auto* t = new QTimer(this);
  connect(t, &QTimer::timeout, this, &PortChanger::lookProbe);
  t->start(kProbeLookMs);
  probeTimer_ = t;
}

void PortChanger::lookProbe() {
  Station* st = station();
  ComPort::Probe p = st != nullptr ? st->port.probeOutcome(probeIndex_) : ComPort::Probe::Unusable;
  if (p == ComPort::Probe::Pending && ++probeLooks_ < kProbeLooks) return;
  if (p == ComPort::Probe::Pending) {
    st->port.cancelProbe(probeIndex_);
    p = ComPort::Probe::Unusable;
  }
  stopTimer(probeTimer_);
  std::function<void(bool)> done = std::move(probeDone_);
  probeDone_ = nullptr;
  if (done) done(p == ComPort::Probe::Usable);
}

bool PortChanger::saveSettings() {
  Station* st = station();
  if (st == nullptr) return false;
  std::string error;
  if (WriteCommSetting(st->port, st->settingsField3(), st->settingsDir(), &error)) return true;
  // Said now: the exit's save may fail the same way, and the operator should
  // know before the port and speed are needed again.
  st->log("settings not saved: " + error);
  return false;
}

void PortChanger::switchOffAndClose(std::function<void(bool)> done) {
  if (w_.core() == nullptr || w_.core()->state().get_AI_Stat() == 0) {
    if (Station* st = station()) st->port.Close();
    done(true);
    return;
  }
  aiDone_ = std::move(done);
  polls_ = 0;
  w_.core()->request(kOpComSw, false, 0);
  auto* t = new QTimer(this);
  t->setTimerType(Qt::PreciseTimer);
  connect(t, &QTimer::timeout, this, [this] {
    ++polls_;
    checkAi();
  });
  t->start(kAiOffPollMs);
  pollTimer_ = t;
}

void PortChanger::aiReported() {
  if (aiDone_) checkAi();
}

// The analyser writes the store before the mirror the connection switch
// reads; off counts only when both say so, or switching on again could
// find the mirror still on and switch the link off instead.
bool PortChanger::linkOff() {
  PanelMirror* mirror = w_.core()->mirror();
  return w_.core()->state().get_AI_Stat() == 0 && (mirror == nullptr || mirror->get_AI_Stat() == 0);
}

void PortChanger::checkAi() {
  if (!aiDone_) return;
  if (linkOff()) finishAiWait(true);
  else if (polls_ >= kAiOffPolls) finishAiWait(false);
}

void PortChanger::finishAiWait(bool off) {
  stopTimer(pollTimer_);
  if (off) {
    if (Station* st = station()) st->port.Close();
  }
  std::function<void(bool)> done = std::move(aiDone_);
  aiDone_ = nullptr;
  done(off);
}

void PortChanger::reconnectOrOpen(bool reconnect) {
  // A window shut down meanwhile has closed the port for good.
  if (w_.shutdownCount() > 0) return;
  if (reconnect) {
    if (w_.core() == nullptr) return;
    Station* st = station();
    // A silent radio is waited for: the switch would give that wish up;
    // the wait's next question goes out at the new speed instead.
    if (st != nullptr && st->awaitingRadio()) st->port.Open();
    // The link never went off: the switch would turn it off, not on.
    else if (linkOff()) w_.core()->request(kOpComSw, false, 0);
    else if (st != nullptr && !st->port.IsOpen()) st->port.Open();
  } else if (Station* st = station()) {
    st->port.Open();
  }
}

void PortChanger::Cat_Rate_Change(int index, bool reconnect, std::function<void()> done) {
  running_ = true;
  if (index < 0 || index > 3) index = 0;
  if (Station* st = station()) {
    st->port.SetBaudRate(4800 << index);
    st->setSpeedTold(0);
    saveSettings();
  }
  switchOffAndClose([this, reconnect, done = std::move(done)](bool) {
    reconnectOrOpen(reconnect);
    end();
    done();
  });
}

void PortChanger::changeBaudRate(int rate, bool reconnect, std::function<void()> done) {
  running_ = true;
  if (Station* st = station()) {
    const std::string cmd = catRateCommand(st->state, rate);
    // Told before it is queued: the exit saves the speed once it went out.
    st->setSpeedTold(rate);
    if (!cmd.empty() && st->sendRing.Sio_RingBuff_Write(static_cast<std::int16_t>(cmd.size()), cmd.data()) > 0)
      w_.core()->request(kOpSendKick, false, 0);
    else
      st->setSpeedTold(0);
  }
  switchOffAndClose([this, rate, reconnect, done = std::move(done)](bool) {
    QTimer::singleShot(kRateSettleMs, Qt::PreciseTimer, this, [this, rate, reconnect, done] {
      if (Station* st = station()) {
        st->port.SetBaudRate(rate);
        st->setSpeedTold(0);
        st->port.Close();
      }
      reconnectOrOpen(reconnect);
      saveSettings();
      end();
      done();
    });
  });
}

// ---- the two windows ----

PortListDlg::PortListDlg(MainWindowServices& w, const char* caption, MsgId endMsg)
    : QDialog(&w.widget()), w_(w), list_(new QListWidget(this)), endMsg_(endMsg) {
  setWindowTitle(QString::fromUtf8(caption));
  list_->setObjectName(QStringLiteral("list1019"));
  list_->setAccessibleName(QString::fromUtf8(caption));
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("ok"));
  auto* cancel = new QPushButton(QStringLiteral("CANCEL"), this);
  cancel->setObjectName(QStringLiteral("cancel"));
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  buttons->addStretch();
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(list_);
  layout->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, [this] {
    if (!applying_) apply();
  });
  connect(cancel, &QPushButton::clicked, this, [this] {
    if (!applying_) finishWith();
  });
  // Clicking the row already shown is a choice too.
  connect(list_, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { chosen_ = item->data(Qt::UserRole).toInt(); });
  connect(list_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
    chosen_ = item->data(Qt::UserRole).toInt();
    if (!applying_) apply();
  });
}

void PortListDlg::finishWith() {
  if (ended_) return;
  ended_ = true;
  hide();
  w_.postMessage(endMsg_, 0, 0);
}

void PortListDlg::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) {
    if (!applying_) finishWith();
    return;
  }
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    if (!applying_) apply();
    return;
  }
  QDialog::keyPressEvent(e);
}

void PortListDlg::closeEvent(QCloseEvent* e) {
  e->ignore();
  if (!applying_) finishWith();
}

namespace {
void fillList(QListWidget* list, const char* name, int value, int current) {
  auto* item = new QListWidgetItem(QString::fromUtf8(name), list);
  item->setData(Qt::UserRole, value);
  if (value == current) list->setCurrentItem(item);
}
}  // namespace

CComSelectDlg::CComSelectDlg(MainWindowServices& w) : PortListDlg(w, "COM Select", kMsgComSelectEnd) {
  Station* st = w.part<PortPart>().changer.station();
  const int current = st != nullptr ? st->port.GetPortNumber() : 0;
  for (const ComPortRow& r : kComPortTable) {
    if (r.number == 0) break;
    fillList(list_, r.name, r.number, current);
  }
  // Only the operator's choice counts, not the row shown at opening.
  connect(list_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
    if (item != nullptr) chosen_ = item->data(Qt::UserRole).toInt();
  });
}

void CComSelectDlg::apply() {
  PortChanger& changer = w_.part<PortPart>().changer;
  Station* st = changer.station();
  const int s = chosen_;
  if (s == 0 || st == nullptr) {
    finishWith();
    return;
  }
  if (!changer.begin(this)) return;
  if (s == st->port.GetPortNumber()) {
    changer.saveSettings();
    changer.end();
    finishWith();
    return;
  }
  applying_ = true;
  QPointer<CComSelectDlg> self(this);
  changer.probe(s, [self, st, s, &changer](bool usable) {
    if (!self) {
      changer.end();
      return;
    }
    if (!usable) {
      changer.end();
      self->applying_ = false;
      auto* box = new QMessageBox(QMessageBox::Warning, QString::fromUtf8(kCaption),
                                  QString::fromUtf8(kPortOpenFailedText), QMessageBox::Ok, self);
      box->setAttribute(Qt::WA_DeleteOnClose);
      box->open();
      return;
    }
    changer.switchOffAndClose([self, st, s, &changer](bool) {
      changer.end();
      if (!self) return;
      st->port.SetPortNumber(s);
      changer.saveSettings();
      self->finishWith();
    });
  });
}

CBardRateSettingDlg::CBardRateSettingDlg(MainWindowServices& w) : PortListDlg(w, "Baud rate", kMsgBaudRateEnd) {
  Station* st = w.part<PortPart>().changer.station();
  aiAtOpen_ = w.core() != nullptr && w.core()->state().get_AI_Stat() != 0;
  const int current = st != nullptr ? st->port.GetBaudRate() : 0;
  for (const BaudRateRow& r : kBaudRateTable) {
    if (r.value == 0) break;
    fillList(list_, r.name, r.value, current);
  }
  connect(list_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
    if (item != nullptr) chosen_ = item->data(Qt::UserRole).toInt();
  });
}

void CBardRateSettingDlg::apply() {
  PortChanger& changer = w_.part<PortPart>().changer;
  Station* st = changer.station();
  const int b = chosen_;
  if (b == 0 || st == nullptr) {
    finishWith();
    return;
  }
  if (!changer.begin(this)) return;
  if (b == st->port.GetBaudRate()) {
    changer.saveSettings();
    changer.end();
    finishWith();
    return;
  }
  applying_ = true;
  QPointer<CBardRateSettingDlg> self(this);
  changer.changeBaudRate(b, aiAtOpen_, [self] {
    if (self) self->finishWith();
  });
}

}  // namespace hrx::gui
