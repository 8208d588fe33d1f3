// Output helpers shared by the commands.
#pragma once

#include <atomic>
#include <iostream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "analysis/scan.hpp"
#include "cli/commands.hpp"
#include "session/actions.hpp"
#include "session/session.hpp"

namespace corvel::cli {

// While one lives, Ctrl-C, a polite kill and a closed terminal set
// `interrupted`, which a running job takes as a stop request. Nested
// (a batch, and the file commands it runs, several at once) the first
// one installs the handlers and clears the flag, the last one restores them.
class StopSignals {
 public:
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;
  static const std::atomic<bool>& interrupted();
};

// Hears the session and its jobs: keeps every log line (the memo of the
// window empties itself at 500); with `echo` prints them as they come. Shows
// progress on stderr when it is a terminal. Ctrl-C sets `interrupted`,
// which the running job takes as a stop request.
class CliListener : public SessionEvents, public ScanEvents {
 public:
  CliListener(Language lang, bool echo, bool progress = true);
  ~CliListener() override;
  void log(const Message& line) override;
  void progress(const Progress& p) override;
  std::vector<std::string> lines() const;
  static const std::atomic<bool>& interrupted() { return StopSignals::interrupted(); }

 private:
  void clearProgress();
  StopSignals signals_;
  Language lang_;
  bool echo_;
  bool tty_;
  bool progressShown_ = false;
  mutable std::mutex mutex_;  // lines come from the job's thread too
  std::vector<std::string> lines_;
};

inline void printJson(const nlohmann::json& j) {
  std::cout << j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

// An error block's kind in JSON: bytes the system could not read, or
// bytes that do not parse.
inline const char* BlockKindName(bool unreadable) { return unreadable ? "unreadable" : "damaged"; }

// A log text without its leading "• " problem mark.
inline std::string withoutBullet(const std::string& text) {
  const std::string bullet = "• ";
  return text.rfind(bullet, 0) == 0 ? text.substr(bullet.size()) : text;
}

// A session that reports through the CLI.
struct CliRun {
  CliListener listener;
  Session s;
  CliRun(const CommonOptions& common, bool echo)
      : listener(common.lang, common.gather ? false : echo, common.progress), gather(common.gather) {
    s.lang = common.lang;
    s.events = &listener;
  }
  // Where the command's report and failure go: printed (JSON on stdout,
  // "corvel-cli: FILE: why" on stderr), or kept for a batch.
  FileReport* gather = nullptr;
  // Whether the outputs of the jobs run here may replace a file of their
  // name (--force): set by RefuseExisting.
  bool replaceExisting = true;
  void report(const nlohmann::json& j) const;
  int fail(const std::string& file, const std::string& why) const;
  std::string text(const Message& m) const { return s.text(m); }
  // The closing word of the last job run here: why it failed, when it did.
  Message lastMessage;
  std::string reason() const { return withoutBullet(text(lastMessage)); }
  // The session's long actions, run on a worker so that Ctrl-C stops them.
  bool scan();
  bool repair(RepairMode mode, const RepairOptions& o);
  bool save(const std::string& output);
  // A save whose scan runs first in the same read of the file; when the
  // scan could not run, false with `scanFailed` set.
  bool scanAndSave(const std::string& output);
  bool scanFailed = false;
  bool reconstruct();
  bool verify();
};

// Opens a file's header for a command; on failure one line on stderr says
// why (missing, unreadable, not ASF) and the result is false.
bool OpenForCommand(CliRun& run, const std::string& file);

// The object list as JSON: name (empty when unknown), guid, offset, size, parent.
nlohmann::json ObjectsJson(const Session& s);

// One line on stderr, "corvel-cli: <file>: <why>"; returns exit status 1.
int ErrorLine(const std::string& file, const std::string& why);

// True (with the error line) when `path` exists and may not be overwritten.
// The jobs then run replace a file of the name only with `force`.
bool RefuseExisting(CliRun& run, const std::string& path, bool force);

// One line on stderr naming the file, the status and what went wrong.
inline void failLine(const CliRun& run, const std::string& file, const std::string& why) {
  if (run.gather) {
    run.fail(file, why);
    return;
  }
  // The status's fixed words: the reason comes after the file.
  std::string said = run.s.status.id == MessageId::None ? run.s.statusText() : run.text(Message(run.s.status.id));
  if (said == why) said.clear();  // "the file is empty" once
  ErrorLine(said.empty() ? file : said + ": " + file, why);
}


}  // namespace corvel::cli
