#include "cli/batch.hpp"

#include <filesystem>
#include <iomanip>
#include <iostream>
#include <nlohmann/json.hpp>

#include "io/platform.hpp"
#include "cli/commands.hpp"
#include "cli/output.hpp"
#include "session/output_name.hpp"

namespace corvel::cli {

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

std::string canonical(const std::string& path) {
  std::error_code ec;
  const fs::path p = fs::weakly_canonical(fs::absolute(platform::PathOf(path), ec), ec);
  return ec ? path : platform::NameOf(p);
}

// What the summary shows of a report: packets, error blocks, cut bytes.
std::string countOf(const json& j, const char* key) {
  const json* scan = j.contains("first_scan") ? &j["first_scan"] : &j;
  if (!scan->contains(key)) return "-";
  const json& v = (*scan)[key];
  return std::to_string(v.is_array() ? v.size() : v.get<std::uint64_t>());
}

std::string cutBytes(const json& j) {
  if (!j.contains("cuts")) return "-";
  std::uint64_t n = 0;
  for (const json& c : j["cuts"]) n += c.value("length", std::uint64_t{0});
  return std::to_string(n);
}

void printSummary(const std::vector<json>& reports) {
  int fileWidth = 4, outWidth = 6;
  for (const json& r : reports) {
    fileWidth = std::max(fileWidth, static_cast<int>(r["file"].get<std::string>().size()));
    outWidth = std::max(outWidth, static_cast<int>(r.value("output", std::string("-")).size()));
  }
  std::cout << std::left << std::setw(fileWidth + 2) << "file" << std::setw(9) << "packets" << std::setw(14) << "error blocks"
            << std::setw(11) << "cut bytes" << std::setw(outWidth + 2) << "output" << "result\n";
  for (const json& r : reports) {
    std::cout << std::setw(fileWidth + 2) << r["file"].get<std::string>() << std::setw(9) << countOf(r, "packets")
              << std::setw(14) << countOf(r, "error_blocks") << std::setw(11) << cutBytes(r) << std::setw(outWidth + 2)
              << r.value("output", std::string("-")) << r["result"].get<std::string>();
    if (r.contains("reason")) std::cout << ": " << r["reason"].get<std::string>();
    std::cout << '\n';
  }
}

}  // namespace

std::vector<std::string> DistinctInputs(const std::vector<std::string>& files) {
  std::vector<std::string> out, seen;
  for (const std::string& f : files) {
    const std::string c = canonical(f);
    if (std::find(seen.begin(), seen.end(), c) != seen.end()) continue;
    seen.push_back(c);
    out.push_back(f);
  }
  return out;
}

int RunBatch(const BatchCommand& b, const CommonOptions& common) {
  std::error_code ec;
  if (!b.folder.empty() && !fs::is_directory(platform::PathOf(b.folder), ec))
    return ErrorLine(b.folder, "no such folder (with several inputs, -o names the folder for the outputs)");
  const std::vector<std::string> files = DistinctInputs(b.files);
  std::vector<std::string> inputs, written;
  for (const std::string& f : files) inputs.push_back(canonical(f));
  const bool tty = platform::StderrIsTerminal();
  std::vector<json> reports;
  bool anyFailed = false, anyDamaged = false;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const std::string& file = files[i];
    if (tty) std::cerr << "[" << i + 1 << "/" << files.size() << "] " << file << '\n';
    const std::string base = b.folder.empty() ? file : platform::NameOf(platform::PathOf(b.folder) / platform::PathOf(file).filename());
    const std::string out = OutputName(base, b.naming);
    json r;
    const std::string c = canonical(out);
    std::string refusal;
    if (std::find(inputs.begin(), inputs.end(), c) != inputs.end()) refusal = "the output would be one of the inputs: " + out;
    if (std::find(written.begin(), written.end(), c) != written.end()) refusal = "the output was written for another input: " + out;
    if (refusal.empty()) {
      // The command reports into `gathered`: nothing of it is printed.
      FileReport gathered;
      CommonOptions quiet = common;
      quiet.json = true;
      quiet.gather = &gathered;
      int status = 1;
      try {
        status = b.runOne(file, out, quiet);
      } catch (const std::exception& e) {
        gathered.reason = e.what();
      }
      r = gathered.report.is_object() ? gathered.report : json::object();
      if (status == 0 || status == kSavedWithDamagedFrames) {
        written.push_back(c);
        r["result"] = status == 0 ? "saved" : "saved, damaged frames remain";
        anyDamaged = anyDamaged || status != 0;
      } else {
        r["result"] = "failed";
        std::string why = gathered.reason;
        if (why.empty()) why = r.value("status", r.value("message", std::string("failed")));
        r["reason"] = why;
      }
    } else {
      r["result"] = "failed";
      r["reason"] = refusal;
    }
    r["file"] = file;
    if (r["result"] != "failed" && !r.contains("output")) r["output"] = out;
    anyFailed = anyFailed || r["result"] == "failed";
    if (tty) std::cerr << "      " << r["result"].get<std::string>() << (r.contains("reason") ? ": " + r["reason"].get<std::string>() : "") << '\n';
    reports.push_back(std::move(r));
  }
  if (common.json)
    printJson(json(reports));
  else
    printSummary(reports);
  return anyFailed ? 1 : anyDamaged ? kSavedWithDamagedFrames : 0;
}

}  // namespace corvel::cli
