#include "platform/RingBuffer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace hrx {
namespace {

std::string readRecord(Sio_RingBuff& ring, std::int16_t* len = nullptr) {
  unsigned char buf[Sio_RingBuff::kSlotBytes];
  std::memset(buf, 0, sizeof buf);
  const std::int16_t n = ring.Sio_RingBuff_Read(buf);
  if (len) *len = n;
  return n > 0 ? std::string(reinterpret_cast<char*>(buf), static_cast<std::size_t>(n)) : std::string();
}

TEST(RingBuffer, FreshRingThenOneRecord) {
  auto ring = std::make_unique<Sio_RingBuff>();
  EXPECT_EQ(ring->writeIndex(), -1);
  EXPECT_EQ(ring->readIndex(), -1);
  EXPECT_EQ(ring->Sio_RingBuff_Write(10, "FA14250000"), 10);
  EXPECT_EQ(ring->writeIndex(), 0);
  EXPECT_EQ(ring->readIndex(), 0);
  std::int16_t n = 0;
  EXPECT_EQ(readRecord(*ring, &n), "FA14250000");
  EXPECT_EQ(n, 10);
  EXPECT_EQ(ring->readIndex(), 1);
}

TEST(RingBuffer, RefusalsLeaveTheRingUnchanged) {
  auto ring = std::make_unique<Sio_RingBuff>();
  std::vector<char> big(600, 'X');
  struct Case {
    const char* label;
    std::int16_t len;
    const void* src;
  };
  const Case cases[] = {
      {"512 bytes", 512, big.data()},
      {"600 bytes", 600, big.data()},
      {"negative length", -1, big.data()},
      {"no source", 4, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(ring->Sio_RingBuff_Write(c.len, c.src), 0);
    EXPECT_EQ(ring->writeIndex(), -1);
    EXPECT_EQ(ring->unread(), 0);
  }
  EXPECT_EQ(ring->Sio_RingBuff_Write(511, big.data()), 511) << "511 bytes is the largest record";
  EXPECT_EQ(readRecord(*ring), std::string(511, 'X'));
}

TEST(RingBuffer, ReadWithoutDestinationOrRecord) {
  auto ring = std::make_unique<Sio_RingBuff>();
  EXPECT_EQ(ring->Sio_RingBuff_Read(nullptr), -2);
  std::int16_t n = 99;
  readRecord(*ring, &n);
  EXPECT_EQ(n, 0) << "an empty ring answers at once";
}

TEST(RingBuffer, BothIndicesWrapFrom2047To0AndKeepOrder) {
  auto ring = std::make_unique<Sio_RingBuff>();
  char rec[16];
  // Walk the indices to the end, reading as we go, so the ring never fills.
  for (int i = 0; i < Sio_RingBuff::kSlots; ++i) {
    const int len = std::snprintf(rec, sizeof rec, "R%d", i);
    ASSERT_EQ(ring->Sio_RingBuff_Write(static_cast<std::int16_t>(len), rec), len);
    ASSERT_EQ(readRecord(*ring), rec);
  }
  EXPECT_EQ(ring->writeIndex(), 2047);
  EXPECT_EQ(ring->readIndex(), 0) << "reader wraps after slot 2047";
  ring->Sio_RingBuff_Write(5, "AFTER");
  EXPECT_EQ(ring->writeIndex(), 0) << "writer wraps after slot 2047";
  // A reader behind the writer across the wrap never waits for a record
  // that is already there.
  ring->Sio_RingBuff_Write(6, "AFTER2");
  EXPECT_EQ(readRecord(*ring), "AFTER");
  EXPECT_EQ(readRecord(*ring), "AFTER2");
}

TEST(RingBuffer, WriterWrapsWhileReaderLagsMidRing) {
  auto ring = std::make_unique<Sio_RingBuff>();
  for (int i = 0; i < 1500; ++i) ring->Sio_RingBuff_Write(1, "x");
  for (int i = 0; i < 1000; ++i) readRecord(*ring);
  // 500 unread; write 1000 more so the writer wraps past 2047 while the
  // reader sits at 1000.
  char rec[8];
  for (int i = 0; i < 1000; ++i) {
    const int len = std::snprintf(rec, sizeof rec, "%d", i);
    ASSERT_EQ(ring->Sio_RingBuff_Write(static_cast<std::int16_t>(len), rec), len);
  }
  for (int i = 0; i < 500; ++i) ASSERT_EQ(readRecord(*ring), "x");
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(readRecord(*ring), std::to_string(i));
  EXPECT_EQ(ring->unread(), 0);
}

TEST(RingBuffer, FullRingRefusesRatherThanOverwrite) {
  auto ring = std::make_unique<Sio_RingBuff>();
  for (int i = 0; i < Sio_RingBuff::kSlots; ++i) ASSERT_EQ(ring->Sio_RingBuff_Write(2, "ok"), 2);
  EXPECT_EQ(ring->Sio_RingBuff_Write(4, "lost"), 0);
  EXPECT_EQ(readRecord(*ring), "ok") << "the oldest record is still there";
  EXPECT_EQ(ring->Sio_RingBuff_Write(4, "next"), 4) << "one read makes room for one record";
}

TEST(RingBuffer, ResetEmptiesEverything) {
  auto ring = std::make_unique<Sio_RingBuff>();
  ring->Sio_RingBuff_Write(4, "AI1;");
  ring->reset();
  EXPECT_EQ(ring->writeIndex(), -1);
  EXPECT_EQ(ring->readIndex(), -1);
  std::int16_t n = 1;
  readRecord(*ring, &n);
  EXPECT_EQ(n, 0);
}

TEST(RingBuffer, ConcurrentWritersLoseAndTearNothing) {
  auto ring = std::make_unique<Sio_RingBuff>();
  constexpr int kWriters = 3;
  constexpr int kPerWriter = 3000;
  std::atomic<int> started{0};
  std::vector<std::thread> writers;
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back([&, w] {
      started++;
      char rec[64];
      for (int i = 0; i < kPerWriter;) {
        // Each record repeats its tag so a torn copy shows.
        const int len = std::snprintf(rec, sizeof rec, "W%d-%05d-W%d-%05d;", w, i, w, i);
        if (ring->Sio_RingBuff_Write(static_cast<std::int16_t>(len), rec) == len) ++i;
        else std::this_thread::yield();  // ring full: the reader is behind
      }
    });
  }
  std::vector<int> next(kWriters, 0);
  int got = 0, bad = 0;
  while (got < kWriters * kPerWriter) {
    std::int16_t n = 0;
    const std::string r = readRecord(*ring, &n);
    if (n == 0) {
      std::this_thread::yield();
      continue;
    }
    ++got;
    int w1, i1, w2, i2;
    if (std::sscanf(r.c_str(), "W%d-%d-W%d-%d;", &w1, &i1, &w2, &i2) != 4 || w1 != w2 || i1 != i2 || w1 < 0 ||
        w1 >= kWriters || i1 != next[w1]) {
      ++bad;
      continue;
    }
    ++next[w1];  // each writer's records come out in its own order
  }
  for (auto& t : writers) t.join();
  EXPECT_EQ(bad, 0);
  for (int w = 0; w < kWriters; ++w) EXPECT_EQ(next[w], kPerWriter);
}

}  // namespace
}  // namespace hrx
