#include "support/clips.hpp"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

namespace corvel::test {

namespace fs = std::filesystem;

namespace {
struct TempDirHolder {
  std::string path;
  TempDirHolder() {
    std::string tmpl = (fs::temp_directory_path() / "corvel-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) std::abort();
    path = tmpl;
  }
  ~TempDirHolder() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
};
}  // namespace

const std::string& TempDir() {
  static TempDirHolder holder;
  return holder.path;
}

std::string TempPath(const std::string& name) { return TempDir() + "/" + name; }

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

CommandResult RunCommand(const std::string& commandLine) {
  static int counter = 0;
  const std::string errPath = TempPath("stderr-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
  CommandResult r;
  FILE* p = ::popen((commandLine + " 2>" + Quote(errPath) + " </dev/null").c_str(), "r");
  if (!p) return r;
  char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  const int status = ::pclose(p);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream e(errPath, std::ios::binary);
  r.err.assign(std::istreambuf_iterator<char>(e), {});
  fs::remove(errPath);
  return r;
}

void WriteFile(const std::string& path, const Bytes& data) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  if (!f) throw std::runtime_error("cannot write " + path);
}

Bytes ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), {});
}

std::string Clip(const std::string& kind) {
  static std::map<std::string, std::string> made;
  if (auto it = made.find(kind); it != made.end()) return it->second;
  const std::string ff = std::string(CORVEL_FFMPEG) + " -hide_banner -loglevel error -y ";
  const std::string video = "-f lavfi -i testsrc=size=320x240:rate=25:duration=2 ";
  const std::string audio = "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=2 ";
  std::string path, cmd;
  if (kind == "av") {
    path = TempPath("av.wmv");
    cmd = ff + video + audio + "-c:v wmv2 -b:v 400k -c:a wmav2 -b:a 64k " + Quote(path);
  } else if (kind == "video") {
    path = TempPath("video.wmv");
    cmd = ff + video + "-c:v wmv2 -b:v 400k " + Quote(path);
  } else if (kind == "audio") {
    path = TempPath("audio.wma");
    cmd = ff + audio + "-c:a wmav2 -b:a 64k " + Quote(path);
  } else if (kind == "long") {
    path = TempPath("long.wmv");
    cmd = ff + "-f lavfi -i testsrc=size=320x240:rate=25:duration=12 " +
          "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=12 " +
          "-c:v wmv2 -b:v 600k -g 25 -c:a wmav2 -b:a 64k " + Quote(path);
  } else if (kind == "part1" || kind == "part2") {
    // Two consecutive parts of one recording: the same settings, the second
    // picks up where the first ends.
    path = TempPath(kind + ".wmv");
    const std::string start = kind == "part1" ? "0" : "4";
    cmd = ff + "-f lavfi -i testsrc=size=320x240:rate=25:duration=8 -f lavfi -i sine=frequency=440:sample_rate=44100:duration=8 " +
          "-ss " + start + " -t 4 -c:v wmv2 -b:v 500k -g 25 -c:a wmav2 -b:a 64k " + Quote(path);
  } else if (kind == "cyrillic") {
    path = TempPath("cyrillic.wmv");
    cmd = ff + video + audio +
          "-c:v wmv2 -b:v 300k -c:a wmav2 -b:a 64k -metadata title='Запись с камеры №1' "
          "-metadata artist='Иван Петров' -metadata comment='日本語のテキスト' -metadata genre='Документальный' " +
          Quote(path);
  } else {
    throw std::invalid_argument("unknown clip kind " + kind);
  }
  const CommandResult r = RunCommand(cmd);
  if (r.exitCode != 0) throw std::runtime_error("ffmpeg failed: " + r.err);
  made[kind] = path;
  return path;
}

nlohmann::json Probe(const std::string& path) {
  const CommandResult r = RunCommand(std::string(CORVEL_FFPROBE) + " -v error -show_format -show_streams -of json " + Quote(path));
  if (r.exitCode != 0) throw std::runtime_error("ffprobe failed: " + r.err);
  return nlohmann::json::parse(r.out);
}

std::vector<PlainObject> IndependentObjects(const Bytes& file) {
  std::vector<PlainObject> out;
  auto le64 = [&](std::size_t at) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | (at + i < file.size() ? file[at + i] : 0);
    return v;
  };
  auto le32 = [&](std::size_t at) { return static_cast<std::uint32_t>(le64(at)); };
  if (file.size() < 30) return out;
  const std::uint64_t headerSize = le64(16);
  out.push_back({GUIDToStr(file, 0), 0, headerSize, -1});
  std::uint64_t pos = 30;
  for (std::uint32_t i = 0; i < le32(24) && pos + 24 <= headerSize; ++i) {
    const std::uint64_t size = le64(pos + 16);
    out.push_back({GUIDToStr(file, pos), pos, size, 0});
    if (size < 24) return out;
    pos += size;
  }
  pos = headerSize;
  while (pos + 24 <= file.size()) {
    const std::uint64_t size = le64(pos + 16);
    out.push_back({GUIDToStr(file, pos), pos, size, -1});
    if (size < 24) break;
    pos += size;
  }
  return out;
}

}  // namespace corvel::test
