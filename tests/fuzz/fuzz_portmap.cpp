// Arbitrary bytes as the port map (ComPortMap.txt): the reader keeps only
// ports 1..20, each with a path that is one trimmed line of at most the
// line limit, and reads the same text through a file as it does in memory
// (a file past the file limit refused, the map left as it was); a network
// name among the paths splits into a host and a port in range or is refused.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/NetSerial.h"
#include "serial/ComPort.h"

namespace {

void require(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

const std::string& mapPath() {
  static const std::string path = [] {
    char tpl[] = "/tmp/hrx900-fuzz-portmap-XXXXXX";
    const int fd = ::mkstemp(tpl);
    require(fd >= 0, "temporary file");
    ::close(fd);
    return std::string(tpl);
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const hrx::PortMap map = hrx::parsePortMap(text);
  require(map[0].empty(), "no port 0");
  for (const std::string& path : map) {
    if (path.empty()) continue;
    require(path.size() <= hrx::kMaxPortMapLine, "path longer than a line");
    require(path.find('\n') == std::string::npos, "a path across lines");
    require(path.front() != ' ' && path.front() != '\t' && path.back() != ' ' && path.back() != '\t' &&
                path.back() != '\r',
            "path not trimmed");
    // A network name (tcp://, rfc2217://, tls://) splits into a host and a
    // port in range, or is refused.
    hrx::NetEndpoint ep;
    if (hrx::NetSerial::parse(path, ep)) {
      require(hrx::NetSerial::isNetworkPath(path.c_str()), "parsed but no network name");
      require(!ep.host.empty() && !(ep.telnet && ep.tls), "a host, one scheme");
      require(!ep.port.empty() && ep.port.size() <= 5 && ep.port.find_first_not_of("0123456789") == std::string::npos,
              "port digits");
      const long port = std::strtol(ep.port.c_str(), nullptr, 10);
      require(port >= 1 && port <= 65535, "port in range");
    }
  }

  if (std::FILE* f = std::fopen(mapPath().c_str(), "wb")) {
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  hrx::ComPort port;
  port.SetDevicePath("");
  port.clearPortMap();
  const bool loaded = port.LoadPortMap(mapPath());
  require(loaded == (size <= hrx::kMaxPortMapBytes), "file limit");
  for (int n = 1; n <= hrx::kComPortCount; ++n) {
    const std::string expected =
        loaded && !map[static_cast<std::size_t>(n)].empty() ? map[static_cast<std::size_t>(n)] : "/dev/ttyUSB" + std::to_string(n - 1);
    require(port.devicePath(n) == expected, "file and memory agree");
  }
  return 0;
}
