// The window's side of the session: it owns the session and the worker,
// starts each long action as a job on the worker, turns the job's events
// into queued signals, and applies the job's result on the window's thread.
// The window never reads the session while a job runs.
#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "session/actions.hpp"
#include "session/worker.hpp"

namespace corvel::app {

enum class JobKind { none, scan, save, repair, reconstruct, join, avi, frames };

class Controller : public QObject {
  Q_OBJECT

 public:
  explicit Controller(QObject* parent = nullptr);
  ~Controller() override;

  Session& session() { return session_; }
  const Session& session() const { return session_; }
  bool busy() const { return running_ != JobKind::none; }
  JobKind running() const { return running_; }

  // Quick actions, on the window's thread.
  bool open(const QString& path);
  bool loadErrors(const QString& path);
  bool saveErrors(const QString& path, QString& error) const;

  // Long actions: false when a job already runs (or the save is refused).
  bool startScan();
  bool startSave(const QString& output);
  bool startRepair(RepairMode mode, const RepairOptions& o);
  bool startReconstruct();
  // Jobs that do not change the open file: their closing word and counts
  // are kept for the window (lastMessage, lastExport, lastJoin).
  bool startJoin(const std::vector<std::string>& inputs, const std::string& output, const JoinOptions& o);
  bool startAvi(const std::string& output, StreamChoice choice);
  bool startFrames(long count, StreamChoice choice, const std::string& dir);
  const Message& lastMessage() const { return lastMessage_; }
  const ExportData& lastExport() const { return lastExport_; }
  const JoinData& lastJoin() const { return lastJoin_; }
  void requestStop();
  // A pause after each step of the jobs started from now on (none by
  // default): for a demonstration, or a test that stops a job midway.
  void setStepPause(std::chrono::microseconds pause) { stepPause_ = pause; }
  // Stops a running job and waits for it (closing the window).
  void stopAndWait();

  QString text(const Message& m) const;
  // The error rows to show: a running scan's as it finds them, else the session's.
  const ErrorGrid& grid() const { return running_ == JobKind::scan ? liveGrid_ : session_.errGrid; }

 signals:
  void logLine(const QString& line);
  void statusChanged(const QString& text);
  // What a running join is doing, for the join tab.
  void joinStatus(const QString& text);
  // A running job's progress, as it reported it.
  void progress(const corvel::Progress& p);
  void structureChanged();
  void gridChanged();
  void jobEnded(corvel::app::JobKind kind, bool ok);

 private:
  // The open file changed on disk since it was opened: says so, true.
  bool sourceChanged();
  class Events;
  template <typename Job, typename Apply>
  bool start(JobKind kind, Job job, Apply apply);
  void finished(JobKind kind, bool ok);

  Session session_;
  Worker worker_;
  std::unique_ptr<Events> events_;
  JobKind running_ = JobKind::none;
  std::chrono::microseconds stepPause_{0};
  Message lastMessage_;
  ExportData lastExport_;
  JoinData lastJoin_;
  ErrorGrid liveGrid_;
};

}  // namespace corvel::app
