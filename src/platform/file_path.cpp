#include "platform/file_path.h"

#include <fcntl.h>

#ifdef _WIN32
#include <io.h>

#include "platform/utf16.h"
#endif

namespace kelmo {

std::filesystem::path filePath(std::string_view name) {
#ifdef _WIN32
  return std::filesystem::path(utf8ToUtf16(name));
#else
  return std::filesystem::path(std::string(name));
#endif
}

std::string fileNameText(const std::filesystem::path& path) {
#ifdef _WIN32
  return utf16ToUtf8(path.native());
#else
  return path.native();
#endif
}

std::FILE* openFile(std::string_view name, const char* mode) {
#ifdef _WIN32
  return ::_wfopen(filePath(name).c_str(), utf8ToUtf16(mode).c_str());
#else
  return std::fopen(std::string(name).c_str(), mode);
#endif
}

int openFileDescriptor(std::string_view name, int flags, int permissions) {
#ifdef _WIN32
  return ::_wopen(filePath(name).c_str(), flags | _O_BINARY, permissions);
#else
  return ::open(std::string(name).c_str(), flags, permissions);
#endif
}

}  // namespace kelmo
