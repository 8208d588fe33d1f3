// Repairs of the listed error blocks. A repair never changes the source file:
// it cuts regions out of the logical file (the cut list through which every
// later read goes) and updates the error list.
#pragma once

#include <cstdint>
#include <vector>

#include "analysis/error_blocks.hpp"
#include "asf/job.hpp"
#include "asf/source_file.hpp"

namespace corvel {

enum class RepairMode {
  cutEqualRepeats,    // cut a block's longest repeat when it is as long as the block's excess
  cutAndRemeasure,    // cut repeats of at least the minimum length, then measure the block again
  acceptSizes,        // mark the blocks as fixed without cutting
};

struct RepairOptions {
  bool onlyLongerBlocks = true;  // cutAndRemeasure: only blocks longer than declared
  bool onlyZeroRepeats = true;   // only repeats of zero bytes
  std::uint32_t minRepeat = 100; // cutAndRemeasure: the shortest repeat to cut
};

struct RepairData {
  CutList cuts;                   // the file's cuts with the new ones
  std::vector<ListedBlock> list;  // the error list after the repair
};

// Repairs the listed blocks of `list` in the logical file `file` (whose cuts
// are the ones made so far).
JobResult<RepairData> RepairBlocks(SourceFile& file, std::vector<ListedBlock> list, RepairMode mode,
                                   const RepairOptions& o, JobContext& ctx);

}  // namespace corvel
