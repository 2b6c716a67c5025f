#include "app/gui/QtMainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QThread>
#include <QTimer>
#include <condition_variable>
#include <iterator>
#include <memory>
#include <mutex>

#include "analysis/AnalyserMessages.h"
#include "app/gui/routes/DisplayPart.h"
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

struct MenuEntry {
  const char* menu;
  const char* text;
  int id;
};
// An entry is enabled when some feature has a command row for it.
constexpr MenuEntry kMenu[] = {
    {"&File", "E&xit", 32779},          {"&File", "&Command Send", 32780},
    {"&Setup", "&COM Select", 32781},   {"&Setup", "&Baud rate", 32782},
    {"&Option", "&Playback", 32783},    {"&Option", "&Rotator", 32784},
    {"&Option", "C&W", 32785},          {"&Option", "R&epeater", 32786},
    {"&Prmtrc", "&Prmtrc", 32787},      {"&Prmtrc", "P-P&rmtrc", 32788},
    {"&Help", "&Version", 32789},       {"&Option", "&Share with other programs", 32790},
    {"&Setup", "Save radio set-&up\u2026", 32791}, {"&Setup", "Compare radio &with file\u2026", 32792},
};

struct SelfMsg {
  MsgId id;
  WParam w;
};
// Disp_Start: the whole panel drawn once from the stored state.
constexpr SelfMsg kDispStartEvents[] = {
    {0x833A, 0}, {0x8333, 0}, {0x8334, 0}, {0x831B, 0}, {0x830F, 0}, {0x8317, 0}, {0x8313, 0},   {0x8301, 0},
    {0x8311, 0}, {0x830A, 0}, {0x8312, 0}, {0x8310, 0}, {0x8327, 0}, {0x8314, 0}, {0x831E, 0},   {0x8315, 0},
    {0x831C, 0}, {0x8318, 0}, {0x8309, 0}, {0x830C, 0}, {0x830D, 0}, {0x8331, 0}, {0x8348, 0},   {0x8306, 0},
    {0x8303, 0}, {0x8302, 0}, {0x832D, 0}, {0x834A, 0}, {0x8332, 0}, {0x8304, 0}, {0x8323, 0},   {0x8322, 0},
    {0x832A, 0}, {0x8326, 0}, {0x8328, 0}, {0x832B, 0}, {0x832F, 0}, {0x8330, 0}, {0x8305, 0},   {0x8307, 0},
    {0x8346, 0}, {0x832E, 0}, {0x834D, 0}, {0x8321, 0}, {0x8355, 0}, {0x833E, 0}, {0x85C8, 0},   {0x85CB, 360},
    {0x85D4, 360}, {0x85D5, 360}, {0x857A, 0}, {0x857D, 0}, {0x857E, 0}, {0x857F, 0}, {0x8580, 0}, {0x8581, 0},
    {0x8582, 0}, {0x8583, 0}, {0x8584, 0}, {0x8585, 0}, {0x8586, 0}, {0x8587, 0}, {0x8588, 0},   {0x8589, 0},
    {0x85DE, 0}, {0x85DF, 0}, {0x858A, 0}, {0x858B, 0}, {0x858C, 0}, {0x858D, 0}, {0x858E, 0},   {0x858F, 0},
    {0x8590, 0}, {0x8591, 0}, {0x85B6, 0}, {0x85B7, 0}, {0x85B8, 0}, {0x85B9, 0}, {0x85BA, 0},   {0x85BB, 0},
    {0x85BC, 0}, {0x85BD, 0}, {0x85AB, 0}, {0x85AC, 0}, {0x85AD, 0}, {0x85AE, 0}, {0x85AF, 0},   {0x85B0, 0},
    {0x85B1, 0}, {0x85B2, 0}, {0x85B3, 0}, {0x85B4, 0}, {0x85AA, 0}, {0x85B5, 0},
};
static_assert(std::size(kDispStartEvents) == 94);
constexpr MsgId kDispStartTail[] = {0x8345, 0x830E, 0x8337};

constexpr int kNoticeComFailed = 3;

}  // namespace

PanelWidget::PanelWidget(QtMainWindow& window, const QImage& image) : window_(window), image_(image) {
  setFixedSize(image.size());
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
}

void PanelWidget::paintEvent(QPaintEvent* e) {
  QPainter p(this);
  if (window_.isMinimized()) {
    // What a minimised window still shows: the icon in the middle.
    p.fillRect(rect(), QColor(0x26, 0x29, 0x2E));
    const QImage& icon = window_.iconImage();
    p.drawImage(QPoint((width() - icon.width()) / 2, (height() - icon.height()) / 2), icon);
    return;
  }
  window_.onPanelPaint();
  const QImage& hiRes = window_.surface_.hiResImage();
  if (hiRes.isNull()) {
    p.drawImage(e->rect().topLeft(), image_, e->rect());
  } else {
    const QRect r = e->rect();
    p.drawImage(QRectF(r), hiRes, QRectF(r.x() * 2, r.y() * 2, r.width() * 2, r.height() * 2));
  }
}

void PanelWidget::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  // Shown again after the start: what it showed is to be drawn anew. The
  // window system's own shows (un-minimising) are handled by changeEvent.
  if (window_.started_ && !e->spontaneous()) window_.eraseBackground();
}

void PanelWidget::mousePressEvent(QMouseEvent* e) {
  lastPos_ = e->position().toPoint();
  if (e->button() == Qt::LeftButton) {
    leftDown_ = true;
    window_.panel_.OnLButtonDown(lastPos_.x(), lastPos_.y());
  } else if (e->button() == Qt::RightButton) {
    rightDown_ = true;
    window_.panel_.OnRButtonDown(lastPos_.x(), lastPos_.y());
  }
}

// A double click is a second press, as the window system reports it.
void PanelWidget::mouseDoubleClickEvent(QMouseEvent* e) { mousePressEvent(e); }

void PanelWidget::mouseReleaseEvent(QMouseEvent* e) {
  lastPos_ = e->position().toPoint();
  // A button already let go by buttonsLost() is not released twice.
  if (e->button() == Qt::LeftButton && leftDown_) {
    leftDown_ = false;
    window_.panel_.OnLButtonUp(lastPos_.x(), lastPos_.y());
  } else if (e->button() == Qt::RightButton && rightDown_) {
    rightDown_ = false;
    window_.panel_.OnRButtonUp(lastPos_.x(), lastPos_.y());
  }
}

void PanelWidget::buttonsLost() {
  if (leftDown_) {
    leftDown_ = false;
    window_.panel_.OnLButtonUp(lastPos_.x(), lastPos_.y());
  }
  if (rightDown_) {
    rightDown_ = false;
    window_.panel_.OnRButtonUp(lastPos_.x(), lastPos_.y());
  }
}

void PanelWidget::mouseMoveEvent(QMouseEvent* e) { lastPos_ = e->position().toPoint(); }

void PanelWidget::wheelEvent(QWheelEvent* e) {
  e->accept();
  const int notches = wheel_.add(e->angleDelta().y(), e->pixelDelta().y(), e->timestamp());
  const QPoint at = e->position().toPoint();
  for (int i = 0; i < (notches < 0 ? -notches : notches); ++i)
    window_.panel_.OnMouseWheel(notches < 0 ? -panel::kWheelNotch : panel::kWheelNotch, at.x(), at.y());
}

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
    ++damages_;
    panelWidget_->update(r);
  });
  buildTables();
  buildMenu();
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

namespace {

// The polled display timers, each with its period.
constexpr std::array<std::pair<std::uint32_t, std::uint32_t>, 5> kDisplayTimers = {
    {{kTimerMainFreq, 30}, {kTimerVfoB, 30}, {kTimerPassBandMain, 30}, {kTimerPassBandSub, 30}, {kTimerBlink, 100}}};
// Ticks in a row that draw nothing before a display timer rests.
constexpr int kIdleTicksBeforeRest = 2;

int displayTimerSlot(std::uint32_t id) {
  for (std::size_t i = 0; i < kDisplayTimers.size(); ++i)
    if (kDisplayTimers[i].first == id) return static_cast<int>(i);
  return -1;
}

}  // namespace

void QtMainWindow::buildTables() {
  for (const WindowRoutes* r : allWindowRoutes()) {
    messageRows_.add(r->messages);
    timerRows_.add(r->timers);
    commandRows_.add(r->commands);
  }
}

void QtMainWindow::buildMenu() {
  std::map<QString, QMenu*> menus;
  for (const MenuEntry& e : kMenu) {
    const QString title = QString::fromUtf8(e.menu);
    QMenu*& menu = menus[title];
    if (menu == nullptr) menu = menuBar()->addMenu(title);
    QAction* a = menu->addAction(QString::fromUtf8(e.text));
    a->setData(e.id);
    a->setEnabled(commandRows_.contains(static_cast<MsgId>(e.id)));
    const int id = e.id;
    connect(a, &QAction::triggered, this, [this, id] { onCommand(id); });
    actions_[id] = a;
  }
}

QAction* QtMainWindow::commandAction(int id) const {
  auto it = actions_.find(id);
  return it == actions_.end() ? nullptr : it->second;
}

QWidget* QtMainWindow::splash() const { return splash_.data(); }
QWidget* QtMainWindow::connectionNoticeWidget() const { return comNotice_.data(); }

bool QtMainWindow::startUp() {
  if (started_) return false;
  started_ = true;
  auto* splash = new QLabel(QStringLiteral("RCP for HRX900\n\nstarting..."), panelWidget_);
  splash->setAlignment(Qt::AlignCenter);
  splash->setStyleSheet(QStringLiteral("background:#101216;color:#d8d8d8;font:bold 20px;"));
  splash->setGeometry(0, 0, render::kPanelWidth, render::kPanelHeight);
  splash->show();
  splash_ = splash;
  startTimerHere(kTimerSplash, 3000);

  renderer_.LoadPanelImages();
  renderer_.drawBackground();
  for (std::uint32_t id : {kTimerMainFreq, kTimerVfoB, kTimerPassBandMain, kTimerPassBandSub}) startTimerHere(id, 30);
  startTimerHere(kTimerDispStart, 10);

  const bool ok = core_ == nullptr || core_->start();
  startTimerHere(kTimerBlink, 100);
  displayTimersOn_ = true;
  return ok;
}

void QtMainWindow::shutdown() {
  if (shutdownCount_ > 0) return;
  ++shutdownCount_;
  // Workers waiting on sendMessage are let go before they are stopped.
  closing_ = true;
  displayTimersOn_ = false;
  for (auto& [id, t] : timers_) t->stop();
  if (core_ != nullptr && started_) core_->shutdown();
}

void QtMainWindow::closeEvent(QCloseEvent* e) {
  shutdown();
  e->accept();
}

void QtMainWindow::keyPressEvent(QKeyEvent* e) {
  switch (e->key()) {
    case Qt::Key_Escape:
      close();
      return;
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

void QtMainWindow::startTimerHere(std::uint32_t id, std::uint32_t periodMs) {
  if (shutdownCount_ > 0) return;
  QTimer*& t = timers_[id];
  if (t == nullptr) {
    // A QTimer never has more than one tick pending, so ticks cannot pile up.
    t = new QTimer(this);
    t->setTimerType(Qt::PreciseTimer);
    connect(t, &QTimer::timeout, this, [this, id] { onTimerTick(id); });
  }
  t->start(static_cast<int>(periodMs));
}

void QtMainWindow::killTimerHere(std::uint32_t id) {
  auto it = timers_.find(id);
  if (it != timers_.end()) it->second->stop();
}

std::uint32_t QtMainWindow::timerPeriod(std::uint32_t id) const {
  auto it = timers_.find(id);
  if (it == timers_.end() || !it->second->isActive()) return 0;
  return static_cast<std::uint32_t>(it->second->interval());
}

void QtMainWindow::onTimerTick(std::uint32_t id) {
  const int slot = displayTimerSlot(id);
  if (slot < 0 || !displayTimersOn_) {
    dispatchTick(id);
    return;
  }
  const std::uint64_t damages = damages_;
  const std::uint64_t changes = core_ != nullptr ? core_->state().changes() : 0;
  tickBusy_ = false;
  dispatchTick(id);
  int& idle = idleTicks_[static_cast<std::size_t>(slot)];
  if (damages_ != damages || tickBusy_ || renderer_.countdownRunning()) {
    idle = 0;
    return;
  }
  if (++idle < kIdleTicksBeforeRest) return;
  killTimerHere(id);
  resting_ = true;
  // A change made during the tick found the timer still running and woke
  // nothing: it is this tick's to catch.
  if (core_ != nullptr && core_->state().changes() != changes) wakeDisplayTimers();
}

void QtMainWindow::dispatchTick(std::uint32_t id) {
  if (panel_.Ctrl_OnTimer(id)) return;
  if (timerRows_.dispatch(*this, Msg{id, 0, 0})) return;
  if (core_ != nullptr) core_->onTimer(id);
}

void QtMainWindow::wakeDisplayTimers() {
  if (!displayTimersOn_ || shutdownCount_ > 0) return;
  resting_ = false;
  for (std::size_t i = 0; i < kDisplayTimers.size(); ++i) {
    idleTicks_[i] = 0;
    // A running timer keeps its phase: restarting it on every wake would
    // hold its tick off for as long as wakes come faster than it.
    const auto [id, period] = kDisplayTimers[i];
    if (timerPeriod(id) == 0) startTimerHere(id, period);
  }
}

void QtMainWindow::stateChanged() {
  if (resting_.exchange(false))
    QMetaObject::invokeMethod(this, [this] { wakeDisplayTimers(); }, Qt::QueuedConnection);
}

void QtMainWindow::onCommand(int id) {
  panel_.Ctrl_EndInteraction();
  commandRows_.dispatch(*this, Msg{static_cast<MsgId>(id), 0, 0});
}

void QtMainWindow::closeSplash() {
  killTimerHere(kTimerSplash);
  if (splash_) splash_->close();
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

void QtMainWindow::showNotice(int index, bool force) {
  if (index < 0 || index >= static_cast<int>(std::size(kNoticeTable))) return;
  const Notice& n = kNoticeTable[index];
  if (!n.shown) return;
  if (!force) {
    if (noticeGuard_.exchange(true)) return;
  }
  auto* box = new QMessageBox(QMessageBox::Warning, QString::fromUtf8(kCaption), QString::fromUtf8(n.text),
                              QMessageBox::Ok, this);
  box->setAttribute(Qt::WA_DeleteOnClose);
  if (!force) connect(box, &QMessageBox::finished, this, [this] { noticeGuard_ = false; });
  box->open();
}

void QtMainWindow::Disp_Start() {
  killTimerHere(kTimerDispStart);
  DisplayPart& display = part<DisplayPart>();
  display.restoring = true;
  dispStartLog_.clear();
  for (const SelfMsg& m : kDispStartEvents) {
    dispStartLog_.push_back(Msg{m.id, m.w, 0});
    sendMessage(m.id, m.w, 0);
  }
  renderer_.drawAllSwitches(0);
  for (MsgId id : kDispStartTail) {
    dispStartLog_.push_back(Msg{id, 0, 0});
    sendMessage(id, 0, 0);
  }
  display.restoring = false;
}

void QtMainWindow::changeEvent(QEvent* e) {
  QMainWindow::changeEvent(e);
  // A window brought back from the task bar is drawn again whole, a little
  // later, from the stored state.
  if (e->type() == QEvent::WindowStateChange && started_ && !isMinimized() &&
      (static_cast<QWindowStateChangeEvent*>(e)->oldState() & Qt::WindowMinimized) != 0)
    startTimerHere(kTimerDispRestore, 30);
}

void QtMainWindow::Disp_Restore() {
  killTimerHere(kTimerDispRestore);
  ++restoreCount_;
  DisplayPart& display = part<DisplayPart>();
  display.restoring = true;
  restoreLog_.clear();
  for (const SelfMsg& m : kDispStartEvents) {
    restoreLog_.push_back(Msg{m.id, m.w, 0});
    sendMessage(m.id, m.w, 0);
  }
  for (MsgId id : kDispStartTail) {
    restoreLog_.push_back(Msg{id, 0, 0});
    sendMessage(id, 0, 0);
  }
  DrawTFT_Image(*this);
  // The two strips at once as well: a restore runs because the picture was
  // lost, and the paint that follows finds nothing pending.
  if (core_ != nullptr) {
    renderer_.drawMainFastLock(core_->state());
    renderer_.DrawTFT_BlockIcon(core_->state());
    renderer_.drawMeterStrip(core_->state(), lastMeterValue_);
  }
  display.restoring = false;
}

LParam QtMainWindow::handleMessage(const Msg& m) {
  LParam result = 0;
  const std::uint64_t damages = damages_;
  messageRows_.dispatch(*this, m, &result);
  // What a handler drew may change again on the timers' ticks (a chosen
  // digit, a temporary display that counts down).
  if (damages_ != damages || renderer_.countdownRunning()) wakeDisplayTimers();
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

void QtMainWindow::connectionNotice(bool show) {
  if (!show) {
    if (comNotice_) comNotice_->hide();
    return;
  }
  if (!comNotice_) {
    comNotice_ = new QLabel(QStringLiteral("Connecting to the radio..."), panelWidget_);
    comNotice_->setAlignment(Qt::AlignCenter);
    comNotice_->setStyleSheet(QStringLiteral("background:#202428;color:#e0e0e0;border:2px solid #808890;"));
    comNotice_->setGeometry(312, 130, 400, 60);
  }
  comNotice_->show();
  comNotice_->raise();
}

void QtMainWindow::connectionFailed() { showNotice(kNoticeComFailed, false); }

}  // namespace hrx::gui
