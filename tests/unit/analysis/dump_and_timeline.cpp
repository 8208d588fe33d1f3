// What the timeline and the dump windows draw, computed in the core.
#include <gtest/gtest.h>

#include <set>

#include "asf/catalogue.hpp"

#include <algorithm>

#include "analysis/dump_text.hpp"
#include "analysis/timeline.hpp"
#include "support/asf_builder.hpp"

using namespace corvel;
using namespace corvel::test;

namespace {

HeaderRecords WithDuration(std::int64_t ms) {
  HeaderRecords rec;
  rec.fileProperties.playDuration = ms * 10000;
  rec.fileProperties.sendDuration = ms * 10000 / 2;
  // Stream 1 video, stream 2 audio.
  rec.streams.resize(2);
  rec.streams[0].streamType = guid::VideoMedia, rec.streams[0].flags = 1;
  rec.streams[1].streamType = guid::AudioMedia, rec.streams[1].flags = 2;
  return rec;
}

std::vector<std::string> TextsBelow(const TimelineLayout& l, int y) {
  std::vector<std::string> out;
  for (const TimelineText& t : l.texts)
    if (t.y == y) out.push_back(t.text);
  return out;
}

// A table of `n` packets, or of the given ones.
PacketTable TableOf(const std::vector<ParsedPacket>& packets) {
  PacketTable t;
  for (const ParsedPacket& p : packets) t.push_back(p);
  return t;
}
PacketTable TableOf(std::size_t n) { return TableOf(std::vector<ParsedPacket>(n)); }

}  // namespace

TEST(TimelineLayout, OneMinuteInFourHundredPixels) {
  const PacketTable packets = TableOf(10);
  const TimelineLayout l = LayoutTimeline(packets, WithDuration(60000), 640, 460);
  ASSERT_TRUE(l.valid);
  EXPECT_EQ(l.baseline, 420);
  EXPECT_EQ(l.duration, 60000);
  EXPECT_EQ(l.msPerPixel, 150);
  EXPECT_EQ(l.unitCaption, "10 sec");
  std::vector<std::string> labels;
  for (const TimelineText& t : l.texts)
    if (t.rightAligned) labels.push_back(t.text);
  EXPECT_EQ(labels, (std::vector<std::string>{"10", "20", "30", "40", "50"}));
  // The 10-second label sits at its row: 10000 / 150 = row 67.
  const auto ten = std::find_if(l.texts.begin(), l.texts.end(), [](const TimelineText& t) { return t.text == "10" && t.rightAligned; });
  ASSERT_NE(ten, l.texts.end());
  EXPECT_EQ(ten->y, 420 - 4 - 67);
  EXPECT_EQ(ten->x, 30);
}

TEST(TimelineLayout, TheUnitFollowsTheScale) {
  const PacketTable packets = TableOf(10);
  EXPECT_EQ(LayoutTimeline(packets, WithDuration(20000), 640, 460).unitCaption, "1 sec");      // m = 50
  EXPECT_EQ(LayoutTimeline(packets, WithDuration(3'600'000), 640, 460).unitCaption, "1 min");  // m = 9000
}

TEST(TimelineLayout, PacketAxisLabelsAndPoints) {
  PacketTable packets = TableOf(2500);
  const TimelineLayout many = LayoutTimeline(packets, WithDuration(60000), 640, 460);
  // The packets span the plot's width (600 columns after the 40 of the time axis).
  EXPECT_EQ(many.xOf(0), 40);
  EXPECT_EQ(many.xOf(1250), 40 + 300);
  EXPECT_EQ(TimelinePacketAt(many, 40 + 300, 2500), 1250);
  const TimelineLayout few = LayoutTimeline(TableOf(60), WithDuration(60000), 640, 460, {}, TimelineCaptions{"(пакеты)", "блоки ошибок", "кадры"});
  EXPECT_EQ(TextsBelow(few, few.baseline + 20), (std::vector<std::string>{"(пакеты)"}));  // the caller's language
  EXPECT_EQ(few.xOf(30), 40 + 300);  // few packets still fill the width
  EXPECT_EQ(TimelinePacketAt(few, 40 + 300, 60), 30);
  EXPECT_EQ(TimelinePacketAt(few, 40 + 600, 60), -1);  // past the last packet
  EXPECT_EQ(TextsBelow(many, many.baseline + 11), (std::vector<std::string>{"0", "1000", "2000"}));
  packets = TableOf(1500);
  const TimelineLayout fewer = LayoutTimeline(packets, WithDuration(60000), 640, 460);
  EXPECT_EQ(TextsBelow(fewer, fewer.baseline + 11).size(), 15u);  // every hundred, 1000 once
  // A long recording: ticks and labels spread out by tens, never closer
  // than 8 and 36 pixels; the error and damaged bands in the legend.
  for (const std::size_t n : {std::size_t{8000}, std::size_t{9000}, std::size_t{312509}, std::size_t{1'000'000}}) {
    const TimelineLayout big = LayoutTimeline(TableOf(n), WithDuration(60000), 640, 460);
    const std::vector<std::string> labels = TextsBelow(big, big.baseline + 11);
    ASSERT_GE(labels.size(), 2u) << n;
    EXPECT_LE(labels.size(), 600u / 36 + 1) << n;
    EXPECT_EQ(labels[0], "0");
    const std::size_t step = std::stoul(labels[1]);
    EXPECT_GE(big.xOf(step) - big.xOf(0), 36) << n;
    std::set<int> ticks;
    for (const TimelinePixel& p : big.axis)
      if (p.y == big.baseline + 4) ticks.insert(p.x);
    EXPECT_LE(ticks.size(), 600u / 8 + 1) << n;
    EXPECT_GE(ticks.size(), 10u) << n;
  }
  EXPECT_EQ(TextsBelow(fewer, 45), (std::vector<std::string>{"error blocks"}));
  EXPECT_EQ(TextsBelow(fewer, 55), (std::vector<std::string>{"frames the decoder rejects"}));
  EXPECT_EQ(TextsBelow(few, 45), (std::vector<std::string>{"блоки ошибок"}));
  EXPECT_EQ(TextsBelow(few, 55), (std::vector<std::string>{"кадры"}));
  EXPECT_EQ(fewer.legendLines[3], std::make_pair(50, static_cast<int>(TimelineColour::error)));
  EXPECT_EQ(fewer.legendLines[4], std::make_pair(60, static_cast<int>(TimelineColour::damaged)));
  // Points: the send times in red, then presentation times by stream, the
  // audio's last (the video's never hide them); one above the plot.
  std::vector<ParsedPacket> two(2);
  two[0].sendTime = 3000;
  two[0].kind = PacketKind::single;
  two[0].single.streamNumber = 1;
  two[0].single.presentationTime = 6000;
  two[1].sendTime = 3100;
  two[1].kind = PacketKind::single;
  two[1].single.streamNumber = 2;
  two[1].single.presentationTime = 90000;  // beyond the duration
  const PacketTable table = TableOf(two);
  const TimelineLayout l = LayoutTimeline(table, WithDuration(60000), 640, 460);
  std::vector<std::tuple<int, int, TimelineColour>> pts;
  ForEachTimelinePoint(table, l, ColoursOf(WithDuration(60000)), [&](int x, int y, TimelineColour c) { pts.emplace_back(x, y, c); });
  ASSERT_EQ(pts.size(), 4u);
  EXPECT_EQ(pts[0], std::make_tuple(40, 420 - 20, TimelineColour::send));
  EXPECT_EQ(pts[1], std::make_tuple(340, 420 - 20, TimelineColour::send));
  EXPECT_EQ(pts[2], std::make_tuple(40, 420 - 40, TimelineColour::video));
  EXPECT_EQ(pts[3], std::make_tuple(340, 420 - 600, TimelineColour::audio));  // the second half of the width
  EXPECT_LT(std::get<1>(pts[3]), 420 - 400);  // above the plot area
  EXPECT_EQ(TimelinePacketAt(l, 339, two.size()), 0);
  EXPECT_EQ(TimelinePacketAt(l, 340, two.size()), 1);
  EXPECT_EQ(TimelinePacketAt(l, 39, two.size()), -1);
}

TEST(TimelineLayout, NoRoomNoPlot) {
  const PacketTable packets = TableOf(10);
  EXPECT_FALSE(LayoutTimeline(packets, WithDuration(60000), 40, 460).valid);
  EXPECT_FALSE(LayoutTimeline(packets, WithDuration(60000), 640, 60).valid);
  EXPECT_TRUE(LayoutTimeline(packets, WithDuration(0), 640, 460).valid);  // no duration: m stays 1
  EXPECT_EQ(LayoutTimeline(packets, WithDuration(0), 640, 460).msPerPixel, 1);
}

TEST(DumpText, LinesColumnsAndCharacters) {
  Bytes b(20);
  for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(0x41 + i);
  b[1] = 0x0A;
  b[2] = 0x99;
  b[3] = 0xE0;
  const std::string t = DumpText(b, 0x1234, 24);
  ASSERT_EQ(std::count(t.begin(), t.end(), '\n'), 1);
  EXPECT_EQ(t.substr(0, 9), "00001234 ");
  EXPECT_EQ(DumpCharacterColumn(24), 93u);
  EXPECT_EQ(t.substr(9, 14), "41 0A 99 E0 | ");
  EXPECT_EQ(t.substr(93, 3), "A..");
  EXPECT_EQ(t.substr(96, 2), "\xD0\xB0");  // 0xE0: Cyrillic small a
  EXPECT_EQ(t.substr(98, 2), "EF");         // 0x45, 0x46
  // Without the letters (the English window) every byte above 127 is a dot.
  EXPECT_EQ(DumpText(b, 0x1234, 24, false).substr(93, 6), "A...EF");
  EXPECT_EQ(DumpText(Bytes{0x80, 0xBF, 0xC0, 0xFF, 0x7E}, 0, 16, false).substr(65), "....~\n");
  // Sixteen a line: full lines are exactly the character column plus 16.
  const std::string s = DumpText(Bytes(40, 0x20), 0, 16);
  EXPECT_EQ(DumpCharacterColumn(16), 65u);
  EXPECT_EQ(DumpCharacterColumn(32), 121u);
  EXPECT_EQ(s.substr(0, s.find('\n')).size(), 65u + 16u);
  EXPECT_EQ(s.substr(s.find('\n') + 1, 8), "00000010");
  EXPECT_EQ(std::count(s.begin(), s.end(), '\n'), 3);
  EXPECT_EQ(DumpText({}, 0, 16), "");
}
