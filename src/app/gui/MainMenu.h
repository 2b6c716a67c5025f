#pragma once
// The main menu: its entries and the action of each command id.
// Owns the actions it adds to the main window's menu bar; made and used by
// the main window, on the GUI thread.
#include <functional>
#include <map>

class QAction;
class QMenuBar;
class QObject;

namespace hrx::gui {

class MainMenu {
 public:
  // Adds every entry to `bar`; `known` says whether some feature has a
  // command row for an id (the entry is enabled), `chosen` runs an entry.
  void build(QMenuBar& bar, QObject& context, const std::function<bool(int)>& known,
             const std::function<void(int)>& chosen);
  QAction* action(int id) const;

 private:
  std::map<int, QAction*> actions_;
};

}  // namespace hrx::gui
