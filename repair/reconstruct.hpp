// Header reconstruction: the object list rebuilt by searching the file for
// the identifiers of known objects instead of following object sizes.
#pragma once

#include <cstdint>

#include "asf/header_walk.hpp"
#include "io/job.hpp"
#include "io/source_file.hpp"
#include "asf/structure.hpp"

namespace corvel {

// First position in [from, to) of the logical file where a known object's
// GUID begins; `to` when there is none (or a stop was requested).
std::uint64_t FindKnownObject(SourceFile& file, std::uint64_t from, std::uint64_t to, JobContext& ctx);

// Rebuilds the object list, the tree and the header records of `file` (read
// without cuts). Stopped on a stop request, with what was found by then.
JobResult<FileStructure> ReconstructStructure(SourceFile& file, const WalkOptions& o, JobContext& ctx);

}  // namespace corvel
