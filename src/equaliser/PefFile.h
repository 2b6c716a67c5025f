#pragma once
// Equaliser settings files (".pef"): three lines "freq,level,width", one per
// band, the frequency in Hz (0 for a band that is off).
#include <ctime>
#include <string>

#include "equaliser/EqValues.h"

namespace hrx::eq {

// A valid file is three short lines; anything much larger is refused
// without reading it.
inline constexpr long kMaxPefBytes = 4096;

// The file's text for `values` (frequency indexes turned into Hz).
std::string formatPef(const EqValues& values);
// Writes the file whole (a failed write leaves the old one as it was);
// false when the path is 260 characters or more, an index is outside its
// table, or the file could not be written.
bool writePefFile(const std::string& path, const EqValues& values);

// Reads a file: exactly three records of exactly three fields, each a whole
// decimal number; record b's frequency one of band b's table, level and
// width inside `limits`. On any failure `out` is left as it was.
bool readPefFile(const std::string& path, const EqLimits& limits, EqValues* out);

// The default file name for the local time `t`: YYYYMMDDhhmmss.pef.
std::string defaultPefName(const std::tm& t);

}  // namespace hrx::eq
