// Arbitrary bytes as an equaliser settings file: the reader never crashes or
// hangs, accepts only three in-range records, changes nothing when it
// refuses, and what it accepts is written back as the same three records.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "equaliser/PefFile.h"

namespace {

void require(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

const std::string& dir() {
  static const std::string d = [] {
    char tpl[] = "/tmp/hrx900-fuzz-pef-XXXXXX";
    const char* made = ::mkdtemp(tpl);
    require(made != nullptr, "temporary folder");
    return std::string(made);
  }();
  return d;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = dir() + "/in.pef";
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  // The first byte picks the level range: the window's own or the radio's.
  hrx::eq::EqLimits limits = hrx::eq::windowLimits();
  if (size > 0 && (data[0] & 1) != 0)
    for (int b = 0; b < hrx::eq::kBands; ++b) limits = hrx::eq::withLevelRange(limits, b, -10, 10);

  const hrx::eq::EqValues sentinel = {-99, -99, -99, -99, -99, -99, -99, -99, -99};
  hrx::eq::EqValues v = sentinel;
  if (!hrx::eq::readPefFile(path, limits, &v)) {
    require(v == sentinel, "a refused file changed the values");
    return 0;
  }
  for (int p = 0; p < hrx::eq::kParams; ++p) require(limits[p].contains(v[static_cast<std::size_t>(p)]), "in range");
  const std::string out = dir() + "/out.pef";
  require(hrx::eq::writePefFile(out, v), "an accepted file can be saved");
  hrx::eq::EqValues again = sentinel;
  require(hrx::eq::readPefFile(out, limits, &again) && again == v, "saved values read back");
  return 0;
}
