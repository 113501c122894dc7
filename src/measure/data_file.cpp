#include "measure/data_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

#include "platform/file_path.h"

#ifdef _WIN32
#include <io.h>
#include <share.h>
#define KELMO_WRITE ::_write
#define KELMO_LSEEK ::_lseek
#define KELMO_CLOSE ::_close
#else
#include <sys/file.h>
#include <unistd.h>
#define KELMO_WRITE ::write
#define KELMO_LSEEK ::lseek
#define KELMO_CLOSE ::close
#endif

namespace kelmo {

int DataFile = -1;

namespace {

constexpr const char* kAnotherWriter = "его уже пишет другая программа";

#ifdef _WIN32
// Others may read the file while the run writes it, but not write it: a second writer's
// open fails with a sharing violation.
int openForAppend(const std::string& fileName, std::string& reason) {
  const int fd = ::_wsopen(filePath(fileName).c_str(), _O_WRONLY | _O_CREAT | _O_APPEND | _O_BINARY, _SH_DENYWR,
                           _S_IREAD | _S_IWRITE);
  if (fd == -1) reason = errno == EACCES ? std::string(kAnotherWriter) + " (или нет доступа)" : std::strerror(errno);
  return fd;
}
#else
// An exclusive lock on the open file marks its one writer; the system drops it when the
// file is closed or the process dies, so a crashed run never leaves the file claimed.
// Readers take no lock and are not kept out.
int openForAppend(const std::string& fileName, std::string& reason) {
  const int fd = openFileDescriptor(fileName, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd == -1) {
    reason = std::strerror(errno);
    return -1;
  }
  // Only a regular file is claimed: a device such as /dev/null may have many writers.
  struct stat info {};
  if (::fstat(fd, &info) == 0 && !S_ISREG(info.st_mode)) return fd;
  int locked;
  do {
    locked = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (locked != 0 && errno == EINTR);
  if (locked != 0) {
    reason = errno == EWOULDBLOCK ? kAnotherWriter : std::strerror(errno);
    ::close(fd);
    return -1;
  }
  return fd;
}
#endif

}  // namespace

bool openDataFile(const std::string& fileName, std::string& reason) {
  reason.clear();
  DataFile = openForAppend(fileName, reason);
  return DataFile != -1;
}

bool seekDataFileEnd() { return KELMO_LSEEK(DataFile, 0, SEEK_END) != -1; }

bool writeDataFile(const std::string& bytes) {
  if (bytes.empty()) return true;
  const long long written = KELMO_WRITE(DataFile, bytes.data(), static_cast<unsigned>(bytes.size()));
  return written == static_cast<long long>(bytes.size());
}

void closeDataFile() {
  if (DataFile == -1) return;
  KELMO_CLOSE(DataFile);
  DataFile = -1;
}

}  // namespace kelmo
