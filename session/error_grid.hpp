// The grid of error rows the window shows and the command line prints: 8
// columns, row 0 the header. An empty grid has two rows, row 1 blank.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "analysis/error_blocks.hpp"
#include "l10n/messages.hpp"

namespace corvel {

class ErrorGrid {
 public:
  using Row = std::array<std::string, 8>;

  ErrorGrid() { reset(Language::rus); }
  // Header in the given language, one blank data row.
  void reset(Language lang);
  // Shows a block in the last row when it is the same block (now closed),
  // else in a new row; returns the row used.
  std::size_t showBlock(const ErrorBlock& b);
  // Removes the last row when it holds an open block (with fewer than 3 rows
  // the row is cleared instead).
  void dropOpenRow();
  // Puts a row into the last row when that is blank, else appends it;
  // column 0 becomes the row number. Returns the row used. `block` is the
  // error list entry the row shows, when it shows one.
  std::size_t addRow(Row row, std::optional<std::size_t> block = std::nullopt);
  // Refills the grid with the listed records of an error list, column 1
  // their index in the list.
  void showList(const std::vector<ListedBlock>& list, Language lang);

  const std::vector<Row>& rows() const { return rows_; }
  // The error list entry row `r` shows (rows of a running scan show none).
  std::optional<std::size_t> blockOf(std::size_t r) const { return r < blocks_.size() ? blocks_[r] : std::nullopt; }
  // Data rows that hold something.
  std::size_t filledRows() const;

 private:
  std::vector<Row> rows_;
  std::vector<std::optional<std::size_t>> blocks_;  // beside rows_
};

}  // namespace corvel
