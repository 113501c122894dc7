#include "platform/replace_file.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

#include "platform/file_path.h"

#ifdef _WIN32
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace kelmo {

namespace {

#ifdef _WIN32
using ssize_t_ = int;
int openNew(const std::string& name) {
  return openFileDescriptor(name, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
}
ssize_t_ writeSome(int fd, const char* data, std::size_t size) {
  return ::_write(fd, data, static_cast<unsigned>(size > 0x40000000 ? 0x40000000 : size));
}
int flushToDisk(int fd) { return ::_commit(fd); }
int closeFile(int fd) { return ::_close(fd); }
void removeFile(const std::string& name) { ::_wunlink(filePath(name).c_str()); }
int processId() { return ::_getpid(); }

// MoveFileEx replaces an existing target in one step; write-through returns only when the
// rename is on the disk.
std::error_code renameOver(const std::string& from, const std::string& to) {
  if (::MoveFileExW(filePath(from).c_str(), filePath(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return {};
  return {static_cast<int>(::GetLastError()), std::system_category()};
}
#else
using ssize_t_ = ssize_t;
int openNew(const std::string& name) { return ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666); }
ssize_t_ writeSome(int fd, const char* data, std::size_t size) { return ::write(fd, data, size); }
int flushToDisk(int fd) { return ::fsync(fd); }
int closeFile(int fd) { return ::close(fd); }
void removeFile(const std::string& name) { ::unlink(name.c_str()); }
int processId() { return static_cast<int>(::getpid()); }

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// rename() replaces the target in one step; syncing the folder makes the new name durable.
std::error_code renameOver(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) return {errno, std::generic_category()};
  const int folder = ::open(folderOf(to).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    ::fsync(folder);  // best effort: some file systems refuse to sync a folder
    ::close(folder);
  }
  return {};
}

// The new file keeps the old one's permissions (a settings file made private stays so).
void copyPermissions(const std::string& from, int toFd) {
  struct stat info {};
  if (::stat(from.c_str(), &info) == 0) ::fchmod(toFd, info.st_mode & 07777);
}
#endif

std::error_code lastError() { return {errno, std::generic_category()}; }

// A name beside the target that no other writer, in this process or another, uses at once.
std::string temporaryNameFor(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  return path + ".new-" + std::to_string(processId()) + "-" + std::to_string(counter.fetch_add(1));
}

std::error_code writeAll(int fd, std::string_view bytes) {
  std::size_t written = 0;
  while (written < bytes.size()) {
    const auto n = writeSome(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      return lastError();
    }
    if (n == 0) return {ENOSPC, std::generic_category()};
    written += static_cast<std::size_t>(n);
  }
  return {};
}

}  // namespace

std::error_code replaceFileAtomically(const std::string& path, std::string_view bytes) {
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary = temporaryNameFor(path);
    fd = openNew(temporary);
    if (fd < 0 && errno != EEXIST) return lastError();
  }
  if (fd < 0) return lastError();
#ifndef _WIN32
  copyPermissions(path, fd);
#endif

  std::error_code error = writeAll(fd, bytes);
  if (!error && flushToDisk(fd) != 0) error = lastError();
  // A write may fail only at close (on network file systems).
  if (closeFile(fd) != 0 && !error) error = lastError();
  if (!error) error = renameOver(temporary, path);
  if (error) removeFile(temporary);
  return error;
}

}  // namespace kelmo
