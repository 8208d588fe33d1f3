// The decoding behind the verify: libavcodec's decoders, chosen by the
// stream's format tag or compression FOURCC through libavformat's RIFF
// tables, fed one whole media object at a time. Only the headers are used
// at build time; the libraries are opened when a verify runs.
#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstdarg>
#include <cstdlib>
#include <deque>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "io/platform.hpp"
#include "verify/verify.hpp"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/pixfmt.h>
}

namespace corvel {

namespace {

// The library's log goes to one callback for the whole process. While a
// decoder runs on a thread, what it logs at error level is taken as that
// thread's words about the object being decoded; nothing else is printed.
thread_local std::string* tHeard = nullptr;

void Hear(void* avcl, int level, const char* fmt, va_list vl);

// The decoding libraries' functions. The libraries are opened when a
// verify first needs them, not linked: they pull in some hundred other
// libraries, whose loading would cost every start of the program a tenth
// of a second. Opened once, they stay (they keep state of their own).
#define CORVEL_LIBAV_FUNCTIONS(F) \
  F(avcodec, avcodec_find_decoder) \
  F(avcodec, avcodec_alloc_context3) \
  F(avcodec, avcodec_free_context) \
  F(avcodec, avcodec_open2) \
  F(avcodec, avcodec_send_packet) \
  F(avcodec, avcodec_receive_frame) \
  F(avcodec, av_packet_alloc) \
  F(avcodec, av_packet_free) \
  F(avcodec, av_packet_unref) \
  F(avformat, av_codec_get_id) \
  F(avformat, avformat_get_riff_video_tags) \
  F(avformat, avformat_get_riff_audio_tags) \
  F(avutil, av_frame_alloc) \
  F(avutil, av_frame_free) \
  F(avutil, av_frame_unref) \
  F(avutil, av_mallocz) \
  F(avutil, av_strerror) \
  F(avutil, av_log_set_callback) \
  F(avutil, av_log_format_line2) \
  F(avutil, av_channel_layout_default)

struct Libav {
#define CORVEL_LIBAV_MEMBER(library, name) decltype(&::name) name = nullptr;
  CORVEL_LIBAV_FUNCTIONS(CORVEL_LIBAV_MEMBER)
#undef CORVEL_LIBAV_MEMBER
  std::string error;  // why they could not be opened; empty when they were
};

// A library by the name its package installs for the major version the
// headers are of: "libavcodec.so.59".
std::string SharedName(const char* base, int major) {
#ifdef _WIN32
  return std::string(base) + "-" + std::to_string(major) + ".dll";
#else
  return "lib" + std::string(base) + ".so." + std::to_string(major);
#endif
}

Libav OpenLibav() {
  Libav l;
  void* avutil = platform::OpenLibrary(SharedName("avutil", LIBAVUTIL_VERSION_MAJOR), l.error);
  void* avcodec = avutil ? platform::OpenLibrary(SharedName("avcodec", LIBAVCODEC_VERSION_MAJOR), l.error) : nullptr;
  void* avformat = avcodec ? platform::OpenLibrary(SharedName("avformat", LIBAVFORMAT_VERSION_MAJOR), l.error) : nullptr;
  if (!avformat) return l;
#define CORVEL_LIBAV_LOAD(library, name)                                                 \
  l.name = reinterpret_cast<decltype(l.name)>(platform::LibrarySymbol(library, #name)); \
  if (!l.name && l.error.empty()) l.error = #name ": not found";
  CORVEL_LIBAV_FUNCTIONS(CORVEL_LIBAV_LOAD)
#undef CORVEL_LIBAV_LOAD
  if (l.error.empty()) l.av_log_set_callback(Hear);
  return l;
}

const Libav& Lib() {
  static const Libav lib = OpenLibav();
  return lib;
}

void Hear(void* avcl, int level, const char* fmt, va_list vl) {
  if (!tHeard || level > AV_LOG_ERROR) return;
  char line[512];
  int prefix = 0;
  Lib().av_log_format_line2(avcl, level, fmt, vl, line, sizeof line, &prefix);
  std::string s(line);
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
  if (s.empty()) return;
  if (tHeard->size() < 240) *tHeard += (tHeard->empty() ? "" : "; ") + s;
}

// Listens on this thread while it lives.
class Listening {
 public:
  explicit Listening(std::string& heard) : saved_(tHeard) { tHeard = &heard; }
  ~Listening() { tHeard = saved_; }
  Listening(const Listening&) = delete;
  Listening& operator=(const Listening&) = delete;

 private:
  std::string* saved_;
};

std::string ErrorText(int e) {
  char b[AV_ERROR_MAX_STRING_SIZE] = {};
  Lib().av_strerror(e, b, sizeof b);
  return b;
}

struct ContextFree {
  void operator()(AVCodecContext* c) const { Lib().avcodec_free_context(&c); }
};
struct PacketFree {
  void operator()(AVPacket* p) const { Lib().av_packet_free(&p); }
};
struct FrameFree {
  void operator()(AVFrame* f) const { Lib().av_frame_free(&f); }
};

// The codec data the header carries, in a buffer the decoder may read past.
bool SetExtradata(AVCodecContext& c, const Bytes& data) {
  if (data.empty()) return true;
  c.extradata = static_cast<std::uint8_t*>(Lib().av_mallocz(data.size() + AV_INPUT_BUFFER_PADDING_SIZE));
  if (!c.extradata) return false;
  std::copy(data.begin(), data.end(), c.extradata);
  c.extradata_size = static_cast<int>(data.size());
  return true;
}

AVCodecID CodecOf(const StreamEntry& e) {
  if (e.kind == StreamKind::video) {
    const AVCodecTag* const tags[] = {Lib().avformat_get_riff_video_tags(), nullptr};
    return Lib().av_codec_get_id(tags, e.video.format.compressionId);
  }
  if (e.kind == StreamKind::audio) {
    const AVCodecTag* const tags[] = {Lib().avformat_get_riff_audio_tags(), nullptr};
    return Lib().av_codec_get_id(tags, e.audio.formatTag);
  }
  return AV_CODEC_ID_NONE;
}

// One stream's decoder. Each media object is a packet; the frames it gives
// are drained at once, so that what the decoder says belongs to the object
// just sent (one thread: no frame threading delays its words).
class StreamDecoder {
 public:
  static std::unique_ptr<StreamDecoder> open(const StreamEntry& e, bool strict = false) {
    const AVCodecID id = CodecOf(e);
    const AVCodec* codec = id == AV_CODEC_ID_NONE ? nullptr : Lib().avcodec_find_decoder(id);
    if (!codec) return nullptr;
    std::unique_ptr<AVCodecContext, ContextFree> c(Lib().avcodec_alloc_context3(codec));
    if (!c) return nullptr;
    c->thread_count = 1;
    if (strict)
      c->err_recognition = AV_EF_CRCCHECK | AV_EF_BITSTREAM | AV_EF_BUFFER | AV_EF_EXPLODE | AV_EF_CAREFUL |
                           AV_EF_COMPLIANT | AV_EF_AGGRESSIVE;
    if (e.kind == StreamKind::video) {
      const BitmapInfoHeader& b = e.video.format;
      c->codec_tag = b.compressionId;
      c->width = static_cast<int>(std::min<std::uint32_t>(b.width, 16384));
      c->height = static_cast<int>(std::min<std::uint32_t>(b.height, 16384));
      c->bits_per_coded_sample = b.bitsPerPixel;
      if (!SetExtradata(*c, b.codecData)) return nullptr;
    } else {
      const AudioMedia& a = e.audio;
      c->codec_tag = a.formatTag;
      c->sample_rate = static_cast<int>(std::min<std::uint32_t>(a.samplesPerSecond, 1u << 20));
      Lib().av_channel_layout_default(&c->ch_layout, std::clamp<int>(a.channels, 1, 64));
      c->bit_rate = std::int64_t{a.bytesPerSecond} * 8;
      c->block_align = a.blockAlignment;
      c->bits_per_coded_sample = a.bitsPerSample;
      if (!SetExtradata(*c, a.codecData)) return nullptr;
    }
    std::string heard;
    {
      Listening l(heard);
      if (Lib().avcodec_open2(c.get(), codec, nullptr) < 0) return nullptr;
    }
    auto d = std::unique_ptr<StreamDecoder>(new StreamDecoder);
    d->c_ = std::move(c);
    d->name_ = codec->name;
    d->packet_.reset(Lib().av_packet_alloc());
    d->frame_.reset(Lib().av_frame_alloc());
    if (!d->packet_ || !d->frame_) return nullptr;
    return d;
  }

  const std::string& name() const { return name_; }

  struct Heard {
    std::string words;         // empty when it decoded clean
    bool unsupported = false;  // the decoder lacks a feature the object uses: no verdict
  };

  // From now on the luma of the last two pictures is kept.
  void keepPictures() { keep_ = true; }
  std::uint64_t pictures() const { return pictures_; }
  // The mean luma difference of the last two pictures; none when there are
  // not two of one size.
  std::optional<double> change() const {
    if (pictures_ < 2 || last_.size() != previous_.size() || last_.empty()) return std::nullopt;
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < last_.size(); ++i) sum += static_cast<std::uint64_t>(std::abs(last_[i] - previous_[i]));
    return static_cast<double>(sum) / static_cast<double>(last_.size());
  }

  // The last picture's mean absolute second difference of luma (across and down).
  std::optional<double> roughness() const {
    if (pictures_ == 0 || width_ < 3) return std::nullopt;
    const auto w = static_cast<std::size_t>(width_), h = last_.size() / w;
    if (h < 3) return std::nullopt;
    std::uint64_t sum = 0;
    for (std::size_t y = 1; y + 1 < h; ++y)
      for (std::size_t x = 1; x + 1 < w; ++x) {
        const int* c = &last_[y * w + x];
        sum += static_cast<std::uint64_t>(std::abs(4 * c[0] - c[-1] - c[1] - c[-static_cast<std::ptrdiff_t>(w)] - c[w]));
      }
    return static_cast<double>(sum) / static_cast<double>((w - 2) * (h - 2));
  }

  // What the decoder says of one media object.
  Heard decode(ByteView data) {
    Heard h;
    Listening l(h.words);
    // The packet's bytes are the decoder's to read past their end.
    buffer_.assign(data.begin(), data.end());
    buffer_.resize(data.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    Lib().av_packet_unref(packet_.get());
    packet_->data = buffer_.data();
    packet_->size = static_cast<int>(data.size());
    int e = Lib().avcodec_send_packet(c_.get(), packet_.get());
    if (e == AVERROR(EAGAIN)) {
      drain(h);
      e = Lib().avcodec_send_packet(c_.get(), packet_.get());
    }
    if (e < 0 && e != AVERROR(EAGAIN)) refused(h, e);
    drain(h);
    return h;
  }

 private:
  StreamDecoder() = default;
  static void add(std::string& heard, const std::string& s) {
    if (heard.find(s) == std::string::npos) heard += (heard.empty() ? "" : "; ") + s;
  }
  static void refused(Heard& h, int e) {
    h.unsupported = h.unsupported || e == AVERROR_PATCHWELCOME || e == AVERROR(ENOSYS);
    add(h.words, ErrorText(e));
  }
  void drain(Heard& h) {
    while (true) {
      const int e = Lib().avcodec_receive_frame(c_.get(), frame_.get());
      if (e == AVERROR(EAGAIN) || e == AVERROR_EOF) return;
      if (e < 0) {
        refused(h, e);
        return;
      }
      if (frame_->decode_error_flags || (frame_->flags & AV_FRAME_FLAG_CORRUPT)) add(h.words, "frame decoded with errors");
      if (keep_) keep(*frame_);
      Lib().av_frame_unref(frame_.get());
    }
  }

  // The picture's luma, when its first plane is one byte a sample.
  void keep(const AVFrame& f) {
    static constexpr AVPixelFormat kEightBit[] = {AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUVJ420P, AV_PIX_FMT_YUV422P,
                                                  AV_PIX_FMT_YUVJ422P, AV_PIX_FMT_YUV444P, AV_PIX_FMT_YUVJ444P,
                                                  AV_PIX_FMT_YUV410P, AV_PIX_FMT_YUV411P, AV_PIX_FMT_GRAY8};
    if (!f.data[0] || f.width <= 0 || f.height <= 0 ||
        std::find(std::begin(kEightBit), std::end(kEightBit), f.format) == std::end(kEightBit))
      return;
    previous_.swap(last_);
    width_ = f.width;
    last_.resize(static_cast<std::size_t>(f.width) * static_cast<std::size_t>(f.height));
    for (int y = 0; y < f.height; ++y) {
      const std::uint8_t* row = f.data[0] + static_cast<std::ptrdiff_t>(y) * f.linesize[0];
      std::copy(row, row + f.width, last_.begin() + static_cast<std::ptrdiff_t>(y) * f.width);
    }
    ++pictures_;
  }

  std::unique_ptr<AVCodecContext, ContextFree> c_;
  std::unique_ptr<AVPacket, PacketFree> packet_;
  std::unique_ptr<AVFrame, FrameFree> frame_;
  std::string name_;
  Bytes buffer_;
  bool keep_ = false;
  std::uint64_t pictures_ = 0;
  int width_ = 0;
  std::vector<int> last_, previous_;  // luma samples
};

// Each judgement opens the stream's decoder afresh: what it says of the
// object is of the objects it was given alone.
class LibavJudge final : public DecodeJudge {
 public:
  explicit LibavJudge(StreamTable streams) : streams_(std::move(streams)) {}
  std::optional<Judgement> judge(std::uint8_t stream, std::span<const ByteView> run, Measure measure) override {
    const StreamEntry* e = FindStream(streams_, stream);
    auto decoder = e && !run.empty() ? StreamDecoder::open(*e, true) : nullptr;
    if (!decoder) return std::nullopt;
    if (measure == Measure::pictures) decoder->keepPictures();
    for (const ByteView object : run.first(run.size() - 1)) decoder->decode(object);
    const std::uint64_t before = decoder->pictures();
    const StreamDecoder::Heard h = decoder->decode(run.back());
    if (h.unsupported) return std::nullopt;
    Judgement j;
    j.clean = h.words.empty();
    if (measure == Measure::pictures && decoder->pictures() > before) {
      j.change = decoder->change();
      j.roughness = decoder->roughness();
    }
    return j;
  }
  std::unique_ptr<DecodeJudge> another() const override { return std::make_unique<LibavJudge>(streams_); }

 private:
  StreamTable streams_;
};

// The decoder's words are kept for this many damaged objects.
constexpr std::size_t kWordsKept = 100000;

// The streams' rows of the result and what is counted into them.
class Tally {
 public:
  // Each stream's decoder, opened to name it, is left in `decoders`.
  Tally(const StreamTable& streams, VerifyData& d, std::array<std::unique_ptr<StreamDecoder>, 128>& decoders) : d_(d) {
    for (const StreamEntry& e : streams) {
      StreamVerify s;
      s.number = e.number;
      s.kind = e.kind;
      if (auto dec = StreamDecoder::open(e)) {
        s.codec = dec->name();
        decoders[e.number & 127] = std::move(dec);
      }
      row_[e.number & 127] = d.streams.size();
      d.streams.push_back(std::move(s));
    }
  }
  StreamVerify& stream(std::uint8_t number) { return d_.streams[row_[number & 127]]; }
  // An object no decoder gives a verdict on.
  void notVerified(std::uint8_t number, bool unsupported, std::uint64_t count = 1) {
    d_.notVerified += count;
    if (unsupported) stream(number).unsupported += count;
  }
  void verified(std::uint64_t count) { d_.verified += count; }
  // A damaged one, in the order of the file.
  void damaged(DamagedObject o) {
    ++stream(o.object.stream).damaged;
    // A file damaged throughout lists every object; past the first ones,
    // without the decoder's words (the list stays small).
    if (d_.damaged.size() >= kWordsKept) o.message.clear();
    d_.damaged.push_back(std::move(o));
  }

 private:
  VerifyData& d_;
  std::array<std::size_t, 128> row_{};
};

// One object on its way to a decoder: its place in the file's order and
// its bytes.
struct Queued {
  std::uint64_t seq = 0;
  DamagedObject object;  // where it lies; its words once decoded
  Bytes data;
  bool warmUp = false;  // decoded for the state it leaves, not judged
};

// Objects one decoder takes in order: a stream's audio from its start, or
// its video from a key frame on. Batches of it go to the workers one at a
// time, so that its decoder sees them in the file's order.
struct Chain {
  const StreamEntry* entry = nullptr;
  std::unique_ptr<StreamDecoder> decoder;
  std::deque<std::vector<Queued>> batches;
  bool busy = false, queued = false, closed = false, opened = false;
  std::uint64_t objects = 0, bytes = 0;  // taken so far
  // What the decoder said.
  std::uint64_t verified = 0, unsupported = 0, failed = 0;
  std::vector<std::pair<std::uint64_t, DamagedObject>> damaged;

  void decode(std::vector<Queued>& batch) {
    if (!opened) decoder = StreamDecoder::open(*entry);
    opened = true;
    for (Queued& q : batch) {
      if (!decoder) {
        failed += !q.warmUp;
        continue;
      }
      StreamDecoder::Heard h = decoder->decode(q.data);
      if (q.warmUp) continue;
      if (h.unsupported) {
        ++unsupported;
        continue;
      }
      ++verified;
      if (h.words.empty()) continue;
      q.object.message = std::move(h.words);
      damaged.emplace_back(q.seq, std::move(q.object));
    }
  }
};

// Decodes on several threads: the calling thread reads the objects and
// cuts each stream into chains (video at key frames, once a chain is long
// enough to be worth a decoder of its own); workers decode a chain's
// batches in order, different chains at once. The result is merged in the
// file's order.
class ParallelVerify {
 public:
  explicit ParallelVerify(unsigned workers) {
    for (unsigned i = 0; i < workers; ++i) threads_.emplace_back([this] { work(); });
  }
  ParallelVerify(const ParallelVerify&) = delete;
  ParallelVerify& operator=(const ParallelVerify&) = delete;
  ~ParallelVerify() { finish(); }

  // The object `q` of the stream `e`.
  void add(const StreamEntry& e, Queued q, bool key) {
    Stream& s = streams_[e.number & 127];
    const bool fresh = !s.chain || (e.kind == StreamKind::video && key && s.chain->objects >= kChainObjects);
    if (fresh) {
      flush(s);
      if (s.chain) close(*s.chain);
      chains_.push_back(std::make_unique<Chain>());
      s.chain = chains_.back().get();
      s.chain->entry = &e;
      // The objects before the key frame, for a decoder whose next ones
      // refer back past it.
      for (const Queued& w : s.recent) s.batch.push_back({w.seq, w.object, w.data, true});
    }
    ++s.chain->objects;
    s.batchBytes += q.data.size();
    if (e.kind == StreamKind::video) {
      s.recent.push_back(q);
      if (s.recent.size() > kWarmUp) s.recent.pop_front();
    }
    s.batch.push_back(std::move(q));
    if (s.batchBytes >= kBatchBytes || s.batch.size() >= kBatchObjects) flush(s);
  }

  // Every batch decoded; the chains' words merged into `tally` in the file's order.
  void finish(Tally* tally = nullptr) {
    for (Stream& s : streams_) flush(s);
    {
      const std::lock_guard lock(m_);
      done_ = true;
    }
    ready_.notify_all();
    threads_.clear();
    if (!tally) return;
    std::vector<std::pair<std::uint64_t, DamagedObject>> damaged;
    for (const auto& c : chains_) {
      const std::uint8_t n = c->entry->number;
      tally->verified(c->verified);
      tally->notVerified(n, true, c->unsupported);
      tally->notVerified(n, false, c->failed);
      std::move(c->damaged.begin(), c->damaged.end(), std::back_inserter(damaged));
    }
    std::sort(damaged.begin(), damaged.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [seq, o] : damaged) tally->damaged(std::move(o));
  }

 private:
  static constexpr std::uint64_t kChainObjects = 50;
  static constexpr std::size_t kWarmUp = 2;
  static constexpr std::uint64_t kBatchBytes = 1 << 20, kBatchObjects = 256;

  struct Stream {
    Chain* chain = nullptr;
    std::vector<Queued> batch;
    std::uint64_t batchBytes = 0;
    std::deque<Queued> recent;
  };

  std::uint64_t maxInFlight() const { return std::uint64_t{4 << 20} * (threads_.size() + 1); }

  void flush(Stream& s) {
    if (s.batch.empty()) return;
    std::unique_lock lock(m_);
    // Reading waits while the workers are this far behind.
    room_.wait(lock, [&] { return inFlight_ < maxInFlight(); });
    inFlight_ += s.batchBytes;
    s.chain->batches.push_back(std::move(s.batch));
    s.chain->bytes += s.batchBytes;
    s.batch.clear();
    s.batchBytes = 0;
    queue(*s.chain);
  }

  void close(Chain& c) {
    const std::lock_guard lock(m_);
    c.closed = true;
    if (!c.busy && c.batches.empty()) c.decoder.reset();
  }

  // Called locked.
  void queue(Chain& c) {
    if (c.busy || c.queued || c.batches.empty()) return;
    c.queued = true;
    ready_list_.push_back(&c);
    ready_.notify_one();
  }

  void work() {
    std::unique_lock lock(m_);
    while (true) {
      ready_.wait(lock, [&] { return done_ || !ready_list_.empty(); });
      if (ready_list_.empty()) return;
      Chain& c = *ready_list_.front();
      ready_list_.pop_front();
      c.queued = false;
      c.busy = true;
      std::vector<Queued> batch = std::move(c.batches.front());
      c.batches.pop_front();
      lock.unlock();
      std::uint64_t bytes = 0;
      for (const Queued& q : batch)
        if (!q.warmUp) bytes += q.data.size();
      c.decode(batch);
      batch.clear();
      lock.lock();
      c.busy = false;
      inFlight_ -= bytes;
      if (c.closed && c.batches.empty()) c.decoder.reset();
      queue(c);
      room_.notify_all();
    }
  }

  std::array<Stream, 128> streams_;
  std::vector<std::unique_ptr<Chain>> chains_;
  std::mutex m_;
  std::condition_variable ready_, room_;
  std::deque<Chain*> ready_list_;
  std::uint64_t inFlight_ = 0;
  bool done_ = false;
  std::vector<std::jthread> threads_;  // last: joined before the rest goes
};

unsigned WorkersFor(const VerifyOptions& o) {
  if (o.threads) return o.threads;
  return std::max(1u, std::thread::hardware_concurrency());
}

}  // namespace

bool DecodingBuilt() { return true; }

std::unique_ptr<DecodeJudge> MakeDecodeJudge(const StreamTable& streams) {
  if (!Lib().error.empty()) return nullptr;
  return std::make_unique<LibavJudge>(streams);
}

JobResult<VerifyData> VerifyObjects(const ByteSource& f, const StreamTable& streams, const VerifyOptions& options,
                                    JobContext& ctx) {
  VerifyData d;
  if (!Lib().error.empty()) {
    ctx.log(Message(MessageId::LibraryNotLoaded, Lib().error));
    return Finish(ctx, Outcome::failed, Message(MessageId::LibraryNotLoaded, Lib().error), std::move(d));
  }
  // One decoder per stream, here; or chains of objects for the workers.
  std::array<std::unique_ptr<StreamDecoder>, 128> decoders;
  Tally tally(streams, d, decoders);
  if (options.encrypted) ctx.log(Message(MessageId::EncryptedNotVerified));
  const unsigned workers = WorkersFor(options);
  std::optional<ParallelVerify> parallel;
  if (workers > 1) {
    parallel.emplace(workers);
    decoders = {};  // the chains open their own
  }
  MediaObjectReader reader(f, streams);
  bool stopped = false;
  std::uint64_t seq = 0;
  while (reader.next()) {
    const MediaObject& o = reader.object();
    const std::uint8_t s = o.stream & 127;
    ++tally.stream(s).objects;
    const DamagedObject where{o, reader.packetNumber(o.firstOffset), reader.packetNumber(o.lastOffset), {}};
    const bool decodable = !tally.stream(s).codec.empty();
    // Ciphertext is not decoded: the decoder's words on it say nothing of damage.
    if (!decodable || options.encrypted) {
      // No decoder, or one that cannot decode what this object uses: no verdict.
      tally.notVerified(s, decodable);
    } else if (parallel) {
      const ByteView data = reader.data();
      parallel->add(*FindStream(streams, s), {seq++, where, Bytes(data.begin(), data.end())}, o.key);
    } else {
      StreamDecoder::Heard h = decoders[s]->decode(reader.data());
      if (h.unsupported) {
        tally.notVerified(s, true);
      } else {
        tally.verified(1);
        if (!h.words.empty()) tally.damaged({where.object, where.firstPacket, where.lastPacket, std::move(h.words)});
      }
    }
    ctx.progress(reader.position(), f.size(), phase::verifying);
    if (ctx.stopRequested()) {
      stopped = true;
      break;
    }
    ctx.step();
  }
  if (parallel) parallel->finish(&tally);
  d.incomplete = reader.incomplete();
  Message m = VerifySummary(d);
  if (stopped) {
    // How far it got: the counts up to the stop.
    Message said(MessageId::Interrupted, "\n");
    said.more.emplace_back(m.id, m.after);
    said.more.insert(said.more.end(), m.more.begin(), m.more.end());
    return Finish(ctx, Outcome::stopped, std::move(said), std::move(d));
  }
  if (d.verified == 0) {
    // Nothing decoded is no verdict of sound: a failure, with the counts.
    Message nothing(MessageId::NothingVerified, "\n");
    nothing.more.emplace_back(m.id, m.after);
    nothing.more.insert(nothing.more.end(), m.more.begin(), m.more.end());
    return Finish(ctx, Outcome::failed, std::move(nothing), std::move(d));
  }
  // Decided before `d` moves: arguments are evaluated in no set order.
  const Outcome outcome = d.damaged.empty() ? Outcome::ok : Outcome::warnings;
  return Finish(ctx, outcome, std::move(m), std::move(d));
}

}  // namespace corvel
