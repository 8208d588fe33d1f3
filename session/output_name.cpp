#include "session/output_name.hpp"

#include <filesystem>

#include "io/platform.hpp"

namespace corvel {

namespace {

namespace fs = std::filesystem;

bool endsWithCounter(const std::string& name) {
  if (name.size() <= 4) return false;
  const std::size_t n = name.size();
  return name[n - 4] == '.' && std::isdigit(static_cast<unsigned char>(name[n - 3])) &&
         std::isdigit(static_cast<unsigned char>(name[n - 2])) && std::isdigit(static_cast<unsigned char>(name[n - 1]));
}

// Adds 1 to the number in the last three characters, zero-padded to three.
void bumpCounter(std::string& name) {
  const long n = std::stol(name.substr(name.size() - 3)) + 1;
  std::string digits = std::to_string(n);
  if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
  name.replace(name.size() - 3, 3, digits);
}

std::string folderOf(const fs::path& in) {
  std::string folder = platform::NameOf(in.parent_path());
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

std::string nextFree(const std::string& input) {
  const fs::path in = platform::PathOf(input);
  const std::string folder = folderOf(in);
  std::string name = platform::NameOf(in.stem());
  const std::string ext = platform::NameOf(in.extension());
  if (endsWithCounter(name))
    bumpCounter(name);
  else
    name += ".001";
  std::error_code ec;
  // The counter goes on in the last three characters: past 999 they are
  // the last three of four digits ("movie.1000" -> "movie.1001").
  while (fs::exists(platform::PathOf(folder + name + ext), ec)) bumpCounter(name);
  return folder + name + ext;
}

std::string joined(const std::string& first) {
  const fs::path p = platform::PathOf(first);
  std::string name = platform::NameOf(p.filename());
  std::string ext;
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos) {
    ext = name.substr(dot);
    // A name that is all extension (".wmv") keeps it as its name too.
    if (dot > 0) name = name.substr(0, dot);
  }
  return folderOf(p) + name + ".joined" + ext;
}

}  // namespace

std::string OutputName(const std::string& input, OutputNaming kind) {
  switch (kind) {
    case OutputNaming::nextFree: return nextFree(input);
    case OutputNaming::joined: return joined(input);
    case OutputNaming::errorList: return input + ".index";
    case OutputNaming::dump: {
      const std::size_t cut = input.find_last_of("/\\:");
      return (cut == std::string::npos ? input : input.substr(cut + 1)) + ".dump.txt";
    }
    case OutputNaming::avi: return input + ".avi";
  }
  return input;
}

}  // namespace corvel
