// One data packet of the Data Object, decoded: error correction part,
// payload parsing information and the payloads. The parser decodes only; the
// scan judges whether a packet is sound.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "asf/bytes.hpp"

namespace corvel {

struct ErrorCorrection {
  std::uint8_t present = 0;
  std::uint32_t size = 0;  // bytes of the error correction part, flags byte included
  std::uint8_t flags = 0;
  std::uint8_t dataLength = 0;
  std::array<std::uint8_t, 15> data{};
  ByteView bytes() const { return ByteView(data).first(dataLength); }
};

struct Payload {
  std::uint32_t totalLength = 0;  // header + data
  std::uint32_t headerLength = 0;
  std::uint8_t keyFrame = 0;
  std::uint8_t streamNumber = 0;
  std::uint32_t mediaObjectNumber = 0;
  std::uint32_t offsetIntoMediaObject = 0;
  std::uint32_t replicatedDataLength = 0;
  std::uint32_t mediaObjectSize = 0;
  std::uint32_t presentationTime = 0;
  std::uint32_t payloadDataLength = 0;
  // A compressed payload (replicated data length 1): the media objects its
  // data holds, and whether their sizes add up to it exactly.
  std::uint32_t compressedObjects = 0;
  bool compressedWhole = true;
};

struct MultiplePayloads {
  std::uint8_t payloadFlags = 0;
  std::uint8_t numberOfPayloads = 0;
  LengthType payloadLengthType = LengthType::none;
  std::vector<Payload> payloads;
};

enum class PacketKind : std::uint8_t { single, multiple };

// Why a packet was not taken: the field that failed, its value, and where
// it lies in the packet.
struct PacketRejection {
  std::string_view field;  // empty when the packet parsed
  std::uint64_t value = 0;
  std::uint64_t at = 0;  // byte offset in the packet
  bool rejected() const { return !field.empty(); }
  // "payload length 9000 at byte 120"
  std::string text() const;
};

struct ParsedPacket {
  std::int64_t fileOffset = 0;
  std::int64_t packetLength = 0;  // bytes of the packet buffer
  ErrorCorrection errorCorrection;
  std::uint8_t ppiPresent = 0;
  std::uint32_t parsingInfoSize = 0;
  std::uint8_t lengthTypeFlags = 0;
  std::uint8_t propertyFlags = 0;
  std::uint8_t multiplePayloads = 0;
  LengthType packetLengthType = LengthType::none;
  LengthType sequenceType = LengthType::none;
  LengthType paddingLengthType = LengthType::none;
  LengthType replicatedDataLengthType = LengthType::none;
  LengthType offsetIntoMediaObjectLengthType = LengthType::none;
  LengthType mediaObjectNumberLengthType = LengthType::none;
  LengthType streamNumberLengthType = LengthType::none;
  std::uint32_t packetLengthField = 0;
  std::uint32_t sequence = 0;
  std::uint32_t paddingLength = 0;
  std::uint32_t sendTime = 0;
  std::uint16_t duration = 0;
  std::uint32_t payloadStart = 0;
  std::uint8_t firstKeyFrame = 0;
  std::uint8_t firstStream = 0;
  PacketKind kind = PacketKind::single;
  bool compressed = false;  // the first payload is compressed
  // Single payload only (its data length is what the total leaves after
  // the header: payload(0) fills it in).
  Payload single;
  // Multiple payloads only.
  MultiplePayloads multiple;
  PacketRejection rejection;  // set when the parse fails

  bool isMultiple() const { return kind == PacketKind::multiple; }
  // Number of payloads (1 for a single-payload packet).
  std::size_t payloadCount() const { return isMultiple() ? multiple.payloads.size() : 1; }
  // Payload i as a record; a single payload is returned as payload 0.
  Payload payload(std::size_t i) const;
  // Where payload i's data lies in the packet: offset and length.
  std::pair<std::uint32_t, std::uint32_t> payloadData(std::size_t i) const;
  // Where payload i's header (its stream number byte) lies in the packet.
  std::uint64_t payloadHeader(std::size_t i) const;
};

// The two forms a file's packets take: error correction data first (82 00 00,
// as most writers do), or the payload parsing information right away.
enum class PacketForm : std::uint8_t { errorCorrection, plain };

// Whether the bytes start the way a packet of the form does: 82 00 00, or a
// length type byte without the error correction bit and property flags
// whose stream number field is a byte, as the format requires.
bool LooksLikePacketStart(ByteView v, PacketForm form);

// Decoding steps. ReadParsingInfo and ParseDataPacket must run after
// ReadErrorCorrection on the same record. Results: 0 parsed; -1 a field lies
// outside the buffer or the packet cannot hold what it declares; -2 the
// payload start is not inside it. A failure says which field in `rejection`.
void ReadErrorCorrection(ByteView buf, ParsedPacket& p);
int ReadParsingInfo(ByteView buf, ParsedPacket& p);
int ParseDataPacket(ByteView buf, ParsedPacket& p);
// All three in order.
int ParsePacket(ByteView buf, ParsedPacket& p);

// A field of the given length type; 0 for none or outside the buffer.
std::uint32_t ReadLengthField(LengthType letter, ByteView buf, std::uint64_t offset);
void WriteLengthField(std::uint32_t value, LengthType letter, std::uint64_t offset, std::span<std::uint8_t> buf);

// Writes payload i's media object number into the packet's bytes at the
// width of the packet's number field (nothing when it has none).
void WriteMediaObjectNumber(const ParsedPacket& p, std::size_t i, std::uint32_t number, std::span<std::uint8_t> bytes);
// Writes payload i's presentation time, where its replicated data carries one.
void WritePresentationTime(const ParsedPacket& p, std::size_t i, std::uint32_t time, std::span<std::uint8_t> bytes);

// True when the packet holds a payload of `stream`; `pt` gets the smallest
// presentation time among them.
bool MinStreamTime(const ParsedPacket& p, std::uint8_t stream, std::uint32_t& pt);
// The bytes a packet uses of the `size` it is given: the length its packet
// length field states when that is shorter (the rest is padding), else all.
std::uint64_t UsedLength(const ParsedPacket& p, std::uint64_t size);

// The smallest presentation time among a packet's payloads.
std::uint32_t MinPresentationTime(const ParsedPacket& p);
// The payloads fill the packet exactly: for multiple payloads the sum of
// their sizes with the headers and padding equals the packet size, for a
// single payload its header fits in what the packet holds. A packet length
// field shorter than the packet counts: the bytes past it are padding.
std::uint64_t PayloadBytesUsed(const ParsedPacket& p);
bool payloadsFillPacket(const ParsedPacket& p, std::uint32_t packetSize);
// The first `packetSize` bytes of `v` parse as a packet whose payloads fill
// it; false when `v` is shorter.
bool ParsesAndFills(ByteView v, std::uint32_t packetSize, ParsedPacket& p);
// As above, and the bytes start the way a packet of either form does.
bool StartsAndFills(ByteView v, std::uint32_t packetSize, ParsedPacket& p);

// Of a packet whose bytes are damaged or cut short (`buf` may hold fewer
// than `packetSize` bytes): the payloads from the first on that parse and
// lie within `buf`. `p` gets the parsing information and those payloads.
enum class PayloadStop : std::uint8_t {
  none,    // every payload parsed and lies within the bytes
  header,  // a payload header does not parse or states a length the packet cannot hold
  data,    // a payload's data runs past the bytes there are
};
struct LeadingPayloads {
  bool parsed = false;  // the parsing information parsed
  PayloadStop stop = PayloadStop::none;
  std::size_t count = 0;  // payloads parsed, in p's payload list
  std::uint64_t end = 0;  // the byte after the last of them
};
LeadingPayloads ParseLeadingPayloads(ByteView buf, std::uint32_t packetSize, ParsedPacket& p);
// After ParseLeadingPayloads stopped at a payload header: damage in the data
// of the last payload parsed moved what follows it (bytes deleted or
// inserted there). `buf` being the packet's bytes as they are now, its
// padding at their end, the payloads still missing are searched as a chain
// of headers from a place in that data to the padding. When exactly one
// place gives one, they join p's list (the damaged payload then spans up to
// them, so that payload positions follow from the lengths) and the result is
// true. Packets of more than 128 KiB are not searched.
bool FindPayloadTail(ByteView buf, const std::bitset<128>& streams, ParsedPacket& p);

// The media objects of a compressed payload's data: a byte of size, then
// that many bytes, one after another; whole when they end exactly with it.
struct CompressedChain {
  std::size_t count = 0;
  bool whole = false;
};
CompressedChain CompressedObjects(ByteView data);

// The presentation time step of compressed payload i (its one byte of
// replicated data), read from the packet's bytes.
std::uint8_t CompressedTimeDelta(const ParsedPacket& p, std::size_t i, ByteView buf);

// The payload's replicated data places it within a media object of some
// size (offset and length inside it).
inline bool PlacedInMediaObject(const Payload& pl) {
  return pl.replicatedDataLength >= 8 && pl.mediaObjectSize > 0 &&
         std::uint64_t{pl.offsetIntoMediaObject} + pl.payloadDataLength <= pl.mediaObjectSize;
}

// The payload begins a media object (or, compressed, holds whole ones): it
// is at offset 0 of its object, or nothing places it within one.
inline bool StartsMediaObject(const Payload& pl) {
  return pl.replicatedDataLength == 1 || pl.replicatedDataLength < 8 || pl.offsetIntoMediaObject == 0;
}

// A well-formed packet of `packetSize` bytes holding the payloads of `p`
// (a multiple payload packet read from `src`) whose bits are set in `keep`,
// with its own padding; empty when none is kept or they cannot be written.
Bytes RebuildPacket(ByteView src, const ParsedPacket& p, std::uint64_t keep, std::uint32_t packetSize);

}  // namespace corvel
