// Opening a file: the walk over its objects into the object list, and the
// dispatch of each known object to its reader and presenter.
#pragma once

#include <cstdint>

#include "io/job.hpp"
#include "io/source_file.hpp"
#include "asf/structure.hpp"

namespace corvel {

namespace phase {
inline constexpr Phase readingHeader{MessageId::ReadingHeader};
inline constexpr Phase readingIndex{MessageId::ReadingIndex};  // the Simple Index behind the data
}  // namespace phase

// Largest object the readers take into memory.
inline constexpr std::int64_t kMaxParsedBlock = 256ll << 20;

struct WalkOptions {
  bool listUnknownObjects = false;  // step over objects the catalogue does not name
  bool showIndexEntries = false;    // list the Simple Index entries in the tree
};

// Walks the open file from its Header Object into `fs` (objects, tree and
// records). False when the file does not start with a Header Object.
bool WalkObjects(SourceFile& file, const WalkOptions& o, FileStructure& fs, JobContext& ctx);
// Parses every object of the object list into the records and the tree.
void ParseObjects(SourceFile& file, const WalkOptions& o, FileStructure& fs, JobContext& ctx);

}  // namespace corvel
