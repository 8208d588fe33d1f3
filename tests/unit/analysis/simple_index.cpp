#include <gtest/gtest.h>

#include "analysis/simple_index.hpp"
#include "support/asf_builder.hpp"

using namespace corvel;
using corvel::test::DataPacket;
using corvel::test::PacketSpec;

namespace {
ParsedPacket Single(int stream, std::uint32_t mo, std::uint32_t pt, bool key) {
  ParsedPacket p;
  p.kind = PacketKind::single;
  p.single.streamNumber = static_cast<std::uint8_t>(stream);
  p.single.mediaObjectNumber = mo;
  p.single.presentationTime = pt;
  p.single.keyFrame = key;
  return p;
}
}  // namespace

TEST(SimpleIndex, OneEntryPerSecondAtKeyFrames) {
  // A frame every 40 ms, a key frame every 25 frames, one packet each.
  std::vector<ParsedPacket> packets;
  for (std::uint32_t f = 0; f <= 124; ++f) packets.push_back(Single(1, f, f * 40, f % 25 == 0));
  corvel::SimpleIndex sio;
  sio.objectId = Guid::parse("4CFEDB20-75F6-11CF-9C0F-00A0C90349CB");
  ASSERT_TRUE(CreateSimpleIndex(packets, sio, 1));
  EXPECT_EQ(sio.objectId, Guid::parse("4CFEDB20-75F6-11CF-9C0F-00A0C90349CB"));
  // The last frame (4960 ms) is never listed: T = 4920 + 40 = 4960, N = 5.
  ASSERT_EQ(sio.entryCount, 5u);
  for (std::uint32_t e = 0; e < 5; ++e) EXPECT_EQ(sio.entries[e], (corvel::IndexEntry{e * 25, 1})) << e;
  EXPECT_EQ(sio.entryTimeInterval, 10000000);
  EXPECT_EQ(sio.maximumPacketCount, 1u);
  EXPECT_EQ(sio.objectSize, 56 + 6 * 5);
}

// Times that span far more seconds than the frames could fill (a clock that
// jumps by weeks) give an entry every few seconds: the index stays in
// proportion to the file, and still points every entry at a key frame.
TEST(SimpleIndex, ClockJumpsWidenTheIntervalNotTheIndex) {
  struct Case {
    std::uint32_t lastMs;
    std::uint32_t entries;
    std::int64_t interval;
  };
  // Two frames listed: the index runs to the last one's time and one frame length
  // more (as long again as the gap), so T is twice the last frame's time.
  for (const Case& c : {Case{43'000'000, 86'001, 10'000'000},    // within a day of seconds: one a second
                        Case{43'200'000, 43'201, 20'000'000},    // a second past it: one every 2 s
                        Case{4'000'000'000u, 86'022, 930'000'000}}) {  // 93 days: one every 93 s
    // (the frame after closes the last one listed)
    std::vector<ParsedPacket> packets{Single(1, 0, 0, true), Single(1, 1, c.lastMs, true), Single(1, 2, c.lastMs + 40, false)};
    corvel::SimpleIndex sio;
    ASSERT_TRUE(CreateSimpleIndex(packets, sio, 1));
    EXPECT_LE(sio.entryCount, 86'400u) << c.lastMs;
    EXPECT_EQ(sio.entries.size(), sio.entryCount);
    EXPECT_EQ(sio.entryTimeInterval, c.interval) << c.lastMs;
    EXPECT_EQ(sio.entryCount, c.entries) << c.lastMs;
    EXPECT_EQ(sio.entries.front(), (corvel::IndexEntry{0, 1}));
    EXPECT_EQ(sio.entries.back(), (corvel::IndexEntry{1, 1}));
  }
}

TEST(SimpleIndex, PrerollRepeatsTheFirstEntry) {
  std::vector<ParsedPacket> packets;
  for (std::uint32_t f = 0; f < 60; ++f) packets.push_back(Single(1, f, 3000 + f * 40, f % 25 == 0));
  corvel::SimpleIndex sio;
  ASSERT_TRUE(CreateSimpleIndex(packets, sio, 1));
  ASSERT_GE(sio.entries.size(), 5u);
  EXPECT_EQ(sio.entries[1], sio.entries[0]);
  EXPECT_EQ(sio.entries[2], sio.entries[0]);
  EXPECT_EQ(sio.entries[3], sio.entries[0]);
  EXPECT_EQ(sio.entries[4], (corvel::IndexEntry{25, 1}));  // the key frame at 4000 ms
}

// A gap in the times (a pause in the recording): the entries inside it name
// the last key frame before it, not an older one.
TEST(SimpleIndex, EntriesInAGapNameTheLastKeyFrameBeforeIt) {
  std::vector<ParsedPacket> packets;
  for (std::uint32_t f = 0; f < 20; ++f) packets.push_back(Single(1, f, f * 40, f % 10 == 0));  // keys at 0, 400
  for (std::uint32_t f = 20; f < 40; ++f) packets.push_back(Single(1, f, 5000 + (f - 20) * 40, f == 20));
  corvel::SimpleIndex sio;
  ASSERT_TRUE(CreateSimpleIndex(packets, sio, 1));
  ASSERT_EQ(sio.entryCount, 6u);
  EXPECT_EQ(sio.entries[0], (corvel::IndexEntry{0, 1}));
  for (int e = 1; e <= 4; ++e) EXPECT_EQ(sio.entries[static_cast<std::size_t>(e)], (corvel::IndexEntry{10, 1})) << e;
  EXPECT_EQ(sio.entries[5], (corvel::IndexEntry{20, 1}));  // the key frame at 5000 ms
}

TEST(SimpleIndex, FragmentsCountAndOtherStreams) {
  std::vector<ParsedPacket> packets;
  packets.push_back(Single(1, 0, 0, true));
  packets.push_back(Single(2, 0, 0, true));  // audio: ignored
  packets.push_back(Single(1, 0, 0, true));
  packets.push_back(Single(1, 0, 0, true));
  packets.push_back(Single(1, 1, 1500, true));
  packets.push_back(Single(1, 2, 2500, false));
  corvel::SimpleIndex sio;
  ASSERT_TRUE(CreateSimpleIndex(packets, sio, 1));
  EXPECT_EQ(sio.entries[0], (corvel::IndexEntry{0, 3}));
  EXPECT_EQ(sio.maximumPacketCount, 3u);
  EXPECT_EQ(sio.entries[1].packetNumber, 4u);
}

TEST(SimpleIndex, NothingToIndex) {
  corvel::SimpleIndex sio;
  sio.entryCount = 9;
  EXPECT_FALSE(CreateSimpleIndex(PacketTable{}, sio, 1));
  std::vector<ParsedPacket> one{Single(1, 0, 0, true), Single(1, 0, 40, true)};
  EXPECT_FALSE(CreateSimpleIndex(one, sio, 1));  // a single media object is never closed
  EXPECT_EQ(sio.entryCount, 9u);
  std::vector<ParsedPacket> audio{Single(2, 0, 0, true), Single(2, 1, 40, true)};
  EXPECT_FALSE(CreateSimpleIndex(audio, sio, 1));
}

// The scan's compact packet table: what it gives back is what was parsed,
// across the chunks its payload array grows by, and packets copied from one
// table to another keep their payloads.
TEST(PacketTable, KeepsWhatItsUsersReadAcrossChunks) {
  PacketSpec spec;
  spec.sendTime = 1234;
  spec.duration = 40;
  spec.payloads = {{2, false, 3, 0, 371, 3100, 371}, {1, true, 9, 5957, 8378, 3146, 1000}, {1, false, 10, 0, 2318, 3186, 100}};
  const Bytes b = DataPacket(spec, 3200);
  ParsedPacket p;
  ASSERT_EQ(ParsePacket(b, p), 0);
  PacketTable t;
  t.setPacketSize(3200);
  const std::size_t n = 30000;  // 90,000 payloads: two chunks
  t.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    p.fileOffset = static_cast<std::int64_t>(i) * 3200 + (std::int64_t{5} << 32);  // past 4 GiB
    p.sendTime = static_cast<std::uint32_t>(i);
    t.push_back(p);
  }
  ASSERT_EQ(t.size(), n);
  for (std::size_t i : {std::size_t{0}, std::size_t{21845}, std::size_t{21846}, n - 1}) {
    const PacketRef r = t[i];
    EXPECT_EQ(r.fileOffset, static_cast<std::int64_t>(i) * 3200 + (std::int64_t{5} << 32));
    EXPECT_EQ(r.sendTime, i);
    EXPECT_EQ(r.duration, 40);
    EXPECT_EQ(r.packetLength, 3200);
    EXPECT_EQ(r.firstKeyFrame, p.firstKeyFrame);
    ASSERT_EQ(r.payloadCount(), 3u);
    for (std::size_t k = 0; k < 3; ++k) {
      const Payload a = r.payload(k), e = p.payload(k);
      EXPECT_EQ(a.streamNumber, e.streamNumber);
      EXPECT_EQ(a.keyFrame, e.keyFrame);
      EXPECT_EQ(a.mediaObjectNumber, e.mediaObjectNumber);
      EXPECT_EQ(a.offsetIntoMediaObject, e.offsetIntoMediaObject);
      EXPECT_EQ(a.mediaObjectSize, e.mediaObjectSize);
      EXPECT_EQ(a.presentationTime, e.presentationTime);
      EXPECT_EQ(a.payloadDataLength, e.payloadDataLength);
      EXPECT_EQ(a.replicatedDataLength, e.replicatedDataLength);
    }
    EXPECT_EQ(r.payload(3).streamNumber, 0);  // past the last: empty
  }
  PacketTable copy;
  copy.setPacketSize(3200);
  copy.append(t, n - 1);
  ASSERT_EQ(copy.size(), 1u);
  EXPECT_EQ(copy[0].payload(1).offsetIntoMediaObject, 5957u);
  EXPECT_EQ(copy.back().sendTime, n - 1);
  std::size_t count = 0;
  for (const PacketRef r : t) count += r.payloadCount();
  EXPECT_EQ(count, 3 * n);
  // Records and payload chunks: 24 bytes a packet, 24 a payload, rounded up to a chunk.
  EXPECT_LE(t.bytes(), n * 24 + 2 * 65536 * 24);
}
