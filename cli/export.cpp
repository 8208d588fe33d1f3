#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>

#include "asf/header_walk.hpp"
#include "cli/commands.hpp"
#include "cli/output.hpp"
#include "export/avi.hpp"

namespace corvel::cli {

namespace {

StreamChoice choiceOf(const ExportCliOptions& o) {
  return o.videoOnly ? StreamChoice::VideoOnly : o.audioOnly ? StreamChoice::AudioOnly : StreamChoice::VideoAndAudio;
}

int report(const ExportResult& r, const CommonOptions& common, const std::string& file, nlohmann::json j) {
  j.update({{"ok", r.ok}, {"message", r.message}, {"chunks", r.chunks}});
  if (common.json)
    printJson(j);
  else
    std::cout << r.message << '\n';
  return r.ok ? 0 : ErrorLine(file, r.message);
}

}  // namespace

int runAvi(const ExportCliOptions& o, const CommonOptions& common) {
  CliRun run(common, false);
  if (!OpenForCommand(run.s, o.file)) return 1;
  const std::string out = o.output.empty() ? o.file + ".avi" : o.output;
  if (RefuseExisting(out, o.force)) return 1;
  const ExportResult r = store2avi(o.file, run.s.rec, out, choiceOf(o), common.lang, &run.rep);
  return report(r, common, o.file,
                {{"file", o.file}, {"output", out}, {"video_chunks", r.videoChunks}, {"audio_chunks", r.audioChunks},
                 {"frame_rate", {{"rate", r.rate}, {"scale", r.scale}}}});
}

int runFrames(const ExportCliOptions& o, const CommonOptions& common) {
  CliRun run(common, false);
  if (!OpenForCommand(run.s, o.file)) return 1;
  const ExportResult r = frames2files(o.file, o.count, choiceOf(o), o.dir, common.lang, &run.rep);
  return report(r, common, o.file, {{"file", o.file}, {"dir", o.dir.empty() ? "." : o.dir}, {"written", r.chunks}});
}

}  // namespace corvel::cli
