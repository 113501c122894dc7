#include "sim/slot_claim.h"

#include <filesystem>
#include <system_error>

#include "platform/file_path.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace kelmo::sim {

namespace {

std::filesystem::path lockFile(const std::string& folder, int slot) {
  const std::filesystem::path dir = filePath(folder);
  std::error_code ignored;
  std::filesystem::create_directories(dir, ignored);
  return dir / ("kelmo-sim-slot-" + std::to_string(slot) + ".lock");
}

}  // namespace

#ifdef _WIN32
bool SlotClaim::take(const std::string& folder, int slot) {
  release();
  // Opened without sharing: a second opener is refused until this handle closes, which
  // the system does when the program ends or dies.
  HANDLE file = CreateFileW(lockFile(folder, slot).c_str(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  file_ = file;
  return true;
}

void SlotClaim::release() {
  if (file_ == nullptr) return;
  CloseHandle(file_);
  file_ = nullptr;
}

bool SlotClaim::held() const { return file_ != nullptr; }
#else
bool SlotClaim::take(const std::string& folder, int slot) {
  release();
  const std::string file = lockFile(folder, slot).string();
  // Read-only is enough for the lock, and works on a file another user made.
  const int fd = ::open(file.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd == -1) return false;
  int locked;
  do {
    locked = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (locked != 0 && errno == EINTR);
  if (locked != 0) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

void SlotClaim::release() {
  if (fd_ == -1) return;
  ::close(fd_);  // closing the only descriptor lets the lock go
  fd_ = -1;
}

bool SlotClaim::held() const { return fd_ != -1; }
#endif

}  // namespace kelmo::sim
