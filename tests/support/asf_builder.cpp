#include "support/asf_builder.hpp"

#include "analysis/packet.hpp"

#include "asf/catalogue.hpp"

namespace corvel::test {

Bytes ObjectWithSize(const Guid& guid, std::uint64_t declaredSize, const Bytes& body) {
  return Writer().guid(guid).u64(declaredSize).bytes(body).take();
}

Bytes Object(const Guid& guid, const Bytes& body) { return ObjectWithSize(guid, 24 + body.size(), body); }

Bytes FilePropertiesObject(const FpoFields& f, std::size_t extraBytes) {
  Writer w;
  w.guid(Guid::parse("01020304-0506-0708-090A-0B0C0D0E0F10")).u64(f.fileSize).u64(f.creationDate).u64(f.packets);
  w.u64(f.playDuration).u64(f.sendDuration).u64(f.preroll).u32(f.flags).u32(f.minPacket).u32(f.maxPacket);
  w.u32(f.maxBitrate).zeros(extraBytes);
  return Object(guid::FileProperties, w.data());
}

Bytes StreamPropertiesObject(int number, const Guid& type, const Bytes& typeSpecific, const Bytes& errorCorrection) {
  Writer w;
  w.guid(type).guid(Guid::parse("20FB5700-5B55-11CF-A8FD-00805F5C442B")).u64(0);
  w.u32(static_cast<std::uint32_t>(typeSpecific.size())).u32(static_cast<std::uint32_t>(errorCorrection.size()));
  w.u16(static_cast<std::uint16_t>(number)).u32(0).bytes(typeSpecific).bytes(errorCorrection);
  return Object(guid::StreamProperties, w.data());
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
  for (auto f : fields) w.u16(static_cast<std::uint16_t>(2 * Utf8ToUtf16(f).size() + 2));
  for (auto f : fields) w.text(f);
  return Object(guid::ContentDescription, w.data());
}

Bytes HeaderExtensionObject(const Bytes& data) {
  return Object(guid::HeaderExtension,
                Writer().guid(Guid::parse("ABD3D211-A9BA-11CF-8EE6-00C00C205365")).u16(6).u32(static_cast<std::uint32_t>(data.size())).bytes(data).take());
}

Bytes Padding(std::size_t n) { return Object(Guid::parse("1806D474-CADF-4509-A4BA-9AABCB96AAE8"), Bytes(n, 0)); }

Bytes DataObject(std::uint64_t packets, std::uint32_t packetSize, std::uint64_t declaredSize) {
  Writer w;
  w.guid(Guid::parse("01020304-0506-0708-090A-0B0C0D0E0F10")).u64(packets).u16(0x0101);
  for (std::uint64_t i = 0; i < packets; ++i) {
    Bytes p(packetSize, 0);
    p[0] = 0x82;  // error correction present, 2 bytes of it
    w.bytes(p);
  }
  const std::uint64_t size = declaredSize ? declaredSize : 24 + w.data().size();
  return ObjectWithSize(guid::Data, size, w.data());
}

Bytes SimpleIndexObject(std::uint64_t interval, std::uint32_t maxCount, const std::vector<std::pair<std::uint32_t, std::uint16_t>>& entries,
                  std::int64_t declaredCount) {
  Writer w;
  w.guid(Guid::parse("01020304-0506-0708-090A-0B0C0D0E0F10")).u64(interval).u32(maxCount);
  w.u32(declaredCount >= 0 ? static_cast<std::uint32_t>(declaredCount) : static_cast<std::uint32_t>(entries.size()));
  for (auto [n, c] : entries) w.u32(n).u16(c);
  return Object(guid::SimpleIndex, w.data());
}

Bytes AsfFile(const std::vector<Bytes>& children, const std::vector<Bytes>& topLevel) {
  Writer body;
  body.u32(static_cast<std::uint32_t>(children.size())).u8(1).u8(2);
  for (const auto& c : children) body.bytes(c);
  Writer file;
  file.bytes(Object(guid::Header, body.data()));
  for (const auto& t : topLevel) file.bytes(t);
  return file.take();
}

Bytes MinimalFile(std::uint64_t packets) {
  FpoFields f;
  f.packets = packets;
  f.playDuration = 20000000;
  f.preroll = 3000;
  return AsfFile({FilePropertiesObject(f), StreamPropertiesObject(1, guid::VideoMedia, VideoTypeSpecific(320, 240, "WMV2", 40)),
                  StreamPropertiesObject(2, guid::AudioMedia, AudioTypeSpecific(0x0161, 2, 44100))},
                 {DataObject(packets, 256), SimpleIndexObject(10000000, 1, {{0, 1}, {1, 1}})});
}

StreamTable VideoAndAudioStreams(int video, int audio) {
  StreamTable t(2);
  t[0].number = static_cast<std::uint8_t>(video), t[0].kind = StreamKind::video, t[0].type = guid::VideoMedia;
  t[1].number = static_cast<std::uint8_t>(audio), t[1].kind = StreamKind::audio, t[1].type = guid::AudioMedia;
  if (video > audio) std::swap(t[0], t[1]);
  return t;
}

void Patch64(Bytes& b, std::size_t at, std::uint64_t v) { PutQWord(v, b, at); }
void Patch32(Bytes& b, std::size_t at, std::uint32_t v) { PutDWord(v, b, at); }

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
  std::vector<Bytes> streams{StreamPropertiesObject(1, guid::VideoMedia, VideoTypeSpecific(320, 240, "WMV2", 40)),
                             StreamPropertiesObject(2, guid::AudioMedia, AudioTypeSpecific(0x0161, 2, 44100))};
  streams.insert(streams.end(), extraHeader.begin(), extraHeader.end());
  return FileWithStreams(packets, packetSize, streams);
}

Bytes ExtendedStreamProperties(int number, const Bytes& streamProperties) {
  Writer w;
  w.u64(0).u64(0).u32(0).u32(0).u32(0).u32(0).u32(0).u32(0).u32(0).u32(0);
  w.u16(static_cast<std::uint16_t>(number)).u16(0).u64(0).u16(0).u16(0);
  w.bytes(streamProperties);
  return Object(Guid::parse("14E6A5CB-C672-4332-8399-A96952065B5A"), w.data());
}

Bytes FileWithStreams(const std::vector<Bytes>& packets, std::uint32_t packetSize, const std::vector<Bytes>& streams) {
  FpoFields f;
  f.packets = packets.size();
  f.minPacket = f.maxPacket = packetSize;
  Writer data;
  data.guid(Guid::parse("01020304-0506-0708-090A-0B0C0D0E0F10")).u64(packets.size()).u16(0x0101);
  for (const auto& p : packets) data.bytes(p);
  std::vector<Bytes> children{FilePropertiesObject(f)};
  children.insert(children.end(), streams.begin(), streams.end());
  Bytes file = AsfFile(children, {Object(guid::Data, data.data())});
  Patch64(file, 30 + 40, file.size());  // File Size
  return file;
}

Bytes WithoutErrorCorrection(const Bytes& file) {
  // Where the packets lie, from the header as written.
  const std::uint64_t headerSize = QWordOr0(file, 16);
  const std::uint64_t first = headerSize + 50;
  std::uint32_t P = 0;
  for (std::uint64_t at = 30; at + 24 <= headerSize;) {
    const std::int64_t size = QWordOr0(file, at + 16);
    if (Guid::read(file, at) == guid::FileProperties) P = DWordOr0(file, at + 92);
    if (size < 24) break;
    at += static_cast<std::uint64_t>(size);
  }
  const std::uint64_t count = static_cast<std::uint64_t>(QWordOr0(file, headerSize + 40));
  Bytes out = file;
  for (std::uint64_t k = 0; k < count && P && first + (k + 1) * P <= file.size(); ++k) {
    const ByteView packet = ByteView(file).subspan(first + k * P, P);
    ParsedPacket p;
    if (ParsePacket(packet, p) != 0 || p.errorCorrection.size == 0) continue;
    Writer w;
    // The padding length becomes a word, whatever it was.
    w.u8(static_cast<std::uint8_t>((p.lengthTypeFlags & ~0x18) | 0x10)).u8(p.propertyFlags);
    if (p.packetLengthType != LengthType::none) {
      Bytes field(4, 0);
      WriteLengthField(p.packetLengthField, p.packetLengthType, 0, field);
      w.bytes(ByteView(field).first(static_cast<std::size_t>(LengthTypeSize(p.packetLengthType))));
    }
    if (p.sequenceType != LengthType::none) {
      Bytes field(4, 0);
      WriteLengthField(p.sequence, p.sequenceType, 0, field);
      w.bytes(ByteView(field).first(static_cast<std::size_t>(LengthTypeSize(p.sequenceType))));
    }
    const std::size_t paddingAt = w.size();
    w.u16(0).u32(p.sendTime).u16(p.duration);
    const std::uint64_t end = UsedLength(p, P) - p.paddingLength;
    w.bytes(packet.subspan(p.payloadStart, end - p.payloadStart));
    const std::uint64_t used = UsedLength(p, P);
    Bytes b = w.take();
    PutWord(static_cast<std::uint16_t>(used - b.size()), b, paddingAt);
    b.resize(P, 0);
    std::copy(b.begin(), b.end(), out.begin() + static_cast<std::ptrdiff_t>(first + k * P));
  }
  return out;
}

}  // namespace corvel::test
