// Checks the compiled catalogue against the reference rows in
// data/menu_rows.md, field by field, so a transcription slip in the table
// shows up as the item and field that differ.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "menulist/MenuCatalogue.h"

namespace hrx {
namespace {

std::string trim(const std::string& s) {
  const auto b = s.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// A quoted cell keeps its blanks inside the quotes.
bool unquote(const std::string& cell, std::string* out) {
  if (cell.size() < 2 || cell.front() != '"' || cell.back() != '"') return false;
  *out = cell.substr(1, cell.size() - 2);
  return true;
}

std::vector<std::string> quotedIn(const std::string& s) {
  std::vector<std::string> out;
  std::size_t p = 0;
  while ((p = s.find('"', p)) != std::string::npos) {
    const std::size_t e = s.find('"', p + 1);
    if (e == std::string::npos) break;
    out.push_back(s.substr(p + 1, e - p - 1));
    p = e + 1;
  }
  return out;
}

// "OFF", then "1min", "2min", … "30min": the two entries before the ellipsis
// give the start and the step of a number with a fixed suffix.
std::vector<std::string> expandEllipsis(const std::string& body, std::string* err) {
  const std::string ell = "\xE2\x80\xA6";
  const std::size_t at = body.find(ell);
  std::vector<std::string> before = quotedIn(body.substr(0, at));
  const std::vector<std::string> after = quotedIn(body.substr(at));
  if (before.size() < 2 || after.empty()) {
    *err = "ellipsis without two entries before and one after";
    return {};
  }
  auto split = [](const std::string& t, long* n, std::string* suffix) {
    std::size_t i = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
    if (i == 0) return false;
    *n = std::strtol(t.substr(0, i).c_str(), nullptr, 10);
    *suffix = t.substr(i);
    return true;
  };
  long a = 0, b = 0, z = 0;
  std::string sa, sb, sz;
  if (!split(before[before.size() - 2], &a, &sa) || !split(before.back(), &b, &sb) ||
      !split(after.front(), &z, &sz) || sa != sb || sa != sz || b <= a || (z - a) % (b - a) != 0) {
    *err = "ellipsis entries do not form a progression";
    return {};
  }
  std::vector<std::string> out(before.begin(), before.end() - 2);
  for (long v = a; v <= z; v += b - a) out.push_back(std::to_string(v) + sa);
  return out;
}

// Bare numbers with one decimal, up to the closing remark in parentheses.
std::vector<std::string> bareNumbers(const std::string& body) {
  std::vector<std::string> out;
  const std::string list = body.substr(0, body.find('('));
  std::size_t p = 0;
  while (p < list.size()) {
    const std::size_t e = list.find(',', p);
    const std::string t = trim(list.substr(p, e == std::string::npos ? std::string::npos : e - p));
    if (!t.empty()) out.push_back(t);
    if (e == std::string::npos) break;
    p = e + 1;
  }
  return out;
}

struct RefRow {
  std::vector<std::string> cells;
};

TEST(MenuTableData, EveryRowAndChoiceSetMatchesReference) {
  const auto path = std::filesystem::path(HRX900_SOURCE_DIR) / "tests" / "menulist" / "data" / "menu_rows.md";
  std::ifstream in(path);
  ASSERT_TRUE(in) << path;

  std::vector<RefRow> rows;
  std::map<int, std::vector<std::string>> sets;
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("| ", 0) == 0) {
      std::string inner = line.substr(2, line.size() - 4);  // drop "| " and " |"
      RefRow r;
      std::size_t p = 0;
      for (;;) {
        const std::size_t e = inner.find(" | ", p);
        r.cells.push_back(trim(inner.substr(p, e == std::string::npos ? std::string::npos : e - p)));
        if (e == std::string::npos) break;
        p = e + 3;
      }
      ASSERT_EQ(r.cells.size(), 9u) << line;
      rows.push_back(r);
    } else if (line.rfind("- S", 0) == 0) {
      const int n = std::atoi(line.c_str() + 3);
      const std::size_t colon = line.find(": ");
      ASSERT_NE(colon, std::string::npos) << line;
      const std::string head = line.substr(0, colon), body = line.substr(colon + 2);
      std::vector<std::string> entries;
      std::string err;
      if (body.find("\xE2\x80\xA6") != std::string::npos) entries = expandEllipsis(body, &err);
      else if (body.find('"') == std::string::npos) entries = bareNumbers(body);
      else entries = quotedIn(body);
      ASSERT_TRUE(err.empty()) << line << ": " << err;
      const std::size_t paren = head.find('(');
      if (paren != std::string::npos) {
        ASSERT_EQ(std::atoi(head.c_str() + paren + 1), static_cast<int>(entries.size())) << line;
      }
      ASSERT_TRUE(sets.emplace(n, entries).second) << "set S" << n << " twice";
    }
  }
  ASSERT_EQ(rows.size(), 196u);
  ASSERT_EQ(sets.size(), 72u);
  ASSERT_EQ(kMenuChoiceSetCount, 72);

  for (const auto& [n, entries] : sets) {
    const std::string label = "S" + std::to_string(n);
    ASSERT_LE(n, kMenuChoiceSetCount) << label;
    const MenuChoiceSet& set = kMenuChoiceSets[n];
    ASSERT_EQ(set.count, entries.size()) << label;
    for (std::size_t i = 0; i < entries.size(); ++i) EXPECT_EQ(set.items[i], entries[i]) << label << "[" << i << "]";
  }

  for (std::size_t i = 0; i < rows.size(); ++i) {
    const auto& c = rows[i].cells;
    const std::string label = "item " + c[0];
    const MenuListItem r = makeMenuRecord(kMenuRows[i]);
    std::string s;
    EXPECT_EQ(r.no, std::atoi(c[0].c_str())) << label;
    ASSERT_TRUE(unquote(c[1], &s)) << label;
    EXPECT_EQ(std::string(r.name), s) << label << " name";
    ASSERT_TRUE(unquote(c[2], &s)) << label;
    EXPECT_EQ(std::string(r.range), s) << label << " range";
    EXPECT_EQ(r.type, std::atoi(c[3].c_str())) << label << " type";
    EXPECT_EQ(r.width, std::atoi(c[4].c_str())) << label << " width";
    EXPECT_EQ(r.value, std::strtod(c[5].c_str(), nullptr)) << label << " value";
    if (c[6] == "-") {
      EXPECT_EQ(r.has_unit, 0) << label << " has_unit";
      EXPECT_STREQ(r.unit, "") << label << " unit";
    } else {
      ASSERT_TRUE(unquote(c[6], &s)) << label;
      EXPECT_EQ(r.has_unit, 1) << label << " has_unit";
      EXPECT_EQ(std::string(r.unit), s) << label << " unit";
    }
    double mn = 0, mx = 0, st = 0;
    if (c[7] != "-") {
      char* e = nullptr;
      mn = std::strtod(c[7].c_str(), &e);
      mx = std::strtod(std::string(c[7]).substr(c[7].find('/') + 1).c_str(), nullptr);
      st = std::strtod(c[7].substr(c[7].rfind('/') + 1).c_str(), nullptr);
      ASSERT_NE(c[7].find('/'), c[7].rfind('/')) << label << " min/max/step";
    }
    EXPECT_EQ(r.min, mn) << label << " min";
    EXPECT_EQ(r.max, mx) << label << " max";
    EXPECT_EQ(r.step, st) << label << " step";
    std::vector<std::string> want;
    if (c[8] != "-") {
      ASSERT_EQ(c[8][0], 'S') << label;
      const int set = std::atoi(c[8].c_str() + 1);
      ASSERT_TRUE(sets.count(set)) << label << " set S" << set;
      want = sets[set];
      EXPECT_EQ(std::atoi(c[8].c_str() + c[8].find('(') + 1), static_cast<int>(want.size())) << label;
    }
    ASSERT_EQ(r.choice_num, static_cast<int>(want.size())) << label << " choice_num";
    for (std::size_t k = 0; k < want.size(); ++k)
      EXPECT_EQ(std::string(r.choice[k]), want[k]) << label << " choice " << k;
    for (std::size_t k = want.size(); k < static_cast<std::size_t>(kMenuChoiceMax); ++k) {
      if (r.type == 41 && k == 0) continue;  // initial text
      EXPECT_STREQ(r.choice[k], "") << label << " choice " << k;
    }
  }
}

}  // namespace
}  // namespace hrx
