// What the save writes of the scan's packets. A packet is written as it is,
// rebuilt from some of its payloads, or left out: payloads damaged where the
// scan's packets overlap or leave damaged bytes between them are dropped,
// the intact payloads of a damaged packet the scan passed over are rescued
// into a packet of their own, and fragments of media objects that cannot be
// whole (a fragment missing, an offset gap, a size that does not add up)
// are left out, so that the output holds whole frames only.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <vector>

#include "analysis/packet.hpp"
#include "analysis/media_objects.hpp"
#include "analysis/packet_table.hpp"
#include "io/source_file.hpp"
#include "asf/streams.hpp"

namespace corvel {

// Media objects by the kind of stream they belong to.
using ObjectCounts = KindCounts;

struct PlannedPacket {
  static constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();
  std::uint64_t offset = 0;     // where its bytes begin in the logical file
  std::uint32_t size = 0;       // its bytes there: fewer than a packet when cut short
  std::size_t scanned = kNone;  // the scan's packet it is, if any
  std::size_t record = kNone;   // its record in PacketPlan::records when reparsed
  std::size_t rebuilt = kNone;  // the record of what is written, in PacketPlan::rebuilt, when rebuilt
  std::uint64_t keep = 0;       // bit k: payload k is written
  std::uint64_t damaged = 0;    // bit k: payload k was found damaged (its media object is not whole)
};

struct PacketPlan {
  std::vector<PlannedPacket> packets;
  std::vector<ParsedPacket> records;  // of the packets reparsed from damaged bytes
  std::vector<ParsedPacket> rebuilt;  // of the packets as rebuilt
  ObjectCounts leftOut;                 // media objects left out as incomplete
  ObjectCounts damagedLeftOut;          // left out as damaged, or up to a damaged one's next key frame
  ObjectCounts beforeKeyFrame;          // video objects left out before their stream's first key frame
  std::uint64_t rescuedPayloads = 0;    // payloads written from packets the scan passed over
  bool changed = false;                 // anything is written other than the scan's packets as they are

  // The packet is the scan's, whole, and written as it is.
  static bool verbatim(const PlannedPacket& q) { return q.rebuilt == PlannedPacket::kNone; }
};

struct PlanStreams {
  std::bitset<128> known;  // the streams the header declares
  std::array<StreamKind, 128> kinds{};  // per stream number (other for the undeclared)
};

// `packets` are the scan's, in order, all of one size. Nothing but the scan's
// packets as they are when `keepIncomplete` is set. The `damaged` media
// objects (a decoder's findings in the same logical file) are left out, and
// in a video stream every object after one up to the stream's next key
// frame: they refer to it.
// With `fromFirstKeyFrame`, each video stream's objects before its first
// key frame are left out too.
PacketPlan PlanPackets(SourceFile& file, const PacketTable& packets, const PlanStreams& streams,
                       bool keepIncomplete, std::span<const DamagedObject> damaged = {}, bool fromFirstKeyFrame = false);

// The media object of the logical file that `found` (a damaged object of the
// output written from `plan`, its packets counted from the output's first)
// was written from, as the `damaged` of PlanPackets names it. With the
// media objects renumbered, it is the object of the stream starting in the
// same packet at the same presentation time. Empty when the plan holds no
// such packet.
std::optional<DamagedObject> SourceObjectOf(const PacketPlan& plan, const PacketTable& scanned, const DamagedObject& found,
                                            bool renumbered);

// The bytes of a planned packet that is rebuilt; empty when they cannot be
// read or written.
Bytes RebuiltBytes(SourceFile& file, const PacketPlan& plan, const PlannedPacket& q);

}  // namespace corvel
