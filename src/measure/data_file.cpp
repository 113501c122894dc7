#include "measure/data_file.h"

#include <fcntl.h>

#include <filesystem>

#include "platform/file_path.h"

#ifdef _WIN32
#include <io.h>
#define KELMO_WRITE ::_write
#define KELMO_LSEEK ::_lseek
#define KELMO_CLOSE ::_close
#define KELMO_BINARY _O_BINARY
#else
#include <unistd.h>
#define KELMO_WRITE ::write
#define KELMO_LSEEK ::lseek
#define KELMO_CLOSE ::close
#define KELMO_BINARY 0
#endif

namespace kelmo {

int DataFile = -1;

bool openDataFile(const std::string& fileName) {
  std::error_code error;
  if (std::filesystem::exists(filePath(fileName), error)) {
    DataFile = openFileDescriptor(fileName, O_WRONLY | KELMO_BINARY);
  } else {
    DataFile = openFileDescriptor(fileName, O_RDWR | O_CREAT | O_EXCL | KELMO_BINARY, 0644);
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
