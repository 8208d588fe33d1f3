#include "asf/header_writers.hpp"

#include "asf/catalogue.hpp"

namespace corvel {

namespace {

using Out = ByteWriter;

// Object header: the catalogue's GUID (whatever the record holds) and size.
Out& head(Out& o, std::string_view id, std::int64_t size) { return o.guid(id).u64(static_cast<std::uint64_t>(size)); }

std::uint16_t wideBytes(const std::u16string& t) { return static_cast<std::uint16_t>(2 * t.size() + 2); }

}  // namespace

void unicode2buff(const std::u16string& text, Bytes& out) { ByteWriter(out).wide(text); }

void writeASFHDR(const TAsfHeaderObject& r, Bytes& out) {
  Out o(out);
  head(o, guid::Header, r.ObjectSize).u32(r.NumberOfHeaderObjects).u8(r.Reserved1).u8(r.Reserved2);
}

void setObjectSizeASFFPO(TAsfFilePropertiesObject& r) { r.ObjectSize = FPOStdSize; }

void writeASFFPO(const TAsfFilePropertiesObject& r, Bytes& out) {
  Out o(out);
  head(o, guid::FileProperties, r.ObjectSize)
      .guid(r.FileID)
      .u64(static_cast<std::uint64_t>(r.FileSize))
      .u64(static_cast<std::uint64_t>(r.CreationDate))
      .u64(static_cast<std::uint64_t>(r.DataPacketsCount))
      .u64(static_cast<std::uint64_t>(r.PlayDuration))
      .u64(static_cast<std::uint64_t>(r.SendDuration))
      .u64(static_cast<std::uint64_t>(r.Preroll))
      .u32(r.Flags)
      .u32(r.MinimumDataPacketSize)
      .u32(r.MaximumDataPacketSize)
      .u32(r.MaximumBitrate);
}

void setObjectSize4Streams(std::vector<TAsfStreamPropertiesObject>& streams) {
  for (auto& r : streams) {
    r.TypeSpecificDataLength = static_cast<std::uint32_t>(r.TypeSpecificData.size());
    r.ErrorCorrectionDataLength = static_cast<std::uint32_t>(r.ErrorCorrectionData.size());
    r.ObjectSize = 78 + std::int64_t{r.TypeSpecificDataLength} + r.ErrorCorrectionDataLength;
  }
}

void writeASFSPO(const TAsfStreamPropertiesObject& r, Bytes& out) {
  Out o(out);
  head(o, guid::StreamProperties, r.ObjectSize)
      .guid(r.StreamType)
      .guid(r.ErrorCorrectionType)
      .u64(static_cast<std::uint64_t>(r.TimeOffset))
      .u32(r.TypeSpecificDataLength)
      .u32(r.ErrorCorrectionDataLength)
      .u16(r.Flags)
      .u32(r.Reserved)
      .bytes(r.TypeSpecificData)
      .bytes(r.ErrorCorrectionData);
}

void setObjectSizeASFHEO(TAsfHeaderExtensionObject& r) {
  r.HeaderExtensionDataSize = static_cast<std::uint32_t>(r.HeaderExtensionData.size());
  r.ObjectSize = std::int64_t{r.HeaderExtensionDataSize} + 46;
}

void writeASFHEO(const TAsfHeaderExtensionObject& r, Bytes& out) {
  Out o(out);
  head(o, guid::HeaderExtension, r.ObjectSize)
      .guid(r.ReservedField1)
      .u16(r.ReservedField2)
      .u32(r.HeaderExtensionDataSize)
      .bytes(r.HeaderExtensionData);
}

void setObjectSizeASFCLO(TAsfCodecListObject& r) {
  std::int64_t size = 44;
  r.CodecEntriesCount = static_cast<std::uint32_t>(r.CodecEntries.size());
  for (auto& e : r.CodecEntries) {
    e.CodecNameLength = e.CodecName.empty() ? 0 : static_cast<std::uint16_t>(e.CodecName.size() + 1);
    e.CodecDescriptionLength = e.CodecDescription.empty() ? 0 : static_cast<std::uint16_t>(e.CodecDescription.size() + 1);
    e.CodecInformationLength = static_cast<std::uint16_t>(e.CodecInformation.size());
    size += 8 + 2 * std::int64_t{e.CodecNameLength} + 2 * std::int64_t{e.CodecDescriptionLength} + e.CodecInformationLength;
  }
  r.ObjectSize = size;
}

void writeASFCLO(const TAsfCodecListObject& r, Bytes& out) {
  Out o(out);
  head(o, guid::CodecList, r.ObjectSize).guid(r.Reserved).u32(r.CodecEntriesCount);
  for (const auto& e : r.CodecEntries) {
    o.u16(e.Type).u16(e.CodecNameLength);
    if (e.CodecNameLength) o.wide(e.CodecName);
    o.u16(e.CodecDescriptionLength);
    if (e.CodecDescriptionLength) o.wide(e.CodecDescription);
    o.u16(e.CodecInformationLength).bytes(e.CodecInformation);
  }
}

void setObjectSizeASFSBO(TStreamBitratePropertiesObject& r) {
  r.BitrateRecordsCount = static_cast<std::uint16_t>(r.BitrateRecords.size());
  r.ObjectSize = 6 * std::int64_t{r.BitrateRecordsCount} + 26;
}

void writeASFSBO(const TStreamBitratePropertiesObject& r, Bytes& out) {
  Out o(out);
  head(o, guid::StreamBitrateProperties, r.ObjectSize).u16(r.BitrateRecordsCount);
  for (const auto& b : r.BitrateRecords) o.u16(b.Flags).u32(b.AverageBitrate);
}

void setObjectSizeASFCDO(TAsfContentDescriptionObject& r) {
  r.TitleLength = wideBytes(r.Title);
  r.AuthorLength = wideBytes(r.Author);
  r.CopyrightLength = wideBytes(r.Copyright);
  r.DescriptionLength = wideBytes(r.Description);
  r.RatingLength = wideBytes(r.Rating);
  r.ObjectSize = 34 + std::int64_t{r.TitleLength} + r.AuthorLength + r.CopyrightLength + r.DescriptionLength + r.RatingLength;
}

void writeASFCDO(const TAsfContentDescriptionObject& r, Bytes& out) {
  Out o(out);
  head(o, guid::ContentDescription, r.ObjectSize)
      .u16(r.TitleLength)
      .u16(r.AuthorLength)
      .u16(r.CopyrightLength)
      .u16(r.DescriptionLength)
      .u16(r.RatingLength)
      .wide(r.Title)
      .wide(r.Author)
      .wide(r.Copyright)
      .wide(r.Description)
      .wide(r.Rating);
}

void setObjectSizeASFECD(TAsfExtendedContentDescriptionObject& r) {
  std::int64_t size = 26;
  r.ContentDescriptorsCount = static_cast<std::uint16_t>(r.ContentDescriptors.size());
  for (auto& d : r.ContentDescriptors) {
    d.DescriptorNameLength = wideBytes(d.DescriptorName);
    d.DescriptorValueLength = d.DescriptorValueDataType == 0 ? wideBytes(d.DescriptorValue)
                                                             : static_cast<std::uint16_t>(d.DescriptorValueBytes.size());
    size += 6 + std::int64_t{d.DescriptorNameLength} + d.DescriptorValueLength;
  }
  r.ObjectSize = size;
}

void writeASFECD(const TAsfExtendedContentDescriptionObject& r, Bytes& out) {
  Out o(out);
  head(o, guid::ExtendedContentDescription, r.ObjectSize).u16(r.ContentDescriptorsCount);
  for (const auto& d : r.ContentDescriptors) {
    o.u16(d.DescriptorNameLength).wide(d.DescriptorName).u16(d.DescriptorValueDataType).u16(d.DescriptorValueLength);
    if (d.DescriptorValueDataType == 0)
      o.wide(d.DescriptorValue);
    else
      o.bytes(d.DescriptorValueBytes);
  }
}

void setObjectSizeASFMAO(TAsfMarkerObject& r) {
  r.NameLength = wideBytes(r.Name);
  r.MarkersCount = static_cast<std::uint32_t>(r.Markers.size());
  std::int64_t size = 48 + std::int64_t{r.NameLength};
  for (auto& m : r.Markers) {
    // The description length counts characters, the terminator included,
    // as the reader takes it.
    m.MarkerDescriptionLength = static_cast<std::uint32_t>(m.MarkerDescription.size() + 1);
    size += 30 + 2 * std::int64_t{m.MarkerDescriptionLength};
  }
  r.ObjectSize = size;
}

void writeASFMAO(const TAsfMarkerObject& r, Bytes& out) {
  Out o(out);
  head(o, guid::Marker, r.ObjectSize).guid(r.Reserved).u32(r.MarkersCount).u16(r.Reserved2).u16(r.NameLength).wide(r.Name);
  for (const auto& m : r.Markers) {
    o.u64(static_cast<std::uint64_t>(m.Offset))
        .u64(static_cast<std::uint64_t>(m.PresentationTime))
        .u16(m.EntryLength)
        .u32(m.SendTime)
        .u32(m.Flags)
        .u32(m.MarkerDescriptionLength)
        .wide(m.MarkerDescription);
  }
}

void writeASFDAOHeader(const TAsfDataObject& r, std::int64_t objectSize, std::uint64_t packets, Bytes& out) {
  Out o(out);
  head(o, guid::Data, objectSize).guid(r.FileID).u64(packets).u16(r.Reserved);
}

void writeASFSIO(const TAsfSimpleIndexObject& r, const std::string& fileId, Bytes& out) {
  Out o(out);
  head(o, guid::SimpleIndex, 56 + 6 * static_cast<std::int64_t>(r.IndexEntries.size()))
      .guid(r.FileID.empty() ? fileId : r.FileID)
      .u64(static_cast<std::uint64_t>(r.IndexEntryTimeInterval))
      .u32(r.MaximumPacketCount)
      .u32(static_cast<std::uint32_t>(r.IndexEntries.size()));
  for (const auto& e : r.IndexEntries) o.u32(e.PacketNumber).u16(e.PacketCount);
}

}  // namespace corvel
