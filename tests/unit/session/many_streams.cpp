// Files of many streams, compressed payloads and clocks that jump, built by
// the test's own builder and read back independently: the stream table, the
// media objects, the AVI's tracks and index, the scan and the save.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>

#include "analysis/media_objects.hpp"
#include "asf/catalogue.hpp"
#include "asf/streams.hpp"
#include "export/avi.hpp"
#include "support/asf_read.hpp"
#include "support/asf_builder.hpp"
#include "support/avi_read.hpp"
#include "support/clips.hpp"
#include "support/damage.hpp"
#include "support/open.hpp"

using namespace corvel;
using namespace corvel::test;

namespace corvel {
inline void PrintTo(StreamChoice c, std::ostream* os) {
  *os << (c == StreamChoice::VideoOnly ? "VideoOnly" : c == StreamChoice::AudioOnly ? "AudioOnly" : "VideoAndAudio");
}
}  // namespace corvel

namespace {

constexpr Guid kBinary = Guid::parse("3AFB65E2-47EF-40F2-AC2C-70A90D71D343");

Bytes Video(int n, std::uint32_t w = 320) { return StreamPropertiesObject(n, guid::VideoMedia, VideoTypeSpecific(w, 240, "WMV2", 40)); }
Bytes Audio(int n, std::uint16_t channels = 2) { return StreamPropertiesObject(n, guid::AudioMedia, AudioTypeSpecific(0x0161, channels, 44100)); }
Bytes Binary(int n) { return StreamPropertiesObject(n, kBinary, {}); }

PayloadSpec Whole(int stream, std::uint32_t mo, std::uint32_t len, std::uint8_t fill, std::uint32_t time, bool key = false) {
  return {stream, key, mo, 0, len, time, len, fill};
}

PayloadSpec Compressed(int stream, std::uint32_t mo, std::uint32_t time, std::uint8_t delta, std::vector<Bytes> objects) {
  PayloadSpec p{stream, true, mo, 0, 0, time, 0, 0};
  p.objects = std::move(objects);
  p.timeDelta = delta;
  return p;
}

struct Got {
  int stream;
  std::uint32_t number, time;
  Bytes data;
  bool operator==(const Got&) const = default;
};

std::vector<Got> Objects(const Bytes& file, KindCounts* incomplete = nullptr) {
  const MemorySource src(file);
  MediaObjectReader r(src, ReadStreams(src));
  std::vector<Got> out;
  while (r.next()) out.push_back({r.object().stream, r.object().number, r.object().time, Bytes(r.data().begin(), r.data().end())});
  if (incomplete) *incomplete = r.incomplete();
  return out;
}

// Four streams: video 1, audio 2 and 3, binary 4; the video's objects span
// packets, audio 3 comes in compressed payloads.
Bytes FourStreams(std::uint32_t P = 500) {
  std::vector<Bytes> pk;
  for (std::uint32_t i = 0; i < 6; ++i) {
    const std::uint32_t t = 3000 + 100 * i;
    const auto v = static_cast<std::uint8_t>(0x10 + i);
    pk.push_back(DataPacket({100 * i, 50, true,
                             {{1, i % 3 == 0, i, 0, 300, t, 150, v}, Whole(2, i, 40, static_cast<std::uint8_t>(0x20 + i), t),
                              Compressed(3, 2 * i, t, 50, {Bytes(7, static_cast<std::uint8_t>(0x30 + i)), Bytes(9, 0x3F)}),
                              Whole(4, i, 12, static_cast<std::uint8_t>(0x40 + i), t)}},
                            P));
    pk.push_back(DataPacket({100 * i + 50, 50, true, {{1, i % 3 == 0, i, 150, 300, t, 150, v}}}, P));
  }
  return FileWithStreams(pk, P, {Video(1), Audio(2), Audio(3, 1), Binary(4)});
}

}  // namespace

TEST(StreamTable, EveryStreamPropertiesObjectAlsoInsideTheHeaderExtension) {
  // Stream 3 at the top, 1 and 5 only inside Extended Stream Properties,
  // and a second declaration of 3 there that does not replace the first.
  const Bytes heo = HeaderExtensionObject(Writer()
                                        .bytes(ExtendedStreamProperties(5, Binary(5)))
                                        .bytes(Padding(10))
                                        .bytes(ExtendedStreamProperties(1, Video(1, 640)))
                                        .bytes(ExtendedStreamProperties(3, Audio(3, 6)))
                                        .take());
  const Bytes file = AsfFile({FilePropertiesObject({}), heo, Audio(3, 1)}, {DataObject(0, 256)});
  Session s;
  ASSERT_EQ(OpenBytes(s, file), 0);
  const StreamTable fromRecords = StreamsOf(s.structure.rec);
  const StreamTable fromFile = ReadStreams(MemorySource(file));
  for (const StreamTable* t : {&fromRecords, &fromFile}) {
    ASSERT_EQ(t->size(), 3u);
    EXPECT_EQ((*t)[0].number, 1);
    EXPECT_EQ((*t)[0].kind, StreamKind::video);
    EXPECT_TRUE((*t)[0].extended);
    EXPECT_EQ((*t)[0].video.format.width, 640u);
    EXPECT_EQ((*t)[1].number, 3);
    EXPECT_FALSE((*t)[1].extended);
    EXPECT_EQ((*t)[1].audio.channels, 1);
    EXPECT_EQ((*t)[2].number, 5);
    EXPECT_EQ((*t)[2].kind, StreamKind::other);
  }
  EXPECT_EQ(FirstOfKind(fromFile, StreamKind::video), 1);
  EXPECT_EQ(KindOf(fromFile, 9), StreamKind::other);
}

TEST(StreamTable, WhatMakesPartsDiffer) {
  const StreamTable base = ReadStreams(MemorySource(FileWithStreams({}, 256, {Video(1), Audio(2)})));
  struct Case {
    std::vector<Bytes> streams;
    std::string why;  // empty: the same
  };
  const std::vector<Case> cases{
      {{Video(1), Audio(2)}, ""},
      {{Audio(2), Video(1)}, ""},  // order in the header does not matter
      {{Video(1), Audio(2, 1)}, "stream 2: format 353, 2 ch, 44100 Hz / format 353, 1 ch, 44100 Hz"},
      {{Video(1, 640), Audio(2)}, "stream 1: compression 844516695, 320x240 / compression 844516695, 640x240"},
      {{Video(1), Audio(3)}, "streams 1:video 2:audio / 1:video 3:audio"},
      {{Video(1), Audio(2), Audio(3)}, "streams 1:video 2:audio / 1:video 2:audio 3:audio"},
      {{Video(1), Binary(2)}, "streams 1:video 2:audio / 1:video 2:other"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(StreamTablesDiffer(base, ReadStreams(MemorySource(FileWithStreams({}, 256, c.streams)))), c.why) << c.why;
}

TEST(MediaObjects, CompressedPayloadsGiveTheirObjectsWithTheirTimes) {
  const std::uint32_t P = 300;
  std::vector<Bytes> pk;
  pk.push_back(DataPacket({0, 0, true, {Compressed(2, 4, 1000, 23, {Bytes(10, 0xA1), Bytes(20, 0xA2), Bytes(5, 0xA3)}),
                                        Whole(1, 0, 30, 0xB0, 1000, true)}},
                          P));
  pk.push_back(DataPacket({0, 0, false, {Compressed(2, 7, 1069, 23, {Bytes(3, 0xA4)})}}, P));  // a single payload
  const std::vector<Got> want{{2, 4, 1000, Bytes(10, 0xA1)}, {2, 5, 1023, Bytes(20, 0xA2)}, {2, 6, 1046, Bytes(5, 0xA3)},
                              {1, 0, 1000, Bytes(30, 0xB0)}, {2, 7, 1069, Bytes(3, 0xA4)}};
  KindCounts incomplete;
  EXPECT_EQ(Objects(FileWithPackets(pk, P), &incomplete), want);
  EXPECT_EQ(incomplete.total(), 0u);
  // Sizes that do not add up: what is left is no object, and is counted.
  Bytes broken = FileWithPackets(pk, P);
  const Bytes mark{20, 0xA2, 0xA2};
  const auto at = std::search(broken.begin(), broken.end(), mark.begin(), mark.end());
  ASSERT_NE(at, broken.end());
  *at = 250;
  const std::vector<Got> got = Objects(broken, &incomplete);
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0], want[0]);
  EXPECT_EQ(got[1], want[3]);
  EXPECT_EQ(incomplete.audio, 1u);
}

TEST(MediaObjects, EveryStreamInTheOrderItsObjectsBegin) {
  const Bytes file = FourStreams();
  const std::vector<Got> got = Objects(file);
  std::map<int, int> perStream;
  for (const Got& g : got) ++perStream[g.stream];
  EXPECT_EQ(perStream, (std::map<int, int>{{1, 6}, {2, 6}, {3, 12}, {4, 6}}));
  // Packet by packet: the video object begins first, then the others of the packet.
  ASSERT_GE(got.size(), 5u);
  EXPECT_EQ(got[0].stream, 1);
  EXPECT_EQ(got[0].data.size(), 300u);
  EXPECT_EQ(got[1].stream, 2);
  EXPECT_EQ(got[2].stream, 3);
  EXPECT_EQ(got[3].stream, 3);
  EXPECT_EQ(got[3].time, 3050u);
  EXPECT_EQ(got[4].stream, 4);
}

// A writer that keeps one stream's object open while the others' pile up
// behind it is bounded: past the limit that object is left out.
TEST(MediaObjects, ObjectsWaitingBehindAnUnfinishedOneAreBounded) {
  const std::uint32_t P = 60000;
  std::vector<Bytes> pk;
  pk.push_back(DataPacket({0, 0, true, {{1, true, 0, 0, 200, 0, 100, 0x11}}}, P));
  const std::uint32_t n = MediaObjectReader::kMaxQueued / 50000 + 2;
  for (std::uint32_t i = 0; i < n; ++i) pk.push_back(DataPacket({0, 0, true, {Whole(2, i, 50000, 0x22, i)}}, P));
  // Its second half comes only after more than the bound of other objects.
  pk.push_back(DataPacket({0, 0, true, {{1, true, 0, 100, 200, 0, 100, 0x11}}}, P));
  KindCounts incomplete;
  const std::vector<Got> got = Objects(FileWithPackets(pk, P), &incomplete);
  EXPECT_EQ(got.size(), n);
  EXPECT_EQ(incomplete.video, 1u);
}

class AviTracks : public ::testing::TestWithParam<StreamChoice> {};

TEST_P(AviTracks, EveryStreamOfTheChoiceIsATrackWithItsOwnChunks) {
  const Bytes file = FourStreams();
  const std::string src = TempPath("four" + std::to_string(static_cast<int>(GetParam())) + ".asf"), out = src + ".avi";
  WriteFile(src, file);
  Session s;
  ASSERT_TRUE(OpenFile(s, src));
  const auto r = RunJob([&](JobContext& ctx) { return ExportAvi(SourceRef{src}, {}, s.structure.rec, out, GetParam(), ctx); });
  ASSERT_TRUE(r.ok()) << Text(r.message);
  // Ground truth: the objects of the source, stream by stream.
  std::map<int, std::vector<Bytes>> truth;
  for (const Got& g : Objects(file)) truth[g.stream].push_back(g.data);
  std::vector<int> tracks;  // the ASF streams in track order
  if (GetParam() != StreamChoice::AudioOnly) tracks.push_back(1);
  if (GetParam() != StreamChoice::VideoOnly) tracks.insert(tracks.end(), {2, 3});
  const AviRead avi = ReadAvi(ReadFile(out));
  ExpectSoundAvi(avi);
  ASSERT_EQ(avi.tracks.size(), tracks.size());
  std::map<int, std::vector<Bytes>> chunks;
  for (const AviChunk& c : avi.chunks) {
    const std::size_t t = static_cast<std::size_t>((c.code[0] - '0') * 10 + (c.code[1] - '0'));
    ASSERT_LT(t, tracks.size()) << c.code;
    const bool video = tracks[t] == 1;
    EXPECT_EQ(avi.tracks[t].type, video ? "vids" : "auds");
    EXPECT_TRUE(c.code.substr(2) == (video ? "dc" : "wb") || (video && c.code.substr(2) == "db")) << c.code;
    chunks[tracks[t]].push_back(c.data);
  }
  for (int stream : tracks) EXPECT_EQ(chunks[stream], truth[stream]) << "stream " << stream;
  EXPECT_EQ(chunks.count(4), 0u);
  // The binary stream is named as left out, with its objects.
  ASSERT_EQ(r.data.streamsLeftOut.size(), 1u);
  EXPECT_EQ(r.data.streamsLeftOut[0].number, 4);
  EXPECT_EQ(r.data.objectsLeftOut, 6u);
  EXPECT_EQ(Text(r.message), "operation complete\nstreams an AVI cannot carry, left out: 4 ASF_Binary_Media\nmedia objects written: " +
                                 std::to_string(avi.chunks.size()) + " of " + std::to_string(avi.chunks.size() + 6));
  ASSERT_EQ(r.data.streams.size(), tracks.size());
  for (std::size_t t = 0; t < tracks.size(); ++t) {
    EXPECT_EQ(r.data.streams[t].number, tracks[t]);
    EXPECT_EQ(r.data.streams[t].chunks, truth[tracks[t]].size());
  }
}

INSTANTIATE_TEST_SUITE_P(Choices, AviTracks, ::testing::Values(StreamChoice::VideoAndAudio, StreamChoice::VideoOnly, StreamChoice::AudioOnly),
                         ::testing::PrintToStringParamName());

TEST(Frames, TheChoiceTakesEveryStreamOfItsKindsAndTheResultNamesThem) {
  const std::string src = TempPath("four-frames.asf");
  WriteFile(src, FourStreams());
  struct Case {
    StreamChoice choice;
    std::map<int, int> files;  // per stream
  };
  for (const Case& c : {Case{StreamChoice::VideoAndAudio, {{1, 6}, {2, 6}, {3, 12}, {4, 6}}}, Case{StreamChoice::VideoOnly, {{1, 6}}},
                        Case{StreamChoice::AudioOnly, {{2, 6}, {3, 12}, {4, 6}}}}) {
    const std::string dir = TempPath("four-frames-" + std::to_string(static_cast<int>(c.choice)));
    std::filesystem::create_directories(dir);
    const auto r = RunJob([&](JobContext& ctx) { return ExportFrames(SourceRef{src}, {}, 1000, c.choice, dir, ctx); });
    ASSERT_TRUE(r.ok()) << Text(r.message);
    std::map<int, int> files;
    for (const FrameFile& f : r.data.files) {
      ++files[f.stream];
      EXPECT_TRUE(std::filesystem::exists(dir + "/" + f.file)) << f.file;
    }
    EXPECT_EQ(files, c.files);
    // Names by position among all the objects: the first is frame0.txt.
    EXPECT_EQ(r.data.files.front().file, c.choice == StreamChoice::AudioOnly ? "frame1.txt" : "frame0.txt");
  }
}

// A send time that jumps (forward by 1000 hours, or back by two) between
// two packets that are otherwise the file's: every packet is a packet, the
// jump is one finding, and the save keeps them all; in both packet forms.
TEST(ScanClock, AJumpIsAFindingNotDamage) {
  struct Case {
    std::int64_t jump;  // milliseconds
    bool errorCorrection;
  };
  const std::int64_t hours = 3'600'000;
  for (const Case& c : {Case{1000 * hours, true}, Case{1000 * hours, false}, Case{-2 * hours, true}, Case{-2 * hours, false}}) {
    SCOPED_TRACE(std::to_string(c.jump) + (c.errorCorrection ? " with error correction" : " plain"));
    const std::uint32_t P = 400, base = c.jump < 0 ? static_cast<std::uint32_t>(-c.jump) + 10000 : 3000;
    std::vector<Bytes> pk;
    for (std::uint32_t i = 0; i < 20; ++i) {
      const auto t = static_cast<std::uint32_t>(base + 100 * i + (i >= 10 ? c.jump : 0));
      pk.push_back(DataPacket({t, 100, true, {Whole(1, i, 120, static_cast<std::uint8_t>(i), t + 50, i % 5 == 0), Whole(2, i, 60, 0x22, t + 50)}}, P));
    }
    Bytes file = FileWithPackets(pk, P);
    if (!c.errorCorrection) file = WithoutErrorCorrection(file);
    Session s;
    s.lang = Language::eng;
    ASSERT_TRUE(ScanBytes(s, file));
    EXPECT_EQ(s.packets.size(), 20u);
    EXPECT_TRUE(s.errBlocks.empty());
    const std::string from = std::to_string(base + 900), to = std::to_string(base + 1000 + c.jump);
    int jumps = 0;
    for (const std::string& line : MemoLines(s)) {
      jumps += line.find("send time jumps") != std::string::npos;
      EXPECT_EQ(line.find("going down"), std::string::npos) << line;  // the jump is said once, not as its effects
      EXPECT_EQ(line.find("SendTime <"), std::string::npos) << line;
    }
    EXPECT_EQ(jumps, 1) << MemoText(s);
    EXPECT_NE(MemoText(s).find("packet nn=10. send time jumps (ms): " + from + " -> " + to), std::string::npos) << MemoText(s);
    const std::string out = TempPath("clock.wmv");
    ASSERT_TRUE(Save(s, out));
    if (c.jump > 0) ExpectSoundAsf(out);  // a clock that goes back is kept as it is
    EXPECT_EQ(s.lastSave.packets, 20u);
    EXPECT_EQ(s.statusText(), "file saved");
    Session back;
    ASSERT_TRUE(ScanBytes(back, ReadFile(out)));
    EXPECT_EQ(back.packets.size(), 20u);
  }
}

// A save that leaves packets of error blocks out says how many of how many.
TEST(SaveCounts, PacketsLeftOutInErrorBlocksAreCounted) {
  const std::uint32_t P = 400;
  std::vector<Bytes> pk;
  for (std::uint32_t i = 0; i < 20; ++i) pk.push_back(DataPacket({3000 + 100 * i, 100, true, {Whole(1, i, 150, 1, 3050 + 100 * i, true)}}, P));
  Bytes file = FileWithPackets(pk, P);
  const std::size_t data = file.size() - 20 * P;
  std::fill(file.begin() + static_cast<std::ptrdiff_t>(data + 5 * P), file.begin() + static_cast<std::ptrdiff_t>(data + 8 * P), 0xEE);
  Session s;
  s.lang = Language::eng;
  ASSERT_TRUE(ScanBytes(s, file));
  ASSERT_EQ(s.packets.size(), 17u);
  ASSERT_TRUE(Save(s, TempPath("counted.wmv")));
  EXPECT_EQ(s.statusText(), "file saved\npackets written: 17 of 20; left out in error blocks: 3");
  EXPECT_EQ(s.lastSave.sourcePackets, 20u);
  EXPECT_EQ(s.lastSave.packetsInErrorBlocks, 3u);
  s.lang = Language::rus;
  EXPECT_EQ(s.statusText(), "файл сохранён\nзаписано пакетов: 17 из 20; пропущено в блоках ошибок: 3");
}

// Compressed payloads are judged like other media objects by the save: one
// whose sizes do not add up is left out and counted.
TEST(SaveCounts, ACompressedPayloadWhoseSizesDoNotAddUpIsLeftOut) {
  const std::uint32_t P = 300;
  std::vector<Bytes> pk;
  for (std::uint32_t i = 0; i < 4; ++i)
    pk.push_back(DataPacket({3000 + 100 * i, 100, true,
                             {Whole(1, i, 50, 1, 3050 + 100 * i, true),
                              Compressed(2, 3 * i, 3050 + 100 * i, 20, {Bytes(8, 0x61), Bytes(8, static_cast<std::uint8_t>(0x70 + i)), Bytes(8, 0x63)})}},
                            P));
  Bytes file = FileWithPackets(pk, P);
  const Bytes mark{8, 0x72};
  const auto at = std::search(file.begin(), file.end(), mark.begin(), mark.end());
  ASSERT_NE(at, file.end());
  *at = 200;  // the second object of packet 2 claims more than there is
  Session s;
  s.lang = Language::eng;
  ASSERT_TRUE(ScanBytes(s, file));
  const std::string out = TempPath("compressed.wmv");
  ASSERT_TRUE(Save(s, out));
  ExpectSoundAsf(out, false);  // the objects left out leave a gap in the numbers
  EXPECT_EQ(s.lastSave.leftOut.audio, 2u);  // the object before the bad size, and what follows it as one
  EXPECT_EQ(s.lastSave.packets, 4u);
  // The saved file holds every other object, and nothing of the broken payload.
  KindCounts incomplete;
  std::map<int, int> perStream;
  for (const Got& g : Objects(ReadFile(out), &incomplete)) ++perStream[g.stream];
  EXPECT_EQ(perStream, (std::map<int, int>{{1, 4}, {2, 9}}));
  EXPECT_EQ(incomplete.total(), 0u);
}

// A file that ends inside a packet: the export says how many bytes of it
// were left out rather than "operation complete" alone.
TEST(AviCounts, DataEndingInsideAPacketIsReported) {
  Bytes file = FourStreams(500);
  file.resize(file.size() - 200);
  const std::string src = TempPath("cut-short.asf"), out = src + ".avi";
  WriteFile(src, file);
  Session s;
  ASSERT_TRUE(OpenFile(s, src));
  const auto r = RunJob([&](JobContext& ctx) { return ExportAvi(SourceRef{src}, {}, s.structure.rec, out, StreamChoice::VideoOnly, ctx); });
  ASSERT_TRUE(r.ok()) << Text(r.message);
  EXPECT_EQ(r.data.tailBytesLeftOut, 300u);
  // The last video object lost its second fragment with the packet.
  EXPECT_EQ(r.data.incompleteVideo, 1u);
  EXPECT_NE(Text(r.message).find("\nthe data ends inside a packet, bytes left out: 300\n"), std::string::npos) << Text(r.message);
}

// Bytes inserted between packets, or over a packet: the walk picks the
// packets up again where they moved, and says how many bytes it passed over.
TEST(AviCounts, PacketsAreFoundAgainPastDamage) {
  const std::uint32_t P = 500;
  const Bytes sound = FourStreams(P);
  const std::size_t data = sound.size() - 12 * P;
  struct Case {
    std::size_t at, inserted, overwritten;
    std::size_t objectsLost;  // of streams 1 to 3
  };
  // 77 bytes between packets 4 and 5: nothing lost. 300 over the start of
  // packet 6 (the first half of video object 3 and its packet's others).
  for (const Case& c : {Case{data + 5 * P, 77, 0, 0}, Case{data + 6 * P, 0, 300, 4}}) {
    Bytes file = sound;
    file.insert(file.begin() + static_cast<std::ptrdiff_t>(c.at), c.inserted, 0x82);
    std::fill_n(file.begin() + static_cast<std::ptrdiff_t>(c.at), c.overwritten, 0x82);
    const std::string src = TempPath("moved.asf"), out = src + ".avi";
    WriteFile(src, file);
    Session s;
    ASSERT_TRUE(OpenFile(s, src));
    const auto r = RunJob([&](JobContext& ctx) { return ExportAvi(SourceRef{src}, {}, s.structure.rec, out, StreamChoice::VideoAndAudio, ctx); });
    ASSERT_TRUE(r.ok()) << Text(r.message);
    EXPECT_EQ(r.data.damagedBytesSkipped, c.inserted ? c.inserted : P);
    const AviRead avi = ReadAvi(ReadFile(out));
    ExpectSoundAvi(avi);
    EXPECT_EQ(avi.chunks.size(), 24u - c.objectsLost);
    EXPECT_NE(Text(r.message).find("\ndamaged data passed over, bytes: " + std::to_string(r.data.damagedBytesSkipped)), std::string::npos);
  }
}

// An input the header fuzz target found, on which the old media object walk
// (back to where the last object began, then forward) never ended: every
// walk over it ends, and the exports say what they passed over.
TEST(MediaObjects, TheWalkOverAFuzzedFileEnds) {
  const std::string src = std::string(CORVEL_TEST_DATA) + "/media-object-walk-hang.bin";
  const Bytes file = ReadFile(src);
  ASSERT_EQ(file.size(), 3413u);
  const MemorySource mem(file);
  MediaObjectReader r(mem, ReadStreams(mem));
  std::size_t n = 0;
  while (r.next()) ++n;
  EXPECT_LE(n, file.size());
  const std::string dir = TempPath("hang-frames");
  std::filesystem::create_directories(dir);
  const auto frames = RunJob([&](JobContext& ctx) { return ExportFrames(SourceRef{src}, {}, 100000, StreamChoice::VideoAndAudio, dir, ctx); });
  // Nothing whole to write is a failure, with no file written.
  EXPECT_EQ(frames.outcome, Outcome::failed);
  EXPECT_EQ(Text(frames.message), "• no media object found to write");
  EXPECT_TRUE(std::filesystem::is_empty(dir));
  Session s;
  ASSERT_TRUE(OpenFile(s, src));
  const auto avi = RunJob([&](JobContext& ctx) { return ExportAvi(SourceRef{src}, {}, s.structure.rec, TempPath("hang.avi"), StreamChoice::VideoAndAudio, ctx); });
  EXPECT_EQ(avi.data.chunks, 0u);
}

// A frame file that cannot be written ends the export: the result names
// the file and the system's reason, and how many files were written before.
// (Linux: a link to its device that is always full; Windows has none.)
#ifndef _WIN32
TEST(Frames, AWriteThatFailsNamesItsCauseAndTheFilesKept) {
  ASSERT_TRUE(std::filesystem::exists("/dev/full"));
  const std::string src = TempPath("four-full.asf"), dir = TempPath("frames-full");
  WriteFile(src, FourStreams());
  std::filesystem::create_directories(dir);
  std::filesystem::create_symlink("/dev/full", dir + "/frame2.txt");  // a disk that is full at the third file
  const auto r = RunJob([&](JobContext& ctx) { return ExportFrames(SourceRef{src}, {}, 10, StreamChoice::VideoAndAudio, dir, ctx); });
  EXPECT_EQ(r.outcome, Outcome::failed);
  EXPECT_EQ(Text(r.message), "file save error: " + dir + "/frame2.txt: No space left on device\nsaved frames: 2");
  EXPECT_EQ(r.data.files.size(), 2u);
  EXPECT_TRUE(std::filesystem::exists(dir + "/frame1.txt"));
  EXPECT_FALSE(std::filesystem::exists(dir + "/frame3.txt"));  // nothing after the failure
  EXPECT_TRUE(std::filesystem::is_symlink(dir + "/frame2.txt"));
}
#endif

// A Data Object the data fuzz target found: its presentation times jump by
// weeks, and the scan's new Simple Index once held an entry for every second
// of them (millions, copied with every job). It is in proportion now.
TEST(SimpleIndex, AFuzzedClockJumpKeepsTheIndexSmall) {
  const Bytes data = ReadFile(std::string(CORVEL_TEST_DATA) + "/simple-index-clock-jump.bin");
  Bytes file = FileWithPackets({}, 3200);
  file.insert(file.end(), data.begin(), data.end());
  Session s;
  ASSERT_EQ(OpenBytes(s, file), 0);
  ASSERT_TRUE(Scan(s));
  EXPECT_LE(s.structure.rec.simpleIndex.entryCount, 86'400u);
  EXPECT_EQ(s.structure.rec.simpleIndex.entries.size(), s.structure.rec.simpleIndex.entryCount);
}

// The session's packets, cuts and records hold for the file it opened: a
// job on a file changed on disk since is refused with the reason, and
// writes nothing.
TEST(SourceChanged, EveryJobOnTheSessionRefuses) {
  struct Case {
    const char* job;
    std::function<bool(Session&, const std::string&)> run;
  };
  const std::vector<Case> cases{
      {"scan", [](Session& s, const std::string&) { return Scan(s); }},
      {"save", [](Session& s, const std::string& out) { return Save(s, out); }},
      {"repair", [](Session& s, const std::string&) { return Repair(s, RepairMode::cutByStructure, {}); }},
      {"avi",
       [](Session& s, const std::string& out) {
         JobContext ctx;
         const auto r = PrepareAvi(s, out, StreamChoice::VideoAndAudio).run(ctx);
         s.setStatus(r.message);
         return r.ok();
       }},
      {"frames",
       [](Session& s, const std::string& out) {
         JobContext ctx;
         const auto r = PrepareFrames(s, 5, StreamChoice::VideoAndAudio, out).run(ctx);  // into a folder that is not there
         s.setStatus(r.message);
         return r.ok();
       }},
      {"bytes for the dump window",
       [](Session& s, const std::string&) {
         Bytes b;
         Message why;
         const bool ok = ReadSourceBytes(s, 0, 100, false, b, why);
         s.setStatus(Message(why.id));
         return ok;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.job);
    const std::string src = TempPath(std::string("changing-") + c.job + ".asf"), out = src + ".saved.wmv";
    const Bytes file = FourStreams();
    WriteFile(src, file);
    Session s;
    s.lang = Language::eng;
    ASSERT_TRUE(OpenFile(s, src));
    ASSERT_TRUE(Scan(s));
    Bytes cut = file;
    cut.resize(cut.size() - 700);  // another program cut it short
    WriteFile(src, cut);
    EXPECT_FALSE(c.run(s, out));
    EXPECT_EQ(s.statusText(), "the file changed on disk since it was opened: open it again");
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(ReadFile(src), cut);
    // Opened again, it is the file there now.
    ASSERT_TRUE(OpenFile(s, src));
    EXPECT_TRUE(Scan(s));
  }
}
