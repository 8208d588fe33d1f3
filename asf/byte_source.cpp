#include "asf/byte_source.hpp"

#include <algorithm>
#include <cstring>

#include "asf/platform.hpp"

namespace corvel {

std::unique_ptr<FileSource> FileSource::open(const std::string& path, std::string* error) {
  std::uint64_t size = 0;
  std::string why;
  const int fd = platform::OpenForReading(path, size, why);
  if (fd < 0) {
    if (error) *error = why;
    return nullptr;
  }
  return std::make_unique<FileSource>(Key{}, fd, size);
}

FileSource::~FileSource() { platform::Close(fd_); }

std::int64_t FileSource::readAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
  return platform::ReadAt(fd_, offset, out);
}

std::int64_t FileSource::copyTo(std::uint64_t offset, std::uint64_t len, int outFd, std::uint64_t outOffset) const {
  return platform::CopyRange(fd_, offset, outFd, outOffset, len);
}

std::int64_t MemorySource::readAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
  if (offset >= data_->size()) return 0;
  const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), data_->size() - offset));
  std::memcpy(out.data(), data_->data() + offset, n);
  return static_cast<std::int64_t>(n);
}

Bytes ReadPadded(const ByteSource& src, std::uint64_t offset, std::uint64_t n) {
  Bytes out(n, 0);
  src.readAt(offset, out);
  return out;
}

}  // namespace corvel
