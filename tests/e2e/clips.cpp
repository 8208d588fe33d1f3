// The walk checked against real encoder output: ffprobe's report and an
// independent reading of the object layout.
#include <gtest/gtest.h>

#include "asf/streams.hpp"

#include <cmath>

#include "asf/catalogue.hpp"
#include "asf/locators.hpp"
#include "support/clips.hpp"
#include "support/open.hpp"

using namespace corvel;
using namespace corvel::test;

namespace {

void ExpectMatchesIndependentReading(const Session& s, const Bytes& file) {
  const auto plain = IndependentObjects(file);
  ASSERT_EQ(s.structure.objects.size(), plain.size());
  for (std::size_t i = 0; i < plain.size(); ++i) {
    EXPECT_EQ(s.structure.objects[i].guid, plain[i].guid) << i;
    EXPECT_EQ(static_cast<std::uint64_t>(s.structure.objects[i].offset), plain[i].offset) << i;
    EXPECT_EQ(static_cast<std::uint64_t>(s.structure.objects[i].size), plain[i].size) << i;
    EXPECT_EQ(s.structure.objects[i].parent, plain[i].parent) << i;
  }
}

void ExpectMatchesProbe(const Session& s, const std::string& path) {
  const auto probe = Probe(path);
  const auto& streams = probe["streams"];
  ASSERT_EQ(s.structure.rec.streams.size(), streams.size());
  for (std::size_t i = 0; i < streams.size(); ++i) {
    const std::string type = streams[i]["codec_type"];
    EXPECT_EQ(s.structure.rec.streams[i].streamType, type == "video" ? guid::VideoMedia : guid::AudioMedia);
    // ffprobe's id of an ASF stream is its stream number.
    if (streams[i].contains("id")) {
      EXPECT_EQ(std::stoi(streams[i]["id"].get<std::string>(), nullptr, 0), s.structure.rec.streams[i].streamNumber());
    }
    const StreamTable table = StreamsOf(s.structure.rec);
    const StreamEntry* e = FindStream(table, static_cast<std::uint8_t>(s.structure.rec.streams[i].streamNumber()));
    ASSERT_NE(e, nullptr);
    if (type == "video") {
      EXPECT_EQ(e->video.format.width, streams[i]["width"].get<unsigned>());
      EXPECT_EQ(e->video.format.height, streams[i]["height"].get<unsigned>());
    } else {
      EXPECT_EQ(e->audio.samplesPerSecond, std::stoul(streams[i]["sample_rate"].get<std::string>()));
      EXPECT_EQ(e->audio.channels, streams[i]["channels"].get<unsigned>());
      EXPECT_EQ(e->audio.formatTag, 0x0161);
    }
  }
  // ffprobe reports play duration less preroll.
  const double duration = std::stod(probe["format"]["duration"].get<std::string>());
  const double ours = s.structure.rec.fileProperties.playDuration / 1e7 - s.structure.rec.fileProperties.preroll / 1e3;
  EXPECT_NEAR(ours, duration, 0.1);
  EXPECT_EQ(s.structure.rec.fileProperties.fileSize, s.file.physicalSize());
  EXPECT_EQ(s.structure.rec.fileProperties.minimumPacketSize, s.structure.rec.fileProperties.maximumPacketSize);
}

class ClipWalk : public ::testing::TestWithParam<std::string> {};

}  // namespace

TEST_P(ClipWalk, AgreesWithFfprobeAndLayout) {
  const std::string path = Clip(GetParam());
  Session s;
  ASSERT_TRUE(OpenFile(s, path)) << MemoText(s);
  EXPECT_TRUE(s.logLines.lines().empty()) << MemoText(s);
  ExpectMatchesIndependentReading(s, ReadFile(path));
  ExpectMatchesProbe(s, path);
  ASSERT_GE(s.structure.dataObjectIndex, 0);
  EXPECT_EQ(s.structure.rec.data.packetCount, s.structure.rec.fileProperties.packetCount);
  // The data object holds exactly its packets.
  EXPECT_EQ(s.structure.rec.data.objectSize, 50 + s.structure.rec.data.packetCount * s.structure.rec.fileProperties.minimumPacketSize);
  // The locators find the same things from the file itself.
  auto src = FileSource::open(path);
  ASSERT_TRUE(src);
  EXPECT_EQ(FindDataObject(*src), s.structure.dataObjectOffset);
  EXPECT_EQ(ReadPacketSize(*src), s.structure.rec.fileProperties.minimumPacketSize);
  EXPECT_EQ(ReadPreroll(*src), s.structure.rec.fileProperties.preroll);
}

INSTANTIATE_TEST_SUITE_P(Ffmpeg, ClipWalk, ::testing::Values("av", "video", "audio", "cyrillic"));

TEST(ClipWalk, CyrillicAndCjkMetadataKeptWhole) {
  const std::string path = Clip("cyrillic");
  Session s;
  ASSERT_TRUE(OpenFile(s, path));
  ASSERT_TRUE(s.structure.rec.contentDescription.present);
  EXPECT_EQ(Utf16ToUtf8(s.structure.rec.contentDescription.title), "Запись с камеры №1");
  EXPECT_EQ(Utf16ToUtf8(s.structure.rec.contentDescription.author), "Иван Петров");
  auto descriptor = [&](const std::string& name) {
    for (const auto& d : s.structure.rec.extendedContentDescription.descriptors)
      if (Utf16ToUtf8(d.name) == name) return Utf16ToUtf8(d.value.text);
    return std::string("<missing>");
  };
  // ffmpeg writes the comment and the genre as extended descriptors.
  EXPECT_EQ(descriptor("Description"), "日本語のテキスト");
  EXPECT_EQ(descriptor("WM/Genre"), "Документальный");
  const auto tags = Probe(path)["format"]["tags"];
  EXPECT_EQ(tags["title"], "Запись с камеры №1");
  EXPECT_EQ(tags["genre"], descriptor("WM/Genre"));
  EXPECT_NE(s.structure.tree.render().find("Title = Запись с камеры №1"), std::string::npos);
}
