// Single header fields read straight from a file, for files other than the
// open one (join inputs and output) and for the exporters.
#pragma once

#include <cstdint>
#include <string_view>

#include "io/byte_source.hpp"
#include "asf/records.hpp"

namespace corvel {

// Not-found values: -1 for the 64-bit results, 0 for the others.
std::int64_t ReadHeaderSize(const ByteSource& f);
std::int64_t FindDataObject(const ByteSource& f);
std::int64_t FindFileProperties(const ByteSource& f);
std::uint32_t ReadPacketSize(const ByteSource& f);
std::int64_t ReadPlayDuration(const ByteSource& f);
std::int64_t ReadPreroll(const ByteSource& f);

}  // namespace corvel
