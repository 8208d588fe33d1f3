// Recordings whose header is gone, repaired with the header of another
// recording of the same settings: what survives of the data against what
// the output holds, read back by the independent reader and decoded by
// ffmpeg.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "session/actions.hpp"
#include "support/asf_read.hpp"
#include "support/clips.hpp"

using namespace corvel;
using namespace corvel::test;

namespace {

// Per stream, the media objects that begin (offset 0) in the packets of a
// file from the packet `from` on; video from its first key frame on.
std::map<int, std::size_t> ObjectsFrom(const AsfRead& a, std::size_t from) {
  std::map<int, std::size_t> objects;
  std::map<int, bool> keyed;
  for (std::size_t k = from; k < a.packets.size(); ++k)
    for (const AsfPayload& pl : a.packets[k].payloads) {
      if (pl.offset != 0) continue;
      if (pl.stream == 1 && !keyed[1] && !pl.key) continue;  // the clips' video is stream 1
      keyed[pl.stream] = true;
      ++objects[pl.stream];
    }
  return objects;
}

std::string DecodeErrors(const std::string& path) {
  return RunCommand(std::string(CORVEL_FFMPEG) + " -v error -i " + Quote(path) + " -f null -").err;
}

struct Row {
  const char* name;
  const char* clip;
  const char* reference;
  // The damaged file from the clip's bytes (`first`: its first packet's offset).
  Bytes (*damage)(const Bytes& b, std::uint64_t first);
  std::uint64_t lost;  // bytes of the clip lost before the damaged file's data: the packets starting below are gone
  const char* refused;  // the reason's words, or null when it is repaired
};

Bytes ZeroFirst64KiB(const Bytes& b, std::uint64_t) {
  Bytes d = b;
  std::fill_n(d.begin(), 65536, 0);
  return d;
}
// The header there, its Stream Properties Objects' GUIDs zeroed.
Bytes StreamsWiped(const Bytes& b, std::uint64_t first) {
  static const Bytes streamId = {0x91, 0x07, 0xDC, 0xB7, 0xB7, 0xA9, 0xCF, 0x11, 0x8E, 0xE6, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
  Bytes d = b;
  const auto headerEnd = d.begin() + static_cast<std::ptrdiff_t>(first);
  for (auto at = std::search(d.begin(), headerEnd, streamId.begin(), streamId.end()); at != headerEnd;
       at = std::search(at, headerEnd, streamId.begin(), streamId.end()))
    std::fill_n(at, 16, 0);
  return d;
}
Bytes CarvedAtPacket(const Bytes& b, std::uint64_t first) { return Bytes(b.begin() + static_cast<std::ptrdiff_t>(first), b.end()); }
Bytes CarvedMidPacket(const Bytes& b, std::uint64_t first) { return Bytes(b.begin() + static_cast<std::ptrdiff_t>(first + 1500), b.end()); }

}  // namespace

TEST(ReferenceRepair, HeaderGoneRebuiltFromAnotherRecording) {
  const Row rows[] = {
      {"WMV2+WMA, first 64 KiB zeroed", "long", "reference-wmv2", ZeroFirst64KiB, 65536, nullptr},
      {"WMV2+WMA, carved at a packet", "long", "reference-wmv2", CarvedAtPacket, 0, nullptr},
      {"WMV2+WMA, carved mid-packet", "long", "reference-wmv2", CarvedMidPacket, 1500, nullptr},
      {"WMV2+WMA, Stream Properties wiped", "long", "reference-wmv2", StreamsWiped, 0, nullptr},
      {"MS-MPEG-4, Stream Properties wiped", "msmpeg4-long", "reference-msmpeg4", StreamsWiped, 0, nullptr},
      {"MS-MPEG-4, first 64 KiB zeroed", "msmpeg4-long", "reference-msmpeg4", ZeroFirst64KiB, 65536, nullptr},
      {"MS-MPEG-4, carved mid-packet", "msmpeg4-long", "reference-msmpeg4", CarvedMidPacket, 1500, nullptr},
      {"other packet size", "long", "reference-packets-4000", ZeroFirst64KiB, 65536,
       "the reference's packet size does not match the data: no packets of this many bytes in the first 64 MiB: 4000"},
      {"fewer streams", "long", "reference-video-only", ZeroFirst64KiB, 65536,
       "the reference's streams do not match the data: stream 2 in the data, the reference has 1"},
      {"other video codec", "long", "reference-wmv1", ZeroFirst64KiB, 65536,
       "the reference's streams do not match the data: stream 1: none of its frames decodes with the reference's codec: wmv1"},
      {"MS-MPEG-4 data, WMV2 reference", "msmpeg4-long", "reference-video-only", CarvedMidPacket, 1500,
       "the reference's streams do not match the data: stream 1: none of its frames decodes with the reference's codec: wmv2"},
      {"streams swapped", "long", "reference-swapped", ZeroFirst64KiB, 65536,
       "the reference's streams do not match the data: stream 1: its largest media object in the data and in the reference, bytes: "},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Bytes clip = ReadFile(Clip(row.clip));
    const AsfRead original = ReadAsf(clip);
    ASSERT_GE(original.packets.size(), 100u);
    // The first packet: after the Data Object's 50 bytes of its own.
    static const Bytes dataId = {0x36, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11, 0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
    const std::uint64_t first = static_cast<std::uint64_t>(std::search(clip.begin(), clip.end(), dataId.begin(), dataId.end()) - clip.begin()) + 50;
    const std::string in = TempPath("headless.wmv"), out = TempPath("headless.out.wmv");
    WriteFile(in, row.damage(clip, first));
    std::error_code ec;
    std::filesystem::remove(out, ec);
    Session s;
    s.lang = Language::eng;
    ASSERT_FALSE(HasOwnStreams(in));
    const bool opened = OpenWithReference(s, in, Clip(row.reference));
    if (row.refused) {
      EXPECT_FALSE(opened);
      EXPECT_NE(s.statusText().find(row.refused), std::string::npos) << s.statusText();
      continue;
    }
    ASSERT_TRUE(opened) << s.statusText();
    // What came from the reference: its whole header, or only the streams
    // where the file's own header is there.
    std::string taken;
    for (const Message& m : s.logLines.lines())
      if (m.id == MessageId::ReferenceObjects) taken = m.after;
    EXPECT_NE(taken.find("Stream_Properties"), std::string::npos) << taken;
    EXPECT_EQ(taken.find("File_Properties") == std::string::npos, row.damage == StreamsWiped) << taken;
    ASSERT_TRUE(Scan(s));
    // Every packet that starts past the lost bytes, and no other.
    const std::size_t survived = static_cast<std::size_t>(
        original.packets.size() - (row.lost <= first ? 0 : (row.lost - first + original.packetSize - 1) / original.packetSize));
    EXPECT_EQ(s.packets.size(), survived);
    ASSERT_TRUE(ScanAndSave(s, out)) << s.statusText();
    const AsfRead written = ReadAsf(ReadFile(out));
    ExpectSoundAsf(out);
    // The objects that begin in the surviving packets, video from its
    // first key frame: all of them, and only them.
    const auto expected = ObjectsFrom(original, original.packets.size() - survived);
    EXPECT_EQ(ObjectsFrom(written, 0), expected);
    // Every one of them decodes, and the status says so.
    std::uint64_t objects = 0;
    for (const auto& [stream, n] : expected) objects += n;
    EXPECT_TRUE(s.lastSave.writtenDecoded);
    EXPECT_EQ(s.lastSave.framesDecoding, objects);
    EXPECT_NE(s.statusText().find("frames of the written file that decode: " + std::to_string(objects)), std::string::npos)
        << s.statusText();
    EXPECT_EQ(DecodeErrors(out), "");
    // The durations are the data's (12 s less what was lost), not the reference's 4 s.
    EXPECT_GT(std::stod(Probe(out)["format"]["duration"].get<std::string>()), 10.0);
    // Every video frame written decodes.
    const std::string frames = RunCommand(std::string(CORVEL_FFPROBE) +
                                          " -v error -select_streams v -count_frames -show_entries stream=nb_read_frames -of csv=p=0 " +
                                          Quote(out)).out;
    EXPECT_EQ(std::stoul(frames), expected.at(1));
  }
}
