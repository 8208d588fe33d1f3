// Fuzzes the header walk, every object reader and presenter, the field
// locators, the packet scan, the join's write-back and send times, header
// reconstruction, the repairs (the structure search among them), what the
// save writes of damaged packets and the media object walk over arbitrary
// bytes.
#include <cstddef>
#include <cstdint>

#include "analysis/media_objects.hpp"
#include "asf/catalogue.hpp"
#include "asf/locators.hpp"
#include "join/join.hpp"
#include "repair/packet_plan.hpp"
#include "repair/repair.hpp"
#include "session/actions.hpp"

using namespace corvel;

namespace {
MemorySource src(const Bytes& b) { return MemorySource(b); }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes bytes(data, data + size);
  for (int flags = 0; flags < 4; ++flags) {
    Session s;
    s.options.walk.listUnknownObjects = flags & 1;
    s.options.walk.showIndexEntries = flags & 2;
    if (OpenBytes(s, "fuzz.wmv", bytes) && flags == 0) {
      Scan(s);
      // The join's write-back on every packet found (parsed again from its
      // bytes), with shifted values.
      std::vector<SendSlot> copy;
      for (const PacketRef ref : s.packets) {
        Bytes b = ReadPadded(src(bytes), static_cast<std::uint64_t>(ref.fileOffset), static_cast<std::uint64_t>(ref.packetLength));
        ParsedPacket p;
        if (ParsePacket(b, p) != 0) continue;
        p.fileOffset = ref.fileOffset;
        copy.push_back(SendSlotOf(p, 1));
        for (auto& pl : p.multiple.payloads) pl.mediaObjectNumber += 1, pl.presentationTime += 40;
        WriteBack(p, b);
      }
      EvenSpread(copy, 20000);
      Approximate(copy, 5000);
      VideoTime(copy, 3000);
      if (!s.errorList.empty() && Repair(s, RepairMode::cutByStructure, RepairOptions{})) Scan(s);
      // What the save would write: damaged payloads dropped, intact ones
      // rescued and rebuilt, incomplete media objects left out.
      PlanStreams streams;
      streams.known.set();
      const PacketPlan plan = PlanPackets(s.file, s.packets, streams, false);
      for (const PlannedPacket& q : plan.packets)
        if (!PacketPlan::verbatim(q)) (void)RebuiltBytes(s.file, plan, q);
    }
    if (flags == 3) {
      Reconstruct(s);
      Scan(s);
    }
    (void)s.structure.tree.render();
  }
  // The search on its own, with a small packet size taken from the input.
  if (size > 8) {
    const std::uint32_t packetSize = 8u + data[0] % 120u;
    (void)FindInsertedBytes(ByteView(bytes).subspan(1), packetSize, StreamsAround{});
    // A damaged packet's payloads, the tail after the damage, a rebuild.
    ParsedPacket p;
    const ByteView v = ByteView(bytes).subspan(1);
    const LeadingPayloads r = ParseLeadingPayloads(v, packetSize, p);
    if (r.stop == PayloadStop::header) FindPayloadTail(v, std::bitset<128>().set(), p);
    if (r.parsed) (void)RebuildPacket(v, p, ~0ull, packetSize);
  }
  const MemorySource src(bytes);
  (void)FindDataObject(src);
  (void)ReadPacketSize(src);
  (void)ReadPlayDuration(src);
  (void)ReadPreroll(src);
  MediaObjectReader it(src, ReadStreams(src));
  int n = 0;
  while (n < 64 && it.next()) ++n;
  return 0;
}
