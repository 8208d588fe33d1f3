// Export: the media objects of an ASF file moved into an AVI file without
// re-encoding, or written one per file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "asf/job.hpp"
#include "asf/records.hpp"

namespace corvel {

enum class StreamChoice { VideoAndAudio, VideoOnly, AudioOnly };

struct ExportData {
  std::uint32_t chunks = 0;  // chunks (AVI) or files (frames) written
  // Media objects left out because a fragment of them was lost.
  std::uint32_t incompleteVideo = 0, incompleteAudio = 0, incompleteOther = 0;
  std::uint32_t videoChunks = 0;
  std::uint32_t audioChunks = 0;
  std::uint32_t rate = 0, scale = 0;  // video frame rate as rate / scale
};

// The largest AVI the 32-bit RIFF sizes can describe.
inline constexpr std::uint64_t kRiffLimit = 0xFFFFFFFFull;

// Remuxes `source` (whose header records are `rec`) into the AVI `output`.
// An output that would pass `limit` bytes is refused and removed.
JobResult<ExportData> ExportAvi(const std::string& source, const HeaderRecords& rec, const std::string& output,
                                StreamChoice choice, JobContext& ctx, std::uint64_t limit = kRiffLimit);

// Writes the first media object to "frame0.txt" and the next n to
// "frame<k>.txt" in `dir` (the current folder when empty), each when it
// passes the stream choice. `beep` is called as the iteration's counters
// pass 0.
JobResult<ExportData> ExportFrames(const std::string& source, long n, StreamChoice choice, const std::string& dir,
                                   JobContext& ctx, const std::function<void()>& beep = {});

}  // namespace corvel
