#include "support/asf_builder.hpp"

namespace corvel::test {

std::u16string Utf16(std::string_view utf8) {
  std::u16string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    const int n = c < 0x80 ? 1 : c < 0xE0 ? 2 : 3;
    unsigned v = n == 1 ? c : n == 2 ? c & 0x1F : c & 0x0F;
    for (int k = 1; k < n && i + k < utf8.size(); ++k) v = v << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    out.push_back(static_cast<char16_t>(v));
    i += static_cast<std::size_t>(n);
  }
  return out;
}

Writer& Writer::le(std::uint64_t v, int n) {
  for (int i = 0; i < n; ++i) b_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  return *this;
}
Writer& Writer::bytes(ByteView v) {
  for (std::uint8_t x : v) b_.push_back(x);
  return *this;
}
Writer& Writer::chars(std::string_view c) {
  for (char x : c) b_.push_back(static_cast<std::uint8_t>(x));
  return *this;
}
Writer& Writer::zeros(std::size_t n) {
  b_.resize(b_.size() + n, 0);
  return *this;
}

Writer& Writer::text(std::string_view utf8, bool terminator) {
  for (char16_t u : Utf16(utf8)) u16(u);
  return terminator ? u16(0) : *this;
}

Guid GuidOf(std::string_view text) {
  auto number = [&](std::size_t at, std::size_t digits) { return std::stoull(std::string(text.substr(at, digits)), nullptr, 16); };
  Writer w;
  w.u32(static_cast<std::uint32_t>(number(0, 8))).u16(static_cast<std::uint16_t>(number(9, 4)));
  w.u16(static_cast<std::uint16_t>(number(14, 4)));
  for (std::size_t at : {19, 21, 24, 26, 28, 30, 32, 34}) w.u8(static_cast<std::uint8_t>(number(at, 2)));
  return Guid::read(w.data(), 0);
}

Bytes ObjectWithSize(const Guid& guid, std::uint64_t declaredSize, const Bytes& body) {
  return Writer().guid(guid).u64(declaredSize).bytes(body).take();
}

Bytes Object(const Guid& guid, const Bytes& body) { return ObjectWithSize(guid, 24 + body.size(), body); }

Bytes FilePropertiesObject(const FpoFields& f, std::size_t extraBytes) {
  Writer w;
  w.guid(GuidOf("01020304-0506-0708-090A-0B0C0D0E0F10")).u64(f.fileSize).u64(f.creationDate).u64(f.packets);
  w.u64(f.playDuration).u64(f.sendDuration).u64(f.preroll).u32(f.flags).u32(f.minPacket).u32(f.maxPacket);
  w.u32(f.maxBitrate).zeros(extraBytes);
  return Object(ids::FileProperties, w.data());
}

Bytes StreamPropertiesObject(int number, const Guid& type, const Bytes& typeSpecific, const Bytes& errorCorrection) {
  Writer w;
  w.guid(type).guid(ids::NoErrorCorrection).u64(0);
  w.u32(static_cast<std::uint32_t>(typeSpecific.size())).u32(static_cast<std::uint32_t>(errorCorrection.size()));
  w.u16(static_cast<std::uint16_t>(number)).u32(0).bytes(typeSpecific).bytes(errorCorrection);
  return Object(ids::StreamProperties, w.data());
}

Bytes VideoTypeSpecific(std::uint32_t w, std::uint32_t h, std::string_view fourcc, std::uint32_t bitmapSize,
                        const Bytes& codecData) {
  Writer x;
  x.u32(w).u32(h).u8(2).u16(static_cast<std::uint16_t>(40 + codecData.size()));
  x.u32(bitmapSize).u32(w).u32(h).u16(1).u16(24);
  for (int i = 0; i < 4; ++i) x.u8(i < static_cast<int>(fourcc.size()) ? static_cast<std::uint8_t>(fourcc[i]) : 0);
  x.u32(w * h * 3).u32(0).u32(0).u32(0).u32(0).bytes(codecData);
  return x.take();
}

Bytes AudioTypeSpecific(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, const Bytes& codecData) {
  return Writer()
      .u16(tag)
      .u16(channels)
      .u32(rate)
      .u32(rate * channels * 2)
      .u16(static_cast<std::uint16_t>(channels * 2))
      .u16(16)
      .u16(static_cast<std::uint16_t>(codecData.size()))
      .bytes(codecData)
      .take();
}

Bytes ContentDescriptionObject(std::string_view title, std::string_view author, std::string_view copyright,
                         std::string_view description, std::string_view rating) {
  Writer w;
  const std::string_view fields[] = {title, author, copyright, description, rating};
  for (auto f : fields) w.u16(static_cast<std::uint16_t>(2 * Utf16(f).size() + 2));
  for (auto f : fields) w.text(f);
  return Object(ids::ContentDescription, w.data());
}

Bytes HeaderExtensionObject(const Bytes& data) {
  return Object(ids::HeaderExtension,
                Writer().guid(ids::Reserved1).u16(6).u32(static_cast<std::uint32_t>(data.size())).bytes(data).take());
}

Bytes Padding(std::size_t n) { return Object(ids::Padding, Bytes(n, 0)); }

Bytes DataObject(std::uint64_t packets, std::uint32_t packetSize, std::uint64_t declaredSize) {
  Writer w;
  w.guid(GuidOf("01020304-0506-0708-090A-0B0C0D0E0F10")).u64(packets).u16(0x0101);
  for (std::uint64_t i = 0; i < packets; ++i) {
    Bytes p(packetSize, 0);
    p[0] = 0x82;  // error correction present, 2 bytes of it
    w.bytes(p);
  }
  const std::uint64_t size = declaredSize ? declaredSize : 24 + w.data().size();
  return ObjectWithSize(ids::Data, size, w.data());
}

Bytes SimpleIndexObject(std::uint64_t interval, std::uint32_t maxCount, const std::vector<std::pair<std::uint32_t, std::uint16_t>>& entries,
                  std::int64_t declaredCount) {
  Writer w;
  w.guid(GuidOf("01020304-0506-0708-090A-0B0C0D0E0F10")).u64(interval).u32(maxCount);
  w.u32(declaredCount >= 0 ? static_cast<std::uint32_t>(declaredCount) : static_cast<std::uint32_t>(entries.size()));
  for (auto [n, c] : entries) w.u32(n).u16(c);
  return Object(ids::SimpleIndex, w.data());
}

Bytes AsfFile(const std::vector<Bytes>& children, const std::vector<Bytes>& topLevel) {
  Writer body;
  body.u32(static_cast<std::uint32_t>(children.size())).u8(1).u8(2);
  for (const auto& c : children) body.bytes(c);
  Writer file;
  file.bytes(Object(ids::Header, body.data()));
  for (const auto& t : topLevel) file.bytes(t);
  return file.take();
}

Bytes MinimalFile(std::uint64_t packets) {
  FpoFields f;
  f.packets = packets;
  f.playDuration = 20000000;
  f.preroll = 3000;
  return AsfFile({FilePropertiesObject(f), StreamPropertiesObject(1, ids::VideoMedia, VideoTypeSpecific(320, 240, "WMV2", 40)),
                  StreamPropertiesObject(2, ids::AudioMedia, AudioTypeSpecific(0x0161, 2, 44100))},
                 {DataObject(packets, 256), SimpleIndexObject(10000000, 1, {{0, 1}, {1, 1}})});
}

StreamTable VideoAndAudioStreams(int video, int audio) {
  StreamTable t(2);
  t[0].number = static_cast<std::uint8_t>(video), t[0].kind = StreamKind::video, t[0].type = ids::VideoMedia;
  t[1].number = static_cast<std::uint8_t>(audio), t[1].kind = StreamKind::audio, t[1].type = ids::AudioMedia;
  if (video > audio) std::swap(t[0], t[1]);
  return t;
}

void Patch64(Bytes& b, std::size_t at, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) b.at(at + i) = static_cast<std::uint8_t>(v >> (8 * i));
}
void Patch32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.at(at + i) = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace corvel::test

namespace corvel::test {

Bytes DataPacket(const PacketSpec& spec, std::uint32_t packetSize) {
  const std::uint32_t ppi = spec.packetLength >= 0 ? 12 : 10;
  const std::uint32_t usedSize = spec.packetLength >= 0 ? static_cast<std::uint32_t>(spec.packetLength) : packetSize;
  const int extra = spec.numberWidth - 1;  // beyond the usual one byte
  const std::uint8_t numberCode = spec.numberWidth == 4 ? 3 : static_cast<std::uint8_t>(spec.numberWidth);
  // A payload's data: its own bytes, or a compressed payload's objects.
  auto dataOf = [](const PayloadSpec& p) {
    if (p.objects.empty()) return Bytes(p.dataLength, p.fill);
    Bytes d;
    for (const Bytes& o : p.objects) {
      d.push_back(static_cast<std::uint8_t>(o.size()));
      d.insert(d.end(), o.begin(), o.end());
    }
    return d;
  };
  // Replicated data: 8 bytes (size and time), or a compressed payload's one.
  auto replicated = [](const PayloadSpec& p) { return p.objects.empty() ? 8 : 1; };
  std::int64_t used = (spec.errorCorrection ? 3 : 0) + ppi;
  if (spec.multiple) {
    used += 1;
    for (const auto& p : spec.payloads) used += 9 + replicated(p) + extra + static_cast<std::int64_t>(dataOf(p).size());
  } else if (!spec.payloads.empty()) {
    used += 7 + replicated(spec.payloads[0]) + extra + static_cast<std::int64_t>(dataOf(spec.payloads[0]).size());
  } else {
    used += 15 + extra;
  }
  const std::int64_t padding = static_cast<std::int64_t>(usedSize) - used + spec.extraPadding;
  Writer w;
  if (spec.errorCorrection) w.u8(0x82).u8(0).u8(0);
  const std::uint8_t lengthFlag = spec.packetLength >= 0 ? 0x40 : 0;
  w.u8(static_cast<std::uint8_t>((spec.multiple ? 0x11 : 0x10) | lengthFlag)).u8(static_cast<std::uint8_t>(0x4D | numberCode << 4));
  if (spec.packetLength >= 0) w.u16(static_cast<std::uint16_t>(spec.packetLength));
  w.u16(static_cast<std::uint16_t>(padding)).u32(spec.sendTime).u16(spec.duration);
  auto header = [&](const PayloadSpec& p) {
    w.u8(static_cast<std::uint8_t>((p.key ? 0x80 : 0) | p.stream));
    if (spec.numberWidth == 1) w.u8(static_cast<std::uint8_t>(p.mediaObject));
    if (spec.numberWidth == 2) w.u16(static_cast<std::uint16_t>(p.mediaObject));
    if (spec.numberWidth == 4) w.u32(p.mediaObject);
    if (!p.objects.empty()) {
      w.u32(p.presentationTime).u8(1).u8(p.timeDelta);
      return;
    }
    w.u32(p.offset);
    w.u8(8).u32(p.mediaObjectSize).u32(p.presentationTime);
  };
  if (spec.multiple) {
    w.u8(static_cast<std::uint8_t>(0x80 | spec.payloads.size()));
    for (const auto& p : spec.payloads) {
      header(p);
      const Bytes d = dataOf(p);
      w.u16(static_cast<std::uint16_t>(d.size()));
      w.bytes(d);
    }
  } else if (!spec.payloads.empty()) {
    header(spec.payloads[0]);
    w.bytes(dataOf(spec.payloads[0]));
  }
  Bytes out = w.take();
  out.resize(packetSize, 0);
  return out;
}

Bytes FileWithPackets(const std::vector<Bytes>& packets, std::uint32_t packetSize, const std::vector<Bytes>& extraHeader) {
  std::vector<Bytes> streams{StreamPropertiesObject(1, ids::VideoMedia, VideoTypeSpecific(320, 240, "WMV2", 40)),
                             StreamPropertiesObject(2, ids::AudioMedia, AudioTypeSpecific(0x0161, 2, 44100))};
  streams.insert(streams.end(), extraHeader.begin(), extraHeader.end());
  return FileWithStreams(packets, packetSize, streams);
}

Bytes ExtendedStreamProperties(int number, const Bytes& streamProperties) {
  Writer w;
  w.u64(0).u64(0).u32(0).u32(0).u32(0).u32(0).u32(0).u32(0).u32(0).u32(0);
  w.u16(static_cast<std::uint16_t>(number)).u16(0).u64(0).u16(0).u16(0);
  w.bytes(streamProperties);
  return Object(ids::ExtendedStreamProperties, w.data());
}

Bytes FileWithStreams(const std::vector<Bytes>& packets, std::uint32_t packetSize, const std::vector<Bytes>& streams) {
  FpoFields f;
  f.packets = packets.size();
  f.minPacket = f.maxPacket = packetSize;
  Writer data;
  data.guid(GuidOf("01020304-0506-0708-090A-0B0C0D0E0F10")).u64(packets.size()).u16(0x0101);
  for (const auto& p : packets) data.bytes(p);
  std::vector<Bytes> children{FilePropertiesObject(f)};
  children.insert(children.end(), streams.begin(), streams.end());
  Bytes file = AsfFile(children, {Object(ids::Data, data.data())});
  Patch64(file, 30 + 40, file.size());  // File Size
  return file;
}

// A little-endian number of `n` bytes at `at` (0 past the end).
static std::uint64_t Le(ByteView b, std::uint64_t at, int n) {
  std::uint64_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = v << 8 | (at + i < b.size() ? b[at + i] : 0);
  return v;
}

Bytes WithoutErrorCorrection(const Bytes& file) {
  // Where the packets lie, from the header as written.
  const std::uint64_t headerSize = Le(file, 16, 8);
  const std::uint64_t first = headerSize + 50;
  std::uint64_t P = 0;
  for (std::uint64_t at = 30; at + 24 <= headerSize;) {
    const std::uint64_t size = Le(file, at + 16, 8);
    if (Guid::read(file, at) == ids::FileProperties) P = Le(file, at + 92, 4);
    if (size < 24) break;
    at += size;
  }
  const std::uint64_t count = Le(file, headerSize + 40, 8);
  Bytes out = file;
  for (std::uint64_t k = 0; k < count && P && first + (k + 1) * P <= file.size(); ++k) {
    const ByteView packet = ByteView(file).subspan(first + k * P, P);
    if (packet[0] != 0x82) continue;  // two bytes of error correction data
    // The parsing information: flags, then the fields they declare (0, 1, 2 or 4 bytes each).
    const std::uint8_t flags = packet[3], properties = packet[4];
    auto width = [](int code) { return code == 3 ? 4 : code; };
    const int lengthWidth = width(flags >> 5 & 3), sequenceWidth = width(flags >> 1 & 3), paddingWidth = width(flags >> 3 & 3);
    const std::uint64_t fields = 5, lengthAt = fields, paddingAt = fields + lengthWidth + sequenceWidth;
    const std::uint64_t length = lengthWidth ? Le(packet, lengthAt, lengthWidth) : P;
    const std::uint64_t used = length > 0 && length <= P ? length : P;
    const std::uint64_t padding = Le(packet, paddingAt, paddingWidth);
    const std::uint64_t payloadStart = paddingAt + paddingWidth + 6;
    if (payloadStart + padding > used) continue;
    Writer w;
    // The padding length becomes a word, whatever it was.
    w.u8(static_cast<std::uint8_t>((flags & ~0x18) | 0x10)).u8(properties);
    w.bytes(packet.subspan(lengthAt, static_cast<std::size_t>(lengthWidth + sequenceWidth)));
    const std::size_t wordAt = w.size();
    w.u16(0).bytes(packet.subspan(paddingAt + paddingWidth, 6));  // send time, duration
    w.bytes(packet.subspan(payloadStart, used - padding - payloadStart));
    Bytes b = w.take();
    const std::uint64_t freed = used - b.size();
    b[wordAt] = static_cast<std::uint8_t>(freed), b[wordAt + 1] = static_cast<std::uint8_t>(freed >> 8);
    b.resize(P, 0);
    std::copy(b.begin(), b.end(), out.begin() + static_cast<std::ptrdiff_t>(first + k * P));
  }
  return out;
}

}  // namespace corvel::test
