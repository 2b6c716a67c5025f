// Set-up files: what the writer puts on each line, what the reader takes
// back, and every way a file is refused (with the line it names).
#include <gtest/gtest.h>

#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "menulist/MenuCatalogue.h"
#include "menulist/SetupFile.h"
#include "state/RadioState.h"

namespace hrx {
namespace {

const std::string kHead = "format: hrx900-setup 1\nradio: 0460\n";

class SetupFileTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(loadBuiltInCatalogue(state)); }
  void set(int no, double value) {
    ASSERT_TRUE(state.edit_MenuItem(no, [&](MenuListItem& r) {
      r.value = value;
      return true;
    }));
  }
  std::string saved() {
    std::vector<MenuListItem> items(196);
    for (int i = 1; i <= 196; ++i) EXPECT_TRUE(state.get_MenuItem(i, &items[static_cast<std::size_t>(i - 1)]));
    return formatSetupFile({"hrx900 0.1.0", "0460", "2026-12-08 21:30:00 UTC", "field day"}, items);
  }
  RadioState state;
};

TEST_F(SetupFileTest, WrittenLinesReadBackAsTheRadioHeldThem) {
  set(14, 30);   // ROTATOR OFFSET ADJ, shown negative
  set(38, 3);
  set(23, 270);  // BEACON TIME in seconds, as the radio's reply leaves it
  ASSERT_TRUE(state.edit_MenuItem(5, [](MenuListItem& r) {
    std::strcpy(r.text, "JA1\"X|Z     ");   // the radio pads to 12
    return true;
  }));
  const std::string text = saved();
  for (const char* line :
       {"format: hrx900-setup 1\nprogram: hrx900 0.1.0\nradio: 0460\ndate: 2026-12-08 21:30:00 UTC\ncomment: field day\n",
        "\n001 | FAST DELAY         | 300      | 300msec\n", "\n005 | MY CALL            | \"JA1\\\"X|Z\" | \"JA1\\\"X|Z\"\n",
        "\n014 | ROTATOR OFFSET ADJ | 30       | -30\n", "\n022 | CW WEIGHT          | 30       | 3.0\n",
        "\n023 | BEACON TIME        | 270      | 270sec\n", "\n030 | CW MEMORY 5        | 1        | MESSAGE\n",
        "\n038 | CAT RATE           | 3        | 38400bps\n", "\n052 | AM MIC GAIN        | 30       | FIX(30)\n",
        "\n129 | MAIN FIX 1.8MHz    | 1800     | 1.800kHz\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line;
  SetupFile file;
  SetupError error;
  ASSERT_TRUE(parseSetupText(text, &file, &error)) << error.text();
  EXPECT_EQ(file.items.size(), 196u);
  EXPECT_EQ(file.header.comment, "field day");
  EXPECT_EQ(file.items[4].text, "JA1\"X|Z");
  EXPECT_TRUE(compareSetup(file, state).empty());

  set(38, 1);
  const std::vector<SetupDifference> d = compareSetup(file, state);
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d[0].item.no, 38);
  EXPECT_EQ(d[0].item.line, 44);
  EXPECT_EQ(d[0].name, "CAT RATE");
  EXPECT_EQ(d[0].radioText, "9600bps");
  EXPECT_EQ(d[0].fileText, "38400bps");
}

TEST_F(SetupFileTest, AcceptedForms) {
  struct Row {
    const char* label;
    std::string text;
  };
  const Row rows[] = {
      {"CR LF, comments, blank lines", "# saved\r\nformat: hrx900-setup 1\r\n\r\nradio: 0460\r\n001 | FAST DELAY | 300 | 300msec\r\n"},
      {"a subset, any order", kHead + "038 | CAT RATE | 2 | 19200bps\n001 | FAST DELAY | 20 | 20msec\n"},
      {"beacon code and seconds", kHead + "023 | BEACON TIME | 241 | 270sec\n"},
      {"mic gain MCVR", kHead + "052 | AM MIC GAIN | 1000 | MCVR\n"},
      {"signed number", kHead + "042 | QUICK SPLIT FREQ | -20 | -20kHz\n"},
  };
  for (const Row& r : rows) {
    SetupError error;
    EXPECT_TRUE(parseSetupText(r.text, nullptr, &error)) << r.label << ": " << error.text();
  }
}

// What the radio gives that no value of the catalogue stands for (a choice
// another firmware added, an item that never answered) is saved as unknown,
// and the file still reads; a blank MY CALL is saved as the radio gives it.
TEST_F(SetupFileTest, AnythingTheRadioGivesIsSavedSoThatItReadsBack) {
  for (int no = 1; no <= 196; ++no)
    if (no != 140) state.count_MenuReply(no);
  set(138, -1);
  ASSERT_TRUE(state.edit_MenuItem(5, [](MenuListItem& r) {
    std::strcpy(r.text, "            ");
    return true;
  }));
  const std::string path = ::testing::TempDir() + "unknown.hrxsetup";
  ASSERT_TRUE(writeSetupFile(path, {"hrx900 0.1.0", "0460", "", ""}, state));
  std::ifstream in(path);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (const char* line : {"\n005 | MY CALL            | \"\" | \"\"\n", "\n138 | SPAN FREQ          | ?        | unknown (-1)\n",
                           "\n140 | SPAN FREQ          | ?        | not read\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line;
  SetupFile file;
  SetupError error;
  ASSERT_TRUE(readSetupFile(path, &file, &error)) << error.text();
  ASSERT_EQ(file.items.size(), 196u);
  EXPECT_EQ(file.items[4].text, "");
  const std::vector<SetupDifference> d = compareSetup(file, state);
  ASSERT_EQ(d.size(), 2u);
  EXPECT_EQ(d[0].item.no, 138);
  EXPECT_EQ(d[0].fileText, "unknown");
  EXPECT_EQ(d[1].item.no, 140);
  EXPECT_EQ(d[1].radioText, "500kHz");
  EXPECT_EQ(d[1].fileText, "unknown");
  EXPECT_FALSE(d[0].item.known || d[1].item.known);
  // Nothing of an unknown item is ever marked for the menu write.
  EXPECT_FALSE(stageSetupItem(state, d[0].item));
  MenuListItem rec;
  ASSERT_TRUE(state.get_MenuItem(138, &rec));
  EXPECT_EQ(rec.changed, 0);
}

// The radio pads MY CALL with blanks: a hand-edited call with trailing
// blanks is the same call.
TEST_F(SetupFileTest, MyCallIsComparedAsTheRadioPadsIt) {
  ASSERT_TRUE(state.edit_MenuItem(5, [](MenuListItem& r) {
    std::strcpy(r.text, "JA1XYZ      ");
    return true;
  }));
  SetupFile file;
  SetupError error;
  ASSERT_TRUE(parseSetupText(kHead + "005 | MY CALL | \"JA1XYZ  \" | \"JA1XYZ  \"\n", &file, &error)) << error.text();
  EXPECT_TRUE(compareSetup(file, state).empty());
  MenuListItem rec;
  ASSERT_TRUE(state.get_MenuItem(5, &rec));
  EXPECT_TRUE(setupItemMatches(rec, file.items[0]));
}

// Later versions of the program may add header fields and write a newer
// minor format; a newer major format is refused as such.
TEST_F(SetupFileTest, TheFormatReadsForward) {
  SetupFile file;
  SetupError error;
  ASSERT_TRUE(parseSetupText("format: hrx900-setup 1.1\nradio: 0460\nantenna: beam\n001 | FAST DELAY | 300 | 300msec\n", &file,
                             &error))
      << error.text();
  EXPECT_EQ(file.items.size(), 1u);
  EXPECT_EQ(file.note, "written by a newer version of this program (format 1.1); what this version does not know of it is ignored");
  ASSERT_EQ(file.otherHeader.size(), 1u);
  EXPECT_EQ(file.otherHeader[0].first, "antenna");
  EXPECT_EQ(file.otherHeader[0].second, "beam");
  ASSERT_TRUE(parseSetupText(kHead + "001 | FAST DELAY | 300 | 300msec\n", &file, &error));
  EXPECT_EQ(file.note, "");
  for (const char* older : {"format: hrx900-setup 0\n", "format: hrx900-setup 1.x\n", "format: hrx900-setup\n"}) {
    EXPECT_FALSE(parseSetupText(std::string(older) + "radio: 0460\n", &file, &error)) << older;
    EXPECT_EQ(error.text(), "line 1: not a radio set-up file (it starts with \"format: hrx900-setup 1\")") << older;
  }
  EXPECT_FALSE(parseSetupText("format: hrx900-setup 2\nradio: 0460\n001 | FAST DELAY | 300 | 300msec\n", &file, &error));
  EXPECT_EQ(error.text(), "line 1: written by a newer version of this program (format 2)");
  EXPECT_FALSE(parseSetupText("format: hrx900-setup 2.3\nradio: 0460\n", &file, &error));
  EXPECT_EQ(error.text(), "line 1: written by a newer version of this program (format 2.3)");
}

// Each fault refuses the whole file; the message names the line.
TEST_F(SetupFileTest, RefusedFiles) {
  struct Row {
    const char* label;
    std::string text;
    const char* message;
  };
  const Row rows[] = {
      {"not a set-up file", "hello\n", "line 1: not a radio set-up file (it starts with \"format: hrx900-setup 1\")"},
      {"empty", "", "the file is empty"},
      {"no radio", "format: hrx900-setup 1\n001 | FAST DELAY | 300 | 300msec\n", "the file names no radio (a \"radio:\" line)"},
      {"bad radio ID", "format: hrx900-setup 1\nradio: 46\n", "line 2: the radio's ID must be four digits, such as 0460"},
      {"no items", kHead, "the file holds no menu items"},
      {"neither item nor header", kHead + "colour red\n", "line 3: neither a menu item nor a header field"},
      {"header twice", kHead + "radio: 0460\n", "line 3: \"radio\" given twice"},
      {"malformed item", kHead + "001 FAST DELAY 300\n", "line 3: a menu item line is: number | name | raw value | value text"},
      {"three columns", kHead + "001 | FAST DELAY | 300\n", "line 3: a menu item line is: number | name | raw value | value text"},
      {"unknown number", kHead + "197 | FAST DELAY | 300 | 300msec\n", "line 3: unknown menu item number 197"},
      {"number zero", kHead + "000 | FAST DELAY | 300 | 300msec\n", "line 3: unknown menu item number 000"},
      {"wrong name", kHead + "001 | MID DELAY | 300 | 300msec\n", "line 3: menu item 001 FAST DELAY is not named \"MID DELAY\""},
      {"above range", kHead + "001 | FAST DELAY | 4020 | 4020msec\n",
       "line 3: the value 4020 is outside the range of 001 FAST DELAY: 20-4000 (20msec Steps)"},
      {"choice beyond its list", kHead + "038 | CAT RATE | 4 | 4bps\n",
       "line 3: the value 4 is outside the range of 038 CAT RATE: 4800/9600/19200/38400(bps)"},
      {"negated magnitude", kHead + "014 | ROTATOR OFFSET ADJ | -2 | 2\n",
       "line 3: the value -2 is outside the range of 014 ROTATOR OFFSET ADJ: -30-0 (2 Steps)"},
      {"between steps", kHead + "001 | FAST DELAY | 310 | 310msec\n",
       "line 3: the value 310 is outside the range of 001 FAST DELAY: 20-4000 (20msec Steps)"},
      {"negated between steps", kHead + "014 | ROTATOR OFFSET ADJ | 15 | -15\n",
       "line 3: the value 15 is outside the range of 014 ROTATOR OFFSET ADJ: -30-0 (2 Steps)"},
      {"beacon between steps", kHead + "023 | BEACON TIME | 260 | 260sec\n",
       "line 3: the value 260 is outside the range of 023 BEACON TIME: OFF/1-690 (sec)"},
      {"raw not a number", kHead + "001 | FAST DELAY | 3o0 | 300msec\n", "line 3: the raw value \"3o0\" is not a whole number"},
      {"texts disagree", kHead + "001 | FAST DELAY | 300 | 320msec\n",
       "line 3: the value text \"320msec\" does not match the raw value 300 (\"300msec\")"},
      {"item twice", kHead + "001 | FAST DELAY | 300 | 300msec\n001 | FAST DELAY | 320 | 320msec\n",
       "line 4: menu item 001 is given twice"},
      {"call with ';'", kHead + "005 | MY CALL | \"JA1;X\" | \"JA1;X\"\n",
       "line 3: 005 MY CALL must be at most 12 characters of printable ASCII without ';'"},
      {"call too long", kHead + "005 | MY CALL | \"JA1XYZABCDEFG\" | \"JA1XYZABCDEFG\"\n",
       "line 3: 005 MY CALL must be at most 12 characters of printable ASCII without ';'"},
      {"call unquoted", kHead + "005 | MY CALL | JA1XYZ | JA1XYZ\n",
       "line 3: 005 MY CALL takes its text in quotes twice: \"CALL\" | \"CALL\""},
      {"call texts disagree", kHead + "005 | MY CALL | \"JA1XYZ\" | \"JA1XY\"\n",
       "line 3: the value text \"JA1XY\" does not match the raw value \"JA1XYZ\""},
      {"not ASCII", kHead + "comment: caf\xc3\xa9\n", "line 3: a character that is not printable ASCII"},
      {"NUL byte", kHead + std::string("comment: a\0b\n", 13), "line 3: a character that is not printable ASCII"},
      {"long line", kHead + "comment: " + std::string(600, 'x') + "\n", "line 3: the line is too long"},
      {"too large", std::string(64 * 1024 + 1, '#'), "the file is too large for a radio set-up file"},
  };
  for (const Row& r : rows) {
    SetupFile file;
    file.header.comment = "untouched";
    SetupError error;
    EXPECT_FALSE(parseSetupText(r.text, &file, &error)) << r.label;
    EXPECT_EQ(error.text(), r.message) << r.label;
    EXPECT_EQ(file.header.comment, "untouched") << r.label;
  }
}

TEST_F(SetupFileTest, AFileFromAnotherRadioModelIsRefused) {
  SetupFile file;
  ASSERT_TRUE(parseSetupText("format: hrx900-setup 1\n# kept\nradio: 0462\n001 | FAST DELAY | 300 | 300msec\n", &file, nullptr));
  SetupError error;
  EXPECT_TRUE(checkSetupRadio(file, "0462", &error));
  EXPECT_FALSE(checkSetupRadio(file, "0460", &error));
  EXPECT_EQ(error.text(), "line 3: the file is from radio 0462, this radio is 0460");
}

// A pipe in the file's place is refused at once: the window that reads it
// must not wait for a writer.
TEST_F(SetupFileTest, APipeIsNotReadAsAFile) {
  const std::string path = ::testing::TempDir() + "setup-fifo";
  ::unlink(path.c_str());
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  auto error = std::make_shared<SetupError>();
  auto done = std::make_shared<std::atomic<bool>>(false);
  std::thread([path, error, done] {
    readSetupFile(path, nullptr, error.get());
    done->store(true);
  }).detach();
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (!done->load() && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  const bool refusedAtOnce = done->load();
  // A reader still waiting is let go (end of file) before the check.
  if (!refusedAtOnce) ::close(::open(path.c_str(), O_WRONLY | O_NONBLOCK));
  while (!done->load()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ::unlink(path.c_str());
  EXPECT_TRUE(refusedAtOnce);
  EXPECT_EQ(error->text(), path + " is not a plain file");
}

}  // namespace
}  // namespace hrx
