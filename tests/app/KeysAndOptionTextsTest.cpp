// Keyboard commands and option-window texts without the windows: the
// key-slot table, the key file's lines, the sending of one line, and the
// edge values of the texts. The windows' own tests drive the common cases.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <chrono>
#include <filesystem>
#include <future>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/KeyCommands.h"
#include "app/OptionTexts.h"

namespace hrx {
namespace {

TEST(KeyCommands, SlotTableHoldsEveryKeyOfTheTable) {
  const struct {
    Key key;
    KeyMod mod;
    int slot;
  } kCases[] = {
      {Key::F2, KeyMod::None, 0}, {Key::F11, KeyMod::None, 8}, {Key::End, KeyMod::None, 45},
      {Key::F1, KeyMod::Shift, 10}, {Key::F12, KeyMod::Ctrl, 31}, {Key::F5, KeyMod::Alt, 35},
      // Not slots: F1 alone (Version), F10 alone, Alt+F4 (closes), Alt+F6.
      {Key::F1, KeyMod::None, -1}, {Key::F10, KeyMod::None, -1}, {Key::F4, KeyMod::Alt, -1}, {Key::F6, KeyMod::Alt, -1},
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
// first 46 count; a missing line is empty. A line is sent as its complete
// commands.
TEST(KeyCommands, KeyFileLinesAndTheirCommands) {
  const KeyLines parsed = parseKeyFile("FA14250000;\r\nMD02;\r\nB;\n\rX;");
  EXPECT_EQ((std::vector<std::string>(parsed.begin(), parsed.begin() + 6)),
            (std::vector<std::string>{"FA14250000;", "MD02;", "B;", "", "X;", ""}));
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
  {
    std::ofstream f(path, std::ios::binary);
    f << std::string(1 << 20, 'Q') << "\nFA14250000;\n";
  }
  ASSERT_TRUE(readKeyFile(path.string(), lines));
  EXPECT_EQ(lines[0], std::string(255, 'Q'));
  EXPECT_EQ(lines[1], "") << "reading stops at the byte cap, not at the end of an endless line";
  std::filesystem::remove(path);
  EXPECT_FALSE(readKeyFile(path.string(), lines));
  // A pipe in the file's place is refused at once: opening or reading it
  // would wait on the GUI thread for a writer that never comes.
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  auto read = std::async(std::launch::async, [&] { return readKeyFile(path.string(), lines); });
  const bool returned = read.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
  if (!returned) ::close(::open(path.c_str(), O_WRONLY | O_NONBLOCK));   // lets the waiting reader go
  EXPECT_TRUE(returned);
  EXPECT_FALSE(read.get());
  std::filesystem::remove(path);

  KeyLineSender s;
  ASSERT_TRUE(s.start(";;A1;B2;FA142"));   // a lone ';' is no command, nor text after the last ';'
  EXPECT_EQ(s.next(), "A1;");
  EXPECT_FALSE(s.start("C3;")) << "a line running refuses another until its end";
  EXPECT_EQ(s.next(), "B2;");
  EXPECT_TRUE(s.next().empty());
  EXPECT_FALSE(s.busy());
  EXPECT_TRUE(s.start("C3;"));
  EXPECT_EQ(keyCommandGapMs(5), 10u);   // 2 ms a character after the first, plus 2
}

TEST(OptionTexts, EdgeValues) {
  EXPECT_STREQ(toneText(49), "254.1 Hz");
  for (const char* text : {toneText(50), toneText(-1), ctcssModeText(4), shiftText(-3)}) EXPECT_STREQ(text, "?????");
  for (const char* text : {ctcssModeText(3), shiftText(3)}) EXPECT_STREQ(text, "");
  EXPECT_EQ(rotatorDirection(400).degrees, 40);
  EXPECT_TRUE(rotatorDirection(360).overlap);
  EXPECT_FALSE(rotatorDirection(359).overlap);
  EXPECT_EQ(checkCwText(std::string(50, '~')), CwTextCheck::Ok);
  EXPECT_EQ(checkCwText(std::string("CQ\0DE", 5)), CwTextCheck::NotPrintable);
  EXPECT_EQ(checkCwText("CQ \xC3\xA9"), CwTextCheck::NotPrintable);
}

}  // namespace
}  // namespace hrx
