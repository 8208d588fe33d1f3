#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "asf/catalogue.hpp"
#include "asf/locators.hpp"
#include "asf/object_search.hpp"
#include "support/asf_builder.hpp"
#include "support/clips.hpp"
#include "support/open.hpp"

using namespace corvel;
using namespace corvel::test;

TEST(Locators, FindFieldsOfAWellFormedFile) {
  const Bytes file = MinimalFile();
  const MemorySource src(file);
  const auto plain = IndependentObjects(file);
  EXPECT_EQ(ReadHeaderSize(src), static_cast<std::int64_t>(plain[0].size));
  EXPECT_EQ(FindDataObject(src), static_cast<std::int64_t>(plain[4].offset));
  EXPECT_EQ(FindFileProperties(src), 30);
  EXPECT_EQ(ReadPacketSize(src), 256u);
  EXPECT_EQ(ReadPlayDuration(src), 20000000);
  EXPECT_EQ(ReadPreroll(src), 3000);
}

TEST(Locators, NotFoundValues) {
  const MemorySource junk(Bytes(200, 7));
  EXPECT_EQ(ReadHeaderSize(junk), -1);
  EXPECT_EQ(FindDataObject(junk), -1);
  EXPECT_EQ(FindFileProperties(junk), -1);
  EXPECT_EQ(ReadPacketSize(junk), 0u);
  EXPECT_EQ(ReadPlayDuration(junk), -1);
  EXPECT_EQ(ReadPreroll(junk), -1);
  const MemorySource tiny(Bytes{0x30});
  EXPECT_EQ(ReadHeaderSize(tiny), -1);

  // No File Properties before the Data Object; no audio stream.
  const MemorySource noFpo(AsfFile({StreamPropertiesObject(1, guid::VideoMedia, VideoTypeSpecific(8, 8, "WMV2", 40))},
                                   {DataObject(0, 256), Object(guid::FileProperties, Bytes(80, 0))}));
  EXPECT_EQ(FindFileProperties(noFpo), -1);
  EXPECT_EQ(ReadPacketSize(noFpo), 0u);
}

TEST(Locators, ZeroSizeObjectEndsTheWalk) {
  Bytes file = MinimalFile();
  Patch64(file, 30 + 16, 0);  // File Properties size 0
  const MemorySource src(file);
  EXPECT_EQ(ReadHeaderSize(src), static_cast<std::int64_t>(IndependentObjects(MinimalFile())[0].size));
  EXPECT_EQ(FindFileProperties(src), 30);
}

// The GUID search skips ahead by the window's last two bytes: it must still
// find the first GUID wherever it lies (at the start, the end, overlapping
// a false start, next to another), as a byte-by-byte comparison does.
TEST(GuidSearch, FindsTheFirstGuidAsAByteByByteSearch) {
  const GuidSet& set = CatalogueGuids();
  std::vector<std::array<std::uint8_t, 16>> guids;
  for (const auto& e : GUIDTable) {
    guids.push_back(e.guid.bytes());
  }
  auto naive = [&](ByteView w) {
    for (std::size_t i = 0; i + 16 <= w.size(); ++i)
      if (set.match(w.data() + i)) return i;
    return w.size();
  };
  std::mt19937 rng(3);
  for (int round = 0; round < 2000; ++round) {
    Bytes w(16 + rng() % 300);
    for (auto& b : w) b = static_cast<std::uint8_t>(rng() % 4 == 0 ? 0 : rng());
    // Pieces of GUIDs (false starts) and whole ones at random places.
    for (int k = 0, n = static_cast<int>(rng() % 4); k < n; ++k) {
      const auto& g = guids[rng() % guids.size()];
      const std::size_t len = rng() % 2 ? 16 : 1 + rng() % 15;
      if (len > w.size()) continue;
      const std::size_t at = rng() % (w.size() - len + 1);
      std::memcpy(w.data() + at, g.data() + (len == 16 ? 0 : 16 - len), len);
    }
    ASSERT_EQ(set.find(w), naive(w)) << "round " << round;
  }
  Bytes exact(guids[3].begin(), guids[3].end());
  EXPECT_EQ(set.find(exact), 0u);
  EXPECT_EQ(set.find(ByteView(exact).first(15)), 15u);
}
