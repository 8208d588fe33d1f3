// Export: the media objects of an ASF file moved into an AVI file without
// re-encoding, or written one per file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "io/source_file.hpp"
#include "io/job.hpp"
#include "asf/records.hpp"
#include "asf/streams.hpp"

namespace corvel {

namespace phase {
inline constexpr Phase exporting{MessageId::FramesSaved};
}  // namespace phase

// AVI: every video and audio stream, every video stream, or every audio
// stream. Frames: every stream, every video stream, or every stream that is
// not video.
enum class StreamChoice { VideoAndAudio, VideoOnly, AudioOnly };

// What one stream of the source gave the output.
struct StreamExport {
  std::uint8_t number = 0;  // the ASF stream number
  StreamKind kind = StreamKind::other;
  std::uint32_t chunks = 0;  // chunks (AVI) or files (frames) written
  std::uint64_t bytes = 0;
};

// A media object written to a file of its own.
struct FrameFile {
  std::string file;
  std::uint8_t stream = 0;
  std::uint32_t mediaObject = 0;
};

struct ExportData {
  std::uint32_t chunks = 0;  // chunks (AVI) or files (frames) written
  // Media objects left out because a fragment of them was lost.
  std::uint32_t incompleteVideo = 0, incompleteAudio = 0, incompleteOther = 0;
  std::uint32_t videoChunks = 0;
  std::uint32_t audioChunks = 0;
  std::uint32_t rate = 0, scale = 0;  // the first video stream's frame rate as rate / scale
  std::vector<StreamExport> streams;  // AVI: its streams, in track order; frames: the streams written
  // Streams an AVI cannot carry (script commands, binary, images...), left out.
  std::vector<StreamEntry> streamsLeftOut;
  std::uint64_t objectsLeftOut = 0;  // whole media objects of those streams
  std::vector<FrameFile> files;      // frames: every file written
  std::uint64_t objectsLookedAt = 0;  // frames: media objects read, written or not
  std::uint64_t tailBytesLeftOut = 0;  // of a last packet the data ends inside
  std::uint64_t damagedBytesSkipped = 0;  // where packets were expected and none parsed
};

// The largest AVI the 32-bit RIFF sizes can describe.
inline constexpr std::uint64_t kRiffLimit = 0xFFFFFFFFull;

// Remuxes `source` (whose header records are `rec`) read without the bytes
// of `cuts` (what a save would write) into the AVI `output`:
// one track per stream chosen, in stream number order. An output that would
// pass `limit` bytes is refused and removed.
JobResult<ExportData> ExportAvi(const SourceRef& source, const CutList& cuts, const HeaderRecords& rec, const std::string& output,
                                StreamChoice choice, JobContext& ctx, std::uint64_t limit = kRiffLimit);

// Writes the first media object of `source` without the bytes of `cuts` to "frame0.txt" and the next n to
// "frame<k>.txt" in `dir` (the current folder when empty), each when it
// passes the stream choice. `beep` is called as a media object number
// passes 0.
JobResult<ExportData> ExportFrames(const SourceRef& source, const CutList& cuts, long n, StreamChoice choice, const std::string& dir,
                                   JobContext& ctx, const std::function<void()>& beep = {});

}  // namespace corvel
