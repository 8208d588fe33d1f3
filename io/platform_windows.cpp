// Windows: C runtime descriptors over Win32 handles. Names arrive as UTF-8
// and go to the system as UTF-16; reads and writes at an offset go through
// the handle with the offset in an OVERLAPPED, putting the descriptor's
// position back where a later plain write expects it.
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <shellapi.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

#include "io/platform.hpp"

namespace corvel::platform {

namespace {

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string Utf8(const wchar_t* wide) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return {};
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, out.data(), n, nullptr, nullptr);
  out.pop_back();  // the terminating zero
  return out;
}

// errno for a failed Win32 call, so that callers read one kind of error.
void SetErrno() {
  switch (GetLastError()) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: errno = ENOSPC; break;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: errno = ENOENT; break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION: errno = EACCES; break;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS: errno = EEXIST; break;
    default: errno = EIO;
  }
}

HANDLE HandleOf(int fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }

OVERLAPPED At(std::uint64_t offset) {
  OVERLAPPED o{};
  o.Offset = static_cast<DWORD>(offset);
  o.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return o;
}

constexpr DWORD kLargestCall = 1u << 30;

// A plain file (not a folder, a device or a link): what may be replaced.
bool IsPlainFile(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) == 0;
}

}  // namespace

int OpenForReading(const std::string& path, std::uint64_t& size, std::string& error) {
  const std::wstring name = Wide(path);
  const DWORD attributes = GetFileAttributesW(name.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    error = "is a directory";
    return -1;
  }
  int fd = -1;
  if (_wsopen_s(&fd, name.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT, _SH_DENYNO, 0) != 0) {
    error = LastError();
    return -1;
  }
  LARGE_INTEGER length{};
  if (GetFileType(HandleOf(fd)) != FILE_TYPE_DISK || !GetFileSizeEx(HandleOf(fd), &length)) {
    error = "not a regular file";
    _close(fd);
    return -1;
  }
  size = static_cast<std::uint64_t>(length.QuadPart);
  return fd;
}

std::int64_t ReadAt(int fd, std::uint64_t offset, std::span<std::uint8_t> out) {
  const HANDLE h = HandleOf(fd);
  std::size_t done = 0;
  while (done < out.size()) {
    OVERLAPPED o = At(offset + done);
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(out.size() - done, kLargestCall));
    if (!ReadFile(h, out.data() + done, want, &got, &o)) {
      if (GetLastError() == ERROR_HANDLE_EOF) break;
      SetErrno();
      return -1;
    }
    if (got == 0) break;
    done += got;
  }
  return static_cast<std::int64_t>(done);
}

std::int64_t CopyRange(int, std::uint64_t, int, std::uint64_t, std::uint64_t) { return -1; }

int CreateForWriting(const std::string& path, bool& created, std::string& error) {
  const std::wstring name = Wide(path);
  const DWORD attributes = GetFileAttributesW(name.c_str());
  if (IsPlainFile(attributes) && !DeleteFileW(name.c_str())) {
    SetErrno();
    error = LastError();
    return -1;
  }
  created = GetFileAttributesW(name.c_str()) == INVALID_FILE_ATTRIBUTES;
  int fd = -1;
  if (_wsopen_s(&fd, name.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT, _SH_DENYWR,
                _S_IREAD | _S_IWRITE) != 0) {
    error = LastError();
    return -1;
  }
  return fd;
}

int CreateBeside(const std::string& near, const std::string& suffix, std::string& name, std::string& error) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::random_device seed;
  std::mt19937 pick(seed());
  std::uniform_int_distribution<std::size_t> letter(0, sizeof kLetters - 2);
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = near + ".";
    for (int i = 0; i < 6; ++i) name += kLetters[letter(pick)];
    name += suffix;
    int fd = -1;
    if (_wsopen_s(&fd, Wide(name).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _SH_DENYWR,
                  _S_IREAD | _S_IWRITE) == 0)
      return fd;
    if (errno != EEXIST) break;
  }
  error = LastError();
  return -1;
}

long Write(int fd, const std::uint8_t* p, std::size_t n, std::int64_t at) {
  const DWORD want = static_cast<DWORD>(std::min<std::size_t>(n, kLargestCall));
  if (at < 0) return _write(fd, p, want);
  // A write at an offset moves the handle's position: it is put back.
  const HANDLE h = HandleOf(fd);
  LARGE_INTEGER position{}, zero{};
  if (!SetFilePointerEx(h, zero, &position, FILE_CURRENT)) {
    SetErrno();
    return -1;
  }
  OVERLAPPED o = At(static_cast<std::uint64_t>(at));
  DWORD put = 0;
  const BOOL ok = WriteFile(h, p, want, &put, &o);
  if (!ok) SetErrno();
  SetFilePointerEx(h, position, nullptr, FILE_BEGIN);
  return ok ? static_cast<long>(put) : -1;
}

bool Seek(int fd, std::uint64_t offset) { return _lseeki64(fd, static_cast<__int64>(offset), SEEK_SET) >= 0; }

int Truncate(int fd, std::uint64_t size) {
  const errno_t e = _chsize_s(fd, static_cast<__int64>(size));
  if (e != 0) errno = e;
  return e == 0 ? 0 : -1;
}

int Close(int fd) { return _close(fd); }

bool Preallocate(int, std::uint64_t) { return false; }

void RemoveRegularFile(const std::string& path) {
  const std::wstring name = Wide(path);
  if (IsPlainFile(GetFileAttributesW(name.c_str()))) DeleteFileW(name.c_str());
}

bool Rename(const std::string& from, const std::string& to) {
  if (MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  SetErrno();
  return false;
}

bool RenameNew(const std::string& from, const std::string& to) {
  // Without MOVEFILE_REPLACE_EXISTING the move fails when the name is taken.
  if (MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), 0)) return true;
  SetErrno();
  return false;
}

PathKind KindOf(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::none;
  return IsPlainFile(attributes) ? PathKind::regular : PathKind::other;
}

bool SameFile(const std::string& a, const std::string& b) {
  auto identity = [](const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    const HANDLE h = CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool ok = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    return ok;
  };
  BY_HANDLE_FILE_INFORMATION ia{}, ib{};
  if (!identity(a, ia) || !identity(b, ib)) return false;
  return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
         ia.nFileIndexLow == ib.nFileIndexLow;
}

std::string LastError() { return std::strerror(errno); }

std::vector<std::string> Arguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return {argv, argv + argc};
  std::vector<std::string> out;
  for (int i = 0; i < count; ++i) out.push_back(Utf8(wide[i]));
  LocalFree(wide);
  return out;
}

void PrepareConsole() {
  SetConsoleOutputCP(CP_UTF8);
  // The bytes written are the bytes meant: "\n" stays "\n", as on Linux.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

bool StderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

ThreadPriority LowerThreadPriority() {
  ThreadPriority saved;
  // Background mode lowers the thread's processor, disk and memory priority.
  saved.policy = SetThreadPriority(GetCurrentThread(), THREAD_MODE_BACKGROUND_BEGIN) ? 1 : -1;
  return saved;
}

void RestoreThreadPriority(const ThreadPriority& saved) {
  if (saved.policy > 0) SetThreadPriority(GetCurrentThread(), THREAD_MODE_BACKGROUND_END);
}

void* OpenLibrary(const std::string& name, std::string& error) {
  HMODULE h = LoadLibraryW(PathOf(name).wstring().c_str());
  if (!h) error = name + ": " + LastError();
  return reinterpret_cast<void*>(h);
}

void* LibrarySymbol(void* library, const char* name) {
  return library ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name)) : nullptr;
}

}  // namespace corvel::platform
