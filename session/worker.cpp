#include "session/worker.hpp"

namespace corvel {

Worker::~Worker() {
  requestStop();
  wait();
}

bool Worker::start(std::function<void(std::stop_token)> job) {
  if (running_) return false;
  wait();
  running_ = true;
  thread_ = std::jthread([this, job = std::move(job)](std::stop_token stop) {
    job(stop);
    std::lock_guard lock(mutex_);
    running_ = false;
    ended_.notify_all();
  });
  return true;
}

void Worker::requestStop() {
  if (thread_.joinable()) thread_.request_stop();
}

bool Worker::waitFor(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  if (!ended_.wait_for(lock, timeout, [this] { return !running_; })) return false;
  lock.unlock();
  wait();
  return true;
}

void Worker::wait() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace corvel
