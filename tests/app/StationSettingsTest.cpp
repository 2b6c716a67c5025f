// What a start makes of the settings folder: a first start (no folder yet)
// makes it with the defaults and says so only in the log; a folder without
// the file, or a file that cannot be read, shows notice 2 and keeps the
// unreadable file beside it. And the sharing choice's file.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "SimPty.h"
#include "SimRadio.h"
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

// An exit in the middle of a speed change saves the speed the radio was
// told only once the command telling it has gone out: before that the
// radio still works at the old speed, where the next start must look.
TEST(StationSettings, AnExitSavesAToldSpeedOnlyOnceItsCommandWentOut) {
  using namespace std::chrono_literals;
  const struct {
    const char* label;
    bool written;
    const char* saved;
  } rows[] = {
      {"the command went out", true, "1,9600,0\n"},
      {"the command still waits", false, "1,4800,0\n"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.label);
    sim::SimRadio radio;
    sim::SimPty pty{radio};
    std::string error;
    ASSERT_TRUE(pty.open(&error) && pty.start()) << error;
    test::TempDir dir;
    test::Program program(pty.slavePath(), dir.path());
    ASSERT_TRUE(program.ok);
    Station& s = program.station;
    ASSERT_TRUE(test::waitFor([&] { return s.state.get_CommEnabled() != 0 && s.port.IsOpen(); }, 5s));
    // Serial work off: the command waits in the send ring, as at an exit
    // that comes before the send thread has taken it.
    if (!r.written) s.state.set_CommEnabled(0);
    s.setSpeedTold(9600);
    ASSERT_TRUE(s.sendText("EX0381;"));
    const auto heard = [&] {
      const auto log = radio.commandLog();
      return std::find(log.begin(), log.end(), "EX0381;") != log.end();
    };
    if (r.written) {
      ASSERT_TRUE(test::waitFor(heard, 5s));
    } else {
      std::this_thread::sleep_for(200ms);
      ASSERT_FALSE(heard());
    }
    s.shutdown();
    EXPECT_EQ(slurp(commSettingPath(dir.path())), r.saved);
    pty.stop();
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
