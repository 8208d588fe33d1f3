#include "asf/job.hpp"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <thread>

namespace corvel {

MessageId PhaseMessage(Phase phase) {
  switch (phase) {
    case Phase::readingHeader: return MessageId::ReadingHeader;
    case Phase::scanning: return MessageId::ScanInProgress;
    case Phase::measuring: return MessageId::ScanInProgress;
    case Phase::buildingIndex: return MessageId::CreatingIndex;
    case Phase::savingHeader: return MessageId::SavingHeader;
    case Phase::savingStream: return MessageId::SavingStream;
    case Phase::searching: return MessageId::ReconstructingHeader;
    case Phase::joining: return MessageId::InProgress;
    case Phase::sendTimes: return MessageId::SendTimeRecalculation;
    case Phase::writingIndex: return MessageId::SavingIndex;
    case Phase::exporting: return MessageId::FramesSaved;
  }
  return MessageId::None;
}

int Progress::percent() const {
  if (total == 0) return done ? 100 : 0;
  return static_cast<int>(std::min<std::uint64_t>(100, done * 100 / total));
}

void JobContext::log(Message line) {
  if (events_) events_->log(line);
  log_.push_back(std::move(line));
}

void JobContext::progress(std::uint64_t done, std::uint64_t total, Phase phase, Step step) {
  const Progress p{done, total, phase, step};
  const int percent = p.percent();
  if (percent == lastPercent_ && phase == lastPhase_ && step.item == lastItem_ && (++calls_ & 4095) != 0) return;
  forceProgress(done, total, phase, step);
}

void JobContext::forceProgress(std::uint64_t done, std::uint64_t total, Phase phase, Step step) {
  const Progress p{done, total, phase, step};
  lastPercent_ = p.percent();
  lastPhase_ = phase;
  lastItem_ = step.item;
  if (events_) events_->progress(p);
}

std::uint64_t NumberOr(std::string_view text, std::uint64_t fallback) {
  std::uint64_t v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return fallback;
  return v;
}

void JobContext::step() const {
  if (stepPause_.count() > 0) std::this_thread::sleep_for(stepPause_);
}

namespace {

// The I/O priority of the calling thread (Linux: class in the top bits).
constexpr int kIoWhoThread = 1;  // IOPRIO_WHO_PROCESS, which means a thread id
constexpr int kIoClassIdle = 3;
constexpr int kIoClassShift = 13;

int ioPriority() {
#ifdef SYS_ioprio_get
  return static_cast<int>(syscall(SYS_ioprio_get, kIoWhoThread, 0));
#else
  return -1;
#endif
}

void setIoPriority(int value) {
#ifdef SYS_ioprio_set
  (void)syscall(SYS_ioprio_set, kIoWhoThread, 0, value);
#else
  (void)value;
#endif
}

// A thread's nice value is its own on Linux (the "process" a thread id names).
int threadId() { return static_cast<int>(syscall(SYS_gettid)); }

}  // namespace

BackgroundPace::BackgroundPace(bool on) : on_(on), blockStart_(std::chrono::steady_clock::now()) {
  if (!on_) return;
  errno = 0;
  const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(threadId()));
  if (errno == 0) oldNice_ = nice;
  (void)setpriority(PRIO_PROCESS, static_cast<id_t>(threadId()), 19);
  oldIoPriority_ = ioPriority();
  setIoPriority(kIoClassIdle << kIoClassShift);
  sched_param param{};
  if (pthread_getschedparam(pthread_self(), &oldPolicy_, &param) != 0) oldPolicy_ = -1;
  param.sched_priority = 0;
  (void)pthread_setschedparam(pthread_self(), SCHED_IDLE, &param);
}

BackgroundPace::~BackgroundPace() {
  if (!on_) return;
  // Given back where the system allows (raising a priority again may need
  // a privilege; a job's own worker thread ends with the job anyway).
  if (oldPolicy_ >= 0) {
    sched_param param{};
    (void)pthread_setschedparam(pthread_self(), oldPolicy_, &param);
  }
  if (oldIoPriority_ >= 0) setIoPriority(oldIoPriority_);
  (void)setpriority(PRIO_PROCESS, static_cast<id_t>(threadId()), oldNice_);
}

void BackgroundPace::blockDone() {
  if (!on_) return;
  constexpr auto kLongest = std::chrono::milliseconds(10);
  const auto took = std::chrono::steady_clock::now() - blockStart_;
  std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(took / 2, kLongest));
  blockStart_ = std::chrono::steady_clock::now();
}

}  // namespace corvel
