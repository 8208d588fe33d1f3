// Linux: the POSIX calls, and Linux's own for copying, reserving room and
// the I/O priority.
#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "io/platform.hpp"

namespace corvel::platform {

int OpenForReading(const std::string& path, std::uint64_t& size, std::string& error) {
  // Opened without blocking: a pipe or a device given as the source would
  // otherwise wait in open() for a writer, past any stop request.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    error = LastError();
    return -1;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    error = S_ISDIR(st.st_mode) ? "is a directory" : "not a regular file";
    ::close(fd);
    return -1;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  size = static_cast<std::uint64_t>(st.st_size);
  return fd;
}

std::int64_t ReadAt(int fd, std::uint64_t offset, std::span<std::uint8_t> out) {
  std::size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = ::pread(fd, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return static_cast<std::int64_t>(done);
}

std::int64_t CopyRange(int in, std::uint64_t inOffset, int out, std::uint64_t outOffset, std::uint64_t len) {
  auto from = static_cast<loff_t>(inOffset);
  auto to = static_cast<loff_t>(outOffset);
  std::uint64_t done = 0;
  while (done < len) {
    const ssize_t n = ::copy_file_range(in, &from, out, &to, len - done, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      return done ? static_cast<std::int64_t>(done) : -1;
    }
    if (n == 0) break;
    done += static_cast<std::uint64_t>(n);
  }
  return static_cast<std::int64_t>(done);
}

int CreateForWriting(const std::string& path, bool& created, std::string& error) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::unlink(path.c_str()) != 0) {
    error = LastError();
    return -1;
  }
  created = ::lstat(path.c_str(), &st) != 0;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) error = LastError();
  return fd;
}

int CreateBeside(const std::string& near, const std::string& suffix, std::string& name, std::string& error) {
  name = near + ".XXXXXX" + suffix;
  const int fd = ::mkostemps(name.data(), static_cast<int>(suffix.size()), O_CLOEXEC);
  if (fd < 0) {
    error = LastError();
    return -1;
  }
  // mkostemp makes it for its owner alone: it gets the mode of the others.
  ::fchmod(fd, 0644);
  return fd;
}

long Write(int fd, const std::uint8_t* p, std::size_t n, std::int64_t at) {
  return at < 0 ? ::write(fd, p, n) : ::pwrite(fd, p, n, static_cast<off_t>(at));
}

bool Seek(int fd, std::uint64_t offset) { return ::lseek(fd, static_cast<off_t>(offset), SEEK_SET) >= 0; }

int Truncate(int fd, std::uint64_t size) { return ::ftruncate(fd, static_cast<off_t>(size)); }

int Close(int fd) { return ::close(fd); }

bool Preallocate(int fd, std::uint64_t bytes) { return ::fallocate(fd, 0, 0, static_cast<off_t>(bytes)) == 0; }

void RemoveRegularFile(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(path.c_str());
}

bool Rename(const std::string& from, const std::string& to) { return ::rename(from.c_str(), to.c_str()) == 0; }

bool RenameNew(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
  // A file system without the exclusive rename: a new link is as exclusive.
  if (::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());
    return true;
  }
  if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP) return false;
  // Neither (FAT): the check and the rename are two steps there.
  struct stat st {};
  if (::lstat(to.c_str(), &st) == 0) {
    errno = EEXIST;
    return false;
  }
  return ::rename(from.c_str(), to.c_str()) == 0;
}

PathKind KindOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    // A link to nothing is still a name taken.
    return ::lstat(path.c_str(), &st) == 0 ? PathKind::other : PathKind::none;
  }
  return S_ISREG(st.st_mode) ? PathKind::regular : PathKind::other;
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {}, sb {};
  if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

std::string LastError() { return std::strerror(errno); }

std::vector<std::string> Arguments(int argc, char** argv) { return {argv, argv + argc}; }

void PrepareConsole() {}

bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) != 0; }

namespace {

// The I/O priority of the calling thread (Linux: class in the top bits).
constexpr int kIoWhoThread = 1;  // IOPRIO_WHO_PROCESS, which means a thread id
constexpr int kIoClassIdle = 3;
constexpr int kIoClassShift = 13;

int ioPriority() {
#ifdef SYS_ioprio_get
  return static_cast<int>(syscall(SYS_ioprio_get, kIoWhoThread, 0));
#else
  return -1;
#endif
}

void setIoPriority(int value) {
#ifdef SYS_ioprio_set
  (void)syscall(SYS_ioprio_set, kIoWhoThread, 0, value);
#else
  (void)value;
#endif
}

// A thread's nice value is its own on Linux (the "process" a thread id names).
id_t threadId() { return static_cast<id_t>(syscall(SYS_gettid)); }

}  // namespace

ThreadPriority LowerThreadPriority() {
  ThreadPriority saved;
  errno = 0;
  const int nice = getpriority(PRIO_PROCESS, threadId());
  if (errno == 0) saved.nice = nice;
  (void)setpriority(PRIO_PROCESS, threadId(), 19);
  saved.ioPriority = ioPriority();
  setIoPriority(kIoClassIdle << kIoClassShift);
  sched_param param{};
  if (pthread_getschedparam(pthread_self(), &saved.policy, &param) != 0) saved.policy = -1;
  param.sched_priority = 0;
  (void)pthread_setschedparam(pthread_self(), SCHED_IDLE, &param);
  return saved;
}

void RestoreThreadPriority(const ThreadPriority& saved) {
  // Given back where the system allows (raising a priority again may need
  // a privilege; a job's own worker thread ends with the job anyway).
  if (saved.policy >= 0) {
    sched_param param{};
    (void)pthread_setschedparam(pthread_self(), saved.policy, &param);
  }
  if (saved.ioPriority >= 0) setIoPriority(saved.ioPriority);
  (void)setpriority(PRIO_PROCESS, threadId(), saved.nice);
}

void* OpenLibrary(const std::string& name, std::string& error) {
  void* h = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (!h) {
    const char* why = dlerror();
    error = why ? why : name + ": cannot be opened";
  }
  return h;
}

void* LibrarySymbol(void* library, const char* name) { return library ? dlsym(library, name) : nullptr; }

}  // namespace corvel::platform
