// Finding objects by their GUID rather than by the chain of sizes: for a
// header whose chain is broken, and for the reconstruction.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "asf/guid.hpp"
#include "io/job.hpp"
#include "io/source_file.hpp"

namespace corvel {

namespace phase {
inline constexpr Phase searching{MessageId::ReconstructingHeader};
}  // namespace phase

// A set of GUIDs as bytes, with a quick filter on their first two bytes
// and, for the search, how far a 16-byte window may move on by its last two
// bytes (none of the GUIDs can begin in between).
class GuidSet {
 public:
  explicit GuidSet(std::span<const Guid> guids);
  // Whether the 16 bytes at p are one of the set.
  bool match(const std::uint8_t* p) const;
  // The first place in `w` where one of the GUIDs begins; w.size() when none does.
  std::size_t find(ByteView w) const;

 private:
  std::vector<std::array<std::uint8_t, 16>> bytes_;
  std::bitset<65536> firstTwo_;
  std::vector<std::uint8_t> shift_;  // by the window's last two bytes
  std::bitset<65536> inGuid_;        // the pairs of bytes any GUID holds (those shift less)
};

// The 15 objects of the catalogue; the index objects.
const GuidSet& CatalogueGuids();
const GuidSet& IndexGuids();

// The first position in [from, to) of the logical file where one of the
// set's GUIDs begins; `to` when there is none (or a stop was requested).
// Progress goes to `ctx` when there is one.
std::uint64_t FindObject(SourceFile& file, std::uint64_t from, std::uint64_t to, const GuidSet& set, JobContext* ctx);

}  // namespace corvel
