// Everything about the open file: source and cache, cut list, block list,
// header records, structure tree, log and options. Operations take it by
// reference; nothing of it is process-wide.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/error_blocks.hpp"
#include "analysis/packet.hpp"
#include "app/localization.hpp"
#include "asf/records.hpp"
#include "asf/report.hpp"
#include "asf/source_file.hpp"
#include "asf/tree.hpp"
#include "repair/error_list.hpp"

namespace corvel {

struct TListaItem {
  std::string id;  // GUID text as read
  std::int32_t parent = -1;
  std::int64_t offset = 0;
  std::int64_t size = 0;
  int node = -1;  // structure tree node
};

struct SessionOptions {
  bool CheckUN = false;   // record objects whose GUID is not in the catalogue
  bool CheckSIO = false;  // list the Simple Index entries in the tree
  bool CheckHP = true;    // scan at full speed; off: pause 5 ms per step
  bool CheckDump = false; // write a dump line per packet during the scan
  std::string dumpPath;   // empty: "<input name>.dump.txt" in the current folder
  // Saving.
  bool RadioZM = false;    // header of the minimum necessary objects only
  bool RadioZIEnabled = true;  // the header may be built from the source's objects
  bool CheckNOsio = false; // save without a Simple Index
  bool CheckPere = false;  // renumber the media objects
};

struct Session {
  std::string fileName;
  SourceFile file;
  SessionOptions options;
  Language lang = Language::rus;
  Reporter* reporter = nullptr;  // not owned; may be null

  std::vector<TListaItem> lista;
  HeaderRecords rec;
  std::int64_t DAOOffset = 0;
  std::int32_t DAOIndex = -1;

  // Results of the last scan.
  std::vector<TAsfDataPacket> packets;
  std::vector<TErrBlock> errBlocks;  // every scan appends
  std::size_t lastScanFirstBlock = 0;  // where the last scan's blocks begin
  std::vector<TErrPack> errPacks;    // the blocks the repairs work on
  bool sourceUnfinished = false;     // the scanned header lacked count, size or durations
  ErrorGrid errGrid;
  std::uint64_t keyframePackets = 0;
  std::uint64_t scanPacketCount = 0;
  bool indexBuilt = false;  // the scan built a new Simple Index into rec.ASFSIO

  StructureTree tree;
  MemoLog memo;
  std::string statusText;

  // Translated message text.
  std::string T(std::string_view rus) const { return Translate(rus, lang); }
  // Appends a line to the log memo.
  void tomemo(const std::string& line);
  // Replaces the status line.
  void setStatus(const std::string& text);
};

}  // namespace corvel
