#include "asf/locators.hpp"

#include <optional>

#include "asf/catalogue.hpp"
#include "asf/chain.hpp"
#include "asf/field_visitors.hpp"

namespace corvel {

namespace {

bool startsWithHeader(const ByteSource& f) { return Guid::read(ReadPadded(f, 0, 16), 0) == guid::Header; }

// Walks the objects from the first child of the header until the Data
// Object or the end of the file; returns the offset of the first object for
// which `match` holds, or -1.
template <typename Match>
std::int64_t walkHeader(const ByteSource& f, std::uint64_t readLen, Match match) {
  if (!startsWithHeader(f)) return -1;
  std::int64_t found = -1;
  WalkChain(
      30, f.size(), readLen, [&](std::uint64_t at, std::uint64_t n) { return ReadPadded(f, at, n); },
      [&](const ChainObject& o) {
        if (match(o.guid, o.head)) found = static_cast<std::int64_t>(o.offset);
        return found < 0 && o.guid != guid::Data;
      });
  return found;
}

}  // namespace

std::int64_t ReadHeaderSize(const ByteSource& f) {
  const Bytes b = ReadPadded(f, 0, 24);
  return Guid::read(b, 0) == guid::Header ? QWordOr0(b, 16) : -1;
}

std::int64_t FindDataObject(const ByteSource& f) {
  const std::int64_t size = ReadHeaderSize(f);
  if (size < 0) return -1;
  const Bytes b = ReadPadded(f, static_cast<std::uint64_t>(size), 50);
  return Guid::read(b, 0) == guid::Data ? size : -1;
}

std::int64_t FindFileProperties(const ByteSource& f) {
  return walkHeader(f, 24, [](const Guid& id, ByteView) { return id == guid::FileProperties; });
}

namespace {
// The file's File Properties Object, read through its description.
std::optional<FileProperties> fileProperties(const ByteSource& f) {
  const std::int64_t p = FindFileProperties(f);
  if (p < 0) return std::nullopt;
  return ReadFields<FileProperties>(ReadPadded(f, static_cast<std::uint64_t>(p), static_cast<std::uint64_t>(kFilePropertiesSize)));
}
}  // namespace

std::uint32_t ReadPacketSize(const ByteSource& f) {
  const auto r = fileProperties(f);
  return r ? r->minimumPacketSize : 0;
}
std::int64_t ReadPlayDuration(const ByteSource& f) {
  const auto r = fileProperties(f);
  return r ? r->playDuration : -1;
}
std::int64_t ReadPreroll(const ByteSource& f) {
  const auto r = fileProperties(f);
  return r ? r->preroll : -1;
}

}  // namespace corvel
