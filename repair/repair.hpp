// Repairs of the listed error blocks. A repair never changes the source file:
// it cuts regions out of the logical file (the cut list through which every
// later read goes) and updates the error list.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <vector>

#include "analysis/error_blocks.hpp"
#include "analysis/media_objects.hpp"
#include "io/job.hpp"
#include "io/source_file.hpp"
#include "repair/cut_judging.hpp"

namespace corvel {

enum class RepairMode {
  cutEqualRepeats,    // cut a block's longest repeat when it is as long as the block's excess
  cutAndRemeasure,    // cut repeats of at least the minimum length, then measure the block again
  acceptSizes,        // mark the blocks as fixed without cutting
  cutByStructure,     // cut equal repeats, then find inserted bytes by the packet's structure
};

struct RepairOptions {
  bool onlyLongerBlocks = true;  // cutAndRemeasure: only blocks longer than declared
  bool onlyZeroRepeats = true;   // only repeats of zero bytes
  std::uint32_t minRepeat = 100; // cutAndRemeasure: the shortest repeat to cut
};

// A cut made inside a block, and what decoding the media objects it touches
// says of it.
struct CheckedCut {
  std::uint64_t offset = 0;  // in the source file
  std::uint32_t length = 0;
  CutDecoding decoding = CutDecoding::notJudged;
  std::size_t tried = 0;              // places decoded before the cut went here
  std::vector<DamagedFrame> damaged;  // frames the decoder still rejects
  bool operator==(const CheckedCut&) const = default;
};

struct RepairData {
  CutList cuts;                   // the file's cuts with the new ones
  std::vector<ListedBlock> list;  // the error list after the repair
  std::vector<CheckedCut> checked;
};

// The repair's log line for a checked cut.
Message CutMessage(const CheckedCut& c);

// Where inserted bytes lie in `block` (whole packets of `packetSize` and
// fewer bytes than a packet inserted among them): the one cut position after
// which every packet parses, its payloads fill it and fit their media
// objects, and its padding is zero. Positions inside a run of one byte give
// the same packets and count once. When positions giving different packets
// fit, the one cutting a run of one byte is taken if it is the only such,
// else the one after all the packets if it is among them; else the result is
// empty, as when none fits.
//
// `around` holds what the sound packets either side of the block say: the
// streams the file has and, per stream, the media object numbers the
// block's payloads must lie between; and the send times its packets must
// lie between.
struct StreamsAround {
  std::bitset<128> streams;   // seen in the packets around
  std::bitset<128> declared;  // the header's: a stream seen nowhere near (a key frame's packets all around) is one too
  std::array<std::optional<std::uint32_t>, 128> lastBefore{}, firstAfter{};
  std::optional<std::uint32_t> sentBefore, sentAfter;
  bool allows(std::uint8_t stream, std::uint32_t number, std::uint32_t mask) const;
  bool allowsSendTime(std::uint32_t t) const { return (!sentBefore || t >= *sentBefore) && (!sentAfter || t <= *sentAfter); }
};
StreamsAround ReadStreamsAround(SourceFile& file, std::uint64_t offset, std::uint64_t size, std::uint32_t packetSize);
std::optional<std::size_t> FindInsertedBytes(ByteView block, std::uint32_t packetSize, const StreamsAround& around);

// Every cut position that fits (one per distinct result, in order), and the
// one the structure alone takes (as above).
struct InsertionPlaces {
  std::vector<std::size_t> fits;
  std::optional<std::size_t> preferred;
};
InsertionPlaces FindInsertionPlaces(ByteView block, std::uint32_t packetSize, const StreamsAround& around);

// Repairs the listed blocks of `list` in the logical file `file` (whose cuts
// are the ones made so far). With a judge, each cut into a block by its
// structure goes where decoding puts it (JudgeCut) and is checked.
// `declared`: the streams the header declares (none known: only those seen
// around a block count).
JobResult<RepairData> RepairBlocks(SourceFile& file, std::vector<ListedBlock> list, RepairMode mode,
                                   const RepairOptions& o, JobContext& ctx, DecodeJudge* judge = nullptr,
                                   std::bitset<128> declared = {});

}  // namespace corvel
