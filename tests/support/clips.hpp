// Test inputs made with real encoders, and an independent reading of a
// file's object layout to check the walk against.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "asf/bytes.hpp"

namespace corvel::test {

// A fresh directory under the system's temp folder, removed at exit.
const std::string& TempDir();
std::string TempPath(const std::string& name);

struct CommandResult {
  int exitCode = -1;
  std::string out;  // standard output
  std::string err;  // standard error
};
// Runs a shell command line; never throws.
CommandResult RunCommand(const std::string& commandLine);
std::string Quote(const std::string& s);

void WriteFile(const std::string& path, const Bytes& data);
Bytes ReadFile(const std::string& path);

// Encodes a clip with ffmpeg once per test run and returns its path.
// `kind`: "av" (wmv2 + wmav2), "video" (wmv2 only), "audio" (wmav2, .wma),
// "cyrillic" (av with Cyrillic and CJK metadata), "moving-CODEC" (4 s of a
// moving picture in the video codec CODEC, with wmav2).
std::string Clip(const std::string& kind);
// ffprobe's -show_format -show_streams report of a file.
nlohmann::json Probe(const std::string& path);

// Objects as the ASF format places them: the header's children by
// its own count and size, then the objects after the header by their sizes.
struct PlainObject {
  Guid guid;
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
  int parent = -1;
};
std::vector<PlainObject> IndependentObjects(const Bytes& file);

}  // namespace corvel::test
