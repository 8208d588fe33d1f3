#include "asf/readers.hpp"

#include <algorithm>

#include "asf/catalogue.hpp"

namespace corvel {

namespace {

bool hasId(ByteView b, std::string_view id) { return b.size() >= 16 && GUIDToStr(b, 0) == id; }

// Number of whole records of `width` bytes that fit from `offset` on, capped by `count`.
std::size_t fitting(ByteView b, std::uint64_t offset, std::uint64_t count, std::uint64_t width) {
  const std::uint64_t room = offset < b.size() ? (b.size() - offset) / width : 0;
  return static_cast<std::size_t>(std::min(count, room));
}

// Reads a UTF-16 text of `units` units at p; the text stops at a zero unit.
std::u16string text(ByteView b, std::uint64_t p, std::uint64_t units) { return WideToStr(b, p, units); }

}  // namespace

void readHDR(ByteView b, TAsfHeaderObject& r) {
  if (!hasId(b, guid::Header)) return;
  r.ObjectID = guid::Header;
  r.ObjectSize = QWordOr0(b, 16);
  r.NumberOfHeaderObjects = DWordOr0(b, 24);
  r.Reserved1 = ByteOr0(b, 28);
  r.Reserved2 = ByteOr0(b, 29);
}

void readFPO(ByteView b, TAsfFilePropertiesObject& r) {
  if (!hasId(b, guid::FileProperties)) return;
  r.present = true;
  r.ObjectID = guid::FileProperties;
  r.ObjectSize = QWordOr0(b, 16);
  r.FileID = GUIDToStr(b, 24);
  r.FileSize = QWordOr0(b, 40);
  r.CreationDate = QWordOr0(b, 48);
  r.DataPacketsCount = QWordOr0(b, 56);
  r.PlayDuration = QWordOr0(b, 64);
  r.SendDuration = QWordOr0(b, 72);
  r.Preroll = QWordOr0(b, 80);
  r.Flags = DWordOr0(b, 88);
  r.MinimumDataPacketSize = DWordOr0(b, 92);
  r.MaximumDataPacketSize = DWordOr0(b, 96);
  r.MaximumBitrate = DWordOr0(b, 100);
}

void readHEO(ByteView b, TAsfHeaderExtensionObject& r) {
  if (!hasId(b, guid::HeaderExtension)) return;
  r.present = true;
  r.ObjectID = guid::HeaderExtension;
  r.ObjectSize = QWordOr0(b, 16);
  r.ReservedField1 = GUIDToStr(b, 24);
  r.ReservedField2 = WordOr0(b, 40);
  r.HeaderExtensionDataSize = DWordOr0(b, 42);
  r.HeaderExtensionData = CopyOut(b, 46, r.HeaderExtensionDataSize);
}

void readSPO(ByteView b, TAsfStreamPropertiesObject& r) {
  if (!hasId(b, guid::StreamProperties)) return;
  r.ObjectID = guid::StreamProperties;
  r.ObjectSize = QWordOr0(b, 16);
  r.StreamType = GUIDToStr(b, 24);
  r.ErrorCorrectionType = GUIDToStr(b, 40);
  r.TimeOffset = QWordOr0(b, 56);
  r.TypeSpecificDataLength = DWordOr0(b, 64);
  r.ErrorCorrectionDataLength = DWordOr0(b, 68);
  r.Flags = WordOr0(b, 72);
  r.Reserved = DWordOr0(b, 74);
  r.TypeSpecificData = CopyOut(b, 78, r.TypeSpecificDataLength);
  r.ErrorCorrectionData = CopyOut(b, 78 + std::uint64_t{r.TypeSpecificDataLength}, r.ErrorCorrectionDataLength);
}

void readDAO(ByteView b, TAsfDataObject& r) {
  if (!hasId(b, guid::Data)) return;
  r.ObjectID = guid::Data;
  r.ObjectSize = QWordOr0(b, 16);
  r.FileID = GUIDToStr(b, 24);
  r.TotalDataPackets = QWordOr0(b, 40);
  r.Reserved = WordOr0(b, 48);
}

void readSIO(ByteView b, TAsfSimpleIndexObject& r) {
  if (!hasId(b, guid::SimpleIndex)) return;
  r.present = true;
  r.ObjectID = guid::SimpleIndex;
  r.ObjectSize = QWordOr0(b, 16);
  r.FileID = GUIDToStr(b, 24);
  r.IndexEntryTimeInterval = QWordOr0(b, 40);
  r.MaximumPacketCount = DWordOr0(b, 48);
  r.IndexEntriesCount = DWordOr0(b, 52);
  r.IndexEntries.resize(fitting(b, 56, r.IndexEntriesCount, 6));
  for (std::size_t i = 0; i < r.IndexEntries.size(); ++i) {
    r.IndexEntries[i].PacketNumber = DWordOr0(b, 56 + 6 * i);
    r.IndexEntries[i].PacketCount = WordOr0(b, 60 + 6 * i);
  }
}

void readCLO(ByteView b, TAsfCodecListObject& r) {
  if (!hasId(b, guid::CodecList)) return;
  r.present = true;
  r.ObjectID = guid::CodecList;
  r.ObjectSize = QWordOr0(b, 16);
  r.Reserved = GUIDToStr(b, 24);
  r.CodecEntriesCount = DWordOr0(b, 40);
  r.CodecEntries.clear();
  std::uint64_t p = 44;
  for (std::uint32_t i = 0; i < r.CodecEntriesCount && p + 8 <= b.size(); ++i) {
    TCodecEntry e;
    e.Type = WordOr0(b, p);
    e.CodecNameLength = WordOr0(b, p + 2);
    e.CodecName = text(b, p + 4, e.CodecNameLength);
    p += 4 + 2 * std::uint64_t{e.CodecNameLength};
    e.CodecDescriptionLength = WordOr0(b, p);
    e.CodecDescription = text(b, p + 2, e.CodecDescriptionLength);
    p += 2 + 2 * std::uint64_t{e.CodecDescriptionLength};
    e.CodecInformationLength = WordOr0(b, p);
    e.CodecInformation = CopyOut(b, p + 2, e.CodecInformationLength);
    p += 2 + std::uint64_t{e.CodecInformationLength};
    r.CodecEntries.push_back(std::move(e));
  }
}

void readSBO(ByteView b, TStreamBitratePropertiesObject& r) {
  if (!hasId(b, guid::StreamBitrateProperties)) return;
  r.present = true;
  r.ObjectID = guid::StreamBitrateProperties;
  r.ObjectSize = QWordOr0(b, 16);
  r.BitrateRecordsCount = WordOr0(b, 24);
  r.BitrateRecords.resize(fitting(b, 26, r.BitrateRecordsCount, 6));
  for (std::size_t i = 0; i < r.BitrateRecords.size(); ++i) {
    r.BitrateRecords[i].Flags = WordOr0(b, 26 + 6 * i);
    r.BitrateRecords[i].AverageBitrate = DWordOr0(b, 28 + 6 * i);
  }
}

void readCDO(ByteView b, TAsfContentDescriptionObject& r) {
  if (!hasId(b, guid::ContentDescription)) return;
  r.present = true;
  r.ObjectID = guid::ContentDescription;
  r.ObjectSize = QWordOr0(b, 16);
  r.TitleLength = WordOr0(b, 24);
  r.AuthorLength = WordOr0(b, 26);
  r.CopyrightLength = WordOr0(b, 28);
  r.DescriptionLength = WordOr0(b, 30);
  r.RatingLength = WordOr0(b, 32);
  std::uint64_t p = 34;
  for (auto [len, field] : {std::pair{r.TitleLength, &r.Title}, std::pair{r.AuthorLength, &r.Author},
                            std::pair{r.CopyrightLength, &r.Copyright},
                            std::pair{r.DescriptionLength, &r.Description}, std::pair{r.RatingLength, &r.Rating}}) {
    *field = text(b, p, len / 2);
    p += len;
  }
}

void readECD(ByteView b, TAsfExtendedContentDescriptionObject& r) {
  if (!hasId(b, guid::ExtendedContentDescription)) return;
  r.present = true;
  r.ObjectID = guid::ExtendedContentDescription;
  r.ObjectSize = QWordOr0(b, 16);
  r.ContentDescriptorsCount = WordOr0(b, 24);
  r.ContentDescriptors.clear();
  std::uint64_t p = 26;
  for (unsigned i = 0; i < r.ContentDescriptorsCount && p + 6 <= b.size(); ++i) {
    TContentDescriptor d;
    d.DescriptorNameLength = WordOr0(b, p);
    d.DescriptorName = text(b, p + 2, d.DescriptorNameLength / 2);
    p += 2 + std::uint64_t{d.DescriptorNameLength};
    d.DescriptorValueDataType = WordOr0(b, p);
    d.DescriptorValueLength = WordOr0(b, p + 2);
    p += 4;
    if (d.DescriptorValueDataType == 0) d.DescriptorValue = text(b, p, d.DescriptorValueLength / 2);
    d.DescriptorValueBytes = CopyOut(b, p, d.DescriptorValueLength);
    p += d.DescriptorValueLength;
    r.ContentDescriptors.push_back(std::move(d));
  }
}

void readMAO(ByteView b, TAsfMarkerObject& r) {
  if (!hasId(b, guid::Marker)) return;
  r.present = true;
  r.ObjectID = guid::Marker;
  r.ObjectSize = QWordOr0(b, 16);
  r.Reserved = GUIDToStr(b, 24);
  r.MarkersCount = DWordOr0(b, 40);
  r.Reserved2 = WordOr0(b, 44);
  r.NameLength = WordOr0(b, 46);
  r.Name = text(b, 48, r.NameLength / 2);
  r.Markers.clear();
  std::uint64_t p = 48 + std::uint64_t{r.NameLength};
  for (std::uint32_t i = 0; i < r.MarkersCount && p + 30 <= b.size(); ++i) {
    TMarkerEntry m;
    m.Offset = QWordOr0(b, p);
    m.PresentationTime = QWordOr0(b, p + 8);
    m.EntryLength = WordOr0(b, p + 16);
    m.SendTime = DWordOr0(b, p + 18);
    m.Flags = DWordOr0(b, p + 22);
    m.MarkerDescriptionLength = DWordOr0(b, p + 26);
    m.MarkerDescription = text(b, p + 30, m.MarkerDescriptionLength);
    p += 30 + 2 * std::uint64_t{m.MarkerDescriptionLength};
    r.Markers.push_back(std::move(m));
  }
}

void readMEO(ByteView b, TAsfBitrateMutualExclusionObject& r) {
  if (!hasId(b, guid::BitrateMutualExclusion)) return;
  r.present = true;
  r.ObjectID = guid::BitrateMutualExclusion;
  r.ObjectSize = QWordOr0(b, 16);
  r.ExclusionType = GUIDToStr(b, 24);
  r.StreamNumbersCount = WordOr0(b, 40);
  r.StreamNumbers.resize(fitting(b, 42, r.StreamNumbersCount, 2));
  for (std::size_t i = 0; i < r.StreamNumbers.size(); ++i) r.StreamNumbers[i] = WordOr0(b, 42 + 2 * i);
}

void readCBO(ByteView b, TAsfContentBrandingObject& r) {
  if (!hasId(b, guid::ContentBranding)) return;
  r.present = true;
  r.ObjectID = guid::ContentBranding;
  r.ObjectSize = QWordOr0(b, 16);
  r.BannerImageType = DWordOr0(b, 24);
  r.BannerImageDataSize = DWordOr0(b, 28);
  r.BannerImageData = CopyOut(b, 32, r.BannerImageDataSize);
  const std::uint64_t p = 32 + std::uint64_t{r.BannerImageDataSize};
  r.BannerImageURLLength = DWordOr0(b, p);
  r.BannerImageURL = CopyOut(b, p + 4, r.BannerImageURLLength);
}

}  // namespace corvel
