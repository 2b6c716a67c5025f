// Arbitrary bytes as the keyboard command file, parsed from memory and read
// from disk: at most 46 lines of at most 255 characters, the two readings
// agree (also for the bytes repeated past the reading's byte cap), and
// every line sends only complete commands (one ';', at its end) and ends in
// as many steps as it has characters.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/KeyCommands.h"

namespace {

void require(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

const std::string& filePath() {
  static const std::string path = [] {
    char tpl[] = "/tmp/hrx900-fuzz-keyfile-XXXXXX";
    const int fd = ::mkstemp(tpl);
    require(fd >= 0, "temporary file");
    ::close(fd);
    return std::string(tpl);
  }();
  return path;
}

void checkLine(const std::string& line) {
  require(line.size() <= hrx::kKeyLineMax, "line longer than 255");
  require(line.find_first_of("\r\n") == std::string::npos, "line end inside a line");
  hrx::KeyLineSender s;
  require(s.start(line), "start");
  std::size_t steps = 0;
  for (std::string_view cmd = s.next(); !cmd.empty(); cmd = s.next()) {
    require(++steps <= line.size(), "line does not end");
    require(cmd.size() >= 2 && cmd.back() == ';', "incomplete command");
    require(cmd.find(';') == cmd.size() - 1, "two commands in one");
    require(hrx::keyCommandGapMs(cmd.size()) == 2 * cmd.size(), "gap");
  }
  require(!s.busy(), "still sending after the end");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const hrx::KeyLines parsed = hrx::parseKeyFile(text);
  for (const std::string& line : parsed) checkLine(line);

  auto fileReadsAs = [](std::string_view bytes, const hrx::KeyLines& want) {
    std::FILE* f = std::fopen(filePath().c_str(), "wb");
    require(f != nullptr, "open for writing");
    require(std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size(), "write");
    std::fclose(f);
    hrx::KeyLines read;
    require(hrx::readKeyFile(filePath(), read), "read");
    require(read == want, "file and memory readings differ");
  };
  fileReadsAs(text, parsed);
  if (size == 0) return 0;
  std::string longer;
  while (longer.size() <= hrx::kKeyFileMaxBytes) longer.append(text);
  const hrx::KeyLines capped = hrx::parseKeyFile(longer);
  for (const std::string& line : capped) checkLine(line);
  fileReadsAs(longer, capped);
  return 0;
}
