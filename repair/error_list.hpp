// The error packet list on which the repairs work, its ".index" file, and
// the error grid rows made from it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/error_blocks.hpp"
#include "asf/bytes.hpp"

namespace corvel {

struct TErrPack {
  std::uint32_t id = 0;
  std::uint64_t offset = 0;  // logical offset of the block; 32 bits in the file
  std::int32_t declSize = 0;
  char mark = 0;             // 'y' listed, 'x' sizes fixed, 0 cleared
  std::uint64_t realSize = 0;  // 32 bits in the file
  std::uint8_t repByte = 0;
  std::uint32_t repLen = 0;
  std::uint32_t repOffset = 0;
  std::int64_t delta() const { return static_cast<std::int64_t>(realSize) - declSize; }
  bool operator==(const TErrPack&) const = default;
};

inline constexpr std::size_t kErrPackBytes = 26;

// The file form: count x 26 bytes, little-endian, packed. False when an
// offset or size does not fit the file's 32-bit fields.
bool EncodeErrPacks(const std::vector<TErrPack>& packs, Bytes& out);
// False (and `packs` untouched) when the size is not a whole number of records.
bool DecodeErrPacks(ByteView in, std::vector<TErrPack>& packs);

// Whole file save and load; the name is the input's name followed by ".index".
std::string ErrorListName(const std::string& input);
bool SaveErrPacks(const std::vector<TErrPack>& packs, const std::string& path, std::string& error);
bool LoadErrPacks(std::vector<TErrPack>& packs, const std::string& path);

// Fills the grid: one row per listed ('y') record, column 1 its index.
void erpacks2sg(const std::vector<TErrPack>& packs, ErrorGrid& grid, Language lang);

}  // namespace corvel
