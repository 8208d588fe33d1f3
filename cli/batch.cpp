#include "cli/batch.hpp"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <thread>

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

namespace {

// One input and where its output goes, decided before any work so that
// files done at once never take one name.
struct Planned {
  std::string file, out, refusal;
};

std::vector<Planned> PlanOutputs(const BatchCommand& b, const std::vector<std::string>& files) {
  std::vector<std::string> inputs, taken;
  for (const std::string& f : files) inputs.push_back(canonical(f));
  std::vector<Planned> plan;
  for (const std::string& file : files) {
    const std::string base = b.folder.empty() ? file : platform::NameOf(platform::PathOf(b.folder) / platform::PathOf(file).filename());
    std::string out = OutputName(base, b.naming);
    // A free name another input of the batch took: the next one.
    while (b.naming == OutputNaming::nextFree && std::find(taken.begin(), taken.end(), canonical(out)) != taken.end())
      out = OutputName(out, OutputNaming::nextFree);
    const std::string c = canonical(out);
    Planned p{file, out, {}};
    if (std::find(inputs.begin(), inputs.end(), c) != inputs.end()) p.refusal = "the output would be one of the inputs: " + out;
    else if (std::find(taken.begin(), taken.end(), c) != taken.end()) p.refusal = "the output is another input's: " + out;
    else taken.push_back(c);
    plan.push_back(std::move(p));
  }
  return plan;
}

// Runs one planned file; its report, with "result" and "reason".
json RunPlanned(const BatchCommand& b, const Planned& p, const CommonOptions& common) {
  json r;
  int status = 1;
  if (!p.refusal.empty()) {
    r["result"] = "failed";
    r["reason"] = p.refusal;
  } else if (StopSignals::interrupted()) {
    r["result"] = "failed";
    r["reason"] = withoutBullet(Render(Message(MessageId::Interrupted), common.lang));
  } else {
    // The command reports into `gathered`: nothing of it is printed.
    FileReport gathered;
    CommonOptions quiet = common;
    quiet.json = true;
    quiet.gather = &gathered;
    quiet.progress = b.jobs <= 1;
    try {
      status = b.runOne(p.file, p.out, quiet);
    } catch (const std::exception& e) {
      gathered.reason = e.what();
    }
    r = gathered.report.is_object() ? gathered.report : json::object();
    if (status == 0 || status == kSavedWithDamagedFrames) {
      r["result"] = status == 0 ? "saved" : "saved, damaged frames remain";
    } else {
      r["result"] = "failed";
      std::string why = gathered.reason;
      if (why.empty()) why = r.value("status", r.value("message", std::string("failed")));
      r["reason"] = why;
    }
  }
  r["file"] = p.file;
  if (r["result"] != "failed" && !r.contains("output")) r["output"] = p.out;
  return r;
}

}  // namespace

int RunBatch(const BatchCommand& b, const CommonOptions& common) {
  std::error_code ec;
  if (!b.folder.empty() && !fs::is_directory(platform::PathOf(b.folder), ec))
    return ErrorLine(b.folder, "no such folder (with several inputs, -o names the folder for the outputs)");
  const std::vector<Planned> plan = PlanOutputs(b, DistinctInputs(b.files));
  // Ctrl-C stops the file being done and every one after it.
  const StopSignals signals;
  const bool tty = platform::StderrIsTerminal();
  std::vector<json> reports(plan.size());
  std::mutex said;
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    for (std::size_t i; (i = next++) < plan.size();) {
      if (tty) {
        const std::lock_guard lock(said);
        std::cerr << "[" << i + 1 << "/" << plan.size() << "] " << plan[i].file << '\n';
      }
      json r = RunPlanned(b, plan[i], common);
      if (tty) {
        const std::lock_guard lock(said);
        std::cerr << (b.jobs > 1 ? "[" + std::to_string(i + 1) + "] " : "      ") << r["result"].get<std::string>()
                  << (r.contains("reason") ? ": " + r["reason"].get<std::string>() : "") << '\n';
      }
      reports[i] = std::move(r);
    }
  };
  {
    std::vector<std::jthread> workers;
    for (unsigned k = 1; k < std::min<std::size_t>(std::max(1u, b.jobs), plan.size()); ++k) workers.emplace_back(work);
    work();
  }
  bool anyFailed = false, anyDamaged = false;
  for (const json& r : reports) {
    anyFailed = anyFailed || r["result"] == "failed";
    anyDamaged = anyDamaged || r["result"] == "saved, damaged frames remain";
  }
  if (common.json)
    printJson(json(reports));
  else
    printSummary(reports);
  return anyFailed ? 1 : anyDamaged ? kSavedWithDamagedFrames : 0;
}

}  // namespace corvel::cli
