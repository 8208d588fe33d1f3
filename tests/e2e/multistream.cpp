// Files of several streams made with ffmpeg: the AVI, the save and the join
// hold every stream's packets, read back by ffprobe and by the AVI's own
// index, against ffprobe's reading of the source.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>

#include "export/avi.hpp"
#include "join/join.hpp"
#include "support/asf_read.hpp"
#include "support/avi_read.hpp"
#include "support/clips.hpp"
#include "support/open.hpp"

using namespace corvel;
using namespace corvel::test;

namespace {

// ffprobe's packet sizes per stream index.
std::vector<std::vector<std::size_t>> PacketSizes(const std::string& path) {
  const CommandResult r =
      RunCommand(std::string(CORVEL_FFPROBE) + " -v error -show_entries packet=stream_index,size -of csv=p=0 " + Quote(path));
  EXPECT_EQ(r.exitCode, 0) << r.err;
  std::vector<std::vector<std::size_t>> sizes;
  std::istringstream in(r.out);
  for (std::string line; std::getline(in, line);) {
    std::size_t index = 0, size = 0;
    if (std::sscanf(line.c_str(), "%zu,%zu", &index, &size) != 2) continue;
    if (sizes.size() <= index) sizes.resize(index + 1);
    sizes[index].push_back(size);
  }
  return sizes;
}

std::size_t ErrorLines(const std::string& path) {
  const CommandResult r = RunCommand(std::string(CORVEL_FFMPEG) + " -v error -i " + Quote(path) + " -map 0 -f null -");
  return static_cast<std::size_t>(std::count(r.err.begin(), r.err.end(), '\n'));
}

}  // namespace

class MultiStream : public ::testing::TestWithParam<std::string> {};

// Every stream is a track of its own whose chunks are the source's packets,
// one for one and byte for byte in size; the AVI decodes as cleanly as the source.
TEST_P(MultiStream, AviHoldsEveryStreamsPackets) {
  const std::string src = Clip(GetParam()), out = TempPath(GetParam() + ".avi");
  Session s;
  ASSERT_TRUE(OpenFile(s, src));
  const auto r = RunJob([&](JobContext& ctx) { return ExportAvi(SourceRef{src}, {}, s.structure.rec, out, StreamChoice::VideoAndAudio, ctx); });
  ASSERT_TRUE(r.ok()) << Text(r.message);
  const auto source = PacketSizes(src);
  std::size_t objects = 0;
  for (const auto& sizes : source) objects += sizes.size();
  // Complete, with the count of what it holds.
  EXPECT_EQ(Text(r.message), "operation complete\nmedia objects written: " + std::to_string(objects));
  const AviRead avi = ReadAvi(ReadFile(out));
  ExpectSoundAvi(avi);
  ASSERT_EQ(avi.tracks.size(), source.size());
  std::vector<std::vector<std::size_t>> chunks(source.size());
  for (const AviChunk& c : avi.chunks) {
    ASSERT_LT(TrackOf(c.code), chunks.size()) << c.code;
    chunks[TrackOf(c.code)].push_back(c.data.size());
  }
  for (std::size_t i = 0; i < source.size(); ++i) EXPECT_EQ(chunks[i], source[i]) << "stream " << i;
  // ffmpeg's own reading of the AVI: as many packets per stream as the source.
  const auto back = PacketSizes(out);
  ASSERT_EQ(back.size(), source.size());
  for (std::size_t i = 0; i < source.size(); ++i) EXPECT_EQ(back[i].size(), source[i].size()) << "stream " << i;
  EXPECT_LE(ErrorLines(out), ErrorLines(src));
}

// The save keeps every packet of every stream.
TEST_P(MultiStream, SaveKeepsEveryStream) {
  const std::string src = Clip(GetParam()), out = TempPath(GetParam() + ".saved.wmv");
  Session s;
  s.lang = Language::eng;
  ASSERT_TRUE(OpenFile(s, src) && Scan(s));
  ASSERT_TRUE(Save(s, out));
  ExpectSoundAsf(out);
  EXPECT_EQ(s.statusText(), "file saved");
  EXPECT_EQ(PacketSizes(out), PacketSizes(src));
  EXPECT_EQ(ErrorLines(out), 0u);
}

INSTANTIATE_TEST_SUITE_P(Clips, MultiStream, ::testing::Values("two-audio", "multi-audio"));

// Two parts of a recording with video and two audio streams: every stream's
// packets of both, media objects numbered and timed on across the seam.
TEST(MultiStreamJoin, EveryStreamRunsOnAcrossTheSeam) {
  const std::string a = Clip("multi-part1"), b = Clip("multi-part2"), out = TempPath("multi-joined.wmv");
  JobContext ctx;
  const auto r = JoinFiles({a, b}, out, JoinOptions{}, ctx);
  ASSERT_EQ(r.outcome, Outcome::ok) << Text(r.message);
  const auto pa = PacketSizes(a), pb = PacketSizes(b), joined = PacketSizes(out);
  ASSERT_EQ(pa.size(), 3u);
  ASSERT_EQ(joined.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    std::vector<std::size_t> both = pa[i];
    both.insert(both.end(), pb[i].begin(), pb[i].end());
    EXPECT_EQ(joined[i], both) << "stream " << i;
  }
  EXPECT_EQ(ErrorLines(out), 0u);
  // Presentation times run on in every stream: none goes back.
  const CommandResult pts =
      RunCommand(std::string(CORVEL_FFPROBE) + " -v error -show_entries packet=stream_index,pts -of csv=p=0 " + Quote(out));
  std::vector<long> last(3, -1);
  std::istringstream in(pts.out);
  for (std::string line; std::getline(in, line);) {
    std::size_t index = 0;
    long t = 0;
    if (std::sscanf(line.c_str(), "%zu,%ld", &index, &t) != 2 || index >= 3) continue;
    EXPECT_GE(t, last[index]) << "stream " << index;
    last[index] = t;
  }
  // A scan of the joined file finds its media objects numbered in order.
  Session s;
  s.lang = Language::eng;
  ASSERT_TRUE(OpenFile(s, out) && Scan(s));
  EXPECT_TRUE(s.errBlocks.empty());
  EXPECT_EQ(MemoText(s).find("wrong order"), std::string::npos) << MemoText(s);
}

// The command line reports per stream: the AVI's tracks, and which stream
// and media object each frame file holds.
TEST(MultiStreamCli, JsonNamesEveryStream) {
  const std::string src = Clip("two-audio"), out = TempPath("two-audio-cli.avi");
  const auto sizes = PacketSizes(src);
  CommandResult r = RunCommand(std::string(CORVEL_CLI) + " avi --json --force -o " + Quote(out) + " " + Quote(src));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  nlohmann::json j = nlohmann::json::parse(r.out);
  ASSERT_EQ(j["streams"].size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(j["streams"][i]["stream"], i + 1);
    EXPECT_EQ(j["streams"][i]["kind"], i == 0 ? "video" : "audio");
    EXPECT_EQ(j["streams"][i]["chunks"], sizes[i].size());
  }
  EXPECT_TRUE(j["streams_left_out"].empty());
  const std::string dir = TempPath("two-audio-frames");
  std::filesystem::create_directories(dir);
  r = RunCommand(std::string(CORVEL_CLI) + " frames --json --audio-only --dir " + Quote(dir) + " " + Quote(src) + " 40");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  j = nlohmann::json::parse(r.out);
  ASSERT_FALSE(j["files"].empty());
  std::set<int> streams;
  for (const auto& f : j["files"]) {
    streams.insert(f["stream"].get<int>());
    EXPECT_TRUE(std::filesystem::exists(dir + "/" + f["file"].get<std::string>()));
    EXPECT_TRUE(f.contains("media_object"));
  }
  EXPECT_EQ(streams, (std::set<int>{2, 3}));
}
