#include "analysis/packet.hpp"

#include <algorithm>
#include <optional>

namespace corvel {

namespace {

// Reads consecutive fields and remembers whether any lay outside the buffer.
class Cursor {
 public:
  Cursor(ByteView buf, std::uint64_t pos) : buf_(buf), pos_(pos) {}
  std::uint32_t field(LengthType letter) {
    const int n = LengthTypeSize(letter);
    if (n == 0) return 0;
    if (pos_ + static_cast<std::uint64_t>(n) > buf_.size()) {
      ok_ = false;
      pos_ += static_cast<std::uint64_t>(n);
      return 0;
    }
    const std::uint32_t v = ReadLengthField(letter, buf_, pos_);
    pos_ += static_cast<std::uint64_t>(n);
    return v;
  }
  std::uint8_t u8() { return static_cast<std::uint8_t>(field(LengthType::byte)); }
  std::uint16_t u16() { return static_cast<std::uint16_t>(field(LengthType::word)); }
  std::uint32_t u32() { return field(LengthType::dword); }
  void skip(std::uint64_t n) { pos_ += n; }
  std::uint64_t pos() const { return pos_; }
  bool ok() const { return ok_; }

 private:
  ByteView buf_;
  std::uint64_t pos_;
  bool ok_ = true;
};

// Stream byte, the three property fields, and the replicated data.
void readPayloadHeader(Cursor& c, ByteView buf, const ParsedPacket& p, Payload& out) {
  const std::uint8_t sb = c.u8();
  out.keyFrame = sb >> 7;
  out.streamNumber = sb & 0x7F;
  out.mediaObjectNumber = c.field(p.mediaObjectNumberLengthType);
  out.offsetIntoMediaObject = c.field(p.offsetIntoMediaObjectLengthType);
  out.replicatedDataLength = c.field(p.replicatedDataLengthType);
  out.mediaObjectSize = 0;
  out.presentationTime = 0;
  if (out.replicatedDataLength >= 8 && c.pos() + 8 <= buf.size()) {
    out.mediaObjectSize = DWordOr0(buf, c.pos());
    out.presentationTime = DWordOr0(buf, c.pos() + 4);
  }
  // A compressed payload carries its presentation time in the offset field.
  if (out.replicatedDataLength == 1) out.presentationTime = out.offsetIntoMediaObject;
  c.skip(out.replicatedDataLength);
}

// Notes why the packet failed and gives the parse's result code.
int reject(ParsedPacket& p, std::string_view field, std::uint64_t value, std::uint64_t at, int code) {
  p.rejection = {field, value, at};
  return code;
}

std::uint32_t propertyBytes(const ParsedPacket& p) {
  return static_cast<std::uint32_t>(1 + LengthTypeSize(p.mediaObjectNumberLengthType) +
                                    LengthTypeSize(p.offsetIntoMediaObjectLengthType) +
                                    LengthTypeSize(p.replicatedDataLengthType));
}

}  // namespace

std::uint32_t ReadLengthField(LengthType letter, ByteView buf, std::uint64_t offset) {
  switch (letter) {
    case LengthType::byte: return ByteOr0(buf, offset);
    case LengthType::word: return WordOr0(buf, offset);
    case LengthType::dword: return DWordOr0(buf, offset);
    default: return 0;
  }
}

void WriteLengthField(std::uint32_t value, LengthType letter, std::uint64_t offset, std::span<std::uint8_t> buf) {
  switch (letter) {
    case LengthType::byte:
      if (offset < buf.size()) buf[offset] = static_cast<std::uint8_t>(value);
      break;
    case LengthType::word: PutWord(static_cast<std::uint16_t>(value), buf, offset); break;
    case LengthType::dword: PutDWord(value, buf, offset); break;
    default: break;
  }
}

void ReadErrorCorrection(ByteView buf, ParsedPacket& p) {
  ErrorCorrection& e = p.errorCorrection;
  const std::uint8_t b = ByteOr0(buf, 0);
  p.rejection = {};
  e = ErrorCorrection{};
  if (!(b & 0x80)) return;
  e.present = 1;
  e.flags = b;
  if (((b >> 5) & 3) == 0) {
    e.dataLength = b & 0x0F;
    const ByteView d = SubView(buf, 1, e.dataLength);
    std::copy(d.begin(), d.end(), e.data.begin());
  }
  e.size = e.dataLength + 1u;
}

int ReadParsingInfo(ByteView buf, ParsedPacket& p) {
  p.packetLength = static_cast<std::int64_t>(buf.size());
  Cursor c(buf, p.errorCorrection.size);
  p.lengthTypeFlags = c.u8();
  p.propertyFlags = c.u8();
  p.ppiPresent = 1;
  const std::uint8_t l = p.lengthTypeFlags, f = p.propertyFlags;
  p.multiplePayloads = l & 1;
  p.kind = p.multiplePayloads ? PacketKind::multiple : PacketKind::single;
  p.sequenceType = LengthTypeOf((l >> 1) & 3);
  p.paddingLengthType = LengthTypeOf((l >> 3) & 3);
  p.packetLengthType = LengthTypeOf((l >> 5) & 3);
  p.replicatedDataLengthType = LengthTypeOf(f & 3);
  p.offsetIntoMediaObjectLengthType = LengthTypeOf((f >> 2) & 3);
  p.mediaObjectNumberLengthType = LengthTypeOf((f >> 4) & 3);
  p.streamNumberLengthType = LengthTypeOf((f >> 6) & 3);
  p.packetLengthField = c.field(p.packetLengthType);
  p.sequence = c.field(p.sequenceType);
  p.paddingLength = c.field(p.paddingLengthType);
  p.sendTime = c.u32();
  p.duration = c.u16();
  p.parsingInfoSize = static_cast<std::uint32_t>(2 + LengthTypeSize(p.packetLengthType) + LengthTypeSize(p.sequenceType) +
                                         LengthTypeSize(p.paddingLengthType) + 6);
  p.payloadStart = p.errorCorrection.size + p.parsingInfoSize;
  if (c.ok()) return 0;
  return reject(p, "payload parsing information length", p.parsingInfoSize, p.errorCorrection.size, -1);
}

int ParseDataPacket(ByteView buf, ParsedPacket& p) {
  const std::uint64_t s = p.payloadStart;
  if (s >= buf.size()) return reject(p, "payload start", s, s, -2);
  Cursor c(buf, s);
  if (!p.isMultiple()) {
    Payload one;
    readPayloadHeader(c, buf, p, one);
    if (!c.ok()) return reject(p, "payload header length", c.pos() - s, s, -1);
    p.single.keyFrame = one.keyFrame;
    p.single.streamNumber = one.streamNumber;
    p.single.mediaObjectNumber = one.mediaObjectNumber;
    p.single.offsetIntoMediaObject = one.offsetIntoMediaObject;
    p.single.replicatedDataLength = one.replicatedDataLength;
    p.single.mediaObjectSize = one.mediaObjectSize;
    p.single.presentationTime = one.presentationTime;
    p.single.headerLength = propertyBytes(p) + one.replicatedDataLength;
    const std::int64_t total = static_cast<std::int64_t>(UsedLength(p, buf.size())) - p.errorCorrection.size - p.parsingInfoSize - p.paddingLength;
    if (total < 0) return reject(p, "padding length", p.paddingLength, p.errorCorrection.size + 2, -1);
    if (p.single.headerLength > total) return reject(p, "replicated data length", one.replicatedDataLength, s, -1);
    p.single.totalLength = static_cast<std::uint32_t>(total);
    p.firstKeyFrame = one.keyFrame;
    p.firstStream = one.streamNumber;
    p.compressed = one.replicatedDataLength == 1;
    p.multiple.payloads.clear();
    return 0;
  }
  MultiplePayloads& m = p.multiple;
  m.payloadFlags = c.u8();
  m.numberOfPayloads = m.payloadFlags & 0x3F;
  m.payloadLengthType = LengthTypeOf(m.payloadFlags >> 6);
  if (m.numberOfPayloads == 0) return reject(p, "number of payloads", 0, s, -1);
  m.payloads.resize(m.numberOfPayloads);
  std::uint64_t at = s + 1;
  for (Payload& pl : m.payloads) {
    Cursor pc(buf, at);
    readPayloadHeader(pc, buf, p, pl);
    pl.payloadDataLength = pc.field(m.payloadLengthType);
    if (!pc.ok()) return reject(p, "payload header length", pc.pos() - at, at, -1);
    pl.headerLength = propertyBytes(p) + pl.replicatedDataLength + static_cast<std::uint32_t>(LengthTypeSize(m.payloadLengthType));
    const std::uint64_t total = std::uint64_t{pl.headerLength} + pl.payloadDataLength;
    // Each payload must fit in what the payloads before it left of the packet.
    if (at > buf.size() || total > buf.size() - at) return reject(p, "payload length", pl.payloadDataLength, at, -1);
    pl.totalLength = static_cast<std::uint32_t>(total);
    at += total;
  }
  p.firstKeyFrame = m.payloads[0].keyFrame;
  p.firstStream = m.payloads[0].streamNumber;
  p.compressed = m.payloads[0].replicatedDataLength == 1;
  return 0;
}

namespace {

// The media objects of every compressed payload of a parsed packet.
void countCompressed(ByteView buf, ParsedPacket& p) {
  auto chain = [&](std::size_t k) {
    const auto [at, len] = p.payloadData(k);
    return CompressedObjects(SubView(buf, at, len));
  };
  if (!p.isMultiple()) {
    if (p.single.replicatedDataLength != 1) return;
    const CompressedChain c = chain(0);
    p.single.compressedObjects = static_cast<std::uint32_t>(c.count);
    p.single.compressedWhole = c.whole;
    return;
  }
  for (std::size_t k = 0; k < p.multiple.payloads.size(); ++k) {
    Payload& pl = p.multiple.payloads[k];
    if (pl.replicatedDataLength != 1) continue;
    const CompressedChain c = chain(k);
    pl.compressedObjects = static_cast<std::uint32_t>(c.count);
    pl.compressedWhole = c.whole;
  }
}

}  // namespace

int ParsePacket(ByteView buf, ParsedPacket& p) {
  ReadErrorCorrection(buf, p);
  if (ReadParsingInfo(buf, p) != 0) return -1;
  const int rc = ParseDataPacket(buf, p);
  if (rc == 0 && (p.compressed || p.isMultiple())) countCompressed(buf, p);
  return rc;
}

std::string PacketRejection::text() const {
  return std::string(field) + " " + std::to_string(value) + " at byte " + std::to_string(at);
}

Payload ParsedPacket::payload(std::size_t i) const {
  if (isMultiple()) return i < multiple.payloads.size() ? multiple.payloads[i] : Payload{};
  Payload one = single;
  one.payloadDataLength = single.totalLength - single.headerLength;
  return one;
}

std::pair<std::uint32_t, std::uint32_t> ParsedPacket::payloadData(std::size_t i) const {
  if (!isMultiple()) return {payloadStart + single.headerLength, single.totalLength - single.headerLength};
  std::uint64_t at = payloadStart + 1u;
  for (std::size_t k = 0; k < i && k < multiple.payloads.size(); ++k) at += multiple.payloads[k].totalLength;
  if (i >= multiple.payloads.size()) return {static_cast<std::uint32_t>(at), 0};
  return {static_cast<std::uint32_t>(at + multiple.payloads[i].headerLength), multiple.payloads[i].payloadDataLength};
}

std::uint32_t MinPresentationTime(const ParsedPacket& p) {
  if (!p.isMultiple()) return p.single.presentationTime;
  std::uint32_t m = UINT32_MAX;
  for (const Payload& pl : p.multiple.payloads) m = std::min(m, pl.presentationTime);
  return p.multiple.payloads.empty() ? 0 : m;
}

std::uint64_t PayloadBytesUsed(const ParsedPacket& p) {
  std::uint64_t sum = 0;
  for (const Payload& pl : p.multiple.payloads) sum += pl.totalLength;
  return std::uint64_t{p.errorCorrection.size} + p.parsingInfoSize + 1 + sum + p.paddingLength;
}

std::uint64_t UsedLength(const ParsedPacket& p, std::uint64_t size) {
  const bool stated = p.packetLengthType != LengthType::none && p.packetLengthField >= p.payloadStart;
  return stated && p.packetLengthField < size ? p.packetLengthField : size;
}

bool LooksLikePacketStart(ByteView v, PacketForm form) {
  if (v.size() < 3) return false;
  if (form == PacketForm::errorCorrection) return v[0] == 0x82 && v[1] == 0 && v[2] == 0;
  return (v[0] & 0x80) == 0 && (v[1] & 0xC0) == 0x40;
}

bool payloadsFillPacket(const ParsedPacket& p, std::uint32_t packetSize) {
  if (p.isMultiple()) return PayloadBytesUsed(p) == UsedLength(p, packetSize);
  return true;  // the parse already checked that the single payload's header fits
}

bool ParsesAndFills(ByteView v, std::uint32_t packetSize, ParsedPacket& p) {
  return v.size() >= packetSize && ParsePacket(v.first(packetSize), p) == 0 && payloadsFillPacket(p, packetSize);
}

bool StartsAndFills(ByteView v, std::uint32_t packetSize, ParsedPacket& p) {
  const bool start = LooksLikePacketStart(v, PacketForm::errorCorrection) || LooksLikePacketStart(v, PacketForm::plain);
  return start && ParsesAndFills(v, packetSize, p);
}

std::uint64_t ParsedPacket::payloadHeader(std::size_t i) const {
  if (!isMultiple()) return payloadStart;
  std::uint64_t at = payloadStart + 1u;
  for (std::size_t k = 0; k < i && k < multiple.payloads.size(); ++k) at += multiple.payloads[k].totalLength;
  return at;
}

void WriteMediaObjectNumber(const ParsedPacket& p, std::size_t i, std::uint32_t number, std::span<std::uint8_t> bytes) {
  WriteLengthField(number, p.mediaObjectNumberLengthType, p.payloadHeader(i) + 1, bytes);
}

void WritePresentationTime(const ParsedPacket& p, std::size_t i, std::uint32_t time, std::span<std::uint8_t> bytes) {
  // Compressed payloads carry no presentation time field.
  if (p.payload(i).replicatedDataLength < 8) return;
  PutDWord(time, bytes, p.payloadHeader(i) + propertyBytes(p) + 4);
}

CompressedChain CompressedObjects(ByteView data) {
  CompressedChain c;
  std::size_t i = 0;
  for (; i < data.size() && data[i] <= data.size() - i - 1; i += 1u + data[i]) ++c.count;
  c.whole = i == data.size();
  return c;
}

std::uint8_t CompressedTimeDelta(const ParsedPacket& p, std::size_t i, ByteView buf) {
  return ByteOr0(buf, p.payloadHeader(i) + propertyBytes(p));
}

bool MinStreamTime(const ParsedPacket& p, std::uint8_t stream, std::uint32_t& pt) {
  bool found = false;
  for (std::size_t k = 0; k < p.payloadCount(); ++k) {
    const Payload pl = p.payload(k);
    if (pl.streamNumber != stream) continue;
    if (!found || pl.presentationTime < pt) pt = pl.presentationTime;
    found = true;
  }
  return found;
}

namespace {

LeadingPayloads leadingSingle(ByteView buf, std::uint32_t packetSize, ParsedPacket& p) {
  LeadingPayloads r{.parsed = true};
  // The single payload's length follows from the packet size: the bytes
  // that are missing are read as zeros, and the data must end before them.
  Bytes whole(packetSize, 0);
  std::copy(buf.begin(), buf.end(), whole.begin());
  if (ParseDataPacket(whole, p) != 0) {
    r.stop = PayloadStop::header;
    return r;
  }
  const std::uint64_t end = std::uint64_t{p.payloadStart} + p.single.totalLength;
  if (end > buf.size()) {
    r.stop = PayloadStop::data;
    return r;
  }
  r.count = 1;
  r.end = end;
  return r;
}

}  // namespace

namespace {

// One payload of a multiple payload packet, its header at `at`: `none` when
// it parses and ends by `limit`, `header` when it does not parse or ends
// past `bound`, else `data`.
PayloadStop readMultiPayload(ByteView buf, const ParsedPacket& p, std::uint64_t at, std::uint64_t limit,
                             std::uint64_t bound, Payload& pl) {
  Cursor c(buf, at);
  readPayloadHeader(c, buf, p, pl);
  pl.payloadDataLength = c.field(p.multiple.payloadLengthType);
  pl.headerLength = propertyBytes(p) + pl.replicatedDataLength + static_cast<std::uint32_t>(LengthTypeSize(p.multiple.payloadLengthType));
  const std::uint64_t total = std::uint64_t{pl.headerLength} + pl.payloadDataLength;
  if (!c.ok() || at + total > bound) return PayloadStop::header;
  if (at + total > limit) return PayloadStop::data;
  pl.totalLength = static_cast<std::uint32_t>(total);
  return PayloadStop::none;
}

// `count` payloads from `at` on, each in a declared stream, compressed or
// with the replicated data that places it within its media object, ending
// exactly at `end`.
bool readChain(ByteView buf, const ParsedPacket& p, std::uint64_t at, std::size_t count, std::uint64_t end,
               const std::bitset<128>& streams, std::vector<Payload>& out) {
  out.clear();
  for (std::size_t i = 0; i < count; ++i) {
    Payload pl;
    if (readMultiPayload(buf, p, at, end, end, pl) != PayloadStop::none || !streams.test(pl.streamNumber & 127)) return false;
    if (!PlacedInMediaObject(pl) && pl.replicatedDataLength != 1) return false;
    out.push_back(pl);
    at += pl.totalLength;
  }
  return at == end;
}

}  // namespace

LeadingPayloads ParseLeadingPayloads(ByteView buf, std::uint32_t packetSize, ParsedPacket& p) {
  p = ParsedPacket{};
  buf = buf.first(std::min<std::size_t>(buf.size(), packetSize));
  ReadErrorCorrection(buf, p);
  if (ReadParsingInfo(buf, p) != 0 || p.payloadStart >= buf.size()) return {};
  p.packetLength = packetSize;
  if (!p.isMultiple()) return leadingSingle(buf, packetSize, p);
  LeadingPayloads r{.parsed = true};
  MultiplePayloads& m = p.multiple;
  m.payloadFlags = buf[p.payloadStart];
  m.numberOfPayloads = m.payloadFlags & 0x3F;
  m.payloadLengthType = LengthTypeOf(m.payloadFlags >> 6);
  std::uint64_t at = p.payloadStart + 1u;
  r.end = at;
  for (std::size_t i = 0; i < m.numberOfPayloads; ++i) {
    Payload pl;
    r.stop = readMultiPayload(buf, p, at, buf.size(), packetSize, pl);
    if (r.stop != PayloadStop::none) break;
    m.payloads.push_back(pl);
    at += pl.totalLength;
    r.end = at;
  }
  r.count = m.payloads.size();
  if (r.count) {
    p.firstKeyFrame = m.payloads[0].keyFrame;
    p.firstStream = m.payloads[0].streamNumber;
    p.compressed = m.payloads[0].replicatedDataLength == 1;
  }
  return r;
}

bool FindPayloadTail(ByteView buf, const std::bitset<128>& streams, ParsedPacket& p) {
  // The search reads a chain of headers from every byte: larger packets
  // are not searched.
  constexpr std::size_t kLargestSearch = 1 << 17;
  if (buf.size() > kLargestSearch || !p.isMultiple() || p.multiple.payloads.empty() || p.multiple.payloads.size() >= p.multiple.numberOfPayloads) return false;
  const std::size_t damaged = p.multiple.payloads.size() - 1;
  const std::size_t count = p.multiple.numberOfPayloads - p.multiple.payloads.size();
  if (buf.size() < p.paddingLength) return false;
  const std::uint64_t end = buf.size() - p.paddingLength;
  const ByteView padding = buf.subspan(static_cast<std::size_t>(end));
  if (!std::all_of(padding.begin(), padding.end(), [](std::uint8_t b) { return b == 0; })) return false;
  const std::uint64_t head = p.payloadHeader(damaged);
  const std::uint64_t data = head + p.multiple.payloads[damaged].headerLength;
  std::optional<std::uint64_t> found;
  std::vector<Payload> chain, tail;
  for (std::uint64_t x = data + 1; x < end; ++x) {
    if (!readChain(buf, p, x, count, end, streams, chain)) continue;
    if (found) return false;  // two places: neither is known to be the one
    found = x;
    tail = chain;
  }
  if (!found) return false;
  // The damaged payload spans up to the first of them, so that their places
  // follow from the lengths.
  Payload& d = p.multiple.payloads[damaged];
  d.totalLength = static_cast<std::uint32_t>(*found - head);
  d.payloadDataLength = d.totalLength - d.headerLength;
  p.multiple.payloads.insert(p.multiple.payloads.end(), tail.begin(), tail.end());
  return true;
}

Bytes RebuildPacket(ByteView src, const ParsedPacket& p, std::uint64_t keep, std::uint32_t packetSize) {
  if (!p.isMultiple()) return {};
  std::uint64_t sum = 0;
  std::uint8_t count = 0;
  for (std::size_t k = 0; k < p.multiple.payloads.size() && k < 64; ++k)
    if (keep >> k & 1) {
      sum += p.multiple.payloads[k].totalLength;
      ++count;
    }
  if (count == 0) return {};
  // The padding field is widened when the packet had none or a byte's worth.
  LengthType padType = p.paddingLengthType;
  if (padType == LengthType::none || padType == LengthType::byte) padType = packetSize > 0xFFFF ? LengthType::dword : LengthType::word;
  const std::uint64_t head = std::uint64_t{p.errorCorrection.size} + 2 + LengthTypeSize(p.packetLengthType) + LengthTypeSize(p.sequenceType) +
                             LengthTypeSize(padType) + 6 + 1;
  if (head + sum > packetSize || head > src.size()) return {};
  if (p.packetLengthType == LengthType::byte && packetSize > 0xFF) return {};
  if (p.packetLengthType == LengthType::word && packetSize > 0xFFFF) return {};
  Bytes out(packetSize, 0);
  std::copy_n(src.begin(), p.errorCorrection.size, out.begin());
  std::uint64_t at = p.errorCorrection.size;
  out[at++] = static_cast<std::uint8_t>((p.lengthTypeFlags & ~0x18u) | (static_cast<unsigned>(padType) << 3));
  out[at++] = p.propertyFlags;
  auto field = [&](std::uint32_t v, LengthType t) {
    WriteLengthField(v, t, at, out);
    at += static_cast<std::uint64_t>(LengthTypeSize(t));
  };
  field(packetSize, p.packetLengthType);
  field(p.sequence, p.sequenceType);
  field(static_cast<std::uint32_t>(packetSize - head - sum), padType);
  field(p.sendTime, LengthType::dword);
  field(p.duration, LengthType::word);
  out[at++] = static_cast<std::uint8_t>((p.multiple.payloadFlags & 0xC0) | count);
  for (std::size_t k = 0; k < p.multiple.payloads.size() && k < 64; ++k) {
    if (!(keep >> k & 1)) continue;
    const ByteView bytes = SubView(src, p.payloadHeader(k), p.multiple.payloads[k].totalLength);
    if (bytes.size() != p.multiple.payloads[k].totalLength) return {};
    std::copy(bytes.begin(), bytes.end(), out.begin() + static_cast<std::ptrdiff_t>(at));
    at += bytes.size();
  }
  return out;
}

}  // namespace corvel
