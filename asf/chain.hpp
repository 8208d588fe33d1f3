// The object chain: objects one after another, each found at the end of the
// one before by its size. Every size is checked before it is followed.
#pragma once

#include <cstdint>
#include <string>

#include "asf/bytes.hpp"

namespace corvel {

enum class ChainEnd {
  endOfFile,    // the last object ended at the end
  stopped,      // the visitor asked to stop
  sizeBelow24,  // an object's size cannot even hold its own GUID and size
  pastEnd,      // an object's size runs past the end
};

struct ChainObject {
  std::uint64_t offset = 0;
  Guid guid;
  std::int64_t size = 0;
  ByteView head;  // the first bytes of the object, as many as asked for
};

// Walks the chain from `from` up to `end`. `read(offset, n)` gives n bytes
// at offset (zero past the end); `visit(object)` sees each object before its
// size is judged, and returns false to stop there. `last` keeps the object
// the walk ended at.
template <typename Read, typename Visit>
ChainEnd WalkChain(std::uint64_t from, std::uint64_t end, std::uint64_t headBytes, Read read, Visit visit,
                   ChainObject* last = nullptr) {
  ChainObject o;
  for (std::uint64_t at = from; at < end;) {
    const auto bytes = read(at, headBytes);
    o.offset = at;
    o.head = ByteView(bytes);
    o.guid = Guid::read(o.head, 0);
    o.size = QWordOr0(o.head, 16);
    if (last) *last = o;
    if (!visit(o)) return ChainEnd::stopped;
    if (o.size < 24) return ChainEnd::sizeBelow24;
    if (static_cast<std::uint64_t>(o.size) > end - at) return ChainEnd::pastEnd;
    at += static_cast<std::uint64_t>(o.size);
  }
  return ChainEnd::endOfFile;
}

}  // namespace corvel
