// What a start makes of the settings folder: a first start (no folder yet)
// makes it with the defaults and says so only in the log; a folder without
// the file, or a file that cannot be read, shows notice 2 and keeps the
// unreadable file beside it. And the sharing choice's file.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/ShareSetting.h"
#include "app/Station.h"
#include "serial/CommSetting.h"
#include "support/RecordingMainWindow.h"
#include "support/SizeLimit.h"
#include "support/StationRig.h"

namespace hrx {
namespace {

namespace fs = std::filesystem;

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST(StationSettings, FirstStartIsQuietAFaultShowsNotice2) {
  const struct {
    const char* label;
    bool folder;
    const char* file;      // nullptr: none
    bool notice;
    const char* logSays;   // a log line holds this; nullptr: no log line
    const char* fileAfter; // the settings file once started; nullptr: none
    bool leftover = false; // a save killed two minutes ago left its new file
  } rows[] = {
      {"first start: no folder", false, nullptr, false, "first start", "1,4800,0\n"},
      {"a folder without the file", true, nullptr, true, nullptr, nullptr},
      {"a file cut short", true, "3,19200", true, "CommSetting.csv.bad", nullptr},
      {"a good file", true, "3,19200,0\n", false, nullptr, "3,19200,0\n"},
      {"a leftover of a killed save", true, "3,19200,0\n", false,
       "removed CommSetting.csv.tmp-4242-0, left by a save that was cut short", "3,19200,0\n", true},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.label);
    test::TempDir dir;
    const std::string file = commSettingPath(dir.path());
    if (r.folder) fs::create_directories(dir.path() + "/CommoFiles");
    if (r.file != nullptr) std::ofstream(file, std::ios::binary) << r.file;
    const std::string leftover = file + ".tmp-4242-0";
    if (r.leftover) {
      std::ofstream(leftover, std::ios::binary) << "3,19";
      fs::last_write_time(leftover, fs::file_time_type::clock::now() - std::chrono::minutes(2));
    }
    test::RecordingMainWindow window;
    std::vector<std::string> lines;
    StationOptions options{"/nonexistent/ttyUSB9", dir.path()};
    options.log = [&lines](const std::string& line) { lines.push_back(line); };
    Station station(window);
    ASSERT_TRUE(station.start(options));
    int settingsNotices = 0;
    for (const Msg& m : window.posts(kMsgNotice)) settingsNotices += m.l == kNoticeSettingsUnreadable ? 1 : 0;
    EXPECT_EQ(settingsNotices, r.notice ? 1 : 0);
    EXPECT_EQ(fs::exists(file), r.fileAfter != nullptr);
    if (r.fileAfter != nullptr) {
      EXPECT_EQ(slurp(file), r.fileAfter);
    }
    EXPECT_FALSE(fs::exists(leftover));
    station.shutdown();
    if (r.logSays == nullptr) {
      EXPECT_TRUE(lines.empty()) << lines.front();
    } else {
      ASSERT_EQ(lines.size(), 1u);
      EXPECT_NE(lines[0].find(r.logSays), std::string::npos) << lines[0];
    }
  }
}

// Option > Share's choice outlasts the run; a save cut short by a full disk
// keeps the last choice and says it failed.
TEST(ShareSetting, RememberedWholeOrNotAtAll) {
  test::TempDir dir;
  EXPECT_FALSE(shareRemembered(dir.path())) << "nothing remembered yet";
  ASSERT_TRUE(rememberShare(dir.path(), true)) << "makes CommoFiles";
  EXPECT_TRUE(shareRemembered(dir.path()));
  const std::string file = dir.path() + "/CommoFiles/ShareSetting.txt";
  EXPECT_EQ(slurp(file), "1\n");
  EXPECT_EQ(test::writeUnderSizeLimit(1, [&] { return rememberShare(dir.path(), false); }),
            test::LimitedWrite::ReportedFailure);
  EXPECT_EQ(slurp(file), "1\n");
  ASSERT_TRUE(rememberShare(dir.path(), false));
  EXPECT_FALSE(shareRemembered(dir.path()));
}

}  // namespace
}  // namespace hrx
