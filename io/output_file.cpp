#include "io/output_file.hpp"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "io/platform.hpp"

namespace corvel {

namespace {

// Why a name that had to be free was not.
constexpr const char* kNameTaken = "file already exists";

bool writeAll(WriteCalls& calls, int fd, const std::uint8_t* p, std::size_t n, std::int64_t at = -1) {
  while (n > 0) {
    const long w = calls.write(fd, p, n, at);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (w == 0) {
      errno = ENOSPC;
      return false;
    }
    p += w;
    n -= static_cast<std::size_t>(w);
    if (at >= 0) at += w;
  }
  return true;
}
}  // namespace

long WriteCalls::write(int fd, const std::uint8_t* p, std::size_t n, std::int64_t at) { return platform::Write(fd, p, n, at); }

int WriteCalls::truncate(int fd, std::uint64_t size) { return platform::Truncate(fd, size); }

int WriteCalls::close(int fd) { return platform::Close(fd); }

std::unique_ptr<OutputFile> OutputFile::create(const std::string& path, std::string& error, WriteCalls* calls,
                                               bool replace) {
  const platform::PathKind kind = platform::KindOf(path);
  if (kind == platform::PathKind::other) {
    // A device or a pipe: written as it is (nothing is created or renamed).
    bool anew = false;
    const int fd = platform::CreateForWriting(path, anew, error);
    if (fd < 0) return nullptr;
    return std::make_unique<OutputFile>(Key{}, fd, calls);
  }
  if (kind == platform::PathKind::regular && !replace) {
    error = kNameTaken;
    return nullptr;
  }
  std::string partial;
  const int fd = platform::CreateBeside(path, kPartialSuffix, partial, error);
  if (fd < 0) return nullptr;
  auto out = std::make_unique<OutputFile>(Key{}, fd, calls);
  out->path_ = partial;
  out->final_ = path;
  out->replace_ = replace;
  return out;
}

bool OutputFile::publish() {
  if (final_.empty()) return true;
  const bool moved = replace_ ? platform::Rename(path_, final_) : platform::RenameNew(path_, final_);
  if (!moved) {
    if (error_.empty()) error_ = errno == EEXIST ? kNameTaken : platform::LastError();
    platform::RemoveRegularFile(path_);
  }
  path_.clear();
  return moved;
}

void OutputFile::discard() {
  if (fd_ >= 0) {
    calls_->close(fd_);
    fd_ = -1;
  }
  // Only the file this object made under its own name: never a device or
  // the file the final name leads to.
  if (!path_.empty()) platform::RemoveRegularFile(path_);
  path_.clear();
}

OutputFile::OutputFile(Key, int fd, WriteCalls* calls)
    : fd_(fd), calls_(calls ? calls : &systemCalls_), buf_(calls_->bufferBytes()) {}

OutputFile::~OutputFile() {
  // Never closed: what was written never takes the final name.
  if (fd_ >= 0 || !path_.empty()) discard();
}

bool OutputFile::fail() {
  if (error_.empty()) error_ = platform::LastError();
  return false;
}

bool OutputFile::seekEnd() {
  if (!platform::Seek(fd_, written_)) return fail();
  return true;
}

bool OutputFile::flush() {
  if (failed()) return false;
  if (used_ == 0) return true;
  if (!writeAll(*calls_, fd_, buf_.data(), used_)) return fail();
  written_ += used_;
  used_ = 0;
  return true;
}

std::span<std::uint8_t> OutputFile::reserve(std::size_t n) {
  if (failed()) return {};
  if (buf_.size() - used_ < n && !flush()) return {};
  if (n > buf_.size()) buf_.resize(n);
  return std::span<std::uint8_t>(buf_).subspan(used_, n);
}

bool OutputFile::write(ByteView data) {
  if (failed()) return false;
  if (data.empty()) return true;  // an empty view may have no data pointer at all
  if (data.size() > buf_.size() - used_ && !flush()) return false;
  if (data.size() >= buf_.size()) {
    if (!writeAll(*calls_, fd_, data.data(), data.size())) return fail();
    written_ += data.size();
    return true;
  }
  std::memcpy(buf_.data() + used_, data.data(), data.size());
  used_ += data.size();
  return true;
}

void OutputFile::preallocate(std::uint64_t bytes) {
  if (bytes > 0 && platform::Preallocate(fd_, bytes)) preallocated_ = true;
}

bool OutputFile::writeAt(std::uint64_t offset, ByteView data) {
  if (!flush()) return false;
  if (!writeAll(*calls_, fd_, data.data(), data.size(), static_cast<std::int64_t>(offset))) return fail();
  return true;
}

bool OutputFile::cutTo(std::uint64_t size) {
  if (!flush()) return false;
  if (size > written_) return true;
  // A preallocated file is cut to its length when it is closed.
  if (!preallocated_ && calls_->truncate(fd_, size) != 0) return fail();
  written_ = size;
  return seekEnd();
}

bool OutputFile::close() {
  bool ok = flush();
  if (ok && preallocated_ && calls_->truncate(fd_, written_) != 0) ok = fail();
  const int rc = calls_->close(fd_);
  fd_ = -1;
  if (rc != 0 && ok) ok = fail();
  ok = ok && !failed();
  if (!ok) {
    discard();
    return false;
  }
  return publish();
}

std::unique_ptr<OutputFile> CreateOutput(const std::string& path, std::span<const std::string> sources, Message& why,
                                         const JobContext& ctx) {
  return CreateOutput(path, sources, why, ctx.writeCalls(), ctx.replaceExisting());
}

std::unique_ptr<OutputFile> CreateOutput(const std::string& path, std::span<const std::string> sources, Message& why,
                                         WriteCalls* calls, bool replace) {
  for (const std::string& source : sources)
    if (platform::SameFile(path, source)) {
      why = Message(MessageId::OutputIsSource, path);
      return nullptr;
    }
  std::string error;
  auto out = OutputFile::create(path, error, calls, replace);
  if (!out) why = Message(MessageId::CreateOutputError, ": " + path + ": " + error);
  return out;
}

bool WriteWholeFile(const std::string& path, ByteView bytes, std::string& error, WriteCalls* calls) {
  const auto out = OutputFile::create(path, error, calls);
  if (!out) return false;
  if (!out->write(bytes) || !out->close()) {
    error = out->error();
    out->discard();
    return false;
  }
  return true;
}

}  // namespace corvel
