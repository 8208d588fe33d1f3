// A recording whose header is gone (overwritten, or carved data without
// one), read with the header of another recording made with the same
// settings: the reference's header objects, then the damaged file's packets
// from the first one found, as one file. What describes the data (counts,
// sizes, durations) is cleared, so that the scan and the save take it from
// the packets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "asf/structure.hpp"
#include "io/byte_source.hpp"
#include "io/job.hpp"

namespace corvel {

struct ReferenceHeader {
  Bytes head;                     // the reference's Header Object and a Data Object header
  std::uint64_t firstPacket = 0;  // where the damaged file's first packet starts
  std::uint32_t packetSize = 0;
  std::vector<std::string> objects;  // the header objects taken, by name
};

// How far into the damaged file its first packet is looked for.
inline constexpr std::uint64_t kReferenceSearch = 64ull << 20;

// The header `reference` (of structure `ref`) lends `damaged`. Failed, with
// the reason, when the reference's header is not whole, or its packet size
// or streams do not match the damaged file's packets.
JobResult<ReferenceHeader> BorrowHeader(const ByteSource& damaged, const ByteSource& reference, const FileStructure& ref,
                                        JobContext& ctx);
// The same for a file whose header is there but lost its Stream Properties
// (`own` its structure, with the File Properties): its own header objects
// are kept, those of no known kind (the wiped ones) left out, and the
// reference lends its Stream Properties (and its Codec List where the file
// has none).
JobResult<ReferenceHeader> BorrowStreams(const ByteSource& damaged, const FileStructure& own, const ByteSource& reference,
                                         const FileStructure& ref, JobContext& ctx);

}  // namespace corvel
