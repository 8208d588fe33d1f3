#include "presenter/presenter.hpp"

#include <filesystem>

#include "analysis/dump_text.hpp"
#include "asf/bytes.hpp"
#include "io/output_file.hpp"
#include "io/platform.hpp"
#include "session/output_name.hpp"
#include "analysis/simple_index.hpp"
#include "repair/save.hpp"
#include "verify/verify.hpp"

namespace corvel {

namespace {

bool stoppable(JobKind kind) {
  return kind == JobKind::scan || kind == JobKind::save || kind == JobKind::reconstruct || kind == JobKind::verify;
}

// A path made absolute when it can be (never throws), and its folder.
std::string absoluteName(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path p = std::filesystem::absolute(platform::PathOf(path), ec);
  return ec ? path : platform::NameOf(p);
}

std::string folderOf(const std::string& path) { return platform::NameOf(platform::PathOf(absoluteName(path)).parent_path()); }

// Dumps are capped: a Data Object of gigabytes is no text to hold.
constexpr std::uint64_t kMaxDump = 4 << 20;

// What the scan found, as the command line counts it.
Message scanSummary(const Session& s) {
  Message m(MessageId::SearchFinished, ": ");
  m.more.emplace_back(MessageId::PacketsFound, std::to_string(s.packets.size()));
  m.more.emplace_back(MessageId::KeyframePackets, std::to_string(s.keyframePackets));
  m.more.emplace_back(MessageId::ErrorBlocksFound, std::to_string(s.errorList.size()));
  const auto& index = s.structure.rec.simpleIndex;
  m.more.emplace_back(MessageId::IndexEntries, std::to_string(s.indexBuilt ? index.entryCount : 0));
  return m;
}

}  // namespace

double FractionDone(const Progress& p) {
  if (p.total == 0) return 0;
  const double part = std::min(1.0, static_cast<double>(p.done) / static_cast<double>(p.total));
  // A job of several inputs: the inputs done, and this one's part.
  if (p.step.count == 0 || p.step.item == 0) return part;
  const double item = static_cast<double>(std::min(p.step.item, p.step.count) - 1);
  return (item + part) / static_cast<double>(p.step.count);
}

std::optional<std::int64_t> SecondsLeft(double fraction, std::chrono::steady_clock::duration elapsed) {
  const double seconds = std::chrono::duration<double>(elapsed).count();
  if (fraction < 0.01 || seconds < 2) return std::nullopt;
  return static_cast<std::int64_t>(seconds * (1 - fraction) / fraction + 0.5);
}

namespace {

// A tab's message with the progress on a line after it.
Message withProgress(Message m, const JobProgress& p) {
  const Message said = ProgressText(p);
  m.more.emplace_back(MessageId::None, "\n" + said.before);
  m.more.insert(m.more.end(), said.more.begin(), said.more.end());
  return m;
}

}  // namespace

Message ProgressText(const JobProgress& p) {
  Message m = Message::Plain(std::to_string(static_cast<int>(p.fraction * 100)) + " %");
  if (p.secondsLeft) {
    const std::int64_t s = *p.secondsLeft;
    const std::string seconds = std::to_string(s % 60);
    m.more.emplace_back(MessageId::TimeLeft, std::to_string(s / 60) + (seconds.size() < 2 ? ":0" : ":") + seconds);
  }
  return m;
}

// Hears the session, on the presenter's thread, and one run of a job, on
// the worker's: what comes from the worker is posted to the presenter,
// tagged with the run it belongs to.
class Presenter::Events : public SessionEvents {
 public:
  explicit Events(Presenter& p) : p_(p) {}
  void log(const Message& line) override { p_.append(line); }
  void status(const Message& /*text*/) override { p_.view_.statusChanged(); }
  void errorRowsChanged() override { p_.view_.errorRowsChanged(); }

 private:
  Presenter& p_;
};

namespace {

class JobListener : public ScanEvents {
 public:
  explicit JobListener(std::function<void(std::function<void()>)> onPresenter) : post_(std::move(onPresenter)) {}
  std::function<void(const Message&)> onLog;
  std::function<void(const Progress&)> onProgress;
  std::function<void(const ErrorBlock&)> onBlock;
  void log(const Message& line) override {
    post_([f = onLog, line] { f(line); });
  }
  void progress(const Progress& p) override {
    post_([f = onProgress, p] { f(p); });
  }
  void block(const ErrorBlock& b) override {
    post_([f = onBlock, b] { f(b); });
  }

 private:
  std::function<void(std::function<void()>)> post_;
};

}  // namespace

Presenter::Presenter(Dispatcher& dispatcher, Questions& questions, PresenterView& view)
    : dispatcher_(dispatcher), questions_(questions), view_(view), events_(std::make_unique<Events>(*this)) {
  session_.events = events_.get();
}

Presenter::~Presenter() { stopAndWait(); }

void Presenter::stopAndWait() {
  worker_.requestStop();
  worker_.wait();
}

Commands Presenter::commands() const {
  const bool idle = !busy();
  // A file whose opening failed has no objects: nothing to act on.
  const bool open = !session_.fileName.empty() && !session_.structure.objects.empty();
  Commands c;
  c.scan = idle;
  c.stop = stoppable(running_);
  c.verify = idle && open;
  c.saveErrors = idle && open && listSaveable_;
  c.loadErrors = idle && (open || !input_.empty());
  c.timeline = idle && open;
  c.dump = idle && open;
  c.join = idle;
  c.stopJoin = running_ == JobKind::join;
  c.exportFile = idle;
  c.stopExport = running_ == JobKind::avi || running_ == JobKind::frames;
  c.minimalHeaderOnly = !session_.options.sourceHeaderUsable;
  return c;
}

std::string Presenter::aviName() const {
  return session_.fileName.empty() ? std::string() : OutputName(session_.fileName, OutputNaming::avi);
}

void Presenter::append(const Message& line) {
  const bool full = log_.lines().size() >= LogLines::MaxLines;
  log_.append(line);
  if (full)
    view_.logReplaced();
  else
    view_.logged(line);
}

void Presenter::clearLog() {
  log_.clear();
  view_.logReplaced();
}

void Presenter::setLanguage(Language lang) {
  session_.lang = lang;
  settings_.setLanguage(lang);
  // Everything shown is said again in the new language.
  view_.logReplaced();
  view_.statusChanged();
  view_.errorRowsChanged();
  view_.stateChanged();
}

bool Presenter::exists(const std::string& path) const {
  std::error_code ec;
  return std::filesystem::exists(platform::PathOf(path), ec);
}

// An empty name field asks for a name rather than doing nothing.
bool Presenter::askForName() {
  if (!input_.empty()) return false;
  session_.setStatus(Message(MessageId::PutFileNameHere));
  view_.stateChanged();
  return true;
}

void Presenter::takeOptions() {
  SessionOptions& o = session_.options;
  const SettingsState& st = settings_.state();
  o.walk.listUnknownObjects = st.listUnknownObjects;
  o.walk.showIndexEntries = st.showIndexEntries;
  o.highPriority = st.highPriority;
  o.writeDump = form_.writeDump;
  o.save.header = form_.header;
  o.save.writeIndex = form_.writeIndex;
  o.save.renumberMediaObjects = form_.renumberMediaObjects;
  o.save.keepIncompleteObjects = form_.keepIncompleteObjects;
  o.save.dropDamaged = form_.dropDamaged;
}

bool Presenter::open(const std::string& path) {
  if (busy()) return false;
  if (!path.empty()) input_ = path;
  if (askForName()) return false;
  takeOptions();
  clearLog();
  const bool borrow = !reference_.empty() && !HasOwnStreams(input_);
  const bool ok = borrow ? OpenWithReference(session_, input_, reference_) : OpenFile(session_, input_);
  listSaveable_ = ok;
  // The proposal follows the file named, opened or not.
  output_ = OutputName(input_, OutputNaming::nextFree);
  view_.structureChanged();
  view_.errorRowsChanged();
  view_.stateChanged();
  return ok;
}

void Presenter::choose(const std::string& path) {
  if (busy() || path.empty()) return;
  input_ = path;
  output_ = OutputName(path, OutputNaming::nextFree);
  view_.stateChanged();
}

// The job may end while the user reads the question: a "yes" then says so.
void Presenter::stopAsked() {
  const std::uint64_t job = jobs_;
  if (!questions_.ask(MessageId::StopQuestion)) return;
  if (running_ == JobKind::none || job != jobs_) {
    session_.log(Message(MessageId::JobAlreadyFinished));
    return;
  }
  worker_.requestStop();
}

void Presenter::scanOrStop() {
  // While a job of the open file runs the button stops it.
  if (stoppable(running_)) {
    stopAsked();
    return;
  }
  if (busy() || askForName()) return;
  // The file in the name field, opened anew when it is not the open one.
  if (input_ != session_.fileName && !open()) return;
  if (!session_.file.cuts.empty()) {
    // "continue" scans the repaired file (the cuts and the list are kept);
    // "new start" scans the file as it is on disk.
    if (!questions_.ask(MessageId::ContinueQuestion)) {
      session_.clearCuts();
      session_.errorList.clear();
    }
  }
  takeOptions();
  dumpPath_.clear();
  if (session_.options.writeDump) {
    dumpPath_ = absoluteName(OutputName(session_.fileName, OutputNaming::dump));
    session_.options.dumpPath = dumpPath_;
  }
  session_.setStatus(Message(MessageId::ScanInProgress));
  start(JobKind::scan, PrepareScan(session_), [this](Session& s, JobResult<ScanData> r) {
    const bool stopped = r.outcome == Outcome::stopped;
    const bool ran = ApplyScan(s, std::move(r));
    if (ran && !dumpPath_.empty() && exists(dumpPath_)) s.log(Message(MessageId::DumpWritten, dumpPath_));
    if (ran && !stopped) {
      const Message summary = scanSummary(s);
      s.log(summary);
      s.setStatus(summary);
    }
    return ran;
  });
}

void Presenter::repair(RepairMode mode, const RepairOptions& o) {
  if (busy()) return;
  start(JobKind::repair, PrepareRepair(session_, mode, o), ApplyRepair);
}

void Presenter::refuseSave(Message why) {
  session_.log(std::move(why));
  session_.setStatus(Message(MessageId::FileSaveError));
}

void Presenter::save() {
  if (busy()) return;
  if (output_.empty()) return refuseSave(Message(MessageId::NoOutputName));
  if (platform::SameFile(output_, session_.fileName)) return refuseSave(Message(MessageId::OutputIsSource, output_));
  if (exists(output_) && !questions_.ask(MessageId::OverwriteQuestion)) return;
  takeOptions();
  SaveJob job;
  if (!PrepareSave(session_, output_, job)) return;
  start(JobKind::save, std::move(job), [this, path = output_](Session& s, JobResult<SaveOutcome> r) {
    const bool ok = ApplySave(s, std::move(r));
    savedTo(path, ok);
    return ok;
  });
}

// "file saved" says where; the next proposal is the next free name beside
// it. A failed save leaves the name as typed, to be tried again.
void Presenter::savedTo(const std::string& path, bool ok) {
  if (!ok) return;
  if (session_.status.id == MessageId::FileSaved) {
    Message said = session_.status;
    said.after = ": " + absoluteName(path) + said.after;
    session_.setStatus(std::move(said));
  }
  output_ = OutputName(path, OutputNaming::nextFree);  // beside the file saved
}

void Presenter::reconstructOrStop() {
  if (running_ == JobKind::reconstruct) return stopAsked();
  if (busy() || askForName()) return;
  if (input_ != session_.fileName) {
    session_.fileName = input_;
    session_.source = SourceRef{input_, nullptr, StampOf(input_)};
  }
  takeOptions();
  clearLog();
  session_.setStatus(Message(MessageId::ReconstructingHeader));
  start(JobKind::reconstruct, PrepareReconstruct(session_), ApplyReconstruct);
}

void Presenter::verify() {
  if (!commands().verify) return;
  takeOptions();
  session_.setStatus(Message(MessageId::Verifying));
  start(JobKind::verify, PrepareVerify(session_), ApplyVerify);
}

void Presenter::saveErrors() {
  if (!commands().saveErrors) return;
  const std::string path = OutputName(session_.fileName, OutputNaming::errorList);
  if (exists(path) && !questions_.ask(MessageId::OverwriteQuestion)) return;
  std::string error;
  if (!SaveErrors(session_, path, error)) {
    session_.log(Message("• ", MessageId::FileSaveError, ": " + path + ": " + error));
    session_.setStatus(Message(MessageId::FileSaveError));
    return;
  }
  const Message saved(MessageId::ErrorListSaved, absoluteName(path));
  session_.log(saved);
  session_.setStatus(saved);
}

void Presenter::loadErrors() {
  if (busy() || askForName()) return;
  // The list is of the file named in the input field: opened first.
  if (input_ != session_.fileName && !open()) return;
  // The list's offsets are of the file on disk: the cuts go with it.
  if (LoadErrors(session_)) listSaveable_ = true;
  view_.stateChanged();
}

bool Presenter::timeline() {
  if (busy()) return false;
  if (session_.packets.empty()) {
    session_.log(Message(MessageId::ScanFirst));
    return false;
  }
  return true;
}

std::optional<DumpBytes> Presenter::dumpEntry(std::size_t entry) {
  if (busy() || entry >= session_.errorList.size()) return std::nullopt;
  const ListedBlock& b = session_.errorList[entry];
  const auto len = static_cast<std::uint64_t>(std::max<std::int64_t>(b.declaredSize, static_cast<std::int64_t>(b.actualSize)));
  DumpBytes d{{}, b.offset};
  Message why;
  if (!ReadSourceBytes(session_, b.offset, std::min(len, kMaxDump), true, d.bytes, why)) {
    session_.log(why);
    return std::nullopt;
  }
  return d;
}

std::optional<DumpBytes> Presenter::dumpNode(int node) {
  if (busy()) return std::nullopt;
  for (const ObjectEntry& e : session_.structure.objects) {
    if (e.node != node) continue;
    const auto size = static_cast<std::uint64_t>(std::max<std::int64_t>(e.size, 0));
    if (size > kDumpAskAbove && !questions_.ask(MessageId::LargeBlockQuestion)) return std::nullopt;
    DumpBytes d{{}, static_cast<std::uint64_t>(std::max<std::int64_t>(e.offset, 0))};
    Message why;
    if (!ReadSourceBytes(session_, d.offset, std::min(size, kMaxDump), false, d.bytes, why)) {
      session_.log(why);
      return std::nullopt;
    }
    return d;
  }
  return std::nullopt;
}

void Presenter::join(const std::string& output) {
  if (busy()) return;
  // Nothing to join, then where to put it, then the parts' packet sizes.
  const MessageId refusal = joinList_.refusal();
  const MessageId why = refusal == MessageId::NothingToJoin ? refusal : output.empty() ? MessageId::WhereToPut : refusal;
  if (why != MessageId::None) {
    joinMessage_ = Message(why);
    outputFolder_.clear();  // the last join's link goes with its message
    view_.stateChanged();
    return;
  }
  if (exists(output) && !questions_.ask(MessageId::OverwriteQuestion)) return;
  outputFolder_.clear();
  joinMessage_ = Message(MessageId::InProgress);
  start(JobKind::join, JoinJob{joinList_.paths(), output, settings_.joinOptions()}, [this, output](Session&, JobResult<JoinData> r) {
    joinMessage_ = r.message;
    if (r.ok()) outputFolder_ = folderOf(output);
    return r.ok();
  });
}

void Presenter::proposeJoinName(std::string& output) {
  if (joinList_.size() == 0) {
    joinMessage_ = Message(MessageId::RightClickMenu);
    view_.stateChanged();
    return;
  }
  output = OutputName(joinList_.at(0).path, OutputNaming::joined);
}

void Presenter::stopJoin() {
  if (running_ == JobKind::join) stopAsked();
}

void Presenter::exportOrStop(const ExportRequest& req) {
  if (commands().stopExport) {
    stopAsked();
    return;
  }
  if (busy()) return;
  const auto refuse = [this](MessageId why) {
    exportMessage_ = Message(why);
    outputFolder_.clear();
    view_.stateChanged();
  };
  if (!session_.structure.rec.fileProperties.present || session_.fileName.empty()) return refuse(MessageId::OpenFileFirst);
  const auto refuseOutput = [&](Message why) {
    session_.log(std::move(why));
    refuse(MessageId::CreateOutputError);
  };
  if (req.avi && req.output.empty()) return refuseOutput(Message(MessageId::NoOutputName));
  if (req.avi && platform::SameFile(req.output, session_.fileName))
    return refuseOutput(Message(MessageId::OutputIsSource, req.output));
  if (!req.avi && !IsNumber(req.frameCount)) return;
  if (req.avi && exists(req.output) && !questions_.ask(MessageId::OverwriteQuestion)) return;
  if (session_.source.changed()) {
    session_.setStatus(Message(MessageId::FileChanged));
    return refuse(MessageId::FileChanged);
  }
  outputFolder_.clear();
  exportMessage_ = Message(MessageId::FramesSaved);
  const auto apply = [this, folder = folderOf(req.avi ? req.output : session_.fileName)](Session&, JobResult<ExportData> r) {
    exportMessage_ = r.message;
    if (r.ok()) outputFolder_ = folder;
    return r.ok();
  };
  if (req.avi) {
    start(JobKind::avi, PrepareAvi(session_, req.output, req.choice), apply);
  } else {
    // The frame files go beside the open file.
    const long count = static_cast<long>(std::min<std::uint64_t>(NumberOr(req.frameCount, 0), 1u << 30));
    FramesJob job = PrepareFrames(session_, count, req.choice, folderOf(session_.fileName));
    job.beep = [this] { dispatcher_.post([this] { view_.beep(); }); };
    start(JobKind::frames, std::move(job), apply);
  }
}

void Presenter::clearTabMessages() {
  if (busy()) return;
  joinMessage_ = {};
  exportMessage_ = {};
  outputFolder_.clear();
  view_.stateChanged();
}

template <typename Job, typename Apply>
bool Presenter::start(JobKind kind, Job job, Apply apply) {
  if (busy()) return false;
  const std::uint64_t id = ++jobs_;
  running_ = kind;
  progress_ = JobProgress{id, kind, {}, 0, {}};
  started_ = std::chrono::steady_clock::now();
  // The session changes only when a result is applied: the views keep
  // showing it while a job runs; a scan's rows fill as it finds blocks.
  if (kind == JobKind::scan) {
    liveRows_.clear();
    view_.errorRowsChanged();
  }
  auto listener = std::make_shared<JobListener>([this](std::function<void()> f) { dispatcher_.post(std::move(f)); });
  listener->onLog = [this](const Message& line) { append(line); };
  listener->onBlock = [this](const ErrorBlock& b) {
    liveRows_.showBlock(b);
    view_.errorRowsChanged();
  };
  listener->onProgress = [this, id, kind](const Progress& p) {
    if (id != jobs_ || running_ == JobKind::none) return;
    // A phase of unknown length (the send times, the index) keeps the part done so far.
    const double before = progress_.fraction;
    progress_ = JobProgress{id, kind, p, p.total ? FractionDone(p) : before, {}};
    progress_.secondsLeft = SecondsLeft(progress_.fraction, std::chrono::steady_clock::now() - started_);
    // A join and an export speak on their own tabs; the repair tab's status
    // line is the open file's.
    if (kind == JobKind::join) {
      joinMessage_ = withProgress(JoinProgressMessage(p.phase, p.step), progress_);
      view_.stateChanged();
    } else if (kind == JobKind::avi || kind == JobKind::frames) {
      // The AVI counts its chunks beside the bytes read; the frames count themselves.
      exportMessage_ = withProgress(Message(MessageId::FramesSaved, std::to_string(kind == JobKind::avi ? p.step.item : p.done)),
                                    progress_);
      view_.stateChanged();
    } else if (p.phase == phase::savingHeader || p.phase == phase::savingStream || p.phase == phase::buildingIndex ||
               p.phase == phase::verifying) {
      session_.setStatus(Message(p.phase.text));
    }
    view_.progressed(progress_);
  };
  auto shared = std::make_shared<Job>(std::move(job));
  const bool started = worker_.start([this, shared, listener, kind, apply, pause = stepPause_](std::stop_token stop) {
    JobContext ctx(std::move(stop), listener.get());
    ctx.setStepPause(pause);
    auto result = std::make_shared<decltype(shared->run(ctx))>(shared->run(ctx));
    // The result is applied on the presenter's thread, where the session lives.
    dispatcher_.post([this, result, kind, apply] {
      const Outcome outcome = result->outcome;
      apply(session_, std::move(*result));
      finished(kind, outcome);
    });
  });
  if (!started) running_ = JobKind::none;
  view_.stateChanged();
  return started;
}

void Presenter::finished(JobKind kind, Outcome outcome) {
  worker_.wait();
  running_ = JobKind::none;
  // A repair's cuts move the offsets after them: the list no longer
  // speaks of the file on disk.
  if (kind == JobKind::repair && outcome != Outcome::failed) listSaveable_ = false;
  view_.structureChanged();
  view_.errorRowsChanged();
  view_.stateChanged();
  view_.jobEnded(kind, outcome);
}

}  // namespace corvel
