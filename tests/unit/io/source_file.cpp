#include <gtest/gtest.h>

#include <random>

#include "io/output_file.hpp"
#include "io/source_file.hpp"

using namespace corvel;

namespace {

Bytes Pattern(std::size_t n) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  return b;
}

SourceFile Open(const Bytes& b) {
  SourceFile f;
  f.openSource(std::make_unique<MemorySource>(b));
  return f;
}

}  // namespace

TEST(Cuts, MappingAndSpan) {
  CutList c;
  c.add(100, 10);
  c.add(200, 20);
  EXPECT_EQ(c.toPhysical(99), 99u);
  EXPECT_EQ(c.toPhysical(100), 110u);
  EXPECT_EQ(c.toPhysical(189), 199u);
  EXPECT_EQ(c.toPhysical(190), 220u);
  EXPECT_EQ(c.span(50, 100), 110u);
  EXPECT_EQ(c.span(50, 200), 230u);
  EXPECT_EQ(c.span(100, 5), 5u);  // a cut at the start itself is not counted
}

TEST(Cuts, MergeRules) {
  CutList c;
  c.add(100, 10);
  c.add(105, 10);
  EXPECT_EQ(c.ranges(), (std::vector<CutRange>{{100, 15}}));
  CutList d;
  d.add(90, 5);
  d.add(95, 5);
  EXPECT_EQ(d.ranges(), (std::vector<CutRange>{{90, 10}}));
  d.add(92, 3);  // covered
  d.add(200, 5);
  d.add(50, 10);
  EXPECT_EQ(d.ranges(), (std::vector<CutRange>{{50, 10}, {90, 10}, {200, 5}}));
  d.add(40, 200);  // swallows everything
  EXPECT_EQ(d.ranges(), (std::vector<CutRange>{{40, 200}}));
  d.add(5, 0);
  EXPECT_EQ(d.ranges().size(), 1u);
}

// Where the unreadable bytes of a window end, against a byte-by-byte map.
TEST(Unreadable, EndOfAWindowAgainstABitmap) {
  std::mt19937 rng(11);
  for (int round = 0; round < 300; ++round) {
    std::vector<UnreadableRange> ranges;
    std::vector<bool> bad(200, false);
    for (int k = 0; k < 3; ++k) {
      const std::uint64_t off = rng() % 180, len = 1 + rng() % 8;
      ranges.push_back({off, len, "test"});
      for (std::uint64_t i = off; i < off + len; ++i) bad[i] = true;
    }
    const std::uint64_t from = rng() % 190, len = 1 + rng() % 10;
    std::uint64_t end = 0;
    for (std::uint64_t i = from; i < from + len; ++i)
      if (bad[i]) end = i + 1;
    ASSERT_EQ(UnreadableEnd(ranges, from, len), end) << "window " << from << "+" << len;
  }
}

TEST(Cuts, RandomAgainstBitmap) {
  std::mt19937 rng(42);
  for (int round = 0; round < 200; ++round) {
    CutList c;
    std::vector<bool> cut(400, false);
    for (int k = 0; k < 6; ++k) {
      const std::uint64_t off = rng() % 300, len = rng() % 40;
      c.add(off, len);
      for (std::uint64_t i = off; i < off + len; ++i) cut[i] = true;
    }
    const auto& r = c.ranges();
    for (std::size_t i = 1; i < r.size(); ++i) ASSERT_LT(r[i - 1].end(), r[i].offset);  // sorted, not touching
    std::vector<bool> fromList(400, false);
    for (const auto& x : r)
      for (std::uint64_t i = x.offset; i < x.end(); ++i) fromList[i] = true;
    ASSERT_EQ(fromList, cut);
    std::uint64_t logical = 0;
    for (std::uint64_t p = 0; p < 400; ++p)
      if (!cut[p]) {
        ASSERT_EQ(c.toPhysical(logical++), p);
      }
  }
}

TEST(Cache, ReadAtThroughCuts) {
  const Bytes data = Pattern(1000);
  SourceFile f = Open(data);
  f.cuts.add(100, 10);
  f.cuts.add(200, 20);
  Bytes out;
  ASSERT_TRUE(f.readAt(95, 10, out));
  Bytes want(data.begin() + 95, data.begin() + 100);
  want.insert(want.end(), data.begin() + 110, data.begin() + 115);
  EXPECT_EQ(out, want);
  EXPECT_EQ(f.logicalSize(), 970u);
  // The whole logical file equals the physical file without the cuts.
  ASSERT_TRUE(f.readAt(0, 970, out));
  Bytes logical;
  for (std::size_t i = 0; i < data.size(); ++i)
    if (!(i >= 100 && i < 110) && !(i >= 200 && i < 220)) logical.push_back(data[i]);
  EXPECT_EQ(out, logical);
  // The jobs' byte source over the same cuts holds the same bytes, no more.
  const CutSource cut(std::make_unique<MemorySource>(data), f.cuts);
  ASSERT_EQ(cut.size(), logical.size());
  Bytes all(logical.size() + 10);
  ASSERT_EQ(cut.readAt(0, all), static_cast<std::int64_t>(logical.size()));
  all.resize(logical.size());
  EXPECT_EQ(all, logical);
}

TEST(Cache, HitRefillAndLimits) {
  const Bytes data = Pattern(5'000'000);
  SourceFile f = Open(data);
  Bytes out;
  EXPECT_FALSE(f.readAt(0, SourceFile::CacheSize + 1, out));
  EXPECT_TRUE(out.empty());
  ASSERT_TRUE(f.readAt(10, 100, out));
  EXPECT_EQ(f.refills, 1u);
  ASSERT_TRUE(f.readAt(1000, 5000, out));  // inside the cached window
  EXPECT_EQ(f.refills, 1u);
  EXPECT_EQ(out[0], data[1000]);
  ASSERT_TRUE(f.readAt(5, 10, out));  // before the window: refill at 5
  EXPECT_EQ(f.refills, 2u);
  EXPECT_EQ(f.cacheStart, 5u);
  ASSERT_TRUE(f.readAt(SourceFile::CacheSize, 100, out));  // straddles the end
  EXPECT_EQ(f.refills, 3u);
  EXPECT_EQ(out[99], data[SourceFile::CacheSize + 99]);
}

TEST(Cache, PastEndReadsZeroAndLargeReads) {
  const Bytes data = Pattern(3'000'000);
  SourceFile f = Open(data);
  Bytes out;
  ASSERT_TRUE(f.readAt(2'999'990, 30, out));
  EXPECT_EQ(out.size(), 30u);
  EXPECT_EQ(out[9], data[2'999'999]);
  for (int i = 10; i < 30; ++i) EXPECT_EQ(out[i], 0);
  ASSERT_TRUE(f.readAt(10'000'000, 4, out));
  EXPECT_EQ(out, Bytes(4, 0));
  f.cuts.add(1'000'000, 500);
  f.invalidateCache();
  ASSERT_TRUE(f.readLarge(0, 2'500'000, out));
  ASSERT_EQ(out.size(), 2'500'000u);
  EXPECT_EQ(out[999'999], data[999'999]);
  EXPECT_EQ(out[1'000'000], data[1'000'500]);
  EXPECT_EQ(out[2'499'999], data[2'500'499]);
}

TEST(Cache, ClosedOrMissingFile) {
  SourceFile f;
  Bytes out{1, 2};
  EXPECT_FALSE(f.readAt(0, 1, out));
  EXPECT_EQ(out, (Bytes{1, 2}));
  f.openSource(std::make_unique<MemorySource>(Bytes(77, 0)));
  EXPECT_FALSE(f.openPath("/nonexistent/corvel/file.wmv"));
  EXPECT_EQ(f.physicalSize(), 77);
  EXPECT_FALSE(f.lastError.empty());
  EXPECT_FALSE(f.openPath("/tmp"));  // a folder is not a file
}

// Found by fuzz_data: the frames export wrote a media object of no bytes,
// an empty view whose data pointer is null, and the buffered write passed it
// to memcpy (undefined even for no bytes; UBSan stops there). Empty writes
// and reservations are no-ops.
TEST(Output, EmptyWritesAreNoOps) {
  const std::string path = ::testing::TempDir() + "/corvel-empty-write.bin";
  Message why;
  const std::string source = ::testing::TempDir() + "/no-such-source";
  auto out = CreateOutput(path, std::span(&source, 1), why);
  ASSERT_TRUE(out);
  EXPECT_TRUE(out->write(ByteView{}));
  EXPECT_TRUE(out->write(Bytes{}));
  const Bytes some{1, 2, 3};
  EXPECT_TRUE(out->write(some));
  EXPECT_TRUE(out->write(ByteView{}));
  EXPECT_EQ(out->size(), 3u);
  EXPECT_TRUE(out->close());
  std::remove(path.c_str());
}
