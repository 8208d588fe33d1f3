// What differs between the systems this program runs on, in one place: files
// by descriptor (read at an offset, written, cut, created, removed), the
// background priority of a thread, and file names. Everything above this
// header is the same on Linux and on Windows. Names are UTF-8 everywhere
// inside the program; on Windows they become UTF-16 here.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace corvel::platform {

// Opens a regular file for reading; -1 and `error` (the system's reason) when
// it cannot, or when the name is a directory or a device.
int OpenForReading(const std::string& path, std::uint64_t& size, std::string& error);
// Reads up to out.size() bytes at `offset` without moving a shared position
// (several threads may read one descriptor); the count read, or -1.
std::int64_t ReadAt(int fd, std::uint64_t offset, std::span<std::uint8_t> out);
// Copies inside the system, where it can; -1 when the caller must copy.
std::int64_t CopyRange(int in, std::uint64_t inOffset, int out, std::uint64_t outOffset, std::uint64_t len);

// Creates `path` for writing. A regular file in the way is removed first (a
// new file, not a truncated one); `created` says whether nothing was there.
int CreateForWriting(const std::string& path, bool& created, std::string& error);
// Creates a file of a new name "<near>.XXXXXX<suffix>" (readable by
// others), never one that exists; the name is written back into `name`.
int CreateBeside(const std::string& near, const std::string& suffix, std::string& name, std::string& error);
// What a name leads to (links followed): nothing, a regular file, or
// something else (a device, a pipe, a directory).
enum class PathKind { none, regular, other };
PathKind KindOf(const std::string& path);
// Up to n bytes at the position, or at `at` when not negative; -1 with errno.
long Write(int fd, const std::uint8_t* p, std::size_t n, std::int64_t at);
bool Seek(int fd, std::uint64_t offset);
int Truncate(int fd, std::uint64_t size);
int Close(int fd);
// Reserves `bytes` on the disk; false where the system cannot.
bool Preallocate(int fd, std::uint64_t bytes);
// Removes `path` when it is a regular file (never a device or a link's target).
void RemoveRegularFile(const std::string& path);
// Gives `from` the name `to`, replacing a file there; false and errno.
bool Rename(const std::string& from, const std::string& to);
// Gives `from` the name `to` only while nothing has that name, in one step
// (of two callers, one gets it); false and errno (EEXIST when taken).
bool RenameNew(const std::string& from, const std::string& to);
// True when both names lead to the same existing file (links included).
bool SameFile(const std::string& a, const std::string& b);
// The system's text for the last failed call (errno).
std::string LastError();

// A UTF-8 name as a path, and back.
inline std::filesystem::path PathOf(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string NameOf(const std::filesystem::path& p) {
  const std::u8string s = p.u8string();
  return std::string(s.begin(), s.end());
}

// The command line as UTF-8 (on Windows read again from the wide one, so
// that names outside the system's code page arrive whole).
std::vector<std::string> Arguments(int argc, char** argv);
// Readies standard output and error for UTF-8 text.
void PrepareConsole();
bool StderrIsTerminal();

// The calling thread's share of the processor and the disk, lowered for a
// job that runs behind the user's work, and given back.
struct ThreadPriority {
  int nice = 0, ioPriority = -1, policy = -1;
};
ThreadPriority LowerThreadPriority();
void RestoreThreadPriority(const ThreadPriority& saved);

// A shared library opened by name when first needed (never closed: the
// libraries it is for keep state of their own), and its symbols. Null, with
// `error` set, when it cannot be opened.
void* OpenLibrary(const std::string& name, std::string& error);
void* LibrarySymbol(void* library, const char* name);

}  // namespace corvel::platform
