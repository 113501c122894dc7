// Cyrillic names through the Windows kelmo, as a rig with Russian folders has them: a
// settings script that names a data file in a Cyrillic folder, the module library found
// through a Cyrillic path in the environment, --run-script given a Cyrillic file name on
// the UTF-16 command line, and the console text read through a pipe as UTF-8.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>

#include "run_kelmo.h"

namespace {

namespace fs = std::filesystem;
using kelmo_test::fileBytes;
using kelmo_test::inCodePage;
using kelmo_test::isUtf8;
using kelmo_test::runKelmo;
using kelmo_test::withoutCarriageReturns;
using kelmo_test::writeBytes;

constexpr UINT kScriptCodePage = 1251;

// A script file as the script window saves it: Windows-1251, CR LF.
void writeScript(const fs::path& path, std::initializer_list<std::wstring_view> lines) {
  std::string bytes;
  for (std::wstring_view line : lines) bytes += inCodePage(line, kScriptCodePage) + "\r\n";
  writeBytes(path, bytes);
}

// The names in a folder, as Windows lists them.
std::set<std::wstring> namesIn(const fs::path& folder) {
  std::set<std::wstring> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
  return names;
}

// A fresh folder below the test's working folder.
fs::path freshFolder(const fs::path& name) {
  const fs::path top = fs::absolute(L"cyrillic_names");
  const fs::path dir = top / name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

TEST(CyrillicNames, HeadlessRunWritesTheDataFileTheScriptNames) {
  const fs::path rig = freshFolder(L"Стенд №1");
  // The module library from a Cyrillic path given in the environment.
  const fs::path library = rig / L"Библиотека модуля" / L"Lusbapi.dll";
  fs::create_directories(library.parent_path());
  fs::copy_file(fs::absolute(KELMO_STANDIN_DLL), library);
  ASSERT_TRUE(SetEnvironmentVariableW(L"KELMO_MODULE_LIBRARY", library.c_str()));
  ASSERT_TRUE(SetEnvironmentVariableW(L"KELMO_SIM", L""));

  fs::create_directories(rig / L"Опыты");
  writeScript(rig / L"kelmo.ini", {L"{ Данные в папку опытов }",
                                   L"begin",
                                   L"  with kelmo_params do",
                                   L"  begin",
                                   L"    DATA_QUERY_PERIOD_MS := 200;",
                                   L"    ChannelsQuantity := 4;",
                                   L"    FileName := 'Опыты\\Данные опыта.dat';",
                                   L"  end;",
                                   L"end."});

  const auto run = runKelmo(rig, L"--headless --duration 2", rig.parent_path() / L"headless_stderr.txt");
  ASSERT_TRUE(run.started);
  EXPECT_EQ(run.exitCode, 0u) << run.err;
  EXPECT_EQ(run.err, "");

  // Nothing beside what the rig had, and the data file under its own name.
  EXPECT_EQ(namesIn(rig), (std::set<std::wstring>{L"kelmo.ini", L"Библиотека модуля", L"Опыты"}));
  EXPECT_EQ(namesIn(rig / L"Опыты"), std::set<std::wstring>{L"Данные опыта.dat"});
  const std::string data = fileBytes(rig / L"Опыты" / L"Данные опыта.dat");
  EXPECT_EQ(data.rfind(inCodePage(L"Начинаю сбор данных: ", kScriptCodePage), 0), 0u) << data;
  // The header and the lines of the periods (how many depends on the machine's load).
  EXPECT_GE(std::count(data.begin(), data.end(), '\n'), 1 + 1) << data;

  // The console lines through the pipe: UTF-8, the Russian ones readable.
  std::wstring console;
  EXPECT_TRUE(isUtf8(run.out, &console)) << run.out;
  EXPECT_NE(console.find(L"\nСоздали поток для потокового чтения\r\n"), std::wstring::npos) << run.out;
  EXPECT_NE(console.find(L"\nДождались завершения потока вычислений и отображения\r\n"), std::wstring::npos)
      << run.out;
}

// kelmo chooses the module library before any script runs: the stand-in, for each test alone.
void useTheStandInLibrary() {
  ASSERT_TRUE(SetEnvironmentVariableW(L"KELMO_MODULE_LIBRARY", fs::absolute(KELMO_STANDIN_DLL).c_str()));
}

TEST(CyrillicNames, RunScriptTakesACyrillicFileName) {
  useTheStandInLibrary();
  const fs::path folder = freshFolder(L"Настройки");
  writeScript(folder / L"Настройка стенда.ini", {L"begin",
                                                  L"  kelmo_params.FileName := 'Опыт №2.dat';",
                                                  L"  writeLn('Привет, стенд');",
                                                  L"  writeLn(kelmo_params.FileName);",
                                                  L"end."});

  const auto run = runKelmo(folder, L"--run-script \"Настройка стенда.ini\"",
                            folder.parent_path() / L"run_script_stderr.txt");
  ASSERT_TRUE(run.started);
  EXPECT_EQ(run.exitCode, 0u) << run.err;
  EXPECT_EQ(run.err, "");
  ASSERT_TRUE(isUtf8(run.out)) << run.out;
  EXPECT_EQ(withoutCarriageReturns(run.out), inCodePage(L"Compiled Script: \n"
                                                        L"Succesfully compiled\n"
                                                        L"\n"
                                                        L"Привет, стенд\n"
                                                        L"Опыт №2.dat\n"
                                                        L"Succesfully Executed\n",
                                                        CP_UTF8));
}

TEST(CyrillicNames, MissingScriptIsNamedInTheMessage) {
  useTheStandInLibrary();
  const fs::path folder = freshFolder(L"Пусто");
  const auto run = runKelmo(folder, L"--run-script Нет.ini", folder.parent_path() / L"missing_stderr.txt");
  ASSERT_TRUE(run.started);
  EXPECT_EQ(run.exitCode, 1u);
  std::wstring message;
  ASSERT_TRUE(isUtf8(run.err, &message)) << run.err;
  EXPECT_NE(message.find(L"Нет.ini"), std::wstring::npos) << run.err;
}

}  // namespace
