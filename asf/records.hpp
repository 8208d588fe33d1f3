// In-memory records of the ASF header objects, one per known object, filled
// by the readers in asf/readers.cpp. Fields keep the ASF names and file order.
// Texts hold their UTF-16 units unchanged.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "asf/bytes.hpp"
#include "asf/guid.hpp"

namespace corvel {

struct HeaderObject {
  Guid ObjectID;
  std::int64_t ObjectSize = 0;
  std::uint32_t NumberOfHeaderObjects = 0;
  std::uint8_t Reserved1 = 0;
  std::uint8_t Reserved2 = 0;
};

inline constexpr std::int64_t kFilePropertiesSize = 104;

struct FileProperties {
  bool present = false;
  Guid ObjectID;
  std::int64_t ObjectSize = 0;
  Guid FileID;
  std::int64_t FileSize = 0;
  std::int64_t CreationDate = 0;
  std::int64_t DataPacketsCount = 0;
  std::int64_t PlayDuration = 0;
  std::int64_t SendDuration = 0;
  std::int64_t Preroll = 0;
  std::uint32_t Flags = 0;
  std::uint32_t MinimumDataPacketSize = 0;
  std::uint32_t MaximumDataPacketSize = 0;
  std::uint32_t MaximumBitrate = 0;
};

struct HeaderExtension {
  bool present = false;
  Guid ObjectID;
  std::int64_t ObjectSize = 0;
  Guid ReservedField1;
  std::uint16_t ReservedField2 = 0;
  std::uint32_t HeaderExtensionDataSize = 0;
  Bytes HeaderExtensionData;
};

struct StreamProperties {
  Guid ObjectID;
  std::int64_t ObjectSize = 0;
  Guid StreamType;
  Guid ErrorCorrectionType;
  std::int64_t TimeOffset = 0;
  std::uint32_t TypeSpecificDataLength = 0;
  std::uint32_t ErrorCorrectionDataLength = 0;
  std::uint16_t Flags = 0;
  std::uint32_t Reserved = 0;
  Bytes TypeSpecificData;
  Bytes ErrorCorrectionData;
  int streamNumber() const { return Flags & 127; }
};

struct BitmapInfoHeader {
  std::uint32_t FormatDataSize = 0;
  std::uint32_t ImageWidth = 0;
  std::uint32_t ImageHeight = 0;
  std::uint16_t Reserved = 0;
  std::uint16_t BitsPerPixelCount = 0;
  std::uint32_t CompressionID = 0;
  std::uint32_t ImageSize = 0;
  std::uint32_t HorizontalPixelsPerMeter = 0;
  std::uint32_t VerticalPixelsPerMeter = 0;
  std::uint32_t ColorsUsedCount = 0;
  std::uint32_t ImportantColorsCount = 0;
  Bytes CodecSpecificData;
};

struct VideoMedia {
  std::uint32_t EncodedImageWidth = 0;
  std::uint32_t EncodedImageHeight = 0;
  std::uint8_t ReservedFlags = 0;
  std::uint16_t FormatDataSize = 0;
  BitmapInfoHeader FormatData;
};

struct AudioMedia {
  std::uint16_t CodecID_FormatTag = 0;
  std::uint16_t NumberOfChannels = 0;
  std::uint32_t SamplesPerSecond = 0;
  std::uint32_t AverageNumberOfBytesPerSecond = 0;
  std::uint16_t BlockAlignment = 0;
  std::uint16_t BitsPerSample = 0;
  std::uint16_t CodecSpecificDataSize = 0;
  Bytes CodecSpecificData;
};

struct DataObjectHeader {
  Guid ObjectID;
  std::int64_t ObjectSize = 0;
  Guid FileID;
  std::int64_t TotalDataPackets = 0;
  std::uint16_t Reserved = 0;
};

struct IndexEntry {
  std::uint32_t PacketNumber = 0;
  std::uint16_t PacketCount = 0;
  bool operator==(const IndexEntry&) const = default;
};

struct SimpleIndex {
  bool present = false;
  Guid ObjectID;
  std::int64_t ObjectSize = 0;
  Guid FileID;
  std::int64_t IndexEntryTimeInterval = 0;
  std::uint32_t MaximumPacketCount = 0;
  std::uint32_t IndexEntriesCount = 0;
  std::vector<IndexEntry> IndexEntries;  // the entries the object holds
};

struct CodecEntry {
  std::uint16_t Type = 0;
  std::uint16_t CodecNameLength = 0;
  std::u16string CodecName;
  std::uint16_t CodecDescriptionLength = 0;
  std::u16string CodecDescription;
  std::uint16_t CodecInformationLength = 0;
  Bytes CodecInformation;
};

struct CodecList {
  bool present = false;
  Guid ObjectID;
  std::int64_t ObjectSize = 0;
  Guid Reserved;
  std::uint32_t CodecEntriesCount = 0;
  std::vector<CodecEntry> CodecEntries;
};

struct BitrateRecord {
  std::uint16_t Flags = 0;
  std::uint32_t AverageBitrate = 0;
};

struct StreamBitrates {
  bool present = false;
  Guid ObjectID;
  std::int64_t ObjectSize = 0;
  std::uint16_t BitrateRecordsCount = 0;
  std::vector<BitrateRecord> BitrateRecords;
};

struct ContentDescription {
  bool present = false;
  Guid ObjectID;
  std::int64_t ObjectSize = 0;
  std::uint16_t TitleLength = 0;
  std::uint16_t AuthorLength = 0;
  std::uint16_t CopyrightLength = 0;
  std::uint16_t DescriptionLength = 0;
  std::uint16_t RatingLength = 0;
  std::u16string Title;
  std::u16string Author;
  std::u16string Copyright;
  std::u16string Description;
  std::u16string Rating;
};

struct ContentDescriptor {
  std::uint16_t DescriptorNameLength = 0;
  std::u16string DescriptorName;
  std::uint16_t DescriptorValueDataType = 0;
  std::uint16_t DescriptorValueLength = 0;
  std::u16string DescriptorValue;  // text, for data type 0
  Bytes DescriptorValueBytes;      // raw value, every data type
};

struct ExtendedContentDescription {
  bool present = false;
  Guid ObjectID;
  std::int64_t ObjectSize = 0;
  std::uint16_t ContentDescriptorsCount = 0;
  std::vector<ContentDescriptor> ContentDescriptors;
};

struct Marker {
  std::int64_t Offset = 0;
  std::int64_t PresentationTime = 0;
  std::uint16_t EntryLength = 0;
  std::uint32_t SendTime = 0;
  std::uint32_t Flags = 0;
  std::uint32_t MarkerDescriptionLength = 0;
  std::u16string MarkerDescription;
};

struct MarkerList {
  bool present = false;
  Guid ObjectID;
  std::int64_t ObjectSize = 0;
  Guid Reserved;
  std::uint32_t MarkersCount = 0;
  std::uint16_t Reserved2 = 0;
  std::uint16_t NameLength = 0;
  std::u16string Name;
  std::vector<Marker> Markers;
};

struct MutualExclusion {
  bool present = false;
  Guid ObjectID;
  std::int64_t ObjectSize = 0;
  Guid ExclusionType;
  std::uint16_t StreamNumbersCount = 0;
  std::vector<std::uint16_t> StreamNumbers;
};

struct ContentBranding {
  bool present = false;
  Guid ObjectID;
  std::int64_t ObjectSize = 0;
  std::uint32_t BannerImageType = 0;
  std::uint32_t BannerImageDataSize = 0;
  Bytes BannerImageData;
  std::uint32_t BannerImageURLLength = 0;
  Bytes BannerImageURL;
};

// Every header record of the open file.
struct HeaderRecords {
  HeaderObject header;
  FileProperties fileProperties;
  HeaderExtension headerExtension;
  std::vector<StreamProperties> streams;
  CodecList codecList;
  StreamBitrates streamBitrates;
  ContentDescription contentDescription;
  ExtendedContentDescription extendedContentDescription;
  MarkerList markers;
  MutualExclusion mutualExclusion;
  ContentBranding contentBranding;
  DataObjectHeader data;
  SimpleIndex simpleIndex;

  // Clears every presence flag and the stream list, as a new parse begins.
  void clearPresence();
};

}  // namespace corvel
