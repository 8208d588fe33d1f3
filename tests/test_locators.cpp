#include <gtest/gtest.h>

#include "asf/catalogue.hpp"
#include "join/locators.hpp"
#include "support/asf_builder.hpp"
#include "support/clips.hpp"
#include "support/open.hpp"

using namespace corvel;
using namespace corvel::test;

TEST(Locators, FindFieldsOfAWellFormedFile) {
  const Bytes file = MinimalFile();
  const MemorySource src(file);
  const auto plain = IndependentObjects(file);
  EXPECT_EQ(getHeaderObjectSize(src), static_cast<std::int64_t>(plain[0].size));
  EXPECT_EQ(findDAOoffset(src), static_cast<std::int64_t>(plain[4].offset));
  EXPECT_EQ(findFPOoffset(src), 30);
  EXPECT_EQ(findSPOoffset(src, guid::AudioMedia), static_cast<std::int64_t>(plain[3].offset));
  EXPECT_EQ(getStreamNumber(src, guid::VideoMedia), 1);
  EXPECT_EQ(getStreamNumber(src, guid::AudioMedia), 2);
  EXPECT_EQ(getDataPacketSize(src), 256u);
  EXPECT_EQ(getPlayDuration(src), 20000000);
  EXPECT_EQ(getPreroll(src), 3000);
}

TEST(Locators, NotFoundValues) {
  const MemorySource junk(Bytes(200, 7));
  EXPECT_EQ(getHeaderObjectSize(junk), -1);
  EXPECT_EQ(findDAOoffset(junk), -1);
  EXPECT_EQ(findFPOoffset(junk), -1);
  EXPECT_EQ(getStreamNumber(junk, guid::VideoMedia), 0);
  EXPECT_EQ(getDataPacketSize(junk), 0u);
  EXPECT_EQ(getPlayDuration(junk), -1);
  EXPECT_EQ(getPreroll(junk), -1);
  const MemorySource tiny(Bytes{0x30});
  EXPECT_EQ(getHeaderObjectSize(tiny), -1);

  // No File Properties before the Data Object; no audio stream.
  const MemorySource noFpo(AsfFile({StreamProperties(1, guid::VideoMedia, VideoTypeSpecific(8, 8, "WMV2", 40))},
                                   {DataObject(0, 256), Object(guid::FileProperties, Bytes(80, 0))}));
  EXPECT_EQ(findFPOoffset(noFpo), -1);
  EXPECT_EQ(getDataPacketSize(noFpo), 0u);
  EXPECT_EQ(getStreamNumber(noFpo, guid::AudioMedia), 0);
}

TEST(Locators, FirstOfTwoVideoStreamsAndReservedBit) {
  const MemorySource src(AsfFile({StreamProperties(0x80 | 5, guid::VideoMedia, VideoTypeSpecific(8, 8, "WMV2", 40)),
                                  StreamProperties(3, guid::VideoMedia, VideoTypeSpecific(8, 8, "WMV2", 40))},
                                 {DataObject(0, 256)}));
  EXPECT_EQ(getStreamNumber(src, guid::VideoMedia), 5);
}

TEST(Locators, ZeroSizeObjectEndsTheWalk) {
  Bytes file = MinimalFile();
  Patch64(file, 30 + 16, 0);  // File Properties size 0
  const MemorySource src(file);
  EXPECT_EQ(findSPOoffset(src, guid::AudioMedia), -1);
  EXPECT_EQ(findFPOoffset(src), 30);
}

TEST(Locators, StreamNumberFromRecords) {
  Session s;
  ASSERT_EQ(OpenBytes(s, MinimalFile()), 0);
  EXPECT_EQ(getStreamNumberFromStruct(s.rec, guid::VideoMedia), 1);
  EXPECT_EQ(getStreamNumberFromStruct(s.rec, guid::AudioMedia), 2);
  EXPECT_EQ(getStreamNumberFromStruct(s.rec, "00000000-0000-0000-0000-000000000000"), 0);
}
