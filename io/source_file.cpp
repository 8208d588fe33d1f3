#include "io/source_file.hpp"

#include <filesystem>

#include <algorithm>
#include <cstring>
#include <limits>

#include "io/platform.hpp"

namespace corvel {

void CutList::add(std::uint64_t off, std::uint64_t len) {
  if (len == 0) return;
  len = std::min(len, std::numeric_limits<std::uint64_t>::max() - off);
  const auto at = std::upper_bound(cuts_.begin(), cuts_.end(), off,
                                   [](std::uint64_t o, const CutRange& c) { return o < c.offset; });
  cuts_.insert(at, CutRange{off, len});
  // Coalesce neighbours that touch or overlap; the list stays sorted.
  for (std::size_t i = 0; i + 1 < cuts_.size();) {
    CutRange& a = cuts_[i];
    const CutRange& b = cuts_[i + 1];
    if (a.end() < b.offset) {
      ++i;
      continue;
    }
    if (b.end() > a.end()) a.length = b.end() - a.offset;
    cuts_.erase(cuts_.begin() + static_cast<std::ptrdiff_t>(i) + 1);
  }
}

std::uint64_t CutList::span(std::uint64_t off, std::uint64_t len) const {
  std::uint64_t r = len;
  for (const CutRange& c : cuts_)
    if (off < c.offset && c.offset <= off + r) r += c.length;
  return r;
}

std::uint64_t CutList::toPhysical(std::uint64_t p) const {
  for (const CutRange& c : cuts_) {
    if (p < c.offset) break;
    p += c.length;
  }
  return p;
}

std::uint64_t CutList::bytesBelow(std::uint64_t limit) const {
  std::uint64_t n = 0;
  for (const CutRange& c : cuts_) {
    if (c.offset >= limit) break;
    n += std::min(c.end(), limit) - c.offset;
  }
  return n;
}

bool SourceFile::openPath(const std::string& path) {
  auto f = FileSource::open(path, &lastError);
  if (!f) return false;
  openSource(std::move(f));
  return true;
}

std::optional<FileStamp> StampOf(const std::string& path) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(platform::PathOf(path), ec);
  if (ec) return std::nullopt;
  const auto written = std::filesystem::last_write_time(platform::PathOf(path), ec);
  if (ec) return std::nullopt;
  return FileStamp{size, static_cast<std::int64_t>(written.time_since_epoch().count())};
}

std::unique_ptr<ByteSource> SourceRef::open(std::string& error) const {
  std::unique_ptr<ByteSource> src;
  if (memory)
    src = std::make_unique<MemorySource>(memory);
  else
    src = FileSource::open(path, &error, reads);
  if (!src || !head) return src;
  return std::make_unique<PrefixedSource>(head, std::move(src), from);
}

std::unique_ptr<ByteSource> OpenLogical(const SourceRef& source, const CutList& cuts, std::string& error, ReadCalls* reads) {
  SourceRef ref = source;
  if (!ref.reads) ref.reads = reads;
  std::unique_ptr<ByteSource> file = ref.open(error);
  if (!file || cuts.ranges().empty()) return file;
  return std::make_unique<CutSource>(std::move(file), cuts);
}

CutSource::CutSource(std::unique_ptr<ByteSource> src, CutList cuts)
    : src_(std::move(src)), cuts_(std::move(cuts)), size_(src_->size() - cuts_.bytesBelow(src_->size())) {}

std::int64_t CutSource::readAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
  if (offset >= size_) return 0;
  const std::uint64_t want = std::min<std::uint64_t>(out.size(), size_ - offset);
  std::uint64_t done = 0;
  bool failed = false;
  cuts_.forEachPiece(offset, want, [&](std::uint64_t phys, std::uint64_t n) {
    const std::int64_t got = src_->readAt(phys, out.subspan(static_cast<std::size_t>(done), static_cast<std::size_t>(n)));
    failed = got < 0;
    done += got > 0 ? static_cast<std::uint64_t>(got) : 0;
    return got == static_cast<std::int64_t>(n);
  });
  return failed && done == 0 ? -1 : static_cast<std::int64_t>(done);
}

bool SourceFile::open(const SourceRef& ref, const CutList& cutList) {
  close();
  auto src = ref.open(lastError);
  if (!src) return false;
  openSource(std::move(src));
  resetCache();
  cuts = cutList;
  return true;
}

void SourceFile::openSource(std::unique_ptr<ByteSource> src) {
  src_ = std::move(src);
  unreadableSeen_ = src_->unreadable();
  physicalSize_ = static_cast<std::int64_t>(src_->size());
  lastError.clear();
}

void SourceFile::resetCache() {
  cacheBuf_.reset();
  cacheCap_ = 0;
  cacheStart = cachePos = cacheLen = 0;
}

void SourceFile::invalidateCache() { cacheStart = cachePos = cacheLen = 0; }

std::uint64_t SourceFile::logicalSize() const {
  const auto phys = static_cast<std::uint64_t>(std::max<std::int64_t>(physicalSize_, 0));
  return phys - cuts.bytesBelow(phys);
}

bool SourceFile::refill(std::uint64_t offset) {
  cacheStart = offset;
  cachePos = 0;
  const std::uint64_t logical = logicalSize();
  const std::uint64_t want = offset < logical ? std::min<std::uint64_t>(CacheSize, logical - offset) : 0;
  if (cacheCap_ < want) {
    cacheCap_ = std::min<std::uint64_t>(CacheSize, std::max(want, logical));
    cacheBuf_ = std::make_unique_for_overwrite<std::uint8_t[]>(cacheCap_);
  }
  std::uint64_t filled = 0;
  bool failed = false;
  cuts.forEachPiece(offset, want, [&](std::uint64_t phys, std::uint64_t n) {
    const std::int64_t got = src_->readAt(phys, std::span(cacheBuf_.get() + filled, n));
    if (got < 0) {
      failed = true;
      return false;
    }
    filled += static_cast<std::uint64_t>(got);
    return static_cast<std::uint64_t>(got) == n;  // short: the file shrank under us
  });
  if (failed) {
    invalidateCache();
    return false;
  }
  cacheLen = filled;
  ++refills;
  if (tap_) tap_->read(offset, ByteView(cacheBuf_.get(), filled));
  unreadableSeen_ = src_->unreadable();
  return true;
}

std::uint64_t SourceFile::unreadableEnd(std::uint64_t offset, std::uint64_t len) const {
  if (unreadableSeen_.empty()) return 0;
  std::uint64_t end = 0, logical = offset;
  cuts.forEachPiece(offset, len, [&](std::uint64_t phys, std::uint64_t n) {
    if (const std::uint64_t to = UnreadableEnd(unreadableSeen_, phys, n)) end = logical + (to - phys);
    logical += n;
    return true;
  });
  return end;
}

bool SourceFile::readAt(std::uint64_t offset, std::uint64_t count, Bytes& out) {
  if (!ensure(offset, count)) return false;
  const ByteView v = cached(offset, count);
  out.assign(count, 0);
  if (!v.empty()) std::memcpy(out.data(), v.data(), v.size());
  return true;
}

bool SourceFile::ensure(std::uint64_t offset, std::uint64_t count) {
  if (count > CacheSize || !src_) return false;
  const bool hit = offset >= cacheStart && cacheStart + cacheLen >= offset + count;
  return hit || refill(offset);
}

ByteView SourceFile::view(std::uint64_t offset, std::uint64_t count) {
  return ensure(offset, count) ? cached(offset, count) : ByteView{};
}

ByteView SourceFile::cached(std::uint64_t offset, std::uint64_t count) {
  cachePos = offset - cacheStart;
  const std::uint64_t avail = cacheLen > cachePos ? std::min(count, cacheLen - cachePos) : 0;
  const ByteView v(cacheBuf_.get() + cachePos, avail);
  cachePos += count;
  return v;
}

std::int64_t SourceFile::copyTo(std::uint64_t offset, std::uint64_t len, int outFd, std::uint64_t outOffset) {
  if (!src_) return -1;
  std::uint64_t done = 0;
  bool failed = false;
  cuts.forEachPiece(offset, len, [&](std::uint64_t phys, std::uint64_t n) {
    const std::int64_t got = src_->copyTo(phys, n, outFd, outOffset + done);
    if (got < 0) {
      failed = done == 0;
      return false;
    }
    done += static_cast<std::uint64_t>(got);
    return static_cast<std::uint64_t>(got) == n;
  });
  if (failed) return -1;
  return static_cast<std::int64_t>(done);
}

bool SourceFile::readLarge(std::uint64_t offset, std::uint64_t count, Bytes& out) {
  if (count <= CacheSize) return readAt(offset, count, out);
  Bytes all, part;
  all.reserve(count);
  for (std::uint64_t done = 0; done < count;) {
    const std::uint64_t n = std::min<std::uint64_t>(CacheSize, count - done);
    if (!readAt(offset + done, n, part)) return false;
    all.insert(all.end(), part.begin(), part.end());
    done += n;
  }
  out = std::move(all);
  return true;
}

}  // namespace corvel
