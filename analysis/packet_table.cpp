#include "analysis/packet_table.hpp"

#include <algorithm>

namespace corvel {

namespace {

PayloadEntry entryOf(const Payload& pl) {
  PayloadEntry e{};
  e.mediaObjectNumber = pl.mediaObjectNumber;
  e.offsetIntoMediaObject = pl.offsetIntoMediaObject;
  e.mediaObjectSize = pl.mediaObjectSize;
  e.presentationTime = pl.presentationTime;
  e.dataLength = pl.payloadDataLength;
  e.stream = static_cast<std::uint8_t>((pl.streamNumber & 0x7F) | (pl.keyFrame ? 0x80 : 0));
  e.replicatedData = static_cast<std::uint8_t>(std::min<std::uint32_t>(pl.replicatedDataLength, 255));
  e.flags = pl.compressedWhole ? 0 : PayloadEntry::kBrokenChain;
  // A compressed payload has no object size: the slot keeps its object count.
  if (pl.replicatedDataLength == 1) e.mediaObjectSize = pl.compressedObjects;
  return e;
}

}  // namespace

Payload PacketRef::payload(std::size_t k) const {
  Payload pl;
  if (!table_ || k >= count_) return pl;
  const PayloadEntry& e = table_->payloadEntry(first_ + k);
  pl.streamNumber = e.stream & 0x7F;
  pl.keyFrame = e.stream >> 7;
  pl.mediaObjectNumber = e.mediaObjectNumber;
  pl.offsetIntoMediaObject = e.offsetIntoMediaObject;
  pl.mediaObjectSize = e.mediaObjectSize;
  pl.presentationTime = e.presentationTime;
  pl.payloadDataLength = e.dataLength;
  pl.replicatedDataLength = e.replicatedData;
  pl.compressedWhole = !(e.flags & PayloadEntry::kBrokenChain);
  if (pl.replicatedDataLength == 1) {
    pl.compressedObjects = e.mediaObjectSize;
    pl.mediaObjectSize = 0;
  }
  return pl;
}

void PacketTable::addPayload(const PayloadEntry& e) {
  if ((payloads_ >> kChunkBits) >= chunks_.size()) chunks_.push_back(std::make_unique_for_overwrite<PayloadEntry[]>(kChunk));
  chunks_[payloads_ >> kChunkBits][payloads_ & (kChunk - 1)] = e;
  ++payloads_;
}

void PacketTable::push_back(const ParsedPacket& p) {
  PacketEntry r;
  r.fileOffset = p.fileOffset;
  r.sendTime = p.sendTime;
  r.duration = p.duration;
  r.firstKeyFrame = p.firstKeyFrame;
  r.firstPayload = payloads_;
  const std::size_t n = std::min<std::size_t>(p.payloadCount(), 255);
  r.payloadCount = static_cast<std::uint8_t>(n);
  for (std::size_t k = 0; k < n; ++k) addPayload(entryOf(p.payload(k)));
  packets_.push_back(r);
}

void PacketTable::append(const PacketTable& other, std::size_t i) {
  PacketEntry r = other.packets_[i];
  r.firstPayload = payloads_;
  for (std::size_t k = 0; k < r.payloadCount; ++k) addPayload(other.payloadEntry(other.packets_[i].firstPayload + k));
  packets_.push_back(r);
}

void PacketTable::clear() {
  packets_ = {};
  chunks_.clear();
  payloads_ = 0;
}

PacketRef PacketTable::operator[](std::size_t i) const {
  const PacketEntry& r = packets_[i];
  PacketRef p;
  p.fileOffset = r.fileOffset;
  p.packetLength = packetSize_;
  p.sendTime = r.sendTime;
  p.duration = r.duration;
  p.firstKeyFrame = r.firstKeyFrame;
  p.table_ = this;
  p.first_ = r.firstPayload;
  p.count_ = r.payloadCount;
  return p;
}

std::size_t PacketTable::bytes() const {
  return packets_.capacity() * sizeof(PacketEntry) + chunks_.size() * kChunk * sizeof(PayloadEntry);
}

}  // namespace corvel
