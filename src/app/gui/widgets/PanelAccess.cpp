#include "app/gui/widgets/PanelAccess.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <QWidget>
#include <algorithm>

#include "app/gui/MainWindowServices.h"

namespace hrx::gui {

namespace {

constexpr int kNotch = 120;
constexpr int kRingMargin = 3;

// The keyboard focus ring: drawn over the panel, never in the mouse's way.
class FocusRing final : public QWidget {
 public:
  explicit FocusRing(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    // Yellow inside black: seen on the dark panel and on the lit keys.
    p.setPen(QPen(Qt::black, 1));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.setPen(QPen(QColor(0xFF, 0xD2, 0x00), 2));
    p.drawRect(rect().adjusted(2, 2, -2, -2));
  }
};

bool turns(ElementKind k) {
  return k == ElementKind::Knob || k == ElementKind::Dial || k == ElementKind::Meter || k == ElementKind::Digit;
}

bool clicks(ElementKind k) {
  return k == ElementKind::Key || k == ElementKind::SoftKey || k == ElementKind::Digit || k == ElementKind::Knob;
}

const PanelElement& elementAt(int index) { return panelElements()[static_cast<std::size_t>(index)]; }

constexpr int kSettleMs = 300;
constexpr qint64 kSettleMostMs = 1500;
// How long a key back from its menu waits for the radio's answer before it
// is told as it stands (a dismissed menu, a radio that does not answer).
constexpr int kChoiceMs = 600;
// A keyboard repeats every 25 to 50 ms: a Space that comes up for less is held.
constexpr int kRepeatGapMs = 90;

}  // namespace

PanelAccess::PanelAccess(MainWindowServices& window) : w_(window) {
  settle_.setSingleShot(true);
  settle_.setInterval(kSettleMs);
  connect(&settle_, &QTimer::timeout, this, &PanelAccess::tellSettled);
  spaceUp_.setSingleShot(true);
  spaceUp_.setInterval(kRepeatGapMs);
  connect(&spaceUp_, &QTimer::timeout, this, &PanelAccess::letGo);
  awaitChoice_.setSingleShot(true);
  awaitChoice_.setInterval(kChoiceMs);
  connect(&awaitChoice_, &QTimer::timeout, this, &PanelAccess::tellRing);
  QWidget* panel = w_.panelWidget();
  panel->setFocusPolicy(Qt::StrongFocus);
  panel->installEventFilter(this);
  ring_ = new FocusRing(panel);
  // A menu of the menu bar left with Escape leaves the keyboard in the bar;
  // it goes back to the panel and its ring, unless another menu opened.
  if (auto* bar = w_.widget().findChild<QMenuBar*>())
    for (QAction* a : bar->actions())
      if (QMenu* m = a->menu())
        connect(m, &QMenu::aboutToHide, this, [this, bar] {
          QTimer::singleShot(0, this, [this, bar] {
            if (QApplication::activePopupWidget() == nullptr && w_.widget().focusWidget() == bar)
              w_.panelWidget()->setFocus(Qt::OtherFocusReason);
          });
        });
}

PanelAccess::~PanelAccess() {
  if (QWidget* panel = w_.panelWidget()) {
    panel->removeEventFilter(this);
    panel->setProperty(kPanelGoneProperty, true);
  }
}

void PanelAccess::setFocused(int index) {
  const int count = static_cast<int>(panelElements().size());
  if (index < -1 || index >= count || index == focused_) return;
  awaitChoice_.stop();
  letGo();
  if (focused_ >= 0) leave(focused_);
  focused_ = index;
  if (index < 0) {
    ring_->hide();
    // Where the keyboard is now: on the panel itself.
    if (telling_ && w_.panelWidget()->hasFocus())
      if (QAccessibleInterface* panel = QAccessible::queryAccessibleInterface(w_.panelWidget())) {
        QAccessibleEvent e(panel, QAccessible::Focus);
        raise(e);
      }
    return;
  }
  ring_->setGeometry(elementAt(index).rect.adjusted(-kRingMargin, -kRingMargin, kRingMargin, kRingMargin));
  ring_->show();
  ring_->raise();
  tellRing();
}

void PanelAccess::tellRing() {
  if (!telling_ || focused_ < 0 || !w_.panelWidget()->hasFocus()) return;
  if (QAccessibleInterface* panel = QAccessible::queryAccessibleInterface(w_.panelWidget())) {
    QAccessibleEvent e(panel->child(focused_), QAccessible::Focus);
    raise(e);
  }
}

bool PanelAccess::takesKey(int qtKey) const {
  return focused_ >= 0 && turns(elementAt(focused_).kind) && (qtKey == Qt::Key_PageUp || qtKey == Qt::Key_PageDown);
}

void PanelAccess::moveRing(bool forward) {
  const int count = static_cast<int>(panelElements().size());
  // The ring passes through "nothing ringed" between the last and the
  // first element, where the keys mean what they meant before.
  int next = focused_ + (forward ? 1 : -1);
  if (next >= count) next = -1;
  if (next < -1) next = count - 1;
  setFocused(next);
}

void PanelAccess::jumpSection(bool forward) {
  const auto starts = panelSections();
  const int count = static_cast<int>(starts.size());
  // The section the ring is in; from no ring forward is the first.
  int in = -1;
  for (int i = 0; i < count; ++i)
    if (focused_ >= starts[static_cast<std::size_t>(i)]) in = i;
  const int next = focused_ < 0 ? (forward ? 0 : count - 1) : (in + (forward ? 1 : count - 1)) % count;
  setFocused(starts[static_cast<std::size_t>(next)]);
}

// Ends what a ringed element started on the panel: a knob's focus, a chosen digit.
void PanelAccess::leave(int index) {
  panel::PanelCtrl& c = w_.panel();
  if (c.m_Op_Stats() != elementAt(index).id) return;
  if (c.knobFocused()) c.Ctrl_OpVolumeDial(c.m_Op_Stats());
  else if (c.digitChosen()) c.Ctrl_OpVfoDspSetting(c.m_Op_Stats());
}

void PanelAccess::press(int index) {
  if (index < 0 || index >= static_cast<int>(panelElements().size())) return;
  const PanelElement& e = elementAt(index);
  if (clicks(e.kind)) mouseClick(e.at);
}

void PanelAccess::pressAsked(int index) {
  if (index < 0 || index >= static_cast<int>(panelElements().size())) return;
  if (!askFirst(index)) press(index);
}

void PanelAccess::turn(int index, bool up) {
  if (index < 0 || index >= static_cast<int>(panelElements().size())) return;
  const PanelElement& e = elementAt(index);
  if (!turns(e.kind)) return;
  panel::PanelCtrl& c = w_.panel();
  if (c.m_Op_Stats() != e.id) {
    // The wheel goes to a focused knob or a chosen digit first: end those.
    if (c.knobFocused()) c.Ctrl_OpVolumeDial(c.m_Op_Stats());
    else if (c.digitChosen()) c.Ctrl_OpVfoDspSetting(c.m_Op_Stats());
    // A window over the panel (pop-up, VFO SET, menu list) keeps the knobs
    // from the keyboard as the busy controller keeps them from the mouse.
    if (e.kind == ElementKind::Knob && !c.busy()) c.Ctrl_OpVolumeDial(e.id);
    else if (e.kind == ElementKind::Digit) mouseClick(e.at);
  }
  wheelNotch(e.at, up);
}

void PanelAccess::mouseClick(QPoint at) {
  mouseButton(at, true);
  mouseButton(at, false);
}

void PanelAccess::mouseButton(QPoint at, bool down) {
  QWidget* panel = w_.panelWidget();
  synthetic_ = true;
  QMouseEvent e(down ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease, QPointF(at),
                panel->mapToGlobal(QPointF(at)), Qt::LeftButton, down ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(panel, &e);
  synthetic_ = false;
}

void PanelAccess::holdDown(int index) {
  const PanelElement& e = elementAt(index);
  if (e.kind != ElementKind::Key && e.kind != ElementKind::SoftKey) {
    press(index);
    return;
  }
  mouseButton(e.at, true);
  held_ = index;
  // A key that opened its menu or a window has given the keyboard away:
  // its Space release goes there, so the key is let go now, as a click.
  if (w_.panel().busy() || !w_.panelWidget()->hasFocus()) letGo();
}

void PanelAccess::letGo() {
  spaceUp_.stop();
  if (held_ < 0) return;
  const QPoint at = elementAt(held_).at;
  held_ = -1;
  mouseButton(at, false);
}

void PanelAccess::wheelNotch(QPoint at, bool up) {
  QWidget* panel = w_.panelWidget();
  QWheelEvent e(QPointF(at), panel->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, up ? kNotch : -kNotch), Qt::NoButton,
                Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(panel, &e);
}

bool PanelAccess::eventFilter(QObject* watched, QEvent* e) {
  if (watched != w_.panelWidget()) return false;
  switch (e->type()) {
    case QEvent::KeyPress: {
      auto* k = static_cast<QKeyEvent*>(e);
      // A held Space repeats: the key stays down until Space comes up.
      // Not every X server marks its repeats: a press right after the
      // release is one too.
      if (k->key() == Qt::Key_Space && focused_ >= 0 && (k->isAutoRepeat() || spaceUp_.isActive())) {
        spaceUp_.stop();
        return true;
      }
      return onKey(k->key(), k->modifiers());
    }
    case QEvent::KeyRelease: {
      auto* k = static_cast<QKeyEvent*>(e);
      if (k->key() != Qt::Key_Space || held_ < 0) return false;
      if (!k->isAutoRepeat()) spaceUp_.start();
      return true;
    }
    case QEvent::MouseButtonPress:
      // Back to the mouse: the ring goes, but what its element holds (a
      // chosen digit, a focused knob) is the click's to end, by the panel's rules.
      if (!synthetic_) {
        letGo();
        focused_ = -1;
        ring_->hide();
      }
      return false;
    case QEvent::FocusOut:
      awaitChoice_.stop();
      letGo();
      ring_->hide();
      return false;
    case QEvent::FocusIn:
      ring_->setVisible(focused_ >= 0);
      // Back from a menu or window: the ringed key is where the keyboard
      // is, told after Qt has told the panel's own focus. Back from the
      // key's own menu, once the radio has the choice, so that the key's
      // focus says its new setting (and says it once).
      if (static_cast<QFocusEvent*>(e)->reason() == Qt::PopupFocusReason && focused_ >= 0 &&
          elementAt(focused_).kind == ElementKind::Key && panel::findPopup(elementAt(focused_).id) != nullptr)
        awaitChoice_.start();
      else
        QTimer::singleShot(0, this, &PanelAccess::tellRing);
      return false;
    default: return false;
  }
}

bool PanelAccess::onKey(int qtKey, Qt::KeyboardModifiers mods) {
  // Ctrl+Tab and Ctrl+Shift+Tab jump between the panel's sections (F6 is
  // the key file's).
  if ((mods & Qt::ControlModifier) != 0 && (mods & (Qt::AltModifier | Qt::MetaModifier)) == 0 &&
      (qtKey == Qt::Key_Tab || qtKey == Qt::Key_Backtab)) {
    jumpSection(qtKey == Qt::Key_Tab && (mods & Qt::ShiftModifier) == 0);
    return true;
  }
  if ((mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) != 0) return false;
  if (qtKey == Qt::Key_Tab || qtKey == Qt::Key_Backtab) {
    moveRing(qtKey == Qt::Key_Tab && (mods & Qt::ShiftModifier) == 0);
    return true;
  }
  if ((mods & Qt::ShiftModifier) == 0 && readAloud(qtKey)) return true;
  if (focused_ < 0) return false;
  switch (qtKey) {
    case Qt::Key_Space:
      if (held_ < 0 && !askFirst(focused_)) holdDown(focused_);
      return true;
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_PageUp:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_PageDown:
      if (!turns(elementAt(focused_).kind)) return false;
      turn(focused_, qtKey == Qt::Key_Up || qtKey == Qt::Key_Right || qtKey == Qt::Key_PageUp);
      return true;
    case Qt::Key_Escape:
      // The first Escape takes the ring away; the next one asks to end the program.
      setFocused(-1);
      return true;
    default: return false;
  }
}

namespace {

// Letters, wherever the ring is: the key file binds function keys, Home,
// End and Page Up/Down, the menus Alt with a letter.
enum class Fast { Frequency, Mode, Meter, Entry };
struct FastKey {
  int qtKey;
  Fast what;
};
constexpr FastKey kFastKeys[] = {
    {Qt::Key_F, Fast::Frequency}, {Qt::Key_M, Fast::Mode}, {Qt::Key_S, Fast::Meter}, {Qt::Key_E, Fast::Entry}};

}  // namespace

bool PanelAccess::readAloud(int qtKey) {
  const FastKey* key = nullptr;
  for (const FastKey& k : kFastKeys)
    if (k.qtKey == qtKey) key = &k;
  if (key == nullptr) return false;
  const RadioState* st = w_.core() != nullptr ? &w_.core()->state() : nullptr;
  switch (key->what) {
    case Fast::Frequency:
      if (st != nullptr) announce(QStringLiteral("VFO A ") + spokenFrequency(st->get_VfoA_Freq()));
      break;
    case Fast::Mode:
      announce(QStringLiteral("mode ") + elementTexts(w_, elementAt(elementIndex(kIdModeDisplay))).value);
      break;
    case Fast::Meter: announce(elementTexts(w_, elementAt(elementIndex(panel::kIdMeterSpot))).reading); break;
    case Fast::Entry: {
      // ENT as the mouse presses it: it opens VFO SET (its field takes the
      // keyboard), or gives the keyboard to the window already over the panel.
      // A key Space holds is let go first: its release must not be lost.
      letGo();
      if (focused_ >= 0) leave(focused_);
      for (const PanelElement& e : panelElements())
        if (e.kind == ElementKind::Key && e.legend == QLatin1String("ENT")) mouseClick(e.at);
      break;
    }
  }
  return true;
}

namespace {

// The keys a slip of the keyboard must not work at once, and what each asks.
// A release (MOX lit, the radio off) goes at once: only the dangerous way asks.
struct GuardedKey {
  const char* legend;
  bool whenLit;   // asks while its lamp is lit (else while it is dark)
  const char* question;
};
constexpr GuardedKey kGuardedKeys[] = {
    {"ON/OFF", true, "Switch the radio off?"},
    {"MOX", false, "Key the transmitter?"},
    {"TUNE", false, "Press TUNE? The radio may transmit to tune."},
};

}  // namespace

bool PanelAccess::askFirst(int index) {
  const PanelElement& e = elementAt(index);
  const GuardedKey* guard = nullptr;
  for (const GuardedKey& g : kGuardedKeys)
    if (e.kind == ElementKind::Key && e.legend == QLatin1String(g.legend)) guard = &g;
  if (guard == nullptr) return false;
  if (elementTexts(w_, e).checked != guard->whenLit) return false;
  auto* box = new QMessageBox(QMessageBox::Question, QStringLiteral("HRX900"), QString::fromUtf8(guard->question),
                              QMessageBox::Yes | QMessageBox::No, w_.panelWidget()->window());
  box->setDefaultButton(QMessageBox::No);
  box->setEscapeButton(QMessageBox::No);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setObjectName(QStringLiteral("guardedKeyQuestion"));
  // The answer comes back as a signal: the GUI thread never waits on the box.
  connect(box, &QMessageBox::finished, this, [this, index, box] {
    if (box->clickedButton() == box->button(QMessageBox::Yes)) press(index);
  });
  box->open();
  return true;
}

void PanelAccess::raise(QAccessibleEvent& e) {
  if (probe_) probe_(&e);
  QAccessible::updateAccessibility(&e);
}

void PanelAccess::startTelling() {
  telling_ = true;
  told_.clear();
  for (const PanelElement& e : panelElements()) told_.push_back(elementTexts(w_, e));
}

void PanelAccess::tellChanges() {
  if (!telling_) return;
  QAccessibleInterface* panel = QAccessible::queryAccessibleInterface(w_.panelWidget());
  if (panel == nullptr) return;
  const auto all = panelElements();
  for (std::size_t i = 0; i < all.size() && i < told_.size(); ++i) {
    const ElementTexts now = elementTexts(w_, all[i]);
    ElementTexts& before = told_[i];
    if (now == before) continue;
    QAccessibleInterface* child = panel->child(static_cast<int>(i));
    if (now.name != before.name) {
      QAccessibleEvent e(child, QAccessible::NameChanged);
      raise(e);
    }
    if (now.value != before.value) {
      // Qt's AT-SPI bridge drops a value event from an element without a
      // number value: a display's change goes as text, any other as its
      // description, which carries the value text.
      if (all[i].kind == ElementKind::Display) {
        QAccessibleTextUpdateEvent t(child, 0, before.value, now.value);
        raise(t);
      } else if (now.numbered && all[i].kind == ElementKind::Dial) {
        if (std::find(unsettled_.begin(), unsettled_.end(), static_cast<int>(i)) == unsettled_.end())
          unsettled_.push_back(static_cast<int>(i));
        settleSoon();
      } else if (now.numbered) {
        QAccessibleValueChangeEvent v(child, now.number);
        raise(v);
      } else {
        QAccessibleEvent e(child, QAccessible::DescriptionChanged);
        raise(e);
      }
    }
    // Changes the radio reports, said wherever the ring is: a retune of
    // either VFO and a mode change once they stand (one announcement), the
    // transmit state at once. An element that shows the change says its own.
    if (all[i].id == kIdMainDisplay && now.value != before.value && !reading_ && !ringShows(kIdMainDisplay)) {
      retuned_ = true;
      settleSoon();
    }
    if (all[i].id == kIdSubDisplay && now.value != before.value && !reading_ && !ringShows(kIdSubDisplay)) {
      retunedB_ = true;
      settleSoon();
    }
    if (all[i].id == kIdModeDisplay && now.value != before.value && focused_ != static_cast<int>(i) && !reading_) {
      remoded_ = true;
      settleSoon();
    }
    if (all[i].kind == ElementKind::Meter && now.value.section(u',', 0, 0) != before.value.section(u',', 0, 0) &&
        focused_ != static_cast<int>(i))
      announce(now.value.section(u',', 0, 0));
    // A digit is checked while chosen: its choice is no news (its turn says its figure).
    if (all[i].kind != ElementKind::Digit && (now.checked != before.checked || now.pressed != before.pressed)) {
      QAccessible::State changed;
      changed.checked = now.checked != before.checked;
      changed.pressed = now.pressed != before.pressed;
      QAccessibleStateChangeEvent e(child, changed);
      raise(e);
    }
    // The ringed key's new setting (the radio's own, or chosen from its
    // menu), after its state: Orca says no description's change. While
    // its menu has the keyboard the key's return says it.
    if (focused_ == static_cast<int>(i) && all[i].kind == ElementKind::Key && now.value != before.value &&
        !now.value.isEmpty() && w_.panelWidget()->hasFocus()) {
      if (awaitChoice_.isActive()) {
        awaitChoice_.stop();
        tellRing();
      } else
        announce(now.value);
    }
    // After the key's own state. The link's read-out moves everything at
    // once: its end says where the radio stands.
    if (all[i].id == panel::kIdCom && now.checked != before.checked) {
      reading_ = now.checked;
      retuned_ = retunedB_ = remoded_ = false;
      announce(now.checked ? QStringLiteral("link on, reading the radio") : QStringLiteral("link off"));
    }
    before = now;
  }
}

void PanelAccess::settleSoon() {
  // A frequency that never stands (a scan, a long turn) is still said,
  // every so often.
  if (!settle_.isActive()) {
    unsettledFor_.start();
    settle_.start(kSettleMs);
    return;
  }
  settle_.start(static_cast<int>(std::clamp<qint64>(kSettleMostMs - unsettledFor_.elapsed(), 0, kSettleMs)));
}

bool PanelAccess::ringShows(int display) const {
  if (focused_ < 0) return false;
  const int id = elementAt(focused_).id;
  // A display ringed says nothing of its own change: Orca reads a label's
  // text when asked only.
  if (display == kIdMainDisplay) return id == panel::kIdMainDial;
  // The CLAR/VFO-B dial tunes VFO B in one of its functions only.
  const RadioState* st = w_.core() != nullptr ? &w_.core()->state() : nullptr;
  return id == panel::kIdSubDial && st != nullptr && st->get_SF_Value() == 4;
}

void PanelAccess::tellSettled() {
  QAccessibleInterface* panel = QAccessible::queryAccessibleInterface(w_.panelWidget());
  if (panel == nullptr) return;
  for (int i : unsettled_) {
    // A dial whose function changed meanwhile may have no number now.
    const ElementTexts now = elementTexts(w_, elementAt(i));
    if (now.numbered) {
      QAccessibleValueChangeEvent v(panel->child(i), now.number);
      raise(v);
    } else {
      QAccessibleEvent e(panel->child(i), QAccessible::DescriptionChanged);
      raise(e);
    }
  }
  unsettled_.clear();
  const RadioState* st = w_.core() != nullptr ? &w_.core()->state() : nullptr;
  QStringList parts;
  if (retuned_ && st != nullptr) parts << QStringLiteral("VFO A ") + spokenFrequency(st->get_VfoA_Freq());
  if (retunedB_ && st != nullptr) parts << QStringLiteral("VFO B ") + spokenFrequency(st->get_VfoB_Freq());
  if (remoded_ && st != nullptr) parts << elementTexts(w_, elementAt(elementIndex(kIdModeDisplay))).value;
  retuned_ = retunedB_ = remoded_ = false;
  if (!parts.isEmpty()) announce(parts.join(QStringLiteral(", ")));
}

void PanelAccess::readOutDone() {
  // Another read-out (a menu's read-back) is not the link's.
  if (!reading_) return;
  reading_ = retuned_ = retunedB_ = remoded_ = false;
  const RadioState* st = w_.core() != nullptr ? &w_.core()->state() : nullptr;
  if (st == nullptr) return;
  announce(QStringLiteral("ready, ") + spokenFrequency(st->get_VfoA_Freq()) + QLatin1Char(' ') +
           elementTexts(w_, elementAt(elementIndex(kIdModeDisplay))).value);
}

void PanelAccess::announce(const QString& text) {
  lastSaid_ = (lastSaid_ + 1) % kAnnouncerCount;
  said_[static_cast<std::size_t>(lastSaid_)] = text;
  QAccessibleInterface* panel = QAccessible::queryAccessibleInterface(w_.panelWidget());
  if (panel == nullptr || !telling_) return;
  QAccessibleEvent e(panel->child(static_cast<int>(panelElements().size()) + lastSaid_), QAccessible::ObjectShow);
  raise(e);
}

}  // namespace hrx::gui
