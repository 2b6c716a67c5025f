// Keyboard commands without the window: the key-slot table, the key file's
// lines and the sending of one line as complete commands with their gaps.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/KeyCommands.h"

namespace hrx {
namespace {

TEST(KeyCommands, SlotTableHoldsEveryKeyOfTheTable) {
  const struct {
    Key key;
    KeyMod mod;
    int slot;
  } kCases[] = {
      {Key::F2, KeyMod::None, 0},     {Key::F11, KeyMod::None, 8},   {Key::End, KeyMod::None, 45},
      {Key::F1, KeyMod::Shift, 10},   {Key::F12, KeyMod::Ctrl, 31},  {Key::F5, KeyMod::Alt, 35},
      {Key::F12, KeyMod::Alt, 41},
      // Not slots: F1 alone (Version), F10 alone, Alt+F4 (closes), Alt+F6.
      {Key::F1, KeyMod::None, -1},    {Key::F10, KeyMod::None, -1},  {Key::F4, KeyMod::Alt, -1},
      {Key::F6, KeyMod::Alt, -1},     {Key::Home, KeyMod::Ctrl, -1},
  };
  for (const auto& c : kCases)
    EXPECT_EQ(keySlot(c.key, c.mod), c.slot) << static_cast<int>(c.key) << " mod " << static_cast<int>(c.mod);
  // 46 keys, each slot exactly once.
  std::vector<int> seen(46, 0);
  for (int k = 0; k <= static_cast<int>(Key::End); ++k)
    for (int m = 0; m <= static_cast<int>(KeyMod::Alt); ++m)
      if (const int s = keySlot(static_cast<Key>(k), static_cast<KeyMod>(m)); s >= 0) ++seen.at(static_cast<std::size_t>(s));
  EXPECT_EQ(seen, std::vector<int>(46, 1));
}

// Lines end at CR, LF or both, are cut at 255 characters, and only the
// first 46 count; a missing line is empty.
TEST(KeyCommands, KeyFileLines) {
  EXPECT_EQ(parseKeyFile("FA14250000;\r\nMD02;\rB;\n\nX;")[1], "MD02;");
  EXPECT_EQ(parseKeyFile("A;\rB;\r")[1], "B;");
  EXPECT_EQ(parseKeyFile("\nMD01;\n")[0], "");
  EXPECT_EQ(parseKeyFile("A;\nB;")[1], "B;") << "no end on the last line";
  EXPECT_EQ(parseKeyFile("A;\n")[20], "");
  const auto path = std::filesystem::temp_directory_path() / ("keyfile_" + std::to_string(::getpid()) + ".txt");
  {
    std::ofstream f(path, std::ios::binary);
    f << std::string(1000, 'Q') << ";\r\n";
    for (int i = 1; i < 60; ++i) f << "K" << i << ";\n";
  }
  KeyLines lines;
  ASSERT_TRUE(readKeyFile(path.string(), lines));
  EXPECT_EQ(lines[0], std::string(255, 'Q'));
  EXPECT_EQ(lines[1], "K1;") << "the rest of a cut line is no line";
  EXPECT_EQ(lines[45], "K45;");
  std::filesystem::remove(path);
  EXPECT_FALSE(readKeyFile(path.string(), lines));
}

TEST(KeyCommands, LineIsSentAsCompleteCommandsWithTheirGaps) {
  const struct {
    const char* line;
    std::vector<std::string> commands;
  } kCases[] = {
      {"FA14250000;MD02;", {"FA14250000;", "MD02;"}},
      {"MD02;FA142", {"MD02;"}},   // text after the last ';' is not sent
      {"FA14250000", {}}, {"", {}},
      {";;MD02;;", {"MD02;"}},     // a lone ';' is no command
  };
  for (const auto& c : kCases) {
    KeyLineSender s;
    ASSERT_TRUE(s.start(c.line)) << c.line;
    std::vector<std::string> got;
    for (std::string_view cmd = s.next(); !cmd.empty(); cmd = s.next()) got.emplace_back(cmd);
    EXPECT_EQ(got, c.commands) << c.line;
    EXPECT_FALSE(s.busy()) << c.line;
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
  EXPECT_TRUE(s.next().empty());
  EXPECT_TRUE(s.start("C3;"));
}

}  // namespace
}  // namespace hrx
