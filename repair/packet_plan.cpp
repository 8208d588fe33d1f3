#include "repair/packet_plan.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <tuple>

namespace corvel {

namespace {

constexpr std::uint64_t allOf(std::size_t n) { return n >= 64 ? ~0ull : (1ull << n) - 1; }

bool allZero(ByteView v) {
  return std::all_of(v.begin(), v.end(), [](std::uint8_t b) { return b == 0; });
}

// The payloads worth keeping of a packet whose bytes may be damaged: those
// that parse, lie within the bytes, belong to a declared stream and fit
// their media object. Where a payload header does not parse, the damage may
// have begun in the data of the payload before it: that one goes, and the
// payloads after it are kept when their headers are found, moved, before
// the packet's padding. The last payload goes too when what follows it in
// the packet is not zero padding (its data moved: bytes were deleted or
// inserted in it).
// `damaged` gets the payloads of a declared stream that parsed but are not
// intact.
std::uint64_t intactPayloads(ByteView bytes, std::uint32_t packetSize, const PlanStreams& streams, ParsedPacket& p,
                             std::uint64_t& damaged) {
  damaged = 0;
  const LeadingPayloads r = ParseLeadingPayloads(bytes, packetSize, p);
  if (!r.parsed) return 0;
  std::uint64_t keep = allOf(r.count);
  if (r.count > 0 && r.stop == PayloadStop::header) {
    keep = allOf(r.count - 1);
    if (FindPayloadTail(bytes, streams.known, p)) keep |= allOf(p.payloadCount()) & ~allOf(r.count);
  }
  const ByteView inPacket = bytes.first(std::min<std::size_t>(bytes.size(), packetSize));
  if (r.count > 0 && r.stop == PayloadStop::none && r.end <= inPacket.size() &&
      !allZero(inPacket.subspan(static_cast<std::size_t>(r.end))))
    keep = allOf(r.count - 1);
  for (std::size_t k = 0; k < p.payloadCount() && k < 64; ++k) {
    const Payload pl = p.payload(k);
    const bool fits = pl.replicatedDataLength < 8 || PlacedInMediaObject(pl);
    if (!streams.known.test(pl.streamNumber & 127)) {
      keep &= ~(1ull << k);
    } else if (!fits || !(keep >> k & 1)) {
      keep &= ~(1ull << k);
      damaged |= 1ull << k;
    }
  }
  return keep;
}

// Reads `q.size` bytes of the packet at q.offset again and keeps its intact
// payloads.
void reparse(SourceFile& file, PacketPlan& plan, PlannedPacket& q, std::uint32_t packetSize, const PlanStreams& streams) {
  Bytes b;
  ParsedPacket p;
  q.keep = file.readAt(q.offset, q.size, b) ? intactPayloads(b, packetSize, streams, p, q.damaged) : 0;
  q.record = plan.records.size();
  plan.records.push_back(std::move(p));
}

// Calls `f(k, payload)` for each payload k (of the first 64) of a planned
// packet in `mask`: from its record when it was parsed again, else from the
// scan's table.
template <typename F>
void ForEachPayload(const PacketPlan& plan, const PacketTable& scanned, const PlannedPacket& q, std::uint64_t mask, F f) {
  auto each = [&](const auto& p) {
    for (std::size_t k = 0; k < p.payloadCount() && k < 64; ++k)
      if (mask >> k & 1) f(k, p.payload(k));
  };
  if (q.record != PlannedPacket::kNone)
    each(plan.records[q.record]);
  else
    each(scanned[q.scanned]);
}

// Leaves out the payloads of media objects that are not whole: per stream,
// an object must start at offset 0 and continue, fragment after fragment,
// to its size before another begins.
class WholeObjects {
 public:
  WholeObjects(PacketPlan& plan, const PacketTable& scanned, const PlanStreams& streams)
      : plan_(plan), scanned_(scanned), streams_(streams) {}

  void run() {
    for (std::size_t i = 0; i < plan_.packets.size(); ++i) {
      const PlannedPacket& q = plan_.packets[i];
      ForEachPayload(plan_, scanned_, q, q.keep | q.damaged,
                     [&](std::size_t k, const Payload& pl) { take(i, k, pl, q.damaged >> k & 1); });
    }
    for (std::size_t s = 0; s < open_.size(); ++s)
      if (open_[s].active) close(static_cast<std::uint8_t>(s), false);
  }

 private:
  struct Open {
    bool active = false, broken = false;
    std::uint32_t number = 0, size = 0;
    std::uint64_t expected = 0;
    std::vector<std::pair<std::size_t, std::size_t>> parts;  // (planned packet, payload)
  };

  // A damaged payload breaks the media object it belongs to.
  void take(std::size_t i, std::size_t k, const Payload& pl, bool damaged) {
    const std::uint8_t s = pl.streamNumber & 127;
    Open& o = open_[s];
    if (pl.replicatedDataLength == 1) {
      // A compressed payload holds whole objects: it is one when their
      // sizes add up to its data. Either way the stream's open object
      // ended before it.
      if (o.active) close(s, false);
      if (damaged || !pl.compressedWhole) {
        plan_.packets[i].keep &= ~(1ull << k);
        // Its objects that parsed, and what follows a size that does not fit as one more.
        const std::uint64_t objects = pl.compressedObjects + (pl.compressedWhole ? 0 : 1);
        plan_.leftOut.add(streams_.kinds[s], std::max<std::uint64_t>(objects, 1));
      }
      return;
    }
    // Payloads without a size give nothing to check.
    if (pl.replicatedDataLength < 8) return;
    const bool continues = o.active && pl.mediaObjectNumber == o.number && pl.mediaObjectSize == o.size &&
                           pl.offsetIntoMediaObject == o.expected;
    if (!continues) {
      if (o.active) close(s, false);
      o.active = true;
      o.number = pl.mediaObjectNumber;
      o.size = pl.mediaObjectSize;
      o.expected = pl.offsetIntoMediaObject;
      o.broken = pl.offsetIntoMediaObject != 0;
    }
    o.broken = o.broken || damaged;
    o.parts.emplace_back(i, k);
    o.expected += pl.payloadDataLength;
    if (o.expected >= o.size) close(s, o.expected == o.size && !o.broken);
  }

  void close(std::uint8_t s, bool whole) {
    Open& o = open_[s];
    if (!whole) {
      for (const auto& [i, k] : o.parts) plan_.packets[i].keep &= ~(1ull << k);
      plan_.leftOut.add(streams_.kinds[s]);
    }
    o.active = false;
    o.parts.clear();
  }

  PacketPlan& plan_;
  const PacketTable& scanned_;
  const PlanStreams& streams_;
  std::array<Open, 128> open_{};
};

// Leaves out the media objects a decoder found damaged. In a video stream
// the objects after one, up to the next key frame, go with it: they are
// predicted from it and show its damage.
class DamagedObjects {
 public:
  DamagedObjects(PacketPlan& plan, const PacketTable& scanned, const PlanStreams& streams, std::span<const DamagedObject> damaged)
      : plan_(plan), scanned_(scanned), streams_(streams) {
    for (const DamagedObject& d : damaged) flagged_.emplace_back(d.object.firstOffset, d.object.stream & 127, d.object.number);
    std::sort(flagged_.begin(), flagged_.end());
  }

  void run() {
    for (PlannedPacket& q : plan_.packets)
      ForEachPayload(plan_, scanned_, q, q.keep, [&](std::size_t k, const Payload& pl) { take(q, k, pl); });
  }

 private:
  using Key = std::tuple<std::uint64_t, std::uint8_t, std::uint32_t>;  // first packet, stream, number

  // Whether an object of the numbers [number, number + count) starting in
  // the packet at `offset` was found damaged.
  bool flagged(std::uint64_t offset, std::uint8_t s, std::uint32_t number, std::uint32_t count) const {
    const auto it = std::lower_bound(flagged_.begin(), flagged_.end(), Key{offset, s, number});
    return it != flagged_.end() && std::get<0>(*it) == offset && std::get<1>(*it) == s &&
           std::get<2>(*it) - number < std::max<std::uint32_t>(count, 1);
  }

  void take(PlannedPacket& q, std::size_t k, const Payload& pl) {
    const std::uint8_t s = pl.streamNumber & 127;
    const bool compressed = pl.replicatedDataLength == 1;
    if (StartsMediaObject(pl)) {
      const bool video = streams_.kinds[s] == StreamKind::video;
      if (flagged(q.offset, s, pl.mediaObjectNumber, compressed ? pl.compressedObjects : 1))
        dropping_[s] = true;
      else if (!video || pl.keyFrame)
        dropping_[s] = false;
      if (dropping_[s]) plan_.damagedLeftOut.add(streams_.kinds[s], compressed ? std::max<std::uint32_t>(pl.compressedObjects, 1) : 1);
    }
    if (dropping_[s]) q.keep &= ~(1ull << k);
  }

  PacketPlan& plan_;
  const PacketTable& scanned_;
  const PlanStreams& streams_;
  std::vector<Key> flagged_;
  std::array<bool, 128> dropping_{};
};

// Leaves out each video stream's objects before its first key frame.
void leaveOutBeforeKeyFrame(PacketPlan& plan, const PacketTable& scanned, const PlanStreams& streams) {
  std::bitset<128> keyed;
  for (PlannedPacket& q : plan.packets)
    ForEachPayload(plan, scanned, q, q.keep, [&](std::size_t k, const Payload& pl) {
      const std::uint8_t s = pl.streamNumber & 127;
      if (streams.kinds[s] != StreamKind::video || keyed.test(s)) return;
      if (StartsMediaObject(pl) && pl.keyFrame) {
        keyed.set(s);
        return;
      }
      q.keep &= ~(1ull << k);
      if (StartsMediaObject(pl)) plan.beforeKeyFrame.add(StreamKind::video);
    });
}

// Whether a payload of the packet belongs to no stream the header declares.
bool HoldsUndeclared(const PacketRef& p, const PlanStreams& streams) {
  for (std::size_t k = 0; k < p.payloadCount(); ++k)
    if (!streams.known.test(p.payload(k).streamNumber & 127)) return true;
  return false;
}

// Bytes shorter than this between two packets are not searched for payloads.
constexpr std::uint64_t kSmallestRescue = 16;

}  // namespace

PacketPlan PlanPackets(SourceFile& file, const PacketTable& packets, const PlanStreams& streams,
                       bool keepIncomplete, std::span<const DamagedObject> damaged, bool fromFirstKeyFrame) {
  PacketPlan plan;
  if (packets.empty()) return plan;
  const std::uint32_t P = packets.packetSize();
  plan.packets.reserve(packets.size());
  for (std::size_t i = 0; i < packets.size(); ++i) {
    const auto off = static_cast<std::uint64_t>(packets[i].fileOffset);
    PlannedPacket q{.offset = off, .size = P, .scanned = i, .keep = allOf(packets[i].payloadCount())};
    const std::uint64_t next = i + 1 < packets.size() ? static_cast<std::uint64_t>(packets[i + 1].fileOffset) : off + P;
    if (keepIncomplete || next == off + P || next <= off) {
      // A packet in its place whose bytes were overwritten can still parse,
      // its damaged payload headers read as payloads of no stream of the
      // file: it is read again for the payloads worth keeping.
      if (!keepIncomplete && HoldsUndeclared(packets[i], streams)) reparse(file, plan, q, P, streams);
      plan.packets.push_back(q);
      continue;
    }
    // Damage follows: the next packet begins inside this one (bytes were
    // deleted), or bytes the scan passed over lie between them.
    q.size = static_cast<std::uint32_t>(std::min<std::uint64_t>(P, next - off));
    reparse(file, plan, q, P, streams);
    plan.packets.push_back(q);
    // The last packet of the stretch runs to the next one: a packet with
    // bytes inserted into it is longer than the others.
    for (std::uint64_t s = off + P; s + kSmallestRescue <= next; s += P) {
      const std::uint64_t left = next - s;
      PlannedPacket r{.offset = s, .size = static_cast<std::uint32_t>(left < 2ull * P ? left : P)};
      reparse(file, plan, r, P, streams);
      if (r.keep) plan.packets.push_back(r);
      if (r.size > P) break;
    }
  }
  if (!keepIncomplete) WholeObjects(plan, packets, streams).run();
  if (!damaged.empty()) DamagedObjects(plan, packets, streams, damaged).run();
  if (fromFirstKeyFrame) leaveOutBeforeKeyFrame(plan, packets, streams);

  // What is written differs from the scan's packets where a packet lost a
  // payload, was cut short, or was rescued.
  for (PlannedPacket& q : plan.packets) {
    const bool whole = q.scanned != PlannedPacket::kNone && q.size == P && q.keep == allOf(packets[q.scanned].payloadCount());
    if (whole || q.keep == 0) continue;
    ParsedPacket rebuilt;
    const Bytes b = RebuiltBytes(file, plan, q);
    if (b.empty() || ParsePacket(b, rebuilt) != 0) {
      q.keep = 0;
      continue;
    }
    rebuilt.fileOffset = static_cast<std::int64_t>(q.offset);
    q.rebuilt = plan.rebuilt.size();
    plan.rebuilt.push_back(std::move(rebuilt));
    if (q.scanned == PlannedPacket::kNone) plan.rescuedPayloads += static_cast<std::uint64_t>(std::popcount(q.keep));
  }
  const std::size_t before = plan.packets.size();
  std::erase_if(plan.packets, [](const PlannedPacket& q) { return q.keep == 0; });
  plan.changed = plan.packets.size() != before || !plan.rebuilt.empty();
  return plan;
}

std::optional<DamagedObject> SourceObjectOf(const PacketPlan& plan, const PacketTable& scanned, const DamagedObject& found,
                                            bool renumbered) {
  if (found.firstPacket >= plan.packets.size()) return std::nullopt;
  const PlannedPacket& q = plan.packets[found.firstPacket];
  DamagedObject d = found;
  d.object.firstOffset = q.offset;
  if (!renumbered) return d;
  bool matched = false;
  ForEachPayload(plan, scanned, q, q.keep, [&](std::size_t, const Payload& pl) {
    if (matched || !StartsMediaObject(pl) || (pl.streamNumber & 127) != (found.object.stream & 127)) return;
    if (pl.presentationTime != found.object.time) return;
    d.object.number = pl.mediaObjectNumber;
    matched = true;
  });
  if (!matched) return std::nullopt;
  return d;
}

Bytes RebuiltBytes(SourceFile& file, const PacketPlan& plan, const PlannedPacket& q) {
  Bytes src;
  if (!file.readAt(q.offset, q.size, src) || src.size() != q.size) return {};
  // A packet of the scan's table is parsed again from its bytes.
  ParsedPacket parsed;
  if (q.record == PlannedPacket::kNone && ParsePacket(src, parsed) != 0) return {};
  const ParsedPacket& p = q.record != PlannedPacket::kNone ? plan.records[q.record] : parsed;
  const auto P = static_cast<std::uint32_t>(p.packetLength);
  if (p.isMultiple()) return RebuildPacket(src, p, q.keep, P);
  // A single payload that ends within the bytes there are: the rest of
  // the packet is its padding.
  src.resize(P, 0);
  return src;
}

}  // namespace corvel
