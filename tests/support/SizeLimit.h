#pragma once
// Runs a writer in a child process under a file-size limit (SIGXFSZ ignored,
// so the write that crosses it fails with EFBIG instead of killing), the way
// a full disk cuts a write short. The limit stays in the child.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>

namespace hrx::test {

enum class LimitedWrite { ReportedFailure, ReportedSuccess, Crashed };

inline LimitedWrite writeUnderSizeLimit(rlim_t bytes, const std::function<bool()>& write) {
  const pid_t child = ::fork();
  if (child < 0) return LimitedWrite::Crashed;
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, bytes};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(3);
    ::_exit(write() ? 1 : 0);
  }
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return LimitedWrite::Crashed;
  switch (WEXITSTATUS(status)) {
    case 0: return LimitedWrite::ReportedFailure;
    case 1: return LimitedWrite::ReportedSuccess;
    default: return LimitedWrite::Crashed;
  }
}

}  // namespace hrx::test
