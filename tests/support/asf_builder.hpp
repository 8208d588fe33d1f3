// A small builder of synthetic ASF files for the shapes an encoder never
// writes: odd objects, damaged sizes, huge counts.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "asf/bytes.hpp"
#include "asf/streams.hpp"

namespace corvel {
// A GUID in a test's failure message: its text.
inline std::ostream& operator<<(std::ostream& o, const Guid& g) { return o << g.text(); }
}  // namespace corvel

namespace corvel::test {

// Little-endian fields one after another, written here rather than by the
// code under test, so a fault in its writers or GUIDs cannot hide itself.
class Writer {
 public:
  Writer& u8(std::uint8_t v) { return le(v, 1); }
  Writer& u16(std::uint16_t v) { return le(v, 2); }
  Writer& u32(std::uint32_t v) { return le(v, 4); }
  Writer& u64(std::uint64_t v) { return le(v, 8); }
  Writer& guid(const Guid& g) { return bytes(g.bytes()); }
  Writer& bytes(ByteView v);
  Writer& chars(std::string_view c);
  Writer& zeros(std::size_t n);
  // UTF-8 text as UTF-16 units (the BMP), then a zero unit when asked.
  Writer& text(std::string_view utf8, bool terminator = true);
  Bytes& data() { return b_; }
  Bytes take() { return std::move(b_); }
  std::size_t size() const { return b_.size(); }

 private:
  Writer& le(std::uint64_t v, int n);
  Bytes b_;
};

// UTF-16 units of UTF-8 text (the BMP).
std::u16string Utf16(std::string_view utf8);

// A GUID from its registry text, laid out as a file holds it (the first
// three groups little-endian).
Guid GuidOf(std::string_view text);

// The GUIDs the builder writes, from the format's published values.
namespace ids {
inline const Guid Header = GuidOf("75B22630-668E-11CF-A6D9-00AA0062CE6C");
inline const Guid Data = GuidOf("75B22636-668E-11CF-A6D9-00AA0062CE6C");
inline const Guid SimpleIndex = GuidOf("33000890-E5B1-11CF-89F4-00A0C90349CB");
inline const Guid FileProperties = GuidOf("8CABDCA1-A947-11CF-8EE4-00C00C205365");
inline const Guid StreamProperties = GuidOf("B7DC0791-A9B7-11CF-8EE6-00C00C205365");
inline const Guid HeaderExtension = GuidOf("5FBF03B5-A92E-11CF-8EE3-00C00C205365");
inline const Guid ContentDescription = GuidOf("75B22633-668E-11CF-A6D9-00AA0062CE6C");
inline const Guid Padding = GuidOf("1806D474-CADF-4509-A4BA-9AABCB96AAE8");
inline const Guid ExtendedStreamProperties = GuidOf("14E6A5CB-C672-4332-8399-A96952065B5A");
inline const Guid AudioMedia = GuidOf("F8699E40-5B4D-11CF-A8FD-00805F5C442B");
inline const Guid VideoMedia = GuidOf("BC19EFC0-5B4D-11CF-A8FD-00805F5C442B");
inline const Guid NoErrorCorrection = GuidOf("20FB5700-5B55-11CF-A8FD-00805F5C442B");
inline const Guid Reserved1 = GuidOf("ABD3D211-A9BA-11CF-8EE6-00C00C205365");
}  // namespace ids

// An object: GUID, size (the real one unless given), body.
Bytes Object(const Guid& guid, const Bytes& body);
Bytes ObjectWithSize(const Guid& guid, std::uint64_t declaredSize, const Bytes& body);

struct FpoFields {
  std::uint64_t fileSize = 0;
  std::uint64_t creationDate = 0;
  std::uint64_t packets = 0;
  std::uint64_t playDuration = 0;
  std::uint64_t sendDuration = 0;
  std::uint64_t preroll = 0;
  std::uint32_t flags = 2;
  std::uint32_t minPacket = 256;
  std::uint32_t maxPacket = 256;
  std::uint32_t maxBitrate = 0;
};
Bytes FilePropertiesObject(const FpoFields& f, std::size_t extraBytes = 0);
Bytes StreamPropertiesObject(int number, const Guid& type, const Bytes& typeSpecific, const Bytes& errorCorrection = {});
Bytes VideoTypeSpecific(std::uint32_t w, std::uint32_t h, std::string_view fourcc, std::uint32_t bitmapSize,
                        const Bytes& codecData = {});
Bytes AudioTypeSpecific(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, const Bytes& codecData = {});
Bytes ContentDescriptionObject(std::string_view title, std::string_view author, std::string_view copyright = "",
                         std::string_view description = "", std::string_view rating = "");
Bytes HeaderExtensionObject(const Bytes& data);
Bytes Padding(std::size_t n);
Bytes DataObject(std::uint64_t packets, std::uint32_t packetSize, std::uint64_t declaredSize = 0);
Bytes SimpleIndexObject(std::uint64_t interval, std::uint32_t maxCount, const std::vector<std::pair<std::uint32_t, std::uint16_t>>& entries,
                  std::int64_t declaredCount = -1);

// A Header Object around `children` followed by the top-level objects.
Bytes AsfFile(const std::vector<Bytes>& children, const std::vector<Bytes>& topLevel);
// A minimal valid file: File Properties, one video and one audio stream,
// a Data Object of `packets` blank packets and a Simple Index.
Bytes MinimalFile(std::uint64_t packets = 3);

// A stream table of one video and one audio stream, as FileWithPackets declares.
StreamTable VideoAndAudioStreams(int video = 1, int audio = 2);

// Patches a 64-bit or 32-bit value in place.
void Patch64(Bytes& b, std::size_t at, std::uint64_t v);
void Patch32(Bytes& b, std::size_t at, std::uint32_t v);

}  // namespace corvel::test

namespace corvel::test {

// One payload of a synthetic data packet.
struct PayloadSpec {
  int stream = 1;
  bool key = false;
  std::uint32_t mediaObject = 0;
  std::uint32_t offset = 0;
  std::uint32_t mediaObjectSize = 0;
  std::uint32_t presentationTime = 0;
  std::uint32_t dataLength = 100;
  std::uint8_t fill = 0x55;
  // Non-empty: a compressed payload holding these media objects (each after
  // a byte of its size), `presentationTime` in its offset field and
  // `timeDelta` as its one byte of replicated data; dataLength is ignored.
  std::vector<Bytes> objects{};
  std::uint8_t timeDelta = 0;
};

struct PacketSpec {
  std::uint32_t sendTime = 0;
  std::uint16_t duration = 0;
  bool multiple = true;
  std::vector<PayloadSpec> payloads;
  std::int64_t extraPadding = 0;  // added to the computed padding (may break the fill)
  int numberWidth = 1;            // bytes of the media object number field: 0, 1, 2 or 4
  bool errorCorrection = true;    // starts with 82 00 00; without, the payload parsing information comes first
  std::int64_t packetLength = -1; // a packet length field (a word) stating this length; -1 for none
};

// A packet of exactly `packetSize` bytes: error correction 82 00 00, padding
// length as a word, property flags 0x5D (0x4D, 0x6D, 0x7D for the other
// widths of the media object number), 8 bytes of replicated data.
Bytes DataPacket(const PacketSpec& spec, std::uint32_t packetSize);
// A file with the given packets in its Data Object; streams 1 (video) and 2
// (audio); `extraHeader` objects follow the Stream Properties in the header.
Bytes FileWithPackets(const std::vector<Bytes>& packets, std::uint32_t packetSize, const std::vector<Bytes>& extraHeader = {});
// The same with the given header objects (Stream Properties and others)
// after the File Properties Object.
Bytes FileWithStreams(const std::vector<Bytes>& packets, std::uint32_t packetSize, const std::vector<Bytes>& streams);
// An Extended Stream Properties Object carrying a Stream Properties Object,
// and a Header Extension holding such objects.
Bytes ExtendedStreamProperties(int number, const Bytes& streamProperties);
// The file with every data packet rewritten without its error correction
// data and of the same size: the bytes freed become padding (a word).
Bytes WithoutErrorCorrection(const Bytes& file);

}  // namespace corvel::test
