#pragma once
// One record of the menu item catalogue: fixed size, copied whole by value.
#include <cstdint>

namespace hrx {

inline constexpr int kMenuItemMax = 500;      // room in the store
inline constexpr int kMenuChoiceMax = 80;
inline constexpr int kMenuChoiceLen = 21;
// Menu item type of CAT RATE: its choices are the four speeds.
inline constexpr int kCatRateType = 39;

struct MenuListItem {
  std::int32_t no = 0;          // 1..196, the record's position + 1
  char name[22] = {};           // trailing blanks belong to the name
  char range[102] = {};
  double value = 0;             // in the item's own unit
  std::int32_t width = 0;       // digits of the value in EX commands and replies
  std::uint8_t has_unit = 0;
  char unit[11] = {};
  std::int32_t type = 0;        // value class and tag
  double max = 0, min = 0, step = 0;
  std::int32_t choice_num = 0;
  char choice[kMenuChoiceMax][kMenuChoiceLen] = {};
  std::uint8_t changed = 0;     // the window copy holds an edit not yet applied
  double new_value = 0;
  char text[20] = {};           // current text of a text item (type 41)
  char new_text[20] = {};
};

}  // namespace hrx
