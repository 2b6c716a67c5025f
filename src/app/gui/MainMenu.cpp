// The main menu's entries, in the order the menu bar shows them.
#include "app/gui/MainMenu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QString>

namespace hrx::gui {

namespace {

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

}  // namespace

void MainMenu::build(QMenuBar& bar, QObject& context, const std::function<bool(int)>& known,
                     const std::function<void(int)>& chosen) {
  std::map<QString, QMenu*> menus;
  for (const MenuEntry& e : kMenu) {
    const QString title = QString::fromUtf8(e.menu);
    QMenu*& menu = menus[title];
    if (menu == nullptr) menu = bar.addMenu(title);
    QAction* a = menu->addAction(QString::fromUtf8(e.text));
    a->setData(e.id);
    a->setEnabled(known(e.id));
    const int id = e.id;
    QObject::connect(a, &QAction::triggered, &context, [chosen, id] { chosen(id); });
    actions_[id] = a;
  }
}

QAction* MainMenu::action(int id) const {
  auto it = actions_.find(id);
  return it == actions_.end() ? nullptr : it->second;
}

}  // namespace hrx::gui
