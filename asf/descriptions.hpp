// Each header object described once: its fields in file order, each with
// the name the tree shows and its kind. One reader, one size computation,
// one writer and one tree presenter walk these (asf/field_visitors.hpp).
//
// A visitor `v` offers these kinds:
//   v.head(id, size)                     the object's GUID and size
//   v.num(name, x, show)                 a byte, word, dword or qword (by x's type)
//   v.guid(name, x, show)                a GUID
//   v.bytes(name, x, length, show)       bytes whose count `length` holds
//   v.text(name, x, length, rule)        UTF-16 text whose length field `length` holds
//   v.list(name, items, count, minBytes, caption, show)
//                                        `count` records of at least minBytes each
//   v.numbers(name, items, count)        a counted run of words, shown on one line
//   v.group(name, record)                a nested record under a node of its own
//   v.note(line)                         a line the tree shows, no bytes
//   v.typeSpecific(name, x, length, type)  a stream's format bytes, shown by its type
//   v.value(name, descriptor)            an Extended Content Description value
#pragma once

#include <concepts>
#include <string>
#include <type_traits>

#include "asf/records.hpp"

namespace corvel {

// How a number or byte run shows in the tree.
enum class Show {
  dec,
  hex,         // "0000000B (hex)"
  date,        // "N (dd.mm.yyyy hh:mm:ss)"
  seconds,     // "N (12.3 сек)"
  fourcc,      // four characters
  codecTag,    // "0161h  [Windows Media Audio ...]"
  codecType,   // "1 (video)"
  streamType,  // a GUID with its stream type's name
  bytes,       // hex pairs, or "/bytes/" beyond 24 bytes
  hexAll,      // every byte in hex
  chars,       // the bytes as characters
  codecInfo,   // as bytes, then the first four as characters
};

// How a list shows: each record under a node of its own, or under an
// "= /array/" line (the Simple Index's entries, shown only when asked).
enum class ListShow { nodes, array };

// How a text's length field counts it.
enum class TextLength {
  bytes,        // in bytes, the terminating zero unit included
  units,        // in UTF-16 units, the terminator included
  unitsOrNone,  // as units; an empty text has length 0 and no bytes
};

template <typename R, typename T>
concept Is = std::same_as<std::remove_const_t<R>, T>;

template <typename V, Is<HeaderObject> R>
void Describe(V& v, R& r) {
  v.head(r.ObjectID, r.ObjectSize);
  v.num("NumberOfHeaderObjects", r.NumberOfHeaderObjects);
  v.num("Reserved1", r.Reserved1);
  v.num("Reserved2", r.Reserved2);
}

template <typename V, Is<FileProperties> R>
void Describe(V& v, R& r) {
  v.head(r.ObjectID, r.ObjectSize);
  v.guid("FileID", r.FileID);
  v.num("FileSize", r.FileSize);
  v.num("CreationDate", r.CreationDate, Show::date);
  v.num("DataPacketsCount", r.DataPacketsCount);
  v.num("PlayDuration", r.PlayDuration, Show::seconds);
  v.num("SendDuration", r.SendDuration);
  v.num("Preroll", r.Preroll);
  v.num("Flags", r.Flags, Show::hex);
  v.num("MinimumDataPackedSize", r.MinimumDataPacketSize);
  v.num("MaximumDataPackedSize", r.MaximumDataPacketSize);
  v.num("MaximumBitrate", r.MaximumBitrate);
}

template <typename V, Is<HeaderExtension> R>
void Describe(V& v, R& r) {
  v.head(r.ObjectID, r.ObjectSize);
  v.guid("ReservedField1", r.ReservedField1);
  v.num("ReservedField2", r.ReservedField2);
  v.num("HeaderExtensionDataSize", r.HeaderExtensionDataSize);
  v.bytes("HeaderExtensionData", r.HeaderExtensionData, r.HeaderExtensionDataSize);
}

template <typename V, Is<StreamProperties> R>
void Describe(V& v, R& r) {
  v.head(r.ObjectID, r.ObjectSize);
  v.guid("StreamType", r.StreamType, Show::streamType);
  v.guid("ErrorCorrectionType", r.ErrorCorrectionType);
  v.num("TimeOffset", r.TimeOffset);
  v.num("TypeSpecificDataLength", r.TypeSpecificDataLength);
  v.num("ErrorCorrectionDataLength", r.ErrorCorrectionDataLength);
  v.num("Flags", r.Flags);
  v.num("Reserved", r.Reserved);
  v.typeSpecific("TypeSpecificData", r.TypeSpecificData, r.TypeSpecificDataLength, r.StreamType);
  v.bytes("ErrorCorrectionData", r.ErrorCorrectionData, r.ErrorCorrectionDataLength);
}

template <typename V, Is<BitmapInfoHeader> R>
void Describe(V& v, R& r) {
  v.num("FormatDataSize", r.FormatDataSize);
  v.num("ImageWidth", r.ImageWidth);
  v.num("ImageHeight", r.ImageHeight);
  v.num("Reserved", r.Reserved);
  v.num("BitsPerPixelCount", r.BitsPerPixelCount);
  v.num("CompressionID", r.CompressionID, Show::fourcc);
  v.num("ImageSize", r.ImageSize);
  v.num("HorizontalPixelsPerMeter", r.HorizontalPixelsPerMeter);
  v.num("VerticalPixelsPerMeter", r.VerticalPixelsPerMeter);
  v.num("ColorsUsedCount", r.ColorsUsedCount);
  v.num("ImportantColorsCount", r.ImportantColorsCount);
  // The codec's own data: what the format size counts beyond its 40 bytes.
  std::uint32_t extra = r.FormatDataSize > 40 ? r.FormatDataSize - 40 : 0;
  v.bytes("CodecSpecificData", r.CodecSpecificData, extra);
}

template <typename V, Is<VideoMedia> R>
void Describe(V& v, R& r) {
  v.num("EncodedImageWidth", r.EncodedImageWidth);
  v.num("EncodedImageHeight", r.EncodedImageHeight);
  v.num("ReservedFlags", r.ReservedFlags);
  v.num("FormatDataSize", r.FormatDataSize);
  v.group("FormatData", r.FormatData);
}

template <typename V, Is<AudioMedia> R>
void Describe(V& v, R& r) {
  v.num("CodecID_FormatTag", r.CodecID_FormatTag, Show::codecTag);
  v.num("NumberofChannels", r.NumberOfChannels);
  v.num("SamplesPerSecond", r.SamplesPerSecond);
  v.num("AverageNumberOfBytesPerSecond", r.AverageNumberOfBytesPerSecond);
  v.num("BlockAlignment", r.BlockAlignment);
  v.num("BitsPerSample", r.BitsPerSample);
  v.num("CodecSpecificDataSize", r.CodecSpecificDataSize);
  v.bytes("CodecSpecificData", r.CodecSpecificData, r.CodecSpecificDataSize);
}

template <typename V, Is<DataObjectHeader> R>
void Describe(V& v, R& r) {
  v.head(r.ObjectID, r.ObjectSize);
  v.guid("FileID", r.FileID);
  v.num("TotalDataPackets", r.TotalDataPackets);
  v.num("Reserved", r.Reserved);
  v.note("DataPackets = /stream found/");
}

template <typename V, Is<IndexEntry> R>
void Describe(V& v, R& r) {
  v.num("PacketNumber", r.PacketNumber);
  v.num("PacketCount", r.PacketCount);
}

template <typename V, Is<SimpleIndex> R>
void Describe(V& v, R& r) {
  v.head(r.ObjectID, r.ObjectSize);
  v.guid("FileID", r.FileID);
  v.num("IndexEntryTimeInterval", r.IndexEntryTimeInterval);
  v.num("MaximumPacketCount", r.MaximumPacketCount);
  v.num("IndexEntriesCount", r.IndexEntriesCount);
  v.list("IndexEntries", r.IndexEntries, r.IndexEntriesCount, 6,
         [](const IndexEntry&, std::size_t i) { return "IndexEntry (" + std::to_string(i) + ")"; }, ListShow::array);
}

template <typename V, Is<CodecEntry> R>
void Describe(V& v, R& r) {
  v.num("CodecType", r.Type, Show::codecType);
  v.num("CodecNameLength", r.CodecNameLength);
  v.text("CodecName", r.CodecName, r.CodecNameLength, TextLength::unitsOrNone);
  v.num("CodecDescriptionLength", r.CodecDescriptionLength);
  v.text("CodecDescription", r.CodecDescription, r.CodecDescriptionLength, TextLength::unitsOrNone);
  v.num("CodecInformationLength", r.CodecInformationLength);
  v.bytes("CodecInformation", r.CodecInformation, r.CodecInformationLength, r.Type == 1 ? Show::codecInfo : Show::bytes);
}

inline std::string CodecTypeName(std::uint16_t type) {
  return type == 1 ? " (video)" : type == 2 ? " (audio)" : " (unknown)";
}

template <typename V, Is<CodecList> R>
void Describe(V& v, R& r) {
  v.head(r.ObjectID, r.ObjectSize);
  v.guid("Reserved", r.Reserved);
  v.num("CodecEntriesCount", r.CodecEntriesCount);
  v.list("CodecEntries", r.CodecEntries, r.CodecEntriesCount, 8,
         [](const CodecEntry& e, std::size_t) { return "CodecEntry" + CodecTypeName(e.Type); });
}

template <typename V, Is<BitrateRecord> R>
void Describe(V& v, R& r) {
  v.num("Flags", r.Flags);
  v.num("AverageBitrate", r.AverageBitrate);
}

template <typename V, Is<StreamBitrates> R>
void Describe(V& v, R& r) {
  v.head(r.ObjectID, r.ObjectSize);
  v.num("BitrateRecordsCount", r.BitrateRecordsCount);
  v.list("BitrateRecords", r.BitrateRecords, r.BitrateRecordsCount, 6,
         [](const BitrateRecord& b, std::size_t) { return "BitrateRecord (" + std::to_string(b.Flags & 127) + ")"; });
}

template <typename V, Is<ContentDescription> R>
void Describe(V& v, R& r) {
  v.head(r.ObjectID, r.ObjectSize);
  v.num("TitleLength", r.TitleLength);
  v.num("AutorLength", r.AuthorLength);
  v.num("CopyrightLength", r.CopyrightLength);
  v.num("DescriptionLength", r.DescriptionLength);
  v.num("RatingLength", r.RatingLength);
  v.text("Title", r.Title, r.TitleLength, TextLength::bytes);
  v.text("Autor", r.Author, r.AuthorLength, TextLength::bytes);
  v.text("Copyright", r.Copyright, r.CopyrightLength, TextLength::bytes);
  v.text("Description", r.Description, r.DescriptionLength, TextLength::bytes);
  v.text("Rating", r.Rating, r.RatingLength, TextLength::bytes);
}

template <typename V, Is<ContentDescriptor> R>
void Describe(V& v, R& r) {
  v.num("DescriptorNameLength", r.DescriptorNameLength);
  v.text("DescriptorName", r.DescriptorName, r.DescriptorNameLength, TextLength::bytes);
  v.num("DescriptorValueDataType", r.DescriptorValueDataType);
  v.num("DescriptorValueLength", r.DescriptorValueLength);
  v.value("DescriptorValue", r);
}

template <typename V, Is<ExtendedContentDescription> R>
void Describe(V& v, R& r) {
  v.head(r.ObjectID, r.ObjectSize);
  v.num("ContentDescriptorsCount", r.ContentDescriptorsCount);
  v.list("ContentDescriptors", r.ContentDescriptors, r.ContentDescriptorsCount, 6,
         [](const ContentDescriptor&, std::size_t) { return std::string("ContentDescriptor"); });
}

template <typename V, Is<Marker> R>
void Describe(V& v, R& r) {
  v.num("Offset", r.Offset);
  v.num("PresentationTime", r.PresentationTime);
  v.num("EntryLength", r.EntryLength);
  v.num("SendTime", r.SendTime);
  v.num("Flags", r.Flags);
  v.num("MarkerDescriptionLength", r.MarkerDescriptionLength);
  v.text("MarkerDescription", r.MarkerDescription, r.MarkerDescriptionLength, TextLength::units);
}

template <typename V, Is<MarkerList> R>
void Describe(V& v, R& r) {
  v.head(r.ObjectID, r.ObjectSize);
  v.guid("Reserved", r.Reserved);
  v.num("MarkersCount", r.MarkersCount);
  v.num("Reserved", r.Reserved2);
  v.num("NameLength", r.NameLength);
  v.text("Name", r.Name, r.NameLength, TextLength::bytes);
  v.list("Markers", r.Markers, r.MarkersCount, 30,
         [](const Marker&, std::size_t i) { return "Marker (" + std::to_string(i + 1) + ")"; });
}

template <typename V, Is<MutualExclusion> R>
void Describe(V& v, R& r) {
  v.head(r.ObjectID, r.ObjectSize);
  v.guid("ExclusionType", r.ExclusionType);
  v.num("StreamNumbersCount", r.StreamNumbersCount);
  v.numbers("StreamNumbers", r.StreamNumbers, r.StreamNumbersCount);
}

template <typename V, Is<ContentBranding> R>
void Describe(V& v, R& r) {
  v.head(r.ObjectID, r.ObjectSize);
  v.num("BannerImageType", r.BannerImageType);
  v.num("BannerImageDataSize", r.BannerImageDataSize);
  v.bytes("BannerImageData", r.BannerImageData, r.BannerImageDataSize, Show::hexAll);
  v.num("BannerImageURLLength", r.BannerImageURLLength);
  v.bytes("BannerImageURL", r.BannerImageURL, r.BannerImageURLLength, Show::chars);
}

}  // namespace corvel
