#include "app/gui/QtMainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QPixmap>
#include <QThread>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "analysis/AnalyserMessages.h"
#include "app/gui/widgets/PanelAccessible.h"
#include "composer/Composer.h"

namespace hrx::gui {

namespace {

struct Reply {
  std::mutex mu;
  std::condition_variable cv;
  bool done = false;
  LParam result = 0;
};

const QEvent::Type kMsgEventType = static_cast<QEvent::Type>(QEvent::registerEventType());

struct MsgEvent final : QEvent {
  MsgEvent(const Msg& m, std::shared_ptr<Reply> r) : QEvent(kMsgEventType), msg(m), reply(std::move(r)) {}
  Msg msg;
  std::shared_ptr<Reply> reply;
};

constexpr int kNoticeComFailed = 3;

}  // namespace

QtMainWindow::QtMainWindow(QWidget* parent) : QMainWindow(parent) {
  setWindowTitle(QString::fromUtf8(kCaption));
  if (const QImage* icon = store_.LoadBitmap(kIconId)) {
    icon_ = render::keyedToAlpha(*icon, render::kKeyGreen);
    setWindowIcon(QIcon(QPixmap::fromImage(icon_)));
  }
  // A screen of twice the density shows the panel from the @2x images.
  if (qApp->devicePixelRatio() >= 1.5) surface_.enableHiRes(store_);
  // Before the panel exists, so a screen reader never sees it without its elements.
  installPanelAccessibility();
  panelWidget_ = new PanelWidget(*this, surface_.image());
  setCentralWidget(panelWidget_);
  surface_.setDamageListener([this](const QRect& r) {
    timers_.damaged();
    panelWidget_->update(r);
  });
  buildTables();
  menu_.build(*menuBar(), *this, [this](int id) { return hasCommand(id); }, [this](int id) { onCommand(id); });
  // The panel is drawn at its own pixel size; the window does not resize.
  layout()->setSizeConstraint(QLayout::SetFixedSize);
}

QtMainWindow::~QtMainWindow() {
  shutdown();
  setCore(nullptr);
}

void QtMainWindow::setCore(CoreLink* core) {
  if (core_ != nullptr)
    if (RadioState* s = core_->writableState()) s->watch(nullptr);
  core_ = core;
  if (core_ != nullptr)
    if (RadioState* s = core_->writableState()) s->watch(this);
}

void QtMainWindow::buildTables() {
  for (const WindowRoutes* r : allWindowRoutes()) {
    messageRows_.add(r->messages);
    timerRows_.add(r->timers);
    commandRows_.add(r->commands);
  }
}

bool QtMainWindow::startUp() {
  if (started_) return false;
  started_ = true;
  notices_.showSplash(*panelWidget_);
  startTimerHere(kTimerSplash, 3000);

  renderer_.LoadPanelImages();
  renderer_.drawBackground();
  for (std::uint32_t id : {kTimerMainFreq, kTimerVfoB, kTimerPassBandMain, kTimerPassBandSub}) startTimerHere(id, 30);
  startTimerHere(kTimerDispStart, 10);

  const bool ok = core_ == nullptr || core_->start();
  startTimerHere(kTimerBlink, 100);
  timers_.displayTimersOn();
  return ok;
}

void QtMainWindow::shutdown() {
  if (shutdownCount_ > 0) return;
  ++shutdownCount_;
  // Workers waiting on sendMessage are let go before they are stopped.
  closing_ = true;
  timers_.stopAll();
  if (core_ != nullptr && started_) core_->shutdown();
}

void QtMainWindow::closeEvent(QCloseEvent* e) {
  shutdown();
  e->accept();
}

void QtMainWindow::keyPressEvent(QKeyEvent* e) {
  switch (e->key()) {
    case Qt::Key_Escape: {
      // Escape is how a screen reader's user leaves menus: one too many must
      // not end the program. File > Exit and the close box end it at once.
      if (findChild<QMessageBox*>(QStringLiteral("endQuestion")) != nullptr) return;
      auto* box = new QMessageBox(QMessageBox::Question, QString::fromUtf8(kCaption),
                                  QStringLiteral("End the remote control of the HRX900?"),
                                  QMessageBox::Yes | QMessageBox::No, this);
      box->setObjectName(QStringLiteral("endQuestion"));
      box->setDefaultButton(QMessageBox::No);
      box->setEscapeButton(QMessageBox::No);
      box->setAttribute(Qt::WA_DeleteOnClose);
      connect(box, &QMessageBox::finished, this, [this, box] {
        if (box->clickedButton() == box->button(QMessageBox::Yes)) close();
      });
      box->open();
      return;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
      // The main window does not close on Enter.
      e->accept();
      return;
    default:
      QMainWindow::keyPressEvent(e);
  }
}

void QtMainWindow::postMessage(MsgId id, WParam w, LParam l) {
  QCoreApplication::postEvent(this, new MsgEvent(Msg{id, w, l}, nullptr));
}

LParam QtMainWindow::sendMessage(MsgId id, WParam w, LParam l) {
  if (QThread::currentThread() == thread()) return handleMessage(Msg{id, w, l});
  if (closing_) return 0;
  auto reply = std::make_shared<Reply>();
  QCoreApplication::postEvent(this, new MsgEvent(Msg{id, w, l}, reply));
  std::unique_lock lock(reply->mu);
  // A window that is shutting down stops the workers; a sender must not
  // hold up that stop by waiting for a GUI thread that waits for it.
  while (!reply->done && !closing_) reply->cv.wait_for(lock, std::chrono::milliseconds(20));
  return reply->done ? reply->result : 0;
}

bool QtMainWindow::event(QEvent* e) {
  if ((e->type() == QEvent::WindowBlocked || e->type() == QEvent::WindowDeactivate) && panelWidget_ != nullptr)
    panelWidget_->buttonsLost();
  if (e->type() != kMsgEventType) return QMainWindow::event(e);
  auto* m = static_cast<MsgEvent*>(e);
  // The read-out's last message is the BP event without its row index: the
  // BG event id it starts with is also every BG reply's event, and Disp_Start
  // sends the same ids to the window itself rather than posting them.
  if (m->msg.id == kMsgRedrawBandPass && m->msg.l == 0 && !m->reply) ++readOutsDone_;
  const LParam result = handleMessage(m->msg);
  if (m->reply) {
    std::lock_guard lock(m->reply->mu);
    m->reply->result = result;
    m->reply->done = true;
    m->reply->cv.notify_all();
  }
  return true;
}

void QtMainWindow::setTimer(std::uint32_t id, std::uint32_t periodMs) {
  if (QThread::currentThread() == thread()) startTimerHere(id, periodMs);
  else QMetaObject::invokeMethod(this, [this, id, periodMs] { startTimerHere(id, periodMs); }, Qt::QueuedConnection);
}

void QtMainWindow::killTimer(std::uint32_t id) {
  if (QThread::currentThread() == thread()) killTimerHere(id);
  else QMetaObject::invokeMethod(this, [this, id] { killTimerHere(id); }, Qt::QueuedConnection);
}

void QtMainWindow::dispatchTick(std::uint32_t id) {
  if (panel_.Ctrl_OnTimer(id)) return;
  if (timerRows_.dispatch(*this, Msg{id, 0, 0})) return;
  if (core_ != nullptr) core_->onTimer(id);
}

void QtMainWindow::onCommand(int id) {
  panel_.Ctrl_EndInteraction();
  commandRows_.dispatch(*this, Msg{static_cast<MsgId>(id), 0, 0});
}

void QtMainWindow::closeSplash() {
  killTimerHere(kTimerSplash);
  notices_.closeSplash();
}

BusyEnd QtMainWindow::runBusyWindow() {
  if (core_ == nullptr || busyWindow_) return BusyEnd::NotBusy;
  BusyWindow box(core_->windowFlags(), this, busyTimeoutMs_);
  busyWindow_ = &box;
  const int how = box.exec();
  return static_cast<BusyEnd>(how);
}

bool QtMainWindow::onPowerEvent(int pbt) {
  if (core_ == nullptr) return false;
  for (int e : kPowerEventsClosingPort) {
    if (e == pbt) {
      core_->closePort();
      return true;
    }
  }
  return false;
}

void QtMainWindow::changeEvent(QEvent* e) {
  QMainWindow::changeEvent(e);
  // A window brought back from the task bar is drawn again whole, a little
  // later, from the stored state.
  if (e->type() == QEvent::WindowStateChange && started_ && !isMinimized() &&
      (static_cast<QWindowStateChangeEvent*>(e)->oldState() & Qt::WindowMinimized) != 0)
    startTimerHere(kTimerDispRestore, 30);
}

LParam QtMainWindow::handleMessage(const Msg& m) {
  LParam result = 0;
  const std::uint64_t damages = timers_.damages();
  messageRows_.dispatch(*this, m, &result);
  // What a handler drew may change again on the timers' ticks (a chosen
  // digit, a temporary display that counts down).
  if (timers_.damages() != damages || renderer_.countdownRunning()) wakeDisplayTimers();
  return result;
}

void QtMainWindow::RequestMeterRedraw(int value) {
  meterValue_ = value;
  if (meterPending_) return;
  meterPending_ = true;
  ++stripInvalidations_;
  panelWidget_->update(render::kMeterStrip);
}

void QtMainWindow::RequestBlockIconsRedraw(bool force) {
  if (force) {
    // Nothing is marked pending, so the paint that follows restores all.
    forcedPaint_ = true;
    ++stripInvalidations_;
    panelWidget_->update(render::kBlockIconStrip);
    return;
  }
  if (blockIconsPending_) return;
  blockIconsPending_ = true;
  ++stripInvalidations_;
  panelWidget_->update(render::kBlockIconStrip);
}

void QtMainWindow::eraseBackground() {
  backgroundErased_ = true;
  panelWidget_->update();
}

void QtMainWindow::onPanelPaint() {
  if (isMinimized()) return;
  const bool lost = backgroundErased_ || forcedPaint_;
  forcedPaint_ = false;
  if (!meterPending_ && !blockIconsPending_) {
    if (lost) startTimerHere(kTimerDispRestore, 30);
  } else if (backgroundErased_) {
    // The whole restore draws the strips as well.
    meterPending_ = false;
    blockIconsPending_ = false;
    startTimerHere(kTimerDispRestore, 30);
  } else {
    if (meterPending_) {
      meterPending_ = false;
      ++meterDraws_;
      lastMeterValue_ = meterValue_;
      if (core_ != nullptr) renderer_.drawMeterStrip(core_->state(), meterValue_);
      // Timer 40 runs while the bar meter holds peaks; restarting it on
      // every meter draw would keep it from ever ticking.
      if (!renderer_.peakHoldOn() || !renderer_.peakHeld()) killTimerHere(kTimerPeakHold);
      else if (timerPeriod(kTimerPeakHold) == 0) startTimerHere(kTimerPeakHold, 40);
    }
    if (blockIconsPending_) {
      blockIconsPending_ = false;
      ++blockIconDraws_;
      if (core_ != nullptr) renderer_.DrawTFT_BlockIcon(core_->state());
      else renderer_.drawBlockIconStrip();
    }
  }
  backgroundErased_ = false;
}

bool QtMainWindow::requestOp(int op, bool subSide, std::int32_t value) {
  return core_ != nullptr && core_->request(op, subSide, value);
}

void QtMainWindow::cursor(int& x, int& y) {
  const QPoint p = panelWidget_->lastPos();
  x = p.x();
  y = p.y();
}

bool QtMainWindow::leftButtonDown() { return panelWidget_->leftDown(); }

bool QtMainWindow::rightButtonDown() { return panelWidget_->rightDown(); }

void QtMainWindow::look(MsgId msg, WParam w, LParam l) { sendMessage(msg, w, l); }

bool QtMainWindow::vfoSelected() { return core_ != nullptr && core_->state().get_VS_Stat() != 0; }

std::uint64_t QtMainWindow::nowMs() {
  return static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count());
}

const RadioState* QtMainWindow::radio() { return core_ != nullptr ? &core_->state() : nullptr; }

bool QtMainWindow::connected() { return core_ != nullptr && core_->state().get_AI_Stat() == 1; }

void QtMainWindow::connectionNotice(bool show) { notices_.connection(show, *panelWidget_); }

void QtMainWindow::connectionFailed() { showNotice(kNoticeComFailed, false); }

}  // namespace hrx::gui
