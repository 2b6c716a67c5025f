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

// Reads the file and applies it: port and baud through the port's setters
// (out-of-range values fall back to COM1 and 4800), field 3 into `field3`.
// False, with nothing changed, when the path is too long; false, with the
// defaults applied, when the file cannot be loaded.
bool ReadCommSetting(ComPort& port, int& field3, const std::string& baseDir = {});
// Creates the directory when needed and writes the one line. False when the
// path is too long or the file cannot be written.
bool WriteCommSetting(const ComPort& port, int field3, const std::string& baseDir = {});

}  // namespace hrx
