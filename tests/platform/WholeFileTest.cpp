// Whole-or-nothing writes: a write cut short by a file-size limit, a folder
// that cannot take the file, and a good write over an old file.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
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
    if (!path.empty()) std::system(("rm -rf '" + path + "'").c_str());
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
  ASSERT_TRUE(writeWholeFile(file, "COM1,4800,0\n"));
  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
  const auto r = writeWholeFile(file, "COM3,38400,0\n");
  ASSERT_TRUE(r) << r.error;
  EXPECT_EQ(readAll(file), "COM3,38400,0\n");
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
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

TEST(WholeFile, AFolderThatIsMissingIsAFailure) {
  Folder dir;
  ASSERT_FALSE(dir.path.empty());
  const auto r = writeWholeFile(dir.path + "/gone/CommSetting.csv", "COM1,4800,0\n");
  EXPECT_FALSE(r);
  EXPECT_NE(r.error.find("No such file or directory"), std::string::npos) << r.error;
}

}  // namespace
}  // namespace hrx
