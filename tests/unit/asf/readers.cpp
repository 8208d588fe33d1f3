#include <gtest/gtest.h>

#include "asf/streams.hpp"

#include "asf/catalogue.hpp"
#include "asf/field_visitors.hpp"
#include "asf/object_table.hpp"
#include "support/asf_builder.hpp"
#include "support/open.hpp"

using namespace corvel;
using namespace corvel::test;

namespace {

// An object read through the object table, as the header walk reads it.
HeaderRecords Table(ByteView b) {
  HeaderRecords rec;
  if (const ObjectKind* k = b.size() >= 16 ? FindObjectKind(Guid::read(b, 0)) : nullptr) k->read(b, rec);
  return rec;
}

}  // namespace

TEST(Readers, WrongGuidLeavesRecord) {
  HeaderRecords rec;
  rec.fileProperties.fileSize = 5;
  const ObjectKind* fpo = FindObjectKind(guid::FileProperties);
  fpo->read(Padding(200), rec);
  EXPECT_FALSE(rec.fileProperties.present);
  EXPECT_EQ(rec.fileProperties.fileSize, 5);
  fpo->read(Bytes{}, rec);
  EXPECT_EQ(rec.fileProperties.fileSize, 5);
}

TEST(Readers, ContentDescriptionLengthsInBytes) {
  // Title: "A", a zero unit, with TitleLength 4; Author follows at 38.
  Writer w;
  w.u16(4).u16(6).u16(0).u16(0).u16(0).u16('A').u16(0).text("Ян");
  corvel::ContentDescription r;
  r = Table(Object(guid::ContentDescription, w.data())).contentDescription;
  EXPECT_EQ(r.title, u"A");
  EXPECT_EQ(r.author, u"Ян");
  // Lengths past the object read what is there and stop.
  Writer big;
  big.u16(60000).u16(60000).u16(60000).u16(60000).u16(60000).text("x");
  r = Table(Object(guid::ContentDescription, big.data())).contentDescription;
  EXPECT_EQ(r.title, u"x");
  EXPECT_EQ(r.author, u"");
}

TEST(Readers, ExtendedDescriptorsKeepRawValues) {
  Writer w;
  w.u16(2);
  w.u16(12).text("Title").u16(0).u16(10).text("Ёлка");
  w.u16(8).text("Num").u16(3).u16(4).u32(0xDEADBEEF);
  corvel::ExtendedContentDescription r;
  r = Table(Object(guid::ExtendedContentDescription, w.data())).extendedContentDescription;
  ASSERT_EQ(r.descriptors.size(), 2u);
  EXPECT_EQ(r.descriptors[0].name, u"Title");
  EXPECT_EQ(r.descriptors[0].value.text, u"Ёлка");
  EXPECT_EQ(r.descriptors[1].value.text, u"");
  EXPECT_EQ(r.descriptors[1].value.bytes, (Bytes{0xEF, 0xBE, 0xAD, 0xDE}));
}

TEST(Readers, MarkersWalkByDescriptionLength) {
  Writer w;
  w.guid(Guid::parse("4CFEDB20-75F6-11CF-9C0F-00A0C90349CB")).u32(2).u16(0).u16(6).text("mk");
  w.u64(1).u64(2).u16(30).u32(3).u32(0).u32(0);               // empty description
  w.u64(9).u64(8).u16(36).u32(7).u32(0).u32(3).text("Пёс", false);  // 3 characters
  corvel::MarkerList r;
  r = Table(Object(guid::Marker, w.data())).markers;
  EXPECT_EQ(r.name, u"mk");
  ASSERT_EQ(r.markers.size(), 2u);
  EXPECT_EQ(r.markers[0].description, u"");
  EXPECT_EQ(r.markers[1].offset, 9);
  EXPECT_EQ(r.markers[1].sendTime, 7u);
  EXPECT_EQ(r.markers[1].description, u"Пёс");
}

TEST(Readers, HugeCountsAreBoundedByTheObject) {
  corvel::CodecList clo;
  clo = Table(Object(guid::CodecList, Writer().guid(guid::Header).u32(0xFFFFFFFF).u16(1).u16(3).text("Вид").u16(0).u16(0).take())).codecList;
  EXPECT_EQ(clo.entryCount, 0xFFFFFFFFu);
  ASSERT_EQ(clo.entries.size(), 1u);
  EXPECT_EQ(clo.entries[0].name, u"Вид");

  corvel::SimpleIndex sio;
  sio = Table(SimpleIndexObject(1, 1, {{5, 1}}, 0xFFFFFFFF)).simpleIndex;
  EXPECT_EQ(sio.entryCount, 0xFFFFFFFFu);
  EXPECT_EQ(sio.entries.size(), 1u);

  corvel::StreamBitrates sbo;
  sbo = Table(Object(guid::StreamBitrateProperties, Writer().u16(0xFFFF).u16(0x8002).u32(128000).take())).streamBitrates;
  ASSERT_EQ(sbo.records.size(), 1u);
  EXPECT_EQ(sbo.records[0].averageBitrate, 128000u);

  corvel::MutualExclusion meo;
  meo = Table(Object(guid::BitrateMutualExclusion, Writer().guid(guid::Header).u16(0xFFFF).u16(1).u16(2).take())).mutualExclusion;
  EXPECT_EQ(meo.streams, (std::vector<std::uint16_t>{1, 2}));

  corvel::MarkerList mao;
  mao = Table(Object(guid::Marker, Writer().guid(guid::Header).u32(0xFFFFFFFF).u16(0).u16(0xFFFF).take())).markers;
  EXPECT_TRUE(mao.markers.empty());

  corvel::ContentBranding cbo;
  cbo = Table(Object(guid::ContentBranding, Writer().u32(1).u32(0xFFFFFFFF).u8(1).take())).contentBranding;
  EXPECT_EQ(cbo.image, Bytes{1});
  EXPECT_TRUE(cbo.url.empty());
}

TEST(Readers, VideoCodecDataFollowsInnerSize) {
  corvel::VideoMedia v;
  corvel::StreamProperties spo;
  auto readSPO = [&](const Bytes& b, corvel::StreamProperties& r, corvel::VideoMedia& video, auto&) {
    r = Table(b).streams.at(0);
    video = ReadFields<corvel::VideoMedia>(r.typeSpecificData);
  };
  int a = 0;
  readSPO(StreamPropertiesObject(1, guid::VideoMedia, VideoTypeSpecific(320, 240, "WMV2", 40, Bytes{1, 2, 3, 4})), spo, v, a);
  EXPECT_TRUE(v.format.codecData.empty());
  EXPECT_EQ(v.format.width, 320u);
  EXPECT_EQ(v.formatDataSize, 44);
  readSPO(StreamPropertiesObject(1, guid::VideoMedia, VideoTypeSpecific(320, 240, "WMV2", 12)), spo, v, a);
  EXPECT_TRUE(v.format.codecData.empty());
  readSPO(StreamPropertiesObject(1, guid::VideoMedia, VideoTypeSpecific(320, 240, "WMV2", 44, Bytes{1, 2, 3, 4})), spo, v, a);
  EXPECT_EQ(v.format.codecData, (Bytes{1, 2, 3, 4}));
  readSPO(StreamPropertiesObject(1, guid::VideoMedia, VideoTypeSpecific(320, 240, "WMV2", 0xFFFFFFFF)), spo, v, a);
  EXPECT_TRUE(v.format.codecData.empty());
  EXPECT_EQ(spo.typeSpecificData.size(), spo.typeSpecificDataLength);
}

TEST(Readers, TwoAudioStreamsEachInTheTable) {
  Session s;
  ASSERT_EQ(OpenBytes(s, AsfFile({StreamPropertiesObject(1, guid::AudioMedia, AudioTypeSpecific(0x161, 1, 22050, Bytes{9, 9})),
                                  StreamPropertiesObject(2, guid::AudioMedia, AudioTypeSpecific(0x162, 2, 44100))},
                                 {})),
            0);
  ASSERT_EQ(s.structure.rec.streams.size(), 2u);
  const StreamTable t = StreamsOf(s.structure.rec);
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t[0].audio.samplesPerSecond, 22050u);
  EXPECT_EQ(t[0].audio.codecData, (Bytes{9, 9}));
  EXPECT_EQ(t[1].audio.samplesPerSecond, 44100u);
  EXPECT_EQ(t[1].audio.formatTag, 0x162);
  EXPECT_EQ(s.structure.rec.streams[0].streamNumber(), 1);
  EXPECT_EQ(s.structure.rec.streams[1].typeSpecificData, AudioTypeSpecific(0x162, 2, 44100));
}

TEST(Readers, EmptySimpleIndexIsPresent) {
  corvel::SimpleIndex r;
  r = Table(SimpleIndexObject(10000000, 0, {})).simpleIndex;
  EXPECT_TRUE(r.present);
  EXPECT_TRUE(r.entries.empty());
}

TEST(Readers, TruncatedObjectsReadAsZero) {
  const Bytes fpo = FilePropertiesObject({});
  for (std::size_t n = 0; n <= fpo.size(); ++n) {
    corvel::FileProperties r;
    r = Table(ByteView(fpo).first(n)).fileProperties;
    EXPECT_EQ(r.present, n >= 16);
  }
}
