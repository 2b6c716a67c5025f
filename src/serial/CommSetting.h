#pragma once
// The port settings file CommoFiles/CommSetting.csv below a base directory
// (the working directory unless told otherwise): one line "port,baud,field3".
// Field 3 means nothing here; it is carried through unchanged.
#include <string>

namespace hrx {

class ComPort;

inline constexpr const char* kCommoFilesDir = "CommoFiles";
inline constexpr const char* kCommSettingFile = "CommSetting.csv";
// Paths of this many characters or more are refused.
inline constexpr std::size_t kMaxSettingPath = 260;

struct BaudRateRow {
  char name[8];
  int value;
};
// The Baud rate window's list, in order, ended by a row whose value is 0.
inline constexpr BaudRateRow kBaudRateTable[] = {{"4800", 4800}, {"9600", 9600}, {"19200", 19200}, {"38400", 38400}, {"", 0}};

// The path of CommoFiles/`name` below `baseDir` (the working directory when
// empty); empty when the working directory cannot be read. Every file of the
// CommoFiles folder is named through here.
std::string commoFilePath(const std::string& baseDir, const char* name);
// The settings file's path, as commoFilePath gives it.
std::string commSettingPath(const std::string& baseDir = {});

// The folder CommoFiles lives below: `workDir` (the working directory when
// empty) when it already holds a CommoFiles folder, so a set-up made that
// way keeps working; otherwise `userDir`, the user's configuration folder.
std::string settingsBase(const std::string& userDir, const std::string& workDir = {});

// An unreadable settings file is renamed to this beside it (.bad.2 and on
// when one is there already). With all nine there, the oldest of them (by
// its time of change) gives its name to the new one; none is overwritten
// otherwise.
inline constexpr const char* kBadSuffix = ".bad";
inline constexpr int kMaxKeptBad = 9;

// Why a read gave false, for the start-up's notice and log.
struct CommSettingRead {
  enum class Outcome {
    Read,
    PathTooLong,  // nothing changed
    NoFolder,     // no CommoFiles folder yet: a first start
    NoFile,       // the folder without the file
    Unreadable,   // there but unreadable, or without one complete line
  };
  Outcome outcome = Outcome::Read;
  std::string keptAs;  // Unreadable: where the file now is; empty if it stayed
  bool replacedOldest = false;  // keptAs held the oldest of nine kept before
  std::string error;   // Unreadable and not kept: why
};

// Reads the file and applies it: port and baud through the port's setters
// (out-of-range values fall back to COM1 and 4800), field 3 into `field3`.
// False, with nothing changed, when the path is too long; false, with the
// defaults applied, when the file cannot be loaded or holds no complete
// line (empty, or cut short before its line feed). Such a file is first
// renamed to CommSetting.csv.bad, so the defaults never overwrite it.
bool ReadCommSetting(ComPort& port, int& field3, const std::string& baseDir = {}, CommSettingRead* how = nullptr);
// Creates the directory when needed and writes the one line whole (a
// failed write leaves the old file as it was). False, with the reason in
// `error`, when the path is too long or the file cannot be written.
bool WriteCommSetting(const ComPort& port, int field3, const std::string& baseDir = {}, std::string* error = nullptr);

}  // namespace hrx
