#pragma once

#include <memory>

#include "asf/header_walk.hpp"

namespace corvel::test {

// Walks in-memory bytes as the open action walks a file.
inline int OpenBytes(Session& s, Bytes bytes) {
  s.file.OpenSource(std::make_unique<MemorySource>(std::move(bytes)));
  s.file.CacheReset();
  s.file.cuts.CutsClear();
  return ReadStruct(s);
}

// The log memo as one text, for substring checks.
inline std::string MemoText(const Session& s) {
  std::string all;
  for (const auto& l : s.memo.lines()) all += l + "\n";
  return all;
}

}  // namespace corvel::test
