#include <gtest/gtest.h>

#include "asf/streams.hpp"

#include "asf/catalogue.hpp"
#include "asf/readers.hpp"
#include "support/asf_builder.hpp"
#include "support/open.hpp"

using namespace corvel;
using namespace corvel::test;

TEST(Readers, WrongGuidLeavesRecord) {
  TAsfFilePropertiesObject r;
  r.FileSize = 5;
  readFPO(Padding(200), r);
  EXPECT_FALSE(r.present);
  EXPECT_EQ(r.FileSize, 5);
  readFPO(Bytes{}, r);
  EXPECT_EQ(r.FileSize, 5);
}

TEST(Readers, ContentDescriptionLengthsInBytes) {
  // Title: "A", a zero unit, with TitleLength 4; Author follows at 38.
  Writer w;
  w.u16(4).u16(6).u16(0).u16(0).u16(0).u16('A').u16(0).text("Ян");
  TAsfContentDescriptionObject r;
  readCDO(Object(guid::ContentDescription, w.data()), r);
  EXPECT_EQ(r.Title, u"A");
  EXPECT_EQ(r.Author, u"Ян");
  // Lengths past the object read what is there and stop.
  Writer big;
  big.u16(60000).u16(60000).u16(60000).u16(60000).u16(60000).text("x");
  readCDO(Object(guid::ContentDescription, big.data()), r);
  EXPECT_EQ(r.Title, u"x");
  EXPECT_EQ(r.Author, u"");
}

TEST(Readers, ExtendedDescriptorsKeepRawValues) {
  Writer w;
  w.u16(2);
  w.u16(12).text("Title").u16(0).u16(10).text("Ёлка");
  w.u16(8).text("Num").u16(3).u16(4).u32(0xDEADBEEF);
  TAsfExtendedContentDescriptionObject r;
  readECD(Object(guid::ExtendedContentDescription, w.data()), r);
  ASSERT_EQ(r.ContentDescriptors.size(), 2u);
  EXPECT_EQ(r.ContentDescriptors[0].DescriptorName, u"Title");
  EXPECT_EQ(r.ContentDescriptors[0].DescriptorValue, u"Ёлка");
  EXPECT_EQ(r.ContentDescriptors[1].DescriptorValue, u"");
  EXPECT_EQ(r.ContentDescriptors[1].DescriptorValueBytes, (Bytes{0xEF, 0xBE, 0xAD, 0xDE}));
}

TEST(Readers, MarkersWalkByDescriptionLength) {
  Writer w;
  w.guid("4CFEDB20-75F6-11CF-9C0F-00A0C90349CB").u32(2).u16(0).u16(6).text("mk");
  w.u64(1).u64(2).u16(30).u32(3).u32(0).u32(0);               // empty description
  w.u64(9).u64(8).u16(36).u32(7).u32(0).u32(3).text("Пёс", false);  // 3 characters
  TAsfMarkerObject r;
  readMAO(Object(guid::Marker, w.data()), r);
  EXPECT_EQ(r.Name, u"mk");
  ASSERT_EQ(r.Markers.size(), 2u);
  EXPECT_EQ(r.Markers[0].MarkerDescription, u"");
  EXPECT_EQ(r.Markers[1].Offset, 9);
  EXPECT_EQ(r.Markers[1].SendTime, 7u);
  EXPECT_EQ(r.Markers[1].MarkerDescription, u"Пёс");
}

TEST(Readers, HugeCountsAreBoundedByTheObject) {
  TAsfCodecListObject clo;
  readCLO(Object(guid::CodecList, Writer().guid(guid::Header).u32(0xFFFFFFFF).u16(1).u16(3).text("Вид").u16(0).u16(0).take()), clo);
  EXPECT_EQ(clo.CodecEntriesCount, 0xFFFFFFFFu);
  ASSERT_EQ(clo.CodecEntries.size(), 1u);
  EXPECT_EQ(clo.CodecEntries[0].CodecName, u"Вид");

  TAsfSimpleIndexObject sio;
  readSIO(SimpleIndex(1, 1, {{5, 1}}, 0xFFFFFFFF), sio);
  EXPECT_EQ(sio.IndexEntriesCount, 0xFFFFFFFFu);
  EXPECT_EQ(sio.IndexEntries.size(), 1u);

  TStreamBitratePropertiesObject sbo;
  readSBO(Object(guid::StreamBitrateProperties, Writer().u16(0xFFFF).u16(0x8002).u32(128000).take()), sbo);
  ASSERT_EQ(sbo.BitrateRecords.size(), 1u);
  EXPECT_EQ(sbo.BitrateRecords[0].AverageBitrate, 128000u);

  TAsfBitrateMutualExclusionObject meo;
  readMEO(Object(guid::BitrateMutualExclusion, Writer().guid(guid::Header).u16(0xFFFF).u16(1).u16(2).take()), meo);
  EXPECT_EQ(meo.StreamNumbers, (std::vector<std::uint16_t>{1, 2}));

  TAsfMarkerObject mao;
  readMAO(Object(guid::Marker, Writer().guid(guid::Header).u32(0xFFFFFFFF).u16(0).u16(0xFFFF).take()), mao);
  EXPECT_TRUE(mao.Markers.empty());

  TAsfContentBrandingObject cbo;
  readCBO(Object(guid::ContentBranding, Writer().u32(1).u32(0xFFFFFFFF).u8(1).take()), cbo);
  EXPECT_EQ(cbo.BannerImageData, Bytes{1});
  EXPECT_TRUE(cbo.BannerImageURL.empty());
}

TEST(Readers, VideoCodecDataFollowsInnerSize) {
  TASFVideoMedia v;
  TAsfStreamPropertiesObject spo;
  auto readSPO = [&](const Bytes& b, TAsfStreamPropertiesObject& r, TASFVideoMedia& video, auto&) {
    corvel::readSPO(b, r);
    video = ReadVideoMedia(r.TypeSpecificData);
  };
  int a = 0;
  readSPO(StreamProperties(1, guid::VideoMedia, VideoTypeSpecific(320, 240, "WMV2", 40, Bytes{1, 2, 3, 4})), spo, v, a);
  EXPECT_TRUE(v.FormatData.CodecSpecificData.empty());
  EXPECT_EQ(v.FormatData.ImageWidth, 320u);
  EXPECT_EQ(v.FormatDataSize, 44);
  readSPO(StreamProperties(1, guid::VideoMedia, VideoTypeSpecific(320, 240, "WMV2", 12)), spo, v, a);
  EXPECT_TRUE(v.FormatData.CodecSpecificData.empty());
  readSPO(StreamProperties(1, guid::VideoMedia, VideoTypeSpecific(320, 240, "WMV2", 44, Bytes{1, 2, 3, 4})), spo, v, a);
  EXPECT_EQ(v.FormatData.CodecSpecificData, (Bytes{1, 2, 3, 4}));
  readSPO(StreamProperties(1, guid::VideoMedia, VideoTypeSpecific(320, 240, "WMV2", 0xFFFFFFFF)), spo, v, a);
  EXPECT_TRUE(v.FormatData.CodecSpecificData.empty());
  EXPECT_EQ(spo.TypeSpecificData.size(), spo.TypeSpecificDataLength);
}

TEST(Readers, TwoAudioStreamsEachInTheTable) {
  Session s;
  ASSERT_EQ(OpenBytes(s, AsfFile({StreamProperties(1, guid::AudioMedia, AudioTypeSpecific(0x161, 1, 22050, Bytes{9, 9})),
                                  StreamProperties(2, guid::AudioMedia, AudioTypeSpecific(0x162, 2, 44100))},
                                 {})),
            0);
  ASSERT_EQ(s.structure.rec.ASFSPO.size(), 2u);
  const StreamTable t = StreamsOf(s.structure.rec);
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t[0].audio.SamplesPerSecond, 22050u);
  EXPECT_EQ(t[0].audio.CodecSpecificData, (Bytes{9, 9}));
  EXPECT_EQ(t[1].audio.SamplesPerSecond, 44100u);
  EXPECT_EQ(t[1].audio.CodecID_FormatTag, 0x162);
  EXPECT_EQ(s.structure.rec.ASFSPO[0].streamNumber(), 1);
  EXPECT_EQ(s.structure.rec.ASFSPO[1].TypeSpecificData, AudioTypeSpecific(0x162, 2, 44100));
}

TEST(Readers, EmptySimpleIndexIsPresent) {
  TAsfSimpleIndexObject r;
  readSIO(SimpleIndex(10000000, 0, {}), r);
  EXPECT_TRUE(r.present);
  EXPECT_TRUE(r.IndexEntries.empty());
}

TEST(Readers, TruncatedObjectsReadAsZero) {
  const Bytes fpo = FileProperties({});
  for (std::size_t n = 0; n <= fpo.size(); ++n) {
    TAsfFilePropertiesObject r;
    readFPO(ByteView(fpo).first(n), r);
    EXPECT_EQ(r.present, n >= 16);
  }
}
