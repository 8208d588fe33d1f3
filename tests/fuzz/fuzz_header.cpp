// Fuzzes the header walk, every object reader and presenter, the field
// locators, the packet scan, the join's write-back and send times, header
// reconstruction and the media object walk over arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "analysis/media_objects.hpp"
#include "analysis/scan.hpp"
#include "asf/catalogue.hpp"
#include "asf/header_walk.hpp"
#include "join/join.hpp"
#include "asf/locators.hpp"
#include "repair/reconstruct.hpp"

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
    s.file.OpenSource(std::make_unique<MemorySource>(bytes));
    if (ReadStruct(s) == 0 && flags == 0) {
      ScanDataPackets(s);
      // The join's write-back on every packet found, with shifted values.
      for (TAsfDataPacket p : s.packets) {
        Bytes b = ReadPadded(src(bytes), static_cast<std::uint64_t>(p.fileOffset), static_cast<std::uint64_t>(p.packetLength));
        for (auto& pl : p.mp.payloads) pl.mediaObjectNumber += 1, pl.presentationTime += 40;
        WriteBack(p, b);
      }
      std::vector<TAsfDataPacket> copy = s.packets;
      EvenSpread(copy, 20000);
      Approximate(copy, 5000);
      VideoTime(copy, 1, 3000);
    }
    if (flags == 3) {
      ReconstructOpenSource(s);
      ScanDataPackets(s);
    }
    (void)s.structure.tree.render();
  }
  const MemorySource src(bytes);
  (void)FindDataObject(src);
  (void)ReadPacketSize(src);
  (void)ReadPlayDuration(src);
  (void)ReadPreroll(src);
  (void)ReadStreamNumber(src, guid::VideoMedia);
  (void)ReadStreamNumber(src, guid::AudioMedia);
  MediaObjectIterator it(src);
  int n = 0;
  for (bool ok = it.getFirstMediaObject(); ok && n < 64; ok = it.getNextMediaObject()) ++n;
  return 0;
}
