// Fuzzes a Data Object behind a fixed, valid header (3,200-byte packets,
// stream 1 video and 2 audio, as ffmpeg's clips): the scan with its resync,
// every repair mode with a scan after it, the save's packet plan, the save
// and the AVI export (to temporary files, the AVI with a small RIFF limit so
// that OpenDML lists are written), and the media object walk.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "analysis/media_objects.hpp"
#include "export/avi.hpp"
#include "repair/packet_plan.hpp"
#include "session/actions.hpp"
#include "support/asf_builder.hpp"

using namespace corvel;

namespace {

constexpr std::uint32_t kPacket = 3200;

const Bytes& header() {
  static const Bytes h = test::FileWithPackets({}, kPacket);
  return h;
}

std::string temp(const char* what) {
  return (std::filesystem::temp_directory_path() / ("corvel-fuzz-" + std::to_string(::getpid()) + what)).string();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes file = header();
  file.insert(file.end(), data, data + size);
  for (RepairMode mode : {RepairMode::cutByStructure, RepairMode::cutAndRemeasure, RepairMode::acceptSizes}) {
    Session s;
    if (!OpenBytes(s, "fuzz.wmv", file)) return 0;
    if (!Scan(s)) continue;
    if (!s.errorList.empty() && Repair(s, mode, RepairOptions{.onlyLongerBlocks = false, .onlyZeroRepeats = false, .minRepeat = 32}))
      Scan(s);
    PlanStreams streams;
    streams.known.set(1).set(2);
    streams.kinds[1] = StreamKind::video;
    streams.kinds[2] = StreamKind::audio;
    const PacketPlan plan = PlanPackets(s.file, s.packets, streams, false);
    for (const PlannedPacket& q : plan.packets)
      if (!PacketPlan::verbatim(q)) (void)RebuiltBytes(s.file, plan, q);
    if (mode != RepairMode::acceptSizes && !s.packets.empty()) {
      // Once as it is, once renumbered through memory with a dump of the scan.
      const std::string out = temp(".save.wmv"), dump = temp(".dump.txt");
      if (mode == RepairMode::cutAndRemeasure) {
        s.options.save.renumberMediaObjects = true;
        s.options.writeDump = true;
        s.options.dumpPath = dump;
        Scan(s);
      }
      Save(s, out);
      std::filesystem::remove(out);
      std::filesystem::remove(dump);
    }
  }
  const MemorySource src(file);
  MediaObjectReader it(src, ReadStreams(src));
  int n = 0;
  while (n < 256 && it.next()) ++n;
  // The exports read a file by name. The AVI's RIFF limit is a few packets,
  // so that OpenDML lists are written.
  const std::string in = temp(".in.wmv"), avi = temp(".avi"), frames = temp(".frames");
  std::ofstream(in, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  Session s;
  if (OpenBytes(s, "fuzz.wmv", file)) {
    JobContext ctx;
    (void)ExportAvi(SourceRef{in}, {}, s.structure.rec, avi, StreamChoice::VideoAndAudio, ctx, 12'000);
    std::filesystem::create_directories(frames);
    (void)ExportFrames(SourceRef{in}, {}, 3, StreamChoice::VideoAndAudio, frames, ctx);
  }
  std::filesystem::remove(avi);
  std::filesystem::remove_all(frames);
  std::filesystem::remove(in);
  return 0;
}
