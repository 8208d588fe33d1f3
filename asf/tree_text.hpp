// The structure tree's object nodes, and the texts its field lines use
// (the lines themselves: FieldPresenter, asf/field_visitors.hpp).
#pragma once

#include <cstdint>
#include <string>

#include "asf/records.hpp"
#include "asf/structure.hpp"
#include "asf/tree.hpp"

namespace corvel {

// One node per object of the object list; links each object to its node.
// Objects of no known name get one only when `showUnnamed`.
void AddObjectNodes(FileStructure& fs, bool showUnnamed = true);

// "dd.mm.yyyy hh:mm:ss" of a file time (100-ns units since 1 January 1601).
std::string FileTimeToText(std::int64_t filetime);
// Name of an audio codec tag, with its leading blank: " [Unknown]" for others.
std::string AudioCodecName(std::uint16_t tag);
// The "bytes" value format: hex pairs, or "/bytes/" beyond 24 bytes.
std::string BytesLine(const std::string& label, const Bytes& data);

}  // namespace corvel
