#include "app/controller.hpp"

#include <QMetaObject>

#include "presenter/join_list.hpp"

namespace corvel::app {

// Hears the session (on the window's thread) and the running job (on the
// worker's thread); what comes from the worker reaches the window queued.
class Controller::Events : public SessionEvents, public ScanEvents {
 public:
  explicit Events(Controller& c) : c_(c) {}
  void log(const Message& line) override {
    QMetaObject::invokeMethod(&c_, [this, line] { emit c_.logLine(c_.text(line)); }, Qt::QueuedConnection);
  }
  void progress(const Progress& p) override {
    QMetaObject::invokeMethod(
        &c_,
        [this, p] {
          emit c_.progress(p);
          // A join speaks on its own tab; the repair tab's status line is
          // the open file's.
          if (c_.running() == JobKind::join)
            emit c_.joinStatus(c_.text(JoinProgressMessage(p.phase, p.step)));
          else if (p.phase == Phase::savingHeader || p.phase == Phase::savingStream || p.phase == Phase::buildingIndex)
            emit c_.statusChanged(c_.text(Message(PhaseMessage(p.phase))));
        },
        Qt::QueuedConnection);
  }
  // A block the scan found (or closed) joins the grid at once.
  void block(const ErrorBlock& b) override {
    QMetaObject::invokeMethod(
        &c_,
        [this, b] {
          c_.liveGrid_.showBlock(b);
          emit c_.gridChanged();
        },
        Qt::QueuedConnection);
  }
  void status(const Message& text) override { emit c_.statusChanged(c_.text(text)); }
  void gridChanged() override { emit c_.gridChanged(); }

 private:
  Controller& c_;
};

Controller::Controller(QObject* parent) : QObject(parent), events_(std::make_unique<Events>(*this)) {
  qRegisterMetaType<corvel::app::JobKind>("corvel::app::JobKind");
  qRegisterMetaType<corvel::Progress>("corvel::Progress");
  session_.events = events_.get();
}

Controller::~Controller() { stopAndWait(); }

QString Controller::text(const Message& m) const { return QString::fromStdString(Render(m, session_.lang)); }

bool Controller::open(const QString& path) {
  if (busy()) return false;
  // The session's own log lines reach the window through the log signal.
  const bool ok = OpenFile(session_, path.toStdString());
  emit structureChanged();
  emit gridChanged();
  return ok;
}

bool Controller::loadErrors(const QString& path) { return !busy() && LoadErrors(session_, path.toStdString()); }

bool Controller::saveErrors(const QString& path, QString& error) const {
  std::string why;
  const bool ok = SaveErrors(session_, path.toStdString(), why);
  error = QString::fromStdString(why);
  return ok;
}

template <typename Job, typename Apply>
bool Controller::start(JobKind kind, Job job, Apply apply) {
  if (busy()) return false;
  running_ = kind;
  // The session changes only when a result is applied, here: the views keep
  // showing it while a job runs; a scan's grid fills as it finds blocks.
  if (kind == JobKind::scan) {
    liveGrid_.reset(session_.lang);
    emit gridChanged();
  }
  auto shared = std::make_shared<Job>(std::move(job));
  const bool started = worker_.start([this, shared, kind, apply, stepPause = stepPause_](std::stop_token stop) {
    JobContext ctx(std::move(stop), events_.get());
    ctx.setStepPause(stepPause);
    auto result = std::make_shared<decltype(shared->run(ctx))>(shared->run(ctx));
    // The result is applied on the window's thread, where the session lives.
    QMetaObject::invokeMethod(
        this,
        [this, result, kind, apply] {
          const bool ok = apply(session_, std::move(*result));
          finished(kind, ok);
        },
        Qt::QueuedConnection);
  });
  if (!started) running_ = JobKind::none;
  return started;
}

void Controller::finished(JobKind kind, bool ok) {
  worker_.wait();
  running_ = JobKind::none;
  emit structureChanged();
  emit gridChanged();
  emit jobEnded(kind, ok);
}

bool Controller::startScan() {
  session_.setStatus(Message(MessageId::ScanInProgress));
  return start(JobKind::scan, PrepareScan(session_), ApplyScan);
}

bool Controller::startSave(const QString& output) {
  if (busy()) return false;
  SaveJob job;
  if (!PrepareSave(session_, output.toStdString(), job)) return false;
  return start(JobKind::save, std::move(job), ApplySave);
}

bool Controller::startRepair(RepairMode mode, const RepairOptions& o) {
  return start(JobKind::repair, PrepareRepair(session_, mode, o), ApplyRepair);
}

bool Controller::startReconstruct() { return start(JobKind::reconstruct, PrepareReconstruct(session_), ApplyReconstruct); }


bool Controller::startJoin(const std::vector<std::string>& inputs, const std::string& output, const JoinOptions& o) {
  return start(JobKind::join, JoinJob{inputs, output, o}, [this](Session&, JobResult<JoinData> r) {
    lastMessage_ = r.message;
    lastJoin_ = r.data;
    return r.ok();
  });
}

bool Controller::sourceChanged() {
  if (!session_.source.changed()) return false;
  lastMessage_ = Message(MessageId::FileChanged);
  session_.setStatus(lastMessage_);
  return true;
}

bool Controller::startAvi(const std::string& output, StreamChoice choice) {
  lastMessage_ = {};
  if (sourceChanged()) return false;
  return start(JobKind::avi, PrepareAvi(session_, output, choice),
               [this](Session&, JobResult<ExportData> r) {
                 lastMessage_ = r.message;
                 lastExport_ = r.data;
                 return r.ok();
               });
}

bool Controller::startFrames(long count, StreamChoice choice, const std::string& dir) {
  lastMessage_ = {};
  if (sourceChanged()) return false;
  return start(JobKind::frames, PrepareFrames(session_, count, choice, dir), [this](Session&, JobResult<ExportData> r) {
    lastMessage_ = r.message;
    lastExport_ = r.data;
    return r.ok();
  });
}

void Controller::requestStop() { worker_.requestStop(); }

void Controller::stopAndWait() {
  worker_.requestStop();
  worker_.wait();
}

}  // namespace corvel::app
