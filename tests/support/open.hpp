#pragma once

#include <memory>
#include <stop_token>
#include <string>
#include <vector>

#include "session/actions.hpp"

namespace corvel::test {

// Walks in-memory bytes as the open action walks a file: 0 when it starts
// with a Header Object, -1 otherwise.
inline int OpenBytes(Session& s, Bytes bytes) { return corvel::OpenBytes(s, "memory.wmv", std::move(bytes)) ? 0 : -1; }

// A message as an English-speaking user reads it.
inline std::string Text(const Message& m) { return Render(m, Language::eng); }

// The log's lines in the session's language.
inline std::vector<std::string> MemoLines(const Session& s) {
  std::vector<std::string> lines;
  for (const auto& l : s.logLines.lines()) lines.push_back(s.text(l));
  return lines;
}

// The log as one text, for substring checks.
inline std::string MemoText(const Session& s) {
  std::string all;
  for (const auto& l : MemoLines(s)) all += l + "\n";
  return all;
}

// Runs a job's core function with a context of its own: no stop, no listener.
template <typename F>
auto RunJob(F f) {
  JobContext ctx;
  return f(ctx);
}

// A listener that asks for a stop after `n` progress reports.
struct StopAfter : JobEvents {
  explicit StopAfter(int n) : left(n) {}
  std::stop_source source;
  int left;
  void progress(const Progress&) override {
    if (--left <= 0) source.request_stop();
  }
  std::stop_token token() const { return source.get_token(); }
};

}  // namespace corvel::test
