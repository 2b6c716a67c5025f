#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "serial/ComPort.h"
#include "serial/CommSetting.h"
#include "serial/CsvTable.h"
#include "support/SizeLimit.h"
#include "support/StationRig.h"

namespace hrx {
namespace {

namespace fs = std::filesystem;

// A temporary folder (removed again) with files written into it.
struct Dir : test::TempDir {
  std::string write(const std::string& name, const std::string& bytes) const {
    fs::create_directories(fs::path(path() + "/" + name).parent_path());
    std::ofstream(path() + "/" + name, std::ios::binary) << bytes;
    return path() + "/" + name;
  }
};

using Grid = std::vector<std::vector<std::string>>;

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST(CsvTable, CellRules) {
  Dir dir;
  const struct {
    const char* label;
    std::string bytes;
    Grid want;
    int width;
  } cases[] = {
      {"one line", "3,19200,0\n", {{"3", "19200", "0"}}, 6},
      {"shorter rows are padded", "1,2,3\n4\n", {{"1", "2", "3"}, {"4", "", ""}}, 2},
      {"quoted line feed", "\"x\ny\",z\n", {{"x\ny", "z"}}, 4},
      {"doubled quote inside quotes is one quote", "\"say \"\"hi\"\"\"\n", {{"say \"hi\""}}, 9},
      {"last line without line feed is not read", "1,2\n3,4", {{"1", "2"}}, 2},
      {"empty lines are rows of one empty cell", "\n\n", {{""}, {""}}, 1},
      {"CR LF reads as a line feed", "7,8\r\n", {{"7", "8"}}, 2},
      {"double-byte character keeps a separator-like trail byte", "\x82\xA0,\x81\x5C\n", {{"\x82\xA0", "\x81\x5C"}}, 3},
      {"lead byte before a comma stands alone", "\x82,x\n", {{"\x82", "x"}}, 2},
      {"a quote after text opens a quoted part and is kept", "x\"y,z\"\n", {{"x\"y,z"}}, 6},
      {"three lead bytes: one pair, then one alone", "\x82\x82\x82,q\n", {{"\x82\x82\x82", "q"}}, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    CsvTable t;
    ASSERT_TRUE(t.load(dir.write(std::string(c.label) + ".csv", c.bytes)));
    Grid got(static_cast<std::size_t>(t.rows()));
    for (int r = 0; r < t.rows(); ++r)
      for (int col = 0; col < t.columns(); ++col) got[static_cast<std::size_t>(r)].emplace_back(t.cell(r, col));
    EXPECT_EQ(got, c.want);
    EXPECT_EQ(t.cellWidth(), c.width);
  }
}

TEST(CsvTable, LoadsOnceAndRefusesWhatItCannotHold) {
  Dir dir;
  CsvTable t;
  EXPECT_FALSE(t.load(dir.path() + "/missing.csv"));
  ASSERT_TRUE(t.load(dir.write("a.csv", "1,2\n")));
  EXPECT_FALSE(t.load(dir.write("b.csv", "9\n"))) << "a second load is refused";
  EXPECT_STREQ(t.cell(0, 1), "2");
  EXPECT_EQ(t.cell(0, 2), nullptr);
  EXPECT_EQ(t.cell(1, 0), nullptr);
  // 5000 commas on a line and a long cell would need a grid of gigabytes
  // from a file of megabytes.
  CsvTable big;
  EXPECT_FALSE(big.load(dir.write("bomb.csv", std::string(5000, ',') + std::string(4000, 'x') + std::string(501, '\n'))));
  // A file past 1 MiB is refused before its lines are counted, however
  // small its grid would be.
  CsvTable tall;
  EXPECT_FALSE(tall.load(dir.write("tall.csv", std::string((1u << 20) + 1, '\n'))));
}

// A file that is there but gives no complete line (empty, or cut short
// before its line feed, as an interrupted write leaves it) is unreadable
// like one that cannot be opened: the defaults, false (so notice 2), and
// the file kept beside as CommSetting.csv.bad for the operator.
TEST(CommSetting, ReadCases) {
  const struct {
    const char* label;
    const char* bytes;  // nullptr: no file
    bool ok;
    int port, baud, field3;
    bool keptAside;
  } cases[] = {
      {"COM3 at 19200", "3,19200,0\n", true, 3, 19200, 0, false},
      {"out of range values fall back, field 3 kept", "25,1200,7\n", true, 1, 4800, 7, false},
      {"three lines read as one", "5\n38400\n-2\n", true, 5, 38400, -2, false},
      {"cut short before the line feed", "3,19200,9", false, 1, 4800, 0, true},
      {"empty", "", false, 1, 4800, 0, true},
      {"text that is no number gives 0", "x,9600,y\n", true, 1, 9600, 0, false},
      {"no file: the defaults", nullptr, false, 1, 4800, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    Dir dir;
    if (c.bytes != nullptr) dir.write("CommoFiles/CommSetting.csv", c.bytes);
    ComPort port;
    port.SetPortNumber(9);
    port.SetBaudRate(9600);
    int field3 = 555;
    EXPECT_EQ(ReadCommSetting(port, field3, dir.path()), c.ok);
    EXPECT_EQ(port.GetPortNumber(), c.port);
    EXPECT_EQ(port.GetBaudRate(), c.baud);
    EXPECT_EQ(field3, c.field3);
    const std::string bad = commSettingPath(dir.path()) + ".bad";
    EXPECT_EQ(fs::exists(bad), c.keptAside);
    if (c.keptAside) {
      EXPECT_EQ(slurp(bad), c.bytes);
    }
  }
}

// A second unreadable file (the mended one with a new typo) is kept beside
// the first, which stays as it was.
TEST(CommSetting, AnEarlierKeptFileIsNotOverwritten) {
  Dir dir;
  const std::string file = commSettingPath(dir.path());
  ComPort port;
  int field3 = 0;
  CommSettingRead how;
  for (const char* bytes : {"3,19200", "4,9600,0"}) {
    dir.write("CommoFiles/CommSetting.csv", bytes);
    EXPECT_FALSE(ReadCommSetting(port, field3, dir.path(), &how));
    EXPECT_EQ(slurp(how.keptAs), bytes);
  }
  EXPECT_EQ(how.keptAs, file + ".bad.2");
  EXPECT_EQ(slurp(file + ".bad"), "3,19200");
}

// With nine kept already, the tenth goes in place of the oldest of them
// (said, for the log); the other eight stay as they were.
TEST(CommSetting, TheTenthKeptFileReplacesTheOldestNeverTheLast) {
  Dir dir;
  const std::string file = commSettingPath(dir.path());
  std::vector<std::string> kept = {file + ".bad"};
  for (int n = 2; n <= 9; ++n) kept.push_back(file + ".bad." + std::to_string(n));
  for (std::size_t i = 0; i < kept.size(); ++i) {
    const std::string name = kept[i].substr(dir.path().size() + 1);
    dir.write(name, "typo " + std::to_string(i));
    // .bad.4 is the oldest; .bad.9 the newest.
    const long age = i == 3 ? 90000 : 1000 * static_cast<long>(9 - i);
    const timespec times[2] = {{::time(nullptr) - age, 0}, {::time(nullptr) - age, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, kept[i].c_str(), times, 0), 0);
  }
  dir.write("CommoFiles/CommSetting.csv", "tenth");
  ComPort port;
  int field3 = 0;
  CommSettingRead how;
  EXPECT_FALSE(ReadCommSetting(port, field3, dir.path(), &how));
  EXPECT_EQ(how.keptAs, file + ".bad.4");
  EXPECT_EQ(slurp(file + ".bad.4"), "tenth");
  EXPECT_EQ(slurp(file + ".bad.9"), "typo 8");
  EXPECT_EQ(slurp(file + ".bad"), "typo 0");
  EXPECT_TRUE(how.replacedOldest);
}

// A write cut short by a full disk leaves the old file as it was, and says
// it failed.
TEST(CommSetting, AWriteCutShortKeepsTheOldFile) {
  Dir dir;
  const std::string file = dir.write("CommoFiles/CommSetting.csv", "3,19200,0\n");
  ComPort port;
  ASSERT_TRUE(port.SetPortNumber(12) && port.SetBaudRate(38400));
  EXPECT_EQ(test::writeUnderSizeLimit(4, [&] { return WriteCommSetting(port, 7, dir.path()); }),
            test::LimitedWrite::ReportedFailure);
  EXPECT_EQ(slurp(file), "3,19200,0\n");
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir.path() + "/CommoFiles")) names.push_back(e.path().filename());
  EXPECT_EQ(names, std::vector<std::string>{"CommSetting.csv"});
}

TEST(CommSetting, WriteReadBackPathLimitAndUnwritablePlaces) {
  Dir dir;
  ComPort port, other;
  ASSERT_TRUE(port.SetPortNumber(12) && port.SetBaudRate(9600));
  ASSERT_TRUE(WriteCommSetting(port, -31, dir.path())) << "creates CommoFiles";
  EXPECT_EQ(slurp(commSettingPath(dir.path())), "12,9600,-31\n");
  ASSERT_TRUE(WriteCommSetting(port, 5, dir.path())) << "an existing directory is no error";
  int field3 = 0;
  ASSERT_TRUE(ReadCommSetting(other, field3, dir.path()));
  EXPECT_EQ(other.GetPortNumber(), 12);
  EXPECT_EQ(other.GetBaudRate(), 9600);
  EXPECT_EQ(field3, 5);

  // A setting path of 260 characters is too long, 259 is allowed; the
  // folders exist either way.
  const std::size_t suffix = std::string("/CommoFiles/CommSetting.csv").size();
  const std::string atLimit = dir.path() + "/" + std::string(260 - suffix - dir.path().size() - 1, 'd');
  const std::string underLimit = atLimit.substr(0, atLimit.size() - 1);
  ASSERT_EQ(commSettingPath(atLimit).size(), 260u);
  fs::create_directories(atLimit + "/CommoFiles");
  fs::create_directories(underLimit);
  port.SetPortNumber(6);
  EXPECT_FALSE(WriteCommSetting(port, 8, atLimit));
  EXPECT_FALSE(fs::exists(commSettingPath(atLimit)));
  ASSERT_TRUE(WriteCommSetting(port, 8, underLimit));
  fs::copy_file(commSettingPath(underLimit), commSettingPath(atLimit));
  EXPECT_FALSE(ReadCommSetting(other, field3, atLimit));
  EXPECT_EQ(other.GetPortNumber(), 12) << "a path too long changes nothing";
  EXPECT_EQ(field3, 5);
  EXPECT_TRUE(ReadCommSetting(other, field3, underLimit));
  EXPECT_EQ(field3, 8);

  EXPECT_FALSE(WriteCommSetting(port, 0, dir.path() + "/no/such/base"));
  Dir blocked;
  blocked.write("CommoFiles", "a file where the directory should be");
  EXPECT_FALSE(WriteCommSetting(port, 0, blocked.path()));
}

TEST(CommSetting, CommoFilesBelowWorkFolderElseUserFolder) {
  Dir work, user;
  EXPECT_EQ(settingsBase(user.path(), work.path()), user.path()) << "no CommoFiles in the working folder";
  EXPECT_EQ(commoFilePath(user.path(), "ComPortMap.txt"), user.path() + "/CommoFiles/ComPortMap.txt");
  work.write("CommoFiles", "not a folder");
  EXPECT_EQ(settingsBase(user.path(), work.path()), user.path()) << "a file of that name is no folder";
  fs::remove(work.path() + "/CommoFiles");
  fs::create_directories(work.path() + "/CommoFiles");
  EXPECT_EQ(settingsBase(user.path(), work.path()), work.path()) << "an existing set-up keeps working";
  EXPECT_EQ(settingsBase("", user.path()), user.path()) << "no user folder known";
}

}  // namespace
}  // namespace hrx
