#pragma once
// The main window's rows: window messages, main-window timer ticks and
// main-menu commands, each mapped to a handler in the file of the feature it
// drives. A feature file defines one WindowRoutes and is named once in
// WindowRoutes.cpp; the window builds its tables from that list.
#include <memory>
#include <span>

#include "platform/MessageTable.h"

namespace hrx::gui {

class MainWindowServices;
using WindowRow = MessageRow<MainWindowServices>;

struct WindowRoutes {
  const char* name;
  std::span<const WindowRow> messages;   // by message id
  std::span<const WindowRow> timers;     // by timer id; Msg::w and l are 0
  std::span<const WindowRow> commands;   // by main-menu command id
};

// Every feature's routes, in the order their rows run.
std::span<const WindowRoutes* const> allWindowRoutes();

// What a feature keeps for the life of the window: made on first use by
// MainWindowServices::part<T>(), which passes the window to T's constructor.
class WindowPart {
 public:
  virtual ~WindowPart() = default;
};

}  // namespace hrx::gui
