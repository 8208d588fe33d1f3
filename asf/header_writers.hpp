// Writers of the header objects: each size routine recomputes the lengths
// and the object size from the record's contents; each writer appends the
// object's bytes in the published layout.
#pragma once

#include "asf/bytes.hpp"
#include "asf/records.hpp"

namespace corvel {

// Each unit of the text, then a terminating zero unit.
void unicode2buff(const std::u16string& text, Bytes& out);

void writeASFHDR(const TAsfHeaderObject& r, Bytes& out);
void setObjectSizeASFFPO(TAsfFilePropertiesObject& r);
void writeASFFPO(const TAsfFilePropertiesObject& r, Bytes& out);
void setObjectSize4Streams(std::vector<TAsfStreamPropertiesObject>& streams);
void writeASFSPO(const TAsfStreamPropertiesObject& r, Bytes& out);
void setObjectSizeASFHEO(TAsfHeaderExtensionObject& r);
void writeASFHEO(const TAsfHeaderExtensionObject& r, Bytes& out);
void setObjectSizeASFCLO(TAsfCodecListObject& r);
void writeASFCLO(const TAsfCodecListObject& r, Bytes& out);
void setObjectSizeASFSBO(TStreamBitratePropertiesObject& r);
void writeASFSBO(const TStreamBitratePropertiesObject& r, Bytes& out);
void setObjectSizeASFCDO(TAsfContentDescriptionObject& r);
void writeASFCDO(const TAsfContentDescriptionObject& r, Bytes& out);
void setObjectSizeASFECD(TAsfExtendedContentDescriptionObject& r);
void writeASFECD(const TAsfExtendedContentDescriptionObject& r, Bytes& out);
void setObjectSizeASFMAO(TAsfMarkerObject& r);
void writeASFMAO(const TAsfMarkerObject& r, Bytes& out);
// The Data Object's 50-byte header and the Simple Index Object.
void writeASFDAOHeader(const TAsfDataObject& r, std::int64_t objectSize, std::uint64_t packets, Bytes& out);
void writeASFSIO(const TAsfSimpleIndexObject& r, const std::string& fileId, Bytes& out);

}  // namespace corvel
