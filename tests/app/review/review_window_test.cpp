#include "app/review/review_window.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <qcustomplot.h>
#include <unistd.h>

#include "app/review/review_charts.h"
#include "app/window/data_file_review_hook.h"
#include "main_form_fixture.h"
#include "measure/data_recorder.h"

namespace kelmo::test {
namespace {

namespace fs = std::filesystem;

TDateTime at(int hour, int minute, int second, int ms) { return encodeDateTime({2026, 12, 10, hour, minute, second, ms}); }

class ReviewWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testApplication();
    setDecimalSeparator(',');
    std::string text = headerLine(at(10, 0, 0, 0));
    for (int i = 0; i < 5; ++i) text += dataLine(at(10, 0, 0, i * 200), {1.0 * i, 2, 3, 4, 5, 6});
    text += headerLine(at(11, 0, 0, 0));
    for (int i = 0; i < 10; ++i) text += dataLine(at(11, 0, 0, i * 200), {10.0 + i, 2, 3, 4, 5, 6});
    setDecimalSeparator('.');
    fs::create_directories(folder);
    std::ofstream(file, std::ios::binary) << text;
  }
  void TearDown() override { fs::remove_all(folder); }

  fs::path folder = fs::temp_directory_path() / ("kelmo_review_" + std::to_string(::getpid()));
  fs::path file = folder / "test.dat";
};

TEST_F(ReviewWindowTest, OpensOnTheLastRunAndSwitchesRuns) {
  ReviewWindow window(file.string());
  EXPECT_FALSE(window.readError().has_value());
  ASSERT_EQ(window.runSelector()->count(), 2);
  EXPECT_EQ(window.runSelector()->currentIndex(), 1);
  EXPECT_EQ(window.runSelector()->itemText(0).toStdString(), "1: 2026-12-10 10:00:00, 0:00:00.800, 5 lines");
  QCPGraph* ur = window.plot()->graph(0);
  EXPECT_EQ(ur->data()->size(), 10);
  EXPECT_EQ(ur->data()->at(9)->value, 19.0);

  window.runSelector()->setCurrentIndex(0);
  EXPECT_EQ(window.plot()->graph(0)->data()->size(), 5);
  EXPECT_EQ(window.plot()->graph(0)->data()->at(4)->value, 4.0);
  // Every time axis shows the whole run.
  for (int k = 0; k < 6; ++k) {
    const QCPRange range = window.plot()->graph(k)->keyAxis()->range();
    EXPECT_NEAR(range.lower, at(10, 0, 0, 0), 1e-9) << k;
    EXPECT_NEAR(range.upper, at(10, 0, 0, 800), 1e-9) << k;
  }
}

TEST_F(ReviewWindowTest, ZoomingOneChartMovesEveryTimeAxis) {
  ReviewWindow window(file.string());
  QCPAxis* third = window.plot()->graph(2)->keyAxis();
  third->setRange(at(11, 0, 0, 400), at(11, 0, 1, 0));
  for (int k = 0; k < 6; ++k) {
    const QCPRange range = window.plot()->graph(k)->keyAxis()->range();
    EXPECT_NEAR(range.lower, at(11, 0, 0, 400), 1e-9) << k;
    EXPECT_NEAR(range.upper, at(11, 0, 1, 0), 1e-9) << k;
  }
  // The value axis follows what is visible: Ur from 12 to 15 there.
  const QCPRange values = window.plot()->graph(0)->valueAxis()->range();
  EXPECT_LT(values.lower, 12.0);
  EXPECT_GT(values.lower, 11.0);
  EXPECT_GT(values.upper, 15.0);
  EXPECT_LT(values.upper, 16.0);
}

TEST_F(ReviewWindowTest, SavesPicturesAndSaysWhenAFileDoesNotRead) {
  ReviewWindow window(file.string());
  window.resize(900, 600);
  EXPECT_TRUE(window.savePicture(QString::fromStdString((folder / "run.png").string())));
  EXPECT_TRUE(window.savePicture(QString::fromStdString((folder / "run.pdf").string())));
  EXPECT_GT(fs::file_size(folder / "run.png"), 1000u);
  EXPECT_GT(fs::file_size(folder / "run.pdf"), 1000u);

  ReviewWindow missing((folder / "none.dat").string());
  ASSERT_TRUE(missing.readError().has_value());
  EXPECT_NE(missing.readError()->find("none.dat"), std::string::npos);
  EXPECT_EQ(missing.runSelector()->count(), 0);
}

TEST(ReviewCharts, ReadoutGivesTheNearestPointAndRangesOfBuckets) {
  testApplication();
  QCustomPlot plot;
  ReviewCharts charts(&plot);
  datafile::MinMaxSeries s;
  for (int i = 0; i < 3; ++i) {
    s.time.push_back(at(12, 0, i, 0));
    for (std::size_t k = 0; k < 6; ++k) {
      s.low[k].push_back(i);
      s.high[k].push_back(k == 1 ? i + 0.5 : i);
    }
  }
  charts.setSeries(s, 1.0);
  EXPECT_EQ(charts.readoutAt(at(12, 0, 1, 400)).toStdString(),
            "12:00:01.000   Ur=1   Ir=1…1.5   Uref=1   a=1   P=1   W=1");
  EXPECT_EQ(charts.readoutAt(at(12, 0, 1, 600)).toStdString().substr(0, 12), "12:00:02.000");
  EXPECT_EQ(charts.readoutAt(at(13, 0, 0, 0)).toStdString().substr(0, 12), "12:00:02.000");
  EXPECT_EQ(charts.readoutAt(at(11, 0, 0, 0)).toStdString().substr(0, 12), "12:00:00.000");
}

// F5 of the main window: the current data file, only while no run is active.
class F5Test : public MainFormTest {};

TEST_F(F5Test, OpensTheCurrentDataFileOnlyWhileIdle) {
  std::vector<std::string> opened;
  const DataFileReviewer previous =
      setDataFileReviewer([&](QWidget*, const std::string& name) { opened.push_back(name); });
  kelmo_params().FileName = "run42.dat";
  press(control("MemoConsole"), Qt::Key_F5);
  press(control("MemoConsole"), Qt::Key_F5, Qt::ControlModifier);
  for (std::uint8_t state : {TestStarting, TestRunning, TestFinishing}) {
    setTestState(state);
    press(control("MemoConsole"), Qt::Key_F5);
  }
  setTestState(TestIdle);
  setDataFileReviewer(previous);
  EXPECT_EQ(opened, std::vector<std::string>{"run42.dat"});
}

}  // namespace
}  // namespace kelmo::test
