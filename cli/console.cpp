#include "cli/console.hpp"

#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>

namespace corvel::cli {

namespace {

std::string hex2(unsigned v) {
  static constexpr char kDigits[] = "0123456789abcdef";
  return {kDigits[(v >> 4) & 15], kDigits[v & 15]};
}

}  // namespace

bool ControlEscapes::put(const std::string& s) {
  return to_->sputn(s.data(), static_cast<std::streamsize>(s.size())) == static_cast<std::streamsize>(s.size());
}

ControlEscapes::int_type ControlEscapes::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  const auto b = static_cast<unsigned char>(traits_type::to_char_type(c));
  if (lead_) {
    lead_ = false;
    if (b >= 0x80 && b <= 0x9f) return put("\\u00" + hex2(b)) ? c : traits_type::eof();
    if (!put("\xc2")) return traits_type::eof();
  }
  if (b == 0xc2) {
    lead_ = true;
    return c;
  }
  const bool control = (b < 0x20 && b != '\n' && b != '\t') || b == 0x7f;
  if (control) return put("\\x" + hex2(b)) ? c : traits_type::eof();
  return traits_type::eq_int_type(to_->sputc(static_cast<char>(b)), traits_type::eof()) ? traits_type::eof() : c;
}

int ControlEscapes::sync() {
  if (lead_) {
    lead_ = false;
    if (!put("\xc2")) return -1;
  }
  return to_->pubsync();
}

// Passes error output on and keeps its last line.
class Console::ErrorTee : public std::streambuf {
 public:
  explicit ErrorTee(std::streambuf* to) : to_(to) {}
  std::string last;

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char ch = traits_type::to_char_type(c);
    if (ch == '\n') {
      if (!line_.empty()) last = line_;
      line_.clear();
    } else {
      line_ += ch;
    }
    return to_->sputc(ch);
  }
  int sync() override { return to_->pubsync(); }

 private:
  std::streambuf* to_;
  std::string line_;
};

Console::Console(bool json) : json_(json), out_(std::cout.rdbuf()), err_(std::cerr.rdbuf()) {
  if (json_) {
    held_ = std::make_unique<std::stringbuf>();
    std::cout.rdbuf(held_.get());
  } else {
    escapes_ = std::make_unique<ControlEscapes>(out_);
    std::cout.rdbuf(escapes_.get());
  }
  tee_ = std::make_unique<ErrorTee>(err_);
  std::cerr.rdbuf(tee_.get());
}

int Console::finish(int status) {
  if (finished_) return status;
  finished_ = true;
  std::cout.flush();
  std::cerr.flush();
  std::cout.rdbuf(out_);
  std::cerr.rdbuf(err_);
  if (json_) {
    // "corvel-cli: FILE: why" as the error.
    std::string why = tee_->last;
    const std::string program = "corvel-cli: ";
    if (why.rfind(program, 0) == 0) why = why.substr(program.size());
    std::string held = held_->str();
    nlohmann::json j = nlohmann::json::parse(held, nullptr, false);
    if (held.empty()) {
      j = nlohmann::json::object();
      if (status == 0) status = 1;
    }
    // One report: it says whether the command succeeded and, when not, why.
    if (j.is_object()) {
      if (!j.contains("ok")) j["ok"] = status == 0;
      if (status != 0 && !j.contains("error")) j["error"] = why.empty() ? std::string("failed") : why;
      held = j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
    }
    std::cout << held;
  }
  std::cout.flush();
  if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::cerr << "corvel-cli: standard output: write error\n";
    return status == 0 ? 1 : status;
  }
  return status;
}

Console::~Console() { finish(0); }

}  // namespace corvel::cli
