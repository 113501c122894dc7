#pragma once
// Test helper: standard error of this process goes to a file while the object lives.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace kelmo {

// Standard error of this process goes to a file while it lives.
class CapturedStderr {
 public:
  explicit CapturedStderr(const std::filesystem::path& file) : file_(file) {
    std::fflush(stderr);
    saved_ = ::dup(STDERR_FILENO);
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(fd, STDERR_FILENO);
    ::close(fd);
  }
  ~CapturedStderr() { restore(); }
  std::string text() {
    restore();
    std::ifstream in(file_);
    return {std::istreambuf_iterator<char>(in), {}};
  }

 private:
  void restore() {
    if (saved_ < 0) return;
    std::fflush(stderr);
    ::dup2(saved_, STDERR_FILENO);
    ::close(saved_);
    saved_ = -1;
  }
  std::filesystem::path file_;
  int saved_ = -1;
};

}  // namespace kelmo
