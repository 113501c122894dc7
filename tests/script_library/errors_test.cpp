// The library's errors as a script meets them: compile errors with row and column, and
// runtime errors whose text names the bad value, the file or the index.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/text_format.h"
#include "script/script_engine.h"
#include "script_library/standard_library.h"

namespace kelmo::script_library {
namespace {

namespace fs = std::filesystem;

struct ErrorCase {
  const char* name;
  const char* script;
  const char* expected;  // the first compile message, formatted, or the execution error text
};


const ErrorCase kCompileErrors[] = {
    {"com_object", "begin\n  CreateOleObject('Excel.Application');\nend.",
     "[Error] (2:3): COM objects are not offered to scripts: 'CreateOleObject' cannot be used"},
    {"com_type", "var\n  app: OleVariant;\nbegin\nend.",
     "[Error] (2:8): COM objects are not offered to scripts: 'OleVariant' cannot be used"},
    {"external_routine", "function GetTickCount: Cardinal; external 'kernel32.dll';\nbegin\nend.",
     "[Error] (1:34): Routines declared external (calls into libraries) are not offered to scripts"},
    {"load_library", "begin\n  LoadLibrary('user32.dll');\nend.",
     "[Error] (2:3): Calls into libraries are not offered to scripts: 'LoadLibrary' cannot be used"},
};

const ErrorCase kRuntimeErrors[] = {
    {"integer_text", "begin\n  writeLn(IntToStr(StrToInt('12x')));\nend.", "Exception: '12x' is not a valid integer value"},
    {"float_text", "begin\n  writeLn(FloatToStr(StrToFloat('1.2.3')));\nend.",
     "Exception: '1.2.3' is not a valid floating point value"},
    {"date_text", "begin\n  StrToDate('32.01.2026');\nend.", "Exception: '32.01.2026' is not a valid date"},
    {"time_text", "begin\n  StrToTime('25:00');\nend.", "Exception: '25:00' is not a valid time"},
    {"date_time_text", "begin\n  StrToDateTime('01.01.2026 x');\nend.",
     "Exception: '01.01.2026 x' is not a valid date and time"},
    {"boolean_text", "begin\n  StrToBool('maybe');\nend.", "Exception: 'maybe' is not a valid boolean value"},
    {"date_encode", "begin\n  EncodeDate(2026, 2, 29);\nend.", "Exception: Invalid argument to date encode"},
    {"time_encode", "begin\n  EncodeTime(24, 0, 0, 0);\nend.", "Exception: Invalid argument to time encode"},
    {"floor_overflow", "begin\n  Floor(1e10);\nend.", "Exception: Invalid floating point operation"},
    {"logarithm_of_zero", "begin\n  Log10(0);\nend.", "Exception: Invalid floating point operation"},
    {"missing_file", "var l: TStringList;\nbegin\n  l := TStringList.Create;\n  l.LoadFromFile('missing.txt');\nend.",
     "Exception: Cannot open file \"missing.txt\". No such file or directory"},
    {"folder_as_file", "var l: TStringList;\nbegin\n  l := TStringList.Create;\n  l.LoadFromFile('.');\nend.",
     "Exception: Cannot open file \".\". Is a directory"},
    {"unwritable_file",
     "var l: TStringList;\nbegin\n  l := TStringList.Create;\n  l.SaveToFile('no/such/folder/list.txt');\nend.",
     "Exception: Cannot create file \"no/such/folder/list.txt\". No such file or directory"},
    {"list_index",
     "var l: TStringList;\nbegin\n  l := TStringList.Create;\n  l.Add('a');\n  l.Add('b');\n  l.Delete(5);\nend.",
     "Exception: List index out of bounds (5). TStringList range is 0..1"},
    {"sorted_insert",
     "var l: TStringList;\nbegin\n  l := TStringList.Create;\n  l.Sorted := True;\n  l.Insert(0, 'a');\nend.",
     "Exception: Operation not allowed on sorted list"},
    {"duplicate_refused",
     "var l: TStringList;\nbegin\n  l := TStringList.Create;\n  l.Sorted := True;\n  l.Duplicates := dupError;\n"
     "  l.Add('a');\n  l.Add('A');\nend.",
     "Exception: String list does not allow duplicates"},
};

class LibraryErrors : public ::testing::Test {
 protected:
  void SetUp() override {
    setDecimalSeparator('.');
    setShortDatePattern("dd/mm/yyyy");
    folder_ = fs::temp_directory_path() / ("kelmo-library-errors-" + std::to_string(std::random_device{}()));
    fs::create_directories(folder_);
    previous_ = fs::current_path();
    fs::current_path(folder_);
    for (auto& plugin : standardImports(dialogs_)) engine_.addPlugin(plugin);
    engine_.setOnCompile([](script::CompileContext& ctx) {
      ctx.declareRoutine("procedure writeLn(const Message: string);", [](script::NativeCall&) { return script::Value(); });
    });
  }
  void TearDown() override {
    fs::current_path(previous_);
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  ScreenlessDialogs dialogs_{[](const std::string&) {}};
  script::ScriptEngine engine_;
  fs::path folder_, previous_;
};

TEST_F(LibraryErrors, RefusedGroupsAreCompileErrorsAtTheOffendingToken) {
  for (const ErrorCase& c : kCompileErrors) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(engine_.compile(c.script));
    ASSERT_FALSE(engine_.messages().empty());
    EXPECT_EQ(script::formatMessage(engine_.messages().front()), c.expected);
  }
}

TEST_F(LibraryErrors, RuntimeErrorsNameTheValueFileOrIndex) {
  for (const ErrorCase& c : kRuntimeErrors) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(engine_.compile(c.script)) << (engine_.messages().empty() ? "" : script::formatMessage(engine_.messages().front()));
    EXPECT_FALSE(engine_.execute());
    EXPECT_EQ(engine_.errorText(), c.expected);
  }
}

}  // namespace
}  // namespace kelmo::script_library
