#include "serial/CommSetting.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/WholeFile.h"
#include "serial/ComPort.h"
#include "serial/CsvTable.h"

namespace hrx {

namespace {

std::string baseOrCwd(const std::string& baseDir) {
  if (!baseDir.empty()) return baseDir;
  char buf[PATH_MAX];
  return ::getcwd(buf, sizeof buf) != nullptr ? std::string(buf) : std::string();
}

std::string dirPath(const std::string& base) { return base + "/" + kCommoFilesDir; }

// The usual decimal conversion: leading blanks, a sign, digits; anything else
// gives 0; values beyond int are clamped.
int toInt(const char* text) {
  if (text == nullptr) return 0;
  errno = 0;
  const long v = std::strtol(text, nullptr, 10);
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

bool exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

// The first free name of .bad, .bad.2 ... .bad.9; with all nine taken, the
// one changed longest ago (`oldest` set).
std::string keptName(const std::string& path, bool* oldest) {
  std::string pick;
  struct timespec pickTime {};
  for (int n = 1; n <= kMaxKeptBad; ++n) {
    const std::string name = path + kBadSuffix + (n == 1 ? std::string() : "." + std::to_string(n));
    struct stat st {};
    if (::lstat(name.c_str(), &st) != 0) {
      *oldest = false;
      return name;
    }
    const bool older = st.st_mtim.tv_sec < pickTime.tv_sec ||
                       (st.st_mtim.tv_sec == pickTime.tv_sec && st.st_mtim.tv_nsec < pickTime.tv_nsec);
    if (pick.empty() || older) {
      pick = name;
      pickTime = st.st_mtim;
    }
  }
  *oldest = true;
  return pick;
}

void applyDefaults(ComPort& port, int& field3) {
  port.SetPortNumber(kDefaultPortNumber);
  port.SetBaudRate(static_cast<int>(kDefaultBaudRate));
  field3 = 0;
}

}  // namespace

std::string commoFilePath(const std::string& baseDir, const char* name) {
  const std::string base = baseOrCwd(baseDir);
  if (base.empty()) return {};
  return dirPath(base) + "/" + name;
}

std::string commSettingPath(const std::string& baseDir) { return commoFilePath(baseDir, kCommSettingFile); }

std::string settingsBase(const std::string& userDir, const std::string& workDir) {
  const std::string work = baseOrCwd(workDir);
  struct stat st {};
  if (!work.empty() && ::stat(dirPath(work).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return work;
  return userDir.empty() ? work : userDir;
}

bool ReadCommSetting(ComPort& port, int& field3, const std::string& baseDir, CommSettingRead* how) {
  CommSettingRead local;
  CommSettingRead& r = how != nullptr ? *how : local;
  r = {};
  const std::string path = commSettingPath(baseDir);
  if (path.empty() || path.size() >= kMaxSettingPath) {
    r.outcome = CommSettingRead::Outcome::PathTooLong;
    return false;
  }
  CsvTable table;
  // An interrupted write of an older program leaves the file empty or cut
  // before its line feed: no complete line, as unreadable as a file that
  // cannot be opened, and worth keeping all the same.
  if (!table.load(path) || table.rows() == 0) {
    applyDefaults(port, field3);
    if (!exists(path.substr(0, path.rfind('/')))) {
      r.outcome = CommSettingRead::Outcome::NoFolder;
    } else if (!exists(path)) {
      r.outcome = CommSettingRead::Outcome::NoFile;
    } else {
      r.outcome = CommSettingRead::Outcome::Unreadable;
      // Kept before the defaults are written over it at exit, so a hand
      // edit with a typo is never lost.
      // Beside one kept before (the mended file with a new typo), never over it.
      const std::string bad = keptName(path, &r.replacedOldest);
      if (::rename(path.c_str(), bad.c_str()) == 0) r.keptAs = bad;
      else r.error = "keep " + path + " as " + bad + ": " + std::strerror(errno), r.replacedOldest = false;
    }
    return false;
  }
  const char* cells[3] = {nullptr, nullptr, nullptr};
  int taken = 0;
  for (int row = 0; row < table.rows() && taken < 3; ++row)
    for (int c = 0; c < table.cellsInRow(row) && taken < 3; ++c) cells[taken++] = table.cell(row, c);
  port.SetPortNumber(toInt(cells[0]));
  port.SetBaudRate(toInt(cells[1]));
  field3 = toInt(cells[2]);
  return true;
}

bool WriteCommSetting(const ComPort& port, int field3, const std::string& baseDir, std::string* error) {
  const std::string path = commSettingPath(baseDir);
  auto fail = [error](std::string why) {
    if (error != nullptr) *error = std::move(why);
    return false;
  };
  if (path.empty()) return fail("the working folder cannot be read");
  const std::string dir = path.substr(0, path.rfind('/'));
  if (path.size() >= kMaxSettingPath) return fail(path + ": the path is too long");
  if (::mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) return fail("create " + dir + ": " + std::strerror(errno));
  char line[48];
  std::snprintf(line, sizeof line, "%d,%d,%d\n", port.GetPortNumber(), port.GetBaudRate(), field3);
  const WholeFileResult written = writeWholeFile(path, line);
  return written ? true : fail(written.error);
}

}  // namespace hrx
