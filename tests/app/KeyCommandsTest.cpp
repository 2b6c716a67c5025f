// Keyboard commands without the window: the key-slot table, the key file's
// lines and the sending of one line as complete commands with their gaps.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <string>
#include <vector>

#include "app/KeyCommands.h"

namespace hrx {
namespace {

TEST(KeyCommands, SlotTableHoldsEveryKeyOfTheTable) {
  struct Case {
    Key key;
    KeyMod mod;
    int slot;
  };
  const Case cases[] = {
      {Key::F2, KeyMod::None, 0},       {Key::F9, KeyMod::None, 7},      {Key::F11, KeyMod::None, 8},
      {Key::F12, KeyMod::None, 9},      {Key::PageUp, KeyMod::None, 42}, {Key::PageDown, KeyMod::None, 43},
      {Key::Home, KeyMod::None, 44},    {Key::End, KeyMod::None, 45},    {Key::F1, KeyMod::Shift, 10},
      {Key::F9, KeyMod::Shift, 18},     {Key::F11, KeyMod::Shift, 19},   {Key::F12, KeyMod::Shift, 20},
      {Key::F1, KeyMod::Ctrl, 21},      {Key::F9, KeyMod::Ctrl, 29},     {Key::F11, KeyMod::Ctrl, 30},
      {Key::F12, KeyMod::Ctrl, 31},     {Key::F1, KeyMod::Alt, 32},      {Key::F3, KeyMod::Alt, 34},
      {Key::F5, KeyMod::Alt, 35},       {Key::F7, KeyMod::Alt, 36},      {Key::F10, KeyMod::Alt, 39},
      {Key::F12, KeyMod::Alt, 41},
      // Not slots: F1 alone (Version), F10 alone, Alt+F4 (closes), Alt+F6.
      {Key::F1, KeyMod::None, -1},      {Key::F10, KeyMod::None, -1},    {Key::F4, KeyMod::Alt, -1},
      {Key::F6, KeyMod::Alt, -1},       {Key::F10, KeyMod::Shift, -1},   {Key::Home, KeyMod::Ctrl, -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(keySlot(c.key, c.mod), c.slot) << static_cast<int>(c.key) << " mod " << static_cast<int>(c.mod);

  // 46 keys, each slot exactly once.
  std::vector<int> seen(kKeySlotCount, 0);
  for (int k = 0; k <= static_cast<int>(Key::End); ++k)
    for (int m = 0; m <= static_cast<int>(KeyMod::Alt); ++m) {
      const int s = keySlot(static_cast<Key>(k), static_cast<KeyMod>(m));
      if (s >= 0) ++seen.at(static_cast<std::size_t>(s));
    }
  for (int s = 0; s < kKeySlotCount; ++s) EXPECT_EQ(seen[static_cast<std::size_t>(s)], 1) << "slot " << s;
}

TEST(KeyCommands, KeyFileLines) {
  struct Case {
    const char* label;
    std::string text;
    int line;
    std::string expected;
  };
  const std::string longLine(300, 'A');
  std::string many;
  for (int i = 0; i < 50; ++i) many += "L" + std::to_string(i) + ";\n";
  const Case cases[] = {
      {"first line is slot 0", "FA14250000;MD02;\nMD01;\n", 0, "FA14250000;MD02;"},
      {"second line", "FA14250000;MD02;\nMD01;\n", 1, "MD01;"},
      {"empty line", "\nMD01;\n", 0, ""},
      {"CR LF ends", "FA14250000;\r\nMD02;\r\n", 1, "MD02;"},
      {"CR alone ends", "A;\rB;\r", 1, "B;"},
      {"cut to 255", longLine + "\nX;\n", 0, std::string(255, 'A')},
      {"the rest of a cut line is no line", longLine + "\nX;\n", 1, "X;"},
      {"46th line kept", many, 45, "L45;"},
      {"missing line empty", "A;\n", 20, ""},
      {"no end on the last line", "A;\nB;", 1, "B;"},
  };
  for (const Case& c : cases) {
    const KeyLines lines = parseKeyFile(c.text);
    EXPECT_EQ(lines[static_cast<std::size_t>(c.line)], c.expected) << c.label;
  }
}

TEST(KeyCommands, ReadKeyFileCutsLinesAndIgnoresLinesAfterThe46th) {
  const auto path = std::filesystem::temp_directory_path() / ("keyfile_" + std::to_string(::getpid()) + ".txt");
  {
    std::ofstream f(path, std::ios::binary);
    f << std::string(1000, 'Q') << ";\r\n";
    for (int i = 1; i < 60; ++i) f << "K" << i << ";\n";
  }
  KeyLines lines;
  ASSERT_TRUE(readKeyFile(path.string(), lines));
  EXPECT_EQ(lines[0], std::string(255, 'Q'));
  EXPECT_EQ(lines[1], "K1;");
  EXPECT_EQ(lines[45], "K45;");
  std::filesystem::remove(path);
  EXPECT_FALSE(readKeyFile(path.string(), lines));
}

TEST(KeyCommands, LineIsSentAsCompleteCommandsWithTheirGaps) {
  struct Case {
    const char* label;
    const char* line;
    std::vector<std::string> commands;
  };
  const Case cases[] = {
      {"two commands", "FA14250000;MD02;", {"FA14250000;", "MD02;"}},
      {"text after the last ';' is not sent", "MD02;FA142", {"MD02;"}},
      {"no ';' at all", "FA14250000", {}},
      {"empty line", "", {}},
      {"a lone ';' is no command", ";;MD02;;", {"MD02;"}},
  };
  for (const Case& c : cases) {
    KeyLineSender s;
    ASSERT_TRUE(s.start(c.line)) << c.label;
    std::vector<std::string> got;
    for (std::string_view cmd = s.next(); !cmd.empty(); cmd = s.next()) got.emplace_back(cmd);
    EXPECT_EQ(got, c.commands) << c.label;
    EXPECT_FALSE(s.busy()) << c.label;
  }
  // 2 ms a character after the first, plus 2: 22 ms after FA14250000;.
  EXPECT_EQ(keyCommandGapMs(11), 22u);
  EXPECT_EQ(keyCommandGapMs(5), 10u);

  // A line running refuses another until its end.
  KeyLineSender s;
  ASSERT_TRUE(s.start("A1;B2;"));
  EXPECT_EQ(s.next(), "A1;");
  EXPECT_FALSE(s.start("C3;"));
  EXPECT_EQ(s.next(), "B2;");
  EXPECT_TRUE(s.busy());
  EXPECT_TRUE(s.next().empty());
  EXPECT_TRUE(s.start("C3;"));
}

}  // namespace
}  // namespace hrx
