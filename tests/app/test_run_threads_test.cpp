#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "acquisition/dll_version.h"
#include "acquisition/init_module.h"
#include "acquisition/read_thread.h"
#include "measure/data_recorder.h"
#include "run_fixture.h"

namespace kelmo::testing {
namespace {

using sim::Fault;
using sim::Operation;

const std::string kTerminated = " ADC Thread: The program was terminated! :-)";

// The six value fields that the computation gives for the volts.
std::string valueFieldsFor(const std::array<double, 8>& volts) {
  const std::array<double, 8> saved = ChannelVolts;
  ChannelVolts = volts;
  calcMeasuredValues();
  ChannelVolts = saved;
  std::string fields;
  for (double v : MeasuredValues) fields += valueField(v);
  return fields;
}

// The value fields of a data line: what follows the time and the date-time number.
std::string valueFieldsOf(const std::string& line) {
  const std::size_t first = line.find(' ');
  const std::size_t second = line.find(' ', first + 1);
  return line.substr(second + 1);
}

using RunTest = RunFixture;

TEST_F(RunTest, NormalRunConsoleLinesAndDataFile) {
  useSim(steadyConfig());
  start();
  ASSERT_EQ(getTestState(), TestRunning);
  ASSERT_TRUE(pumpUntil([&] { return enters >= 8; }));
  escape();
  ASSERT_TRUE(runUntilIdle());
  EXPECT_EQ(escapes, 1);
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(programEnds, 0);

  // The start, from the module summary's block on.
  const std::vector<std::string> startLines = {
      "DataStep=5024",
      "Создали поток для потокового чтения",
      "Запустили поток для потокового чтения",
      " Create ReadThread ... OK",
      "",
      "",
      " Module E-154 (S/N 1E154SIM0042 is ready ...",
      "   Module Info:",
      "     Module  Revision   is 'B'",
      "     MCU Driver Version is 2.10 (simulated)",
      "   ADC parameters:",
      "     ChannelsQuantity = 8",
      "     AdcRate = 100.000 kHz",
      "     InterKadrDelay = 0.0000 ms",
      "     KadrRate =  12.500 kHz",
      "\n\r You can press ESC key to terminate the program...\n\r",
  };
  ASSERT_EQ(console.front(), " DLL Version --> OK");
  const std::size_t create = indexOf(" Create file Test.dat ... OK");
  ASSERT_LT(create, console.size());
  EXPECT_EQ(console[create - 1], "");
  EXPECT_EQ(console[create + 1], " Seeked EOF Test.dat ... Ok");
  ASSERT_LE(create + 2 + startLines.size(), console.size());
  EXPECT_EQ(std::vector<std::string>(console.begin() + static_cast<long>(create + 2),
                                     console.begin() + static_cast<long>(create + 2 + startLines.size())),
            startLines);

  // The join, and the read thread's last line somewhere after the start.
  const std::vector<std::string> joinLines = {
      "Дождались завершения потокового чтения",
      "Дождались завершения потока вычислений и отображения",
      "Дождались завершения потока контроля воздуха",
      "",
      " ReleaseLInstance() --> OK",
      kTerminated,
  };
  const std::size_t join = indexOf(joinLines.front());
  ASSERT_LE(join + joinLines.size(), console.size());
  EXPECT_EQ(std::vector<std::string>(console.begin() + static_cast<long>(join),
                                     console.begin() + static_cast<long>(join + joinLines.size())),
            joinLines);
  EXPECT_GT(indexOf("завершается процесс из потокового чтения"), create);
  EXPECT_LT(indexOf("завершается процесс из потокового чтения"), console.size());

  // The data file: the header and one line per period, with the values of the computation.
  const std::vector<std::string> lines = crlfLines(fileBytes(dataPath()));
  ASSERT_EQ(static_cast<int>(lines.size()), enters + 1);
  EXPECT_EQ(lines[0].rfind(utf8ToCp1251("Начинаю сбор данных: "), 0), 0u) << lines[0];
  EXPECT_EQ(lines[0].size(), utf8ToCp1251("Начинаю сбор данных: ").size() + 19);

  for (std::size_t c = 0; c < kLevels.size(); ++c) EXPECT_NEAR(ChannelVolts[c], kLevels[c], 0.001) << c;
  const std::string converted = valueFieldsFor(ChannelVolts);
  const std::string beforeFirstBlock = valueFieldsFor({});
  ASSERT_NE(converted, beforeFirstBlock);
  int convertedLines = 0;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string fields = valueFieldsOf(lines[i]);
    if (fields == converted) {
      ++convertedLines;
    } else {
      EXPECT_EQ(fields, beforeFirstBlock) << "line " << i << ": " << lines[i];
    }
    EXPECT_EQ(lines[i][2], ':');
    EXPECT_EQ(lines[i][5], ':');
  }
  EXPECT_EQ(valueFieldsOf(lines.back()), converted);
  EXPECT_GE(convertedLines, 4);

  // The air valve pulsed and was left low and disabled.
  EXPECT_GT(library->calls(Operation::TTL_OUT), 2u);
  EXPECT_EQ(library->lastModule()->ttlOutputs(), 0);
  EXPECT_FALSE(library->lastModule()->ttlOutputsEnabled());
  EXPECT_TRUE(library->lastModule()->released());
  EXPECT_EQ(library->lastModule()->counters().overruns, 0u);
}

TEST_F(RunTest, ExistingDataFileIsAppendedTo) {
  {
    std::ofstream out(dataPath(), std::ios::binary);
    out << "earlier run\r\n";
  }
  useSim(steadyConfig());
  start();
  ASSERT_TRUE(pumpUntil([&] { return enters >= 2; }));
  escape();
  ASSERT_TRUE(runUntilIdle());
  const std::vector<std::string> lines = crlfLines(fileBytes(dataPath()));
  ASSERT_EQ(static_cast<int>(lines.size()), enters + 2);
  EXPECT_EQ(lines[0], "earlier run");
  EXPECT_EQ(lines[1].rfind(utf8ToCp1251("Начинаю сбор данных: "), 0), 0u);
}

TEST_F(RunTest, EscDuringThePauseGivesOneMoreLine) {
  useSim(steadyConfig());
  std::atomic<int> pauses{0};
  setMeasurePause([&pauses](std::chrono::milliseconds period) {
    if (++pauses == 3) StopRequested = true;  // Esc while the thread pauses after line 3
    std::this_thread::sleep_for(period);
  });
  start();
  ASSERT_TRUE(runUntilIdle());
  EXPECT_EQ(pauses, 3);
  EXPECT_EQ(enters, 4);
  EXPECT_EQ(crlfLines(fileBytes(dataPath())).size(), 5u);
  EXPECT_EQ(console.back() == kTerminated || console[console.size() - 2] == kTerminated, true);
}

TEST_F(RunTest, StartWhileARunIsActiveAndJoinBeforeTheEnd) {
  useSim(steadyConfig());
  start();
  ASSERT_EQ(getTestState(), TestRunning);
  const std::size_t before = console.size();
  startTestRun();
  ASSERT_EQ(console.size(), before + 1);
  EXPECT_EQ(console.back(), "Ошибка: тест уже запущен!");
  EXPECT_FALSE(joinTestRun());  // the measurement thread has not finished
  EXPECT_EQ(getTestState(), TestRunning);
  EXPECT_EQ(console.size(), before + 1);
  escape();
  ASSERT_TRUE(runUntilIdle());
  EXPECT_FALSE(joinTestRun());  // nothing left to join
  EXPECT_EQ(library->modulesCreated(), 1u);
}

TEST_F(RunTest, SecondRunStartsFromIdleAndTakesTheVoltsOn) {
  useSim(steadyConfig());
  start();
  ASSERT_TRUE(pumpUntil([&] { return enters >= 6; }));
  escape();
  ASSERT_TRUE(runUntilIdle());
  const std::array<double, 8> first = ChannelVolts;
  console.clear();
  start();
  ASSERT_EQ(getTestState(), TestRunning);
  ASSERT_TRUE(pumpUntil([&] { return enters >= 8; }));
  escape();
  ASSERT_TRUE(runUntilIdle());
  EXPECT_EQ(console.back() == kTerminated || console[console.size() - 2] == kTerminated, true);
  for (std::size_t c = 0; c < kLevels.size(); ++c) EXPECT_NEAR(ChannelVolts[c], first[c], 0.001);
  // Both runs in the one file, each with its header.
  int headers = 0;
  for (const std::string& line : crlfLines(fileBytes(dataPath())))
    headers += line.rfind(utf8ToCp1251("Начинаю сбор данных: "), 0) == 0;
  EXPECT_EQ(headers, 2);
}

TEST_F(RunTest, PeriodAndChannelCountStayThoseOfTheStart) {
  kelmo_params().ChannelsQuantity = 2;
  ChannelVolts.fill(99.0);
  useSim(steadyConfig());
  start();
  ASSERT_TRUE(pumpUntil([&] { return enters >= 3; }));
  // A script changes the settings while the run is active.
  kelmo_params().DATA_QUERY_PERIOD_MS = 0;
  kelmo_params().ChannelsQuantity = 8;
  const int before = enters;
  ASSERT_TRUE(pumpUntil([&] { return enters >= before + 3; }));
  escape();
  ASSERT_TRUE(runUntilIdle());
  EXPECT_EQ(ThreadErrorCode, ErrTerminated);
  EXPECT_NEAR(ChannelVolts[0], kLevels[0], 0.001);
  EXPECT_NEAR(ChannelVolts[1], kLevels[1], 0.001);
  for (std::size_t c = 2; c < 8; ++c) EXPECT_EQ(ChannelVolts[c], 99.0) << c;
  EXPECT_TRUE(consoleHas("     ChannelsQuantity = 2"));
}

// A failure injected into one worker: its outcome line ends the run's report.
struct WorkerFailure {
  const char* name;
  std::function<void(sim::SimConfig&)> inject;
  bool endsByItself;         // false: the run goes on until Esc
  std::uint16_t code;
  const char* postedLine;    // a line the read thread posts for it, or null
};

void failFrom(sim::SimConfig& config, Operation op, std::uint64_t call) {
  config.faults[static_cast<std::size_t>(op)] = Fault{Fault::Mode::From, call};
}

const WorkerFailure kWorkerFailures[] = {
    {"StopAdcBeforeTheStart", [](sim::SimConfig& c) { failFrom(c, Operation::STOP_ADC, 1); }, true, 1,
     "ошибка STOP_ADC"},
    {"FirstReadData", [](sim::SimConfig& c) { failFrom(c, Operation::ReadData, 1); }, true, 2, "ошибка ReadData"},
    {"LaterReadData", [](sim::SimConfig& c) { failFrom(c, Operation::ReadData, 4); }, true, 2, nullptr},
    {"BlockLate", [](sim::SimConfig& c) { c.lateFromBlock = 3; }, true, 3, nullptr},
    {"StartAdc", [](sim::SimConfig& c) { failFrom(c, Operation::START_ADC, 1); }, true, 6, nullptr},
    {"StopAdcAtTheEnd", [](sim::SimConfig& c) { failFrom(c, Operation::STOP_ADC, 2); }, false, 1, nullptr},
    {"CancelIo", [](sim::SimConfig& c) { failFrom(c, Operation::CancelIo, 1); }, false, 7, nullptr},
    {"TtlIn", [](sim::SimConfig& c) { failFrom(c, Operation::TTL_IN, 3); }, true, 8, nullptr},
    {"TtlOut", [](sim::SimConfig& c) { failFrom(c, Operation::TTL_OUT, 3); }, true, 9, nullptr},
    // No pulses; the read thread leaves at the code, and with it the run ends.
    {"EnableTtlOutAtTheStart", [](sim::SimConfig& c) { failFrom(c, Operation::ENABLE_TTL_OUT, 1); }, true, 10,
     nullptr},
    {"EnableTtlOutAtTheEnd", [](sim::SimConfig& c) { failFrom(c, Operation::ENABLE_TTL_OUT, 2); }, false, 10,
     nullptr},
};

class WorkerFailureTest : public RunFixture, public ::testing::WithParamInterface<WorkerFailure> {};

TEST_P(WorkerFailureTest, OutcomeLineNamesTheFailure) {
  const WorkerFailure& failure = GetParam();
  sim::SimConfig config = steadyConfig();
  failure.inject(config);
  useSim(config);
  start();
  // The start itself succeeds; a failure this early may have ended the run already.
  ASSERT_EQ(programEnds, 0);
  ASSERT_NE(getTestState(), TestStarting);
  if (!failure.endsByItself) {
    ASSERT_TRUE(pumpUntil([&] { return enters >= 3; }));
    EXPECT_EQ(getTestState(), TestRunning) << "the run goes on until it is stopped";
    escape();
  }
  ASSERT_TRUE(runUntilIdle()) << "the run did not end";
  EXPECT_EQ(ThreadErrorCode, failure.code);
  const std::size_t release = indexOf(" ReleaseLInstance() --> OK");
  ASSERT_LT(release + 1, console.size());
  EXPECT_EQ(console[release + 1], threadErrorLine(failure.code));
  EXPECT_FALSE(consoleHas(kTerminated));
  if (failure.postedLine != nullptr) {
    EXPECT_TRUE(consoleHas(failure.postedLine));
  }
  EXPECT_TRUE(library->lastModule()->released());
  // The data file holds whatever the run measured, header first.
  EXPECT_EQ(crlfLines(fileBytes(dataPath())).size(), static_cast<std::size_t>(enters) + 1);
}

INSTANTIATE_TEST_SUITE_P(Workers, WorkerFailureTest, ::testing::ValuesIn(kWorkerFailures),
                         [](const ::testing::TestParamInfo<WorkerFailure>& info) { return info.param.name; });

TEST_F(RunTest, UnwritableDataFileEndsTheRunWithCode5) {
  kelmo_params().FileName = "/dev/full";
  useSim(steadyConfig());
  start();
  ASSERT_EQ(getTestState(), TestRunning);
  ASSERT_TRUE(runUntilIdle());
  EXPECT_EQ(ThreadErrorCode, ErrWritingFile);
  EXPECT_EQ(console[indexOf(" ReleaseLInstance() --> OK") + 1], " ADC Thread: Writing data file error! :(((");
  EXPECT_GE(enters, 2);  // the first write-out waits for 700 characters
}

// A start that fails: the box, the module released, the data file closed, the program ended.
struct FailedStart {
  const char* name;
  std::function<void(sim::SimConfig&, tKELMO_Params&)> arrange;
  std::function<std::string()> boxText;
  bool moduleObtained;
};

const FailedStart kFailedStarts[] = {
    {"WrongLibraryVersion", [](sim::SimConfig& c, tKELMO_Params&) { c.version = 0x00030003; },
     [] { return dllVersionMessage(0x00030003); }, false},
    {"DataFileCannotBeCreated",
     [](sim::SimConfig&, tKELMO_Params& p) { p.FileName = "/nonexistent-kelmo-dir/test.dat"; },
     [] { return std::string("Не могу создать файл Test.dat для записи собираемых данных!"); }, true},
    {"PeriodOfZero", [](sim::SimConfig&, tKELMO_Params& p) { p.DATA_QUERY_PERIOD_MS = 0; },
     [] { return std::string("Assertion failure: DATA_QUERY_PERIOD_MS > 0.06"); }, true},
    {"NoBuffersPerPeriod", [](sim::SimConfig&, tKELMO_Params& p) { p.dataBuffersPerPeriod = 0; },
     [] { return std::string("Число буферов за период dataBuffersPerPeriod должно быть не меньше 1, а задано 0"); },
     true},
    {"NegativeBuffersPerPeriod", [](sim::SimConfig&, tKELMO_Params& p) { p.dataBuffersPerPeriod = -3; },
     [] { return std::string("Число буферов за период dataBuffersPerPeriod должно быть не меньше 1, а задано -3"); },
     true},
};

class FailedStartTest : public RunFixture, public ::testing::WithParamInterface<FailedStart> {};

TEST_P(FailedStartTest, ShowsTheBoxAndEndsTheProgram) {
  const FailedStart& failed = GetParam();
  sim::SimConfig config = steadyConfig();
  failed.arrange(config, kelmo_params());
  useSim(config);
  start();
  EXPECT_EQ(programEnds, 1);
  EXPECT_EQ(programExitCode, 0);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].title, "ОШИБКА!!!");
  EXPECT_EQ(boxes[0].text, failed.boxText());
  EXPECT_EQ(boxes[0].icon, BoxIcon::Information);
  EXPECT_EQ(pModule, nullptr);
  EXPECT_EQ(DataFile, -1);
  EXPECT_EQ(consoleHas(" ReleaseLInstance() --> OK"), failed.moduleObtained);
  if (failed.moduleObtained) {
    EXPECT_TRUE(library->lastModule()->released());
  }
  EXPECT_EQ(getTestState(), TestStarting);  // nothing returns to idle: the program ends
  EXPECT_FALSE(consoleHas("Создали поток для потокового чтения"));
}

INSTANTIATE_TEST_SUITE_P(Starts, FailedStartTest, ::testing::ValuesIn(kFailedStarts),
                         [](const ::testing::TestParamInfo<FailedStart>& info) { return info.param.name; });

TEST_F(RunTest, ALargeValidConfigurationIsCappedAndRuns) {
  kelmo_params().DATA_QUERY_PERIOD_MS = 1000;
  kelmo_params().dataBuffersPerPeriod = 1;  // 100000 samples a period at 100 kHz
  useSim(steadyConfig());
  start();
  EXPECT_TRUE(consoleHas("DataStep=65536"));
  ASSERT_EQ(getTestState(), TestRunning);
  ASSERT_TRUE(pumpUntil([&] { return enters >= 2; }));
  escape();
  ASSERT_TRUE(runUntilIdle());
  EXPECT_EQ(programEnds, 0);
  EXPECT_EQ(ThreadErrorCode, ErrTerminated);
  EXPECT_NEAR(ChannelVolts[0], kLevels[0], 0.001);
}

// The read thread takes its first block's samples as the filter's starting point: with a
// slow filter the first conversion already gives the levels, not a climb from zero.
TEST_F(RunTest, TheFirstConversionIsAlreadySettled) {
  kelmo_params().lowPassFilterK = 0.0001;
  ChannelVolts.fill(0.0);
  useSim(steadyConfig());
  start();
  ASSERT_TRUE(pumpUntil([&] { return enters >= 2; }));
  std::array<double, 8> first{};
  lockModule();
  first = ChannelVolts;
  unlockModule();
  escape();
  ASSERT_TRUE(runUntilIdle());
  for (std::size_t c = 0; c < kLevels.size(); ++c) EXPECT_NEAR(first[c], kLevels[c], 0.001) << c;
}

// Blocks held back by the module while the other request fills: the stream finds no read
// pending and loses samples, and the run's report says so after its outcome line.
TEST_F(RunTest, LostSamplesAreReportedAfterTheOutcomeLine) {
  sim::SimConfig config = steadyConfig();
  config.lateFromBlock = 3;
  config.lateBy = std::chrono::milliseconds(200);  // within the time-out of 1050 ms
  useSim(config);
  start();
  ASSERT_TRUE(pumpUntil([&] { return enters >= 5; }));
  escape();
  ASSERT_TRUE(runUntilIdle());
  const sim::SimModule::Counters counters = library->lastModule()->counters();
  ASSERT_GT(counters.lostSamples, 0u);
  const std::size_t outcome = indexOf(kTerminated);
  ASSERT_LT(outcome + 1, console.size());
  EXPECT_EQ(console[outcome + 1], "Simulated module: " + std::to_string(counters.lostSamples) +
                                      " samples lost in " + std::to_string(counters.overruns) + " overruns");
}

TEST_F(RunTest, NoLossLineWhenNothingWasLost) {
  useSim(steadyConfig());
  start();
  ASSERT_TRUE(pumpUntil([&] { return enters >= 3; }));
  escape();
  ASSERT_TRUE(runUntilIdle());
  ASSERT_EQ(library->lastModule()->counters().lostSamples, 0u);
  for (const std::string& line : console) EXPECT_EQ(line.rfind("Simulated module", 0), std::string::npos) << line;
}

// The wall clock is set back an hour during a run (the end of daylight saving time): the
// read thread goes on converting every period instead of waiting for the old marks.
TEST_F(RunTest, AClockSetBackKeepsTheVoltsComing) {
  std::atomic<double> shiftDays{0.0};
  struct SystemClockAtTheEnd {
    ~SystemClockAtTheEnd() { setClock({}); }
  } restore;
  setClock([&shiftDays] {
    const double unixDays =
        std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count() / 86400.0;
    return 25569.0 + unixDays - shiftDays.load();
  });
  useSim(steadyConfig());
  start();
  ASSERT_TRUE(pumpUntil([&] { return enters >= 3; }));
  shiftDays = 1.0 / 24.0;
  const std::uint64_t before = library->calls(Operation::ProcessOnePoint);
  const int entersBefore = enters;
  ASSERT_TRUE(pumpUntil([&] { return enters >= entersBefore + 5; }));
  const std::uint64_t after = library->calls(Operation::ProcessOnePoint);
  escape();
  ASSERT_TRUE(runUntilIdle());
  // Eight channels a conversion, about one conversion a period.
  EXPECT_GE(after - before, 3u * 8u);
}

TEST_F(RunTest, NoModuleLibraryFailsTheStartWithItsMessage) {
  setModuleLibrary(nullptr);
  start();
  EXPECT_EQ(programEnds, 1);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, kNoModuleLibrary);
  EXPECT_FALSE(consoleHas(" DLL Version --> OK"));
}

TEST_F(RunTest, ADataFileHeldByAnotherWriterIsNamedInTheConsole) {
  useSim(steadyConfig());
  // Another writer holds the file: this process's own claim on it, through a descriptor
  // of its own.
  std::string reason;
  ASSERT_TRUE(openDataFile(dataPath().string(), reason)) << reason;
  const int other = DataFile;
  DataFile = -1;
  start();
  EXPECT_EQ(programEnds, 1);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Не могу создать файл Test.dat для записи собираемых данных!");
  EXPECT_TRUE(consoleHas("Файл " + dataPath().string() + ": его уже пишет другая программа"));
  DataFile = other;
  closeDataFile();
}

}  // namespace
}  // namespace kelmo::testing
