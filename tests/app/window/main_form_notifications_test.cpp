// What reaches the main window from worker threads: Enter and Esc notifications, log lines
// (in order per thread, with the error-file fallback), and the close request that waits
// for a run to finish.
#include <QDialog>
#include <QPlainTextEdit>
#include <QTimer>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <qcustomplot.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "app/window/frame_chart.h"
#include "app/window/value_box.h"
#include "app/window/frame_di.h"
#include "main_form_fixture.h"
#include "measure/measurement.h"
#include "platform/log_msg.h"

namespace kelmo::test {
namespace {

using NotificationTest = MainFormTest;

QColor background(const QWidget* box) { return box->palette().color(QPalette::Base); }

void postFromWorker(int keyCode) {
  std::thread worker([keyCode] { postKeyNotification(keyCode); });
  worker.join();
}

TEST_F(NotificationTest, EnterRefreshesChartsExtraTextsAndIndicators) {
  kelmo_params().numOfDCIn = 2;
  press(control("MemoConsole"), Qt::Key_F9);  // builds the indicator list
  setClock([] { return 46000.75; });
  MeasuredValues = {1.25, 2.0, 3.5, -4.0, 5.5, 6.0};
  R = 0.1 + 0.2;
  Ua = 1e15;
  Up = -0.00001;
  U6 = 42;
  DigitalInputs = 0b01;

  postFromWorker(kKeyEnter);
  ASSERT_TRUE(processUntil([&] { return chart(5)->Series1().size() == 1; }));

  for (int k = 0; k < 6; ++k) {
    const ChartPoint& point = chart(k)->Series1().front();
    EXPECT_EQ(point.time, 46000.75) << "a date-time, not only the time of day";
    EXPECT_EQ(point.value, MeasuredValues[static_cast<std::size_t>(k)]);
  }
  // The frames' texts at once; the boxes show them from the next paint on.
  const std::array<const char*, 6> values = {"  1.25000", "  2.00000", "  3.50000", " -4.00000", "  5.50000", "  6.00000"};
  const std::array<const char*, 6> extras = {"", "R=0.3", ".-Ur=2.25", "Ua=1E15", "Up=-1E-5", "U6=42"};
  for (int k = 0; k < 6; ++k) {
    EXPECT_EQ(chart(k)->valueText(), values[static_cast<std::size_t>(k)]) << k;
    EXPECT_EQ(chart(k)->extraText(), extras[static_cast<std::size_t>(k)]) << k;
  }
  ASSERT_TRUE(processUntil([&] { return chart(5)->EditK1()->text() == "U6=42"; })) << "no paint showed the texts";
  for (int k = 0; k < 6; ++k) {
    EXPECT_EQ(chart(k)->EditValue()->text(), values[static_cast<std::size_t>(k)]) << k;
    EXPECT_EQ(chart(k)->EditK1()->text(), extras[static_cast<std::size_t>(k)]) << k;
  }

  const QWidget* input0 = control<TframeDI>("frameDI0")->EditDI();
  const QWidget* input1 = control<TframeDI>("frameDI1")->EditDI();
  EXPECT_EQ(background(input0), QColor(0, 128, 0));
  EXPECT_EQ(background(input1), QColor(255, 0, 0));

  DigitalInputs = 0b10;
  postFromWorker(kKeyEnter);
  ASSERT_TRUE(processUntil([&] { return chart(5)->Series1().size() == 2; }));
  EXPECT_EQ(background(input0), QColor(255, 0, 0));
  EXPECT_EQ(background(input1), QColor(0, 128, 0));
  EXPECT_EQ(joins, 0);
}

TEST_F(NotificationTest, NoIndicatorIsColouredWithoutInputs) {
  kelmo_params().numOfDCIn = 0;
  press(control("MemoConsole"), Qt::Key_F9);
  const QWidget* input0 = control<TframeDI>("frameDI0")->EditDI();
  const QColor before = background(input0);
  DigitalInputs = 0b11;
  postFromWorker(kKeyEnter);
  ASSERT_TRUE(processUntil([&] { return chart(0)->Series1().size() == 1; }));
  EXPECT_EQ(background(input0), before);

  // Inputs added by a script after F9 are not shown until the next F9.
  kelmo_params().numOfDCIn = 2;
  postFromWorker(kKeyEnter);
  ASSERT_TRUE(processUntil([&] { return chart(0)->Series1().size() == 2; }));
  EXPECT_EQ(background(input0), before);
}

TEST_F(NotificationTest, EscJoinsTheRunAndOtherKeysDoNothing) {
  press(control("MemoConsole"), Qt::Key_F9);
  ASSERT_EQ(getTestState(), TestRunning);

  postFromWorker(65);
  postFromWorker(kKeyEscape);  // the measurement thread has not finished: the join refuses
  ASSERT_TRUE(processUntil([&] { return joins == 1; }));
  EXPECT_EQ(getTestState(), TestRunning);
  EXPECT_EQ(chart(0)->Series1().size(), 0U) << "key 65 refreshed the charts";

  MeasureFinished = true;
  postFromWorker(kKeyEscape);
  ASSERT_TRUE(processUntil([&] { return joins == 2; }));
  EXPECT_EQ(getTestState(), TestIdle);
}

TEST_F(NotificationTest, NotificationsArriveWhileAModalWindowIsOpen) {
  // The script window is modal; a run goes on behind it.
  press(control("MemoConsole"), Qt::Key_F9);
  QDialog modal(form.get());
  std::size_t pointsSeen = 0;
  QTimer::singleShot(0, [&] {
    postFromWorker(kKeyEnter);
    processUntil([&] { return chart(0)->Series1().size() == 1; });
    pointsSeen = chart(0)->Series1().size();
    modal.reject();
  });
  modal.exec();
  EXPECT_EQ(pointsSeen, 1U);
}

TEST_F(NotificationTest, LogLinesOfEachThreadArriveInTheirOrder) {
  constexpr int kThreads = 4;
  constexpr int kLines = 250;
  std::vector<std::thread> workers;
  for (int t = 0; t < kThreads; ++t) {
    workers.emplace_back([t] {
      for (int n = 0; n < kLines; ++n) postLogMsg("thread " + std::to_string(t) + " line " + std::to_string(n));
    });
  }
  for (std::thread& worker : workers) worker.join();
  ASSERT_TRUE(processUntil([&] { return consoleLines().size() == 1 + kThreads * kLines; }));

  const QStringList lines = consoleLines();
  EXPECT_EQ(lines.front(), "MemoConsole");
  std::vector<int> next(kThreads, 0);
  for (int i = 1; i < lines.size(); ++i) {
    const QStringList words = lines[i].split(' ');
    ASSERT_EQ(words.size(), 4) << lines[i].toStdString();
    const int t = words[1].toInt();
    EXPECT_EQ(words[3].toInt(), next[static_cast<std::size_t>(t)]++) << "thread " << t;
  }
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(next[static_cast<std::size_t>(t)], kLines);
}

TEST_F(NotificationTest, ConsoleShowsEmptyLinesAndLinesWithTheirOwnBreaks) {
  logMsg("");
  logMsg("\n\r You can press ESC key to terminate the program...\n\r");
  logMsg("last");
  EXPECT_EQ(consoleLines(),
            (QStringList{"MemoConsole", "", "", " You can press ESC key to terminate the program...", "", "last"}));
}

class ErrorFileTest : public MainFormTest {
 protected:
  void SetUp() override {
    MainFormTest::SetUp();
    previousPath = errorFilePath();
    path = std::filesystem::temp_directory_path() / ("kelmo-window-test-" + std::to_string(::getpid()) + ".error");
    setErrorFilePath(path.string());
  }
  void TearDown() override {
    setErrorFilePath(previousPath);
    std::filesystem::remove(path);
    MainFormTest::TearDown();
  }
  std::string errorFile() const {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  std::string previousPath;
  std::filesystem::path path;
};

TEST_F(ErrorFileTest, RefusedLinesLeaveOnlyTheLastInTheErrorFile) {
  form->setPendingLogLimit(1);  // the window's queue takes one line, then refuses
  std::thread worker([] {
    postLogMsg("accepted");
    postLogMsg("first refused");
    postLogMsg("second \"quoted\" refused");
  });
  worker.join();

  const std::string written = errorFile();
  const std::string tail = " cannot log msg \"second \"quoted\" refused\"";
  ASSERT_GE(written.size(), tail.size()) << written;
  EXPECT_EQ(written.substr(written.size() - tail.size()), tail);
  EXPECT_EQ(written.find("first"), std::string::npos) << written;
  EXPECT_EQ(written.find('\n'), std::string::npos) << "no line break";
  EXPECT_NE(written.front(), ' ') << "starts with the date";

  ASSERT_TRUE(processUntil([&] { return consoleLines().size() == 2; }));
  EXPECT_EQ(consoleLines(), (QStringList{"MemoConsole", "accepted"}));

  // Once the window has caught up it takes lines again.
  postLogMsg("again");
  ASSERT_TRUE(processUntil([&] { return consoleLines().size() == 3; }));
  EXPECT_EQ(consoleLines().back(), "again");
}

// A run whose measurement thread ends as the Overview describes once stop is requested.
class CloseTest : public MainFormTest {
 protected:
  void TearDown() override {
    if (worker.joinable()) worker.join();
    MainFormTest::TearDown();
  }
  void startFinishingWorker() {
    setTestState(TestRunning);
    worker = std::thread([] {
      while (!StopRequested) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      postLogMsg("worker: last line");
      setTestState(TestFinishing);
      MeasureFinished = true;
      postKeyNotification(kKeyEscape);
    });
  }
  std::thread worker;
};

TEST_F(CloseTest, ClosingWhileIdleClosesAtOnce) {
  EXPECT_TRUE(form->close());
  EXPECT_FALSE(form->isVisible());
  EXPECT_FALSE(StopRequested.load());
}

TEST_F(CloseTest, ClosingWaitsWhileTheRunFinishesAndJoinsIt) {
  startFinishingWorker();
  EXPECT_TRUE(form->close());
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(joins, 1);
  EXPECT_EQ(getTestState(), TestIdle);
  EXPECT_EQ(consoleLines().back(), "worker: last line") << "shown before the wait ended";
}

TEST_F(CloseTest, ARunThatDoesNotEndKeepsTheWindowOpen) {
  setTestState(TestRunning);
  EXPECT_FALSE(form->close());
  EXPECT_TRUE(form->isVisible());
  EXPECT_TRUE(StopRequested.load());
  EXPECT_EQ(consoleLines().back(), "Не могу дождаться завершения сбора данных");

  // The operator tries again once the run has ended.
  setTestState(TestIdle);
  EXPECT_TRUE(form->close());
}

}  // namespace
}  // namespace kelmo::test
