// Repairs of the listed error blocks. A repair never changes the source file:
// it cuts regions out of the logical file (the session's cut list) and
// updates the error packet list.
#pragma once

#include <cstdint>
#include <string>

#include "asf/session.hpp"

namespace corvel {

enum class RepairMode { None, FixEQDelta, RemoveAndRescan, FixSizes };

struct RepairOptions {
  bool CheckDP = true;       // only blocks with a positive delta (RemoveAndRescan)
  bool CheckZR = true;       // only repeats of zero bytes
  std::string EditMS = "100";  // smallest repeat to cut (RemoveAndRescan)
};

// Clears the measured fields of a record; it is no longer listed.
void zerpack(TErrPack& p);
// Measures the longest run of one byte value in `size` logical bytes at
// `offset`, from byte 8 on. False when the bytes cannot be read.
bool scanpack(SourceFile& f, std::uint64_t offset, std::uint64_t size, TErrPack& p);

void FixEQDelta(Session& s, const RepairOptions& o);
void RemoveAndRescan(Session& s, RepairOptions& o);
void FixSizes(Session& s);

// Loads the error list "<input>.index" (or `path`): on success the cuts are
// cleared and the grid shows the list. A missing file or one that is not a
// whole number of records changes nothing and gives false.
bool LoadErrorsAction(Session& s, const std::string& path = {});

// The repair action: opens the source, runs the mode, refills the grid.
// False when the source cannot be opened.
bool RepairAction(Session& s, RepairMode mode, RepairOptions& o);

}  // namespace corvel
