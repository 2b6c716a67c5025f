#include "menulist/MenuCatalogue.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "state/RadioState.h"

namespace hrx {

int IntOf(double v) {
  if (std::isnan(v)) return 0;
  constexpr double lo = std::numeric_limits<int>::min();
  constexpr double hi = std::numeric_limits<int>::max();
  if (v <= lo) return std::numeric_limits<int>::min();
  if (v >= hi) return std::numeric_limits<int>::max();
  // A fraction short of 0.999999 cannot round up at six decimals: the
  // printing only decides the rest (and costs most of a set-up file's save).
  const double whole = std::trunc(v);
  if (std::fabs(v - whole) < 0.999999) return static_cast<int>(whole);
  char buf[48];
  std::snprintf(buf, sizeof buf, "%f", v);
  const long long n = std::strtoll(buf, nullptr, 10);
  if (n < lo) return std::numeric_limits<int>::min();
  if (n > hi) return std::numeric_limits<int>::max();
  return static_cast<int>(n);
}

namespace {

struct ClassRow {
  int first, last;
  MenuValueClass cls;
};
// Types not listed are choice items.
constexpr ClassRow kClassRows[] = {
    {0, 0, MenuValueClass::Number},       {4, 4, MenuValueClass::Number},
    {11, 11, MenuValueClass::Number},     {19, 30, MenuValueClass::Number},
    {8, 8, MenuValueClass::Negated},      {9, 9, MenuValueClass::Tenths},
    {10, 10, MenuValueClass::Kilohertz},  {13, 13, MenuValueClass::MicGain},
    {16, 16, MenuValueClass::BeaconTime}, {41, 41, MenuValueClass::Text},
};

template <std::size_t N>
void copyText(char (&dst)[N], const char* src) {
  std::memset(dst, 0, N);
  if (src != nullptr) std::memcpy(dst, src, strnlen(src, N - 1));
}

std::string format(const char* fmt, auto... args) {
  char buf[160];
  const int n = std::snprintf(buf, sizeof buf, fmt, args...);
  if (n < 0) return {};
  return std::string(buf, static_cast<std::size_t>(std::min<int>(n, sizeof buf - 1)));
}

// Bounded text of a fixed field (never reads past it even without a NUL).
template <std::size_t N>
std::string fieldText(const char (&f)[N]) {
  return std::string(f, strnlen(f, N));
}

// Numeric walks: entries are start + k*step so no rounding error piles up;
// the limit allows a millionth of a step of slack for the same reason.
// A walk with a step that cannot advance stays at its first entry.
constexpr int kWalkMax = 100000;

int walkCount(double start, double limit, double step) {
  if (!(step > 0)) return start <= limit ? 1 : 0;
  const double slack = step * 1e-6;
  int k = 0;
  while (k < kWalkMax && start + k * step <= limit + slack) ++k;
  return k;
}

int parseInt(std::string_view s, bool* ok) {
  std::string t(s);
  char* end = nullptr;
  const long v = std::strtol(t.c_str(), &end, 10);
  *ok = !t.empty() && end != nullptr && *end == '\0';
  return static_cast<int>(v);
}

double parseReal(std::string_view s, bool* ok) {
  std::string t(s);
  char* end = nullptr;
  const double v = std::strtod(t.c_str(), &end);
  *ok = !t.empty() && end != nullptr && *end == '\0';
  return v;
}

// Beacon times above 240 s run in 30 s steps, encoded as 241..255.
constexpr int kBeaconFine = 240;

}  // namespace

MenuValueClass menuValueClass(int type) {
  for (const auto& r : kClassRows)
    if (type >= r.first && type <= r.last) return r.cls;
  return MenuValueClass::Choice;
}

MenuListItem makeMenuRecord(const MenuRowDef& row) {
  MenuListItem r{};
  r.no = row.no;
  copyText(r.name, row.name);
  copyText(r.range, row.range);
  r.value = row.value;
  r.width = row.width;
  r.has_unit = row.unit != nullptr ? 1 : 0;
  copyText(r.unit, row.unit);
  r.type = row.type;
  r.max = row.max;
  r.min = row.min;
  r.step = row.step;
  if (row.choice_set > 0 && row.choice_set <= kMenuChoiceSetCount) {
    const MenuChoiceSet& set = kMenuChoiceSets[row.choice_set];
    const std::size_t n = std::min<std::size_t>(set.count, kMenuChoiceMax);
    r.choice_num = static_cast<std::int32_t>(n);
    for (std::size_t i = 0; i < n; ++i) copyText(r.choice[i], set.items[i]);
  }
  if (row.text != nullptr) copyText(r.choice[0], row.text);
  if (r.type == 41) {
    copyText(r.text, r.choice[0]);
    std::memset(r.new_text, 0, sizeof r.new_text);
  }
  return r;
}

bool loadBuiltInCatalogue(RadioState& state) {
  if (!state.set_MenuItem_Count(kMenuItemCount)) return false;
  bool ok = true;
  for (int i = 1; i <= kMenuItemCount; ++i) {
    const MenuListItem rec = makeMenuRecord(kMenuRows[i - 1]);
    ok = state.set_MenuItem(i, &rec) && ok;
  }
  return ok;
}

std::string menuValueText(const MenuListItem& item) {
  const double value = item.changed ? item.new_value : item.value;
  switch (menuValueClass(item.type)) {
    case MenuValueClass::Number:
      return format(" %d", IntOf(value));
    case MenuValueClass::Negated:
      return format(" %d", -IntOf(value));
    case MenuValueClass::Tenths:
      return format(" %.1f", value * 0.1);
    case MenuValueClass::Kilohertz:
      return format(" %.3f", value * 0.001);
    case MenuValueClass::MicGain:
      if (value < 1000) return " " + fieldText(item.choice[1]) + format("(%d)", IntOf(value));
      return " " + fieldText(item.choice[0]);
    case MenuValueClass::BeaconTime: {
      if (value == 0) return " " + fieldText(item.choice[0]);
      int n = IntOf(value);
      if (n > kBeaconFine && n < 256) n = (3 * n - 696) * 10;
      return format(" %d", n);
    }
    case MenuValueClass::Text:
      return " " + fieldText(item.changed ? item.new_text : item.text);
    case MenuValueClass::Choice:
      break;
  }
  const int idx = IntOf(value);
  // A negative index would read outside the record: shown like one too large.
  if (idx < 0 || idx >= kMenuChoiceMax) return " ????????????";
  return " " + fieldText(item.choice[idx]);
}

MenuEditEntries menuEditEntries(const MenuListItem& item) {
  MenuEditEntries e;
  const int cur = IntOf(item.value);
  auto add = [&](std::string text, bool isCur) {
    if (isCur && e.cur < 0) e.cur = static_cast<int>(e.texts.size());
    e.texts.push_back(std::move(text));
  };
  switch (menuValueClass(item.type)) {
    case MenuValueClass::Number: {
      const int n = walkCount(item.min, item.max, item.step);
      for (int k = 0; k < n; ++k) {
        const int v = IntOf(item.min + k * item.step);
        add(format("%d", v), v == cur);
      }
      break;
    }
    case MenuValueClass::Negated: {
      const int n = walkCount(-item.min, -item.max, item.step);
      for (int k = 0; k < n; ++k) {
        const double v = -item.min + k * item.step;
        add(format("%d", IntOf(v)), IntOf(-v) == cur);
      }
      break;
    }
    case MenuValueClass::Tenths: {
      const int n = walkCount(item.min * 0.1, item.max * 0.1, item.step);
      for (int k = 0; k < n; ++k) {
        const double v = item.min * 0.1 + k * item.step;
        add(format("%.1f", v), IntOf(v * 10) == cur);
      }
      break;
    }
    case MenuValueClass::Kilohertz: {
      const int last = IntOf(item.max);
      const double start = item.min * 0.001;
      for (int k = 0; k < kWalkMax; ++k) {
        const double v = start + k * item.step;
        if (IntOf(v * 1000) > last) break;
        add(format("%.3f", v), IntOf(v * 1000) == cur);
        if (!(item.step > 0)) break;
      }
      break;
    }
    case MenuValueClass::MicGain: {
      add(fieldText(item.choice[0]), cur == 1000);
      const std::string fix = fieldText(item.choice[1]);
      const int n = walkCount(item.min, item.max, item.step);
      for (int k = 0; k < n; ++k) {
        const int v = IntOf(item.min + k * item.step);
        add(fix + format("(%d)", v), v == cur);
      }
      break;
    }
    case MenuValueClass::BeaconTime: {
      add(fieldText(item.choice[0]), cur == 0);
      double v = item.min;
      double step = item.step;
      for (int guard = 0; guard < kWalkMax && v <= item.max + 1e-6; ++guard) {
        add(format("%d", IntOf(v)), static_cast<int>(e.texts.size()) == cur);
        if (IntOf(v) >= kBeaconFine) step = 30;
        if (!(step > 0)) break;
        v += step;
      }
      break;
    }
    case MenuValueClass::Text:
      break;
    case MenuValueClass::Choice: {
      const int n = std::clamp<int>(item.choice_num, 0, kMenuChoiceMax);
      for (int i = 0; i < n; ++i) add(fieldText(item.choice[i]), i == cur);
      break;
    }
  }
  return e;
}

bool menuValueFromEntry(const MenuListItem& item, int index, std::string_view entry, double* value) {
  if (value == nullptr || index < 0) return false;
  bool ok = false;
  switch (menuValueClass(item.type)) {
    case MenuValueClass::Number: {
      const int v = parseInt(entry, &ok);
      if (ok) *value = v;
      return ok;
    }
    case MenuValueClass::Negated: {
      const int v = parseInt(entry, &ok);
      if (ok) *value = -v;
      return ok;
    }
    case MenuValueClass::Tenths: {
      const double v = parseReal(entry, &ok);
      if (ok) *value = v * 10;
      return ok;
    }
    case MenuValueClass::Kilohertz: {
      const double v = parseReal(entry, &ok);
      if (ok) *value = v * 1000;
      return ok;
    }
    case MenuValueClass::MicGain:
      *value = index == 0 ? 1000 : index - 1;
      return true;
    case MenuValueClass::BeaconTime:
    case MenuValueClass::Choice:
      *value = index;
      return true;
    case MenuValueClass::Text:
      return false;
  }
  return false;
}

bool menuTextAllowed(std::string_view text) {
  if (text.empty() || text.size() > kMenuCallMax) return false;
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c <= 0x7E && c != ';'; });
}

std::string menuListLine(const MenuListItem& item) {
  std::string line = format("%03d", item.no);
  std::string b = "  " + fieldText(item.name);
  if (b.size() < 22) b.resize(22, ' ');
  std::string c = "  " + fieldText(item.range);
  if (c.size() < 96) c.resize(96, ' ');
  line += b;
  line += c;
  line += menuValueText(item);
  if (item.has_unit) line += fieldText(item.unit);
  return line;
}

}  // namespace hrx
