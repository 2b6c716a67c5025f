// Arbitrary bytes as the port settings file: the table reader never reads or
// writes outside its grid, every cell is terminated inside its width, and the
// settings taken from it are always a listed port and a listed speed.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>

#include "serial/ComPort.h"
#include "serial/CommSetting.h"
#include "serial/CsvTable.h"

namespace {

void require(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

const std::string& baseDir() {
  static const std::string dir = [] {
    char tpl[] = "/tmp/hrx900-fuzz-settings-XXXXXX";
    const char* d = ::mkdtemp(tpl);
    require(d != nullptr, "temporary folder");
    ::mkdir((std::string(d) + "/" + hrx::kCommoFilesDir).c_str(), 0700);
    return std::string(d);
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = hrx::commSettingPath(baseDir());
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }

  hrx::CsvTable table;
  if (table.load(path)) {
    for (int r = 0; r < table.rows(); ++r) {
      require(table.cellsInRow(r) <= table.columns(), "cells in a row");
      for (int c = 0; c < table.columns(); ++c) {
        const char* cell = table.cell(r, c);
        require(cell != nullptr, "cell inside the grid");
        require(strnlen(cell, static_cast<std::size_t>(table.cellWidth())) <
                    static_cast<std::size_t>(table.cellWidth()),
                "cell terminated");
      }
    }
    require(table.cell(table.rows(), 0) == nullptr && table.cell(0, table.columns()) == nullptr, "outside");
  }

  hrx::ComPort port;
  port.Init();
  int field3 = 0;
  hrx::ReadCommSetting(port, field3, baseDir());
  require(port.GetPortNumber() >= 1 && port.GetPortNumber() <= hrx::kComPortCount, "port number");
  bool listed = false;
  for (std::uint32_t b : hrx::kBaudRates) listed = listed || port.GetBaudRate() == static_cast<int>(b);
  require(listed, "baud rate");
  return 0;
}
