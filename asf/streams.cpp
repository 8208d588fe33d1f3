#include "asf/streams.hpp"

#include <algorithm>

#include "asf/catalogue.hpp"
#include "asf/chain.hpp"
#include "asf/field_visitors.hpp"

namespace corvel {

namespace {

// The fixed part of an Extended Stream Properties Object, up to its counts.
constexpr std::uint64_t kEspFixed = 88;
// Largest header object read for its streams.
constexpr std::uint64_t kLargestStreamObject = 16 << 20;

void add(StreamTable& t, StreamEntry e) {
  if (e.number == 0 || FindStream(t, e.number)) return;
  t.insert(std::upper_bound(t.begin(), t.end(), e.number, [](std::uint8_t n, const StreamEntry& x) { return n < x.number; }),
           std::move(e));
}

// The Stream Properties Object an Extended Stream Properties Object may end
// with, after its stream names and payload extension systems.
void addExtended(ByteView esp, StreamTable& t) {
  if (esp.size() < kEspFixed) return;
  const std::uint16_t names = WordOr0(esp, 84), systems = WordOr0(esp, 86);
  std::uint64_t at = kEspFixed;
  for (std::uint16_t i = 0; i < names && at + 4 <= esp.size(); ++i) at += 4 + std::uint64_t{WordOr0(esp, at + 2)};
  for (std::uint16_t i = 0; i < systems && at + 22 <= esp.size(); ++i) at += 22 + std::uint64_t{DWordOr0(esp, at + 18)};
  if (at + 24 > esp.size() || Guid::read(esp, at) != guid::StreamProperties) return;
  const std::uint64_t size = QWordOr0(esp, at + 16);
  StreamProperties spo;
  ReadFields(SubView(esp, at, std::min<std::uint64_t>(size, esp.size() - at)), spo);
  StreamEntry e = DescribeStream(spo);
  e.extended = true;
  add(t, std::move(e));
}

// Every Extended Stream Properties Object among the Header Extension's children.
void addFromExtension(ByteView data, StreamTable& t) {
  for (std::uint64_t at = 0; at + 24 <= data.size();) {
    const std::uint64_t size = QWordOr0(data, at + 16);
    if (size < 24 || size > data.size() - at) break;
    if (Guid::read(data, at) == guid::ExtendedStreamProperties) addExtended(SubView(data, at, size), t);
    at += size;
  }
}

std::string audioFormat(const AudioMedia& a) {
  return "format " + std::to_string(a.formatTag) + ", " + std::to_string(a.channels) + " ch, " +
         std::to_string(a.samplesPerSecond) + " Hz";
}

std::string videoFormat(const VideoMedia& v) {
  return "compression " + std::to_string(v.format.compressionId) + ", " + std::to_string(v.format.width) + "x" +
         std::to_string(v.format.height);
}

// What a stream's format data looks like: a video format (its format data
// size and the bitmap header's own size agree with the length) or an audio
// one (the extra size closes the length); none when neither.
Guid TypeByFormat(ByteView tsd) {
  const auto word = [&](std::size_t at) { return static_cast<std::uint32_t>(tsd[at] | tsd[at + 1] << 8); };
  if (tsd.size() >= 51) {
    const std::uint32_t formatSize = word(9);
    const std::uint32_t headerSize = word(11) | word(13) << 16;
    if (formatSize == tsd.size() - 11 && headerSize == formatSize) return guid::VideoMedia;
  }
  if (tsd.size() >= 18 && word(16) + 18 == tsd.size()) return guid::AudioMedia;
  return {};
}

}  // namespace

Guid MediaTypeOf(const StreamProperties& spo) {
  const auto& types = StreamTypeTable;
  if (std::any_of(types.begin(), types.end(), [&](const CatalogueEntry& e) { return e.guid == spo.streamType; }))
    return spo.streamType;
  const Guid byFormat = TypeByFormat(spo.typeSpecificData);
  return byFormat == Guid{} ? spo.streamType : byFormat;
}

StreamEntry DescribeStream(const StreamProperties& spo) {
  StreamEntry e;
  e.number = static_cast<std::uint8_t>(spo.streamNumber());
  e.type = MediaTypeOf(spo);
  if (e.type == guid::VideoMedia) {
    e.kind = StreamKind::video;
    e.video = ReadFields<VideoMedia>(spo.typeSpecificData);
  } else if (e.type == guid::AudioMedia) {
    e.kind = StreamKind::audio;
    e.audio = ReadFields<AudioMedia>(spo.typeSpecificData);
  }
  return e;
}

StreamTable StreamsOf(const HeaderRecords& rec) {
  StreamTable t;
  for (const StreamProperties& spo : rec.streams) add(t, DescribeStream(spo));
  if (rec.headerExtension.present) addFromExtension(rec.headerExtension.data, t);
  return t;
}

StreamTable ReadStreams(const ByteSource& f) {
  StreamTable t;
  if (Guid::read(ReadPadded(f, 0, 16), 0) != guid::Header) return t;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> extensions;
  WalkChain(
      30, f.size(), 24, [&](std::uint64_t at, std::uint64_t n) { return ReadPadded(f, at, n); },
      [&](const ChainObject& o) {
        if (o.guid == guid::Data) return false;
        const bool readable = o.size >= 24 && static_cast<std::uint64_t>(o.size) <= kLargestStreamObject;
        if (readable && o.guid == guid::StreamProperties) {
          StreamProperties spo;
          ReadFields(ReadPadded(f, o.offset, static_cast<std::uint64_t>(o.size)), spo);
          add(t, DescribeStream(spo));
        } else if (readable && o.guid == guid::HeaderExtension) {
          extensions.emplace_back(o.offset, static_cast<std::uint64_t>(o.size));
        }
        return true;
      });
  for (const auto& [at, size] : extensions) {
    const Bytes b = ReadPadded(f, at, size);
    addFromExtension(SubView(b, 46, std::min<std::uint64_t>(DWordOr0(b, 42), b.size() > 46 ? b.size() - 46 : 0)), t);
  }
  return t;
}

const StreamEntry* FindStream(const StreamTable& t, std::uint8_t number) {
  for (const StreamEntry& e : t)
    if (e.number == number) return &e;
  return nullptr;
}

StreamKind KindOf(const StreamTable& t, std::uint8_t number) {
  const StreamEntry* e = FindStream(t, number);
  return e ? e->kind : StreamKind::other;
}

std::uint8_t FirstOfKind(const StreamTable& t, StreamKind kind) {
  for (const StreamEntry& e : t)
    if (e.kind == kind) return e.number;
  return 0;
}

std::string_view KindName(StreamKind k) {
  switch (k) {
    case StreamKind::video: return "video";
    case StreamKind::audio: return "audio";
    case StreamKind::other: break;
  }
  return "other";
}

std::string StreamTablesDiffer(const StreamTable& a, const StreamTable& b) {
  auto list = [](const StreamTable& t) {
    std::string s;
    for (const StreamEntry& e : t) s += (s.empty() ? "" : " ") + std::to_string(e.number) + ":" + std::string(KindName(e.kind));
    return s.empty() ? std::string("none") : s;
  };
  if (a.size() != b.size()) return "streams " + list(a) + " / " + list(b);
  for (std::size_t i = 0; i < a.size(); ++i) {
    const StreamEntry &x = a[i], &y = b[i];
    const std::string n = "stream " + std::to_string(x.number) + ": ";
    if (x.number != y.number || x.type != y.type) return "streams " + list(a) + " / " + list(b);
    if (x.kind == StreamKind::audio && audioFormat(x.audio) != audioFormat(y.audio))
      return n + audioFormat(x.audio) + " / " + audioFormat(y.audio);
    if (x.kind == StreamKind::video && videoFormat(x.video) != videoFormat(y.video))
      return n + videoFormat(x.video) + " / " + videoFormat(y.video);
  }
  return {};
}

}  // namespace corvel
