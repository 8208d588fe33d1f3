// Everything about the open file: where it comes from, its cut list, its
// structure, the results of the last scan, the error list and its rows, the log
// and the options. It lives on one thread (the window's, or the command
// line's): jobs run elsewhere on copies of what they need and hand back
// results, which the session applies on its own thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/error_blocks.hpp"
#include "analysis/packet.hpp"
#include "asf/header_walk.hpp"
#include "io/job.hpp"
#include "io/source_file.hpp"
#include "asf/structure.hpp"
#include "l10n/messages.hpp"
#include "repair/repair.hpp"
#include "repair/save.hpp"
#include "session/error_rows.hpp"
#include "verify/verify.hpp"

namespace corvel {

struct SessionOptions {
  WalkOptions walk;
  bool highPriority = true;  // scan at full speed; off: in the background (idle priority, paced)
  bool writeDump = false;    // a dump line per packet during the scan
  std::string dumpPath;      // empty: "<input name>.dump.txt" in the current folder
  SaveOptions save;
  // The header may be built from the source's objects; false once the
  // structure was reconstructed (then only the minimal header is sound).
  bool sourceHeaderUsable = true;
  unsigned verifyThreads = 0;  // decoders at once in a verify; 0: one per core
};

// The log: lines appended one per event; emptied first once it holds
// MaxLines lines.
class LogLines {
 public:
  static constexpr std::size_t MaxLines = 500;
  void clear() { lines_.clear(); }
  void append(Message line) {
    if (lines_.size() >= MaxLines) lines_.clear();
    lines_.push_back(std::move(line));
  }
  const std::vector<Message>& lines() const { return lines_; }

 private:
  std::vector<Message> lines_;
};

// Hears the session change, on the session's thread.
class SessionEvents {
 public:
  virtual ~SessionEvents() = default;
  virtual void log(const Message& /*line*/) {}
  virtual void status(const Message& /*text*/) {}
  // The error rows were refilled.
  virtual void errorRowsChanged() {}
};

struct Session {
  std::string fileName;
  SourceRef source;  // where the bytes come from (the file, or memory in tests)
  SourceFile file;   // the session's own reader: size, cuts and the last error
  SessionOptions options;
  Language lang = Language::rus;
  SessionEvents* events = nullptr;  // not owned; may be null

  FileStructure structure;

  // Results of the last scan.
  PacketTable packets;
  std::vector<ErrorBlock> errBlocks;  // every scan appends
  std::size_t lastScanFirstBlock = 0;  // where the last scan's blocks begin
  std::vector<ListedBlock> errorList;  // the blocks the repairs work on
  bool sourceUnfinished = false;       // the scanned header lacked count, size or durations
  std::uint64_t keyframePackets = 0;
  std::uint64_t packetsInErrorBlocks = 0;  // of the last scan
  bool indexBuilt = false;  // the scan built a new Simple Index into structure.rec.simpleIndex
  bool headerBorrowed = false;  // the header is a reference recording's (OpenWithReference)
  CutList scannedCuts;      // the cuts the packets above were found through
  // The repairs' cuts into media data since the cuts were last cleared,
  // with what decoding said of each.
  std::vector<CheckedCut> checkedCuts;

  // What the last save wrote.
  SaveData lastSave;

  // The last verify by decoding of the logical file (the one a save that
  // dropped damaged frames ran counts too).
  VerifyData verify;
  bool verified = false;

  ErrorRows errorRows;  // of the last scan, or the error list
  LogLines logLines;
  Message status;

  // Appends a line to the log and passes it on.
  void log(Message line);
  // Appends lines a job logged (its listeners heard them as they came).
  void keepLog(std::vector<Message> lines);
  void setStatus(Message text);
  std::string statusText() const { return Render(status, lang); }
  std::string text(const Message& m) const { return Render(m, lang); }
  // The error rows show the error list.
  void showErrorRows();
  // The logical file is the source file again.
  void clearCuts();
  // The frames the repairs' cuts left that a decoder rejects.
  std::vector<DamagedFrame> damagedByCuts() const;
};

}  // namespace corvel
