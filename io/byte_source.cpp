#include "io/byte_source.hpp"

#include <algorithm>
#include <cstring>

#include "io/platform.hpp"

namespace corvel {

std::int64_t ReadCalls::read(int fd, std::uint64_t offset, std::span<std::uint8_t> out) {
  return platform::ReadAt(fd, offset, out);
}

std::uint64_t UnreadableEnd(const std::vector<UnreadableRange>& ranges, std::uint64_t offset, std::uint64_t len) {
  std::uint64_t end = 0;
  for (const UnreadableRange& r : ranges)
    if (r.offset < offset + len && offset < r.end()) end = std::max(end, std::min(offset + len, r.end()));
  return end;
}

std::uint64_t UnreadableBytes(const std::vector<UnreadableRange>& ranges) {
  std::uint64_t n = 0;
  for (const UnreadableRange& r : ranges) n += r.length;
  return n;
}

std::unique_ptr<FileSource> FileSource::open(const std::string& path, std::string* error, ReadCalls* calls) {
  std::uint64_t size = 0;
  std::string why;
  const int fd = platform::OpenForReading(path, size, why);
  if (fd < 0) {
    if (error) *error = why;
    return nullptr;
  }
  return std::make_unique<FileSource>(Key{}, fd, size, calls);
}

FileSource::~FileSource() { platform::Close(fd_); }

std::int64_t FileSource::readAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
  const std::int64_t got = calls_->read(fd_, offset, out);
  return got >= 0 ? got : rescue(offset, out);
}

std::int64_t FileSource::rescue(std::uint64_t offset, std::span<std::uint8_t> out) const {
  if (offset >= size_) return 0;
  const std::uint64_t want = std::min<std::uint64_t>(out.size(), size_ - offset);
  std::uint64_t done = 0;
  while (done < want) {
    const std::uint64_t at = offset + done;
    const std::uint64_t step = std::min(kRescueStep - at % kRescueStep, want - done);
    const std::span<std::uint8_t> piece = out.subspan(static_cast<std::size_t>(done), static_cast<std::size_t>(step));
    const std::int64_t n = calls_->read(fd_, at, piece);
    if (n < 0) {
      std::memset(piece.data(), 0, piece.size());
      note(at, step, platform::LastError());
      done += step;
      continue;
    }
    done += static_cast<std::uint64_t>(n);
    if (static_cast<std::uint64_t>(n) < step) break;  // the file ends sooner than it did
  }
  return static_cast<std::int64_t>(done);
}

void FileSource::note(std::uint64_t offset, std::uint64_t length, std::string reason) const {
  // A disk failing throughout is listed in this many stretches at most; the
  // last one then grows to cover the rest.
  constexpr std::size_t kMostRanges = 100000;
  std::lock_guard lock(mutex_);
  for (const UnreadableRange& r : unreadable_)
    if (offset >= r.offset && offset + length <= r.end()) return;  // read again: known
  if (!unreadable_.empty()) {
    UnreadableRange& last = unreadable_.back();
    if (last.end() == offset || unreadable_.size() >= kMostRanges) {
      if (offset + length > last.end()) last.length = offset + length - last.offset;
      return;
    }
  }
  unreadable_.push_back({offset, length, std::move(reason)});
}

std::vector<UnreadableRange> FileSource::unreadable() const {
  std::lock_guard lock(mutex_);
  return unreadable_;
}

std::int64_t FileSource::copyTo(std::uint64_t offset, std::uint64_t len, int outFd, std::uint64_t outOffset) const {
  if (!calls_->direct()) return -1;
  return platform::CopyRange(fd_, offset, outFd, outOffset, len);
}

std::int64_t MemorySource::readAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
  if (offset >= data_->size()) return 0;
  const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), data_->size() - offset));
  std::memcpy(out.data(), data_->data() + offset, n);
  return static_cast<std::int64_t>(n);
}

std::uint64_t PrefixedSource::size() const {
  const std::uint64_t rest = src_->size();
  return head_->size() + (rest > from_ ? rest - from_ : 0);
}

std::int64_t PrefixedSource::readAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
  const std::uint64_t head = head_->size();
  std::size_t done = 0;
  if (offset < head) {
    done = static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), head - offset));
    std::memcpy(out.data(), head_->data() + offset, done);
  }
  if (done == out.size()) return static_cast<std::int64_t>(done);
  const std::int64_t got = src_->readAt(from_ + (offset + done - head), out.subspan(done));
  if (got < 0) return done ? static_cast<std::int64_t>(done) : -1;
  return static_cast<std::int64_t>(done) + got;
}

std::int64_t PrefixedSource::copyTo(std::uint64_t offset, std::uint64_t len, int outFd, std::uint64_t outOffset) const {
  // Only the source's bytes go file to file.
  if (offset < head_->size()) return -1;
  return src_->copyTo(from_ + (offset - head_->size()), len, outFd, outOffset);
}

std::vector<UnreadableRange> PrefixedSource::unreadable() const {
  std::vector<UnreadableRange> shifted;
  for (UnreadableRange r : src_->unreadable()) {
    if (r.end() <= from_) continue;
    const std::uint64_t start = std::max(r.offset, from_);
    r.length = r.end() - start;
    r.offset = start - from_ + head_->size();
    shifted.push_back(std::move(r));
  }
  return shifted;
}

Bytes ReadPadded(const ByteSource& src, std::uint64_t offset, std::uint64_t n) {
  Bytes out(n, 0);
  src.readAt(offset, out);
  return out;
}

}  // namespace corvel
