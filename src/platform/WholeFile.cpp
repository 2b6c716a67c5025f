#include "platform/WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace hrx {
namespace {

std::string failure(const char* step, const std::string& path, int err) {
  return std::string(step) + " " + path + ": " + std::strerror(err);
}

std::string folderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

constexpr const char* kTempMark = ".tmp-";

// Read, not set and put back: umask() would change it for every thread
// meanwhile.
mode_t currentUmask() {
  char buf[4096];
  const int fd = ::open("/proc/self/status", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 022;
  const ssize_t n = ::read(fd, buf, sizeof buf - 1);
  ::close(fd);
  if (n <= 0) return 022;
  buf[n] = '\0';
  const char* at = std::strstr(buf, "\nUmask:");
  return at != nullptr ? static_cast<mode_t>(std::strtoul(at + 7, nullptr, 8)) & 0777 : 022;
}

// What mkstemp puts in place of its six X's.
bool mkstempTail(std::string_view s) {
  return s.size() == 6 && std::all_of(s.begin(), s.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
}

// "PID-N", the names of versions before mkstemp.
bool pidTail(std::string_view s) {
  const auto dash = s.find('-');
  auto digits = [](std::string_view d) {
    return !d.empty() && std::all_of(d.begin(), d.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  return dash != std::string_view::npos && digits(s.substr(0, dash)) && digits(s.substr(dash + 1));
}

// Only a leftover of a file the program writes there: a user's own
// "notes.tmp-backup" looks the same.
bool leftoverName(std::string_view name, const std::vector<std::string>& written) {
  const auto mark = name.rfind(kTempMark);
  if (mark == std::string_view::npos || mark == 0) return false;
  if (std::find(written.begin(), written.end(), name.substr(0, mark)) == written.end()) return false;
  const std::string_view tail = name.substr(mark + std::strlen(kTempMark));
  return mkstempTail(tail) || pidTail(tail);
}

bool writeAll(int fd, std::string_view bytes, int& err) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      err = errno;
      return false;
    }
    if (n == 0) {  // a size limit can end a write with nothing written
      err = ENOSPC;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

WholeFileResult writeWholeFile(const std::string& path, std::string_view bytes) {
  WholeFileResult result;
  std::string temp = path + kTempMark + "XXXXXX";
  // The new file keeps the old one's permissions; a first one gets the
  // umask's, as an ordinary create would (mkstemp's own are 0600).
  struct stat old {};
  const bool hadOld = ::stat(path.c_str(), &old) == 0;
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) {
    result.error = failure("create", path, errno);
    return result;
  }
  mode_t mode = 0;
  if (hadOld) {
    mode = old.st_mode & 07777;
  } else {
    mode = 0666 & ~currentUmask();
  }
  int err = 0;
  bool ok = writeAll(fd, bytes, err);
  if (ok && ::fchmod(fd, mode) != 0) err = errno, ok = false;
  if (ok && ::fsync(fd) != 0) err = errno, ok = false;
  if (::close(fd) != 0 && ok) err = errno, ok = false;
  if (ok && ::rename(temp.c_str(), path.c_str()) != 0) err = errno, ok = false;
  if (!ok) {
    ::unlink(temp.c_str());
    result.error = failure("write", path, err);
    return result;
  }
  // The rename itself lasts only once the folder is synced; a folder that
  // cannot be opened or synced leaves the file written all the same.
  const int dir = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  result.ok = true;
  return result;
}

std::vector<std::string> removeWholeFileLeftovers(const std::string& folder, const std::vector<std::string>& written,
                                                  int minAgeSeconds) {
  std::vector<std::string> removed;
  DIR* d = ::opendir(folder.c_str());
  if (d == nullptr) return removed;
  const std::time_t now = std::time(nullptr);
  std::vector<std::string> names;
  while (const dirent* e = ::readdir(d))
    if (leftoverName(e->d_name, written)) names.emplace_back(e->d_name);
  ::closedir(d);
  for (const std::string& name : names) {
    const std::string path = folder + "/" + name;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || now - st.st_mtime < minAgeSeconds) continue;
    if (::unlink(path.c_str()) == 0) removed.push_back(name);
  }
  return removed;
}

}  // namespace hrx
