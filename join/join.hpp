// Joining consecutive parts of one recording into one ASF file: the first
// part's header, the packets of every part with their media objects
// renumbered and their presentation times run on, new send times, and a new
// Simple Index.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "analysis/packet.hpp"
#include "io/job.hpp"

namespace corvel {

namespace phase {
inline constexpr Phase joining{MessageId::InProgress};
inline constexpr Phase sendTimes{MessageId::SendTimeRecalculation};
}  // namespace phase

enum class PrerollSource {
  none,       // preroll 0
  fixed,      // prerollMs
  firstFile,  // the first file's own
};

enum class SendTimeMode {
  evenSpread,   // spread evenly over the play time
  approximate,  // from the presentation times, `lead` ahead of them
  videoTime,    // the video presentation time less the preroll
};

struct JoinOptions {
  PrerollSource preroll = PrerollSource::fixed;
  std::uint32_t prerollMs = 5000;
  SendTimeMode sendTime = SendTimeMode::evenSpread;
  bool leadIsPreroll = false;  // approximate: lead by the preroll (else by `lead`)
  std::uint32_t lead = 5000;   // milliseconds
  bool highPriority = true;    // off: idle priority and a pause per block of packets
};

struct JoinData {
  std::uint64_t packets = 0;
  std::uint64_t keyframePackets = 0;
  std::uint32_t end = 0;  // presentation end, milliseconds
  std::uint32_t sendDuration = 0;
  std::uint32_t indexEntries = 0;
};

// Joins the inputs, in order, into `output` (never one of them).
JobResult<JoinData> JoinFiles(const std::vector<std::string>& inputs, const std::string& output, const JoinOptions& o,
                              JobContext& ctx);

// What the join keeps of a packet between reading and writing it: what the
// send time modes read (its renumbered presentation times) and fill in.
struct SendSlot {
  std::uint32_t sendTime = 0;
  std::uint16_t duration = 0;
  bool parsed = false;         // the packet parsed, and is written back
  bool hasVideo = false;       // it holds a payload of the video stream
  std::uint32_t earliest = 0;  // its payloads' earliest presentation time
  std::uint32_t videoTime = 0;  // its video payloads' earliest
};
SendSlot SendSlotOf(const ParsedPacket& p, std::uint8_t video);

// The send time modes: each fills sendTime and duration of every slot and
// returns the send duration in milliseconds.
std::uint32_t EvenSpread(std::span<SendSlot> packets, std::uint32_t end);
// The even spread's send time step for `packets` packets ending at `end`.
std::uint16_t EvenStep(std::uint32_t end, std::uint64_t packets);
std::uint32_t Approximate(std::span<SendSlot> packets, std::uint32_t lead);
std::uint32_t VideoTime(std::span<SendSlot> packets, std::uint32_t preroll);
// The video time mode one packet at a time: the send time of `p`, and the
// duration of the packet before it (null for the first).
void NextVideoTime(SendSlot* before, SendSlot& p, std::uint32_t preroll);

// Writes a record's media object numbers, presentation times (where the
// payload carries one), send time and duration into the packet's bytes.
void WriteBack(const ParsedPacket& rec, std::span<std::uint8_t> bytes);


}  // namespace corvel
