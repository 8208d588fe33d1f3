#include "cli/output.hpp"

#include <csignal>
#include <cstdio>
#include <filesystem>

#include "asf/catalogue.hpp"
#include "io/platform.hpp"
#include "session/worker.hpp"

namespace corvel::cli {

namespace {
// Set by the Ctrl-C handler; read while a job runs. The handler is the
// process's, so is what it sets.
std::atomic<bool> interruptedFlag{false};
extern "C" void onInterrupt(int) { interruptedFlag = true; }
std::mutex signalsMutex;
int signalScopes = 0;
}  // namespace

// Ctrl-C, a polite kill and a closed terminal all stop the running job the
// same way: its output is finished or removed, never left half-written.
constexpr int kStopSignals[] = {
    SIGINT, SIGTERM,
#ifdef SIGHUP
    SIGHUP,
#endif
};

StopSignals::StopSignals() {
  const std::lock_guard lock(signalsMutex);
  if (signalScopes++ > 0) return;
  interruptedFlag = false;
  for (const int sig : kStopSignals) std::signal(sig, onInterrupt);
}

StopSignals::~StopSignals() {
  const std::lock_guard lock(signalsMutex);
  if (--signalScopes > 0) return;
  for (const int sig : kStopSignals) std::signal(sig, SIG_DFL);
}

const std::atomic<bool>& StopSignals::interrupted() { return interruptedFlag; }

CliListener::CliListener(Language lang, bool echo, bool progress)
    : lang_(lang), echo_(echo), tty_(progress && platform::StderrIsTerminal()) {}

CliListener::~CliListener() { clearProgress(); }

void CliListener::clearProgress() {
  if (!progressShown_) return;
  std::fputs("\r\033[K", stderr);
  progressShown_ = false;
}

void CliListener::log(const Message& line) {
  const std::string text = Render(line, lang_);
  std::lock_guard lock(mutex_);
  lines_.push_back(text);
  if (!echo_) return;
  clearProgress();
  std::cout << text << '\n' << std::flush;
}

void CliListener::progress(const Progress& p) {
  if (!tty_) return;
  std::string text = TextOf(p.phase.text, lang_);
  if (p.step.count) text += "  [ " + std::to_string(p.step.item) + " >> " + std::to_string(p.step.count) + " ]";
  std::lock_guard lock(mutex_);
  std::fprintf(stderr, "\r%3d%%  %s\033[K", p.percent(), text.c_str());
  progressShown_ = true;
}

std::vector<std::string> CliListener::lines() const {
  std::lock_guard lock(mutex_);
  return lines_;
}

namespace {

// Runs a prepared job on a worker, keeps its closing word and applies it.
template <typename Job, typename Apply>
bool runJob(CliRun& run, const Job& job, Apply apply) {
  auto r = RunOnWorker(job, &run.listener, &CliListener::interrupted(), run.replaceExisting);
  run.lastMessage = r.message;
  return apply(run.s, std::move(r));
}

}  // namespace

bool CliRun::scan() {
  s.setStatus(Message(MessageId::ScanInProgress));
  return runJob(*this, PrepareScan(s), ApplyScan);
}

bool CliRun::repair(RepairMode mode, const RepairOptions& o) { return runJob(*this, PrepareRepair(s, mode, o), ApplyRepair); }

bool CliRun::save(const std::string& output) {
  SaveJob job;
  if (!PrepareSave(s, output, job)) {
    lastMessage = Message(MessageId::ScanFirst);
    return false;
  }
  return runJob(*this, job, ApplySave);
}

bool CliRun::scanAndSave(const std::string& output) {
  SaveJob job;
  PrepareScanAndSave(s, output, job);
  auto r = RunOnWorker(job, &listener, &CliListener::interrupted(), replaceExisting);
  lastMessage = r.message;
  if (r.data.rescan && r.data.rescan->outcome == Outcome::failed) {
    lastMessage = r.data.rescan->message;
    scanFailed = true;
  }
  const bool noPackets = r.data.rescan && r.data.rescan->outcome != Outcome::failed && r.data.rescan->data.packets.empty();
  const bool saved = ApplySave(s, std::move(r));
  // A scan that found nothing: there is nothing to save.
  if (noPackets) s.log(Message(MessageId::ScanFirst));
  return saved;
}

bool CliRun::reconstruct() { return runJob(*this, PrepareReconstruct(s), ApplyReconstruct); }

bool CliRun::verify() { return runJob(*this, PrepareVerify(s), ApplyVerify); }

int ErrorLine(const std::string& file, const std::string& why) {
  std::cerr << "corvel-cli: " << file << ": " << why << '\n';
  return 1;
}

void CliRun::report(const nlohmann::json& j) const {
  if (gather)
    gather->report = j;
  else
    printJson(j);
}

int CliRun::fail(const std::string& file, const std::string& why) const {
  if (!gather) return ErrorLine(file, why);
  gather->reason = why;
  return 1;
}

bool RefuseExisting(CliRun& run, const std::string& path, bool force) {
  run.replaceExisting = force;
  std::error_code ec;
  if (force || !std::filesystem::exists(platform::PathOf(path), ec)) return false;
  run.fail(path, run.text(Message(MessageId::OutputExists)));
  return true;
}

bool OpenForCommand(CliRun& run, const std::string& file) {
  if (OpenFile(run.s, file)) return true;
  const MessageId why = run.s.status.id == MessageId::FileEmpty ? MessageId::FileEmpty : MessageId::NoSignature;
  failLine(run, file, run.s.file.lastError.empty() ? withoutBullet(run.text(Message(why))) : run.s.file.lastError);
  return false;
}

nlohmann::json ObjectsJson(const Session& s) {
  nlohmann::json objects = nlohmann::json::array();
  for (const ObjectEntry& b : s.structure.objects)
    objects.push_back({{"name", ObjectName(b.guid)}, {"guid", b.guid.text()}, {"offset", b.offset}, {"size", b.size}, {"parent", b.parent}});
  return objects;
}

}  // namespace corvel::cli
