#include "asf/object_table.hpp"

#include <array>

#include "asf/catalogue.hpp"
#include "asf/field_visitors.hpp"

namespace corvel {

namespace {

// The walks of an object held once in the records, under its GUID `Id`.
template <auto Member, const Guid& Id>
struct One {
  static void read(ByteView b, HeaderRecords& r) {
    if (b.size() < 16 || Guid::read(b, 0) != Id) return;
    auto& rec = r.*Member;
    ReadFields(b, rec);
    if constexpr (requires { rec.present; }) rec.present = true;
  }
  static void show(StructureTree& t, int node, const HeaderRecords& r, bool entries) {
    ShowFields(t, node, r.*Member, Id == guid::Header, entries);
  }
  static bool present(const HeaderRecords& r) { return (r.*Member).present; }
  static std::uint32_t write(HeaderRecords& r, Bytes& out) {
    SizeFields(r.*Member);
    WriteFields(r.*Member, Id, out);
    return 1;
  }
};

// Stream Properties: one record per object, also when its bytes are not
// a Stream Properties Object's.
void readStream(ByteView b, HeaderRecords& r) {
  StreamProperties& s = r.streams.emplace_back();
  if (b.size() >= 16 && Guid::read(b, 0) == guid::StreamProperties) ReadFields(b, s);
}

void showStream(StructureTree& t, int node, const HeaderRecords& r, bool) {
  if (!r.streams.empty()) ShowFields(t, node, r.streams.back());
}

std::uint32_t writeStreams(HeaderRecords& r, Bytes& out) {
  for (StreamProperties& s : r.streams) {
    SizeFields(s);
    WriteFields(s, guid::StreamProperties, out);
  }
  return static_cast<std::uint32_t>(r.streams.size());
}

bool always(const HeaderRecords&) { return true; }

template <auto Member, const Guid& Id>
constexpr ObjectKind written(bool fullHeaderOnly) {
  using W = One<Member, Id>;
  return {Id, 0, W::read, W::show, W::present, W::write, fullHeaderOnly};
}

template <auto Member, const Guid& Id>
constexpr ObjectKind shown(std::int64_t readBytes = 0) {
  using W = One<Member, Id>;
  return {Id, readBytes, W::read, W::show, nullptr, nullptr, false};
}

const std::array<ObjectKind, 13> kKinds{{
    {guid::FileProperties, 0, One<&HeaderRecords::fileProperties, guid::FileProperties>::read,
     One<&HeaderRecords::fileProperties, guid::FileProperties>::show, always,
     One<&HeaderRecords::fileProperties, guid::FileProperties>::write, false},
    {guid::StreamProperties, 0, readStream, showStream, always, writeStreams, false},
    written<&HeaderRecords::codecList, guid::CodecList>(false),
    written<&HeaderRecords::headerExtension, guid::HeaderExtension>(true),
    written<&HeaderRecords::streamBitrates, guid::StreamBitrateProperties>(true),
    written<&HeaderRecords::contentDescription, guid::ContentDescription>(true),
    written<&HeaderRecords::extendedContentDescription, guid::ExtendedContentDescription>(true),
    written<&HeaderRecords::markers, guid::Marker>(true),
    // Parsed and shown, not written by the save (the header and the Data
    // Object are written by it directly, the index after the packets).
    shown<&HeaderRecords::header, guid::Header>(30),
    shown<&HeaderRecords::mutualExclusion, guid::BitrateMutualExclusion>(),
    shown<&HeaderRecords::contentBranding, guid::ContentBranding>(),
    shown<&HeaderRecords::data, guid::Data>(50),
    shown<&HeaderRecords::simpleIndex, guid::SimpleIndex>(),
}};

}  // namespace

std::span<const ObjectKind> ObjectKinds() { return kKinds; }

const ObjectKind* FindObjectKind(const Guid& guid) {
  for (const ObjectKind& k : kKinds)
    if (k.guid == guid) return &k;
  return nullptr;
}

}  // namespace corvel
