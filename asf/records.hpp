// The ASF header objects as records, each described once by its field list
// (asf/descriptions.hpp): fields in file order, named as the tree shows
// them. Texts hold their UTF-16 units unchanged.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "asf/descriptions.hpp"

namespace corvel {

#define CORVEL_HEADER_OBJECT(F)                              \
  F(num, std::uint32_t, objectCount, "NumberOfHeaderObjects") \
  F(num, std::uint8_t, reserved1, "Reserved1")               \
  F(num, std::uint8_t, reserved2, "Reserved2")
CORVEL_OBJECT(HeaderObject, CORVEL_HEADER_OBJECT)

inline constexpr std::int64_t kFilePropertiesSize = 104;

// "MinimumDataPackedSize" and "MaximumDataPackedSize" are spelt as the
// tools users compare with show them.
#define CORVEL_FILE_PROPERTIES(F)                                      \
  F(guid, Guid, fileId, "FileID")                                      \
  F(num, std::int64_t, fileSize, "FileSize")                           \
  F(num, std::int64_t, creationDate, "CreationDate", Show::date)       \
  F(num, std::int64_t, packetCount, "DataPacketsCount")                \
  F(num, std::int64_t, playDuration, "PlayDuration", Show::seconds)    \
  F(num, std::int64_t, sendDuration, "SendDuration")                   \
  F(num, std::int64_t, preroll, "Preroll")                             \
  F(num, std::uint32_t, flags, "Flags", Show::hex)                     \
  F(num, std::uint32_t, minimumPacketSize, "MinimumDataPackedSize")    \
  F(num, std::uint32_t, maximumPacketSize, "MaximumDataPackedSize")    \
  F(num, std::uint32_t, maximumBitrate, "MaximumBitrate")
CORVEL_OBJECT(FileProperties, CORVEL_FILE_PROPERTIES)

#define CORVEL_HEADER_EXTENSION(F)                          \
  F(guid, Guid, reserved1, "ReservedField1")                \
  F(num, std::uint16_t, reserved2, "ReservedField2")        \
  F(num, std::uint32_t, dataSize, "HeaderExtensionDataSize") \
  F(bytes, Bytes, data, "HeaderExtensionData", r.dataSize)
CORVEL_OBJECT(HeaderExtension, CORVEL_HEADER_EXTENSION)

#define CORVEL_STREAM_PROPERTIES(F)                                                                  \
  F(guid, Guid, streamType, "StreamType", Show::streamType)                                          \
  F(guid, Guid, errorCorrectionType, "ErrorCorrectionType")                                          \
  F(num, std::int64_t, timeOffset, "TimeOffset")                                                     \
  F(num, std::uint32_t, typeSpecificDataLength, "TypeSpecificDataLength")                            \
  F(num, std::uint32_t, errorCorrectionDataLength, "ErrorCorrectionDataLength")                      \
  F(num, std::uint16_t, flags, "Flags")                                                              \
  F(num, std::uint32_t, reserved, "Reserved")                                                        \
  F(typeSpecific, Bytes, typeSpecificData, "TypeSpecificData", r.typeSpecificDataLength, r.streamType) \
  F(bytes, Bytes, errorCorrectionData, "ErrorCorrectionData", r.errorCorrectionDataLength)
CORVEL_OBJECT(StreamProperties, CORVEL_STREAM_PROPERTIES, int streamNumber() const { return flags & 127; })

// A video stream's format. The codec's own data is what the format size
// counts beyond its 40 bytes.
#define CORVEL_BITMAP_INFO_HEADER(F)                                              \
  F(num, std::uint32_t, formatDataSize, "FormatDataSize")                         \
  F(num, std::uint32_t, width, "ImageWidth")                                      \
  F(num, std::uint32_t, height, "ImageHeight")                                    \
  F(num, std::uint16_t, reserved, "Reserved")                                     \
  F(num, std::uint16_t, bitsPerPixel, "BitsPerPixelCount")                        \
  F(num, std::uint32_t, compressionId, "CompressionID", Show::fourcc)             \
  F(num, std::uint32_t, imageSize, "ImageSize")                                   \
  F(num, std::uint32_t, horizontalPixelsPerMeter, "HorizontalPixelsPerMeter")     \
  F(num, std::uint32_t, verticalPixelsPerMeter, "VerticalPixelsPerMeter")         \
  F(num, std::uint32_t, colorsUsed, "ColorsUsedCount")                            \
  F(num, std::uint32_t, importantColors, "ImportantColorsCount")                  \
  F(bytes, Bytes, codecData, "CodecSpecificData", std::uint32_t{r.formatDataSize > 40 ? r.formatDataSize - 40 : 0})
CORVEL_RECORD(BitmapInfoHeader, CORVEL_BITMAP_INFO_HEADER)

#define CORVEL_VIDEO_MEDIA(F)                                     \
  F(num, std::uint32_t, encodedWidth, "EncodedImageWidth")        \
  F(num, std::uint32_t, encodedHeight, "EncodedImageHeight")      \
  F(num, std::uint8_t, reservedFlags, "ReservedFlags")            \
  F(num, std::uint16_t, formatDataSize, "FormatDataSize")         \
  F(group, BitmapInfoHeader, format, "FormatData")
CORVEL_RECORD(VideoMedia, CORVEL_VIDEO_MEDIA)

#define CORVEL_AUDIO_MEDIA(F)                                               \
  F(num, std::uint16_t, formatTag, "CodecID_FormatTag", Show::codecTag)     \
  F(num, std::uint16_t, channels, "NumberofChannels")                       \
  F(num, std::uint32_t, samplesPerSecond, "SamplesPerSecond")               \
  F(num, std::uint32_t, bytesPerSecond, "AverageNumberOfBytesPerSecond")    \
  F(num, std::uint16_t, blockAlignment, "BlockAlignment")                   \
  F(num, std::uint16_t, bitsPerSample, "BitsPerSample")                     \
  F(num, std::uint16_t, codecDataSize, "CodecSpecificDataSize")             \
  F(bytes, Bytes, codecData, "CodecSpecificData", r.codecDataSize)
CORVEL_RECORD(AudioMedia, CORVEL_AUDIO_MEDIA)

#define CORVEL_DATA_OBJECT(F)                             \
  F(guid, Guid, fileId, "FileID")                         \
  F(num, std::int64_t, packetCount, "TotalDataPackets")   \
  F(num, std::uint16_t, reserved, "Reserved")             \
  F(note, Note, packets, "DataPackets = /stream found/")
CORVEL_OBJECT(DataObjectHeader, CORVEL_DATA_OBJECT)

#define CORVEL_INDEX_ENTRY(F)                             \
  F(num, std::uint32_t, packetNumber, "PacketNumber")     \
  F(num, std::uint16_t, packetCount, "PacketCount")
CORVEL_RECORD(IndexEntry, CORVEL_INDEX_ENTRY, bool operator==(const IndexEntry&) const = default;)

inline std::string IndexEntryCaption(const IndexEntry&, std::size_t i) {
  return "IndexEntry (" + std::to_string(i) + ")";
}

#define CORVEL_SIMPLE_INDEX(F)                                                                          \
  F(guid, Guid, fileId, "FileID")                                                                       \
  F(num, std::int64_t, entryTimeInterval, "IndexEntryTimeInterval")                                     \
  F(num, std::uint32_t, maximumPacketCount, "MaximumPacketCount")                                       \
  F(num, std::uint32_t, entryCount, "IndexEntriesCount")                                                \
  F(list, std::vector<IndexEntry>, entries, "IndexEntries", r.entryCount, 6, IndexEntryCaption, ListShow::array)
CORVEL_OBJECT(SimpleIndex, CORVEL_SIMPLE_INDEX)

// A codec entry's name and description count UTF-16 units; the video
// codec's information shows its first four bytes as characters too.
#define CORVEL_CODEC_ENTRY(F)                                                                    \
  F(num, std::uint16_t, type, "CodecType", Show::codecType)                                      \
  F(num, std::uint16_t, nameLength, "CodecNameLength")                                           \
  F(text, std::u16string, name, "CodecName", r.nameLength, TextLength::unitsOrNone)              \
  F(num, std::uint16_t, descriptionLength, "CodecDescriptionLength")                             \
  F(text, std::u16string, description, "CodecDescription", r.descriptionLength, TextLength::unitsOrNone) \
  F(num, std::uint16_t, informationLength, "CodecInformationLength")                             \
  F(bytes, Bytes, information, "CodecInformation", r.informationLength, r.type == 1 ? Show::codecInfo : Show::bytes)
CORVEL_RECORD(CodecEntry, CORVEL_CODEC_ENTRY)

inline std::string CodecTypeName(std::uint16_t type) {
  return type == 1 ? " (video)" : type == 2 ? " (audio)" : " (unknown)";
}
inline std::string CodecEntryCaption(const CodecEntry& e, std::size_t) { return "CodecEntry" + CodecTypeName(e.type); }

#define CORVEL_CODEC_LIST(F)                            \
  F(guid, Guid, reserved, "Reserved")                   \
  F(num, std::uint32_t, entryCount, "CodecEntriesCount") \
  F(list, std::vector<CodecEntry>, entries, "CodecEntries", r.entryCount, 8, CodecEntryCaption)
CORVEL_OBJECT(CodecList, CORVEL_CODEC_LIST)

#define CORVEL_BITRATE_RECORD(F)                   \
  F(num, std::uint16_t, flags, "Flags")            \
  F(num, std::uint32_t, averageBitrate, "AverageBitrate")
CORVEL_RECORD(BitrateRecord, CORVEL_BITRATE_RECORD)

inline std::string BitrateRecordCaption(const BitrateRecord& b, std::size_t) {
  return "BitrateRecord (" + std::to_string(b.flags & 127) + ")";
}

#define CORVEL_STREAM_BITRATES(F)                         \
  F(num, std::uint16_t, recordCount, "BitrateRecordsCount") \
  F(list, std::vector<BitrateRecord>, records, "BitrateRecords", r.recordCount, 6, BitrateRecordCaption)
CORVEL_OBJECT(StreamBitrates, CORVEL_STREAM_BITRATES)

// "Autor" and "AutorLength" are spelt as the tools users compare with show them.
#define CORVEL_CONTENT_DESCRIPTION(F)                                                       \
  F(num, std::uint16_t, titleLength, "TitleLength")                                         \
  F(num, std::uint16_t, authorLength, "AutorLength")                                        \
  F(num, std::uint16_t, copyrightLength, "CopyrightLength")                                 \
  F(num, std::uint16_t, descriptionLength, "DescriptionLength")                             \
  F(num, std::uint16_t, ratingLength, "RatingLength")                                       \
  F(text, std::u16string, title, "Title", r.titleLength, TextLength::bytes)                 \
  F(text, std::u16string, author, "Autor", r.authorLength, TextLength::bytes)               \
  F(text, std::u16string, copyright, "Copyright", r.copyrightLength, TextLength::bytes)     \
  F(text, std::u16string, description, "Description", r.descriptionLength, TextLength::bytes) \
  F(text, std::u16string, rating, "Rating", r.ratingLength, TextLength::bytes)
CORVEL_OBJECT(ContentDescription, CORVEL_CONTENT_DESCRIPTION)

// A descriptor's value: its bytes as stored (every data type) and, for
// data type 0, the text they hold.
struct DescriptorValue {
  std::u16string text;
  Bytes bytes;
};

#define CORVEL_CONTENT_DESCRIPTOR(F)                                              \
  F(num, std::uint16_t, nameLength, "DescriptorNameLength")                       \
  F(text, std::u16string, name, "DescriptorName", r.nameLength, TextLength::bytes) \
  F(num, std::uint16_t, valueDataType, "DescriptorValueDataType")                 \
  F(num, std::uint16_t, valueLength, "DescriptorValueLength")                     \
  F(value, DescriptorValue, value, "DescriptorValue", r.valueDataType, r.valueLength)
CORVEL_RECORD(ContentDescriptor, CORVEL_CONTENT_DESCRIPTOR)

inline std::string ContentDescriptorCaption(const ContentDescriptor&, std::size_t) { return "ContentDescriptor"; }

#define CORVEL_EXTENDED_CONTENT_DESCRIPTION(F)                  \
  F(num, std::uint16_t, descriptorCount, "ContentDescriptorsCount") \
  F(list, std::vector<ContentDescriptor>, descriptors, "ContentDescriptors", r.descriptorCount, 6, ContentDescriptorCaption)
CORVEL_OBJECT(ExtendedContentDescription, CORVEL_EXTENDED_CONTENT_DESCRIPTION)

#define CORVEL_MARKER(F)                                                                     \
  F(num, std::int64_t, offset, "Offset")                                                     \
  F(num, std::int64_t, presentationTime, "PresentationTime")                                 \
  F(num, std::uint16_t, entryLength, "EntryLength")                                          \
  F(num, std::uint32_t, sendTime, "SendTime")                                                \
  F(num, std::uint32_t, flags, "Flags")                                                      \
  F(num, std::uint32_t, descriptionLength, "MarkerDescriptionLength")                        \
  F(text, std::u16string, description, "MarkerDescription", r.descriptionLength, TextLength::units)
CORVEL_RECORD(Marker, CORVEL_MARKER)

inline std::string MarkerCaption(const Marker&, std::size_t i) { return "Marker (" + std::to_string(i + 1) + ")"; }

#define CORVEL_MARKER_LIST(F)                                           \
  F(guid, Guid, reserved1, "Reserved")                                  \
  F(num, std::uint32_t, markerCount, "MarkersCount")                    \
  F(num, std::uint16_t, reserved2, "Reserved")                          \
  F(num, std::uint16_t, nameLength, "NameLength")                       \
  F(text, std::u16string, name, "Name", r.nameLength, TextLength::bytes) \
  F(list, std::vector<Marker>, markers, "Markers", r.markerCount, 30, MarkerCaption)
CORVEL_OBJECT(MarkerList, CORVEL_MARKER_LIST)

#define CORVEL_MUTUAL_EXCLUSION(F)                                 \
  F(guid, Guid, exclusionType, "ExclusionType")                    \
  F(num, std::uint16_t, streamCount, "StreamNumbersCount")         \
  F(numbers, std::vector<std::uint16_t>, streams, "StreamNumbers", r.streamCount)
CORVEL_OBJECT(MutualExclusion, CORVEL_MUTUAL_EXCLUSION)

#define CORVEL_CONTENT_BRANDING(F)                                                  \
  F(num, std::uint32_t, imageType, "BannerImageType")                               \
  F(num, std::uint32_t, imageSize, "BannerImageDataSize")                           \
  F(bytes, Bytes, image, "BannerImageData", r.imageSize, Show::hexAll)              \
  F(num, std::uint32_t, urlLength, "BannerImageURLLength")                          \
  F(bytes, Bytes, url, "BannerImageURL", r.urlLength, Show::chars)
CORVEL_OBJECT(ContentBranding, CORVEL_CONTENT_BRANDING)

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
