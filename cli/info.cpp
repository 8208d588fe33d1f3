#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "asf/catalogue.hpp"
#include "cli/commands.hpp"
#include "cli/output.hpp"

namespace corvel::cli {

namespace {

using nlohmann::json;

json treeJson(const StructureTree& t, int id) {
  const auto& n = t.node(id);
  json kids = json::array();
  for (int c : n.children) kids.push_back(treeJson(t, c));
  return {{"text", n.text}, {"children", std::move(kids)}};
}

json sessionJson(const Session& s, const std::vector<std::string>& log) {
  json j;
  j["file"] = s.fileName;
  j["size"] = s.file.physicalSize();
  j["status"] = s.statusText();
  j["log"] = log;
  j["objects"] = ObjectsJson(s);
  const auto& props = s.structure.rec.fileProperties;
  if (props.present) {
    j["file_properties"] = {{"file_size", props.fileSize},
                            {"data_packets_count", props.packetCount},
                            {"play_duration", props.playDuration},
                            {"send_duration", props.sendDuration},
                            {"preroll", props.preroll},
                            {"flags", props.flags},
                            {"min_packet_size", props.minimumPacketSize},
                            {"max_packet_size", props.maximumPacketSize},
                            {"max_bitrate", props.maximumBitrate}};
  } else {
    j["file_properties"] = nullptr;
  }
  json streams = json::array();
  for (const auto& spo : s.structure.rec.streams)
    if (spo.objectId == guid::StreamProperties)  // its bytes were read
      streams.push_back({{"number", spo.streamNumber()}, {"type", spo.streamType.text()}, {"type_name", StreamTypeName(spo.streamType)}});
  j["streams"] = std::move(streams);
  if (s.structure.hasDataObject())
    j["data_object"] = {{"offset", s.structure.dataObjectOffset}, {"total_data_packets", s.structure.rec.data.packetCount}};
  else
    j["data_object"] = nullptr;
  json tree = json::array();
  for (int r : s.structure.tree.roots()) tree.push_back(treeJson(s.structure.tree, r));
  j["tree"] = std::move(tree);
  return j;
}

}  // namespace

int runInfo(const InfoOptions& o, const CommonOptions& common) {
  CliRun run(common, false);
  Session& s = run.s;
  s.options.walk.listUnknownObjects = o.unknown;
  s.options.walk.showIndexEntries = o.indexEntries;
  const bool ok = OpenFile(s, o.file);
  if (!s.file.lastError.empty()) {
    failLine(run, o.file, s.file.lastError);
    if (common.json) printJson({{"file", o.file}, {"error", run.text(Message(s.status.id)) + ": " + s.file.lastError}});
    return 1;
  }
  if (common.json) {
    printJson(sessionJson(s, run.listener.lines()));
  } else {
    for (const auto& l : run.listener.lines()) std::cout << l << '\n';
    std::cout << s.statusText() << '\n' << s.structure.tree.render();
  }
  if (!ok) failLine(run, o.file, withoutBullet(run.text(Message(s.status.id == MessageId::FileEmpty ? MessageId::FileEmpty : MessageId::NoSignature))));
  return ok ? 0 : 1;
}

}  // namespace corvel::cli
