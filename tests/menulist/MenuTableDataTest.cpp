// Checks the compiled catalogue against the reference rows in
// data/menu_rows.md: each row written out in the file's own format, and each
// choice set entry by entry, so a transcription slip shows as the line that
// differs.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "menulist/MenuCatalogue.h"

namespace hrx {
namespace {

std::string num(double v) {
  char b[32];
  std::snprintf(b, sizeof b, "%g", v);
  return b;
}

std::string setCell(int n) {
  return n == 0 ? "-" : "S" + std::to_string(n) + " (" + std::to_string(kMenuChoiceSets[n].count) + ")";
}

// | 001 | "FAST DELAY" | "20-4000 (20msec Steps)" | 0 | 4 | 300 | "msec" | 20 / 4000 / 20 | - |
std::string rowLine(const MenuRowDef& d) {
  char no[8];
  std::snprintf(no, sizeof no, "%03d", d.no);
  const bool walk = d.min != 0 || d.max != 0 || d.step != 0;
  return std::string("| ") + no + " | \"" + d.name + "\" | \"" + d.range + "\" | " + std::to_string(d.type) + " | " +
         std::to_string(d.width) + " | " + num(d.value) + " | " +
         (d.unit != nullptr ? "\"" + std::string(d.unit) + "\"" : "-") + " | " +
         (walk ? num(d.min) + " / " + num(d.max) + " / " + num(d.step) : "-") + " | " + setCell(d.choice_set) + " |";
}

// The entries of a set line: quoted texts, or bare numbers up to the remark.
std::vector<std::string> entriesOf(const std::string& body) {
  std::vector<std::string> out;
  if (body.find('"') != std::string::npos) {
    for (std::size_t p = body.find('"'); p != std::string::npos; p = body.find('"', p + 1)) {
      const std::size_t e = body.find('"', p + 1);
      out.push_back(body.substr(p + 1, e - p - 1));
      p = e;
    }
    return out;
  }
  const std::string list = body.substr(0, body.find(" ("));
  for (std::size_t p = 0, e; p < list.size(); p = e + 2) {
    e = std::min(list.find(", ", p), list.size());
    out.push_back(list.substr(p, e - p));
  }
  return out;
}

// The sets the file writes as a progression: an optional first entry, then
// first..last in steps, each with a suffix.
struct Walk {
  int set;
  const char* head;
  int first, step, last;
  const char* suffix;
};
constexpr Walk kWalks[] = {{19, "OFF", 1, 1, 30, "min"},     {22, "OFF", 100, 50, 1000, "Hz"},
                           {24, "OFF", 700, 50, 4000, "Hz"}, {27, nullptr, 300, 10, 1050, ""},
                           {59, "OFF", 1500, 100, 3200, "Hz"}};

TEST(MenuTableData, EveryRowAndChoiceSetMatchesReference) {
  const auto path = std::filesystem::path(HRX900_SOURCE_DIR) / "tests" / "menulist" / "data" / "menu_rows.md";
  std::ifstream in(path);
  ASSERT_TRUE(in) << path;
  ASSERT_EQ(kMenuRowCount, 196);
  ASSERT_EQ(kMenuChoiceSetCount, 72);
  int rows = 0, sets = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("| ", 0) == 0) {
      ASSERT_LT(rows, kMenuRowCount);
      EXPECT_EQ(rowLine(kMenuRows[rows]), line);
      ++rows;
    } else if (line.rfind("- S", 0) == 0) {
      const int n = std::atoi(line.c_str() + 3);
      ASSERT_EQ(n, ++sets) << line;
      std::vector<std::string> want;
      if (line.find("\xE2\x80\xA6") == std::string::npos) {
        want = entriesOf(line.substr(line.find(": ") + 2));
      } else {
        const Walk* w = nullptr;
        for (const Walk& k : kWalks) w = k.set == n ? &k : w;
        ASSERT_NE(w, nullptr) << line;
        if (w->head != nullptr) want.push_back(w->head);
        for (int v = w->first; v <= w->last; v += w->step) want.push_back(std::to_string(v) + w->suffix);
      }
      const MenuChoiceSet& set = kMenuChoiceSets[n];
      ASSERT_EQ(set.count, want.size()) << line;
      for (std::size_t i = 0; i < want.size(); ++i) EXPECT_EQ(set.items[i], want[i]) << "S" << n << "[" << i << "]";
    }
  }
  EXPECT_EQ(rows, 196);
  EXPECT_EQ(sets, 72);
}

}  // namespace
}  // namespace hrx
