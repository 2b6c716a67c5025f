#pragma once
// Every file the program writes goes through here: the bytes go to a new
// file beside the old one, which is flushed, synced and then renamed over
// it. A crash, a full disk or a size limit at any moment leaves either the
// old file or the new one, never half of either. Any thread may call it.
#include <string>
#include <string_view>

namespace hrx {

struct WholeFileResult {
  bool ok = false;
  // What failed, for a notice or the log ("write CommSetting.csv: No space
  // left on device"); empty on success.
  std::string error;
  explicit operator bool() const { return ok; }
};

// Writes `bytes` as the whole of `path`. The folder must exist. On failure
// the file at `path` is as it was and no temporary file is left behind.
WholeFileResult writeWholeFile(const std::string& path, std::string_view bytes);

}  // namespace hrx
