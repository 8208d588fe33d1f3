// verify: decode every media object and list the damaged ones.
#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/commands.hpp"
#include "cli/output.hpp"

namespace corvel::cli {

namespace {

using nlohmann::json;

std::string hex(std::uint64_t v) {
  char b[24];
  std::snprintf(b, sizeof b, "0x%llX", static_cast<unsigned long long>(v));
  return b;
}

json verifyJson(const CliRun& run, const std::string& file, bool ran) {
  const VerifyData& d = run.s.verify;
  json streams = json::array(), damaged = json::array();
  for (const StreamVerify& v : d.streams)
    streams.push_back({{"stream", v.number},
                       {"kind", KindName(v.kind)},
                       {"decoder", v.verified() ? json(v.codec) : json(nullptr)},
                       {"media_objects", v.objects},
                       {"damaged", v.damaged},
                       {"not_decodable", v.unsupported}});
  for (const DamagedObject& o : d.damaged)
    damaged.push_back({{"stream", o.object.stream},
                       {"media_object", o.object.number},
                       {"key_frame", o.object.key},
                       {"presentation_time_ms", o.object.time},
                       {"first_packet", o.firstPacket},
                       {"last_packet", o.lastPacket},
                       {"first_packet_offset", o.object.firstOffset},
                       {"last_packet_offset", o.object.lastOffset},
                       {"decoder_message", o.message}});
  return {{"file", file},
          {"verified", ran},
          {"status", run.s.statusText()},
          {"media_objects_verified", d.verified},
          {"media_objects_not_verified", d.notVerified},
          {"incomplete", {{"video", d.incomplete.video}, {"audio", d.incomplete.audio}, {"other", d.incomplete.other}}},
          {"streams", streams},
          {"damaged", damaged},
          {"log", run.listener.lines()}};
}

void printVerify(const CliRun& run) {
  const VerifyData& d = run.s.verify;
  std::cout << run.s.statusText() << '\n';
  for (const StreamVerify& v : d.streams)
    std::cout << "  stream " << int{v.number} << " (" << KindName(v.kind) << "): "
              << (v.verified() ? v.codec : std::string("no decoder, not verified")) << ", " << v.objects
              << " media objects, " << v.damaged << " damaged"
              << (v.unsupported ? ", " + std::to_string(v.unsupported) + " using what the decoder cannot decode (not verified)" : std::string())
              << '\n';
  if (d.incomplete.total())
    std::cout << "  incomplete media objects, not decoded (video, audio, other): " << d.incomplete.video << ", "
              << d.incomplete.audio << ", " << d.incomplete.other << '\n';
  if (d.damaged.empty()) return;
  std::cout << "\nstream  media object  time (ms)  packets  offset  decoder\n";
  for (const DamagedObject& o : d.damaged)
    std::cout << int{o.object.stream} << "  " << o.object.number << (o.object.key ? " (key)" : "") << "  " << o.object.time << "  "
              << o.firstPacket << (o.lastPacket != o.firstPacket ? "-" + std::to_string(o.lastPacket) : std::string()) << "  "
              << hex(o.object.firstOffset) << "  " << o.message << '\n';
}

}  // namespace

int runVerify(const VerifyCliOptions& o, const CommonOptions& common) {
  CliRun run(common, !common.json);
  run.s.options.verifyThreads = o.threads;
  if (!OpenForCommand(run, o.file)) return 1;
  const bool ran = run.verify();
  if (common.json)
    run.report(verifyJson(run, o.file, ran));
  else if (ran)
    printVerify(run);
  if (!ran) return run.fail(o.file, run.reason());
  return run.s.verify.damaged.empty() ? 0 : 1;
}

}  // namespace corvel::cli
