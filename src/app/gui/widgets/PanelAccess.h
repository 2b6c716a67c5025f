#pragma once
// The panel worked from the keyboard and followed by a screen reader: a
// focus ring that Tab and Shift+Tab move through the panel's elements in
// reading order, Space to press the ringed key (held while Space is), the
// arrows and Page Up/Down (unless the key file binds them) to turn the
// ringed dial or knob by one wheel notch, letters that read the radio aloud, and the accessibility
// events for what a report changed. With no element ringed the keys keep
// their old meaning (the key file, Enter nothing, Escape asks to end the program).
// GUI thread only.
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <array>
#include <functional>
#include <vector>

#include "app/gui/routes/WindowRoutes.h"
#include "app/gui/widgets/PanelAccessible.h"

class QAccessibleEvent;
class QWidget;

namespace hrx::gui {

class PanelAccess final : public QObject, public WindowPart {
 public:
  explicit PanelAccess(MainWindowServices& window);
  ~PanelAccess() override;

  // The ringed element's index in panelElements(), or -1.
  int focused() const { return focused_; }
  void setFocused(int index);
  // Whether the ringed element takes this key itself (the key file must
  // leave it alone).
  bool takesKey(int qtKey) const;
  // A click on element `index`, as the mouse makes it.
  void press(int index);
  // A press a screen reader or voice control asks for: a guarded key asks
  // first, as from Space.
  void pressAsked(int index);
  // One wheel notch on element `index`, up (away from the user) or down.
  void turn(int index, bool up);

  // A screen reader is reading the panel: from now on changes are told.
  void startTelling();
  // Raises the name, value and state events for every element whose texts
  // changed since the last call.
  void tellChanges();
  // The link's read-out has ended: where the radio stands is said.
  void readOutDone();
  // What the panel says wherever the ring is, the last said; and what
  // announcer `slot` says (each keeps its text until it is used again, so
  // a screen reader that reads a notice late reads its own).
  const QString& announcement() const { return said_[static_cast<std::size_t>(lastSaid_)]; }
  const QString& announcement(int slot) const { return said_[static_cast<std::size_t>(slot)]; }

  // Sees every event raised, before Qt hands it to the bridge (which takes
  // none while no bridge is active, as on the offscreen platform).
  void setProbe(std::function<void(QAccessibleEvent*)> probe) { probe_ = std::move(probe); }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  bool onKey(int qtKey, Qt::KeyboardModifiers mods);
  // The letters that read the frequency, the mode or the meter aloud, or
  // open VFO SET; false for any other key.
  bool readAloud(int qtKey);
  void moveRing(bool forward);
  void jumpSection(bool forward);
  void leave(int index);
  void mouseClick(QPoint at);
  void mouseButton(QPoint at, bool down);
  // Space down presses the ringed key and Space up lets it go, so a key
  // can be held (soft key 8's long push); other elements are clicked.
  void holdDown(int index);
  void letGo();
  void wheelNotch(QPoint at, bool up);
  void raise(QAccessibleEvent& e);
  void tellSettled();
  // Space on a key that can switch the radio off or key the transmitter
  // asks first; false when the key needs no question.
  bool askFirst(int index);
  void tellRing();

  MainWindowServices& w_;
  QWidget* ring_ = nullptr;
  int focused_ = -1;
  bool synthetic_ = false;
  int held_ = -1;   // the key Space holds down, or -1
  bool telling_ = false;
  std::vector<ElementTexts> told_;
  // A frequency is told once it has stood still: 300 ms after its last
  // change, so a turn of the dial is said once, not at every step.
  QTimer settle_;
  std::vector<int> unsettled_;
  QElapsedTimer unsettledFor_;
  void settleSoon();
  // Whether the ringed element shows what `display` shows (it says its own).
  bool ringShows(int display) const;
  // A key back from its menu is told once the radio has the choice.
  QTimer awaitChoice_;
  // Space up lets the held key go once no repeat's press follows.
  QTimer spaceUp_;
  // Said once the frequency stands, unless the ring is on it already.
  bool retuned_ = false;
  bool retunedB_ = false;
  bool remoded_ = false;
  // From the link's coming on to the end of its read-out.
  bool reading_ = false;
  std::array<QString, kAnnouncerCount> said_;
  int lastSaid_ = 0;
  void announce(const QString& text);
  std::function<void(QAccessibleEvent*)> probe_;
};

}  // namespace hrx::gui
