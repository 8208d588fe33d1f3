#include "analysis/scan.hpp"

#include <algorithm>
#include <bitset>
#include <chrono>
#include <cstring>
#include <thread>

#include "asf/field_visitors.hpp"
#include "analysis/simple_index.hpp"
#include "asf/catalogue.hpp"
#include "asf/object_search.hpp"
#include "io/output_file.hpp"
#include "asf/streams.hpp"

namespace corvel {

namespace {

std::string num(std::uint64_t v) { return std::to_string(v); }

// Per-stream state of the checks, for every stream the header declares.
struct StreamState {
  bool known = false;
  StreamKind kind = StreamKind::other;
  std::uint32_t lastMO = 0;
  std::uint64_t expectedOffset = 0;
  std::uint32_t lastPTime = 0;
};

class Scanner {
 public:
  Scanner(SourceFile& file, const FileStructure& fs, const ScanOptions& o, JobContext& ctx, ScanEvents* events)
      : file_(file), fs_(fs), o_(o), ctx_(ctx), events_(events) {}
  JobResult<ScanData> run();
  JobResult<DataLayout> locate();

 private:
  void log(Message line) { ctx_.log(std::move(line)); }
  // A finding is logged and noted on the packet's dump line.
  void finding(Message m) {
    note_ = Render(m, o_.dumpLanguage);
    log(std::move(m));
  }
  // Where the scan cannot start: the result says why.
  JobResult<ScanData> refuse(Message why) {
    log(why);
    return Finish(ctx_, Outcome::failed, std::move(why), ScanData{});
  }
  void dumpFailed();
  void orderCheck(std::uint8_t sn, std::uint32_t prev, std::uint32_t cur);
  void mediaObjectCheck(const Payload& pl, std::uint64_t advance, const char* text, ByteView data);
  void timeChecks(const ParsedPacket& p);
  void checks(const ParsedPacket& p, ByteView v);
  void dumpLine(const ParsedPacket& p);
  // The line of a packet expected and not taken: where, and why.
  void dumpRejected(const std::string& why, std::uint64_t pos);
  // A sound packet starts at `pos`, and every byte of it was read.
  bool readable(std::uint64_t pos) {
    const ByteView v = file_.view(pos, P_);
    ParsedPacket p;
    return !file_.unreadableEnd(pos, P_) && rule_.found(v, p);
  }
  // Next position at or after `from` where a sound packet starts, or `end_`.
  std::uint64_t resync(std::uint64_t from);
  void decideForm();
  void showBlock(const ErrorBlock& b) {
    if (events_) events_->block(b);
  }
  bool stopRequested() const { return ctx_.stopRequested(); }
  void progress(std::uint64_t pos);
  // The closing steps: the error list and the new index.
  void finish();
  // Why the scan cannot start; empty when it can.
  Message cannotStart() const;
  Message choosePacketSize();
  bool packetsRepeatEvery(std::uint64_t at, std::uint64_t size);
  // Where the header says the data ends (its packet count, the Data
  // Object's size) and a sound packet of the file's streams still starts at
  // `pos`: the data decides, and the scan goes on to the end of the file
  // (said once). False when nothing follows.
  bool dataGoesOn(std::uint64_t pos);
  // The spacing of four packets in a row from one of `starts`; 0 when none.
  std::uint64_t packetSpacing(const std::vector<std::uint64_t>& starts);
  // The first places in the first few megabytes of the data where a packet
  // could start.
  std::vector<std::uint64_t> candidateStarts(std::uint64_t start);
  // Where the packets lie and how many to expect.
  void bounds();
  // Ready to scan: room for the packets, the dump, the progress.
  void setup();
  void openBlock();
  void closeBlock(std::uint64_t pos);
  void closeLastBlock();
  std::uint64_t findIndexObject(std::uint64_t from, std::uint64_t to);

  SourceFile& file_;
  const FileStructure& fs_;
  const ScanOptions& o_;
  JobContext& ctx_;
  ScanEvents* events_;
  ScanData d_;
  PacketRule rule_;
  std::uint32_t P_ = 0;
  std::uint64_t start_ = 0, end_ = 0, logicalEnd_ = 0;
  std::uint64_t limit_ = 0;  // packet count that ends the scan, 0 for none
  std::uint64_t n_ = 0;
  std::array<StreamState, 128> st_{};
  std::uint8_t video_ = 0;  // the first video stream: the index's
  std::string note_;
  std::unique_ptr<OutputFile> dump_;
  bool dumpFailed_ = false;
};

void Scanner::orderCheck(std::uint8_t sn, std::uint32_t prev, std::uint32_t cur) {
  if (static_cast<std::uint32_t>(cur - prev) == 1 || (prev == 255 && cur == 0)) return;
  log(Message::Plain("sn=" + num(sn) + " wrong order of media object: " + num(prev) + "," + num(cur)));
}

void Scanner::mediaObjectCheck(const Payload& pl, std::uint64_t advance, const char* text, ByteView data) {
  const std::uint8_t sn = pl.streamNumber & 127;
  StreamState& ss = st_[sn];
  if (!ss.known) return;
  if (pl.mediaObjectNumber != ss.lastMO) {
    orderCheck(sn, ss.lastMO, pl.mediaObjectNumber);
    ss.lastMO = pl.mediaObjectNumber;
    ss.expectedOffset = 0;
  }
  if (pl.replicatedDataLength == 1) {
    // A compressed payload: whole media objects, numbered on from its own.
    const CompressedChain c = CompressedObjects(data);
    if (!c.whole) finding(Message::Plain("sn=" + num(sn) + ",mon=" + num(ss.lastMO) + " compressed payload sizes do not add up"));
    if (c.count > 1) ss.lastMO += static_cast<std::uint32_t>(c.count - 1);
    return;
  }
  if (pl.offsetIntoMediaObject != ss.expectedOffset) finding(Message::Plain("sn=" + num(sn) + ",mon=" + num(ss.lastMO) + text));
  ss.expectedOffset += advance;
}

// Send and presentation times. A jump of the send time beyond the usual
// window is a finding of its own, once, instead of the smaller ones it
// would bring.
void Scanner::timeChecks(const ParsedPacket& p) {
  if (MinPresentationTime(p) < p.sendTime) finding(Message::Plain("packet nn=" + num(n_) + ". Presentation Time < Send Time"));
  const bool jump = n_ > 0 && !d_.packets.empty() && SendTimeJumps(d_.packets.back().sendTime, p.sendTime);
  if (jump) {
    Message m(MessageId::PacketPrefix, num(n_));
    m.tail = MessageId::SendTimeJump;
    m.end = num(d_.packets.back().sendTime) + " -> " + num(p.sendTime);
    finding(std::move(m));
  } else if (n_ > 0 && p.sendTime < d_.packets.back().sendTime) {
    finding(Message("packet nn=" + num(n_), MessageId::SendTimeBack));
  }
  for (std::size_t k = 0; k < p.payloadCount(); ++k) {
    const Payload pl = p.payload(k);
    StreamState& ss = st_[pl.streamNumber & 127];
    if (!ss.known || ss.kind == StreamKind::other) continue;
    if (pl.presentationTime < ss.lastPTime && !jump) {
      Message m(MessageId::PacketPrefix, num(n_));
      m.tail = ss.kind == StreamKind::audio ? MessageId::AudioTimeBack : MessageId::VideoTimeBack;
      finding(std::move(m));
    }
    ss.lastPTime = pl.presentationTime;
  }
}

void Scanner::checks(const ParsedPacket& p, ByteView v) {
  note_.clear();
  auto data = [&](std::size_t k) {
    const auto [at, len] = p.payloadData(k);
    return SubView(v, at, len);
  };
  if (!p.isMultiple()) {
    const std::uint64_t advance = UsedLength(p, P_) - p.errorCorrection.size - p.parsingInfoSize - p.single.headerLength - p.paddingLength;
    mediaObjectCheck(p.payload(0), advance, " wrong offset into media object", data(0));
  } else {
    for (std::size_t k = 0; k < p.multiple.payloads.size(); ++k)
      mediaObjectCheck(p.multiple.payloads[k], p.multiple.payloads[k].payloadDataLength, " wrong offset into media", data(k));
    const std::uint64_t fact = PayloadBytesUsed(p);
    if (fact != UsedLength(p, P_)) finding(Message::Plain("payload (" + num(n_) + "). expected size = " + num(P_) + ", fact = " + num(fact)));
  }
  timeChecks(p);
}

void Scanner::dumpLine(const ParsedPacket& p) {
  std::string line;
  line += p.firstKeyFrame ? '+' : '-';
  auto moPart = [](const Payload& pl) {
    return num(pl.streamNumber) + "," + num(pl.mediaObjectNumber) + "," + num(pl.offsetIntoMediaObject) + " [" +
           num(pl.mediaObjectSize) + "," + num(pl.presentationTime) + "]";
  };
  if (!p.isMultiple()) {
    line += std::string(",s") + (p.compressed ? 'c' : 'u') + ",  " + moPart(p.payload(0));
  } else {
    line += std::string(",m") + (p.compressed ? 'c' : 'u') + "," + num(p.multiple.numberOfPayloads);
    for (const Payload& pl : p.multiple.payloads) line += ",(" + num(pl.payloadDataLength) + "," + moPart(pl) + ")";
  }
  line += "," + num(p.paddingLength);
  if (line.size() < 100) line.append(100 - line.size(), ' ');
  line += "," + num(p.sendTime) + "," + num(p.duration);
  if (!note_.empty()) line += "   <- " + note_;
  line += "\r\n";
  if (!dump_->write(ByteView(reinterpret_cast<const std::uint8_t*>(line.data()), line.size()))) dumpFailed();
}

void Scanner::dumpRejected(const std::string& why, std::uint64_t pos) {
  const std::string line = "x,rejected at " + num(pos) + ": " + why + "\r\n";
  if (!dump_->write(ByteView(reinterpret_cast<const std::uint8_t*>(line.data()), line.size()))) dumpFailed();
}

// A dump that cannot be written is given up (what was written of it
// removed); the scan goes on and says why.
void Scanner::dumpFailed() {
  log(Message("• ", MessageId::FileSaveError, ": " + o_.dumpPath + ": " + dump_->error()));
  dump_->discard();
  dump_.reset();
  dumpFailed_ = true;
}

std::uint64_t Scanner::resync(std::uint64_t from) {
  std::uint64_t q = from;
  while (q + 3 <= logicalEnd_ && q < end_) {
    const std::uint64_t want = std::min<std::uint64_t>(SourceFile::CacheSize, logicalEnd_ - q);
    const ByteView w = file_.view(q, want);
    if (w.size() < 3) break;
    const std::size_t limit = static_cast<std::size_t>(std::min<std::uint64_t>(w.size() - 2, end_ - q));
    const std::size_t i = rule_.nextCandidate(w, 0, limit);
    if (i >= limit) {
      q += limit;
      if (stopRequested()) return end_;
      continue;
    }
    const std::uint64_t candidate = q + i;
    // Checking the candidate may move the cache window; the search goes on
    // from the byte after it either way.
    if (candidate + P_ <= logicalEnd_ && readable(candidate)) return candidate;
    q = candidate + 1;
  }
  return end_;
}

// A file's packets are of one form: the one most of its first packet
// slots parse as (error correction data first when neither does).
void Scanner::decideForm() {
  int withCorrection = 0, plain = 0;
  std::bitset<256> flags;
  for (std::uint64_t k = 0; k < 16; ++k) {
    const std::uint64_t at = start_ + k * P_;
    if (at + P_ > end_) break;
    const ByteView v = file_.view(at, P_);
    ParsedPacket p;
    if (LooksLikePacketStart(v, PacketForm::errorCorrection) && ParsePacket(v, p) == 0) ++withCorrection;
    if (LooksLikePacketStart(v, PacketForm::plain) && rule_.fills(v, p)) {
      ++plain;
      flags.set(p.propertyFlags);
    }
  }
  rule_.setForm(plain > withCorrection ? PacketForm::plain : PacketForm::errorCorrection, flags);
  d_.form = rule_.form();
}

void Scanner::progress(std::uint64_t pos) {
  if (limit_)
    ctx_.progress(n_, limit_, phase::scanning);
  else
    ctx_.progress(pos - start_, end_ - start_, phase::scanning);
}

Message Scanner::cannotStart() const {
  if (!file_.isOpen()) return Message(MessageId::FileOpenError);
  if (!fs_.hasDataObject()) return Message(MessageId::StreamNotFound);
  return {};
}

namespace {
bool usablePacketSize(std::uint64_t p) { return p >= 8 && p <= SourceFile::CacheSize; }
}  // namespace

// The packet size: the File Properties' when it states one; else inferred
// from the Data Object (its size over its packet count), else from the
// spacing of packet starts that parse, four in a row.
Message Scanner::choosePacketSize() {
  const FileProperties& props = fs_.rec.fileProperties;
  const std::uint32_t stated = props.minimumPacketSize;
  const std::uint64_t first = static_cast<std::uint64_t>(fs_.dataObjectOffset) + FixedSize<DataObjectHeader>();
  if (props.present && stated == props.maximumPacketSize && usablePacketSize(stated)) {
    P_ = stated;
    // A size the data does not bear out anywhere in its first packets (the
    // first ones may only be damaged), where another size parses four
    // packets in a row: the data decides.
    const auto holds = [&](std::uint64_t at) { return packetsRepeatEvery(at, stated); };
    if (!holds(first)) {
      const std::vector<std::uint64_t> starts = candidateStarts(first);
      const std::uint64_t seen = std::any_of(starts.begin(), starts.end(), holds) ? 0 : packetSpacing(starts);
      if (seen && seen != stated) {
        P_ = static_cast<std::uint32_t>(seen);
        d_.inferredPacketSize = P_;
        log(Message(MessageId::PacketSizeDisagrees, num(P_)));
      }
    }
    return {};
  }
  const Message refusal = props.present && stated != props.maximumPacketSize
                              ? Message::Plain("• DataPacketSize: min <> max")
                              : Message(MessageId::InvalidPacketSize, num(stated));
  const std::int64_t dataObjectSize = fs_.rec.data.objectSize, count = fs_.rec.data.packetCount;
  const std::uint64_t start = static_cast<std::uint64_t>(fs_.dataObjectOffset) + FixedSize<DataObjectHeader>();
  std::uint64_t inferred = 0;
  if (dataObjectSize > FixedSize<DataObjectHeader>() && count > 0 && (dataObjectSize - FixedSize<DataObjectHeader>()) % count == 0 && dataObjectSize <= file_.physicalSize() - fs_.dataObjectOffset) {
    const auto p = static_cast<std::uint64_t>((dataObjectSize - FixedSize<DataObjectHeader>()) / count);
    if (usablePacketSize(p) && packetsRepeatEvery(start, p)) inferred = p;
  }
  if (!inferred) inferred = packetSpacing(candidateStarts(start));
  if (!inferred) return refusal;
  P_ = static_cast<std::uint32_t>(inferred);
  d_.inferredPacketSize = P_;
  log(Message(MessageId::PacketSizeInferred, num(P_)));
  return {};
}

bool Scanner::dataGoesOn(std::uint64_t pos) {
  if (pos + P_ > logicalEnd_) return false;
  ParsedPacket p;
  if (rule_.expected(file_.view(pos, P_), p) != 0 || !rule_.knownStreamsFill(p)) return false;
  if (!d_.dataBeyondHeader) {
    d_.dataBeyondHeader = true;
    log(Message(MessageId::DataBeyondHeader, num(pos)));
  }
  limit_ = 0;
  end_ = logicalEnd_;
  return true;
}

// Four packets that parse and fill their size, one after another from `at`.
bool Scanner::packetsRepeatEvery(std::uint64_t at, std::uint64_t size) {
  for (std::uint64_t k = 0; k < 4; ++k) {
    const std::uint64_t q = at + k * size;
    if (q + size > file_.logicalSize()) return k > 0 && q >= file_.logicalSize();
    const ByteView v = file_.view(q, size);
    ParsedPacket p;
    if (!LooksLikePacketStart(v, PacketForm::errorCorrection) || !ParsesAndFills(v, static_cast<std::uint32_t>(size), p))
      return false;
  }
  return true;
}

// The distance between packet starts in the first few megabytes of the data,
// confirmed on four packets in a row; 0 when none is.
std::vector<std::uint64_t> Scanner::candidateStarts(std::uint64_t start) {
  constexpr std::uint64_t kLook = 4 << 20;
  constexpr std::size_t kCandidates = 64;
  std::vector<std::uint64_t> starts;
  const std::uint64_t end = std::min(file_.logicalSize(), start + kLook);
  for (std::uint64_t q = start; q + 3 <= end && starts.size() < kCandidates;) {
    const ByteView w = file_.view(q, std::min<std::uint64_t>(SourceFile::CacheSize, end - q));
    if (w.size() < 3) break;
    const std::size_t at = rule_.nextCandidate(w, 0, w.size() - 2);
    if (at >= w.size() - 2) {
      q += w.size() - 2;
      continue;
    }
    starts.push_back(q + at);
    q += at + 1;
  }
  return starts;
}

std::uint64_t Scanner::packetSpacing(const std::vector<std::uint64_t>& starts) {
  for (std::size_t i = 0; i < starts.size(); ++i)
    for (std::size_t j = i + 1; j < starts.size(); ++j) {
      const std::uint64_t size = starts[j] - starts[i];
      if (usablePacketSize(size) && packetsRepeatEvery(starts[i], size)) return size;
    }
  return 0;
}

void Scanner::bounds() {
  const HeaderRecords& rec = fs_.rec;
  const FileProperties& props = rec.fileProperties;
  // An interrupted recording leaves these fields unset: then the scan runs to
  // the real end of the file.
  const bool unfinished = (props.flags & 1) || props.fileSize <= 0 || fs_.declaredPackets <= 0;
  d_.sourceUnfinished = unfinished || props.playDuration <= 0 || props.sendDuration <= 0;
  logicalEnd_ = file_.logicalSize();
  // Objects after a Data Object of sound size (the index) are no packets:
  // the scan ends where the data ends rather than reporting them as damage.
  // The declared size is the sound file's: the one the logical file has
  // again once a repair has cut inserted bytes out. It is the Data Object's
  // own measure; the File Size field goes stale when tags are rewritten, so
  // it bounds the scan only when the Data Object's size cannot. An
  // unfinished recording's sizes are stale (from an earlier flush): its
  // data runs to the end.
  const std::int64_t dataObjectSize = rec.data.objectSize;
  if (unfinished)
    end_ = logicalEnd_;
  else if (dataObjectSize >= FixedSize<DataObjectHeader>() && dataObjectSize <= file_.physicalSize() - fs_.dataObjectOffset)
    end_ = std::min(logicalEnd_, static_cast<std::uint64_t>(fs_.dataObjectOffset + dataObjectSize));
  else
    end_ = std::min<std::uint64_t>(static_cast<std::uint64_t>(props.fileSize), logicalEnd_);
  limit_ = unfinished ? 0 : static_cast<std::uint64_t>(fs_.declaredPackets);
  start_ = static_cast<std::uint64_t>(fs_.dataObjectOffset) + FixedSize<DataObjectHeader>();

  const StreamTable streams = StreamsOf(rec);
  for (const StreamEntry& e : streams) st_[e.number & 127] = {.known = true, .kind = e.kind};
  // A stream number the table lacks but a Stream Properties Object names
  // (a stream of number 0, say) is still the file's.
  for (const auto& spo : rec.streams) st_[spo.flags & 127].known = true;
  std::bitset<128> known;
  for (std::size_t s = 0; s < st_.size(); ++s) known[s] = st_[s].known;
  rule_ = PacketRule(P_, known);
  video_ = FirstOfKind(streams, StreamKind::video);
  decideForm();
}

void Scanner::setup() {
  const std::uint64_t room = start_ < logicalEnd_ ? (logicalEnd_ - start_) / P_ + 1 : 1;
  d_.packets.reserve(static_cast<std::size_t>(limit_ ? std::min(limit_, room) : room));
  d_.packets.setPacketSize(P_);
  if (!o_.dumpPath.empty()) {
    Message why;
    dump_ = CreateOutput(o_.dumpPath, std::span(&o_.sourcePath, o_.sourcePath.empty() ? 0 : 1), why, ctx_.writeCalls());
    if (!dump_) {
      why.before = "• ";
      log(std::move(why));
      dumpFailed_ = true;
    }
  }
  ctx_.forceProgress(0, 0, phase::scanning);
}

// A packet that parses ends the damaged stretch before it.
void Scanner::closeBlock(std::uint64_t pos) {
  ErrorBlock& b = d_.blocks.back();
  b.actualSize = pos - b.offset;
  b.closed = true;
  b.unreadable = file_.unreadableEnd(b.offset, b.actualSize) != 0;
  showBlock(b);
}

// The stretch the scan ended in runs to the end of the data; when an index
// object begins right where the last sound packet ends (a Data Object whose
// declared size outruns its packets, as after a deletion), there was no
// damage at all.
void Scanner::closeLastBlock() {
  const ErrorBlock& b = d_.blocks.back();
  const std::uint64_t index = findIndexObject(b.offset, end_);
  if (index == b.offset + b.declaredSize) {
    d_.blocks.pop_back();
    return;
  }
  closeBlock(std::min(index, end_));
}

// The first index object (Simple Index, Index, Media Object or Timecode
// Index) whose GUID begins in [from, to); `to` when there is none.
std::uint64_t Scanner::findIndexObject(std::uint64_t from, std::uint64_t to) {
  return FindObject(file_, from, to, IndexGuids(), nullptr);
}

// Damage: the stretch is taken from the start of the last sound packet (the
// data start when there is none).
void Scanner::openBlock() {
  ErrorBlock b;
  b.packet = static_cast<std::uint32_t>(n_);
  b.offset = d_.packets.empty() ? start_ : static_cast<std::uint64_t>(d_.packets.back().fileOffset);
  b.declaredSize = P_;
  d_.blocks.push_back(b);
  showBlock(b);
}

JobResult<ScanData> Scanner::run() {
  if (Message why = cannotStart(); !why.empty()) return refuse(std::move(why));
  if (Message why = choosePacketSize(); !why.empty()) return refuse(std::move(why));
  d_.cuts = file_.cuts;
  bounds();
  setup();
  Outcome outcome = Outcome::ok;
  std::uint64_t pos = start_;
  bool inDamage = false;
  BackgroundPace pace(!o_.highPriority);
  std::uint64_t blockEnd = pos + SourceFile::CacheSize;
  while (true) {
    ctx_.step();
    if (pos >= blockEnd) {
      pace.blockDone();
      blockEnd = pos + SourceFile::CacheSize;
    }
    const ByteView v = pos < logicalEnd_ ? file_.view(pos, P_) : ByteView{};
    if (v.size() < P_) {
      log(Message(MessageId::UnexpectedEnd));
      // A packet cut off by the end of the file is damage too.
      if (!inDamage && pos < end_) {
        openBlock();
        d_.blocks.back().rejection = "packet cut off by the end of the file at byte " + num(v.size());
      }
      inDamage = inDamage || pos < end_;
      break;
    }
    ParsedPacket p;
    // Bytes the disk would not give read as zeros: never a packet.
    const std::uint64_t unreadable = file_.unreadableEnd(pos, P_);
    const int rc = unreadable ? 1 : rule_.expected(v, p);
    std::string why;
    if (rc != 0) why = unreadable ? "unreadable bytes up to " + num(unreadable) : p.rejection.text();
    if (rc < 0) log(Message(MessageId::PacketFailed, num(n_)));
    if (rc != 0 && dump_) dumpRejected(why, pos);
    if (rc == 0) {
      if (inDamage) closeBlock(pos);
      inDamage = false;
      p.fileOffset = static_cast<std::int64_t>(pos);
      rule_.take(p);
      d_.keyframePackets += p.firstKeyFrame;
      checks(p, v);
      if (dump_) dumpLine(p);
      d_.packets.push_back(p);
      pos += P_;
      ++n_;
      if (limit_ && n_ >= limit_ && !dataGoesOn(pos)) break;
    } else {
      if (!inDamage) {
        openBlock();
        d_.blocks.back().rejection = why;
      }
      inDamage = true;
      // The next sound packet is searched for from the stretch's start on.
      pos = resync(d_.blocks.back().offset + 1);
    }
    progress(pos);
    if (stopRequested()) {
      log(Message("• ", MessageId::Interrupted));
      outcome = Outcome::stopped;
      break;
    }
    if (pos >= end_ && (inDamage || !dataGoesOn(pos))) {
      log(Message("• ", MessageId::EndOfFile));
      break;
    }
  }
  if (dump_ && !dump_->close()) dumpFailed();
  if (dumpFailed_ && outcome == Outcome::ok) outcome = Outcome::warnings;
  // A scan that ends inside damage shows it: the block runs to the end of
  // the data, or to an index object behind it. A stop leaves it open (the
  // grid drops its half row).
  if (inDamage && outcome != Outcome::stopped) closeLastBlock();
  finish();
  const Message message(outcome == Outcome::stopped ? MessageId::Interrupted : MessageId::SearchFinished);
  return Finish(ctx_, outcome, message, std::move(d_));
}

JobResult<DataLayout> Scanner::locate() {
  Message why = cannotStart();
  if (why.empty()) why = choosePacketSize();
  if (!why.empty()) return Finish(ctx_, Outcome::failed, std::move(why), DataLayout{});
  bounds();
  // Sound packets past the end the header declares are data too: from the
  // first packet boundary there on.
  if (end_ < logicalEnd_) dataGoesOn(start_ + (std::max(end_, start_) - start_ + P_ - 1) / P_ * P_);
  return Finish(ctx_, Outcome::ok, Message(), DataLayout{start_, end_, rule_});
}

void Scanner::finish() {
  // Every closed block becomes an entry of the error list, measured for its
  // longest repeat, so that the repairs work on what was found.
  d_.listed = ListClosedBlocks(file_, d_.blocks);
  // A block begins at the last sound packet before the damage (when there
  // is one): the rest of it is the damage, in packets rounded to the nearest.
  for (const ErrorBlock& b : d_.blocks) {
    if (!b.closed) continue;
    const std::uint64_t sound = b.packet > 0 ? P_ : 0;
    const std::uint64_t bytes = b.actualSize > sound ? b.actualSize - sound : 0;
    if (bytes) d_.packetsInErrorBlocks += std::max<std::uint64_t>(1, (bytes + P_ / 2) / P_);
  }
  if (d_.keyframePackets <= 1) {
    Message m("• ", MessageId::AmountOf, " keyframes = " + num(d_.keyframePackets));
    m.tail = MessageId::IndexImpossible;
    log(std::move(m));
    return;
  }
  ctx_.forceProgress(0, 0, phase::buildingIndex);
  d_.indexAttempted = true;
  d_.index = fs_.rec.simpleIndex;
  d_.indexBuilt = CreateSimpleIndex(d_.packets, d_.index, video_);
}

}  // namespace

JobResult<ScanData> ScanPackets(SourceFile& file, const FileStructure& fs, const ScanOptions& o, JobContext& ctx,
                                ScanEvents* events) {
  return Scanner(file, fs, o, ctx, events).run();
}

JobResult<DataLayout> LocatePackets(SourceFile& file, const FileStructure& fs, JobContext& ctx) {
  const ScanOptions o;
  return Scanner(file, fs, o, ctx, nullptr).locate();
}

}  // namespace corvel
