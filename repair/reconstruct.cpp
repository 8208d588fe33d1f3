#include "repair/reconstruct.hpp"

#include <array>
#include <bitset>
#include <cstring>
#include <memory>

#include "asf/catalogue.hpp"
#include "asf/header_walk.hpp"
#include "asf/presenters.hpp"

namespace corvel {

namespace {

// The catalogue's GUIDs as bytes, with a filter on their first two bytes.
struct GuidSet {
  std::array<std::array<std::uint8_t, 16>, GUIDTable.size()> bytes{};
  std::bitset<65536> firstTwo;
  GuidSet() {
    for (std::size_t i = 0; i < GUIDTable.size(); ++i) {
      StrToGUID(GUIDTable[i].guid, bytes[i], 0);
      firstTwo.set(bytes[i][0] | (bytes[i][1] << 8));
    }
  }
  bool match(const std::uint8_t* p) const {
    if (!firstTwo.test(p[0] | (p[1] << 8))) return false;
    for (const auto& g : bytes)
      if (std::memcmp(p, g.data(), 16) == 0) return true;
    return false;
  }
};

const GuidSet& guids() {
  static const GuidSet set;
  return set;
}

}  // namespace

std::uint64_t FindKnownObject(Session& s, std::uint64_t from, std::uint64_t to) {
  const GuidSet& g = guids();
  const std::uint64_t end = std::min<std::uint64_t>(to, s.file.logicalSize());
  std::uint64_t q = from;
  while (q + 16 <= end) {
    const ByteView w = s.file.View(q, std::min<std::uint64_t>(SourceFile::CacheSize, end - q));
    if (w.size() < 16) break;
    const std::size_t last = w.size() - 16;
    for (std::size_t i = 0; i <= last; ++i)
      if (g.match(w.data() + i)) return q + i;
    q += last + 1;
    if (s.reporter) {
      s.reporter->progress(static_cast<int>(q * 100 / std::max<std::uint64_t>(end, 1)), "");
      if (s.reporter->stopRequested()) return to;
    }
  }
  return to;
}

namespace {

// One pass: from `fptr`, every known object found is listed and jumped over;
// a Data Object ends the pass (after listing it in pass 1).
void pass(Session& s, std::uint64_t fptr, std::int32_t parent, bool listData) {
  const std::uint64_t fsize = static_cast<std::uint64_t>(s.file.fsize);
  Bytes buf;
  while (fptr < fsize) {
    fptr = FindKnownObject(s, fptr, fsize);
    if (fptr >= fsize) break;
    s.file.ReadAt(fptr, 30, buf);
    const std::string id = GUIDToStr(buf, 0);
    const std::int64_t size = QWordOr0(buf, 16);
    if (id == guid::Data && !listData) break;
    s.lista.push_back({id, parent, static_cast<std::int64_t>(fptr), size, -1});
    if (id == guid::Data) break;
    // The search goes on after the object; a size of 0 or less moves it one
    // byte on, one that runs past the end ends it.
    fptr = size >= 1 ? (static_cast<std::uint64_t>(size) < fsize - fptr ? fptr + static_cast<std::uint64_t>(size) : fsize)
                     : fptr + 1;
  }
}

}  // namespace

bool ReconstructHeader(Session& s) {
  if (!ReopenSource(s)) return false;
  ReconstructOpenSource(s);
  s.file.Close();
  return true;
}

void ReconstructOpenSource(Session& s) {
  s.file.CacheReset();
  s.file.cuts.CutsClear();
  s.errPacks.clear();
  s.errGrid.reset(s.lang);
  s.memo.clear();
  s.tree.clear();
  s.tomemo(s.T("• реконструкция заголовка"));
  s.lista.clear();

  pass(s, 0, -1, true);
  std::int32_t header = -1;
  for (std::size_t i = 0; i < s.lista.size(); ++i)
    if (s.lista[i].id == guid::Header) {
      header = static_cast<std::int32_t>(i);
      break;
    }
  const bool stopped = s.reporter && s.reporter->stopRequested();
  if (header >= 0 && !stopped) pass(s, static_cast<std::uint64_t>(s.lista[header].offset) + 16, header, false);
  Blocks2TV(s);
  // Also without a Header Object the objects found are parsed: that is the
  // case reconstruction exists for, and the minimal header is built from them.
  lista2struct(s);
  s.options.RadioZIEnabled = false;
  s.options.RadioZM = true;
}

}  // namespace corvel
