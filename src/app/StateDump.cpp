#include "app/StateDump.h"

#include <cstdio>
#include <cstring>
#include <string_view>

namespace hrx {
namespace {

std::string quoted(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u < 0x7f && c != '"' && c != '\\') {
      out.push_back(c);
    } else {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\x%02X", u);
      out += esc;
    }
  }
  return out + "\"";
}

std::string real(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.6g", v);
  return buf;
}

}  // namespace

std::string dumpState(const RadioState& s) {
  std::string out;
  auto line = [&out](const char* name, const std::string& value) { out.append(name).append("=").append(value).append("\n"); };
#define HRX_INT(name, def, lo, hi) line(#name, std::to_string(s.get_##name()));
#define HRX_REAL(name, def, lo, hi) line(#name, real(s.get_##name()));
#define HRX_WORD(name, def) line(#name, std::to_string(s.get_##name()));
#define HRX_TEXT(name) line(#name, quoted(s.text(TextField::name)));
#include "state/RadioFields.def"
#define HRX_DUMP_FLAG(name, start) line(#name, std::to_string(s.get_##name()));
  HRX_LINK_FLAGS(HRX_DUMP_FLAG)
#undef HRX_DUMP_FLAG
  for (int no = 1; no <= s.get_MenuItem_Count(); ++no) {
    MenuListItem item;
    if (!s.get_MenuItem(no, &item)) continue;
    char name[16];
    std::snprintf(name, sizeof name, "menu.%03d", no);
    line(name, real(item.value) + " " + quoted(std::string_view(item.text, strnlen(item.text, sizeof item.text))) + (item.changed != 0 ? " changed " + real(item.new_value) : ""));
  }
  return out;
}

}  // namespace hrx
