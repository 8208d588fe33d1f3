// The open source file as the rest of the program sees it: a read cache over
// the physical file and a list of cut-out regions, so that damaged stretches
// can be skipped on reading without touching the file itself.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "io/byte_source.hpp"
#include "io/byte_view.hpp"

namespace corvel {

struct CutRange {
  std::uint64_t offset = 0;  // physical offset in the source file
  std::uint64_t length = 0;
  std::uint64_t end() const { return offset + length; }
  bool operator==(const CutRange&) const = default;
};

// Sorted, non-touching, non-overlapping physical regions that reads skip.
class CutList {
 public:
  void clear() { cuts_.clear(); }
  void add(std::uint64_t off, std::uint64_t len);
  // Physical length covering `len` logical bytes that start at physical `off`.
  std::uint64_t span(std::uint64_t off, std::uint64_t len) const;
  std::uint64_t toPhysical(std::uint64_t p) const;
  // Bytes of the cuts that lie below the physical offset `limit`.
  std::uint64_t bytesBelow(std::uint64_t limit) const;
  const std::vector<CutRange>& ranges() const { return cuts_; }
  // Calls `piece(physical, n)` for each stretch of the physical file that the
  // logical bytes [offset, offset + len) lie in, in order, until it returns
  // false.
  template <typename Piece>
  void forEachPiece(std::uint64_t offset, std::uint64_t len, Piece piece) const;
  bool empty() const { return cuts_.empty(); }
  bool operator==(const CutList&) const = default;

 private:
  std::vector<CutRange> cuts_;
};

template <typename Piece>
void CutList::forEachPiece(std::uint64_t offset, std::uint64_t len, Piece piece) const {
  std::uint64_t phys = toPhysical(offset);
  auto next = cuts_.begin();
  while (next != cuts_.end() && next->offset < phys) ++next;
  for (std::uint64_t done = 0; done < len;) {
    std::uint64_t n = len - done;
    if (next != cuts_.end() && next->offset < phys + n) n = next->offset - phys;
    if (n > 0) {
      if (!piece(phys, n)) return;
      done += n;
    }
    if (next != cuts_.end() && next->offset <= phys + n) {
      phys = next->end();
      ++next;
    } else {
      phys += n;
    }
  }
}

// What a later look at a file compares: its size and when it was last written.
struct FileStamp {
  std::uint64_t size = 0;
  std::int64_t written = 0;  // the file system's clock, its own units
  bool operator==(const FileStamp&) const = default;
};
// The file's stamp now; none when it cannot be read.
std::optional<FileStamp> StampOf(const std::string& path);

// Where a file's bytes come from: a path, or bytes held in memory (tests,
// fuzzing). Each reader opens its own source from it.
struct SourceRef {
  std::string path;
  std::shared_ptr<const Bytes> memory{};
  std::optional<FileStamp> stamp{};  // the file as it was opened, when known
  ReadCalls* reads = nullptr;  // how the file is read: the system's when null (not owned)
  // When set, these bytes come first and the file's own from `from` on
  // follow them (a header taken from another recording).
  std::shared_ptr<const Bytes> head{};
  std::uint64_t from = 0;
  std::unique_ptr<ByteSource> open(std::string& error) const;
  // The file on disk is no longer the one opened (replaced, cut, written to).
  bool changed() const { return stamp && !memory && StampOf(path) != stamp; }
};

// The source read without the bytes of `cuts` (as it is when there are
// none); null, with the system's reason in `error`, when it cannot be
// opened. Read through `reads` when the source names no way of its own.
std::unique_ptr<ByteSource> OpenLogical(const SourceRef& source, const CutList& cuts, std::string& error,
                                        ReadCalls* reads = nullptr);

// The logical file as a byte source: the source's bytes without the cut ones.
class CutSource final : public ByteSource {
 public:
  CutSource(std::unique_ptr<ByteSource> src, CutList cuts);
  std::uint64_t size() const override { return size_; }
  std::int64_t readAt(std::uint64_t offset, std::span<std::uint8_t> out) const override;
  std::vector<UnreadableRange> unreadable() const override { return src_->unreadable(); }

 private:
  std::unique_ptr<ByteSource> src_;
  CutList cuts_;
  std::uint64_t size_;
};

// Hears the bytes a SourceFile reads from its source, as it reads them (a
// copy made while another job reads the file).
class ReadTap {
 public:
  virtual ~ReadTap() = default;
  // `bytes` are the logical file's from `offset` on.
  virtual void read(std::uint64_t offset, ByteView bytes) = 0;
};

class SourceFile {
 public:
  static constexpr std::uint32_t CacheSize = 2048000;

  // Opens the file read-only; on failure returns false, keeps the size and sets
  // lastError to the system's reason.
  bool openPath(const std::string& path);
  // Same over a source already at hand (memory, tests).
  void openSource(std::unique_ptr<ByteSource> src);
  // Opens a fresh source of the reference with these cuts; false (and
  // lastError) when it cannot be opened.
  bool open(const SourceRef& ref, const CutList& cutList);
  void close() { src_.reset(); }
  // Every read from the source from now on is told to `tap` (not owned;
  // null for none).
  void setReadTap(ReadTap* tap) { tap_ = tap; }
  bool isOpen() const { return src_ != nullptr; }

  void resetCache();
  void invalidateCache();
  // Fills `out` with `count` bytes of the logical file at logical `offset`.
  // False (out untouched) when count exceeds CacheSize or the file is closed
  // or fails to read. Bytes past the end of the file read as zero.
  bool readAt(std::uint64_t offset, std::uint64_t count, Bytes& out);
  // Up to `count` (at most CacheSize) bytes of the logical file at `offset`,
  // straight from the cache: no copy. Shorter at the end of the file, empty on
  // failure. Valid until the next read.
  ByteView view(std::uint64_t offset, std::uint64_t count);
  // Copies `len` bytes of the logical file at `offset` into a file
  // descriptor at `outOffset`, piece by piece around the cuts, without
  // passing them through the cache where the system allows. Returns the
  // count copied (short or -1 when the caller must copy the rest itself).
  std::int64_t copyTo(std::uint64_t offset, std::uint64_t len, int outFd, std::uint64_t outOffset);
  // Like ReadAt but for any size, in cache-sized steps.
  bool readLarge(std::uint64_t offset, std::uint64_t count, Bytes& out);
  // The stretches of the physical file found unreadable so far (they read
  // as zeros).
  std::vector<UnreadableRange> unreadable() const { return src_ ? src_->unreadable() : std::vector<UnreadableRange>{}; }
  // Where the unreadable bytes among the logical bytes [offset, offset +
  // len) end, as a logical offset; 0 when the reads so far met none there.
  std::uint64_t unreadableEnd(std::uint64_t offset, std::uint64_t len) const;

  // The physical size, taken when the file is opened.
  std::int64_t physicalSize() const { return physicalSize_; }
  // Size of the logical file: the physical size without the cut bytes.
  std::uint64_t logicalSize() const;
  CutList cuts;
  std::string lastError;

  // Cache state, visible for tests of the hit and refill rules.
  std::uint64_t cacheStart = 0;
  std::uint64_t cachePos = 0;
  std::uint64_t cacheLen = 0;
  std::uint64_t refills = 0;

 private:
  bool refill(std::uint64_t offset);
  // Makes [offset, offset + count) a cache hit; false when it cannot.
  bool ensure(std::uint64_t offset, std::uint64_t count);
  // The cached bytes of an ensured range (shorter at the end of the file).
  ByteView cached(std::uint64_t offset, std::uint64_t count);
  std::unique_ptr<ByteSource> src_;
  std::int64_t physicalSize_ = 0;
  std::vector<UnreadableRange> unreadableSeen_;  // as of the last refill
  // Grown on demand up to CacheSize; never zero-filled, only read where filled.
  std::unique_ptr<std::uint8_t[]> cacheBuf_;
  std::uint64_t cacheCap_ = 0;
  ReadTap* tap_ = nullptr;
};

}  // namespace corvel
