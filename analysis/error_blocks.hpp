// Damaged stretches: as the scan finds them, and as the error list lists
// them for the repairs, measured for their longest run of one byte.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "io/source_file.hpp"

namespace corvel {

struct ErrorBlock {
  std::uint32_t packet = 0;  // packets recognised before the stretch
  std::string id;            // empty when made by the scan
  std::uint64_t offset = 0;  // where the stretch begins
  std::uint32_t declaredSize = 0;
  std::uint64_t actualSize = 0;  // from offset to the next packet start, once closed
  bool closed = false;           // the actual size is known
  std::string rejection;         // why the packet where it begins was not taken
  bool unreadable = false;       // the stretch holds bytes the system could not read
  bool isClosed() const { return closed; }
};

// What the error list holds a block for.
enum class BlockMark : std::uint8_t {
  none,        // repaired or cleared: no longer listed
  listed,      // listed for repair
  sizesFixed,  // its sizes were accepted as they are
};

struct ListedBlock {
  std::uint32_t id = 0;
  std::uint64_t offset = 0;  // logical offset of the block; 32 bits in the file
  std::int32_t declaredSize = 0;
  BlockMark mark = BlockMark::none;
  std::uint64_t actualSize = 0;  // 32 bits in the file
  std::uint8_t repByte = 0;
  std::uint32_t repLen = 0;
  std::uint32_t repOffset = 0;
  bool unreadable = false;  // found by a scan over unreadable bytes; not kept in the list's file
  std::int64_t delta() const { return static_cast<std::int64_t>(actualSize) - declaredSize; }
  bool listed() const { return mark == BlockMark::listed; }
  bool operator==(const ListedBlock&) const = default;
};

// Clears the measured fields of a record; it is no longer listed.
void Unlist(ListedBlock& p);
// Measures the longest run of one byte value in `size` logical bytes at
// `offset`, from byte 8 on. False when the bytes cannot be read.
bool MeasureLongestRepeat(SourceFile& f, std::uint64_t offset, std::uint64_t size, ListedBlock& p);
// The closed blocks as error list records, each measured.
std::vector<ListedBlock> ListClosedBlocks(SourceFile& f, std::span<const ErrorBlock> blocks);

}  // namespace corvel
