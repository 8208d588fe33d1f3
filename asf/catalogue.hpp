// The known ASF object and stream-type identifiers.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "asf/guid.hpp"

namespace corvel {

struct CatalogueEntry {
  std::string_view name;
  Guid guid;
};

namespace guid {
inline constexpr Guid Header = Guid::parse("75B22630-668E-11CF-A6D9-00AA0062CE6C");
inline constexpr Guid FileProperties = Guid::parse("8CABDCA1-A947-11CF-8EE4-00C00C205365");
inline constexpr Guid HeaderExtension = Guid::parse("5FBF03B5-A92E-11CF-8EE3-00C00C205365");
inline constexpr Guid ExtendedContentDescription = Guid::parse("D2D0A440-E307-11D2-97F0-00A0C95EA850");
inline constexpr Guid CodecList = Guid::parse("86D15240-311D-11D0-A3A4-00A0C90348F6");
inline constexpr Guid StreamProperties = Guid::parse("B7DC0791-A9B7-11CF-8EE6-00C00C205365");
inline constexpr Guid StreamBitrateProperties = Guid::parse("7BF875CE-468D-11D1-8D82-006097C9A2B2");
inline constexpr Guid ContentDescription = Guid::parse("75B22633-668E-11CF-A6D9-00AA0062CE6C");
inline constexpr Guid SimpleIndex = Guid::parse("33000890-E5B1-11CF-89F4-00A0C90349CB");
inline constexpr Guid Marker = Guid::parse("F487CD01-A951-11CF-8EE6-00C00C205365");
inline constexpr Guid BitrateMutualExclusion = Guid::parse("D6E229DC-35DA-11D1-9034-00A0C90349BE");
inline constexpr Guid ContentBranding = Guid::parse("2211B3FA-BD23-11D2-B4B7-00A0C955FC6E");
inline constexpr Guid MediaObjectIndex = Guid::parse("FEB103F8-12AD-4C64-840F-2A1D2F7AD48C");
inline constexpr Guid Index = Guid::parse("D6E229D3-35DA-11D1-9034-00A0C90349BE");
inline constexpr Guid Data = Guid::parse("75B22636-668E-11CF-A6D9-00AA0062CE6C");

inline constexpr Guid AudioMedia = Guid::parse("F8699E40-5B4D-11CF-A8FD-00805F5C442B");
inline constexpr Guid VideoMedia = Guid::parse("BC19EFC0-5B4D-11CF-A8FD-00805F5C442B");
}  // namespace guid

inline constexpr std::array<CatalogueEntry, 15> GUIDTable{{
    {"ASF_HEADER_OBJECT", guid::Header},
    {"ASF_File_Properties_Object", guid::FileProperties},
    {"ASF_Header_Extension_Object", guid::HeaderExtension},
    {"ASF_Extended_Content_Description_Object", guid::ExtendedContentDescription},
    {"ASF_Codec_List_Object", guid::CodecList},
    {"ASF_Stream_Properties_Object", guid::StreamProperties},
    {"ASF_Stream_Bitrate_Properties_Object", guid::StreamBitrateProperties},
    {"ASF_Content_Description_Object", guid::ContentDescription},
    {"ASF_SIMPLE_INDEX_OBJECT", guid::SimpleIndex},
    {"ASF_Marker_Object", guid::Marker},
    {"ASF_Bitrate_Mutual_Exclusion_Object", guid::BitrateMutualExclusion},
    {"ASF_Content_Branding_Object", guid::ContentBranding},
    {"ASF_MEDIA_OBJECT_INDEX_OBJECT", guid::MediaObjectIndex},
    {"ASF_INDEX_OBJECT", guid::Index},
    {"ASF_DATA_OBJECT", guid::Data},
}};

namespace guid {
inline constexpr Guid Padding = Guid::parse("1806D474-CADF-4509-A4BA-9AABCB96AAE8");
inline constexpr Guid DigitalSignature = Guid::parse("2211B3FC-BD23-11D2-B4B7-00A0C955FC6E");
inline constexpr Guid IndexParameters = Guid::parse("D6E229DF-35DA-11D1-9034-00A0C90349BE");
inline constexpr Guid TimecodeIndex = Guid::parse("3CB73FD0-0C4A-4803-953D-EDF7B6228F0C");
inline constexpr Guid MediaObjectIndexParameters = Guid::parse("6B203BAD-3F11-48E4-ACA8-D7613DE2CFA7");
inline constexpr Guid ExtendedStreamProperties = Guid::parse("14E6A5CB-C672-4332-8399-A96952065B5A");
inline constexpr Guid TimecodeIndexParameters = Guid::parse("F55E496D-9797-4B5D-8C8B-604DFE9BFB24");
inline constexpr Guid ContentEncryption = Guid::parse("2211B3FB-BD23-11D2-B4B7-00A0C955FC6E");
inline constexpr Guid ExtendedContentEncryption = Guid::parse("298AE614-2622-4C17-B935-DAE07EE9289C");
}  // namespace guid

// The other objects the ASF format defines: not parsed, but named, and
// stepped over by the header walk like any object whose size is plausible.
inline constexpr std::array<CatalogueEntry, 20> StandardObjectTable{{
    {"ASF_Padding_Object", guid::Padding},
    {"ASF_Script_Command_Object", Guid::parse("1EFB1A30-0B62-11D0-A39B-00A0C90348F6")},
    {"ASF_Content_Encryption_Object", guid::ContentEncryption},
    {"ASF_Extended_Content_Encryption_Object", guid::ExtendedContentEncryption},
    {"ASF_Digital_Signature_Object", guid::DigitalSignature},
    {"ASF_Error_Correction_Object", Guid::parse("75B22635-668E-11CF-A6D9-00AA0062CE6C")},
    {"ASF_Index_Parameters_Object", guid::IndexParameters},
    {"ASF_Extended_Stream_Properties_Object", guid::ExtendedStreamProperties},
    {"ASF_Advanced_Mutual_Exclusion_Object", Guid::parse("A08649CF-4775-4670-8A16-6E35357566CD")},
    {"ASF_Group_Mutual_Exclusion_Object", Guid::parse("D1465A40-5A79-4338-B71B-E36B8FD6C249")},
    {"ASF_Stream_Prioritization_Object", Guid::parse("D4FED15B-88D3-454F-81F0-ED5C45999E24")},
    {"ASF_Bandwidth_Sharing_Object", Guid::parse("A69609E6-517B-11D2-B6AF-00C04FD908E9")},
    {"ASF_Language_List_Object", Guid::parse("7C4346A9-EFE0-4BFC-B229-393EDE415C85")},
    {"ASF_Metadata_Object", Guid::parse("C5F8CBEA-5BAF-4877-8467-AA8C44FA4CCA")},
    {"ASF_Metadata_Library_Object", Guid::parse("44231C94-9498-49D1-A141-1D134E457054")},
    {"ASF_Compatibility_Object", Guid::parse("26F18B5D-4584-47EC-9F5F-0E651F0452C9")},
    {"ASF_Index_Placeholder_Object", Guid::parse("D9AADE20-7C17-4F9C-BC28-8555DD98E2A2")},
    {"ASF_Media_Object_Index_Parameters_Object", guid::MediaObjectIndexParameters},
    {"ASF_Timecode_Index_Parameters_Object", guid::TimecodeIndexParameters},
    {"ASF_TIMECODE_INDEX_OBJECT", guid::TimecodeIndex},
}};

inline constexpr std::array<CatalogueEntry, 7> StreamTypeTable{{
    {"ASF_Audio_Media", guid::AudioMedia},
    {"ASF_Video_Media", guid::VideoMedia},
    {"ASF_Command_Media", Guid::parse("59DACFC0-59E6-11D0-A3AC-00A0C90348F6")},
    {"ASF_JFIF_Media", Guid::parse("B61BE100-5B4E-11CF-A8FD-00805F5C442B")},
    {"ASF_Degradable_JPEG_Media", Guid::parse("35907DE0-E415-11CF-A917-00805F5C442B")},
    {"ASF_File_Transfer_Media", Guid::parse("91BD222C-F21C-497A-8B6D-5AA86BFC0185")},
    {"ASF_Binary_Media", Guid::parse("3AFB65E2-47EF-40F2-AC2C-70A90D71D343")},
}};

// One of the 15 objects of the catalogue.
bool IsKnownObject(const Guid& id);
// One of the other objects the ASF format defines.
bool IsStandardObject(const Guid& id);
// The name of a catalogue or other standard object; empty for others.
std::string ObjectName(const Guid& id);
// The catalogue's name, or the GUID text itself for an unknown object.
std::string ObjectDisplayName(const Guid& id);
std::string StreamTypeName(const Guid& id);

}  // namespace corvel
