// Walking a file payload by payload, and reassembling whole media objects
// (video frames, audio blocks) from the payloads. Both read the file directly,
// not through the session's cache and cuts; they serve the exporters.
#pragma once

#include <cstdint>

#include "analysis/packet.hpp"
#include "asf/byte_source.hpp"

namespace corvel {

class PayloadWalker {
 public:
  explicit PayloadWalker(const ByteSource& f) : f_(f) {}

  // The first packet of the Data Object and its first payload.
  bool getFirstPayload();
  // The next payload, reading the next packet when this one is used up.
  bool getNextPayload();
  // The packet at `offset` and its first payload.
  bool getDataPacketAtPtr(std::uint64_t offset);

  TAsfDataPacket curPacket;
  // Views into the walker's read window, valid until the next packet is read.
  ByteView blockBuf;             // raw bytes of the current packet
  std::int32_t curPayload = -1;  // -1 for a single-payload packet
  ByteView payloadBuf;           // data of the current payload
  std::uint32_t iterPacketSize = 0;
  std::int64_t iterDAOOffset = -1;

 private:
  bool readPacket(std::uint64_t offset);
  void loadPayload(std::int32_t index);
  const ByteSource& f_;
  // Packets are read a window at a time: the media object walk goes back
  // over recent packets often.
  Bytes window_;
  std::uint64_t windowStart_ = 0;
};

// Of the current payload of a packet.
std::uint32_t PayloadObjectSize(const TAsfDataPacket& p, std::int32_t curPayload);
void PayloadStreamAndObject(const TAsfDataPacket& p, std::int32_t curPayload, std::uint8_t& sn, std::uint8_t& mn);
std::uint8_t PayloadStream(const TAsfDataPacket& p, std::int32_t curPayload);
std::uint8_t PayloadObjectNumber(const TAsfDataPacket& p, std::int32_t curPayload);

class MediaObjectIterator {
 public:
  explicit MediaObjectIterator(const ByteSource& f) : f_(f), w_(f) {}

  // The first and the next whole media object; false at the end. A media
  // object that lost a fragment (another object of its stream begins, or an
  // offset does not continue, before its bytes are all there) is left out
  // and counted, and the walk goes on from the next one.
  bool getFirstMediaObject();
  bool getNextMediaObject();

  // Media objects left out as incomplete: of the video stream, the audio
  // stream, and any other.
  std::uint32_t incompleteVideo = 0, incompleteAudio = 0, incompleteOther = 0;

  // Media objects are assembled at the end of `sink` instead of in moBuf,
  // sparing a copy for a caller that writes them out in blocks.
  void assembleInto(Bytes* sink) { sink_ = sink; }
  // Length of the media object just assembled.
  std::size_t moLength() const { return sink_ ? sink_->size() - moStart_ : moBuf.size(); }

  Bytes moBuf;
  std::uint8_t moStream = 0;
  std::uint8_t moNumber = 0;
  std::uint8_t moKey = 0;
  std::uint32_t moTime = 0;  // presentation time of its first fragment
  std::uint8_t moSelect = 0;
  std::uint8_t moAudio = 0, moVideo = 0;
  std::uint8_t lastAudioMO = 0, lastVideoMO = 0;
  bool audioSeen = false, videoSeen = false;  // a media object of the stream was returned
  std::uint64_t audioStartPos = 0, videoStartPos = 0;
  std::uint64_t moPacketPos = 0;

  const PayloadWalker& walker() const { return w_; }

 private:
  enum class Assembly { whole, incomplete, endOfFile };
  // Appends payloads of (s, m) until moBuf reaches `size` (exactly, when `exact`).
  Assembly assemble(std::uint8_t s, std::uint8_t m, std::uint32_t size, bool exact);
  // Chooses the next media object after the one returned last and starts it.
  bool selectNext();
  void countIncomplete(std::uint8_t stream);
  void current(std::uint8_t& s, std::uint8_t& m) const { PayloadStreamAndObject(w_.curPacket, w_.curPayload, s, m); }
  // Starts a media object with the current payload's data.
  void begin();
  Bytes& target() { return sink_ ? *sink_ : moBuf; }
  Bytes* sink_ = nullptr;
  std::size_t moStart_ = 0;
  const ByteSource& f_;
  PayloadWalker w_;
};

}  // namespace corvel
