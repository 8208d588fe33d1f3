#include <gtest/gtest.h>

#include "asf/catalogue.hpp"
#include "asf/tree_text.hpp"
#include "support/asf_builder.hpp"
#include "support/open.hpp"

using namespace corvel;
using namespace corvel::test;

namespace {
std::vector<std::string> ChildTexts(const StructureTree& t, int node) {
  std::vector<std::string> out;
  for (int c : t.node(node).children) out.push_back(t.node(c).text);
  return out;
}
}  // namespace

TEST(Tree, HeaderFieldsComeFirst) {
  Bytes file = AsfFile({FilePropertiesObject({}), Padding(5000 - 30 - 104 - 24)}, {});
  Session s;
  s.options.walk.listUnknownObjects = true;
  ASSERT_EQ(OpenBytes(s, file), 0);
  const int h = s.structure.objects[0].node;
  EXPECT_EQ(s.structure.tree.node(h).text, "'ASF_HEADER_OBJECT' (5000)");
  const auto kids = ChildTexts(s.structure.tree, h);
  ASSERT_EQ(kids.size(), 7u);
  EXPECT_EQ(kids[0], "ObjectID = 75B22630-668E-11CF-A6D9-00AA0062CE6C");
  EXPECT_EQ(kids[1], "ObjectSize = 5000");
  EXPECT_EQ(kids[2], "NumberOfHeaderObjects = 2");
  EXPECT_EQ(kids[3], "Reserved1 = 1");
  EXPECT_EQ(kids[4], "Reserved2 = 2");
  EXPECT_EQ(kids[5], "'ASF_File_Properties_Object' (104)");
  EXPECT_EQ(s.structure.tree.node(s.structure.objects[1].node).object, 1);
}

TEST(Tree, FilePropertiesLines) {
  FpoFields f;
  f.creationDate = 132539328000000000ll;  // 2021-01-01 00:00:00
  f.playDuration = 123456789;
  f.flags = 2;
  Session s;
  ASSERT_EQ(OpenBytes(s, AsfFile({FilePropertiesObject(f)}, {})), 0);
  const auto lines = ChildTexts(s.structure.tree, s.structure.objects[1].node);
  ASSERT_EQ(lines.size(), 13u);
  EXPECT_EQ(lines[4], "CreationDate = 132539328000000000 (01.01.2021 00:00:00)");
  EXPECT_EQ(lines[6], "PlayDuration = 123456789 (12.34568 сек)");
  EXPECT_EQ(lines[9], "Flags = 00000002 (hex)");
  EXPECT_EQ(lines[10], "MinimumDataPackedSize = 256");
  // The epoch, a second before it, a leap day and the largest time a field holds.
  EXPECT_EQ(FileTimeToText(0), "01.01.1601 00:00:00");
  EXPECT_EQ(FileTimeToText(-10000000), "31.12.1600 23:59:59");
  EXPECT_EQ(FileTimeToText(127225439990000000), "29.02.2004 15:59:59");
  EXPECT_EQ(FileTimeToText(INT64_MAX), "14.09.30828 02:48:05");
}

TEST(Tree, ByteRunsAndCodecNames) {
  EXPECT_EQ(BytesLine("X = ", Bytes(24, 0xAB)).size(), 4 + 24 * 3 - 1);
  EXPECT_EQ(BytesLine("X = ", Bytes(25, 0xAB)), "X = /bytes/");
  EXPECT_EQ(AudioCodecName(0x0160), " [Unknown]");
  Session s;
  ASSERT_EQ(OpenBytes(s, AsfFile({HeaderExtensionObject(Bytes(24, 1)), StreamPropertiesObject(3, guid::AudioMedia, AudioTypeSpecific(0x161, 2, 44100))}, {})), 0);
  EXPECT_EQ(ChildTexts(s.structure.tree, s.structure.objects[1].node).back(), "HeaderExtensionData = " + BytesToHex(Bytes(24, 1), 0, 24));
  const int spo = s.structure.objects[2].node;
  const auto lines = ChildTexts(s.structure.tree, spo);
  EXPECT_EQ(lines[2], "StreamType = F8699E40-5B4D-11CF-A8FD-00805F5C442B (ASF_Audio_Media)");
  EXPECT_EQ(lines[9], "TypeSpecificData (audio)");
  EXPECT_EQ(lines.back(), "ErrorCorrectionData = ");
  const int ts = s.structure.tree.node(spo).children[9];
  EXPECT_EQ(ChildTexts(s.structure.tree, ts)[0], "CodecID_FormatTag = 0161h  [Windows Media Audio (7,8,9 Series)]");
  Session t;
  ASSERT_EQ(OpenBytes(t, AsfFile({HeaderExtensionObject(Bytes(25, 1))}, {})), 0);
  EXPECT_EQ(ChildTexts(t.structure.tree, t.structure.objects[1].node).back(), "HeaderExtensionData = /bytes/");
}

TEST(Tree, BitrateRecordsAndIndexEntries) {
  const Bytes file = AsfFile({Object(guid::StreamBitrateProperties, Writer().u16(1).u16(0x8002).u32(5000).take())},
                             {DataObject(0, 256), SimpleIndexObject(10000000, 2, {{0, 1}, {4, 2}})});
  Session s;
  ASSERT_EQ(OpenBytes(s, file), 0);
  const int sbo = s.structure.objects[1].node;
  const int rec = s.structure.tree.node(sbo).children.back();
  EXPECT_EQ(s.structure.tree.node(rec).text, "BitrateRecord (2)");
  EXPECT_EQ(ChildTexts(s.structure.tree, rec), (std::vector<std::string>{"Flags = 32770", "AverageBitrate = 5000"}));
  const auto sio = ChildTexts(s.structure.tree, s.structure.objects[3].node);
  ASSERT_EQ(sio.size(), 7u);
  EXPECT_EQ(sio.back(), "IndexEntries = /array/");
  EXPECT_TRUE(s.structure.tree.node(s.structure.tree.node(s.structure.objects[3].node).children.back()).children.empty());
  EXPECT_EQ(ChildTexts(s.structure.tree, s.structure.objects[2].node).back(), "DataPackets = /stream found/");

  Session e;
  e.options.walk.showIndexEntries = true;
  ASSERT_EQ(OpenBytes(e, file), 0);
  const int arr = e.structure.tree.node(e.structure.objects[3].node).children.back();
  ASSERT_EQ(e.structure.tree.node(arr).children.size(), 2u);
  const int second = e.structure.tree.node(arr).children[1];
  EXPECT_EQ(e.structure.tree.node(second).text, "IndexEntry (1)");
  EXPECT_EQ(ChildTexts(e.structure.tree, second), (std::vector<std::string>{"PacketNumber = 4", "PacketCount = 2"}));
}

TEST(Tree, DescriptiveObjects) {
  const Bytes file = AsfFile(
      {ContentDescriptionObject("Заголовок", "Автор"),
       Object(guid::CodecList, Writer().guid(guid::Header).u32(1).u16(1).u16(4).text("WMV").u16(0).u16(4).u8('W').u8('M').u8('V').u8('2').take()),
       Object(guid::BitrateMutualExclusion, Writer().guid(guid::Header).u16(2).u16(1).u16(2).take()),
       Object(guid::ContentBranding, Writer().u32(1).u32(2).u8(0xAB).u8(0xCD).u32(3).u8('u').u8('r').u8('l').take())},
      {});
  Session s;
  ASSERT_EQ(OpenBytes(s, file), 0);
  const auto cdo = ChildTexts(s.structure.tree, s.structure.objects[1].node);
  EXPECT_EQ(cdo[3], "AutorLength = 12");
  EXPECT_EQ(cdo[7], "Title = Заголовок");
  EXPECT_EQ(cdo[8], "Autor = Автор");
  const int clo = s.structure.objects[2].node;
  const int entry = s.structure.tree.node(clo).children.back();
  EXPECT_EQ(s.structure.tree.node(entry).text, "CodecEntry (video)");
  EXPECT_EQ(ChildTexts(s.structure.tree, entry).back(), "CodecInformation = 57,4D,56,32 (WMV2)");
  EXPECT_EQ(ChildTexts(s.structure.tree, s.structure.objects[3].node).back(), "StreamNumbers = 1,2");
  const auto cbo = ChildTexts(s.structure.tree, s.structure.objects[4].node);
  EXPECT_EQ(cbo[4], "BannerImageData = AB,CD");
  EXPECT_EQ(cbo[6], "BannerImageURL = url");
}

TEST(Tree, RenderIndentsTwoBlanksPerLevel) {
  StructureTree t;
  const int a = t.add(StructureTree::kRoot, "a");
  const int b = t.add(a, "b");
  t.add(b, "c");
  t.insert(a, 0, "first");
  t.add(StructureTree::kRoot, "d");
  EXPECT_EQ(t.render(), "a\n  first\n  b\n    c\nd\n");
}
