#include "equaliser/PefFile.h"

#include <sys/stat.h>

#include <cstdio>

#include "platform/WholeFile.h"
#include "serial/CsvTable.h"

namespace hrx::eq {

namespace {

// A whole decimal number: an optional sign and one to six digits, nothing
// else (no blanks, no fraction, no quotes' leftovers).
bool wholeNumber(const char* text, int* out) {
  if (text == nullptr) return false;
  const char* p = text;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  int digits = 0;
  int v = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    if (++digits > 6) return false;
    v = v * 10 + (*p - '0');
  }
  if (digits == 0 || *p != '\0') return false;
  *out = negative ? -v : v;
  return true;
}

}  // namespace

std::string formatPef(const EqValues& values) {
  std::string text;
  for (int b = 0; b < kBands; ++b) {
    char line[48];
    std::snprintf(line, sizeof line, "%d,%d,%d\n", bandHz(b, values[static_cast<std::size_t>(paramOf(b, Kind::Freq))]),
                  values[static_cast<std::size_t>(paramOf(b, Kind::Level))],
                  values[static_cast<std::size_t>(paramOf(b, Kind::Width))]);
    text += line;
  }
  return text;
}

bool writePefFile(const std::string& path, const EqValues& values) {
  if (path.empty() || path.size() >= kMaxPath) return false;
  for (int b = 0; b < kBands; ++b)
    if (bandHz(b, values[static_cast<std::size_t>(paramOf(b, Kind::Freq))]) < 0) return false;
  return static_cast<bool>(writeWholeFile(path, formatPef(values)));
}

bool readPefFile(const std::string& path, const EqLimits& limits, EqValues* out) {
  if (out == nullptr || path.empty() || path.size() >= kMaxPath) return false;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxPefBytes) return false;
  CsvTable table;
  if (!table.load(path)) return false;
  if (table.rows() != kBands || table.columns() != 3) return false;
  EqValues v{};
  for (int b = 0; b < kBands; ++b) {
    if (table.cellsInRow(b) != 3) return false;
    int hz = 0, level = 0, width = 0;
    if (!wholeNumber(table.cell(b, 0), &hz) || !wholeNumber(table.cell(b, 1), &level) ||
        !wholeNumber(table.cell(b, 2), &width))
      return false;
    const int index = bandIndex(b, hz);
    const int fp = paramOf(b, Kind::Freq), lp = paramOf(b, Kind::Level), wp = paramOf(b, Kind::Width);
    if (index < 0 || !limits[fp].contains(index) || !limits[lp].contains(level) || !limits[wp].contains(width))
      return false;
    v[static_cast<std::size_t>(fp)] = index;
    v[static_cast<std::size_t>(lp)] = level;
    v[static_cast<std::size_t>(wp)] = width;
  }
  *out = v;
  return true;
}

std::string defaultPefName(const std::tm& t) {
  char name[64];
  std::snprintf(name, sizeof name, "%04d%02d%02d%02d%02d%02d%s", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour,
                t.tm_min, t.tm_sec, ".pef");
  return name;
}

}  // namespace hrx::eq
