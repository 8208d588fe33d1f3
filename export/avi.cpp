#include "export/avi.hpp"

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

}  // namespace

namespace {

// The AVI remux in its steps: the headers (sizes patched at the end), the
// chunks in the movi list, the legacy index, and the headers' final values.
class AviWriter {
 public:
  AviWriter(const std::string& source, const HeaderRecords& rec, const std::string& output, StreamChoice choice,
            JobContext& ctx, std::uint64_t limit)
      : source_(source), rec_(rec), output_(output), choice_(choice), ctx_(ctx), limit_(limit) {}
  JobResult<ExportData> run();

 private:
  JobResult<ExportData> failed(Message m) {
    if (out_) out_->discard();  // no half-written AVI is left behind
    return Finish(ctx_, Outcome::failed, std::move(m), res_);
  }
  // Only the streams the file has: an AVI stream without data would not play.
  bool chooseStreams();
  void writeHeaders();
  // False when the chunks would pass the size limit.
  bool writeChunks();
  void writeIndex();
  void frameRate();
  void patchHeaders();

  const std::string& source_;
  const HeaderRecords& rec_;
  const std::string& output_;
  StreamChoice choice_;
  JobContext& ctx_;
  std::uint64_t limit_;
  ExportData res_;
  std::unique_ptr<FileSource> src_;
  std::unique_ptr<OutputFile> out_;
  std::uint8_t video_ = 0;
  bool withVideo_ = false, withAudio_ = false;
  std::uint32_t streams_ = 0;
  std::size_t headerBytes_ = 0, avihPos_ = 0, vstrhPos_ = 0, astrhPos_ = 0, moviSizePos_ = 0;
  std::vector<IndexEntry> index_;
  std::uint64_t moviBytes_ = 0, audioBytes_ = 0;
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
  std::uint32_t hdrl = 68;
  if (withVideo_) hdrl += 76 + static_cast<std::uint32_t>(vstrf.size());
  if (withAudio_) hdrl += 76 + static_cast<std::uint32_t>(astrf.size());
  h.chars("LIST").u32(hdrl).chars("hdrl");
  avihPos_ = h.size();
  h.bytes(avih(40000, 0, 0, streams_, vf));
  if (withVideo_) {
    h.chars("LIST").u32(68 + static_cast<std::uint32_t>(vstrf.size())).chars("strl");
    vstrhPos_ = h.size();
    h.bytes(strhVideo(vf, 0, 0, 0, 0)).bytes(vstrf);
  }
  if (withAudio_) {
    h.chars("LIST").u32(68 + static_cast<std::uint32_t>(astrf.size())).chars("strl");
    astrhPos_ = h.size();
    h.bytes(strhAudio(af, 0, 0)).bytes(astrf);
  }
  // JUNK up to 2036 so that the chunks start at 2048; headers too long for
  // it are followed by the movi list directly.
  if (h.size() + 8 <= 2036) {
    const std::size_t junk = 2036 - h.size();
    h.chars("JUNK").u32(static_cast<std::uint32_t>(junk - 8)).zeros(junk - 8);
  }
  moviSizePos_ = h.size() + 4;
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
    // The whole file must stay within what the 32-bit RIFF sizes can hold.
    if (headerBytes_ + moviBytes_ + chunk + 8 + 16 * (index_.size() + 1) > limit_) return false;
    IndexEntry e{};
    std::copy(code, code + 4, e.code);
    e.flags = it.moKey ? 16 : 0;
    e.offset = static_cast<std::uint32_t>(moviBytes_ + 4);
    e.size = len;
    index_.push_back(e);
    std::copy(code, code + 4, staging.begin() + static_cast<std::ptrdiff_t>(at));
    PutDWord(len, staging, at + 4);
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
  return true;
}

void AviWriter::writeIndex() {
  Riff idx;
  idx.chars("idx1").u32(static_cast<std::uint32_t>(16 * index_.size()));
  for (const IndexEntry& e : index_) {
    idx.chars(std::string_view(e.code, 4));
    idx.u32(e.flags).u32(e.offset).u32(e.size);
    if (e.code[2] == 'd') videoMax_ = std::max(videoMax_, e.size);
    if (e.code[2] == 'w') {
      audioBytes_ += e.size;
      audioMax_ = std::max(audioMax_, e.size);
      ++res_.audioChunks;
    }
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
  auto put32 = [&](std::uint64_t at, std::uint32_t value) {
    Riff r;
    r.u32(value);
    out_->writeAt(at, r.data());
  };
  put32(moviSizePos_, static_cast<std::uint32_t>(4 + moviBytes_));
  put32(4, static_cast<std::uint32_t>(out_->size() - 8));
  out_->writeAt(avihPos_, avih(usec, 16, n, streams_, vf));
  if (withVideo_) out_->writeAt(vstrhPos_, strhVideo(vf, res_.scale, res_.rate, n, videoMax_));
  if (withAudio_) out_->writeAt(astrhPos_, strhAudio(af, audioLength, audioMax_));
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
  writeIndex();
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
  return AviWriter(source, rec, output, choice, ctx, limit).run();
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
