// The headless program is built from the folders below the window: none of their files
// may include a window header or the toolkit, or a build without Qt could not exist.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// KELMO_TEST_DATA_DIR is tests/app/data; the sources are two levels above tests/app.
fs::path sourceRoot() { return fs::path(KELMO_TEST_DATA_DIR).parent_path().parent_path().parent_path() / "src"; }

TEST(Layering, HeadlessCodeIncludesNoWindowHeaderAndNoToolkit) {
  const fs::path root = sourceRoot();
  ASSERT_TRUE(fs::is_directory(root / "app" / "window")) << root;
  // The window folder is the window; main.cpp includes it only in the windowed build.
  const std::vector<fs::path> windowed = {root / "app" / "window", root / "app" / "main"};
  const std::regex forbidden(R"(^\s*#\s*include\s*[<"](app/window/|Q[A-Za-z]*[>/]|qcustomplot|Qsci/))");

  int filesRead = 0;
  std::vector<std::string> offences;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    const fs::path& file = entry.path();
    if (file.extension() != ".cpp" && file.extension() != ".h") continue;
    bool inWindow = false;
    for (const fs::path& folder : windowed) {
      const auto rel = fs::relative(file, folder);
      if (!rel.empty() && *rel.begin() != "..") inWindow = true;
    }
    if (inWindow) continue;
    ++filesRead;
    std::ifstream in(file);
    std::string line;
    for (int row = 1; std::getline(in, line); ++row) {
      if (std::regex_search(line, forbidden)) {
        offences.push_back(fs::relative(file, root).string() + ":" + std::to_string(row) + ": " + line);
      }
    }
  }
  EXPECT_GT(filesRead, 50);
  EXPECT_TRUE(offences.empty()) << [&] {
    std::string text;
    for (const std::string& offence : offences) text += offence + "\n";
    return text;
  }();
}

}  // namespace
