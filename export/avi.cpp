#include "export/avi.hpp"

#include <filesystem>

#include <algorithm>
#include <array>
#include <numeric>

#include "analysis/media_objects.hpp"
#include "asf/catalogue.hpp"
#include "io/output_file.hpp"
#include "io/platform.hpp"

namespace corvel {

namespace {

using Riff = ByteWriter;

struct IndexEntry {
  char code[4];
  std::uint32_t flags, offset, size;
};

// "operation complete" and how many media objects were written; when
// anything was left out, lines that say what: incomplete media objects,
// streams an AVI cannot carry, and of how many.
// (`count`: false when the caller counts the objects its own way.)
Message Completed(const ExportData& res, bool count = true) {
  Message m(MessageId::OperationComplete);
  const std::uint64_t incomplete = std::uint64_t{res.incompleteVideo} + res.incompleteAudio + res.incompleteOther;
  if (incomplete + res.objectsLeftOut + res.tailBytesLeftOut + res.damagedBytesSkipped == 0 && res.streamsLeftOut.empty()) {
    if (count) m.more.emplace_back(MessageId::ObjectsWritten, std::to_string(res.chunks));
    return m;
  }
  if (incomplete) {
    m.tail = MessageId::IncompleteLeftOut;
    m.end = std::to_string(res.incompleteVideo) + ", " + std::to_string(res.incompleteAudio + res.incompleteOther);
  }
  if (!res.streamsLeftOut.empty()) {
    std::string names;
    for (const StreamEntry& e : res.streamsLeftOut)
      names += (names.empty() ? "" : ", ") + std::to_string(e.number) + " " + StreamTypeName(e.type);
    m.more.emplace_back(MessageId::StreamsLeftOut, names);
  }
  if (res.damagedBytesSkipped) m.more.emplace_back(MessageId::DamagedSkipped, std::to_string(res.damagedBytesSkipped));
  if (res.tailBytesLeftOut) m.more.emplace_back(MessageId::DataEndsInPacket, std::to_string(res.tailBytesLeftOut));
  m.more.emplace_back(MessageId::ObjectsWritten, std::to_string(res.chunks));
  m.more.emplace_back(MessageId::Of, std::to_string(res.chunks + incomplete + res.objectsLeftOut));
  return m;
}

void KeepCounts(const MediaObjectReader& it, ExportData& res) {
  res.tailBytesLeftOut = it.partialTail();
  res.damagedBytesSkipped = it.skippedBytes();
  res.incompleteVideo = static_cast<std::uint32_t>(it.incomplete().video);
  res.incompleteAudio = static_cast<std::uint32_t>(it.incomplete().audio);
  res.incompleteOther = static_cast<std::uint32_t>(it.incomplete().other);
}

// Frames: every stream, every video stream, or every stream that is not video.
bool passes(StreamChoice c, StreamKind k) {
  return c == StreamChoice::VideoAndAudio || (c == StreamChoice::VideoOnly) == (k == StreamKind::video);
}

// AVI: the video and audio streams the choice takes.
bool carried(StreamChoice c, StreamKind k) { return k != StreamKind::other && passes(c, k); }

std::string twoDigits(std::size_t n) { return {static_cast<char>('0' + n / 10 % 10), static_cast<char>('0' + n % 10)}; }

Bytes avih(std::uint32_t usecPerFrame, std::uint32_t flags, std::uint32_t frames, std::uint32_t streams, const BitmapInfoHeader& f) {
  Riff r;
  r.chars("avih").u32(56).u32(usecPerFrame).u32(0).u32(0).u32(flags).u32(frames).u32(0).u32(streams).u32(0);
  r.u32(f.width).u32(f.height).zeros(16);
  return std::move(r.data());
}

Bytes strhVideo(const BitmapInfoHeader& f, std::uint32_t scale, std::uint32_t rate, std::uint32_t length, std::uint32_t bufSize) {
  Riff r;
  r.chars("strh").u32(56).chars("vids").u32(f.compressionId).u32(0).u32(0).u32(0).u32(scale).u32(rate).u32(0);
  r.u32(length).u32(bufSize).u32(0xFFFFFFFF).u32(0).u16(0).u16(0);
  r.u16(static_cast<std::uint16_t>(f.width)).u16(static_cast<std::uint16_t>(f.height));
  return std::move(r.data());
}

Bytes strhAudio(const AudioMedia& a, std::uint32_t length, std::uint32_t bufSize) {
  Riff r;
  r.chars("strh").u32(56).chars("auds").u32(0).u32(0).u32(0).u32(1).u32(a.blockAlignment).u32(a.bytesPerSecond);
  r.u32(0).u32(length).u32(bufSize).u32(0xFFFFFFFF).u32(a.blockAlignment).u16(0).u16(0).u16(0).u16(0);
  return std::move(r.data());
}

Bytes strfVideo(const BitmapInfoHeader& f) {
  const std::uint32_t bytesPerPixel = f.bitsPerPixel >= 8 ? f.bitsPerPixel / 8u : 1u;
  Riff r;
  r.chars("strf").u32(static_cast<std::uint32_t>(40 + f.codecData.size()));
  r.u32(40).u32(f.width).u32(f.height).u16(1).u16(f.bitsPerPixel).u32(f.compressionId);
  r.u32(f.width * f.height * bytesPerPixel).zeros(16).bytes(f.codecData);
  return std::move(r.data());
}

Bytes strfAudio(const AudioMedia& a) {
  Riff r;
  r.chars("strf").u32(18u + a.codecDataSize);
  r.u16(a.formatTag).u16(a.channels).u32(a.samplesPerSecond).u32(a.bytesPerSecond);
  r.u16(a.blockAlignment).u16(a.bitsPerSample).u16(a.codecDataSize).bytes(a.codecData);
  r.data().resize(26 + std::size_t{a.codecDataSize}, 0);
  return std::move(r.data());
}

// OpenDML: a stream's super index, its room for `capacity` entries (the
// standard index chunks of the RIFF lists), and the extended header.
constexpr std::uint32_t kSuperIndexEntries = 256;

struct SuperEntry {
  std::uint64_t offset = 0;  // of the standard index chunk in the file
  std::uint32_t size = 0;    // of that chunk, header included
  std::uint32_t duration = 0;  // the chunks it indexes
};

Bytes indx(const char* chunkId, std::span<const SuperEntry> entries) {
  Riff r;
  r.chars("indx").u32(24 + 16 * kSuperIndexEntries).u16(4).u8(0).u8(0);
  r.u32(static_cast<std::uint32_t>(entries.size())).chars(std::string_view(chunkId, 4)).zeros(12);
  for (const SuperEntry& e : entries) r.u64(e.offset).u32(e.size).u32(e.duration);
  r.zeros(16 * (kSuperIndexEntries - entries.size()));
  return std::move(r.data());
}

Bytes odmlList(std::uint32_t totalFrames) {
  Riff r;
  r.chars("LIST").u32(4 + 8 + 248).chars("odml").chars("dmlh").u32(248).u32(totalFrames).zeros(244);
  return std::move(r.data());
}

}  // namespace

namespace {

// One stream of the AVI: its chunk code, where its headers lie, and what
// its chunks add up to.
struct Track {
  const StreamEntry* stream = nullptr;
  std::string code;  // "00dc", "01wb", ...
  bool video = false;
  std::size_t strhPos = 0, indxPos = 0;
  std::uint32_t chunks = 0, maxChunk = 0;
  std::uint64_t bytes = 0;
  std::uint32_t firstTime = 0, lastTime = 0;  // video: presentation times of the first and last frame
  std::uint32_t rate = 0, scale = 0;
  // OpenDML: the current RIFF list's chunks, data position (bit 63: not a
  // key frame) and size; the super index entries made so far.
  std::vector<std::pair<std::uint64_t, std::uint32_t>> segment;
  std::vector<SuperEntry> super;
  std::uint32_t firstSegmentChunks = 0;
};

// The AVI remux in its steps: the headers (sizes patched at the end), the
// chunks in the movi list, the legacy index, and the headers' final values.
class AviWriter {
 public:
  AviWriter(const SourceRef& source, const CutList& cuts, const HeaderRecords& rec, const std::string& output, StreamChoice choice,
            JobContext& ctx, std::uint64_t limit, bool odml)
      : source_(source), cuts_(cuts), rec_(rec), output_(output), choice_(choice), ctx_(ctx), limit_(limit), odml_(odml) {}
  JobResult<ExportData> run();

 private:
  JobResult<ExportData> failed(Message m) {
    if (out_) out_->discard();  // no half-written AVI is left behind
    return Finish(ctx_, Outcome::failed, std::move(m), res_);
  }
  // A track for every video and audio stream chosen, in stream number order;
  // false when there is none.
  bool chooseStreams();
  void writeHeaders();
  // False when a classic file would pass the size limit (or an OpenDML
  // chunk a RIFF list's).
  bool writeChunks();
  // A chunk's place in the indexes and the stream's figures.
  void record(Track& t, const IndexEntry& e, std::uint64_t dataPos, bool key);
  void writeIndex();
  void frameRates();
  void patchHeaders();
  // OpenDML: the RIFF lists past the first (each within the limit), each
  // movi list ending in a standard index chunk per stream.
  std::uint64_t riffLimit() const { return odml_ ? std::min<std::uint64_t>(limit_, kOdmlRiff) : limit_; }
  void closeSegment();
  void openSegment();
  // What closing the current RIFF list adds after one more chunk: its
  // standard index chunks, and idx1 in the first.
  std::uint64_t segmentTail() const {
    std::uint64_t entries = 1;
    for (const Track& t : tracks_) entries += t.segment.size();
    return 24 * tracks_.size() + 8 * entries + (firstSegment_ ? 8 + 16 * (index_.size() + 1) : 0);
  }
  Bytes standardIndex(std::size_t track) const;
  void patch32(std::uint64_t at, std::uint32_t value);
  // The main header's frame size: the source's first video stream's, also
  // when only audio is written (as this program always has).
  const BitmapInfoHeader& mainFormat() const {
    static const BitmapInfoHeader none;
    for (const StreamEntry& e : streams_)
      if (e.kind == StreamKind::video) return e.video.format;
    return none;
  }

  const SourceRef& source_;
  const CutList& cuts_;
  const HeaderRecords& rec_;
  const std::string& output_;
  StreamChoice choice_;
  JobContext& ctx_;
  std::uint64_t limit_;
  bool odml_;  // OpenDML (AVI 2.0): RIFF lists past the first
  ExportData res_;
  std::unique_ptr<ByteSource> src_;
  std::unique_ptr<OutputFile> out_;
  StreamTable streams_;
  std::vector<Track> tracks_;
  std::array<int, 128> trackOf_{};  // per stream number: its track, -1 for none
  const Track* mainVideo_ = nullptr;  // the first video track: the main header's frames and size
  std::size_t headerBytes_ = 0, avihPos_ = 0, moviSizePos_ = 0;
  std::vector<IndexEntry> index_;  // idx1: every chunk, or (OpenDML) the first RIFF list's
  std::uint64_t moviBytes_ = 0;
  // OpenDML.
  static constexpr std::uint64_t kOdmlRiff = 1ull << 30;  // each RIFF list, as players expect
  std::size_t dmlhPos_ = 0;
  std::uint64_t riffPos_ = 0, moviPos_ = 0;  // of the current RIFF and movi lists
  bool firstSegment_ = true;
  bool indexFull_ = false;  // the super index has no room for another RIFF list
};

bool AviWriter::chooseStreams() {
  // The open file's records; a file opened without them is read for its own.
  streams_ = StreamsOf(rec_);
  if (streams_.empty()) streams_ = ReadStreams(*src_);
  trackOf_.fill(-1);
  for (const StreamEntry& e : streams_) {
    if (e.kind == StreamKind::other) {
      res_.streamsLeftOut.push_back(e);
      continue;
    }
    if (!carried(choice_, e.kind)) continue;
    Track t;
    t.stream = &e;
    t.video = e.kind == StreamKind::video;
    t.code = twoDigits(tracks_.size()) + (t.video ? "dc" : "wb");
    trackOf_[e.number & 127] = static_cast<int>(tracks_.size());
    tracks_.push_back(std::move(t));
  }
  for (const Track& t : tracks_)
    if (t.video && !mainVideo_) mainVideo_ = &t;
  return !tracks_.empty() && tracks_.size() <= 100;
}

void AviWriter::writeHeaders() {
  std::vector<Bytes> strf;
  for (const Track& t : tracks_) strf.push_back(t.video ? strfVideo(t.stream->video.format) : strfAudio(t.stream->audio));
  Riff h;
  h.chars("RIFF").u32(0).chars("AVI ");
  // OpenDML adds a super index to each stream's list and the extended header.
  const std::uint32_t indxBytes = odml_ ? 8 + 24 + 16 * kSuperIndexEntries : 0;
  std::uint32_t hdrl = 68;
  for (const Bytes& f : strf) hdrl += 76 + static_cast<std::uint32_t>(f.size()) + indxBytes;
  if (odml_) hdrl += 8 + 4 + 8 + 248;
  h.chars("LIST").u32(hdrl).chars("hdrl");
  avihPos_ = h.size();
  h.bytes(avih(40000, 0, 0, static_cast<std::uint32_t>(tracks_.size()), mainFormat()));
  for (std::size_t i = 0; i < tracks_.size(); ++i) {
    Track& t = tracks_[i];
    h.chars("LIST").u32(68 + static_cast<std::uint32_t>(strf[i].size()) + indxBytes).chars("strl");
    t.strhPos = h.size();
    h.bytes(t.video ? strhVideo(t.stream->video.format, 0, 0, 0, 0) : strhAudio(t.stream->audio, 0, 0)).bytes(strf[i]);
    t.indxPos = h.size();
    if (odml_) h.bytes(indx(t.code.c_str(), {}));
  }
  if (odml_) {
    dmlhPos_ = h.size();
    h.bytes(odmlList(0));
  }
  // JUNK up to 2036 so that the chunks start at 2048; headers too long for
  // it are followed by the movi list directly.
  if (h.size() + 8 <= 2036) {
    const std::size_t junk = 2036 - h.size();
    h.chars("JUNK").u32(static_cast<std::uint32_t>(junk - 8)).zeros(junk - 8);
  }
  moviSizePos_ = h.size() + 4;
  moviPos_ = h.size();
  riffPos_ = 0;
  h.chars("LIST").u32(0).chars("movi");
  headerBytes_ = h.size();
  out_->write(h.data());
}

bool AviWriter::writeChunks() {
  MediaObjectReader it(*src_, streams_);
  // Chunks are built in a staging block and written a block at a time.
  Bytes staging;
  staging.reserve(8 << 20);
  for (bool first = true; it.next(); first = false) {
    const MediaObject& mo = it.object();
    const ByteView data = it.data();
    const int ti = trackOf_[mo.stream & 127];
    if (ti < 0) {
      if (KindOf(streams_, mo.stream) == StreamKind::other) ++res_.objectsLeftOut;
      continue;
    }
    Track& t = tracks_[static_cast<std::size_t>(ti)];
    const auto len = static_cast<std::uint32_t>(data.size());
    // The first chunk of the file, when it is a frame, is marked as one
    // that needs no other.
    std::string code = t.code;
    if (first && t.video) code[2] = 'd', code[3] = 'b';
    const std::uint64_t chunk = 8 + std::uint64_t{len} + (len & 1);
    if (!odml_) {
      // The whole file must stay within what the 32-bit RIFF sizes can hold.
      if (headerBytes_ + moviBytes_ + chunk + 8 + 16 * (index_.size() + 1) > limit_) return false;
    } else if (out_->size() + staging.size() + chunk + segmentTail() - riffPos_ > riffLimit()) {
      // The RIFF list is full: the chunk goes into the next one.
      out_->write(staging);
      staging.clear();
      closeSegment();
      openSegment();
      if (out_->failed() || indexFull_ || chunk + 24 + 16 + 64 > riffLimit()) return false;
    }
    IndexEntry e{};
    std::copy(code.begin(), code.end(), e.code);
    e.flags = mo.key ? 16 : 0;
    e.offset = static_cast<std::uint32_t>(moviBytes_ + 4);
    e.size = len;
    record(t, e, out_->size() + staging.size() + 8, mo.key);
    Riff head(staging);
    head.chars(code).u32(len).bytes(data);
    if (len & 1) staging.push_back(0);
    moviBytes_ += chunk;
    if (t.video) {
      if (t.chunks == 1) t.firstTime = mo.time;
      t.lastTime = mo.time;
    }
    if (staging.size() >= (4u << 20)) {
      out_->write(staging);
      staging.clear();
      if (out_->failed()) break;
    }
    ctx_.progress(it.position(), src_->size(), phase::exporting, {index_.size(), 0});
    ctx_.step();
    if (ctx_.stopRequested()) break;
  }
  out_->write(staging);
  KeepCounts(it, res_);
  if (odml_) closeSegment();
  return !indexFull_;
}

void AviWriter::record(Track& t, const IndexEntry& e, std::uint64_t dataPos, bool key) {
  // idx1 holds the first RIFF list's chunks (all of them in a classic file).
  if (!odml_ || firstSegment_) index_.push_back(e);
  ++t.chunks;
  t.bytes += e.size;
  t.maxChunk = std::max(t.maxChunk, e.size);
  (t.video ? res_.videoChunks : res_.audioChunks)++;
  if (!odml_) return;
  t.segment.emplace_back(dataPos | (key ? 0 : 1ull << 63), e.size);
  if (firstSegment_) ++t.firstSegmentChunks;
}

void AviWriter::patch32(std::uint64_t at, std::uint32_t value) {
  Riff r;
  r.u32(value);
  out_->writeAt(at, r.data());
}

// A standard index chunk: base offset, then per chunk its data's offset from
// the base and its size (bit 31: not a key frame).
Bytes AviWriter::standardIndex(std::size_t track) const {
  const Track& t = tracks_[track];
  const std::uint64_t base = moviPos_;
  Riff r;
  r.chars("ix" + twoDigits(track)).u32(static_cast<std::uint32_t>(24 + 8 * t.segment.size())).u16(2).u8(0).u8(1);
  r.u32(static_cast<std::uint32_t>(t.segment.size())).chars(t.code).u64(base).u32(0);
  for (const auto& [pos, size] : t.segment) {
    const std::uint64_t at = pos & ~(1ull << 63);
    r.u32(static_cast<std::uint32_t>(at - base)).u32(size | ((pos >> 63) ? 0x80000000u : 0));
  }
  return std::move(r.data());
}

// Ends the current RIFF list: its movi list takes the standard index
// chunks, the first RIFF list the legacy idx1, and the sizes are set.
void AviWriter::closeSegment() {
  for (std::size_t i = 0; i < tracks_.size(); ++i) {
    Track& t = tracks_[i];
    if (t.segment.empty()) continue;
    if (t.super.size() >= kSuperIndexEntries) {  // 256 RIFF lists: 256 GiB
      indexFull_ = true;
      continue;
    }
    const std::uint64_t at = out_->size();
    const Bytes ix = standardIndex(i);
    out_->write(ix);
    t.super.push_back({at, static_cast<std::uint32_t>(ix.size()), static_cast<std::uint32_t>(t.segment.size())});
    t.segment.clear();
  }
  patch32(moviPos_ + 4, static_cast<std::uint32_t>(out_->size() - moviPos_ - 8));
  if (firstSegment_) writeIndex();
  patch32(riffPos_ + 4, static_cast<std::uint32_t>(out_->size() - riffPos_ - 8));
  firstSegment_ = false;
}

void AviWriter::openSegment() {
  riffPos_ = out_->size();
  Riff r;
  r.chars("RIFF").u32(0).chars("AVIX").chars("LIST").u32(0).chars("movi");
  moviPos_ = riffPos_ + 12;
  out_->write(r.data());
}

void AviWriter::writeIndex() {
  Riff idx;
  idx.chars("idx1").u32(static_cast<std::uint32_t>(16 * index_.size()));
  for (const IndexEntry& e : index_) {
    idx.chars(std::string_view(e.code, 4));
    idx.u32(e.flags).u32(e.offset).u32(e.size);
  }
  out_->write(idx.data());
}

// Each video stream's frame rate from its frames' own times (the first and
// last frame and their count), so that preroll and the other streams' tails
// play no part; the play duration less the preroll when there are too few
// frames.
void AviWriter::frameRates() {
  for (Track& t : tracks_) {
    if (!t.video) continue;
    std::uint64_t rate = 0, scale = 1;
    const std::uint32_t n = t.chunks;
    if (n >= 2 && t.lastTime > t.firstTime) {
      rate = std::uint64_t{n - 1} * 1000;
      scale = t.lastTime - t.firstTime;
    } else if (n >= 1) {
      const std::int64_t span = rec_.fileProperties.playDuration - rec_.fileProperties.preroll * 10000;
      rate = std::uint64_t{n} * 10000000;
      scale = span > 0 ? static_cast<std::uint64_t>(span) : rate;
    }
    if (rate) {
      const std::uint64_t g = std::gcd(rate, scale);
      rate /= g;
      scale /= g;
      while (scale > 100000) rate /= 10, scale /= 10;
      if (rate == 0) rate = 1;
    }
    t.rate = static_cast<std::uint32_t>(rate);
    t.scale = static_cast<std::uint32_t>(scale);
  }
  if (mainVideo_) res_.rate = mainVideo_->rate, res_.scale = mainVideo_->scale;
}

void AviWriter::patchHeaders() {
  const std::uint32_t n = mainVideo_ ? mainVideo_->chunks : 0;
  const auto usec = static_cast<std::uint32_t>(res_.rate ? 1000000ull * res_.scale / res_.rate : 0);
  if (!odml_) {
    patch32(moviSizePos_, static_cast<std::uint32_t>(4 + moviBytes_));
    patch32(4, static_cast<std::uint32_t>(out_->size() - 8));
  }
  // OpenDML: the main header counts the first RIFF list's frames, the
  // extended header and the stream headers all of them.
  const std::uint32_t firstFrames = mainVideo_ ? mainVideo_->firstSegmentChunks : 0;
  out_->writeAt(avihPos_, avih(usec, 16, odml_ ? firstFrames : n, static_cast<std::uint32_t>(tracks_.size()), mainFormat()));
  for (const Track& t : tracks_) {
    if (t.video) {
      out_->writeAt(t.strhPos, strhVideo(t.stream->video.format, t.scale, t.rate, t.chunks, t.maxChunk));
    } else {
      const AudioMedia& a = t.stream->audio;
      const auto length = static_cast<std::uint32_t>(a.blockAlignment ? t.bytes / a.blockAlignment : t.bytes);
      out_->writeAt(t.strhPos, strhAudio(a, length, t.maxChunk));
    }
    if (odml_) out_->writeAt(t.indxPos, indx(t.code.c_str(), t.super));
  }
  if (odml_) out_->writeAt(dmlhPos_, odmlList(n));
}

JobResult<ExportData> AviWriter::run() {
  // A file never opened. One whose File Properties Object is gone is read
  // at the packet size its data shows.
  if (rec_.header.objectId != guid::Header) return failed(Message(MessageId::OpenFileFirst));
  std::string error;
  src_ = OpenLogical(source_, cuts_, error, ctx_.readCalls());
  if (!src_) return failed(Message(MessageId::SourceOpenError, ": " + source_.path + ": " + error));
  if (!chooseStreams()) return failed(Message(MessageId::NoStreamToWrite));
  Message why;
  out_ = CreateOutput(output_, std::span(&source_.path, 1), why, ctx_);
  if (!out_) return failed(std::move(why));
  out_->preallocate(src_->size());
  writeHeaders();
  const bool fits = writeChunks();
  // A write that failed is the cause, whatever else stopped the chunks.
  if (out_->failed()) return failed(Message(MessageId::FileSaveError, ": " + output_ + ": " + out_->error()));
  if (!fits) return failed(Message(MessageId::AviTooLarge, output_));
  if (!ctx_.stopRequested() && res_.videoChunks == 0 && res_.audioChunks == 0)
    return failed(Message(MessageId::NothingToWrite));
  if (ctx_.stopRequested()) {
    out_->discard();  // an AVI cut short is no file to keep
    return Finish(ctx_, Outcome::stopped, Message(MessageId::Interrupted), res_);
  }
  if (!odml_) writeIndex();  // OpenDML: written with the first RIFF list
  frameRates();
  patchHeaders();
  res_.chunks = static_cast<std::uint32_t>(std::uint64_t{res_.videoChunks} + res_.audioChunks);
  for (const Track& t : tracks_) res_.streams.push_back({t.stream->number, t.stream->kind, t.chunks, t.bytes});
  if (!out_->close()) return failed(Message(MessageId::FileSaveError, ": " + output_ + ": " + out_->error()));
  ctx_.forceProgress(index_.size(), index_.size(), phase::exporting);
  auto r = Finish(ctx_, Outcome::ok, Completed(res_), res_);
  NameUnreadable(ctx_, src_->unreadable(), r);
  return r;
}

}  // namespace

JobResult<ExportData> ExportAvi(const SourceRef& source, const CutList& cuts, const HeaderRecords& rec, const std::string& output,
                                StreamChoice choice, JobContext& ctx, std::uint64_t limit) {
  // A classic AVI when it fits (written as always); OpenDML when it would
  // not. A source larger than the limit goes to OpenDML at once (its AVI,
  // the same media bytes in other wrapping, would hardly fit, and finding
  // out costs writing the limit's worth); a smaller one that turns out too
  // large for a classic file is written again as OpenDML.
  std::error_code ec;
  std::uint64_t size = source.memory ? source.memory->size() : std::filesystem::file_size(platform::PathOf(source.path), ec);
  if (ec) size = 0;
  // The logical file's size: what is exported.
  const bool huge = size - cuts.bytesBelow(size) > limit;
  JobResult<ExportData> r = AviWriter(source, cuts, rec, output, choice, ctx, limit, huge).run();
  if (!huge && r.outcome == Outcome::failed && r.message.id == MessageId::AviTooLarge)
    r = AviWriter(source, cuts, rec, output, choice, ctx, limit, true).run();
  return r;
}

JobResult<ExportData> ExportFrames(const SourceRef& source, const CutList& cuts, long n, StreamChoice choice, const std::string& dir,
                                   JobContext& ctx, const std::function<void()>& beep) {
  ExportData res;
  std::string error;
  const auto src = OpenLogical(source, cuts, error, ctx.readCalls());
  if (!src) return Finish(ctx, Outcome::failed, Message(MessageId::SourceOpenError, ": " + source.path + ": " + error), res);
  const std::string folder = dir.empty() ? std::string() : dir + "/";
  MediaObjectReader it(*src, ReadStreams(*src));
  // The first failure ends the export; the files written before it stay,
  // and the result says how many there are.
  Message failure;
  auto write = [&](long k) {
    const MediaObject& mo = it.object();
    const StreamKind kind = KindOf(it.streams(), mo.stream);
    if (!passes(choice, kind)) return;
    const std::string name = "frame" + std::to_string(k) + ".txt";
    auto f = CreateOutput(folder + name, std::span(&source.path, 1), failure, ctx.writeCalls());
    if (f && (!f->write(it.data()) || !f->close())) {
      failure = Message(MessageId::FileSaveError, ": " + folder + name + ": " + f->error());
      f->discard();
    }
    if (!failure.empty()) {
      failure.end = "\n";
      failure.more.emplace_back(MessageId::FramesSaved, std::to_string(res.chunks));
      return;
    }
    ++res.chunks;
    res.files.push_back({name, mo.stream, mo.number});
    auto s = std::find_if(res.streams.begin(), res.streams.end(), [&](const StreamExport& e) { return e.number == mo.stream; });
    if (s == res.streams.end()) s = res.streams.insert(res.streams.end(), StreamExport{mo.stream, kind, 0, 0});
    ++s->chunks;
    s->bytes += it.data().size();
  };
  for (long k = 0; k <= n && failure.empty() && it.next(); ++k) {
    ++res.objectsLookedAt;
    if (beep && k > 0 && (it.object().number & 0xFF) == 0) beep();
    write(k);
    if (k > 0) ctx.progress(static_cast<std::uint64_t>(k), static_cast<std::uint64_t>(n), phase::exporting);
    ctx.step();
    if (ctx.stopRequested()) return Finish(ctx, Outcome::stopped, Message(MessageId::Interrupted), res);
  }
  KeepCounts(it, res);
  std::sort(res.streams.begin(), res.streams.end(), [](const StreamExport& a, const StreamExport& b) { return a.number < b.number; });
  if (!failure.empty()) return Finish(ctx, Outcome::failed, std::move(failure), res);
  if (res.chunks == 0) return Finish(ctx, Outcome::failed, Message(MessageId::NothingToWrite), res);
  // The count asked for is of the objects after the first: say how many
  // were looked at and how many files that made.
  Message done = Completed(res, false);
  done.more.emplace_back(MessageId::FramesLookedAt, std::to_string(res.objectsLookedAt));
  done.more.emplace_back(MessageId::FilesWritten, std::to_string(res.chunks));
  auto r = Finish(ctx, Outcome::ok, std::move(done), res);
  NameUnreadable(ctx, src->unreadable(), r);
  return r;
}

}  // namespace corvel
