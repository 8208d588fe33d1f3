// Output helpers shared by the commands.
#pragma once

#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "asf/report.hpp"
#include "asf/session.hpp"
#include "cli/commands.hpp"

namespace corvel::cli {

// Keeps every log line (the memo of the window empties itself at 500);
// with `echo` prints them as they come. Shows progress on stderr when it is a
// terminal, and turns Ctrl-C into a stop request.
class CliReporter : public Reporter {
 public:
  explicit CliReporter(bool echo);
  ~CliReporter() override;
  std::vector<std::string> lines;
  void log(const std::string& line) override;
  void progress(int percent, const std::string& text) override;
  bool stopRequested() override;

 private:
  bool echo_;
  bool tty_;
  bool progressShown_ = false;
  void clearProgress();
};

inline void printJson(const nlohmann::json& j) {
  std::cout << j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

// A session that reports through the CLI.
struct CliRun {
  CliReporter rep;
  Session s;
  CliRun(const CommonOptions& common, bool echo) : rep(echo) {
    s.lang = common.lang;
    s.reporter = &rep;
  }
};

// Opens a file's header for a command; on failure one line on stderr says
// why (missing, unreadable, not ASF) and the result is false.
bool OpenForCommand(Session& s, const std::string& file);

// The block list as JSON: name (empty when unknown), guid, offset, size, parent.
nlohmann::json ObjectsJson(const Session& s);

// A log text without its leading "• " problem mark.
inline std::string withoutBullet(const std::string& text) {
  const std::string bullet = "• ";
  return text.rfind(bullet, 0) == 0 ? text.substr(bullet.size()) : text;
}

// One line on stderr, "corvel-cli: <file>: <why>"; returns exit status 1.
int ErrorLine(const std::string& file, const std::string& why);

// True (with the error line) when `path` exists and may not be overwritten.
bool RefuseExisting(const std::string& path, bool force);

// One line on stderr naming the file and what went wrong.
inline void failLine(const Session& s, const std::string& file, const std::string& why) {
  ErrorLine(s.statusText.empty() ? file : s.statusText + ": " + file, why);
}

}  // namespace corvel::cli
