#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/commands.hpp"
#include "cli/output.hpp"
#include "session/actions.hpp"
#include "session/worker.hpp"

namespace corvel::cli {

namespace {

std::uint32_t Milliseconds(const std::string& text) {
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(NumberOr(text, 5000), UINT32_MAX));
}

}  // namespace

int runJoin(const JoinCliOptions& o, const CommonOptions& common) {
  JoinOptions jo;
  jo.preroll = o.prerollFromFirst ? PrerollSource::firstFile : o.noPreroll ? PrerollSource::none : PrerollSource::fixed;
  if (!o.preroll.empty()) jo.prerollMs = Milliseconds(o.preroll);
  jo.sendTime = o.sendTime == "approximate" ? SendTimeMode::approximate
                : o.sendTime == "video"     ? SendTimeMode::videoTime
                                            : SendTimeMode::evenSpread;
  jo.leadIsPreroll = o.leadPreroll;
  if (!o.lead.empty()) jo.lead = Milliseconds(o.lead);
  jo.highPriority = !o.lowPriority;
  CliRun run(common, false);
  if (RefuseExisting(run, o.output, o.force)) return 1;
  const auto r = RunOnWorker(JoinJob{o.inputs, o.output, jo}, &run.listener, &CliListener::interrupted(), run.replaceExisting);
  const std::string message = Render(r.message, common.lang);
  const int code = r.ok() ? 0 : r.outcome == Outcome::stopped ? -2 : -1;
  if (common.json) {
    printJson({{"output", o.output},
               {"inputs", o.inputs},
               {"result", code},
               {"message", message},
               {"packets", r.data.packets},
               {"keyframe_packets", r.data.keyframePackets},
               {"play_end_ms", r.data.end},
               {"send_duration_ms", r.data.sendDuration},
               {"index_entries", r.data.indexEntries}});
  } else {
    std::cout << message << '\n';
    if (r.ok())
      std::cout << "joined " << o.inputs.size() << " files into " << o.output << ": " << r.data.packets << " packets, "
                << r.data.indexEntries << " index entries\n";
  }
  return r.ok() ? 0 : ErrorLine(o.output, message);
}

}  // namespace corvel::cli
