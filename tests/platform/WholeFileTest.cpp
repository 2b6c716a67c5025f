// Whole-or-nothing writes: a write cut short by a file-size limit, a folder
// that cannot take the file, and a good write over an old file.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/WholeFile.h"
#include "support/SizeLimit.h"

namespace hrx {
namespace {

struct Folder {
  Folder() {
    char name[] = "/tmp/hrx900-wholefile-XXXXXX";
    path = ::mkdtemp(name) ? name : "";
  }
  ~Folder() {
    std::error_code ignored;
    if (!path.empty()) std::filesystem::remove_all(path, ignored);
  }
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    if (DIR* d = ::opendir(path.c_str())) {
      while (const dirent* e = ::readdir(d))
        if (e->d_name[0] != '.') out.emplace_back(e->d_name);
      ::closedir(d);
    }
    return out;
  }
  std::string path;
};

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(WholeFile, WritesOverTheOldFileKeepingItsPermissions) {
  Folder dir;
  ASSERT_FALSE(dir.path.empty());
  const std::string file = dir.path + "/CommSetting.csv";
  const mode_t mask = ::umask(027);
  ASSERT_TRUE(writeWholeFile(file, "COM1,4800,0\n"));
  ::umask(mask);
  struct stat first {};
  ASSERT_EQ(::stat(file.c_str(), &first), 0);
  EXPECT_EQ(first.st_mode & 0777, 0640u) << "a first file as an ordinary create under the umask";
  ASSERT_EQ(::chmod(file.c_str(), 0604), 0);
  const auto r = writeWholeFile(file, "COM3,38400,0\n");
  ASSERT_TRUE(r) << r.error;
  EXPECT_EQ(readAll(file), "COM3,38400,0\n");
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0604u);
  EXPECT_EQ(dir.names(), std::vector<std::string>{"CommSetting.csv"}) << "no temporary file left";
}

// The write of 64 KiB under a 1 KiB file-size limit fails, naming the file,
// and the old file is left byte for byte with no temporary beside it.
TEST(WholeFile, AWriteCutShortLeavesTheOldFile) {
  Folder dir;
  ASSERT_FALSE(dir.path.empty());
  const std::string file = dir.path + "/CommSetting.csv";
  const std::string old = "COM2,9600,0\n";
  ASSERT_TRUE(writeWholeFile(file, old));
  // "Success" here: the write passed, or failed without the file's name.
  EXPECT_EQ(test::writeUnderSizeLimit(1024,
                                      [&] {
                                        const auto r = writeWholeFile(file, std::string(64 * 1024, 'x'));
                                        return r.ok || r.error.find("CommSetting.csv") == std::string::npos;
                                      }),
            test::LimitedWrite::ReportedFailure);
  EXPECT_EQ(readAll(file), old);
  EXPECT_EQ(dir.names(), std::vector<std::string>{"CommSetting.csv"});
}

// A crash or a size-limit kill leaves its temporary file; a later run whose
// process has the same number (containers, sandboxed packages) still saves.
TEST(WholeFile, ALeftoverOfAnEarlierRunNeverBlocksAWrite) {
  Folder dir;
  ASSERT_FALSE(dir.path.empty());
  const std::string file = dir.path + "/CommSetting.csv";
  for (int n = 0; n < 200; ++n)
    std::ofstream(file + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(n)) << "1,48";
  const auto r = writeWholeFile(file, "3,19200,0\n");
  ASSERT_TRUE(r) << r.error;
  EXPECT_EQ(readAll(file), "3,19200,0\n");
  EXPECT_EQ(dir.names().size(), 201u) << "the leftovers are the sweep's business, not the write's";
}

// At start the temporary files of a killed write are swept once older than
// a minute (a younger one may be another program's write under way); other
// files, even with a like name, stay.
TEST(WholeFile, LeftoversOlderThanAMinuteAreSwept) {
  Folder dir;
  ASSERT_FALSE(dir.path.empty());
  const std::string pid = std::to_string(::getpid());
  const char* old[] = {"CommSetting.csv.tmp-4242-0", "ShareSetting.txt.tmp-Ab3xZ9"};
  // A user's file that only looks like a leftover stays: only the names
  // the program writes there are swept.
  const char* kept[] = {"CommSetting.csv", "notes.tmp-draft", "notes.tmp-backup", "CommSetting.csv.tmp-Ab3x", "a.tmp-12-x"};
  for (const char* n : old) {
    std::ofstream(dir.path + "/" + n) << "1,48";
    const timespec t[2] = {{::time(nullptr) - 61, 0}, {::time(nullptr) - 61, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (dir.path + "/" + n).c_str(), t, 0), 0);
  }
  for (const char* n : kept) {
    std::ofstream(dir.path + "/" + n) << "x";
    const timespec t[2] = {{::time(nullptr) - 600, 0}, {::time(nullptr) - 600, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (dir.path + "/" + n).c_str(), t, 0), 0);
  }
  std::ofstream(dir.path + "/CommSetting.csv.tmp-" + pid + "-7") << "young";
  std::vector<std::string> removed = removeWholeFileLeftovers(dir.path, {"CommSetting.csv", "ShareSetting.txt"});
  std::sort(removed.begin(), removed.end());
  EXPECT_EQ(removed, (std::vector<std::string>{"CommSetting.csv.tmp-4242-0", "ShareSetting.txt.tmp-Ab3xZ9"}));
  std::vector<std::string> left = dir.names();
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"CommSetting.csv", "CommSetting.csv.tmp-" + pid + "-7", "CommSetting.csv.tmp-Ab3x",
                                            "a.tmp-12-x", "notes.tmp-backup", "notes.tmp-draft"}));
}

TEST(WholeFile, AFolderThatIsMissingIsAFailure) {
  Folder dir;
  ASSERT_FALSE(dir.path.empty());
  const auto r = writeWholeFile(dir.path + "/gone/CommSetting.csv", "COM1,4800,0\n");
  EXPECT_FALSE(r);
  EXPECT_NE(r.error.find("No such file or directory"), std::string::npos) << r.error;
}

}  // namespace
}  // namespace hrx
