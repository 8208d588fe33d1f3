#include "analysis/simple_index.hpp"
#include "asf/field_visitors.hpp"

#include <algorithm>
#include <vector>

namespace corvel {

namespace {

// A day of entries a second is always allowed, whatever the frame count.
constexpr std::int64_t kIndexEntriesAlways = 86400;

template <typename Packets>
bool createIndex(const Packets& packets, SimpleIndex& index, std::uint8_t videoStream) {
  FrameCollector frames(videoStream);
  for (std::size_t i = 0; i < packets.size(); ++i) {
    const auto& p = packets[i];
    for (std::size_t k = 0; k < p.payloadCount(); ++k) frames.take(p.payload(k), static_cast<std::uint32_t>(i));
  }
  return CreateSimpleIndex(frames.finish(), index);
}

}  // namespace

void FrameCollector::take(const Payload& pl, std::uint32_t packetNumber) {
  if (pl.streamNumber != video_) return;
  if (open_ && pl.mediaObjectNumber == curNumber_) {
    ++cur_.packetCount;
    return;
  }
  if (open_) {
    cur_.sequence = static_cast<std::uint32_t>(frames_.size() + 1);
    frames_.push_back(cur_);
  }
  cur_ = FrameRecord{0, 1, packetNumber, pl.keyFrame, pl.presentationTime};
  curNumber_ = pl.mediaObjectNumber;
  open_ = true;
}

std::vector<FrameRecord> FrameCollector::finish() {
  open_ = false;
  return std::move(frames_);
}

bool CreateSimpleIndex(std::vector<FrameRecord> frames, SimpleIndex& index) {
  if (frames.empty()) return false;

  std::int64_t T = frames.back().presentationTime;
  if (frames.size() >= 2) T += frames.back().presentationTime - frames[frames.size() - 2].presentationTime;
  // An entry a second, unless the frames' times span far more seconds than
  // there are frames to point at (a clock that jumps by days, damaged
  // times): then an entry every few seconds, so that the index stays in
  // proportion to the file.
  const std::int64_t seconds = std::max<std::int64_t>(T, 0) / 1000 + 1;
  const std::int64_t most = std::max<std::int64_t>(kIndexEntriesAlways, static_cast<std::int64_t>(frames.size()) * 8);
  const std::int64_t unit = 1000 * ((seconds + most - 1) / most);  // milliseconds an entry
  const std::int64_t n = std::max<std::int64_t>(T, 0) / unit + 1;
  auto entryOf = [](const FrameRecord& f) {
    return IndexEntry{f.startPacket, static_cast<std::uint16_t>(f.packetCount)};
  };
  std::vector<IndexEntry> entries(static_cast<std::size_t>(n));
  // Entries before the first key frame name it: the frames before it (their
  // key frame lost to damage) cannot be decoded from there.
  std::size_t firstKey = 0;
  while (firstKey < frames.size() && !frames[firstKey].keyFrame) ++firstKey;
  if (firstKey == frames.size()) firstKey = 0;
  entries[0] = entryOf(frames[firstKey]);
  std::size_t cursor = 1, lastKey = firstKey;
  std::int64_t e = 1;
  while (e < n) {
    // The frames up to the first one of entry e's time or later: the
    // entries they pass name the last key frame before it (a gap in the
    // times, a clock that jumps), the entry of its time the last key frame
    // up to it.
    std::int64_t second = n;  // frames ran out: the last key frame to the end
    for (; cursor < frames.size(); ++cursor) {
      const std::int64_t sec = frames[cursor].presentationTime / unit;
      if (sec >= e) {
        second = sec;
        break;
      }
      if (frames[cursor].keyFrame) lastKey = cursor;
    }
    for (; e < std::min(second, n); ++e) entries[static_cast<std::size_t>(e)] = entryOf(frames[lastKey]);
    if (e < n) {
      lastKey = frames[cursor].keyFrame ? cursor : lastKey;
      entries[static_cast<std::size_t>(e++)] = entryOf(frames[lastKey]);
    }
  }
  index.entryCount = static_cast<std::uint32_t>(n);
  index.entries = std::move(entries);
  index.entryTimeInterval = unit * 10000;
  index.maximumPacketCount = 0;
  for (const auto& en : index.entries) index.maximumPacketCount = std::max<std::uint32_t>(index.maximumPacketCount, en.packetCount);
  SizeFields(index);
  return true;
}

bool CreateSimpleIndex(const PacketTable& packets, SimpleIndex& index, std::uint8_t videoStream) {
  return createIndex(packets, index, videoStream);
}

bool CreateSimpleIndex(std::span<const ParsedPacket> packets, SimpleIndex& index, std::uint8_t videoStream) {
  return createIndex(packets, index, videoStream);
}

}  // namespace corvel
