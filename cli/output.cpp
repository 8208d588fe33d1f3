#include "cli/output.hpp"

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <cstdio>

#include "asf/catalogue.hpp"
#include "asf/header_walk.hpp"

namespace corvel::cli {

namespace {
// Set by the Ctrl-C handler; read by the running job once per step.
std::atomic<bool> interrupted{false};
extern "C" void onInterrupt(int) { interrupted = true; }
}  // namespace

CliReporter::CliReporter(bool echo) : echo_(echo), tty_(::isatty(STDERR_FILENO) != 0) {
  interrupted = false;
  std::signal(SIGINT, onInterrupt);
}

CliReporter::~CliReporter() {
  clearProgress();
  std::signal(SIGINT, SIG_DFL);
}

void CliReporter::clearProgress() {
  if (!progressShown_) return;
  std::fputs("\r\033[K", stderr);
  progressShown_ = false;
}

void CliReporter::log(const std::string& line) {
  lines.push_back(line);
  if (!echo_) return;
  clearProgress();
  std::cout << line << '\n' << std::flush;
}

void CliReporter::progress(int percent, const std::string& text) {
  if (!tty_) return;
  std::fprintf(stderr, "\r%3d%%  %s\033[K", percent, text.c_str());
  progressShown_ = true;
}

bool CliReporter::stopRequested() { return interrupted; }

int ErrorLine(const std::string& file, const std::string& why) {
  std::cerr << "corvel-cli: " << file << ": " << why << '\n';
  return 1;
}

bool RefuseExisting(const std::string& path, bool force) {
  std::error_code ec;
  if (force || !std::filesystem::exists(path, ec)) return false;
  ErrorLine(path, "exists; --force overwrites it");
  return true;
}

bool OpenForCommand(Session& s, const std::string& file) {
  if (OpenAction(s, file)) return true;
  failLine(s, file, s.file.lastError.empty() ? withoutBullet(s.T("• отсутствует сигнатура файла")) : s.file.lastError);
  return false;
}

nlohmann::json ObjectsJson(const Session& s) {
  nlohmann::json objects = nlohmann::json::array();
  for (const TListaItem& b : s.lista)
    objects.push_back({{"name", GetBlockNaim(b.id)}, {"guid", b.id}, {"offset", b.offset}, {"size", b.size}, {"parent", b.parent}});
  return objects;
}

}  // namespace corvel::cli
