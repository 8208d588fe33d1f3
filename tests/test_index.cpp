#include <gtest/gtest.h>

#include "analysis/simple_index.hpp"

using namespace corvel;

namespace {
TAsfDataPacket Single(int stream, std::uint32_t mo, std::uint32_t pt, bool key) {
  TAsfDataPacket p;
  p.kind = PacketKind::single;
  p.singleStream = static_cast<std::uint8_t>(stream);
  p.singleMediaObjectNumber = mo;
  p.singlePresentationTime = pt;
  p.singleKeyFrame = key;
  return p;
}
}  // namespace

TEST(SimpleIndex, OneEntryPerSecondAtKeyFrames) {
  // A frame every 40 ms, a key frame every 25 frames, one packet each.
  std::vector<TAsfDataPacket> packets;
  for (std::uint32_t f = 0; f <= 124; ++f) packets.push_back(Single(1, f, f * 40, f % 25 == 0));
  TAsfSimpleIndexObject sio;
  sio.ObjectID = "keep";
  ASSERT_TRUE(CreateSimpleIndex(packets, sio, 1));
  EXPECT_EQ(sio.ObjectID, "keep");
  // The last frame (4960 ms) is never listed: T = 4920 + 40 = 4960, N = 5.
  ASSERT_EQ(sio.IndexEntriesCount, 5u);
  for (std::uint32_t e = 0; e < 5; ++e) EXPECT_EQ(sio.IndexEntries[e], (TSimpleIndexEntry{e * 25, 1})) << e;
  EXPECT_EQ(sio.IndexEntryTimeInterval, 10000000);
  EXPECT_EQ(sio.MaximumPacketCount, 1u);
  EXPECT_EQ(sio.ObjectSize, 56 + 6 * 5);
}

TEST(SimpleIndex, PrerollRepeatsTheFirstEntry) {
  std::vector<TAsfDataPacket> packets;
  for (std::uint32_t f = 0; f < 60; ++f) packets.push_back(Single(1, f, 3000 + f * 40, f % 25 == 0));
  TAsfSimpleIndexObject sio;
  ASSERT_TRUE(CreateSimpleIndex(packets, sio, 1));
  ASSERT_GE(sio.IndexEntries.size(), 5u);
  EXPECT_EQ(sio.IndexEntries[1], sio.IndexEntries[0]);
  EXPECT_EQ(sio.IndexEntries[2], sio.IndexEntries[0]);
  EXPECT_EQ(sio.IndexEntries[3], sio.IndexEntries[0]);
  EXPECT_EQ(sio.IndexEntries[4], (TSimpleIndexEntry{25, 1}));  // the key frame at 4000 ms
}

TEST(SimpleIndex, FragmentsCountAndOtherStreams) {
  std::vector<TAsfDataPacket> packets;
  packets.push_back(Single(1, 0, 0, true));
  packets.push_back(Single(2, 0, 0, true));  // audio: ignored
  packets.push_back(Single(1, 0, 0, true));
  packets.push_back(Single(1, 0, 0, true));
  packets.push_back(Single(1, 1, 1500, true));
  packets.push_back(Single(1, 2, 2500, false));
  TAsfSimpleIndexObject sio;
  ASSERT_TRUE(CreateSimpleIndex(packets, sio, 1));
  EXPECT_EQ(sio.IndexEntries[0], (TSimpleIndexEntry{0, 3}));
  EXPECT_EQ(sio.MaximumPacketCount, 3u);
  EXPECT_EQ(sio.IndexEntries[1].PacketNumber, 4u);
}

TEST(SimpleIndex, NothingToIndex) {
  TAsfSimpleIndexObject sio;
  sio.IndexEntriesCount = 9;
  EXPECT_FALSE(CreateSimpleIndex({}, sio, 1));
  std::vector<TAsfDataPacket> one{Single(1, 0, 0, true), Single(1, 0, 40, true)};
  EXPECT_FALSE(CreateSimpleIndex(one, sio, 1));  // a single media object is never closed
  EXPECT_EQ(sio.IndexEntriesCount, 9u);
  std::vector<TAsfDataPacket> audio{Single(2, 0, 0, true), Single(2, 1, 40, true)};
  EXPECT_FALSE(CreateSimpleIndex(audio, sio, 1));
}
