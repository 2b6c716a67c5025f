// Arbitrary bytes from the far side of a telnet COM-port connection, in
// pieces whose sizes the input chooses: the decoder must never write more
// data than it was given, never owe more replies than its buffer holds,
// keep only the line-state bits RFC 2217 defines, and pass data escaped
// with doubled 0xFF back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/Rfc2217.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte sets the piece size, the rest is the stream.
  const std::size_t piece = 1 + data[0] % 64;
  hrx::Rfc2217 p;
  std::vector<std::uint8_t> out(size);
  for (std::size_t i = 1; i < size; i += piece) {
    const std::size_t n = std::min(piece, size - i);
    const std::size_t got = p.feed(data + i, n, out.data());
    if (got > n) std::abort();
    if (p.pendingReplies() > hrx::Rfc2217::kReplyCapacity || p.pendingReplies() % 3 != 0) std::abort();
    std::uint8_t replies[hrx::Rfc2217::kReplyCapacity];
    if (data[i] & 1) {
      const std::size_t r = p.takeReplies(replies, sizeof replies);
      for (std::size_t k = 0; k < r; k += 3)
        if (replies[k] != hrx::Rfc2217::kIac) std::abort();
      if (p.pendingReplies() != 0) std::abort();
    }
    if ((p.takeLineState() & ~0x1E) != 0) std::abort();
  }

  // Escaped data fed to a fresh decoder comes out as it went in.
  std::vector<std::uint8_t> escaped(2 * (size - 1));
  const std::size_t m = hrx::Rfc2217::escape(data + 1, size - 1, escaped.data());
  hrx::Rfc2217 q;
  std::vector<std::uint8_t> back(m);
  std::size_t total = 0;
  for (std::size_t i = 0; i < m; i += piece) total += q.feed(escaped.data() + i, std::min(piece, m - i), back.data() + total);
  if (total != size - 1) std::abort();
  if (total > 0 && std::memcmp(back.data(), data + 1, total) != 0) std::abort();
  // Doubled 0xFF is data: nothing is owed for it.
  if (q.pendingReplies() != 0) std::abort();
  return 0;
}
