#include "datafile/run_summary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "written_lines.h"

namespace kelmo::datafile {
namespace {

using testing::at;
using testing::WrittenFile;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::vector<RunSummary> summarise(const std::string& text, RunSummarizer& s) {
  DataFileParser parser(s);
  parser.feed(text);
  parser.finish();
  return s.finish();
}

TEST(RunSummary, PeriodIsTheMedianStepAndGapsSayWhereAndHowLong) {
  WrittenFile f;
  f.header(at(10, 0, 0, 0));
  int ms = 0;
  auto step = [&](int by) {
    ms += by;
    f.line(at(10, 0, ms / 1000, ms % 1000), {1, 2, 3, 4, 5, 6});
  };
  step(0);
  for (int i = 0; i < 20; ++i) step(i % 3 == 0 ? 210 : 200);  // jitter
  step(290);   // 1.45 periods: not a gap
  step(350);   // 1.75 periods: a gap (line 24)
  for (int i = 0; i < 5; ++i) step(200);
  step(5000);  // line 30
  step(200);

  RunSummarizer s;
  const auto runs = summarise(f.text, s);
  ASSERT_EQ(runs.size(), 1u);
  const RunSummary& run = runs[0];
  EXPECT_EQ(run.lines, 30u);
  EXPECT_NEAR(run.periodSeconds, 0.2, 1e-9);
  EXPECT_NEAR(run.first, at(10, 0, 0, 0), 1e-9);
  EXPECT_NEAR(run.durationSeconds(), ms / 1000.0, 1e-6);
  ASSERT_EQ(run.gaps.size(), 2u);
  EXPECT_EQ(run.gaps[0].lineNumber, 24u);
  EXPECT_NEAR(run.gaps[0].seconds(), 0.35, 1e-6);
  EXPECT_EQ(run.gaps[1].lineNumber, 30u);
  EXPECT_NEAR(run.gaps[1].seconds(), 5.0, 1e-6);
  EXPECT_EQ(run.backwardSteps, 0u);
}

TEST(RunSummary, StatisticsLeaveOutMissingAndNonFiniteValues) {
  WrittenFile f({',', ':'});
  f.header(at(10, 0, 0, 0));
  f.line(at(10, 0, 0, 0), {1, -2, kInf, 4, 5, 6});
  f.line(at(10, 0, 0, 200), {3, 2, 1, kNaN, 5, 6});
  f.raw("00:00:400 46366,4166712963 ?????? 8,000 2,000 ?????? -INF 6,000 \r\n");
  RunSummarizer s;
  const RunSummary run = summarise(f.text, s)[0];
  struct Expect {
    double min, max, mean, last;
    bool lastMissing;
    std::uint64_t finite, nonFinite, missing;
  };
  const Expect expected[] = {
      {1, 3, 2, kNaN, true, 2, 0, 1},          // Ur
      {-2, 8, 8.0 / 3, 8, false, 3, 0, 0},     // Ir
      {1, 2, 1.5, 2, false, 2, 1, 0},          // Uref
      {4, 4, 4, kNaN, true, 1, 1, 1},          // a
      {5, 5, 5, -kInf, false, 2, 1, 0},        // P
      {6, 6, 6, 6, false, 3, 0, 0},            // W
  };
  for (std::size_t k = 0; k < 6; ++k) {
    const QuantityStats& q = run.stats[k];
    const Expect& e = expected[k];
    EXPECT_EQ(q.min, e.min) << k;
    EXPECT_EQ(q.max, e.max) << k;
    EXPECT_DOUBLE_EQ(q.mean(), e.mean) << k;
    if (!e.lastMissing) {
      EXPECT_EQ(q.last, e.last) << k;
    }
    EXPECT_EQ(q.lastMissing, e.lastMissing) << k;
    EXPECT_EQ(q.finite, e.finite) << k;
    EXPECT_EQ(q.nonFinite, e.nonFinite) << k;
    EXPECT_EQ(q.missing, e.missing) << k;
  }
}

TEST(RunSummary, RunsKeepTheirOwnCountsAndMalformedLines) {
  WrittenFile f;
  f.raw("before\r\n");
  f.header(at(10, 0, 0, 0)).line(at(10, 0, 0, 0), {1, 1, 1, 1, 1, 1});
  f.raw("junk\r\n");
  f.header(at(11, 0, 0, 0));  // a run stopped before its first line
  f.header(at(12, 0, 0, 0)).line(at(12, 0, 0, 0), {2, 2, 2, 2, 2, 2}).line(at(11, 59, 59, 800), {3, 3, 3, 3, 3, 3});
  RunSummarizer s;
  const auto runs = summarise(f.text, s);
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].lines, 1u);
  EXPECT_EQ(runs[0].malformed, 1u);
  EXPECT_EQ(runs[0].periodSeconds, 0.0);
  EXPECT_EQ(runs[1].lines, 0u);
  EXPECT_EQ(runs[1].durationSeconds(), 0.0);
  EXPECT_EQ(runs[2].lines, 2u);
  EXPECT_EQ(runs[2].backwardSteps, 1u);
  EXPECT_TRUE(runs[2].gaps.empty());
  EXPECT_EQ(s.malformedBeforeFirstRun(), 1u);
  EXPECT_EQ(s.malformedTotal(), 2u);
}

}  // namespace
}  // namespace kelmo::datafile
