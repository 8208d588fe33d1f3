#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>

#include "io/output_file.hpp"
#include "cli/commands.hpp"
#include "cli/output.hpp"
#include "session/actions.hpp"
#include "session/output_name.hpp"
#include "session/worker.hpp"

namespace corvel::cli {

namespace {

StreamChoice choiceOf(const ExportCliOptions& o) {
  return o.videoOnly ? StreamChoice::VideoOnly : o.audioOnly ? StreamChoice::AudioOnly : StreamChoice::VideoAndAudio;
}

int report(const CliRun& run, const JobResult<ExportData>& r, const CommonOptions& common, const std::string& file,
           nlohmann::json j) {
  const std::string message = run.text(r.message);
  nlohmann::json streams = nlohmann::json::array(), leftOut = nlohmann::json::array();
  for (const StreamExport& e : r.data.streams)
    streams.push_back({{"stream", e.number}, {"kind", KindName(e.kind)}, {"chunks", e.chunks}, {"bytes", e.bytes}});
  for (const StreamEntry& e : r.data.streamsLeftOut) leftOut.push_back({{"stream", e.number}, {"type", e.type.text()}});
  j.update({{"ok", r.ok()},
            {"message", message},
            {"chunks", r.data.chunks},
            {"streams", streams},
            {"streams_left_out", leftOut},
            {"objects_left_out", r.data.objectsLeftOut},
            {"damaged_bytes_passed_over", r.data.damagedBytesSkipped},
            {"tail_bytes_left_out", r.data.tailBytesLeftOut},
            {"incomplete", {{"video", r.data.incompleteVideo}, {"audio", r.data.incompleteAudio}, {"other", r.data.incompleteOther}}}});
  if (common.json)
    run.report(j);
  else
    std::cout << message << '\n';
  return r.ok() ? 0 : run.fail(file, message);
}

}  // namespace

int runAvi(const ExportCliOptions& o, const CommonOptions& common) {
  CliRun run(common, false);
  if (!OpenForCommand(run, o.file)) return 1;
  const std::string out = o.output.empty() ? OutputName(o.file, OutputNaming::avi) : o.output;
  if (RefuseExisting(run, out, o.force)) return 1;
  const auto r = RunOnWorker(PrepareAvi(run.s, out, choiceOf(o)), &run.listener, &CliListener::interrupted(), run.replaceExisting);
  return report(run, r, common, o.file,
                {{"file", o.file}, {"output", out}, {"video_chunks", r.data.videoChunks}, {"audio_chunks", r.data.audioChunks},
                 {"frame_rate", {{"rate", r.data.rate}, {"scale", r.data.scale}}}});
}

int runFrames(const ExportCliOptions& o, const CommonOptions& common) {
  CliRun run(common, false);
  if (!OpenForCommand(run, o.file)) return 1;
  const auto r = RunOnWorker(PrepareFrames(run.s, o.count, choiceOf(o), o.dir), &run.listener, &CliListener::interrupted());
  nlohmann::json files = nlohmann::json::array();
  for (const FrameFile& f : r.data.files) files.push_back({{"file", f.file}, {"stream", f.stream}, {"media_object", f.mediaObject}});
  return report(run, r, common, o.file,
                {{"file", o.file}, {"dir", o.dir.empty() ? "." : o.dir}, {"written", r.data.chunks}, {"files", files}});
}

}  // namespace corvel::cli
