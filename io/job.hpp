// What every long job shares: a stop token to end it early, a sink that hears
// its progress and log lines as they come, and a typed result (outcome,
// message, log, and the job's own data). A job never touches the state of
// whoever started it: it returns, and the owner applies the result.
#pragma once

#include <chrono>
#include <cstdint>
#include <stop_token>
#include <string>
#include <utility>
#include <vector>

#include "io/byte_source.hpp"
#include "io/platform.hpp"
#include "l10n/messages.hpp"

namespace corvel {

enum class Outcome {
  ok,
  warnings,  // done, with something the user should know
  failed,
  stopped,   // ended by a stop request; what was done is kept
};

// A step of a job, for a status line or a progress label, named by the
// layer of the job that takes it (`phase::scanning` in analysis/scan.hpp,
// `phase::joining` in join/join.hpp, ...). Two steps are the same step when
// they show the same text.
struct Phase {
  MessageId text = MessageId::None;
  constexpr bool operator==(const Phase&) const = default;
};

// Which of several inputs a job is at: item 1 of `count`, ...
struct Step {
  std::uint64_t item = 0;
  std::uint64_t count = 0;  // 0 when the job has one input
};

struct Progress {
  std::uint64_t done = 0;
  std::uint64_t total = 0;  // 0 when unknown
  Phase phase{};
  Step step;
  int percent() const;
};

// Hears a job as it runs, on the job's thread: a window forwards these as
// queued signals, the command line prints them.
class JobEvents {
 public:
  virtual ~JobEvents() = default;
  virtual void log(const Message& /*line*/) {}
  virtual void progress(const Progress& /*p*/) {}
};

class WriteCalls;

// What a job is given besides its inputs.
class JobContext {
 public:
  JobContext() = default;
  JobContext(std::stop_token stop, JobEvents* events) : stop_(std::move(stop)), events_(events) {}

  bool stopRequested() const { return stop_.stop_requested(); }
  std::stop_token stopToken() const { return stop_; }
  JobEvents* events() const { return events_; }
  // Logs a line: kept for the result and passed on at once.
  void log(Message line);
  // Passes progress on when the percentage or the phase moves (and every
  // few thousand calls, so that a long step still shows life).
  void progress(std::uint64_t done, std::uint64_t total, Phase phase, Step step = {});
  void forceProgress(std::uint64_t done, std::uint64_t total, Phase phase, Step step = {});
  std::vector<Message> takeLog() { return std::move(log_); }
  const std::vector<Message>& logLines() const { return log_; }
  // A pause after each step (a packet) of the job: none unless asked for,
  // so that a demonstration or a test can watch a job run and stop it.
  void setStepPause(std::chrono::microseconds pause) { stepPause_ = pause; }
  void step() const;
  // What the job's outputs write through: the system's calls unless a
  // stand-in is given (not owned).
  void setWriteCalls(WriteCalls* calls) { writes_ = calls; }
  WriteCalls* writeCalls() const { return writes_; }
  // Whether the job's outputs may replace a file found under their name (the
  // user agreed to it); when not, a name taken before the output is complete
  // fails the job with "file already exists".
  void setReplaceExisting(bool replace) { replace_ = replace; }
  // What the job's sources read through: the system's calls unless a
  // stand-in is given (not owned).
  void setReadCalls(ReadCalls* calls) { reads_ = calls; }
  ReadCalls* readCalls() const { return reads_; }
  bool replaceExisting() const { return replace_; }

 private:
  std::stop_token stop_;
  JobEvents* events_ = nullptr;
  std::vector<Message> log_;
  int lastPercent_ = -1;
  Phase lastPhase_{};
  std::uint64_t lastItem_ = 0;
  std::uint64_t calls_ = 0;
  std::chrono::microseconds stepPause_{0};
  WriteCalls* writes_ = nullptr;
  bool replace_ = true;
  ReadCalls* reads_ = nullptr;
};

// A job that leaves the machine to others ("high priority" off): while it
// lives, the calling thread runs at the lowest CPU and I/O priority the
// system grants (the idle classes on Linux), and after each block of work
// the job pauses half as long as the block took (at most 10 ms), so that
// on an idle machine it takes about one and a half times its time.
// Inactive when `on` is false.
// The time and the pause a BackgroundPace goes by: the system's unless a
// test gives its own.
struct PaceTiming {
  using Clock = std::chrono::steady_clock;
  Clock::time_point (*now)(void* self) = nullptr;
  void (*pause)(void* self, Clock::duration d) = nullptr;
  void* self = nullptr;
};

class BackgroundPace {
 public:
  using Clock = PaceTiming::Clock;
  using Timing = PaceTiming;
  explicit BackgroundPace(bool on, Timing timing = {});
  ~BackgroundPace();
  BackgroundPace(const BackgroundPace&) = delete;
  BackgroundPace& operator=(const BackgroundPace&) = delete;
  // After each block of work (a read block's worth of bytes).
  void blockDone();

 private:
  Clock::time_point now() const;
  bool on_;
  Timing timing_;
  platform::ThreadPriority saved_;
  Clock::time_point blockStart_;
};

template <typename Data>
struct JobResult {
  Outcome outcome = Outcome::failed;
  Message message;           // the closing word: why it failed, or what was done
  std::vector<Message> log;  // every line logged on the way
  Data data{};
  bool ok() const { return outcome == Outcome::ok || outcome == Outcome::warnings; }
};

// A job's result: its outcome, closing word and data, with every line it logged.
template <typename Data>
JobResult<Data> Finish(JobContext& ctx, Outcome outcome, Message message, Data data) {
  JobResult<Data> r;
  r.outcome = outcome;
  r.message = std::move(message);
  r.log = ctx.takeLog();
  r.data = std::move(data);
  return r;
}

// Names the stretches of a source a job found unreadable, each as a log
// line "read error at OFFSET: reason" (the first 100), and adds their bytes
// to the closing word.
void LogUnreadable(JobContext& ctx, const std::vector<UnreadableRange>& ranges, Message& closing);

// The same for a job's result, whose log is already taken: a job that met
// an unreadable stretch and went on past it ends with warnings, never a
// plain success.
template <typename Data>
void NameUnreadable(JobContext& ctx, const std::vector<UnreadableRange>& ranges, JobResult<Data>& r) {
  if (ranges.empty()) return;
  LogUnreadable(ctx, ranges, r.message);
  for (Message& m : ctx.takeLog()) r.log.push_back(std::move(m));
  if (r.outcome == Outcome::ok) r.outcome = Outcome::warnings;
}

// The parsed number of an option's text field; `fallback` for anything
// that is not a whole non-negative number that fits.
std::uint64_t NumberOr(std::string_view text, std::uint64_t fallback);

}  // namespace corvel
