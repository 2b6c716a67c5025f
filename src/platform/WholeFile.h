#pragma once
// Every file the program writes goes through here: the bytes go to a new
// file beside the old one, which is flushed, synced and then renamed over
// it. A crash, a full disk or a size limit at any moment leaves either the
// old file or the new one, never half of either. Any thread may call it.
#include <string>
#include <string_view>
#include <vector>

namespace hrx {

struct WholeFileResult {
  bool ok = false;
  // What failed, for a notice or the log ("write CommSetting.csv: No space
  // left on device"); empty on success.
  std::string error;
  explicit operator bool() const { return ok; }
};

// Writes `bytes` as the whole of `path`. The folder must exist. On failure
// the file at `path` is as it was and no temporary file is left behind. The
// new file's name is made unique in the folder (mkstemp), so nothing an
// earlier run left there can stand in its way.
WholeFileResult writeWholeFile(const std::string& path, std::string_view bytes);

// Removes from `folder` the temporary files writeWholeFile leaves only when
// killed mid-write ("NAME.tmp-XXXXXX", and the "NAME.tmp-PID-N" of older
// versions) for each NAME of `written`, once older than `minAgeSeconds`: a
// younger one may be another running program's write. The names removed,
// for the log.
std::vector<std::string> removeWholeFileLeftovers(const std::string& folder, const std::vector<std::string>& written,
                                                  int minAgeSeconds = 60);

}  // namespace hrx
