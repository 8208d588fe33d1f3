// Field lines of each header object under its node of the structure tree.
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

void ShowHeaderObject(StructureTree& t, int node, const TAsfHeaderObject& r);
void ShowFileProperties(StructureTree& t, int node, const TAsfFilePropertiesObject& r);
void ShowHeaderExtension(StructureTree& t, int node, const TAsfHeaderExtensionObject& r);
void ShowStreamProperties(StructureTree& t, int node, const HeaderRecords& recs, std::size_t index);
void ShowCodecList(StructureTree& t, int node, const TAsfCodecListObject& r);
void ShowStreamBitrates(StructureTree& t, int node, const TStreamBitratePropertiesObject& r);
void ShowContentDescription(StructureTree& t, int node, const TAsfContentDescriptionObject& r);
void ShowExtendedContentDescription(StructureTree& t, int node, const TAsfExtendedContentDescriptionObject& r);
void ShowMarkers(StructureTree& t, int node, const TAsfMarkerObject& r);
void ShowMutualExclusion(StructureTree& t, int node, const TAsfBitrateMutualExclusionObject& r);
void ShowContentBranding(StructureTree& t, int node, const TAsfContentBrandingObject& r);
void ShowDataObject(StructureTree& t, int node, const TAsfDataObject& r);
void ShowSimpleIndex(StructureTree& t, int node, const TAsfSimpleIndexObject& r, bool showEntries);

// "dd.mm.yyyy hh:mm:ss" of a file time (100-ns units since 1 January 1601).
std::string FileTimeToText(std::int64_t filetime);
// Name of an audio codec tag, with its leading blank: " [Unknown]" for others.
std::string AudioCodecName(std::uint16_t tag);
// The "bytes" value format: hex pairs, or "/bytes/" beyond 24 bytes.
std::string BytesLine(const std::string& label, const Bytes& data);

}  // namespace corvel
