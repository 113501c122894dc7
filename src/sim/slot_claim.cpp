#include "sim/slot_claim.h"

#include <filesystem>
#include <system_error>

#ifndef _WIN32
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace kelmo::sim {

#ifdef _WIN32
// On Windows the simulator lives in a stand-in library for tests only; slots are not shared.
bool SlotClaim::take(const std::string&, int) { return true; }
void SlotClaim::release() {}
#else
bool SlotClaim::take(const std::string& folder, int slot) {
  release();
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  const std::string file = (std::filesystem::path(folder) / ("kelmo-sim-slot-" + std::to_string(slot) + ".lock")).string();
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
#endif

}  // namespace kelmo::sim
