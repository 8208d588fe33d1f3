#include "analysis/error_blocks.hpp"

#include <algorithm>

namespace corvel {

void Unlist(ListedBlock& p) {
  p.mark = BlockMark::none;
  p.actualSize = 0;
  p.repByte = 0;
  p.repLen = 0;
  p.repOffset = 0;
}

bool MeasureLongestRepeat(SourceFile& f, std::uint64_t offset, std::uint64_t size, ListedBlock& p) {
  if (!f.isOpen()) return false;
  f.invalidateCache();
  std::uint8_t cb = 0, bb = 0;
  std::uint64_t cl = 0, cs = 8, bl = 0, bs = 0;
  // Streams through the block a cache window at a time: a long damaged
  // stretch is measured without holding it in memory.
  for (std::uint64_t pos = 8; pos < size;) {
    const ByteView w = f.view(offset + pos, std::min<std::uint64_t>(SourceFile::CacheSize, size - pos));
    if (w.empty()) return false;
    // The best run is taken over when the current one beats it: as it grows,
    // and (for a run of one byte) when it ends. Ties keep the earlier run.
    auto keep = [&] {
      if (cl > bl) bb = cb, bl = cl, bs = cs;
    };
    for (std::size_t k = 0; k < w.size(); ++k, ++pos) {
      const std::uint8_t b = w[k];
      if (b == cb) {
        ++cl;
        keep();
      } else {
        keep();
        cb = b;
        cs = pos;
        cl = 1;
      }
    }
  }
  p.repByte = bb;
  p.repLen = static_cast<std::uint32_t>(std::min<std::uint64_t>(bl, UINT32_MAX));
  p.repOffset = static_cast<std::uint32_t>(std::min<std::uint64_t>(bs, UINT32_MAX));
  return true;
}

std::vector<ListedBlock> ListClosedBlocks(SourceFile& f, std::span<const ErrorBlock> blocks) {
  std::vector<ListedBlock> list;
  for (const ErrorBlock& b : blocks) {
    if (!b.isClosed()) continue;
    ListedBlock p;
    p.offset = b.offset;
    p.declaredSize = static_cast<std::int32_t>(b.declaredSize);
    p.mark = BlockMark::listed;
    p.actualSize = b.actualSize;
    p.unreadable = b.unreadable;
    MeasureLongestRepeat(f, p.offset, p.actualSize, p);
    list.push_back(p);
  }
  return list;
}

}  // namespace corvel
