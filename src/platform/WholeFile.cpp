#include "platform/WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

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

// A name no other writer, thread or process, picks at the same moment.
std::string temporaryName(const std::string& path) {
  static std::atomic<unsigned> serial{0};
  return path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(serial.fetch_add(1));
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
  const std::string temp = temporaryName(path);
  // The new file keeps the old one's permissions; a first one gets the
  // umask's, as an ordinary create would.
  struct stat old {};
  const bool hadOld = ::stat(path.c_str(), &old) == 0;
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    result.error = failure("create", path, errno);
    return result;
  }
  int err = 0;
  bool ok = writeAll(fd, bytes, err);
  if (ok && hadOld && ::fchmod(fd, old.st_mode & 07777) != 0) err = errno, ok = false;
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

}  // namespace hrx
