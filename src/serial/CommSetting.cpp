#include "serial/CommSetting.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>

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

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

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

bool ReadCommSetting(ComPort& port, int& field3, const std::string& baseDir) {
  const std::string path = commSettingPath(baseDir);
  if (path.empty() || path.size() >= kMaxSettingPath) return false;
  CsvTable table;
  if (!table.load(path)) {
    port.SetPortNumber(kDefaultPortNumber);
    port.SetBaudRate(static_cast<int>(kDefaultBaudRate));
    field3 = 0;
    return false;
  }
  const char* cells[3] = {nullptr, nullptr, nullptr};
  int taken = 0;
  for (int r = 0; r < table.rows() && taken < 3; ++r)
    for (int c = 0; c < table.cellsInRow(r) && taken < 3; ++c) cells[taken++] = table.cell(r, c);
  port.SetPortNumber(toInt(cells[0]));
  port.SetBaudRate(toInt(cells[1]));
  field3 = toInt(cells[2]);
  return true;
}

bool WriteCommSetting(const ComPort& port, int field3, const std::string& baseDir) {
  const std::string path = commSettingPath(baseDir);
  if (path.empty()) return false;
  const std::string dir = path.substr(0, path.rfind('/'));
  if (path.size() >= kMaxSettingPath) return false;
  if (::mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) return false;
  std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "w"));
  if (!f) return false;
  if (std::fprintf(f.get(), "%d,%d,%d\n", port.GetPortNumber(), port.GetBaudRate(), field3) < 0) return false;
  return std::fclose(f.release()) == 0;
}

}  // namespace hrx
