#include "asf/output_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace corvel {

namespace {

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

long WriteCalls::write(int fd, const std::uint8_t* p, std::size_t n, std::int64_t at) {
  return at < 0 ? ::write(fd, p, n) : ::pwrite(fd, p, n, static_cast<off_t>(at));
}

int WriteCalls::truncate(int fd, std::uint64_t size) { return ::ftruncate(fd, static_cast<off_t>(size)); }

int WriteCalls::close(int fd) { return ::close(fd); }

std::unique_ptr<OutputFile> OutputFile::create(const std::string& path, std::string& error, WriteCalls* calls) {
  // A regular file in the way is replaced by a new one rather than truncated:
  // ext4 flushes a truncated-and-rewritten file on close, which costs as
  // much as the whole save.
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::unlink(path.c_str()) != 0) {
    error = std::strerror(errno);
    return nullptr;
  }
  const bool anew = ::lstat(path.c_str(), &st) != 0;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = std::strerror(errno);
    return nullptr;
  }
  auto out = std::make_unique<OutputFile>(Key{}, fd, calls);
  if (anew) out->path_ = path;
  return out;
}

std::unique_ptr<OutputFile> OutputFile::createBeside(const std::string& near, std::string& error, WriteCalls* calls) {
  std::string name = near + ".XXXXXX";
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) {
    error = std::strerror(errno);
    return nullptr;
  }
  // mkostemp makes it for its owner alone: it gets the mode of the others.
  ::fchmod(fd, 0644);
  auto out = std::make_unique<OutputFile>(Key{}, fd, calls);
  out->path_ = name;
  return out;
}

void OutputFile::discard() {
  if (fd_ >= 0) {
    calls_->close(fd_);
    fd_ = -1;
  }
  // Only a regular file this object made: never a device or a file that
  // was there before under another name.
  struct stat st {};
  if (!path_.empty() && ::lstat(path_.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(path_.c_str());
  path_.clear();
}

OutputFile::OutputFile(Key, int fd, WriteCalls* calls)
    : fd_(fd), calls_(calls ? calls : &systemCalls_), buf_(calls_->bufferBytes()) {}

OutputFile::~OutputFile() {
  if (fd_ >= 0) {
    flush();
    calls_->close(fd_);
  }
}

bool OutputFile::fail() {
  if (error_.empty()) error_ = std::strerror(errno);
  return false;
}

bool OutputFile::seekEnd() {
  if (::lseek(fd_, static_cast<off_t>(written_), SEEK_SET) < 0) return fail();
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
  if (bytes > 0 && ::fallocate(fd_, 0, 0, static_cast<off_t>(bytes)) == 0) preallocated_ = true;
}

bool OutputFile::writeAt(std::uint64_t offset, ByteView data) {
  if (!flush()) return false;
  if (!writeAll(*calls_, fd_, data.data(), data.size(), static_cast<std::int64_t>(offset))) return fail();
  return true;
}

bool OutputFile::close() {
  bool ok = flush();
  if (ok && preallocated_ && calls_->truncate(fd_, written_) != 0) ok = fail();
  const int rc = calls_->close(fd_);
  fd_ = -1;
  if (rc != 0 && ok) return fail();
  return ok && !failed();
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {}, sb {};
  if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

std::unique_ptr<OutputFile> CreateOutput(const std::string& path, std::span<const std::string> sources, Message& why,
                                         WriteCalls* calls) {
  for (const std::string& source : sources)
    if (SameFile(path, source)) {
      why = Message(MessageId::OutputIsSource, path);
      return nullptr;
    }
  std::string error;
  auto out = OutputFile::create(path, error, calls);
  if (!out) why = Message(MessageId::CreateOutputError, ": " + path + ": " + error);
  return out;
}

bool WriteWholeFile(const std::string& path, ByteView bytes, std::string& error, WriteCalls* calls) {
  // The new file is made beside the old one (a rename stays on one disk).
  const auto out = OutputFile::createBeside(path, error, calls);
  if (!out) return false;
  if (!out->write(bytes) || !out->close() || ::rename(out->createdPath().c_str(), path.c_str()) != 0) {
    error = out->failed() ? out->error() : std::strerror(errno);
    out->discard();
    return false;
  }
  return true;
}

namespace {

namespace fs = std::filesystem;

bool endsWithCounter(const std::string& name) {
  if (name.size() <= 4) return false;
  const std::size_t n = name.size();
  return name[n - 4] == '.' && std::isdigit(static_cast<unsigned char>(name[n - 3])) &&
         std::isdigit(static_cast<unsigned char>(name[n - 2])) && std::isdigit(static_cast<unsigned char>(name[n - 1]));
}

// Adds 1 to the number in the last three characters, zero-padded to three.
void bumpCounter(std::string& name) {
  const long n = std::stol(name.substr(name.size() - 3)) + 1;
  std::string digits = std::to_string(n);
  if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
  name.replace(name.size() - 3, 3, digits);
}

std::string folderOf(const fs::path& in) {
  std::string folder = in.parent_path().string();
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

std::string nextFree(const std::string& input) {
  const fs::path in(input);
  const std::string folder = folderOf(in);
  std::string name = in.stem().string();
  const std::string ext = in.extension().string();
  if (endsWithCounter(name))
    bumpCounter(name);
  else
    name += ".001";
  std::error_code ec;
  // The counter goes on in the last three characters: past 999 they are
  // the last three of four digits ("movie.1000" -> "movie.1001").
  while (fs::exists(folder + name + ext, ec)) bumpCounter(name);
  return folder + name + ext;
}

std::string joined(const std::string& first) {
  const fs::path p(first);
  std::string name = p.filename().string();
  std::string ext;
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos) {
    ext = name.substr(dot);
    // A name that is all extension (".wmv") keeps it as its name too.
    if (dot > 0) name = name.substr(0, dot);
  }
  return folderOf(p) + name + ".joined" + ext;
}

}  // namespace

std::string OutputName(const std::string& input, OutputNaming kind) {
  switch (kind) {
    case OutputNaming::nextFree: return nextFree(input);
    case OutputNaming::joined: return joined(input);
    case OutputNaming::errorList: return input + ".index";
    case OutputNaming::dump: {
      const std::size_t cut = input.find_last_of("/\\:");
      return (cut == std::string::npos ? input : input.substr(cut + 1)) + ".dump.txt";
    }
    case OutputNaming::avi: return input + ".avi";
  }
  return input;
}

}  // namespace corvel
