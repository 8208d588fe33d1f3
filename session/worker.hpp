// Runs one job at a time on a thread of its own. The job gets a stop token;
// whatever it returns goes back to its owner through the job's own code (the
// window posts it to its thread, the command line waits for it).
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>

#include "io/job.hpp"

namespace corvel {

class Worker {
 public:
  Worker() = default;
  ~Worker();
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  // Starts the job; false (nothing started) while another still runs.
  bool start(std::function<void(std::stop_token)> job);
  bool running() const { return running_; }
  void requestStop();
  // Waits for the job to end; false when `timeout` passed first.
  bool waitFor(std::chrono::milliseconds timeout);
  void wait();

 private:
  std::jthread thread_;
  std::atomic<bool> running_{false};
  std::mutex mutex_;
  std::condition_variable ended_;
};

// Runs a job on a worker and waits for it; `interrupted` is polled while it
// runs and turns into a stop request (a Ctrl-C flag, for example).
// `replaceExisting`: the job's outputs may replace a file of their name.
template <typename Job>
auto RunOnWorker(const Job& job, JobEvents* events, const std::atomic<bool>* interrupted = nullptr,
                 bool replaceExisting = true) {
  decltype(job.run(std::declval<JobContext&>())) result;
  Worker worker;
  worker.start([&](std::stop_token stop) {
    JobContext ctx(std::move(stop), events);
    ctx.setReplaceExisting(replaceExisting);
    result = job.run(ctx);
  });
  while (!worker.waitFor(std::chrono::milliseconds(50)))
    if (interrupted && *interrupted) worker.requestStop();
  return result;
}

}  // namespace corvel
