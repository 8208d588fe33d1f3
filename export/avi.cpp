#include "export/avi.hpp"

#include <filesystem>

#include <unistd.h>

#include <algorithm>
#include <numeric>

#include "analysis/media_objects.hpp"
#include "asf/catalogue.hpp"
#include "asf/locators.hpp"
#include "asf/output_file.hpp"

namespace corvel {

namespace {

using Riff = ByteWriter;

struct IndexEntry {
  char code[4];
  std::uint32_t flags, offset, size;
};

// "operation complete", with a second line naming the media objects left
// out as incomplete when there were any.
Message Completed(const ExportData& res) {
  Message m(MessageId::OperationComplete);
  if (res.incompleteVideo + res.incompleteAudio + res.incompleteOther == 0) return m;
  m.tail = MessageId::IncompleteLeftOut;
  m.end = std::to_string(res.incompleteVideo) + ", " + std::to_string(res.incompleteAudio + res.incompleteOther);
  return m;
}

template <typename Iterator>
void KeepCounts(const Iterator& it, ExportData& res) {
  res.incompleteVideo = it.incompleteVideo;
  res.incompleteAudio = it.incompleteAudio;
  res.incompleteOther = it.incompleteOther;
}

bool passes(StreamChoice c, bool isVideo) {
  return c == StreamChoice::VideoAndAudio || (c == StreamChoice::VideoOnly) == isVideo;
}

Bytes avih(std::uint32_t usecPerFrame, std::uint32_t flags, std::uint32_t frames, std::uint32_t streams, const TBitmapInfoHeader& f) {
  Riff r;
  r.chars("avih").u32(56).u32(usecPerFrame).u32(0).u32(0).u32(flags).u32(frames).u32(0).u32(streams).u32(0);
  r.u32(f.ImageWidth).u32(f.ImageHeight).zeros(16);
  return std::move(r.data());
}

Bytes strhVideo(const TBitmapInfoHeader& f, std::uint32_t scale, std::uint32_t rate, std::uint32_t length, std::uint32_t bufSize) {
  Riff r;
  r.chars("strh").u32(56).chars("vids").u32(f.CompressionID).u32(0).u32(0).u32(0).u32(scale).u32(rate).u32(0);
  r.u32(length).u32(bufSize).u32(0xFFFFFFFF).u32(0).u16(0).u16(0);
  r.u16(static_cast<std::uint16_t>(f.ImageWidth)).u16(static_cast<std::uint16_t>(f.ImageHeight));
  return std::move(r.data());
}

Bytes strhAudio(const TASFAudioMedia& a, std::uint32_t length, std::uint32_t bufSize) {
  Riff r;
  r.chars("strh").u32(56).chars("auds").u32(0).u32(0).u32(0).u32(1).u32(a.BlockAlignment).u32(a.AverageNumberOfBytesPerSecond);
  r.u32(0).u32(length).u32(bufSize).u32(0xFFFFFFFF).u32(a.BlockAlignment).u16(0).u16(0).u16(0).u16(0);
  return std::move(r.data());
}

Bytes strfVideo(const TBitmapInfoHeader& f) {
  const std::uint32_t bytesPerPixel = f.BitsPerPixelCount >= 8 ? f.BitsPerPixelCount / 8u : 1u;
  Riff r;
  r.chars("strf").u32(static_cast<std::uint32_t>(40 + f.CodecSpecificData.size()));
  r.u32(40).u32(f.ImageWidth).u32(f.ImageHeight).u16(1).u16(f.BitsPerPixelCount).u32(f.CompressionID);
  r.u32(f.ImageWidth * f.ImageHeight * bytesPerPixel).zeros(16).bytes(f.CodecSpecificData);
  return std::move(r.data());
}

Bytes strfAudio(const TASFAudioMedia& a) {
  Riff r;
  r.chars("strf").u32(18u + a.CodecSpecificDataSize);
  r.u16(a.CodecID_FormatTag).u16(a.NumberOfChannels).u32(a.SamplesPerSecond).u32(a.AverageNumberOfBytesPerSecond);
  r.u16(a.BlockAlignment).u16(a.BitsPerSample).u16(a.CodecSpecificDataSize).bytes(a.CodecSpecificData);
  r.data().resize(26 + std::size_t{a.CodecSpecificDataSize}, 0);
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

// The AVI remux in its steps: the headers (sizes patched at the end), the
// chunks in the movi list, the legacy index, and the headers' final values.
class AviWriter {
 public:
  AviWriter(const std::string& source, const HeaderRecords& rec, const std::string& output, StreamChoice choice,
            JobContext& ctx, std::uint64_t limit, bool odml)
      : source_(source), rec_(rec), output_(output), choice_(choice), ctx_(ctx), limit_(limit), odml_(odml) {}
  JobResult<ExportData> run();

 private:
  JobResult<ExportData> failed(Message m) {
    if (out_) out_->discard();  // no half-written AVI is left behind
    return Finish(ctx_, Outcome::failed, std::move(m), res_);
  }
  // Only the streams the file has: an AVI stream without data would not play.
  bool chooseStreams();
  // One try at the whole file, classic or OpenDML; false when a classic
  // file would pass the size limit (or an OpenDML chunk a RIFF list's).
  void writeHeaders();
  bool writeChunks();
  // A chunk's place in the indexes and the stream figures.
  void record(const IndexEntry& e, std::uint64_t dataPos, bool key);
  void writeIndex();
  void frameRate();
  void patchHeaders();
  // OpenDML: the RIFF lists past the first (each within the limit), each
  // movi list ending in a standard index chunk per stream.
  std::uint64_t riffLimit() const { return odml_ ? std::min<std::uint64_t>(limit_, kOdmlRiff) : limit_; }
  void closeSegment();
  void openSegment();
  // What closing the current RIFF list adds after one more chunk: its
  // standard index chunks, and idx1 in the first.
  std::uint64_t segmentTail() const {
    return 2 * 24 + 8 * (segVideo_.size() + segAudio_.size() + 1) + (firstSegment_ ? 8 + 16 * (index_.size() + 1) : 0);
  }
  Bytes standardIndex(const char* code, const std::vector<std::pair<std::uint64_t, std::uint32_t>>& chunks) const;
  void patch32(std::uint64_t at, std::uint32_t value);

  const std::string& source_;
  const HeaderRecords& rec_;
  const std::string& output_;
  StreamChoice choice_;
  JobContext& ctx_;
  std::uint64_t limit_;
  bool odml_;  // OpenDML (AVI 2.0): RIFF lists past the first
  ExportData res_;
  std::unique_ptr<FileSource> src_;
  std::unique_ptr<OutputFile> out_;
  std::uint8_t video_ = 0;
  bool withVideo_ = false, withAudio_ = false;
  std::uint32_t streams_ = 0;
  std::size_t headerBytes_ = 0, avihPos_ = 0, vstrhPos_ = 0, astrhPos_ = 0, moviSizePos_ = 0;
  std::vector<IndexEntry> index_;  // idx1: every chunk, or (OpenDML) the first RIFF list's
  std::uint64_t moviBytes_ = 0, audioBytes_ = 0;
  // OpenDML.
  static constexpr std::uint64_t kOdmlRiff = 1ull << 30;  // each RIFF list, as players expect
  std::size_t vindxPos_ = 0, aindxPos_ = 0, dmlhPos_ = 0;
  std::uint64_t riffPos_ = 0, moviPos_ = 0;  // of the current RIFF and movi lists
  bool firstSegment_ = true;
  bool indexFull_ = false;  // the super index has no room for another RIFF list
  std::uint32_t firstSegmentFrames_ = 0;
  // The current RIFF list's chunks per stream: data position (bit 63: not a
  // key frame) and size; the super index entries made so far.
  std::vector<std::pair<std::uint64_t, std::uint32_t>> segVideo_, segAudio_;
  std::vector<SuperEntry> superVideo_, superAudio_;
  std::uint32_t firstVideoTime_ = 0, lastVideoTime_ = 0, videoMax_ = 0, audioMax_ = 0;
};

bool AviWriter::chooseStreams() {
  video_ = ReadStreamNumber(*src_, guid::VideoMedia);
  const bool hasVideo = video_ != 0, hasAudio = ReadStreamNumber(*src_, guid::AudioMedia) != 0;
  if (choice_ == StreamChoice::VideoAndAudio && !hasVideo) choice_ = StreamChoice::AudioOnly;
  if (choice_ == StreamChoice::VideoAndAudio && !hasAudio) choice_ = StreamChoice::VideoOnly;
  if ((choice_ == StreamChoice::VideoOnly && !hasVideo) || (choice_ == StreamChoice::AudioOnly && !hasAudio)) return false;
  withVideo_ = choice_ != StreamChoice::AudioOnly;
  withAudio_ = choice_ != StreamChoice::VideoOnly;
  streams_ = choice_ == StreamChoice::VideoAndAudio ? 2 : 1;
  return true;
}

void AviWriter::writeHeaders() {
  const TBitmapInfoHeader& vf = rec_.ASFVideoInfo.FormatData;
  const TASFAudioMedia& af = rec_.ASFAudioInfo;
  const Bytes vstrf = strfVideo(vf), astrf = strfAudio(af);
  Riff h;
  h.chars("RIFF").u32(0).chars("AVI ");
  // OpenDML adds a super index to each stream's list and the extended header.
  const std::uint32_t indxBytes = odml_ ? 8 + 24 + 16 * kSuperIndexEntries : 0;
  std::uint32_t hdrl = 68;
  if (withVideo_) hdrl += 76 + static_cast<std::uint32_t>(vstrf.size()) + indxBytes;
  if (withAudio_) hdrl += 76 + static_cast<std::uint32_t>(astrf.size()) + indxBytes;
  if (odml_) hdrl += 8 + 4 + 8 + 248;
  h.chars("LIST").u32(hdrl).chars("hdrl");
  avihPos_ = h.size();
  h.bytes(avih(40000, 0, 0, streams_, vf));
  if (withVideo_) {
    h.chars("LIST").u32(68 + static_cast<std::uint32_t>(vstrf.size()) + indxBytes).chars("strl");
    vstrhPos_ = h.size();
    h.bytes(strhVideo(vf, 0, 0, 0, 0)).bytes(vstrf);
    vindxPos_ = h.size();
    if (odml_) h.bytes(indx("00dc", {}));
  }
  if (withAudio_) {
    h.chars("LIST").u32(68 + static_cast<std::uint32_t>(astrf.size()) + indxBytes).chars("strl");
    astrhPos_ = h.size();
    h.bytes(strhAudio(af, 0, 0)).bytes(astrf);
    aindxPos_ = h.size();
    if (odml_) h.bytes(indx(withVideo_ ? "01wb" : "00wb", {}));
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
  // Audio is stream 1 beside video, stream 0 on its own.
  const char* audioCode = choice_ == StreamChoice::AudioOnly ? "00wb" : "01wb";
  MediaObjectIterator it(*src_);
  // Chunks are built in a staging block (header first, then the media object
  // assembled right behind it) and written a block at a time.
  Bytes staging;
  staging.reserve(8 << 20);
  it.assembleInto(&staging);
  for (bool first = true;; first = false) {
    const std::size_t at = staging.size();
    staging.resize(at + 8);
    if (!(first ? it.getFirstMediaObject() : it.getNextMediaObject())) {
      staging.resize(at);  // a media object the file ends in is no chunk
      break;
    }
    const bool isVideo = it.moStream == video_ && video_ != 0;
    const auto len = static_cast<std::uint32_t>(it.moLength());
    if (!passes(choice_, isVideo)) {
      staging.resize(at);
      continue;
    }
    const char* code = isVideo ? (first ? "00db" : "00dc") : audioCode;
    const std::uint64_t chunk = 8 + std::uint64_t{len} + (len & 1);
    std::size_t place = at;
    if (!odml_) {
      // The whole file must stay within what the 32-bit RIFF sizes can hold.
      if (headerBytes_ + moviBytes_ + chunk + 8 + 16 * (index_.size() + 1) > limit_) return false;
    } else if (out_->size() + at + chunk + segmentTail() - riffPos_ > riffLimit()) {
      // The RIFF list is full: the chunk moves on to the next one.
      const Bytes moved(staging.begin() + static_cast<std::ptrdiff_t>(at), staging.end());
      staging.resize(at);
      out_->write(staging);
      staging.clear();
      closeSegment();
      openSegment();
      if (out_->failed() || indexFull_ || chunk + 24 + 16 + 64 > riffLimit()) return false;
      place = 0;
      staging.insert(staging.end(), moved.begin(), moved.end());
    }
    IndexEntry e{};
    std::copy(code, code + 4, e.code);
    e.flags = it.moKey ? 16 : 0;
    e.offset = static_cast<std::uint32_t>(moviBytes_ + 4);
    e.size = len;
    record(e, out_->size() + place + 8, it.moKey != 0);
    std::copy(code, code + 4, staging.begin() + static_cast<std::ptrdiff_t>(place));
    PutDWord(len, staging, place + 4);
    if (len & 1) staging.push_back(0);
    moviBytes_ += chunk;
    if (isVideo) {
      if (res_.videoChunks == 0) firstVideoTime_ = it.moTime;
      lastVideoTime_ = it.moTime;
    }
    res_.videoChunks += isVideo;
    if (staging.size() >= (4u << 20)) {
      out_->write(staging);
      staging.clear();
      if (out_->failed()) break;
    }
    ctx_.progress(index_.size(), 0, Phase::exporting);
    if (ctx_.stopRequested()) break;
  }
  out_->write(staging);
  KeepCounts(it, res_);
  if (odml_) closeSegment();
  return !indexFull_;
}

void AviWriter::record(const IndexEntry& e, std::uint64_t dataPos, bool key) {
  // idx1 holds the first RIFF list's chunks (all of them in a classic file).
  if (!odml_ || firstSegment_) index_.push_back(e);
  if (e.code[2] == 'd') videoMax_ = std::max(videoMax_, e.size);
  if (e.code[2] == 'w') {
    audioBytes_ += e.size;
    audioMax_ = std::max(audioMax_, e.size);
    ++res_.audioChunks;
  }
  if (!odml_) return;
  const std::uint64_t pos = dataPos | (key ? 0 : 1ull << 63);
  (e.code[2] == 'd' ? segVideo_ : segAudio_).emplace_back(pos, e.size);
  if (e.code[2] == 'd' && firstSegment_) ++firstSegmentFrames_;
}

void AviWriter::patch32(std::uint64_t at, std::uint32_t value) {
  Riff r;
  r.u32(value);
  out_->writeAt(at, r.data());
}

// A standard index chunk: base offset, then per chunk its data's offset from
// the base and its size (bit 31: not a key frame).
Bytes AviWriter::standardIndex(const char* code, const std::vector<std::pair<std::uint64_t, std::uint32_t>>& chunks) const {
  const bool video = code[2] == 'd';
  const char* id = video ? "ix00" : (withVideo_ ? "ix01" : "ix00");
  const std::uint64_t base = moviPos_;
  Riff r;
  r.chars(id).u32(static_cast<std::uint32_t>(24 + 8 * chunks.size())).u16(2).u8(0).u8(1);
  r.u32(static_cast<std::uint32_t>(chunks.size())).chars(std::string_view(code, 4)).u64(base).u32(0);
  for (const auto& [pos, size] : chunks) {
    const std::uint64_t at = pos & ~(1ull << 63);
    r.u32(static_cast<std::uint32_t>(at - base)).u32(size | ((pos >> 63) ? 0x80000000u : 0));
  }
  return std::move(r.data());
}

// Ends the current RIFF list: its movi list takes the standard index
// chunks, the first RIFF list the legacy idx1, and the sizes are set.
void AviWriter::closeSegment() {
  auto add = [&](const char* code, std::vector<std::pair<std::uint64_t, std::uint32_t>>& chunks, std::vector<SuperEntry>& super) {
    if (chunks.empty()) return;
    if (super.size() >= kSuperIndexEntries) {  // 256 RIFF lists: 256 GiB
      indexFull_ = true;
      return;
    }
    const std::uint64_t at = out_->size();
    const Bytes ix = standardIndex(code, chunks);
    out_->write(ix);
    super.push_back({at, static_cast<std::uint32_t>(ix.size()), static_cast<std::uint32_t>(chunks.size())});
    chunks.clear();
  };
  if (withVideo_) add("00dc", segVideo_, superVideo_);
  if (withAudio_) add(withVideo_ ? "01wb" : "00wb", segAudio_, superAudio_);
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

// Frame rate from the video frames' own times (the first and last frame and
// their count), so that preroll and the other streams' tails play no part;
// the play duration less the preroll when there are too few frames.
void AviWriter::frameRate() {
  std::uint64_t rate = 0, scale = 1;
  const std::uint32_t n = res_.videoChunks;
  if (n >= 2 && lastVideoTime_ > firstVideoTime_) {
    rate = std::uint64_t{n - 1} * 1000;
    scale = lastVideoTime_ - firstVideoTime_;
  } else if (n >= 1) {
    const std::int64_t span = rec_.ASFFPO.PlayDuration - rec_.ASFFPO.Preroll * 10000;
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
  res_.rate = static_cast<std::uint32_t>(rate);
  res_.scale = static_cast<std::uint32_t>(scale);
}

void AviWriter::patchHeaders() {
  const TBitmapInfoHeader& vf = rec_.ASFVideoInfo.FormatData;
  const TASFAudioMedia& af = rec_.ASFAudioInfo;
  const std::uint32_t n = res_.videoChunks;
  const auto usec = static_cast<std::uint32_t>(res_.rate ? 1000000ull * res_.scale / res_.rate : 0);
  const auto audioLength = static_cast<std::uint32_t>(af.BlockAlignment ? audioBytes_ / af.BlockAlignment : audioBytes_);
  if (!odml_) {
    patch32(moviSizePos_, static_cast<std::uint32_t>(4 + moviBytes_));
    patch32(4, static_cast<std::uint32_t>(out_->size() - 8));
  }
  // OpenDML: the main header counts the first RIFF list's frames, the
  // extended header and the stream headers all of them.
  out_->writeAt(avihPos_, avih(usec, 16, odml_ ? firstSegmentFrames_ : n, streams_, vf));
  if (withVideo_) out_->writeAt(vstrhPos_, strhVideo(vf, res_.scale, res_.rate, n, videoMax_));
  if (withAudio_) out_->writeAt(astrhPos_, strhAudio(af, audioLength, audioMax_));
  if (!odml_) return;
  if (withVideo_) out_->writeAt(vindxPos_, indx("00dc", superVideo_));
  if (withAudio_) out_->writeAt(aindxPos_, indx(withVideo_ ? "01wb" : "00wb", superAudio_));
  out_->writeAt(dmlhPos_, odmlList(n));
}

JobResult<ExportData> AviWriter::run() {
  if (!rec_.ASFFPO.present) return failed(Message(MessageId::OpenFileFirst));
  std::string error;
  src_ = FileSource::open(source_, &error);
  if (!src_) return failed(Message(MessageId::SourceOpenError, ": " + source_ + ": " + error));
  if (!chooseStreams()) return failed(Message(MessageId::NoStreamToWrite));
  Message why;
  out_ = CreateOutput(output_, std::span(&source_, 1), why);
  if (!out_) return failed(std::move(why));
  out_->preallocate(src_->size());
  writeHeaders();
  if (!writeChunks()) return failed(Message(MessageId::AviTooLarge, output_));
  if (ctx_.stopRequested()) {
    out_->discard();  // an AVI cut short is no file to keep
    return Finish(ctx_, Outcome::stopped, Message(MessageId::Interrupted), res_);
  }
  if (!odml_) writeIndex();  // OpenDML: written with the first RIFF list
  frameRate();
  patchHeaders();
  res_.chunks = static_cast<std::uint32_t>(index_.size());
  if (!out_->close()) return failed(Message(MessageId::FileSaveError, ": " + output_ + ": " + out_->error()));
  ctx_.forceProgress(index_.size(), index_.size(), Phase::exporting);
  return Finish(ctx_, Outcome::ok, Completed(res_), res_);
}

}  // namespace

JobResult<ExportData> ExportAvi(const std::string& source, const HeaderRecords& rec, const std::string& output,
                                StreamChoice choice, JobContext& ctx, std::uint64_t limit) {
  // A classic AVI when it fits (written as always); OpenDML when it would
  // not. A source larger than the limit goes to OpenDML at once (its AVI,
  // the same media bytes in other wrapping, would hardly fit, and finding
  // out costs writing the limit's worth); a smaller one that turns out too
  // large for a classic file is written again as OpenDML.
  std::error_code ec;
  const std::uint64_t size = std::filesystem::file_size(source, ec);
  const bool huge = !ec && size > limit;
  JobResult<ExportData> r = AviWriter(source, rec, output, choice, ctx, limit, huge).run();
  if (!huge && r.outcome == Outcome::failed && r.message.id == MessageId::AviTooLarge)
    r = AviWriter(source, rec, output, choice, ctx, limit, true).run();
  return r;
}

JobResult<ExportData> ExportFrames(const std::string& source, long n, StreamChoice choice, const std::string& dir,
                                   JobContext& ctx, const std::function<void()>& beep) {
  ExportData res;
  std::string error;
  const auto src = FileSource::open(source, &error);
  if (!src) return Finish(ctx, Outcome::failed, Message(MessageId::SourceOpenError, ": " + source + ": " + error), res);
  const std::string folder = dir.empty() ? std::string() : dir + "/";
  const std::uint8_t v = ReadStreamNumber(*src, guid::VideoMedia);
  MediaObjectIterator it(*src);
  bool writeFailed = false;
  auto write = [&](long k) {
    if (!passes(choice, it.moStream == v && v != 0)) return;
    Message why;
    auto f = CreateOutput(folder + "frame" + std::to_string(k) + ".txt", std::span(&source, 1), why);
    if (!f || !f->write(it.moBuf) || !f->close()) {
      writeFailed = true;
      return;
    }
    ++res.chunks;
  };
  if (it.getFirstMediaObject()) {
    write(0);
    for (long k = 1; k <= n && it.getNextMediaObject(); ++k) {
      if (beep) {
        for (std::uint8_t c : {it.moSelect, it.lastVideoMO, it.lastAudioMO})
          if (c == 0) beep();
      }
      write(k);
      ctx.progress(static_cast<std::uint64_t>(k), static_cast<std::uint64_t>(n), Phase::exporting);
      if (ctx.stopRequested()) return Finish(ctx, Outcome::stopped, Message(MessageId::Interrupted), res);
    }
  }
  KeepCounts(it, res);
  if (writeFailed) return Finish(ctx, Outcome::failed, Message(MessageId::FileSaveError), res);
  return Finish(ctx, Outcome::ok, Completed(res), res);
}

}  // namespace corvel
