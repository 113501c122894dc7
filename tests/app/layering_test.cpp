// The headless program is built from the folders without the toolkit: none of their files
// may include a window header or the toolkit, or a build without Qt could not exist.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// KELMO_TEST_DATA_DIR is tests/app/data; the sources are two levels above tests/app.
fs::path sourceRoot() { return fs::path(KELMO_TEST_DATA_DIR).parent_path().parent_path().parent_path() / "src"; }

// Whether a line includes a window header, a toolkit header (QWidget, QtCore/...), the chart
// library or the editor. Hand-written: g++ 12 warns inside <regex> under the sanitizers.
bool includesWindowOrToolkit(const std::string& line) {
  std::size_t i = line.find_first_not_of(" \t");
  if (i == std::string::npos || line[i] != '#') return false;
  i = line.find_first_not_of(" \t", i + 1);
  if (i == std::string::npos || line.compare(i, 7, "include") != 0) return false;
  i = line.find_first_not_of(" \t", i + 7);
  if (i == std::string::npos || (line[i] != '<' && line[i] != '"')) return false;
  const std::string name = line.substr(i + 1);
  if (name.rfind("app/window/", 0) == 0 || name.rfind("qcustomplot", 0) == 0 || name.rfind("Qsci/", 0) == 0) {
    return true;
  }
  if (name.empty() || name[0] != 'Q') return false;
  std::size_t j = 1;
  while (j < name.size() && std::isalpha(static_cast<unsigned char>(name[j]))) ++j;
  return j < name.size() && (name[j] == '>' || name[j] == '/');
}

TEST(Layering, TheIncludeMatcherFindsWindowAndToolkitHeaders) {
  for (const char* line : {"#include <QWidget>", "  #  include <QtCore/QString>", "#include \"app/window/main_form.h\"",
                           "#include <qcustomplot.h>", "#include <Qsci/qsciscintilla.h>"}) {
    EXPECT_TRUE(includesWindowOrToolkit(line)) << line;
  }
  for (const char* line : {"#include <string>", "#include \"app/headless.h\"", "// #include <QWidget>",
                           "#include \"app/version.h\"", "#include <Q.h>"}) {
    EXPECT_FALSE(includesWindowOrToolkit(line)) << line;
  }
}

TEST(Layering, HeadlessCodeIncludesNoWindowHeaderAndNoToolkit) {
  const fs::path root = sourceRoot();
  ASSERT_TRUE(fs::is_directory(root / "app" / "window")) << root;
  // The windowed folders are those whose library links the toolkit; main.cpp includes the
  // window only in the windowed build.
  std::vector<fs::path> windowed = {root / "app" / "main"};
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.path().filename() != "CMakeLists.txt") continue;
    std::ifstream in(entry.path());
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text.find("Qt6::") != std::string::npos) windowed.push_back(entry.path().parent_path());
  }
  EXPECT_GE(windowed.size(), 2U);
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
      if (includesWindowOrToolkit(line)) {
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
