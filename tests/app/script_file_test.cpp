// The settings script file and runScriptFile: reading and writing whole in Windows-1251
// with CR LF, the texts of a run, and the life of the script window around one call.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/run_script_file.h"
#include "app/settings_file.h"
#include "config/kelmo_params.h"
#include "platform/cp1251.h"
#include "script_test_support.h"

#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace kelmo {
namespace {

using Lines = std::vector<std::string>;

TEST(ScriptLines, SplitAtEveryKindOfLineEnd) {
  struct Case {
    std::string text;
    Lines lines;
  };
  const Case cases[] = {
      {"", {}},
      {"begin", {"begin"}},
      {"begin\r\nend.\r\n", {"begin", "end."}},
      {"begin\nend.", {"begin", "end."}},
      {"a\rb\r\n\r\nc", {"a", "b", "", "c"}},
      {"\r\n", {""}},
      {"a\n\r", {"a", ""}},
  };
  for (const Case& c : cases) EXPECT_EQ(splitScriptLines(c.text), c.lines) << c.text;
  EXPECT_EQ(joinScriptLines({"begin", "", "end."}), "begin\r\n\r\nend.\r\n");
  EXPECT_EQ(joinScriptLines({}), "");
}

TEST(ScriptFile, ReadsWindows1251AndWritesItBackWithCrLf) {
  test::TempDir dir;
  const std::string file = dir.file("kelmo.ini");
  const std::string utf8 = "begin\n  writeLn('Привет, стенд');\nend.";
  test::writeBytes(file, utf8ToCp1251(utf8));

  const Lines lines = readScriptFile(file);
  EXPECT_EQ(lines, (Lines{"begin", "  writeLn('Привет, стенд');", "end."}));

  writeScriptFile(file, lines);
  EXPECT_EQ(test::readBytes(file), utf8ToCp1251("begin\r\n  writeLn('Привет, стенд');\r\nend.\r\n"));
}

TEST(ScriptFile, AFileInUtf8IsReadAsUtf8AndSavedInWindows1251) {
  test::TempDir dir;
  const std::string file = dir.file("utf8.pas");
  for (const std::string& bom : {std::string(), std::string("\xEF\xBB\xBF")}) {
    test::writeBytes(file, bom + "begin\r\n  writeLn('Привет');\r\nend.\r\n");
    const Lines lines = readScriptFile(file);
    EXPECT_EQ(lines, (Lines{"begin", "  writeLn('Привет');", "end."})) << bom.size();
    writeScriptFile(file, lines);
    EXPECT_EQ(test::readBytes(file), utf8ToCp1251("begin\r\n  writeLn('Привет');\r\nend.\r\n"));
  }
}

TEST(ScriptFile, WritingReplacesTheWholeFile) {
  test::TempDir dir;
  const std::string file = dir.file("kelmo.ini");
  test::writeBytes(file, std::string(10000, 'x'));
  writeScriptFile(file, {"end."});
  EXPECT_EQ(test::readBytes(file), "end.\r\n");
}

TEST(ScriptFile, FailuresNameTheFileAndTheReason) {
  test::TempDir dir;
  const std::string missing = dir.file("missing.ini");
  const std::string noFolder = dir.file("no-such-folder/kelmo.ini");
  const std::string folder = dir.file("folder.ini");
  std::filesystem::create_directory(folder);

  struct Case {
    std::string what;
    std::function<void()> action;
    std::string message;
  };
  const Case cases[] = {
      {"read missing", [&] { readScriptFile(missing); },
       "Не удалось прочитать файл \"" + missing + "\": No such file or directory"},
      {"read folder", [&] { readScriptFile(folder); }, "Не удалось прочитать файл \"" + folder + "\": Is a directory"},
      {"write into missing folder", [&] { writeScriptFile(noFolder, {"end."}); },
       "Не удалось записать файл \"" + noFolder + "\": No such file or directory"},
      {"write over folder", [&] { writeScriptFile(folder, {"end."}); },
       "Не удалось записать файл \"" + folder + "\": Is a directory"},
  };
  for (const Case& c : cases) {
    try {
      c.action();
      ADD_FAILURE() << c.what << ": no error";
    } catch (const SettingsFileError& e) {
      EXPECT_EQ(std::string(e.what()), c.message) << c.what;
    }
  }
  EXPECT_TRUE(std::filesystem::is_directory(folder));
}

#ifndef _WIN32
// A disk that fills up during a save: the process's file size limit stops the write after
// the first bytes, as a full file system would. The old settings stay whole.
TEST(ScriptFile, ASaveThatFailsHalfWayLeavesTheOldFileWhole) {
  test::TempDir dir;
  const std::string file = dir.file("kelmo.ini");
  const std::string old = utf8ToCp1251("begin\r\n  writeLn('старый');\r\nend.\r\n");
  test::writeBytes(file, old);

  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);  // the write then fails with EFBIG
  rlimit previous{};
  ::getrlimit(RLIMIT_FSIZE, &previous);
  rlimit limit = previous;
  limit.rlim_cur = 8;
  ::setrlimit(RLIMIT_FSIZE, &limit);
  std::string message;
  try {
    writeScriptFile(file, Lines(200, "  writeLn('новый');"));
  } catch (const SettingsFileError& e) {
    message = e.what();
  }
  ::setrlimit(RLIMIT_FSIZE, &previous);
  std::signal(SIGXFSZ, previousHandler);

  EXPECT_EQ(message, "Не удалось записать файл \"" + file + "\": File too large");
  EXPECT_EQ(test::readBytes(file), old);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);
}
#endif

class ScriptRunTexts : public ::testing::Test {
 protected:
  void SetUp() override { createGlobalParams(); }
};

TEST_F(ScriptRunTexts, ASuccessfulRunShowsTheCompileTextTheLinesAndSuccess) {
  const test::ScriptRun run = test::runScriptText("begin\r\n  writeLn('hi');\r\n  writeLn('a'#13#10'b');\r\nend.\r\n");
  EXPECT_TRUE(run.succeeded);
  EXPECT_FALSE(run.shown);
  EXPECT_EQ(run.pane, (Lines{"Compiled Script: ", "Succesfully compiled", "", "hi", "a", "b", "Succesfully Executed"}));
}

TEST_F(ScriptRunTexts, ACompileErrorShowsItsMessageWithRowAndColumnAndNothingRuns) {
  const test::ScriptRun run = test::runScriptText("begin\r\n  kelmo_params.airDelay := 5;\r\n  writeLn('x')\r\n  writeLn('y');\r\nend.\r\n");
  EXPECT_FALSE(run.succeeded);
  EXPECT_TRUE(run.shown);
  ASSERT_GE(run.pane.size(), 3u);
  EXPECT_EQ(run.pane.front(), "Compiled Script: ");
  EXPECT_EQ(run.pane[1].rfind("[Error] (3:15): ", 0), 0u) << run.pane[1];
  EXPECT_EQ(run.pane.back(), "");
  EXPECT_EQ(test::joined(run.pane).find("Succesfully"), std::string::npos);
  EXPECT_EQ(kelmo_params().airDelay, 0);
}

TEST_F(ScriptRunTexts, RussianTextCountsLettersInsideAndShowsReadableOutside) {
  const test::ScriptRun run = test::runScriptText(
      "var s: string; i: Integer;\r\nbegin\r\n  s := 'Привет, мир';\r\n"
      "  writeLn(IntToStr(Length(s)) + ' ' + Copy(s, 1, 6) + ' ' + IntToStr(Ord(s[1])));\r\n"
      "  kelmo_params.FileName := 'Опыт ' + s[9] + '.dat';\r\n"
      "  writeLn(IntToStr(Length(kelmo_params.FileName)));\r\n"
      "  i := StrToInt(s);\r\nend.\r\n");
  EXPECT_FALSE(run.succeeded);
  EXPECT_EQ(kelmo_params().FileName, "Опыт м.dat");
  const std::string pane = test::joined(run.pane);
  EXPECT_NE(pane.find("11 Привет 207"), std::string::npos) << pane;
  EXPECT_NE(pane.find("\n10\n"), std::string::npos) << pane;
  EXPECT_NE(pane.find("'Привет, мир' is not a valid integer value"), std::string::npos) << pane;
}

TEST_F(ScriptRunTexts, AnEmptyFileDoesNotCompile) {
  const test::ScriptRun run = test::runScriptText("");
  EXPECT_FALSE(run.succeeded);
  EXPECT_TRUE(run.shown);
  ASSERT_GE(run.pane.size(), 2u);
  EXPECT_EQ(run.pane[1].rfind("[Error] ", 0), 0u) << test::joined(run.pane);
}

TEST_F(ScriptRunTexts, AScriptThatOnlyWritesALineKeepsTheDefaults) {
  const test::ScriptRun run = test::runScriptText("begin\r\n  writeLn('defaults');\r\nend.\r\n");
  EXPECT_TRUE(run.succeeded);
  EXPECT_EQ(kelmo_params().DATA_QUERY_PERIOD_MS, 200);
  EXPECT_EQ(kelmo_params().FileName, "test.dat");
}

// A window that records what runScriptFile does with it.
struct WindowLog {
  std::vector<std::string> calls;
  bool compileResult = false;
  bool showResult = false;
  ScriptWindow* created = nullptr;
  bool fmScripterWasTheWindow = true;
};

class RecordingWindow final : public ScriptWindow {
 public:
  explicit RecordingWindow(WindowLog& log) : log_(log) { log_.created = this; }
  ~RecordingWindow() override { log_.calls.push_back("destroyed"); }
  void loadFile(const std::string& fileName) override {
    record("load");
    if (fileName.empty()) throw SettingsFileError("cannot read");
  }
  bool compileAndRun() override {
    record("run");
    return log_.compileResult;
  }
  bool showModal() override {
    record("show");
    return log_.showResult;
  }
  void writeLn(const std::string&) override {}

 private:
  void record(const char* call) {
    log_.calls.emplace_back(call);
    if (fmScripter != this) log_.fmScripterWasTheWindow = false;
  }
  WindowLog& log_;
};

class RunScriptFile : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = setScriptWindowFactory([this] { return std::make_unique<RecordingWindow>(log_); });
  }
  void TearDown() override { setScriptWindowFactory(std::move(previous_)); }

  WindowLog log_;
  ScriptWindowFactory previous_;
};

TEST_F(RunScriptFile, SilentRunAndShownWindowOutcomes) {
  struct Case {
    bool showWindow;
    bool compileResult;
    bool showResult;
    Lines calls;
    bool result;
  };
  const Case cases[] = {
      {false, true, false, {"load", "run", "destroyed"}, true},
      {false, false, false, {"load", "run", "show", "destroyed"}, false},
      {false, false, true, {"load", "run", "show", "destroyed"}, true},
      {true, true, false, {"load", "show", "destroyed"}, false},
      {true, false, true, {"load", "show", "destroyed"}, true},
  };
  for (const Case& c : cases) {
    log_ = WindowLog{};
    log_.compileResult = c.compileResult;
    log_.showResult = c.showResult;
    EXPECT_EQ(tRunScriptFromFile::runScriptFile("kelmo.ini", c.showWindow), c.result);
    EXPECT_EQ(log_.calls, c.calls);
    EXPECT_TRUE(log_.fmScripterWasTheWindow);
    EXPECT_EQ(fmScripter, nullptr);
  }
  log_ = WindowLog{};
  EXPECT_FALSE(runSettingsScript("kelmo.ini"));
  EXPECT_EQ(log_.calls, (Lines{"load", "run", "show", "destroyed"}));
  log_ = WindowLog{};
  editSettingsScript("kelmo.ini");
  EXPECT_EQ(log_.calls, (Lines{"load", "show", "destroyed"}));
}

TEST_F(RunScriptFile, AnUnreadableFileLeavesWithTheErrorAndTheWindowIsDestroyed) {
  EXPECT_THROW(tRunScriptFromFile::runScriptFile("", false), SettingsFileError);
  EXPECT_EQ(log_.calls, (Lines{"load", "destroyed"}));
  EXPECT_EQ(fmScripter, nullptr);
}

}  // namespace
}  // namespace kelmo
