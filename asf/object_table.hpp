// One table of the header objects this program understands: for each GUID
// how much of it to read, how to read it into the records, how to show it
// in the structure tree and how the save writes it back. The header walk,
// the save and the tests all go through it.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "asf/bytes.hpp"
#include "asf/records.hpp"
#include "asf/tree.hpp"

namespace corvel {

struct ObjectKind {
  Guid guid;
  // Bytes to read for parsing; 0 for the whole object.
  std::int64_t readBytes = 0;
  void (*read)(ByteView bytes, HeaderRecords& rec) = nullptr;
  void (*show)(StructureTree& tree, int node, const HeaderRecords& rec, bool showIndexEntries) = nullptr;
  // For the save: whether the records hold this object, and the writer,
  // which recomputes the object's sizes and appends it; it returns the
  // number of objects written (one per stream for Stream Properties).
  bool (*present)(const HeaderRecords& rec) = nullptr;
  std::uint32_t (*write)(HeaderRecords& rec, Bytes& out) = nullptr;
  // Written only into a header built from the source's objects.
  bool fullHeaderOnly = false;
};

// Every parsed object, in the order the save writes them (the objects it
// does not write last).
std::span<const ObjectKind> ObjectKinds();
// The entry of a GUID, or null for one this program does not parse.
const ObjectKind* FindObjectKind(const Guid& guid);

}  // namespace corvel
