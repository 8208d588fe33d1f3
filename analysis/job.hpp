// Long jobs ("scan", "save", "join") run one at a time on a worker thread.
// The job reports through the session's Reporter; a stop is requested through
// the job control and read by the job once per step.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "asf/report.hpp"

namespace corvel {

class JobControl {
 public:
  std::string jobName;
  std::atomic<bool> stopFlag{false};
  void requestStop() { stopFlag = true; }
};

// Forwards everything to an inner reporter and answers stop requests from a
// job control.
class StoppableReporter : public Reporter {
 public:
  StoppableReporter(Reporter* inner, JobControl& control) : inner_(inner), control_(control) {}
  void log(const std::string& line) override {
    if (inner_) inner_->log(line);
  }
  void status(const std::string& text) override {
    if (inner_) inner_->status(text);
  }
  void progress(int percent, const std::string& text) override {
    if (inner_) inner_->progress(percent, text);
  }
  void gridRow(std::size_t row, const std::array<std::string, 8>& cells) override {
    if (inner_) inner_->gridRow(row, cells);
  }
  void gridChanged(const std::vector<std::array<std::string, 8>>& rows) override {
    if (inner_) inner_->gridChanged(rows);
  }
  bool stopRequested() override { return control_.stopFlag || (inner_ && inner_->stopRequested()); }

 private:
  Reporter* inner_;
  JobControl& control_;
};

// The worker: runs one job on its own thread and calls `onEnd` with the
// job's result on that thread when it finishes.
class WorkerThread {
 public:
  ~WorkerThread() { wait(); }
  bool running() const { return running_; }
  // False when a job is still running.
  bool start(JobControl& control, std::string jobName, std::function<int()> job, std::function<void(int)> onEnd);
  void wait();

 private:
  std::thread thread_;
  std::atomic<bool> running_{false};
};

}  // namespace corvel
