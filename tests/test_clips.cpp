// The walk checked against real encoder output: ffprobe's report and an
// independent reading of the object layout.
#include <gtest/gtest.h>

#include <cmath>

#include "asf/catalogue.hpp"
#include "join/locators.hpp"
#include "support/clips.hpp"
#include "support/open.hpp"

using namespace corvel;
using namespace corvel::test;

namespace {

void ExpectMatchesIndependentReading(const Session& s, const Bytes& file) {
  const auto plain = IndependentObjects(file);
  ASSERT_EQ(s.lista.size(), plain.size());
  for (std::size_t i = 0; i < plain.size(); ++i) {
    EXPECT_EQ(s.lista[i].id, plain[i].guid) << i;
    EXPECT_EQ(static_cast<std::uint64_t>(s.lista[i].offset), plain[i].offset) << i;
    EXPECT_EQ(static_cast<std::uint64_t>(s.lista[i].size), plain[i].size) << i;
    EXPECT_EQ(s.lista[i].parent, plain[i].parent) << i;
  }
}

void ExpectMatchesProbe(const Session& s, const std::string& path) {
  const auto probe = Probe(path);
  const auto& streams = probe["streams"];
  ASSERT_EQ(s.rec.ASFSPO.size(), streams.size());
  for (std::size_t i = 0; i < streams.size(); ++i) {
    const std::string type = streams[i]["codec_type"];
    EXPECT_EQ(s.rec.ASFSPO[i].StreamType, type == "video" ? guid::VideoMedia : guid::AudioMedia);
    // ffprobe's id of an ASF stream is its stream number.
    if (streams[i].contains("id")) {
      EXPECT_EQ(std::stoi(streams[i]["id"].get<std::string>(), nullptr, 0), s.rec.ASFSPO[i].streamNumber());
    }
    if (type == "video") {
      EXPECT_EQ(s.rec.ASFVideoInfo.FormatData.ImageWidth, streams[i]["width"].get<unsigned>());
      EXPECT_EQ(s.rec.ASFVideoInfo.FormatData.ImageHeight, streams[i]["height"].get<unsigned>());
    } else {
      EXPECT_EQ(s.rec.ASFAudioInfo.SamplesPerSecond, std::stoul(streams[i]["sample_rate"].get<std::string>()));
      EXPECT_EQ(s.rec.ASFAudioInfo.NumberOfChannels, streams[i]["channels"].get<unsigned>());
      EXPECT_EQ(s.rec.ASFAudioInfo.CodecID_FormatTag, 0x0161);
    }
  }
  // ffprobe reports play duration less preroll.
  const double duration = std::stod(probe["format"]["duration"].get<std::string>());
  const double ours = s.rec.ASFFPO.PlayDuration / 1e7 - s.rec.ASFFPO.Preroll / 1e3;
  EXPECT_NEAR(ours, duration, 0.1);
  EXPECT_EQ(s.rec.ASFFPO.FileSize, s.file.fsize);
  EXPECT_EQ(s.rec.ASFFPO.MinimumDataPacketSize, s.rec.ASFFPO.MaximumDataPacketSize);
}

class ClipWalk : public ::testing::TestWithParam<std::string> {};

}  // namespace

TEST_P(ClipWalk, AgreesWithFfprobeAndLayout) {
  const std::string path = Clip(GetParam());
  Session s;
  ASSERT_TRUE(OpenAction(s, path)) << MemoText(s);
  EXPECT_TRUE(s.memo.lines().empty()) << MemoText(s);
  ExpectMatchesIndependentReading(s, ReadFile(path));
  ExpectMatchesProbe(s, path);
  ASSERT_GE(s.DAOIndex, 0);
  EXPECT_EQ(s.rec.ASFDAO.TotalDataPackets, s.rec.ASFFPO.DataPacketsCount);
  // The data object holds exactly its packets.
  EXPECT_EQ(s.rec.ASFDAO.ObjectSize, 50 + s.rec.ASFDAO.TotalDataPackets * s.rec.ASFFPO.MinimumDataPacketSize);
  // The locators find the same things from the file itself.
  auto src = FileSource::open(path);
  ASSERT_TRUE(src);
  EXPECT_EQ(findDAOoffset(*src), s.DAOOffset);
  EXPECT_EQ(getDataPacketSize(*src), s.rec.ASFFPO.MinimumDataPacketSize);
  EXPECT_EQ(getPreroll(*src), s.rec.ASFFPO.Preroll);
  EXPECT_EQ(getStreamNumber(*src, guid::VideoMedia), getStreamNumberFromStruct(s.rec, guid::VideoMedia));
  EXPECT_EQ(getStreamNumber(*src, guid::AudioMedia), getStreamNumberFromStruct(s.rec, guid::AudioMedia));
}

INSTANTIATE_TEST_SUITE_P(Ffmpeg, ClipWalk, ::testing::Values("av", "video", "audio", "cyrillic"));

TEST(ClipWalk, CyrillicAndCjkMetadataKeptWhole) {
  const std::string path = Clip("cyrillic");
  Session s;
  ASSERT_TRUE(OpenAction(s, path));
  ASSERT_TRUE(s.rec.ASFCDO.present);
  EXPECT_EQ(Utf16ToUtf8(s.rec.ASFCDO.Title), "Запись с камеры №1");
  EXPECT_EQ(Utf16ToUtf8(s.rec.ASFCDO.Author), "Иван Петров");
  auto descriptor = [&](const std::string& name) {
    for (const auto& d : s.rec.ASFECD.ContentDescriptors)
      if (Utf16ToUtf8(d.DescriptorName) == name) return Utf16ToUtf8(d.DescriptorValue);
    return std::string("<missing>");
  };
  // ffmpeg writes the comment and the genre as extended descriptors.
  EXPECT_EQ(descriptor("Description"), "日本語のテキスト");
  EXPECT_EQ(descriptor("WM/Genre"), "Документальный");
  const auto tags = Probe(path)["format"]["tags"];
  EXPECT_EQ(tags["title"], "Запись с камеры №1");
  EXPECT_EQ(tags["genre"], descriptor("WM/Genre"));
  EXPECT_NE(s.tree.render().find("Title = Запись с камеры №1"), std::string::npos);
}
