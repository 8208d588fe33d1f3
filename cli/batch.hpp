// Several inputs for save, repair or avi: each goes through the one-file
// command to its own default output name (in the -o folder when one is
// given), `jobs` files at once; the reports are kept, and a summary in the
// inputs' order follows at the end.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "io/output_file.hpp"
#include "cli/commands.hpp"
#include "session/output_name.hpp"

namespace corvel::cli {

struct BatchCommand {
  std::vector<std::string> files;
  std::string folder;  // -o: where the outputs go; empty for beside each input
  OutputNaming naming = OutputNaming::nextFree;
  unsigned jobs = 1;  // files done at once
  // Runs the command on one file with this output; its report and its
  // failure go to the options' `gather`. Returns its exit status.
  std::function<int(const std::string& file, const std::string& output, const CommonOptions& common)> runOne;
};

// The inputs without repeats (the same file named twice is processed once).
std::vector<std::string> DistinctInputs(const std::vector<std::string>& files);

// Exit status 1 when any file failed (the others are still processed), or
// when the folder is no folder (before any work); else 3 when an output
// keeps frames a decoder rejects.
int RunBatch(const BatchCommand& b, const CommonOptions& common);

}  // namespace corvel::cli
