// The file's streams as a table: one entry per stream number, from every
// Stream Properties Object of the header, those carried inside Extended
// Stream Properties Objects of the Header Extension included.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "io/byte_source.hpp"
#include "asf/records.hpp"

namespace corvel {

enum class StreamKind : std::uint8_t { video, audio, other };

struct StreamEntry {
  std::uint8_t number = 0;  // 1 to 127
  Guid type;                // the stream type
  StreamKind kind = StreamKind::other;
  VideoMedia video;     // for a video stream
  AudioMedia audio;     // for an audio stream
  bool extended = false;    // declared inside an Extended Stream Properties Object
};

// Ordered by stream number; a number declared twice keeps its first entry.
using StreamTable = std::vector<StreamEntry>;

// A stream's media type: its type GUID, or where that is none of the media
// types (a damaged GUID), the one its format data has the shape of.
Guid MediaTypeOf(const StreamProperties& spo);
// One stream's entry from its Stream Properties record.
StreamEntry DescribeStream(const StreamProperties& spo);

// The table of the parsed records: the top-level Stream Properties Objects,
// then those inside the Header Extension's Extended Stream Properties.
StreamTable StreamsOf(const HeaderRecords& rec);
// The same read straight from a file's header (join inputs, exporters).
StreamTable ReadStreams(const ByteSource& f);

const StreamEntry* FindStream(const StreamTable& t, std::uint8_t number);
// The kind of stream `number` (other for a stream the table lacks).
StreamKind KindOf(const StreamTable& t, std::uint8_t number);
// The first stream of a kind; 0 when there is none.
std::uint8_t FirstOfKind(const StreamTable& t, StreamKind kind);
std::string_view KindName(StreamKind k);

// Whether two parts of one recording carry the same streams: the same
// numbers, types and formats. Empty when they do; else what differs.
std::string StreamTablesDiffer(const StreamTable& a, const StreamTable& b);

}  // namespace corvel
