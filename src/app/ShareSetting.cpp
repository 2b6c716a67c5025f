#include "app/ShareSetting.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "platform/WholeFile.h"
#include "serial/CommSetting.h"

namespace hrx {

bool shareRemembered(const std::string& settingsDir) {
  std::ifstream in(commoFilePath(settingsDir, kShareSettingFile));
  char c = 0;
  return in.get(c) && c == '1';
}

bool rememberShare(const std::string& settingsDir, bool on, std::string* error) {
  const std::string path = commoFilePath(settingsDir, kShareSettingFile);
  std::string why;
  if (path.empty()) {
    why = "the working folder cannot be read";
  } else if (const std::string dir = path.substr(0, path.rfind('/')); ::mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) {
    why = "create " + dir + ": " + std::strerror(errno);
  } else if (const WholeFileResult r = writeWholeFile(path, on ? "1\n" : "0\n"); !r) {
    why = r.error;
  }
  if (why.empty()) return true;
  if (error != nullptr) *error = why;
  return false;
}

}  // namespace hrx
