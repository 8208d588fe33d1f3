#include "asf/presenters.hpp"

#include <cstdio>

#include "asf/catalogue.hpp"
#include "asf/streams.hpp"

namespace corvel {

namespace {

std::string dec(std::int64_t v) { return std::to_string(v); }

std::string u8(const std::u16string& s) { return Utf16ToUtf8(s); }

std::string fourCC(std::uint32_t v) {
  const std::uint8_t b[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                             static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
  return BytesToStr(b, 0, 4);
}

// Civil date from days since 1970-01-01 (proleptic Gregorian).
void civilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  if (m <= 2) ++y;
}

}  // namespace

std::string BytesLine(const std::string& label, const Bytes& data) {
  if (data.size() > 24) return label + "/bytes/";
  return label + BytesToHex(data, 0, data.size());
}

std::string FileTimeToText(std::int64_t filetime) {
  // Milliseconds from 1601-01-01; 1601-01-01 is 134774 days before 1970-01-01.
  std::int64_t ms = filetime / 10000;
  std::int64_t days = ms / 86400000;
  std::int64_t rem = ms % 86400000;
  if (rem < 0) {
    rem += 86400000;
    --days;
  }
  std::int64_t y = 0;
  unsigned m = 0, d = 0;
  civilFromDays(days - 134774, y, m, d);
  const auto secs = rem / 1000;
  char out[64];
  std::snprintf(out, sizeof out, "%02u.%02u.%04lld %02lld:%02lld:%02lld", d, m, static_cast<long long>(y),
                static_cast<long long>(secs / 3600), static_cast<long long>(secs / 60 % 60),
                static_cast<long long>(secs % 60));
  return out;
}

std::string AudioCodecName(std::uint16_t tag) {
  switch (tag) {
    case 0x0161: return " [Windows Media Audio (7,8,9 Series)]";
    case 0x0162: return " [Windows Media Audio 9 Professional]";
    case 0x0163: return " [Windows Media Audio 9 Lossless]";
    case 0x7A21: return " [GSM-AMR (Fixed bit rate, no SID)]";
    case 0x7A22: return " [GSM-AMR (Variable bit rate, including SID)]";
    default: return " [Unknown]";
  }
}

void AddObjectNodes(FileStructure& fs, bool showUnnamed) {
  fs.tree.clear();
  for (std::size_t i = 0; i < fs.objects.size(); ++i) {
    ObjectEntry& b = fs.objects[i];
    b.node = -1;
    if (!showUnnamed && ObjectName(b.guid).empty()) continue;
    const std::string text = "'" + ObjectDisplayName(b.guid) + "' (" + dec(b.size) + ")";
    int parent = StructureTree::kRoot;
    if (b.parent >= 0 && static_cast<std::size_t>(b.parent) < i) parent = fs.objects[static_cast<std::size_t>(b.parent)].node;
    if (parent < 0) parent = StructureTree::kRoot;
    b.node = fs.tree.add(parent, text);
    fs.tree.node(b.node).object = static_cast<int>(i);
  }
}

void ShowHeaderObject(StructureTree& t, int node, const TAsfHeaderObject& r) {
  if (node < 0) return;
  const std::string lines[] = {"ObjectID = " + r.ObjectID, "ObjectSize = " + dec(r.ObjectSize),
                               "NumberOfHeaderObjects = " + dec(r.NumberOfHeaderObjects),
                               "Reserved1 = " + dec(r.Reserved1), "Reserved2 = " + dec(r.Reserved2)};
  for (std::size_t i = 0; i < 5; ++i) t.insert(node, i, lines[i]);
}

void ShowFileProperties(StructureTree& t, int node, const TAsfFilePropertiesObject& r) {
  if (node < 0) return;
  char secs[64];
  std::snprintf(secs, sizeof secs, "%.7g", static_cast<double>(r.PlayDuration) / 10000000.0);
  for (const std::string& line : {
           "ObjectID = " + r.ObjectID,
           "ObjectSize = " + dec(r.ObjectSize),
           "FileID = " + r.FileID,
           "FileSize = " + dec(r.FileSize),
           "CreationDate = " + dec(r.CreationDate) + " (" + FileTimeToText(r.CreationDate) + ")",
           "DataPacketsCount = " + dec(r.DataPacketsCount),
           "PlayDuration = " + dec(r.PlayDuration) + " (" + secs + " сек)",
           "SendDuration = " + dec(r.SendDuration),
           "Preroll = " + dec(r.Preroll),
           "Flags = " + HexDigits(r.Flags, 8) + " (hex)",
           "MinimumDataPackedSize = " + dec(r.MinimumDataPacketSize),
           "MaximumDataPackedSize = " + dec(r.MaximumDataPacketSize),
           "MaximumBitrate = " + dec(r.MaximumBitrate),
       })
    t.add(node, line);
}

void ShowHeaderExtension(StructureTree& t, int node, const TAsfHeaderExtensionObject& r) {
  if (node < 0) return;
  t.add(node, "ObjectID = " + r.ObjectID);
  t.add(node, "ObjectSize = " + dec(r.ObjectSize));
  t.add(node, "ReservedField1 = " + r.ReservedField1);
  t.add(node, "ReservedField2 = " + dec(r.ReservedField2));
  t.add(node, "HeaderExtensionDataSize = " + dec(r.HeaderExtensionDataSize));
  t.add(node, BytesLine("HeaderExtensionData = ", r.HeaderExtensionData));
}

void ShowStreamProperties(StructureTree& t, int node, const HeaderRecords& recs, std::size_t index) {
  if (node < 0 || index >= recs.ASFSPO.size()) return;
  const TAsfStreamPropertiesObject& r = recs.ASFSPO[index];
  t.add(node, "ObjectID = " + r.ObjectID);
  t.add(node, "ObjectSize = " + dec(r.ObjectSize));
  t.add(node, "StreamType = " + r.StreamType + " (" + StreamTypeName(r.StreamType) + ")");
  t.add(node, "ErrorCorrectionType = " + r.ErrorCorrectionType);
  t.add(node, "TimeOffset = " + dec(r.TimeOffset));
  t.add(node, "TypeSpecificDataLength = " + dec(r.TypeSpecificDataLength));
  t.add(node, "ErrorCorrectionDataLength = " + dec(r.ErrorCorrectionDataLength));
  t.add(node, "Flags = " + dec(r.Flags));
  t.add(node, "Reserved = " + dec(r.Reserved));
  if (r.StreamType == guid::VideoMedia) {
    const TASFVideoMedia v = ReadVideoMedia(r.TypeSpecificData);
    const TBitmapInfoHeader& f = v.FormatData;
    const int ts = t.add(node, "TypeSpecificData (video)");
    t.add(ts, "EncodedImageWidth = " + dec(v.EncodedImageWidth));
    t.add(ts, "EncodedImageHeight = " + dec(v.EncodedImageHeight));
    t.add(ts, "ReservedFlags = " + dec(v.ReservedFlags));
    t.add(ts, "FormatDataSize = " + dec(v.FormatDataSize));
    const int fd = t.add(ts, "FormatData");
    t.add(fd, "FormatDataSize = " + dec(f.FormatDataSize));
    t.add(fd, "ImageWidth = " + dec(f.ImageWidth));
    t.add(fd, "ImageHeight = " + dec(f.ImageHeight));
    t.add(fd, "Reserved = " + dec(f.Reserved));
    t.add(fd, "BitsPerPixelCount = " + dec(f.BitsPerPixelCount));
    t.add(fd, "CompressionID = " + fourCC(f.CompressionID));
    t.add(fd, "ImageSize = " + dec(f.ImageSize));
    t.add(fd, "HorizontalPixelsPerMeter = " + dec(f.HorizontalPixelsPerMeter));
    t.add(fd, "VerticalPixelsPerMeter = " + dec(f.VerticalPixelsPerMeter));
    t.add(fd, "ColorsUsedCount = " + dec(f.ColorsUsedCount));
    t.add(fd, "ImportantColorsCount = " + dec(f.ImportantColorsCount));
    t.add(fd, BytesLine("CodecSpecificData = ", f.CodecSpecificData));
  } else if (r.StreamType == guid::AudioMedia) {
    const TASFAudioMedia a = ReadAudioMedia(r.TypeSpecificData);
    const int ts = t.add(node, "TypeSpecificData (audio)");
    t.add(ts, "CodecID_FormatTag = " + HexDigits(a.CodecID_FormatTag, 4) + "h " + AudioCodecName(a.CodecID_FormatTag));
    t.add(ts, "NumberofChannels = " + dec(a.NumberOfChannels));
    t.add(ts, "SamplesPerSecond = " + dec(a.SamplesPerSecond));
    t.add(ts, "AverageNumberOfBytesPerSecond = " + dec(a.AverageNumberOfBytesPerSecond));
    t.add(ts, "BlockAlignment = " + dec(a.BlockAlignment));
    t.add(ts, "BitsPerSample = " + dec(a.BitsPerSample));
    t.add(ts, "CodecSpecificDataSize = " + dec(a.CodecSpecificDataSize));
    t.add(ts, BytesLine("CodecSpecificData = ", a.CodecSpecificData));
  } else {
    t.add(node, BytesLine("TypeSpecificData = ", r.TypeSpecificData));
  }
  t.add(node, BytesLine("ErrorCorrectionData = ", r.ErrorCorrectionData));
}

void ShowCodecList(StructureTree& t, int node, const TAsfCodecListObject& r) {
  if (node < 0) return;
  t.add(node, "ObjectID = " + r.ObjectID);
  t.add(node, "ObjectSize = " + dec(r.ObjectSize));
  t.add(node, "Reserved = " + r.Reserved);
  t.add(node, "CodecEntriesCount = " + dec(r.CodecEntriesCount));
  for (const TCodecEntry& e : r.CodecEntries) {
    const std::string suffix = e.Type == 1 ? " (video)" : e.Type == 2 ? " (audio)" : " (unknown)";
    const int n = t.add(node, "CodecEntry" + suffix);
    t.add(n, "CodecType = " + dec(e.Type) + suffix);
    t.add(n, "CodecNameLength = " + dec(e.CodecNameLength));
    t.add(n, "CodecName = " + u8(e.CodecName));
    t.add(n, "CodecDescriptionLength = " + dec(e.CodecDescriptionLength));
    t.add(n, "CodecDescription = " + u8(e.CodecDescription));
    t.add(n, "CodecInformationLength = " + dec(e.CodecInformationLength));
    std::string info = BytesLine("CodecInformation = ", e.CodecInformation);
    if (e.Type == 1 && e.CodecInformation.size() <= 24)
      info += " (" + BytesToStr(e.CodecInformation, 0, 4) + ")";
    t.add(n, info);
  }
}

void ShowStreamBitrates(StructureTree& t, int node, const TStreamBitratePropertiesObject& r) {
  if (node < 0) return;
  t.add(node, "ObjectID = " + r.ObjectID);
  t.add(node, "ObjectSize = " + dec(r.ObjectSize));
  t.add(node, "BitrateRecordsCount = " + dec(r.BitrateRecordsCount));
  for (const TBitrateRecord& b : r.BitrateRecords) {
    const int n = t.add(node, "BitrateRecord (" + dec(b.Flags & 127) + ")");
    t.add(n, "Flags = " + dec(b.Flags));
    t.add(n, "AverageBitrate = " + dec(b.AverageBitrate));
  }
}

void ShowContentDescription(StructureTree& t, int node, const TAsfContentDescriptionObject& r) {
  if (node < 0) return;
  t.add(node, "ObjectID = " + r.ObjectID);
  t.add(node, "ObjectSize = " + dec(r.ObjectSize));
  t.add(node, "TitleLength = " + dec(r.TitleLength));
  t.add(node, "AutorLength = " + dec(r.AuthorLength));
  t.add(node, "CopyrightLength = " + dec(r.CopyrightLength));
  t.add(node, "DescriptionLength = " + dec(r.DescriptionLength));
  t.add(node, "RatingLength = " + dec(r.RatingLength));
  t.add(node, "Title = " + u8(r.Title));
  t.add(node, "Autor = " + u8(r.Author));
  t.add(node, "Copyright = " + u8(r.Copyright));
  t.add(node, "Description = " + u8(r.Description));
  t.add(node, "Rating = " + u8(r.Rating));
}

void ShowExtendedContentDescription(StructureTree& t, int node, const TAsfExtendedContentDescriptionObject& r) {
  if (node < 0) return;
  t.add(node, "ObjectID = " + r.ObjectID);
  t.add(node, "ObjectSize = " + dec(r.ObjectSize));
  t.add(node, "ContentDescriptorsCount = " + dec(r.ContentDescriptorsCount));
  for (const TContentDescriptor& d : r.ContentDescriptors) {
    const int n = t.add(node, "ContentDescriptor");
    t.add(n, "DescriptorNameLength = " + dec(d.DescriptorNameLength));
    t.add(n, "DescriptorName = " + u8(d.DescriptorName));
    t.add(n, "DescriptorValueDataType = " + dec(d.DescriptorValueDataType));
    t.add(n, "DescriptorValueLength = " + dec(d.DescriptorValueLength));
    t.add(n, d.DescriptorValueDataType == 0 ? "DescriptorValue = " + u8(d.DescriptorValue)
                                            : BytesLine("DescriptorValue = ", d.DescriptorValueBytes));
  }
}

void ShowMarkers(StructureTree& t, int node, const TAsfMarkerObject& r) {
  if (node < 0) return;
  t.add(node, "ObjectID = " + r.ObjectID);
  t.add(node, "ObjectSize = " + dec(r.ObjectSize));
  t.add(node, "Reserved = " + r.Reserved);
  t.add(node, "MarkersCount = " + dec(r.MarkersCount));
  t.add(node, "Reserved = " + dec(r.Reserved2));
  t.add(node, "NameLength = " + dec(r.NameLength));
  t.add(node, "Name = " + u8(r.Name));
  for (std::size_t i = 0; i < r.Markers.size(); ++i) {
    const TMarkerEntry& m = r.Markers[i];
    const int n = t.add(node, "Marker (" + dec(static_cast<std::int64_t>(i) + 1) + ")");
    t.add(n, "Offset = " + dec(m.Offset));
    t.add(n, "PresentationTime = " + dec(m.PresentationTime));
    t.add(n, "EntryLength = " + dec(m.EntryLength));
    t.add(n, "SendTime = " + dec(m.SendTime));
    t.add(n, "Flags = " + dec(m.Flags));
    t.add(n, "MarkerDescriptionLength = " + dec(m.MarkerDescriptionLength));
    t.add(n, "MarkerDescription = " + u8(m.MarkerDescription));
  }
}

void ShowMutualExclusion(StructureTree& t, int node, const TAsfBitrateMutualExclusionObject& r) {
  if (node < 0) return;
  t.add(node, "ObjectID = " + r.ObjectID);
  t.add(node, "ObjectSize = " + dec(r.ObjectSize));
  t.add(node, "ExclusionType = " + r.ExclusionType);
  t.add(node, "StreamNumbersCount = " + dec(r.StreamNumbersCount));
  std::string nums;
  for (std::size_t i = 0; i < r.StreamNumbers.size(); ++i) nums += (i ? "," : "") + dec(r.StreamNumbers[i]);
  t.add(node, "StreamNumbers = " + nums);
}

void ShowContentBranding(StructureTree& t, int node, const TAsfContentBrandingObject& r) {
  if (node < 0) return;
  t.add(node, "ObjectID = " + r.ObjectID);
  t.add(node, "ObjectSize = " + dec(r.ObjectSize));
  t.add(node, "BannerImageType = " + dec(r.BannerImageType));
  t.add(node, "BannerImageDataSize = " + dec(r.BannerImageDataSize));
  t.add(node, "BannerImageData = " + BytesToHex(r.BannerImageData, 0, r.BannerImageData.size()));
  t.add(node, "BannerImageURLLength = " + dec(r.BannerImageURLLength));
  t.add(node, "BannerImageURL = " + BytesToStr(r.BannerImageURL, 0, r.BannerImageURL.size()));
}

void ShowDataObject(StructureTree& t, int node, const TAsfDataObject& r) {
  if (node < 0) return;
  t.add(node, "ObjectID = " + r.ObjectID);
  t.add(node, "ObjectSize = " + dec(r.ObjectSize));
  t.add(node, "FileID = " + r.FileID);
  t.add(node, "TotalDataPackets = " + dec(r.TotalDataPackets));
  t.add(node, "Reserved = " + dec(r.Reserved));
  t.add(node, "DataPackets = /stream found/");
}

void ShowSimpleIndex(StructureTree& t, int node, const TAsfSimpleIndexObject& r, bool showEntries) {
  if (node < 0) return;
  t.add(node, "ObjectID = " + r.ObjectID);
  t.add(node, "ObjectSize = " + dec(r.ObjectSize));
  t.add(node, "FileID = " + r.FileID);
  t.add(node, "IndexEntryTimeInterval = " + dec(r.IndexEntryTimeInterval));
  t.add(node, "MaximumPacketCount = " + dec(r.MaximumPacketCount));
  t.add(node, "IndexEntriesCount = " + dec(r.IndexEntriesCount));
  const int arr = t.add(node, "IndexEntries = /array/");
  if (!showEntries) return;
  for (std::size_t i = 0; i < r.IndexEntries.size(); ++i) {
    const int n = t.add(arr, "IndexEntry (" + dec(static_cast<std::int64_t>(i)) + ")");
    t.add(n, "PacketNumber = " + dec(r.IndexEntries[i].PacketNumber));
    t.add(n, "PacketCount = " + dec(r.IndexEntries[i].PacketCount));
  }
}

}  // namespace corvel
