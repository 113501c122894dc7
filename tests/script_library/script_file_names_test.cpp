// File names of scripts confined to one folder: names inside it resolve there, whatever
// the current folder; absolute names and names that climb out are refused with an error the
// script can catch, and nothing is read, written or removed outside.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "script/script_engine.h"
#include "script_library/script_file_names.h"
#include "script_library/standard_library.h"

namespace kelmo::script_library {
namespace {

namespace fs = std::filesystem;

struct NameCase {
  const char* name;
  bool allowed;
};

const NameCase kNames[] = {
    {"list.txt", true},         {"sub/list.txt", true},     {"./list.txt", true},    {"", true},
    {"/etc/passwd", false},     {"../list.txt", false},     {"sub/../../x", false},  {"sub/..", false},
    {"..", false},              {"//server/share/x", false},
};

TEST(ScriptFileNames, ConfinedNamesResolveInsideTheFolderOrAreRefused) {
  const fs::path folder = fs::temp_directory_path() / "kelmo-names";
  const ScriptFileNames names = ScriptFileNames::inside(folder);
  for (const NameCase& c : kNames) {
    SCOPED_TRACE(c.name);
    if (c.allowed) {
      EXPECT_EQ(names.resolve(c.name), folder / c.name);
    } else {
      EXPECT_THROW(names.resolve(c.name), std::runtime_error);
    }
  }
}

TEST(ScriptFileNames, UnconfinedNamesAreTakenAsTheyAre) {
  const ScriptFileNames anywhere;
  EXPECT_EQ(anywhere.resolve("../list.txt"), fs::path("../list.txt"));
  EXPECT_EQ(anywhere.resolve("/tmp/list.txt"), fs::path("/tmp/list.txt"));
}

class ConfinedLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("kelmo-confined-" + std::to_string(std::random_device{}()));
    folder_ = root_ / "scripts";
    fs::create_directories(folder_);
    for (auto& plugin : standardImports(dialogs_, ScriptFileNames::inside(folder_))) engine_.addPlugin(plugin);
    engine_.setOnCompile([this](script::CompileContext& ctx) {
      ctx.declareRoutine("procedure writeLn(const Message: string);", [this](script::NativeCall& call) {
        output_.push_back(call.arg(0).asString());
        return script::Value();
      });
    });
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  ScreenlessDialogs dialogs_{[](const std::string&) {}};
  script::ScriptEngine engine_;
  fs::path root_, folder_;
  std::vector<std::string> output_;
};

TEST_F(ConfinedLibrary, FilesInsideTheFolderWorkAndOutsideOnesAreRefused) {
  std::ofstream(root_ / "outside.txt") << "kept\n";
  const char* script =
      "var l: TStringList;\n"
      "procedure Attempt(const what: string; n: integer);\n"
      "begin\n"
      "  try\n"
      "    case n of\n"
      "      0: l.SaveToFile('../escaped.txt');\n"
      "      1: l.LoadFromFile('../outside.txt');\n"
      "      2: DeleteFile('../outside.txt');\n"
      "      3: RenameFile('list.txt', '../moved.txt');\n"
      "      4: ForceDirectories('/tmp/kelmo-never');\n"
      "    end;\n"
      "    writeLn(what + ' allowed');\n"
      "  except\n"
      "    writeLn(what + ': ' + ExceptionMessage);\n"
      "  end;\n"
      "end;\n"
      "var i: integer;\n"
      "begin\n"
      "  l := TStringList.Create;\n"
      "  l.Add('a=1');\n"
      "  l.SaveToFile('list.txt');\n"
      "  if ForceDirectories('sub/inner') and RenameFile('list.txt', 'sub/inner/moved.txt') then writeLn('moved');\n"
      "  l.Clear;\n"
      "  l.LoadFromFile('sub/inner/moved.txt');\n"
      "  writeLn(l.Values['a'] + ' ' + BoolToStr(FileExists('list.txt'), True));\n"
      "  for i := 0 to 4 do Attempt(IntToStr(i), i);\n"
      "end.";
  ASSERT_TRUE(engine_.compile(script)) << script::formatMessage(engine_.messages().front());
  ASSERT_TRUE(engine_.execute()) << engine_.errorText();
  const std::vector<std::string> expected = {
      "moved",
      "1 False",
      "0: Cannot access file \"../escaped.txt\": it lies outside the script's folder",
      "1: Cannot access file \"../outside.txt\": it lies outside the script's folder",
      "2: Cannot access file \"../outside.txt\": it lies outside the script's folder",
      "3: Cannot access file \"../moved.txt\": it lies outside the script's folder",
      "4: Cannot access file \"/tmp/kelmo-never\": it lies outside the script's folder",
  };
  EXPECT_EQ(output_, expected);
  EXPECT_TRUE(fs::is_regular_file(folder_ / "sub" / "inner" / "moved.txt"));
  EXPECT_TRUE(fs::is_regular_file(root_ / "outside.txt"));
  EXPECT_FALSE(fs::exists(root_ / "escaped.txt"));
  EXPECT_FALSE(fs::exists(root_ / "moved.txt"));
  EXPECT_FALSE(fs::exists("/tmp/kelmo-never"));
}

}  // namespace
}  // namespace kelmo::script_library
