#include "support/asf_read.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "support/clips.hpp"

namespace corvel::test {

namespace {

std::string GuidAt(const Bytes& b, std::uint64_t at) {
  if (at + 16 > b.size()) return "";
  char s[40];
  std::snprintf(s, sizeof s, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", DWordOr0(b, at), WordOr0(b, at + 4),
                WordOr0(b, at + 6), b[at + 8], b[at + 9], b[at + 10], b[at + 11], b[at + 12], b[at + 13], b[at + 14], b[at + 15]);
  return s;
}

constexpr const char* kHeader = "75B22630-668E-11CF-A6D9-00AA0062CE6C";
constexpr const char* kFileProperties = "8CABDCA1-A947-11CF-8EE4-00C00C205365";
constexpr const char* kData = "75B22636-668E-11CF-A6D9-00AA0062CE6C";
constexpr const char* kSimpleIndex = "33000890-E5B1-11CF-89F4-00A0C90349CB";
constexpr const char* kStreamProperties = "B7DC0791-A9B7-11CF-8EE6-00C00C205365";
constexpr const char* kVideoMedia = "BC19EFC0-5B4D-11CF-A8FD-00805F5C442B";

// Reads the fields of one packet in order; `fail` names the first that does not fit.
class PacketReader {
 public:
  PacketReader(const Bytes& b, std::uint64_t from, std::uint32_t size) : b_(b), at_(from), end_(from + size) {}

  bool read(AsfPacket& p, std::string& fail) {
    std::uint8_t flags = byte();
    if (flags & 0x80) {  // error correction data
      at_ += flags & 0x0F;
      flags = byte();
    }
    const std::uint8_t props = byte();
    const std::uint64_t packetLength = field(flags >> 5);
    field(flags >> 1);  // sequence
    const std::uint64_t padding = field(flags >> 3);
    p.sendTime = static_cast<std::uint32_t>(field(3));
    field(2);  // duration
    const std::uint64_t used = packetLength ? packetLength : end_ - begin_;
    const std::uint64_t stop = begin_ + used - std::min(padding, used);
    if (stop > end_) return fail = "packet length or padding past the packet", false;
    if (flags & 1) {
      const std::uint8_t pf = byte();
      for (int i = 0; i < (pf & 0x3F); ++i)
        if (!payload(p, props, pf >> 6, stop, fail)) return false;
    } else if (!payload(p, props, -1, stop, fail)) {
      return false;
    }
    if (at_ != stop) return fail = "payloads end " + std::to_string(static_cast<std::int64_t>(stop - at_)) + " bytes before the padding", false;
    return true;
  }

 private:
  std::uint8_t byte() { return static_cast<std::uint8_t>(field(1)); }
  // A field of the 2-bit length type `code` (0: none, 1: byte, 2: word, 3: dword).
  std::uint64_t field(int code) {
    static constexpr int kWidth[] = {0, 1, 2, 4};
    const int w = kWidth[code & 3];
    std::uint64_t v = 0;
    for (int i = 0; i < w; ++i) v |= std::uint64_t{at_ + i < b_.size() ? b_[at_ + i] : std::uint8_t{0}} << (8 * i);
    at_ += static_cast<std::uint64_t>(w);
    return v;
  }
  // One payload; `lengthType` -1 for the single payload, which runs to `stop`.
  bool payload(AsfPacket& p, std::uint8_t props, int lengthType, std::uint64_t stop, std::string& fail) {
    AsfPayload pl;
    const std::uint8_t s = byte();
    pl.stream = s & 0x7F;
    pl.key = (s & 0x80) != 0;
    pl.object = static_cast<std::uint32_t>(field(props >> 4));
    pl.offset = static_cast<std::uint32_t>(field(props >> 2));
    const std::uint64_t replicated = field(props);
    if (replicated >= 8) {
      pl.objectSize = DWordOr0(b_, at_);
      pl.time = DWordOr0(b_, at_ + 4);
    }
    const bool compressed = replicated == 1;
    std::uint8_t delta = 0;
    if (compressed) {
      pl.time = pl.offset;
      pl.offset = 0;
      delta = b_[at_];
    }
    at_ += replicated;
    const std::uint64_t length = lengthType < 0 ? (stop > at_ ? stop - at_ : 0) : field(lengthType);
    if (at_ + length > stop) return fail = "payload of stream " + std::to_string(pl.stream) + " past the packet's data", false;
    if (!compressed) {
      if (pl.offset + length > pl.objectSize) return fail = "payload past its media object's size", false;
      pl.length = static_cast<std::uint32_t>(length);
      pl.at = at_;
      p.payloads.push_back(pl);
      at_ += length;
      return true;
    }
    // Sub-payloads: each a whole media object, its length in a byte before it.
    for (const std::uint64_t end = at_ + length; at_ < end; ++pl.object, pl.time += delta) {
      pl.objectSize = pl.length = b_[at_];
      at_ += 1 + pl.length;
      if (at_ > end) return fail = "compressed sub-payload past its payload", false;
      p.payloads.push_back(pl);
    }
    return true;
  }

  const Bytes& b_;
  std::uint64_t at_;
  std::uint64_t begin_ = at_;
  std::uint64_t end_;
};

}  // namespace

AsfRead ReadAsf(const Bytes& b) {
  AsfRead a;
  auto problem = [&](const std::string& what) { a.problems.push_back(what); };
  if (GuidAt(b, 0) != kHeader) return problem("no Header Object"), a;
  const std::uint64_t headerSize = static_cast<std::uint64_t>(QWordOr0(b, 16));
  const std::uint32_t count = DWordOr0(b, 24);
  std::uint64_t at = 30;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint64_t size = static_cast<std::uint64_t>(QWordOr0(b, at + 16));
    if (size < 24 || at + size > headerSize) return problem("header object " + std::to_string(i) + " past the header"), a;
    a.headerObjects.push_back(GuidAt(b, at));
    if (a.headerObjects.back() == kFileProperties) {
      if (static_cast<std::uint64_t>(QWordOr0(b, at + 40)) != b.size()) problem("File Properties' file size is not the file's");
      a.declaredPackets = static_cast<std::uint64_t>(QWordOr0(b, at + 56));
      a.packetSize = DWordOr0(b, at + 96);
      if (DWordOr0(b, at + 92) != a.packetSize) problem("minimum and maximum packet sizes differ");
    }
    if (a.headerObjects.back() == kStreamProperties && GuidAt(b, at + 24) == kVideoMedia && a.videoStream == 0)
      a.videoStream = WordOr0(b, at + 72) & 0x7F;
    at += size;
  }
  if (at != headerSize) problem("the header's objects end " + std::to_string(headerSize - at) + " bytes before its end");
  if (GuidAt(b, at) != kData) return problem("no Data Object after the header"), a;
  const std::uint64_t dataSize = static_cast<std::uint64_t>(QWordOr0(b, at + 16));
  a.dataPackets = static_cast<std::uint64_t>(QWordOr0(b, at + 40));
  if (a.dataPackets != a.declaredPackets) problem("the Data Object's packet count is not the File Properties'");
  if (a.packetSize == 0 || dataSize != 50 + a.dataPackets * a.packetSize || at + dataSize > b.size())
    return problem("the Data Object's size is not 50 + packets x packet size within the file"), a;
  for (std::uint64_t k = 0; k < a.dataPackets; ++k) {
    AsfPacket p;
    std::string fail;
    if (!PacketReader(b, at + 50 + k * a.packetSize, a.packetSize).read(p, fail)) problem("packet " + std::to_string(k) + ": " + fail);
    a.packets.push_back(std::move(p));
  }
  at += dataSize;
  while (at + 24 <= b.size()) {
    const std::uint64_t size = static_cast<std::uint64_t>(QWordOr0(b, at + 16));
    if (size < 24 || at + size > b.size()) return problem("object after the data past the file's end"), a;
    if (GuidAt(b, at) == kSimpleIndex) {
      a.hasIndex = true;
      a.indexInterval = static_cast<std::uint64_t>(QWordOr0(b, at + 40));
      const std::uint32_t n = DWordOr0(b, at + 52);
      if (56 + 6ull * n != size) problem("Simple Index size is not 56 + 6 x its entries");
      for (std::uint32_t i = 0; i < n && at + 56 + 6ull * i + 6 <= b.size(); ++i)
        a.index.emplace_back(DWordOr0(b, at + 56 + 6ull * i), WordOr0(b, at + 60 + 6ull * i));
    }
    at += size;
  }
  if (at != b.size()) problem("bytes after the last object");
  return a;
}

void ExpectSoundAsf(const AsfRead& a, bool numbersGoOn) {
  for (const std::string& p : a.problems) ADD_FAILURE() << p;
  // Media object numbers: a fragment keeps its object's number, a new
  // object takes the next (modulo the field's width, a byte here).
  std::map<int, std::uint32_t> last;
  std::uint32_t sendTime = 0;
  struct Frame {
    std::uint32_t packet, packets, time;
  };
  std::map<int, std::vector<Frame>> keys;
  for (std::uint32_t k = 0; k < a.packets.size(); ++k) {
    const AsfPacket& p = a.packets[k];
    EXPECT_GE(p.sendTime, sendTime) << "packet " << k << " goes back in time";
    sendTime = p.sendTime;
    for (const AsfPayload& pl : p.payloads) {
      const auto it = last.find(pl.stream);
      if (it != last.end()) {
        if (pl.offset > 0) {
          EXPECT_EQ(pl.object & 0xFF, it->second) << "packet " << k << ", stream " << pl.stream << ": a fragment of another object";
        } else if (numbersGoOn) {
          EXPECT_EQ(pl.object & 0xFF, (it->second + 1) & 0xFF) << "packet " << k << ", stream " << pl.stream;
        }
      }
      last[pl.stream] = pl.object & 0xFF;
      auto& f = keys[pl.stream];
      if (pl.offset == 0 && pl.key) f.push_back({k, 1, pl.time});
      else if (pl.offset > 0 && pl.key && !f.empty() && f.back().packet + f.back().packets == k) ++f.back().packets;
    }
  }
  if (!a.hasIndex || a.index.empty()) return;
  // The index's stream: the first video stream of the header.
  const std::uint64_t unitMs = a.indexInterval / 10000;
  ASSERT_GT(unitMs, 0u);
  ASSERT_NE(a.videoStream, 0) << "an index without a video stream";
  const std::vector<Frame>* video = &keys[a.videoStream];
  ASSERT_FALSE(video->empty()) << "an index of a video stream without key frames";
  for (std::size_t i = 1; i < a.index.size(); ++i) {
    const auto [packet, packets] = a.index[i];
    const Frame* named = nullptr;
    for (const Frame& f : *video)
      if (f.packet == packet && !named) named = &f;
    if (!named) {
      ADD_FAILURE() << "index entry " << i << " names packet " << packet << ", where no key frame starts";
      continue;
    }
    EXPECT_EQ(packets, named->packets) << "index entry " << i;
    // Entries before the first key frame's time name that frame.
    if (named != &video->front()) {
      EXPECT_LE(named->time / unitMs, i) << "index entry " << i << " names a later key frame";
    }
    for (const Frame& f : *video)
      if (f.time < i * unitMs) {
        EXPECT_LE(f.packet, packet) << "index entry " << i << " passes over the key frame at " << f.time << " ms";
      }
  }
}

void ExpectSoundAsf(const std::string& path, bool numbersGoOn) {
  SCOPED_TRACE(path);
  ExpectSoundAsf(ReadAsf(ReadFile(path)), numbersGoOn);
}

}  // namespace corvel::test
