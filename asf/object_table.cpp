#include "asf/object_table.hpp"

#include <array>

#include "asf/catalogue.hpp"
#include "asf/header_writers.hpp"
#include "asf/presenters.hpp"
#include "asf/readers.hpp"

namespace corvel {

namespace {

// The writer of an object held once in the records.
template <auto Member, auto Size, auto Write>
std::uint32_t writeOne(HeaderRecords& r, Bytes& out) {
  Size(r.*Member);
  Write(r.*Member, out);
  return 1;
}

template <auto Member>
bool isPresent(const HeaderRecords& r) {
  return (r.*Member).present;
}

void readStream(ByteView b, HeaderRecords& r) {
  r.ASFSPO.emplace_back();
  readSPO(b, r.ASFSPO.back());
}

std::uint32_t writeStreams(HeaderRecords& r, Bytes& out) {
  setObjectSize4Streams(r.ASFSPO);
  for (const auto& spo : r.ASFSPO) writeASFSPO(spo, out);
  return static_cast<std::uint32_t>(r.ASFSPO.size());
}

std::uint32_t writeFileProperties(HeaderRecords& r, Bytes& out) {
  setObjectSizeASFFPO(r.ASFFPO);
  writeASFFPO(r.ASFFPO, out);
  return 1;
}

bool always(const HeaderRecords&) { return true; }

const std::array<ObjectKind, 13> kKinds{{
    {guid::FileProperties, 0, [](ByteView b, HeaderRecords& r) { readFPO(b, r.ASFFPO); },
     [](StructureTree& t, int n, const HeaderRecords& r, bool) { ShowFileProperties(t, n, r.ASFFPO); }, always,
     writeFileProperties, false},
    {guid::StreamProperties, 0, readStream,
     [](StructureTree& t, int n, const HeaderRecords& r, bool) { ShowStreamProperties(t, n, r, r.ASFSPO.size() - 1); },
     always, writeStreams, false},
    {guid::CodecList, 0, [](ByteView b, HeaderRecords& r) { readCLO(b, r.ASFCLO); },
     [](StructureTree& t, int n, const HeaderRecords& r, bool) { ShowCodecList(t, n, r.ASFCLO); },
     isPresent<&HeaderRecords::ASFCLO>,
     writeOne<&HeaderRecords::ASFCLO, setObjectSizeASFCLO, writeASFCLO>, false},
    {guid::HeaderExtension, 0, [](ByteView b, HeaderRecords& r) { readHEO(b, r.ASFHEO); },
     [](StructureTree& t, int n, const HeaderRecords& r, bool) { ShowHeaderExtension(t, n, r.ASFHEO); },
     isPresent<&HeaderRecords::ASFHEO>,
     writeOne<&HeaderRecords::ASFHEO, setObjectSizeASFHEO, writeASFHEO>, true},
    {guid::StreamBitrateProperties, 0, [](ByteView b, HeaderRecords& r) { readSBO(b, r.ASFSBO); },
     [](StructureTree& t, int n, const HeaderRecords& r, bool) { ShowStreamBitrates(t, n, r.ASFSBO); },
     isPresent<&HeaderRecords::ASFSBO>,
     writeOne<&HeaderRecords::ASFSBO, setObjectSizeASFSBO, writeASFSBO>, true},
    {guid::ContentDescription, 0, [](ByteView b, HeaderRecords& r) { readCDO(b, r.ASFCDO); },
     [](StructureTree& t, int n, const HeaderRecords& r, bool) { ShowContentDescription(t, n, r.ASFCDO); },
     isPresent<&HeaderRecords::ASFCDO>,
     writeOne<&HeaderRecords::ASFCDO, setObjectSizeASFCDO, writeASFCDO>, true},
    {guid::ExtendedContentDescription, 0, [](ByteView b, HeaderRecords& r) { readECD(b, r.ASFECD); },
     [](StructureTree& t, int n, const HeaderRecords& r, bool) { ShowExtendedContentDescription(t, n, r.ASFECD); },
     isPresent<&HeaderRecords::ASFECD>,
     writeOne<&HeaderRecords::ASFECD, setObjectSizeASFECD, writeASFECD>, true},
    {guid::Marker, 0, [](ByteView b, HeaderRecords& r) { readMAO(b, r.ASFMAO); },
     [](StructureTree& t, int n, const HeaderRecords& r, bool) { ShowMarkers(t, n, r.ASFMAO); },
     isPresent<&HeaderRecords::ASFMAO>,
     writeOne<&HeaderRecords::ASFMAO, setObjectSizeASFMAO, writeASFMAO>, true},
    // Parsed and shown, not written by the save (the header and the Data
    // Object are written by it directly, the index after the packets).
    {guid::Header, 30, [](ByteView b, HeaderRecords& r) { readHDR(b, r.ASFHDR); },
     [](StructureTree& t, int n, const HeaderRecords& r, bool) { ShowHeaderObject(t, n, r.ASFHDR); }, nullptr, nullptr,
     false},
    {guid::BitrateMutualExclusion, 0, [](ByteView b, HeaderRecords& r) { readMEO(b, r.ASFMEO); },
     [](StructureTree& t, int n, const HeaderRecords& r, bool) { ShowMutualExclusion(t, n, r.ASFMEO); }, nullptr,
     nullptr, false},
    {guid::ContentBranding, 0, [](ByteView b, HeaderRecords& r) { readCBO(b, r.ASFCBO); },
     [](StructureTree& t, int n, const HeaderRecords& r, bool) { ShowContentBranding(t, n, r.ASFCBO); }, nullptr,
     nullptr, false},
    {guid::Data, 50, [](ByteView b, HeaderRecords& r) { readDAO(b, r.ASFDAO); },
     [](StructureTree& t, int n, const HeaderRecords& r, bool) { ShowDataObject(t, n, r.ASFDAO); }, nullptr, nullptr,
     false},
    {guid::SimpleIndex, 0, [](ByteView b, HeaderRecords& r) { readSIO(b, r.ASFSIO); },
     [](StructureTree& t, int n, const HeaderRecords& r, bool entries) { ShowSimpleIndex(t, n, r.ASFSIO, entries); },
     nullptr, nullptr, false},
}};

}  // namespace

std::span<const ObjectKind> ObjectKinds() { return kKinds; }

const ObjectKind* FindObjectKind(std::string_view guid) {
  for (const ObjectKind& k : kKinds)
    if (k.guid == guid) return &k;
  return nullptr;
}

}  // namespace corvel
