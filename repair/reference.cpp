#include "repair/reference.hpp"

#include <algorithm>
#include <array>
#include <bitset>
#include <optional>

#include "analysis/packet.hpp"
#include "asf/catalogue.hpp"
#include "asf/field_visitors.hpp"
#include "asf/streams.hpp"

namespace corvel {

namespace {

// Packets one after another that make a place sure.
constexpr std::uint64_t kInARow = 8;
// Packets whose streams are compared with the reference's.
constexpr std::uint64_t kStreamSample = 256;
// How many times larger than the reference's a stream's largest media
// object may be in the data, or smaller.
constexpr std::uint64_t kSizesApart = 8;
// The largest header object taken.
constexpr std::int64_t kLargestObject = 64ll << 20;
// The bytes searched at a time.
constexpr std::uint64_t kWindow = 4ull << 20;

// How the reference's packets start: with error correction data, or (plain)
// with the byte of length type flags its first packet has.
struct PacketStart {
  PacketForm form = PacketForm::errorCorrection;
  std::uint8_t flags = 0;
  bool at(ByteView v) const { return form == PacketForm::errorCorrection ? LooksLikePacketStart(v, form) : !v.empty() && v[0] == flags; }
};

// Per stream number, the largest media object the packets name.
using LargestObjects = std::array<std::uint32_t, 128>;

// How many of the packets at `at`, `at` + P, ... start as the reference's
// do, parse and fill their size, up to `count` of them, one after another
// (read from `window`, which holds the bytes from `windowAt` on, where it
// can); `streams` gets their stream numbers, `largest` their objects' sizes.

std::uint64_t packetsInARow(const ByteSource& src, const PacketStart& how, ByteView window, std::uint64_t windowAt,
                            std::uint64_t at, std::uint32_t P, std::uint64_t count, std::bitset<128>* streams = nullptr,
                            LargestObjects* largest = nullptr) {
  std::uint64_t n = 0;
  for (; n < count; ++n) {
    const std::uint64_t start = at + n * P;
    Bytes own;
    ByteView v;
    if (start >= windowAt && start - windowAt + P <= window.size()) {
      v = window.subspan(static_cast<std::size_t>(start - windowAt), P);
    } else {
      if (start + P > src.size()) return n;
      own = ReadPadded(src, start, P);
      v = own;
    }
    ParsedPacket p;
    if (!how.at(v) || !ParsesAndFills(v, P, p)) return n;
    for (std::size_t k = 0; k < p.payloadCount(); ++k) {
      const Payload pl = p.payload(k);
      if (streams) streams->set(pl.streamNumber & 127);
      if (largest && pl.replicatedDataLength >= 8) {
        std::uint32_t& top = (*largest)[pl.streamNumber & 127];
        top = std::max(top, pl.mediaObjectSize);
      }
    }
  }
  return n;
}

// The first place in the damaged file where packets of size P follow one
// another (all of them when the file holds fewer).
std::optional<std::uint64_t> firstPacket(const ByteSource& src, const PacketStart& how, std::uint32_t P) {
  const std::uint64_t size = src.size();
  if (size < P) return std::nullopt;
  const std::uint64_t wanted = std::min<std::uint64_t>(kInARow, size / P);
  const std::uint64_t last = std::min(kReferenceSearch, size - P);
  for (std::uint64_t windowAt = 0; windowAt <= last; windowAt += kWindow) {
    const Bytes window = ReadPadded(src, windowAt, std::min<std::uint64_t>(kWindow + kInARow * P, size - windowAt));
    for (std::uint64_t at = windowAt; at < windowAt + kWindow && at <= last; ++at) {
      if (!how.at(ByteView(window).subspan(static_cast<std::size_t>(at - windowAt)))) continue;
      if (packetsInARow(src, how, window, windowAt, at, P, wanted) == wanted) return at;
    }
  }
  return std::nullopt;
}

// "stream 3 in the data, the reference has 1, 2 and 4".
Message streamsDiffer(std::uint8_t inData, const std::vector<std::uint8_t>& declared) {
  Message m(MessageId::ReferenceStreams, std::to_string(inData));
  m.tail = MessageId::ReferenceHas;
  for (std::size_t i = 0; i + 1 < declared.size(); ++i) m.end += (i ? ", " : "") + std::to_string(declared[i]);
  if (declared.size() == 1)
    m.end = std::to_string(declared[0]);
  else
    m.more.emplace_back(MessageId::ListAnd, std::to_string(declared.back()));
  return m;
}

// The fields that describe the data, cleared: the file's size and packet
// count, and the durations.
void clearDataFields(Bytes& header, const FileStructure& ref) {
  for (const ObjectEntry& e : ref.objects) {
    if (e.guid != guid::FileProperties || e.parent != 0 || e.offset + 96 > static_cast<std::int64_t>(header.size())) continue;
    const auto at = static_cast<std::size_t>(e.offset);
    for (const std::size_t field : {40, 56, 64, 72}) PutQWord(0, header, at + field);
  }
}

// The streams the packets from `first` on name must be the reference's,
// each of its kind of media object sizes: the reason when not.
std::optional<Message> streamsMismatch(const ByteSource& damaged, const PacketStart& how, std::uint64_t first,
                                       const ByteSource& reference, const FileStructure& ref, std::uint32_t P) {
  std::vector<std::uint8_t> declared;
  for (const StreamEntry& e : StreamsOf(ref.rec)) declared.push_back(e.number & 127);
  std::sort(declared.begin(), declared.end());
  std::bitset<128> inData;
  LargestObjects inDataLargest{}, inReferenceLargest{};
  const std::uint64_t sample = std::min<std::uint64_t>(kStreamSample, (damaged.size() - first) / P);
  packetsInARow(damaged, how, {}, 0, first, P, sample, &inData, &inDataLargest);
  packetsInARow(reference, how, {}, 0, static_cast<std::uint64_t>(ref.dataObjectOffset) + 50, P, kStreamSample, nullptr,
                &inReferenceLargest);
  for (std::uint8_t s = 1; s < 128; ++s)
    if (inData.test(s) && !std::binary_search(declared.begin(), declared.end(), s)) return streamsDiffer(s, declared);
  // A stream's media objects are of one kind of size in recordings of one
  // setting: far larger ones in the data, or far smaller, are another
  // stream's (an audio stream where the reference has video).
  for (const std::uint8_t s : declared) {
    const std::uint64_t data = inDataLargest[s], own = inReferenceLargest[s];
    if (data == 0 || own == 0 || (data <= kSizesApart * own && own <= kSizesApart * data)) continue;
    Message m(MessageId::ReferenceStreams, std::to_string(s));
    m.tail = MessageId::ReferenceObjectSizesHas;
    m.end = std::to_string(data) + " / " + std::to_string(own);
    return m;
  }
  return std::nullopt;
}

// How the reference's packets start.
PacketStart startOf(const ByteSource& reference, const FileStructure& ref, std::uint32_t P) {
  const Bytes first = ReadPadded(reference, static_cast<std::uint64_t>(ref.dataObjectOffset) + 50, P);
  if (LooksLikePacketStart(first, PacketForm::errorCorrection)) return {};
  return {PacketForm::plain, first[0]};
}

// The reference's packet size; 0 when it has no whole header with streams
// and one packet size.
std::uint32_t usablePacketSize(const ByteSource& reference, const FileStructure& ref) {
  const std::uint32_t P = ref.rec.fileProperties.maximumPacketSize;
  const std::int64_t headerSize = ref.objects.empty() || ref.objects[0].guid != guid::Header ? 0 : ref.objects[0].size;
  if (StreamsOf(ref.rec).empty() || headerSize < 30 || static_cast<std::uint64_t>(headerSize) > reference.size() ||
      P != ref.rec.fileProperties.minimumPacketSize || P > (16u << 20) || !ref.hasDataObject())
    return 0;
  return P;
}

}  // namespace

JobResult<ReferenceHeader> BorrowStreams(const ByteSource& damaged, const FileStructure& own, const ByteSource& reference,
                                         const FileStructure& ref, JobContext& ctx) {
  ReferenceHeader h;
  const auto fail = [&](Message why) { return Finish(ctx, Outcome::failed, std::move(why), h); };
  const std::uint32_t P = usablePacketSize(reference, ref);
  if (P == 0 || !own.hasDataObject() || own.objects.empty()) return fail(Message(MessageId::ReferenceUnusable));
  h.packetSize = P;
  h.firstPacket = static_cast<std::uint64_t>(own.dataObjectOffset) + 50;
  const PacketStart how = startOf(reference, ref, P);
  if (packetsInARow(damaged, how, {}, 0, h.firstPacket, P, 1) == 0)
    return fail(Message(MessageId::ReferencePacketSize, std::to_string(P)));
  if (auto why = streamsMismatch(damaged, how, h.firstPacket, reference, ref, P)) return fail(std::move(*why));

  // The file's own whole children of a known kind, then the reference's
  // Stream Properties (and Codec List when the file has none).
  Bytes children;
  std::uint32_t count = 0;
  bool codecList = false;
  if (own.objects[0].guid != guid::Header) return fail(Message(MessageId::ReferenceUnusable));
  const std::int64_t headerEnd = own.objects[0].size;
  // Only whole objects of a sane size: the sizes are the damaged file's.
  auto take = [&](const ByteSource& from, const ObjectEntry& e) {
    if (e.size > kLargestObject || static_cast<std::uint64_t>(e.offset + e.size) > from.size()) return;
    const Bytes b = ReadPadded(from, static_cast<std::uint64_t>(e.offset), static_cast<std::uint64_t>(e.size));
    children.insert(children.end(), b.begin(), b.end());
    ++count;
  };
  for (const ObjectEntry& e : own.objects) {
    if (e.parent != 0 || e.size < 24 || e.offset + e.size > headerEnd || !IsKnownObject(e.guid)) continue;
    if (e.guid == guid::StreamProperties) continue;  // the reference's stand in for every one
    codecList = codecList || e.guid == guid::CodecList;
    take(damaged, e);
  }
  for (const ObjectEntry& e : ref.objects) {
    if (e.parent != 0 || (e.guid != guid::StreamProperties && (codecList || e.guid != guid::CodecList))) continue;
    take(reference, e);
    h.objects.push_back(ObjectDisplayName(e.guid));
  }
  h.head = ReadPadded(damaged, 0, 30);
  PutQWord(30 + children.size(), h.head, 16);
  PutDWord(count, h.head, 24);
  h.head.insert(h.head.end(), children.begin(), children.end());
  const Bytes data = ReadPadded(damaged, static_cast<std::uint64_t>(own.dataObjectOffset), 50);
  h.head.insert(h.head.end(), data.begin(), data.end());
  return Finish(ctx, Outcome::ok, Message(MessageId::ReferenceTaken, std::to_string(h.firstPacket)), h);
}

JobResult<ReferenceHeader> BorrowHeader(const ByteSource& damaged, const ByteSource& reference, const FileStructure& ref,
                                        JobContext& ctx) {
  ReferenceHeader h;
  const auto fail = [&](Message why) { return Finish(ctx, Outcome::failed, std::move(why), h); };
  const std::uint32_t P = usablePacketSize(reference, ref);
  if (P == 0) return fail(Message(MessageId::ReferenceUnusable));
  h.packetSize = P;
  const PacketStart how = startOf(reference, ref, P);
  const std::optional<std::uint64_t> first = firstPacket(damaged, how, P);
  if (!first) return fail(Message(MessageId::ReferencePacketSize, std::to_string(P)));
  h.firstPacket = *first;
  if (auto why = streamsMismatch(damaged, how, h.firstPacket, reference, ref, P)) return fail(std::move(*why));

  const auto headerSize = static_cast<std::uint64_t>(ref.objects[0].size);
  h.head = ReadPadded(reference, 0, headerSize);
  clearDataFields(h.head, ref);
  // The Data Object runs to the end of the damaged file; its count is the
  // scan's to find.
  Bytes data(guid::Data.bytes().begin(), guid::Data.bytes().end());
  const std::uint64_t rest = damaged.size() - h.firstPacket;
  Bytes fields(34, 0);
  PutQWord(rest + 50, fields, 0);
  const Bytes id = ReadPadded(reference, static_cast<std::uint64_t>(ref.dataObjectOffset) + 24, 16);
  std::copy(id.begin(), id.end(), fields.begin() + 8);
  fields[32] = 1, fields[33] = 1;
  data.insert(data.end(), fields.begin(), fields.end());
  h.head.insert(h.head.end(), data.begin(), data.end());
  for (const ObjectEntry& e : ref.objects)
    if (e.parent == 0) h.objects.push_back(ObjectDisplayName(e.guid));
  return Finish(ctx, Outcome::ok, Message(MessageId::ReferenceTaken, std::to_string(h.firstPacket)), h);
}

}  // namespace corvel
