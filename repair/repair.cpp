#include "repair/repair.hpp"

#include <algorithm>

#include "analysis/packet.hpp"

namespace corvel {

namespace {

// Cuts the record's repeat out of the logical file and moves the later
// records up by its length.
void cutRepeat(CutList& cuts, std::vector<ListedBlock>& list, std::size_t i) {
  const ListedBlock& p = list[i];
  std::uint64_t pos = cuts.LogicalToPhysical(p.offset);
  pos += cuts.CutsSpan(pos, p.repOffset);
  cuts.CutsAdd(pos, p.repLen);
  for (std::size_t k = i + 1; k < list.size(); ++k) list[k].offset = list[k].offset >= p.repLen ? list[k].offset - p.repLen : 0;
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

bool parsesAndFills(ByteView v, std::uint32_t packetSize, ParsedPacket& p) {
  const bool start = LooksLikePacketStart(v, PacketForm::errorCorrection) || LooksLikePacketStart(v, PacketForm::plain);
  return start && ParsesAndFills(v, packetSize, p);
}

// The packet's structure holds: it parses, its payloads fill it, each lies
// within its media object and continues its stream from the packets around,
// its padding is zero, and it is sent no earlier than `sent` (the packet
// before it), which it then updates.
bool wellFormed(ByteView v, std::uint32_t packetSize, const StreamsAround& around, std::uint32_t& sent) {
  ParsedPacket p;
  if (!parsesAndFills(v, packetSize, p) || !around.allowsSendTime(p.sendTime) || p.sendTime < sent) return false;
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

// The media objects around a block, for judging a cut by decoding: the
// sound packets before it (far enough back for the streams' key frames)
// and after it are read once; each candidate puts its own packets between.
class FrameWindow {
 public:
  FrameWindow(SourceFile& file, std::uint64_t offset, std::uint64_t blockSize, std::uint32_t packetSize) : P_(packetSize) {
    const std::uint64_t back = std::min<std::uint64_t>(kBack, offset / P_) * P_;
    if (back && file.ReadLarge(offset - back, back, before_)) before_ = soundTail(before_);
    const std::uint64_t end = offset + blockSize;
    const std::uint64_t ahead = std::min<std::uint64_t>(kAhead * P_, file.logicalSize() > end ? file.logicalSize() - end : 0);
    if (ahead && file.ReadLarge(end, ahead, after_)) after_.resize(soundHead(after_));
  }

  // Whether the media objects the cut at `q` of the candidate's packets
  // touches decode cleanly; none when nothing could be judged.
  std::optional<bool> decodes(ByteView candidate, std::size_t q, DecodeJudge& judge) const {
    std::vector<Fragment> all;
    collect(before_, all, 0);
    const std::size_t first = all.size();
    collect(candidate, all, 1);
    const std::size_t last = all.size();
    collect(after_, all, 0);
    std::optional<bool> verdict;
    std::vector<std::pair<std::uint8_t, std::uint32_t>> judged;
    for (std::size_t i = first; i < last; ++i) {
      const Fragment& f = all[i];
      // The payloads either side of the cut, each object once.
      const std::pair id(f.stream, f.number);
      if (f.from > q || q > f.to || std::find(judged.begin(), judged.end(), id) != judged.end()) continue;
      judged.push_back(id);
      const std::optional<Bytes> object = assemble(all, f.stream, f.number, all.size());
      if (!object) return std::nullopt;
      // A stream with no key frame flagged (audio) is judged object by object.
      std::optional<Bytes> key = Bytes{};
      if (!f.key) key = lastKeyBefore(all, f.stream, firstFragment(all, f.stream, f.number));
      if (!key) key = Bytes{};
      const std::optional<bool> v = judge.decodes(f.stream, *key, *object);
      if (v == false) return false;
      if (v) verdict = true;
    }
    return verdict;
  }

 private:
  static constexpr std::uint64_t kBack = 1024, kAhead = 64;  // packets
  struct Fragment {
    std::uint8_t stream = 0;
    std::uint32_t number = 0, offset = 0, size = 0;
    bool key = false;
    ByteView data;
    std::size_t from = 0, to = 0;  // where the data lies in the candidate's packets
  };

  // The sound packets at the end of `b`, back to the first that is not.
  Bytes soundTail(const Bytes& b) const {
    std::size_t k = b.size() / P_;
    ParsedPacket p;
    while (k > 0 && parsesAndFills(ByteView(b).subspan((k - 1) * P_, P_), P_, p)) --k;
    return Bytes(b.begin() + static_cast<std::ptrdiff_t>(k * P_), b.end());
  }
  // The bytes of the sound packets at the start of `b`.
  std::size_t soundHead(const Bytes& b) const {
    std::size_t k = 0;
    ParsedPacket p;
    while ((k + 1) * P_ <= b.size() && parsesAndFills(ByteView(b).subspan(k * P_, P_), P_, p)) ++k;
    return k * P_;
  }
  void collect(ByteView packets, std::vector<Fragment>& out, int inCandidate) const {
    for (std::size_t k = 0; (k + 1) * P_ <= packets.size(); ++k) {
      const ByteView v = packets.subspan(k * P_, P_);
      ParsedPacket p;
      if (!parsesAndFills(v, P_, p) || p.compressed) continue;
      for (std::size_t i = 0; i < p.payloadCount(); ++i) {
        const Payload pl = p.payload(i);
        if (pl.replicatedDataLength < 8) continue;
        const auto [at, len] = p.payloadData(i);
        Fragment f{static_cast<std::uint8_t>(pl.streamNumber & 127), pl.mediaObjectNumber, pl.offsetIntoMediaObject,
                   pl.mediaObjectSize, pl.keyFrame != 0, v.subspan(at, len)};
        if (inCandidate) f.from = k * P_ + at, f.to = f.from + len;
        out.push_back(f);
      }
    }
  }
  static std::size_t firstFragment(const std::vector<Fragment>& all, std::uint8_t stream, std::uint32_t number) {
    for (std::size_t i = 0; i < all.size(); ++i)
      if (all[i].stream == stream && all[i].number == number) return i;
    return all.size();
  }
  // The media object's bytes from its fragments before `limit`, when they
  // make it whole.
  static std::optional<Bytes> assemble(const std::vector<Fragment>& all, std::uint8_t stream, std::uint32_t number,
                                       std::size_t limit) {
    Bytes object;
    std::uint64_t covered = 0;
    for (std::size_t i = 0; i < limit; ++i) {
      const Fragment& f = all[i];
      if (f.stream != stream || f.number != number) continue;
      if (object.empty()) object.resize(f.size);
      if (f.size != object.size() || std::uint64_t{f.offset} + f.data.size() > object.size()) return std::nullopt;
      std::copy(f.data.begin(), f.data.end(), object.begin() + f.offset);
      covered += f.data.size();
    }
    if (object.empty() || covered != object.size()) return std::nullopt;
    return object;
  }
  // The stream's last key frame that begins before fragment `before`.
  static std::optional<Bytes> lastKeyBefore(const std::vector<Fragment>& all, std::uint8_t stream, std::size_t before) {
    for (std::size_t i = before; i-- > 0;)
      if (all[i].stream == stream && all[i].key && all[i].offset == 0) return assemble(all, stream, all[i].number, all.size());
    return std::nullopt;
  }

  std::uint32_t P_;
  Bytes before_, after_;
};

// The place among `places` to cut a block at: the structure's own when the
// decoder bears it out, else the first the decoder bears out; the
// structure's when none is (or nothing could be judged).
struct JudgedPlace {
  std::optional<std::size_t> at;
  bool decoded = false;  // the decoder bore the place out
};
JudgedPlace JudgePlaces(const InsertionPlaces& places, ByteView block, std::size_t inserted, const FrameWindow& window,
                        DecodeJudge& judge) {
  Bytes candidate;
  auto clean = [&](std::size_t q) {
    candidate.assign(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(q));
    candidate.insert(candidate.end(), block.begin() + static_cast<std::ptrdiff_t>(q + inserted), block.end());
    return window.decodes(candidate, q, judge) == true;
  };
  if (places.preferred && clean(*places.preferred)) return {places.preferred, true};
  for (const std::size_t q : places.fits)
    if (q != places.preferred && clean(q)) return {q, true};
  return {places.preferred, false};
}

void cutByStructure(SourceFile& file, std::vector<ListedBlock>& list, const RepairOptions& o, JobContext& ctx,
                    DecodeJudge* judge) {
  cutEqualRepeats(file, list, o);
  Bytes block;
  for (std::size_t i = 0; i < list.size() && !ctx.stopRequested(); ++i) {
    ListedBlock& p = list[i];
    if (!p.listed() || p.declaredSize <= 0 || p.declaredSize > kLargestPacket || p.delta() < 1 ||
        p.actualSize > (kLargestBlock + 1) * static_cast<std::uint64_t>(p.declaredSize))
      continue;
    if (!file.ReadAt(p.offset, p.actualSize, block)) continue;
    const auto size = static_cast<std::uint32_t>(p.declaredSize);
    const InsertionPlaces places = FindInsertionPlaces(block, size, ReadStreamsAround(file, p.offset, p.actualSize, size));
    std::optional<std::size_t> at = places.preferred;
    const std::size_t inserted = p.actualSize % size;
    if (judge && places.fits.size() > 1) {
      const JudgedPlace judged = JudgePlaces(places, block, inserted, FrameWindow(file, p.offset, p.actualSize, size), *judge);
      at = judged.at;
      if (at) ctx.log(Message(judged.decoded ? MessageId::CutConfirmedByDecoding : MessageId::CutNotConfirmed,
                              std::to_string(p.offset + *at)));
    }
    if (!at) continue;
    p.repOffset = static_cast<std::uint32_t>(*at);
    p.repLen = static_cast<std::uint32_t>(inserted);
    cutRepeat(file.cuts, list, i);
    Unlist(p);
    file.CacheReset();
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
  if (!streams.test(stream)) return false;
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
    return file.ReadAt(at, packetSize, buf) && parsesAndFills(buf, packetSize, p);
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
                                   const RepairOptions& o, JobContext& ctx, DecodeJudge* judge) {
  const std::vector<CutRange> before = file.cuts.ranges();
  switch (mode) {
    case RepairMode::cutEqualRepeats: cutEqualRepeats(file, list, o); break;
    case RepairMode::cutAndRemeasure: cutAndRemeasure(file, list, o); break;
    case RepairMode::cutByStructure: cutByStructure(file, list, o, ctx, judge); break;
    case RepairMode::acceptSizes:
      for (ListedBlock& p : list)
        if (p.listed()) p.mark = BlockMark::sizesFixed;
      break;
  }
  file.CacheReset();
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
  return Finish(ctx, Outcome::ok, Message(MessageId::OperationComplete), RepairData{file.cuts, std::move(list)});
}

}  // namespace corvel
