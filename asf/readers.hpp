// Readers of the header objects. Each takes the object's bytes (from its
// GUID on) and fills its record; a GUID that is not the reader's own leaves
// the record untouched. Every field, count and byte run is bounded by the
// bytes given: what lies past them reads as zero or is left out.
#pragma once

#include "asf/bytes.hpp"
#include "asf/records.hpp"

namespace corvel {

void readHDR(ByteView b, TAsfHeaderObject& r);
void readFPO(ByteView b, TAsfFilePropertiesObject& r);
void readHEO(ByteView b, TAsfHeaderExtensionObject& r);
// The type-specific data is kept as bytes: asf/streams reads the video and
// audio formats from it.
void readSPO(ByteView b, TAsfStreamPropertiesObject& r);
void readDAO(ByteView b, TAsfDataObject& r);
void readSIO(ByteView b, TAsfSimpleIndexObject& r);
void readCLO(ByteView b, TAsfCodecListObject& r);
void readSBO(ByteView b, TStreamBitratePropertiesObject& r);
void readCDO(ByteView b, TAsfContentDescriptionObject& r);
void readECD(ByteView b, TAsfExtendedContentDescriptionObject& r);
void readMAO(ByteView b, TAsfMarkerObject& r);
void readMEO(ByteView b, TAsfBitrateMutualExclusionObject& r);
void readCBO(ByteView b, TAsfContentBrandingObject& r);

}  // namespace corvel
