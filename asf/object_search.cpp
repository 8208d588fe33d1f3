#include "asf/object_search.hpp"

#include <algorithm>
#include <cstring>

#include "asf/catalogue.hpp"

namespace corvel {

namespace {
constexpr std::size_t kLen = 16;
std::size_t blockAt(const std::uint8_t* p) { return p[0] | (std::size_t{p[1]} << 8); }
}  // namespace

GuidSet::GuidSet(std::span<const Guid> guids) : shift_(65536, kLen - 1) {
  for (const Guid& g : guids) {
    const std::array<std::uint8_t, kLen>& b = g.bytes();
    firstTwo_.set(blockAt(b.data()));
    bytes_.push_back(b);
    // A pair of bytes that ends at position j of the GUID: the GUID may
    // begin 15 - j before the window's last byte.
    for (std::size_t j = 1; j < kLen; ++j) {
      inGuid_.set(blockAt(&b[j - 1]));
      std::uint8_t& s = shift_[blockAt(&b[j - 1])];
      s = std::min<std::uint8_t>(s, static_cast<std::uint8_t>(kLen - 1 - j));
    }
  }
}

std::size_t GuidSet::find(ByteView w) const {
  if (w.size() < kLen) return w.size();
  const std::size_t last = w.size() - kLen;
  for (std::size_t i = 0; i <= last;) {
    // Most pairs are in no GUID: the small set answers those from the cache.
    const std::size_t block = blockAt(w.data() + i + kLen - 2);
    if (!inGuid_.test(block)) {
      i += kLen - 1;
      continue;
    }
    const std::uint8_t s = shift_[block];
    if (s != 0) {
      i += s;
    } else {
      if (match(w.data() + i)) return i;
      ++i;
    }
  }
  return w.size();
}

bool GuidSet::match(const std::uint8_t* p) const {
  if (!firstTwo_.test(p[0] | (p[1] << 8))) return false;
  for (const auto& g : bytes_)
    if (std::memcmp(p, g.data(), 16) == 0) return true;
  return false;
}

const GuidSet& CatalogueGuids() {
  static const GuidSet set = [] {
    std::vector<Guid> ids;
    for (const auto& e : GUIDTable) ids.push_back(e.guid);
    return GuidSet(ids);
  }();
  return set;
}

const GuidSet& IndexGuids() {
  static constexpr Guid kIds[] = {guid::SimpleIndex, guid::Index, guid::MediaObjectIndex, guid::TimecodeIndex};
  static const GuidSet set{std::span(kIds)};
  return set;
}

std::uint64_t FindObject(SourceFile& file, std::uint64_t from, std::uint64_t to, const GuidSet& set, JobContext* ctx) {
  const std::uint64_t end = std::min<std::uint64_t>(to, file.logicalSize());
  std::uint64_t q = from;
  while (q + 16 <= end) {
    const ByteView w = file.view(q, std::min<std::uint64_t>(SourceFile::CacheSize, end - q));
    if (w.size() < 16) break;
    const std::size_t last = w.size() - 16;
    const std::size_t at = set.find(w);
    if (at < w.size()) return q + at;
    q += last + 1;
    if (ctx) {
      ctx->step();
      ctx->progress(q, end, phase::searching);
      if (ctx->stopRequested()) return to;
    }
  }
  return to;
}

}  // namespace corvel
