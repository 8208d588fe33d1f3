#include <iomanip>
#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/commands.hpp"
#include "cli/output.hpp"

namespace corvel::cli {

namespace {

using nlohmann::json;

json scanJson(const Session& s, const std::vector<std::string>& log) {
  json blocks = json::array();
  for (std::size_t i = s.lastScanFirstBlock; i < s.errBlocks.size(); ++i) {
    const ErrorBlock& b = s.errBlocks[i];
    blocks.push_back({{"packet", b.packet},
                      {"offset", b.offset},
                      {"declared_size", b.declaredSize},
                      {"actual_size", b.isClosed() ? json(b.actualSize) : json(nullptr)},
                      {"kind", BlockKindName(b.unreadable)},
                      {"rejected", b.rejection.empty() ? json(nullptr) : json(b.rejection)}});
  }
  json j;
  j["file"] = s.fileName;
  j["status"] = s.statusText();
  j["packets"] = s.packets.size();
  j["keyframe_packets"] = s.keyframePackets;
  j["error_blocks"] = std::move(blocks);
  const auto& index = s.structure.rec.simpleIndex;
  j["index"] = s.indexBuilt ? json{{"entries", index.entryCount},
                                   {"interval", index.entryTimeInterval},
                                   {"max_packet_count", index.maximumPacketCount}}
                            : json(nullptr);
  j["log"] = log;
  return j;
}

void printRows(const ErrorRows& rows, Language lang) {
  if (rows.size() == 0) return;
  const auto print = [](const ErrorCells& cells) {
    for (std::size_t c = 0; c < cells.size(); ++c) std::cout << (c ? "  " : "") << std::setw(c < 3 ? 4 : 14) << cells[c];
    std::cout << '\n';
  };
  std::cout << '\n';
  print(ErrorColumnTitles(lang));
  for (std::size_t r = 0; r < rows.size(); ++r) print(CellsOf(rows.rows()[r], r + 1, lang));
}

}  // namespace

int runScan(const ScanCliOptions& o, const CommonOptions& common) {
  CliRun run(common, !common.json);
  Session& s = run.s;
  s.options.highPriority = !o.lowPriority;
  s.options.writeDump = o.dump;
  if (!OpenForCommand(run, o.file)) return 1;
  const bool ran = run.scan();
  if (!ran) {
    ErrorLine(o.file, run.reason());
    if (common.json) printJson(scanJson(s, run.listener.lines()));
    return 1;
  }
  if (common.json) {
    printJson(scanJson(s, run.listener.lines()));
    return 0;
  }
  std::cout << s.statusText() << '\n';
  printRows(s.errorRows, s.lang);
  std::cout << "\npackets parsed: " << s.packets.size() << "\nkey-frame packets: " << s.keyframePackets
            << "\nerror blocks: " << s.errBlocks.size()
            << "\nindex entries built: " << (s.indexBuilt ? s.structure.rec.simpleIndex.entryCount : 0) << '\n';
  return 0;
}

}  // namespace corvel::cli
