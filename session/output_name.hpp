// The names the program proposes for what it writes beside an input.
#pragma once

#include <string>

namespace corvel {

enum class OutputNaming {
  nextFree,   // "movie.wmv" -> "movie.001.wmv", or the next counter not taken
  joined,     // "part1.wmv" -> "part1.joined.wmv"
  errorList,  // "movie.wmv" -> "movie.wmv.index"
  dump,       // "dir/movie.wmv" -> "movie.wmv.dump.txt" (the current folder)
  avi,        // "movie.wmv" -> "movie.wmv.avi"
};
std::string OutputName(const std::string& input, OutputNaming kind);

}  // namespace corvel
