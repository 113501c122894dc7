// Texts crossing between a script and the outside: the script's strings are Windows-1251
// bytes, the outside speaks UTF-8. Dialogs are shown the script's text and hand their
// answer back; names come from the file system and go to it; a list's file keeps the bytes.
// A character the code page lacks, arriving from outside, becomes '?' and counts as one.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/cp1251.h"
#include "platform/file_path.h"
#include "script/script_engine.h"
#include "script_library/script_file_names.h"
#include "script_library/standard_library.h"

namespace kelmo::script_library {
namespace {

namespace fs = std::filesystem;

// An operator who types an answer holding characters beyond the code page.
class AnsweringDialogs final : public ScriptDialogs {
 public:
  explicit AnsweringDialogs(std::string answer) : answer_(std::move(answer)) {}
  DialogButton messageDialog(const std::string& text, DialogKind, const std::vector<DialogButton>&) override {
    shown.push_back(text);
    return DialogButton::Ok;
  }
  bool inputQuery(const std::string& caption, const std::string& prompt, std::string& value) override {
    shown.push_back(caption + "|" + prompt + "|" + value);
    value = answer_;
    return true;
  }
  std::vector<std::string> shown;

 private:
  std::string answer_;
};

class OutsideText : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("kelmo-outside-" + std::to_string(std::random_device{}()));
    fs::create_directories(root_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  // Output lines as the program shows them (UTF-8).
  std::vector<std::string> run(ScriptDialogs& dialogs, const ScriptFileNames& names, const std::string& script) {
    std::vector<std::string> output;
    script::ScriptEngine engine;
    for (auto& plugin : standardImports(dialogs, names)) engine.addPlugin(plugin);
    engine.setOnCompile([&](script::CompileContext& ctx) {
      ctx.declareRoutine("procedure writeLn(const Message: string);", [&](script::NativeCall& call) {
        output.push_back(cp1251ToUtf8(call.arg(0).text()));
        return script::Value();
      });
    });
    EXPECT_TRUE(engine.compile(script));
    EXPECT_TRUE(engine.execute()) << engine.errorText();
    return output;
  }

  ScreenlessDialogs dialogs_{[](const std::string&) {}};
  fs::path root_;
};

TEST_F(OutsideText, DialogsShowTheScriptsTextAndAnAnswerBeyondTheCodePageGetsQuestionMarks) {
  AnsweringDialogs dialogs("Ω-ток ü €");
  const auto output = run(dialogs, ScriptFileNames(),
                          "var s: string;\n"
                          "begin\n"
                          "  MessageDlg('Разряд окончен', mtInformation, [mbOK], 0);\n"
                          "  s := InputBox('Канал', 'Имя:', 'Ток');\n"
                          "  writeLn(s + ' ' + IntToStr(Length(s)) + ' ' + IntToStr(Ord(s[1])) + ' ' + IntToStr(Ord(s[Length(s)])));\n"
                          "  if InputQuery('Канал', 'Имя:', s) then writeLn(Copy(s, 3, 3));\n"
                          "end.");
  EXPECT_EQ(dialogs.shown, (std::vector<std::string>{"Разряд окончен", "Канал|Имя:|Ток", "Канал|Имя:|?-ток ? €"}));
  // '€' is in the code page (0x88); 'Ω' and 'ü' are not.
  EXPECT_EQ(output, (std::vector<std::string>{"?-ток ? € 9 63 136", "ток"}));
}

TEST_F(OutsideText, NamesFromTheFileSystemGetQuestionMarksAndCyrillicNamesReachIt) {
  const fs::path folder = root_ / fs::path(u8"данные-ü");
  fs::create_directories(folder);
  const fs::path previous = fs::current_path();
  fs::current_path(folder);
  const auto output = run(dialogs_, ScriptFileNames(),
                          "var d: string; l: TStringList;\n"
                          "begin\n"
                          "  d := GetCurrentDir;\n"
                          "  writeLn(ExtractFileName(d) + ' ' + IntToStr(Length(ExtractFileName(d))));\n"
                          "  l := TStringList.Create;\n"
                          "  l.Add('Канал=Ток');\n"
                          "  l.SaveToFile('отчёт.txt');\n"
                          "  l.Clear;\n"
                          "  l.LoadFromFile('отчёт.txt');\n"
                          "  writeLn(l.Values['Канал'] + ' ' + IntToStr(Ord(FileExists('отчёт.txt'))));\n"
                          "  writeLn(ExtractFileName(ExpandFileName('отчёт.txt')));\n"
                          "  l.Free;\n"
                          "end.");
  fs::current_path(previous);
  EXPECT_EQ(output, (std::vector<std::string>{"данные-? 8", "Ток 1", "отчёт.txt"}));
  // The file has the UTF-8 name the system shows, and the script's bytes as they are.
  std::ifstream in(folder / fs::path(u8"отчёт.txt"), std::ios::binary);
  ASSERT_TRUE(in) << "the list was not saved under its Cyrillic name";
  std::stringstream bytes;
  bytes << in.rdbuf();
  EXPECT_EQ(bytes.str(), "\xCA\xE0\xED\xE0\xEB=\xD2\xEE\xEA\r\n");
}

TEST_F(OutsideText, AnErrorQuotingTheScriptsTextComesOutReadable) {
  script::ScriptEngine engine;
  for (auto& plugin : standardImports(dialogs_, ScriptFileNames::inside(root_))) engine.addPlugin(plugin);
  ASSERT_TRUE(engine.compile("var l: TStringList;\n"
                             "begin\n"
                             "  l := TStringList.Create;\n"
                             "  l.LoadFromFile('нет такого.txt');\n"
                             "end."));
  EXPECT_FALSE(engine.execute());
  EXPECT_NE(engine.errorText().find("\"нет такого.txt\""), std::string::npos) << engine.errorText();
  ASSERT_TRUE(engine.compile("var i: Integer;\nbegin\n  i := StrToInt('двенадцать');\nend."));
  EXPECT_FALSE(engine.execute());
  EXPECT_EQ(engine.errorText(), "Exception: 'двенадцать' is not a valid integer value");
}

}  // namespace
}  // namespace kelmo::script_library
