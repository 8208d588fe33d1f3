// Single header fields read straight from a file, for files other than the
// open one (join inputs and output) and for the exporters.
#pragma once

#include <cstdint>
#include <string_view>

#include "asf/byte_source.hpp"
#include "asf/records.hpp"

namespace corvel {

// Not-found values: -1 for the 64-bit results, 0 for the others.
std::int64_t getHeaderObjectSize(const ByteSource& f);
std::int64_t findDAOoffset(const ByteSource& f);
std::int64_t findFPOoffset(const ByteSource& f);
std::int64_t findSPOoffset(const ByteSource& f, std::string_view streamType);
std::uint8_t getStreamNumber(const ByteSource& f, std::string_view streamType);
std::uint32_t getDataPacketSize(const ByteSource& f);
std::int64_t getPlayDuration(const ByteSource& f);
std::int64_t getPreroll(const ByteSource& f);
// The same question answered from the parsed records of the open file.
std::uint8_t getStreamNumberFromStruct(const HeaderRecords& rec, std::string_view streamType);

}  // namespace corvel
