// Export: the media objects of an ASF file moved into an AVI file without
// re-encoding, or written one per file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/localization.hpp"
#include "asf/records.hpp"
#include "asf/report.hpp"

namespace corvel {

enum class StreamChoice { VideoAndAudio, VideoOnly, AudioOnly };

struct ExportResult {
  bool ok = false;
  std::string message;  // what the result label shows
  std::uint32_t chunks = 0;
  std::uint32_t videoChunks = 0;
  std::uint32_t audioChunks = 0;
  std::uint32_t rate = 0, scale = 0;  // video frame rate as rate / scale
};

// The largest AVI the 32-bit RIFF sizes can describe.
inline constexpr std::uint64_t kRiffLimit = 0xFFFFFFFFull;

// Remuxes `source` (whose header records are `rec`) into the AVI `output`.
// An output that would pass `limit` bytes is refused and removed.
ExportResult store2avi(const std::string& source, const HeaderRecords& rec, const std::string& output,
                       StreamChoice choice, Language lang, Reporter* rep, std::uint64_t limit = kRiffLimit);

// Writes the first media object to "frame0.txt" and the next n to
// "frame<k>.txt" in `dir` (the current folder when empty), each when it
// passes the stream choice. `beep` is called as the iteration's counters
// pass 0.
ExportResult frames2files(const std::string& source, long n, StreamChoice choice, const std::string& dir, Language lang,
                          Reporter* rep, const std::function<void()>& beep = {});

}  // namespace corvel
