// Saving the repaired file: a header rebuilt from the records, the packets of
// the last scan read through the cut list, and the new Simple Index.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "analysis/packet.hpp"
#include "io/job.hpp"
#include "io/output_file.hpp"
#include "asf/records.hpp"
#include "io/source_file.hpp"
#include "asf/streams.hpp"
#include "asf/structure.hpp"
#include "repair/packet_plan.hpp"

namespace corvel {

namespace phase {
inline constexpr Phase savingHeader{MessageId::SavingHeader};
inline constexpr Phase savingStream{MessageId::SavingStream};
}  // namespace phase

enum class HeaderMode {
  fromSource,  // every object the records hold that the save knows how to write
  minimal,     // File Properties, Stream Properties and Codec List only
};

struct SaveOptions {
  HeaderMode header = HeaderMode::fromSource;
  bool writeIndex = true;  // write the new Simple Index (when the scan built one)
  bool renumberMediaObjects = false;
  // Write the packets as the scan found them, fragments of incomplete media
  // objects and damaged payloads included, and rescue nothing.
  bool keepIncompleteObjects = false;
  // Leave out the media objects a decoder finds damaged and, in a video
  // stream, those after each up to the next key frame.
  bool dropDamaged = false;
  // Leave out each video stream's media objects before its first key frame
  // (data whose start was lost: they refer to a frame that is not there).
  bool fromFirstKeyFrame = false;
};

class ScanCopy;

// What the save writes: the records of the open file and its last scan.
// The packets are read, never changed; they must outlive the job.
struct SaveInput {
  HeaderRecords rec;
  const PacketTable* packets = nullptr;
  bool indexBuilt = false;        // rec.simpleIndex is a new index
  bool sourceUnfinished = false;  // fill in counts, durations and flags
  std::string output;
  std::string source;             // the source's path: never written
  // Header objects the save has no writer for, copied as they are when the
  // header is built from the source's objects (see CopiedHeaderObjects).
  std::vector<ObjectEntry> copied;
  // Packets' worth of the scan's error blocks: the source holds these
  // besides the scan's packets.
  std::uint64_t packetsInErrorBlocks = 0;
  // Media objects a decoder found damaged in the logical file (with
  // dropDamaged): left out.
  std::vector<DamagedObject> damaged;
  // With dropDamaged: decodes the output once it is written, before it takes
  // its name (`path` is where it is being written), and lists the media
  // objects found damaged there, counted in the output. Those are left out
  // too and the output written again, a few times at most; what is still
  // found after that is counted in SaveData::damagedKept.
  std::function<std::vector<DamagedObject>(const std::string& path, JobContext& ctx)> checkWritten;
  // The output begun while the packets were scanned (may be null): the
  // packets found in it in place are not read again.
  ScanCopy* scanCopy = nullptr;
};

struct SaveData {
  std::uint64_t bytes = 0;    // the output's length
  std::uint64_t packets = 0;  // packets written
  ObjectCounts leftOut;       // media objects left out as incomplete
  std::uint64_t rescuedPayloads = 0;  // payloads written from damaged packets the scan passed over
  std::uint64_t sourcePackets = 0;    // the scan's packets and the packets' worth of its error blocks
  std::uint64_t packetsInErrorBlocks = 0;
  ObjectCounts damagedLeftOut;  // damaged, or up to a damaged one's next key frame
  // Frames written as they are though damaged: those a repair's cut left
  // damaged, or, with dropDamaged, those the check of the output still finds.
  std::uint64_t damagedKept = 0;
  std::uint64_t beforeKeyFrame = 0;  // video media objects left out before the first key frame
  // The written file decoded (when asked): its media objects that decode
  // without a complaint.
  bool writtenDecoded = false;
  std::uint64_t framesDecoding = 0;
};

// Renumbers the media objects of the audio and video streams of one packet
// in place (the counters carry over from packet to packet).
struct Renumbering {
  explicit Renumbering(const StreamTable& streams);
  std::array<bool, 128> renumbered{};  // per stream number
  std::array<std::uint8_t, 128> counter{};
  std::array<std::uint32_t, 128> last{};
  void apply(const ParsedPacket& p, std::span<std::uint8_t> buf);
  // The same for the bytes of a packet (parsed here).
  void apply(std::span<std::uint8_t> buf);
};

// The header children a header built from the source's objects copies byte
// for byte: every one the writers do not rebuild, in their order, except
// those whose contents depend on the old data (padding, a digital
// signature, and the index objects and their parameters).
std::vector<ObjectEntry> CopiedHeaderObjects(const FileStructure& fs);

// Where a header record contradicts itself, what its own bytes say: a
// stream type GUID of no media type becomes the one its format data shows,
// and the Header Extension keeps only its whole children (its data size
// then counts them). Each change is logged.
void MendHeader(HeaderRecords& r, JobContext& ctx);

// The header the save writes before the packets: the rebuilt objects, then
// (from the source's objects only) the copied ones.
Bytes BuildHeader(HeaderRecords& r, const PacketTable& packets, HeaderMode mode,
                  std::span<const Bytes> copied = {});

// A save's output begun before the scan whose packets it is to write: the
// logical file's bytes from the first packet on go into it as the scan reads
// them, after room for the header, so that the save need not read again the
// packets it finds there in place. Its bytes count for nothing until the
// save has checked them against its plan.
class ScanCopy final : public ReadTap {
 public:
  // Null when there is to be no copy (an output that is no plain file, or
  // one that cannot be created: the save then says why). `firstPacket`: the
  // logical offset the packets are expected to start at.
  static std::unique_ptr<ScanCopy> start(SourceFile& file, const SaveInput& in, const SaveOptions& o,
                                         std::uint64_t firstPacket, JobContext& ctx);
  void read(std::uint64_t offset, ByteView bytes) override;
  // The output, once (a failed write is the save's: it says so).
  std::unique_ptr<OutputFile> take();
  std::uint64_t headerSize() const { return headerSize_; }
  // The logical bytes [from(), to()) follow the header.
  std::uint64_t from() const { return from_; }
  std::uint64_t to() const { return to_; }

 private:
  std::unique_ptr<OutputFile> out_;
  std::uint64_t headerSize_ = 0, from_ = 0, to_ = 0;
};

// Writes the output file from the logical source `file`. Ok only when it was
// written completely.
JobResult<SaveData> SaveFile(SourceFile& file, const SaveInput& in, const SaveOptions& o, JobContext& ctx);

}  // namespace corvel
