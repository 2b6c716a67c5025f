#include "platform/RingBuffer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace hrx {
namespace {

// The record read, or "#<n>" for a read that returned n <= 0.
std::string take(Sio_RingBuff& ring) {
  unsigned char buf[512] = {};
  const std::int16_t n = ring.Sio_RingBuff_Read(buf);
  return n > 0 ? std::string(reinterpret_cast<char*>(buf), static_cast<std::size_t>(n)) : "#" + std::to_string(n);
}
bool put(Sio_RingBuff& ring, const std::string& rec) {
  return ring.Sio_RingBuff_Write(static_cast<std::int16_t>(rec.size()), rec.data()) == static_cast<std::int16_t>(rec.size());
}

// Indices start at -1; a record of 1..511 bytes is taken, anything else is
// refused and changes nothing; reads answer 0 when empty, -2 without a
// destination.
TEST(RingBuffer, RefusalsAndReset) {
  auto ring = std::make_unique<Sio_RingBuff>();
  EXPECT_EQ(take(*ring), "#0");
  EXPECT_EQ(ring->Sio_RingBuff_Read(nullptr), -2);
  const std::vector<char> big(600, 'X');
  const std::pair<std::int16_t, const void*> refused[] = {{512, big.data()}, {-1, big.data()}, {4, nullptr}};
  for (const auto& [len, src] : refused) EXPECT_EQ(ring->Sio_RingBuff_Write(len, src), 0) << len;
  EXPECT_EQ(ring->writeIndex(), -1);
  ASSERT_TRUE(put(*ring, std::string(511, 'X')));
  EXPECT_EQ(ring->writeIndex(), 0);
  EXPECT_EQ(take(*ring), std::string(511, 'X'));
  put(*ring, "AI1;");
  ring->reset();
  EXPECT_EQ(ring->readIndex(), -1);
  EXPECT_EQ(take(*ring), "#0");
}

// 2048 slots: both indices wrap from 2047 to 0 in order, also with the
// reader lagging; a full ring refuses rather than overwrite.
TEST(RingBuffer, WrapsKeepOrderAndAFullRingRefuses) {
  auto ring = std::make_unique<Sio_RingBuff>();
  for (int i = 0; i < 2048; ++i) {
    ASSERT_TRUE(put(*ring, "R" + std::to_string(i)));
    ASSERT_EQ(take(*ring), "R" + std::to_string(i));
  }
  EXPECT_EQ(ring->writeIndex(), 2047);
  EXPECT_EQ(ring->readIndex(), 0) << "the reader wraps after slot 2047";
  put(*ring, "AFTER");
  EXPECT_EQ(ring->writeIndex(), 0) << "the writer wraps after slot 2047";
  EXPECT_EQ(take(*ring), "AFTER");

  ring->reset();
  for (int i = 0; i < 1500; ++i) put(*ring, "x");
  for (int i = 0; i < 1000; ++i) take(*ring);
  for (int i = 0; i < 1548; ++i) ASSERT_TRUE(put(*ring, std::to_string(i))) << i;  // the writer passes 2047
  EXPECT_FALSE(put(*ring, "lost")) << "full";
  for (int i = 0; i < 500; ++i) ASSERT_EQ(take(*ring), "x");
  EXPECT_TRUE(put(*ring, "next")) << "one read makes room for one record";
  for (int i = 0; i < 1548; ++i) ASSERT_EQ(take(*ring), std::to_string(i));
  EXPECT_EQ(take(*ring), "next");
}

TEST(RingBuffer, ConcurrentWritersLoseAndTearNothing) {
  auto ring = std::make_unique<Sio_RingBuff>();
  constexpr int kWriters = 3, kPerWriter = 3000;
  std::vector<std::thread> writers;
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back([&, w] {
      char rec[64];
      for (int i = 0; i < kPerWriter;) {
        // Each record repeats its tag so a torn copy shows.
        const int len = std::snprintf(rec, sizeof rec, "W%d-%05d-W%d-%05d;", w, i, w, i);
        if (ring->Sio_RingBuff_Write(static_cast<std::int16_t>(len), rec) == len) ++i;
        else std::this_thread::yield();  // full: the reader is behind
      }
    });
  }
  std::vector<int> next(kWriters, 0);
  int got = 0, bad = 0;
  while (got < kWriters * kPerWriter) {
    const std::string r = take(*ring);
    if (r[0] == '#') {
      std::this_thread::yield();
      continue;
    }
    ++got;
    int w1, i1, w2, i2;
    if (std::sscanf(r.c_str(), "W%d-%d-W%d-%d;", &w1, &i1, &w2, &i2) != 4 || w1 != w2 || i1 != i2 || w1 < 0 ||
        w1 >= kWriters || i1 != next[w1]++)
      ++bad;  // each writer's records come out whole and in its own order
  }
  for (auto& t : writers) t.join();
  EXPECT_EQ(bad, 0);
}

}  // namespace
}  // namespace hrx
