// Header reconstruction: the block list rebuilt by searching the file for
// the identifiers of known objects instead of following object sizes.
#pragma once

#include <cstdint>

#include "asf/session.hpp"

namespace corvel {

// First position in [from, to) of the logical file where a known object's
// GUID begins; `to` when there is none (or a stop was requested).
std::uint64_t FindKnownObject(Session& s, std::uint64_t from, std::uint64_t to);

// Rebuilds the block list, the tree and the header records, and switches
// saving to the minimal header. False when the file cannot be opened.
bool ReconstructHeader(Session& s);
// The same over the session's source as it is already open.
void ReconstructOpenSource(Session& s);

}  // namespace corvel
