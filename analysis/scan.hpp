// The stream scan: every data packet of the Data Object is read at the fixed
// packet size, recognised, parsed and checked; damaged stretches become error
// blocks; a new Simple Index is built from the packets found.
#pragma once

#include <string>

#include "asf/session.hpp"

namespace corvel {

// Runs the scan over the open file of the session (the logical file, through
// its cuts). Log lines, grid rows and progress go through the session.
// Returns false when the scan could not start.
bool ScanDataPackets(Session& s);

// The scan action: reopens the session's file, clears cache and cuts, scans,
// reports "search finished" or "interrupted by user" and closes the file.
// False when the file could not be opened or the scan could not start.
bool ScanAction(Session& s);

// The file name part of a path followed by ".dump.txt".
std::string DumpFileName(const std::string& input);

}  // namespace corvel
