#include "join/join.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <filesystem>
#include <limits>
#include <thread>

#include "asf/field_visitors.hpp"
#include "analysis/simple_index.hpp"
#include "io/byte_source.hpp"
#include "asf/catalogue.hpp"
#include "asf/header_writers.hpp"
#include "asf/locators.hpp"
#include "io/output_file.hpp"
#include "io/platform.hpp"
#include "io/source_file.hpp"
#include "asf/streams.hpp"

namespace corvel {

// Kept per packet of the output from the read pass to the write pass.
static_assert(sizeof(SendSlot) <= 24);

SendSlot SendSlotOf(const ParsedPacket& p, std::uint8_t video) {
  SendSlot s;
  s.earliest = MinPresentationTime(p);
  s.hasVideo = MinStreamTime(p, video, s.videoTime);
  return s;
}

namespace {

// The span the even spread fills: six seconds short of the presentation end
// (half of it for a short one).
std::uint32_t SpreadSpan(std::uint32_t end) { return end > 10000 ? end - 6000 : end / 2; }

}  // namespace

std::uint16_t EvenStep(std::uint32_t end, std::uint64_t packets) {
  return packets ? static_cast<std::uint16_t>(SpreadSpan(end) / packets) : 0;
}

std::uint32_t EvenSpread(std::span<SendSlot> packets, std::uint32_t end) {
  const std::uint32_t T = SpreadSpan(end);
  if (packets.empty()) return T;
  const std::uint16_t step = EvenStep(end, packets.size());
  std::uint32_t S = 0;
  for (SendSlot& p : packets) {
    p.sendTime = S;
    p.duration = step;
    S += step;
  }
  return T;
}

std::uint32_t Approximate(std::span<SendSlot> packets, std::uint32_t lead) {
  const std::size_t n = packets.size();
  if (n == 0) return 0;
  // Anchors whose times increase: an earlier anchor not below a later one goes.
  std::vector<std::pair<std::size_t, std::uint32_t>> anchors;
  for (std::size_t k = 0; k < n; ++k) {
    const std::uint32_t t = packets[k].earliest;
    while (!anchors.empty() && t <= anchors.back().second) anchors.pop_back();
    anchors.emplace_back(k, t);
  }
  std::uint32_t S = 0;
  std::size_t j = 0;
  auto spread = [&](std::size_t upto, std::uint32_t target) {
    const auto diff = static_cast<std::int32_t>(target - S);
    const auto step = static_cast<std::uint16_t>(static_cast<std::int16_t>(diff / static_cast<std::int32_t>(upto - j)));
    for (; j < upto; ++j) {
      packets[j].sendTime = S;
      packets[j].duration = step;
      S += step;
    }
  };
  for (std::size_t a = anchors.front().first == 0 ? 1 : 0; a < anchors.size(); ++a) {
    const auto [k, t] = anchors[a];
    if (k <= j) continue;
    const std::uint64_t twoL = 2ull * lead;
    spread(k, t < twoL ? t / 2 : t - lead);
  }
  if (j < n) spread(n, packets[n - 1].earliest);
  return S;
}

void NextVideoTime(SendSlot* before, SendSlot& p, std::uint32_t preroll) {
  if (!before) {
    p.sendTime = 0;
  } else if (p.hasVideo) {
    p.sendTime = p.videoTime - preroll;
    before->duration = static_cast<std::uint16_t>(p.sendTime - before->sendTime);
  } else {
    before->duration = 1;
    p.sendTime = before->sendTime + 1;
  }
  p.duration = 1;  // until a packet follows
}

std::uint32_t VideoTime(std::span<SendSlot> packets, std::uint32_t preroll) {
  if (packets.empty()) return 0;
  for (std::size_t k = 0; k < packets.size(); ++k) NextVideoTime(k ? &packets[k - 1] : nullptr, packets[k], preroll);
  // The span of send times: the last packet's send time and its duration.
  return packets.back().sendTime + packets.back().duration;
}

void WriteBack(const ParsedPacket& rec, std::span<std::uint8_t> bytes) {
  for (std::size_t k = 0; k < rec.payloadCount(); ++k) {
    const Payload pl = rec.payload(k);
    WriteMediaObjectNumber(rec, k, pl.mediaObjectNumber, bytes);
    WritePresentationTime(rec, k, pl.presentationTime, bytes);
  }
  const std::uint64_t q = rec.payloadStart;
  if (q >= 6) {
    PutDWord(rec.sendTime, bytes, q - 6);
    PutWord(rec.duration, bytes, q - 2);
  }
}

namespace {

// The Data Object's own fields, before its packets.
std::uint64_t DataObjectHead() { return static_cast<std::uint64_t>(FixedSize<DataObjectHeader>()); }


// Reads the packets of one file a large block at a time.
class PacketReader {
 public:
  PacketReader(const ByteSource& f, std::uint64_t start, std::uint32_t size) : f_(f), pos_(start), size_(size) {}
  // The next packet, or an empty view when the file ends short of it.
  ByteView next() {
    if (at_ + size_ > len_) {
      const std::size_t want = std::max<std::size_t>(size_, kBlock - kBlock % size_);
      buf_.resize(want);
      const std::int64_t got = f_.readAt(pos_, buf_);
      len_ = got > 0 ? static_cast<std::size_t>(got) : 0;
      pos_ += len_;
      at_ = 0;
      if (len_ < size_) return {};
    }
    const ByteView v(buf_.data() + at_, size_);
    at_ += size_;
    return v;
  }

 private:
  static constexpr std::size_t kBlock = 256 << 10;  // small enough to stay in the cache until written
  const ByteSource& f_;
  std::uint64_t pos_;
  std::uint32_t size_;
  Bytes buf_;
  std::size_t len_ = 0, at_ = 0;
};

struct StreamState {
  bool renumbered = false;  // an audio or video stream
  std::uint32_t newPT = 0;
  std::uint32_t delta = 0;
  std::uint32_t lastPT = 0;
  std::uint8_t lastNumber = 0;
  std::uint8_t newNumber = 0;
  bool firstInFile = false;

  // Gives a payload of this stream its output number and time; a
  // compressed payload's `objects` take the numbers after its own.
  void renumber(std::uint32_t& mon, std::uint32_t& pt, bool hasTime, std::uint32_t objects = 1) {
    const std::uint32_t M = mon, T = pt;
    if (firstInFile) {
      firstInFile = false;
      lastNumber = static_cast<std::uint8_t>(M);
      if (hasTime) lastPT = T;
    }
    // Numbers are compared on their low 8 bits: a wider field would
    // otherwise start a new media object at every fragment.
    if (static_cast<std::uint8_t>(M) != lastNumber) {
      lastNumber = static_cast<std::uint8_t>(M);
      ++newNumber;
      if (hasTime) {
        delta = T - lastPT;
        lastPT = T;
        newPT += delta;
      }
    }
    mon = newNumber;
    if (hasTime) pt = newPT;
    if (objects > 1) {
      newNumber = static_cast<std::uint8_t>(newNumber + objects - 1);
      lastNumber = static_cast<std::uint8_t>(M + objects - 1);
    }
  }
};

class Joiner {
 public:
  Joiner(const std::vector<std::string>& in, const std::string& out, const JoinOptions& o, JobContext& ctx)
      : in_(in), outName_(out), o_(o), ctx_(ctx) {}
  JobResult<JoinData> run();

 private:
  JobResult<JoinData> finish(Outcome outcome, Message message) { return Finish(ctx_, outcome, std::move(message), d_); }
  JobResult<JoinData> fail(Message message) {
    if (out_) out_->discard();  // no half-joined file is left behind
    return finish(Outcome::failed, std::move(message));
  }
  // The failed steps' result: stopped, or failed with the reason kept.
  JobResult<JoinData> failedStep() {
    if (stop()) {
      if (out_) out_->discard();  // a join stopped half way is no recording
      return finish(Outcome::stopped, Message(MessageId::Interrupted));
    }
    return fail(why_);
  }
  // The failure message, for the steps that answer true or false.
  bool refuse(Message message) {
    why_ = std::move(message);
    return false;
  }
  bool stop() const { return ctx_.stopRequested(); }
  // A step of the job (a packet); every read block's worth of packets a
  // pause when it runs in the background.
  void pause() {
    ctx_.step();
    if (++steps_ % kBlockPackets == 0) pace_.blockDone();
  }

  // Progress through file number `file` (of all the inputs).
  void progress(std::size_t file, std::uint64_t n, std::uint64_t total) {
    ctx_.progress(n, total, phase::joining, {file + 1, in_.size()});
  }
  // Checks one input in the order of the engine and returns where its
  // packets start and how many there are; false after a failure message.
  bool openInput(std::size_t i, std::unique_ptr<FileSource>& f, std::uint64_t& start, std::uint64_t& count);
  // Parts of one recording carry the same streams: what differs, before
  // anything is written; empty when nothing does.
  Message streamsDiffer();
  // The read pass; in a join of one pass, it writes the packets too.
  bool readPackets(std::size_t i, bool writing);
  // In a join of one pass: gives the packet just read (its slot the last)
  // its send time and writes what is ready: the packet itself spread
  // evenly; by the video times, the one before it, whose duration it gives.
  bool writeAsRead(ByteView v, ParsedPacket& p, bool parsed);
  // Writes the packet held back for its duration.
  bool writeHeldBack();
  // Writes a read packet (renumbered, its send time set when it parsed).
  bool writePacket(ByteView v, const ParsedPacket* p);
  // The even spread's step, from the renumbering run through each part's
  // first and last packets only: the times between them add up to the
  // same. Checked when every packet has been read.
  std::uint16_t predictedStep();
  // Where the renumbered presentation times end (the state moves on by
  // each stream's last step).
  std::uint32_t presentationEnd();
  bool writePackets(std::size_t i, std::size_t& record);
  // Each part's packets start new media objects, their times running on.
  void beginPart();
  // Gives the packet's payloads their output numbers and times. The write
  // pass does again what the read pass did, packet by packet, from the
  // same starting state: nothing but the send slots is kept between them.
  void renumber(ParsedPacket& p);
  std::uint32_t sendTimes();
  bool patchHeader(std::uint32_t sendDuration, std::unique_ptr<FileSource>& written);
  bool writeIndex(const FileSource& written);

  const std::vector<std::string>& in_;
  std::string outName_;
  const JoinOptions& o_;
  static constexpr std::uint64_t kBlockPackets = 512;
  BackgroundPace pace_{!o_.highPriority};  // after o_: made from it
  std::uint64_t steps_ = 0;
  JobContext& ctx_;
  JoinData d_;
  Message why_;
  std::unique_ptr<OutputFile> out_;
  std::uint32_t packetSize_ = 0;
  std::int64_t preroll_ = 0;
  // Per stream number; every audio and video stream is renumbered.
  std::array<StreamState, 128> streams_{};
  StreamTable table_;  // the first part's: every other part must carry the same
  std::uint8_t video_ = 0;  // the first video stream: the index's and the video send times'
  template <typename F>
  void eachRenumbered(F f) {
    for (StreamState& st : streams_)
      if (st.renumbered) f(st);
  }
  std::array<StreamState, 128> atStart_{};  // streams_ before the first part's packets
  std::vector<SendSlot> slots_;             // per packet of the output
  FrameCollector frames_{0};                // the video's frames, for the index
  std::vector<std::uint64_t> partPackets_;  // per part: the packets read from it
  std::vector<std::uint64_t> partStart_;    // per part: where its packets start
  std::uint16_t step_ = 0;                  // the even spread's, foretold
  Bytes heldBack_;                          // by the video times: the last packet read, not yet written
  ParsedPacket heldBackPacket_;             // and its renumbered fields
  bool heldBackParsed_ = false;
  std::uint64_t written_ = 0;               // packets written in the read pass
  // Packets past a part's declared count that still parse: the data decides.
  std::uint64_t packetsGoOn(const FileSource& f, std::uint64_t start, std::uint64_t count, const std::string& name);
  std::uint64_t dataStart_ = 0;  // output offset of the first packet
  std::int64_t fpo_ = -1;        // output offset of the File Properties Object
};

bool Joiner::openInput(std::size_t i, std::unique_ptr<FileSource>& f, std::uint64_t& start, std::uint64_t& count) {
  const std::string& name = in_[i];
  std::string error;
  f = FileSource::open(name, &error);
  if (!f) return refuse(Message(MessageId::FileOpenError, " " + name));
  if (i == 0 && packetSize_ == 0) {
    const std::int64_t h = ReadHeaderSize(*f);
    if (h < FixedSize<HeaderObject>() || static_cast<std::uint64_t>(h) + DataObjectHead() > f->size()) return refuse(Message(MessageId::HeaderSizeNotFound, name));
    if (FindDataObject(*f) < 0) return refuse(Message(MessageId::DataObjectNotFound, name));
    // The first file's header and the fixed part of its Data Object, as they are.
    out_->write(ReadPadded(*f, 0, static_cast<std::uint64_t>(h) + DataObjectHead()));
    dataStart_ = static_cast<std::uint64_t>(h) + DataObjectHead();
    if (o_.preroll == PrerollSource::firstFile) {
      preroll_ = ReadPreroll(*f);
      if (preroll_ < 0) return refuse(Message(MessageId::PrerollNotFound, name));
    }
    packetSize_ = ReadPacketSize(*f);
    if (packetSize_ == 0) return refuse(Message(MessageId::FilePropertiesNotFound, name));
    // A packet size no file could hold is damage, not something to allocate.
    if (packetSize_ > SourceFile::CacheSize || packetSize_ > f->size()) return refuse(Message(MessageId::StructureError, name));
  }
  if (i == 0) {
    // The first part's stream table was read by streamsDiffer().
    for (const StreamEntry& e : table_) streams_[e.number & 127].renumbered = e.kind != StreamKind::other;
    video_ = FirstOfKind(table_, StreamKind::video);
    frames_ = FrameCollector(video_);
    // Presentation times start at the preroll.
    eachRenumbered([&](StreamState& st) { st.newPT = static_cast<std::uint32_t>(preroll_); });
    atStart_ = streams_;
  }
  const std::uint32_t size = ReadPacketSize(*f);
  if (size == 0) return refuse(Message(MessageId::FilePropertiesNotFound, name));
  if (size != packetSize_) return refuse(Message(MessageId::PacketSizesDiffer));
  if (ReadPlayDuration(*f) < 0) return refuse(Message(MessageId::PlayDurationNotFound, name));
  if (ReadPreroll(*f) < 0) return refuse(Message(MessageId::PrerollNotFound, name));
  const std::int64_t h = ReadHeaderSize(*f);
  const Bytes dao = h >= 0 ? ReadPadded(*f, static_cast<std::uint64_t>(h), DataObjectHead())
                          : Bytes(DataObjectHead(), 0);
  if (h < 0 || Guid::read(dao, 0) != guid::Data) return refuse(Message(MessageId::StructureError, name));
  start = static_cast<std::uint64_t>(h) + DataObjectHead();
  const auto declared = static_cast<std::uint64_t>(QWordOr0(dao, 40));
  // More packets than the file can hold is a structure error, found when
  // the reading runs short; the list is never sized beyond the file.
  count = packetsGoOn(*f, start, declared, name);
  return true;
}

std::uint64_t Joiner::packetsGoOn(const FileSource& f, std::uint64_t start, std::uint64_t count, const std::string& name) {
  const Bytes first = ReadPadded(f, start, packetSize_);
  const PacketForm form = LooksLikePacketStart(first, PacketForm::errorCorrection) ? PacketForm::errorCorrection : PacketForm::plain;
  const std::uint64_t declared = count;
  while (count < std::numeric_limits<std::uint64_t>::max() / packetSize_ && start + (count + 1) * packetSize_ <= f.size()) {
    const Bytes b = ReadPadded(f, start + count * packetSize_, packetSize_);
    ParsedPacket p;
    if (!LooksLikePacketStart(b, form) || ParsePacket(b, p) != 0) break;
    ++count;
  }
  if (count > declared)
    ctx_.log(Message(MessageId::DataBeyondHeader, std::to_string(start + declared * packetSize_) + " (" + name + ")"));
  return count;
}

Message Joiner::streamsDiffer() {
  for (std::size_t i = 0; i < in_.size(); ++i) {
    const auto f = FileSource::open(in_[i]);
    if (!f) continue;  // reported when the part is read
    StreamTable t = ReadStreams(*f);
    if (i == 0) {
      table_ = std::move(t);
    } else if (const std::string why = StreamTablesDiffer(table_, t); !why.empty()) {
      return Message(MessageId::StreamsDiffer, in_[i] + ": " + why);
    }
  }
  return {};
}

void Joiner::beginPart() {
  eachRenumbered([](StreamState& st) {
    st.newNumber++;
    st.firstInFile = true;
    st.newPT += st.delta;
  });
}

void Joiner::renumber(ParsedPacket& p) {
  auto step = [&](std::uint8_t s, std::uint32_t& mon, std::uint32_t& pt, std::uint32_t replicated, std::uint32_t objects) {
    StreamState& st = streams_[s & 127];
    if (s == 0 || !st.renumbered) return;
    // A compressed payload's time stands in its offset field.
    st.renumber(mon, pt, replicated >= 8 || replicated == 1, replicated == 1 ? objects : 1);
  };
  if (p.isMultiple()) {
    for (Payload& pl : p.multiple.payloads)
      step(pl.streamNumber, pl.mediaObjectNumber, pl.presentationTime, pl.replicatedDataLength, pl.compressedObjects);
  } else {
    step(p.single.streamNumber, p.single.mediaObjectNumber, p.single.presentationTime, p.single.replicatedDataLength,
         p.single.compressedObjects);
  }
}

std::uint32_t Joiner::presentationEnd() {
  std::uint32_t end = 0;
  eachRenumbered([&](StreamState& st) {
    st.newPT += st.delta;
    end = std::max(end, st.newPT);
  });
  return end;
}

std::uint16_t Joiner::predictedStep() {
  // Packets looked at from each end of a part.
  constexpr std::uint64_t kLook = 256;
  const auto before = streams_;
  std::uint64_t total = 0;
  for (std::size_t i = 0; i < in_.size(); ++i) {
    const std::uint64_t count = partPackets_[i];
    total += count;
    beginPart();
    const auto f = FileSource::open(in_[i]);
    if (!f) continue;  // said when it is read
    auto look = [&](std::uint64_t from, std::uint64_t n) {
      PacketReader reader(*f, partStart_[i] + from * packetSize_, packetSize_);
      for (std::uint64_t k = 0; k < n; ++k) {
        const ByteView v = reader.next();
        ParsedPacket p;
        if (v.empty()) return;
        if (ParsePacket(v, p) == 0) renumber(p);
      }
    };
    const std::uint64_t head = std::min(count, kLook), tail = std::min(count - head, kLook);
    look(0, head);
    look(count - tail, tail);
  }
  const std::uint32_t end = presentationEnd();
  streams_ = before;
  return EvenStep(end, total);
}

bool Joiner::writePacket(ByteView v, const ParsedPacket* p) {
  const std::span<std::uint8_t> dst = out_->reserve(packetSize_);
  // A write that fails is the output's fault (a full disk), not the part's.
  if (dst.size() != packetSize_) return refuse(Message(MessageId::FileSaveError, ": " + outName_ + ": " + out_->error()));
  std::copy(v.begin(), v.end(), dst.begin());
  if (p) WriteBack(*p, dst);
  out_->commit(packetSize_);
  return true;
}

bool Joiner::writeAsRead(ByteView v, ParsedPacket& p, bool parsed) {
  const std::size_t number = slots_.size() - 1;
  if (o_.sendTime == SendTimeMode::evenSpread) {
    p.sendTime = static_cast<std::uint32_t>(number) * step_;
    p.duration = step_;
    ++written_;
    return writePacket(v, parsed ? &p : nullptr);
  }
  NextVideoTime(number ? &slots_[number - 1] : nullptr, slots_[number], static_cast<std::uint32_t>(preroll_));
  if (number && !writeHeldBack()) return false;
  heldBack_.assign(v.begin(), v.end());
  heldBackPacket_ = p;
  heldBackParsed_ = parsed;
  return true;
}

bool Joiner::writeHeldBack() {
  const SendSlot& slot = slots_[written_++];
  heldBackPacket_.sendTime = slot.sendTime;
  heldBackPacket_.duration = slot.duration;
  return writePacket(heldBack_, heldBackParsed_ ? &heldBackPacket_ : nullptr);
}

bool Joiner::readPackets(std::size_t i, bool writing) {
  const auto f = FileSource::open(in_[i]);
  if (!f) return refuse(Message(MessageId::FileOpenError, " " + in_[i]));
  const std::uint64_t start = partStart_[i], count = partPackets_[i];
  beginPart();
  const std::uint64_t room = f->size() > start ? (f->size() - start) / packetSize_ : 0;
  slots_.reserve(slots_.size() + static_cast<std::size_t>(std::min(count, room)));
  PacketReader reader(*f, start, packetSize_);
  for (std::uint64_t n = 0; n < count; ++n) {
    const ByteView v = reader.next();
    if (v.empty()) return refuse(Message(MessageId::StructureError, in_[i]));
    ParsedPacket p;
    // A packet that does not parse is copied as it is: nothing is written
    // into it at places its own fields cannot vouch for.
    const bool parsed = ParsePacket(v, p) == 0;
    if (!parsed) p = ParsedPacket{};
    d_.keyframePackets += p.firstKeyFrame;
    renumber(p);
    const auto number = static_cast<std::uint32_t>(slots_.size());
    for (std::size_t k = 0; k < p.payloadCount(); ++k) frames_.take(p.payload(k), number);
    slots_.push_back(SendSlotOf(p, video_));
    slots_.back().parsed = parsed;
    if (writing && !writeAsRead(v, p, parsed)) return false;
    progress(i, n + 1, count);
    if (stop()) return false;
    pause();
  }
  return true;
}

bool Joiner::writePackets(std::size_t i, std::size_t& record) {
  std::unique_ptr<FileSource> f;
  std::string error;
  f = FileSource::open(in_[i], &error);
  if (!f) return refuse(Message(MessageId::FileOpenError, " " + in_[i]));
  const std::int64_t h = ReadHeaderSize(*f);
  const std::uint64_t count = i < partPackets_.size() ? partPackets_[i] : 0;
  beginPart();
  PacketReader reader(*f, static_cast<std::uint64_t>(h) + DataObjectHead(), packetSize_);
  for (std::uint64_t n = 0; n < count && record < slots_.size(); ++n, ++record) {
    const ByteView v = reader.next();
    if (v.empty()) return refuse(Message(MessageId::StructureError, in_[i]));
    const SendSlot& slot = slots_[record];
    ParsedPacket p;
    if (slot.parsed) {
      // Parsed as the read pass parsed it, unless the part changed since.
      if (ParsePacket(v, p) != 0) return refuse(Message(MessageId::StructureError, in_[i]));
      renumber(p);
      p.sendTime = slot.sendTime;
      p.duration = slot.duration;
    }
    if (!writePacket(v, slot.parsed ? &p : nullptr)) return false;
    if (stop()) return false;
  }
  return true;
}

std::uint32_t Joiner::sendTimes() {
  ctx_.forceProgress(0, 0, phase::sendTimes);
  switch (o_.sendTime) {
    case SendTimeMode::approximate:
      return Approximate(slots_, o_.leadIsPreroll ? static_cast<std::uint32_t>(preroll_) : o_.lead);
    case SendTimeMode::videoTime: return VideoTime(slots_, static_cast<std::uint32_t>(preroll_));
    case SendTimeMode::evenSpread: break;
  }
  return EvenSpread(slots_, d_.end);
}

// Header fields, found again in the output.
bool Joiner::patchHeader(std::uint32_t sendDuration, std::unique_ptr<FileSource>& written) {
  std::string error;
  written = FileSource::open(out_->writingPath(), &error);
  fpo_ = written ? FindFileProperties(*written) : -1;
  const std::int64_t dao = written ? FindDataObject(*written) : -1;
  if (fpo_ < 0 || dao < 0) return refuse(Message(MessageId::FileSaveError));
  const std::uint64_t count = slots_.size();
  d_.packets = count;
  auto patch = [&](std::int64_t at, std::uint64_t v) {
    Bytes b(8);
    PutQWord(v, b, 0);
    out_->writeAt(static_cast<std::uint64_t>(at), b);
  };
  patch(fpo_ + 56, count);
  patch(fpo_ + 64, std::uint64_t{d_.end} * 10000);
  patch(fpo_ + 72, std::uint64_t{sendDuration} * 10000);
  patch(fpo_ + 80, static_cast<std::uint64_t>(preroll_));
  patch(dao + 40, count);
  patch(dao + 16, count * packetSize_ + DataObjectHead());
  return true;
}

bool Joiner::writeIndex(const FileSource& written) {
  ctx_.forceProgress(0, 0, phase::buildingIndex);
  if (d_.keyframePackets <= 1) return true;
  SimpleIndex index;
  index.present = true;
  index.objectId = guid::SimpleIndex;
  index.fileId = Guid::read(ReadPadded(written, static_cast<std::uint64_t>(fpo_) + 24, 16), 0);
  if (!CreateSimpleIndex(frames_.finish(), index)) return true;
  ctx_.forceProgress(0, 0, phase::writingIndex);
  Bytes b;
  WriteSimpleIndex(index, index.fileId, b);
  d_.indexEntries = static_cast<std::uint32_t>(index.entries.size());
  out_->write(b);  // a failed write shows at the flush
  return true;
}

JobResult<JoinData> Joiner::run() {
  if (in_.empty()) return fail(Message(MessageId::NothingToJoin));
  if (outName_.empty()) return fail(Message(MessageId::WhereToPut));
  if (Message differ = streamsDiffer(); !differ.empty()) return fail(std::move(differ));
  Message why;
  out_ = CreateOutput(outName_, in_, why, ctx_);
  if (!out_) return fail(std::move(why));
  std::uint64_t total = 0;
  for (const std::string& name : in_) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(platform::PathOf(name), ec);
    total += ec ? 0 : size;
  }
  out_->preallocate(total);
  if (o_.preroll == PrerollSource::fixed) preroll_ = o_.prerollMs;

  for (std::size_t i = 0; i < in_.size(); ++i) {
    std::unique_ptr<FileSource> f;
    std::uint64_t start = 0, count = 0;
    if (!openInput(i, f, start, count)) return failedStep();
    partStart_.push_back(start);
    partPackets_.push_back(count);
  }
  // The read pass parses and renumbers every packet. Spread evenly, the
  // send times need only the packet count and the presentation end, which
  // the parts' ends foretell; by the video times, a packet's send time
  // needs only the packet after it: the packets are written as they are
  // read. The approximate send times need them all first: a second pass
  // writes them, renumbering again.
  const bool onePass = o_.sendTime != SendTimeMode::approximate;
  if (o_.sendTime == SendTimeMode::evenSpread) step_ = predictedStep();
  for (std::size_t i = 0; i < in_.size(); ++i)
    if (!readPackets(i, onePass)) return failedStep();
  if (slots_.empty()) return fail(Message(MessageId::NoDataPackets));
  if (onePass && written_ < slots_.size() && !writeHeldBack()) return failedStep();
  d_.end = presentationEnd();
  d_.sendDuration = sendTimes();
  const bool foretoldWrongly = o_.sendTime == SendTimeMode::evenSpread && slots_.front().duration != step_;
  if (!onePass || foretoldWrongly) {
    if (onePass) {
      ctx_.log(Message(MessageId::SendTimesAgain));
      out_->cutTo(dataStart_);
    } else {
      ctx_.log(Message(MessageId::SendTimesNeedAll));
    }
    // The second pass renumbers as the first did, from the same start.
    streams_ = atStart_;
    std::size_t record = 0;
    for (std::size_t i = 0; i < in_.size(); ++i) {
      if (!writePackets(i, record)) return failedStep();
      progress(i, 1, 1);
    }
  }
  if (!out_->flush()) return fail(Message(MessageId::FileSaveError, ": " + outName_ + ": " + out_->error()));
  std::unique_ptr<FileSource> written;
  const bool patched = patchHeader(d_.sendDuration, written) && writeIndex(*written);
  // Closed before the output takes its name or is removed (Windows does
  // neither to a file that is open).
  written.reset();
  if (!patched) return fail(why_);
  if (!out_->flush()) return fail(Message(MessageId::FileSaveError, ": " + outName_ + ": " + out_->error()));
  Bytes size(8);
  PutQWord(out_->size(), size, 0);
  out_->writeAt(static_cast<std::uint64_t>(fpo_) + 40, size);
  if (!out_->close()) return fail(Message(MessageId::FileSaveError, ": " + outName_ + ": " + out_->error()));
  // Complete, with what the joined file holds.
  Message done(MessageId::OperationComplete);
  done.more.emplace_back(MessageId::PacketsWritten, std::to_string(d_.packets));
  return finish(Outcome::ok, std::move(done));
}

}  // namespace

JobResult<JoinData> JoinFiles(const std::vector<std::string>& inputs, const std::string& output, const JoinOptions& o,
                              JobContext& ctx) {
  return Joiner(inputs, output, o, ctx).run();
}

}  // namespace corvel
