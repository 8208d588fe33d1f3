// AVI remux and frames to files, judged by ffprobe and ffmpeg's demuxer.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>

#include "session/actions.hpp"
#include "analysis/packet.hpp"
#include "asf/catalogue.hpp"
#include "export/avi.hpp"
#include "support/open.hpp"
#include "support/asf_builder.hpp"
#include "support/avi_read.hpp"
#include "support/clips.hpp"

using namespace corvel;
using namespace corvel::test;

namespace corvel {
inline void PrintTo(StreamChoice c, std::ostream* os) {
  *os << (c == StreamChoice::VideoOnly ? "VideoOnly" : c == StreamChoice::AudioOnly ? "AudioOnly" : "VideoAndAudio");
}
}  // namespace corvel
using nlohmann::json;

namespace {

Session Opened(const std::string& path) {
  Session s;
  EXPECT_TRUE(OpenFile(s, path));
  return s;
}

std::string FrameRate(const json& stream) { return stream["r_frame_rate"].get<std::string>(); }

// The packets of a file's streams of one kind ("video", "audio"), in order, as
// ffmpeg's demuxer reads them: "size,flags,CRC" each.
std::vector<std::string> PacketsOfKind(const std::string& path, const std::string& kind) {
  const json probe = Probe(path);
  std::set<int> wanted;
  for (const json& st : probe["streams"])
    if (st["codec_type"] == kind) wanted.insert(st["index"].get<int>());
  const auto c = RunCommand(std::string(CORVEL_FFPROBE) + " -v error -show_data_hash CRC32 -show_entries " +
                            "packet=stream_index,size,flags,data_hash -of csv=p=0 " + Quote(path));
  std::vector<std::string> out;
  std::istringstream lines(c.out);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t comma = line.find(',');
    if (comma != std::string::npos && wanted.count(std::stoi(line.substr(0, comma)))) out.push_back(line.substr(comma + 1));
  }
  return out;
}

// The AVI is sound (read back by the tests' own reader: sizes, indexes,
// headers) and carries each chosen kind's packets of the source, bytes,
// order and key frames as they are there.
void ExpectAviCarries(const std::string& avi, const std::string& src, StreamChoice choice) {
  const AviRead a = ReadAvi(ReadFile(avi));
  ExpectSoundAvi(a);
  for (const std::string kind : {"video", "audio"}) {
    if ((kind == "video" && choice == StreamChoice::AudioOnly) || (kind == "audio" && choice == StreamChoice::VideoOnly)) continue;
    const auto source = PacketsOfKind(src, kind);
    EXPECT_EQ(PacketsOfKind(avi, kind), source) << kind;
    if (kind != "video") continue;
    // The index's key flags, chunk by chunk, against the source's.
    const bool odml = a.extendedFrames >= 0;
    std::vector<bool> keys;
    for (std::size_t t = 0; t < a.tracks.size() && keys.empty(); ++t) {
      if (a.tracks[t].type != "vids") continue;
      if (odml) {
        for (const AviChunk& c : a.tracks[t].indexed) keys.push_back(c.key);
      } else {
        for (const AviChunk& c : a.chunks)
          if (TrackOf(c.code) == t) keys.push_back(c.key);
      }
    }
    ASSERT_EQ(keys.size(), source.size());
    for (std::size_t i = 0; i < keys.size(); ++i) EXPECT_EQ(keys[i], source[i].find(",K") != std::string::npos) << "frame " << i;
  }
}

double Rate(const std::string& r) {
  const auto slash = r.find('/');
  return std::stod(r.substr(0, slash)) / std::stod(r.substr(slash + 1));
}

}  // namespace

class AviChoice : public ::testing::TestWithParam<StreamChoice> {};

TEST_P(AviChoice, DecodesCompletelyWithTheSourcesRate) {
  const std::string src = Clip("av");
  const Session s = Opened(src);
  const std::string out = TempPath("choice" + std::to_string(static_cast<int>(GetParam())) + ".avi");
  const auto r = RunJob([&](JobContext& ctx) { return ExportAvi(SourceRef{src}, {}, s.structure.rec, out, GetParam(), ctx); });
  ASSERT_TRUE(r.ok()) << Text(r.message);
  EXPECT_EQ(r.message.id, MessageId::OperationComplete);
  const json probe = Probe(out), source = Probe(src);
  const auto& streams = probe["streams"];
  const bool video = GetParam() != StreamChoice::AudioOnly, audio = GetParam() != StreamChoice::VideoOnly;
  ASSERT_EQ(streams.size(), static_cast<std::size_t>(video + audio));
  if (video) {
    EXPECT_EQ(streams[0]["codec_type"], "video");
    EXPECT_EQ(streams[0]["codec_tag_string"], "WMV2");
    EXPECT_NEAR(Rate(FrameRate(streams[0])), Rate(FrameRate(source["streams"][0])), 1e-6);
  }
  if (audio) {
    const json& a = streams[video ? 1 : 0];
    EXPECT_EQ(a["codec_type"], "audio");
    EXPECT_EQ(a["codec_name"], "wmav2");
  }
  // Every frame of the source is in the AVI and decodes from it, without error.
  ExpectAviCarries(out, src, GetParam());
  EXPECT_EQ(RunCommand(std::string(CORVEL_FFMPEG) + " -v error -i " + Quote(out) + " -f null -").err, "");
}

INSTANTIATE_TEST_SUITE_P(Streams, AviChoice,
                         ::testing::Values(StreamChoice::VideoAndAudio, StreamChoice::VideoOnly, StreamChoice::AudioOnly),
                         ::testing::PrintToStringParamName());

TEST(Avi, LayoutAndGuards) {
  const std::string src = Clip("av");
  const Session s = Opened(src);
  const std::string out = TempPath("layout.avi");
  ASSERT_TRUE(RunJob([&](JobContext& ctx) { return ExportAvi(SourceRef{src}, {}, s.structure.rec, out, StreamChoice::VideoAndAudio, ctx); }).ok());
  const Bytes b = ReadFile(out);
  EXPECT_EQ(std::string(b.begin() + 2044, b.begin() + 2048), "movi");
  // ffmpeg's clip starts with audio: "01wb" first, every video chunk "00dc".
  EXPECT_EQ(std::string(b.begin() + 2048, b.begin() + 2052), "01wb");
  ExpectAviCarries(out, src, StreamChoice::VideoAndAudio);
  // A source opened from nothing, the source as output, a missing source.
  Session none;
  EXPECT_EQ(RunJob([&](JobContext& ctx) { return ExportAvi(SourceRef{src}, {}, none.structure.rec, TempPath("x.avi"), StreamChoice::VideoAndAudio, ctx); }).message.id,
            MessageId::OpenFileFirst);
  EXPECT_FALSE(RunJob([&](JobContext& ctx) { return ExportAvi(SourceRef{src}, {}, s.structure.rec, src, StreamChoice::VideoAndAudio, ctx); }).ok());
  EXPECT_EQ(ReadFile(src), ReadFile(Clip("av")));
  EXPECT_FALSE(RunJob([&](JobContext& ctx) { return ExportAvi(SourceRef{TempPath("gone.wmv")}, {}, s.structure.rec, TempPath("y.avi"), StreamChoice::VideoAndAudio, ctx); }).ok());
  // Audio with a block alignment of 0 and long codec data: no division by zero, movi after the headers.
  HeaderRecords odd = s.structure.rec;
  for (corvel::StreamProperties& spo : odd.streams) {
    Bytes& t = spo.typeSpecificData;
    if (spo.streamType == guid::AudioMedia) PutWord(0, t, 12);  // BlockAlignment
    if (spo.streamType == guid::VideoMedia) {
      PutDWord(40 + 3000, t, 11);  // the bitmap header's size: codec data follows
      t.resize(51 + 3000, 7);
    }
  }
  const std::string big = TempPath("bighead.avi");
  ASSERT_TRUE(RunJob([&](JobContext& ctx) { return ExportAvi(SourceRef{src}, {}, odd, big, StreamChoice::VideoAndAudio, ctx); }).ok());
  ExpectSoundAvi(ReadAvi(ReadFile(big)));
}

// Past the RIFF limit (a small one, injected): OpenDML. The first RIFF list
// holds the headers with the super indexes and the extended header, later
// ones are RIFF AVIX lists; each movi list ends in its standard indexes. ffmpeg
// reads every frame, decodes without a word, and seeks near the end.
TEST(Avi, PastTheRiffLimitOpenDml) {
  const std::string src = Clip("long");
  const Session s = Opened(src);
  const std::string out = TempPath("odml.avi");
  constexpr std::uint64_t kLimit = 150'000;
  const auto r = RunJob([&](JobContext& ctx) { return ExportAvi(SourceRef{src}, {}, s.structure.rec, out, StreamChoice::VideoAndAudio, ctx, kLimit); });
  ASSERT_TRUE(r.ok()) << Render(r.message, Language::eng);
  const AviRead a = ReadAvi(ReadFile(out));
  EXPECT_GE(a.riffSizes.size(), 3u);
  EXPECT_GE(a.extendedFrames, 0);
  for (const std::uint64_t size : a.riffSizes) EXPECT_LE(size + 8, kLimit);
  ExpectAviCarries(out, src, StreamChoice::VideoAndAudio);
  EXPECT_EQ(r.data.videoChunks, PacketsOfKind(src, "video").size());
  EXPECT_EQ(RunCommand(std::string(CORVEL_FFMPEG) + " -v error -i " + Quote(out) + " -f null -").err, "");
  // Seeking near the end finds frames there.
  const auto seek = RunCommand(std::string(CORVEL_FFMPEG) + " -v error -ss 9 -i " + Quote(out) + " -map 0:v -f framemd5 -");
  EXPECT_EQ(seek.err, "");
  EXPECT_GE(std::count(seek.out.begin(), seek.out.end(), '\n'), 10);
  // A file that fits is written as always: no OpenDML.
  const std::string classic = TempPath("classic.avi");
  ASSERT_TRUE(RunJob([&](JobContext& ctx) { return ExportAvi(SourceRef{src}, {}, s.structure.rec, classic, StreamChoice::VideoAndAudio, ctx); }).ok());
  const AviRead c = ReadAvi(ReadFile(classic));
  EXPECT_EQ(c.riffSizes.size(), 1u);
  EXPECT_EQ(c.extendedFrames, -1);
  ExpectAviCarries(classic, src, StreamChoice::VideoAndAudio);
}

// A chunk larger than a RIFF list can hold is refused, and nothing is left.
TEST(Avi, AChunkPastTheRiffLimitIsRefused) {
  const std::string src = Clip("av");
  const Session s = Opened(src);
  const std::string out = TempPath("too-big.avi");
  const auto r = RunJob([&](JobContext& ctx) { return ExportAvi(SourceRef{src}, {}, s.structure.rec, out, StreamChoice::VideoAndAudio, ctx, 5'000); });
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(r.message, Message(MessageId::AviTooLarge, out));
  EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(Avi, AudioOnlyClip) {
  const std::string src = Clip("audio");
  const Session s = Opened(src);
  const std::string out = TempPath("audio-only.avi");
  const auto r = RunJob([&](JobContext& ctx) { return ExportAvi(SourceRef{src}, {}, s.structure.rec, out, StreamChoice::VideoAndAudio, ctx); });
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.data.videoChunks, 0u);
  EXPECT_EQ(Probe(out)["streams"].size(), 1u);  // no empty video stream
  ExpectAviCarries(out, src, StreamChoice::AudioOnly);
  EXPECT_FALSE(RunJob([&](JobContext& ctx) { return ExportAvi(SourceRef{src}, {}, s.structure.rec, TempPath("no-video.avi"), StreamChoice::VideoOnly, ctx); }).ok());
  EXPECT_EQ(RunCommand(std::string(CORVEL_FFMPEG) + " -v error -i " + Quote(out) + " -f null -").err, "");
}

// The files hold the media objects exactly as ffmpeg's demuxer delivers them.
TEST(Frames, BytesEqualTheDemuxersPackets) {
  const std::string src = Clip("av");
  const std::string dir = TempPath("frames");
  std::filesystem::create_directories(dir);
  const auto r = RunJob([&](JobContext& ctx) { return ExportFrames(SourceRef{src}, {}, 30, StreamChoice::VideoOnly, dir, ctx); });
  ASSERT_TRUE(r.ok());
  const std::string data = TempPath("video.data");
  ASSERT_EQ(RunCommand(std::string(CORVEL_FFMPEG) + " -v error -y -i " + Quote(src) + " -map 0:v -c copy -f data " + Quote(data)).exitCode, 0);
  const Bytes all = ReadFile(data);
  Bytes ours;
  std::size_t files = 0;
  for (int k = 0; k <= 30; ++k) {
    const std::string f = dir + "/frame" + std::to_string(k) + ".txt";
    if (!std::filesystem::exists(f)) continue;
    const Bytes b = ReadFile(f);
    ours.insert(ours.end(), b.begin(), b.end());
    ++files;
  }
  EXPECT_EQ(files, r.data.chunks);
  EXPECT_GT(files, 10u);
  ASSERT_LE(ours.size(), all.size());
  EXPECT_TRUE(std::equal(ours.begin(), ours.end(), all.begin()));
}

TEST(Frames, CountsAndChoices) {
  const std::string src = Clip("av");
  const std::string dir = TempPath("frames0");
  std::filesystem::create_directories(dir);
  int beeps = 0;
  auto r = RunJob([&](JobContext& ctx) { return ExportFrames(SourceRef{src}, {}, 0, StreamChoice::VideoAndAudio, dir, ctx, [&] { ++beeps; }); });
  EXPECT_EQ(r.data.chunks, 1u);
  EXPECT_TRUE(std::filesystem::exists(dir + "/frame0.txt"));
  EXPECT_FALSE(std::filesystem::exists(dir + "/frame1.txt"));
  r = RunJob([&](JobContext& ctx) { return ExportFrames(SourceRef{src}, {}, 100000, StreamChoice::AudioOnly, dir, ctx, [&] { ++beeps; }); });
  EXPECT_TRUE(r.ok());  // the file ends first: still complete
  EXPECT_FALSE(std::filesystem::exists(dir + "/frame0.txt") && ReadFile(dir + "/frame0.txt").empty());
  EXPECT_FALSE(RunJob([&](JobContext& ctx) { return ExportFrames(SourceRef{TempPath("gone.wmv")}, {}, 3, StreamChoice::VideoAndAudio, dir, ctx); }).ok());
  // A frame file never lands on the source.
  const std::string self = dir + "/frame0.txt";
  WriteFile(self, ReadFile(src));
  const Bytes before = ReadFile(self);
  EXPECT_FALSE(RunJob([&](JobContext& ctx) { return ExportFrames(SourceRef{self}, {}, 0, StreamChoice::VideoAndAudio, dir, ctx); }).ok());
  EXPECT_EQ(ReadFile(self), before);
}

namespace {

// ffprobe's packet count per stream ("v" or "a") of a file.
std::string Packets(const std::string& path, const std::string& sel) {
  return RunCommand(std::string(CORVEL_FFPROBE) + " -v error -select_streams " + sel +
                    " -count_packets -show_entries stream=nb_read_packets -of csv=p=0 " + Quote(path))
      .out;
}

// The clip with one packet dropped in the middle, or with a packet whose
// payload headers are overwritten so that it no longer parses.
Bytes Damaged(const Bytes& clip, bool drop) {
  const auto plain = IndependentObjects(clip);
  std::uint64_t first = 0;
  for (const auto& o : plain)
    if (o.guid == guid::Data) first = o.offset + 50;
  // A packet in the middle whose last fragment's media object goes on in
  // the next packet: losing the packet leaves that object incomplete.
  std::uint64_t at = 0;
  for (std::uint64_t k = 20; at == 0 && first + (k + 2) * 3200 <= clip.size(); ++k) {
    ParsedPacket p;
    if (ParsePacket(ByteView(clip).subspan(first + k * 3200, 3200), p) != 0) continue;
    const Payload last = p.payload(p.payloadCount() - 1);
    if (last.offsetIntoMediaObject + last.payloadDataLength < last.mediaObjectSize) at = first + k * 3200;
  }
  EXPECT_NE(at, 0u);
  Bytes b = clip;
  if (drop)
    b.erase(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + 3200));
  else
    std::fill_n(b.begin() + static_cast<std::ptrdiff_t>(at + 3), 37, 0xFF);
  return b;
}

}  // namespace

// A frame that lost a fragment is left out and reported; every other frame
// of the damaged file is in the AVI (as many as ffprobe reads from it), and
// the AVI decodes without error.
TEST(Avi, IncompleteFramesAreLeftOutAndReported) {
  const Bytes clip = ReadFile(Clip("av"));
  for (const bool drop : {true, false}) {
    const std::string src = TempPath(drop ? "dropped.wmv" : "unparsed.wmv"), out = src + ".avi";
    WriteFile(src, Damaged(clip, drop));
    const Session s = Opened(src);
    const auto r = RunJob([&](JobContext& ctx) { return ExportAvi(SourceRef{src}, {}, s.structure.rec, out, StreamChoice::VideoAndAudio, ctx); });
    ASSERT_TRUE(r.ok()) << Text(r.message);
    EXPECT_GE(r.data.incompleteVideo + r.data.incompleteAudio, 1u);
    const std::uint32_t left = r.data.incompleteVideo + r.data.incompleteAudio;
    EXPECT_EQ(Text(r.message), "operation complete\nincomplete media objects left out (video, audio): " +
                                   std::to_string(r.data.incompleteVideo) + ", " + std::to_string(r.data.incompleteAudio) +
                                   // the packet that no longer parses is passed over whole
                                   (drop ? "" : "\ndamaged data passed over, bytes: 3200") +
                                   "\nmedia objects written: " + std::to_string(r.data.chunks) + " of " +
                                   std::to_string(r.data.chunks + left));
    EXPECT_EQ(std::to_string(r.data.videoChunks) + "\n", Packets(src, "v"));
    EXPECT_EQ(std::to_string(r.data.audioChunks) + "\n", Packets(src, "a"));
    ExpectAviCarries(out, src, StreamChoice::VideoAndAudio);
    EXPECT_EQ(RunCommand(std::string(CORVEL_FFMPEG) + " -v error -i " + Quote(out) + " -f null -").err, "");
  }
}

// The frames export writes the whole media objects in order and leaves the
// broken one out: its files are the demuxer's packets of the damaged file.
TEST(Frames, IncompleteFramesAreLeftOut) {
  const std::string src = TempPath("dropped-frames.wmv");
  WriteFile(src, Damaged(ReadFile(Clip("av")), true));
  const std::string dir = TempPath("frames-dropped");
  std::filesystem::create_directories(dir);
  const auto r = RunJob([&](JobContext& ctx) { return ExportFrames(SourceRef{src}, {}, 200, StreamChoice::VideoOnly, dir, ctx); });
  ASSERT_TRUE(r.ok());
  EXPECT_GE(r.data.incompleteVideo, 1u);
  const std::string data = TempPath("dropped-video.data");
  ASSERT_EQ(RunCommand(std::string(CORVEL_FFMPEG) + " -v error -y -i " + Quote(src) + " -map 0:v -c copy -f data " + Quote(data)).exitCode, 0);
  const Bytes all = ReadFile(data);
  Bytes ours;
  for (int k = 0; k <= 200; ++k) {
    const std::string f = dir + "/frame" + std::to_string(k) + ".txt";
    if (!std::filesystem::exists(f)) continue;
    const Bytes b = ReadFile(f);
    ours.insert(ours.end(), b.begin(), b.end());
  }
  EXPECT_EQ(ours, all);
}

// A stopped AVI export leaves no file and says so.
TEST(Avi, StoppedExportRemovesItsOutput) {
  const std::string src = Clip("av"), out = TempPath("stopped.avi");
  const Session s = Opened(src);
  std::stop_source stop;
  stop.request_stop();
  JobContext ctx(stop.get_token(), nullptr);
  const auto r = ExportAvi(SourceRef{src}, {}, s.structure.rec, out, StreamChoice::VideoAndAudio, ctx);
  EXPECT_EQ(r.outcome, Outcome::stopped);
  EXPECT_EQ(r.message.id, MessageId::Interrupted);
  EXPECT_FALSE(std::filesystem::exists(out));
}

// The exports read the file as a save would write it: after a repair's cut
// (not yet saved) the AVI and the frames are those of the file without the
// cut bytes, byte for byte; read from the damaged bytes they would differ.
TEST(ExportThroughCuts, AfterACutTheExportsAreThoseOfTheCleanFile) {
  const std::string clean = Clip("av");
  const Session c = Opened(clean);
  const auto packet = static_cast<std::uint64_t>(c.structure.rec.fileProperties.minimumPacketSize);
  // Inside a packet: read from the damaged bytes that packet is lost.
  const std::uint64_t at = static_cast<std::uint64_t>(c.structure.dataObjectOffset) + 50 + 7 * packet + packet / 2;
  Bytes bytes = ReadFile(clean);
  bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), 3000, 0xA5);
  const std::string damaged = TempPath("cut-export.wmv");
  WriteFile(damaged, bytes);
  Session s = Opened(damaged);
  s.file.cuts.add(at, 3000);

  const std::string want = TempPath("cut-export-clean.avi"), got = TempPath("cut-export-cut.avi");
  ASSERT_TRUE(RunJob([&](JobContext& ctx) { return ExportAvi(SourceRef{clean}, {}, c.structure.rec, want, StreamChoice::VideoAndAudio, ctx); }).ok());
  ASSERT_TRUE(RunJob([&](JobContext& ctx) { return PrepareAvi(s, got, StreamChoice::VideoAndAudio).run(ctx); }).ok());
  EXPECT_EQ(ReadFile(got), ReadFile(want));
  // A session of bytes held in memory exports those bytes, not a file of its name.
  Session m;
  ASSERT_EQ(OpenBytes(m, bytes), 0);
  m.file.cuts.add(at, 3000);
  const std::string fromMemory = TempPath("cut-export-memory.avi");
  ASSERT_TRUE(RunJob([&](JobContext& ctx) { return PrepareAvi(m, fromMemory, StreamChoice::VideoAndAudio).run(ctx); }).ok());
  EXPECT_EQ(ReadFile(fromMemory), ReadFile(want));

  const std::string wantDir = TempPath("cut-frames-clean"), gotDir = TempPath("cut-frames-cut");
  for (const auto& d : {wantDir, gotDir}) std::filesystem::create_directories(d);
  ASSERT_TRUE(RunJob([&](JobContext& ctx) { return ExportFrames(SourceRef{clean}, {}, 20, StreamChoice::VideoAndAudio, wantDir, ctx); }).ok());
  ASSERT_TRUE(RunJob([&](JobContext& ctx) { return PrepareFrames(s, 20, StreamChoice::VideoAndAudio, gotDir).run(ctx); }).ok());
  for (int k = 0; k <= 20; ++k) {
    const std::string name = "/frame" + std::to_string(k) + ".txt";
    EXPECT_EQ(ReadFile(gotDir + name), ReadFile(wantDir + name)) << name;
  }
}
