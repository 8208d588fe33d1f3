// Random-access byte sources: a file on disk, or bytes held in memory (tests,
// fuzzing). Reads never move a shared position.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "asf/bytes.hpp"

namespace corvel {

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
};

// A read-only file, closed when the object goes.
class FileSource final : public ByteSource {
 public:
  // Empty pointer and `error` set when the file cannot be opened.
  static std::unique_ptr<FileSource> open(const std::string& path, std::string* error = nullptr);
  struct Key {
   private:
    Key() = default;
    friend class FileSource;
  };
  FileSource(Key, int fd, std::uint64_t size) : fd_(fd), size_(size) {}
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  std::uint64_t size() const override { return size_; }
  std::int64_t readAt(std::uint64_t offset, std::span<std::uint8_t> out) const override;
  std::int64_t copyTo(std::uint64_t offset, std::uint64_t len, int outFd, std::uint64_t outOffset) const override;

 private:
  int fd_;
  std::uint64_t size_;
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

// Reads exactly n bytes at offset; bytes past the end read as zero.
Bytes ReadPadded(const ByteSource& src, std::uint64_t offset, std::uint64_t n);

}  // namespace corvel
