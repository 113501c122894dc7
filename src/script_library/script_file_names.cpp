#include "script_library/script_file_names.h"

#include <stdexcept>
#include <string>

#include "platform/cp1251.h"
#include "platform/file_path.h"

namespace kelmo::script_library {

ScriptFileNames ScriptFileNames::inside(std::filesystem::path folder) {
  ScriptFileNames names;
  names.folder_ = std::move(folder);
  return names;
}

std::filesystem::path ScriptFileNames::resolve(std::string_view name) const {
  std::filesystem::path path = filePath(cp1251ToUtf8(name));
  if (folder_.empty()) return path;
  bool outside = path.has_root_name() || path.has_root_directory();
  for (const auto& part : path)
    if (part == "..") outside = true;
  if (outside) throw std::runtime_error("Cannot access file \"" + std::string(name) + "\": it lies outside the script's folder");
  return folder_ / path;
}

}  // namespace kelmo::script_library
