// The packets a scan found, as the jobs after it read them: a fixed-size
// record per packet, and the payloads' streams, media object numbers,
// offsets, sizes and presentation times in one array beside them. The
// parsing details (length types, field places) are not kept: a job that
// rewrites a packet reads and parses its bytes again.
#pragma once

#include <cstdint>
#include <iterator>
#include <memory>
#include <vector>

#include "analysis/packet.hpp"

namespace corvel {

struct PacketEntry {
  std::int64_t fileOffset = 0;
  std::uint64_t firstPayload = 0;  // its first payload in the table's payload array
  std::uint32_t sendTime = 0;
  std::uint16_t duration = 0;
  std::uint8_t payloadCount = 0;
  std::uint8_t firstKeyFrame = 0;
};

// No initializers: chunks of them are allocated without being touched.
struct PayloadEntry {
  std::uint32_t mediaObjectNumber;
  std::uint32_t offsetIntoMediaObject;
  std::uint32_t mediaObjectSize;  // of a compressed payload: the objects it holds
  std::uint32_t presentationTime;
  std::uint32_t dataLength;
  std::uint8_t stream;          // the stream number; 0x80: a key frame
  std::uint8_t replicatedData;  // its replicated data length, 255 for longer
  std::uint8_t flags;           // kBrokenChain: a compressed payload whose sizes do not add up
  static constexpr std::uint8_t kBrokenChain = 1;
};

static_assert(sizeof(PacketEntry) == 24 && sizeof(PayloadEntry) == 24);

class PacketTable;

// A packet of the table, read through its fields as a parsed packet's.
struct PacketRef {
  std::int64_t fileOffset = 0;
  std::int64_t packetLength = 0;  // the file's packet size
  std::uint32_t sendTime = 0;
  std::uint16_t duration = 0;
  std::uint8_t firstKeyFrame = 0;
  std::size_t payloadCount() const { return count_; }
  Payload payload(std::size_t k) const;

 private:
  friend class PacketTable;
  const PacketTable* table_ = nullptr;
  std::size_t first_ = 0, count_ = 0;
};

class PacketTable {
 public:
  // Room for `packets` records up front, so that the table never moves.
  void reserve(std::size_t packets) { packets_.reserve(packets); }
  void setPacketSize(std::uint32_t size) { packetSize_ = size; }
  std::uint32_t packetSize() const { return packetSize_; }
  // Appends a parsed packet (its payloads' records with it).
  void push_back(const ParsedPacket& p);
  // Appends packet i of another table.
  void append(const PacketTable& other, std::size_t i);
  void clear();

  std::size_t size() const { return packets_.size(); }
  bool empty() const { return packets_.empty(); }
  PacketRef operator[](std::size_t i) const;
  PacketRef back() const { return (*this)[size() - 1]; }
  const PayloadEntry& payloadEntry(std::size_t k) const { return chunks_[k >> kChunkBits][k & (kChunk - 1)]; }

  // Bytes the table takes (records and payload chunks held).
  std::size_t bytes() const;

  class Iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = PacketRef;
    using difference_type = std::ptrdiff_t;
    Iterator(const PacketTable* t, std::size_t i) : t_(t), i_(i) {}
    PacketRef operator*() const { return (*t_)[i_]; }
    Iterator& operator++() {
      ++i_;
      return *this;
    }
    bool operator==(const Iterator& o) const { return i_ == o.i_; }

   private:
    const PacketTable* t_;
    std::size_t i_;
  };
  Iterator begin() const { return {this, 0}; }
  Iterator end() const { return {this, size()}; }

 private:
  // Payloads are kept in chunks: the array grows without moving.
  static constexpr std::size_t kChunkBits = 16, kChunk = std::size_t{1} << kChunkBits;
  void addPayload(const PayloadEntry& e);
  std::vector<PacketEntry> packets_;
  std::vector<std::unique_ptr<PayloadEntry[]>> chunks_;
  std::size_t payloads_ = 0;
  std::uint32_t packetSize_ = 0;
};

}  // namespace corvel
