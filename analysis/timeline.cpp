#include "analysis/timeline.hpp"

#include "asf/streams.hpp"

#include <algorithm>

namespace corvel {

StreamColours ColoursOf(const HeaderRecords& rec) {
  StreamColours c;
  c.fill(TimelineColour::other);
  for (const StreamEntry& e : StreamsOf(rec))
    c[e.number & 127] = e.kind == StreamKind::video ? TimelineColour::video
                        : e.kind == StreamKind::audio ? TimelineColour::audio
                                                      : TimelineColour::other;
  return c;
}

Rgb TimelineRgb(TimelineColour c) {
  switch (c) {
    case TimelineColour::background: return {234, 234, 234};
    case TimelineColour::send: return {255, 0, 0};
    case TimelineColour::video: return {0, 0, 255};
    case TimelineColour::audio: return {32, 160, 32};
    case TimelineColour::other: return {0, 0, 0};
    case TimelineColour::axis: return {128, 128, 128};
    case TimelineColour::text: return {0, 0, 0};
    case TimelineColour::error: return {255, 0, 0};
    case TimelineColour::damaged: return {255, 140, 0};
  }
  return {0, 0, 0};
}

namespace {

void verticalAxis(TimelineLayout& l) {
  const std::int64_t m = l.msPerPixel, b = l.baseline;
  l.axis.push_back({34, static_cast<int>(b)});
  l.axis.push_back({36, static_cast<int>(b)});
  std::int64_t last = 0;
  for (std::int64_t r = 0; r < l.duration / m; ++r) {
    const std::int64_t t = m * r;
    const std::int64_t value = m <= 100 ? t / 1000 : m <= 1000 ? t / 10000 : t / 60000;
    if (value > last) {
      last = value;
      l.axis.push_back({34, static_cast<int>(b - r)});
      l.axis.push_back({36, static_cast<int>(b - r)});
      const std::int64_t shown = m > 100 && m <= 1000 ? value * 10 : value;
      l.texts.push_back({30, static_cast<int>(b - 4 - r), std::to_string(shown), true, 5, TimelineColour::axis});
    }
    l.axis.push_back({35, static_cast<int>(b - r)});
  }
  l.unitCaption = m <= 100 ? "1 sec" : m <= 1000 ? "10 sec" : "1 min";
  l.unitX = 5;
  l.unitY = static_cast<int>(b - 20);
}

void packetAxis(TimelineLayout& l, std::size_t count) {
  const int b = l.baseline;
  // The axis line under every packet's column, then a tick every hundred
  // packets and a longer one every ten ticks; in a longer file the ticks
  // step on by 1, 2, 5 times tens as long as they would come closer than
  // 8 pixels.
  const auto apart = [&](std::size_t step, int pixels) {
    return static_cast<std::int64_t>(count / step) * pixels <= l.plotWidth;
  };
  const auto next = [](std::size_t v) {
    std::size_t tens = 1;
    while (v / tens >= 10) tens *= 10;
    return v / tens == 1 ? 2 * tens : v / tens == 2 ? 5 * tens : 10 * tens;
  };
  std::size_t step = 100;
  while (!apart(step, 8)) step = next(step);
  // Labels on every tick while there are few, else on the long ticks, and
  // further apart while they would come closer than 36 pixels.
  std::size_t labelled = count / step < 20 ? step : step * 10;
  while (!apart(labelled, 36)) labelled = next(labelled);
  for (int x = 40; count > 0 && x <= l.xOf(count - 1); ++x) l.axis.push_back({x, b + 5});
  for (std::size_t k = 0; k < count; k += step) {
    const int x = l.xOf(k);
    l.axis.push_back({x, b + 4});
    l.axis.push_back({x, b + 6});
    if (k % (step * 10) == 0)
      for (int y = b + 7; y <= b + 10; ++y) l.axis.push_back({x, y});
    // (A label that would run past the right edge is left out.)
    const std::string label = std::to_string(k);
    if (k % labelled == 0 && x + 6 * static_cast<int>(label.size()) <= l.width)
      l.texts.push_back({x, b + 11, label, false, 5, TimelineColour::axis});
  }
}

}  // namespace

TimelineLayout LayoutTimeline(const PacketTable& packets, const HeaderRecords& rec, int width, int height,
                              std::span<const ErrorBlock> blocks, const TimelineCaptions& captions,
                              std::span<const DamagedObject> damaged) {
  TimelineLayout l;
  l.width = width;
  l.height = height;
  // A client area with no room for the plot draws nothing but the background.
  if (width < kTimelineMinWidth || height < kTimelineMinHeight) return l;
  l.valid = true;
  const int plotWidth = width - 40, plotHeight = height - 60;
  l.baseline = height - 40;
  l.duration = std::max(rec.fileProperties.playDuration, rec.fileProperties.sendDuration) / 10000;
  l.packets = static_cast<std::int64_t>(packets.size());
  l.plotWidth = plotWidth;
  l.msPerPixel = std::max<std::int64_t>(1, l.duration / plotHeight);
  l.texts.push_back({60, 15, "Send Time", false, 7, TimelineColour::text});
  l.texts.push_back({60, 25, "Presentation Time for Video", false, 7, TimelineColour::text});
  l.texts.push_back({60, 35, "Presentation Time for Audio", false, 7, TimelineColour::text});
  // The bands under the packet axis, in the reader's words.
  l.texts.push_back({60, 45, captions.errors, false, 7, TimelineColour::text});
  l.texts.push_back({60, 55, captions.damaged, false, 7, TimelineColour::text});
  l.legendLines = {{20, static_cast<int>(TimelineColour::send)},
                   {30, static_cast<int>(TimelineColour::video)},
                   {40, static_cast<int>(TimelineColour::audio)},
                   {50, static_cast<int>(TimelineColour::error)},
                   {60, static_cast<int>(TimelineColour::damaged)}};
  verticalAxis(l);
  l.texts.push_back({std::min(l.xOf(packets.size()), width - 40) - 27, l.baseline + 20, captions.axis, false, 5, TimelineColour::axis});
  packetAxis(l, packets.size());
  // Each error block of the scan under the packets it lies among.
  for (const ErrorBlock& e : blocks) {
    const std::int64_t span = e.declaredSize ? static_cast<std::int64_t>((e.actualSize + e.declaredSize - 1) / e.declaredSize) : 1;
    l.errorBands.emplace_back(l.xOf(e.packet), std::max(l.xOf(e.packet), l.xOf(e.packet + static_cast<std::uint64_t>(span)) - 1));
  }
  for (const DamagedObject& d : damaged)
    l.damagedBands.emplace_back(l.xOf(d.firstPacket), std::max(l.xOf(d.firstPacket), l.xOf(d.lastPacket + 1) - 1));
  return l;
}

std::int64_t TimelinePacketAt(const TimelineLayout& l, int x, std::size_t packets) {
  if (!l.valid || x < 40) return -1;
  const std::int64_t k = static_cast<std::int64_t>(x - 40) * std::max<std::int64_t>(l.packets, 1) / l.plotWidth;
  return k < static_cast<std::int64_t>(packets) ? k : -1;
}

}  // namespace corvel
