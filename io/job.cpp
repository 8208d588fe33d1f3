#include "io/job.hpp"

#include <algorithm>
#include <charconv>
#include <thread>

namespace corvel {

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

void LogUnreadable(JobContext& ctx, const std::vector<UnreadableRange>& ranges, Message& closing) {
  constexpr std::size_t kNamed = 100;
  for (std::size_t i = 0; i < ranges.size() && i < kNamed; ++i)
    ctx.log(Message(MessageId::ReadErrorAt, std::to_string(ranges[i].offset) + ": " + ranges[i].reason));
  closing.more.emplace_back(MessageId::UnreadableBytes, std::to_string(UnreadableBytes(ranges)));
}

BackgroundPace::BackgroundPace(bool on, Timing timing) : on_(on), timing_(timing), blockStart_(now()) {
  if (on_) saved_ = platform::LowerThreadPriority();
}

BackgroundPace::~BackgroundPace() {
  if (on_) platform::RestoreThreadPriority(saved_);
}

void BackgroundPace::blockDone() {
  if (!on_) return;
  constexpr auto kLongest = std::chrono::milliseconds(10);
  const auto took = now() - blockStart_;
  const auto pause = std::min<Clock::duration>(took / 2, kLongest);
  if (timing_.pause)
    timing_.pause(timing_.self, pause);
  else
    std::this_thread::sleep_for(pause);
  blockStart_ = now();
}

BackgroundPace::Clock::time_point BackgroundPace::now() const {
  return timing_.now ? timing_.now(timing_.self) : Clock::now();
}

}  // namespace corvel
