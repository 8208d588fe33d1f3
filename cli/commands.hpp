// The commands of corvel-cli. Each returns the process exit status.
#pragma once

#include <string>

#include "app/localization.hpp"

namespace corvel::cli {

struct CommonOptions {
  Language lang = Language::eng;
  bool json = false;
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

}  // namespace corvel::cli
