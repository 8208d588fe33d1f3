// The hex dump of a block of bytes: an address column, 16, 24 or 32 bytes
// a line in groups of four, and a character column.
#pragma once

#include <cstdint>
#include <string>

#include "asf/bytes.hpp"

namespace corvel {

// Objects larger than this are dumped only after a question.
inline constexpr std::uint64_t kDumpAskAbove = 100000;

// One line per `perLine` bytes (16, 24 or 32), each ended by '\n'. The
// address column counts from `base` (the block's file offset). Characters
// are UTF-8: bytes of the Windows-1251 letters as those letters (when
// `letters1251`; else every byte above 127 as "."), the bytes 129 to 190 and
// control characters as ".".
std::string DumpText(ByteView bytes, std::uint64_t base, int perLine, bool letters1251 = true);

// The column the character column starts at: 65, 93 or 121.
constexpr std::size_t DumpCharacterColumn(int perLine) {
  return static_cast<std::size_t>(3 * perLine + 2 * (perLine / 4 - 1) + 11);
}

}  // namespace corvel
