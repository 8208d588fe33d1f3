#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/commands.hpp"
#include "cli/output.hpp"
#include "join/join.hpp"

namespace corvel::cli {

int runJoin(const JoinCliOptions& o, const CommonOptions& common) {
  JoinOptions jo;
  jo.CheckPR = !o.prerollFromFirst && !o.noPreroll;
  if (!o.preroll.empty()) jo.EditPR = o.preroll;
  jo.CheckPR1 = o.prerollFromFirst;
  jo.CheckAST = o.sendTime == "approximate";
  jo.CheckPTP = o.sendTime == "video";
  jo.RadioOP1 = o.leadPreroll;
  if (!o.lead.empty()) jo.EditOP2 = o.lead;
  jo.CheckHP = !o.lowPriority;
  if (RefuseExisting(o.output, o.force)) return 1;
  CliReporter rep(false);
  const JoinResult r = doJOIN(o.inputs, o.output, jo, common.lang, &rep);
  if (common.json) {
    printJson({{"output", o.output},
               {"inputs", o.inputs},
               {"result", r.code},
               {"message", r.message},
               {"packets", r.packets},
               {"keyframe_packets", r.keyframePackets},
               {"play_end_ms", r.end},
               {"send_duration_ms", r.sendDuration},
               {"index_entries", r.indexEntries}});
  } else {
    std::cout << r.message << '\n';
    if (r.code == 0)
      std::cout << "joined " << o.inputs.size() << " files into " << o.output << ": " << r.packets << " packets, "
                << r.indexEntries << " index entries\n";
  }
  return r.code == 0 ? 0 : ErrorLine(o.output, r.message);
}

}  // namespace corvel::cli
