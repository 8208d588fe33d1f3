// Where a cut goes when the structure leaves several places: the media
// objects each place gives are decoded, and the decoder's word (and, for
// pictures, how far each lies from the picture before it) decides.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "analysis/media_objects.hpp"
#include "io/source_file.hpp"

namespace corvel {

// A media object a repair leaves that its decoder rejects.
struct DamagedFrame {
  std::uint8_t stream = 0;
  std::uint32_t object = 0;  // media object number
  std::uint32_t time = 0;    // presentation time, ms
  bool operator==(const DamagedFrame&) const = default;
};

enum class CutDecoding : std::uint8_t {
  confirmed,  // the objects the cut touches decode cleanly
  damaged,    // one of them does not, at every place tried
  notJudged,  // no decoder could say (no decoder for the stream, none built)
};

// What judging a block's cut found.
struct JudgedCut {
  std::optional<std::size_t> at;  // where in the block to cut; none: no cut
  CutDecoding decoding = CutDecoding::notJudged;
  std::size_t tried = 0;              // places decoded
  std::vector<DamagedFrame> damaged;  // at the place taken
};

// The block of `blockSize` bytes at `offset` in `file` (packets of
// `packetSize` with `inserted` bytes too many) cut at one of `places` (in
// the block's bytes `block`): the place after which the objects it touches
// decode cleanly; of several, the one whose pictures look least wrong (the
// later among equals; the first, which is the structure's `preferred` when
// it is clean, where no picture tells them apart, as with audio). When none decodes cleanly, the
// structure's place, with the objects that stay damaged.
JudgedCut JudgeCut(SourceFile& file, std::uint64_t offset, ByteView block, std::uint32_t packetSize,
                   std::size_t inserted, const std::vector<std::size_t>& places, std::optional<std::size_t> preferred,
                   DecodeJudge& judge);

}  // namespace corvel
