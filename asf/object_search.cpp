#include "asf/object_search.hpp"

#include <algorithm>
#include <cstring>

#include "asf/catalogue.hpp"

namespace corvel {

GuidSet::GuidSet(std::span<const std::string_view> guids) {
  for (const std::string_view g : guids) {
    std::array<std::uint8_t, 16> b{};
    StrToGUID(g, b, 0);
    firstTwo_.set(b[0] | (b[1] << 8));
    bytes_.push_back(b);
  }
}

bool GuidSet::match(const std::uint8_t* p) const {
  if (!firstTwo_.test(p[0] | (p[1] << 8))) return false;
  for (const auto& g : bytes_)
    if (std::memcmp(p, g.data(), 16) == 0) return true;
  return false;
}

const GuidSet& CatalogueGuids() {
  static const GuidSet set = [] {
    std::vector<std::string_view> ids;
    for (const auto& e : GUIDTable) ids.push_back(e.guid);
    return GuidSet(ids);
  }();
  return set;
}

const GuidSet& IndexGuids() {
  static constexpr std::string_view kIds[] = {guid::SimpleIndex, guid::Index, guid::MediaObjectIndex, guid::TimecodeIndex};
  static const GuidSet set{std::span(kIds)};
  return set;
}

std::uint64_t FindObject(SourceFile& file, std::uint64_t from, std::uint64_t to, const GuidSet& set, JobContext* ctx) {
  const std::uint64_t end = std::min<std::uint64_t>(to, file.logicalSize());
  std::uint64_t q = from;
  while (q + 16 <= end) {
    const ByteView w = file.View(q, std::min<std::uint64_t>(SourceFile::CacheSize, end - q));
    if (w.size() < 16) break;
    const std::size_t last = w.size() - 16;
    for (std::size_t i = 0; i <= last; ++i)
      if (set.match(w.data() + i)) return q + i;
    q += last + 1;
    if (ctx) {
      ctx->progress(q, end, Phase::searching);
      if (ctx->stopRequested()) return to;
    }
  }
  return to;
}

}  // namespace corvel
