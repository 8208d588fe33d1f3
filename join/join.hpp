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
#include "app/localization.hpp"
#include "asf/report.hpp"

namespace corvel {

struct JoinOptions {
  bool CheckPR = true;          // preroll = EditPR
  std::string EditPR = "5000";
  bool CheckPR1 = false;        // preroll of the first file
  bool CheckAST = false;        // send times approximated from anchors
  bool RadioOP1 = false;        // lead = preroll (else EditOP2)
  std::string EditOP2 = "5000";
  bool CheckPTP = false;        // send time = video presentation time - preroll
  bool CheckHP = true;          // off: pause 5 ms per packet step
};

struct JoinResult {
  int code = -1;          // 0 complete, -1 failed, -2 stopped
  std::string message;    // what the message label shows at the end
  std::uint64_t packets = 0;
  std::uint64_t keyframePackets = 0;
  std::uint32_t end = 0;  // presentation end, milliseconds
  std::uint32_t sendDuration = 0;
  std::uint32_t indexEntries = 0;
};

// Runs the join. Progress and the message label go through `rep` (status
// for the label, progress for the gauge); a stop request ends it with -2.
JoinResult doJOIN(const std::vector<std::string>& inputs, const std::string& output, JoinOptions& o, Language lang,
                  Reporter* rep);

// True when the packet holds a payload of `stream`; `pt` gets the smallest
// presentation time among them.
bool minSPTime(const TAsfDataPacket& p, std::uint8_t stream, std::uint32_t& pt);

// The send time modes: each fills sendTime and duration of every record and
// returns the send duration in milliseconds.
std::uint32_t EvenSpread(std::span<TAsfDataPacket> packets, std::uint32_t end);
std::uint32_t Approximate(std::span<TAsfDataPacket> packets, std::uint32_t lead);
std::uint32_t VideoTime(std::span<TAsfDataPacket> packets, std::uint8_t video, std::uint32_t preroll);

// Writes a record's media object numbers, presentation times (where the
// payload carries one), send time and duration into the packet's bytes.
void WriteBack(const TAsfDataPacket& rec, std::span<std::uint8_t> bytes);

// The proposed output name: "<dir>/<name>.joined<ext>" of the first input.
std::string JoinOutputName(const std::string& first);
// Moves line `from` to `to` as a drop in the join list does; false when
// nothing changes.
bool MoveLine(std::vector<std::string>& list, std::size_t from, std::size_t to);

}  // namespace corvel
