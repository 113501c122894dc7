// kelmo report as its users run it: tables, CSV, plots, exit codes and messages.
#include <gtest/gtest.h>

#include <array>
#include <limits>

#include "measure/data_recorder.h"
#include "platform/date_time.h"
#include "platform/text_format.h"
#include "process.h"

namespace kelmo::testing {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TDateTime at(int hour, int minute, int second, int ms) { return encodeDateTime({2026, 12, 10, hour, minute, second, ms}); }

// Two runs written with the program's own line formatting: the first under ',' decimals
// and cut by a power loss, the second under '.' with special values and a gap.
std::string twoRuns() {
  setDecimalSeparator(',');
  std::string text = headerLine(at(10, 0, 0, 0));
  text += dataLine(at(10, 0, 0, 100), {1.5, 2, 3, 4, 5, 6});
  text += dataLine(at(10, 0, 0, 300), {2.5, 2, 3, 4, 5, 6});
  text += dataLine(at(10, 0, 0, 500), {-0.5, 2, 3, 4, 5, 6.25});
  text += "00:00:700 46366,4166747";  // cut off by the power loss
  setDecimalSeparator('.');
  text += headerLine(at(11, 0, 0, 0));
  text += dataLine(at(11, 0, 0, 0), {1, 2, 3, 4, 5, 6});
  text += dataLine(at(11, 0, 0, 200), {kInf, 2, 3, kNaN, 5, 6});
  text += "00:00:400 46366.4583379630 ?????? 2.000 3.000 ?????? 5.000 6.000 \r\n";
  text += dataLine(at(11, 0, 2, 0), {7, -kInf, 3, 4, 5, 6});
  text += dataLine(at(11, 0, 2, 200), {8, 2, 3, 4, 5, 6});
  return text;
}

class ReportCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ofstream(folder.path() / "two.dat", std::ios::binary) << twoRuns();
    std::string clean = twoRuns();
    clean.erase(clean.find("00:00:700"), std::string("00:00:700 46366,4166747").size());
    std::ofstream(folder.path() / "clean.dat", std::ios::binary) << clean;
  }
  ScratchFolder folder{"kelmo_report"};
};

TEST_F(ReportCommand, SummaryTableOfEveryRun) {
  const Outcome o = folder.run("report two.dat");
  EXPECT_EQ(o.exitCode, 1);
  EXPECT_EQ(o.out,
            "two.dat: 2 runs, 1 malformed line\n"
            " run  start                          duration       lines      period    gaps  malformed\n"
            "   1  2026-12-10 10:00:00.100     0:00:00.400           3      200 ms       0          1\n"
            "   2  2026-12-10 11:00:00.000     0:00:02.200           5      200 ms       1          0\n");
  EXPECT_EQ(o.err, "two.dat:5: cut off before a run header: '00:00:700 46366,4166747'\n");
}

TEST_F(ReportCommand, StatsOfARunCountedFromTheEnd) {
  const Outcome o = folder.run("report clean.dat --run -1 --stats");
  EXPECT_EQ(o.exitCode, 0) << o.err;
  EXPECT_EQ(o.out,
            "clean.dat: 2 runs, 0 malformed lines\n"
            " run  start                          duration       lines      period    gaps  malformed\n"
            "   2  2026-12-10 11:00:00.000     0:00:02.200           5      200 ms       1          0\n"
            "\n"
            "run 2\n"
            "  gap before line 9: 2026-12-10 11:00:00.400 to 2026-12-10 11:00:02.000, 0:00:01.600\n"
            "                 min            max           mean           last   missing  non-finite\n"
            "Ur                 1              8        5.33333              8         1           1\n"
            "Ir                 2              2              2              2         0           1\n"
            "Uref               3              3              3              3         0           0\n"
            "a                  4              4              4              4         1           1\n"
            "P                  5              5              5              5         0           0\n"
            "W                  6              6              6              6         0           0\n");
  EXPECT_EQ(o.err, "");
}

TEST_F(ReportCommand, CsvOfEveryRunAndOfOneRunOnStandardOutput) {
  const Outcome all = folder.run("report two.dat --csv out.csv");
  EXPECT_EQ(all.exitCode, 1);
  EXPECT_EQ(fileText(folder.path() / "out.csv"),
            "run,time,Ur,Ir,Uref,a,P,W\n"
            "1,2026-12-10T10:00:00.100,1.5,2,3,4,5,6\n"
            "1,2026-12-10T10:00:00.300,2.5,2,3,4,5,6\n"
            "1,2026-12-10T10:00:00.500,-0.5,2,3,4,5,6.25\n"
            "2,2026-12-10T11:00:00.000,1,2,3,4,5,6\n"
            "2,2026-12-10T11:00:00.200,inf,2,3,nan,5,6\n"
            "2,2026-12-10T11:00:00.400,,2,3,,5,6\n"
            "2,2026-12-10T11:00:02.000,7,-inf,3,4,5,6\n"
            "2,2026-12-10T11:00:02.200,8,2,3,4,5,6\n");
  EXPECT_FALSE(fs::exists(folder.path() / "out.csv.part"));

  const Outcome first = folder.run("report two.dat --run 1 --csv -");
  EXPECT_EQ(first.exitCode, 1);
  EXPECT_EQ(first.out,
            "run,time,Ur,Ir,Uref,a,P,W\n"
            "1,2026-12-10T10:00:00.100,1.5,2,3,4,5,6\n"
            "1,2026-12-10T10:00:00.300,2.5,2,3,4,5,6\n"
            "1,2026-12-10T10:00:00.500,-0.5,2,3,4,5,6.25\n");
  const Outcome last = folder.run("report two.dat --run -2 --csv -");
  EXPECT_EQ(last.out, first.out);
}

TEST_F(ReportCommand, BadUsageAndUnreadableFilesSayWhatIsWrong) {
  struct Case {
    std::string args;
    std::string message;
  };
  const Case cases[] = {
      {"report", "report needs a data file"},
      {"report missing.dat", "cannot open 'missing.dat'"},
      {"report .", "cannot read '.': it is a folder"},
      {"report two.dat --run 3", "there is no run 3 in 'two.dat' (it holds 2 runs)"},
      {"report two.dat --run -3", "there is no run -3 in 'two.dat'"},
      {"report two.dat --run 0", "--run needs a nonzero whole number, not '0'"},
      {"report two.dat --run x", "--run needs a nonzero whole number, not 'x'"},
      {"report two.dat --csv", "--csv needs a file name"},
      {"report two.dat --plot out.gif", "--plot writes .png, .svg or .pdf files, not 'out.gif'"},
      {"report two.dat --color", "unknown option '--color'"},
      {"report two.dat clean.dat", "one data file only, not also 'clean.dat'"},
      {"report two.dat --csv no/such/folder/out.csv", "cannot write 'no/such/folder/out.csv'"},
  };
  for (const Case& c : cases) {
    const Outcome o = folder.run(c.args);
    EXPECT_EQ(o.exitCode, 2) << c.args;
    EXPECT_NE(o.err.find(c.message), std::string::npos) << c.args << "\n" << o.err;
    EXPECT_EQ(o.out, "") << c.args;
  }
}

#ifdef KELMO_PLOT_BUILT
TEST_F(ReportCommand, PlotsInEachFormatWithoutADisplay) {
  struct Case {
    std::string file;
    std::string start;  // the format's first bytes
  };
  const Case cases[] = {{"run.png", "\x89PNG"}, {"run.pdf", "%PDF"}, {"run.svg", "<?xml"}};
  for (const Case& c : cases) {
    const Outcome plotted = folder.run("report clean.dat --plot " + c.file, "env -u DISPLAY -u QT_QPA_PLATFORM");
    EXPECT_EQ(plotted.exitCode, 0) << c.file << plotted.err;
    EXPECT_EQ(fileText(folder.path() / c.file).substr(0, c.start.size()), c.start) << c.file;
  }
}
#else
TEST_F(ReportCommand, PlotSaysItIsNotAvailableWithoutQt) {
  const Outcome o = folder.run("report clean.dat --plot run.png");
  EXPECT_EQ(o.exitCode, 2);
  EXPECT_NE(o.err.find("--plot is not available"), std::string::npos) << o.err;
  EXPECT_FALSE(fs::exists(folder.path() / "run.png"));
}
#endif

}  // namespace
}  // namespace kelmo::testing
