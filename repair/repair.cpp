#include "repair/repair.hpp"

#include <charconv>

#include "asf/header_walk.hpp"

namespace corvel {

void zerpack(TErrPack& p) {
  p.mark = 0;
  p.realSize = 0;
  p.repByte = 0;
  p.repLen = 0;
  p.repOffset = 0;
}

bool scanpack(SourceFile& f, std::uint64_t offset, std::uint64_t size, TErrPack& p) {
  if (!f.isOpen()) return false;
  f.CacheInvalidate();
  std::uint8_t cb = 0, bb = 0;
  std::uint64_t cl = 0, cs = 8, bl = 0, bs = 0;
  // Streams through the block a cache window at a time: a long damaged
  // stretch is measured without holding it in memory.
  for (std::uint64_t pos = 8; pos < size;) {
    const ByteView w = f.View(offset + pos, std::min<std::uint64_t>(SourceFile::CacheSize, size - pos));
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

namespace {

// Cuts the record's repeat out of the logical file and moves the later
// records up by its length.
void cutRepeat(Session& s, std::size_t i) {
  TErrPack& p = s.errPacks[i];
  auto& cuts = s.file.cuts;
  std::uint64_t pos = cuts.LogicalToPhysical(p.offset);
  pos += cuts.CutsSpan(pos, p.repOffset);
  cuts.CutsAdd(pos, p.repLen);
  for (std::size_t k = i + 1; k < s.errPacks.size(); ++k)
    s.errPacks[k].offset = s.errPacks[k].offset >= p.repLen ? s.errPacks[k].offset - p.repLen : 0;
}

}  // namespace

void FixEQDelta(Session& s, const RepairOptions& o) {
  for (std::size_t i = 0; i < s.errPacks.size(); ++i) {
    TErrPack& p = s.errPacks[i];
    if (p.mark != 'y') continue;
    if (o.CheckZR && p.repByte != 0) continue;
    if (static_cast<std::int64_t>(p.repLen) != p.delta()) continue;
    cutRepeat(s, i);
    zerpack(p);
  }
}

void RemoveAndRescan(Session& s, RepairOptions& o) {
  std::int64_t min = 100;
  if (IsNumber(o.EditMS) && o.EditMS != "-") {
    std::from_chars(o.EditMS.data(), o.EditMS.data() + o.EditMS.size(), min);
  } else {
    o.EditMS = "100";
  }
  const auto minLen = static_cast<std::uint32_t>(min);
  for (std::size_t i = 0; i < s.errPacks.size(); ++i) {
    TErrPack& p = s.errPacks[i];
    if (p.mark != 'y') continue;
    if (o.CheckDP && p.delta() < 1) continue;
    if (p.repLen < minLen) continue;
    if (o.CheckZR && p.repByte != 0) continue;
    cutRepeat(s, i);
    p.realSize = p.realSize >= p.repLen ? p.realSize - p.repLen : 0;
    scanpack(s.file, p.offset, p.realSize, p);
  }
}

void FixSizes(Session& s) {
  for (TErrPack& p : s.errPacks)
    if (p.mark == 'y') p.mark = 'x';
}

bool LoadErrorsAction(Session& s, const std::string& path) {
  if (!LoadErrPacks(s.errPacks, path.empty() ? ErrorListName(s.fileName) : path)) return false;
  s.file.CacheReset();
  s.file.cuts.CutsClear();
  erpacks2sg(s.errPacks, s.errGrid, s.lang);
  if (s.reporter) s.reporter->gridChanged(s.errGrid.rows());
  return true;
}

bool RepairAction(Session& s, RepairMode mode, RepairOptions& o) {
  if (!ReopenSource(s)) return false;
  switch (mode) {
    case RepairMode::FixEQDelta: FixEQDelta(s, o); break;
    case RepairMode::RemoveAndRescan: RemoveAndRescan(s, o); break;
    case RepairMode::FixSizes: FixSizes(s); break;
    case RepairMode::None: break;
  }
  s.file.CacheReset();
  erpacks2sg(s.errPacks, s.errGrid, s.lang);
  if (s.reporter) s.reporter->gridChanged(s.errGrid.rows());
  s.file.Close();
  return true;
}

}  // namespace corvel
