// What the command line prints, as it reaches the terminal or a script.
#pragma once

#include <memory>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>

namespace corvel::cli {

// Text from a file (titles, names, descriptors) may hold control bytes: a
// terminal would act on them. Passed through this, every control byte but
// a line end and a tab shows as "\xNN" (C1 controls, U+0080 to U+009F, as
// "\u00NN").
class ControlEscapes : public std::streambuf {
 public:
  explicit ControlEscapes(std::streambuf* to) : to_(to) {}

 protected:
  int_type overflow(int_type c) override;
  int sync() override;

 private:
  bool put(const std::string& s);
  std::streambuf* to_;
  bool lead_ = false;  // the byte before was 0xC2 (held back)
};

// Standard output and error of one command run. In JSON mode what the
// command prints is held until it ends: when it printed nothing (it failed
// before its report), one object {"ok": false, "error": ...} with its last
// error line takes its place, so that a script always reads one object. In
// text mode the output passes through ControlEscapes. The last error line
// is kept in both.
class Console {
 public:
  explicit Console(bool json);
  ~Console();
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;
  // Prints what was held (JSON mode) and flushes; the exit status, turned
  // to 1 when standard output could not be written.
  int finish(int status);

 private:
  class ErrorTee;
  bool json_;
  std::streambuf* out_;
  std::streambuf* err_;
  std::unique_ptr<std::stringbuf> held_;
  std::unique_ptr<ControlEscapes> escapes_;
  std::unique_ptr<ErrorTee> tee_;
  bool finished_ = false;
};

}  // namespace corvel::cli
