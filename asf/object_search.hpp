// Finding objects by their GUID rather than by the chain of sizes: for a
// header whose chain is broken, and for the reconstruction.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "asf/job.hpp"
#include "asf/source_file.hpp"

namespace corvel {

// A set of GUIDs as bytes, with a quick filter on their first two bytes.
class GuidSet {
 public:
  explicit GuidSet(std::span<const std::string_view> guids);
  // Whether the 16 bytes at p are one of the set.
  bool match(const std::uint8_t* p) const;

 private:
  std::vector<std::array<std::uint8_t, 16>> bytes_;
  std::bitset<65536> firstTwo_;
};

// The 15 objects of the catalogue; the index objects.
const GuidSet& CatalogueGuids();
const GuidSet& IndexGuids();

// The first position in [from, to) of the logical file where one of the
// set's GUIDs begins; `to` when there is none (or a stop was requested).
// Progress goes to `ctx` when there is one.
std::uint64_t FindObject(SourceFile& file, std::uint64_t from, std::uint64_t to, const GuidSet& set, JobContext* ctx);

}  // namespace corvel
