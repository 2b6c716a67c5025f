#pragma once
// The menu item catalogue: building records from the built-in table, the
// value classes (value text, entries offered for editing, value taken from a
// chosen entry) and the list line. Pure functions on copies of records; safe
// from any thread.
#include <string>
#include <string_view>
#include <vector>

#include "menulist/MenuTable.h"
#include "state/MenuListItem.h"

namespace hrx {

class RadioState;

inline constexpr int kMenuItemCount = 196;
static_assert(kMenuRowCount == kMenuItemCount);

// The float printed with six decimals and read back as a whole number: the
// fraction is dropped (toward zero) after rounding at the sixth decimal.
// Values beyond the 32-bit range are clamped; NaN gives 0.
int IntOf(double v);

// How an item's value is shown and edited, by its type code.
enum class MenuValueClass {
  Number,       // 0, 4, 11, 19..30
  Negated,      // 8: magnitude stored, shown negative
  Tenths,       // 9
  Kilohertz,    // 10: stored in kHz, shown in MHz
  MicGain,      // 13: "MCVR" (1000) or a fixed gain
  BeaconTime,   // 16
  Text,         // 41
  Choice,       // every other type
};
MenuValueClass menuValueClass(int type);

// The record of one table row as the loader stores it (text items get their
// initial text in text; every field not in the row is zero).
MenuListItem makeMenuRecord(const MenuRowDef& row);

// Fills the catalogue synchronously: MenuItem_Count = 196, then every record.
// False when the store refused something.
bool loadBuiltInCatalogue(RadioState& state);

// Value text of the item's class, leading blank included; shows new_value /
// new_text while changed is set.
std::string menuValueText(const MenuListItem& item);

// The entries offered for editing, in order, and the one matching the current
// value (cur = -1 when none). Text items offer none.
struct MenuEditEntries {
  std::vector<std::string> texts;
  int cur = -1;
};
MenuEditEntries menuEditEntries(const MenuListItem& item);

// The value taken from entry `index` (whose text is `entry`) of the list
// menuEditEntries gave. False for a text item, a negative index or an entry
// text that is not a number where the class reads one.
bool menuValueFromEntry(const MenuListItem& item, int index, std::string_view entry, double* value);

// The text MY CALL may take: printable ASCII without ';' (a ';' would end
// the EX command early), 1 to 12 characters.
inline constexpr std::size_t kMenuCallMax = 12;
bool menuTextAllowed(std::string_view text);

// One line of the menu list: number, name (22 columns), range (96 columns),
// value text, unit.
std::string menuListLine(const MenuListItem& item);

}  // namespace hrx
