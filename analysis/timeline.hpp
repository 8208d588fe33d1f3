// The timeline's layout: for each data packet of a scan, its send time and
// the presentation times of its payloads against the packet number, with
// the axes, ticks and labels around them. A window draws exactly this.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "analysis/error_blocks.hpp"
#include "analysis/media_objects.hpp"
#include "analysis/packet_table.hpp"
#include "asf/records.hpp"

namespace corvel {

enum class TimelineColour { background, send, video, audio, other, axis, text, error, damaged };

// The colour's red, green and blue.
struct Rgb {
  std::uint8_t r, g, b;
};
Rgb TimelineRgb(TimelineColour c);

struct TimelineText {
  int x = 0, y = 0;           // where the text begins (its right end when rightAligned)
  std::string text;
  bool rightAligned = false;
  int size = 5;               // points
  TimelineColour colour = TimelineColour::axis;
};

struct TimelinePixel {
  int x = 0, y = 0;
  TimelineColour colour = TimelineColour::axis;
};

struct TimelineLayout {
  bool valid = false;             // false when the plot area has no room
  int width = 0, height = 0;
  int baseline = 0;               // y of the packet axis
  std::int64_t duration = 0;      // milliseconds
  std::int64_t msPerPixel = 1;
  // The packet axis spans the plot's width: packet k lies at column xOf(k).
  std::int64_t packets = 0;
  int plotWidth = 1;
  int xOf(std::uint64_t k) const {
    return static_cast<int>(40 + static_cast<std::int64_t>(k) * plotWidth / std::max<std::int64_t>(packets, 1));
  }
  std::string unitCaption;        // "1 sec", "10 sec" or "1 min", drawn bottom to top
  int unitX = 5, unitY = 0;       // where the rotated caption's top-left lies
  std::vector<TimelineText> texts;    // legend, axis labels, "(packets)"
  std::vector<TimelinePixel> axis;    // ticks and axis pixels
  std::vector<std::pair<int, int>> legendLines;  // y and colour index of the legend's short lines
  std::vector<std::pair<int, int>> errorBands;   // x from, x to of each error block on the packet axis
  std::vector<std::pair<int, int>> damagedBands; // x from, x to of each media object a decoder found damaged
};

// The smallest client area the layout draws into.
inline constexpr int kTimelineMinWidth = 120, kTimelineMinHeight = 120;

// The words of the plot in the reader's language: the packet axis's name
// and the legend's for the two bands under it.
struct TimelineCaptions {
  std::string axis = "(packets)";
  std::string errors = "error blocks";
  std::string damaged = "frames the decoder rejects";
};

// `damaged` are a verify's findings, banded under the error blocks.
TimelineLayout LayoutTimeline(const PacketTable& packets, const HeaderRecords& rec, int width, int height,
                              std::span<const ErrorBlock> blocks = {}, const TimelineCaptions& captions = {},
                              std::span<const DamagedObject> damaged = {});

// Calls `point(x, y, colour)` for every send and presentation time point:
// the send times, then the video's and other streams', then the audio's
// (sparser, drawn last so that the video's never hide them), each in
// packet order (later points overwrite earlier ones on the same pixel).
// The colour of each stream number's points: by the kind of stream.
using StreamColours = std::array<TimelineColour, 128>;
StreamColours ColoursOf(const HeaderRecords& rec);

template <typename Point>
void ForEachTimelinePoint(const PacketTable& packets, const TimelineLayout& l, const StreamColours& colours, Point point) {
  if (!l.valid) return;
  const std::int64_t m = l.msPerPixel, b = l.baseline;
  for (std::size_t k = 0; k < packets.size(); ++k)
    point(l.xOf(k), static_cast<int>(b - packets[k].sendTime / m), TimelineColour::send);
  for (const bool audio : {false, true})
    for (std::size_t k = 0; k < packets.size(); ++k) {
      const PacketRef p = packets[k];
      for (std::size_t i = 0; i < p.payloadCount(); ++i) {
        const Payload pl = p.payload(i);
        const TimelineColour c = colours[pl.streamNumber & 127];
        if ((c == TimelineColour::audio) == audio)
          point(l.xOf(k), static_cast<int>(b - static_cast<std::int64_t>(pl.presentationTime) / m), c);
      }
    }
}

// The packet at a column of the plot, or -1.
std::int64_t TimelinePacketAt(const TimelineLayout& l, int x, std::size_t packets);

}  // namespace corvel
