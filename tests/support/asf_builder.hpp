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

using Writer = ByteWriter;

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
