// A file being written: buffered, every write checked, closed on destruction.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "asf/bytes.hpp"
#include "l10n/messages.hpp"

namespace corvel {

class OutputFile {
 public:
  // Creates (or truncates) the file; empty pointer and `error` on failure.
  static std::unique_ptr<OutputFile> create(const std::string& path, std::string& error);
  struct Key {
   private:
    Key() = default;
    friend class OutputFile;
  };
  OutputFile(Key, int fd);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool write(ByteView data);
  // Reserves room on the disk for about `bytes` before writing: the kernel
  // then fills the file's pages much faster. The file is cut to what was
  // written when it is closed.
  void preallocate(std::uint64_t bytes);
  // Room for n bytes at the end of the buffer, to be filled and committed.
  std::span<std::uint8_t> reserve(std::size_t n);
  void commit(std::size_t n) { used_ += n; }
  // Lets `copy` put `n` bytes at the end of the file through the descriptor
  // (given the descriptor and the offset to write at; it returns the count
  // written). False when it wrote fewer: the caller writes those itself.
  template <typename Copy>
  bool appendDirect(std::uint64_t n, Copy copy) {
    if (!flush()) return false;
    const std::int64_t got = copy(fd_, written_);
    if (got != static_cast<std::int64_t>(n)) return false;
    written_ += n;
    return seekEnd();
  }
  // Writes at an absolute offset (after flushing what is buffered).
  bool writeAt(std::uint64_t offset, ByteView data);
  bool flush();
  // Flushes and closes; false when anything failed.
  bool close();
  // Closes and removes the file when this object created it as a new
  // regular file: what a failed job leaves behind is no output.
  void discard();
  std::uint64_t size() const { return written_ + used_; }
  bool failed() const { return !error_.empty(); }
  const std::string& error() const { return error_; }

 private:
  bool fail();
  bool seekEnd();
  int fd_;
  Bytes buf_;
  std::size_t used_ = 0;
  std::uint64_t written_ = 0;
  bool preallocated_ = false;
  std::string error_;
  std::string path_;  // set when this object created the file
};

// True when both paths name the same existing file (links included).
bool SameFile(const std::string& a, const std::string& b);

// Creates a job's output: refused when it names one of the job's sources
// (which is never written), or when it cannot be created; `why` then says so.
std::unique_ptr<OutputFile> CreateOutput(const std::string& path, std::span<const std::string> sources, Message& why);

// The names this program proposes for what it writes beside an input.
enum class OutputNaming {
  nextFree,   // "movie.wmv" -> "movie.001.wmv", or the next counter not taken
  joined,     // "part1.wmv" -> "part1.joined.wmv"
  errorList,  // "movie.wmv" -> "movie.wmv.index"
  dump,       // "dir/movie.wmv" -> "movie.wmv.dump.txt" (the current folder)
  avi,        // "movie.wmv" -> "movie.wmv.avi"
};
std::string OutputName(const std::string& input, OutputNaming kind);

}  // namespace corvel
