// The actions the front ends call on a session. Quick ones (open, load the
// error list) run on the session's thread. Long ones are jobs: prepared from
// the session (a copy of what they need), run on any thread with a stop
// token and a listener, and applied back on the session's thread. Each also
// has a one-call form that runs it right here.
#pragma once

#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "analysis/scan.hpp"
#include "export/avi.hpp"
#include "join/join.hpp"
#include "repair/reconstruct.hpp"
#include "repair/reference.hpp"
#include "repair/repair.hpp"
#include "repair/save.hpp"
#include "session/session.hpp"

namespace corvel {

// Opens a file and walks its header. False when it cannot be opened or is
// not ASF; the status and the log say why.
// `reads` (not owned) reads the file in place of the system's calls (a
// test's failing disk); every job on the session reads through it.
bool OpenFile(Session& s, const std::string& path, ReadCalls* reads = nullptr);
// Whether the file at `path` opens with a stream table of its own.
bool HasOwnStreams(const std::string& path);
// Opens a file whose header is gone with the header of `reference`, a
// recording made with the same settings, put before its packets (see
// BorrowHeader); every job then reads the two as one file. False, with the
// reason in the log and the status, when the reference does not fit.
bool OpenWithReference(Session& s, const std::string& path, const std::string& reference, ReadCalls* reads = nullptr);
// The same over bytes held in memory (tests, fuzzing); `name` stands for the path.
bool OpenBytes(Session& s, const std::string& name, Bytes bytes);

struct ScanJob {
  SourceRef source;
  CutList cuts;
  FileStructure structure;
  ScanOptions options;
  // `events` hears the blocks too when it is a ScanEvents.
  // `tap` (may be null) hears every read of the file.
  JobResult<ScanData> run(JobContext& ctx, ReadTap* tap = nullptr) const;
};
ScanJob PrepareScan(const Session& s);
// False when the scan could not run.
bool ApplyScan(Session& s, JobResult<ScanData> r);

struct RepairJob {
  SourceRef source;
  CutList cuts;
  std::vector<ListedBlock> list;
  RepairMode mode = RepairMode::cutEqualRepeats;
  RepairOptions options;
  StreamTable streams;  // whose decoders judge where a cut goes
  JobResult<RepairData> run(JobContext& ctx) const;
};
RepairJob PrepareRepair(const Session& s, RepairMode mode, const RepairOptions& o);
bool ApplyRepair(Session& s, JobResult<RepairData> r);

// What a save did: and, when the cuts had changed since the last scan, the
// scan it ran first (the packets it wrote are that scan's).
struct SaveOutcome {
  SaveData save;
  std::optional<JobResult<ScanData>> rescan;
  std::optional<JobResult<VerifyData>> verify;  // run first when damaged frames are dropped
};

// The save reads the session's packets in place: the session must not scan
// again while it runs. When the cuts changed since the last scan (a repair
// was made), it scans the logical file first and saves what that scan found.
struct SaveJob {
  SourceRef source;
  CutList cuts;
  SaveInput input;
  SaveOptions options;
  VerifyOptions verify;  // of the verify that finds the damaged frames to drop
  std::optional<ScanJob> rescan;
  std::vector<DamagedFrame> damagedByCuts;  // the repairs' cuts left them
  bool decodeWritten = false;  // decode the written file and say how many frames decode
  JobResult<SaveOutcome> run(JobContext& ctx) const;

 private:
  // The media objects a decoder finds damaged in the output written at `path`.
  std::vector<DamagedObject> damagedWritten(const std::string& path, JobContext& ctx) const;
  // Decodes the written file and says in the message how many frames decode.
  void sayWhatDecodes(const SaveInput& in, JobResult<SaveData>& saved) const;
};
// Refused (false, with the log line) before a scan.
bool PrepareSave(Session& s, const std::string& output, SaveJob& job);
// A save that scans first, whatever the session found before: the scan
// copies what it reads into the output as it goes, so that the source is
// read once.
void PrepareScanAndSave(Session& s, const std::string& output, SaveJob& job);
bool ApplySave(Session& s, JobResult<SaveOutcome> r);

struct ReconstructJob {
  SourceRef source;
  WalkOptions walk;
  JobResult<FileStructure> run(JobContext& ctx) const;
};
ReconstructJob PrepareReconstruct(const Session& s);
bool ApplyReconstruct(Session& s, JobResult<FileStructure> r);

// Decodes the media objects of the logical file and lists the damaged ones.
struct VerifyJob {
  SourceRef source;
  CutList cuts;
  StreamTable streams;
  VerifyOptions options;
  JobResult<VerifyData> run(JobContext& ctx) const;
};
VerifyJob PrepareVerify(const Session& s);
// Keeps the list for the rows; false when the verify could not run.
bool ApplyVerify(Session& s, JobResult<VerifyData> r);
bool Verify(Session& s, std::stop_token stop = {}, JobEvents* events = nullptr);

// Jobs that leave the open file as it is: the join of files of its own,
// and the exports of the open file (refused, as every job on it, when the
// file changed on disk since it was opened).
struct JoinJob {
  std::vector<std::string> inputs;
  std::string output;
  JoinOptions options;
  JobResult<JoinData> run(JobContext& ctx) const;
};

// The exports read the file as a save would write it: without the cuts.
struct AviJob {
  SourceRef source;
  CutList cuts;
  HeaderRecords rec;
  std::string output;
  StreamChoice choice = StreamChoice::VideoAndAudio;
  JobResult<ExportData> run(JobContext& ctx) const;
};
AviJob PrepareAvi(const Session& s, const std::string& output, StreamChoice choice);

struct FramesJob {
  SourceRef source;
  CutList cuts;
  long count = 10;  // after the first object
  StreamChoice choice = StreamChoice::VideoAndAudio;
  std::string dir;  // empty: the current folder
  std::function<void()> beep;  // called on the job's thread; may be empty
  JobResult<ExportData> run(JobContext& ctx) const;
};
FramesJob PrepareFrames(const Session& s, long count, StreamChoice choice, const std::string& dir);

// The one-call forms.
bool Scan(Session& s, std::stop_token stop = {}, JobEvents* events = nullptr);
bool Repair(Session& s, RepairMode mode, const RepairOptions& o, std::stop_token stop = {}, JobEvents* events = nullptr);
bool Save(Session& s, const std::string& output, std::stop_token stop = {}, JobEvents* events = nullptr);
bool ScanAndSave(Session& s, const std::string& output, std::stop_token stop = {}, JobEvents* events = nullptr);
bool Reconstruct(Session& s, std::stop_token stop = {}, JobEvents* events = nullptr);

// Loads the error list "<input>.index" (or `path`): on success the cuts are
// cleared and the grid shows the list. A missing file or one that is not a
// whole number of records changes nothing and gives false.
// A list whose blocks this file's bytes do not bear out (past its end, or
// without the repeat each names) is refused: `why` (and the log) say which
// block.
bool LoadErrors(Session& s, const std::string& path = {}, Message* why = nullptr);
// Reads `len` bytes of the open file at `offset`: of the logical file (through
// the cuts) or of the file as it is on disk. False, and `why`, when it cannot
// be read (also when the file changed on disk since it was opened).
bool ReadSourceBytes(const Session& s, std::uint64_t offset, std::uint64_t len, bool throughCuts, Bytes& out, Message& why);

// Saves the error list beside the input (or to `path`); on failure `error`
// is the system's reason, and a list there before is kept.
bool SaveErrors(const Session& s, const std::string& path, std::string& error, WriteCalls* calls = nullptr);

}  // namespace corvel
