#include "asf/byte_source.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace corvel {

std::unique_ptr<FileSource> FileSource::open(const std::string& path, std::string* error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (error) *error = std::strerror(errno);
    return nullptr;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    if (error) *error = S_ISDIR(st.st_mode) ? "is a directory" : "not a regular file";
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<FileSource>(Key{}, fd, static_cast<std::uint64_t>(st.st_size));
}

FileSource::~FileSource() { ::close(fd_); }

std::int64_t FileSource::readAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
  std::size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return static_cast<std::int64_t>(done);
}

std::int64_t FileSource::copyTo(std::uint64_t offset, std::uint64_t len, int outFd, std::uint64_t outOffset) const {
  auto in = static_cast<loff_t>(offset);
  auto out = static_cast<loff_t>(outOffset);
  std::uint64_t done = 0;
  while (done < len) {
    const ssize_t n = ::copy_file_range(fd_, &in, outFd, &out, len - done, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      return done ? static_cast<std::int64_t>(done) : -1;
    }
    if (n == 0) break;
    done += static_cast<std::uint64_t>(n);
  }
  return static_cast<std::int64_t>(done);
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
