#include "support/RecordingMainWindow.h"

#include <cstdio>

namespace hrx::test {

std::string describe(const WindowCall& c) {
  static const char* const kinds[] = {"post", "send", "setTimer", "killTimer"};
  char buf[96];
  std::snprintf(buf, sizeof buf, "%s(0x%X, %lu, %ld)", kinds[c.kind], c.id, static_cast<unsigned long>(c.w),
                static_cast<long>(c.l));
  return buf;
}

std::vector<Msg> RecordingMainWindow::posts() const {
  std::lock_guard lock(mu_);
  std::vector<Msg> out;
  for (const auto& c : calls_)
    if (c.kind == WindowCall::Post) out.push_back(Msg{c.id, c.w, c.l});
  return out;
}

}  // namespace hrx::test
