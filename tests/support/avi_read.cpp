#include "support/avi_read.hpp"

#include <gtest/gtest.h>

#include <map>

namespace corvel::test {

namespace {

std::string FourCC(const Bytes& b, std::uint64_t at) {
  return at + 4 <= b.size() ? std::string(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + 4)) : "";
}

bool IsDataChunk(const std::string& id) {
  return id.size() == 4 && std::isdigit(static_cast<unsigned char>(id[0])) && std::isdigit(static_cast<unsigned char>(id[1])) &&
         (id.substr(2) == "dc" || id.substr(2) == "db" || id.substr(2) == "wb");
}

class Walker {
 public:
  Walker(const Bytes& b, AviRead& a) : b_(b), a_(a) {}

  void file() {
    std::uint64_t at = 0;
    while (at + 12 <= b_.size()) {
      const std::string id = FourCC(b_, at), form = FourCC(b_, at + 8);
      const std::uint64_t size = DWordOr0(b_, at + 4);
      if (id != "RIFF" || form != (a_.riffSizes.empty() ? "AVI " : "AVIX")) return problem("RIFF list " + id + "/" + form, at);
      if (at + 8 + size > b_.size()) return problem("RIFF list past the end", at);
      a_.riffSizes.push_back(size);
      children(at + 12, at + 8 + size, form);
      at += 8 + size + (size & 1);
    }
    if (at != b_.size()) problem("bytes after the last RIFF list", at);
    idx1();
  }

 private:
  void problem(const std::string& what, std::uint64_t at) { a_.problems.push_back(what + " at " + std::to_string(at)); }

  // The chunks of a list [from, end): each must fit, and the last end there.
  void children(std::uint64_t from, std::uint64_t end, const std::string& list) {
    std::uint64_t at = from;
    while (at + 8 <= end) {
      const std::string id = FourCC(b_, at);
      const std::uint64_t size = DWordOr0(b_, at + 4), data = at + 8;
      if (data + size > end) return problem("chunk " + id + " in " + list + " past its list", at);
      if (id == "LIST") {
        const std::string type = FourCC(b_, data);
        if (type == "movi") moviStarts_.push_back(data);
        children(data + 4, data + size, type);
      } else {
        chunk(id, data, size, list);
      }
      at = data + size + (size & 1);
    }
    if (at < end) problem("list " + list + " holds " + std::to_string(end - at) + " bytes not in a chunk", at);
  }

  void chunk(const std::string& id, std::uint64_t data, std::uint64_t size, const std::string& list) {
    if (id == "avih") a_.mainFrames = DWordOr0(b_, data + 16);
    if (id == "dmlh") a_.extendedFrames = DWordOr0(b_, data);
    if (id == "strh") {
      AviTrack t;
      t.type = FourCC(b_, data);
      t.scale = DWordOr0(b_, data + 20);
      t.rate = DWordOr0(b_, data + 24);
      t.length = DWordOr0(b_, data + 32);
      a_.tracks.push_back(t);
    }
    if (id == "strf" && !a_.tracks.empty() && a_.tracks.back().type == "auds") {
      a_.tracks.back().bytesPerSecond = DWordOr0(b_, data + 8);
      a_.tracks.back().blockAlign = WordOr0(b_, data + 12);
    }
    if (id == "indx" && !a_.tracks.empty()) superIndex(data, size, a_.tracks.back());
    if (id == "idx1") idx1_ = {data, size};
    if (list == "movi" && IsDataChunk(id)) {
      AviChunk c{id, false, CopyOut(b_, data, size)};
      byOffset_[data - 8] = a_.movi.size();
      a_.movi.push_back(std::move(c));
    }
  }

  // OpenDML: the super index points at standard index chunks, whose
  // entries point at the data of the chunks they name.
  void superIndex(std::uint64_t data, std::uint64_t size, AviTrack& t) {
    const std::uint32_t used = DWordOr0(b_, data + 4);
    const std::string code = FourCC(b_, data + 8);
    if (24 + 16ull * used > size) return problem("indx entries past the chunk", data);
    for (std::uint32_t i = 0; i < used; ++i) {
      const std::uint64_t e = data + 24 + 16ull * i;
      const auto ix = static_cast<std::uint64_t>(QWordOr0(b_, e));
      const std::uint32_t ixSize = DWordOr0(b_, e + 8), duration = DWordOr0(b_, e + 12);
      if (FourCC(b_, ix) != "ix" + code.substr(0, 2) || DWordOr0(b_, ix + 4) + 8 != ixSize)
        problem("super index entry " + std::to_string(i) + " of " + code + " points at no standard index", e);
      const std::uint32_t n = DWordOr0(b_, ix + 12);
      if (n != duration) problem("standard index entries " + std::to_string(n) + " against the super index's " + std::to_string(duration), e);
      const auto base = static_cast<std::uint64_t>(QWordOr0(b_, ix + 20));
      for (std::uint32_t k = 0; k < n && ix + 32 + 8ull * k + 8 <= b_.size(); ++k) {
        const std::uint64_t off = base + DWordOr0(b_, ix + 32 + 8ull * k);
        const std::uint32_t raw = DWordOr0(b_, ix + 36 + 8ull * k), sz = raw & 0x7FFFFFFFu;
        if (FourCC(b_, off - 8) != code || DWordOr0(b_, off - 4) != sz) {
          problem("standard index entry " + std::to_string(k) + " of " + code + " points at no such chunk", ix);
          continue;
        }
        t.indexed.push_back({code, (raw & 0x80000000u) == 0, CopyOut(b_, off, sz)});
      }
    }
  }

  // idx1: offsets from the first movi list's type, each at a chunk of the
  // code and size it names.
  void idx1() {
    if (!idx1_.second) return;
    if (moviStarts_.empty()) return problem("idx1 without a movi list", idx1_.first);
    const std::uint64_t movi = moviStarts_.front();
    for (std::uint64_t e = idx1_.first; e + 16 <= idx1_.first + idx1_.second; e += 16) {
      const std::string code = FourCC(b_, e);
      const std::uint64_t at = movi + DWordOr0(b_, e + 8);
      const std::uint32_t size = DWordOr0(b_, e + 12);
      if (!byOffset_.count(at) || FourCC(b_, at) != code || DWordOr0(b_, at + 4) != size) {
        problem("idx1 entry " + std::to_string((e - idx1_.first) / 16) + " (" + code + ") points at no such chunk", e);
        continue;
      }
      a_.chunks.push_back({code, (DWordOr0(b_, e + 4) & 0x10) != 0, CopyOut(b_, at + 8, size)});
    }
  }

  const Bytes& b_;
  AviRead& a_;
  std::vector<std::uint64_t> moviStarts_;
  std::map<std::uint64_t, std::size_t> byOffset_;  // chunk header offset -> movi entry
  std::pair<std::uint64_t, std::uint64_t> idx1_{0, 0};
};

}  // namespace

std::vector<std::string> AviRead::types() const {
  std::vector<std::string> out;
  for (const AviTrack& t : tracks) out.push_back(t.type);
  return out;
}

AviRead ReadAvi(const Bytes& b) {
  AviRead a;
  Walker(b, a).file();
  return a;
}

std::size_t TrackOf(const std::string& code) { return static_cast<std::size_t>((code[0] - '0') * 10 + (code[1] - '0')); }

void ExpectSoundAvi(const AviRead& a) {
  EXPECT_TRUE(a.problems.empty()) << a.problems.front();
  const bool odml = a.extendedFrames >= 0;
  std::vector<std::vector<const AviChunk*>> moviOf(a.tracks.size());
  for (const AviChunk& c : a.movi) {
    ASSERT_LT(TrackOf(c.code), a.tracks.size()) << c.code;
    moviOf[TrackOf(c.code)].push_back(&c);
  }
  // idx1 lists the first RIFF list's chunks in order (every chunk without OpenDML).
  if (!odml) {
    ASSERT_EQ(a.chunks.size(), a.movi.size());
  }
  for (std::size_t i = 0; i < a.chunks.size() && i < a.movi.size(); ++i) {
    EXPECT_EQ(a.chunks[i].code, a.movi[i].code) << "idx1 entry " << i;
    EXPECT_EQ(a.chunks[i].data, a.movi[i].data) << "idx1 entry " << i;
  }
  std::size_t mainVideo = a.tracks.size();
  for (std::size_t t = 0; t < a.tracks.size(); ++t) {
    const AviTrack& track = a.tracks[t];
    if (odml) {
      ASSERT_EQ(track.indexed.size(), moviOf[t].size()) << "track " << t;
      for (std::size_t i = 0; i < track.indexed.size(); ++i) EXPECT_EQ(track.indexed[i].data, moviOf[t][i]->data) << "track " << t << " chunk " << i;
    }
    // Audio runs at the format's byte rate in blocks of its alignment.
    if (track.type == "auds") {
      EXPECT_EQ(track.scale, track.blockAlign) << "track " << t;
      EXPECT_EQ(track.rate, track.bytesPerSecond) << "track " << t;
    }
    if (track.type != "vids") continue;
    EXPECT_EQ(track.length, moviOf[t].size()) << "track " << t;
    if (mainVideo == a.tracks.size()) mainVideo = t;
  }
  // The main header counts the first video track's frames: with OpenDML
  // those of the first RIFF list (the ones idx1 lists), the extended header
  // all of them.
  std::uint32_t all = 0, first = 0;
  if (mainVideo < a.tracks.size()) {
    all = static_cast<std::uint32_t>(moviOf[mainVideo].size());
    for (const AviChunk& c : a.chunks) first += TrackOf(c.code) == mainVideo;
  }
  EXPECT_EQ(a.mainFrames, odml ? first : all);
  if (odml) {
    EXPECT_EQ(a.extendedFrames, all);
  }
}

}  // namespace corvel::test
