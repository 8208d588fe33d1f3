#include "repair/save.hpp"

#include <algorithm>

#include "asf/field_visitors.hpp"
#include "analysis/simple_index.hpp"
#include "asf/catalogue.hpp"
#include "asf/header_writers.hpp"
#include "asf/object_table.hpp"
#include "io/output_file.hpp"
#include "io/platform.hpp"

namespace corvel {

Renumbering::Renumbering(const StreamTable& streams) {
  for (const StreamEntry& e : streams) renumbered[e.number & 127] = e.kind != StreamKind::other;
}

void Renumbering::apply(const ParsedPacket& p, std::span<std::uint8_t> buf) {
  for (std::size_t k = 0; k < p.payloadCount(); ++k) {
    const Payload pl = p.payload(k);
    const std::uint8_t s = pl.streamNumber & 127;
    if (!renumbered[s]) continue;
    if (pl.mediaObjectNumber != last[s]) {
      last[s] = pl.mediaObjectNumber;
      ++counter[s];
    }
    WriteMediaObjectNumber(p, k, counter[s], buf);
    // A compressed payload's objects take the numbers after its own.
    if (pl.replicatedDataLength == 1 && pl.compressedObjects > 1) {
      counter[s] = static_cast<std::uint8_t>(counter[s] + pl.compressedObjects - 1);
      last[s] = pl.mediaObjectNumber + pl.compressedObjects - 1;
    }
  }
}

void Renumbering::apply(std::span<std::uint8_t> buf) {
  ParsedPacket p;
  if (ParsePacket(buf, p) == 0) apply(p, buf);
}

namespace {

// Durations of what is written, for a source that never had them filled in:
// play = the latest presentation time plus one frame step, send = the latest
// send time plus that packet's duration (milliseconds, into 100-ns units).
void fillDurations(const PacketTable& packets, FileProperties& props) {
  std::uint32_t top = 0, below = 0, lastSend = 0, lastDur = 0;
  for (const PacketRef p : packets) {
    for (std::size_t k = 0; k < p.payloadCount(); ++k) {
      const std::uint32_t t = p.payload(k).presentationTime;
      if (t > top) {
        below = top;
        top = t;
      } else if (t < top && t > below) {
        below = t;
      }
    }
    if (p.sendTime >= lastSend) {
      lastSend = p.sendTime;
      lastDur = p.duration;
    }
  }
  const std::uint32_t step = below ? top - below : 0;
  props.playDuration = (std::int64_t{top} + step) * 10000;
  props.sendDuration = (std::int64_t{lastSend} + lastDur) * 10000;
}

}  // namespace

void MendHeader(HeaderRecords& r, JobContext& ctx) {
  // A stream type GUID no writer has: the format data says which it was.
  for (StreamProperties& spo : r.streams) {
    const Guid type = MediaTypeOf(spo);
    if (type == spo.streamType) continue;
    spo.streamType = type;
    ctx.log(Message(MessageId::StreamTypeFromFormat, std::to_string(spo.streamNumber())));
  }
  // The Header Extension keeps its whole children only: from the first
  // whose size does not fit what is left, the rest is left out (copied, it
  // makes a header no reader walks).
  HeaderExtension& he = r.headerExtension;
  if (!he.present) return;
  std::size_t kept = 0, before = 0;
  while (kept + 24 <= he.data.size()) {
    const std::uint64_t size = QWordOr0(he.data, kept + 16);
    if (size < 24 || size > he.data.size() - kept) {
      // Where no object starts, the size before led the walk astray: that
      // child goes too.
      const Guid id = Guid::read(he.data, kept);
      if (!IsKnownObject(id) && !IsStandardObject(id)) kept = before;
      break;
    }
    before = kept;
    kept += static_cast<std::size_t>(size);
  }
  if (kept < he.data.size()) {
    ctx.log(Message(MessageId::ExtensionCut, std::to_string(he.data.size() - kept)));
    he.data.resize(kept);
  }
  he.dataSize = static_cast<std::uint32_t>(he.data.size());
}

std::vector<ObjectEntry> CopiedHeaderObjects(const FileStructure& fs) {
  static constexpr Guid kLeftOut[] = {
      guid::Padding,       guid::DigitalSignature, guid::SimpleIndex,     guid::Index,
      guid::MediaObjectIndex, guid::TimecodeIndex, guid::IndexParameters, guid::MediaObjectIndexParameters,
      guid::TimecodeIndexParameters, guid::Header, guid::Data};
  std::vector<ObjectEntry> copied;
  const std::int64_t headerEnd = fs.objects.empty() ? 0 : fs.objects[0].size;
  for (const ObjectEntry& e : fs.objects) {
    // Only whole objects within the Header Object: a broken one is no copy.
    if (e.parent != 0 || e.size < 24 || e.offset + e.size > headerEnd) continue;
    const ObjectKind* kind = FindObjectKind(e.guid);
    if (kind && kind->write) continue;  // rebuilt from the records
    if (std::find(std::begin(kLeftOut), std::end(kLeftOut), e.guid) != std::end(kLeftOut)) continue;
    copied.push_back(e);
  }
  return copied;
}

Bytes BuildHeader(HeaderRecords& r, const PacketTable& packets, HeaderMode mode,
                  std::span<const Bytes> copied) {
  // The objects first, to know the header's size and count.
  Bytes body;
  std::uint32_t objects = 0;
  for (const ObjectKind& kind : ObjectKinds()) {
    if (!kind.write || !kind.present(r)) continue;
    if (kind.fullHeaderOnly && mode == HeaderMode::minimal) continue;
    objects += kind.write(r, body);
  }
  if (mode == HeaderMode::fromSource) {
    for (const Bytes& object : copied) body.insert(body.end(), object.begin(), object.end());
    objects += static_cast<std::uint32_t>(copied.size());
  }
  r.header.objectCount = objects;
  r.header.objectSize = static_cast<std::int64_t>(body.size()) + FixedSize<HeaderObject>();
  if (r.header.objectId != guid::Header) r.header.reserved1 = 1, r.header.reserved2 = 2;  // a rebuilt header

  Bytes head;
  WriteHeaderObject(r.header, head);
  head.insert(head.end(), body.begin(), body.end());
  const std::uint64_t count = packets.size();
  const std::uint32_t P = count ? packets.packetSize() : 0;
  WriteDataObjectHeader(r.data, std::int64_t{P} * static_cast<std::int64_t>(count) + FixedSize<DataObjectHeader>(), count, head);
  return head;
}

namespace {

// Largest header object copied into the output's header.
constexpr std::int64_t kMaxCopiedObject = 256ll << 20;

// The bytes of the header objects copied as they are (they lie before any
// cut: the cuts are made in the Data Object).
std::vector<Bytes> CopiedObjectBytes(SourceFile& file, const SaveInput& in, const SaveOptions& o) {
  std::vector<Bytes> copied;
  if (o.header != HeaderMode::fromSource) return copied;
  for (const ObjectEntry& e : in.copied) {
    Bytes b;
    if (e.size > kMaxCopiedObject || !file.readLarge(static_cast<std::uint64_t>(e.offset), static_cast<std::uint64_t>(e.size), b))
      continue;
    copied.push_back(std::move(b));
  }
  return copied;
}

class Saver {
 public:
  // `again` (may be null): where the damaged media objects the check of the
  // written output finds go when the output is to be written again without
  // them; the output is then discarded.
  Saver(SourceFile& file, const SaveInput& in, const SaveOptions& o, JobContext& ctx,
        std::vector<DamagedObject>* again = nullptr)
      : file_(file), in_(in), o_(o), ctx_(ctx), streams_(StreamsOf(in.rec)), again_(again) {}
  JobResult<SaveData> run();

 private:
  JobResult<SaveData> fail(Message why) {
    ctx_.log(std::move(why));
    return finish(Outcome::failed);
  }
  JobResult<SaveData> finish(Outcome outcome) {
    Message message(outcome == Outcome::ok        ? MessageId::FileSaved
                    : outcome == Outcome::stopped ? MessageId::Interrupted
                                                  : MessageId::FileSaveError);
    SaveData data{out_ ? out_->size() : 0, written_, plan_.leftOut, plan_.rescuedPayloads,
                  scanned().size() + in_.packetsInErrorBlocks, in_.packetsInErrorBlocks, plan_.damagedLeftOut,
                  damagedKept_, plan_.beforeKeyFrame.video};
    if (outcome == Outcome::ok && data.leftOut.total()) {
      message.tail = MessageId::IncompleteLeftOut;
      message.end = std::to_string(data.leftOut.video) + ", " + std::to_string(data.leftOut.audio + data.leftOut.other);
    }
    if (outcome == Outcome::ok && data.beforeKeyFrame)
      message.more.emplace_back(MessageId::BeforeKeyFrameLeftOut, std::to_string(data.beforeKeyFrame));
    if (outcome == Outcome::ok && data.damagedLeftOut.total())
      message.more.emplace_back(MessageId::DamagedLeftOut, std::to_string(data.damagedLeftOut.video) + ", " +
                                                               std::to_string(data.damagedLeftOut.audio + data.damagedLeftOut.other));
    // Fewer packets than the source holds: how many of how many, and why
    // the others are not there (damage, or nothing whole left in them).
    if (outcome == Outcome::stopped) {
      // A stopped save keeps what it wrote: how much of it.
      message.more.emplace_back(MessageId::PacketsWritten, std::to_string(data.packets));
      message.more.emplace_back(MessageId::Of, std::to_string(plan_.packets.size()));
    } else if (outcome == Outcome::ok && data.packets < data.sourcePackets) {
      message.more.emplace_back(MessageId::PacketsWritten, std::to_string(data.packets));
      message.more.emplace_back(MessageId::Of, std::to_string(data.sourcePackets));
      if (data.packetsInErrorBlocks)
        message.more.emplace_back(MessageId::InErrorBlocksLeftOut, std::to_string(data.packetsInErrorBlocks));
      const std::uint64_t emptied = data.sourcePackets - data.packets;
      if (emptied > data.packetsInErrorBlocks)
        message.more.emplace_back(MessageId::EmptiedLeftOut, std::to_string(emptied - data.packetsInErrorBlocks));
    }
    // A failed save leaves no half-written file behind (a stopped one keeps
    // what it wrote, with a File Size that says so).
    if (outcome == Outcome::failed && out_) out_->discard();
    return Finish(ctx_, outcome, message, data);
  }
  // The packets from the `from`th on, copied file to file in runs where
  // they lie one after another and nothing is renumbered, through memory
  // otherwise.
  void writePackets(std::size_t from);
  // Starts the output with the header; returns how many of the first
  // packets the scan's copy already holds in their places after it.
  std::size_t writeHeader(const Bytes& header, bool fromCopy);
  // A packet rebuilt from some of its payloads.
  bool writeRebuilt(const PlannedPacket& q, Renumbering& ren);
  void writeIndex();
  // Decodes what was written; true when it is to be written again without
  // the damaged media objects found (then in `again_`).
  bool writeAgain();
  // Which packets are written, and their records.
  void plan();
  const PacketTable& scanned() const { return *in_.packets; }
  const PacketTable& packets() const { return plan_.changed ? records_ : scanned(); }
  // After a stop: the header and the index say what was written, so that
  // the file kept is whole. False when the header cannot be rewritten.
  bool closeAtStop(std::span<const Bytes> copied, std::size_t headerSize, bool index);

  SourceFile& file_;
  const SaveInput& in_;
  const SaveOptions& o_;
  JobContext& ctx_;
  const StreamTable streams_;  // of the source's records
  HeaderRecords r_;
  std::unique_ptr<OutputFile> out_;
  PacketPlan plan_;
  PacketTable records_;  // of what is written, when the plan changed anything
  std::uint64_t written_ = 0;
  bool stopped_ = false, readFailed_ = false;
  std::vector<DamagedObject>* again_;
  std::uint64_t damagedKept_ = 0;
};

bool Saver::writeAgain() {
  if (!o_.dropDamaged || !in_.checkWritten || !out_->flush()) return false;
  const std::vector<DamagedObject> found = in_.checkWritten(out_->writingPath(), ctx_);
  if (ctx_.stopRequested()) {
    // The output is whole, its check unfinished: kept as a stopped save's.
    stopped_ = true;
    return false;
  }
  std::vector<DamagedObject> inSource;
  for (const DamagedObject& d : found)
    if (auto s = SourceObjectOf(plan_, scanned(), d, o_.renumberMediaObjects)) inSource.push_back(std::move(*s));
  if (again_ && !inSource.empty()) {
    *again_ = std::move(inSource);
    return true;
  }
  damagedKept_ = found.size();
  return false;
}

void Saver::plan() {
  PlanStreams streams;
  for (const auto& spo : in_.rec.streams) streams.known.set(spo.flags & 127);
  for (const StreamEntry& e : streams_) {
    streams.known.set(e.number & 127);
    streams.kinds[e.number & 127] = e.kind;
  }
  plan_ = PlanPackets(file_, scanned(), streams, o_.keepIncompleteObjects, in_.damaged, o_.fromFirstKeyFrame);
  if (!plan_.changed) return;
  records_.reserve(plan_.packets.size());
  records_.setPacketSize(scanned().packetSize());
  for (const PlannedPacket& q : plan_.packets) {
    if (PacketPlan::verbatim(q))
      records_.append(scanned(), q.scanned);
    else
      records_.push_back(plan_.rebuilt[q.rebuilt]);
  }
  if (plan_.rescuedPayloads) ctx_.log(Message(MessageId::PayloadsRescued, std::to_string(plan_.rescuedPayloads)));
}

bool Saver::writeRebuilt(const PlannedPacket& q, Renumbering& ren) {
  const Bytes b = RebuiltBytes(file_, plan_, q);
  const std::span<std::uint8_t> dst = out_->reserve(b.size());
  if (b.empty() || dst.size() != b.size()) {
    readFailed_ = b.empty();
    return false;
  }
  std::copy(b.begin(), b.end(), dst.begin());
  if (o_.renumberMediaObjects) ren.apply(plan_.rebuilt[q.rebuilt], dst);
  out_->commit(b.size());
  return true;
}

std::size_t Saver::writeHeader(const Bytes& header, bool fromCopy) {
  if (!fromCopy) {
    out_->write(header);
    return 0;
  }
  // The copy holds the packets up to the first the plan writes otherwise
  // (rebuilt, left out, renumbered) or the scan did not read in turn.
  const ScanCopy& copy = *in_.scanCopy;
  std::size_t inPlace = 0;
  if (header.size() == copy.headerSize() && !o_.renumberMediaObjects) {
    const std::uint64_t P = scanned().packetSize();
    for (const PlannedPacket& q : plan_.packets) {
      if (!PacketPlan::verbatim(q) || q.size != P || q.offset != copy.from() + inPlace * P || q.offset + P > copy.to()) break;
      ++inPlace;
    }
    out_->cutTo(header.size() + inPlace * P);
    out_->writeAt(0, header);
  } else {
    out_->cutTo(0);
    out_->write(header);
  }
  return inPlace;
}

void Saver::writePackets(std::size_t from) {
  const std::span<const PlannedPacket> planned = plan_.packets;
  const std::size_t count = planned.size();
  Renumbering ren(streams_);
  bool direct = !o_.renumberMediaObjects;
  // Runs are kept short enough for the progress (a step at least every
  // hundredth of the packets) and a stop to stay prompt.
  const std::size_t kRunPackets = std::clamp<std::size_t>(count / 100, 1, 128);
  written_ = from;
  if (from > 0) ctx_.progress(from, count, phase::savingStream);
  for (std::size_t i = from; i < count && !out_->failed() && !stopped_ && !readFailed_;) {
    ctx_.step();
    std::size_t j = i + 1;
    if (!PacketPlan::verbatim(planned[i])) {
      if (!writeRebuilt(planned[i], ren)) break;
    } else {
      // A run of packets written as they are that lie one after another in
      // the logical file.
      const std::uint64_t size = planned[i].size;
      const std::uint64_t start = planned[i].offset;
      std::uint64_t len = size;
      while (direct && j < count && j - i < kRunPackets && PacketPlan::verbatim(planned[j]) && planned[j].offset == start + len) {
        len += size;
        ++j;
      }
      if (direct && !out_->appendDirect(len, [&](int fd, std::uint64_t at) { return file_.copyTo(start, len, fd, at); })) {
        direct = false;  // not here: through memory from now on
        j = i + 1;
      }
      if (!direct) {
        const ByteView v = file_.view(start, size);
        const std::span<std::uint8_t> dst = out_->reserve(size);
        if (v.size() != size || dst.size() != size) {
          readFailed_ = v.size() != size;
          break;
        }
        std::copy(v.begin(), v.end(), dst.begin());
        if (o_.renumberMediaObjects) ren.apply(dst);
        out_->commit(size);
      }
    }
    written_ = i = j;
    ctx_.progress(i, count, phase::savingStream);
    if (ctx_.stopRequested()) {
      ctx_.log(Message("• ", MessageId::Interrupted));
      stopped_ = true;
    }
  }
}

bool Saver::closeAtStop(std::span<const Bytes> copied, std::size_t headerSize, bool index) {
  if (written_ == 0 || out_->failed()) return false;
  PacketTable done;
  done.reserve(written_);
  done.setPacketSize(packets().packetSize());
  for (std::size_t i = 0; i < written_; ++i) done.append(packets(), i);
  r_.fileProperties.packetCount = static_cast<std::int64_t>(written_);
  fillDurations(done, r_.fileProperties);
  const Bytes header = BuildHeader(r_, done, o_.header, copied);
  if (header.size() != headerSize || !out_->writeAt(0, header)) return false;
  if (index && CreateSimpleIndex(done, r_.simpleIndex, FirstOfKind(streams_, StreamKind::video))) writeIndex();
  return !out_->failed();
}

void Saver::writeIndex() {
  Bytes index;
  WriteSimpleIndex(r_.simpleIndex, r_.fileProperties.fileId, index);
  out_->write(index);
}

JobResult<SaveData> Saver::run() {
  if (!in_.packets) return fail(Message("• ", MessageId::ScanFirst));
  out_ = in_.scanCopy ? in_.scanCopy->take() : nullptr;
  const bool fromCopy = out_ != nullptr;
  if (!out_) {
    Message why;
    out_ = CreateOutput(in_.output, std::span(&in_.source, 1), why, ctx_);
    if (!out_) {
      if (why.id == MessageId::CreateOutputError) why.before = "• ";
      return fail(std::move(why));
    }
    out_->preallocate(file_.logicalSize());
  }
  file_.resetCache();
  ctx_.forceProgress(0, scanned().size(), phase::savingHeader);
  plan();

  // The header is built from a copy of the records: the session keeps the
  // source's values.
  r_ = in_.rec;
  MendHeader(r_, ctx_);
  bool index = in_.indexBuilt && o_.writeIndex;
  // Packets left out or added move the index's packet numbers.
  if (index && plan_.changed) index = CreateSimpleIndex(records_, r_.simpleIndex, FirstOfKind(streams_, StreamKind::video));
  r_.fileProperties.packetCount = static_cast<std::int64_t>(packets().size());
  r_.fileProperties.fileSize = 0;
  // The packet size of what is written (a lost or zeroed File Properties
  // Object gets it from the packets the scan found).
  if (!scanned().empty()) r_.fileProperties.minimumPacketSize = r_.fileProperties.maximumPacketSize = scanned().packetSize();
  if (in_.sourceUnfinished) {
    fillDurations(packets(), r_.fileProperties);
    r_.fileProperties.flags &= ~1u;            // no longer a broadcast
    if (index) r_.fileProperties.flags |= 2u;  // seekable
  }
  if (packets().empty()) {
    // Nothing whole to write: no file at all rather than one of no packets.
    out_->discard();
    return fail(Message(MessageId::NothingToWrite));
  }
  const std::vector<Bytes> copied = CopiedObjectBytes(file_, in_, o_);
  const Bytes header = BuildHeader(r_, packets(), o_.header, copied);
  const std::size_t inPlace = writeHeader(header, fromCopy);

  ctx_.forceProgress(0, packets().size(), phase::savingStream);
  writePackets(inPlace);
  if (stopped_ && written_ < packets().size() && !closeAtStop(copied, header.size(), index)) {
    // Stopped before any packet (or with a header that cannot say so):
    // nothing is kept.
    out_->discard();
    written_ = 0;
    return finish(Outcome::stopped);
  }
  if ((!stopped_ || written_ == packets().size()) && !readFailed_ && index) writeIndex();
  // The real length goes into the File Size field, also after a stop.
  Bytes size(8);
  PutQWord(out_->size(), size, 0);
  // The File Properties Object comes first: its head and File ID, then the field.
  out_->writeAt(static_cast<std::uint64_t>(FixedSize<HeaderObject>()) + 24 + 16, size);
  if (!stopped_ && !readFailed_ && !out_->failed() && writeAgain()) {
    out_->discard();
    return {};
  }
  const bool closed = out_->close();
  if (readFailed_) ctx_.log(Message("• ", MessageId::SourceReadError));
  if (!closed) ctx_.log(Message("• ", MessageId::FileSaveError, ": " + in_.output + ": " + out_->error()));
  if (stopped_) return finish(Outcome::stopped);
  return finish(closed && !readFailed_ ? Outcome::ok : Outcome::failed);
}

}  // namespace

std::unique_ptr<ScanCopy> ScanCopy::start(SourceFile& file, const SaveInput& in, const SaveOptions& o,
                                          std::uint64_t firstPacket, JobContext& ctx) {
  // A device or a pipe is written in place: no going back to the header.
  if (platform::KindOf(in.output) == platform::PathKind::other) return nullptr;
  Message why;
  std::unique_ptr<OutputFile> out = CreateOutput(in.output, std::span(&in.source, 1), why, ctx);
  if (!out) return nullptr;
  // The header's size as the save will build it: its objects' sizes do not
  // depend on the packets (what the mending logs, the save logs).
  HeaderRecords r = in.rec;
  JobContext quiet;
  MendHeader(r, quiet);
  const std::vector<Bytes> copied = CopiedObjectBytes(file, in, o);
  auto copy = std::make_unique<ScanCopy>();
  copy->headerSize_ = BuildHeader(r, PacketTable{}, o.header, copied).size();
  out->preallocate(file.logicalSize() + copy->headerSize_);
  if (!out->write(Bytes(copy->headerSize_, 0))) return nullptr;
  copy->from_ = copy->to_ = firstPacket;
  copy->out_ = std::move(out);
  return copy;
}

void ScanCopy::read(std::uint64_t offset, ByteView bytes) {
  // Only bytes that go on from what the copy holds: a read elsewhere (the
  // end of the data, a look back) changes nothing.
  if (!out_ || offset > to_ || offset + bytes.size() <= to_) return;
  if (out_->write(bytes.subspan(static_cast<std::size_t>(to_ - offset)))) to_ = offset + bytes.size();
}

std::unique_ptr<OutputFile> ScanCopy::take() { return std::move(out_); }

JobResult<SaveData> SaveFile(SourceFile& file, const SaveInput& in, const SaveOptions& o, JobContext& ctx) {
  // The output is written at most this many times when the check of what
  // was written finds damaged media objects to leave out.
  constexpr int kWrites = 3;
  SaveInput round = in;
  for (int write = 1;; ++write) {
    std::vector<DamagedObject> again;
    JobResult<SaveData> r = Saver(file, round, o, ctx, write < kWrites ? &again : nullptr).run();
    if (again.empty()) return r;
    ctx.log(Message(MessageId::WrittenAgain, std::to_string(again.size())));
    round.damaged.insert(round.damaged.end(), again.begin(), again.end());
  }
}

}  // namespace corvel
