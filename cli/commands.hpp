// The commands of corvel-cli. Each returns the process exit status.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "l10n/messages.hpp"

namespace corvel::cli {

// What one file's command came to, kept for a batch's summary in place of
// being printed: the report --json prints, and why it failed.
struct FileReport {
  nlohmann::json report;
  std::string reason;  // empty when nothing failed
};

struct CommonOptions {
  Language lang = Language::eng;
  bool json = false;
  FileReport* gather = nullptr;  // set by a batch: the command reports here, prints nothing
  bool progress = true;          // a progress line on a terminal (off while several files run at once)
};

struct InfoOptions {
  std::string file;
  bool unknown = false;
  bool indexEntries = false;
};

int runInfo(const InfoOptions& o, const CommonOptions& common);

struct ScanCliOptions {
  std::string file;
  bool dump = false;
  bool lowPriority = false;
};

int runScan(const ScanCliOptions& o, const CommonOptions& common);

struct SaveCliOptions {
  std::vector<std::string> files;  // as given: several make a batch
  std::string file;
  std::string output;  // empty: the next free "<name>.NNN<ext>"
  bool minimalHeader = false;
  bool noIndex = false;
  bool renumber = false;
  bool keepIncomplete = false;
  bool dropDamaged = false;
  unsigned threads = 0;  // decoders at once in the verify of --drop-damaged; 0: one per core
  bool force = false;
};

int runSave(const SaveCliOptions& o, const CommonOptions& common);

struct RepairCliOptions {
  SaveCliOptions save;
  std::string mode = "structure";  // structure, eq, rescan or sizes
  std::string minRepeat = "100";
  bool anyByte = false;
  bool anyDelta = false;
  std::string errors;  // a ".index" list to repair instead of scanning
  bool saveErrors = false;
  std::string reference;  // a recording whose header the file takes when its own is gone
};

// The exit status of a save or repair whose output was written whole but
// keeps frames a decoder rejects (a cut that decoding did not confirm).
constexpr int kSavedWithDamagedFrames = 3;

int runRepair(const RepairCliOptions& o, const CommonOptions& common);

struct VerifyCliOptions {
  std::string file;
  unsigned threads = 0;  // decoders at once; 0: one per core
};

// Exit status 0 when nothing is damaged, 1 when something is (or the file
// cannot be verified).
int runVerify(const VerifyCliOptions& o, const CommonOptions& common);

struct ReconstructCliOptions {
  std::string file;
  std::string output;
  bool force = false;
};

int runReconstruct(const ReconstructCliOptions& o, const CommonOptions& common);

struct JoinCliOptions {
  std::vector<std::string> inputs;
  std::string output;
  std::string preroll;  // --preroll MS
  bool prerollFromFirst = false;
  bool noPreroll = false;
  std::string sendTime = "even";  // even, approximate, video
  std::string lead;               // --lead MS
  bool leadPreroll = false;
  bool lowPriority = false;
  bool force = false;
};

int runJoin(const JoinCliOptions& o, const CommonOptions& common);

struct ExportCliOptions {
  std::vector<std::string> files;  // avi: as given, several make a batch
  std::string file;
  std::string output;  // avi: default FILE.avi
  bool videoOnly = false;
  bool audioOnly = false;
  long count = 10;     // frames
  std::string dir;     // frames: where the files go
  bool force = false;
};

int runAvi(const ExportCliOptions& o, const CommonOptions& common);
int runFrames(const ExportCliOptions& o, const CommonOptions& common);

}  // namespace corvel::cli
