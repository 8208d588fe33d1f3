#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "asf/streams.hpp"

#include "asf/catalogue.hpp"
#include "support/asf_builder.hpp"
#include "support/clips.hpp"
#include "support/open.hpp"

using namespace corvel;
using namespace corvel::test;

TEST(Walk, NotAsf) {
  Session s;
  s.lang = Language::eng;
  EXPECT_EQ(OpenBytes(s, Bytes(100, 0x11)), -1);
  EXPECT_EQ(MemoLines(s), std::vector<std::string>{"• file signature not found"});
  EXPECT_TRUE(s.structure.objects.empty());
  EXPECT_EQ(s.structure.tree.size(), 0u);
  EXPECT_EQ(OpenBytes(s, Bytes{}), -1);
}

TEST(Walk, MinimalFileListsEveryObject) {
  Session s;
  const Bytes file = MinimalFile();
  ASSERT_EQ(OpenBytes(s, file), 0);
  EXPECT_TRUE(s.logLines.lines().empty()) << MemoText(s);  // ends exactly at the end of the last object
  ASSERT_EQ(s.structure.objects.size(), 6u);
  const auto plain = IndependentObjects(file);
  ASSERT_EQ(plain.size(), s.structure.objects.size());
  for (std::size_t i = 0; i < plain.size(); ++i) {
    EXPECT_EQ(s.structure.objects[i].guid, plain[i].guid);
    EXPECT_EQ(static_cast<std::uint64_t>(s.structure.objects[i].offset), plain[i].offset);
    EXPECT_EQ(static_cast<std::uint64_t>(s.structure.objects[i].size), plain[i].size);
    EXPECT_EQ(s.structure.objects[i].parent, plain[i].parent);
  }
  EXPECT_EQ(s.structure.dataObjectIndex, 4);
  EXPECT_EQ(s.structure.dataObjectOffset, s.structure.objects[4].offset);
  EXPECT_EQ(s.structure.rec.data.packetCount, 3);
  EXPECT_TRUE(s.structure.rec.fileProperties.present);
  EXPECT_EQ(s.structure.rec.streams.size(), 2u);
  EXPECT_TRUE(s.structure.rec.simpleIndex.present);
  EXPECT_EQ(s.structure.rec.simpleIndex.entries.size(), 2u);
  EXPECT_EQ(s.structure.rec.header.objectCount, 3u);
}

// Objects the catalogue does not parse are stepped over: standard ones are
// named in the tree, others show only with "show unknown units"; either
// way the Data Object is found.
TEST(Walk, ObjectsOutsideTheCatalogueAreSteppedOver) {
  const Guid unknown = Guid::parse("A1B2C3D4-0000-1111-2222-333344445555");
  const Bytes file = AsfFile({FilePropertiesObject({}), Padding(40), Object(Guid::parse("1EFB1A30-0B62-11D0-A39B-00A0C90348F6"), Bytes(20, 7)),
                              Object(Guid::parse("2211B3FB-BD23-11D2-B4B7-00A0C955FC6E"), Bytes(30, 8)), Object(unknown, Bytes(10, 9)),
                              StreamPropertiesObject(1, guid::AudioMedia, AudioTypeSpecific(0x161, 1, 8000))},
                             {DataObject(1, 256)});
  for (const bool showUnknown : {false, true}) {
    Session s;
    s.lang = Language::eng;
    s.options.walk.listUnknownObjects = showUnknown;
    ASSERT_EQ(OpenBytes(s, file), 0);
    EXPECT_TRUE(s.logLines.lines().empty()) << MemoText(s);
    ASSERT_EQ(s.structure.objects.size(), 8u);
    EXPECT_EQ(s.structure.objects[2].guid, guid::Padding);
    EXPECT_EQ(s.structure.objects[2].parent, 0);
    EXPECT_EQ(s.structure.dataObjectIndex, 7);
    EXPECT_EQ(s.structure.rec.streams.size(), 1u);
    const auto& t = s.structure.tree;
    EXPECT_EQ(t.node(s.structure.objects[2].node).text, "'ASF_Padding_Object' (64)");
    EXPECT_EQ(t.node(s.structure.objects[3].node).text, "'ASF_Script_Command_Object' (44)");
    EXPECT_EQ(t.node(s.structure.objects[4].node).text, "'ASF_Content_Encryption_Object' (54)");
    if (showUnknown) {
      EXPECT_EQ(t.node(s.structure.objects[5].node).text, "'" + unknown.text() + "' (34)");
    } else {
      EXPECT_EQ(s.structure.objects[5].node, -1);  // listed, not shown
    }
  }
}

// An unknown object whose size cannot be right still ends the walk with the
// two lines; a known or standard one with such a size with its own line.
TEST(Walk, ImplausibleSizesStillEndTheWalk) {
  const Guid unknown = Guid::parse("A1B2C3D4-0000-1111-2222-333344445555");
  Bytes file = AsfFile({FilePropertiesObject({}), Object(unknown, Bytes(10, 9))}, {DataObject(1, 256)});
  Patch64(file, 134 + 16, 1000);  // runs past the header's end
  Session s;
  s.lang = Language::eng;
  ASSERT_EQ(OpenBytes(s, file), 0);
  ASSERT_EQ(MemoLines(s).size(), 3u);
  EXPECT_EQ(MemoLines(s)[0], "• next block ID expected but not found. probably errors in the file structure");
  EXPECT_EQ(MemoLines(s)[1], "fsize - fptr = " + std::to_string(file.size() - 134));
  // The Data Object at the header's end is found all the same.
  EXPECT_EQ(MemoLines(s)[2], "• walk goes on at the end of the header: 168");
  EXPECT_EQ(s.structure.dataObjectIndex, 2);
  Patch64(file, 16, 200);  // a header that claims the Data Object's start: found by its GUID
  ASSERT_EQ(OpenBytes(s, file), 0);
  ASSERT_EQ(MemoLines(s).size(), 3u);
  EXPECT_EQ(MemoLines(s)[2], "• walk goes on at the object found at: 168");
  EXPECT_EQ(s.structure.dataObjectIndex, 2);
  Patch64(file, 16, 160);  // a header ending inside the broken object: the walk stops
  ASSERT_EQ(OpenBytes(s, file), 0);
  EXPECT_EQ(MemoLines(s).size(), 2u);
  EXPECT_EQ(s.structure.dataObjectIndex, -1);
  Patch64(file, 16, 168);
  Patch64(file, 134 + 16, 12);  // below 24: the two lines, then on at the header's end
  ASSERT_EQ(OpenBytes(s, file), 0);
  EXPECT_EQ(MemoLines(s).size(), 3u);
  EXPECT_EQ(s.structure.dataObjectIndex, 2);
  Bytes pad = AsfFile({FilePropertiesObject({}), Padding(10)}, {DataObject(1, 256)});
  Patch64(pad, 134 + 16, 12);
  ASSERT_EQ(OpenBytes(s, pad), 0);
  ASSERT_EQ(MemoLines(s).size(), 2u);
  EXPECT_EQ(MemoLines(s)[0], "• block size below 24 bytes, header walk stopped: ASF_Padding_Object offset=134 size=12");
  EXPECT_EQ(MemoLines(s)[1], "• walk goes on at the end of the header: 168");
}

TEST(Walk, OddFilePropertiesSizeStillParsed) {
  FpoFields f;
  f.packets = 9;
  const Bytes file = AsfFile({FilePropertiesObject(f, 8)}, {DataObject(0, 256)});
  Session s;
  s.lang = Language::eng;
  ASSERT_EQ(OpenBytes(s, file), 0);
  EXPECT_EQ(MemoLines(s).at(0), "• unknown size of ASF_File_Properties_Object");
  EXPECT_EQ(s.structure.rec.fileProperties.objectSize, 112);
  EXPECT_EQ(s.structure.rec.fileProperties.packetCount, 9);
}

TEST(Walk, PacketSizeMismatchIsLogged) {
  FpoFields f;
  f.minPacket = 100;
  f.maxPacket = 200;
  Session s;
  ASSERT_EQ(OpenBytes(s, AsfFile({FilePropertiesObject(f)}, {})), 0);
  EXPECT_NE(MemoText(s).find("• DataPacketSize: min <> max"), std::string::npos);
}

// A child of a sound Header Object with an impossible size is logged, and
// the walk goes on at the next known object in the header (here the second
// Stream Properties Object), on to the Data Object: scan and save need no
// reconstruction.
TEST(Walk, BadChildSizesResumeAtTheHeaderEnd) {
  const auto spoSize = static_cast<unsigned long long>(QWordOr0(MinimalFile(), 30 + 104 + 16));
  // Below 24, past the end of the file (and wrapping when added), past the
  // end of the header.
  for (const unsigned long long bad : {0ull, 1ull, 23ull, 1ull << 40, ~0ull, (1ull << 63) - 1, spoSize + 100}) {
    Bytes file = MinimalFile();
    // The first stream properties object, right after the 104-byte file properties.
    Patch64(file, 30 + 104 + 16, bad);
    Session s;
    s.lang = Language::eng;
    ASSERT_EQ(OpenBytes(s, file), 0);
    // header, file properties, the bad one, the second stream, data, index
    ASSERT_EQ(s.structure.objects.size(), 6u) << bad;
    EXPECT_EQ(s.structure.objects[3].guid, guid::StreamProperties);
    EXPECT_EQ(s.structure.objects[4].guid, guid::Data);
    EXPECT_EQ(s.structure.dataObjectIndex, 4);
    EXPECT_EQ(s.structure.rec.streams.size(), 2u);
    const std::string memo = MemoText(s);
    EXPECT_TRUE(memo.find("block size below 24 bytes") != std::string::npos ||
                memo.find("block runs past the end of the file") != std::string::npos ||
                memo.find("block runs past the end of the header") != std::string::npos)
        << memo;
    EXPECT_NE(memo.find("• walk goes on at the object found at: " + std::to_string(s.structure.objects[3].offset)), std::string::npos);
    EXPECT_TRUE(Scan(s));
    EXPECT_EQ(s.packets.size(), 3u);
  }
  // The last child broken, and no known object at the header's end: the
  // walk stops.
  Bytes file = MinimalFile();
  const std::uint64_t second = 30 + 104 + static_cast<std::uint64_t>(QWordOr0(file, 30 + 104 + 16));
  Patch64(file, second + 16, 1);
  Patch64(file, 16, QWordOr0(file, 16) - 8);  // the header's end inside the Data Object's GUID
  Session s;
  ASSERT_EQ(OpenBytes(s, file), 0);
  EXPECT_EQ(s.structure.objects.size(), 4u);
  EXPECT_EQ(s.structure.dataObjectIndex, -1);
}

TEST(Walk, TruncatedDataObjectStillFound) {
  Bytes file = MinimalFile(10);
  const auto plain = IndependentObjects(file);
  file.resize(plain[4].offset + 50 + 256 * 4 + 17);  // a recording cut off mid-packet
  Session s;
  s.lang = Language::eng;
  ASSERT_EQ(OpenBytes(s, file), 0);
  EXPECT_EQ(s.structure.dataObjectIndex, 4);
  EXPECT_EQ(s.structure.rec.data.packetCount, 10);
  EXPECT_NE(MemoText(s).find("• block runs past the end of the file: ASF_DATA_OBJECT"), std::string::npos);
}

TEST(Walk, ObjectsAfterDataAreTopLevel) {
  Session s;
  ASSERT_EQ(OpenBytes(s, MinimalFile()), 0);
  EXPECT_EQ(s.structure.objects[4].parent, -1);
  EXPECT_EQ(s.structure.objects[5].parent, -1);
  EXPECT_EQ(s.structure.tree.roots().size(), 3u);
}

TEST(Walk, ObjectsLargerThanTheCacheAreParsed) {
  Bytes big(3'000'000);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i);
  std::vector<std::pair<std::uint32_t, std::uint16_t>> entries;
  for (std::uint32_t i = 0; i < 400'000; ++i) entries.emplace_back(i, 1);
  const Bytes file = AsfFile({FilePropertiesObject({}), HeaderExtensionObject(big)}, {DataObject(1, 256), SimpleIndexObject(1, 1, entries)});
  Session s;
  ASSERT_EQ(OpenBytes(s, file), 0);
  ASSERT_TRUE(s.structure.rec.headerExtension.present);
  EXPECT_EQ(s.structure.rec.headerExtension.data, big);
  ASSERT_TRUE(s.structure.rec.simpleIndex.present);
  ASSERT_EQ(s.structure.rec.simpleIndex.entries.size(), 400'000u);
  EXPECT_EQ(s.structure.rec.simpleIndex.entries.back().packetNumber, 399'999u);
}

TEST(Walk, RecordsOfThePreviousFileDoNotLeak) {
  Session s;
  ASSERT_EQ(OpenBytes(s, AsfFile({FilePropertiesObject({}), HeaderExtensionObject(Bytes(10, 1)),
                                  StreamPropertiesObject(1, guid::VideoMedia, VideoTypeSpecific(640, 480, "WMV3", 40))},
                                 {DataObject(0, 256)})),
            0);
  EXPECT_TRUE(s.structure.rec.headerExtension.present);
  ASSERT_EQ(StreamsOf(s.structure.rec).size(), 1u);
  EXPECT_EQ(StreamsOf(s.structure.rec)[0].video.encodedWidth, 640u);
  ASSERT_EQ(OpenBytes(s, AsfFile({FilePropertiesObject({}), StreamPropertiesObject(1, guid::AudioMedia, AudioTypeSpecific(0x161, 2, 48000))},
                                 {DataObject(0, 256)})),
            0);
  EXPECT_FALSE(s.structure.rec.headerExtension.present);
  ASSERT_EQ(StreamsOf(s.structure.rec).size(), 1u);
  EXPECT_EQ(StreamsOf(s.structure.rec)[0].kind, StreamKind::audio);
  EXPECT_EQ(StreamsOf(s.structure.rec)[0].audio.samplesPerSecond, 48000u);
}

// A sparse file: a Data Object of 5 GiB with a Simple Index behind it.
TEST(Walk, SparseFileBeyondFourGiB) {
  const std::string path = TempPath("sparse.wmv");
  const std::uint64_t dataSize = 5ull << 30;
  Bytes head = AsfFile({FilePropertiesObject({})}, {});
  const std::uint64_t daoOffset = head.size();
  Bytes dao = DataObject(0, 256, dataSize);
  head.insert(head.end(), dao.begin(), dao.end());
  const Bytes sio = SimpleIndexObject(10000000, 7, {{1, 2}, {3, 4}});
  {
    // The 5 GiB between are a hole the system does not store.
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(head.data()), static_cast<std::streamsize>(head.size()));
    f.seekp(static_cast<std::streamoff>(daoOffset + dataSize));
    f.write(reinterpret_cast<const char*>(sio.data()), static_cast<std::streamsize>(sio.size()));
    ASSERT_TRUE(f.good());
  }
  Session s;
  ASSERT_TRUE(OpenFile(s, path));
  ASSERT_EQ(s.structure.objects.size(), 4u);
  EXPECT_EQ(static_cast<std::uint64_t>(s.structure.objects[3].offset), daoOffset + dataSize);
  EXPECT_EQ(s.structure.objects[3].guid, guid::SimpleIndex);
  ASSERT_TRUE(s.structure.rec.simpleIndex.present);
  EXPECT_EQ(s.structure.rec.simpleIndex.maximumPacketCount, 7u);
  EXPECT_EQ(s.structure.rec.simpleIndex.entries[1].packetCount, 4);
  std::filesystem::remove(path);
}

TEST(OpenAction, StatusTexts) {
  Session s;
  s.lang = Language::eng;
  EXPECT_FALSE(OpenFile(s, "/nonexistent/x.wmv"));
  EXPECT_EQ(s.statusText(), "file open error: No such file or directory");
  const std::string path = TempPath("min.wmv");
  WriteFile(path, MinimalFile());
  s.lang = Language::rus;
  EXPECT_TRUE(OpenFile(s, path));
  EXPECT_EQ(s.statusText(), "файл открыт, заголовок найден");
  EXPECT_FALSE(s.file.isOpen());
  WriteFile(path, Bytes(64, 1));
  EXPECT_FALSE(OpenFile(s, path));
  EXPECT_EQ(s.statusText(), "");
}

// The status as the open goes: the header, the index behind the data (once
// it is reached), then the result.
TEST(OpenAction, StatusSaysWhenTheIndexIsRead) {
  struct Statuses : SessionEvents {
    std::vector<MessageId> said;
    void status(const Message& m) override { said.push_back(m.id); }
  } heard;
  Bytes file = AsfFile({FilePropertiesObject({})}, {DataObject(0, 256)});
  const Bytes index = SimpleIndexObject(10000000, 7, {{1, 2}});
  const std::string path = TempPath("with-index.wmv");
  Session s;
  s.events = &heard;
  WriteFile(path, file);
  ASSERT_TRUE(OpenFile(s, path));
  EXPECT_EQ(heard.said, (std::vector<MessageId>{MessageId::ReadingHeader, MessageId::FileOpened}));
  file.insert(file.end(), index.begin(), index.end());
  WriteFile(path, file);
  heard.said.clear();
  ASSERT_TRUE(OpenFile(s, path));
  EXPECT_EQ(heard.said, (std::vector<MessageId>{MessageId::ReadingHeader, MessageId::ReadingIndex, MessageId::FileOpened}));
}
