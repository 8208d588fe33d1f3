#include "analysis/error_blocks.hpp"

#include "asf/bytes.hpp"

namespace corvel {

void ErrorGrid::reset(Language lang) {
  rows_.assign(2, Row{});
  rows_[0] = Row{"",
                 "#",
                 "id",
                 Translate("offset в файле", lang),
                 Translate("размер заявленный", lang),
                 Translate("размер реальный", lang),
                 Translate("дельта", lang),
                 Translate("max повтор", lang)};
}

std::size_t ErrorGrid::ShowErrBlocks(const TErrBlock& b) {
  std::size_t r = rows_.size() - 1;
  const std::string& col1 = rows_[r][1];
  const bool sameBlock = IsNumber(col1) && col1 != "-" && col1 == std::to_string(b.packet);
  if (!sameBlock && !(rows_.size() < 3 && rows_[r][0].empty())) {
    rows_.emplace_back();
    r = rows_.size() - 1;
  }
  Row& row = rows_[r];
  row = Row{std::to_string(r), std::to_string(b.packet), b.id, std::to_string(b.offset), std::to_string(b.declaredSize), "", "", ""};
  if (b.isClosed()) row[5] = std::to_string(b.actualSize);
  return r;
}

std::size_t ErrorGrid::addRow(Row row) {
  if (!rows_.back()[0].empty()) rows_.emplace_back();
  const std::size_t r = rows_.size() - 1;
  row[0] = std::to_string(r);
  rows_[r] = std::move(row);
  return r;
}

void ErrorGrid::dropOpenRow() {
  if (rows_.size() < 2 || !rows_.back()[5].empty() || rows_.back()[0].empty()) return;
  if (rows_.size() < 3)
    rows_[1] = Row{};
  else
    rows_.pop_back();
}

std::size_t ErrorGrid::filledRows() const {
  std::size_t n = 0;
  for (std::size_t i = 1; i < rows_.size(); ++i) n += !rows_[i][0].empty();
  return n;
}

}  // namespace corvel
