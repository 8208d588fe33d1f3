// A new Simple Index computed from parsed packets: one entry per second of
// presentation time, each pointing at the packet where the latest video key
// frame up to that second begins.
#pragma once

#include <cstdint>
#include <span>

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

// Fills the index fields of `index` (not its ObjectID, FileID or presence);
// leaves it unchanged, and returns false, when the video stream has no
// complete media object.
bool CreateSimpleIndex(const PacketTable& packets, SimpleIndex& index, std::uint8_t videoStream);
bool CreateSimpleIndex(std::span<const ParsedPacket> packets, SimpleIndex& index, std::uint8_t videoStream);

}  // namespace corvel
