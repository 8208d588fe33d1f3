#include "analysis/media_objects.hpp"

#include "analysis/scan.hpp"
#include "asf/catalogue.hpp"
#include "asf/header_walk.hpp"
#include "asf/object_search.hpp"
#include "io/source_file.hpp"

namespace corvel {

ByteView PayloadWalker::bytesAt(std::uint64_t offset) {
  if (offset < windowStart_ || offset + rule_.packetSize() > windowStart_ + window_.size()) {
    constexpr std::uint64_t kWindow = 4 << 20;
    const std::uint64_t want = std::min<std::uint64_t>(std::max<std::uint64_t>(kWindow, rule_.packetSize()), f_.size() - offset);
    window_.resize(static_cast<std::size_t>(want));
    const std::int64_t got = f_.readAt(offset, window_);
    window_.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    windowStart_ = offset;
    unreadable_ = f_.unreadable();
    if (window_.size() < rule_.packetSize()) return {};
  }
  return ByteView(window_).subspan(static_cast<std::size_t>(offset - windowStart_), rule_.packetSize());
}

bool PayloadWalker::take(std::uint64_t offset, ByteView v) {
  packetBytes_ = v;
  packet_.fileOffset = static_cast<std::int64_t>(offset);
  rule_.take(packet_);
  lastTaken_ = offset;
  loadPayload(packet_.isMultiple() ? 0 : -1);
  return true;
}

bool PayloadWalker::indexAt(std::uint64_t offset, ByteView v) const {
  return v.size() >= 16 ? IndexGuids().match(v.data()) : IndexGuids().match(ReadPadded(f_, offset, 16).data());
}

bool PayloadWalker::readPacket(std::uint64_t offset) {
  // Packets begin before the data's end and lie wholly in the file (the
  // last one may run past a Data Object that declares too little): a
  // damaged size never allocates more than the file holds. An index object
  // ends the data.
  const std::uint64_t fileEnd = f_.size(), dataEnd = std::min<std::uint64_t>(dataEnd_ ? dataEnd_ : fileEnd, fileEnd);
  const std::uint32_t size = rule_.packetSize();
  if (size == 0 || size > SourceFile::CacheSize) return false;
  enum class Place { packet, end, other };
  auto look = [&](std::uint64_t q, ByteView& v) {
    if (size > fileEnd - q) {
      // What is left is a packet cut short.
      if (!indexAt(q, {})) partialTail_ = dataEnd - q;
      return Place::end;
    }
    v = bytesAt(q);
    if (v.empty() || indexAt(q, v)) return Place::end;
    return UnreadableEnd(unreadable_, q, size) ? Place::other : Place::packet;
  };
  if (offset >= dataEnd) return false;
  ByteView v;
  Place at = look(offset, v);
  if (at == Place::end) return false;
  // Where a packet is expected it is taken as the scan takes it.
  if (at == Place::packet && rule_.expected(v, packet_) == 0) return take(offset, v);
  // Where none is (bytes inserted or deleted before it, overwritten), the
  // walk goes on where the scan's search finds the next one: from the byte
  // after the last packet taken on. The bytes passed over are counted.
  std::uint64_t q = lastTaken_ ? *lastTaken_ + 1 : offset + 1;
  for (; q < dataEnd; ++q) {
    at = look(q, v);
    if (at == Place::end) break;
    if (at == Place::packet && rule_.found(v, packet_)) {
      skippedBytes_ += q > offset ? q - offset : 0;
      return take(q, v);
    }
  }
  skippedBytes_ += q > offset ? q - offset : 0;
  return false;
}

void PayloadWalker::loadPayload(std::int32_t index) {
  payloadIndex_ = index;
  const auto [at, len] = packet_.payloadData(index < 0 ? 0 : static_cast<std::size_t>(index));
  payload_ = SubView(packetBytes_, at, len);
}

namespace {

// Where the packets of the file in `f` lie, by its header and the scan's
// rules; none when the scan could not start.
std::optional<DataLayout> FindPackets(const ByteSource& f) {
  SourceFile file;
  file.openSource(std::make_unique<BorrowedSource>(f));
  FileStructure fs;
  JobContext ctx;
  if (!WalkObjects(file, WalkOptions{}, fs, ctx)) return std::nullopt;
  JobResult<DataLayout> r = LocatePackets(file, fs, ctx);
  if (r.outcome == Outcome::failed) return std::nullopt;
  return r.data;
}

}  // namespace

bool PayloadWalker::first() {
  const std::optional<DataLayout> layout = FindPackets(f_);
  if (!layout) return false;
  firstPacket_ = layout->firstPacket;
  rule_ = layout->rule;
  dataEnd_ = layout->end;
  return readPacket(firstPacket_);
}

bool PayloadWalker::next() {
  if (packet_.isMultiple() && static_cast<std::size_t>(payloadIndex_ + 1) < packet_.multiple.payloads.size()) {
    loadPayload(payloadIndex_ + 1);
    return true;
  }
  return readPacket(static_cast<std::uint64_t>(packet_.fileOffset) + rule_.packetSize());
}

Payload CurrentPayload(const ParsedPacket& p, std::int32_t index) {
  return p.payload(index < 0 ? 0 : static_cast<std::size_t>(index));
}

MediaObjectReader::MediaObjectReader(const ByteSource& f, StreamTable streams) : w_(f), streams_(std::move(streams)) {
  for (const StreamEntry& e : streams_) known_[e.number & 127] = true;
}

std::uint64_t MediaObjectReader::packetNumber(std::uint64_t offset) const {
  return w_.packetSize() == 0 || offset < w_.firstPacket() ? 0 : (offset - w_.firstPacket()) / w_.packetSize();
}

void MediaObjectReader::countIncomplete(std::uint8_t s) {
  ++incomplete_[s & 127];
  incompleteKinds_.add(KindOf(streams_, s));
}

namespace {
constexpr std::size_t kSpares = 16;
}  // namespace

Bytes MediaObjectReader::buffer() {
  if (spare_.empty()) return {};
  Bytes b = std::move(spare_.back());
  spare_.pop_back();
  b.clear();
  return b;
}

MediaObjectReader::Pending& MediaObjectReader::push(std::uint8_t s, const Payload& pl) {
  Pending& q = queue_.emplace_back();
  q.data = buffer();
  q.obj.stream = s;
  q.obj.number = pl.mediaObjectNumber;
  q.obj.key = pl.keyFrame != 0;
  q.obj.time = pl.presentationTime;
  q.obj.firstOffset = q.obj.lastOffset = static_cast<std::uint64_t>(w_.packet().fileOffset);
  q.size = pl.mediaObjectSize;
  return q;
}

void MediaObjectReader::pushWhole(std::uint8_t s, const Payload& pl, ByteView bytes) {
  Pending& q = push(s, pl);
  q.done = true;
  if (unfinished_ == 0) {
    q.view = bytes;
    q.direct = true;
    return;
  }
  q.data.assign(bytes.begin(), bytes.end());
  queued_ += bytes.size();
}

// The stream's object being assembled lost a fragment: it is left out, and
// later fragments of its number with it.
void MediaObjectReader::breakOpen(std::uint8_t s) {
  Open& o = open_[s];
  if (!o.active) return;
  Pending& q = at(o.seq);
  q.broken = q.done = true;
  --unfinished_;
  queued_ -= q.data.size();
  spare_.push_back(std::move(q.data));
  q.data = Bytes();
  o.active = false;
  o.lost = true;
  o.lostNumber = q.obj.number;
}

void MediaObjectReader::takeCompressed(std::uint8_t s, const Payload& pl, ByteView data) {
  breakOpen(s);
  open_[s].lost = false;
  // Sub-payloads: a byte of size, then the object's bytes; the presentation
  // time stands in the offset field, the replicated byte is the time step.
  const std::uint8_t delta = CompressedTimeDelta(w_.packet(), static_cast<std::size_t>(std::max(w_.payloadIndex(), 0)), w_.packetBytes());
  std::uint32_t k = 0;
  for (std::size_t i = 0; i < data.size(); ++k) {
    const std::size_t len = data[i];
    if (len > data.size() - i - 1) {
      countIncomplete(s);  // the sizes do not add up: what is left is no object
      return;
    }
    Payload sub = pl;
    sub.mediaObjectNumber = pl.mediaObjectNumber + k;
    sub.presentationTime = pl.offsetIntoMediaObject + k * delta;
    sub.mediaObjectSize = static_cast<std::uint32_t>(len);
    pushWhole(s, sub, data.subspan(i + 1, len));
    i += 1 + len;
  }
}

void MediaObjectReader::takeFragment(std::uint8_t s, const Payload& pl, ByteView data) {
  Open& o = open_[s];
  if (pl.replicatedDataLength < 8) {
    // No size to assemble to: the payload is the object (an empty one is
    // nothing: what a damaged packet's bytes parse as).
    if (data.empty()) return;
    breakOpen(s);
    pushWhole(s, pl, data);
    return;
  }
  if (o.active) {
    Pending& q = at(o.seq);
    if (pl.mediaObjectNumber == q.obj.number && pl.mediaObjectSize == q.size && pl.offsetIntoMediaObject == q.data.size()) {
      if (std::uint64_t{q.data.size()} + data.size() > q.size) {
        breakOpen(s);
        return;
      }
      q.data.insert(q.data.end(), data.begin(), data.end());
      q.obj.lastOffset = static_cast<std::uint64_t>(w_.packet().fileOffset);
      queued_ += data.size();
      if (q.data.size() == q.size) {
        q.done = true;
        o.active = false;
        --unfinished_;
      }
      return;
    }
    breakOpen(s);
  }
  if (pl.offsetIntoMediaObject != 0) {
    // A fragment of an object whose beginning is gone: counted once.
    if (!(o.lost && o.lostNumber == pl.mediaObjectNumber)) countIncomplete(s);
    o.lost = true;
    o.lostNumber = pl.mediaObjectNumber;
    return;
  }
  o.lost = false;
  // An object of no bytes, or of fewer than its first fragment holds, is
  // damage, not an object.
  if (pl.mediaObjectSize == 0 || data.size() > pl.mediaObjectSize || pl.mediaObjectSize > kMaxObject) {
    countIncomplete(s);
    o.lost = true;
    o.lostNumber = pl.mediaObjectNumber;
    return;
  }
  if (data.size() == pl.mediaObjectSize) {
    pushWhole(s, pl, data);
    return;
  }
  Pending& q = push(s, pl);
  // Room for the whole object at once, within reason (its size is the file's word).
  q.data.reserve(std::min<std::size_t>(pl.mediaObjectSize, 16 << 20));
  q.data.assign(data.begin(), data.end());
  queued_ += data.size();
  o.active = true;
  o.seq = base_ + queue_.size() - 1;
  ++unfinished_;
}

void MediaObjectReader::take() {
  const Payload pl = CurrentPayload(w_.packet(), w_.payloadIndex());
  const std::uint8_t s = pl.streamNumber & 127;
  if (!known_[s]) return;  // no stream of the file's
  if (pl.replicatedDataLength == 1)
    takeCompressed(s, pl, w_.payload());
  else
    takeFragment(s, pl, w_.payload());
}

// Objects of other streams wait behind one still being assembled; when they
// pass the bound, that one is taken as incomplete.
void MediaObjectReader::enforceBound() {
  while (!queue_.empty() && !queue_.front().done && queued_ - queue_.front().data.size() > kMaxQueued)
    breakOpen(queue_.front().obj.stream);
}

bool MediaObjectReader::popFront() {
  Pending& f = queue_.front();
  const bool whole = !f.broken;
  if (f.broken)
    countIncomplete(f.obj.stream);
  else
    cur_ = std::move(f);
  queued_ -= whole && !cur_.direct ? cur_.data.size() : 0;
  queue_.pop_front();
  ++base_;
  return whole;
}

bool MediaObjectReader::next() {
  if (cur_.data.capacity()) spare_.push_back(std::move(cur_.data));
  if (spare_.size() > kSpares) spare_.resize(kSpares);
  cur_.data.clear();
  while (true) {
    while (!queue_.empty() && queue_.front().done)
      if (popFront()) return true;
    if (ended_) return false;
    const bool more = started_ ? w_.next() : w_.first();
    started_ = true;
    if (!more) {
      // The data ends: objects still being assembled lost their tails.
      ended_ = true;
      for (std::size_t s = 0; s < open_.size(); ++s) breakOpen(static_cast<std::uint8_t>(s));
      continue;
    }
    take();
    enforceBound();
  }
}

}  // namespace corvel
