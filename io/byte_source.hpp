// Random-access byte sources: a file on disk, or bytes held in memory (tests,
// fuzzing). Reads never move a shared position.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <mutex>
#include <string>
#include <vector>

#include "io/byte_view.hpp"

namespace corvel {

// A stretch of a source the system could not read (a failing disk or card):
// its bytes read as zeros, and the readers name it.
struct UnreadableRange {
  std::uint64_t offset = 0;
  std::uint64_t length = 0;
  std::string reason;  // the system's words
  std::uint64_t end() const { return offset + length; }
  bool operator==(const UnreadableRange&) const = default;
};

// The calls a file source makes to read its bytes: the system's own, or a
// stand-in (a test's, to see each job meet a failing disk anywhere). They
// answer as platform::ReadAt does: a count, or -1 with errno set.
class ReadCalls {
 public:
  virtual ~ReadCalls() = default;
  virtual std::int64_t read(int fd, std::uint64_t offset, std::span<std::uint8_t> out);
  // Whether bytes may be copied inside the kernel, past these calls.
  virtual bool direct() const { return true; }
};

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t size() const = 0;
  // Reads up to out.size() bytes at offset; returns the count read (short at
  // the end of the source), or -1 on an I/O error.
  virtual std::int64_t readAt(std::uint64_t offset, std::span<std::uint8_t> out) const = 0;
  // Copies bytes straight into a file descriptor at `outOffset` without
  // passing them through this process, where the system can; returns the
  // count copied, or -1 when the caller must read and write them itself.
  virtual std::int64_t copyTo(std::uint64_t /*offset*/, std::uint64_t /*len*/, int /*outFd*/, std::uint64_t /*outOffset*/) const {
    return -1;
  }
  // The stretches reads have found unreadable so far, in this source's
  // offsets, in the order they were met.
  virtual std::vector<UnreadableRange> unreadable() const { return {}; }
};

// Bytes held in memory put before a source's bytes from `from` on: a
// header taken from elsewhere before the data of a file that lost its own.
class PrefixedSource final : public ByteSource {
 public:
  PrefixedSource(std::shared_ptr<const Bytes> head, std::unique_ptr<ByteSource> src, std::uint64_t from)
      : head_(std::move(head)), src_(std::move(src)), from_(from) {}
  std::uint64_t size() const override;
  std::int64_t readAt(std::uint64_t offset, std::span<std::uint8_t> out) const override;
  std::int64_t copyTo(std::uint64_t offset, std::uint64_t len, int outFd, std::uint64_t outOffset) const override;
  std::vector<UnreadableRange> unreadable() const override;

 private:
  std::shared_ptr<const Bytes> head_;
  std::unique_ptr<ByteSource> src_;
  std::uint64_t from_;
};

// The bytes of a list of unreadable stretches.
std::uint64_t UnreadableBytes(const std::vector<UnreadableRange>& ranges);
// Where the unreadable bytes among [offset, offset + len) end; 0 when none
// of the ranges reaches into them.
std::uint64_t UnreadableEnd(const std::vector<UnreadableRange>& ranges, std::uint64_t offset, std::uint64_t len);

// A read-only file, closed when the object goes. A read the system fails
// (EIO on a bad sector) is read again in small steps, as a rescue copy
// does: what reads is kept, each step that does not reads as zeros and is
// listed as unreadable, and the read goes on past it.
class FileSource final : public ByteSource {
 public:
  // Empty pointer and `error` set when the file cannot be opened. `calls`
  // (not owned; the system's when null) must outlive the source.
  static std::unique_ptr<FileSource> open(const std::string& path, std::string* error = nullptr,
                                          ReadCalls* calls = nullptr);
  // The step a failed read is retried in.
  static constexpr std::uint64_t kRescueStep = 4096;
  struct Key {
   private:
    Key() = default;
    friend class FileSource;
  };
  FileSource(Key, int fd, std::uint64_t size, ReadCalls* calls) : fd_(fd), size_(size), calls_(calls ? calls : &systemCalls_) {}
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  std::uint64_t size() const override { return size_; }
  std::int64_t readAt(std::uint64_t offset, std::span<std::uint8_t> out) const override;
  std::int64_t copyTo(std::uint64_t offset, std::uint64_t len, int outFd, std::uint64_t outOffset) const override;
  std::vector<UnreadableRange> unreadable() const override;

 private:
  std::int64_t rescue(std::uint64_t offset, std::span<std::uint8_t> out) const;
  void note(std::uint64_t offset, std::uint64_t length, std::string reason) const;
  int fd_;
  std::uint64_t size_;
  ReadCalls systemCalls_;
  ReadCalls* calls_;
  mutable std::mutex mutex_;  // readers on several threads may share a source
  mutable std::vector<UnreadableRange> unreadable_;
};

class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(Bytes data) : data_(std::make_shared<const Bytes>(std::move(data))) {}
  // Shares bytes that others read too (they are never written).
  explicit MemorySource(std::shared_ptr<const Bytes> data) : data_(std::move(data)) {}
  std::uint64_t size() const override { return data_->size(); }
  std::int64_t readAt(std::uint64_t offset, std::span<std::uint8_t> out) const override;
  const std::shared_ptr<const Bytes>& shared() const { return data_; }

 private:
  std::shared_ptr<const Bytes> data_;
};

// Another's source, read through without owning it (it must outlive this).
class BorrowedSource final : public ByteSource {
 public:
  explicit BorrowedSource(const ByteSource& src) : src_(src) {}
  std::uint64_t size() const override { return src_.size(); }
  std::int64_t readAt(std::uint64_t offset, std::span<std::uint8_t> out) const override { return src_.readAt(offset, out); }
  std::vector<UnreadableRange> unreadable() const override { return src_.unreadable(); }

 private:
  const ByteSource& src_;
};

// Reads exactly n bytes at offset; bytes past the end read as zero.
Bytes ReadPadded(const ByteSource& src, std::uint64_t offset, std::uint64_t n);

}  // namespace corvel
