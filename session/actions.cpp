#include "session/actions.hpp"

#include "asf/field_visitors.hpp"
#include "asf/catalogue.hpp"
#include "io/output_file.hpp"
#include "repair/error_list.hpp"
#include "session/output_name.hpp"

namespace corvel {

void Session::log(Message line) {
  if (events) events->log(line);
  logLines.append(std::move(line));
}

void Session::keepLog(std::vector<Message> lines) {
  for (Message& m : lines) logLines.append(std::move(m));
}

void Session::setStatus(Message text) {
  status = std::move(text);
  if (events) events->status(status);
}

void Session::showErrorRows() {
  PacketPlaces places;
  places.first = static_cast<std::uint64_t>(std::max<std::int64_t>(structure.dataObjectOffset, 0) + FixedSize<DataObjectHeader>());
  places.size = packets.empty() ? structure.rec.fileProperties.maximumPacketSize : packets.packetSize();
  errorRows.showList(errorList, places);
  for (const CheckedCut& c : checkedCuts) {
    const std::uint64_t at = c.offset - file.cuts.bytesBelow(c.offset);
    for (const DamagedFrame& f : c.damaged) errorRows.showLeftByCut(places.packetAt(at), at, f);
  }
  if (events) events->errorRowsChanged();
}

void Session::clearCuts() {
  file.cuts.clear();
  checkedCuts.clear();
}

std::vector<DamagedFrame> Session::damagedByCuts() const {
  std::vector<DamagedFrame> frames;
  for (const CheckedCut& c : checkedCuts) frames.insert(frames.end(), c.damaged.begin(), c.damaged.end());
  return frames;
}

namespace {

// How the session's file is verified: not at all where the header declares
// the content encrypted.
VerifyOptions VerifyOptionsOf(const Session& s) {
  VerifyOptions o;
  o.threads = s.options.verifyThreads;
  for (const ObjectEntry& e : s.structure.objects)
    o.encrypted = o.encrypted || e.guid == guid::ContentEncryption || e.guid == guid::ExtendedContentEncryption;
  return o;
}

// What the session knows of the file (its packets, cuts, records) holds
// only for the file it opened: a job on it is refused, with the reason,
// when the file changed on disk since.
template <typename Data>
bool refuseChanged(const SourceRef& ref, JobContext& ctx, JobResult<Data>& r) {
  if (!ref.changed()) return false;
  r.outcome = Outcome::failed;
  r.message = Message(MessageId::FileChanged);
  ctx.log(Message("• ", MessageId::FileChanged, ": " + ref.path));
  r.log = ctx.takeLog();
  return true;
}

// A job's own reader of the session's source; the failure, when it cannot
// be opened, as the job's result.
template <typename Data>
bool openSource(const SourceRef& ref, const CutList& cuts, SourceFile& file, JobContext& ctx, JobResult<Data>& failed) {
  if (refuseChanged(ref, ctx, failed)) return false;
  if (file.open(ref, cuts)) return true;
  ctx.log(Message("• ", MessageId::SourceOpenError, ": " + ref.path + ": " + file.lastError));
  failed.message = Message(MessageId::FileOpenError);
  failed.log = ctx.takeLog();
  return false;
}

// Where the session's bytes come from: its bytes in memory, or the file it names.
SourceRef sourceOf(const Session& s) { return s.source.memory || s.source.path == s.fileName ? s.source : SourceRef{s.fileName, nullptr}; }

template <typename Job>
auto runHere(const Job& job, std::stop_token stop, JobEvents* events) {
  JobContext ctx(std::move(stop), events);
  return job.run(ctx);
}

// Nothing of the file open before stays: not its packets, rows or log.
void forgetFile(Session& s) {
  s.file.resetCache();
  s.clearCuts();
  s.scannedCuts.clear();
  s.errBlocks.clear();
  s.errorList.clear();
  s.lastScanFirstBlock = 0;
  s.packets.clear();
  s.options.sourceHeaderUsable = true;
  s.options.save.header = HeaderMode::fromSource;  // a reconstruction's minimal header ends with it
  s.indexBuilt = false;
  s.headerBorrowed = false;
  s.verify = VerifyData{};
  s.verified = false;
  s.errorRows.clear();
  s.logLines.clear();
  s.structure = FileStructure{};
}

// The walk says when it reaches the index (it may lie gigabytes on): the
// status says so.
class IndexStatus : public JobEvents {
 public:
  explicit IndexStatus(Session& s) : s_(s) {}
  void progress(const Progress& p) override {
    if (p.phase == phase::readingIndex) s_.setStatus(Message(p.phase.text));
  }

 private:
  Session& s_;
};

bool openSession(Session& s) {
  forgetFile(s);
  s.setStatus(Message(MessageId::ReadingHeader));
  IndexStatus indexStatus(s);
  JobContext ctx(std::stop_token(), &indexStatus);
  const bool walked = WalkObjects(s.file, s.options.walk, s.structure, ctx);
  // A bad stretch under the header is read around (as zeros), and named.
  Message unused;
  if (const auto bad = s.file.unreadable(); !bad.empty()) LogUnreadable(ctx, bad, unused);
  for (Message& m : ctx.takeLog()) s.log(std::move(m));
  s.setStatus(walked ? Message(MessageId::FileOpened) : Message());
  s.file.close();
  return walked;
}

}  // namespace

bool OpenFile(Session& s, const std::string& path, ReadCalls* reads) {
  s.file.close();
  s.fileName = path;
  s.source = SourceRef{path, nullptr, StampOf(path), reads};
  forgetFile(s);
  if (!s.file.open(s.source, CutList())) {
    // What the system said: "is a directory", "no such file".
    s.log(Message("• ", MessageId::FileOpenError, ": " + path + ": " + s.file.lastError));
    s.setStatus(Message(MessageId::FileOpenError, ": " + s.file.lastError));
    return false;
  }
  if (s.file.physicalSize() == 0) {
    s.file.close();
    s.log(Message("• ", MessageId::FileEmpty, ": " + path));
    s.setStatus(Message(MessageId::FileEmpty));
    return false;
  }
  return openSession(s);
}

namespace {

// The reference's decoders on the first few megabytes of the data: a
// stream none of whose frames decodes is of another codec (the reason).
std::optional<Message> codecMismatch(const ByteSource& damaged, const ReferenceHeader& h, const StreamTable& streams) {
  constexpr std::uint64_t kSample = 4ull << 20;
  if (!DecodingBuilt()) return std::nullopt;
  Bytes sample = h.head;
  const std::uint64_t rest = damaged.size() > h.firstPacket ? damaged.size() - h.firstPacket : 0;
  const Bytes packets = ReadPadded(damaged, h.firstPacket, std::min(rest, kSample) / h.packetSize * h.packetSize);
  sample.insert(sample.end(), packets.begin(), packets.end());
  const MemorySource source(std::move(sample));
  JobContext quiet;
  VerifyOptions o;
  o.threads = 1;
  const JobResult<VerifyData> v = VerifyObjects(source, streams, o, quiet);
  for (const StreamVerify& st : v.data.streams) {
    if (!st.verified() || st.objects < 2 || st.damaged < st.objects) continue;
    Message m(MessageId::ReferenceStreams, std::to_string(st.number));
    m.tail = MessageId::ReferenceCodecDecodesNone;
    m.end = st.codec;
    return m;
  }
  return std::nullopt;
}

}  // namespace

bool HasOwnStreams(const std::string& path) {
  Session probe;
  return OpenFile(probe, path) && !probe.structure.rec.streams.empty();
}

bool OpenWithReference(Session& s, const std::string& path, const std::string& reference, ReadCalls* reads) {
  Session ref;
  if (!OpenFile(ref, reference)) {
    s.log(Message("• ", MessageId::ReferenceUnusable, ": " + reference + ": " + ref.statusText()));
    s.setStatus(Message(MessageId::ReferenceUnusable));
    return false;
  }
  s.file.close();
  forgetFile(s);
  std::string error;
  const SourceRef plain{path, nullptr, StampOf(path), reads};
  const std::unique_ptr<ByteSource> damaged = plain.open(error);
  const std::unique_ptr<ByteSource> good = ref.source.open(error);
  if (!damaged || !good) {
    s.log(Message("• ", MessageId::FileOpenError, ": " + (damaged ? reference : path) + ": " + error));
    s.setStatus(Message(MessageId::FileOpenError, ": " + error));
    return false;
  }
  // A header that is there (its File Properties and Data Object found)
  // keeps its own objects and takes only the streams.
  Session own;
  const bool headerThere =
      OpenFile(own, path, reads) && own.structure.rec.fileProperties.present && own.structure.hasDataObject();
  JobContext ctx;
  JobResult<ReferenceHeader> r = headerThere ? BorrowStreams(*damaged, own.structure, *good, ref.structure, ctx)
                                             : BorrowHeader(*damaged, *good, ref.structure, ctx);
  for (Message& m : r.log) s.log(std::move(m));
  if (r.ok()) {
    if (auto why = codecMismatch(*damaged, r.data, StreamsOf(ref.structure.rec))) {
      r.outcome = Outcome::failed;
      r.message = std::move(*why);
    }
  }
  if (!r.ok()) {
    s.log(r.message);
    s.setStatus(r.message);
    return false;
  }
  s.fileName = path;
  s.source = plain;
  s.source.head = std::make_shared<const Bytes>(std::move(r.data.head));
  s.source.from = r.data.firstPacket;
  if (!s.file.open(s.source, CutList())) return false;
  const bool opened = openSession(s);
  s.headerBorrowed = opened;
  s.log(r.message);
  std::string names;
  for (const std::string& n : r.data.objects) names += (names.empty() ? "" : ", ") + n;
  s.log(Message(MessageId::ReferenceObjects, names));
  return opened;
}

bool OpenBytes(Session& s, const std::string& name, Bytes bytes) {
  s.file.close();
  s.fileName = name;
  s.source = SourceRef{name, std::make_shared<const Bytes>(std::move(bytes))};
  s.file.open(s.source, CutList());
  return openSession(s);
}

// The scan.

JobResult<ScanData> ScanJob::run(JobContext& ctx, ReadTap* tap) const {
  SourceFile file;
  JobResult<ScanData> r;
  if (!openSource(source, cuts, file, ctx, r)) return r;
  file.setReadTap(tap);
  r = ScanPackets(file, structure, options, ctx, dynamic_cast<ScanEvents*>(ctx.events()));
  NameUnreadable(ctx, file.unreadable(), r);
  return r;
}

ScanJob PrepareScan(const Session& s) {
  ScanJob job{sourceOf(s), s.file.cuts, s.structure, {}};
  job.options.highPriority = s.options.highPriority;
  job.options.dumpLanguage = s.lang;
  if (s.options.writeDump)
    job.options.dumpPath = s.options.dumpPath.empty() ? OutputName(s.fileName, OutputNaming::dump) : s.options.dumpPath;
  job.options.sourcePath = s.source.path;
  return job;
}

bool ApplyScan(Session& s, JobResult<ScanData> r) {
  s.keepLog(std::move(r.log));
  if (r.outcome == Outcome::failed && (r.message.id == MessageId::FileOpenError || r.message.id == MessageId::FileChanged)) {
    s.setStatus(r.message);
    return false;
  }
  if (r.outcome != Outcome::failed) {
    ScanData& d = r.data;
    s.packets = std::move(d.packets);
    s.lastScanFirstBlock = s.errBlocks.size();
    s.errBlocks.insert(s.errBlocks.end(), d.blocks.begin(), d.blocks.end());
    s.errorList = std::move(d.listed);
    s.scannedCuts = std::move(d.cuts);
    s.sourceUnfinished = d.sourceUnfinished;
    s.keyframePackets = d.keyframePackets;
    s.packetsInErrorBlocks = d.packetsInErrorBlocks;
    HeaderRecords& rec = s.structure.rec;
    if (d.indexAttempted) {
      rec.fileProperties.packetCount = static_cast<std::int64_t>(s.packets.size());
      rec.simpleIndex = std::move(d.index);
      s.indexBuilt = d.indexBuilt;
    } else {
      rec.simpleIndex.present = false;
      s.indexBuilt = false;
    }
    s.showErrorRows();
  }
  if (r.outcome == Outcome::stopped) {
    s.setStatus(Message(MessageId::Interrupted));
  } else {
    s.setStatus(Message(MessageId::SearchFinished));
  }
  return r.outcome != Outcome::failed;
}

bool Scan(Session& s, std::stop_token stop, JobEvents* events) {
  s.setStatus(Message(MessageId::ScanInProgress));
  return ApplyScan(s, runHere(PrepareScan(s), std::move(stop), events));
}

// The repairs.

JobResult<RepairData> RepairJob::run(JobContext& ctx) const {
  SourceFile file;
  JobResult<RepairData> r;
  if (!openSource(source, cuts, file, ctx, r)) return r;
  const std::unique_ptr<DecodeJudge> judge = MakeDecodeJudge(streams);
  std::bitset<128> declared;
  for (const StreamEntry& e : streams) declared.set(e.number & 127);
  return RepairBlocks(file, list, mode, options, ctx, judge.get(), declared);
}

RepairJob PrepareRepair(const Session& s, RepairMode mode, const RepairOptions& o) {
  return RepairJob{sourceOf(s), s.file.cuts, s.errorList, mode, o, StreamsOf(s.structure.rec)};
}

bool ApplyRepair(Session& s, JobResult<RepairData> r) {
  s.keepLog(std::move(r.log));
  if (!r.ok()) {
    s.setStatus(r.message);
    return false;
  }
  s.file.cuts = std::move(r.data.cuts);
  s.file.resetCache();
  s.errorList = std::move(r.data.list);
  s.checkedCuts.insert(s.checkedCuts.end(), r.data.checked.begin(), r.data.checked.end());
  s.showErrorRows();
  return true;
}

bool Repair(Session& s, RepairMode mode, const RepairOptions& o, std::stop_token stop, JobEvents* events) {
  return ApplyRepair(s, runHere(PrepareRepair(s, mode, o), std::move(stop), events));
}

// The save.

namespace {

// A save that keeps damaged frames is no plain success: those a repair's cut
// left damaged, or, when damaged frames were left out, those the check of
// what was written still finds.
void nameDamagedKept(const std::vector<DamagedFrame>& byCuts, bool dropped, JobResult<SaveData>& saved) {
  const std::uint64_t kept = dropped ? saved.data.damagedKept : byCuts.size();
  saved.data.damagedKept = kept;
  if (kept == 0) return;
  saved.outcome = Outcome::warnings;
  saved.message.more.emplace_back(MessageId::DamagedFramesRemain, std::to_string(kept));
}

}  // namespace

std::vector<DamagedObject> SaveJob::damagedWritten(const std::string& path, JobContext& ctx) const {
  std::string error;
  SourceRef ref;
  ref.path = path;
  ref.reads = ctx.readCalls();
  const std::unique_ptr<ByteSource> written = ref.open(error);
  if (!written) {
    ctx.log(Message("• ", MessageId::SourceOpenError, ": " + path + ": " + error));
    return {};
  }
  // Its own log: the verify's lines would repeat the first verify's.
  JobContext check(ctx.stopToken(), ctx.events());
  JobResult<VerifyData> v = VerifyObjects(*written, StreamsOf(input.rec), verify, check);
  ctx.log(Message(MessageId::WrittenChecked, std::to_string(v.data.damaged.size())));
  return std::move(v.data.damaged);
}

void SaveJob::sayWhatDecodes(const SaveInput& in, JobResult<SaveData>& saved) const {
  SourceRef written;
  written.path = in.output;
  std::string error;
  const std::unique_ptr<ByteSource> f = written.open(error);
  if (!f || !DecodingBuilt()) return;
  JobContext quiet;
  const JobResult<VerifyData> v = VerifyObjects(*f, StreamsOf(in.rec), verify, quiet);
  saved.data.writtenDecoded = true;
  saved.data.framesDecoding = v.data.verified - std::min<std::uint64_t>(v.data.verified, v.data.damaged.size());
  saved.message.more.emplace_back(MessageId::OutputDecoded, std::to_string(saved.data.framesDecoding));
}

JobResult<SaveOutcome> SaveJob::run(JobContext& ctx) const {
  SourceFile file;
  JobResult<SaveOutcome> r;
  if (!openSource(source, cuts, file, ctx, r)) {
    if (r.message.id != MessageId::FileChanged) r.message = Message(MessageId::FileSaveError);
    return r;
  }
  SaveInput in = input;
  std::unique_ptr<ScanCopy> copy;
  if (rescan) {
    // What the scan reads goes into the output as it goes.
    const FileStructure& fs = rescan->structure;
    // (Renumbered packets are written through memory: no copy.)
    if (fs.hasDataObject() && !options.renumberMediaObjects)
      copy = ScanCopy::start(file, in, options, static_cast<std::uint64_t>(fs.dataObjectOffset + FixedSize<DataObjectHeader>()), ctx);
    JobResult<ScanData> scanned = rescan->run(ctx, copy.get());
    const bool usable = scanned.outcome == Outcome::ok && !scanned.data.packets.empty();
    r.data.rescan = std::move(scanned);
    if (!usable) {
      r.message = Message(MessageId::FileSaveError);
      r.log = ctx.takeLog();
      return r;
    }
    const ScanData& d = r.data.rescan->data;
    in.packets = &d.packets;
    in.sourceUnfinished = d.sourceUnfinished;
    in.indexBuilt = d.indexBuilt;
    in.packetsInErrorBlocks = d.packetsInErrorBlocks;
    if (d.indexBuilt) in.rec.simpleIndex = d.index;
    in.scanCopy = copy.get();
  }
  if (options.dropDamaged) {
    // The frames to leave out are found in the file the save reads: the
    // logical one, through the cuts.
    JobResult<VerifyData> v = VerifyJob{source, cuts, StreamsOf(in.rec), verify}.run(ctx);
    // Nothing decodable (an unknown codec, encrypted content): nothing
    // found damaged, nothing to leave out.
    const bool nothingDecodable = v.outcome == Outcome::failed && v.message.id == MessageId::NothingVerified;
    const bool usable = v.outcome == Outcome::ok || v.outcome == Outcome::warnings || nothingDecodable;
    if (usable) ctx.log(v.message);
    in.damaged = v.data.damaged;
    const Message why = v.message;
    r.data.verify = std::move(v);
    if (!usable) {
      r.outcome = r.data.verify->outcome == Outcome::stopped ? Outcome::stopped : Outcome::failed;
      r.message = why;
      r.log = ctx.takeLog();
      return r;
    }
  }
  if (options.dropDamaged) in.checkWritten = [&](const std::string& path, JobContext& c) { return damagedWritten(path, c); };
  JobResult<SaveData> saved = SaveFile(file, in, options, ctx);
  if (saved.ok()) NameUnreadable(ctx, file.unreadable(), saved);
  if (saved.ok()) nameDamagedKept(damagedByCuts, options.dropDamaged, saved);
  if (saved.ok() && decodeWritten) sayWhatDecodes(in, saved);
  r.outcome = saved.outcome;
  r.message = std::move(saved.message);
  r.log = std::move(saved.log);
  r.data.save = saved.data;
  return r;
}

namespace {

void prepareSave(Session& s, const std::string& output, SaveJob& job) {
  job.source = sourceOf(s);
  job.cuts = s.file.cuts;
  job.input.rec = s.structure.rec;
  job.input.packets = &s.packets;
  job.input.indexBuilt = s.indexBuilt;
  job.input.sourceUnfinished = s.sourceUnfinished;
  job.input.packetsInErrorBlocks = s.packetsInErrorBlocks;
  job.input.output = output;
  job.input.source = s.fileName;
  job.input.copied = CopiedHeaderObjects(s.structure);
  job.options = s.options.save;
  job.verify = VerifyOptionsOf(s);
  job.damagedByCuts = s.damagedByCuts();
  if (!s.options.sourceHeaderUsable) job.options.header = HeaderMode::minimal;
  // Data found without its own header may begin after a key frame was
  // lost, and what decodes of it is worth saying.
  job.options.fromFirstKeyFrame = s.headerBorrowed;
  job.decodeWritten = s.headerBorrowed;
  s.setStatus(Message(MessageId::Saving));
}

}  // namespace

bool PrepareSave(Session& s, const std::string& output, SaveJob& job) {
  if (s.packets.empty()) {
    s.log(Message(MessageId::ScanFirst));
    return false;
  }
  prepareSave(s, output, job);
  // Packets found before the last repair lie elsewhere in the logical file now.
  if (s.file.cuts != s.scannedCuts) job.rescan = PrepareScan(s);
  return true;
}

void PrepareScanAndSave(Session& s, const std::string& output, SaveJob& job) {
  prepareSave(s, output, job);
  job.rescan = PrepareScan(s);
}

bool ApplySave(Session& s, JobResult<SaveOutcome> r) {
  if (r.data.rescan) ApplyScan(s, std::move(*r.data.rescan));
  if (r.data.verify) ApplyVerify(s, std::move(*r.data.verify));
  s.lastSave = r.data.save;
  s.keepLog(std::move(r.log));
  s.setStatus(r.message);
  return r.ok();
}

bool Save(Session& s, const std::string& output, std::stop_token stop, JobEvents* events) {
  SaveJob job;
  if (!PrepareSave(s, output, job)) return false;
  return ApplySave(s, runHere(job, std::move(stop), events));
}

bool ScanAndSave(Session& s, const std::string& output, std::stop_token stop, JobEvents* events) {
  SaveJob job;
  PrepareScanAndSave(s, output, job);
  return ApplySave(s, runHere(job, std::move(stop), events));
}

// Header reconstruction.

JobResult<FileStructure> ReconstructJob::run(JobContext& ctx) const {
  SourceFile file;
  JobResult<FileStructure> r;
  if (!openSource(source, CutList(), file, ctx, r)) return r;
  return ReconstructStructure(file, walk, ctx);
}

ReconstructJob PrepareReconstruct(const Session& s) { return ReconstructJob{sourceOf(s), s.options.walk}; }

JobResult<VerifyData> VerifyJob::run(JobContext& ctx) const {
  JobResult<VerifyData> r;
  if (refuseChanged(source, ctx, r)) return r;
  std::string error;
  const auto logical = OpenLogical(source, cuts, error);
  if (!logical) {
    ctx.log(Message("• ", MessageId::SourceOpenError, ": " + source.path + ": " + error));
    return Finish(ctx, Outcome::failed, Message(MessageId::FileOpenError), VerifyData{});
  }
  r = VerifyObjects(*logical, streams, options, ctx);
  NameUnreadable(ctx, logical->unreadable(), r);
  return r;
}

VerifyJob PrepareVerify(const Session& s) {
  return VerifyJob{sourceOf(s), s.file.cuts, StreamsOf(s.structure.rec), VerifyOptionsOf(s)};
}

bool ApplyVerify(Session& s, JobResult<VerifyData> r) {
  const bool ran = r.outcome != Outcome::failed;
  // Nothing decodable: the counts still say what was there.
  if (ran || r.message.id == MessageId::NothingVerified) {
    s.verify = std::move(r.data);
    s.verified = true;
    s.errorRows.showDamaged(s.verify.damaged);
    if (s.events) s.events->errorRowsChanged();
  }
  s.keepLog(std::move(r.log));
  s.setStatus(r.message);
  return ran;
}

bool Verify(Session& s, std::stop_token stop, JobEvents* events) {
  return ApplyVerify(s, runHere(PrepareVerify(s), std::move(stop), events));
}

JobResult<JoinData> JoinJob::run(JobContext& ctx) const { return JoinFiles(inputs, output, options, ctx); }

JobResult<ExportData> AviJob::run(JobContext& ctx) const {
  JobResult<ExportData> r;
  if (refuseChanged(source, ctx, r)) return r;
  return ExportAvi(source, cuts, rec, output, choice, ctx);
}

AviJob PrepareAvi(const Session& s, const std::string& output, StreamChoice choice) {
  return AviJob{sourceOf(s), s.file.cuts, s.structure.rec, output, choice};
}

JobResult<ExportData> FramesJob::run(JobContext& ctx) const {
  JobResult<ExportData> r;
  if (refuseChanged(source, ctx, r)) return r;
  return ExportFrames(source, cuts, count, choice, dir, ctx, beep);
}

FramesJob PrepareFrames(const Session& s, long count, StreamChoice choice, const std::string& dir) {
  return FramesJob{sourceOf(s), s.file.cuts, count, choice, dir, {}};
}

bool ApplyReconstruct(Session& s, JobResult<FileStructure> r) {
  if (r.outcome == Outcome::failed) {
    s.setStatus(r.message);
    s.keepLog(std::move(r.log));
    return false;
  }
  s.file.resetCache();
  s.clearCuts();
  s.errorList.clear();
  s.errorRows.clear();
  s.logLines.clear();
  s.keepLog(std::move(r.log));
  s.structure = std::move(r.data);
  // A stopped search leaves the header choice as it was.
  if (r.outcome != Outcome::stopped) {
    s.options.sourceHeaderUsable = false;
    s.options.save.header = HeaderMode::minimal;
  }
  // Stopped, it shows the objects found up to the stop, and says so.
  s.setStatus(r.message);
  return true;
}

bool Reconstruct(Session& s, std::stop_token stop, JobEvents* events) {
  return ApplyReconstruct(s, runHere(PrepareReconstruct(s), std::move(stop), events));
}

// The error list file.

namespace {

// Where a listed block disagrees with the file: a block past its end, or a
// repeat it names that is not there. Empty when every block fits.
Message listMismatch(const Session& s, const std::vector<ListedBlock>& list) {
  SourceFile f;
  if (!f.open(sourceOf(s), CutList())) return Message("• ", MessageId::SourceOpenError, ": " + s.fileName + ": " + f.lastError);
  const std::uint64_t size = f.logicalSize();
  const auto dataStart = static_cast<std::uint64_t>(std::max<std::int64_t>(s.structure.dataObjectOffset, 0));
  constexpr std::uint32_t kChecked = 64 << 10;  // of each repeat, its first bytes
  Bytes b;
  for (const ListedBlock& block : list) {
    const bool inside = block.offset >= dataStart && block.offset <= size && block.actualSize <= size - block.offset;
    bool repeatThere = true;
    if (inside && block.repLen > 0) {
      const std::uint64_t at = block.offset + block.repOffset;
      const std::uint32_t n = std::min(block.repLen, kChecked);
      repeatThere = at + n <= size && f.readAt(at, n, b) &&
                    std::all_of(b.begin(), b.end(), [&](std::uint8_t v) { return v == block.repByte; });
    }
    if (!inside || !repeatThere) return Message(MessageId::ListNotThisFile, std::to_string(block.offset));
  }
  return {};
}

}  // namespace

bool LoadErrors(Session& s, const std::string& path, Message* why) {
  std::vector<ListedBlock> list;
  if (!LoadErrorList(list, path.empty() ? OutputName(s.fileName, OutputNaming::errorList) : path)) {
    if (why) *why = Message(MessageId::NotAnErrorList);
    return false;
  }
  if (Message mismatch = listMismatch(s, list); !mismatch.empty()) {
    s.log(mismatch);
    if (why) *why = std::move(mismatch);
    return false;
  }
  s.errorList = std::move(list);
  s.file.resetCache();
  s.clearCuts();
  s.showErrorRows();
  return true;
}

bool ReadSourceBytes(const Session& s, std::uint64_t offset, std::uint64_t len, bool throughCuts, Bytes& out, Message& why) {
  const SourceRef ref = sourceOf(s);
  if (ref.changed()) {
    why = Message("• ", MessageId::FileChanged, ": " + ref.path);
    return false;
  }
  SourceFile f;
  if (!f.open(ref, throughCuts ? s.file.cuts : CutList())) {
    why = Message("• ", MessageId::SourceOpenError, ": " + ref.path + ": " + f.lastError);
    return false;
  }
  // In cache-sized pieces: a block of any size reads whole.
  if (f.readLarge(offset, len, out)) return true;
  why = Message("• ", MessageId::SourceReadError, ": " + ref.path + (f.lastError.empty() ? "" : ": " + f.lastError));
  return false;
}

bool SaveErrors(const Session& s, const std::string& path, std::string& error, WriteCalls* calls) {
  return SaveErrorList(s.errorList, path.empty() ? OutputName(s.fileName, OutputNaming::errorList) : path, error, calls);
}

}  // namespace corvel
