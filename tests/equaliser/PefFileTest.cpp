#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "equaliser/PefFile.h"
#include "support/SizeLimit.h"

namespace {

using hrx::eq::EqValues;

struct PefFileTest : ::testing::Test {
  std::filesystem::path dir;
  void SetUp() override {
    char tpl[] = "/tmp/hrx900-pef-XXXXXX";
    ASSERT_NE(::mkdtemp(tpl), nullptr);
    dir = tpl;
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::string put(const std::string& name, const std::string& bytes) {
    const std::string path = (dir / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  static std::string slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
  }
};

// Band 1 at 300 Hz (index 3), -5 dB, width 4; band 2 off, 0 dB, width 10;
// band 3 at 2100 Hz (index 7), +2 dB, width 1.
constexpr EqValues kExample = {3, -5, 4, 0, 0, 10, 7, 2, 1};

TEST_F(PefFileTest, SavesTheThreeLinesAndReadsThemBack) {
  const std::string path = (dir / "a.pef").string();
  ASSERT_TRUE(hrx::eq::writePefFile(path, kExample));
  EXPECT_EQ(slurp(path), "300,-5,4\n0,0,10\n2100,2,1\n");
  EqValues back{};
  ASSERT_TRUE(hrx::eq::readPefFile(path, hrx::eq::windowLimits(), &back));
  EXPECT_EQ(back, kExample);
  // Windows line ends and quotes around a field are read as the same file.
  EqValues crlf{};
  ASSERT_TRUE(hrx::eq::readPefFile(put("b.pef", "\"300\",-5,4\r\n0,0,10\r\n2100,+2,1\r\n"), hrx::eq::windowLimits(), &crlf));
  EXPECT_EQ(crlf, kExample);
}

// A save cut short by a full disk leaves the file that was there, and
// says it failed.
TEST_F(PefFileTest, ASaveCutShortKeepsTheOldFile) {
  const std::string old = "800,0,5\n0,0,10\n0,0,10\n";
  const std::string path = put("kept.pef", old);
  EXPECT_EQ(hrx::test::writeUnderSizeLimit(8, [&] { return hrx::eq::writePefFile(path, kExample); }),
            hrx::test::LimitedWrite::ReportedFailure);
  EXPECT_EQ(slurp(path), old);
}

TEST_F(PefFileTest, AnyFailedCheckRefusesTheWholeFileAndChangesNothing) {
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"350 Hz is no band-1 frequency", "350,-5,4\n0,0,10\n2100,2,1\n"},
      {"800 Hz belongs to band 2, not band 1", "800,-5,4\n0,0,10\n2100,2,1\n"},
      {"band 3 has no 3300 Hz", "300,-5,4\n0,0,10\n3300,2,1\n"},
      {"level below -20", "300,-21,4\n0,0,10\n2100,2,1\n"},
      {"level above +10", "300,11,4\n0,0,10\n2100,2,1\n"},
      {"width 0", "300,-5,0\n0,0,10\n2100,2,1\n"},
      {"width 11", "300,-5,4\n0,0,11\n2100,2,1\n"},
      {"two records", "300,-5,4\n0,0,10\n"},
      {"four records", "300,-5,4\n0,0,10\n2100,2,1\n0,0,1\n"},
      {"last record without its line feed", "300,-5,4\n0,0,10\n2100,2,1"},
      {"a record of two fields", "300,-5\n0,0,10\n2100,2,1\n"},
      {"a record of four fields", "300,-5,4,1\n0,0,10\n2100,2,1\n"},
      {"quoted fields holding commas", "\"300,-5\",4\n\"0,0\",10\n\"2100,2\",1\n"},
      {"a number with text after it", "300Hz,-5,4\n0,0,10\n2100,2,1\n"},
      {"a fraction", "300,-5.5,4\n0,0,10\n2100,2,1\n"},
      {"a blank field", "300,,4\n0,0,10\n2100,2,1\n"},
      {"a huge number", "300,-5,4\n0,0,10\n2100,2,99999999999999999999\n"},
      {"an empty file", ""},
      {"a huge file", "300,-5,4\n0,0,10\n2100,2,1\n" + std::string(1 << 20, '\n')},
  };
  const EqValues before = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  int i = 0;
  for (const Case& c : cases) {
    EqValues out = before;
    EXPECT_FALSE(hrx::eq::readPefFile(put("c" + std::to_string(i++) + ".pef", c.bytes), hrx::eq::windowLimits(), &out))
        << c.what;
    EXPECT_EQ(out, before) << c.what;
  }
  EqValues out = before;
  EXPECT_FALSE(hrx::eq::readPefFile((dir / "missing.pef").string(), hrx::eq::windowLimits(), &out));
  EXPECT_FALSE(hrx::eq::readPefFile(dir.string(), hrx::eq::windowLimits(), &out));
  EXPECT_EQ(out, before);
}

TEST_F(PefFileTest, LevelsAreHeldToTheRangeGiven) {
  // The radio's level items take -10..+10.
  const hrx::eq::EqLimits radio = hrx::eq::withLevelRange(
      hrx::eq::withLevelRange(hrx::eq::withLevelRange(hrx::eq::windowLimits(), 0, -10, 10), 1, -10, 10), 2, -10, 10);
  EqValues out{};
  EXPECT_FALSE(hrx::eq::readPefFile(put("d.pef", "300,-11,4\n0,0,10\n2100,2,1\n"), radio, &out));
  EXPECT_TRUE(hrx::eq::readPefFile(put("e.pef", "300,-10,4\n0,0,10\n2100,10,1\n"), radio, &out));
  EXPECT_EQ(out, (EqValues{3, -10, 4, 0, 0, 10, 7, 10, 1}));
}

TEST_F(PefFileTest, PathsOf260CharactersOrMoreAreRefused) {
  std::string longPath = dir.string() + "/";
  longPath += std::string(259 - longPath.size(), 'x');
  ASSERT_EQ(longPath.size(), 259u);
  EXPECT_TRUE(hrx::eq::writePefFile(longPath, kExample));
  EqValues out{};
  EXPECT_TRUE(hrx::eq::readPefFile(longPath, hrx::eq::windowLimits(), &out));
  const std::string tooLong = longPath + "y";
  EXPECT_FALSE(hrx::eq::writePefFile(tooLong, kExample));
  EXPECT_FALSE(std::filesystem::exists(tooLong));
  std::filesystem::copy_file(longPath, tooLong);
  EXPECT_FALSE(hrx::eq::readPefFile(tooLong, hrx::eq::windowLimits(), &out));
}

TEST(PefName, IsTheLocalDateAndTime) {
  std::tm t{};
  t.tm_year = 2026 - 1900, t.tm_mon = 0, t.tm_mday = 5, t.tm_hour = 7, t.tm_min = 8, t.tm_sec = 9;
  EXPECT_EQ(hrx::eq::defaultPefName(t), "20260105070809.pef");
}

}  // namespace
