// A new Simple Index computed from parsed packets: one entry per second of
// presentation time, each pointing at the packet where the latest video key
// frame up to that second begins.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "io/job.hpp"
#include "analysis/packet.hpp"
#include "analysis/packet_table.hpp"
#include "asf/records.hpp"

namespace corvel {

namespace phase {
inline constexpr Phase buildingIndex{MessageId::CreatingIndex};
inline constexpr Phase writingIndex{MessageId::SavingIndex};
}  // namespace phase

struct FrameRecord {
  std::uint32_t sequence = 0;
  std::uint32_t packetCount = 0;
  std::uint32_t startPacket = 0;
  std::uint8_t keyFrame = 0;
  std::int64_t presentationTime = 0;  // milliseconds
};

// The video stream's frames, taken payload by payload in the packets' order.
class FrameCollector {
 public:
  explicit FrameCollector(std::uint8_t videoStream) : video_(videoStream) {}
  void take(const Payload& pl, std::uint32_t packetNumber);
  // The frames taken but the last one, which the packets may end inside.
  std::vector<FrameRecord> finish();

 private:
  std::uint8_t video_;
  std::vector<FrameRecord> frames_;
  FrameRecord cur_;
  std::uint32_t curNumber_ = 0;  // media object number of the open frame
  bool open_ = false;
};

// Fills the index fields of `index` (not its ObjectID, FileID or presence);
// leaves it unchanged, and returns false, when the video stream has no
// complete media object.
bool CreateSimpleIndex(const PacketTable& packets, SimpleIndex& index, std::uint8_t videoStream);
bool CreateSimpleIndex(std::span<const ParsedPacket> packets, SimpleIndex& index, std::uint8_t videoStream);
// The same from the frames a collector took.
bool CreateSimpleIndex(std::vector<FrameRecord> frames, SimpleIndex& index);

}  // namespace corvel
