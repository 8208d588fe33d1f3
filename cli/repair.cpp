// The commands that write files: save, repair, reconstruct.
#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>

#include "io/output_file.hpp"
#include "cli/commands.hpp"
#include "cli/output.hpp"
#include "session/output_name.hpp"

namespace corvel::cli {

namespace {

using nlohmann::json;

json packsJson(const std::vector<ListedBlock>& packs) {
  json a = json::array();
  for (std::size_t i = 0; i < packs.size(); ++i) {
    const ListedBlock& p = packs[i];
    if (!p.listed()) continue;
    a.push_back({{"index", i},
                 {"offset", p.offset},
                 {"declared_size", p.declaredSize},
                 {"actual_size", p.actualSize},
                 {"delta", p.delta()},
                 {"kind", BlockKindName(p.unreadable)},
                 {"max_repeat", {{"byte", p.repByte}, {"length", p.repLen}, {"offset", p.repOffset}}}});
  }
  return a;
}

json scanSummary(const Session& s) {
  return {{"packets", s.packets.size()}, {"keyframe_packets", s.keyframePackets}, {"error_blocks", packsJson(s.errorList)}};
}

void printScan(const char* what, const Session& s) {
  std::size_t listed = 0;
  for (const auto& p : s.errorList) listed += p.listed();
  std::cout << what << ": " << s.packets.size() << " packets, " << listed << " error blocks\n";
  for (std::size_t r = 0; r < s.errorRows.size(); ++r) {
    const ErrorCells cells = CellsOf(s.errorRows.rows()[r], r + 1, s.lang);
    std::cout << "  ";
    for (std::size_t c = 1; c < cells.size(); ++c) std::cout << (c > 1 ? "  " : "") << cells[c];
    std::cout << '\n';
  }
}

// The output path to use, or an empty string (and a message) when refused.
std::string chooseOutput(CliRun& run, const std::string& input, const std::string& requested, bool force) {
  const std::string out = requested.empty() ? OutputName(input, OutputNaming::nextFree) : requested;
  return RefuseExisting(run, out, force) ? std::string() : out;
}

bool openAndScan(CliRun& run, const std::string& file) {
  if (!OpenForCommand(run, file)) return false;
  if (!run.scan()) {
    run.fail(file, run.reason());
    return false;
  }
  return true;
}

void applySaveOptions(Session& s, const SaveCliOptions& o) {
  s.options.save.header = o.minimalHeader ? HeaderMode::minimal : HeaderMode::fromSource;
  s.options.save.writeIndex = !o.noIndex;
  s.options.save.renumberMediaObjects = o.renumber;
  s.options.save.keepIncompleteObjects = o.keepIncomplete;
  s.options.save.dropDamaged = o.dropDamaged;
  s.options.verifyThreads = o.threads;
}

// Scans the file and saves what the scan found to `out` in the same read,
// reports the result (in `j` for JSON, the scan's summary under
// `scanKey`, or beside the rest when it is empty) and gives the exit status.
int scanSaveAndReport(CliRun& run, const std::string& out, json j, bool asJson, const std::string& scanKey,
                      const char* scanLine = nullptr) {
  Session& s = run.s;
  const bool saved = run.scanAndSave(out);
  if (run.scanFailed) return run.fail(j["file"].get<std::string>(), run.reason());
  if (scanKey.empty())
    j.update(scanSummary(s));
  else
    j[scanKey] = scanSummary(s);
  if (!asJson && scanLine) printScan(scanLine, s);
  const SaveData& d = s.lastSave;
  j.update({{"output", out},
            {"saved", saved},
            {"status", s.statusText()},
            {"packets_written", d.packets},
            {"source_packets", d.sourcePackets},
            {"packets_in_error_blocks", d.packetsInErrorBlocks},
            {"incomplete_left_out", {{"video", d.leftOut.video}, {"audio", d.leftOut.audio}, {"other", d.leftOut.other}}},
            {"payloads_rescued", d.rescuedPayloads},
            {"damaged_left_out", {{"video", d.damagedLeftOut.video}, {"audio", d.damagedLeftOut.audio}, {"other", d.damagedLeftOut.other}}},
            {"damaged_found", s.verified ? json(s.verify.damaged.size()) : json(nullptr)},
            {"damaged_frames_kept", d.damagedKept},
            {"before_key_frame_left_out", d.beforeKeyFrame},
            {"log", run.listener.lines()}});
  if (d.writtenDecoded) j["frames_decoding"] = d.framesDecoding;
  if (!saved) {
    // Why: the last problem the log named, or the status.
    std::string why = s.statusText();
    for (const std::string& line : run.listener.lines())
      if (line.rfind("• ", 0) == 0) why = withoutBullet(line);
    j["error"] = why;
  }
  if (asJson) {
    run.report(j);
  } else {
    std::cout << (saved ? run.text(Message(MessageId::FileSaved)) + ": " + out : run.text(Message(MessageId::FileSaveError))) << '\n';
    // The status's further lines: what was left out.
    const std::string status = s.statusText();
    if (saved && status.find('\n') != std::string::npos) std::cout << status.substr(status.find('\n') + 1) << '\n';
  }
  if (!saved) return 1;
  return d.damagedKept > 0 ? kSavedWithDamagedFrames : 0;
}

const char* decodingName(CutDecoding d) {
  switch (d) {
    case CutDecoding::confirmed: return "confirmed";
    case CutDecoding::damaged: return "damaged";
    case CutDecoding::notJudged: break;
  }
  return "not judged";
}

// The cuts, each with what decoding said of it when it was checked.
json cutsJson(const Session& s, bool text) {
  json cuts = json::array();
  for (const auto& c : s.file.cuts.ranges()) {
    json cut = {{"offset", c.offset}, {"length", c.length}};
    const auto checked = std::find_if(s.checkedCuts.begin(), s.checkedCuts.end(),
                                      [&](const CheckedCut& k) { return k.offset == c.offset && k.length == c.length; });
    if (checked != s.checkedCuts.end()) {
      cut["decoding"] = decodingName(checked->decoding);
      cut["places_tried"] = checked->tried;
    }
    cuts.push_back(std::move(cut));
    if (text) std::cout << "cut " << c.length << " bytes at " << c.offset << '\n';
  }
  if (text && cuts.empty()) std::cout << "nothing cut\n";
  return cuts;
}

json damagedJson(const std::vector<DamagedFrame>& frames) {
  json a = json::array();
  for (const DamagedFrame& f : frames) a.push_back({{"stream", f.stream}, {"object", f.object}, {"time_ms", f.time}});
  return a;
}

}  // namespace

int runSave(const SaveCliOptions& o, const CommonOptions& common) {
  CliRun run(common, !common.json);
  if (!OpenForCommand(run, o.file)) return 1;
  const std::string out = chooseOutput(run, o.file, o.output, o.force);
  if (out.empty()) return 1;
  applySaveOptions(run.s, o);
  json j;
  j["file"] = o.file;
  return scanSaveAndReport(run, out, std::move(j), common.json, "");
}

int runRepair(const RepairCliOptions& o, const CommonOptions& common) {
  CliRun run(common, !common.json);
  Session& s = run.s;
  RepairMode mode = RepairMode::cutByStructure;
  if (o.mode == "eq") mode = RepairMode::cutEqualRepeats;
  if (o.mode == "rescan") mode = RepairMode::cutAndRemeasure;
  if (o.mode == "sizes") mode = RepairMode::acceptSizes;
  const bool borrowed = !o.reference.empty() && o.errors.empty() && !HasOwnStreams(o.save.file);
  if (!o.errors.empty()) {
    if (!OpenForCommand(run, o.save.file)) return 1;
    Message why;
    if (!LoadErrors(s, o.errors, &why)) return run.fail(o.errors, withoutBullet(run.text(why)));
  } else if (borrowed) {
    // The file's header is gone: the reference's stands in for it.
    if (!OpenWithReference(s, o.save.file, o.reference)) return run.fail(o.save.file, withoutBullet(s.statusText()));
    if (!run.scan()) return run.fail(o.save.file, run.reason());
  } else if (!openAndScan(run, o.save.file)) {
    return 1;
  }
  json j;
  j["file"] = o.save.file;
  j["first_scan"] = scanSummary(s);
  if (!common.json) printScan(o.errors.empty() ? "first scan" : "error list", s);
  if (o.saveErrors) {
    std::string error;
    const std::string list = OutputName(o.save.file, OutputNaming::errorList);
    if (!SaveErrors(s, list, error)) return run.fail(list, error);
    j["error_list"] = list;
  }
  const std::string out = chooseOutput(run, o.save.file, o.save.output, o.save.force);
  if (out.empty()) return 1;

  RepairOptions ro;
  ro.onlyLongerBlocks = !o.anyDelta;
  ro.onlyZeroRepeats = !o.anyByte;
  ro.minRepeat = static_cast<std::uint32_t>(std::min<std::uint64_t>(NumberOr(o.minRepeat, 100), UINT32_MAX));
  if (!run.repair(mode, ro)) return run.fail(o.save.file, s.file.lastError);
  j["cuts"] = cutsJson(s, !common.json);
  j["restored_by_decoding"] = std::count_if(s.checkedCuts.begin(), s.checkedCuts.end(),
                                            [](const CheckedCut& c) { return c.decoding == CutDecoding::confirmed; });
  j["still_damaged"] = damagedJson(s.damagedByCuts());

  // The logical file, with the cuts left out, is scanned again and saved.
  applySaveOptions(s, o.save);
  if (borrowed) j["reference"] = o.reference;
  return scanSaveAndReport(run, out, std::move(j), common.json, "second_scan", "second scan");
}

int runReconstruct(const ReconstructCliOptions& o, const CommonOptions& common) {
  CliRun run(common, !common.json);
  Session& s = run.s;
  s.fileName = o.file;
  s.source = SourceRef{o.file, nullptr, StampOf(o.file)};
  if (!s.file.open(s.source, CutList())) return run.fail(o.file, s.file.lastError);
  s.file.close();
  if (!run.reconstruct()) return run.fail(o.file, run.reason());
  json j;
  j["file"] = o.file;
  j["objects"] = ObjectsJson(s);
  if (!common.json) std::cout << s.structure.tree.render();
  if (o.output.empty()) {
    j["log"] = run.listener.lines();
    if (common.json) run.report(j);
    return 0;
  }
  const std::string out = chooseOutput(run, o.file, o.output, o.force);
  if (out.empty()) return 1;
  return scanSaveAndReport(run, out, std::move(j), common.json, "scan");
}

}  // namespace corvel::cli
