// One data packet of the Data Object, decoded: error correction part,
// payload parsing information and the payloads. The parser decodes only; the
// scan judges whether a packet is sound.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "asf/bytes.hpp"

namespace corvel {

struct TErrorCorrectionData {
  std::uint8_t present = 0;
  std::uint32_t size = 0;  // bytes of the error correction part, flags byte included
  std::uint8_t flags = 0;
  std::uint8_t dataLength = 0;
  std::array<std::uint8_t, 15> data{};
  ByteView bytes() const { return ByteView(data).first(dataLength); }
};

struct TPayload {
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
};

struct TMultiplePayload {
  std::uint8_t payloadFlags = 0;
  std::uint8_t numberOfPayloads = 0;
  char payloadLengthType = 'x';
  std::vector<TPayload> payloads;
};

struct TAsfDataPacket {
  std::int64_t fileOffset = 0;
  std::int64_t packetLength = 0;  // bytes of the packet buffer
  TErrorCorrectionData ecd;
  std::uint8_t ppiPresent = 0;
  std::uint32_t ppiSize = 0;
  std::uint8_t lengthTypeFlags = 0;
  std::uint8_t propertyFlags = 0;
  std::uint8_t multiplePayloads = 0;
  char packetLengthType = 'x';
  char sequenceType = 'x';
  char paddingLengthType = 'x';
  char replicatedDataLengthType = 'x';
  char offsetIntoMediaObjectLengthType = 'x';
  char mediaObjectNumberLengthType = 'x';
  char streamNumberLengthType = 'x';
  std::uint32_t packetLengthField = 0;
  std::uint32_t sequence = 0;
  std::uint32_t paddingLength = 0;
  std::uint32_t sendTime = 0;
  std::uint16_t duration = 0;
  std::uint32_t payloadStart = 0;
  std::uint8_t firstKeyFrame = 0;
  std::uint8_t firstStream = 0;
  char kind = 's';         // 's' single payload, 'm' multiple payloads
  char compression = 'u';  // 'c' when the first payload is compressed
  // Single payload only.
  std::uint32_t singleTotalLength = 0;
  std::uint32_t singleHeaderLength = 0;
  std::uint8_t singleKeyFrame = 0;
  std::uint8_t singleStream = 0;
  std::uint32_t singleMediaObjectNumber = 0;
  std::uint32_t singleOffsetIntoMediaObject = 0;
  std::uint32_t singleReplicatedDataLength = 0;
  std::uint32_t singleMediaObjectSize = 0;
  std::uint32_t singlePresentationTime = 0;
  // Multiple payloads only.
  TMultiplePayload mp;

  bool isMultiple() const { return kind == 'm'; }
  // Number of payloads (1 for a single-payload packet).
  std::size_t payloadCount() const { return isMultiple() ? mp.payloads.size() : 1; }
  // Payload i as a record; a single payload is returned as payload 0.
  TPayload payload(std::size_t i) const;
  // Where payload i's data lies in the packet: offset and length.
  std::pair<std::uint32_t, std::uint32_t> payloadData(std::size_t i) const;
};

// Decoding steps. fillPPI and ParseDataPacket must run after fillECD on the
// same record. Results: 0 parsed; -1 a field lies outside the buffer or the
// packet cannot hold what it declares; -2 the payload start is not inside it.
void fillECD(ByteView buf, TAsfDataPacket& p);
int fillPPI(ByteView buf, TAsfDataPacket& p);
int ParseDataPacket(ByteView buf, TAsfDataPacket& p);
// All three in order.
int ParsePacket(ByteView buf, TAsfDataPacket& p);

// A field of the given length-type letter; 0 for "x" or outside the buffer.
std::uint32_t getValue(char letter, ByteView buf, std::uint64_t offset);
void setValue(std::uint32_t value, char letter, std::uint64_t offset, std::span<std::uint8_t> buf);

// The smallest presentation time among a packet's payloads.
std::uint32_t minPTime(const TAsfDataPacket& p);
// The payloads fill the packet exactly: for multiple payloads the sum of
// their sizes with the headers and padding equals the packet size, for a
// single payload its header fits in what the packet holds.
std::uint64_t multiplePayloadFact(const TAsfDataPacket& p);
bool payloadsFillPacket(const TAsfDataPacket& p, std::uint32_t packetSize);

}  // namespace corvel
