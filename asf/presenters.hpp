// Field lines of each header object under its node of the structure tree.
#pragma once

#include <cstdint>
#include <string>

#include "asf/records.hpp"
#include "asf/session.hpp"
#include "asf/tree.hpp"

namespace corvel {

// One node per block of the block list; links each block to its node.
void Blocks2TV(Session& s);

void hdr2TV(StructureTree& t, int node, const TAsfHeaderObject& r);
void fpo2TV(StructureTree& t, int node, const TAsfFilePropertiesObject& r);
void heo2TV(StructureTree& t, int node, const TAsfHeaderExtensionObject& r);
void spo2TV(StructureTree& t, int node, const HeaderRecords& recs, std::size_t index);
void clo2TV(StructureTree& t, int node, const TAsfCodecListObject& r);
void sbo2TV(StructureTree& t, int node, const TStreamBitratePropertiesObject& r);
void cdo2TV(StructureTree& t, int node, const TAsfContentDescriptionObject& r);
void ecd2TV(StructureTree& t, int node, const TAsfExtendedContentDescriptionObject& r);
void mao2TV(StructureTree& t, int node, const TAsfMarkerObject& r);
void meo2TV(StructureTree& t, int node, const TAsfBitrateMutualExclusionObject& r);
void cbo2TV(StructureTree& t, int node, const TAsfContentBrandingObject& r);
void dao2TV(StructureTree& t, int node, const TAsfDataObject& r);
void sio2TV(StructureTree& t, int node, const TAsfSimpleIndexObject& r, bool showEntries);

// "dd.mm.yyyy hh:mm:ss" of a file time (100-ns units since 1 January 1601).
std::string FileTimeToText(std::int64_t filetime);
// Name of an audio codec tag, with its leading blank: " [Unknown]" for others.
std::string AudioCodecName(std::uint16_t tag);
// The "bytes" value format: hex pairs, or "/bytes/" beyond 24 bytes.
std::string BytesLine(const std::string& label, const Bytes& data);

}  // namespace corvel
