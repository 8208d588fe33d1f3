#include "repair/repair.hpp"

namespace corvel {

namespace {

// Cuts the record's repeat out of the logical file and moves the later
// records up by its length.
void cutRepeat(CutList& cuts, std::vector<ListedBlock>& list, std::size_t i) {
  const ListedBlock& p = list[i];
  std::uint64_t pos = cuts.LogicalToPhysical(p.offset);
  pos += cuts.CutsSpan(pos, p.repOffset);
  cuts.CutsAdd(pos, p.repLen);
  for (std::size_t k = i + 1; k < list.size(); ++k) list[k].offset = list[k].offset >= p.repLen ? list[k].offset - p.repLen : 0;
}

void cutEqualRepeats(SourceFile& file, std::vector<ListedBlock>& list, const RepairOptions& o) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    ListedBlock& p = list[i];
    if (!p.listed()) continue;
    if (o.onlyZeroRepeats && p.repByte != 0) continue;
    if (static_cast<std::int64_t>(p.repLen) != p.delta()) continue;
    cutRepeat(file.cuts, list, i);
    Unlist(p);
  }
}

void cutAndRemeasure(SourceFile& file, std::vector<ListedBlock>& list, const RepairOptions& o) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    ListedBlock& p = list[i];
    if (!p.listed()) continue;
    if (o.onlyLongerBlocks && p.delta() < 1) continue;
    if (p.repLen < o.minRepeat) continue;
    if (o.onlyZeroRepeats && p.repByte != 0) continue;
    cutRepeat(file.cuts, list, i);
    p.realSize = p.realSize >= p.repLen ? p.realSize - p.repLen : 0;
    MeasureLongestRepeat(file, p.offset, p.realSize, p);
  }
}

}  // namespace

JobResult<RepairData> RepairBlocks(SourceFile& file, std::vector<ListedBlock> list, RepairMode mode,
                                   const RepairOptions& o, JobContext& ctx) {
  switch (mode) {
    case RepairMode::cutEqualRepeats: cutEqualRepeats(file, list, o); break;
    case RepairMode::cutAndRemeasure: cutAndRemeasure(file, list, o); break;
    case RepairMode::acceptSizes:
      for (ListedBlock& p : list)
        if (p.listed()) p.mark = BlockMark::sizesFixed;
      break;
  }
  file.CacheReset();
  return Finish(ctx, Outcome::ok, Message(MessageId::OperationComplete), RepairData{file.cuts, std::move(list)});
}

}  // namespace corvel
