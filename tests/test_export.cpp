// AVI remux and frames to files, judged by ffprobe and ffmpeg's demuxer.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "asf/header_walk.hpp"
#include "export/avi.hpp"
#include "support/asf_builder.hpp"
#include "support/clips.hpp"

using namespace corvel;
using namespace corvel::test;
using nlohmann::json;

namespace {

Session Opened(const std::string& path) {
  Session s;
  EXPECT_TRUE(OpenAction(s, path));
  return s;
}

std::string FrameRate(const json& stream) { return stream["r_frame_rate"].get<std::string>(); }

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
  const ExportResult r = store2avi(src, s.rec, out, GetParam(), Language::eng, nullptr);
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(r.message, "operation complete");
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
  // Every frame of the source decodes from the AVI, without error.
  const auto count = [](const std::string& path, const std::string& sel) {
    const auto c = RunCommand(std::string(CORVEL_FFPROBE) + " -v error -select_streams " + sel +
                              " -count_frames -show_entries stream=nb_read_frames -of csv=p=0 " + Quote(path));
    return c.out;
  };
  if (video) {
    EXPECT_EQ(count(out, "v"), count(src, "v"));
  }
  if (audio) {
    EXPECT_EQ(count(out, "a"), count(src, "a"));
  }
  EXPECT_EQ(RunCommand(std::string(CORVEL_FFMPEG) + " -v error -i " + Quote(out) + " -f null -").err, "");
}

INSTANTIATE_TEST_SUITE_P(Streams, AviChoice,
                         ::testing::Values(StreamChoice::VideoAndAudio, StreamChoice::VideoOnly, StreamChoice::AudioOnly));

TEST(Avi, LayoutAndGuards) {
  const std::string src = Clip("av");
  const Session s = Opened(src);
  const std::string out = TempPath("layout.avi");
  ASSERT_TRUE(store2avi(src, s.rec, out, StreamChoice::VideoAndAudio, Language::eng, nullptr).ok);
  const Bytes b = ReadFile(out);
  EXPECT_EQ(std::string(b.begin() + 2044, b.begin() + 2048), "movi");
  // ffmpeg's clip starts with audio: "01wb" first, every video chunk "00dc".
  EXPECT_EQ(std::string(b.begin() + 2048, b.begin() + 2052), "01wb");
  EXPECT_EQ(DWordOr0(b, 4), b.size() - 8);
  // A source opened from nothing, the source as output, a missing source.
  Session none;
  EXPECT_EQ(store2avi(src, none.rec, TempPath("x.avi"), StreamChoice::VideoAndAudio, Language::eng, nullptr).message,
            "open file first");
  EXPECT_FALSE(store2avi(src, s.rec, src, StreamChoice::VideoAndAudio, Language::eng, nullptr).ok);
  EXPECT_EQ(ReadFile(src), ReadFile(Clip("av")));
  EXPECT_FALSE(store2avi(TempPath("gone.wmv"), s.rec, TempPath("y.avi"), StreamChoice::VideoAndAudio, Language::eng, nullptr).ok);
  // Audio with a block alignment of 0 and long codec data: no division by zero, movi after the headers.
  HeaderRecords odd = s.rec;
  odd.ASFAudioInfo.BlockAlignment = 0;
  odd.ASFVideoInfo.FormatData.CodecSpecificData.assign(3000, 7);
  const std::string big = TempPath("bighead.avi");
  ASSERT_TRUE(store2avi(src, odd, big, StreamChoice::VideoAndAudio, Language::eng, nullptr).ok);
  const Bytes bb = ReadFile(big);
  EXPECT_EQ(DWordOr0(bb, 4), bb.size() - 8);
}

TEST(Avi, BeyondTheRiffLimitIsRefused) {
  const std::string src = Clip("av");
  const Session s = Opened(src);
  const std::string out = TempPath("too-big.avi");
  const ExportResult r = store2avi(src, s.rec, out, StreamChoice::VideoAndAudio, Language::eng, nullptr, 100'000);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.message, "• an AVI over 4 GiB is not supported: " + out);
  EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(Avi, AudioOnlyClip) {
  const std::string src = Clip("audio");
  const Session s = Opened(src);
  const std::string out = TempPath("audio-only.avi");
  const ExportResult r = store2avi(src, s.rec, out, StreamChoice::VideoAndAudio, Language::eng, nullptr);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.videoChunks, 0u);
  EXPECT_EQ(Probe(out)["streams"].size(), 1u);  // no empty video stream
  EXPECT_FALSE(store2avi(src, s.rec, TempPath("no-video.avi"), StreamChoice::VideoOnly, Language::eng, nullptr).ok);
  EXPECT_EQ(RunCommand(std::string(CORVEL_FFMPEG) + " -v error -i " + Quote(out) + " -f null -").err, "");
}

// The files hold the media objects exactly as ffmpeg's demuxer delivers them.
TEST(Frames, BytesEqualTheDemuxersPackets) {
  const std::string src = Clip("av");
  const std::string dir = TempPath("frames");
  std::filesystem::create_directories(dir);
  const ExportResult r = frames2files(src, 30, StreamChoice::VideoOnly, dir, Language::eng, nullptr);
  ASSERT_TRUE(r.ok);
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
  EXPECT_EQ(files, r.chunks);
  EXPECT_GT(files, 10u);
  ASSERT_LE(ours.size(), all.size());
  EXPECT_TRUE(std::equal(ours.begin(), ours.end(), all.begin()));
}

TEST(Frames, CountsAndChoices) {
  const std::string src = Clip("av");
  const std::string dir = TempPath("frames0");
  std::filesystem::create_directories(dir);
  int beeps = 0;
  ExportResult r = frames2files(src, 0, StreamChoice::VideoAndAudio, dir, Language::eng, nullptr, [&] { ++beeps; });
  EXPECT_EQ(r.chunks, 1u);
  EXPECT_TRUE(std::filesystem::exists(dir + "/frame0.txt"));
  EXPECT_FALSE(std::filesystem::exists(dir + "/frame1.txt"));
  r = frames2files(src, 100000, StreamChoice::AudioOnly, dir, Language::eng, nullptr, [&] { ++beeps; });
  EXPECT_TRUE(r.ok);  // the file ends first: still complete
  EXPECT_FALSE(std::filesystem::exists(dir + "/frame0.txt") && ReadFile(dir + "/frame0.txt").empty());
  EXPECT_FALSE(frames2files(TempPath("gone.wmv"), 3, StreamChoice::VideoAndAudio, dir, Language::eng, nullptr).ok);
  // A frame file never lands on the source.
  const std::string self = dir + "/frame0.txt";
  WriteFile(self, ReadFile(src));
  const Bytes before = ReadFile(self);
  EXPECT_FALSE(frames2files(self, 0, StreamChoice::VideoAndAudio, dir, Language::eng, nullptr).ok);
  EXPECT_EQ(ReadFile(self), before);
}
