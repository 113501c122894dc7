#pragma once
// Where the file routines of scripts reach. A relative name resolves against the current
// folder, as the settings file does. A run that must keep to one folder (a fuzzing run,
// which writes whatever names it invents) confines the names to it: absolute names and
// names that climb out with ".." are refused with an error the script can catch.
#include <filesystem>
#include <string_view>

namespace kelmo::script_library {

class ScriptFileNames {
 public:
  ScriptFileNames() = default;  // anywhere: relative names against the current folder
  static ScriptFileNames inside(std::filesystem::path folder);

  // The file system's form of a script's file name (Windows-1251 bytes); throws
  // std::runtime_error naming the file, in the script's own bytes, when it lies outside
  // the folder.
  std::filesystem::path resolve(std::string_view name) const;

 private:
  std::filesystem::path folder_;  // empty: anywhere
};

}  // namespace kelmo::script_library
