#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>

#include "io/platform.hpp"
#include "cli/batch.hpp"
#include "cli/commands.hpp"
#include "cli/console.hpp"
#include "cli/output.hpp"
#include "session/output_name.hpp"

using namespace corvel;

namespace {

// A whole number from 0 to 999,999,999: "abc", "-5" or "1.5" is a usage error.
const CLI::Validator kWholeNumber(
    [](std::string& text) -> std::string {
      const bool digits = !text.empty() && text.size() <= 9 &&
                          std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
      return digits ? std::string() : "not a whole number from 0 to 999999999: " + text;
    },
    "NUMBER");

// Every subcommand with the options it fills.
struct Commands {
  cli::CommonOptions common;
  std::string lang = "en";
  unsigned jobs = 1;  // files of a batch done at once
  cli::InfoOptions info;
  cli::ScanCliOptions scan;
  cli::SaveCliOptions save;
  cli::RepairCliOptions repair;
  cli::ReconstructCliOptions recon;
  cli::VerifyCliOptions verify;
  cli::JoinCliOptions join;
  cli::ExportCliOptions avi, frames;
  CLI::App *infoCmd = nullptr, *scanCmd = nullptr, *saveCmd = nullptr, *repairCmd = nullptr, *reconCmd = nullptr,
           *joinCmd = nullptr, *aviCmd = nullptr, *framesCmd = nullptr, *verifyCmd = nullptr;

  void addCommon(CLI::App* cmd) {
    cmd->add_option("--lang", lang, "language of messages: en or ru")->check(CLI::IsMember({"en", "ru"}));
    cmd->add_flag("--json", common.json, "print one JSON object instead of text");
  }

  void addJobs(CLI::App* cmd) {
    cmd->add_option("--jobs", jobs, "with several inputs, files done at once (default 1)")->check(CLI::Range(1u, 256u));
  }

  static void addThreads(CLI::App* cmd, unsigned& threads) {
    cmd->add_option("--threads", threads, "decoders running at once in a verify (default: one per core)")
        ->check(CLI::Range(1u, 256u));
  }

  void addInspect(CLI::App& app) {
    infoCmd = app.add_subcommand("info", "show the objects of a file's header as a tree");
    infoCmd->add_option("FILE", info.file, "ASF file")->required();
    infoCmd->add_flag("--unknown", info.unknown, "list objects whose GUID is not in the catalogue");
    infoCmd->add_flag("--index-entries", info.indexEntries, "list the Simple Index entries in the tree");
    addCommon(infoCmd);

    scanCmd = app.add_subcommand("scan", "scan every data packet for damage and build a new index");
    scanCmd->add_option("FILE", scan.file, "ASF file")->required();
    scanCmd->add_flag("--dump", scan.dump, "write a line per packet to <name>.dump.txt in the current folder");
    scanCmd->add_flag("--low-priority", scan.lowPriority, "run in the background: idle CPU and I/O priority, a short pause per read block");
    addCommon(scanCmd);

    verifyCmd = app.add_subcommand("verify", "decode every media object and list those the decoder finds damaged (exit status 1 when any)");
    verifyCmd->add_option("FILE", verify.file, "ASF file")->required();
    addThreads(verifyCmd, verify.threads);
    addCommon(verifyCmd);
  }

  void addSaveOptions(CLI::App* cmd, cli::SaveCliOptions& o) {
    cmd->add_option("FILE", o.files, "ASF file; several (or a shell glob) are processed one after another")->required();
    cmd->add_option("-o,--output", o.output,
                    "output file (default: the next free <name>.NNN<ext> beside the input); with several inputs, the folder for the outputs");
    cmd->add_flag("--minimal-header", o.minimalHeader, "header of File Properties, Stream Properties and Codec List only");
    cmd->add_flag("--no-index", o.noIndex, "save without a Simple Index");
    cmd->add_flag("--renumber", o.renumber, "renumber the media objects");
    cmd->add_flag("--keep-incomplete", o.keepIncomplete,
                  "write the packets as found: keep fragments of incomplete media objects and damaged payloads, rescue none");
    cmd->add_flag("--drop-damaged", o.dropDamaged,
                  "verify by decoding first; leave out damaged frames and, in a video stream, the frames up to the next key frame");
    addThreads(cmd, o.threads);
    addJobs(cmd);
    cmd->add_flag("--force", o.force, "overwrite an existing output file");
    addCommon(cmd);
  }

  void addRepair(CLI::App& app) {
    saveCmd = app.add_subcommand("save", "scan, then save a copy with a rebuilt header and a new index");
    addSaveOptions(saveCmd, save);

    repairCmd = app.add_subcommand("repair", "scan (or load an error list), cut repeats and inserted bytes out (placed by decoding), scan again, save "
                                      "(exit status 3 when frames a cut left damaged remain)");
    addSaveOptions(repairCmd, repair.save);
    repairCmd->add_option("--mode", repair.mode, "structure (default): cut repeats as long as the delta, then inserted bytes found by the packet structure; "
                        "eq: cut repeats as long as the delta; rescan: cut repeats and re-measure; sizes: mark sizes fixed")
        ->check(CLI::IsMember({"structure", "eq", "rescan", "sizes"}));
    repairCmd->add_option("--min-repeat", repair.minRepeat, "shortest repeat to cut in rescan mode (default 100)")->check(kWholeNumber);
    repairCmd->add_flag("--any-byte", repair.anyByte, "cut repeats of any byte, not only of zeros");
    repairCmd->add_flag("--any-delta", repair.anyDelta, "rescan mode: also blocks that are not longer than declared");
    repairCmd->add_option("--errors", repair.errors, "repair the blocks of this .index list instead of scanning");
    repairCmd->add_flag("--save-errors", repair.saveErrors, "save the error list as <FILE>.index");
    repairCmd->add_option("--reference", repair.reference,
                          "a recording of the same device and settings: its header is taken when the file's own is gone");

    reconCmd = app.add_subcommand("reconstruct", "rebuild the block list by searching for object identifiers");
    reconCmd->add_option("FILE", recon.file, "ASF file")->required();
    reconCmd->add_option("-o,--output", recon.output, "scan and save with the minimal header to this file");
    reconCmd->add_flag("--force", recon.force, "overwrite an existing output file");
    addCommon(reconCmd);
  }

  void addJoin(CLI::App& app) {
    joinCmd = app.add_subcommand("join", "join parts of one recording into one file");
    joinCmd->add_option("-o,--output", join.output, "output file")->required();
    joinCmd->add_option("FILES", join.inputs, "the parts, in order")->required();
    auto* pr = joinCmd->add_option("--preroll", join.preroll, "preroll of the output in ms (default 5000)")->check(kWholeNumber);
    auto* pr1 = joinCmd->add_flag("--preroll-from-first", join.prerollFromFirst, "take the first file's preroll");
    auto* pr0 = joinCmd->add_flag("--no-preroll", join.noPreroll, "preroll 0");
    pr->excludes(pr1)->excludes(pr0);
    pr1->excludes(pr0);
    joinCmd->add_option("--send-time", join.sendTime, "send times: even (spread evenly), approximate (from presentation times), video (video time - preroll)")
        ->check(CLI::IsMember({"even", "approximate", "video"}));
    auto* lead = joinCmd->add_option("--lead", join.lead, "approximate: send times lead presentation by this many ms (default 5000)")->check(kWholeNumber);
    joinCmd->add_flag("--lead-preroll", join.leadPreroll, "approximate: lead by the preroll")->excludes(lead);
    joinCmd->add_flag("--low-priority", join.lowPriority, "run in the background: idle CPU and I/O priority, a short pause per block of packets");
    joinCmd->add_flag("--force", join.force, "overwrite an existing output file");
    addCommon(joinCmd);
  }

  void addExport(CLI::App& app) {
    aviCmd = app.add_subcommand("avi", "remux the streams into an AVI file without re-encoding");
    aviCmd->add_option("FILE", avi.files, "ASF file; several (or a shell glob) are processed one after another")->required();
    aviCmd->add_option("-o,--output", avi.output, "output file (default FILE.avi); with several inputs, the folder for the outputs");
    auto* vo = aviCmd->add_flag("--video-only", avi.videoOnly, "every video stream, no audio");
    aviCmd->add_flag("--audio-only", avi.audioOnly, "every audio stream, no video")->excludes(vo);
    addJobs(aviCmd);
    aviCmd->add_flag("--force", avi.force, "overwrite an existing output file");
    addCommon(aviCmd);

    framesCmd = app.add_subcommand("frames", "write the first media objects to files frame0.txt, frame1.txt, ...");
    framesCmd->add_option("FILE", frames.file, "ASF file")->required();
    framesCmd->add_option("N", frames.count, "media objects after the first to look at (default 10)")->check(CLI::NonNegativeNumber);
    auto* fvo = framesCmd->add_flag("--video-only", frames.videoOnly, "every video stream only");
    framesCmd->add_flag("--audio-only", frames.audioOnly, "every stream that is not video")->excludes(fvo);
    framesCmd->add_option("--dir", frames.dir, "folder for the files (default: the current folder)");
    addCommon(framesCmd);
  }

  // One input: the command as it is (its output as given or by default).
  // Several: a batch, -o naming the folder.
  template <typename RunOne>
  int batchOrOne(const std::vector<std::string>& files, const std::string& output, OutputNaming naming, RunOne runOne) {
    const std::vector<std::string> distinct = cli::DistinctInputs(files);
    if (distinct.size() == 1) {
      const std::string out = output;
      return runOne(distinct[0], out, common);
    }
    return cli::RunBatch({distinct, output, naming, jobs, runOne}, common);
  }

  int run() {
    ParseLanguage(lang, common.lang);
    if (infoCmd->parsed()) return cli::runInfo(info, common);
    if (scanCmd->parsed()) return cli::runScan(scan, common);
    if (verifyCmd->parsed()) return cli::runVerify(verify, common);
    if (saveCmd->parsed()) return batchOrOne(save.files, save.output, OutputNaming::nextFree, [this](const std::string& f, const std::string& out, const cli::CommonOptions& c) {
      cli::SaveCliOptions o = save;
      o.file = f;
      o.output = out;
      return cli::runSave(o, c);
    });
    if (repairCmd->parsed()) {
      if (repair.save.files.size() > 1 && !repair.errors.empty())
        return cli::ErrorLine(repair.errors, "an error list belongs to one file: give one input with --errors");
      return batchOrOne(repair.save.files, repair.save.output, OutputNaming::nextFree,
                        [this](const std::string& f, const std::string& out, const cli::CommonOptions& c) {
                          cli::RepairCliOptions o = repair;
                          o.save.file = f;
                          o.save.output = out;
                          return cli::runRepair(o, c);
                        });
    }
    if (reconCmd->parsed()) return cli::runReconstruct(recon, common);
    if (joinCmd->parsed()) return cli::runJoin(join, common);
    if (aviCmd->parsed()) return batchOrOne(avi.files, avi.output, OutputNaming::avi, [this](const std::string& f, const std::string& out, const cli::CommonOptions& c) {
      cli::ExportCliOptions o = avi;
      o.file = f;
      o.output = out;
      return cli::runAvi(o, c);
    });
    if (framesCmd->parsed()) return cli::runFrames(frames, common);
    return 2;
  }
};

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"corvel-cli: inspect and repair ASF files (.asf, .wmv, .wma)"};
  app.name("corvel-cli");
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string("corvel-cli ") + CORVEL_VERSION);
  Commands c;
  c.addInspect(app);
  c.addRepair(app);
  c.addJoin(app);
  c.addExport(app);
  platform::PrepareConsole();
  // CLI11 takes the arguments last first, without the program's name.
  std::vector<std::string> args = platform::Arguments(argc, argv);
  if (!args.empty()) args.erase(args.begin());
  std::reverse(args.begin(), args.end());
  try {
    app.parse(args);
  } catch (const CLI::ParseError& e) {
    const int rc = app.exit(e);
    return rc == 0 ? 0 : 2;
  }
  cli::Console console(c.common.json);
  return console.finish(c.run());
}
