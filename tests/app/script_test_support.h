#pragma once
// Runs a script through runSettingsScript in a window without a screen and collects what
// its output pane shows.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/run_script_file.h"
#include "app/screenless_script_window.h"
#include "platform/cp1251.h"

namespace kelmo::test {

// A directory of its own, removed at the end.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kelmo-script-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline void writeBytes(const std::string& fileName, const std::string& bytes) {
  std::ofstream out(fileName, std::ios::binary);
  out << bytes;
}

inline std::string readBytes(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct ScriptRun {
  bool succeeded = false;
  bool shown = false;  // the window was shown (the silent run failed)
  std::vector<std::string> pane;
  std::vector<std::string> messages;  // showMessage texts
};

// Runs scriptText (UTF-8; the file holds it in Windows-1251) as the settings script.
inline ScriptRun runScriptText(const std::string& scriptText) {
  TempDir dir;
  const std::string file = dir.file("kelmo.ini");
  writeBytes(file, utf8ToCp1251(scriptText));
  ScriptRun run;
  auto previous = setScriptWindowFactory([&run] {
    ScreenlessScriptWindow::Reporting reporting;
    reporting.onLine = [&run](const std::string& line) { run.pane.push_back(line); };
    reporting.onMessage = [&run](const std::string& text) { run.messages.push_back(text); };
    reporting.onShow = [&run](const std::vector<std::string>&) { run.shown = true; };
    return std::make_unique<ScreenlessScriptWindow>(std::move(reporting));
  });
  run.succeeded = runSettingsScript(file);
  setScriptWindowFactory(std::move(previous));
  return run;
}

inline std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

}  // namespace kelmo::test
