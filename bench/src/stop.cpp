// How long a running save, reconstruction and scan take to end after the
// user's stop, driven through the presenter as the window drives it.
//   bench_stop FILE WIPED_FILE RUNS
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "presenter/presenter.hpp"
#include "session/output_name.hpp"

using namespace corvel;
using Clock = std::chrono::steady_clock;

namespace {

class Queue : public Dispatcher, public Questions, public PresenterView {
 public:
  void post(std::function<void()> f) override {
    const std::lock_guard lock(m_);
    q_.push_back(std::move(f));
    cv_.notify_one();
  }
  bool ask(MessageId) override { return true; }
  // Runs posted work for `d` or until `done` holds.
  template <typename Done>
  void run(Clock::duration d, Done done) {
    const auto end = Clock::now() + d;
    while (!done() && Clock::now() < end) {
      std::unique_lock lock(m_);
      if (!cv_.wait_until(lock, end, [&] { return !q_.empty(); })) return;
      auto f = std::move(q_.front());
      q_.pop_front();
      lock.unlock();
      f();
    }
  }

 private:
  std::mutex m_;
  std::condition_variable cv_;
  std::deque<std::function<void()>> q_;
};

// Starts a job, lets it run 40 ms, stops it: milliseconds from the stop
// to the job's end on the presenter's thread.
template <typename Start>
double stopLatency(Queue& q, Presenter& p, Start start) {
  start();
  q.run(std::chrono::milliseconds(40), [] { return false; });
  if (!p.busy()) return -1;  // ended before the stop
  const auto t0 = Clock::now();
  p.scanOrStop();  // the stop question, answered yes
  q.run(std::chrono::seconds(60), [&] { return !p.busy(); });
  return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

void report(const char* what, std::vector<double> all) {
  std::vector<double> ms;
  for (double m : all)
    if (m >= 0) ms.push_back(m);
  if (ms.empty()) {
    std::printf("%-28s ended before the stop in every run\n", what);
    return;
  }
  std::sort(ms.begin(), ms.end());
  std::printf("%-28s stop took %7.1f ms median, %7.1f .. %7.1f ms over %zu runs\n", what, ms[ms.size() / 2], ms.front(),
              ms.back(), ms.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: bench_stop FILE WIPED_FILE RUNS\n");
    return 2;
  }
  const std::string file = argv[1], wiped = argv[2], out = file + ".stopped.wmv";
  const int runs = std::max(1, std::atoi(argv[3]));
  Queue q;
  Presenter p(q, q, q);
  std::vector<double> scan, save, reconstruct;
  for (int i = 0; i < runs; ++i) {
    p.open(file);
    scan.push_back(stopLatency(q, p, [&] { p.scanOrStop(); }));
    p.open(file);
    p.scanOrStop();
    q.run(std::chrono::minutes(5), [&] { return !p.busy(); });
    p.setOutputName(out);
    save.push_back(stopLatency(q, p, [&] { p.save(); }));
    p.setInputName(wiped);
    reconstruct.push_back(stopLatency(q, p, [&] { p.reconstructOrStop(); }));
  }
  std::remove(out.c_str());
  report("scan", scan);
  report("save", save);
  report("reconstruction (searching)", reconstruct);
  return 0;
}
