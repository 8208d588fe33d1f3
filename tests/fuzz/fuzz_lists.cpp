// Fuzzes the error list file (".index", 26-byte records) and the repairs it
// drives: its offsets and sizes, untrusted, against a small sound file.
#include <cstddef>
#include <cstdint>

#include "repair/error_list.hpp"
#include "session/actions.hpp"
#include "support/asf_builder.hpp"

using namespace corvel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<ListedBlock> list;
  if (!DecodeErrorList(ByteView(data, size), list)) return 0;
  Bytes again;
  (void)EncodeErrorList(list, again);
  static const Bytes file = test::MinimalFile(40);
  for (RepairMode mode : {RepairMode::cutEqualRepeats, RepairMode::cutByStructure, RepairMode::cutAndRemeasure, RepairMode::acceptSizes}) {
    Session s;
    if (!OpenBytes(s, "fuzz.wmv", file) || !Scan(s)) return 0;
    s.errorList = list;
    if (Repair(s, mode, RepairOptions{.onlyLongerBlocks = false, .onlyZeroRepeats = false, .minRepeat = 1})) Scan(s);
  }
  return 0;
}
