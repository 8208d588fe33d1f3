#include "support/clips.hpp"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>

namespace corvel::test {

namespace fs = std::filesystem;

namespace {
struct TempDirHolder {
  std::string path;
  TempDirHolder() {
    std::random_device seed;
    for (int attempt = 0; attempt < 100 && path.empty(); ++attempt) {
      const fs::path p = fs::temp_directory_path() / ("corvel-test-" + std::to_string(seed()));
      std::error_code ec;
      if (fs::create_directory(p, ec)) path = p.generic_string();
    }
    if (path.empty()) std::abort();
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

#ifndef _WIN32
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
#endif

void WriteFile(const std::string& path, const Bytes& data) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  if (!f) throw std::runtime_error("cannot write " + path);
}

Bytes ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), {});
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
  out.push_back({Guid::read(file, 0), 0, headerSize, -1});
  std::uint64_t pos = 30;
  for (std::uint32_t i = 0; i < le32(24) && pos + 24 <= headerSize; ++i) {
    const std::uint64_t size = le64(pos + 16);
    out.push_back({Guid::read(file, pos), pos, size, 0});
    if (size < 24) return out;
    pos += size;
  }
  pos = headerSize;
  while (pos + 24 <= file.size()) {
    const std::uint64_t size = le64(pos + 16);
    out.push_back({Guid::read(file, pos), pos, size, -1});
    if (size < 24) break;
    pos += size;
  }
  return out;
}

}  // namespace corvel::test
