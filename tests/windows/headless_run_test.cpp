// A whole headless run of the Windows kelmo, through the stand-in module library and on the
// simulated module inside the program: the console lines are those of the same run on
// Linux, and the data file has its header and one line per period with the values the
// reads brought in.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "run_kelmo.h"

namespace {

namespace fs = std::filesystem;
using kelmo_test::fileBytes;
using kelmo_test::withoutCarriageReturns;

std::vector<std::string> linesOf(const std::string& text, const std::string& end) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  for (std::size_t next = text.find(end); next != std::string::npos; next = text.find(end, at)) {
    lines.push_back(text.substr(at, next - at));
    at = next + end.size();
  }
  EXPECT_EQ(at, text.size()) << "the text does not end with a line break";
  return lines;
}

// The line a run on the program's own simulated module adds when it lost samples: a busy
// machine may delay the read thread that long.
std::string withoutLostSamplesLine(const std::string& console) {
  static const std::regex lost("Simulated module: \\d+ samples lost in \\d+ overruns\n");
  return std::regex_replace(console, lost, "");
}

struct ModuleLibrary {
  const char* name;
  std::string choice;  // KELMO_MODULE_LIBRARY
};

class HeadlessRun : public ::testing::TestWithParam<ModuleLibrary> {};

TEST_P(HeadlessRun, GivesTheConsoleLinesAndDataFileOfLinux) {
  const fs::path dir = fs::absolute(std::string("headless_run_") + GetParam().name);
  fs::remove_all(dir);
  fs::create_directories(dir);
  fs::copy_file(fs::path(KELMO_TEST_DATA_DIR) / "kelmo.ini", dir / "kelmo.ini");
  ASSERT_EQ(_putenv_s("KELMO_MODULE_LIBRARY", GetParam().choice.c_str()), 0);
  ASSERT_EQ(_putenv_s("KELMO_SIM", ""), 0);  // the simulated module as it comes
  ASSERT_EQ(_putenv_s("KELMO_SIM_LOCK_DIR", (dir / "slots").string().c_str()), 0);

  const kelmo_test::RunResult run = kelmo_test::runKelmo(dir, L"--headless --duration 5", dir / "stderr.txt");
  EXPECT_EQ(run.exitCode, 0u) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(withoutLostSamplesLine(withoutCarriageReturns(run.out)),
            fileBytes(fs::path(KELMO_TEST_DATA_DIR) / "headless_console.txt"));
  // The simulated module claimed its slot where it was told to.
  if (GetParam().choice == "sim") {
    EXPECT_TRUE(fs::exists(dir / "slots" / "kelmo-sim-slot-0.lock"));
  }

  // The header, then one line per 200 ms period: time of day, date-time and six values.
  // A busy machine delays the periods of a 5 s run, so only a few lines are counted on.
  const std::vector<std::string> lines = linesOf(fileBytes(dir / "test.dat"), "\r\n");
  ASSERT_GE(lines.size(), 1u + 5u);
  EXPECT_TRUE(std::regex_match(lines[0], std::regex("\xCD\xE0\xF7\xE8\xED\xE0\xFE \xF1\xE1\xEE\xF0 "
                                                    "\xE4\xE0\xED\xED\xFB\xF5: \\d{4}:\\d\\d:\\d\\d \\d\\d:\\d\\d:\\d\\d")))
      << lines[0];
  const std::regex dataLine("\\d\\d:\\d\\d:\\d{3} \\d+\\.\\d+( -?\\d+\\.\\d{3}){6} ");
  bool valuesArrived = false;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    EXPECT_TRUE(std::regex_match(lines[i], dataLine)) << lines[i];
    std::istringstream fields(lines[i]);
    std::string time;
    std::string stamp;
    double ur = 0.0;
    fields >> time >> stamp >> ur;
    valuesArrived = valuesArrived || ur > 0.1;
  }
  // Ur comes from channel 0's volts, which only the reads through the library fill.
  EXPECT_TRUE(valuesArrived);
}

INSTANTIATE_TEST_SUITE_P(Windows, HeadlessRun,
                         ::testing::Values(ModuleLibrary{"standin", fs::absolute(KELMO_STANDIN_DLL).string()},
                                           ModuleLibrary{"sim", "sim"}),
                         [](const ::testing::TestParamInfo<ModuleLibrary>& info) { return std::string(info.param.name); });

}  // namespace
