#include "repair/repair.hpp"

#include <algorithm>

#include "analysis/packet.hpp"
#include "repair/cut_judging.hpp"

namespace corvel {

namespace {

// Cuts the record's repeat out of the logical file and moves the later
// records up by its length.
// Returns where the cut begins in the source.
std::uint64_t cutRepeat(CutList& cuts, std::vector<ListedBlock>& list, std::size_t i) {
  const ListedBlock& p = list[i];
  std::uint64_t pos = cuts.toPhysical(p.offset);
  pos += cuts.span(pos, p.repOffset);
  cuts.add(pos, p.repLen);
  for (std::size_t k = i + 1; k < list.size(); ++k) list[k].offset = list[k].offset >= p.repLen ? list[k].offset - p.repLen : 0;
  return pos;
}

void cutEqualRepeats(SourceFile& file, std::vector<ListedBlock>& list, const RepairOptions& o) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    ListedBlock& p = list[i];
    if (!p.listed()) continue;
    if (o.onlyZeroRepeats && p.repByte != 0) continue;
    if (static_cast<std::int64_t>(p.repLen) != p.delta()) continue;
    cutRepeat(file.cuts, list, i);
    Unlist(p);
  }
}

void cutAndRemeasure(SourceFile& file, std::vector<ListedBlock>& list, const RepairOptions& o) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    ListedBlock& p = list[i];
    if (!p.listed()) continue;
    if (o.onlyLongerBlocks && p.delta() < 1) continue;
    if (p.repLen < o.minRepeat) continue;
    if (o.onlyZeroRepeats && p.repByte != 0) continue;
    cutRepeat(file.cuts, list, i);
    p.actualSize = p.actualSize >= p.repLen ? p.actualSize - p.repLen : 0;
    MeasureLongestRepeat(file, p.offset, p.actualSize, p);
  }
}

// The values a media object number field of the type holds, as a mask.
std::uint32_t numberMask(LengthType t) {
  const int bytes = LengthTypeSize(t);
  return bytes == 1 || bytes == 2 ? (1u << (8 * bytes)) - 1 : 0xFFFFFFFF;
}

// The packet's structure holds: it parses, its payloads fill it, each lies
// within its media object and continues its stream from the packets around,
// its padding is zero, and it is sent no earlier than `sent` (the packet
// before it), which it then updates.
bool wellFormed(ByteView v, std::uint32_t packetSize, const StreamsAround& around, std::uint32_t& sent) {
  ParsedPacket p;
  if (!StartsAndFills(v, packetSize, p) || !around.allowsSendTime(p.sendTime) || p.sendTime < sent) return false;
  sent = p.sendTime;
  const std::uint32_t mask = numberMask(p.mediaObjectNumberLengthType);
  for (std::size_t k = 0; k < p.payloadCount(); ++k) {
    const Payload pl = p.payload(k);
    if (!around.allows(pl.streamNumber & 127, pl.mediaObjectNumber, mask)) return false;
    if (p.compressed || pl.replicatedDataLength < 8) continue;
    if (std::uint64_t{pl.offsetIntoMediaObject} + pl.payloadDataLength > pl.mediaObjectSize) return false;
  }
  const std::uint64_t padding = std::min<std::uint64_t>(p.paddingLength, packetSize);
  const ByteView pad = v.subspan(static_cast<std::size_t>(packetSize - padding));
  return std::all_of(pad.begin(), pad.end(), [](std::uint8_t b) { return b == 0; });
}

// Larger packets and blocks are not searched: the search parses the block's
// packets once per byte.
constexpr std::int32_t kLargestPacket = 1 << 16;
constexpr std::size_t kLargestBlock = 4;  // packets

void cutByStructure(SourceFile& file, std::vector<ListedBlock>& list, const RepairOptions& o, JobContext& ctx,
                    DecodeJudge* judge, std::bitset<128> declared, std::vector<CheckedCut>& checked) {
  cutEqualRepeats(file, list, o);
  Bytes block;
  for (std::size_t i = 0; i < list.size() && !ctx.stopRequested(); ++i) {
    ListedBlock& p = list[i];
    if (!p.listed() || p.declaredSize <= 0 || p.declaredSize > kLargestPacket || p.delta() < 1 ||
        p.actualSize > (kLargestBlock + 1) * static_cast<std::uint64_t>(p.declaredSize))
      continue;
    if (!file.readAt(p.offset, p.actualSize, block)) continue;
    const auto size = static_cast<std::uint32_t>(p.declaredSize);
    StreamsAround around = ReadStreamsAround(file, p.offset, p.actualSize, size);
    around.declared = declared;
    const InsertionPlaces places = FindInsertionPlaces(block, size, around);
    std::optional<std::size_t> at = places.preferred;
    const std::size_t inserted = p.actualSize % size;
    std::optional<JudgedCut> judged;
    if (judge && !places.fits.empty()) {
      judged = JudgeCut(file, p.offset, block, size, inserted, places.fits, places.preferred, *judge);
      at = judged->at;
    }
    if (!at) continue;
    p.repOffset = static_cast<std::uint32_t>(*at);
    p.repLen = static_cast<std::uint32_t>(inserted);
    const std::uint64_t cutAt = cutRepeat(file.cuts, list, i);
    Unlist(p);
    file.resetCache();
    if (!judged) continue;
    checked.push_back({cutAt, static_cast<std::uint32_t>(inserted), judged->decoding, judged->tried, std::move(judged->damaged)});
    ctx.log(CutMessage(checked.back()));
  }
}

// The places that fit, told apart by the packets they give.
struct Fits {
  std::optional<std::size_t> at;  // the first
  Bytes packets;                  // what the first gives
  bool several = false;           // another gives different packets
  void add(std::size_t q, const Bytes& candidate) {
    if (!at) {
      at = q;
      packets = candidate;
    } else if (!several && candidate != packets) {
      several = true;
    }
  }
  bool unique() const { return at && !several; }
};

}  // namespace

bool StreamsAround::allows(std::uint8_t stream, std::uint32_t number, std::uint32_t mask) const {
  if (streams.none()) return true;  // nothing sound around to judge by
  if (!streams.test(stream) && !declared.test(stream)) return false;
  // Numbers wrap at the width of their field; a block of a few packets moves
  // a stream on by less than half of it.
  const std::uint32_t half = mask / 2;
  if (lastBefore[stream] && ((number - *lastBefore[stream]) & mask) > half) return false;
  if (firstAfter[stream] && ((*firstAfter[stream] - number) & mask) > half) return false;
  return true;
}

StreamsAround ReadStreamsAround(SourceFile& file, std::uint64_t offset, std::uint64_t size, std::uint32_t packetSize) {
  constexpr std::uint64_t kLook = 8;  // packets each side
  StreamsAround a;
  Bytes buf;
  ParsedPacket p;
  auto read = [&](std::uint64_t at) {
    return file.readAt(at, packetSize, buf) && StartsAndFills(buf, packetSize, p);
  };
  for (std::uint64_t k = 1; k <= kLook && k * packetSize <= offset; ++k) {
    if (!read(offset - k * packetSize)) break;
    if (!a.sentBefore) a.sentBefore = p.sendTime;
    for (std::size_t i = p.payloadCount(); i-- > 0;) {
      const Payload pl = p.payload(i);
      const std::uint8_t s = pl.streamNumber & 127;
      a.streams.set(s);
      if (!a.lastBefore[s]) a.lastBefore[s] = pl.mediaObjectNumber;
    }
  }
  for (std::uint64_t k = 0; k < kLook && offset + size + (k + 1) * packetSize <= file.logicalSize(); ++k) {
    if (!read(offset + size + k * packetSize)) break;
    if (!a.sentAfter) a.sentAfter = p.sendTime;
    for (std::size_t i = 0; i < p.payloadCount(); ++i) {
      const Payload pl = p.payload(i);
      const std::uint8_t s = pl.streamNumber & 127;
      a.streams.set(s);
      if (!a.firstAfter[s]) a.firstAfter[s] = pl.mediaObjectNumber;
    }
  }
  return a;
}

InsertionPlaces FindInsertionPlaces(ByteView block, std::uint32_t packetSize, const StreamsAround& around) {
  InsertionPlaces places;
  if (packetSize == 0 || block.size() <= packetSize) return places;
  const std::size_t inserted = block.size() % packetSize, packets = block.size() / packetSize;
  if (inserted == 0 || packets > kLargestBlock) return places;
  // The packets with the stretch at q cut out; moving q on by one changes
  // only byte q-1 of them (and nothing when it equals byte q-1+inserted).
  Bytes candidate(block.begin() + static_cast<std::ptrdiff_t>(inserted), block.end());
  auto allWellFormed = [&] {
    std::uint32_t sent = 0;
    for (std::size_t k = 0; k < packets; ++k)
      if (!wellFormed(ByteView(candidate).subspan(k * packetSize, packetSize), packetSize, around, sent)) return false;
    return true;
  };
  auto oneByte = [&](std::size_t q) {
    const ByteView cut = block.subspan(q, inserted);
    return std::all_of(cut.begin(), cut.end(), [&](std::uint8_t b) { return b == cut[0]; });
  };
  Fits any, runs;  // every fitting place; those that cut a run of one byte
  for (std::size_t q = 0; q <= candidate.size(); ++q) {
    if (q > 0) candidate[q - 1] = block[q - 1];
    if (!allWellFormed()) continue;
    const bool same = !places.fits.empty() && places.fits.back() == q - 1 && block[q - 1] == block[q - 1 + inserted];
    if (same)
      places.fits.back() = q;
    else
      places.fits.push_back(q);
    any.add(q, candidate);
    if (oneByte(q)) runs.add(q, candidate);
  }
  // Bytes inserted into payload data parse wherever they are cut, so the
  // place is not known from the structure alone. A run of one byte as long
  // as the inserted stretch tells it (of any byte value: the structure
  // confirms it). Else, when the block's packets stand where they are and the
  // bytes after them can go, that cut is taken: it is right for bytes
  // inserted between two packets, keeps every packet the block has, and the
  // file goes on in step.
  if (any.unique())
    places.preferred = any.at;
  else if (runs.unique())
    places.preferred = runs.at;
  else if (any.at && allWellFormed())
    places.preferred = candidate.size();
  return places;
}

std::optional<std::size_t> FindInsertedBytes(ByteView block, std::uint32_t packetSize, const StreamsAround& around) {
  return FindInsertionPlaces(block, packetSize, around).preferred;
}

JobResult<RepairData> RepairBlocks(SourceFile& file, std::vector<ListedBlock> list, RepairMode mode,
                                   const RepairOptions& o, JobContext& ctx, DecodeJudge* judge, std::bitset<128> declared) {
  const std::vector<CutRange> before = file.cuts.ranges();
  std::vector<CheckedCut> checked;
  switch (mode) {
    case RepairMode::cutEqualRepeats: cutEqualRepeats(file, list, o); break;
    case RepairMode::cutAndRemeasure: cutAndRemeasure(file, list, o); break;
    case RepairMode::cutByStructure: cutByStructure(file, list, o, ctx, judge, declared, checked); break;
    case RepairMode::acceptSizes:
      for (ListedBlock& p : list)
        if (p.listed()) p.mark = BlockMark::sizesFixed;
      break;
  }
  file.resetCache();
  // What the repair did, cut by cut, and what it left.
  for (const CutRange& c : file.cuts.ranges())
    if (std::find(before.begin(), before.end(), c) == before.end()) {
      Message line("", MessageId::CutBytes, std::to_string(c.length));
      line.tail = MessageId::AtOffset;
      line.end = std::to_string(c.offset);
      ctx.log(std::move(line));
    }
  if (mode != RepairMode::acceptSizes) {
    const auto left = std::count_if(list.begin(), list.end(), [](const ListedBlock& p) { return p.listed(); });
    if (left > 0) ctx.log(Message(MessageId::BlocksLeft, std::to_string(left)));
  }
  const bool damaged = std::any_of(checked.begin(), checked.end(), [](const CheckedCut& c) { return !c.damaged.empty(); });
  return Finish(ctx, damaged ? Outcome::warnings : Outcome::ok, Message(MessageId::OperationComplete),
                RepairData{file.cuts, std::move(list), std::move(checked)});
}

Message CutMessage(const CheckedCut& c) {
  Message m(MessageId::CutAt, std::to_string(c.offset));
  switch (c.decoding) {
    case CutDecoding::confirmed: m.more.emplace_back(MessageId::CutConfirmedByDecoding, std::to_string(c.tried)); break;
    case CutDecoding::notJudged: m.more.emplace_back(MessageId::CutNotJudged, ""); break;
    case CutDecoding::damaged:
      for (std::size_t i = 0; i < c.damaged.size(); ++i) {
        const DamagedFrame& f = c.damaged[i];
        m.more.emplace_back(i == 0 ? MessageId::CutNotConfirmed : MessageId::None, (i == 0 ? "" : ", ") + std::to_string(f.object));
        m.more.emplace_back(MessageId::FrameOfStream, std::to_string(f.stream));
        m.more.emplace_back(MessageId::FrameAtTime, std::to_string(f.time));
      }
      break;
  }
  return m;
}

}  // namespace corvel
