#include <CLI/CLI.hpp>
#include <iostream>

#include "cli/commands.hpp"

using namespace corvel;

int main(int argc, char** argv) {
  CLI::App app{"corvel-cli: inspect and repair ASF files (.asf, .wmv, .wma)"};
  app.require_subcommand(1);
  cli::CommonOptions common;
  std::string lang = "en";

  auto addCommon = [&](CLI::App* cmd) {
    cmd->add_option("--lang", lang, "language of messages: en or ru")->check(CLI::IsMember({"en", "ru"}));
    cmd->add_flag("--json", common.json, "print one JSON object instead of text");
  };

  cli::InfoOptions info;
  CLI::App* infoCmd = app.add_subcommand("info", "show the objects of a file's header as a tree");
  infoCmd->add_option("FILE", info.file, "ASF file")->required();
  infoCmd->add_flag("--unknown", info.unknown, "list objects whose GUID is not in the catalogue");
  infoCmd->add_flag("--index-entries", info.indexEntries, "list the Simple Index entries in the tree");
  addCommon(infoCmd);

  cli::ScanCliOptions scan;
  CLI::App* scanCmd = app.add_subcommand("scan", "scan every data packet for damage and build a new index");
  scanCmd->add_option("FILE", scan.file, "ASF file")->required();
  scanCmd->add_flag("--dump", scan.dump, "write a line per packet to <name>.dump.txt in the current folder");
  scanCmd->add_flag("--low-priority", scan.lowPriority, "pause 5 ms per step, leaving the machine to others");
  addCommon(scanCmd);

  auto addSave = [&](CLI::App* cmd, cli::SaveCliOptions& o) {
    cmd->add_option("FILE", o.file, "ASF file")->required();
    cmd->add_option("-o,--output", o.output, "output file (default: the next free <name>.NNN<ext> beside the input)");
    cmd->add_flag("--minimal-header", o.minimalHeader, "header of File Properties, Stream Properties and Codec List only");
    cmd->add_flag("--no-index", o.noIndex, "save without a Simple Index");
    cmd->add_flag("--renumber", o.renumber, "renumber the media objects");
    cmd->add_flag("--force", o.force, "overwrite an existing output file");
    addCommon(cmd);
  };

  cli::SaveCliOptions save;
  CLI::App* saveCmd = app.add_subcommand("save", "scan, then save a copy with a rebuilt header and a new index");
  addSave(saveCmd, save);

  cli::RepairCliOptions repair;
  CLI::App* repairCmd = app.add_subcommand("repair", "scan (or load an error list), cut repeats out, scan again, save");
  addSave(repairCmd, repair.save);
  repairCmd->add_option("--mode", repair.mode, "eq: cut repeats as long as the delta; rescan: cut repeats and re-measure; sizes: mark sizes fixed")
      ->check(CLI::IsMember({"eq", "rescan", "sizes"}));
  repairCmd->add_option("--min-repeat", repair.minRepeat, "shortest repeat to cut in rescan mode (default 100)");
  repairCmd->add_flag("--any-byte", repair.anyByte, "cut repeats of any byte, not only of zeros");
  repairCmd->add_flag("--any-delta", repair.anyDelta, "rescan mode: also blocks that are not longer than declared");
  repairCmd->add_option("--errors", repair.errors, "repair the blocks of this .index list instead of scanning");
  repairCmd->add_flag("--save-errors", repair.saveErrors, "save the error list as <FILE>.index");

  cli::ReconstructCliOptions recon;
  CLI::App* reconCmd = app.add_subcommand("reconstruct", "rebuild the block list by searching for object identifiers");
  reconCmd->add_option("FILE", recon.file, "ASF file")->required();
  reconCmd->add_option("-o,--output", recon.output, "scan and save with the minimal header to this file");
  reconCmd->add_flag("--force", recon.force, "overwrite an existing output file");
  addCommon(reconCmd);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int rc = app.exit(e);
    return rc == 0 ? 0 : 2;
  }
  ParseLanguage(lang, common.lang);
  if (infoCmd->parsed()) return cli::runInfo(info, common);
  if (scanCmd->parsed()) return cli::runScan(scan, common);
  if (saveCmd->parsed()) return cli::runSave(save, common);
  if (repairCmd->parsed()) return cli::runRepair(repair, common);
  if (reconCmd->parsed()) return cli::runReconstruct(recon, common);
  return 2;
}
