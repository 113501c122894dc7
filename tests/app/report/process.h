#pragma once
// Runs the program in a private folder and collects its exit code and outputs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace kelmo::testing {

namespace fs = std::filesystem;

inline std::string fileText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Outcome {
  int exitCode = -1;
  std::string out, err;
};

class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& name)
      : path_(fs::temp_directory_path() / (name + "_" + std::to_string(::getpid()))) {
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~ScratchFolder() { fs::remove_all(path_); }
  const fs::path& path() const { return path_; }

  // "kelmo ARGS" with this folder as the current one; prefix such as "env -u DISPLAY".
  Outcome run(const std::string& args, const std::string& prefix = "") const {
    const std::string command =
        "cd '" + path_.string() + "' && " + prefix + " '" KELMO_PROGRAM "' " + args + " >out.txt 2>err.txt";
    const int status = std::system(command.c_str());
    Outcome o;
    o.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    o.out = fileText(path_ / "out.txt");
    o.err = fileText(path_ / "err.txt");
    return o;
  }

 private:
  fs::path path_;
};

}  // namespace kelmo::testing
