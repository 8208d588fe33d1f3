// What the window shows and may do, without Qt: the open file's session,
// the jobs on it (one at a time, on a worker thread, their results applied
// on the presenter's own thread), the log as messages, the error rows, each
// job's progress, the texts of the tabs, and which commands are enabled.
// The window binds its controls to this; the tests drive it directly.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "presenter/join_list.hpp"
#include "presenter/settings.hpp"
#include "session/actions.hpp"
#include "session/worker.hpp"

namespace corvel {

enum class JobKind { none, scan, save, repair, reconstruct, join, avi, frames, verify };

// A running job's progress: which run it is (each start takes the next
// id), what kind, how far it got in which phase, and the same for every
// job: the part done (0 to 1) and, once that says enough, the seconds left.
struct JobProgress {
  std::uint64_t job = 0;
  JobKind kind = JobKind::none;
  Progress progress;
  double fraction = 0;
  std::optional<std::int64_t> secondsLeft;
};

// The part of a job done, from its counter (0 while the total is unknown).
double FractionDone(const Progress& p);
// The seconds left at `fraction` done after `elapsed`: none before 1 % or
// the first two seconds (too little to go by).
std::optional<std::int64_t> SecondsLeft(double fraction, std::chrono::steady_clock::duration elapsed);
// "42 %, left 1:05" (or "42 %" while the time left is not known).
Message ProgressText(const JobProgress& p);

// The commands the user may give now.
struct Commands {
  bool scan = false;        // start a scan (also open, reconstruct, repair, save)
  bool stop = false;        // the running scan, save, reconstruction or verify
  bool verify = false;      // verify the open file by decoding
  bool saveErrors = false;  // the error list holds offsets of the file on disk
  bool loadErrors = false;
  bool timeline = false;
  bool dump = false;
  bool join = false;
  bool stopJoin = false;
  bool exportFile = false;
  bool stopExport = false;
  bool minimalHeaderOnly = false;  // after a reconstruction only the minimal header is sound
  bool operator==(const Commands&) const = default;
};

// The repair tab's boxes that a job reads.
struct FormOptions {
  HeaderMode header = HeaderMode::fromSource;
  bool writeIndex = true;
  bool renumberMediaObjects = false;
  bool keepIncompleteObjects = false;
  bool dropDamaged = false;  // verify by decoding first; damaged frames are left out
  bool writeDump = false;
};

// What an export is asked for: an AVI file, or the first frames to files
// beside the open file.
struct ExportRequest {
  bool avi = true;
  std::string output;      // the AVI's name
  std::string frameCount;  // as typed
  StreamChoice choice = StreamChoice::VideoAndAudio;
};

// Hands a function to the presenter's thread (the window's event loop, a
// test's queue); called from the worker's thread.
class Dispatcher {
 public:
  virtual ~Dispatcher() = default;
  virtual void post(std::function<void()> f) = 0;
};

// Asks the user; true for yes (for the scan's question: continue).
class Questions {
 public:
  virtual ~Questions() = default;
  virtual bool ask(MessageId question) = 0;
};

// Hears the presenter change, on its thread.
class PresenterView {
 public:
  virtual ~PresenterView() = default;
  virtual void logged(const Message& /*line*/) {}  // one line appended to the log
  virtual void logReplaced() {}                    // show the whole log anew
  virtual void statusChanged() {}
  virtual void progressed(const JobProgress& /*p*/) {}
  virtual void errorRowsChanged() {}
  virtual void structureChanged() {}
  // Commands, names, markers or a tab's message changed.
  virtual void stateChanged() {}
  virtual void jobEnded(JobKind /*kind*/, Outcome /*outcome*/) {}
  // The frames export marks its way with the system's beep.
  virtual void beep() {}
};

// A stretch of the open file to show as a dump.
struct DumpBytes {
  Bytes bytes;
  std::uint64_t offset = 0;
};

class Presenter {
 public:
  Presenter(Dispatcher& dispatcher, Questions& questions, PresenterView& view);
  ~Presenter();
  Presenter(const Presenter&) = delete;
  Presenter& operator=(const Presenter&) = delete;

  // State.
  const Session& session() const { return session_; }
  Language language() const { return session_.lang; }
  std::string text(const Message& m) const { return Render(m, session_.lang); }
  JobKind running() const { return running_; }
  bool busy() const { return running_ != JobKind::none; }
  Commands commands() const;
  const LogLines& log() const { return log_; }
  const Message& status() const { return session_.status; }
  // The error rows to show: a running scan's as it finds them, else the session's.
  const ErrorRows& errorRows() const { return running_ == JobKind::scan ? liveRows_ : session_.errorRows; }
  const JobProgress& progress() const { return progress_; }
  std::size_t pendingCuts() const { return session_.file.cuts.ranges().size(); }
  // The name fields of the repair tab: set by typing, proposed by the presenter.
  const std::string& inputName() const { return input_; }
  const std::string& outputName() const { return output_; }
  void setInputName(std::string name) { input_ = std::move(name); }
  // A recording of the same settings whose header an input without its own
  // stream table is opened with (empty for none).
  const std::string& referenceName() const { return reference_; }
  void setReferenceName(std::string name) { reference_ = std::move(name); }
  void setOutputName(std::string name) { output_ = std::move(name); }
  // What the join and export tabs say; `folder`, after a job that wrote, is
  // where its output went.
  const Message& joinMessage() const { return joinMessage_; }
  const Message& exportMessage() const { return exportMessage_; }
  const std::string& outputFolder() const { return outputFolder_; }
  // The AVI's proposed name for the open file.
  std::string aviName() const;

  Settings& settings() { return settings_; }
  const Settings& settings() const { return settings_; }
  JoinList& joinList() { return joinList_; }
  const JoinList& joinList() const { return joinList_; }

  // Commands.
  void setLanguage(Language lang);
  void setFormOptions(const FormOptions& o) { form_ = o; }
  // Opens the file named (the input field's name when empty; an empty field
  // asks for a name).
  bool open(const std::string& path = {});
  // The file chooser's pick: into the name fields, opened by a scan.
  void choose(const std::string& path);
  // Starts a scan, or asks to stop the running scan, save or reconstruction.
  void scanOrStop();
  void repair(RepairMode mode, const RepairOptions& o);
  void save();
  // Starts a header reconstruction, or asks to stop the running one.
  void reconstructOrStop();
  // Decodes every media object of the open (logical) file; the damaged ones
  // become rows of their own after the error blocks.
  void verify();
  void saveErrors();
  void loadErrors();
  // True when the timeline may show (a scan ran); else the log says why.
  bool timeline();
  // The bytes of the error list entry `entry`, of a tree node.
  std::optional<DumpBytes> dumpEntry(std::size_t entry);
  std::optional<DumpBytes> dumpNode(int node);
  void join(const std::string& output);
  void proposeJoinName(std::string& output);
  void stopJoin();
  void exportOrStop(const ExportRequest& r);
  // The join and export tabs' messages are cleared when a tab is shown idle.
  void clearTabMessages();

  // A pause after each step of the jobs started from now on: for a
  // demonstration, or a test that stops a job midway.
  void setStepPause(std::chrono::microseconds pause) { stepPause_ = pause; }
  void requestStop() { worker_.requestStop(); }
  void stopAndWait();

 private:
  class Events;
  template <typename Job, typename Apply>
  bool start(JobKind kind, Job job, Apply apply);
  void finished(JobKind kind, Outcome outcome);
  void takeOptions();
  bool askForName();
  bool exists(const std::string& path) const;
  void stopAsked();
  // The save's own refusal, before anything starts: status and log say why.
  void refuseSave(Message why);
  void savedTo(const std::string& path, bool ok);
  void clearLog();
  void append(const Message& line);

  Dispatcher& dispatcher_;
  Questions& questions_;
  PresenterView& view_;
  std::unique_ptr<Events> events_;
  Session session_;
  Settings settings_;
  JoinList joinList_;
  Worker worker_;
  JobKind running_ = JobKind::none;
  std::uint64_t jobs_ = 0;
  JobProgress progress_;
  std::chrono::microseconds stepPause_{0};
  std::chrono::steady_clock::time_point started_;
  LogLines log_;
  ErrorRows liveRows_;
  FormOptions form_;
  std::string input_, output_, reference_;
  std::string dumpPath_;  // where the running scan writes its dump; empty: none
  bool listSaveable_ = false;  // no repair changed the offsets since the scan
  Message joinMessage_, exportMessage_;
  std::string outputFolder_;
};

}  // namespace corvel
