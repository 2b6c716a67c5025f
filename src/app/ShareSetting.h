#pragma once
// Option > Share with other programs, remembered between runs in
// CommoFiles/ShareSetting.txt ("1" or "0") below the settings folder (the
// working directory when empty).
#include <string>

namespace hrx {

inline constexpr const char* kShareSettingFile = "ShareSetting.txt";

// Whether the last run left sharing on.
bool shareRemembered(const std::string& settingsDir);
// Remembers the choice, making CommoFiles when needed. False, with the
// reason in `error`, when it cannot be written.
bool rememberShare(const std::string& settingsDir, bool on, std::string* error = nullptr);

}  // namespace hrx
