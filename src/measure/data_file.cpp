#include "measure/data_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#define KELMO_OPEN ::_open
#define KELMO_WRITE ::_write
#define KELMO_LSEEK ::_lseek
#define KELMO_CLOSE ::_close
#define KELMO_BINARY _O_BINARY
#else
#include <unistd.h>
#define KELMO_OPEN ::open
#define KELMO_WRITE ::write
#define KELMO_LSEEK ::lseek
#define KELMO_CLOSE ::close
#define KELMO_BINARY 0
#endif

namespace kelmo {

int DataFile = -1;

bool openDataFile(const std::string& fileName) {
  struct stat info {};
  if (::stat(fileName.c_str(), &info) == 0) {
    DataFile = KELMO_OPEN(fileName.c_str(), O_WRONLY | KELMO_BINARY);
  } else {
    DataFile = KELMO_OPEN(fileName.c_str(), O_RDWR | O_CREAT | O_EXCL | KELMO_BINARY, 0644);
  }
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
