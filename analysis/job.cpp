#include "analysis/job.hpp"

namespace corvel {

bool WorkerThread::start(JobControl& control, std::string jobName, std::function<int()> job, std::function<void(int)> onEnd) {
  if (running_) return false;
  wait();
  control.jobName = std::move(jobName);
  control.stopFlag = false;
  running_ = true;
  thread_ = std::thread([this, job = std::move(job), onEnd = std::move(onEnd)] {
    const int result = job();
    running_ = false;
    if (onEnd) onEnd(result);
  });
  return true;
}

void WorkerThread::wait() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace corvel
