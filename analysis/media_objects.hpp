// Walking a file payload by payload, and reassembling whole media objects
// (video frames, audio blocks, the objects of every other stream) from the
// payloads. Both read a byte source as it is given (the session gives the
// logical file, through its cuts); they serve the exporters. The packets are the ones the scan
// takes: both judge by one PacketRule.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/packet.hpp"
#include "analysis/packet_rule.hpp"
#include "io/byte_source.hpp"
#include "asf/streams.hpp"

namespace corvel {

class PayloadWalker {
 public:
  explicit PayloadWalker(const ByteSource& f) : f_(f) {}

  // The first packet of the Data Object and its first payload.
  bool first();
  // The next payload, reading the next packet when this one is used up.
  bool next();

  const ParsedPacket& packet() const { return packet_; }
  std::int32_t payloadIndex() const { return payloadIndex_; }  // -1 for a single-payload packet
  // The data of the current payload: a view into the walker's read window,
  // valid until the next packet is read.
  ByteView payload() const { return payload_; }
  ByteView packetBytes() const { return packetBytes_; }  // the whole packet, as valid as payload()
  std::uint32_t packetSize() const { return rule_.packetSize(); }
  std::uint64_t firstPacket() const { return firstPacket_; }
  // Bytes of a last packet cut short by the end of the data.
  std::uint64_t partialTail() const { return partialTail_; }
  // Damaged bytes passed over where packets were expected.
  std::uint64_t skippedBytes() const { return skippedBytes_; }

 private:
  bool readPacket(std::uint64_t offset);
  void loadPayload(std::int32_t index);
  // The packet's bytes at `offset`, through the read window; empty past the file.
  ByteView bytesAt(std::uint64_t offset);
  // The packet parsed into packet_ from `v` at `offset` is the current one.
  bool take(std::uint64_t offset, ByteView v);
  // An index object starts at `offset` (`v` its bytes when at hand): the data ends.
  bool indexAt(std::uint64_t offset, ByteView v) const;
  const ByteSource& f_;
  PacketRule rule_;  // the scan's: which bytes are a packet of the file
  std::optional<std::uint64_t> lastTaken_;
  // Packets are read a window at a time.
  Bytes window_;
  std::uint64_t windowStart_ = 0;
  std::vector<UnreadableRange> unreadable_;  // as of the last window read
  ParsedPacket packet_;
  ByteView packetBytes_;  // the current packet's bytes in the window
  std::int32_t payloadIndex_ = -1;
  ByteView payload_;
  std::uint64_t firstPacket_ = 0;
  std::uint64_t dataEnd_ = 0;  // where the packets end: the Data Object's end, or the file's
  std::uint64_t partialTail_ = 0;
  std::uint64_t skippedBytes_ = 0;
};

// Of the current payload of a packet.
Payload CurrentPayload(const ParsedPacket& p, std::int32_t index);

struct MediaObject {
  std::uint8_t stream = 0;
  std::uint32_t number = 0;  // its media object number (a compressed payload's objects count on from the payload's)
  bool key = false;
  std::uint32_t time = 0;    // presentation time of its first fragment, milliseconds
  // File offsets of the packets holding its first and its last fragment.
  std::uint64_t firstOffset = 0, lastOffset = 0;
};

// A media object a decoder rejected or reported damage in.
struct DamagedObject {
  MediaObject object;
  // Its first and last packet, counted from the Data Object's first.
  std::uint64_t firstPacket = 0, lastPacket = 0;
  std::string message;  // the decoder's words
};

// What a decoder makes of one media object.
struct Judgement {
  bool clean = false;            // decoded without a complaint
  std::optional<double> change;  // a picture: its mean luma difference from the picture before it
  std::optional<double> roughness;  // a picture: its luma's mean second difference
};

// Decodes media objects for a job that must judge bytes by what a decoder
// makes of them (where a repair's cut goes).
class DecodeJudge {
 public:
  virtual ~DecodeJudge() = default;
  // Decodes `run`, whole media objects of `stream` in their order (from a
  // key frame, or one object of a stream without key frames), in a fresh
  // decoder and judges the last; none when no decoder can say (no decoder
  // for the stream, or one lacking what the object uses). The picture's
  // change and roughness only when `measure` asks for them.
  enum class Measure : bool { cleanOnly, pictures };
  virtual std::optional<Judgement> judge(std::uint8_t stream, std::span<const ByteView> run, Measure measure) = 0;
  // A judge of the same streams, for another thread (each thread judges
  // with its own).
  virtual std::unique_ptr<DecodeJudge> another() const = 0;
};

// Counts of media objects by the kind of stream they belong to.
struct KindCounts {
  std::uint64_t video = 0, audio = 0, other = 0;
  std::uint64_t total() const { return video + audio + other; }
  void add(StreamKind k, std::uint64_t n = 1) { (k == StreamKind::video ? video : k == StreamKind::audio ? audio : other) += n; }
};

// The whole media objects of every stream the header declares, in the
// order their first fragments lie in the file. A media object is whole when
// it starts at offset 0 and its fragments continue, one after another, to
// its size before the stream's next object begins; one that does not is
// left out and counted, and the walk goes on. A compressed payload gives
// its sub-payloads as media objects of their own, with their presentation
// times; a payload without replicated data is an object by itself.
class MediaObjectReader {
 public:
  MediaObjectReader(const ByteSource& f, StreamTable streams);

  // The next whole media object; false at the end of the data.
  bool next();
  const MediaObject& object() const { return cur_.obj; }
  ByteView data() const { return cur_.direct ? cur_.view : ByteView(cur_.data); }

  // Media objects left out as incomplete, per stream number and per kind.
  const std::array<std::uint32_t, 128>& incompleteByStream() const { return incomplete_; }
  const KindCounts& incomplete() const { return incompleteKinds_; }
  const StreamTable& streams() const { return streams_; }
  // Where the walk is: the offset of the packet last read.
  std::uint64_t position() const { return w_.packet().fileOffset > 0 ? static_cast<std::uint64_t>(w_.packet().fileOffset) : 0; }
  // The number of the packet at file offset `offset`, counted from the
  // Data Object's first (damaged bytes passed over count as packets' worth).
  std::uint64_t packetNumber(std::uint64_t offset) const;
  // Bytes of a last packet the data ends inside (not read: its payloads
  // cannot be told whole).
  std::uint64_t partialTail() const { return w_.partialTail(); }
  // Damaged bytes passed over where packets were expected.
  std::uint64_t skippedBytes() const { return w_.skippedBytes(); }

  // Objects queued behind one still being assembled are held up to this
  // many bytes; past it, the one being waited for is taken as incomplete.
  static constexpr std::uint64_t kMaxQueued = 64ull << 20;
  // A single media object of more bytes than this is not assembled.
  static constexpr std::uint64_t kMaxObject = 256ull << 20;

 private:
  struct Pending {
    MediaObject obj;
    Bytes data;
    // An object whole in one payload with nothing unfinished before it is
    // returned before the walker moves on: a view of the packet's bytes.
    ByteView view;
    bool direct = false;
    std::uint32_t size = 0;
    bool done = false, broken = false;
  };
  struct Open {
    bool active = false;
    std::uint64_t seq = 0;  // its place in the queue, counted from the walk's start
    bool lost = false;      // fragments of `lostNumber` belong to an object already left out
    std::uint32_t lostNumber = 0;
  };

  void take();  // the walker's current payload
  void takeCompressed(std::uint8_t s, const Payload& pl, ByteView data);
  void takeFragment(std::uint8_t s, const Payload& pl, ByteView data);
  Pending& push(std::uint8_t s, const Payload& pl);
  // A whole object from one payload's bytes: a view when nothing before it
  // is unfinished, else a copy.
  void pushWhole(std::uint8_t s, const Payload& pl, ByteView bytes);
  Pending& at(std::uint64_t seq) { return queue_[static_cast<std::size_t>(seq - base_)]; }
  void breakOpen(std::uint8_t s);
  void countIncomplete(std::uint8_t s);
  // Moves the front of the queue out when it is resolved; true for a whole one.
  bool popFront();
  void enforceBound();

  PayloadWalker w_;
  StreamTable streams_;
  std::array<bool, 128> known_{};
  std::array<Open, 128> open_{};
  std::deque<Pending> queue_;
  std::uint64_t base_ = 0;    // seq of the queue's front
  std::uint64_t queued_ = 0;  // bytes held in the queue
  std::size_t unfinished_ = 0;  // objects of the queue still being assembled
  // Buffers of objects returned, kept for the next ones: a fresh large
  // buffer per frame costs the kernel's page faults every time.
  std::vector<Bytes> spare_;
  Bytes buffer();
  bool started_ = false, ended_ = false;
  Pending cur_;
  std::array<std::uint32_t, 128> incomplete_{};
  KindCounts incompleteKinds_;
};

}  // namespace corvel
