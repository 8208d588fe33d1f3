#include "session/error_grid.hpp"

#include "asf/bytes.hpp"

namespace corvel {

void ErrorGrid::reset(Language lang) {
  rows_.assign(2, Row{});
  blocks_.assign(2, std::nullopt);
  rows_[0] = Row{"",
                 "#",
                 "id",
                 TextOf(MessageId::GridOffset, lang),
                 TextOf(MessageId::GridDeclaredSize, lang),
                 TextOf(MessageId::GridActualSize, lang),
                 TextOf(MessageId::GridDelta, lang),
                 TextOf(MessageId::GridMaxRepeat, lang)};
}

std::size_t ErrorGrid::showBlock(const ErrorBlock& b) {
  std::size_t r = rows_.size() - 1;
  const std::string& col1 = rows_[r][1];
  const bool sameBlock = IsNumber(col1) && col1 != "-" && col1 == std::to_string(b.packet);
  if (!sameBlock && !(rows_.size() < 3 && rows_[r][0].empty())) {
    rows_.emplace_back();
    blocks_.emplace_back();
    r = rows_.size() - 1;
  }
  blocks_[r] = std::nullopt;
  Row& row = rows_[r];
  row = Row{std::to_string(r), std::to_string(b.packet), b.id, std::to_string(b.offset), std::to_string(b.declaredSize), "", "", ""};
  if (b.isClosed()) row[5] = std::to_string(b.actualSize);
  return r;
}

std::size_t ErrorGrid::addRow(Row row, std::optional<std::size_t> block) {
  if (!rows_.back()[0].empty()) {
    rows_.emplace_back();
    blocks_.emplace_back();
  }
  const std::size_t r = rows_.size() - 1;
  row[0] = std::to_string(r);
  rows_[r] = std::move(row);
  blocks_[r] = block;
  return r;
}

void ErrorGrid::dropOpenRow() {
  if (rows_.size() < 2 || !rows_.back()[5].empty() || rows_.back()[0].empty()) return;
  if (rows_.size() < 3) {
    rows_[1] = Row{};
    blocks_[1] = std::nullopt;
  } else {
    rows_.pop_back();
    blocks_.pop_back();
  }
}

void ErrorGrid::showList(const std::vector<ListedBlock>& list, Language lang) {
  reset(lang);
  for (std::size_t i = 0; i < list.size(); ++i) {
    const ListedBlock& p = list[i];
    if (!p.listed()) continue;
    addRow({"", std::to_string(i), HexDigits(p.id, 8), std::to_string(p.offset), std::to_string(p.declSize),
            std::to_string(p.realSize), std::to_string(p.delta()),
            std::to_string(p.repLen) + "(" + HexDigits(p.repByte, 2) + ") at " + std::to_string(p.repOffset)},
           i);
  }
}

std::size_t ErrorGrid::filledRows() const {
  std::size_t n = 0;
  for (std::size_t i = 1; i < rows_.size(); ++i) n += !rows_[i][0].empty();
  return n;
}

}  // namespace corvel
