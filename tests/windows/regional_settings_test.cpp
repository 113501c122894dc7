// kelmo on a Windows whose user locale is Russian: numbers with a decimal comma, dates
// with dots, in the texts and in a whole headless run's console and data file. CTest runs
// this under LC_ALL=ru_RU.UTF-8, which Wine takes as the user's regional settings.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "platform/date_time.h"
#include "platform/text_format.h"
#include "run_kelmo.h"

namespace {

namespace fs = std::filesystem;

TEST(RussianRegionalSettings, GiveTheSeparatorsOfNumbersDatesAndTimes) {
  ASSERT_EQ(GetUserDefaultLCID(), 0x0419u) << "the user locale is not Russian: check LC_ALL for Wine";
  EXPECT_EQ(kelmo::decimalSeparator(), ',');
  EXPECT_EQ(kelmo::dateSeparator(), '.');
  EXPECT_EQ(kelmo::timeSeparator(), ':');
  EXPECT_EQ(kelmo::formatGeneral(2.5), "2,5");
  EXPECT_EQ(kelmo::formatText("%7.3f|%-5.3f", {4.0, -0.25}), "  4,000|-0,250");
  kelmo::CivilDateTime c{};
  c.year = 2026;
  c.month = 12;
  c.day = 1;
  c.hour = 9;
  c.minute = 5;
  c.second = 7;
  const kelmo::TDateTime dt = kelmo::encodeDateTime(c);
  EXPECT_EQ(kelmo::shortDateText(dt), "01.12.2026");
  EXPECT_EQ(kelmo::longTimeText(dt), "09:05:07");
}

TEST(RussianRegionalSettings, ShowInTheConsoleAndTheDataFileOfARun) {
  const fs::path dir = fs::absolute("russian_locale_run");
  fs::remove_all(dir);
  fs::create_directories(dir);
  fs::copy_file(fs::path(KELMO_TEST_DATA_DIR) / "kelmo.ini", dir / "kelmo.ini");
  ASSERT_TRUE(SetEnvironmentVariableW(L"KELMO_MODULE_LIBRARY", fs::absolute(KELMO_STANDIN_DLL).c_str()));
  ASSERT_TRUE(SetEnvironmentVariableW(L"KELMO_SIM", L""));
  // Wine reads the child's locale from these, as this process had them from CTest.
  ASSERT_TRUE(SetEnvironmentVariableW(L"LC_ALL", L"ru_RU.UTF-8"));
  ASSERT_TRUE(SetEnvironmentVariableW(L"LANG", L"ru_RU.UTF-8"));

  const auto run = kelmo_test::runKelmo(dir, L"--headless --duration 2", dir / "stderr.txt");
  ASSERT_TRUE(run.started);
  EXPECT_EQ(run.exitCode, 0u) << run.err;
  // The module summary.
  const std::string console = kelmo_test::withoutCarriageReturns(run.out);
  EXPECT_NE(console.find("\n     AdcRate = 4,000 kHz\n"), std::string::npos) << console;
  EXPECT_NE(console.find("\n     InterKadrDelay = 0,0000 ms\n"), std::string::npos) << console;

  // The header's date and time, then the lines: time of day, date-time and six values.
  const std::string data = kelmo_test::fileBytes(dir / "test.dat");
  const std::regex header("\xCD\xE0\xF7\xE8\xED\xE0\xFE \xF1\xE1\xEE\xF0 \xE4\xE0\xED\xED\xFB\xF5: "
                          "\\d{4}:\\d\\d:\\d\\d \\d\\d:\\d\\d:\\d\\d\r\n");
  const std::regex line("\\d\\d:\\d\\d:\\d{3} \\d+,\\d+( -?\\d+,\\d{3}){6} \r\n");
  std::size_t lines = 0;
  for (std::size_t at = 0, end = data.find('\n'); end != std::string::npos; at = end + 1, end = data.find('\n', at)) {
    const std::string text = data.substr(at, end + 1 - at);
    EXPECT_TRUE(std::regex_match(text, lines == 0 ? header : line)) << text;
    ++lines;
  }
  EXPECT_GE(lines, 1u + 1u);
}

}  // namespace
