// The error rows the window's grid and the command line show: a scan's
// blocks as it finds them, or the listed entries of the error list.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/error_blocks.hpp"
#include "analysis/media_objects.hpp"
#include "repair/cut_judging.hpp"
#include "l10n/messages.hpp"

namespace corvel {

// A row shows an error block (of a scan or the error list), or a media
// object the decoder found damaged.
enum class RowKind { errorBlock, damagedObject };

struct ErrorRow {
  std::uint64_t number = 0;          // the packet the row's block or object begins in
  std::optional<std::size_t> entry;  // the error list entry the row shows (a scan's rows show none)
  std::string id;
  std::uint64_t offset = 0;
  std::int64_t declaredSize = 0;
  std::optional<std::uint64_t> actualSize;  // none while the block is open
  std::optional<std::int64_t> delta;
  std::string repeat;  // the longest repeat: "4096(00) at 12"
  RowKind kind = RowKind::errorBlock;
  bool unreadable = false;  // a block over bytes the system could not read
  bool leftByCut = false;   // a damaged object a repair's cut left so
  bool operator==(const ErrorRow&) const = default;
};

// The columns: the row's place (from 1), then the row's fields as text; a
// block over unreadable bytes says so in the last.
constexpr std::size_t kErrorColumns = 8;
using ErrorCells = std::array<std::string, kErrorColumns>;
ErrorCells CellsOf(const ErrorRow& row, std::size_t place, Language lang);
ErrorCells ErrorColumnTitles(Language lang);

// Where the packets lie: the first one's offset and their size (0 when
// not known).
struct PacketPlaces {
  std::uint64_t first = 0;
  std::uint64_t size = 0;
  // The packet holding a logical offset (0 before the first or when unknown).
  std::uint64_t packetAt(std::uint64_t offset) const { return size && offset >= first ? (offset - first) / size : 0; }
};

class ErrorRows {
 public:
  void clear() { rows_.clear(); }
  // Shows a scan's block: in the last row when it is the same block (now
  // closed), else in a new row. Returns the row used.
  std::size_t showBlock(const ErrorBlock& b);
  // Removes the last row when it holds a block still open.
  void dropOpenRow();
  // The listed entries of an error list, each row keeping its entry and
  // showing the packet its block begins in.
  void showList(const std::vector<ListedBlock>& list, PacketPlaces places = {});
  // The damaged media objects of a verify after the blocks' rows (in place
  // of an earlier verify's): the first packet as the number, "stream:object"
  // as the id, the first packet's offset, and the presentation time and
  // the decoder's words in the last column.
  void showDamaged(const std::vector<DamagedObject>& damaged);
  // A frame a repair's cut left damaged, after the other rows: the packet
  // of the cut as the number, "stream:object" as the id, the cut's offset,
  // and the presentation time and what befell it in the last column.
  void showLeftByCut(std::uint64_t packet, std::uint64_t offset, const DamagedFrame& f);

  const std::vector<ErrorRow>& rows() const { return rows_; }
  std::size_t size() const { return rows_.size(); }

 private:
  std::vector<ErrorRow> rows_;
};

}  // namespace corvel
