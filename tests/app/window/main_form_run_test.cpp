// The real window driving a real test run on the simulated module: F9, the charts and
// indicators refreshed by the measurement thread, Esc and the join, and a close request
// during a run.
// The simulator's headers name a member `signals`, which Qt defines as a keyword: they come
// before every Qt header.
#include "sim/sim_library.h"

#include <QPlainTextEdit>
#include <filesystem>
#include <qcustomplot.h>
#include <string>

#include "acquisition/module_globals.h"
#include "acquisition/module_library.h"
#include "app/window/frame_di.h"
#include "app/window/value_box.h"
#include "main_form_fixture.h"
#include "measure/data_file.h"
#include "measure/measurement.h"
#include "platform/message_box.h"

namespace kelmo::test {
namespace {

namespace fs = std::filesystem;

class SimulatedRun : public ::testing::Test {
 protected:
  void SetUp() override {
    testApplication();
    setDecimalSeparator('.');
    createGlobalParams();
    resetRunState();
    resetMeasurement();
    resetModuleGlobals();
    dir = fs::temp_directory_path() / ("kelmo_window_run_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir);
    fs::create_directories(dir);

    tKELMO_Params& params = kelmo_params();
    params.FileName = (dir / "test.dat").string();
    params.DATA_QUERY_PERIOD_MS = 100;
    params.dataBuffersPerPeriod = 10;
    params.adcRate = 100.0;
    params.airDelay = 20;
    params.airLength = 30;

    setModuleLibrary(std::make_shared<sim::SimLibrary>(sim::SimConfig{}));
    previousBoxes = setMessageBoxHandler([this](const MessageBoxRequest& box) {
      boxes.push_back(box.title + ": " + box.text);
      return BoxAnswer::Ok;
    });

    form = std::make_unique<TmainForm>();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  }

  void TearDown() override {
    if (getTestState() != TestIdle) {
      StopRequested = true;
      processUntil([] { return getTestState() == TestIdle; });
    }
    form.reset();
    closeDataFile();
    setModuleLibrary(nullptr);
    setMessageBoxHandler(previousBoxes);
    resetRunState();
    destroyGlobalParams();
    fs::remove_all(dir);
  }

  QWidget* control(const char* name) const { return form->findChild<QWidget*>(QString::fromLatin1(name)); }
  TFrameChart* chart(int k) const { return form->findChild<TFrameChart*>(QStringLiteral("FrameChart%1").arg(k)); }
  QString console() const { return static_cast<QPlainTextEdit*>(control("MemoConsole"))->toPlainText(); }

  template <class Condition>
  bool processUntil(Condition done) {
    for (int i = 0; i < 3000 && !done(); ++i) QTest::qWait(10);
    return done();
  }

  void startWithF9() {
    control("MemoConsole")->setFocus();
    QTest::keyClick(control("MemoConsole"), Qt::Key_F9);
    ASSERT_EQ(getTestState(), TestRunning) << console().toStdString();
  }

  fs::path dir;
  std::unique_ptr<TmainForm> form;
  std::vector<std::string> boxes;
  MessageBoxHandler previousBoxes;
};

TEST_F(SimulatedRun, F9RunsAndEscJoinsWithTheOutcomeLine) {
  startWithF9();
  EXPECT_EQ(static_cast<QLineEdit*>(control("editAirDelay"))->text(), "20");
  EXPECT_EQ(static_cast<QLineEdit*>(control("editAirLength"))->text(), "30");
  EXPECT_TRUE(console().startsWith("DLL Version") || console().contains(" DLL Version --> OK")) << console().toStdString();
  EXPECT_FALSE(console().startsWith("MemoConsole")) << "F9 cleared the console";

  ASSERT_TRUE(processUntil([&] { return chart(5)->Series1().size() >= 3; }));
  lockModule();
  const std::array<double, 6> values = MeasuredValues;
  const std::uint16_t inputs = DigitalInputs;
  unlockModule();
  for (int k = 0; k < 6; ++k) {
    EXPECT_EQ(chart(k)->Series1().back().value, values[static_cast<std::size_t>(k)]) << k;
  }
  EXPECT_EQ(chart(0)->valueText().toStdString(), formatText("%9.5f", {values[0]}));
  EXPECT_TRUE(chart(1)->extraText().startsWith("R="));
  const QColor input0 = form->findChild<TframeDI*>("frameDI0")->EditDI()->palette().color(QPalette::Base);
  EXPECT_EQ(input0, (inputs & 1U) ? QColor(0, 128, 0) : QColor(255, 0, 0));

  QTest::keyClick(control("MemoConsole"), Qt::Key_Escape);
  ASSERT_TRUE(processUntil([] { return getTestState() == TestIdle; })) << console().toStdString();
  EXPECT_TRUE(console().contains("Дождались завершения потокового чтения"));
  EXPECT_TRUE(console().split(QLatin1Char('\n')).contains(" ADC Thread: The program was terminated! :-)")) << console().toStdString();
  EXPECT_TRUE(boxes.empty());

  // A second run starts from the same window.
  startWithF9();
  ASSERT_TRUE(processUntil([&] { return chart(0)->Series1().size() >= 5; }));
}

TEST_F(SimulatedRun, CloseRequestStopsAndJoinsARunningRun) {
  startWithF9();
  ASSERT_TRUE(processUntil([&] { return chart(0)->Series1().size() >= 2; }));
  EXPECT_TRUE(form->close());
  EXPECT_EQ(getTestState(), TestIdle);
  EXPECT_TRUE(console().contains("Дождались завершения потока контроля воздуха")) << console().toStdString();
  EXPECT_FALSE(console().contains("Не могу дождаться завершения сбора данных"));
}

}  // namespace
}  // namespace kelmo::test
