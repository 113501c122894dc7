#pragma once
// A private folder for a sound test, with XDG_RUNTIME_DIR pointing into it, so that no
// sound server of the machine or of another test is found.
#include <cstdlib>
#include <filesystem>
#include <string>

#include <stdlib.h>

namespace kelmo {

// A private folder, and XDG_RUNTIME_DIR pointing into it: no sound server is found there.
class ScratchFolder {
 public:
  ScratchFolder() {
    char pattern[] = "/tmp/kelmo-sound-XXXXXX";
    dir_ = ::mkdtemp(pattern);
    if (const char* old = std::getenv("XDG_RUNTIME_DIR")) saved_ = old;
    ::setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
  }
  ~ScratchFolder() {
    if (saved_.empty()) ::unsetenv("XDG_RUNTIME_DIR");
    else ::setenv("XDG_RUNTIME_DIR", saved_.c_str(), 1);
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  std::filesystem::path operator/(const char* name) const { return dir_ / name; }

 private:
  std::filesystem::path dir_;
  std::string saved_;
};

}  // namespace kelmo
