#include "app/gui/KeyCommandFilter.h"

#include <QApplication>
#include <QKeyEvent>

#include "app/gui/MainWindowServices.h"
#include "app/gui/widgets/PanelAccess.h"
#include "app/gui/windows/VersionDlg.h"
#include "serial/CommSetting.h"

namespace hrx::gui {

namespace {

struct QtKeyRow {
  int qt;
  Key key;
};
constexpr QtKeyRow kKeys[] = {
    {Qt::Key_F1, Key::F1},         {Qt::Key_F2, Key::F2},          {Qt::Key_F3, Key::F3},
    {Qt::Key_F4, Key::F4},         {Qt::Key_F5, Key::F5},          {Qt::Key_F6, Key::F6},
    {Qt::Key_F7, Key::F7},         {Qt::Key_F8, Key::F8},          {Qt::Key_F9, Key::F9},
    {Qt::Key_F10, Key::F10},       {Qt::Key_F11, Key::F11},        {Qt::Key_F12, Key::F12},
    {Qt::Key_PageUp, Key::PageUp}, {Qt::Key_PageDown, Key::PageDown}, {Qt::Key_Home, Key::Home},
    {Qt::Key_End, Key::End},
};

// One modifier held, as the slot table knows them; two or more match none.
bool modOf(Qt::KeyboardModifiers mods, KeyMod& out) {
  mods &= Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
  if (mods == Qt::NoModifier) out = KeyMod::None;
  else if (mods == Qt::ShiftModifier) out = KeyMod::Shift;
  else if (mods == Qt::ControlModifier) out = KeyMod::Ctrl;
  else if (mods == Qt::AltModifier) out = KeyMod::Alt;
  else return false;
  return true;
}

}  // namespace

KeyCommandFilter::KeyCommandFilter(MainWindowServices& window) : w_(window) { qApp->installEventFilter(this); }

QString KeyCommandFilter::keyFile() const {
  if (!path_.isEmpty()) return path_;
  const std::string base = w_.core() != nullptr ? w_.core()->settingsDir() : std::string();
  return QString::fromStdString(commoFilePath(base, kKeyFileName));
}

KeyCommandFilter::~KeyCommandFilter() { qApp->removeEventFilter(this); }

bool KeyCommandFilter::eventFilter(QObject* watched, QEvent* e) {
  // Only keys meant for the main window itself (or its panel).
  if (e->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
  if (static_cast<QWidget*>(watched)->window() != &w_.widget()) return false;
  auto* k = static_cast<QKeyEvent*>(e);
  // A ringed dial, knob or digit of the panel turns with Page Up/Down,
  // unless the key file binds them.
  if (!onKey(k->key(), k->modifiers(), w_.part<PanelAccess>().takesKey(k->key()))) return false;
  // Marked taken, so a window that offered the key first does no more.
  k->accept();
  return true;
}

bool KeyCommandFilter::onKey(int qtKey, Qt::KeyboardModifiers mods, bool onlyIfBound) {
  KeyMod mod;
  if (!modOf(mods, mod)) return false;
  const QtKeyRow* row = nullptr;
  for (const QtKeyRow& r : kKeys)
    if (r.qt == qtKey) row = &r;
  if (row == nullptr) return false;
  if (row->key == Key::F1 && mod == KeyMod::None) {
    openVersionWindow(&w_.widget());
    return true;
  }
  const int slot = keySlot(row->key, mod);
  if (slot < 0) return false;
  KeyLines lines;
  const bool read = readKeyFile(keyFile().toStdString(), lines);
  if (onlyIfBound && (!read || lines[static_cast<std::size_t>(slot)].find_first_not_of(" \t") == std::string::npos))
    return false;
  if (sender_.busy() || !read) return true;
  if (!sender_.start(lines[static_cast<std::size_t>(slot)])) return true;
  sendNext();
  return true;
}

void KeyCommandFilter::sendNext() {
  w_.killWindowTimer(kTimerKeyLine);
  const std::string_view cmd = sender_.next();
  if (cmd.empty()) return;
  if (w_.core() != nullptr) w_.core()->sendText(cmd);
  w_.startWindowTimer(kTimerKeyLine, keyCommandGapMs(cmd.size()));
}

}  // namespace hrx::gui
