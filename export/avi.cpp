#include "export/avi.hpp"

#include <unistd.h>

#include <algorithm>
#include <fstream>
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

JobResult<ExportData> done(JobContext& ctx, ExportData& res, Message message, Outcome outcome) {
  JobResult<ExportData> r;
  r.outcome = outcome;
  r.message = std::move(message);
  r.log = ctx.takeLog();
  r.data = res;
  return r;
}

}  // namespace

JobResult<ExportData> ExportAvi(const std::string& source, const HeaderRecords& rec, const std::string& output,
                                StreamChoice choice, JobContext& ctx, std::uint64_t limit) {
  ExportData res;
  auto failed = [&](Message m) { return done(ctx, res, std::move(m), Outcome::failed); };
  if (!rec.ASFFPO.present) return failed(Message(MessageId::OpenFileFirst));
  if (SameFile(output, source)) return failed(Message(MessageId::OutputIsSource, output));
  std::string error;
  const auto src = FileSource::open(source, &error);
  if (!src) return failed(Message(MessageId::SourceOpenError, ": " + source + ": " + error));
  // Only the streams the file has: an AVI stream without data would not play.
  const std::uint8_t v = ReadStreamNumber(*src, guid::VideoMedia);
  const bool hasVideo = v != 0, hasAudio = ReadStreamNumber(*src, guid::AudioMedia) != 0;
  if (choice == StreamChoice::VideoAndAudio && !hasVideo) choice = StreamChoice::AudioOnly;
  if (choice == StreamChoice::VideoAndAudio && !hasAudio) choice = StreamChoice::VideoOnly;
  if ((choice == StreamChoice::VideoOnly && !hasVideo) || (choice == StreamChoice::AudioOnly && !hasAudio))
    return failed(Message(MessageId::NoStreamToWrite));
  Message why;
  auto out = CreateOutput(output, std::span(&source, 1), why);
  if (!out) return failed(std::move(why));
  out->preallocate(src->size());

  const TBitmapInfoHeader& vf = rec.ASFVideoInfo.FormatData;
  const TASFAudioMedia& af = rec.ASFAudioInfo;
  const bool withVideo = choice != StreamChoice::AudioOnly, withAudio = choice != StreamChoice::VideoOnly;
  const std::uint32_t streams = choice == StreamChoice::VideoAndAudio ? 2 : 1;
  const Bytes vstrf = strfVideo(vf), astrf = strfAudio(af);

  Riff h;
  h.chars("RIFF").u32(0).chars("AVI ");
  std::uint32_t hdrl = 68;
  if (withVideo) hdrl += 76 + static_cast<std::uint32_t>(vstrf.size());
  if (withAudio) hdrl += 76 + static_cast<std::uint32_t>(astrf.size());
  h.chars("LIST").u32(hdrl).chars("hdrl");
  const std::size_t avihPos = h.size();
  h.bytes(avih(40000, 0, 0, streams, vf));
  std::size_t vstrhPos = 0, astrhPos = 0;
  if (withVideo) {
    h.chars("LIST").u32(68 + static_cast<std::uint32_t>(vstrf.size())).chars("strl");
    vstrhPos = h.size();
    h.bytes(strhVideo(vf, 0, 0, 0, 0)).bytes(vstrf);
  }
  if (withAudio) {
    h.chars("LIST").u32(68 + static_cast<std::uint32_t>(astrf.size())).chars("strl");
    astrhPos = h.size();
    h.bytes(strhAudio(af, 0, 0)).bytes(astrf);
  }
  // JUNK up to 2036 so that the chunks start at 2048; headers too long for
  // it are followed by the movi list directly.
  if (h.size() + 8 <= 2036) {
    const std::size_t junk = 2036 - h.size();
    h.chars("JUNK").u32(static_cast<std::uint32_t>(junk - 8)).zeros(junk - 8);
  }
  const std::size_t moviSizePos = h.size() + 4;
  h.chars("LIST").u32(0).chars("movi");
  out->write(h.data());

  // The chunks. Audio is stream 1 beside video, stream 0 on its own.
  const char* audioCode = choice == StreamChoice::AudioOnly ? "00wb" : "01wb";
  std::vector<IndexEntry> index;
  std::uint64_t moviBytes = 0;
  std::uint32_t firstVideoTime = 0, lastVideoTime = 0;
  bool tooLarge = false;
  MediaObjectIterator it(*src);
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
    const bool isVideo = it.moStream == v && v != 0;
    const auto len = static_cast<std::uint32_t>(it.moLength());
    if (!passes(choice, isVideo)) {
      staging.resize(at);
      continue;
    }
    const char* code = isVideo ? (first ? "00db" : "00dc") : audioCode;
    const std::uint64_t chunk = 8 + std::uint64_t{len} + (len & 1);
    // The whole file must stay within what the 32-bit RIFF sizes can hold.
    if (h.size() + moviBytes + chunk + 8 + 16 * (index.size() + 1) > limit) {
      tooLarge = true;
      break;
    }
    IndexEntry e{};
    std::copy(code, code + 4, e.code);
    e.flags = it.moKey ? 16 : 0;
    e.offset = static_cast<std::uint32_t>(moviBytes + 4);
    e.size = len;
    index.push_back(e);
    std::copy(code, code + 4, staging.begin() + static_cast<std::ptrdiff_t>(at));
    PutDWord(len, staging, at + 4);
    if (len & 1) staging.push_back(0);
    moviBytes += chunk;
    if (isVideo) {
      if (res.videoChunks == 0) firstVideoTime = it.moTime;
      lastVideoTime = it.moTime;
    }
    res.videoChunks += isVideo;
    if (staging.size() >= (4u << 20)) {
      out->write(staging);
      staging.clear();
      if (out->failed()) break;
    }
    ctx.progress(index.size(), 0, Phase::exporting);
    if (ctx.stopRequested()) break;
  }
  if (!tooLarge) out->write(staging);
  if (tooLarge) {
    out.reset();
    ::unlink(output.c_str());
    return failed(Message(MessageId::AviTooLarge, output));
  }

  Riff idx;
  idx.chars("idx1").u32(static_cast<std::uint32_t>(16 * index.size()));
  std::uint64_t audioBytes = 0;
  std::uint32_t videoMax = 0, audioMax = 0;
  for (const IndexEntry& e : index) {
    idx.chars(std::string_view(e.code, 4));
    idx.u32(e.flags).u32(e.offset).u32(e.size);
    if (e.code[2] == 'd') videoMax = std::max(videoMax, e.size);
    if (e.code[2] == 'w') {
      audioBytes += e.size;
      audioMax = std::max(audioMax, e.size);
      ++res.audioChunks;
    }
  }
  out->write(idx.data());

  // Frame rate from the video frames' own times (the first and last frame
  // and their count), so that preroll and the other streams' tails play no
  // part; the play duration less the preroll when there are too few frames.
  std::uint64_t rate = 0, scale = 1;
  const std::uint32_t n = res.videoChunks;
  if (n >= 2 && lastVideoTime > firstVideoTime) {
    rate = std::uint64_t{n - 1} * 1000;
    scale = lastVideoTime - firstVideoTime;
  } else if (n >= 1) {
    const std::int64_t span = rec.ASFFPO.PlayDuration - rec.ASFFPO.Preroll * 10000;
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
  res.rate = static_cast<std::uint32_t>(rate);
  res.scale = static_cast<std::uint32_t>(scale);
  const auto usec = static_cast<std::uint32_t>(rate ? 1000000 * scale / rate : 0);
  const std::uint32_t audioLength = static_cast<std::uint32_t>(af.BlockAlignment ? audioBytes / af.BlockAlignment : audioBytes);

  auto put32 = [&](std::uint64_t at, std::uint32_t value) {
    Riff r;
    r.u32(value);
    out->writeAt(at, r.data());
  };
  put32(moviSizePos, static_cast<std::uint32_t>(4 + moviBytes));
  put32(4, static_cast<std::uint32_t>(out->size() - 8));
  out->writeAt(avihPos, avih(usec, 16, n, streams, vf));
  if (withVideo) out->writeAt(vstrhPos, strhVideo(vf, res.scale, res.rate, n, videoMax));
  if (withAudio) out->writeAt(astrhPos, strhAudio(af, audioLength, audioMax));
  res.chunks = static_cast<std::uint32_t>(index.size());
  if (!out->close()) return failed(Message(MessageId::FileSaveError, ": " + output + ": " + out->error()));
  ctx.forceProgress(index.size(), index.size(), Phase::exporting);
  if (ctx.stopRequested()) return done(ctx, res, Message(MessageId::Interrupted), Outcome::stopped);
  return done(ctx, res, Message(MessageId::OperationComplete), Outcome::ok);
}

JobResult<ExportData> ExportFrames(const std::string& source, long n, StreamChoice choice, const std::string& dir,
                                   JobContext& ctx, const std::function<void()>& beep) {
  ExportData res;
  std::string error;
  const auto src = FileSource::open(source, &error);
  if (!src) return done(ctx, res, Message(MessageId::SourceOpenError, ": " + source + ": " + error), Outcome::failed);
  const std::string folder = dir.empty() ? std::string() : dir + "/";
  const std::uint8_t v = ReadStreamNumber(*src, guid::VideoMedia);
  MediaObjectIterator it(*src);
  bool writeFailed = false;
  auto write = [&](long k) {
    if (!passes(choice, it.moStream == v && v != 0)) return;
    const std::string path = folder + "frame" + std::to_string(k) + ".txt";
    if (SameFile(path, source)) {  // the source is never written
      writeFailed = true;
      return;
    }
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(it.moBuf.data()), static_cast<std::streamsize>(it.moBuf.size()));
    f.close();
    writeFailed |= !f;
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
      if (ctx.stopRequested()) return done(ctx, res, Message(MessageId::Interrupted), Outcome::stopped);
    }
  }
  if (writeFailed) return done(ctx, res, Message(MessageId::FileSaveError), Outcome::failed);
  return done(ctx, res, Message(MessageId::OperationComplete), Outcome::ok);
}

}  // namespace corvel
