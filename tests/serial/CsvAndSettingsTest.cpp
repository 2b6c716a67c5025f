#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "serial/ComPort.h"
#include "serial/CommSetting.h"
#include "serial/CsvTable.h"

namespace hrx {
namespace {

namespace fs = std::filesystem;

struct TempDir {
  TempDir() {
    std::string tmpl = (fs::temp_directory_path() / "hrx900csvXXXXXX").string();
    if (::mkdtemp(tmpl.data()) != nullptr) path = tmpl;
  }
  ~TempDir() {
    std::error_code ec;
    if (!path.empty()) fs::remove_all(path, ec);
  }
  std::string write(const std::string& name, const std::string& bytes) const {
    const std::string p = path + "/" + name;
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }
  std::string path;
};

std::vector<std::vector<std::string>> cellsOf(const CsvTable& t) {
  std::vector<std::vector<std::string>> out;
  for (int r = 0; r < t.rows(); ++r) {
    std::vector<std::string> row;
    for (int c = 0; c < t.columns(); ++c) row.emplace_back(t.cell(r, c));
    out.push_back(row);
  }
  return out;
}

using Grid = std::vector<std::vector<std::string>>;

TEST(CsvTable, CellRules) {
  TempDir dir;
  ASSERT_FALSE(dir.path.empty());
  struct Case {
    const char* label;
    std::string bytes;
    Grid want;
    int width;
  };
  const Case cases[] = {
      {"one line", "3,19200,0\n", {{"3", "19200", "0"}}, 6},
      {"shorter rows are padded", "1,2,3\n4\n", {{"1", "2", "3"}, {"4", "", ""}}, 2},
      {"quoted comma", "\"a,b\",c\n", {{"a,b", "c"}}, 4},
      {"quoted line feed", "\"x\ny\",z\n", {{"x\ny", "z"}}, 4},
      {"doubled quote inside quotes is one quote", "\"say \"\"hi\"\"\"\n", {{"say \"hi\""}}, 9},
      {"empty quoted cell", "\"\",1\n", {{"", "1"}}, 2},
      {"last line without line feed is not read", "1,2\n3,4", {{"1", "2"}}, 2},
      {"no line feed at all", "3,19200,0", {}, 1},
      {"empty lines are rows of one empty cell", "\n\n", {{""}, {""}}, 1},
      {"CR LF reads as a line feed", "7,8\r\n", {{"7", "8"}}, 2},
      {"double-byte character keeps a separator-like trail byte",
       "\x82\xA0,\x81\x5C\n", {{"\x82\xA0", "\x81\x5C"}}, 3},
      {"lead byte before a comma stands alone", "\x82,x\n", {{"\x82", "x"}}, 2},
      {"a quote after text opens a quoted part and is kept", "x\"y,z\"\n", {{"x\"y,z"}}, 6},
      {"three lead bytes: one pair, then one alone", "\x82\x82\x82,q\n", {{"\x82\x82\x82", "q"}}, 4},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    CsvTable t;
    ASSERT_TRUE(t.load(dir.write("case" + std::to_string(n++) + ".csv", c.bytes)));
    EXPECT_EQ(cellsOf(t), c.want);
    EXPECT_EQ(t.cellWidth(), c.width);
    EXPECT_EQ(t.rows(), static_cast<int>(c.want.size()));
  }
}

TEST(CsvTable, LoadsOnceAndRefusesWhatItCannotHold) {
  TempDir dir;
  CsvTable t;
  EXPECT_FALSE(t.load(dir.path + "/missing.csv"));
  EXPECT_FALSE(t.loaded());
  ASSERT_TRUE(t.load(dir.write("a.csv", "1,2\n")));
  EXPECT_FALSE(t.load(dir.write("b.csv", "9\n"))) << "a second load is refused";
  EXPECT_STREQ(t.cell(0, 1), "2");
  EXPECT_EQ(t.cell(0, 2), nullptr);
  EXPECT_EQ(t.cell(1, 0), nullptr);
  EXPECT_EQ(t.cell(-1, 0), nullptr);
  EXPECT_EQ(t.cellsInRow(0), 2);

  // 5000 lines of 5000 commas and one long cell would need a grid of
  // gigabytes from a file of megabytes.
  std::string bomb(5000, ',');
  bomb += std::string(4000, 'x') + "\n";
  for (int i = 0; i < 500; ++i) bomb += "\n";
  CsvTable big;
  EXPECT_FALSE(big.load(dir.write("bomb.csv", bomb)));
}

struct SettingsFixture : testing::Test {
  void SetUp() override { ASSERT_FALSE(dir.path.empty()); }
  void file(const std::string& bytes) {
    std::filesystem::create_directories(dir.path + "/CommoFiles");
    dir.write("CommoFiles/CommSetting.csv", bytes);
  }
  TempDir dir;
  ComPort port;
};

TEST_F(SettingsFixture, ReadCases) {
  struct Case {
    const char* label;
    std::string bytes;
    int port, baud, field3;
  };
  const Case cases[] = {
      {"COM3 at 19200", "3,19200,0\n", 3, 19200, 0},
      {"out of range values fall back, field 3 kept", "25,1200,7\n", 1, 4800, 7},
      {"three lines read as one", "5\n38400\n-2\n", 5, 38400, -2},
      {"no final line feed reads as empty", "3,19200,9", 1, 4800, 0},
      {"further cells are ignored", "2,9600,1,99,100\n", 2, 9600, 1},
      {"text that is no number gives 0", "x,9600,y\n", 1, 9600, 0},
      {"CR LF from another system", "4,38400,3\r\n", 4, 38400, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    file(c.bytes);
    port.SetPortNumber(9);
    port.SetBaudRate(9600);
    int field3 = 555;
    EXPECT_TRUE(ReadCommSetting(port, field3, dir.path));
    EXPECT_EQ(port.GetPortNumber(), c.port);
    EXPECT_EQ(port.GetBaudRate(), c.baud);
    EXPECT_EQ(field3, c.field3);
  }
}

TEST_F(SettingsFixture, MissingFileAppliesDefaultsAndReportsFalse) {
  port.SetPortNumber(7);
  port.SetBaudRate(38400);
  int field3 = 4;
  EXPECT_FALSE(ReadCommSetting(port, field3, dir.path));
  EXPECT_EQ(port.GetPortNumber(), 1);
  EXPECT_EQ(port.GetBaudRate(), 4800);
  EXPECT_EQ(field3, 0);
}

TEST_F(SettingsFixture, WriteThenReadBack) {
  ASSERT_TRUE(port.SetPortNumber(12));
  ASSERT_TRUE(port.SetBaudRate(9600));
  ASSERT_TRUE(WriteCommSetting(port, -31, dir.path)) << "creates CommoFiles";
  std::ifstream in(dir.path + "/CommoFiles/CommSetting.csv", std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "12,9600,-31\n");
  ASSERT_TRUE(WriteCommSetting(port, 5, dir.path)) << "an existing directory is no error";
  ComPort other;
  int field3 = 0;
  ASSERT_TRUE(ReadCommSetting(other, field3, dir.path));
  EXPECT_EQ(other.GetPortNumber(), 12);
  EXPECT_EQ(other.GetBaudRate(), 9600);
  EXPECT_EQ(field3, 5);
}

TEST_F(SettingsFixture, PathLimitAndUnwritablePlaces) {
  // base + "/CommoFiles/CommSetting.csv" is 27 characters more than base.
  const std::size_t suffix = std::string("/CommoFiles/CommSetting.csv").size();
  const std::string atLimit = dir.path + "/" + std::string(kMaxSettingPath - suffix - dir.path.size() - 1, 'd');
  const std::string underLimit = atLimit.substr(0, atLimit.size() - 1);
  ASSERT_EQ(commSettingPath(atLimit).size(), kMaxSettingPath);
  ASSERT_EQ(commSettingPath(underLimit).size(), kMaxSettingPath - 1);

  port.SetPortNumber(6);
  int field3 = 8;
  EXPECT_FALSE(ReadCommSetting(port, field3, atLimit));
  EXPECT_EQ(port.GetPortNumber(), 6) << "a path too long changes nothing";
  EXPECT_EQ(field3, 8);
  EXPECT_FALSE(WriteCommSetting(port, 0, atLimit));

  std::filesystem::create_directories(underLimit);
  EXPECT_TRUE(WriteCommSetting(port, 8, underLimit)) << "259 characters is allowed";
  EXPECT_TRUE(ReadCommSetting(port, field3, underLimit));

  EXPECT_FALSE(WriteCommSetting(port, 0, dir.path + "/no/such/base"));
  dir.write("CommoFiles", "a file where the directory should be");
  EXPECT_FALSE(WriteCommSetting(port, 0, dir.path));
}

TEST(BaudRateTable, ListsTheFourRatesTheyAllOpen) {
  std::vector<int> values;
  for (int i = 0; kBaudRateTable[i].value != 0; ++i) {
    values.push_back(kBaudRateTable[i].value);
    EXPECT_EQ(std::to_string(kBaudRateTable[i].value), kBaudRateTable[i].name);
    EXPECT_NE(SerialDevice::speedOf(static_cast<std::uint32_t>(kBaudRateTable[i].value)), 0u);
  }
  EXPECT_EQ(values, (std::vector<int>{4800, 9600, 19200, 38400}));
  EXPECT_EQ(SerialDevice::speedOf(115200), 0u);
}

}  // namespace
}  // namespace hrx

namespace hrx {
namespace {

TEST(SettingsLocation, CommoFilesBelowWorkFolderElseUserFolder) {
  TempDir work;
  TempDir user;
  // No CommoFiles in the working folder: the user's folder.
  EXPECT_EQ(settingsBase(user.path, work.path), user.path);
  EXPECT_EQ(commoFilePath(settingsBase(user.path, work.path), "ComPortMap.txt"),
            user.path + "/CommoFiles/ComPortMap.txt");
  // A file of that name is no folder.
  work.write("CommoFiles", "not a folder");
  EXPECT_EQ(settingsBase(user.path, work.path), user.path);
  std::filesystem::remove(work.path + "/CommoFiles");
  // An existing set-up keeps working.
  std::filesystem::create_directories(work.path + "/CommoFiles");
  EXPECT_EQ(settingsBase(user.path, work.path), work.path);
  EXPECT_EQ(commSettingPath(settingsBase(user.path, work.path)), work.path + "/CommoFiles/CommSetting.csv");
  // No user folder known: the working folder all the same.
  std::filesystem::remove(work.path + "/CommoFiles");
  EXPECT_EQ(settingsBase("", work.path), work.path);
}

}  // namespace
}  // namespace hrx
