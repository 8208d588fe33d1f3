// Opening a file: the walk over its objects into the block list, and the
// dispatch of each known block to its reader and presenter.
#pragma once

#include <string>

#include "asf/session.hpp"

namespace corvel {

// Largest object the readers take into memory.
inline constexpr std::int64_t kMaxParsedBlock = 256ll << 20;

// Walks the open file. 0 when it starts with a Header Object, -1 otherwise.
int ReadStruct(Session& s);
// Parses every block of the block list into the header records and the tree.
void lista2struct(Session& s);
// Opens the session's file again for an operation that reads it; on failure
// the status says "file open error" and the result is false.
bool ReopenSource(Session& s);

// The open action: opens the file, walks it, parses the header and closes the
// file again. False when the file could not be opened or is not ASF.
bool OpenAction(Session& s, const std::string& path);

}  // namespace corvel
