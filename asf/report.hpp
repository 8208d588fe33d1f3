// How long or chatty operations talk to whoever runs them: the desktop window
// maps these calls to signals, the CLI to its output streams.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace corvel {

class Reporter {
 public:
  virtual ~Reporter() = default;
  virtual void log(const std::string& /*line*/) {}
  virtual void status(const std::string& /*text*/) {}
  virtual void progress(int /*percent*/, const std::string& /*text*/) {}
  // A row of the error grid was set (row 0 is the header).
  virtual void gridRow(std::size_t /*row*/, const std::array<std::string, 8>& /*cells*/) {}
  // The whole error grid was refilled.
  virtual void gridChanged(const std::vector<std::array<std::string, 8>>& /*rows*/) {}
  virtual bool stopRequested() { return false; }
};

// The log memo: lines appended one per event; emptied first once it holds
// MaxLines lines.
class MemoLog {
 public:
  static constexpr std::size_t MaxLines = 500;
  void clear() { lines_.clear(); }
  void append(std::string line) {
    if (lines_.size() >= MaxLines) lines_.clear();
    lines_.push_back(std::move(line));
  }
  const std::vector<std::string>& lines() const { return lines_; }

 private:
  std::vector<std::string> lines_;
};

}  // namespace corvel
