// A file being written: buffered, every write checked, closed on destruction.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "io/byte_view.hpp"
#include "io/job.hpp"
#include "l10n/messages.hpp"

namespace corvel {

// The calls an output makes to the system to put its bytes on the disk: the
// system's own, or a stand-in (a test's, to see each job meet a full disk
// at any of its writes). They answer as the system calls do: a count, or -1
// with errno set.
class WriteCalls {
 public:
  virtual ~WriteCalls() = default;
  // Up to n bytes at the file's position, or at `at` when it is not negative.
  virtual long write(int fd, const std::uint8_t* p, std::size_t n, std::int64_t at);
  virtual int truncate(int fd, std::uint64_t size);
  virtual int close(int fd);
  // Whether bytes may go from a source to the output inside the kernel,
  // past these calls.
  virtual bool direct() const { return true; }
  // How many bytes an output gathers before it writes them.
  virtual std::size_t bufferBytes() const { return 512 << 10; }  // written while still in the cache
};

// An output appears whole under its name or not at all: it is written under
// a name of its own beside the final one ("<name>.XXXXXX.partial", the name a
// killed run leaves behind) and takes the final name in one step when it is
// closed. A file that was there when the output was created is replaced
// then (the caller asked the user first); a name that was free is taken
// only while still free, so that of two runs on one name one fails. A
// device or a pipe given as the output is written in place.
class OutputFile {
 public:
  // Starts the file; empty pointer and `error` on failure.
  // `calls` (not owned; the system's when null) must outlive the file.
  // `replace`: a file found under the name is replaced; when false, the
  // name must still be free when the file is complete.
  static std::unique_ptr<OutputFile> create(const std::string& path, std::string& error, WriteCalls* calls = nullptr,
                                            bool replace = true);
  // What a run cut short leaves of an output: its name ends so.
  static constexpr const char* kPartialSuffix = ".partial";
  struct Key {
   private:
    Key() = default;
    friend class OutputFile;
  };
  OutputFile(Key, int fd, WriteCalls* calls);  // calls: null for the system's
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
    if (!calls_->direct() || !flush()) return false;
    const std::int64_t got = copy(fd_, written_);
    if (got != static_cast<std::int64_t>(n)) return false;
    written_ += n;
    return seekEnd();
  }
  // Writes at an absolute offset (after flushing what is buffered).
  bool writeAt(std::uint64_t offset, ByteView data);
  bool flush();
  // Cuts what was written back to its first `size` bytes; later writes go
  // on from there.
  bool cutTo(std::uint64_t size);
  // Flushes, closes and gives the file its final name; false when anything
  // failed (the file is then gone, and what had the name is kept).
  bool close();
  // Closes and removes what was written: what a failed job leaves behind is
  // no output (and what had the name before is kept).
  void discard();
  // The name the bytes go to until the file is closed.
  const std::string& writingPath() const { return path_; }
  std::uint64_t size() const { return written_ + used_; }
  bool failed() const { return !error_.empty(); }
  const std::string& error() const { return error_; }

 private:
  bool fail();
  bool seekEnd();
  int fd_;
  WriteCalls systemCalls_;  // used when no stand-in is given
  WriteCalls* calls_;
  Bytes buf_;
  std::size_t used_ = 0;
  std::uint64_t written_ = 0;
  bool preallocated_ = false;
  std::string error_;
  std::string path_;   // the file written, while it is not yet published
  std::string final_;  // its final name; empty when written in place
  bool replace_ = false;  // a file of the final name may be replaced
  bool publish();
};


// Creates a job's output (written through the context's calls, replacing a
// file of its name as the context says): refused when it names one of the
// job's sources (which is never written), or when it cannot be created;
// `why` then says so.
std::unique_ptr<OutputFile> CreateOutput(const std::string& path, std::span<const std::string> sources, Message& why,
                                         const JobContext& ctx);
// The same for outputs that always replace (a frame file, a dump).
std::unique_ptr<OutputFile> CreateOutput(const std::string& path, std::span<const std::string> sources, Message& why,
                                         WriteCalls* calls = nullptr, bool replace = true);

// Writes a small file whole (a list, the settings): into a new file beside
// it, which then takes the name, so that a failed write leaves what was
// there before. False with `error` (the system's reason) on failure.
bool WriteWholeFile(const std::string& path, ByteView bytes, std::string& error, WriteCalls* calls = nullptr);

}  // namespace corvel
