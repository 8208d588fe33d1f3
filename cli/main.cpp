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

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int rc = app.exit(e);
    return rc == 0 ? 0 : 2;
  }
  ParseLanguage(lang, common.lang);
  if (infoCmd->parsed()) return cli::runInfo(info, common);
  if (scanCmd->parsed()) return cli::runScan(scan, common);
  return 2;
}
