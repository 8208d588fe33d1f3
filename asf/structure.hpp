// What the header walk finds in a file: the list of its objects (where each
// lies, which is whose child), the records parsed from them and the
// structure tree that shows them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "asf/records.hpp"
#include "asf/tree.hpp"

namespace corvel {

struct ObjectEntry {
  Guid guid;
  std::int32_t parent = -1;
  std::int64_t offset = 0;
  std::int64_t size = 0;
  int node = -1;  // structure tree node
};

struct FileStructure {
  std::vector<ObjectEntry> objects;
  HeaderRecords rec;
  std::int64_t dataObjectOffset = 0;
  std::int32_t dataObjectIndex = -1;  // in `objects`; -1 when there is none
  // The packet count as the file states it: a scan writes the count it found
  // into the records, and a later scan must still expect the file's own.
  std::int64_t declaredPackets = 0;
  StructureTree tree;
  bool hasDataObject() const { return dataObjectIndex >= 0; }
};

}  // namespace corvel
