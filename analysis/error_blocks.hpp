// Damaged stretches found by the scan and the error grid that lists them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "app/localization.hpp"

namespace corvel {

struct TErrBlock {
  std::uint32_t packet = 0;  // packets recognised before the stretch
  std::string id;            // empty when made by the scan
  std::uint64_t offset = 0;  // where the stretch begins
  std::uint32_t declaredSize = 0;
  std::uint64_t actualSize = 0;  // from offset to the next packet start, once closed
  char closed = ' ';             // '*' once the actual size is set
  bool isClosed() const { return closed == '*'; }
};

// The grid of error rows: 8 columns, row 0 the header. An empty grid has
// two rows, row 1 blank.
class ErrorGrid {
 public:
  using Row = std::array<std::string, 8>;

  ErrorGrid() { reset(Language::rus); }
  // Header in the given language, one blank data row.
  void reset(Language lang);
  // Shows a block in the last row when it is the same block (now closed),
  // else in a new row; returns the row used.
  std::size_t ShowErrBlocks(const TErrBlock& b);
  // Removes the last row when it holds an open block (with fewer than 3 rows
  // the row is cleared instead).
  void dropOpenRow();
  // Puts a row into the last row when that is blank, else appends it;
  // column 0 becomes the row number. Returns the row used.
  std::size_t addRow(Row row);

  const std::vector<Row>& rows() const { return rows_; }
  // Data rows that hold something.
  std::size_t filledRows() const;

 private:
  std::vector<Row> rows_;
};

}  // namespace corvel
