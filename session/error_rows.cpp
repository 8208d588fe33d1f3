#include "session/error_rows.hpp"

#include "asf/bytes.hpp"

namespace corvel {

ErrorCells CellsOf(const ErrorRow& row, std::size_t place, Language lang) {
  if (row.kind == RowKind::damagedObject)
    return {std::to_string(place), std::to_string(row.number), row.id, std::to_string(row.offset), {}, {}, {},
            row.leftByCut ? row.repeat + TextOf(MessageId::LeftDamagedByCut, lang) : row.repeat};
  return {std::to_string(place),
          std::to_string(row.number),
          row.id,
          std::to_string(row.offset),
          std::to_string(row.declaredSize),
          row.actualSize ? std::to_string(*row.actualSize) : std::string(),
          row.delta ? std::to_string(*row.delta) : std::string(),
          row.unreadable ? TextOf(MessageId::UnreadableBlock, lang) : row.repeat};
}

ErrorCells ErrorColumnTitles(Language lang) {
  return {"",
          "#",
          "id",
          TextOf(MessageId::GridOffset, lang),
          TextOf(MessageId::GridDeclaredSize, lang),
          TextOf(MessageId::GridActualSize, lang),
          TextOf(MessageId::GridDelta, lang),
          TextOf(MessageId::GridMaxRepeat, lang)};
}

std::size_t ErrorRows::showBlock(const ErrorBlock& b) {
  ErrorRow row;
  // The block begins in the last sound packet before the damage: the one
  // before the `packet` counted (the first, when none was).
  row.number = b.packet > 0 ? b.packet - 1 : 0;
  row.id = b.id;
  row.offset = b.offset;
  row.declaredSize = b.declaredSize;
  row.unreadable = b.unreadable;
  if (b.isClosed()) row.actualSize = b.actualSize;
  const bool sameBlock = !rows_.empty() && rows_.back().kind == RowKind::errorBlock && !rows_.back().entry &&
                         rows_.back().offset == b.offset;
  if (!sameBlock) rows_.emplace_back();
  rows_.back() = std::move(row);
  return rows_.size() - 1;
}

void ErrorRows::dropOpenRow() {
  if (!rows_.empty() && rows_.back().kind == RowKind::errorBlock && !rows_.back().actualSize) rows_.pop_back();
}

void ErrorRows::showDamaged(const std::vector<DamagedObject>& damaged) {
  std::erase_if(rows_, [](const ErrorRow& r) { return r.kind == RowKind::damagedObject; });
  for (const DamagedObject& d : damaged) {
    ErrorRow row;
    row.kind = RowKind::damagedObject;
    row.number = d.firstPacket;
    row.id = std::to_string(d.object.stream) + ":" + std::to_string(d.object.number) + (d.object.key ? " K" : "");
    row.offset = d.object.firstOffset;
    row.repeat = std::to_string(d.object.time) + " ms: " + d.message;
    rows_.push_back(std::move(row));
  }
}

void ErrorRows::showLeftByCut(std::uint64_t packet, std::uint64_t offset, const DamagedFrame& f) {
  ErrorRow row;
  row.kind = RowKind::damagedObject;
  row.leftByCut = true;
  row.number = packet;
  row.id = std::to_string(f.stream) + ":" + std::to_string(f.object);
  row.offset = offset;
  row.repeat = std::to_string(f.time) + " ms: ";
  rows_.push_back(std::move(row));
}

void ErrorRows::showList(const std::vector<ListedBlock>& list, PacketPlaces places) {
  rows_.clear();
  for (std::size_t i = 0; i < list.size(); ++i) {
    const ListedBlock& p = list[i];
    if (!p.listed()) continue;
    rows_.push_back(ErrorRow{places.packetAt(p.offset), i, HexDigits(p.id, 8), p.offset, p.declaredSize, p.actualSize, p.delta(),
                             std::to_string(p.repLen) + "(" + HexDigits(p.repByte, 2) + ") at " + std::to_string(p.repOffset),
                             RowKind::errorBlock, p.unreadable});
  }
}

}  // namespace corvel
