// The stream scan: every data packet of the Data Object is read at the fixed
// packet size, recognised, parsed and checked; damaged stretches become error
// blocks; a new Simple Index is built from the packets found.
#pragma once

#include <string>
#include <vector>

#include "analysis/error_blocks.hpp"
#include "analysis/packet.hpp"
#include "analysis/packet_rule.hpp"
#include "analysis/packet_table.hpp"
#include "io/job.hpp"
#include "io/source_file.hpp"
#include "asf/structure.hpp"

namespace corvel {

namespace phase {
inline constexpr Phase scanning{MessageId::ScanInProgress};
}  // namespace phase

struct ScanOptions {
  bool highPriority = true;  // off: idle priority and a pause per read block, leaving the machine to others
  std::string dumpPath;      // a line per packet goes here; empty for none
  std::string sourcePath;    // the scanned file's, which the dump never replaces
  Language dumpLanguage = Language::rus;  // of the findings noted in the dump
};

struct ScanData {
  PacketTable packets;
  std::vector<ErrorBlock> blocks;  // as found, the last one open when the scan stopped in it
  std::vector<ListedBlock> listed;  // the closed blocks, measured: the error list
  std::uint64_t keyframePackets = 0;
  std::uint64_t packetsInErrorBlocks = 0;  // packets' worth of damaged bytes in the closed blocks
  PacketForm form = PacketForm::errorCorrection;  // of the file's packets
  std::uint32_t inferredPacketSize = 0;  // when the header did not state a usable one
  bool sourceUnfinished = false;  // the header lacked count, size or durations
  bool dataBeyondHeader = false;  // sound packets went on past the data's end the header declares
  bool indexAttempted = false;    // there were key frames enough to try
  bool indexBuilt = false;
  SimpleIndex index;    // the new index, when built
  CutList cuts;                   // the cuts of the logical file scanned
};

// Where a file's packets lie, by the scan's rules: the first packet, the
// end of the data, and the rule its packets are judged by.
struct DataLayout {
  std::uint64_t firstPacket = 0;
  std::uint64_t end = 0;
  PacketRule rule;  // the packet size, the form, the streams declared
};

// Hears blocks as the scan finds and closes them (for a grid that fills as
// the scan goes).
class ScanEvents : public JobEvents {
 public:
  virtual void block(const ErrorBlock& /*b*/) {}
};

// Scans the logical file (through its cuts) of which `fs` is the structure.
// Failed when the scan cannot start (no Data Object, unusable packet size);
// stopped on a stop request, with what was found up to there.
JobResult<ScanData> ScanPackets(SourceFile& file, const FileStructure& fs, const ScanOptions& o, JobContext& ctx,
                                ScanEvents* events = nullptr);
// Where the scan would find the packets (reading the first few megabytes and
// the end of the data), without scanning them; failed, with the scan's
// reason, where the scan could not start.
JobResult<DataLayout> LocatePackets(SourceFile& file, const FileStructure& fs, JobContext& ctx);

}  // namespace corvel
